#!/usr/bin/env bash
# Installs the SDL game into a throwaway prefix and checks the layout (game, data, desktop entry,
# icons, metainfo that appstreamcli accepts), that the installed game finds its data from a moved
# prefix and is stripped, then packs the game's Debian package and checks its contents and
# dependencies; as root it also installs the package with apt and removes it again.
#   check_install.sh BUILD_DIR CPACK_COMMAND
set -uo pipefail
build=$1
cpack=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/kokurin-install.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

cmake --install "$build" --prefix "$work/prefix" >"$work/install.log" 2>&1 ||
    { cat "$work/install.log" >&2; fail "cmake --install"; exit 1; }
# A prefix moved after installing must still work: the game looks relative to itself.
mv "$work/prefix" "$work/moved"
p=$work/moved
for f in bin/kokurin share/kokurin/data/ZUDEV.TTF share/kokurin/data/mira.bmp \
         share/applications/kokurin.desktop share/metainfo/io.github.kokurin.Kokurin.metainfo.xml; do
    [ -s "$p/$f" ] || fail "missing or empty: $f"
done
for size in 48 64 128 256; do
    icon=$p/share/icons/hicolor/${size}x${size}/apps/kokurin.png
    # A PNG of exactly that size: the signature, then IHDR's width and height.
    dims=$(od -An -tu1 -j16 -N8 "$icon" 2>/dev/null | awk '{print $3*256+$4 "x" $7*256+$8}')
    [ "$dims" = "${size}x${size}" ] || fail "icon $size: $dims"
done
appstreamcli validate --no-net "$p/share/metainfo/io.github.kokurin.Kokurin.metainfo.xml" \
    >"$work/appstream.log" 2>&1 || { cat "$work/appstream.log" >&2; fail "appstreamcli validate"; }
desktop-file-validate "$p/share/applications/kokurin.desktop" || fail "desktop-file-validate"
# The data folder as the installed game resolves it.
found=$("$build/tests/packaging/kokurin_data_folder" "$p/bin/" 2>&1)
[ "$(cd "$found" 2>/dev/null && pwd -P)" = "$(cd "$p/share/kokurin" && pwd -P)" ] ||
    fail "the installed game looks for its data in '$found'"

# The installed game is stripped (RelWithDebInfo's debug information stays in the build) and
# small; the server's parts are a component of their own, not installed unless asked for.
readelf -S "$p/bin/kokurin" | grep -q "\.debug_info\|\.symtab" && fail "cmake --install left bin/kokurin unstripped"
size=$(stat -c %s "$p/bin/kokurin")
[ "$size" -lt 8000000 ] || fail "the installed game is $size bytes"
[ -e "$p/bin/kokurin-server" ] && fail "cmake --install installed the server too"

# The game's package alone (check_server_package.sh packs both, with the web build's page).
"$cpack" -G DEB -D CPACK_COMPONENTS_ALL=game --config "$build/CPackConfig.cmake" -B "$work/deb" \
    >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; fail "cpack -G DEB"; exit 1; }
deb=$(ls "$work"/deb/kokurin_*.deb 2>/dev/null | head -1)
[ -n "$deb" ] || { fail "no kokurin_*.deb"; exit 1; }
contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/kokurin ./usr/share/kokurin/data/ZUDEV.TTF ./usr/share/applications/kokurin.desktop \
         ./usr/share/doc/kokurin/copyright \
         ./usr/share/icons/hicolor/256x256/apps/kokurin.png ./usr/share/metainfo/io.github.kokurin.Kokurin.metainfo.xml; do
    grep -q " $f\$" <<<"$contents" || fail "the package lacks $f"
done
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libsdl2-2.0-0 libsdl2-ttf-2.0-0 libstdc++6 libc6; do
    grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done

if [ "$(id -u)" -eq 0 ] && ! dpkg-query -W kokurin >/dev/null 2>&1; then
    export DEBIAN_FRONTEND=noninteractive
    if apt-get -o DPkg::Lock::Timeout=300 install -y -qq --no-install-recommends "$deb" \
        >"$work/apt.log" 2>&1; then
        [ -x /usr/bin/kokurin ] && [ -s /usr/share/kokurin/data/ZUDEV.TTF ] ||
            fail "apt install left no game"
        apt-get -o DPkg::Lock::Timeout=300 remove -y -qq kokurin >>"$work/apt.log" 2>&1 ||
            fail "apt remove"
        [ ! -e /usr/bin/kokurin ] && [ ! -e /usr/share/kokurin ] || fail "apt remove left files"
    else
        cat "$work/apt.log" >&2
        fail "apt install ./kokurin_*.deb"
    fi
fi
[ "$failures" -eq 0 ] && echo "check_install: layout, data lookup and package are right"
exit $((failures > 0))
