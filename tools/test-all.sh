#!/usr/bin/env bash
# Builds everything and runs every test: the native build with its GoogleTest suites and the SDL
# game's tests (each on a throwaway Xvfb display), the web page with its tests in headless
# Chromium, the Debian packages (the server's serves that page), then the Windows cross build
# with its tests under Wine (inside a throwaway Wine session and Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup-deps.sh

echo "== native build and tests (with the SDL game under Xvfb)"
cmake --preset native
cmake --build --preset native
ctest --preset native

echo "== web build and browser tests"
cmake --preset web
cmake --build --preset web -j2
bash tests/web/run-browser-tests.sh

echo "== Debian packages (the server's with the web build's page)"
# Skipped by the native tests above while the page was not built yet.
ctest --test-dir build/native -R '^debian_packages_install_and_serve$' --output-on-failure

echo "== Windows cross build"
cmake --preset windows
cmake --build --preset windows

echo "== Windows tests under Wine"
bash tools/wine/wine-session.sh ctest --test-dir build/windows --output-on-failure
