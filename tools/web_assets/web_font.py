#!/usr/bin/env python3
"""The web page's font: the game's font cut down to the glyphs the game can draw.

  web_font.py subset --font FULL.TTF --sources SRC --out data/ZUDEV.woff2 --script font.js
  web_font.py check --font SUBSET --sources SRC

subset keeps the characters game_texts finds under SRC (WOFF2 when brotli is there, else a
TrueType file), then checks the result; check fails, naming each character and where it is
used, when a text of the game needs a glyph the font lacks (a character the full font has not
either, or a subset older than the sources). The script is the page's font entry
(kokurinWebFont: file, size and the vertical metrics the page sizes its fonts by), which the
browser cannot read out of a WOFF2 file itself.
"""

import argparse
import json
import os
import sys
import unicodedata

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import game_texts  # noqa: E402

# The subset is a font of its own: it is renamed, as the IPA Font License asks of derived fonts.
SUBSET_FAMILY = "Kokurin Page Gothic"


def _fonttools():
    try:
        from fontTools import subset, ttLib
    except ImportError:
        sys.exit(
            "kokurin: the web font needs fontTools (Debian package python3-fonttools; "
            "bash tools/setup-deps.sh installs it)"
        )
    return subset, ttLib


def has_woff2():
    try:
        import brotli  # noqa: F401
    except ImportError:
        return False
    return True


def missing_glyphs(font_path, used):
    """(character, where) for each used character the font has no glyph for."""
    _, ttLib = _fonttools()
    font = ttLib.TTFont(font_path, lazy=True)
    cmap = font.getBestCmap() or {}
    return [(c, where) for c, where in sorted(used.items()) if ord(c) not in cmap]


def describe(c, where):
    name = unicodedata.name(c, "unnamed")
    return "U+%04X '%s' (%s), used in %s" % (ord(c), c, name, where)


def report_missing(font_path, used, what):
    missing = missing_glyphs(font_path, used)
    for c, where in missing:
        print("kokurin: %s has no glyph for %s" % (what, describe(c, where)), file=sys.stderr)
    if missing:
        print(
            "kokurin: %d character(s) of the game's texts cannot be drawn with the page's font"
            % len(missing),
            file=sys.stderr,
        )
    return len(missing)


def metrics(font):
    """The vertical metrics Windows sizes the font by (OS/2's, else hhea's)."""
    units = font["head"].unitsPerEm
    if "OS/2" in font:
        ascent, descent = font["OS/2"].usWinAscent, font["OS/2"].usWinDescent
    else:
        ascent, descent = font["hhea"].ascent, -font["hhea"].descent
    return {"unitsPerEm": units, "ascent": ascent, "descent": descent}


def rename(font):
    for record in font["name"].names:
        if record.nameID in (1, 4, 16):
            record.string = SUBSET_FAMILY
        elif record.nameID == 6:
            record.string = SUBSET_FAMILY.replace(" ", "")
        elif record.nameID == 3:
            record.string = SUBSET_FAMILY + " (subset of IPA P Gothic)"


def write_atomically(path, data):
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    with open(path + ".part", "wb") as f:
        f.write(data)
    os.replace(path + ".part", path)


def make_subset(args):
    subset, ttLib = _fonttools()
    used = game_texts.texts(args.sources, args.root)
    flavor = "woff2" if args.out.endswith(".woff2") else None
    if flavor and not has_woff2():
        sys.exit("kokurin: WOFF2 needs brotli (Debian package python3-brotli)")
    if report_missing(args.font, used, args.font):
        return 1
    options = subset.Options()
    options.flavor = flavor
    options.name_IDs = ["*"]
    options.name_languages = ["*"]
    options.notdef_outline = True
    # The full font's own date stays: the same sources make the same file.
    font = ttLib.TTFont(args.font, recalcTimestamp=False)
    subsetter = subset.Subsetter(options)
    subsetter.populate(unicodes=[ord(c) for c in used])
    subsetter.subset(font)
    rename(font)
    font.flavor = flavor
    part = args.out + ".part"
    font.save(part)
    os.replace(part, args.out)
    # The built file is checked as it is shipped.
    if report_missing(args.out, used, args.out):
        return 1
    entry = dict(metrics(font), file="data/" + os.path.basename(args.out),
                 bytes=os.path.getsize(args.out))
    script = (
        "// The page's font, written by tools/web_assets/web_font.py.\n"
        "var kokurinWebFont = " + json.dumps(entry, sort_keys=True) + ";\n"
    )
    write_atomically(args.script, script.encode("utf-8"))
    print("kokurin: %s: %d characters, %d bytes" % (args.out, len(used), entry["bytes"]))
    return 0


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("mode", choices=["subset", "check"])
    parser.add_argument("--font", required=True)
    parser.add_argument("--sources", required=True, help="the folder of the game's sources")
    parser.add_argument("--root", help="paths in messages are relative to this folder")
    parser.add_argument("--out")
    parser.add_argument("--script")
    args = parser.parse_args(argv)
    if not os.path.isfile(args.font):
        sys.exit("kokurin: no font file " + args.font)
    if args.mode == "check":
        used = game_texts.texts(args.sources, args.root)
        return 1 if report_missing(args.font, used, args.font) else 0
    if not args.out or not args.script:
        parser.error("subset needs --out and --script")
    return make_subset(args)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
