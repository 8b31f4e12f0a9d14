#!/usr/bin/env python3
"""Writes a package's Debian copyright file (DEP-5) from its template, putting the text of a
licence, indented as the format asks (blank lines as " ."), in place of the template's line
@LICENCE@. A LICENCE_TEXT of "-" (a build without the font) leaves out the paragraph that
holds that line.

Usage: make_copyright.py TEMPLATE LICENCE_TEXT OUTPUT"""

import os
import sys


def indented(text):
    lines = text.replace("\r\n", "\n").rstrip("\n").split("\n")
    return "".join((" " + line.rstrip() if line.strip() else " .") + "\n" for line in lines)


def main(template, licence, output):
    with open(template, encoding="utf-8") as f:
        paragraphs = f.read().rstrip("\n").split("\n\n")
    if licence == "-":
        text = None
        paragraphs = [p for p in paragraphs if "@LICENCE@" not in p]
    else:
        with open(licence, encoding="utf-8", errors="replace") as f:
            text = indented(f.read())
    out = []
    for line in "\n\n".join(paragraphs).split("\n"):
        out.append(text.rstrip("\n") if line.strip() == "@LICENCE@" else line)
    os.makedirs(os.path.dirname(os.path.abspath(output)), exist_ok=True)
    part = output + ".part"
    with open(part, "w", encoding="utf-8") as f:
        f.write("\n".join(out) + "\n")
    os.replace(part, output)


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    main(*sys.argv[1:])
