#!/usr/bin/env bash
# Runs one command on a throwaway X display: its own Xvfb, its own XDG_RUNTIME_DIR (so that the
# game's single-instance lock meets no other copy), SDL's dummy sound device, an overall
# timeout, and a clean-up (the command's process group, Xvfb, the folder) whatever happened.
#
#   tools/xvfb-session.sh [--timeout SECONDS] [--screen WxH] command [args...]
#
# Exits with the command's code, 124 when it timed out, 125 when the display could not start.
set -uo pipefail

# shellcheck source=tools/xvfb-start.sh
. "$(dirname "$0")/xvfb-start.sh"

timeoutSeconds=600
screen=1280x1024
while [ $# -gt 0 ]; do
    case "$1" in
    --timeout) timeoutSeconds=$2; shift 2 ;;
    --screen) screen=$2; shift 2 ;;
    *) break ;;
    esac
done
if [ $# -eq 0 ]; then
    echo "usage: $0 [--timeout SECONDS] [--screen WxH] command [args...]" >&2
    exit 125
fi

sessionDir=$(mktemp -d "${TMPDIR:-/tmp}/kokurin-x11.XXXXXX") || exit 125
xvfbPid=""
commandPid=""

cleanUp() {
    if [ -n "$commandPid" ] && kill -0 "$commandPid" 2>/dev/null; then
        kill -TERM -- "-$commandPid" 2>/dev/null || kill -TERM "$commandPid" 2>/dev/null
        sleep 1
        kill -KILL -- "-$commandPid" 2>/dev/null
    fi
    stopXvfb
    rm -rf "$sessionDir"
}
trap cleanUp EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

startXvfb "$sessionDir" "${screen}x24" || exit 125

mkdir -m 700 "$sessionDir/runtime"
export XDG_RUNTIME_DIR="$sessionDir/runtime"
export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
unset WAYLAND_DISPLAY

# The command runs in its own process group so that a timeout or a signal ends all of it.
setsid -w timeout --kill-after=10 "$timeoutSeconds" "$@" &
commandPid=$!
wait "$commandPid"
status=$?
commandPid=""
exit "$status"
