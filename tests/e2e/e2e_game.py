#!/usr/bin/env python3
"""End-to-end tests of the real game, the Windows build under Wine or the SDL build natively:
the game is started, driven with keys as a player drives it, and judged by known pixels of its
window, its message boxes and its exit code.

  e2e_game.py SCENARIO --build wine --game kokurin.exe --probe kokurin_win32_probe.exe --shots DIR
  e2e_game.py SCENARIO --build native --game kokurin --shots DIR

Scenarios of both builds: title_screen, other_folder, match_vs_computer, hint_and_close,
second_instance, full_match; of the SDL build also stale_lock, resize, close_during_hint,
missing_data, no_display. Run the Wine build inside tools/wine/wine-session.sh, the SDL build
inside tools/xvfb-session.sh. Every wait has a time limit, so a message box that stops the
game, or a hung game, fails the test; every process started here is killed by its id at the
end. Each screenshot taken is kept as a PNG of the game's 640 x 480 picture under
DIR/SCENARIO.
"""

import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(
    0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "portraits")
)

import game_session  # noqa: E402
import hint_oracle  # noqa: E402
import roster  # noqa: E402
import screen_capture  # noqa: E402
import screen_checks  # noqa: E402
from game_session import TestFailure, press  # noqa: E402

ROSTER_PORTRAITS = roster.pictures()

# Player 1's movement keys and the cursor step each makes.
MOVE_KEYS = {"a": (-1, 0), "d": (1, 0), "w": (0, -1), "s": (0, 1)}


class Run:
    """One scenario's processes, screenshots and results."""

    def __init__(self, args):
        self.args = args
        self.data_dir = args.data or os.path.join(
            os.path.dirname(os.path.abspath(args.game)), "data"
        )
        self.shots_dir = os.path.join(args.shots, args.scenario)
        shutil.rmtree(self.shots_dir, ignore_errors=True)
        os.makedirs(self.shots_dir)
        self.work = tempfile.mkdtemp(prefix="kokurin-e2e.")
        self.build = args.build_driver
        self.log_path = os.path.join(self.work, self.build.log_name)
        self.processes = []
        self.window = None
        self.pending_shots = []
        self.shot_count = 0
        self.failures = []
        self.bitmaps = {}
        self.started = time.monotonic()

    # -- bookkeeping

    def ok(self, message):
        print("ok: %s (%.1f s)" % (message, time.monotonic() - self.started), flush=True)

    def check(self, condition, message, detail=""):
        if condition:
            self.ok(message)
        else:
            self.failures.append(message + (": " + detail if detail else ""))
            print("FAIL: %s%s" % (message, ": " + detail if detail else ""), flush=True)

    def bitmap(self, name):
        if name not in self.bitmaps:
            self.bitmaps[name] = screen_capture.Bitmap(os.path.join(self.data_dir, name))
        return self.bitmaps[name]

    # -- processes

    def start_game(self, exe=None, cwd=None, **options):
        game = self.build.start(exe or self.args.game, cwd or self.work, self.log_path, **options)
        self.processes.append(game)
        return game

    def attach(self, game):
        """Finds the game's window, checks where it was put and gives it the keyboard."""
        self.window = self.build.find_window(game, 60)
        problem = self.build.placement_problem(self.window)
        self.check(
            problem is None,
            "window %d x %d at (%d, %d)"
            % (self.window.width, self.window.height, self.window.left, self.window.top),
            problem or "",
        )
        game_session.focus(self.window)

    def log_text(self):
        self.flush()
        for game in self.processes:
            if isinstance(game, game_session.GameProcess):
                game.log.flush()
        with open(self.log_path, errors="replace") as f:
            return f.read()

    def expect_exit(self, game, label, timeout=20):
        code = game.wait_exit(timeout)
        self.check(code == 0, "%s: the game exits with code 0" % label, "exit code %s" % code)
        return code

    # -- screenshots

    def grab(self, label):
        """The client area now; kept for saving (see flush)."""
        if self.window is None:
            raise TestFailure("no game window to look at")
        frame = game_session.grab_client(self.window)
        self.shot_count += 1
        self.pending_shots.append((self.shot_count, label, frame))
        return frame

    def flush(self):
        """Writes the screenshots taken so far; kept out of the loops that must be quick."""
        for number, label, frame in self.pending_shots:
            frame.save_png(os.path.join(self.shots_dir, "%03d-%s.png" % (number, label)))
        self.pending_shots = []

    def wait_for(self, label, problems_of, timeout):
        """Takes screenshots until problems_of(frame) finds nothing wrong; fails with the last
        problems found (and any message box in the way) when the time is up."""
        deadline = time.monotonic() + timeout
        problems = ["no screenshot taken"]
        while True:
            frame = self.grab(label)
            problems = problems_of(frame)
            if not problems:
                self.flush()
                return frame
            if time.monotonic() > deadline:
                break
            time.sleep(0.1)
        self.flush()
        boxes = game_session.other_visible_windows(self.window)
        detail = "; ".join(problems[:8])
        if boxes:
            detail += "; windows in the way: %s" % boxes
        raise TestFailure("%s not seen within %d s: %s" % (label, timeout, detail))

    def finish(self):
        self.flush()
        for game in self.processes:
            game.kill()
        if self.failures and os.path.exists(self.log_path):
            with open(self.log_path, errors="replace") as f:
                lines = [line for line in f.read().splitlines() if not line.startswith("ALSA")]
            if lines:
                print("--- %s" % self.build.log_name, file=sys.stderr)
                print("\n".join(lines[-30:]), file=sys.stderr)
        shutil.rmtree(self.work, ignore_errors=True)


# ---- Screens -----------------------------------------------------------------------------


def title_problems(run, selected):
    portrait = ROSTER_PORTRAITS[selected]
    bitmap = run.bitmap(portrait)

    def problems_of(frame):
        return (
            screen_checks.roster_problems(frame, selected)
            + screen_checks.portrait_problems(frame, 300, 100, bitmap, portrait)
            + screen_checks.help_problems(frame)
        )

    return problems_of


def wait_title(run, selected, label, timeout=20):
    frame = run.wait_for(label, title_problems(run, selected), timeout)
    run.ok(
        "title screen: entry %d white, the others grey, portrait %s, help lines"
        % (selected, ROSTER_PORTRAITS[selected])
    )
    return frame


def start_match(run, selected, label):
    """SPACE on the title screen; returns the first match frame that shows everything."""
    press("space")
    portrait = ROSTER_PORTRAITS[selected]
    bitmap = run.bitmap(portrait)

    def problems_of(frame):
        problems = screen_checks.match_problems(frame, bitmap, portrait)
        if not screen_checks.dark_box(frame, 0, 410, 640, 440):
            problems.append("queue glyphs at the start of a match")
        return problems

    frame = run.wait_for(label, problems_of, 20)
    run.ok("match screen: 36 coloured glyphs, full bars, timer, caption, portrait %s" % portrait)
    return frame


def ring_steps(start, end):
    """The movement keys that take the cursor from one cell to another by the shortest way
    round the 6 x 6 ring."""
    keys = []
    for axis, (minus, plus) in enumerate((("a", "d"), ("w", "s"))):
        delta = (end[axis] - start[axis]) % 6
        keys += [plus] * delta if delta <= 3 else [minus] * (6 - delta)
    return keys


def ring_distance(p, q):
    """Cursor steps between two cells on the 6 x 6 ring."""
    return sum(min((a - b) % 6, (b - a) % 6) for a, b in zip(p, q))


def travels_columns_first(path):
    """True when a cursor's successive cells change column only until its row first
    changes: the computer settles the column before the row."""
    row_moved = False
    for before, after in zip(path, path[1:]):
        if after[1] != before[1]:
            row_moved = True
        if after[0] != before[0] and row_moved:
            return False
    return True


def choose_exchange(board, cursor):
    """Two cells of different elements whose exchange forms no line (so the board afterwards
    is exactly the board with the two swapped), reachable with the fewest key presses."""
    best = None
    for a in range(36):
        for b in range(36):
            if a == b or board[a] == board[b]:
                continue
            if hint_oracle.lines_after_swap(board, a, b):
                continue
            cells_a, cells_b = (a % 6, a // 6), (b % 6, b // 6)
            cost = len(ring_steps(cursor, cells_a)) + len(ring_steps(cells_a, cells_b))
            if best is None or cost < best[0]:
                best = (cost, cells_a, cells_b)
    if best is None:
        raise TestFailure(
            "no exchange without a line on board %s" % screen_checks.board_text(board)
        )
    return best[1], best[2]


# ---- Scenarios ---------------------------------------------------------------------------


def scenario_title_screen(run):
    game = run.start_game()
    run.attach(game)
    wait_title(run, 0, "title")
    if run.window.scale > 1:
        shown = screen_capture.grab_screen().crop(
            run.window.left, run.window.top, run.window.width, run.window.height
        )
        run.check(
            shown.squares_uniform(run.window.scale),
            "every game pixel is a crisp %d x %d square" % (run.window.scale, run.window.scale),
        )
    press("s")
    wait_title(run, 1, "title-s")
    press("w")
    wait_title(run, 0, "title-w")
    press("w")
    wait_title(run, 15, "title-w-wraps")
    press("s")
    wait_title(run, 0, "title-s-wraps")
    press("Escape")
    run.expect_exit(game, "ESC on the title screen")
    run.check(
        not run.build.game_windows(),
        "the window is gone after ESC",
    )


def scenario_other_folder(run):
    folder = os.path.join(run.work, "剋輪闘 テスト", "五行のゲーム")
    os.makedirs(folder)
    exe = game_session.copy_game(run.args.game, folder, run.build.executable_name())
    shutil.copytree(run.data_dir, os.path.join(folder, "data"))
    # The copy is what the test reads portraits from too.
    run.data_dir = os.path.join(folder, "data")
    game = run.start_game(exe=exe, cwd="/")
    run.attach(game)
    wait_title(run, 0, "title-from-root")
    run.ok("started from / in %s, the portrait loads" % folder)
    press("s")
    wait_title(run, 1, "title-from-root-s")
    run.check(run.build.close_game(run.window), "the window is asked to close")
    run.expect_exit(game, "closing the window on the title screen")


def scenario_match_vs_computer(run):
    game = run.start_game()
    run.attach(game)
    wait_title(run, 0, "title")
    press("s")
    wait_title(run, 1, "title-eee")
    first = start_match(run, 1, "match-start")
    caption_1p = screen_checks.caption_bytes(first)
    marks = screen_checks.cell_marks(first)
    run.check(marks == {(0, 0): "orange"}, "the cursor starts at column 0, row 0", str(marks))

    # Player 1 exchanges two cells with the keys: move, select, move, select.
    board = screen_checks.read_board(first)
    cell_a, cell_b = choose_exchange(board, (0, 0))
    print("board %s; exchanging %s and %s" % (screen_checks.board_text(board), cell_a, cell_b))
    for key in ring_steps((0, 0), cell_a):
        press(key)
    press("space")
    for key in ring_steps(cell_a, cell_b):
        press(key)
    selecting = run.grab("match-selected")
    marks = screen_checks.cell_marks(selecting)
    run.check(
        marks == {cell_a: "blue", cell_b: "orange"},
        "the selected cell is marked blue and the cursor orange",
        str(marks),
    )
    press("space", after=0)
    index_a, index_b = cell_a[1] * 6 + cell_a[0], cell_b[1] * 6 + cell_b[0]
    expected = list(board)
    expected[index_a], expected[index_b] = expected[index_b], expected[index_a]

    # The computer's turn: watched until the caption reads 1P again.
    computer_frames = []
    back_to_player_1 = None
    deadline = time.monotonic() + 30
    while time.monotonic() < deadline:
        frame = run.grab("computer-turn")
        if screen_checks.caption_shown(frame):
            if screen_checks.caption_bytes(frame) != caption_1p:
                computer_frames.append(frame)
            elif computer_frames:
                back_to_player_1 = frame
                # ESC at once, while player 1's five seconds last: the frames are judged after.
                press("Escape")
                break
        time.sleep(0.03)
    if not computer_frames:
        run.flush()
        raise TestFailure("the caption never changed after player 1's exchange")
    run.ok("the caption changes for the computer's turn (%d frames seen)" % len(computer_frames))

    boards = [screen_checks.read_board(f) for f in computer_frames]
    complete = [b for b in boards if None not in b]
    run.check(
        bool(complete) and complete[0] == expected,
        "after the exchange the two cells hold each other's elements, the rest is unchanged",
        "%s, expected %s"
        % (
            screen_checks.board_text(complete[0]) if complete else "none",
            screen_checks.board_text(expected),
        ),
    )
    states = []
    for f in computer_frames:
        state = tuple(sorted(screen_checks.cell_marks(f).items()))
        if state and (not states or states[-1] != state):
            states.append(state)
    print("computer's marks: %s" % states)
    oranges = [dict(s) for s in states if "orange" in dict(s).values()]
    run.check(bool(oranges), "the computer's orange cursor square is drawn")
    if oranges:
        first_orange = [cell for cell, colour in oranges[0].items() if colour == "orange"][0]
        run.check(
            ring_distance(first_orange, cell_b) <= 1,
            "the computer's cursor starts where player 1 left it",
            "first seen at %s, player 1 left it at %s" % (first_orange, cell_b),
        )
    run.check(len(states) >= 2, "the computer's cursor and mark move", str(states))
    path = [cell for cell, colour in (c for s in states for c in s) if colour == "orange"]
    run.check(
        travels_columns_first(path),
        "the computer's cursor settles its column before its row",
        str(path),
    )
    blues = [cell for s in states for cell, colour in s if colour == "blue"]
    run.check(
        travels_columns_first(blues),
        "the computer's blue mark settles its column before its row",
        str(blues),
    )
    if blues and path:
        run.check(
            ring_distance(blues[0], path[-1]) <= 1,
            "the blue mark rises where the orange cursor stopped",
            "mark first at %s, cursor at %s" % (blues[0], path[-1]),
        )
    run.check(back_to_player_1 is not None, "the turn comes back to player 1 (caption 1P again)")
    run.flush()

    # ESC (pressed as player 1's turn began) left the match; the title keeps the selection and
    # the picture.
    wait_title(run, 1, "title-after-match")
    press("Escape")
    run.expect_exit(game, "ESC on the title screen after a match")


# The SDL game's own box: its panel's colour over the middle of the picture.
GAME_BOX_PANEL = (0x18, 0x24, 0x36)


def game_box_problems(frame):
    """What keeps the frame from showing the game's own box (the SDL game's hint)."""
    panel = sum(1 for p in frame.pixels(220, 200, 420, 280)
                if tuple(int(c) for c in p[:3]) == GAME_BOX_PANEL)
    return [] if panel > 4000 else ["no box of the game's own in the middle (%d pixels)" % panel]


def click(run, x, y):
    """A click of the mouse's first button on the game's pixel (x, y)."""
    window = run.window
    screen_x = window.left + x * window.scale + window.scale // 2
    screen_y = window.top + y * window.scale + window.scale // 2
    game_session.run_tool(["xdotool", "mousemove", "--sync", str(screen_x), str(screen_y)])
    game_session.run_tool(["xdotool", "click", "1"])


def scenario_hint_and_close(run):
    game = run.start_game()
    run.attach(game)
    wait_title(run, 0, "title")
    frame = start_match(run, 0, "match-two-humans")
    board = screen_checks.read_board(frame)
    expected = hint_oracle.best_hint(board)
    print("board %s; the best exchange is %s" % (screen_checks.board_text(board), expected))

    if run.build.name == "native":
        # The SDL game draws the hint in a box of its own over the match, in its window: no
        # other window comes, the game waits while it is open, and a click closes it.
        press("h")
        run.wait_for("hint-box", game_box_problems, 30)
        run.check(not game_session.other_visible_windows(run.window),
                  "the hint is drawn in the game's window, no other window")
        # The timer shows hundredths: every screenshot over half a second shows the same.
        before = screen_checks.timer_bytes(run.grab("hint-box-open"))
        changed = 0
        shots = 0
        watched_from = time.monotonic()
        while time.monotonic() - watched_from < 0.5 or shots < 3:
            shots += 1
            frame = run.grab("hint-box-still-open")
            changed += 1 if screen_checks.timer_bytes(frame) != before or game_box_problems(
                frame) else 0
        run.check(changed == 0, "the game waits while its hint box is open",
                  "%d of %d screenshots differ" % (changed, shots))
        click(run, 320, 240)
        run.wait_for("hint-box-closed", lambda f: [] if game_box_problems(f) else ["box open"],
                     10)
        run.ok("a click closes the hint box")
    else:
        report = os.path.join(run.work, "hint-box.txt")
        watcher = run.build.watch_box(report, 40000)
        run.processes.append(watcher)
        press("h")
        deadline = time.monotonic() + 30
        boxes = []
        while time.monotonic() < deadline and watcher.pending():
            boxes = game_session.other_visible_windows(run.window)
            if boxes:
                run.grab("hint-box")
                break
            time.sleep(0.1)
        run.check(bool(boxes), "H opens a window over the game", str(boxes))
        if not run.build.answers_boxes_itself:
            # Modal: the game draws no frame while its box is open.
            before = screen_checks.timer_bytes(run.grab("hint-box-open"))
            time.sleep(0.5)
            still = screen_checks.timer_bytes(run.grab("hint-box-still-open"))
            run.check(before == still, "the game waits while the hint box is open")
        texts = watcher.finish(run.window)
        run.ok("the hint box is answered")
        if texts is not None:
            run.check(texts == [expected], "the hint box reads %s" % expected, str(texts))

    # The game goes on once the box is closed: the timer counts again.
    before = screen_checks.timer_bytes(run.grab("after-hint"))
    run.wait_for(
        "after-hint-timer",
        lambda f: [] if screen_checks.timer_bytes(f) != before else ["the timer is still"],
        10,
    )
    run.ok("frames are drawn again after the hint box is closed")
    leftover = game_session.other_visible_windows(run.window)
    run.check(not leftover, "no window left over the game", str(leftover))

    run.check(run.build.close_game(run.window), "the window is asked to close mid-match")
    run.expect_exit(game, "closing the window mid-match")
    run.check(run.build.game_gone(5000), "the window is gone")


def scenario_second_instance(run):
    first = run.start_game()
    run.attach(first)
    wait_title(run, 0, "title")
    report = os.path.join(run.work, "second-box.txt")
    watcher = run.build.watch_box(report, 30000)
    run.processes.append(watcher)
    second = run.start_game()
    texts = watcher.finish(run.window)
    run.ok("the second instance shows a message box")
    if texts is not None:
        run.check(texts == ["多重起動ですよ！"], "the box says 多重起動ですよ！", str(texts))
    run.expect_exit(second, "the second instance")
    run.check(first.running(), "the first instance keeps running")
    run.check(
        run.build.game_windows() == [run.window.window_id],
        "only the first instance's window exists",
    )
    game_session.focus(run.window)
    press("s")
    wait_title(run, 1, "first-instance-still-plays")
    press("Escape")
    run.expect_exit(first, "ESC on the first instance")


def scenario_full_match(run):
    """A whole match against クイルマーシュ (entry 14) with player 1 never moving: every turn of
    player 1 times out, the computer's stock strikes it, and the winner screen names 2P; SPACE
    goes back to the title with the same entry, ESC ends the game."""
    game = run.start_game()
    run.attach(game)
    wait_title(run, 0, "title")
    press("w")
    wait_title(run, 15, "title-peekus")
    press("w")
    wait_title(run, 14, "title-quillmarsh")
    start_match(run, 14, "match-start")

    def winner_problems(frame):
        if not screen_checks.winner_text_shown(frame):
            return ["no winner text at (240, 400)"]
        return []

    # About 85 s of game time; a loaded machine draws fewer frames a second.
    frame = run.wait_for("winner", winner_problems, 280)
    run.check(
        not screen_checks.bar_present(frame, 0) and screen_checks.bar_present(frame, 1),
        "the winner screen: player 1's bar is gone, player 2's is there (2Pのかち)",
    )
    # The winner screen stays until a key: the same text a moment later.
    time.sleep(0.5)
    later = run.grab("winner-stays")
    run.check(screen_checks.winner_text_shown(later), "the winner screen waits for a key")
    press("space")
    wait_title(run, 14, "title-after-match")
    press("Escape")
    run.expect_exit(game, "ESC on the title screen after the match")


# ---- Scenarios of the SDL build --------------------------------------------------------------


def scenario_replays(run):
    """A match the SDL game played is saved as a replay that kokurin-sim plays to the end with
    every hash agreeing; `kokurin --replay` watches a replay kokurin-sim recorded (8 times as
    fast) and exits 0, and exits 3 with a message for a damaged one."""
    sim = os.path.join(os.path.dirname(run.args.game), "tools", "sim", "kokurin-sim")
    folder = os.path.join(os.environ["XDG_DATA_HOME"], "kokurin", "replays")
    game = run.start_game()
    run.attach(game)
    wait_title(run, 0, "title")
    press("s")
    wait_title(run, 1, "title-entry-1")
    start_match(run, 1, "match-start")
    time.sleep(1.0)
    press("Escape")
    wait_title(run, 1, "title-after-escape")
    press("Escape")
    run.expect_exit(game, "ESC on the title screen")
    saved = sorted(os.listdir(folder)) if os.path.isdir(folder) else []
    run.check(len(saved) == 1 and saved[0].endswith(".kkr"), "one replay saved", str(saved))
    if saved:
        played = subprocess.run([sim, "--replay", os.path.join(folder, saved[0])],
                                capture_output=True, text=True, timeout=60)
        run.check(played.returncode == 0 and '"reason":"escape"' in played.stdout,
                  "kokurin-sim plays the game's replay to its ESC", played.stderr[-300:])

    recorded = os.path.join(run.work, "sim.kkr")
    made = subprocess.run([sim, "--seed", "3", "--opponent", "6", "--max-polls", "900",
                           "--record", recorded], capture_output=True, timeout=60)
    run.check(made.returncode == 0, "kokurin-sim records a replay")
    code = subprocess_exit(run, [run.args.game, "--replay", recorded, "--speed", "8"], 60)
    run.check(code == 0, "kokurin --replay watches it to its end and exits 0", "exit %s" % code)
    damaged = os.path.join(run.work, "damaged.kkr")
    with open(recorded, "rb") as f:
        data = bytearray(f.read())
    data[len(data) // 2] ^= 0x10
    with open(damaged, "wb") as f:
        f.write(data)
    out = subprocess.run([run.args.game, "--replay", damaged], capture_output=True, text=True,
                         timeout=30, cwd=run.work)
    run.check(out.returncode == 3 and "damaged" in out.stderr,
              "a damaged replay: exit 3 and a message", "%s %s" % (out.returncode, out.stderr[-200:]))


def subprocess_exit(run, command, timeout):
    try:
        return subprocess.run(command, capture_output=True, timeout=timeout, cwd=run.work).returncode
    except subprocess.TimeoutExpired:
        return "timeout"


def scenario_stale_lock(run):
    """A lock file left by a run that crashed does not keep the game from starting."""
    lock = os.path.join(os.environ["XDG_RUNTIME_DIR"], "kokurin.lock")
    with open(lock, "w") as f:
        f.write("left over by a run that crashed\n")
    game = run.start_game()
    run.attach(game)
    wait_title(run, 0, "title-despite-stale-lock")
    press("Escape")
    run.expect_exit(game, "ESC on the title screen")


def scenario_resize(run):
    """The window resized: the picture keeps the largest whole-number scale that fits, centred
    between black bars."""
    game = run.start_game()
    run.attach(game)
    wait_title(run, 0, "title")
    windowed = run.window
    for width, height, scale in ((1200, 1000, 1), (1280, 1000, 2), (700, 600, 1)):
        window_id = str(windowed.window_id)
        game_session.run_tool(["xdotool", "windowmove", "--sync", window_id, "0", "0"])
        game_session.run_tool(
            ["xdotool", "windowsize", "--sync", window_id, str(width), str(height)]
        )
        geometry = game_session.window_geometry(windowed.window_id)
        run.check(
            geometry is not None and tuple(geometry[2:4]) == (width, height),
            "the window is resized to %d x %d" % (width, height),
            str(geometry),
        )
        left = geometry[0] + (width - 640 * scale) // 2
        top = geometry[1] + (height - 480 * scale) // 2
        run.window = game_session.GameWindow(windowed.window_id, left, top, 640, 480, scale)
        label = "title-%dx%d" % (width, height)
        wait_title(run, 0, label)
        shown = screen_capture.grab_screen().crop(geometry[0], geometry[1], width, height)
        bars = [
            (0, 0, width, top - geometry[1]),
            (0, 0, left - geometry[0], height),
            (left - geometry[0] + 640 * scale, 0, width, height),
            (0, top - geometry[1] + 480 * scale, width, height),
        ]
        run.check(
            all(screen_checks.dark_box(shown, *bar) for bar in bars),
            "%d x %d: the picture at %d x, black around it" % (width, height, scale),
        )
    press("Escape")
    run.expect_exit(game, "ESC on the title screen")


def scenario_close_during_hint(run):
    """The window closed while the hint box (the game's own, in its window) is open: the box
    closes and the game ends, drawing nothing more, with exit code 0."""
    game = run.start_game()
    run.attach(game)
    wait_title(run, 0, "title")
    start_match(run, 0, "match-two-humans")
    press("h")
    run.wait_for("hint-box", game_box_problems, 30)
    run.check(run.build.close_game(run.window), "the window is asked to close under the box")
    run.expect_exit(game, "closing the window during the hint box")


def scenario_missing_data(run):
    """Without its font and pictures the game says which font file is missing, once, on stderr
    and in a box, then draws its texts in a system font; the pictures stay black."""
    folder = os.path.join(run.work, "bare")
    os.makedirs(os.path.join(folder, "data"))
    exe = game_session.copy_game(run.args.game, folder, run.build.executable_name())
    watcher = run.build.watch_box(os.path.join(run.work, "font-box.txt"), 30000)
    game = run.start_game(exe=exe, cwd="/")
    run.attach(game)
    watcher.finish(run.window)
    run.ok("a box tells of the missing font")
    game_session.focus(run.window)

    def problems_of(frame):
        problems = screen_checks.roster_problems(frame, 0) + screen_checks.help_problems(frame)
        if not screen_checks.dark_box(frame, 300, 100, 428, 228):
            problems.append("the missing portrait's square is not black")
        return problems

    run.wait_for("title-in-a-system-font", problems_of, 20)
    run.ok("the roster and help lines are drawn, the portrait's square stays black")
    press("s")
    run.wait_for(
        "title-s-in-a-system-font", lambda frame: screen_checks.roster_problems(frame, 1), 20
    )
    run.check(game.running(), "the game runs on")
    press("Escape")
    run.expect_exit(game, "ESC on the title screen without the font")
    log = run.log_text()
    for name in ("data/ZUDEV.TTF", "data/mira.bmp", "data/eee.bmp"):
        run.check(name in log, "stderr names %s" % name, log[-400:])
    run.check(
        log.count("ゲームのフォント data/ZUDEV.TTF が見つかりません") == 1
        and log.count("The game's font data/ZUDEV.TTF is missing") == 1
        and log.count("cmake --build --preset native") == 2,
        "the box's text, also on stderr once, names the font file and how to get it back",
        log[-800:],
    )


def scenario_no_display(run):
    """Without a display the game says why on stderr and ends with a code that is not 0."""
    env = dict(os.environ)
    for name in ("DISPLAY", "WAYLAND_DISPLAY"):
        env.pop(name, None)
    game = run.start_game(env=env)
    code = game.wait_exit(20)
    run.check(code not in (None, 0), "the game ends with a code that is not 0", str(code))
    log = run.log_text()
    run.check("起動できません" in log, "stderr says the game cannot start", log[-400:])


def scenario_command_line(run):
    """--help and --version answer and exit 0; an unknown option or a stray argument is refused
    with the usage and exit 2, in the game's language, before any window opens."""

    def ask(*args):
        try:
            done = subprocess.run(run.build.command(run.args.game, list(args)),
                                  capture_output=True, timeout=60, cwd=run.work)
        except subprocess.TimeoutExpired:
            raise TestFailure("kokurin %s did not answer within 60 s" % " ".join(args))
        return (done.returncode, done.stdout.decode("utf-8", "replace"),
                done.stderr.decode("utf-8", "replace"))

    code, out, _ = ask("--version")
    run.check((code, out.replace("\r\n", "\n")) == (0, "kokurin 1.0.0\n"),
              "--version prints the version and exits 0", "%s %r" % (code, out[-200:]))
    code, out, _ = ask("--lang", "en", "--help")
    run.check(code == 0 and out.startswith("usage: kokurin") and "--server URL" in out,
              "--help prints the usage and exits 0", "%s %r" % (code, out[-300:]))
    for args in (["--lang", "en", "--srever", "ws://h/"], ["--lang", "en", "replay.kkr"]):
        code, out, err = ask(*args)
        run.check(code == 2 and "unknown option '%s'" % args[2] in err and "usage: kokurin" in err
                  and out == "", "%s is refused with the usage on stderr, exit 2" % args[2],
                  "%s %r" % (code, err[-300:]))
    code, _, err = ask("--lang", "ja", "--srever")
    run.check(code == 2 and "使い方" in err, "the refusal in Japanese with --lang ja",
              "%s %r" % (code, err[-300:]))
    run.check(not run.build.game_windows() and
              not run.build.game_windows(game_session.ENGLISH_WINDOW_TITLE),
              "no window was opened")


def english_title_problems(frame):
    """What is missing from the English title: the five phases' ring right of the portrait,
    each symbol in its colour."""
    box = frame.pixels(456, 60, 628, 212)
    colours = {
        "火 red": lambda r, g, b: r > 200 and g < 60 and b < 60,
        # Brighter than the arrows' grey (192); Wine's glyphs peak a little above 210.
        "金 white": lambda r, g, b: min(r, g, b) > 205,
        "木 green": lambda r, g, b: g > 200 and r < 60 and b < 60,
        "土 yellow": lambda r, g, b: r > 200 and g > 200 and b < 60,
        "水 blue": lambda r, g, b: b > 200 and r < 60 and g < 60,
    }
    return ["no %s in the ring" % name for name, test in colours.items()
            if not any(test(*p) for p in box)]


def scenario_languages(run):
    """Without --lang the game is English unless the system is Japanese, its window title
    too; the English title shows the five phases' ring."""
    plain = dict(os.environ, LANG="C.UTF-8")
    for name in ("LC_ALL", "LC_MESSAGES", "LANGUAGE"):
        plain.pop(name, None)
    game = run.start_game(env=plain, pin=False)
    run.window = run.build.find_window(game, 60, game_session.ENGLISH_WINDOW_TITLE)
    run.ok("LANG=C.UTF-8: the window is titled %s" % game_session.ENGLISH_WINDOW_TITLE)
    game_session.focus(run.window)
    run.wait_for("english-title", english_title_problems, 20)
    run.ok("the English title shows the five phases' ring")
    press("Escape")
    run.expect_exit(game, "ESC on the English title")

    japanese = dict(plain, LANG="ja_JP.UTF-8")
    if run.args.build == "wine":
        # Wine takes the user's language from the C library's locale, which must exist: one is
        # made for this run (the machine may have no Japanese locale generated).
        locales = os.path.join(run.work, "locale")
        os.makedirs(locales, exist_ok=True)
        subprocess.run(["localedef", "-i", "ja_JP", "-f", "UTF-8",
                        os.path.join(locales, "ja_JP.UTF-8")], capture_output=True, timeout=120)
        run.check(os.path.isdir(os.path.join(locales, "ja_JP.UTF-8")), "a ja_JP.UTF-8 locale made")
        japanese["LOCPATH"] = locales
    game = run.start_game(env=japanese, pin=False)
    run.window = run.build.find_window(game, 60)
    run.ok("LANG=ja_JP.UTF-8: the window is titled %s" % game_session.WINDOW_TITLE)
    game_session.focus(run.window)
    wait_title(run, 0, "japanese-title")
    press("Escape")
    run.expect_exit(game, "ESC on the Japanese title")


SCENARIOS = {
    "title_screen": scenario_title_screen,
    "other_folder": scenario_other_folder,
    "match_vs_computer": scenario_match_vs_computer,
    "hint_and_close": scenario_hint_and_close,
    "second_instance": scenario_second_instance,
    "full_match": scenario_full_match,
    "command_line": scenario_command_line,
    "languages": scenario_languages,
}
NATIVE_SCENARIOS = {
    "replays": scenario_replays,
    "stale_lock": scenario_stale_lock,
    "resize": scenario_resize,
    "close_during_hint": scenario_close_during_hint,
    "missing_data": scenario_missing_data,
    "no_display": scenario_no_display,
}


def main(shared=SCENARIOS, native_only=NATIVE_SCENARIOS, description=__doc__):
    """Runs one scenario: those of `shared` on either build, those of `native_only` on the
    native one."""
    SCENARIOS, NATIVE_SCENARIOS = shared, native_only
    parser = argparse.ArgumentParser(description=description.splitlines()[0])
    parser.add_argument("scenario", choices=sorted(list(SCENARIOS) + list(NATIVE_SCENARIOS)))
    parser.add_argument("--build", choices=("wine", "native"), default="wine")
    parser.add_argument("--game", required=True, help="kokurin.exe or the SDL game")
    parser.add_argument("--probe", help="kokurin_win32_probe.exe (the Wine build)")
    parser.add_argument("--data", help="the data folder (default: beside the game)")
    parser.add_argument("--shots", required=True, help="folder for the screenshots")
    args = parser.parse_args()
    args.game = os.path.abspath(args.game)
    args.shots = os.path.abspath(args.shots)
    if args.data:
        args.data = os.path.abspath(args.data)
    if args.build == "wine":
        if not args.probe or args.scenario not in SCENARIOS:
            parser.error("the Wine build needs --probe and runs only %s" % sorted(SCENARIOS))
        if not os.environ.get("WINEPREFIX") or not os.environ.get("DISPLAY"):
            print("run inside tools/wine/wine-session.sh", file=sys.stderr)
            return 2
        args.build_driver = game_session.WineBuild(os.path.abspath(args.probe))
    else:
        if not os.environ.get("DISPLAY") or not os.environ.get("XDG_RUNTIME_DIR"):
            print("run inside tools/xvfb-session.sh", file=sys.stderr)
            return 2
        args.build_driver = game_session.NativeBuild()

    # A timeout's SIGTERM still ends the game that was started.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    run = Run(args)
    try:
        scenarios = dict(SCENARIOS, **NATIVE_SCENARIOS)
        scenarios[args.scenario](run)
    except (TestFailure, screen_capture.CaptureError) as failure:
        run.failures.append(str(failure))
        print("FAIL: %s" % failure, flush=True)
    finally:
        run.finish()
    print(
        "%s: %.1f s, %d screenshots in %s"
        % (args.scenario, time.monotonic() - run.started, run.shot_count, run.shots_dir)
    )
    if run.failures:
        print("%d failed: %s" % (len(run.failures), "; ".join(run.failures)), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
