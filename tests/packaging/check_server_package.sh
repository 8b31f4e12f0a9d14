#!/usr/bin/env bash
# Packs both Debian packages (the server's with the web build's page), checks what they hold,
# and, as root, installs them with apt: the server's user and replay folder are made, its unit is
# installed but not enabled, the unit's own command line (under systemd where it runs, else as
# the unit's user) serves the page and online.json over HTTP on a free port; then both are
# removed (the replays stay) and the server purged (they go).
#   check_server_package.sh BUILD_DIR CPACK_COMMAND WEB_DIR
# Exits 77 (skipped) without a web build: tools/test-all.sh runs it again after building the page.
set -uo pipefail
build=$1
cpack=$2
web=$3
if [ ! -f "$web/service_worker.js" ]; then
    echo "SKIP: no web build in $web (cmake --preset web && cmake --build --preset web)"
    exit 77
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/kokurin-server-package.XXXXXX") || exit 1
server=""
# The server started here: runuser and the server it runs, by their ids.
stopServer() {
    if [ -n "$server" ]; then
        pkill -TERM -P "$server" 2>/dev/null
        kill "$server" 2>/dev/null
        wait "$server" 2>/dev/null
        server=""
    fi
}
cleanup() {
    stopServer
    rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
apt() {
    DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 -y -qq "$@" \
        >>"$work/apt.log" 2>&1
}

cmake --build "$build" --target kokurin_server_web >"$work/page.log" 2>&1 ||
    { cat "$work/page.log" >&2; fail "copying the web page"; exit 1; }
"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; fail "cpack -G DEB"; exit 1; }
game=$(ls "$work"/deb/kokurin_*.deb 2>/dev/null | head -1)
serverDeb=$(ls "$work"/deb/kokurin-server_*.deb 2>/dev/null | head -1)
[ -n "$game" ] && [ -n "$serverDeb" ] || { fail "not both packages: $(ls "$work/deb")"; exit 1; }

contents=$(dpkg-deb -c "$serverDeb")
for f in ./usr/bin/kokurin-server ./usr/bin/kokurin-sim ./usr/share/kokurin-server/web/index.html \
         ./usr/share/kokurin-server/web/index.wasm ./usr/share/kokurin-server/web/service_worker.js \
         ./usr/share/kokurin-server/web/data/IPA_Font_License.txt \
         ./usr/lib/systemd/system/kokurin-server.service ./usr/share/doc/kokurin-server/copyright; do
    grep -q " $f\$" <<<"$contents" || fail "kokurin-server lacks $f"
done
grep -q "/etc/\|/var/" <<<"$contents" && fail "kokurin-server ships files in /etc or /var"
grep -q "usr/bin/kokurin\$" <<<"$contents" && fail "kokurin-server ships the game"
grep -q "kokurin-server\|kokurin-sim" <<<"$(dpkg-deb -c "$game")" && fail "kokurin ships the server"
grep -q "adduser" <<<"$(dpkg-deb -f "$serverDeb" Depends)" || fail "kokurin-server needs adduser"
dpkg-deb -e "$serverDeb" "$work/control"
for script in postinst prerm postrm; do
    [ -x "$work/control/$script" ] || fail "kokurin-server has no $script"
done
# Both copyright files carry the font's licence; the programs are stripped.
for deb in "$game" "$serverDeb"; do
    dpkg-deb -x "$deb" "$work/root"
done
for package in kokurin kokurin-server; do
    grep -q "IPA Font License" "$work/root/usr/share/doc/$package/copyright" ||
        fail "$package's copyright file lacks the font's licence"
done
for program in kokurin kokurin-server kokurin-sim; do
    readelf -S "$work/root/usr/bin/$program" | grep -q "\.debug_info\|\.symtab" &&
        fail "/usr/bin/$program is not stripped"
done

if [ "$(id -u)" -ne 0 ] || dpkg-query -W kokurin-server >/dev/null 2>&1 ||
   dpkg-query -W kokurin >/dev/null 2>&1; then
    echo "check_server_package: contents checked (installing needs root and no kokurin installed)"
    exit $((failures > 0))
fi
if ! apt install --no-install-recommends "$game" "$serverDeb"; then
    cat "$work/apt.log" >&2
    fail "apt install ./kokurin_*.deb ./kokurin-server_*.deb"
    exit 1
fi
getent passwd kokurin-server >/dev/null || fail "no kokurin-server user"
[ "$(stat -c %U "/var/lib/kokurin-server/replays" 2>/dev/null)" = kokurin-server ] ||
    fail "/var/lib/kokurin-server/replays is not the server's own"
[ -e /etc/systemd/system/multi-user.target.wants/kokurin-server.service ] &&
    fail "the unit was enabled by installing"
unit=/usr/lib/systemd/system/kokurin-server.service
execStart=$(sed -n 's/^ExecStart=//p' "$unit")
[ -n "$execStart" ] || fail "the unit has no ExecStart"
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
command=${execStart/--port 8620/--port $port --host 127.0.0.1}
if [ -d /run/systemd/system ]; then
    mkdir -p /run/systemd/system/kokurin-server.service.d
    printf '[Service]\nExecStart=\nExecStart=%s\n' "$command" \
        >/run/systemd/system/kokurin-server.service.d/test-port.conf
    systemctl daemon-reload && systemctl start kokurin-server.service || fail "systemctl start"
else
    # No systemd here: the unit's command, as its user, in its folder.
    (cd /var/lib/kokurin-server && exec runuser -u kokurin-server -- $command) \
        >"$work/server.log" 2>&1 &
    server=$!
fi
# The page and online.json from the running server (waiting for it to listen, 60 s at most).
python3 - "$port" <<'EOF' || fail "the installed server does not serve its page"
import json, sys, time, urllib.request
base = "http://127.0.0.1:%s/" % sys.argv[1]
deadline = time.monotonic() + 60
while True:
    try:
        page = urllib.request.urlopen(base, timeout=5).read().decode("utf-8")
        online = json.loads(urllib.request.urlopen(base + "online.json", timeout=5).read())
        break
    except OSError:
        if time.monotonic() > deadline:
            raise
        time.sleep(0.2)
assert "<canvas" in page, page[:200]
assert online["server"].startswith("ws://127.0.0.1:"), online
EOF
if [ -d /run/systemd/system ]; then
    systemctl stop kokurin-server.service
    rm -rf /run/systemd/system/kokurin-server.service.d
    systemctl daemon-reload
else
    [ -s "$work/server.log" ] && grep -q "listening on port $port" "$work/server.log" ||
        fail "the server did not say it listens: $(cat "$work/server.log")"
    stopServer
fi
touch /var/lib/kokurin-server/replays/kept.kkr

apt remove kokurin kokurin-server || fail "apt remove"
for f in /usr/bin/kokurin /usr/bin/kokurin-server /usr/bin/kokurin-sim /usr/share/kokurin-server \
         "$unit"; do
    [ -e "$f" ] && fail "apt remove left $f"
done
[ -e /var/lib/kokurin-server/replays/kept.kkr ] || fail "removing the server lost the replays"
apt purge kokurin-server || fail "apt purge"
[ -e /var/lib/kokurin-server ] && fail "purging the server left /var/lib/kokurin-server"
[ "$failures" -eq 0 ] || cat "$work/apt.log" >&2
[ "$failures" -eq 0 ] && echo "check_server_package: both packages install, serve and go"
exit $((failures > 0))
