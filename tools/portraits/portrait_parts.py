"""Features the portraits share in spirit: backgrounds, eyes, mouths, shoulders, badges.

Each helper takes its colours and proportions as arguments, so the characters that use one
still look their own.
"""

import math
import random

from portrait_canvas import bezier, ellipse_points, mix, shade


# ---- backgrounds --------------------------------------------------------------------------


def vertical_gradient(canvas, top, bottom, stops=None):
    """Top to bottom; `stops` optionally lists (position 0..1, colour) between them."""
    points = [(0.0, top)] + (stops or []) + [(1.0, bottom)]
    size = canvas.size

    def shader(x, y):
        t = y / size
        for (t0, c0), (t1, c1) in zip(points, points[1:]):
            if t <= t1:
                return mix(c0, c1, (t - t0) / (t1 - t0) if t1 > t0 else 0.0)
        return points[-1][1]

    canvas.fill(shader)


def radial_gradient(canvas, inner, outer, cx=64.0, cy=56.0, radius=96.0):
    def shader(x, y):
        return mix(inner, outer, math.hypot(x - cx, y - cy) / radius)

    canvas.fill(shader)


def sparkles(canvas, seed, count, colour, area=(0, 0, 128, 128), size=(0.6, 1.6), avoid=None):
    """Small four-pointed glints scattered reproducibly (the seed fixes every position)."""
    rng = random.Random(seed)
    x0, y0, x1, y1 = area
    for _ in range(count):
        x, y = rng.uniform(x0, x1), rng.uniform(y0, y1)
        r = rng.uniform(*size)
        if avoid and avoid(x, y):
            continue
        glint = []
        for k in range(8):
            d = r * (2.4 if k % 2 == 0 else 0.5)
            t = math.pi * k / 4
            glint.append((x + d * math.cos(t), y + d * math.sin(t)))
        canvas.polygon(glint, colour, 0.85)


# ---- faces --------------------------------------------------------------------------------


def face_shape(cx, top, width, cheek_y, chin_y, chin_width=0.35):
    """A rounded face outline: a dome above the cheeks and a tapering jaw to the chin."""
    half = width / 2.0
    right = ellipse_points(cx, cheek_y, half, cheek_y - top, start=-math.pi / 2, end=0.0, steps=24)
    jaw = bezier(
        (cx + half, cheek_y),
        (cx + half, chin_y - 6),
        (cx + half * chin_width, chin_y),
        (cx, chin_y),
        steps=20,
    )
    left = [(2 * cx - x, y) for (x, y) in reversed(right + jaw)]
    return right + jaw[1:] + left[1:]


def anime_eye(
    canvas,
    cx,
    cy,
    w,
    h,
    iris,
    lash=(30, 24, 30),
    look=(0.0, 0.0),
    lid_tilt=0.0,
    sclera=(250, 250, 252),
    pupil=None,
    shine=(255, 255, 255),
):
    """A large bright eye: white, iris with a darker top and a pupil, two glints, an upper lash.

    lid_tilt > 0 lifts the outer corner of the right eye; pass it negated for the left eye.
    """
    canvas.ellipse(cx, cy, w, h, sclera)
    ix, iy = cx + look[0] * w * 0.35, cy + look[1] * h * 0.25
    canvas.ellipse(ix, iy, w * 0.66, h * 0.92, shade(iris, 0.55))
    canvas.ellipse(ix, iy + h * 0.12, w * 0.55, h * 0.74, iris)
    canvas.ellipse(ix, iy + h * 0.42, w * 0.4, h * 0.3, shade(iris, 1.35))
    canvas.ellipse(ix, iy + h * 0.05, w * 0.27, h * 0.38, pupil or shade(iris, 0.25))
    canvas.circle(ix - w * 0.25, iy - h * 0.3, max(0.8, w * 0.2), shine)
    canvas.circle(ix + w * 0.22, iy + h * 0.35, max(0.5, w * 0.1), shine, 0.8)
    # Upper lid: a thick arc across the top of the eye, heavier at the outer end.
    top = ellipse_points(
        cx, cy + h * 0.1, w * 1.12, h * 1.15, start=math.pi * 1.08, end=math.pi * 1.92, steps=18
    )
    top = [(x, y - lid_tilt * (x - cx) / w) for (x, y) in top]
    canvas.stroke(top, max(1.2, h * 0.28), lash)


def closed_eye(canvas, cx, cy, w, colour, width=1.6, smiling=True):
    """A shut eye: an upward arc when smiling, a gentle downward curve when resting."""
    if smiling:
        pts = ellipse_points(cx, cy + w * 0.45, w, w * 0.6, start=math.pi * 1.1, end=math.pi * 1.9)
    else:
        pts = ellipse_points(cx, cy - w * 0.35, w, w * 0.5, start=math.pi * 0.1, end=math.pi * 0.9)
    canvas.stroke(pts, width, colour)


def smile(canvas, cx, cy, w, depth, colour, width=1.4):
    canvas.stroke(bezier((cx - w, cy), (cx, cy + depth * 2), (cx + w, cy)), width, colour)


def open_mouth(canvas, cx, cy, w, h, inside=(120, 30, 40), tongue=(230, 110, 120), top_flat=True):
    """An open mouth, flat along the top when top_flat (a grin), else an oval (a gasp)."""
    if top_flat:
        outline = [(cx - w, cy)] + bezier(
            (cx - w, cy), (cx - w * 0.6, cy + h * 1.3), (cx + w * 0.6, cy + h * 1.3), (cx + w, cy)
        )
    else:
        outline = ellipse_points(cx, cy, w, h)
    canvas.polygon(outline, inside)
    canvas.ellipse(cx, cy + h * (0.7 if top_flat else 0.45), w * 0.55, h * 0.35, tongue)


def blush(canvas, cx, cy, rx, ry, colour=(240, 120, 140), alpha=0.45):
    canvas.ellipse(cx, cy, rx, ry, colour, alpha)


# ---- bodies and badges --------------------------------------------------------------------


def shoulders(
    canvas, colour, neck_colour, neck_width=14.0, neck_top=84.0, top=100.0, width=96.0, cx=64.0
):
    """Neck and a rounded pair of shoulders running off the bottom of the picture."""
    canvas.rect(cx - neck_width / 2, neck_top, cx + neck_width / 2, top + 6, neck_colour)
    half = width / 2.0
    outline = (
        [(cx - half - 8, 130.0)]
        + bezier(
            (cx - half, 130.0), (cx - half, top + 2), (cx - half * 0.55, top), (cx, top), steps=16
        )
        + bezier(
            (cx, top), (cx + half * 0.55, top), (cx + half, top + 2), (cx + half, 130.0), steps=16
        )
        + [(cx + half + 8, 130.0)]
    )
    canvas.polygon(outline, colour)


def badge(canvas, cx, cy, r, face, rim, rim_width=1.6):
    """A round plate for an emblem, with a rim and a soft highlight."""
    canvas.circle(cx + 0.8, cy + 1.2, r + rim_width, (0, 0, 0), 0.3)
    canvas.circle(cx, cy, r + rim_width, rim)
    canvas.circle(cx, cy, r, face)
    canvas.ellipse(cx - r * 0.3, cy - r * 0.45, r * 0.55, r * 0.28, (255, 255, 255), 0.25)
