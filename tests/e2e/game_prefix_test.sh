#!/usr/bin/env bash
# The play command's Wine prefix: tools/wine/game-prefix.sh makes it under the user's data
# folder on first use and reuses it after, and the game's box is legible in it (the legible_box
# scenario run there). Run inside tools/wine/wine-session.sh, for its display.
#
#   game_prefix_test.sh E2E-INSTANCES-ARGS...
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
prefixScript=$here/../../tools/wine/game-prefix.sh
wine=${KOKURIN_WINE:-/usr/lib/wine/wine64}
wineserver=$(dirname "$wine")/wineserver
[ -x "$wineserver" ] || wineserver=$(command -v wineserver || echo wineserver)

data=$(mktemp -d "${TMPDIR:-/tmp}/kokurin-data.XXXXXX")
expected=$data/kokurin/wine-prefix
failures=0

cleanUp() {
    WINEPREFIX=$expected timeout 20 "$wineserver" -k 2>/dev/null
    WINEPREFIX=$expected timeout 20 "$wineserver" -w 2>/dev/null
    rm -rf "$data"
}
trap cleanUp EXIT

check() {
    if eval "$1"; then
        echo "ok: $2"
    else
        echo "FAIL: $2" >&2
        failures=$((failures + 1))
    fi
}

first=$(XDG_DATA_HOME=$data bash "$prefixScript" 2>"$data/first.log")
check '[ "$first" = "$expected" ] && [ -d "$expected/drive_c/windows" ]' \
    "the prefix is made at \$XDG_DATA_HOME/kokurin/wine-prefix"
again=$(XDG_DATA_HOME=$data bash "$prefixScript" 2>"$data/again.log")
check '[ "$again" = "$expected" ] && [ ! -s "$data/again.log" ]' "the next use takes it as it is"

WINEPREFIX=$expected python3 -B "$here/e2e_instances.py" legible_box "$@"
check '[ $? = 0 ]' "the second game's box is legible in the game's prefix"

if [ "$failures" -ne 0 ]; then
    cat "$data/first.log" >&2
    exit 1
fi
