#!/usr/bin/env bash
# Builds the game's web page (build/web) and serves it on http://127.0.0.1:PORT/ (8000 unless
# given) with tools/web_server.py (gzip, the app's file types), for playing in a browser on this
# machine; the page can be installed from there as an app. Ctrl+C stops it.
set -euo pipefail
cd "$(dirname "$0")/.."

port="${1:-8000}"
bash tools/setup-deps.sh
cmake --preset web
cmake --build --preset web -j2

echo "剋輪闘: open http://127.0.0.1:${port}/ in a browser (Ctrl+C stops the server)"
exec python3 tools/web_server.py "$port" --bind 127.0.0.1 --directory build/web
