#!/usr/bin/env python3
"""Draws the roster's portrait pictures into a folder as 128 x 128 24-bit BMP files.

Usage: generate_portraits.py OUTPUT_FOLDER [NAME ...]
With names (e.g. mira.bmp), only those pictures are drawn.
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from bmp_file import write_bmp  # noqa: E402
from roster_portraits import PORTRAITS, render  # noqa: E402


def main(argv):
    if len(argv) < 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    folder = argv[1]
    wanted = set(argv[2:])
    known = {name for name, _ in PORTRAITS}
    unknown = sorted(wanted - known)
    if unknown:
        print("generate_portraits: no portrait named " + ", ".join(unknown), file=sys.stderr)
        return 2
    os.makedirs(folder, exist_ok=True)
    for name, draw in PORTRAITS:
        if wanted and name not in wanted:
            continue
        path = os.path.join(folder, name)
        # Write beside the target and rename, so an interrupted build never leaves half a file.
        partial = path + ".part"
        write_bmp(partial, render(draw))
        os.replace(partial, path)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
