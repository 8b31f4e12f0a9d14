"""A message box's text read from a screenshot of the box: the band of dark text above its
button, and whether that band is real characters or one shape drawn again and again, as a
font without the characters draws them (the same empty square for each)."""

import collections

# Text is dark on the box's light face, and may be antialiased: a pixel this much darker than
# the face counts as ink. The button below has dark edges too.
INK_CONTRAST = 0x30
# Columns this close to the box's sides are left out, in case a frame is drawn there.
SIDE_MARGIN = 4


def text_columns(frame):
    """The first band of rows with ink from the top of the box, as a list of columns (each a
    tuple of booleans, top to bottom) from its first to its last inked column; [] when the box
    shows no ink at all."""
    face = collections.Counter(frame.pixels(0, 0, frame.width, frame.height)).most_common(1)[0][0]
    limit = max(face) - INK_CONTRAST

    def is_ink(p):
        return max(p) < limit

    x0, x1 = SIDE_MARGIN, frame.width - SIDE_MARGIN
    inked_rows = [
        any(is_ink(p) for p in frame.pixels(x0, y, x1, y + 1)) for y in range(frame.height)
    ]
    if True not in inked_rows:
        return []
    top = inked_rows.index(True)
    bottom = top
    while bottom < frame.height and inked_rows[bottom]:
        bottom += 1
    columns = [
        tuple(is_ink(frame.pixel(x, y)) for y in range(top, bottom)) for x in range(x0, x1)
    ]
    inked = [i for i, column in enumerate(columns) if any(column)]
    return columns[inked[0] : inked[-1] + 1]


def repeat_period(columns, count):
    """The step p when the band is a single shape drawn `count` times p pixels apart (every
    column equals the one p to its right), else None."""
    width = len(columns)
    for period in range(2, width // (count - 1) + 1):
        if all(columns[x] == columns[x + period] for x in range(width - period)):
            return period
    return None


def glyph_problems(frame, count):
    """What is wrong with a box meant to show `count` different characters on its first line:
    [] when they look like characters."""
    columns = text_columns(frame)
    if not columns:
        return ["no text in the box"]
    height = len(columns[0])
    problems = []
    if height < 8:
        problems.append("the text is only %d pixels high" % height)
    if len(columns) < count * 4:
        problems.append("the text is only %d pixels wide for %d characters" % (len(columns), count))
    period = repeat_period(columns, count)
    if period is not None:
        problems.append(
            "the text is one shape drawn %d times %d pixels apart (empty squares), not characters"
            % (count, period)
        )
    return problems
