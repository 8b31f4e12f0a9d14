#!/usr/bin/env bash
# Packs both Debian packages (the server's with the web build's page) and checks what they hold;
# as root installs them with apt: the server's user and replay folder are made, its unit is not
# enabled, and the unit's own command (under systemd where it runs, else as the unit's user)
# serves the page and online.json on a free port; then both are removed (the replays stay) and
# the server purged (they go).
#   check_server_package.sh BUILD_DIR CPACK_COMMAND WEB_DIR
# Exits 77 (skipped) without a web build: tools/test-all.sh runs it again after building the page.
set -uo pipefail
build=$1
cpack=$2
web=$3
[ -f "$web/service_worker.js" ] || { echo "SKIP: no web build in $web"; exit 77; }
work=$(mktemp -d "${TMPDIR:-/tmp}/kokurin-server-package.XXXXXX") || exit 1
server=""
stopServer() {
    # runuser and the server it runs, by their ids.
    [ -n "$server" ] && { pkill -TERM -P "$server"; kill "$server"; wait "$server"; } 2>/dev/null
    server=""
}
trap 'stopServer; rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
apt() {
    DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 -y -qq "$@" >>"$work/apt.log" 2>&1
}

cmake --build "$build" --target kokurin_server_web >"$work/log" 2>&1 &&
    "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb" >>"$work/log" 2>&1 ||
    { cat "$work/log" >&2; fail "packing"; exit 1; }
game=$(ls "$work"/deb/kokurin_*.deb)
serverDeb=$(ls "$work"/deb/kokurin-server_*.deb)
contents=$(dpkg-deb -c "$serverDeb")
for f in bin/kokurin-server bin/kokurin-sim share/kokurin-server/web/index.html \
         share/kokurin-server/web/index.wasm share/kokurin-server/web/data/IPA_Font_License.txt \
         lib/systemd/system/kokurin-server.service share/doc/kokurin-server/copyright; do
    grep -q " ./usr/$f\$" <<<"$contents" || fail "kokurin-server lacks /usr/$f"
done
grep -q "adduser" <<<"$(dpkg-deb -f "$serverDeb" Depends)" || fail "kokurin-server needs adduser"
dpkg-deb -x "$game" "$work/root" && dpkg-deb -x "$serverDeb" "$work/root"
for package in kokurin kokurin-server; do
    grep -q "IPA Font License" "$work/root/usr/share/doc/$package/copyright" ||
        fail "$package's copyright file lacks the font's licence"
done
for program in kokurin kokurin-server kokurin-sim; do
    readelf -S "$work/root/usr/bin/$program" | grep -q "\.debug_info" && fail "$program unstripped"
done

if [ "$(id -u)" -ne 0 ] || dpkg-query -W kokurin >/dev/null 2>&1 ||
   dpkg-query -W kokurin-server >/dev/null 2>&1; then
    echo "check_server_package: contents checked (installing needs root and no kokurin installed)"
    exit $((failures > 0))
fi
apt install --no-install-recommends "$game" "$serverDeb" ||
    { cat "$work/apt.log" >&2; fail "apt install"; exit 1; }
[ "$(stat -c %U /var/lib/kokurin-server/replays)" = kokurin-server ] ||
    fail "no replay folder of the server's own"
[ -e /etc/systemd/system/multi-user.target.wants/kokurin-server.service ] &&
    fail "installing enabled the unit"
unit=/usr/lib/systemd/system/kokurin-server.service
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
command=$(sed -n 's/^ExecStart=//p' "$unit")
command=${command/--port 8620/--port $port --host 127.0.0.1}
if [ -d /run/systemd/system ]; then
    mkdir -p /run/systemd/system/kokurin-server.service.d
    printf '[Service]\nExecStart=\nExecStart=%s\n' "$command" \
        >/run/systemd/system/kokurin-server.service.d/test-port.conf
    systemctl daemon-reload && systemctl start kokurin-server.service || fail "systemctl start"
else
    (cd /var/lib/kokurin-server && exec runuser -u kokurin-server -- $command) >"$work/server.log" 2>&1 &
    server=$!
fi
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
assert "<canvas" in page and online["server"].startswith("ws://127.0.0.1:"), online
EOF
if [ -d /run/systemd/system ]; then
    systemctl stop kokurin-server.service
    rm -rf /run/systemd/system/kokurin-server.service.d
    systemctl daemon-reload
fi
stopServer
touch /var/lib/kokurin-server/replays/kept.kkr
apt remove kokurin kokurin-server || fail "apt remove"
for f in /usr/bin/kokurin /usr/bin/kokurin-server /usr/share/kokurin-server "$unit"; do
    [ -e "$f" ] && fail "apt remove left $f"
done
[ -e /var/lib/kokurin-server/replays/kept.kkr ] || fail "removing the server lost the replays"
apt purge kokurin-server || fail "apt purge"
[ -e /var/lib/kokurin-server ] && fail "purging the server left /var/lib/kokurin-server"
[ "$failures" -eq 0 ] || cat "$work/apt.log" >&2
[ "$failures" -eq 0 ] && echo "check_server_package: both packages install, serve and go"
exit $((failures > 0))
