#!/usr/bin/env python3
"""Puts the game's font beside its pictures: data/ZUDEV.TTF and the font's licence text.

Usage: copy_font.py FONT_FILE LICENCE_FILE OUTPUT_FOLDER

The licence may be the plain licence text or a Debian machine-readable copyright file, from
which the "License: IPA-1" paragraph is taken. The font is only copied together with its
licence. When either is missing the script says so and succeeds: the game runs without the
font, drawing its text in whatever face the system substitutes.
"""

import os
import shutil
import sys

FONT_NAME = "ZUDEV.TTF"
LICENCE_NAME = "IPA_Font_License.txt"

# sfnt version tags: TrueType outlines, Apple TrueType, CFF outlines, font collection.
FONT_SIGNATURES = (b"\x00\x01\x00\x00", b"true", b"OTTO", b"ttcf")


def licence_from_debian_copyright(text, licence="IPA-1"):
    """The body of the standalone "License: <licence>" paragraph, or None."""
    lines = text.splitlines()
    for k, line in enumerate(lines):
        if line.strip() != "License: " + licence:
            continue
        # A standalone licence paragraph follows a blank line (or starts the file) and has a
        # body; the "License:" field inside a Files paragraph has none.
        if k > 0 and lines[k - 1].strip() != "":
            continue
        body = []
        for follow in lines[k + 1 :]:
            if not follow.startswith((" ", "\t")):
                break
            content = follow[1:]
            body.append("" if content.strip() == "." else content.rstrip())
        if body:
            return "\n".join(body).strip("\n") + "\n"
    return None


def read_licence(path):
    with open(path, "rb") as f:
        raw = f.read()
    try:
        text = raw.decode("utf-8")
    except UnicodeDecodeError:
        text = raw.decode("cp932", errors="replace")
    if text.startswith("Format:") and "License:" in text:
        return licence_from_debian_copyright(text)
    return text if "IPA" in text else None


def main(argv):
    if len(argv) != 4:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    font, licence, folder = argv[1:]
    missing = ""
    if not font or not os.path.isfile(font):
        missing = (
            "the IPA P Gothic font (ipagp.ttf, Debian package fonts-ipafont-gothic) "
            "was not found"
        )
    elif not licence or not os.path.isfile(licence):
        missing = "the IPA Font License text that must travel with the font was not found"
    if missing:
        print(
            "kokurin: " + missing + "; data/" + FONT_NAME + " is left out and the game will draw "
            "its text without it."
        )
        return 0
    with open(font, "rb") as f:
        signature = f.read(4)
    if signature not in FONT_SIGNATURES:
        print(
            "kokurin: "
            + font
            + " is not a TrueType or OpenType font; data/"
            + FONT_NAME
            + " is left out."
        )
        return 0
    text = read_licence(licence)
    if text is None:
        print(
            "kokurin: no IPA Font License text in "
            + licence
            + "; data/"
            + FONT_NAME
            + " is left out."
        )
        return 0
    os.makedirs(folder, exist_ok=True)
    # Windows players open the licence in Notepad: CRLF line ends, UTF-8 with a byte order mark.
    with open(os.path.join(folder, LICENCE_NAME), "wb") as f:
        f.write(b"\xef\xbb\xbf" + text.replace("\n", "\r\n").encode("utf-8"))
    target = os.path.join(folder, FONT_NAME)
    shutil.copyfile(font, target + ".part")  # follows a symbolic link to the real file
    os.replace(target + ".part", target)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
