#!/usr/bin/env bash
# CPU time (user + system, every thread of the process) per frame of the SDL game on its title
# screen and on a match screen (two humans, nobody pressing a key), beside a program that only
# clears and presents, each running at 60 frames a second on a throwaway Xvfb display. A
# benchmark, not a test: it reports, it asserts nothing.
#
#   bash bench/sdl/cpu_per_frame.sh [SECONDS]      (after cmake --build --preset native)
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-10}
game=build/native/kokurin
baseline=build/native/bench/sdl/kokurin_sdl_clear_present

if [ -z "${KOKURIN_BENCH_INSIDE:-}" ]; then
    for program in "$game" "$baseline"; do
        if [ ! -x "$program" ]; then
            echo "build it first: cmake --preset native && cmake --build --preset native" >&2
            exit 2
        fi
    done
    exec env KOKURIN_BENCH_INSIDE=1 bash tools/xvfb-session.sh --timeout $((4 * seconds + 60)) \
        bash "$0" "$seconds"
fi

ticksPerSecond=$(getconf CLK_TCK)

# User plus system clock ticks of a process so far.
cpuTicks() {
    awk '{print $14 + $15}' "/proc/$1/stat"
}

# CPU milliseconds per frame of a running process over the next $seconds seconds.
measure() {
    local before after
    before=$(cpuTicks "$1")
    sleep "$seconds"
    after=$(cpuTicks "$1")
    awk -v ticks=$((after - before)) -v hz="$ticksPerSecond" -v s="$seconds" \
        'BEGIN {printf "%.2f", ticks * 1000 / hz / (s * 60)}'
}

"$game" >/dev/null 2>&1 &
gamePid=$!
sleep 2
title=$(measure "$gamePid")
window=$(xdotool search --sync --pid "$gamePid" | head -1)
xdotool windowfocus --sync "$window"
xdotool keydown space
sleep 0.15
xdotool keyup space
sleep 1
match=$(measure "$gamePid")
kill "$gamePid"
wait "$gamePid" 2>/dev/null || true

"$baseline" $((seconds + 2)) >/dev/null 2>&1 &
baselinePid=$!
sleep 1
idle=$(measure "$baselinePid")
wait "$baselinePid" 2>/dev/null || true

echo "CPU ms per frame at 60 fps, over ${seconds} s on Xvfb:"
echo "  kokurin, title screen:     $title"
echo "  kokurin, match screen:     $match"
echo "  clear and present only:    $idle"
