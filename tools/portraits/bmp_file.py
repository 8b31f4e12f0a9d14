"""Writes uncompressed 24-bit Windows bitmaps (BITMAPINFOHEADER, bottom-up rows)."""

import struct


def bmp_bytes(pixels):
    """The file bytes for rows (top to bottom) of (r, g, b) tuples, all rows equally long."""
    height = len(pixels)
    width = len(pixels[0]) if height else 0
    if height == 0 or width == 0 or any(len(row) != width for row in pixels):
        raise ValueError("a bitmap needs at least one pixel and rows of equal length")
    stride = (width * 3 + 3) & ~3  # every row padded to a multiple of four bytes
    padding = bytes(stride - width * 3)
    body = bytearray()
    for row in reversed(pixels):  # the file stores the bottom row first
        for r, g, b in row:
            body += bytes((b, g, r))
        body += padding
    info = struct.pack(
        "<IiiHHIIiiII",
        40,  # size of BITMAPINFOHEADER
        width,
        height,  # positive: bottom-up
        1,  # planes
        24,  # bits per pixel
        0,  # BI_RGB, no compression
        len(body),
        2835,  # 72 dots per inch, in pixels per metre
        2835,
        0,
        0,
    )
    offset = 14 + len(info)
    header = struct.pack("<2sIHHI", b"BM", offset + len(body), 0, 0, offset)
    return header + info + bytes(body)


def write_bmp(path, pixels):
    data = bmp_bytes(pixels)
    with open(path, "wb") as f:
        f.write(data)
