#!/usr/bin/env python3
"""End-to-end tests of the game's single instance under Wine: two games started at once,
and the second game's box as the player sees it.

  e2e_instances.py SCENARIO --game kokurin.exe --probe kokurin_win32_probe.exe --shots DIR

simultaneous_starts: pairs of games started 0, 0.1 and 0.3 s apart. Each time exactly one game
window must come up, the other game show "多重起動ですよ！" (read with the probe) and exit 0;
the surviving game is then killed, as a crash ends it, and the next pair must not be blocked.
legible_box: the second game's box, grabbed from the screen, shows eight different characters,
not eight copies of the empty square a font without Japanese draws.
Run inside tools/wine/wine-session.sh.
"""

import os
import subprocess
import sys
import time

import box_text
import e2e_game
import game_session
import screen_capture
from game_session import TestFailure

SECOND_INSTANCE_TEXT = "多重起動ですよ！"
# Before the check was race-free, both games ran in about half the pairs started 0 s apart and
# in a quarter of those 0.1 s apart (how wide the gap may be depends on how fast Wine starts a
# program, so 0.3 s is tried too): nine, six and three such pairs would all have passed with a
# chance under one in a thousand.
PAIR_DELAYS = (0.0, 0.1, 0.0, 0.3, 0.0, 0.1) * 3
DELAYS = sorted(set(PAIR_DELAYS))


class _ProbeHandle:
    """A probe started in the background, killed with the games at the end."""

    def __init__(self, process):
        self.process = process

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait(timeout=10)

def game_windows():
    return game_session.window_ids("^%s$" % game_session.WINDOW_TITLE)


def wait_no_game_window(timeout):
    deadline = time.monotonic() + timeout
    while game_windows():
        if time.monotonic() > deadline:
            raise TestFailure("a game window is still there %d s after the kill" % timeout)
        time.sleep(0.1)


def watch_pair(games, reader, timeout):
    """Follows two games started together until one has ended after its box while the other
    shows its window, or both show a window; returns the most game windows seen at once."""
    most = 0
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        windows = len(game_windows())
        most = max(most, windows)
        ended = [game for game in games if not game.running()]
        if windows >= 2 or len(ended) == 2 or (ended and windows and reader.poll() is not None):
            break
        time.sleep(0.1)
    return most


def start_pair(run, number, delay):
    """Starts two games `delay` s apart and judges them; the survivor is then killed. Returns
    whether both games ran."""
    report = os.path.join(run.work, "box-%d.txt" % number)
    # The probe waits for the box before the games start, as a player would already be looking.
    reader = run.build.probe.start_box_reader(report, 30000)
    run.processes.append(_ProbeHandle(reader))
    games = [run.start_game()]
    time.sleep(delay)
    games.append(run.start_game())
    label = "pair %d (%.1f s apart%s)" % (number, delay, ", after a kill" if number > 1 else "")
    most = watch_pair(games, reader, 40)
    both_ran = most >= 2
    if not both_ran:
        ended = [game for game in games if not game.running()]
        codes = [game.wait_exit(0) for game in ended]
        run.check(
            len(ended) == 1 and codes == [0] and len(game_windows()) == 1,
            "%s: one game window, the other game exits with 0" % label,
            "%d ended with codes %s, %d game windows" % (len(ended), codes, len(game_windows())),
        )
        try:
            reader.wait(timeout=20)
        except subprocess.TimeoutExpired:
            pass
        texts = game_session.read_box_report(report)[1] if os.path.exists(report) else None
        run.check(
            texts == [SECOND_INSTANCE_TEXT],
            "%s: the other game's box says %s" % (label, SECOND_INSTANCE_TEXT),
            str(texts),
        )
    else:
        print("%s: both games ran (%d windows)" % (label, most), flush=True)
    for game in games:
        game.kill()
    _ProbeHandle(reader).kill()
    wait_no_game_window(20)
    return both_ran


def scenario_simultaneous_starts(run):
    both = {delay: 0 for delay in DELAYS}
    for number, delay in enumerate(PAIR_DELAYS, 1):
        both[delay] += start_pair(run, number, delay)
    for delay in DELAYS:
        print(
            "%.1f s apart: both games ran in %d of %d pairs"
            % (delay, both[delay], PAIR_DELAYS.count(delay)),
            flush=True,
        )
    run.check(
        sum(both.values()) == 0,
        "never two games: exactly one window in every one of %d pairs" % len(PAIR_DELAYS),
        "both ran in %d pairs" % sum(both.values()),
    )


def settled_box(run, timeout):
    """The second game's box, grabbed once two screenshots 0.3 s apart show it the same."""
    deadline = time.monotonic() + timeout
    previous = None
    while time.monotonic() < deadline:
        boxes = game_session.other_visible_windows(run.window)
        if boxes:
            left, top, width, height = boxes[0][2]
            frame = screen_capture.grab_screen().crop(left, top, width, height)
            if previous is not None and (previous.width, previous.rgb) == (frame.width, frame.rgb):
                return frame
            previous = frame
        time.sleep(0.3)
    raise TestFailure("no settled message box within %d s" % timeout)


def scenario_legible_box(run):
    first = run.start_game()
    run.attach(first)
    second = run.start_game()
    box = settled_box(run, 40)
    box.save_png(os.path.join(run.shots_dir, "second-instance-box.png"))
    problems = box_text.glyph_problems(box, len(SECOND_INSTANCE_TEXT))
    run.check(
        not problems,
        "the box shows %d different characters, not empty squares" % len(SECOND_INSTANCE_TEXT),
        "; ".join(problems),
    )
    report = os.path.join(run.work, "box.txt")
    code = run.build.probe.run(["box", "20000", game_session.wine_path(report)], 60)
    run.check(code == 0, "the probe reads and closes the box", "probe exit %s" % code)
    if code == 0:
        with open(report, encoding="utf-8") as f:
            print(f.read().strip(), flush=True)
        run.check(
            game_session.read_box_report(report)[1] == [SECOND_INSTANCE_TEXT],
            "the box says %s" % SECOND_INSTANCE_TEXT,
        )
    run.expect_exit(second, "the second game")
    run.check(run.build.close_game(run.window), "the probe closes the first game")
    run.expect_exit(first, "the first game")


SCENARIOS = {
    "simultaneous_starts": scenario_simultaneous_starts,
    "legible_box": scenario_legible_box,
}

if __name__ == "__main__":
    sys.exit(e2e_game.main(SCENARIOS, {}, __doc__))
