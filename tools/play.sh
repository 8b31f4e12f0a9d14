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
wine_bin="$(command -v wine64 || true)"
if [ -z "$wine_bin" ] && [ -x /usr/lib/wine/wine64 ]; then
    wine_bin=/usr/lib/wine/wine64
fi
if [ -z "$wine_bin" ]; then
    wine_bin="$(command -v wine)"
fi
# The game's own prefix, where its boxes are legible in Japanese.
WINEPREFIX=$(KOKURIN_WINE="$wine_bin" bash tools/wine/game-prefix.sh)
export WINEPREFIX
exec "$wine_bin" build/windows/kokurin.exe
