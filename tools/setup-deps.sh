#!/usr/bin/env bash
# Installs what the builds and the tests need on a Debian/Ubuntu machine.
# Idempotent: when every package is already there it only checks and returns.
set -euo pipefail

packages=(
    cmake ninja-build g++ make pkg-config
    googletest libgtest-dev libbenchmark-dev
    g++-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64
    wine wine64
    xvfb xauth xdotool x11-utils imagemagick xfonts-base
    libsdl2-dev libsdl2-ttf-dev libfontconfig-dev libgl1-mesa-dri
    fonts-ipafont-gothic python3-fonttools python3-brotli
    zip unzip python3
    # The strength table's rating fit and plot (tools/strength).
    python3-numpy python3-scipy python3-matplotlib
    pulseaudio pulseaudio-utils
    fontconfig appstream desktop-file-utils dpkg-dev file
    emscripten chromium
    # kokurin-server and kokurin-sim --online (Boost.Beast, header-only), wss:// and https://
    # through OpenSSL (the tests make their certificates with the openssl command).
    libboost-dev libssl-dev openssl
    # kokurin-server --redis (several server processes sharing one lobby) and its test.
    libhiredis-dev redis-server
    # The Debian packages' test (kokurin-server's system user), and a Japanese locale made from
    # the locales' data for the Windows game's language test under Wine.
    adduser locales
    # Ranked play's store: SQLite, and PostgreSQL for several server processes (the store's
    # tests start a throwaway cluster of their own).
    libsqlite3-dev libpq-dev postgresql
)
# The browser tests run Node with npm; a Node that is already there (for example NodeSource's,
# which brings its own npm) is kept, and Debian's packages only fill what is missing.
if ! command -v node >/dev/null 2>&1; then
    packages+=(nodejs)
fi
if ! command -v npm >/dev/null 2>&1; then
    packages+=(npm)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "setup-deps: installing ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
