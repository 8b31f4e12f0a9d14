#!/usr/bin/env bash
# The game's own Wine prefix, kept apart from the player's default one:
# ${XDG_DATA_HOME:-~/.local/share}/kokurin/wine-prefix. Made on first use, with its message boxes
# made legible in Japanese (japanese-fonts.sh); prints its path for WINEPREFIX.
#
#   WINEPREFIX=$(bash tools/wine/game-prefix.sh)
#
# Uses $KOKURIN_WINE, else wine64 or wine from the path.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
prefix=${XDG_DATA_HOME:-$HOME/.local/share}/kokurin/wine-prefix
# Written once the set-up has finished, so that an interrupted one is done again.
readyMark=$prefix/kokurin-prefix-ready

# shellcheck source=tools/wine/wine-program.sh
. "$here/wine-program.sh"
wine=$(wineProgram) || exit 1

if [ ! -f "$readyMark" ]; then
    echo "game-prefix: setting up $prefix" >&2
    # Wine makes the prefix folder itself; it refuses one that another user owns.
    mkdir -p "$(dirname "$prefix")"
    # No Mono or Gecko installer dialogs: the game needs neither.
    if ! WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
        timeout 300 "$wine" wineboot -i >&2; then
        echo "game-prefix: wineboot failed in $prefix" >&2
        exit 1
    fi
    WINEPREFIX=$prefix KOKURIN_WINE=$wine bash "$here/japanese-fonts.sh"
    touch "$readyMark"
fi
printf '%s\n' "$prefix"
