#!/usr/bin/env python3
"""Checks the game's data folder: the fifteen portraits and the font beside them.

Usage:
  check_portraits.py --data DIR [--generator generate_portraits.py]
                     [--font-source FONT] [--self-test]

Every roster picture must exist under its exact name and be a 128 x 128, 24-bit, bottom-up,
uncompressed BMP; the generator must draw the same bytes again; the pictures must differ
clearly from one another in colour and in shape, be smooth drawings rather than noise, and
hold real detail. With --font-source, data/ZUDEV.TTF must be that font, byte for byte, with
its licence beside it. --self-test instead shows that each of these checks rejects a picture
made to break it. The BMP reader here is written independently of the generator's writer.
"""

import argparse
import itertools
import os
import struct
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import roster  # noqa: E402

PORTRAIT_NAMES = roster.distinct_pictures()
SIZE = 128

# Thresholds, in 0..255 channel units unless said otherwise.
MIN_PAIR_DIFFERENCE = 30.0  # mean absolute channel difference between two portraits
MAX_EDGE_OVERLAP = 0.5  # shared fraction of outline pixels between two portraits
MAX_NEIGHBOUR_DIFFERENCE = 16.0  # mean difference of adjacent pixels: noise is near 85
MIN_COLOURS = 100  # distinct colours in one portrait (a flat fill has 1, noise thousands)
MAX_DOMINANT_SHARE = 0.5  # share of the most common colour
EDGE_STEP = 40  # luminance step (0..255 x 3) that marks an outline pixel


class Picture:
    """Pixels as one flat bytes object, RGB, rows top to bottom."""

    def __init__(self, name, rgb):
        self.name = name
        self.rgb = rgb


def parse_bmp(data, name="picture"):
    """A Picture from the bytes of a 128 x 128 24-bit bottom-up BMP; ValueError otherwise."""
    if len(data) < 54:
        raise ValueError(f"{name}: {len(data)} bytes is too short for a BMP header")
    magic, file_size, reserved1, reserved2, offset = struct.unpack_from("<2sIHHI", data, 0)
    (header_size, width, height, planes, bits, compression, image_size) = struct.unpack_from(
        "<IiiHHII", data, 14
    )
    if magic != b"BM":
        raise ValueError(f"{name}: does not start with BM")
    if file_size != len(data):
        raise ValueError(f"{name}: header says {file_size} bytes, file has {len(data)}")
    if header_size != 40:
        raise ValueError(f"{name}: info header of {header_size} bytes, not BITMAPINFOHEADER")
    if (width, height) != (SIZE, SIZE):
        raise ValueError(f"{name}: {width} x {height}, not {SIZE} x {SIZE} bottom-up")
    if planes != 1 or bits != 24 or compression != 0:
        raise ValueError(f"{name}: {bits} bits, compression {compression}, not 24-bit BI_RGB")
    stride = (width * 3 + 3) // 4 * 4
    if image_size not in (0, stride * height):
        raise ValueError(f"{name}: image size field {image_size}, expected {stride * height}")
    if offset < 54 or offset + stride * height > len(data):
        raise ValueError(f"{name}: pixel data at {offset} does not fit the file")
    rows = []
    for y in range(height):
        start = offset + (height - 1 - y) * stride  # the file stores the bottom row first
        bgr = data[start : start + width * 3]
        rgb = bytearray(width * 3)
        rgb[0::3], rgb[1::3], rgb[2::3] = bgr[2::3], bgr[1::3], bgr[0::3]
        rows.append(bytes(rgb))
    return Picture(name, b"".join(rows))


def luminance(picture):
    p = picture.rgb
    return [p[i] + p[i + 1] + p[i + 2] for i in range(0, len(p), 3)]


def edge_mask(picture):
    """Pixels where the brightness steps sharply to the right or downwards: the outlines."""
    lum = luminance(picture)
    edges = set()
    for y in range(SIZE - 1):
        row = y * SIZE
        for x in range(SIZE - 1):
            v = lum[row + x]
            if abs(v - lum[row + x + 1]) > EDGE_STEP or abs(v - lum[row + x + SIZE]) > EDGE_STEP:
                edges.add(row + x)
    return edges


def mean_difference(a, b):
    return sum(abs(p - q) for p, q in zip(a.rgb, b.rgb)) / len(a.rgb)


def edge_overlap(mask_a, mask_b):
    if not mask_a or not mask_b:
        return 1.0
    return len(mask_a & mask_b) / min(len(mask_a), len(mask_b))


def neighbour_difference(picture):
    p, line = picture.rgb, SIZE * 3
    horizontal = sum(abs(p[i] - p[i + 3]) for i in range(len(p) - 3) if i % line < line - 3)
    vertical = sum(abs(p[i] - p[i + line]) for i in range(len(p) - line))
    count = (SIZE - 1) * SIZE * 3 * 2
    return (horizontal + vertical) / count


def colour_census(picture):
    p = picture.rgb
    counts = {}
    for i in range(0, len(p), 3):
        key = p[i : i + 3]
        counts[key] = counts.get(key, 0) + 1
    return len(counts), max(counts.values()) / (SIZE * SIZE)


# ---- the checks -----------------------------------------------------------------------------


def check_each(pictures):
    """Problems of single pictures: noise, too few colours, one colour everywhere."""
    problems = []
    for pic in pictures:
        smooth = neighbour_difference(pic)
        if smooth > MAX_NEIGHBOUR_DIFFERENCE:
            problems.append(f"{pic.name}: adjacent pixels differ by {smooth:.1f} on average: noise")
        colours, dominant = colour_census(pic)
        if colours < MIN_COLOURS:
            problems.append(f"{pic.name}: only {colours} colours")
        if dominant > MAX_DOMINANT_SHARE:
            problems.append(f"{pic.name}: one colour covers {dominant:.0%} of the picture")
    return problems


def check_pairs(pictures):
    """Problems between pictures: too alike in colour, or the same outlines recoloured."""
    problems = []
    masks = {pic.name: edge_mask(pic) for pic in pictures}
    for a, b in itertools.combinations(pictures, 2):
        diff = mean_difference(a, b)
        if diff < MIN_PAIR_DIFFERENCE:
            problems.append(f"{a.name} and {b.name} differ by only {diff:.1f} per channel")
        overlap = edge_overlap(masks[a.name], masks[b.name])
        if overlap > MAX_EDGE_OVERLAP:
            problems.append(f"{a.name} and {b.name} share {overlap:.0%} of their outlines")
    return problems


def load_data_folder(folder):
    problems, pictures = [], []
    try:
        present = set(os.listdir(folder))
    except OSError as error:
        return [f"cannot list {folder}: {error}"], []
    for name in PORTRAIT_NAMES:
        if name not in present:  # exact case: KEF.bmp is not kef.bmp
            problems.append(f"{name} is missing from {folder}")
            continue
        with open(os.path.join(folder, name), "rb") as f:
            data = f.read()
        try:
            pictures.append(parse_bmp(data, name))
        except ValueError as error:
            problems.append(str(error))
    extra = sorted(n for n in present if n.lower().endswith(".bmp") and n not in PORTRAIT_NAMES)
    if extra:
        problems.append("pictures the roster does not name: " + ", ".join(extra))
    return problems, pictures


def check_determinism(generator, folder):
    problems = []
    with tempfile.TemporaryDirectory(prefix="kokurin-portraits-") as again:
        run = subprocess.run(
            [sys.executable, "-B", generator, again], capture_output=True, text=True, timeout=600
        )
        if run.returncode != 0:
            return [f"the generator failed: {run.stderr.strip()}"]
        for name in PORTRAIT_NAMES:
            try:
                with open(os.path.join(folder, name), "rb") as f1, open(
                    os.path.join(again, name), "rb"
                ) as f2:
                    if f1.read() != f2.read():
                        problems.append(f"{name} came out different when drawn again")
            except OSError as error:
                problems.append(f"{name}: {error}")
    return problems


def check_font(folder, source):
    problems = []
    target = os.path.join(folder, "ZUDEV.TTF")
    licence = os.path.join(folder, "IPA_Font_License.txt")
    if not os.path.isfile(target):
        return [f"{target} is missing although {source} exists"]
    with open(source, "rb") as f1, open(target, "rb") as f2:
        if f1.read() != f2.read():
            problems.append("ZUDEV.TTF is not a faithful copy of " + source)
    try:
        with open(licence, "rb") as f:
            text = f.read().decode("utf-8-sig")
        if "IPA Font License Agreement v1.0" not in text or "IPAフォントライセンスv1.0" not in text:
            problems.append(f"{licence} does not hold the IPA Font License Agreement")
    except (OSError, UnicodeDecodeError) as error:
        problems.append(f"{licence}: {error}")
    return problems


# ---- self-test: every check must catch the fault it is there for ---------------------------


def bmp_with(width=SIZE, height=SIZE, bits=24, pixel=lambda x, y: (0, 0, 0)):
    stride = (width * (bits // 8) + 3) // 4 * 4
    body = bytearray()
    for y in reversed(range(abs(height))) if height > 0 else range(-height):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r)) + (b"\xff" if bits == 32 else b"")
        body += row + bytes(stride - len(row))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(body), 2835, 2835, 0, 0)
    return struct.pack("<2sIHHI", b"BM", 54 + len(body), 0, 0, 54) + info + bytes(body)


def self_test(folder):
    failures = []

    def expect_rejected(label, data):
        try:
            parse_bmp(data, label)
        except ValueError:
            return
        failures.append(f"the reader accepted {label}")

    good = bmp_with(pixel=lambda x, y: (x * 2, y * 2, 128))
    parse_bmp(good, "a valid picture")  # must not raise
    expect_rejected("a 64 x 64 picture", bmp_with(64, 64))
    expect_rejected("a 32-bit picture", bmp_with(bits=32))
    expect_rejected("a top-down picture", bmp_with(height=-SIZE))
    expect_rejected("a truncated picture", good[:-100])
    expect_rejected(
        "a picture with a wrong size field", good[:2] + struct.pack("<I", 99) + good[6:]
    )
    expect_rejected("a PNG signature", b"\x89PNG\r\n\x1a\n" + good[8:])

    # Pixel order: the first row in the file is the bottom of the picture.
    pic = parse_bmp(bmp_with(pixel=lambda x, y: (255, 0, 0) if y == 0 else (0, 0, 255)), "rows")
    if pic.rgb[0:3] != b"\xff\x00\x00" or pic.rgb[-3:] != b"\x00\x00\xff":
        failures.append("the reader turned the rows or the channels round")

    state = 12345

    def noise(x, y):
        nonlocal state
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        return (state >> 8 & 255, state >> 16 & 255, state >> 4 & 255)

    if not check_each([parse_bmp(bmp_with(pixel=noise), "noise.bmp")]):
        failures.append("random noise passed as a portrait")
    if not check_each([parse_bmp(bmp_with(pixel=lambda x, y: (40, 90, 200)), "flat.bmp")]):
        failures.append("a single flat colour passed as a portrait")

    _, pictures = load_data_folder(folder)
    if not pictures:
        return failures + [f"no portraits in {folder} to test with"]
    base = pictures[0]
    twin = Picture("twin.bmp", base.rgb)
    if not check_pairs([base, twin]):
        failures.append("two identical portraits passed as different")
    # The same drawing recoloured: channels rotated and brightness inverted.
    p = base.rgb
    recoloured = bytearray(len(p))
    recoloured[0::3], recoloured[1::3], recoloured[2::3] = p[1::3], p[2::3], p[0::3]
    recoloured = Picture("recoloured.bmp", bytes(255 - v for v in recoloured))
    if mean_difference(base, recoloured) < MIN_PAIR_DIFFERENCE:
        failures.append("the recoloured copy is too close in colour to test the outline check")
    if not any("outlines" in problem for problem in check_pairs([base, recoloured])):
        failures.append("a recoloured copy of a portrait passed as a different portrait")
    if check_each([base]):
        failures.append(f"{base.name} itself fails the single-picture checks")
    return failures


def main(argv):
    parser = argparse.ArgumentParser(description="Checks the portraits and font in a data folder.")
    parser.add_argument("--data", required=True, help="the data folder to check")
    parser.add_argument("--generator", help="draw the portraits again with this and compare")
    parser.add_argument("--font-source", help="the font file ZUDEV.TTF must be a copy of")
    parser.add_argument(
        "--self-test",
        action="store_true",
        help="show that every check rejects a picture made to break it",
    )
    args = parser.parse_args(argv[1:])
    if args.self_test:
        problems = self_test(args.data)
    else:
        problems, pictures = load_data_folder(args.data)
        problems += check_each(pictures)
        problems += check_pairs(pictures)
        if args.generator:
            problems += check_determinism(args.generator, args.data)
        if args.font_source and os.path.isfile(args.font_source):
            problems += check_font(args.data, args.font_source)
    for problem in problems:
        print("FAIL: " + problem)
    if not problems:
        print("all checks passed")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
