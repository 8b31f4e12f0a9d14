#!/usr/bin/env bash
# Takes the README's first screenshot, docs/title.png: the SDL game's English title screen (the
# five phases' ring beside the portrait), as the end-to-end "languages" scenario shows it on a
# throwaway display. Needs the native build (cmake --preset native && cmake --build --preset
# native).
set -euo pipefail
cd "$(dirname "$0")/.."
shots=$(mktemp -d "${TMPDIR:-/tmp}/kokurin-readme-shot.XXXXXX")
trap 'rm -rf "$shots"' EXIT
bash tools/xvfb-session.sh --timeout 120 python3 -B tests/e2e/e2e_game.py languages \
    --build native --game build/native/kokurin --shots "$shots"
# The last English frame taken: the one the scenario found complete.
shot=$(ls "$shots"/languages/*-english-title.png | tail -n 1)
cp "$shot" docs/title.png
echo "docs/title.png: $shot"
