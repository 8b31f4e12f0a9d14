#!/usr/bin/env python3
"""The page's pictures: each portrait of data/ as a PNG the browser decodes itself (the same
pixels, losslessly compressed), and the app's icons drawn from the roster's first portrait.

  web_pictures.py --data DATA_DIR --script pictures.js --icons ICON_DIR NAME.bmp ...

The script is the page's picture list (kokurinWebPictures: each BMP name with its PNG file and
size), so the game knows a picture's size before the picture has arrived.
"""

import argparse
import json
import os
import struct
import sys
import zlib


def read_bmp(path):
    """(width, height, rows of RGB bytes, top to bottom) of an uncompressed 24-bit bitmap."""
    with open(path, "rb") as f:
        data = f.read()
    if len(data) < 54 or data[:2] != b"BM":
        raise ValueError(path + " is not a Windows bitmap")
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height, _, bits, compression = struct.unpack_from("<iiHHI", data, 18)
    if bits != 24 or compression != 0 or width <= 0 or height == 0:
        raise ValueError(path + " is not an uncompressed 24-bit bitmap")
    stride = (width * 3 + 3) & ~3
    rows = []
    for r in range(abs(height)):
        start = offset + r * stride
        bgr = data[start : start + width * 3]
        if len(bgr) != width * 3:
            raise ValueError(path + " is cut short")
        rgb = bytearray(len(bgr))
        rgb[0::3], rgb[1::3], rgb[2::3] = bgr[2::3], bgr[1::3], bgr[0::3]
        rows.append(bytes(rgb))
    if height > 0:
        rows.reverse()  # bottom-up rows
    return width, abs(height), rows


def png_bytes(width, height, rows):
    """An 8-bit RGB PNG of the rows, with no gamma or colour profile: browsers draw the bytes
    as they are."""

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body
                + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

    # Each row filtered by its difference from the row above (filter 2), which suits drawn art.
    raw = bytearray()
    previous = bytes(width * 3)
    for row in rows:
        raw.append(2)
        raw += bytes((a - b) & 0xFF for a, b in zip(row, previous))
        previous = row
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def scaled(width, height, rows, side, border):
    """The picture enlarged by nearest pixel into a side x side square, centred on a border of
    the picture's corner colour (an icon's safe zone)."""
    inner = side - 2 * border
    background = rows[0][0:3]
    out = []
    for y in range(side):
        if y < border or y >= side - border:
            out.append(background * side)
            continue
        sy = (y - border) * height // inner
        line = bytearray(background * border)
        src = rows[sy]
        for x in range(inner):
            sx = x * width // inner
            line += src[sx * 3 : sx * 3 + 3]
        line += background * border
        out.append(bytes(line))
    return out


def write_atomically(path, data):
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    with open(path + ".part", "wb") as f:
        f.write(data)
    os.replace(path + ".part", path)


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--data", required=True)
    parser.add_argument("--script", required=True)
    parser.add_argument("--icons", required=True)
    parser.add_argument("names", nargs="+")
    args = parser.parse_args(argv)
    entries = []
    for name in args.names:
        width, height, rows = read_bmp(os.path.join(args.data, name))
        png = os.path.splitext(name)[0] + ".png"
        write_atomically(os.path.join(args.data, png), png_bytes(width, height, rows))
        entries.append({"name": name, "file": "data/" + png, "width": width, "height": height})
    # Icons: the roster's first portrait (the second player's) at the sizes tabs and installers
    # ask for, with a tenth round it for the masks of "maskable" icons.
    width, height, rows = read_bmp(os.path.join(args.data, args.names[0]))
    # 32 pixels: the page's own icon, small enough to cost the first visit nothing.
    for side in (32, 192, 512):
        icon = scaled(width, height, rows, side, side // 10)
        write_atomically(os.path.join(args.icons, "icon-%d.png" % side),
                         png_bytes(side, side, icon))
    script = (
        "// The page's pictures, written by tools/web_assets/web_pictures.py.\n"
        "var kokurinWebPictures = " + json.dumps(entries) + ";\n"
    )
    write_atomically(args.script, script.encode("utf-8"))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
