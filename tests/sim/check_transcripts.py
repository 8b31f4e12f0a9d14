#!/usr/bin/env python3
"""Runs kokurin-sim on fixed seeds, opponents and key scripts and checks each transcript against
the game's rules: settled boards are full and hold no line, the clash and damage arithmetic (in
single precision) and their frame counts, hit points falling only for the mover, the turn
budget of key-less human turns, the end event; and that the same arguments replay identically."""
import json
import math
import os
import struct
import subprocess
import sys


def f32(x):
    return struct.unpack("f", struct.pack("f", x))[0]


def g9(x):
    return float("%.9g" % x)


def has_line(board):
    for r in range(6):
        for c in range(6):
            e = board[r * 6 + c]
            if e == 0:
                continue
            if c <= 3 and board[r * 6 + c + 1] == e and board[r * 6 + c + 2] == e:
                return True
            if r <= 3 and board[(r + 1) * 6 + c] == e and board[(r + 2) * 6 + c] == e:
                return True
    return False


def overcomes(x, y):
    return (y - x + 5) % 5 == 1


def clash(q0, q1):
    """The clash steps; returns the queues and the number of steps that left both non-empty."""
    q0, q1 = list(q0), list(q1)
    paused_steps = 0
    while q0 and q1:
        a, b = q0[-1], q1[-1]
        if a >= 6 or b >= 6:
            q0.pop(); q1.pop()
        elif overcomes(b, a):
            q0.pop()
        elif overcomes(a, b):
            q1.pop()
        else:
            q0.pop(); q1.pop()
        if q0 and q1:
            paused_steps += 1
    return q0, q1, paused_steps


def budget(own, other):
    own = max(1.0, own)
    other = max(1.0, other)
    ratio = f32(f32(other) / f32(own))
    root = f32(math.pow(ratio, 0.25))
    return int(f32(root * f32(300.0)))


def digits(text):
    return [int(ch) for ch in text]


def run(sim, args):
    out = subprocess.run([sim] + args, capture_output=True, text=True, timeout=300)
    if out.returncode != 0:
        raise AssertionError("%s exited %d: %s" % (args, out.returncode, out.stderr))
    return out.stdout


def check(sim, args, keyless=True, expect_reason=None):
    text = run(sim, args)
    events = [json.loads(line) for line in text.splitlines()]
    errors = []

    def fail(msg):
        errors.append("%s: %s" % (" ".join(args), msg))

    if not events or events[0]["ev"] != "start" or events[-1]["ev"] != "end":
        fail("transcript must run from start to end")
        return errors, text
    start = events[0]
    board = digits(start["board"])
    if 0 in board or has_line(board):
        fail("start board not full or holds a line")
    opponent = start["opponent"]
    hp = [20.0, 20.0]
    q = [[], []]
    last_clash_poll = 0
    mover = None
    move = settled = None
    for ev in events[1:]:
        kind = ev["ev"]
        if kind == "move":
            mover = ev["player"]
            computer = opponent != 0 and mover == 1
            if (ev["personality"] is None) == computer:
                fail("personality must be given exactly for the computer's turns: %s" % ev)
            if q[mover]:
                fail("mover %d's own queue is not empty when its turn begins: %s" % (mover, ev))
            # After the first turn, one bare frame separates the clash from the next turn.
            if ev["turn"] == 1:
                turn_frames = ev["poll"]
            else:
                turn_frames = ev["poll"] - last_clash_poll - 1
            b = budget(hp[mover], hp[1 - mover])
            if turn_frames > b:
                fail("turn lasted %d frames, budget %d: %s" % (turn_frames, b, ev))
            if keyless and not computer:
                if ev["swap"] is not None or turn_frames != b:
                    fail("a key-less human turn times out after its %d frames: %s" % (b, ev))
            move = ev
        elif kind == "settled":
            if move is None or ev["turn"] != move["turn"]:
                fail("settled without its move: %s" % ev)
                continue
            board = digits(ev["board"])
            if 0 in board or has_line(board):
                fail("settled board not full or holds a line: %s" % ev)
            steps, rest = divmod(ev["poll"] - move["poll"], 60)
            if rest != 0:
                fail("cascade frames are not a multiple of 30 + 30: %s" % ev)
            if move["swap"] is None and steps != 0:
                fail("a turn without exchange cleared something: %s" % ev)
            added = len(ev["q%d" % mover]) - len(q[mover])
            if ev["q%d" % (1 - mover)] != "".join(map(str, q[1 - mover])):
                fail("the opponent's queue changed in the mover's cascade: %s" % ev)
            if (steps == 0) != (added == 0):
                fail("cascade steps and cleared blocks disagree: %s" % ev)
            q = [digits(ev["q0"]), digits(ev["q1"])]
            settled = ev
        elif kind == "clash":
            if settled is None or settled["turn"] != ev["turn"]:
                fail("clash without its settled board: %s" % ev)
                continue
            r0, r1, paused = clash(q[0], q[1])
            rest = [r0, r1]
            other = 1 - mover
            frames = 10 * paused
            expect_hp = list(hp)
            expect_next = mover
            if not rest[other]:
                expect_next = other
            else:
                frames += 20
                damage = f32(1.0)
                for _ in rest[other]:
                    expect_hp[mover] = f32(f32(expect_hp[mover]) - damage)
                    damage = f32(damage * f32(0.9))
                    frames += 10
                rest[other] = []
            if ev["poll"] - settled["poll"] != frames:
                fail("clash took %d frames, expected %d: %s" % (ev["poll"] - settled["poll"], frames, ev))
            if [digits(ev["q0"]), digits(ev["q1"])] != rest:
                fail("queues after the clash: expected %s: %s" % (rest, ev))
            if ev["next"] != expect_next:
                fail("next player: expected %d: %s" % (expect_next, ev))
            got = ev["hp"]
            if got[other] != g9(hp[other]):
                fail("hit points fell for the player who was not moving: %s" % ev)
            if got[mover] != g9(expect_hp[mover]):
                fail("damage: expected %.9g: %s" % (expect_hp[mover], ev))
            hp = expect_hp
            q = [digits(ev["q0"]), digits(ev["q1"])]
            last_clash_poll = ev["poll"]
        elif kind == "hint":
            if not (ev["text"].startswith("(") and ev["text"].count(",") == 2):
                fail("hint text: %s" % ev)
        elif kind == "end":
            if expect_reason and ev["reason"] != expect_reason:
                fail("end reason %s, expected %s" % (ev["reason"], expect_reason))
            if ev["reason"] == "winner":
                w = ev["winner"]
                if w is None or ev["hp"][w] <= 0 or ev["hp"][1 - w] > 0:
                    fail("winner and hit points disagree: %s" % ev)
            elif ev["winner"] is not None:
                fail("only a winner end names a winner: %s" % ev)
            if [g9(h) for h in hp] != ev["hp"]:
                fail("end hit points differ from the last clash: %s" % ev)
    return errors, text


def main():
    sim, here = sys.argv[1], sys.argv[2]
    scripts = os.path.join(here, "scripts")
    errors = []
    runs = 0
    for opponent in range(1, 16):
        seed = 1000 + opponent
        errs, text = check(sim, ["--seed", str(seed), "--opponent", str(opponent)],
                           expect_reason="winner")
        errors += errs
        runs += 1
        # Replay: the same arguments give the same bytes.
        if opponent in (1, 8, 15):
            again = run(sim, ["--seed", str(seed), "--opponent", str(opponent)])
            if again != text:
                errors.append("replay of seed %d opponent %d differs" % (seed, opponent))
    errs, text = check(sim, ["--seed", "7", "--opponent", "0", "--keys",
                             os.path.join(scripts, "two_humans.keys"), "--max-polls", "3000"],
                       keyless=False, expect_reason="limit")
    errors += errs
    if text.count('"ev":"hint"') != 2 or '"player":0,"poll":8,"personality":null,"swap":[0,1]' not in text:
        errors.append("two_humans.keys: expected two hints and player 1's exchange [0,1]")
    # Player 2: down twice from (1,0) to (1,2), right to (2,2), select cell 14, left, exchange 13.
    if '"player":1,"poll":112,"personality":null,"swap":[14,13]' not in text:
        errors.append("two_humans.keys: expected player 2's exchange [14,13] at poll 112")
    last = json.loads(text.splitlines()[-1])
    if last["poll"] != 3000:
        errors.append("limit end must report the last completed poll 3000: %s" % last)
    errs, _ = check(sim, ["--seed", "3", "--opponent", "4", "--keys",
                          os.path.join(scripts, "escape.keys")], keyless=False,
                    expect_reason="escape")
    errors += errs
    runs += 2
    for e in errors:
        print("FAIL", e)
    print("%d passed, %d failed" % (runs - min(runs, len(errors)), min(runs, len(errors))))
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
