#!/usr/bin/env bash
# Benchmarks the page's start: builds the web page, then runs first-visit.js three times in
# headless Chromium (a first visit over an emulated 10 Mbit/s, 40 ms connection, then a second
# visit with the network cut) and prints each run's figures.
set -euo pipefail
cd "$(dirname "$0")/../.."

cmake --preset web >/dev/null
cmake --build --preset web -j2
(cd tests/web && bash -c 'locked=$(node -p "require(\"./package-lock.json\").packages[\"node_modules/playwright-core\"].version"); installed=$(node -p "try { require(\"./node_modules/playwright-core/package.json\").version } catch (e) { \"\" }"); [ "$locked" = "$installed" ] || PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 timeout 600 npm ci --no-audit --no-fund')
for run in 1 2 3; do
    echo "== run ${run}"
    timeout 300 node bench/web/first-visit.js
done
