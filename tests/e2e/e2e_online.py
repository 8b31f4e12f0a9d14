#!/usr/bin/env python3
"""End-to-end online play of the real game (the SDL game, or the Direct3D game under Wine)
through a real kokurin-server, with kokurin-sim as the other player and as a spectator.

  e2e_online.py SCENARIO --build native|wine --game GAME [--probe PROBE] --shots DIR

The server and kokurin-sim are the native build's: beside the SDL game, or in
$KOKURIN_NATIVE_BUILD for the Wine build.

Scenarios:
  match       the game, started on the server's lobby, takes a name (typed over the old one's
              grey hint, nothing deleted) and joins by a typed code the room a kokurin-sim
              player made; the match shows both names; the game plays by mouse clicks on two
              cells, and the other player's transcript holds that exchange (the SDL game; the
              Direct3D game reads no pointer); ESC leaves the match (the other player wins);
              the verdict, the lobby and the title follow, the verdict and the lobby left by
              clicks. The game's saved replay, the server's, the
              player's and the spectator's are the same bytes, and the spectator's transcript
              is the player's. The name and the server are remembered.
  match_tls   the same match over wss://: the server has a certificate from the test's own
              authority, which the game and kokurin-sim are given with --ca-file.
  untrusted   a wss:// server whose certificate's authority the game was not given: the lobby
              refuses to connect and says why (a longer line than "cannot connect"); ESC returns
              to the title.
  no_server   a server that is not there: the lobby says so; ESC returns to the title.

Run inside tools/xvfb-session.sh (or tools/wine/wine-session.sh)."""

import glob
import json
import os
import subprocess
import sys
import time

import e2e_game
import screen_checks

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "online"))
import test_certs  # noqa: E402
from game_session import TestFailure, press, run_tool

STATUS_YELLOW = (0xFF, 0xFF, 0x80)
ERROR_RED = (0xFF, 0x60, 0x60)


def tools_of(game):
    build = os.environ.get("KOKURIN_NATIVE_BUILD") or os.path.dirname(game)
    return (os.path.join(build, "tools", "sim", "kokurin-sim"),
            os.path.join(build, "src", "server", "kokurin-server"))


def count_colour(frame, box, colour):
    """Lit pixels of the text colour's hue: yellow (red and green alike, blue well below) or
    red (green and blue well below). Glyph edges are blended, and the Direct3D game's thin
    glyphs are mostly edge."""
    def of_hue(p):
        r, g, b = int(p[0]), int(p[1]), int(p[2])
        if r < 48:
            return False
        if colour == STATUS_YELLOW:
            return abs(r - g) <= r // 8 and b <= r * 3 // 4
        return g <= r * 2 // 3 and b <= r * 2 // 3

    return sum(1 for p in frame.pixels(*box) if of_hue(p))


def lit(frame, box):
    return sum(1 for p in frame.pixels(*box) if not screen_checks.is_dark(p))


def make_certs(run):
    """The test's authority and a certificate for this machine. Wine's WinHTTP matches host
    names but not addresses: the Windows game reaches the server as localhost."""
    names = "IP:127.0.0.1,DNS:localhost" if run.build.name == "wine" else "IP:127.0.0.1"
    return test_certs.make_certs(os.path.join(run.work, "certs"), names)


def game_path(run, path):
    """A file's path as the game sees it (under Wine, drive Z:)."""
    return "Z:" + path.replace("/", "\\") if run.build.name == "wine" else path


def start_server(run, server, certs=None):
    os.makedirs(os.path.join(run.work, "server"), exist_ok=True)
    tls = ["--tls-cert", certs["cert"], "--tls-key", certs["key"]] if certs else []
    proc = subprocess.Popen([server, "--port", "0", "--host", "127.0.0.1", "--replays",
                             os.path.join(run.work, "server")] + tls,
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    line = proc.stdout.readline()
    if "listening on port" not in line:
        proc.kill()
        raise TestFailure("kokurin-server did not start: %r" % line)
    host = "localhost" if certs and run.build.name == "wine" else "127.0.0.1"
    return proc, "%s://%s:%d/" % ("wss" if certs else "ws", host, int(line.split()[-1]))


# The error line's text ends left of this on "cannot connect", right of it on the refused
# certificate (both languages).
LONG_ERROR_X = 260


def error_line_reaches(frame, x):
    return count_colour(frame, (x, 60, 639, 82), ERROR_RED) >= 10


def sim_client(run, sim, url, name, *extra):
    out = open(os.path.join(run.work, name + ".txt"), "wb")
    err = open(os.path.join(run.work, name + ".err"), "wb")
    return subprocess.Popen([sim, "--online", url, "--room", "ROOM7", "--name", name, "--record",
                             os.path.join(run.work, name + ".kkr")] + list(extra),
                            stdout=out, stderr=err)


def click(run, x, y):
    """A click of the mouse's first button on the game's pixel (x, y), wherever the window is
    and however large it is drawn."""
    window = run.window
    screen_x = window.left + x * window.scale + window.scale // 2
    screen_y = window.top + y * window.scale + window.scale // 2
    run_tool(["xdotool", "mousemove", "--sync", str(screen_x), str(screen_y)])
    run_tool(["xdotool", "click", "1"])


def cell_centre(cell):
    return 176 + 48 * (cell % 6) + 24, 96 + 48 * (cell // 6) + 24


def swaps_of(transcript, player):
    """The exchanges a seat made, from a kokurin-sim transcript, each as a set of two cells."""
    found = []
    for line in transcript.decode(errors="replace").splitlines():
        if line.startswith("{"):
            event = json.loads(line)
            if event.get("ev") == "move" and event.get("player") == player and event.get("swap"):
                found.append(set(event["swap"]))
    return found


def read(run, name):
    with open(os.path.join(run.work, name), "rb") as f:
        return f.read()


def replay_folder(run):
    """Where the game saves replays: $XDG_DATA_HOME's, or %APPDATA%'s in the Wine prefix."""
    if run.build.name == "wine":
        found = glob.glob(os.path.join(os.environ["WINEPREFIX"], "drive_c", "users", "*",
                                       "AppData", "Roaming", "kokurin", "replays"))
        return found[0] if found else ""
    return os.path.join(os.environ["XDG_DATA_HOME"], "kokurin", "replays")


def wait_lobby(run, label):
    # The heading, and the help line in the status yellow at the bottom.
    def problems_of(frame):
        problems = []
        if lit(frame, (32, 24, 200, 48)) < 30:
            problems.append("no heading at (32, 24)")
        if count_colour(frame, (32, 456, 400, 478), STATUS_YELLOW) < 20:
            problems.append("no help line at (32, 460)")
        return problems

    return run.wait_for(label, problems_of, 20)


def scenario_match(run, tls=False):
    sim, server = tools_of(run.args.game)
    certs = make_certs(run) if tls else None
    trust = ["--ca-file", certs["ca"]] if tls else []
    game_trust = ["--ca-file", game_path(run, certs["ca"])] if tls else []
    server_proc, url = start_server(run, server, certs)
    try:
        # Other scenarios of this run may have left replays in the same folder (one Wine prefix
        # serves every Windows test): this match's is the one that is new.
        before = set(os.listdir(replay_folder(run))) if os.path.isdir(replay_folder(run)) else set()
        player = sim_client(run, sim, url, "sim", "--novice", "--input-delay", "4", *trust)
        game = run.start_game(args=["--server", url] + game_trust)
        run.attach(game)
        wait_lobby(run, "lobby")
        run.ok("the lobby of %s" % url)
        # The name: up from "create" to the name line, a new name typed over the old one's
        # hint (nothing to delete), down again keeps it.
        press("Up")
        for key in "desk":
            press(key)
        press("Down")
        # Join by code: the next line, the code typed, ENTER.
        press("Down")
        for key in "room7":
            press(key)
        press("Return")
        watcher = sim_client(run, sim, url, "watcher", "--spectate", *trust)

        def match_problems(frame):
            problems = []
            # The cursor's mark may hide a cell.
            if sum(e is not None for e in screen_checks.read_board(frame)) < 35:
                problems.append("no board")
            if count_colour(frame, (8, 440, 400, 460), STATUS_YELLOW) < 20:
                problems.append("no names line at (8, 444)")
            return problems

        run.wait_for("online-match", match_problems, 30)
        run.ok("the match shows the board and the names line")
        # The game is 2P: two cells clicked again and again exchange them on its turns (clicks
        # in the other player's turn are not its moves). Every exchange stands, so any two do.
        # The Direct3D game reads no pointer: it plays a few seconds by keys alone.
        pointer = run.build.name == "native"
        pair = (7, 8)
        until = time.monotonic() + (25 if pointer else 6)
        while time.monotonic() < until:
            for cell in pair if pointer else ():
                click(run, *cell_centre(cell))
                time.sleep(0.4)
            time.sleep(0 if pointer else 0.5)

        def verdict_problems(frame):
            problems = []
            if lit(frame, (200, 390, 440, 408)) < 40:
                problems.append("no verdict at (320, 388)")
            if count_colour(frame, (200, 436, 440, 458), STATUS_YELLOW) < 20:
                problems.append("no help under the verdict")
            return problems

        # ESC leaves the match, but one pressed during a clash ends only the clash: pressed
        # again until the verdict shows.
        for attempt in range(10):
            press("Escape")
            try:
                run.wait_for("verdict", verdict_problems, 3 if attempt < 9 else 30)
                break
            except TestFailure:
                if attempt == 9:
                    raise
        run.ok("the verdict after leaving")
        # Its one button, "ESC: lobby", centred under the verdict; then the lobby's bottom line.
        back = (lambda x, y: click(run, x, y)) if pointer else (lambda x, y: press("Escape"))
        back(320, 446)
        wait_lobby(run, "lobby-after-match")
        back(100, 466)
        e2e_game.wait_title(run, 0, "title-after-online")
        press("Escape")
        run.expect_exit(game, "ESC on the title screen")

        codes = {}
        for name, proc in (("sim", player), ("watcher", watcher)):
            try:
                codes[name] = proc.wait(30)
            except subprocess.TimeoutExpired:
                proc.kill()
                codes[name] = "timeout"
        run.check(codes == {"sim": 0, "watcher": 0}, "both kokurin-sim clients end with 0",
                  str(codes))
        verdict = read(run, "sim.err").decode(errors="replace")
        run.check("left, winner 1P" in verdict, "the server's verdict: 2P left, 1P won",
                  verdict[-300:])
        run.check(read(run, "sim.txt") == read(run, "watcher.txt") and read(run, "sim.txt"),
                  "the spectator's transcript is the player's")
        if pointer:
            seen = swaps_of(read(run, "sim.txt"), 1)
            run.check(set(pair) in seen, "the game's clicks exchanged cells %s" % (pair,),
                      "2P's exchanges: %s" % seen)
        folder = replay_folder(run)
        saved = sorted(set(os.listdir(folder)) - before) if os.path.isdir(folder) else []
        run.check(len(saved) == 1, "the game saved one replay", str(saved))
        # The server keeps the match with its replay (match-1.kkr: its first) a moment after
        # the verdict.
        server_replay = os.path.join(run.work, "server", "match-1.kkr")
        deadline = time.time() + 20
        while not os.path.exists(server_replay) and time.time() < deadline:
            time.sleep(0.05)
        if saved and os.path.exists(server_replay):
            with open(os.path.join(folder, saved[0]), "rb") as f:
                mine = f.read()
            with open(server_replay, "rb") as f:
                theirs = f.read()
            run.check(mine == theirs == read(run, "sim.kkr") == read(run, "watcher.kkr"),
                      "the game's, the server's, the player's and the spectator's replays "
                      "are the same bytes")
        else:
            run.check(False, "the server saved the replay", server_replay)
        settings = os.path.join(os.environ["KOKURIN_CONFIG_DIR"], "settings.ini")
        text = open(settings, encoding="utf-8").read() if os.path.exists(settings) else ""
        run.check("player_name = desk" in text, "the typed name is remembered", text[-200:])
        run.check("server_address = %s" % url in text, "the server that welcomed is remembered",
                  text[-200:])
    finally:
        server_proc.kill()
        server_proc.wait()


def scenario_no_server(run):
    # A port nobody listens on: bound and closed here, so it is free and refused.
    import socket
    probe = socket.socket()
    probe.bind(("127.0.0.1", 0))
    port = probe.getsockname()[1]
    probe.close()
    game = run.start_game(args=["--server", "ws://127.0.0.1:%d/" % port])
    run.attach(game)

    def problems_of(frame):
        if count_colour(frame, (32, 60, 400, 82), ERROR_RED) < 20:
            return ["no error line at (32, 64)"]
        return []

    frame = run.wait_for("cannot-connect", problems_of, 30)
    run.check(not error_line_reaches(frame, LONG_ERROR_X), "the short line: cannot connect")
    run.ok("the lobby says the server cannot be reached")
    press("Escape")
    e2e_game.wait_title(run, 0, "title-after-no-server")
    press("Escape")
    run.expect_exit(game, "ESC on the title screen")


def scenario_untrusted(run):
    _, server = tools_of(run.args.game)
    server_proc, url = start_server(run, server, make_certs(run))
    try:
        game = run.start_game(args=["--server", url])
        run.attach(game)

        def problems_of(frame):
            if not error_line_reaches(frame, LONG_ERROR_X):
                return ["no long error line at (32, 64)"]
            return []

        run.wait_for("untrusted", problems_of, 30)
        run.ok("the lobby refuses the server's certificate")
        press("Escape")
        e2e_game.wait_title(run, 0, "title-after-untrusted")
        press("Escape")
        run.expect_exit(game, "ESC on the title screen")
    finally:
        server_proc.kill()
        server_proc.wait()


if __name__ == "__main__":
    sys.exit(e2e_game.main({"match": scenario_match,
                            "match_tls": lambda run: scenario_match(run, tls=True),
                            "untrusted": scenario_untrusted,
                            "no_server": scenario_no_server}, {}, __doc__))
