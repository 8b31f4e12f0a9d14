#!/usr/bin/env python3
"""kokurin-sim --wav: the sound of a match rendered offline at 60 frames a second, checked
against the match's transcript: every strike's thud starts on its flash frame, every exchange is
heard on the frame after it, nothing sounds before the first thing that can, the render is the
same every time, and asking for it changes no byte of the transcript.

  check_sound.py SIM"""
import json
import math
import os
import struct
import subprocess
import sys
import tempfile
import wave

RATE = 44100
PER_POLL = RATE // 60


def run(sim, args):
    out = subprocess.run([sim] + args, capture_output=True, timeout=300)
    if out.returncode != 0:
        raise SystemExit("%s exited %d: %s" % (args, out.returncode, out.stderr))
    return out.stdout.decode("utf-8")


def samples(path):
    with wave.open(path) as w:
        assert w.getframerate() == RATE and w.getnchannels() == 1 and w.getsampwidth() == 2
        data = w.readframes(w.getnframes())
    return struct.unpack("<%dh" % (len(data) // 2), data)


def band_energy(s, start, length, frequency):
    """Goertzel power of one frequency over s[start:start+length]."""
    w = 2 * math.pi * frequency / RATE
    a = b = 0.0
    for x in s[max(0, start) : start + length]:
        a, b = x + 2 * math.cos(w) * a - b, a
    return a * a + b * b - 2 * math.cos(w) * a * b


def energy(s, start, length):
    part = s[max(0, start) : start + length]
    return sum(x * x for x in part) / max(1, len(part))


def strike_polls(events):
    """The flash frames of every strike: after the settled board, 10 frames for each clash step
    that left both queues standing, 20 frames, then one strike every 10 frames."""
    polls = []
    mover = None
    settled = None
    for ev in events:
        if ev["ev"] == "move":
            mover = ev["player"]
        elif ev["ev"] == "settled":
            settled = ev
        elif ev["ev"] == "clash" and settled is not None:
            q = [[int(c) for c in settled["q0"]], [int(c) for c in settled["q1"]]]
            paused = 0
            while q[0] and q[1]:
                x, y = q[0][-1], q[1][-1]
                if (x - y + 5) % 5 == 1:
                    q[0].pop()
                elif (y - x + 5) % 5 == 1:
                    q[1].pop()
                else:
                    q[0].pop()
                    q[1].pop()
                if q[0] and q[1]:
                    paused += 1
            for k in range(len(q[1 - mover])):
                polls.append(settled["poll"] + 10 * paused + 20 + 10 * k + 1)
    return polls


def main():
    sim = sys.argv[1]
    failures = []
    with tempfile.TemporaryDirectory(prefix="kokurin-sound.") as work:
        for seed, opponent in ((5, 3), (12, 14)):
            args = ["--seed", str(seed), "--opponent", str(opponent)]
            plain = run(sim, args)
            first = os.path.join(work, "first.wav")
            second = os.path.join(work, "second.wav")
            if run(sim, args + ["--wav", first]) != plain:
                failures.append("%s: --wav changed the transcript" % args)
            run(sim, args + ["--wav", second])
            with open(first, "rb") as f1, open(second, "rb") as f2:
                if f1.read() != f2.read():
                    failures.append("%s: two renders differ" % args)
            s = samples(first)
            events = [json.loads(line) for line in plain.splitlines()]

            strikes = strike_polls(events)
            if not strikes:
                failures.append("%s: the match has no strike to hear" % args)
            for poll in strikes:
                at = poll * PER_POLL
                # The thud's low tone: far stronger in the 10 ms from its frame than in the 10 ms before.
                after = band_energy(s, at, 441, 90.0)
                before = band_energy(s, at - 441, 441, 90.0)
                if not after > 4 * before + 1e6:
                    failures.append(
                        "%s: no thud on the flash frame of poll %d (%.3g after, %.3g before)"
                        % (args, poll, after, before)
                    )

            swaps = [ev["poll"] + 1 for ev in events if ev["ev"] == "move" and ev["swap"]]
            if not swaps:
                failures.append("%s: the match has no exchange to hear" % args)
            for poll in swaps:
                at = poll * PER_POLL
                if not energy(s, at, 441) > 2 * energy(s, at - 441, 441) + 1e4:
                    failures.append("%s: the exchange is not heard at poll %d" % (args, poll))

            # Player 1's first turn is key-less: silent until its last five seconds tick.
            quiet_until = 60 * PER_POLL
            if energy(s, 0, quiet_until) != 0:
                failures.append("%s: sound before anything could play" % args)
            print("%s: %.1f s of sound, %d strikes and %d exchanges heard where the transcript "
                  "puts them" % (" ".join(args), len(s) / RATE, len(strikes), len(swaps)))
    for f in failures:
        print("FAIL", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
