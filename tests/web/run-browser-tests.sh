#!/usr/bin/env bash
# The web build's tests in headless Chromium (Debian's /usr/bin/chromium, driven by
# playwright-core from tests/web/package-lock.json). Needs build/web (cmake --preset web) and
# kokurin-sim, kokurin-server and kokurin_ranked_api_tool from build/native (or KOKURIN_SIM,
# KOKURIN_SERVER, KOKURIN_RANKED_API_TOOL). Installs playwright-core with npm ci when it is
# missing or not the locked version; downloads no browser.
set -euo pipefail
cd "$(dirname "$0")"

locked=$(node -p "require('./package-lock.json').packages['node_modules/playwright-core'].version")
installed=$(node -p "try { require('./node_modules/playwright-core/package.json').version } catch (e) { '' }")
if [ "$locked" != "$installed" ]; then
    PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 timeout 600 npm ci --no-audit --no-fund
fi

# One file at a time (the game's turns are timed); each test has its own limit, the whole run one more.
exec timeout 1080 node --test --test-concurrency=1 --test-timeout=240000 web_game.test.js web_app.test.js \
    web_touch.test.js web_replay.test.js web_online.test.js web_ranked.test.js
