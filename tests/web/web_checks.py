#!/usr/bin/env python3
"""The game's screen checks (tests/e2e/screen_checks.py, shared with the Windows end-to-end
tests) on a frame read out of the browser's canvas: 640 x 480 raw RGB bytes in a file.

  web_checks.py title FRAME --data DIR --selected N
  web_checks.py match FRAME --data DIR --selected N
  web_checks.py winner FRAME --data DIR --selected N   (2P has won)

Prints one JSON object: the problems found (none when the screen is right) and, for a match,
the board read off the glyphs as 36 element digits ('0' where no element is seen)."""

import argparse
import json
import os
import sys

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(here, "..", "e2e"))
sys.path.insert(0, os.path.join(here, "..", "..", "tools", "portraits"))

import roster  # noqa: E402
import screen_capture  # noqa: E402
import screen_checks  # noqa: E402

# The title screen's picture for each roster entry, from the game's roster.
ROSTER_PORTRAITS = roster.pictures()


def read_frame(path):
    with open(path, "rb") as f:
        data = f.read()
    return screen_capture.Frame(screen_capture.CLIENT_WIDTH, screen_capture.CLIENT_HEIGHT, data)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("screen", choices=["title", "match", "winner"])
    parser.add_argument("frame")
    parser.add_argument("--data", required=True)
    parser.add_argument("--selected", type=int, required=True)
    args = parser.parse_args()

    frame = read_frame(args.frame)
    name = ROSTER_PORTRAITS[args.selected]
    bitmap = screen_capture.Bitmap(os.path.join(args.data, name))
    result = {}
    if args.screen == "title":
        problems = (
            screen_checks.roster_problems(frame, args.selected)
            + screen_checks.portrait_problems(frame, 300, 100, bitmap, name)
            + screen_checks.help_problems(frame)
        )
    elif args.screen == "winner":
        problems = []
        if not screen_checks.winner_text_shown(frame):
            problems.append("no winner text at (240, 400)")
        if screen_checks.bar_present(frame, 0) or not screen_checks.bar_present(frame, 1):
            problems.append("not player 1's bar gone and player 2's there")
    else:
        problems = screen_checks.match_problems(frame, bitmap, name)
        board = screen_checks.read_board(frame)
        result["board"] = "".join(str(e or 0) for e in board)
        result["marks"] = {
            "%d,%d" % cell: colour for cell, colour in screen_checks.cell_marks(frame).items()
        }
        result["timer"] = screen_checks.timer_colour(frame)
    result["problems"] = problems
    print(json.dumps(result, ensure_ascii=False))
    return 0


if __name__ == "__main__":
    sys.exit(main())
