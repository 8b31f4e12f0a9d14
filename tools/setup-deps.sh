#!/usr/bin/env bash
# Installs what the two builds and the tests need on a Debian/Ubuntu machine.
# Idempotent: when every package is already there it only checks and returns.
set -euo pipefail

packages=(
    cmake ninja-build g++ make pkg-config
    googletest libgtest-dev libbenchmark-dev
    g++-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64
    wine wine64
    xvfb xauth xdotool x11-utils imagemagick xfonts-base
    libsdl2-dev libsdl2-ttf-dev libgl1-mesa-dri
    fonts-ipafont-gothic
    zip unzip python3
)

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
