#!/usr/bin/env bash
# Builds the game and starts it: natively with SDL2 (Linux), or with --windows the Windows build
# under Wine. On Windows itself, run kokurin.exe instead.
#
#   bash tools/play.sh [--windows]
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup-deps.sh

if [ "${1:-}" != "--windows" ]; then
    cmake --preset native
    cmake --build --preset native --target kokurin_sdl
    exec build/native/kokurin
fi

cmake --preset windows
cmake --build --preset windows --target kokurin kokurin_data

# No Mono or Gecko installer dialogs on a new Wine prefix; the game needs neither.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export WINEDEBUG="${WINEDEBUG:--all}"
# shellcheck source=tools/wine/wine-program.sh
. tools/wine/wine-program.sh
wine_bin=$(wineProgram)
# The game's own prefix, where its boxes are legible in Japanese.
WINEPREFIX=$(KOKURIN_WINE="$wine_bin" bash tools/wine/game-prefix.sh)
export WINEPREFIX
exec "$wine_bin" build/windows/kokurin.exe
