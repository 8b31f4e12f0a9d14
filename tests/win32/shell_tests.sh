#!/usr/bin/env bash
# Shell tests under Wine: the test build of the shell (real start-up, test frame loop) and the
# game itself, driven from outside with the probe and xdotool. Run inside a Wine session
# (tools/wine/wine-session.sh provides WINEPREFIX and DISPLAY).
#
#   shell_tests.sh SCENARIO SHELL-EXE PROBE-EXE [GAME-EXE]
#
# Every process started here is waited for with a time limit and ended by its id if it hangs,
# so a stray message box fails the test instead of blocking it.
set -uo pipefail

scenario=$1
shellExe=$2
probeExe=$3
gameExe=${4:-}
wine=${KOKURIN_WINE:-/usr/lib/wine/wine64}

if [ -z "${WINEPREFIX:-}" ] || [ -z "${DISPLAY:-}" ]; then
    echo "shell_tests: run inside tools/wine/wine-session.sh" >&2
    exit 2
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/kokurin-shell.XXXXXX")
started=()
failures=0

restoreAudio=0

cleanUp() {
    if [ "$restoreAudio" = 1 ]; then
        timeout 30 "$wine" reg delete 'HKCU\Software\Wine\Drivers' /v Audio /f >/dev/null 2>&1
    fi
    for pid in "${started[@]}"; do
        if kill -0 "$pid" 2>/dev/null; then
            kill "$pid" 2>/dev/null
        fi
    done
    rm -rf "$work"
}
trap cleanUp EXIT

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

pass() {
    echo "ok: $*"
}

# A Unix path as Wine sees it through drive Z:.
winPath() {
    local path=$1
    printf 'Z:%s' "${path//\//\\}"
}

# Starts a program under Wine in the background, from the working folder $startFolder when it
# is set; its pid lands in lastPid.
startWine() {
    (cd "${startFolder:-.}" && exec "$wine" "$@") >>"$work/wine.log" 2>&1 &
    lastPid=$!
    started+=("$lastPid")
}

# Waits up to $2 seconds for process $1 to end; its exit code lands in exitCode (124 when it had
# to be ended).
waitExit() {
    local pid=$1 limit=$2
    for _ in $(seq $((limit * 10))); do
        if ! kill -0 "$pid" 2>/dev/null; then
            wait "$pid"
            exitCode=$?
            return 0
        fi
        sleep 0.1
    done
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    exitCode=124
    return 1
}

waitFile() {
    local file=$1 limit=$2
    for _ in $(seq $((limit * 10))); do
        [ -s "$file" ] && return 0
        sleep 0.1
    done
    return 1
}

field() {
    sed -n "s/^$1=//p" "$2" | head -n 1
}

probe() {
    timeout 60 "$wine" "$probeExe" "$@" 2>>"$work/wine.log"
}

# Writes a 128 x 128 24-bit BMP.
writePortrait() {
    python3 - "$1" <<'PY'
import struct, sys
w = h = 128
row = bytes([0, 0, 255] * w)  # red, stored blue-green-red
pixels = row * h
header = b'BM' + struct.pack('<IHHI', 54 + len(pixels), 0, 0, 54)
info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
open(sys.argv[1], 'wb').write(header + info + pixels)
PY
}

# Starts the shell test with its result file and waits until it has measured its frame rate.
startShell() {
    local exe=$1 result=$2
    startWine "$exe" "$(winPath "$result")"
    shellPid=$lastPid
    if ! waitFile "$result.ready" 40; then
        fail "the shell did not come up (no $result.ready)"
        return 1
    fi
}

closeShell() {
    local pid=$1
    probe close 10000 || fail "probe found no window to close"
    waitExit "$pid" 20 || fail "the shell did not end after WM_CLOSE"
}

# Wine's audio drivers off: DirectSoundCreate8 then finds no device, whatever the machine has.
disableAudio() {
    "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Audio /d '' /f >>"$work/wine.log" 2>&1
    restoreAudio=1
}

scenarioWindowAndFrames() {
    local result=$work/result.txt
    disableAudio
    startShell "$shellExe" "$result" || return
    local ready=$result.ready
    [ "$(field client "$ready")" = "640x480" ] && pass "client area 640 x 480" ||
        fail "client area $(field client "$ready")"
    local window
    window=$(field window "$ready")
    [ "${window%,*,*}" = "320,80" ] && pass "window corner at 320,80" ||
        fail "window rectangle $window"
    [ "$(field resizable "$ready")" = "no" ] && pass "not resizable" || fail "resizable"
    local fps
    fps=$(field fps "$ready")
    # The pacer never shows frames faster than 60 a second; a machine busy with other work (CI
    # shares one) may show them slower, but a pacer that waits too long stays far below.
    if awk -v f="$fps" 'BEGIN { exit !(f >= 30 && f <= 65) }'; then
        pass "$fps frames a second"
    else
        fail "$fps frames a second, not 30..65"
    fi
    [ "$(field sound "$ready")" = "none" ] && pass "runs without a sound device" ||
        fail "sound device: $(field sound "$ready")"
    closeShell "$shellPid"
    [ "$exitCode" = 0 ] && pass "closing the window exits with 0" || fail "exit code $exitCode"
    [ "$(field ended "$result")" = "quit" ] && pass "the loop saw the quit" ||
        fail "loop ended with '$(field ended "$result")'"
    probe gone 5000 || fail "window still there"
}

scenarioSecondInstance() {
    local first=$work/first.txt second=$work/second.txt box=$work/box.txt
    startShell "$shellExe" "$first" || return
    local firstPid=$shellPid
    startWine "$shellExe" "$(winPath "$second")"
    local secondPid=$lastPid
    if probe box 20000 "$(winPath "$box")"; then
        [ "$(field text "$box")" = "多重起動ですよ！" ] && pass "second instance shows the notice" ||
            fail "box text: $(cat "$box")"
    else
        fail "no message box from the second instance"
    fi
    waitExit "$secondPid" 20 || fail "second instance did not end"
    [ "$exitCode" = 0 ] && pass "second instance exits with 0" || fail "second exit $exitCode"
    [ ! -e "$second" ] && [ ! -e "$second.ready" ] && pass "second instance ran no frame" ||
        fail "second instance reached the frame loop"
    kill -0 "$firstPid" 2>/dev/null && pass "first instance untouched" ||
        fail "first instance ended"
    closeShell "$firstPid"
    [ "$exitCode" = 0 ] || fail "first instance exit $exitCode"
    [ "$(field ended "$first")" = "quit" ] || fail "first instance ended with $(field ended "$first")"
}

# Holds a key for a few frames through the X server, as a player would.
pressKey() {
    xdotool keydown "$1"
    sleep 0.15
    xdotool keyup "$1"
    sleep 0.15
}

scenarioEscapeKey() {
    local result=$work/result.txt
    startShell "$shellExe" "$result" || return
    local window
    window=$(xdotool search --name '^剋輪闘$' | head -n 1)
    [ -n "$window" ] || { fail "no X window named 剋輪闘"; return; }
    timeout 5 xdotool windowfocus --sync "$window" 2>/dev/null || xdotool windowfocus "$window"
    sleep 0.3
    pressKey w
    pressKey Escape
    waitExit "$shellPid" 20 || fail "ESC did not end the loop"
    [ "$exitCode" = 0 ] && pass "ESC leaves with exit code 0" || fail "exit code $exitCode"
    [ "$(field ended "$result")" = "escape" ] && pass "the loop saw ESC first pressed" ||
        fail "loop ended with '$(field ended "$result")'"
    local keys
    keys=$(field keys "$result")
    # W was seen exactly once as first pressed, before ESC.
    [[ "$keys" =~ ^w@[0-9]+\ escape@[0-9]+\ $ ]] && pass "keys seen: $keys" ||
        fail "keys seen: '$keys'"
}

# The mouse's clicks reach the frame as picks on the 640 x 480 screen: one in the box at column
# 2, row 1 (pixel 100, 60), then one in the last box (pixel 630, 470).
scenarioMouseClicks() {
    local result=$work/result.txt
    startShell "$shellExe" "$result" || return
    local window
    window=$(xdotool search --name '^剋輪闘$' | head -n 1)
    [ -n "$window" ] || { fail "no X window named 剋輪闘"; return; }
    xdotool mousemove --window "$window" --sync 100 60 click 1
    waitFile "$result.picks" 20 || fail "no pick reported after a click"
    xdotool mousemove --window "$window" --sync 630 470 click 1
    for _ in $(seq 200); do
        [ "$(wc -w <"$result.picks")" -ge 2 ] && break
        sleep 0.1
    done
    local picks
    picks=$(cat "$result.picks" 2>/dev/null)
    [[ "$picks" =~ ^18@[0-9]+\ 191@[0-9]+\ $ ]] && pass "clicks picked boxes 18 and 191: $picks" ||
        fail "picks seen: '$picks'"
    closeShell "$shellPid"
    [ "$exitCode" = 0 ] || fail "exit code $exitCode"
}

scenarioDataBesideExecutable() {
    # A folder whose path is over 260 bytes in UTF-8, with spaces and Japanese names.
    local long1 long2
    long1=$(printf '剋輪闘%.0s' $(seq 15))
    long2=$(printf '五行相剋の長い名前%.0s' $(seq 5))
    local folder="$work/ゲーム フォルダ/$long1/$long2"
    mkdir -p "$folder/data" "$work/elsewhere"
    cp "$shellExe" "$folder/剋輪闘テスト.exe"
    writePortrait "$folder/data/portrait.bmp"
    local bytes
    bytes=$(printf '%s' "$folder" | wc -c)
    echo "executable folder: $bytes bytes"
    local result=$work/result.txt
    # Started from another working folder.
    startFolder="$work/elsewhere" startShell "$folder/剋輪闘テスト.exe" "$result" || return
    local ready=$result.ready
    [ "$(field picture "$ready")" = 0 ] && pass "data/portrait.bmp found beside the executable" ||
        fail "picture not loaded"
    local cwd exeFolder
    cwd=$(field cwd "$ready")
    exeFolder=$(field exeFolder "$ready")
    [ "${cwd%\\}" = "${exeFolder%\\}" ] && pass "working folder is the executable's" ||
        fail "cwd '$cwd' vs folder '$exeFolder'"
    [[ "$exeFolder" == *"$long2"* ]] && pass "the Japanese folder name survives" ||
        fail "folder name mangled: $exeFolder"
    closeShell "$shellPid"
    [ "$exitCode" = 0 ] || fail "exit code $exitCode"
    [ "$(field ended "$result")" = "quit" ] || fail "ended with '$(field ended "$result")'"
}

scenarioMissingD3dx() {
    local result=$work/result.txt box=$work/box.txt
    WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-};d3dx9_43=" startWine "$shellExe" "$(winPath "$result")"
    local pid=$lastPid
    if probe box 20000 "$(winPath "$box")"; then
        local text
        text=$(field text "$box")
        [[ "$text" == *"d3dx9_43.dll"* ]] && [[ "$text" == *"DirectX End-User Runtime"* ]] &&
            pass "the box names the DLL and the runtime to install" || fail "box says: $text"
        echo "box: $text"
    else
        fail "no message box without d3dx9_43.dll"
    fi
    waitExit "$pid" 20 || fail "did not end after the box"
    [ "$exitCode" = 2 ] && pass "exit code 2" || fail "exit code $exitCode"
    [ ! -e "$result" ] && [ ! -e "$result.ready" ] && pass "no frame ran" ||
        fail "the frame loop ran without D3DX"
}

checkManifest() {
    local exe=$1 out=$work/manifest.txt
    rm -f "$out"
    if ! probe manifest "$(winPath "$exe")" "$(winPath "$out")"; then
        fail "no manifest resource in $(basename "$exe")"
        return
    fi
    [ "$(field count "$out")" = 1 ] || fail "$(field count "$out") manifests in $(basename "$exe")"
    grep -q 'requestedExecutionLevel level="asInvoker" uiAccess="false"' "$out" &&
        pass "$(basename "$exe") asks for asInvoker without UI access" ||
        fail "manifest of $(basename "$exe"): $(cat "$out")"
}

scenarioManifest() {
    checkManifest "$shellExe"
    if [ -n "$gameExe" ]; then
        checkManifest "$gameExe"
    fi
}

scenarioGameWindow() {
    [ -n "$gameExe" ] && [ -f "$gameExe" ] || { fail "the game is not built"; return; }
    startWine "$gameExe"
    local pid=$lastPid
    for _ in $(seq 200); do
        xdotool search --name '^剋輪闘$' >/dev/null 2>&1 && break
        sleep 0.1
    done
    sleep 1
    kill -0 "$pid" 2>/dev/null && pass "the game runs its title screen" || fail "the game ended"
    closeShell "$pid"
    [ "$exitCode" = 0 ] && pass "closing the game's window exits with 0" ||
        fail "game exit code $exitCode"
}

case $scenario in
window_and_frames) scenarioWindowAndFrames ;;
second_instance) scenarioSecondInstance ;;
escape_key) scenarioEscapeKey ;;
mouse_clicks) scenarioMouseClicks ;;
data_beside_executable) scenarioDataBesideExecutable ;;
missing_d3dx) scenarioMissingD3dx ;;
manifest) scenarioManifest ;;
game_window) scenarioGameWindow ;;
*)
    echo "unknown scenario $scenario" >&2
    exit 2
    ;;
esac

if [ "$failures" -ne 0 ]; then
    echo "--- wine log" >&2
    grep -v '^ALSA' "$work/wine.log" | tail -n 40 >&2
    exit 1
fi
