"""Running the real game under Wine for the end-to-end tests: starting it, finding its window
on the X screen, pressing keys the way a player does, reading and closing message boxes with
the probe program, and ending every process it started.

Needs the Wine session of tools/wine/wine-session.sh (WINEPREFIX and DISPLAY set) and xdotool,
xwininfo and ImageMagick's import on the path."""

import os
import re
import subprocess
import time

import screen_capture

WINDOW_TITLE = "剋輪闘"
WINDOW_OUTER_CORNER = (320, 80)


class TestFailure(Exception):
    pass


def wine_program():
    return os.environ.get("KOKURIN_WINE") or "/usr/lib/wine/wine64"


def wine_path(path):
    """A Unix path as Wine sees it through drive Z:."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def run_tool(args, timeout=10):
    try:
        return subprocess.run(args, capture_output=True, timeout=timeout, text=True)
    except subprocess.TimeoutExpired:
        raise TestFailure("%s did not finish within %d s" % (args[0], timeout))


class GameProcess:
    """One Windows program started under Wine; killed by its own id when the test ends."""

    def __init__(self, exe, cwd, log_path, args=()):
        self.exe = exe
        self.log = open(log_path, "ab")
        self.process = subprocess.Popen(
            [wine_program(), exe, *args],
            cwd=cwd,
            stdin=subprocess.DEVNULL,
            stdout=self.log,
            stderr=subprocess.STDOUT,
        )

    def running(self):
        return self.process.poll() is None

    def wait_exit(self, timeout):
        """The exit code, or None when the process is still running after `timeout` s."""
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                pass
        self.log.close()


class GameWindow:
    """The game's window on the X screen: its X id and where its client area lies."""

    def __init__(self, window_id, left, top, width, height):
        self.window_id = window_id
        self.left = left
        self.top = top
        self.width = width
        self.height = height


def window_ids(name_pattern):
    result = run_tool(["xdotool", "search", "--name", name_pattern])
    return [int(line) for line in result.stdout.split()]


def window_geometry(window_id):
    """(left, top, width, height, viewable) of an X window, from xwininfo."""
    result = run_tool(["xwininfo", "-id", str(window_id)])
    if result.returncode != 0:
        return None
    values = {}
    for key in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"):
        match = re.search(r"^\s*%s:\s*(-?\d+)" % re.escape(key), result.stdout, re.M)
        if not match:
            return None
        values[key] = int(match.group(1))
    viewable = "IsViewable" in result.stdout
    return (
        values["Absolute upper-left X"],
        values["Absolute upper-left Y"],
        values["Width"],
        values["Height"],
        viewable,
    )


def find_game_window(timeout, game):
    """Waits for the game's window to be shown at its size. Without a window manager Wine
    maps the client area as the X window, inside the frame whose outer corner the game puts
    at (320, 80)."""
    deadline = time.monotonic() + timeout
    last = None
    while time.monotonic() < deadline:
        if not game.running():
            raise TestFailure(
                "the game ended (code %s) before showing its window" % game.wait_exit(0)
            )
        for window_id in window_ids("^%s$" % WINDOW_TITLE):
            geometry = window_geometry(window_id)
            last = geometry
            if (
                geometry
                and geometry[4]
                and geometry[2:4]
                == (
                    screen_capture.CLIENT_WIDTH,
                    screen_capture.CLIENT_HEIGHT,
                )
            ):
                return GameWindow(window_id, *geometry[:4])
        time.sleep(0.1)
    raise TestFailure(
        "no viewable 640 x 480 window named %s (last seen: %s)" % (WINDOW_TITLE, last)
    )


def other_visible_windows(game_window):
    """Visible top-level windows besides the game's own: a message box, for instance. Wine's
    invisible helper windows (1 x 1) are left out."""
    listing = run_tool(["xwininfo", "-root", "-children"]).stdout
    found = []
    # Lines such as: 0xa00004 "Error": ("kokurin.exe" "kokurin.exe")  100x63+590+490  +590+490
    for match in re.finditer(r"^\s+(0x[0-9a-f]+) (.*?)\s+(\d+)x(\d+)[+-]", listing, re.M):
        window_id = int(match.group(1), 16)
        width, height = int(match.group(3)), int(match.group(4))
        if window_id == game_window.window_id or width <= 1 or height <= 1:
            continue
        geometry = window_geometry(window_id)
        if geometry and geometry[4]:
            found.append((window_id, match.group(2), geometry[:4]))
    return found


def focus(game_window):
    result = run_tool(["xdotool", "windowfocus", "--sync", str(game_window.window_id)], 15)
    if result.returncode != 0:
        raise TestFailure("could not focus the game's window: %s" % result.stderr.strip())


def press(key, hold=0.12, after=0.1):
    """Holds a key for several frames, as DirectInput needs to see it, then lets it go."""
    run_tool(["xdotool", "keydown", key])
    time.sleep(hold)
    run_tool(["xdotool", "keyup", key])
    time.sleep(after)


class Probe:
    """The probe program, which reads and closes the game's windows from another process."""

    def __init__(self, exe):
        self.exe = exe

    def start_box_reader(self, out_file, timeout_ms):
        """Starts waiting for a message box; its caption and texts go to out_file, then the
        box is answered with OK."""
        return subprocess.Popen(
            [wine_program(), self.exe, "box", str(timeout_ms), wine_path(out_file)],
            stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL,
        )

    def run(self, args, timeout):
        try:
            return subprocess.run(
                [wine_program(), self.exe, *args],
                stdin=subprocess.DEVNULL,
                capture_output=True,
                timeout=timeout,
            ).returncode
        except subprocess.TimeoutExpired:
            raise TestFailure("the probe did not finish within %d s" % timeout)

    def close_game(self):
        """Sends WM_CLOSE to the game's window, as its close box does."""
        return self.run(["close", "10000"], 60) == 0

    def game_gone(self, timeout_ms):
        return self.run(["gone", str(timeout_ms)], timeout_ms / 1000 + 60) == 0


def read_box_report(path):
    """The probe's report: (caption, [texts])."""
    caption, texts = None, []
    with open(path, encoding="utf-8") as f:
        for line in f.read().splitlines():
            if line.startswith("caption="):
                caption = line[len("caption=") :]
            elif line.startswith("text="):
                texts.append(line[len("text=") :])
    return caption, texts
