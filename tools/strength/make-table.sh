#!/usr/bin/env bash
# Regenerates the strength table of the computer personalities: builds kokurin-sim, plays the
# tournament (every ordered pair of the fifteen personalities and the scripted novice, once per
# seed) on both cores, fits the ratings and writes docs/strength.csv, docs/strength.md,
# docs/strength.png and the opponents' table in README.md.
#
#   bash tools/strength/make-table.sh [SEEDS]      (default 30 seeds: 7200 matches)
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
seeds="${1:-30}"
base_seed=1
jobs=2
if ! [[ "$seeds" =~ ^[1-9][0-9]{0,5}$ ]]; then
    echo "make-table.sh: SEEDS must be a whole number from 1 to 999999, not '$seeds'" >&2
    exit 2
fi

bash "$root/tools/setup-deps.sh"
if [ ! -f "$root/build/native/CMakeCache.txt" ]; then
    (cd "$root" && cmake --preset native >/dev/null)
fi
cmake --build "$root/build/native" --target kokurin-sim -j2 >/dev/null
sim="$root/build/native/tools/sim/kokurin-sim"

# The system's Python has Debian's numpy, scipy and matplotlib; one first on PATH may not.
python=""
for candidate in python3 /usr/bin/python3; do
    if command -v "$candidate" >/dev/null 2>&1 &&
        "$candidate" -c "import numpy, scipy, matplotlib" >/dev/null 2>&1; then
        python="$candidate"
        break
    fi
done
if [ -z "$python" ]; then
    echo "make-table.sh: no python3 with numpy, scipy and matplotlib (tools/setup-deps.sh installs them)" >&2
    exit 1
fi

results="$(mktemp "${TMPDIR:-/tmp}/kokurin-tournament.XXXXXX")"
trap 'rm -f "$results" "$times_file"' EXIT
command_line="kokurin-sim --tournament --seeds $seeds --base-seed $base_seed --jobs $jobs"
echo "make-table.sh: $command_line"
# Processor time (user + system) of this shell's finished children, in seconds, from the
# `times` last saved in times_file. `times` itself must run in this shell, not in a command
# substitution's subshell, to see them.
times_file="$(mktemp "${TMPDIR:-/tmp}/kokurin-times.XXXXXX")"
children_cpu() {
    awk 'NR == 2 { n = 0; for (i = 1; i <= 2; ++i) { split($i, t, /[ms]/); n += t[1] * 60 + t[2] }
                   printf "%.2f", n }' "$times_file"
}
times >"$times_file"
cpu_before=$(children_cpu)
start=$(date +%s.%N)
"$sim" --tournament --seeds "$seeds" --base-seed "$base_seed" --jobs "$jobs" >"$results"
end=$(date +%s.%N)
times >"$times_file"
seconds=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.1f", b - a }')
# The threads' processor time, which other work on the machine does not stretch the way it
# stretches the wall-clock time.
cpu=$(awk -v a="$cpu_before" -v b="$(children_cpu)" 'BEGIN { printf "%.1f", b - a }')
echo "make-table.sh: the tournament took ${seconds} s (${cpu} s of processor time in all)"

"$python" "$root/tools/strength/strength_table.py" "$results" --repo "$root" \
    --seconds "$seconds" --cpu-seconds "$cpu" --jobs "$jobs" --command "$command_line"
