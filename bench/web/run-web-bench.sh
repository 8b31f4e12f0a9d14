#!/usr/bin/env bash
# Benchmarks the web build: builds it, measures it in headless Chromium (web_bench.js), then
# links the same objects without ASYNCIFY to show what ASYNCIFY adds to the download (that
# link cannot run: the frame pump needs ASYNCIFY to yield).
set -euo pipefail
cd "$(dirname "$0")/../.."

cmake --preset web >/dev/null
cmake --build --preset web -j2
(cd tests/web && bash -c 'locked=$(node -p "require(\"./package-lock.json\").packages[\"node_modules/playwright-core\"].version"); installed=$(node -p "try { require(\"./node_modules/playwright-core/package.json\").version } catch (e) { \"\" }"); [ "$locked" = "$installed" ] || timeout 600 npm ci --no-audit --no-fund')
timeout 300 node bench/web/web_bench.js

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
objects=(build/web/CMakeFiles/kokurin.dir/src/web/*.o)
link() {
    NODE_PATH=/usr/share/nodejs em++ -O3 -sENVIRONMENT=web -sINITIAL_MEMORY=33554432 \
        -sMINIFY_HTML=0 --js-library src/web/library_kokurin.js \
        --pre-js build/web/web_assets/web_font.js --pre-js build/web/web_assets/web_pictures.js \
        --pre-js src/web/asset_loader.js --pre-js src/web/page.js --pre-js src/web/app_install.js \
        "${objects[@]}" build/web/libkokurin_core.a "$@"
}
link -sASYNCIFY -sASYNCIFY_STACK_SIZE=65536 -o "$work/with.js"
link -sERROR_ON_UNDEFINED_SYMBOLS=0 -o "$work/without.js" 2>/dev/null
for variant in with without; do
    echo "ASYNCIFY ${variant}: wasm $(stat -c %s "$work/$variant.wasm") bytes, js $(stat -c %s "$work/$variant.js") bytes," \
        "wasm gzipped $(gzip -9c "$work/$variant.wasm" | wc -c) bytes"
done
