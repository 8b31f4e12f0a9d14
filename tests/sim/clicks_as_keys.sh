#!/bin/bash
# Pointer presses play exactly as the keys they stand for: each click script's transcript is
# byte for byte its key script's, and a press on another cell makes another match.
set -euo pipefail
sim=$1
scripts=$2/scripts
same() {
    local opponent=$1 keys=$2 clicks=$3
    if ! cmp -s <("$sim" --seed 5 --opponent "$opponent" --keys "$scripts/$keys" --max-polls 400) \
                <("$sim" --seed 5 --opponent "$opponent" --keys "$scripts/$clicks" --max-polls 400); then
        echo "FAIL: $clicks does not play as $keys" >&2
        exit 1
    fi
}
same 0 two_humans.keys two_humans_clicks.keys
same 2 versus_computer.keys versus_computer_clicks.keys
# The same presses one cell to the right: another exchange, another transcript.
moved=$(mktemp)
trap 'rm -f "$moved"' EXIT
printf '4 @200,120\n8 @296,120\n' >"$moved"
if cmp -s <("$sim" --seed 5 --opponent 2 --keys "$scripts/versus_computer.keys" --max-polls 400) \
          <("$sim" --seed 5 --opponent 2 --keys "$moved" --max-polls 400); then
    echo "FAIL: a press on another cell played the same match" >&2
    exit 1
fi
# A press off the screen is refused with the script's line.
if "$sim" --seed 5 --opponent 2 --keys <(printf '4 @640,0\n') >/dev/null 2>&1; then
    echo "FAIL: a press at x 640 was taken" >&2
    exit 1
fi
echo "clicks play as keys"
