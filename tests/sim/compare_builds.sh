#!/usr/bin/env bash
# The Windows kokurin-sim under Wine must print byte for byte what the native one prints, so that
# differences between the two runtimes (pow, float formatting) cannot creep in. Each run's replay
# is recorded by both and played by the other: a replay is the same file on either system.
set -euo pipefail
native="$1"
windows="$2"
wine="$3"
here="$4"
if [ ! -x "$native" ]; then
    echo "native kokurin-sim not found at $native (build the native preset first)" >&2
    exit 1
fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
status=0
runs=(
    "--seed 1 --opponent 1"
    "--seed 20261207 --opponent 8"
    "--seed 4294967295 --opponent 15"
    "--seed 99 --opponent 12"
    "--seed 5 --opponent 2"
    "--seed 7 --opponent 0 --keys $here/scripts/two_humans.keys --max-polls 3000"
)
for args in "${runs[@]}"; do
    # shellcheck disable=SC2086
    "$native" $args --record "$work/native.kkr" > "$work/native.jsonl"
    # shellcheck disable=SC2086
    timeout 300 "$wine" "$windows" $args --record "$work/windows.kkr" > "$work/windows.jsonl"
    if ! cmp -s "$work/native.kkr" "$work/windows.kkr"; then
        echo "DIFFERENT replay files: $args" >&2
        status=1
    fi
    # Each plays the other's replay to the same transcript.
    "$native" --replay "$work/windows.kkr" > "$work/native-of-windows.jsonl"
    timeout 300 "$wine" "$windows" --replay "$work/native.kkr" > "$work/windows-of-native.jsonl"
    if ! cmp -s "$work/native.jsonl" "$work/native-of-windows.jsonl" ||
        ! cmp -s "$work/native.jsonl" "$work/windows-of-native.jsonl"; then
        echo "DIFFERENT replay transcripts: $args" >&2
        status=1
    fi
    if cmp -s "$work/native.jsonl" "$work/windows.jsonl"; then
        echo "same: $args ($(wc -l < "$work/native.jsonl") events)"
    else
        echo "DIFFERENT: $args" >&2
        diff "$work/native.jsonl" "$work/windows.jsonl" | head -20 >&2 || true
        status=1
    fi
done
exit $status
