"""The fifteen opponents' portraits, one drawing function per picture file.

Every portrait is a head-and-shoulders picture on a background of its own, with an emblem
that says who the character is. Everything is drawn from fixed shapes and seeded random
scatter, so the same program always draws the same pictures.
"""

import math
import random

import roster
from portrait_canvas import Canvas, bezier, ellipse_points, hex_colour as C, mix, shade, star_points
from portrait_parts import (
    anime_eye,
    badge,
    blush,
    closed_eye,
    face_shape,
    open_mouth,
    radial_gradient,
    shoulders,
    smile,
    sparkles,
    vertical_gradient,
)


def lock(root_a, root_b, tip, bend=0.0):
    """A pointed lock of hair from a root edge (a to b) to a tip; bend bows it sideways."""
    mid_a = ((root_a[0] + tip[0]) / 2 + bend, (root_a[1] + tip[1]) / 2)
    mid_b = ((root_b[0] + tip[0]) / 2 + bend, (root_b[1] + tip[1]) / 2)
    return bezier(root_a, mid_a, tip, steps=14) + bezier(tip, mid_b, root_b, steps=14)[1:]


def thorn_vine(canvas, points, colour, thorn, width=2.2, every=3, size=2.6):
    """A vine along the points with small thorns alternating on each side."""
    canvas.stroke(points, width, colour)
    for k in range(1, len(points) - 1, every):
        (x0, y0), (x1, y1) = points[k - 1], points[k + 1]
        length = math.hypot(x1 - x0, y1 - y0) or 1.0
        nx, ny = -(y1 - y0) / length, (x1 - x0) / length
        side = 1 if (k // every) % 2 == 0 else -1
        x, y = points[k]
        tx, ty = (x1 - x0) / length, (y1 - y0) / length
        canvas.polygon(
            [
                (x - tx * 1.2, y - ty * 1.2),
                (x + tx * 1.2, y + ty * 1.2),
                (x + side * nx * size + tx * 1.5, y + side * ny * size + ty * 1.5),
            ],
            thorn,
        )


# ---- ミラ (also the second player's picture): a star-gazing girl under the night sky -------


def draw_mira(c):
    radial_gradient(c, C("4a3a9a"), C("120c34"), cx=64, cy=60, radius=100)
    sparkles(c, 11, 26, C("fff6c8"), size=(0.4, 1.2), avoid=lambda x, y: 30 < x < 98 and y > 20)
    hair, hair_dark, hair_light = C("d4579c"), C("9a2f6e"), C("f08cc0")
    skin = C("ffe4d2")
    # Long hair behind the head and shoulders.
    c.polygon(
        [(30, 50)]
        + bezier((30, 50), (22, 80), (24, 104), (18, 128), steps=16)
        + [(110, 128)]
        + bezier((110, 128), (104, 104), (106, 80), (98, 50), steps=16),
        hair_dark,
    )
    c.ellipse(64, 52, 36, 34, hair)
    # Sailor-style jacket.
    shoulders(c, C("23306e"), shade(skin, 0.9), neck_width=13, neck_top=82, top=101, width=92)
    c.polygon([(44, 101), (64, 124), (84, 101), (76, 100), (64, 112), (52, 100)], C("f4f4fa"))
    c.polygon([(58, 112), (64, 124), (70, 112), (64, 118)], C("d83a5a"))
    # Face.
    c.polygon(face_shape(64, 30, 50, 58, 88, 0.32), skin)
    blush(c, 49, 72, 6, 3)
    blush(c, 79, 72, 6, 3)
    anime_eye(c, 52, 63, 7.2, 8.5, C("2f9ee0"), lid_tilt=-1.2)
    anime_eye(c, 76, 63, 7.2, 8.5, C("2f9ee0"), lid_tilt=1.2)
    c.stroke(bezier((45, 52), (51, 49), (57, 51)), 1.3, hair_dark)
    c.stroke(bezier((71, 51), (77, 49), (83, 52)), 1.3, hair_dark)
    smile(c, 64, 79, 4.5, 2.2, C("b04050"), 1.3)
    # Fringe: pointed locks sweeping right.
    c.polygon(
        bezier((26, 58), (24, 26), (50, 16), (66, 18), steps=18)
        + bezier((66, 18), (92, 16), (104, 34), (102, 60), steps=18)
        + [
            (98, 46),
            (92, 38),
            (84, 50),
            (78, 34),
            (66, 46),
            (62, 32),
            (50, 46),
            (46, 34),
            (36, 48),
            (32, 40),
        ],
        hair,
    )
    c.polygon(lock((30, 40), (40, 36), (28, 78), bend=-3), hair)
    c.polygon(lock((90, 36), (100, 42), (101, 80), bend=3), hair)
    c.stroke(bezier((40, 24), (56, 18), (74, 20)), 2.2, hair_light, 0.7)
    # Star hairpin.
    c.polygon(star_points(92, 30, 8.5, 3.6), C("b07a10"))
    c.polygon(star_points(92, 30, 7, 2.9), C("ffd84a"))
    # Emblem: a gold star in a night-blue badge.
    badge(c, 112, 16, 11, C("1e1a58"), C("e8c04a"))
    c.polygon(star_points(112, 16.5, 8, 3.3), C("ffd84a"))


# ---- えええ: a startled little blob, mid-shriek ---------------------------------------------


def draw_eee(c):
    c.fill(
        lambda x, y: C("fff7a8")
        if int((math.atan2(y - 70, x - 64) + math.pi) / (math.pi / 12)) % 2
        else C("d8f07a")
    )
    body, body_dark = C("fff3d6"), C("e9c98f")
    # Arms thrown up in alarm, with little three-fingered hands.
    for side in (-1, 1):
        arm = bezier(
            (64 + side * 30, 90), (64 + side * 46, 84), (64 + side * 50, 64), (64 + side * 48, 50)
        )
        c.stroke(arm, 9.0, body_dark)
        c.stroke(arm, 6.4, body)
        for spread in (-0.6, 0.0, 0.6):
            t = -math.pi / 2 + spread + side * 0.25
            c.circle(64 + side * 48 + 6 * math.cos(t), 48 + 6 * math.sin(t), 2.6, body_dark)
        c.circle(64 + side * 48, 49, 5.0, body)
    c.ellipse(64, 76, 40, 38, body_dark)
    c.ellipse(62, 74, 38, 36, body)
    c.ellipse(50, 56, 12, 7, (255, 255, 255), 0.6)
    # Antenna sprout.
    c.stroke(bezier((64, 39), (60, 28), (72, 24), (68, 16)), 2.4, C("6aa02a"))
    c.ellipse(74, 16, 7, 4, C("8cc63a"), angle=-0.5)
    # Huge staring eyes with tiny pupils.
    for x in (48, 80):
        c.ellipse(x, 66, 11, 13, (255, 255, 255))
        c.arc(x, 66, 11, 13, 0, 2 * math.pi, 1.4, C("3a2a1a"))
        c.circle(x, 67, 2.6, C("1a1a1a"))
    # Shock lines on the brow and a gasping mouth.
    for x in (54, 60, 66, 72):
        c.stroke([(x, 42), (x, 50)], 1.4, C("5a6ad0"), 0.8)
    open_mouth(c, 64, 94, 8, 10, inside=C("7a2030"), tongue=C("f07a8a"), top_flat=False)
    # Sweat drops.
    for x, y, r in ((26, 60, 4.0), (100, 58, 3.4), (34, 44, 2.6)):
        c.polygon(
            [(x, y - r * 2.4)] + ellipse_points(x, y, r, r, start=-0.35, end=math.pi + 0.35),
            C("7fd0ff"),
        )
        c.circle(x - r * 0.35, y - r * 0.2, r * 0.3, (255, 255, 255))
    # Emblem: a speech bubble that can only say "!!".
    c.ellipse(106, 20, 17, 13, (255, 255, 255))
    c.polygon([(96, 28), (92, 40), (104, 31)], (255, 255, 255))
    c.arc(106, 20, 17, 13, 0, 2 * math.pi, 1.2, C("303030"))
    for x in (101, 111):
        c.polygon([(x - 2.2, 11), (x + 2.2, 11), (x + 1.0, 23), (x - 1.0, 23)], C("e03030"))
        c.circle(x, 27, 1.6, C("e03030"))


# ---- むか: a fuming red imp ----------------------------------------------------------------


def draw_muka(c):
    c.fill(lambda x, y: C("ff8a3a") if int((x + y * 0.6) / 9) % 2 else C("ffa85a"))
    skin, skin_dark = C("e4503a"), C("b33422")
    # Steam from the ears.
    for x, y, r in (
        (22, 36, 6),
        (14, 26, 4.5),
        (10, 15, 3.5),
        (106, 36, 6),
        (114, 26, 4.5),
        (118, 15, 3.5),
    ):
        c.circle(x, y, r, (255, 255, 255), 0.8)
    shoulders(c, C("2b2b3a"), skin_dark, neck_width=16, neck_top=86, top=104, width=84)
    c.polygon([(40, 128), (52, 104), (64, 116), (76, 104), (88, 128)], C("4a4a60"))
    # Horns.
    for side in (-1, 1):
        c.polygon(
            bezier((64 + side * 14, 36), (64 + side * 18, 22), (64 + side * 30, 16), steps=10)
            + bezier((64 + side * 30, 16), (64 + side * 26, 28), (64 + side * 24, 40), steps=10),
            C("f4e6c8"),
        )
    # Pointed ears and a round head.
    for side in (-1, 1):
        c.polygon([(64 + side * 28, 58), (64 + side * 46, 44), (64 + side * 30, 72)], skin_dark)
    c.ellipse(64, 64, 32, 30, skin)
    c.ellipse(56, 50, 14, 8, (255, 255, 255), 0.18)
    # Furious eyes under V brows.
    for side in (-1, 1):
        x = 64 + side * 12
        c.ellipse(x, 62, 6.5, 5.5, (255, 255, 255))
        c.circle(x - side * 1.5, 63, 2.2, C("1a1010"))
        c.polygon(
            [(64 + side * 3, 55), (64 + side * 22, 47), (64 + side * 22, 51), (64 + side * 4, 59)],
            C("3a1010"),
        )
        c.polygon([(64 + side * 4, 60), (64 + side * 20, 54), (64 + side * 20, 57)], skin)
    # Clenched frown with one fang.
    c.stroke(bezier((50, 84), (56, 76), (72, 76), (78, 84)), 2.4, C("3a1010"))
    c.polygon([(67, 78.5), (72, 78.5), (69.5, 85)], (255, 255, 255))
    # Emblem: the anger mark, white-edged.
    cx, cy = 106, 104
    for dx, dy in ((-1, -1), (1, -1), (-1, 1), (1, 1)):
        pts = bezier(
            (cx + dx * 3, cy + dy * 12), (cx + dx * 4, cy + dy * 4), (cx + dx * 12, cy + dy * 3)
        )
        c.stroke(pts, 6.5, (255, 255, 255))
    for dx, dy in ((-1, -1), (1, -1), (-1, 1), (1, 1)):
        pts = bezier(
            (cx + dx * 3, cy + dy * 12), (cx + dx * 4, cy + dy * 4), (cx + dx * 12, cy + dy * 3)
        )
        c.stroke(pts, 3.2, C("d01830"))


# ---- パルヴィン: an elven moon-sorceress ------------------------------------------------------


def draw_palvine(c):
    c.fill(
        lambda x, y: mix(C("2a6a70"), C("123a48"), y / 128)
        if (int((x + y) / 12) + int((x - y + 256) / 12)) % 2
        else mix(C("327a7c"), C("184452"), y / 128)
    )
    sparkles(c, 3, 16, C("bff4e8"), size=(0.3, 0.9))
    hair, hair_dark, hair_light = C("c8c0ec"), C("8e84c4"), C("f2eeff")
    skin = C("fbe8dc")
    c.polygon(
        [(28, 44)]
        + bezier((28, 44), (20, 84), (26, 112), (22, 128), steps=14)
        + [(106, 128)]
        + bezier((106, 128), (102, 112), (108, 84), (100, 44), steps=14),
        hair_dark,
    )
    c.ellipse(64, 50, 36, 32, hair)
    shoulders(c, C("4b2a7a"), shade(skin, 0.9), neck_width=12, neck_top=82, top=103, width=88)
    c.polygon([(50, 103), (64, 128), (78, 103), (74, 96), (64, 112), (54, 96)], C("d8b24a"))
    c.polygon([(52, 98), (64, 110), (76, 98), (72, 92), (64, 100), (56, 92)], C("4b2a7a"))
    # Long pointed ears.
    c.polygon(face_shape(64, 32, 46, 58, 88, 0.25), skin)
    # Calm, half-lidded violet eyes.
    for side in (-1, 1):
        x = 64 + side * 11
        c.ellipse(x, 64, 6.5, 4.5, (255, 255, 255))
        c.ellipse(x, 64.5, 3.8, 4.2, C("7a3ab8"))
        c.circle(x, 64.5, 1.6, C("2a1040"))
        c.circle(x - 1.2, 63.2, 0.9, (255, 255, 255))
        c.polygon(
            [
                (x - side * 7.5, 63.5),
                (x - side * 2, 59.5),
                (x + side * 7.5, 61.5),
                (x + side * 8.5, 58.5),
                (x + side * 1, 58),
                (x - side * 6, 61),
            ],
            C("40305a"),
        )
        c.stroke([(x - side * 5, 55), (x + side * 6, 53)], 1.0, hair_dark)
    c.stroke(bezier((60, 80), (64, 82), (68, 80)), 1.6, C("b04878"))
    # Hair parted in the middle, falling straight.
    for side in (-1, 1):
        curtain = (
            bezier(
                (64, 26), (64 - side * 24, 22), (64 - side * 32, 40), (64 - side * 30, 96), steps=16
            )
            + [(64 - side * 24, 96)]
            + bezier(
                (64 - side * 24, 96), (64 - side * 22, 64), (64 - side * 18, 40), (64, 30), steps=16
            )
        )
        c.polygon(curtain, hair)
        c.stroke(
            bezier(
                (64 - side * 10, 28),
                (64 - side * 22, 34),
                (64 - side * 26, 60),
                (64 - side * 27, 92),
            ),
            1.2,
            hair_light,
            0.8,
        )
        c.stroke(
            bezier((64 - side * 18, 30), (64 - side * 28, 44), (64 - side * 28, 70)),
            1.0,
            hair_dark,
            0.5,
        )
    for side in (-1, 1):
        c.polygon(
            [(64 + side * 26, 58), (64 + side * 46, 42), (64 + side * 28, 70)], shade(skin, 0.95)
        )
        c.polygon([(64 + side * 28, 60), (64 + side * 42, 46), (64 + side * 29, 66)], C("f0c8c0"))
    # Circlet with an emerald.
    c.stroke(bezier((38, 44), (50, 36), (78, 36), (90, 44)), 2.2, C("d8b24a"))
    c.polygon([(64, 33), (69, 39), (64, 46), (59, 39)], C("a47a18"))
    c.polygon([(64, 35), (67.5, 39), (64, 44), (60.5, 39)], C("3ad08a"))
    # Emblem: a crescent moon on a violet badge.
    badge(c, 17, 17, 11, C("5a3aa0"), C("d8b24a"))
    c.polygons(
        [ellipse_points(17, 17, 8, 8), ellipse_points(20.5, 14, 6.6, 6.6)[::-1]], C("fff2b0")
    )


# ---- カボンマル: a grinning pumpkin head under a harvest moon -----------------------------


def draw_kabon(c):
    vertical_gradient(c, C("1e1030"), C("4a2060"))
    sparkles(c, 4, 14, C("e0d0ff"), size=(0.3, 0.8), area=(0, 0, 128, 60))
    # Emblem: a bat crossing the moon.
    c.circle(26, 24, 17, C("f6e6a8"))
    c.circle(22, 20, 4, C("e6d08a"), 0.6)
    c.circle(32, 31, 3, C("e6d08a"), 0.6)
    bat = [
        (14, 22),
        (18, 20),
        (21, 23),
        (24, 20),
        (26, 24),
        (28, 20),
        (31, 23),
        (34, 20),
        (38, 22),
        (34, 25),
        (30, 28),
        (26, 30),
        (22, 28),
        (18, 25),
    ]
    c.polygon(bat, C("1e1030"))
    # Cloak with a tall collar.
    shoulders(c, C("1f5a34"), C("163d24"), neck_width=20, neck_top=96, top=106, width=100)
    c.polygon([(28, 128), (34, 96), (54, 108), (64, 128)], C("2a7a46"))
    c.polygon([(100, 128), (94, 96), (74, 108), (64, 128)], C("2a7a46"))
    # Ribbed pumpkin.
    orange, dark = C("f08a1c"), C("b85a0a")
    c.ellipse(64, 66, 44, 36, dark)
    for dx, rx, tone in (
        (-26, 18, 0.9),
        (26, 18, 0.9),
        (-13, 19, 1.0),
        (13, 19, 1.0),
        (0, 17, 1.08),
    ):
        c.ellipse(64 + dx, 66, rx, 34, shade(orange, tone))
    for dx in (-20, -7, 7, 20):
        c.stroke(bezier((64 + dx, 36), (64 + dx * 1.3, 66), (64 + dx, 98)), 1.2, dark, 0.6)
    # Stem and leaf.
    c.polygon([(58, 34), (60, 20), (66, 14), (70, 16), (66, 22), (67, 34)], C("4a6a20"))
    c.stroke(bezier((66, 26), (72, 30), (76, 26)), 1.2, C("4a6a20"))
    c.ellipse(84, 22, 10, 5, C("5aa030"), angle=-0.35)
    c.stroke(bezier((75, 25), (84, 22), (93, 19)), 0.8, C("2f6a1a"))
    # Carved face glowing from inside.
    glow, ember = C("ffe05a"), C("ff9a20")
    for side in (-1, 1):
        pts = [(64 + side * 8, 66), (64 + side * 26, 66), (64 + side * 17, 50)]
        c.polygon(pts, ember)
        c.polygon([(64 + side * 11, 64), (64 + side * 23, 64), (64 + side * 17, 54)], glow)
    c.polygon([(60, 74), (68, 74), (64, 68)], ember)
    mouth = [
        (38, 78),
        (46, 82),
        (50, 78),
        (56, 84),
        (62, 80),
        (68, 85),
        (74, 80),
        (80, 84),
        (84, 78),
        (90, 79),
        (84, 90),
        (74, 95),
        (64, 92),
        (54, 96),
        (44, 90),
    ]
    c.polygon(mouth, ember)
    c.polygon(
        [(x, y + (1.5 if y < 90 else -1.5)) for (x, y) in mouth][:1]
        + [
            (44, 82),
            (50, 81),
            (56, 87),
            (62, 83),
            (68, 88),
            (74, 83),
            (80, 87),
            (84, 82),
            (82, 88),
            (74, 92),
            (64, 89),
            (54, 93),
            (46, 88),
        ],
        glow,
    )


# ---- オーカー: a bearded miner from the ochre cliffs -----------------------------------------


def draw_ocher(c):
    bands = [C("e8c48a"), C("d8a45e"), C("c88a48"), C("e0b070"), C("b8763a"), C("d49a58")]

    def strata(x, y):
        k = int((y + 5 * math.sin(x / 14.0) + 2.5 * math.sin(x / 5.0 + y / 9.0)) / 13)
        return bands[k % len(bands)]

    c.fill(strata)
    skin, beard, beard_dark = C("f0b890"), C("b8561e"), C("8a3a12")
    shoulders(c, C("5a6a7a"), skin, neck_width=22, neck_top=88, top=100, width=108)
    c.rect(26, 112, 102, 118, C("6a4424"))
    c.rect(58, 110, 70, 120, C("d8b04a"))
    c.polygon(face_shape(64, 34, 54, 60, 90, 0.4), skin)
    # Big beard and moustache.
    c.polygon(
        [(36, 66)]
        + bezier((36, 66), (30, 100), (46, 122), (64, 124), steps=16)
        + bezier((64, 124), (82, 122), (98, 100), (92, 66), steps=16)
        + bezier((92, 66), (84, 82), (44, 82), (36, 66), steps=16),
        beard,
    )
    for k in range(7):
        x = 44 + k * 6.6
        c.stroke(bezier((x, 84), (x + 2, 100), (x - 1, 114)), 1.0, beard_dark, 0.55)
    c.polygon(
        bezier((64, 76), (52, 72), (42, 78), (38, 86), steps=12)
        + bezier((38, 86), (48, 82), (58, 84), (64, 82), steps=12)
        + bezier((64, 82), (70, 84), (80, 82), (90, 86), steps=12)
        + bezier((90, 86), (86, 78), (76, 72), (64, 76), steps=12),
        beard_dark,
    )
    c.ellipse(64, 70, 7, 6, C("e0906a"))
    c.ellipse(62, 68, 2.4, 1.8, (255, 255, 255), 0.4)
    # Small kind eyes under bushy brows.
    for side in (-1, 1):
        x = 64 + side * 12
        c.ellipse(x, 64, 3.2, 3.6, C("2a1a10"))
        c.circle(x - 1, 63, 0.9, (255, 255, 255))
        c.polygon(
            [
                (x - 8, 59.5),
                (x - 4, 56.5),
                (x + 4, 56.5),
                (x + 8, 59.5),
                (x + 4, 60.5),
                (x - 4, 60.5),
            ],
            beard,
        )
        blush(c, x + side * 2, 70, 4.5, 2.4, C("e07050"), 0.35)
    # Miner's helmet with a lamp.
    helmet, helmet_dark = C("e8b030"), C("a87410")
    c.polygon(ellipse_points(64, 52, 34, 32, start=math.pi, end=2 * math.pi), helmet)
    c.polygon([(24, 50), (104, 50), (100, 56), (28, 56)], helmet_dark)
    c.stroke(bezier((64, 20), (64, 36), (64, 50)), 2.0, helmet_dark, 0.6)
    c.ellipse(52, 30, 10, 5, (255, 255, 255), 0.3)
    c.circle(64, 36, 9, C("7a7a7a"))
    c.circle(64, 36, 10, C("fff6b0"), 0.35)
    c.circle(64, 36, 7, C("fffce8"))
    # Emblem: crossed pickaxes on a sandstone badge.
    badge(c, 110, 19, 13, C("f4e2b8"), C("7a4a22"))
    for side in (-1, 1):
        x0, y0, x1, y1 = 110 - side * 8, 29, 110 + side * 6, 10
        length = math.hypot(x1 - x0, y1 - y0)
        dx, dy = (x1 - x0) / length, (y1 - y0) / length
        px, py = -dy, dx
        c.stroke([(x0, y0), (x1, y1)], 2.6, C("5a3414"))
        c.stroke([(x0, y0), (x1, y1)], 1.4, C("c8884a"))
        head = bezier(
            (x1 - px * 8 - dx * 2, y1 - py * 8 - dy * 2),
            (x1 + dx * 3, y1 + dy * 3),
            (x1 + px * 8 - dx * 2, y1 + py * 8 - dy * 2),
            steps=12,
        )
        c.stroke(head, 3.2, C("2a3038"))
        c.stroke(head, 1.6, C("c8d2dc"))


# ---- ヴォルカ: a volcanic warrior with hair of flame ------------------------------------------


def draw_volka(c):
    radial_gradient(c, C("7a1a10"), C("12060a"), cx=64, cy=40, radius=100)
    sparkles(c, 7, 30, C("ffb040"), size=(0.3, 0.9))
    skin, skin_dark, lava, hot = C("4a3e42"), C("2e2428"), C("ff6a1a"), C("ffd04a")
    # Flame hair rising behind the head.
    flames = [
        (-30, 20, -8),
        (-20, 6, -4),
        (-9, -4, -2),
        (2, -10, 1),
        (13, -2, 3),
        (24, 8, 6),
        (32, 24, 8),
    ]
    for dx, tip, bend in flames:
        c.polygon(
            lock((64 + dx - 10, 52), (64 + dx + 10, 52), (64 + dx + bend, tip), bend=-bend),
            C("e8401a"),
        )
    for dx, tip, bend in flames[1:-1]:
        c.polygon(
            lock((64 + dx - 6, 50), (64 + dx + 6, 50), (64 + dx + bend, tip + 12), bend=-bend), lava
        )
    for dx, tip, bend in flames[2:-2]:
        c.polygon(
            lock((64 + dx - 3, 46), (64 + dx + 3, 46), (64 + dx + bend, tip + 22), bend=-bend), hot
        )
    # Obsidian armour edged with lava.
    shoulders(c, C("1a1418"), skin_dark, neck_width=14, neck_top=84, top=102, width=100)
    for side in (-1, 1):
        c.polygon(
            [
                (64 + side * 20, 104),
                (64 + side * 52, 108),
                (64 + side * 56, 128),
                (64 + side * 24, 128),
            ],
            C("2a2024"),
        )
        c.stroke([(64 + side * 22, 106), (64 + side * 52, 110)], 1.4, lava)
    c.polygon([(56, 104), (64, 96), (72, 104), (64, 124)], lava)
    c.polygon([(59, 105), (64, 100), (69, 105), (64, 118)], hot)
    # Face of dark basalt with glowing seams.
    c.polygon(face_shape(64, 34, 46, 60, 90, 0.3), skin)
    for pts in (
        ((46, 70), (44, 76), (47, 82)),
        ((82, 70), (84, 75), (80, 80)),
        ((60, 40), (63, 46), (61, 50)),
    ):
        c.stroke(list(pts), 1.0, lava)
    for side in (-1, 1):
        x = 64 + side * 10
        eye = [
            (x - side * 7, 64),
            (x - side * 2, 60),
            (x + side * 6, 59),
            (x + side * 8, 62),
            (x + side * 2, 66),
        ]
        c.polygon(eye, hot)
        c.circle(x, 62.5, 2.0, (255, 255, 240))
        c.polygon(
            [(x - side * 8, 58), (x + side * 9, 54), (x + side * 9, 56.5), (x - side * 7, 60)],
            skin_dark,
        )
    c.stroke(bezier((56, 80), (64, 82), (72, 78)), 1.6, C("ff8a3a"))
    # Emblem: an erupting volcano on a dark badge.
    badge(c, 18, 108, 14, C("ffcf8a"), C("ff8a3a"))
    c.polygons(
        [ellipse_points(18, 108, 14, 14)[::-1], [(2, 124), (12, 104), (24, 104), (34, 124)]],
        C("2a1a1a"),
    )
    c.polygon([(12, 104), (14, 110), (16, 107), (18, 114), (20, 106), (24, 104)], lava)
    c.polygon([(12, 103), (11, 96), (15, 99), (18, 92), (21, 99), (25, 96), (24, 103)], C("ff4a1a"))
    c.circle(18, 96, 2, hot)


# ---- ブラムレット: a hooded bramble rogue -----------------------------------------------------


def draw_bramlet(c):
    vertical_gradient(c, C("1c3a22"), C("0c1c10"))
    rng = random.Random(8)
    for _ in range(22):
        x, y, r, t = (
            rng.uniform(0, 128),
            rng.uniform(0, 128),
            rng.uniform(5, 11),
            rng.uniform(0, math.pi),
        )
        c.ellipse(x, y, r, r * 0.45, mix(C("2e5a30"), C("48803e"), rng.random()), 0.8, angle=t)
    hood, hood_dark, hood_light = C("3f7a3a"), C("244a22"), C("5e9a4a")
    skin = C("e8c0a0")
    # Cloak and hood.
    shoulders(c, hood_dark, hood_dark, neck_width=20, neck_top=84, top=98, width=112)
    c.polygon(
        [(64, 6)]
        + bezier((64, 6), (96, 20), (104, 60), (102, 104), steps=18)
        + [(26, 104)]
        + bezier((26, 104), (24, 60), (32, 20), (64, 6), steps=18),
        hood,
    )
    c.polygon(
        bezier((64, 10), (40, 24), (36, 60), (42, 96), steps=16)
        + [(52, 96)]
        + bezier((52, 96), (48, 60), (50, 30), (64, 14), steps=16),
        hood_light,
        0.5,
    )
    # Shadowed face in the hood opening.
    c.ellipse(64, 64, 24, 30, C("0e1a0e"))
    c.polygon(face_shape(64, 44, 38, 66, 90, 0.3), skin)
    c.polygon(bezier((40, 40), (52, 60), (76, 60), (88, 40), steps=16), C("0e1a0e"), 0.45)
    for side in (-1, 1):
        x = 64 + side * 9
        c.polygon([(x - 5, 66), (x - 3, 63), (x + 3, 62.5), (x + 5, 65), (x, 67)], C("fff2c0"))
        c.circle(x + 1, 64.8, 1.9, C("d89a1a"))
        c.circle(x + 1, 64.8, 0.9, C("1a1008"))
        c.stroke([(x - 5.5, 62), (x + 5, 60.5 - side * 1.2)], 1.3, C("3a2414"))
    c.stroke(bezier((63, 68), (61, 74), (63.5, 75)), 1.0, C("b88a6a"))
    blush(c, 52, 73, 3.5, 1.8, C("d87a6a"), 0.4)
    blush(c, 76, 73, 3.5, 1.8, C("d87a6a"), 0.4)
    c.stroke(bezier((56, 80), (62, 83), (70, 81), (74, 77)), 1.5, C("6a2a1a"))
    # A stalk of grass in the corner of the mouth.
    c.stroke(bezier((72, 80), (80, 79), (88, 74), (94, 68)), 1.2, C("c8d86a"))
    c.polygon(lock((92, 70), (94, 69), (98, 61), bend=1), C("c8d86a"))
    # The hood's rim over the brow.
    c.polygon(
        bezier((38, 56), (38, 34), (52, 28), (64, 28), steps=12)
        + bezier((64, 28), (76, 28), (90, 34), (90, 56), steps=12)
        + bezier((90, 56), (80, 46), (48, 46), (38, 56), steps=12),
        hood,
    )
    c.stroke(bezier((40, 54), (50, 47), (78, 47), (88, 54)), 1.2, hood_light, 0.6)
    # Brambles winding round the hood, with berries.
    thorn_vine(
        c, bezier((28, 98), (20, 60), (40, 16), (70, 12), steps=30), C("6a4a2a"), C("c8b48a")
    )
    thorn_vine(
        c, bezier((100, 100), (108, 70), (96, 40), (80, 30), steps=24), C("6a4a2a"), C("c8b48a")
    )
    for x, y in ((34, 40), (98, 60), (60, 13)):
        for dx, dy in ((0, 0), (2.6, 1.2), (-2.4, 1.4), (0.4, 2.8), (2.0, -2.2), (-2, -2)):
            c.circle(x + dx, y + dy, 1.8, C("3a1040"))
            c.circle(x + dx - 0.5, y + dy - 0.5, 0.6, C("b070c0"), 0.8)
    # Emblem: a blackberry on the cloak clasp.
    badge(c, 64, 112, 10, C("c8a050"), C("7a5a20"))
    for dx, dy in (
        (0, 2),
        (-3, 0),
        (3, 0),
        (0, -2),
        (-2, 4.5),
        (2, 4.5),
        (-3.5, -3),
        (3.5, -3),
        (0, -5),
    ):
        c.circle(64 + dx, 114 + dy * 0.9 - 1, 2.4, C("2a0a30"))
        c.circle(64 + dx - 0.6, 113.4 + dy * 0.9 - 1, 0.8, C("9a60b0"))
    c.polygon([(58, 105), (64, 108), (70, 105), (64, 103)], C("4a9a3a"))


# ---- ミナモ: a quiet girl of the water's surface --------------------------------------------


def draw_minamo(c):
    def water(x, y):
        ripple = 0.5 + 0.5 * math.sin(math.hypot(x - 64, (y - 140) * 1.6) / 4.0)
        return mix(mix(C("bff0f4"), C("4ab0d0"), y / 128), C("e8fcff"), ripple * 0.25)

    c.fill(water)
    # Rings spreading from two drops that fell on the surface.
    for x, y, rings in ((20, 22, 3), (108, 92, 2)):
        for k in range(rings):
            r = 5 + k * 5
            c.arc(x, y, r, r * 0.4, 0, 2 * math.pi, 1.0, (255, 255, 255), 0.75 - k * 0.2)
    hair, hair_dark, hair_light = C("2f8fb8"), C("1a5e86"), C("7fd4ec")
    skin = C("fff0e4")
    c.polygon(bezier((26, 84), (14, 2), (114, 2), (102, 84), steps=24), hair_dark)
    shoulders(c, C("f6fbff"), shade(skin, 0.92), neck_width=13, neck_top=84, top=99, width=90)
    for k in range(4):
        y = 108 + k * 5
        c.stroke([(x, y + 2 * math.sin(x / 4.0)) for x in range(16, 113, 3)], 1.5, C("3aa0d0"))
    c.polygon(face_shape(64, 32, 48, 60, 88, 0.3), skin)
    blush(c, 49, 73, 5.5, 2.6, C("f5a0b0"), 0.5)
    blush(c, 79, 73, 5.5, 2.6, C("f5a0b0"), 0.5)
    closed_eye(c, 52, 66, 6, C("1a4a6a"), 1.8, smiling=False)
    closed_eye(c, 76, 66, 6, C("1a4a6a"), 1.8, smiling=False)
    for side in (-1, 1):
        c.stroke([(64 + side * 17, 67), (64 + side * 19.5, 69.5)], 1.0, C("1a4a6a"))
    smile(c, 64, 80, 3.5, 1.3, C("c06070"), 1.2)
    # A bob whose fringe rolls across the brow like a wave, flipping out at the ends.
    crown = bezier((24, 80), (16, 4), (112, 4), (104, 80), steps=24)
    fringe = (
        bezier((98, 80), (100, 62), (96, 48), (88, 44), steps=10)
        + bezier((88, 44), (82, 52), (70, 52), (64, 44), steps=10)[1:]
        + bezier((64, 44), (56, 54), (42, 52), (40, 42), steps=10)[1:]
        + bezier((40, 42), (32, 52), (30, 66), (30, 80), steps=10)[1:]
    )
    c.polygon(crown + fringe, hair)
    for side in (-1, 1):
        x = 64 + side * 37
        c.polygon(
            bezier((x - side * 7, 76), (x, 86), (x + side * 8, 88), (x + side * 12, 80), steps=12)
            + bezier(
                (x + side * 12, 80), (x + side * 6, 84), (x, 80), (x + side * 1, 72), steps=12
            ),
            hair,
        )
    c.stroke(bezier((36, 36), (48, 26), (64, 24)), 2.0, hair_light, 0.8)
    c.stroke(bezier((74, 30), (84, 30), (92, 38)), 1.4, hair_light, 0.6)
    # Two pearls pinned above the left ear.
    for x, y in ((34, 48), (38, 42)):
        c.circle(x, y, 3.2, C("f4f0ff"))
        c.circle(x - 1, y - 1, 1.0, (255, 255, 255))
        c.arc(x, y, 3.2, 3.2, 0.2, math.pi - 0.2, 0.7, C("a8b8d8"))
    # Emblem: a koi in a ring of ripples.
    c.circle(110, 18, 13, C("e8fcff"), 0.7)
    c.arc(110, 18, 13, 13, 0, 2 * math.pi, 1.2, C("2f8fb8"))
    c.arc(110, 18, 9, 9, 0.3, 2 * math.pi - 0.3, 0.8, C("2f8fb8"), 0.6)
    c.ellipse(110, 18, 6, 3, C("ff6a3a"), angle=-0.4)
    c.polygon([(104.5, 20.5), (100, 19), (101.5, 24.5)], C("ff6a3a"))
    c.circle(113.5, 16.4, 0.8, C("1a1a1a"))


# ---- ダスク: a masked ninja against the sunset ----------------------------------------------


def draw_dusk(c):
    vertical_gradient(c, C("1e1848"), C("ff9a3a"), stops=[(0.45, C("5a2a6a")), (0.72, C("e0604a"))])
    c.circle(64, 96, 34, C("ffd070"), 0.9)
    c.circle(64, 96, 40, C("ffd070"), 0.25)
    sparkles(c, 10, 12, C("ffffff"), size=(0.3, 0.8), area=(0, 0, 128, 40))
    cloth, cloth_dark, cloth_light = C("2a2850"), C("181632"), C("4a4680")
    # Scarf tails streaming to the right.
    c.polygon(
        bezier((74, 92), (96, 84), (110, 94), (128, 80), steps=14)
        + bezier((128, 90), (112, 104), (96, 98), (76, 104), steps=14),
        C("c02a3a"),
    )
    c.polygon(
        bezier((74, 98), (92, 100), (106, 110), (124, 104), steps=12)
        + bezier((122, 112), (104, 118), (90, 108), (72, 106), steps=12),
        C("8a1a2a"),
    )
    shoulders(c, cloth_dark, cloth, neck_width=22, neck_top=84, top=100, width=100)
    c.ellipse(64, 100, 24, 7, C("c02a3a"))
    # Hooded head wrapped in cloth.
    c.ellipse(64, 60, 32, 36, cloth)
    c.polygon(
        bezier((40, 40), (50, 28), (66, 26), (84, 34), steps=12) + [(80, 38), (46, 42)],
        cloth_light,
        0.6,
    )
    # The one open band: skin and two narrow violet eyes.
    band = bezier((34, 58), (50, 50), (78, 50), (94, 58), steps=16) + bezier(
        (94, 70), (78, 66), (50, 66), (34, 70), steps=16
    )
    c.polygon(band, C("e8c0a0"))
    c.polygon(
        bezier((34, 58), (50, 50), (78, 50), (94, 58), steps=16)
        + [(94, 61)]
        + bezier((94, 61), (78, 54), (50, 54), (34, 61), steps=16),
        C("b08a70"),
        0.5,
    )
    for side in (-1, 1):
        x = 64 + side * 12
        eye = [
            (x - side * 8, 62),
            (x - side * 3, 58.5),
            (x + side * 6, 58),
            (x + side * 8, 60),
            (x + side * 2, 63.5),
        ]
        c.polygon(eye, (250, 250, 255))
        c.circle(x + side * 0.5, 60.6, 2.4, C("9a4ae0"))
        c.circle(x + side * 0.5, 60.6, 1.1, C("1a0a2a"))
        c.circle(x - 0.4, 59.8, 0.6, (255, 255, 255))
        c.polygon(
            [(x - side * 9, 56), (x + side * 8, 53), (x + side * 9, 55.5), (x - side * 8, 58)],
            C("1a1020"),
        )
    c.stroke([(34, 70), (94, 70)], 1.2, cloth_dark)
    for k in range(3):
        c.stroke(
            bezier((46 + k * 12, 76), (50 + k * 12, 86), (46 + k * 12, 94)), 0.8, cloth_light, 0.5
        )
    # Emblem: a steel shuriken.
    cx, cy = 18, 18
    c.polygon(star_points(cx + 1, cy + 1.5, 13, 4, count=4, angle=-math.pi / 4), (0, 0, 0), 0.35)
    c.polygon(star_points(cx, cy, 13, 4, count=4, angle=-math.pi / 4), C("c8ccd8"))
    c.polygon(star_points(cx, cy, 13, 4, count=4, angle=-math.pi / 4)[:4] + [(cx, cy)], C("eef0f6"))
    c.circle(cx, cy, 2.6, C("3a3a4a"))


# ---- ブラーゴ: a one-eyed swamp slime -------------------------------------------------------


def draw_blargo(c):
    radial_gradient(c, C("c8e86a"), C("5a7a20"), cx=64, cy=70, radius=96)
    rng = random.Random(11)
    for _ in range(14):
        x, y, r = rng.uniform(4, 124), rng.uniform(4, 124), rng.uniform(2, 6)
        c.circle(x, y, r, C("eaffb0"), 0.35)
        c.arc(x, y, r, r, 0, 2 * math.pi, 0.8, C("f4ffd8"), 0.6)
        c.circle(x - r * 0.35, y - r * 0.35, r * 0.25, (255, 255, 255), 0.8)
    slime, slime_dark, slime_light = C("8a4ac8"), C("5a2a8a"), C("b07ae8")
    # Antennae.
    for side in (-1, 1):
        c.stroke(
            bezier((64 + side * 10, 36), (64 + side * 14, 20), (64 + side * 24, 14)),
            2.4,
            slime_dark,
        )
        c.circle(64 + side * 24, 14, 4.5, C("ffd84a"))
        c.circle(64 + side * 23, 12.5, 1.4, (255, 255, 255))
    # Dome-shaped body with drips along the bottom.
    body = bezier((10, 128), (8, 60), (30, 30), (64, 30), steps=20) + bezier(
        (64, 30), (98, 30), (120, 60), (118, 128), steps=20
    )
    c.polygon(body, slime_dark)
    c.polygon([(x * 0.94 + 3.8, y + 3) for (x, y) in body], slime)
    c.ellipse(44, 50, 14, 8, slime_light, 0.6, angle=-0.5)
    c.circle(36, 44, 2.5, (255, 255, 255), 0.7)
    # The one big eye.
    c.circle(64, 62, 19, (255, 255, 255))
    c.arc(64, 62, 19, 19, 0, 2 * math.pi, 1.4, slime_dark)
    c.circle(68, 64, 11, C("f0b020"))
    c.circle(68, 64, 5.5, C("201008"))
    c.circle(64, 59, 3, (255, 255, 255))
    c.stroke(bezier((44, 46), (56, 38), (76, 40), (86, 48)), 2.0, slime_dark)
    # Wide goofy mouth with the tongue out and a drip of drool.
    c.polygon(
        bezier((34, 88), (50, 110), (80, 110), (96, 86), steps=18)
        + bezier((96, 86), (70, 94), (56, 94), (34, 88), steps=18),
        C("3a0a30"),
    )
    c.polygon([(52, 97)] + bezier((52, 97), (50, 118), (70, 122), (72, 99), steps=14), C("ff7aa0"))
    c.stroke([(62, 100), (61.5, 112)], 1.0, C("d04a78"))
    c.polygon([(40, 90), (45, 91), (43, 96)], (255, 255, 255))
    c.polygon([(84, 91), (89, 89), (87, 95)], (255, 255, 255))
    c.polygon([(88, 96), (91, 96), (92, 108), (89.5, 111), (87.5, 108)], C("c8f0ff"), 0.85)
    # Emblem: a green splat on a badge.
    badge(c, 112, 112, 11, C("fff6d0"), C("5a2a8a"))
    c.polygon(star_points(112, 112, 8, 4.5, count=8, angle=0.3), C("4a9a2a"))
    c.circle(112, 112, 4.5, C("4a9a2a"))
    for dx, dy in ((-8, -6), (7, 7), (8, -7)):
        c.circle(112 + dx, 112 + dy, 1.3, C("4a9a2a"))


# ---- ケフ: a boxy robot on a blueprint ------------------------------------------------------


def draw_kef(c):
    c.fill(
        lambda x, y: C("6ab4ff")
        if (x % 16 < 0.6 or y % 16 < 0.6)
        else (C("2a6ac0") if (x % 4 < 0.35 or y % 4 < 0.35) else C("1a4a9a"))
    )
    steel, steel_dark, steel_light = C("b8c0c8"), C("6a747e"), C("e4eaee")
    # Antenna.
    c.stroke([(64, 24), (64, 10)], 2.0, steel_dark)
    c.circle(64, 9, 4, C("ff3a3a"))
    c.circle(63, 8, 1.2, (255, 255, 255))
    # Shoulder plates and neck.
    c.rect(54, 88, 74, 104, steel_dark)
    for y in (92, 97, 102):
        c.rect(54, y, 74, y + 1.5, C("4a525a"))
    c.polygon([(14, 128), (20, 104), (50, 100), (78, 100), (108, 104), (114, 128)], steel_dark)
    c.polygon([(18, 128), (23, 107), (52, 103), (76, 103), (105, 107), (110, 128)], steel)
    c.rect(56, 110, 72, 122, C("ffc83a"))
    c.polygon([(58, 120), (64, 112), (70, 120)], C("2a2a2a"))
    # Ear discs.
    for side in (-1, 1):
        c.circle(64 + side * 40, 58, 9, steel_dark)
        c.circle(64 + side * 40, 58, 6, steel_light)
        c.circle(64 + side * 40, 58, 2.5, steel_dark)
    # The head: a rounded box with a visor.
    head = [(30, 30), (98, 30), (102, 34), (102, 86), (98, 90), (30, 90), (26, 86), (26, 34)]
    c.polygon(head, steel_dark)
    c.polygon([(x * 0.96 + 2.6, y * 0.95 + 1.6) for (x, y) in head], steel)
    c.polygon([(30, 32), (98, 32), (96, 40), (32, 40)], steel_light, 0.7)
    c.polygon([(32, 46), (96, 46), (94, 70), (34, 70)], C("1a2230"))
    for side in (-1, 1):
        x = 64 + side * 15
        c.rect(x - 9, 52, x + 9, 62, C("3ae8ff"), 0.35)
        c.rect(x - 7, 54, x + 7, 60, C("7ff4ff"))
        c.rect(x - 5, 55.5, x - 1, 57, (255, 255, 255))
    # Grille mouth and bolts.
    for k in range(5):
        c.rect(46 + k * 8, 76, 51 + k * 8, 84, C("3a424a"))
    for x, y in ((31, 35), (97, 35), (31, 85), (97, 85)):
        c.circle(x, y, 2, steel_dark)
        c.circle(x - 0.4, y - 0.4, 0.8, steel_light)
    # Emblem: a yellow cog.
    cx, cy = 111, 111
    teeth = []
    for k in range(8):
        t = math.pi * 2 * k / 8
        for dt, r in ((-0.3, 9), (-0.2, 12.5), (0.2, 12.5), (0.3, 9)):
            teeth.append((cx + r * math.cos(t + dt), cy + r * math.sin(t + dt)))
    c.polygon(teeth, C("ffc83a"))
    c.circle(cx, cy, 9, C("ffc83a"))
    c.circle(cx, cy, 3.6, C("1a4a9a"))


# ---- ザラトゥン: a horned knight with a burning gaze -----------------------------------------


def draw_zaratun(c):
    radial_gradient(c, C("6a1e28"), C("160608"), cx=64, cy=54, radius=92)
    for k in range(12):
        t = math.pi * 2 * k / 12 + 0.13
        c.polygon(
            [
                (64, 54),
                (64 + 130 * math.cos(t - 0.07), 54 + 130 * math.sin(t - 0.07)),
                (64 + 130 * math.cos(t + 0.07), 54 + 130 * math.sin(t + 0.07)),
            ],
            C("ff7050"),
            0.08,
        )
    iron, iron_dark, iron_light, gold = C("4a4e58"), C("24262c"), C("8a909c"), C("d8a83a")
    # Plume.
    c.polygon(
        bezier((60, 20), (58, 4), (84, -4), (108, 10), steps=16)
        + bezier((108, 10), (90, 6), (78, 12), (70, 24), steps=16),
        C("c01a24"),
    )
    c.polygon(
        bezier((64, 18), (66, 8), (84, 2), (100, 8), steps=12) + [(80, 10), (70, 20)],
        C("ff4a4a"),
        0.6,
    )
    # Pauldrons.
    for side in (-1, 1):
        c.ellipse(64 + side * 40, 112, 30, 18, iron_dark)
        c.ellipse(64 + side * 40, 110, 27, 15, iron)
        c.arc(64 + side * 40, 110, 27, 15, math.pi, 2 * math.pi, 1.6, gold)
    c.polygon([(40, 128), (44, 94), (84, 94), (88, 128)], iron_dark)
    for y in (104, 114):
        c.stroke(bezier((42, y), (64, y + 6), (86, y)), 1.4, gold)
    # Horns.
    for side in (-1, 1):
        c.polygon(
            bezier(
                (64 + side * 22, 40),
                (64 + side * 40, 38),
                (64 + side * 44, 20),
                (64 + side * 38, 6),
                steps=14,
            )
            + bezier(
                (64 + side * 38, 6),
                (64 + side * 38, 22),
                (64 + side * 30, 30),
                (64 + side * 24, 50),
                steps=14,
            ),
            C("efe4cc"),
        )
    # Helmet: dome, cheek guards and a T-shaped slit.
    helm = (
        bezier((30, 60), (30, 26), (50, 18), (64, 18), steps=16)
        + bezier((64, 18), (78, 18), (98, 26), (98, 60), steps=16)
        + [(96, 86), (74, 100), (54, 100), (32, 86)]
    )
    c.polygon(helm, iron_dark)
    c.polygon([(x * 0.94 + 3.8, y * 0.96 + 2) for (x, y) in helm], iron)
    c.polygon(
        bezier((36, 46), (40, 26), (56, 22), (64, 22), steps=10) + [(64, 50), (40, 54)],
        iron_light,
        0.4,
    )
    c.stroke([(64, 22), (64, 98)], 2.0, gold)
    c.polygon(
        [(36, 58), (92, 58), (92, 66), (69, 66), (69, 92), (59, 92), (59, 66), (36, 66)],
        C("0a0406"),
    )
    for side in (-1, 1):
        x = 64 + side * 15
        c.ellipse(x, 62, 7, 3.2, C("ff3020"), 0.5)
        c.ellipse(x, 62, 4, 1.6, C("ffd0a0"))
    for x, y in ((38, 72), (90, 72), (44, 84), (84, 84)):
        c.circle(x, y, 1.6, gold)
    # Emblem: a shield with a sword.
    sx, sy = 17, 16
    shield = (
        [(sx - 11, sy - 12), (sx + 11, sy - 12), (sx + 11, sy)]
        + bezier((sx + 11, sy), (sx + 10, sy + 9), (sx, sy + 14), steps=8)[1:]
        + bezier((sx, sy + 14), (sx - 10, sy + 9), (sx - 11, sy), steps=8)[1:]
    )
    c.polygon(shield, gold)
    c.polygon([(x * 0.82 + sx * 0.18, y * 0.82 + sy * 0.18) for (x, y) in shield], C("7a1018"))
    c.polygon(
        [
            (sx - 1.3, sy - 9),
            (sx + 1.3, sy - 9),
            (sx + 1.3, sy + 6),
            (sx, sy + 9),
            (sx - 1.3, sy + 6),
        ],
        C("e8eef4"),
    )
    c.rect(sx - 6, sy - 4, sx + 6, sy - 2, gold)


# ---- クイルマーシュ: a quilled frog of the marsh ---------------------------------------------


def draw_quillmarsh(c):
    vertical_gradient(c, C("9ac8b0"), C("2a5a4a"), stops=[(0.6, C("5a9a80"))])
    # Reeds and cattails.
    for x, lean, top in ((8, 3, 20), (16, -2, 34), (112, -3, 16), (121, 2, 30), (104, 2, 44)):
        c.stroke([(x, 128), (x + lean, top)], 1.6, C("3a6a2a"))
        c.ellipse(x + lean * 0.9, top + 9, 2.6, 7, C("7a4a22"))
    c.ellipse(22, 124, 20, 6, C("3a8a3a"))
    c.polygon([(22, 124), (42, 121), (40, 126)], C("2a5a4a"))
    c.ellipse(106, 126, 18, 5, C("3a8a3a"))
    skin, skin_dark, belly = C("7aa83a"), C("4a7a22"), C("e8e0a0")
    # Quills fanning out behind the head.
    for k in range(17):
        t = math.pi * (1.02 + k * 0.96 / 16)
        length = 50 + 8 * (k % 2)
        x, y = 64 + length * math.cos(t), 66 + length * math.sin(t)
        nx, ny = -math.sin(t) * 3.4, math.cos(t) * 3.4
        bx, by = 64 + 20 * math.cos(t), 66 + 20 * math.sin(t)
        c.polygon([(bx + nx, by + ny), (x, y), (bx - nx, by - ny)], C("5a3a1a"))
        mx, my = 64 + (length - 10) * math.cos(t), 66 + (length - 10) * math.sin(t)
        c.polygon(
            [(mx + nx * 0.4, my + ny * 0.4), (x, y), (mx - nx * 0.4, my - ny * 0.4)], C("f0e6c8")
        )
    # Squat body and a wide head.
    shoulders(c, skin_dark, skin_dark, neck_width=40, neck_top=90, top=100, width=110)
    c.ellipse(64, 122, 30, 16, belly)
    c.ellipse(64, 74, 44, 30, skin_dark)
    c.ellipse(64, 72, 42, 28, skin)
    c.ellipse(64, 86, 30, 12, belly)
    for x, y, r in ((36, 64, 3), (94, 66, 2.5), (44, 54, 2), (86, 54, 2.2), (30, 78, 2)):
        c.circle(x, y, r, skin_dark)
    # Bulging eyes on top.
    for side in (-1, 1):
        x = 64 + side * 22
        c.circle(x, 48, 13, skin_dark)
        c.circle(x, 47, 11.5, skin)
        c.circle(x, 47, 8.5, C("f8d848"))
        c.ellipse(x, 47, 7, 2.6, C("1a1a10"))
        c.circle(x - 3, 44, 2, (255, 255, 255))
    # A wide, contented mouth.
    c.stroke(bezier((30, 78), (46, 90), (82, 90), (98, 78)), 2.0, C("2a4a12"))
    c.circle(56, 74, 1.2, C("2a4a12"))
    c.circle(72, 74, 1.2, C("2a4a12"))
    blush(c, 38, 82, 5, 2.5, C("f09080"), 0.4)
    blush(c, 90, 82, 5, 2.5, C("f09080"), 0.4)
    # Emblem: a lily pad with a flower.
    badge(c, 112, 16, 11, C("dff4e8"), C("4a7a5a"))
    c.polygons(
        [ellipse_points(112, 18, 8, 6), [(112, 18), (120, 14), (121, 19)][::-1]], C("3a8a3a")
    )
    c.polygon(star_points(110, 14, 5, 2, count=6), C("ff8ab8"))
    c.circle(110, 14, 1.5, C("ffe04a"))


# ---- ピーカス: a curious bird peeking over the fence ----------------------------------------


def draw_peekus(c):
    vertical_gradient(c, C("6ac8ff"), C("d8f2ff"))
    for x, y, s in ((22, 26, 1.0), (98, 14, 0.8), (110, 52, 0.7)):
        for dx, dy, r in ((0, 0, 9), (9, 2, 7), (-9, 3, 6), (4, -5, 7)):
            c.circle(x + dx * s, y + dy * s, r * s, (255, 255, 255), 0.9)
    feather, feather_dark, face = C("3a8ae8"), C("1e5ab0"), C("f6fbff")
    # Round body and head.
    c.ellipse(64, 90, 40, 34, feather_dark)
    c.ellipse(64, 88, 38, 32, feather)
    c.circle(64, 56, 32, feather_dark)
    c.circle(64, 55, 30.5, feather)
    # Crest.
    for dx, tip, bend in ((-6, (52, 10), -3), (0, (64, 6), 0), (6, (76, 12), 3)):
        c.polygon(lock((64 + dx - 4, 28), (64 + dx + 4, 28), tip, bend=bend), feather_dark)
    # White face mask with dark dots, and big eyes.
    c.polygon(
        bezier((36, 66), (34, 36), (94, 36), (92, 66), steps=16)
        + bezier((92, 66), (86, 86), (42, 86), (36, 66), steps=16),
        face,
    )
    for x, y in ((42, 78), (50, 82), (78, 82), (86, 78)):
        c.circle(x, y, 2.2, C("1a2a5a"))
    for side in (-1, 1):
        x = 64 + side * 13
        c.circle(x, 56, 8.5, C("1a1a2a"))
        c.circle(x + side * 0.5, 57, 6, C("3a2a1a"))
        c.circle(x - 2.5, 53, 2.4, (255, 255, 255))
        c.circle(x + 2, 60, 1.1, (255, 255, 255))
    c.polygon([(58, 64), (70, 64), (64, 76)], C("f0a020"))
    c.polygon([(58, 64), (70, 64), (64, 68)], C("ffc850"))
    blush(c, 40, 70, 4.5, 3, C("ff9aa0"), 0.6)
    blush(c, 88, 70, 4.5, 3, C("ff9aa0"), 0.6)
    # The fence it hides behind, and wing tips gripping the top rail.
    for k in range(6):
        x = 4 + k * 22
        c.polygon([(x, 128), (x, 100), (x + 9, 94), (x + 18, 100), (x + 18, 128)], C("c88a4a"))
        c.stroke([(x + 9, 100), (x + 9, 126)], 0.8, C("9a6030"), 0.7)
    c.rect(0, 106, 128, 113, C("a86a34"))
    for side in (-1, 1):
        for k in range(3):
            x = 64 + side * (20 + k * 5)
            c.ellipse(x, 104, 3, 6, feather_dark)
            c.ellipse(x, 103.5, 2.2, 5, feather)
    # Emblem: a single feather drifting by.
    quill = bezier((100, 44), (108, 32), (116, 24), (122, 14), steps=12)
    c.polygon(
        bezier((100, 44), (98, 28), (112, 18), (122, 14), steps=12)
        + bezier((122, 14), (120, 28), (110, 40), (100, 44), steps=12)[1:],
        C("ffe04a"),
    )
    c.stroke(quill, 0.8, C("c89a1a"))


def drawing_for(picture):
    """The drawing of a roster picture: draw_<its file name, lower case, without .bmp>."""
    return globals()["draw_" + picture[: -len(".bmp")].lower()]


# Every picture the roster names, each once, with its drawing.
PORTRAITS = [(picture, drawing_for(picture)) for picture in roster.distinct_pictures()]


def render(draw, scale=4):
    canvas = Canvas(128, scale)
    draw(canvas)
    return canvas.pixels()
