"""A small anti-aliased rasteriser: shapes are signed distance functions
(negative inside, in pixels), a pixel's coverage comes from the distance at its
centre, and paint is composited with straight alpha over an RGBA canvas.
Pixel (x, y) covers [x, x+1) x [y, y+1); y grows downwards.
"""
import math


def clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


def mix(a, b, t):
    """Linear blend of two colours (tuples of equal length)."""
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def shade(colour, amount):
    """Towards white for amount > 0, towards black for amount < 0 (-1 .. 1)."""
    if amount >= 0:
        return mix(colour, (255, 255, 255), amount)
    return mix(colour, (0, 0, 0), -amount)


def smoothstep(e0, e1, x):
    t = clamp((x - e0) / (e1 - e0))
    return t * t * (3 - 2 * t)


def noise(x, y, salt=0):
    """Deterministic hash noise in [0, 1) for integer coordinates."""
    h = (x * 374761393 + y * 668265263 + salt * 2246822519) & 0xFFFFFFFF
    h = ((h ^ (h >> 13)) * 1274126177) & 0xFFFFFFFF
    return ((h ^ (h >> 16)) & 0xFFFFFF) / float(1 << 24)


# --- shapes ------------------------------------------------------------------

def rrect(x0, y0, x1, y1, r):
    cx, cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
    hx, hy = (x1 - x0) / 2.0 - r, (y1 - y0) / 2.0 - r

    def sdf(px, py):
        qx, qy = abs(px - cx) - hx, abs(py - cy) - hy
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - r
    return sdf


def circle(cx, cy, r):
    return lambda px, py: math.hypot(px - cx, py - cy) - r


def segment(ax, ay, bx, by, half_width):
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy or 1e-9

    def sdf(px, py):
        t = clamp(((px - ax) * dx + (py - ay) * dy) / length2)
        return math.hypot(px - ax - t * dx, py - ay - t * dy) - half_width
    return sdf


def polygon(points):
    """Convex polygon, points in either winding order."""
    n = len(points)
    area = sum(points[i][0] * points[(i + 1) % n][1] - points[(i + 1) % n][0] * points[i][1]
               for i in range(n))
    sign = 1.0 if area > 0 else -1.0
    edges = []
    for i in range(n):
        (ax, ay), (bx, by) = points[i], points[(i + 1) % n]
        length = math.hypot(bx - ax, by - ay)
        # Outward normal of the edge.
        edges.append((ax, ay, sign * (by - ay) / length, -sign * (bx - ax) / length))

    def sdf(px, py):
        return max((px - ax) * nx + (py - ay) * ny for ax, ay, nx, ny in edges)
    return sdf


def union(*shapes):
    return lambda px, py: min(s(px, py) for s in shapes)


def subtract(shape, hole):
    return lambda px, py: max(shape(px, py), -hole(px, py))


def inset(shape, amount):
    return lambda px, py: shape(px, py) + amount


def normal(shape, px, py):
    """Unit outward direction of the shape's distance field at a point."""
    e = 0.35
    nx = shape(px + e, py) - shape(px - e, py)
    ny = shape(px, py + e) - shape(px, py - e)
    length = math.hypot(nx, ny) or 1.0
    return nx / length, ny / length


# Light falls from the upper left.
LIGHT = (-0.6, -0.8)


def facing_light(shape, px, py):
    """+1 where the outline faces the light, -1 where it faces away."""
    nx, ny = normal(shape, px, py)
    return nx * LIGHT[0] + ny * LIGHT[1]


def scaled_length(length, percent):
    """A 100 % length or coordinate at a scale, rounded half up (ScaledLength in
    imaging/ScaledArt.h, which places the pictures in the window)."""
    return (length * percent + 50) // 100


def pixel_of(coordinate):
    """The 100 % pixel that the device pixel drawn at coordinate (the value a
    colour function gets: the pixel's centre less 0.5) belongs to: the one whose
    scaled_length span holds it. At 100 % the coordinate itself."""
    return math.ceil(coordinate + 0.5) - 1


class Canvas:
    """Pixels drawn at a scale (percent) from the 100 % window's shapes: boxes,
    shapes and the coordinates handed to colour functions are in 100 % units,
    and each device pixel is painted from the point its centre maps back to, so
    edges, curves and gradients are drawn at the full resolution of the scale.
    offset is the 100 % point that the canvas's left and top edges show (a cell
    of a strip); first_row is the device row of the window that the canvas's top
    row is, for pictures whose rows must match the window's pixel for pixel."""

    def __init__(self, width, height, colour=(0, 0, 0), alpha=1.0, percent=100, offset=(0, 0), first_row=0):
        self.width, self.height = width, height
        self.rgb = [list(colour) for _ in range(width * height)]
        self.alpha = [alpha] * (width * height)
        self.percent, self.scale = percent, percent / 100.0
        self.offset, self.origin = offset, (0, first_row)

    def coordinate(self, device, axis):
        """The 100 % coordinate of a device pixel's centre (exact at 100 %)."""
        return self.offset[axis] + (2 * (device + self.origin[axis]) + 1) * 50 / self.percent

    def _device(self, edge, axis, upper):
        """The device pixel where a box's 100 % edge falls: a whole edge as
        scaled_length places it, a fractional one widened to cover it."""
        v = edge - self.offset[axis]
        if v == int(v):
            at = scaled_length(int(v), self.percent)
        else:
            at = math.ceil(v * self.scale) if upper else math.floor(v * self.scale)
        return at - self.origin[axis]

    def _pixels(self, box):
        x0, y0, x1, y1 = box or (self.offset[0], self.offset[1], math.inf, math.inf)
        xs = range(max(0, self._device(x0, 0, False)),
                   self.width if x1 == math.inf else min(self.width, self._device(x1, 0, True)))
        for y in range(max(0, self._device(y0, 1, False)),
                       self.height if y1 == math.inf else min(self.height, self._device(y1, 1, True))):
            for x in xs:
                yield x, y

    def blend(self, x, y, colour, opacity):
        """Paint over one device pixel."""
        if opacity <= 0 or not (0 <= x < self.width and 0 <= y < self.height):
            return
        i = y * self.width + x
        if len(colour) == 4:
            opacity *= colour[3]
        opacity = clamp(opacity)
        below_a = self.alpha[i]
        out_a = opacity + below_a * (1 - opacity)
        if out_a <= 0:
            return
        below = self.rgb[i]
        self.rgb[i] = [(colour[c] * opacity + below[c] * below_a * (1 - opacity)) / out_a
                       for c in range(3)]
        self.alpha[i] = out_a

    def dot(self, x, y, colour, opacity):
        """Paint over the 100 % pixel (x, y): a crisp square at the scale."""
        for dx, dy in self._pixels((x, y, x + 1, y + 1)):
            self.blend(dx, dy, colour, opacity)

    def fill(self, colour_at, box=None):
        """Opaque paint over a box: colour_at(x, y) -> colour, or None to leave a pixel."""
        for dx, dy in self._pixels(box):
            colour = colour_at(self.coordinate(dx, 0) - 0.5, self.coordinate(dy, 1) - 0.5)
            if colour is not None:
                self.blend(dx, dy, colour, 1.0)

    def paint(self, shape, colour_at, box=None, opacity=1.0):
        """Paint a shape: colour_at(x, y, d) gets the pixel and the distance at its
        centre, in 100 % units; coverage comes from the distance in device pixels."""
        for dx, dy in self._pixels(box):
            px, py = self.coordinate(dx, 0), self.coordinate(dy, 1)
            d = shape(px, py)
            cover = clamp(0.5 - d * self.scale)
            if cover > 0:
                self.blend(dx, dy, colour_at(px - 0.5, py - 0.5, d), cover * opacity)

    def get(self, x, y):
        i = y * self.width + x
        return tuple(self.rgb[i]) + (self.alpha[i],)

    def rows(self, with_alpha):
        out = []
        for y in range(self.height):
            row = []
            for x in range(self.width):
                i = y * self.width + x
                r, g, b = (int(round(clamp(c, 0, 255))) for c in self.rgb[i])
                row.append((r, g, b, int(round(self.alpha[i] * 255))) if with_alpha else (r, g, b))
            out.append(row)
        return out
