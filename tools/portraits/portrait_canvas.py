"""A small supersampling rasteriser for the portraits: filled polygons, ellipses and strokes.

Coordinates are in output pixels (0..128, x right, y down) as floats; the canvas holds
`scale` x `scale` samples per output pixel and averages them when the picture is taken,
which smooths every edge. Only the standard library is used, so the work is done in spans:
each shape is cut into runs of samples per sample row and the runs are filled by slice.
"""

import math

Colour = tuple  # (r, g, b), each 0..255


def mix(a, b, t):
    """The colour a fraction t of the way from a to b."""
    t = max(0.0, min(1.0, t))
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def shade(colour, factor):
    """Darker (factor < 1) or lighter towards white (factor > 1)."""
    if factor <= 1.0:
        return tuple(int(round(c * factor)) for c in colour)
    return mix(colour, (255, 255, 255), factor - 1.0)


def hex_colour(text):
    text = text.lstrip("#")
    return (int(text[0:2], 16), int(text[2:4], 16), int(text[4:6], 16))


def ellipse_points(cx, cy, rx, ry, angle=0.0, steps=None, start=0.0, end=2.0 * math.pi):
    """Points along an ellipse (or an arc of it from start to end, radians), rotated by angle."""
    if steps is None:
        steps = max(16, int(max(rx, ry) * 3))
    ca, sa = math.cos(angle), math.sin(angle)
    points = []
    for k in range(steps + 1):
        t = start + (end - start) * k / steps
        x, y = rx * math.cos(t), ry * math.sin(t)
        points.append((cx + x * ca - y * sa, cy + x * sa + y * ca))
    return points


def bezier(p0, p1, p2, p3=None, steps=24):
    """Points along a quadratic (three points) or cubic (four points) Bezier curve."""
    points = []
    for k in range(steps + 1):
        t = k / steps
        u = 1.0 - t
        if p3 is None:
            x = u * u * p0[0] + 2 * u * t * p1[0] + t * t * p2[0]
            y = u * u * p0[1] + 2 * u * t * p1[1] + t * t * p2[1]
        else:
            x = u**3 * p0[0] + 3 * u * u * t * p1[0] + 3 * u * t * t * p2[0] + t**3 * p3[0]
            y = u**3 * p0[1] + 3 * u * u * t * p1[1] + 3 * u * t * t * p2[1] + t**3 * p3[1]
        points.append((x, y))
    return points


def star_points(cx, cy, outer, inner, count=5, angle=-math.pi / 2):
    """A star with `count` tips, the first tip pointing along `angle`."""
    points = []
    for k in range(count * 2):
        r = outer if k % 2 == 0 else inner
        t = angle + math.pi * k / count
        points.append((cx + r * math.cos(t), cy + r * math.sin(t)))
    return points


class Canvas:
    def __init__(self, size=128, scale=4, colour=(0, 0, 0)):
        self.size = size
        self.scale = scale
        self.n = size * scale
        count = self.n * self.n
        self.channels = [bytearray([colour[i]]) * count for i in range(3)]

    # ---- spans -------------------------------------------------------------------------

    def _spans(self, polygons):
        """Yields (row, first, end) sample runs covered by the polygons (nonzero winding)."""
        s = self.scale
        edges = []
        top, bottom = self.n, 0
        for poly in polygons:
            count = len(poly)
            for k in range(count):
                x0, y0 = poly[k][0] * s, poly[k][1] * s
                x1, y1 = poly[(k + 1) % count][0] * s, poly[(k + 1) % count][1] * s
                if y0 == y1:
                    continue
                direction = 1
                if y0 > y1:
                    x0, y0, x1, y1 = x1, y1, x0, y0
                    direction = -1
                # Sample rows whose centres lie in [y0, y1).
                first = max(0, math.ceil(y0 - 0.5))
                last = min(self.n, math.ceil(y1 - 0.5))
                if first >= last:
                    continue
                slope = (x1 - x0) / (y1 - y0)
                edges.append((first, last, x0 + (first + 0.5 - y0) * slope, slope, direction))
                top = min(top, first)
                bottom = max(bottom, last)
        if not edges:
            return
        by_row = [[] for _ in range(bottom - top)]
        for first, last, x, slope, direction in edges:
            for row in range(first, last):
                by_row[row - top].append((x + (row - first) * slope, direction))
        n = self.n
        for offset, crossings in enumerate(by_row):
            if len(crossings) < 2:
                continue
            crossings.sort()
            winding = 0
            start = 0.0
            for x, direction in crossings:
                before = winding
                winding += direction
                if before == 0 and winding != 0:
                    start = x
                elif before != 0 and winding == 0:
                    a = max(0, math.ceil(start - 0.5))
                    b = min(n, math.ceil(x - 0.5))
                    if a < b:
                        yield top + offset, a, b

    def _paint(self, spans, colour, alpha=1.0):
        n = self.n
        if alpha >= 1.0:
            runs = [bytes([c]) for c in colour]
            for row, a, b in spans:
                base = row * n
                for ch, run in zip(self.channels, runs):
                    ch[base + a : base + b] = run * (b - a)
            return
        if alpha <= 0.0:
            return
        keep = int(round((1.0 - alpha) * 256))
        for row, a, b in spans:
            base = row * n
            for ch, c in zip(self.channels, colour):
                add = int(round(c * alpha * 256))
                ch[base + a : base + b] = bytes(
                    (v * keep + add) >> 8 for v in ch[base + a : base + b]
                )

    def _paint_with(self, spans, shader):
        """Fills the spans with shader(x, y) -> colour, x and y in output pixels."""
        n, s = self.n, self.scale
        r, g, b = self.channels
        for row, a, end in spans:
            base = row * n
            y = (row + 0.5) / s
            for i in range(a, end):
                c = shader((i + 0.5) / s, y)
                r[base + i], g[base + i], b[base + i] = c

    # ---- shapes ------------------------------------------------------------------------

    def polygon(self, points, colour, alpha=1.0):
        self._paint(self._spans([points]), colour, alpha)

    def polygons(self, polys, colour, alpha=1.0):
        """Several outlines filled as one shape (nonzero winding: holes need reverse order)."""
        self._paint(self._spans(polys), colour, alpha)

    def shaded_polygon(self, points, shader):
        self._paint_with(self._spans([points]), shader)

    def ellipse(self, cx, cy, rx, ry, colour, alpha=1.0, angle=0.0):
        self.polygon(ellipse_points(cx, cy, rx, ry, angle), colour, alpha)

    def circle(self, cx, cy, r, colour, alpha=1.0):
        self.ellipse(cx, cy, r, r, colour, alpha)

    def shaded_ellipse(self, cx, cy, rx, ry, shader, angle=0.0):
        self.shaded_polygon(ellipse_points(cx, cy, rx, ry, angle), shader)

    def rect(self, x0, y0, x1, y1, colour, alpha=1.0):
        self.polygon([(x0, y0), (x1, y0), (x1, y1), (x0, y1)], colour, alpha)

    def fill(self, shader):
        """Paints every sample with shader(x, y)."""
        n = self.size
        self.shaded_polygon([(0, 0), (n, 0), (n, n), (0, n)], shader)

    def stroke(self, points, width, colour, alpha=1.0, closed=False, round_caps=True):
        """A polyline of the given width, with round joins (and caps when round_caps)."""
        half = width / 2.0
        pts = list(points) + ([points[0]] if closed else [])
        shapes = []
        for (x0, y0), (x1, y1) in zip(pts, pts[1:]):
            dx, dy = x1 - x0, y1 - y0
            length = math.hypot(dx, dy)
            if length == 0:
                continue
            nx, ny = -dy / length * half, dx / length * half
            quad = [(x0 + nx, y0 + ny), (x1 + nx, y1 + ny), (x1 - nx, y1 - ny), (x0 - nx, y0 - ny)]
            if _signed_area(quad) < 0:
                quad.reverse()
            shapes.append(quad)
        joints = pts[1:-1] if not closed else pts
        if round_caps and not closed:
            joints = pts
        for x, y in joints:
            disc = ellipse_points(x, y, half, half, steps=max(8, int(half * 6)))
            if _signed_area(disc) < 0:
                disc.reverse()
            shapes.append(disc)
        # One nonzero-winding fill for the whole stroke, so a translucent stroke is even.
        self._paint(self._spans(shapes), colour, alpha)

    def arc(self, cx, cy, rx, ry, start, end, width, colour, alpha=1.0, angle=0.0):
        points = ellipse_points(cx, cy, rx, ry, angle, start=start, end=end)
        self.stroke(points, width, colour, alpha)

    # ---- output ------------------------------------------------------------------------

    def pixels(self):
        """The averaged picture: rows top to bottom of (r, g, b) tuples."""
        n, s, size = self.n, self.scale, self.size
        area = s * s
        half = area // 2
        planes = []
        for ch in self.channels:
            plane = []
            for y in range(size):
                acc = [0] * n
                for k in range(s):
                    start = (y * s + k) * n
                    acc = [p + q for p, q in zip(acc, ch[start : start + n])]
                plane.append([(sum(acc[x * s : x * s + s]) + half) // area for x in range(size)])
            planes.append(plane)
        return [list(zip(planes[0][y], planes[1][y], planes[2][y])) for y in range(size)]


def _signed_area(points):
    area = 0.0
    for (x0, y0), (x1, y1) in zip(points, points[1:] + points[:1]):
        area += x0 * y1 - x1 * y0
    return area / 2.0
