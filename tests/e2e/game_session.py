"""Running the real game for the end-to-end tests, either build: starting it, finding its window
on the X screen, pressing keys the way a player does, answering and closing its message boxes,
closing its window, and ending every process it started.

Two builds drive the same scenarios:
- WineBuild: the Windows game under Wine (inside tools/wine/wine-session.sh); its message boxes
  are read and answered, and its window closed, by the probe program.
- NativeBuild: the SDL game (inside tools/xvfb-session.sh); its boxes are answered with Return,
  its window closed with the WM_DELETE_WINDOW message a window manager's close box sends.

Needs xdotool, xwininfo and ImageMagick's import on the path."""

import ctypes
import ctypes.util
import os
import re
import shutil
import subprocess
import time

import screen_capture

WINDOW_TITLE = "剋輪闘"
# The window's title follows the game's language.
ENGLISH_WINDOW_TITLE = "Kokurin"

# The scenarios check the game's own Japanese frames, whatever the machine's language (the game
# is English unless the system is Japanese): every game they start is asked for Japanese.
PINNED_LANGUAGE = ["--lang", "ja"]


def pinned(args, pin=True):
    args = list(args)
    return args if "--lang" in args or not pin else PINNED_LANGUAGE + args


def _own_settings_folder():
    """Every game these tests start keeps its settings in a folder of this run's, removed at
    exit: a player's settings never change what the tests see, and a match one scenario plays
    (which remembers its opponent) never moves another scenario's title screen. Both builds
    read KOKURIN_CONFIG_DIR; Wine passes it on as a Windows path on drive Z:."""
    import atexit
    import tempfile

    folder = tempfile.mkdtemp(prefix="kokurin-settings.")
    atexit.register(shutil.rmtree, folder, True)
    os.environ["KOKURIN_CONFIG_DIR"] = folder
    os.environ["KOKURIN_WINE_CONFIG_DIR"] = "Z:" + folder.replace("/", "\\")
    # The SDL game's replays go to $XDG_DATA_HOME/kokurin/replays: this run's folder too.
    os.environ["XDG_DATA_HOME"] = os.path.join(folder, "data")


_own_settings_folder()


class TestFailure(Exception):
    pass


def run_tool(args, timeout=10, env=None):
    try:
        return subprocess.run(args, capture_output=True, timeout=timeout, text=True, env=env)
    except subprocess.TimeoutExpired:
        raise TestFailure("%s did not finish within %d s" % (args[0], timeout))


class GameProcess:
    """One program started for a test; killed by its own id when the test ends."""

    def __init__(self, command, cwd, log_path, env=None):
        self.log = open(log_path, "ab")
        self.process = subprocess.Popen(
            command,
            cwd=cwd,
            env=env,
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
    """The game's window on the X screen: its X id, where its client area lies, and how many
    screen pixels a side each game pixel takes."""

    def __init__(self, window_id, left, top, width, height, scale=1):
        self.window_id = window_id
        self.left = left
        self.top = top
        self.width = width
        self.height = height
        self.scale = scale


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


def titled_windows(title):
    """Top-level windows whose title (_NET_WM_NAME where set) is title, from xwininfo: SDL's
    plain WM_NAME holds the title's UTF-8 bytes, which xdotool's search does not match."""
    # Titles are read as UTF-8 whatever the caller's locale.
    listing = run_tool(
        ["xwininfo", "-root", "-children"], env=dict(os.environ, LC_ALL="C.UTF-8")
    ).stdout
    return [
        int(match.group(1), 16)
        for match in re.finditer(r'^\s+(0x[0-9a-f]+) "(.*?)":', listing, re.M)
        if match.group(2) == title
    ]


def find_game_window(timeout, game, scale_of, find_ids, title=WINDOW_TITLE):
    """Waits for the game's window: viewable, one of find_ids(), and a size for which scale_of
    gives a scale (not None)."""
    deadline = time.monotonic() + timeout
    last = None
    while time.monotonic() < deadline:
        if not game.running():
            raise TestFailure(
                "the game ended (code %s) before showing its window" % game.wait_exit(0)
            )
        for window_id in find_ids():
            geometry = window_geometry(window_id)
            last = geometry
            if geometry and geometry[4]:
                scale = scale_of(geometry[2], geometry[3])
                if scale is not None:
                    return GameWindow(window_id, *geometry[:4], scale=scale)
        time.sleep(0.1)
    raise TestFailure("no viewable game window named %s (last seen: %s)" % (title, last))


def other_visible_windows(game_window):
    """Visible top-level windows besides the game's own: a message box, for instance. Helper
    windows of one pixel are left out."""
    listing = run_tool(["xwininfo", "-root", "-children"]).stdout
    found = []
    # Lines such as: 0xa00004 "Error": ("kokurin.exe" "kokurin.exe")  100x63+590+490  +590+490
    for match in re.finditer(r"^\s+(0x[0-9a-f]+) (.*?)\s+(\d+)x(\d+)[+-]", listing, re.M):
        window_id = int(match.group(1), 16)
        width, height = int(match.group(3)), int(match.group(4))
        if game_window is not None and window_id == game_window.window_id:
            continue
        if width <= 1 or height <= 1:
            continue
        geometry = window_geometry(window_id)
        if geometry and geometry[4]:
            found.append((window_id, match.group(2), geometry[:4]))
    return found


def focus(game_window):
    focus_window(game_window.window_id)


def focus_window(window_id):
    result = run_tool(["xdotool", "windowfocus", "--sync", str(window_id)], 15)
    if result.returncode != 0:
        raise TestFailure("could not focus window %#x: %s" % (window_id, result.stderr.strip()))


def press(key, hold=0.12, after=0.1):
    """Holds a key for several frames, so that the game's poll sees it, then lets it go."""
    run_tool(["xdotool", "keydown", key])
    time.sleep(hold)
    run_tool(["xdotool", "keyup", key])
    time.sleep(after)


def grab_client(window):
    """The game's 640 x 480 picture as the window shows it now: the client area, each game
    pixel taken once however large the window draws it."""
    screen = screen_capture.grab_screen()
    size = (screen_capture.CLIENT_WIDTH * window.scale, screen_capture.CLIENT_HEIGHT * window.scale)
    frame = screen.crop(window.left, window.top, *size)
    return frame.scaled_down(window.scale)


# ---- The Windows game under Wine ------------------------------------------------------------


def wine_program():
    return os.environ.get("KOKURIN_WINE") or "/usr/lib/wine/wine64"


def wine_path(path):
    """A Unix path as Wine sees it through drive Z:."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


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


class ProbeBoxWatcher:
    """A message box to come, read and answered by the probe as soon as it shows."""

    def __init__(self, probe, report, timeout_ms):
        self.report = report
        self.reader = probe.start_box_reader(report, timeout_ms)

    def pending(self):
        """True until the probe has answered (or given up on) the box."""
        return self.reader.poll() is None

    def finish(self, game_window):
        """The box's texts once it has been answered."""
        try:
            code = self.reader.wait(timeout=60)
        except subprocess.TimeoutExpired:
            raise TestFailure("the probe did not come back from the message box")
        if code != 0:
            raise TestFailure("the probe found no message box to read (exit %s)" % code)
        caption, texts = read_box_report(self.report)
        print("box: caption %r, texts %r" % (caption, texts))
        return texts

    def kill(self):
        if self.reader.poll() is None:
            self.reader.kill()
            self.reader.wait(timeout=10)


class WineBuild:
    name = "wine"
    log_name = "wine.log"
    # The probe answers a box the moment it shows.
    answers_boxes_itself = True
    # Without a window manager Wine maps the client area as the X window, inside the frame
    # whose outer corner the game puts at (320, 80).
    WINDOW_OUTER_CORNER = (320, 80)

    def __init__(self, probe_exe):
        self.probe = Probe(probe_exe)

    def start(self, exe, cwd, log_path, env=None, args=(), pin=True):
        env = dict(env or os.environ, KOKURIN_CONFIG_DIR=os.environ["KOKURIN_WINE_CONFIG_DIR"])
        return GameProcess(self.command(exe, pinned(args, pin)), cwd, log_path, env)

    def command(self, exe, args):
        """The command line that runs the game with args."""
        return [wine_program(), exe] + list(args)

    def executable_name(self):
        return "剋輪闘.exe"

    def find_window(self, game, timeout, title=WINDOW_TITLE):
        def scale_of(width, height):
            wanted = (screen_capture.CLIENT_WIDTH, screen_capture.CLIENT_HEIGHT)
            return 1 if (width, height) == wanted else None

        return find_game_window(
            timeout, game, scale_of, lambda: self.game_windows(title), title
        )

    def game_windows(self, title=WINDOW_TITLE):
        """Every window with the game's title (剋輪闘 unless told)."""
        return window_ids("^%s$" % title)

    def placement_problem(self, window):
        """Why the window is not where the game puts it (None when it is)."""
        dx = window.left - self.WINDOW_OUTER_CORNER[0]
        dy = window.top - self.WINDOW_OUTER_CORNER[1]
        # The client area lies inside the frame: right of the border, below the caption.
        if 0 <= dx <= 16 and 0 <= dy <= 48:
            return None
        return "client area at (%d, %d), not inside the frame placed at (320, 80)" % (
            window.left,
            window.top,
        )

    def watch_box(self, report, timeout_ms):
        return ProbeBoxWatcher(self.probe, report, timeout_ms)

    def close_game(self, window):
        """Sends WM_CLOSE to the game's window, as its close box does."""
        return self.probe.run(["close", "10000"], 60) == 0

    def game_gone(self, timeout_ms):
        return self.probe.run(["gone", str(timeout_ms)], timeout_ms / 1000 + 60) == 0


# ---- The SDL game, natively -----------------------------------------------------------------


class _XClientMessage(ctypes.Structure):
    _fields_ = [
        ("type", ctypes.c_int),
        ("serial", ctypes.c_ulong),
        ("send_event", ctypes.c_int),
        ("display", ctypes.c_void_p),
        ("window", ctypes.c_ulong),
        ("message_type", ctypes.c_ulong),
        ("format", ctypes.c_int),
        ("data", ctypes.c_long * 5),
    ]


class _XEvent(ctypes.Union):
    _fields_ = [("client", _XClientMessage), ("pad", ctypes.c_long * 24)]


def send_delete_window(window_id):
    """Asks an X window to close the way a window manager's close box does: a WM_PROTOCOLS
    client message carrying WM_DELETE_WINDOW."""
    x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [
        ctypes.c_void_p,
        ctypes.c_ulong,
        ctypes.c_int,
        ctypes.c_long,
        ctypes.POINTER(_XEvent),
    ]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = x11.XOpenDisplay(None)
    if not display:
        return False
    event = _XEvent()
    event.client.type = 33  # ClientMessage
    event.client.window = window_id
    event.client.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
    event.client.format = 32
    event.client.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
    sent = x11.XSendEvent(display, window_id, 0, 0, ctypes.byref(event))
    x11.XFlush(display)
    x11.XCloseDisplay(display)
    return sent != 0


class KeyBoxWatcher:
    """A message box to come, answered with Return once the test has looked at it. SDL draws
    its boxes itself, so their text cannot be read back: finish returns None."""

    def __init__(self, timeout_ms):
        self.timeout = timeout_ms / 1000

    def pending(self):
        return True

    def finish(self, game_window):
        deadline = time.monotonic() + self.timeout
        boxes = []
        while not boxes:
            if time.monotonic() > deadline:
                raise TestFailure("no message box within %d s" % self.timeout)
            time.sleep(0.1)
            boxes = other_visible_windows(game_window)
        box_id = boxes[0][0]
        focus_window(box_id)
        press("Return")
        while any(window_id == box_id for window_id, _, _ in other_visible_windows(game_window)):
            if time.monotonic() > deadline:
                raise TestFailure("the message box did not close on Return")
            time.sleep(0.1)
        return None

    def kill(self):
        pass


class NativeBuild:
    name = "native"
    log_name = "game.log"
    answers_boxes_itself = False

    def start(self, exe, cwd, log_path, env=None, args=(), pin=True):
        return GameProcess(self.command(exe, pinned(args, pin)), cwd, log_path, env)

    def command(self, exe, args):
        return [exe] + list(args)

    def executable_name(self):
        return "剋輪闘"

    def find_window(self, game, timeout, title=WINDOW_TITLE):
        def scale_of(width, height):
            scale = width // screen_capture.CLIENT_WIDTH
            wanted = (screen_capture.CLIENT_WIDTH * scale, screen_capture.CLIENT_HEIGHT * scale)
            return scale if scale >= 1 and (width, height) == wanted else None

        return find_game_window(
            timeout, game, scale_of, lambda: self.game_windows(title), title
        )

    def game_windows(self, title=WINDOW_TITLE):
        return titled_windows(title)

    def placement_problem(self, window):
        # The window opens at twice the game's size where the screen has room for it.
        if window.scale != 2:
            return "the window is %d x %d, not 1280 x 960" % (window.width, window.height)
        return None

    def watch_box(self, report, timeout_ms):
        return KeyBoxWatcher(timeout_ms)

    def close_game(self, window):
        return send_delete_window(window.window_id)

    def game_gone(self, timeout_ms):
        deadline = time.monotonic() + timeout_ms / 1000
        while self.game_windows():
            if time.monotonic() > deadline:
                return False
            time.sleep(0.1)
        return True


def copy_game(exe, folder, name):
    """A copy of the game's executable under another name, for starts from other folders."""
    target = os.path.join(folder, name)
    shutil.copy(exe, target)
    return target
