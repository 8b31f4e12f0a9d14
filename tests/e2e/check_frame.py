#!/usr/bin/env python3
"""The screen checks of the end-to-end tests on one frame read back from a front end (a binary
PPM of 640 x 480): prints what is wrong and exits 1, or exits 0. A PNG copy is written beside
the frame for the record.

  check_frame.py title SELECTED PORTRAIT.bmp FRAME.ppm
  check_frame.py match PORTRAIT.bmp BOARD FRAME.ppm

BOARD lists the 36 cells row by row as element digits (1 fire .. 5 water)."""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import screen_capture  # noqa: E402
import screen_checks  # noqa: E402


def title_problems(selected, portrait, frame):
    bitmap = screen_capture.Bitmap(portrait)
    name = os.path.basename(portrait)
    return (
        screen_checks.roster_problems(frame, selected)
        + screen_checks.portrait_problems(frame, 300, 100, bitmap, name)
        + screen_checks.help_problems(frame)
    )


def match_problems(portrait, board, frame):
    bitmap = screen_capture.Bitmap(portrait)
    problems = screen_checks.match_problems(frame, bitmap, os.path.basename(portrait))
    expected = [int(c) for c in board]
    shown = screen_checks.read_board(frame)
    if shown != expected:
        problems.append(
            "the board shows %s, not %s"
            % (screen_checks.board_text(shown), screen_checks.board_text(expected))
        )
    return problems


def main(argv):
    if len(argv) != 5 or argv[1] not in ("title", "match"):
        print(__doc__, file=sys.stderr)
        return 2
    with open(argv[4], "rb") as f:
        frame = screen_capture.parse_ppm(f.read())
    frame.save_png(os.path.splitext(argv[4])[0] + ".png")
    if argv[1] == "title":
        problems = title_problems(int(argv[2]), argv[3], frame)
    else:
        problems = match_problems(argv[2], argv[3], frame)
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
