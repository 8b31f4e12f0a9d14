#!/usr/bin/env python3
"""End-to-end sound tests of the real game, heard through a real audio path: the game's output
(DirectSound through Wine's PulseAudio driver, or SDL's PulseAudio driver) goes into the null
sink of with_audio_server.sh, and the sink's monitor is recorded with parec.

  e2e_sound.py SCENARIO --build wine|native --game GAME [--probe PROBE] --shots DIR

Scenarios:
  heard            the roster's tones on the title screen, and a clearing's arpeggio in a
                   match, each found at its own pitch in the recording, in the order played
  no_audio_server  with no audio server to talk to, the game starts, plays and ends as ever

Run inside tools/wine/wine-session.sh (or tools/xvfb-session.sh) and, for heard,
with_audio_server.sh."""

import math
import os
import signal
import struct
import subprocess
import sys

import e2e_game
import game_session
import hint_oracle
import screen_checks
from game_session import TestFailure, press

RATE = 44100
# 宮 of the roster's tones and of the elements' tones, and the just ratios of the scale.
TITLE_DO = 523.25
ELEMENT_DO = 261.63
RATIOS = [1.0, 9 / 8, 5 / 4, 3 / 2, 5 / 3]
# Each element's own degree: fire sol, metal re, wood mi, earth do, water la.
ELEMENT_DEGREE = {1: 3, 2: 1, 3: 2, 4: 0, 5: 4}


def pentatonic(degree, do):
    return do * RATIOS[degree % 5] * 2 ** (degree // 5)


class Recorder:
    """parec on the null sink's monitor, into a file; times are kept against its start."""

    def __init__(self, path):
        self.path = path
        self.file = open(path, "wb")
        self.process = subprocess.Popen(
            ["parec", "--device=kokurin.monitor", "--format=s16le", "--rate=%d" % RATE,
             "--channels=1", "--raw", "--latency-msec=20"],
            stdout=self.file,
            stderr=subprocess.DEVNULL,
        )

    def stop(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGINT)
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
        self.file.close()
        with open(self.path, "rb") as f:
            data = f.read()
        return struct.unpack("<%dh" % (len(data) // 2), data[: len(data) // 2 * 2])

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()


def strength(samples, start, length, frequency):
    """Goertzel amplitude of one frequency over a window."""
    part = samples[max(0, start) : start + length]
    if not part:
        return 0.0
    w = 2 * math.pi * frequency / RATE
    a = b = 0.0
    for x in part:
        a, b = x + 2 * math.cos(w) * a - b, a
    return math.sqrt(max(0.0, a * a + b * b - 2 * math.cos(w) * a * b)) / len(part)


def first_heard(samples, start, frequency):
    """The first 50 ms window from sample `start` on in which the frequency stands out clearly
    from a semitone either side: its first sample, or None. (A null sink's monitor records
    nothing while nothing plays, so the recording's time is not the wall clock's: sounds are
    found in order, not at times.)"""
    window = RATE // 20
    for at in range(max(0, start), len(samples) - window, window // 2):
        tone = strength(samples, at, window, frequency)
        if tone < 40:
            continue
        beside = max(strength(samples, at, window, frequency * 1.0595),
                     strength(samples, at, window, frequency / 1.0595))
        if tone > 3.0 * (beside + 1.0):
            return at
    return None


def clearing_exchange(board, cursor):
    """Two cells whose exchange clears something, reachable with the fewest key presses, and
    the elements the first clearing queues, in queue order."""
    best = None
    for a in range(36):
        for b in range(a + 1, 36):
            if board[a] == board[b] or not hint_oracle.lines_after_swap(board, a, b):
                continue
            cells_a, cells_b = (a % 6, a // 6), (b % 6, b // 6)
            cost = len(e2e_game.ring_steps(cursor, cells_a)) + len(
                e2e_game.ring_steps(cells_a, cells_b))
            if best is None or cost < best[0]:
                best = (cost, cells_a, cells_b, a, b)
    if best is None:
        raise TestFailure("no clearing exchange on board %s" % screen_checks.board_text(board))
    _, cells_a, cells_b, a, b = best
    scratch = list(board)
    scratch[a], scratch[b] = scratch[b], scratch[a]
    queue = []
    hint_oracle._clear_lines(scratch, queue)
    return cells_a, cells_b, queue


def scenario_heard(run):
    if not os.environ.get("PULSE_SERVER"):
        raise TestFailure("run inside tests/e2e/with_audio_server.sh")
    recorder = Recorder(os.path.join(run.work, "heard.raw"))
    run.processes.append(recorder)
    game = run.start_game()
    run.attach(game)
    e2e_game.wait_title(run, 0, "title")

    # The roster: S plays entry 1's tone, 商 (re) above 宮; again, entry 2's 角 (mi).
    played = []
    for entry in (1, 2):
        press("s")
        e2e_game.wait_title(run, entry, "title-%d" % entry)
        played.append(("roster entry %d" % entry, pentatonic(entry, TITLE_DO)))
    # Back to entry 0, a second human, for a match whose moves the test makes.
    press("w")
    press("w")
    e2e_game.wait_title(run, 0, "title-back")
    first = e2e_game.start_match(run, 0, "match-start")
    board = screen_checks.read_board(first)
    cell_a, cell_b, queue = clearing_exchange(board, (0, 0))
    print("board %s; exchanging %s and %s clears %s" % (
        screen_checks.board_text(board), cell_a, cell_b, queue))
    for key in e2e_game.ring_steps((0, 0), cell_a):
        press(key)
    press("space")
    for key in e2e_game.ring_steps(cell_a, cell_b):
        press(key)
    press("space", after=1.5)
    # The arpeggio: the first cleared element's own tone, the second's a degree higher.
    played.append(("the clearing's first note", pentatonic(ELEMENT_DEGREE[queue[0]], ELEMENT_DO)))
    played.append(("the clearing's second note",
                   pentatonic(ELEMENT_DEGREE[queue[1]] + 1, ELEMENT_DO)))
    samples = recorder.stop()
    run.check(len(samples) > RATE, "the null sink's monitor was recorded (%.1f s)"
              % (len(samples) / RATE))
    loudest = max((abs(x) for x in samples), default=0)
    run.check(loudest > 500, "the game was heard at all", "loudest sample %d" % loudest)
    after = 0
    for label, frequency in played:
        at = first_heard(samples, after, frequency)
        run.check(at is not None, "%s heard at %.1f Hz, after the sounds before it"
                  % (label, frequency), "not found after %.2f s of the recording" % (after / RATE))
        if at is not None:
            after = at

    press("Escape")
    e2e_game.wait_title(run, 0, "title-after-match")
    press("Escape")
    run.expect_exit(game, "ESC on the title screen")


def scenario_no_audio_server(run):
    """No server behind PULSE_SERVER and no sound card: DirectSound finds no device."""
    os.environ["PULSE_SERVER"] = "unix:" + os.path.join(run.work, "no-such-server")
    game = run.start_game()
    run.attach(game)
    e2e_game.wait_title(run, 0, "title")
    press("s")
    e2e_game.wait_title(run, 1, "title-s")
    e2e_game.start_match(run, 1, "match-start")
    press("Escape")
    e2e_game.wait_title(run, 1, "title-after-match")
    press("Escape")
    run.expect_exit(game, "ESC on the title screen without an audio server")


if __name__ == "__main__":
    sys.exit(
        e2e_game.main(
            {"heard": scenario_heard, "no_audio_server": scenario_no_audio_server}, {}, __doc__
        )
    )
