#!/usr/bin/env python3
"""Makes the desktop icon from the game's own art: the portrait of the title's first opponent,
read from its 24-bit bitmap and scaled (area-averaged down, nearest up) into square PNGs, one per
size, named SIZE/kokurin.png under the output folder.

Usage: make_icons.py PORTRAIT.bmp OUTPUT_FOLDER SIZE [SIZE ...]"""

import os
import struct
import sys
import zlib


def read_bmp(path):
    """Rows (top to bottom) of (r, g, b) from an uncompressed 24-bit bitmap."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"BM":
        raise ValueError("%s: not a bitmap" % path)
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height, _, bits, compression = struct.unpack_from("<iiHHI", data, 18)
    if bits != 24 or compression != 0:
        raise ValueError("%s: not an uncompressed 24-bit bitmap" % path)
    stride = (abs(width) * 3 + 3) & ~3
    rows = []
    for y in range(abs(height)):
        start = offset + y * stride
        rows.append([(data[start + 3 * x + 2], data[start + 3 * x + 1], data[start + 3 * x])
                     for x in range(abs(width))])
    return rows[::-1] if height > 0 else rows


def scaled(pixels, size):
    """The picture as size x size: each target pixel the mean of the source pixels it covers."""
    height, width = len(pixels), len(pixels[0])
    out = []
    for ty in range(size):
        y0, y1 = ty * height // size, max(ty * height // size + 1, (ty + 1) * height // size)
        row = []
        for tx in range(size):
            x0, x1 = tx * width // size, max(tx * width // size + 1, (tx + 1) * width // size)
            cells = [pixels[y][x] for y in range(y0, y1) for x in range(x0, x1)]
            row.append(tuple(sum(c[i] for c in cells) // len(cells) for i in range(3)))
        out.append(row)
    return out


def png_bytes(pixels):
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

    height, width = len(pixels), len(pixels[0])
    raw = b"".join(b"\x00" + bytes(v for p in row for v in p) for row in pixels)
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main(argv):
    if len(argv) < 4:
        sys.stderr.write(__doc__)
        return 2
    pixels = read_bmp(argv[1])
    for size in (int(s) for s in argv[3:]):
        folder = os.path.join(argv[2], str(size))
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "kokurin.png"), "wb") as f:
            f.write(png_bytes(scaled(pixels, size)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
