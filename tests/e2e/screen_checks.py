"""What the game's screens show, read from the pixels of its 640 x 480 client area: the title
screen's roster, portrait and help lines, and the match screen's board, bars, caption, timer
and cell marks.

Text is drawn antialiased, so a glyph's pixels are its colour scaled by how much of the pixel
the stroke covers: a white glyph gives grey levels up to nearly white, a grey (0x808080) glyph
never more than 0x80 in any channel, a red glyph (x, 0, 0). Colours are therefore told apart
by which channels are lit and how bright the brightest pixels are, not by exact values; the
solid shapes (bars, cell marks) are compared exactly."""

# Element numbers and the channels their glyph colour lights (red, green, blue).
ELEMENT_CHANNELS = {
    1: (1, 0, 0),  # fire, red
    2: (1, 1, 1),  # metal, white
    3: (0, 1, 0),  # wood, green
    4: (1, 1, 0),  # earth, yellow
    5: (0, 0, 1),  # water, blue
}
ELEMENT_LETTER = {1: "F", 2: "M", 3: "W", 4: "E", 5: "A"}  # A for aqua: water

ORANGE = (255, 128, 0)
BLUE = (0, 0, 255)

ROSTER_ROWS = 16
PORTRAIT_SIZE = 128


def channel_pattern(p):
    """Which channels a pixel of an antialiased solid-colour glyph lights, or None when the
    pixel is too dark to tell or its channels are not in the proportions of one such colour."""
    top = max(p)
    if top < 0x50:
        return None
    pattern = []
    for c in p:
        if c * 100 >= top * 85:
            pattern.append(1)
        elif c * 100 <= top * 10:
            pattern.append(0)
        else:
            return None
    return tuple(pattern)


def is_dark(p, limit=0x18):
    return max(p) <= limit


def dark_box(frame, x0, y0, x1, y1):
    """True when nothing is drawn in the box."""
    return all(is_dark(p) for p in frame.pixels(x0, y0, x1, y1))


# ---- Title screen ----------------------------------------------------------------------


def text_shade(pixels):
    """'white' for neutral text brighter than grey text can be, 'grey' for neutral text no
    brighter than 0x80, None for no text or coloured pixels."""
    lit = [p for p in pixels if not is_dark(p)]
    if len(lit) < 20:
        return None
    if any(not (p[0] == p[1] == p[2]) for p in lit):
        return None
    bright = sum(1 for p in lit if p[0] > 0x80)
    if bright >= 3:
        return "white"
    if bright == 0 and max(p[0] for p in lit) >= 0x40:
        return "grey"
    return None


def roster_box(row):
    y = 32 + 16 * row
    return 124, y, 300, y + 16


def roster_shades(frame):
    """The shade of each of the 16 roster rows, drawn at x 128 from y 32."""
    return [text_shade(frame.pixels(*roster_box(row))) for row in range(ROSTER_ROWS)]


def roster_problems(frame, selected):
    """Why the roster does not show entry `selected` white and the others grey ([] if it
    does)."""
    problems = []
    shades = roster_shades(frame)
    for row, shade in enumerate(shades):
        want = "white" if row == selected else "grey"
        if shade != want:
            problems.append("roster row %d is %s, not %s" % (row, shade, want))
    if not dark_box(frame, 0, 24, 122, 300):
        problems.append("something is drawn left of the roster's x 128")
    return problems


def help_problems(frame):
    """The six help lines at x 8, y 328 to 408: white text in each 16-pixel row."""
    problems = []
    for line in range(6):
        y = 328 + 16 * line
        shade = text_shade(frame.pixels(4, y, 640, y + 16))
        if shade != "white":
            problems.append("help line %d at y %d is %s, not white" % (line, y, shade))
    if not dark_box(frame, 0, 324, 6, 424):
        problems.append("something is drawn left of the help lines' x 8")
    return problems


def portrait_match(frame, left, top, bitmap, step=2):
    """How many of the sampled pixels of the 128 x 128 square at (left, top) equal the
    bitmap's top-left 128 x 128 pixels, as a fraction, and the texel shift that matched best.

    Texels map one to one onto pixels, but the pixel centres on the quad's top and left edges
    fall exactly on a texel boundary, where the wrapping sampler may take the far side's texel:
    the picture may then show shifted by one pixel, its last row or column wrapped to the
    first. Both shifts are tried on each axis."""
    best = (0.0, (0, 0))
    for sx in (0, 1):
        for sy in (0, 1):
            same = total = 0
            for dy in range(0, PORTRAIT_SIZE, step):
                for dx in range(0, PORTRAIT_SIZE, step):
                    want = bitmap.pixel((dx - sx) % PORTRAIT_SIZE, (dy - sy) % PORTRAIT_SIZE)
                    got = frame.pixel(left + dx, top + dy)
                    total += 1
                    if max(abs(a - b) for a, b in zip(want, got)) <= 3:
                        same += 1
            if same / total > best[0]:
                best = (same / total, (sx, sy))
    return best


def portrait_problems(frame, left, top, bitmap, name):
    """The portrait fills exactly left..left+128 x top..top+128 with the bitmap's pixels."""
    problems = []
    fraction, shift = portrait_match(frame, left, top, bitmap)
    if fraction < 0.98:
        problems.append(
            "the square at (%d, %d) matches %s in only %.1f%% of its pixels"
            % (left, top, name, 100 * fraction)
        )
    size = PORTRAIT_SIZE
    border = [
        (left - 1, top, left, top + size),
        (left + size, top, left + size + 1, top + size),
        (left, top - 1, left + size, top),
        (left, top + size, left + size, top + size + 1),
    ]
    for box in border:
        if not dark_box(frame, *box):
            problems.append("the portrait spills over its square at %s" % (box,))
    return problems


# ---- Match screen -----------------------------------------------------------------------


def cell_box(col, row):
    return 176 + 48 * col, 96 + 48 * row, 216 + 48 * col, 136 + 48 * row


def mark_box(col, row):
    return 188 + 48 * col, 108 + 48 * row, 204 + 48 * col, 124 + 48 * row


def cell_element(frame, col, row):
    """The element whose colour the glyph in a cell's 40-pixel box has, or None. The centre
    square, where the cursor and the selection are drawn, is left out."""
    x0, y0, x1, y1 = cell_box(col, row)
    mx0, my0, mx1, my1 = mark_box(col, row)
    counts = {}
    classified = 0
    for y in range(y0, y1):
        for x in range(x0, x1):
            if mx0 <= x < mx1 and my0 <= y < my1:
                continue
            pattern = channel_pattern(frame.pixel(x, y))
            if pattern is None:
                continue
            classified += 1
            for element, channels in ELEMENT_CHANNELS.items():
                if channels == pattern:
                    counts[element] = counts.get(element, 0) + 1
    if not counts:
        return None
    element, count = max(counts.items(), key=lambda item: item[1])
    if count < 30 or count < 0.9 * classified:
        return None
    return element


def read_board(frame):
    """The 36 cells row by row (index = row * 6 + col); None where no element is seen."""
    return [cell_element(frame, i % 6, i // 6) for i in range(36)]


def board_text(board):
    rows = []
    for row in range(6):
        rows.append("".join(ELEMENT_LETTER.get(board[row * 6 + col], "?") for col in range(6)))
    return "/".join(rows)


def cell_marks(frame):
    """The solid 16 x 16 squares on the board: {(col, row): 'orange' or 'blue'}."""
    marks = {}
    for row in range(6):
        for col in range(6):
            pixels = frame.pixels(*mark_box(col, row))
            if sum(1 for p in pixels if p == ORANGE) >= 250:
                marks[(col, row)] = "orange"
            elif sum(1 for p in pixels if p == BLUE) >= 250:
                marks[(col, row)] = "blue"
    return marks


def bar_problems(frame):
    """Both hit-point bars full: 240 one-pixel lines from y 32 to 39, red at the screen edge,
    player 1's from x 8 to 247 and player 2's from x 632 down to 393."""
    problems = []
    for y in range(32, 40):
        for x in (8, 632):
            if frame.pixel(x, y) != (255, 0, 0):
                problems.append("bar pixel (%d, %d) is %s, not red" % (x, y, frame.pixel(x, y)))
        for x in (247, 393):
            if is_dark(frame.pixel(x, y), 0):
                problems.append("bar pixel (%d, %d) is black" % (x, y))
        for x in (7, 248, 392, 633):
            if not is_dark(frame.pixel(x, y), 0):
                problems.append("(%d, %d) beyond the bar is %s" % (x, y, frame.pixel(x, y)))
    gaps = [x for x in list(range(8, 248)) + list(range(393, 633)) if is_dark(frame.pixel(x, 35))]
    if gaps:
        problems.append("the bars have gaps at x %s" % gaps[:10])
    for y in (31, 40):
        if not is_dark(frame.pixel(8, y), 0) or not is_dark(frame.pixel(632, y), 0):
            problems.append("the bars reach row %d" % y)
    return problems


CAPTION_BOX = (236, 52, 444, 94)
TIMER_BOX = (276, 22, 393, 46)


def caption_shown(frame):
    """The turn caption at (240, 56) is white text (large enough for fully covered pixels)."""
    lit = [p for p in frame.pixels(*CAPTION_BOX) if not is_dark(p)]
    return (
        len(lit) >= 200
        and all(p[0] == p[1] == p[2] for p in lit)
        and sum(1 for p in lit if p[0] >= 0xC0) >= 50
    )


def caption_bytes(frame):
    return frame.box_bytes(*CAPTION_BOX)


def timer_colour(frame):
    """'white' or 'red' for the timer text at (280, 24), None when it is not there."""
    lit = [p for p in frame.pixels(*TIMER_BOX) if not is_dark(p)]
    white = sum(1 for p in lit if p[0] == p[1] == p[2] and p[0] > 0x80)
    red = sum(1 for p in lit if p[0] > 0x80 and p[1] == 0 and p[2] == 0)
    other = sum(1 for p in lit if not (p[0] == p[1] == p[2]) and not (p[1] == 0 and p[2] == 0))
    if other:
        return None
    if white >= 10 and red == 0:
        return "white"
    if red >= 10 and white == 0:
        return "red"
    return None


def timer_bytes(frame):
    return frame.box_bytes(*TIMER_BOX)


def match_problems(frame, bitmap, portrait_name, caption_reference=None):
    """Everything the first frames of a match show: 36 coloured glyphs, both full bars, the
    timer, the caption and the opponent's portrait at (480, 176)."""
    problems = []
    board = read_board(frame)
    unseen = [(i % 6, i // 6) for i, e in enumerate(board) if e is None]
    if unseen:
        problems.append("no element colour in cells %s" % unseen)
    problems += bar_problems(frame)
    if timer_colour(frame) is None:
        problems.append("no white or red timer text at (280, 24)")
    if not caption_shown(frame):
        problems.append("no caption at (240, 56)")
    elif caption_reference is not None and caption_bytes(frame) != caption_reference:
        problems.append("the caption is not the expected one")
    problems += portrait_problems(frame, 480, 176, bitmap, portrait_name)
    return problems


# The winner text ("1Pのかち" / "2Pのかち", 36 high at (240, 400)): its upper part lies above the
# queue listings' row at y 416, where nothing else of the match screen is drawn.
WINNER_BOX = (236, 398, 460, 415)


def winner_text_shown(frame):
    lit = [p for p in frame.pixels(*WINNER_BOX) if not is_dark(p)]
    return (
        len(lit) >= 40
        and all(p[0] == p[1] == p[2] for p in lit)
        and sum(1 for p in lit if p[0] >= 0xC0) >= 10
    )


def bar_present(frame, player):
    """Whether a player's hit-point bar has its red first line (x 8 or x 632, rows 32..39)."""
    x = 8 if player == 0 else 632
    return all(frame.pixel(x, y) == (255, 0, 0) for y in range(32, 40))
