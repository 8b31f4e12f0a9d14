#!/usr/bin/env bash
# Runs one command inside a throwaway Wine session: a fresh WINEPREFIX under a temp folder (its
# message boxes legible in Japanese, see japanese-fonts.sh), its own Xvfb display,
# WINEDEBUG=-all and no Mono/Gecko installer, an overall timeout, and a clean-up (wineserver -k,
# Xvfb stopped, prefix removed) whatever happened.
#
#   tools/wine/wine-session.sh [--timeout SECONDS] command [args...]
#
# Exits with the command's code, 124 when it timed out, 125 when the session could not start.
# Run inside a session already (KOKURIN_WINE_SESSION set by an outer call), it reuses that
# session and only adds the timeout, so every Wine test can be run alone or under one session.
set -uo pipefail

# shellcheck source=tools/xvfb-start.sh
. "$(dirname "$0")/../xvfb-start.sh"

timeoutSeconds=${KOKURIN_WINE_TIMEOUT:-1500}
if [ "${1:-}" = "--timeout" ]; then
    timeoutSeconds=$2
    shift 2
fi
if [ $# -eq 0 ]; then
    echo "usage: $0 [--timeout SECONDS] command [args...]" >&2
    exit 125
fi

# shellcheck source=tools/wine/wine-program.sh
. "$(dirname "$0")/wine-program.sh"
wine=$(wineProgram) || exit 125
wineserver=${KOKURIN_WINESERVER:-$(dirname "$wine")/wineserver}
if [ ! -x "$wineserver" ]; then
    wineserver=$(command -v wineserver || echo wineserver)
fi

# Nested: the outer session already provides the prefix and the display.
if [ -n "${KOKURIN_WINE_SESSION:-}" ] && [ "${WINEPREFIX:-}" = "$KOKURIN_WINE_SESSION" ] &&
    [ -n "${DISPLAY:-}" ]; then
    exec timeout --kill-after=10 "$timeoutSeconds" "$@"
fi

sessionDir=$(mktemp -d "${TMPDIR:-/tmp}/kokurin-wine.XXXXXX") || exit 125
xvfbPid=""
commandPid=""

cleanUp() {
    if [ -n "$commandPid" ] && kill -0 "$commandPid" 2>/dev/null; then
        kill -TERM -- "-$commandPid" 2>/dev/null || kill -TERM "$commandPid" 2>/dev/null
    fi
    if [ -d "$sessionDir/prefix" ]; then
        WINEPREFIX="$sessionDir/prefix" timeout 20 "$wineserver" -k 2>/dev/null
        WINEPREFIX="$sessionDir/prefix" timeout 20 "$wineserver" -w 2>/dev/null
    fi
    stopXvfb
    rm -rf "$sessionDir"
}
trap cleanUp EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

startXvfb "$sessionDir" 1280x1024x24 || exit 125

export WINEPREFIX="$sessionDir/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"
export KOKURIN_WINE_SESSION="$WINEPREFIX"
export KOKURIN_WINE="$wine"

if ! timeout --kill-after=10 180 "$wine" wineboot -i >"$sessionDir/wineboot.log" 2>&1; then
    echo "wine-session: wineboot -i failed" >&2
    cat "$sessionDir/wineboot.log" >&2
    exit 125
fi
# Message boxes legible in Japanese, as in the game's own prefix.
if ! bash "$(dirname "$0")/japanese-fonts.sh" >"$sessionDir/fonts.log" 2>&1; then
    echo "wine-session: japanese-fonts.sh failed" >&2
    cat "$sessionDir/fonts.log" >&2
    exit 125
fi

# The command runs in its own process group so that a timeout or a signal ends all of it.
setsid -w timeout --kill-after=10 "$timeoutSeconds" "$@" &
commandPid=$!
wait "$commandPid"
status=$?
commandPid=""
exit "$status"
