#!/usr/bin/python3
"""Paints the window background: a pale marbled paper with a small oval
picture of praying hands among flowers in the top-left corner.

Usage: background.py OUTPUT.ppm

Everything is computed from fixed seeds, so two runs give identical pixels;
make-assets.sh turns the PPM into the committed JPEG.
"""

import sys

import numpy as np

WIDTH, HEIGHT = 603, 424

# Where the picture sits. The reading text starts at x=120 beside it and
# at y=152 below it, so nothing but marble may stray outside this box.
OVAL_LEFT, OVAL_TOP, OVAL_W, OVAL_H = 8, 8, 100, 140
SUPERSAMPLE = 4


# --- marble ----------------------------------------------------------------


def value_noise(rng, xs, ys, cell):
    """Smooth lattice noise in [0, 1] sampled at the float arrays xs, ys."""
    gx = int(xs.max() / cell) + 3
    gy = int(ys.max() / cell) + 3
    lattice = rng.random_sample((gy, gx))
    fx, fy = xs / cell, ys / cell
    ix, iy = np.floor(fx).astype(int), np.floor(fy).astype(int)
    tx, ty = fx - ix, fy - iy
    # Quintic fade: continuous slope, so the veins bend without kinks.
    tx = tx * tx * tx * (tx * (tx * 6 - 15) + 10)
    ty = ty * ty * ty * (ty * (ty * 6 - 15) + 10)
    a = lattice[iy, ix]
    b = lattice[iy, ix + 1]
    c = lattice[iy + 1, ix]
    d = lattice[iy + 1, ix + 1]
    return (a * (1 - tx) + b * tx) * (1 - ty) + (c * (1 - tx) + d * tx) * ty


def fbm(rng, xs, ys, cell, octaves):
    total = np.zeros_like(xs)
    amplitude, norm = 1.0, 0.0
    for _ in range(octaves):
        total += amplitude * value_noise(rng, xs, ys, cell)
        norm += amplitude
        amplitude *= 0.5
        cell /= 2.0
    return total / norm


def swirl(xs, ys, cx, cy, turns, radius):
    """Twists the plane around (cx, cy), strongest at the centre."""
    dx, dy = xs - cx, ys - cy
    r2 = dx * dx + dy * dy
    angle = turns * 2 * np.pi * np.exp(-r2 / (radius * radius))
    c, s = np.cos(angle), np.sin(angle)
    return cx + dx * c - dy * s, cy + dx * s + dy * c


def marble():
    rng = np.random.RandomState(20240917)
    # Computed at twice the size and averaged down: the thin veins alias
    # into stair-steps otherwise.
    n = 2
    ys, xs = np.mgrid[0 : HEIGHT * n, 0 : WIDTH * n].astype(np.float64)
    # Offset so the lattice coordinates stay positive after warping.
    xs = (xs + 0.5) / n + 200.0
    ys = (ys + 0.5) / n + 200.0

    for cx, cy, turns, radius in [
        (330, 95, 0.55, 120),
        (170, 300, -0.45, 140),
        (470, 330, 0.35, 110),
        (60, 230, -0.3, 90),
        (540, 170, -0.3, 70),
        (300, 230, 0.25, 60),
        (420, 20, -0.25, 60),
        (230, 60, 0.3, 55),
        (80, 390, 0.3, 60),
        (580, 400, -0.3, 60),
    ]:
        xs, ys = swirl(xs, ys, cx + 200.0, cy + 200.0, turns, radius)

    warp_x = fbm(rng, xs, ys, 160.0, 4) - 0.5
    warp_y = fbm(rng, xs, ys, 160.0, 4) - 0.5
    wx = xs + 140.0 * warp_x
    wy = ys + 140.0 * warp_y

    turbulence = fbm(rng, wx, wy, 90.0, 5)
    phase = (wx * 0.8 + wy * 0.6) / 40.0 + 7.0 * turbulence
    bands = 0.5 + 0.5 * np.sin(phase)
    veins = np.exp(-(((phase / np.pi) % 2.0 - 1.0) ** 2) / 0.008)
    clouds = fbm(rng, xs, ys, 120.0, 5)

    light = np.array([239.0, 249.0, 240.0])
    mid = np.array([216.0, 238.0, 222.0])
    vein = np.array([192.0, 225.0, 201.0])
    t = (0.55 * bands + 0.45 * clouds)[..., None]
    img = light * (1 - t) + mid * t
    v = (0.5 * veins)[..., None]
    img = img * (1 - v) + vein * v
    return img.reshape(HEIGHT, n, WIDTH, n, 3).mean(axis=(1, 3))


# --- the oval picture ---------------------------------------------------------


class Canvas:
    """A supersampled RGB canvas in the oval's own coordinates (pixels of the
    final picture, origin at the oval box's top-left corner)."""

    def __init__(self):
        n = SUPERSAMPLE
        ys, xs = np.mgrid[0 : OVAL_H * n, 0 : OVAL_W * n].astype(np.float64)
        self.x = (xs + 0.5) / n
        self.y = (ys + 0.5) / n
        self.rgb = np.zeros((OVAL_H * n, OVAL_W * n, 3))

    def paint(self, coverage, colour):
        a = np.clip(coverage, 0.0, 1.0)[..., None]
        self.rgb = self.rgb * (1 - a) + colour * a

    def downsampled(self):
        n = SUPERSAMPLE
        h, w, _ = self.rgb.shape
        return self.rgb.reshape(h // n, n, w // n, n, 3).mean(axis=(1, 3))


def coverage_of(distance):
    """Antialiased inside-ness of a signed distance (negative inside)."""
    return np.clip(0.5 - distance * SUPERSAMPLE, 0.0, 1.0)


def ramp(t, stops):
    """Piecewise-linear colour ramp; stops are (position, (r, g, b))."""
    t = np.clip(t, 0.0, 1.0)
    out = np.zeros(t.shape + (3,))
    positions = [p for p, _ in stops]
    for channel in range(3):
        out[..., channel] = np.interp(t, positions, [c[channel] for _, c in stops])
    return out


def bezier(p0, p1, p2, steps=14):
    ts = np.linspace(0.0, 1.0, steps + 1)
    return [
        ((1 - t) ** 2 * p0[0] + 2 * (1 - t) * t * p1[0] + t * t * p2[0],
         (1 - t) ** 2 * p0[1] + 2 * (1 - t) * t * p1[1] + t * t * p2[1])
        for t in ts
    ]


def tube(canvas, points, radius_from, radius_to):
    """Signed distance, surface normal and position along the curve (0 at
    the first point, 1 at the last) of a round tube along a polyline whose
    radius tapers from one end to the other."""
    best = np.full(canvas.x.shape, np.inf)
    nx = np.zeros_like(best)
    ny = np.zeros_like(best)
    along = np.zeros_like(best)
    count = len(points) - 1
    for i in range(count):
        (ax, ay), (bx, by) = points[i], points[i + 1]
        vx, vy = bx - ax, by - ay
        length2 = vx * vx + vy * vy
        h = np.clip(((canvas.x - ax) * vx + (canvas.y - ay) * vy) / length2, 0.0, 1.0)
        px, py = canvas.x - (ax + h * vx), canvas.y - (ay + h * vy)
        r = radius_from + (radius_to - radius_from) * (i + h) / count
        dist = np.hypot(px, py)
        d = dist - r
        closer = d < best
        safe = np.maximum(dist, 1e-9)
        best = np.where(closer, d, best)
        nx = np.where(closer, px / safe * np.minimum(dist / r, 1.0), nx)
        ny = np.where(closer, py / safe * np.minimum(dist / r, 1.0), ny)
        along = np.where(closer, (i + h) / count, along)
    return best, nx, ny, along


def ellipse(canvas, cx, cy, rx, ry, angle=0.0):
    c, s = np.cos(angle), np.sin(angle)
    dx, dy = canvas.x - cx, canvas.y - cy
    u = (dx * c + dy * s) / rx
    v = (-dx * s + dy * c) / ry
    k = np.hypot(u, v)
    # Scaled to roughly pixels near the rim, which is all antialiasing needs.
    d = (k - 1.0) * min(rx, ry)
    nu = np.where(k > 1e-9, u / np.maximum(k, 1e-9), 0.0) * np.minimum(k, 1.0)
    nv = np.where(k > 1e-9, v / np.maximum(k, 1e-9), 0.0) * np.minimum(k, 1.0)
    return d, nu * c - nv * s, nu * s + nv * c


LIGHT = np.array([-0.5, -0.6, 0.62])
LIGHT = LIGHT / np.linalg.norm(LIGHT)

GOLD = [
    (0.00, (112, 66, 18)),
    (0.30, (168, 112, 34)),
    (0.55, (214, 160, 60)),
    (0.78, (242, 204, 110)),
    (0.92, (255, 234, 168)),
    (1.00, (255, 248, 220)),
]
GOLD_EDGE = np.array([110.0, 62.0, 16.0])


def shade(nx, ny, stops, gloss=0.0):
    nz = np.sqrt(np.clip(1.0 - nx * nx - ny * ny, 0.0, 1.0))
    lambert = np.clip(nx * LIGHT[0] + ny * LIGHT[1] + nz * LIGHT[2], 0.0, 1.0)
    # Reflection of the light about the normal, against a viewer at +z.
    reflect_z = 2 * lambert * nz - LIGHT[2]
    sheen = np.clip(reflect_z, 0.0, 1.0) ** 12 * gloss
    return ramp(0.12 + 0.78 * lambert + sheen, stops)


def box_blur(a, radius, axis):
    pad = [(0, 0)] * a.ndim
    pad[axis] = (radius + 1, radius)
    c = np.cumsum(np.pad(a, pad, mode="edge"), axis=axis)
    n = a.shape[axis]
    hi = np.take(c, np.arange(2 * radius + 1, 2 * radius + 1 + n), axis=axis)
    lo = np.take(c, np.arange(0, n), axis=axis)
    return (hi - lo) / (2 * radius + 1)


def soft(a, radius):
    """Three box passes each way: close enough to a Gaussian for shading."""
    for _ in range(3):
        a = box_blur(a, radius, 0)
        a = box_blur(a, radius, 1)
    return a


def smoothstep(e0, e1, x):
    t = np.clip((x - e0) / (e1 - e0), 0.0, 1.0)
    return t * t * (3 - 2 * t)


def rim_of(d, width):
    return np.clip((d + width) / width, 0.0, 1.0)


def sculpt(canvas, parts, stops, edge, bulge=2.2):
    """Paints parts (distance, normal, rim weight, normal weight) as one
    body: the silhouette is shaded like a cushion so the parts read as a
    single hand, each part adds its own roundness on top, and a thin
    engraved line marks where a part lies over an earlier one."""
    union = np.full(canvas.x.shape, np.inf)
    local_x = np.zeros_like(union)
    local_y = np.zeros_like(union)
    rim = np.zeros_like(union)
    for d, nx, ny, rim_weight, normal_weight in parts:
        inside = d < 0
        union = np.minimum(union, d)
        local_x = np.where(inside, nx * normal_weight, local_x)
        local_y = np.where(inside, ny * normal_weight, local_y)
        rim = np.where(inside, rim_of(d, 0.5) * rim_weight, rim)

    body = soft((union < 0).astype(np.float64), 3 * SUPERSAMPLE)
    gy, gx = np.gradient(body)
    gx, gy = -gx * SUPERSAMPLE * bulge, -gy * SUPERSAMPLE * bulge
    nx, ny = gx + local_x * 0.75, gy + local_y * 0.75
    length = np.maximum(np.hypot(nx, ny), 1.0)
    nx, ny = nx / length * 0.97, ny / length * 0.97
    colour = shade(nx, ny, stops, gloss=0.45)
    rim = np.maximum(rim, rim_of(union, 0.6))
    colour = colour * (1 - rim[..., None]) + edge * rim[..., None]
    canvas.paint(coverage_of(union), colour)


def mirrored(points, axis):
    return [(2 * axis - x, y) for x, y in points]


def praying_hands(canvas):
    axis = 50.0

    def side(points, which):
        return points if which == 0 else mirrored(points, axis)

    # Per hand, from the little finger in: the fingers nest like the arches
    # of a window, each tip resting on the next finger, and the innermost
    # pair presses together along the middle up to the top.
    fingers = [
        (bezier((31.0, 84.0), (27.5, 58.0), (38.8, 45.5)), 3.1, 2.6),
        (bezier((34.5, 82.0), (32.8, 46.0), (43.0, 33.5)), 3.3, 2.7),
        (bezier((40.0, 80.0), (39.2, 36.0), (46.2, 24.5)), 3.4, 2.8),
        (bezier((46.2, 78.0), (46.0, 32.0), (48.9, 16.5)), 3.5, 2.8),
    ]
    palm = (bezier((42.5, 118.0), (38.0, 92.0), (39.5, 74.0)), 7.6, 10.6)
    thumb = (bezier((40.5, 106.0), (46.6, 96.0), (46.9, 70.0)), 4.3, 3.2)

    for which in (0, 1):
        parts = []
        pts, r0, r1 = palm
        d, nx, ny, _ = tube(canvas, side(pts, which), r0, r1)
        parts.append((d, nx, ny, 0.0, 0.25))
        for pts, r0, r1 in fingers:
            d, nx, ny, along = tube(canvas, side(pts, which), r0, r1)
            # Fingers grow out of the palm: no line or roundness at the root.
            fade = smoothstep(0.18, 0.42, along)
            parts.append((d, nx, ny, fade, fade))
        # The thumb lies in front, along the meeting line, rooted low on the palm.
        pts, r0, r1 = thumb
        d, nx, ny, along = tube(canvas, side(pts, which), r0, r1)
        fade = smoothstep(0.1, 0.4, along)
        parts.append((d, nx, ny, fade, fade))
        sculpt(canvas, parts, GOLD, GOLD_EDGE)


PINK = [
    (0.0, (176, 58, 110)),
    (0.45, (228, 112, 160)),
    (0.8, (248, 172, 204)),
    (1.0, (255, 222, 236)),
]
VIOLET = [
    (0.0, (92, 52, 142)),
    (0.45, (148, 104, 200)),
    (0.8, (192, 160, 232)),
    (1.0, (232, 220, 250)),
]
LEAF = [
    (0.0, (40, 92, 40)),
    (0.45, (76, 142, 64)),
    (0.8, (130, 186, 104)),
    (1.0, (196, 224, 170)),
]
HEART = [
    (0.0, (150, 100, 20)),
    (0.6, (236, 190, 60)),
    (1.0, (255, 240, 160)),
]


def leaf(canvas, x, y, length, width, angle):
    """A pointed leaf from its stalk end at (x, y) along angle."""
    c, s = np.cos(angle), np.sin(angle)
    cx, cy = x + c * length / 2, y + s * length / 2
    dx, dy = canvas.x - cx, canvas.y - cy
    u = dx * c + dy * s
    v = -dx * s + dy * c
    # Two overlapping circles make the pointed (vesica) outline.
    half = length / 2
    big = (half * half + width * width) / (2 * width)
    d = np.maximum(np.hypot(u, v - (width - big)), np.hypot(u, v + (width - big))) - big
    nv = np.clip(v / width, -1.0, 1.0) * 0.85
    nx, ny = -nv * s, nv * c
    colour = shade(nx, ny, LEAF)
    midrib = np.clip(1.0 - np.abs(v) * SUPERSAMPLE / 1.2, 0.0, 1.0) * (np.abs(u) < half * 0.8)
    colour = colour * (1 - 0.35 * midrib[..., None]) + np.array([40.0, 90.0, 40.0]) * 0.35 * midrib[..., None]
    rim = np.clip((d + 0.45) / 0.45, 0.0, 1.0)[..., None]
    colour = colour * (1 - rim) + np.array([36.0, 80.0, 36.0]) * rim
    canvas.paint(coverage_of(d), colour)


def flower(canvas, x, y, size, stops, turn=0.0):
    for k in range(5):
        a = turn + k * 2 * np.pi / 5 - np.pi / 2
        px, py = x + np.cos(a) * size * 0.55, y + np.sin(a) * size * 0.55
        d, nx, ny = ellipse(canvas, px, py, size * 0.55, size * 0.42, a)
        colour = shade(nx * 0.8, ny * 0.8, stops)
        rim = np.clip((d + 0.4) / 0.4, 0.0, 1.0)[..., None]
        colour = colour * (1 - rim) + np.array(stops[0][1], dtype=float) * rim
        canvas.paint(coverage_of(d), colour)
    d, nx, ny = ellipse(canvas, x, y, size * 0.32, size * 0.32)
    canvas.paint(coverage_of(d), shade(nx, ny, HEART))


def glow(canvas):
    """The oval's own ground: warm light behind the hands fading to mint."""
    cx, cy = 50.0, 42.0
    dx, dy = canvas.x - cx, (canvas.y - cy) * 0.8
    r = np.hypot(dx, dy) / 70.0
    rays = 0.5 + 0.5 * np.cos(np.arctan2(dy, dx) * 14)
    t = np.clip(r, 0.0, 1.0)
    inner = np.array([255.0, 251.0, 232.0])
    outer = np.array([226.0, 242.0, 226.0])
    base = inner * (1 - t[..., None]) + outer * t[..., None]
    ray_colour = np.array([250.0, 236.0, 190.0])
    strength = (0.35 * rays * np.clip(1.0 - r, 0.0, 1.0))[..., None]
    return base * (1 - strength) + ray_colour * strength


def stem(canvas, points, width):
    d = tube(canvas, points, width, width * 0.6)[0]
    canvas.paint(coverage_of(d), np.array([70.0, 130.0, 60.0]))


def sprig(canvas, points, flip):
    """A climbing stalk with alternate leaves and a few buds, hugging the
    oval's rim beside the hands."""
    stem(canvas, points, 0.55)
    count = len(points) - 1
    for k, t in enumerate([0.18, 0.34, 0.5, 0.66, 0.8]):
        i = int(t * count)
        (ax, ay), (bx, by) = points[i], points[i + 1]
        heading = np.arctan2(by - ay, bx - ax)
        out = (1 if k % 2 == 0 else -1) * flip
        leaf(canvas, ax, ay, 8.5 - 3.0 * t, 2.2, heading + out * np.radians(50))
    tip = points[-1]
    flower(canvas, tip[0], tip[1], 3.6, VIOLET, 0.4 * flip)
    mid = points[int(0.58 * count)]
    flower(canvas, mid[0] - 2.6 * flip, mid[1], 2.8, PINK, 0.2)


def vignette():
    canvas = Canvas()
    canvas.rgb = glow(canvas)

    left = bezier((27.0, 110.0), (10.0, 86.0), (17.0, 46.0), steps=24)
    sprig(canvas, left, 1)
    sprig(canvas, mirrored(left, 50.0), -1)

    # Leaves first so the flowers sit on them.
    for x, y, length, width, angle in [
        (30, 118, 15, 3.6, np.radians(200)),
        (70, 118, 15, 3.6, np.radians(-20)),
        (36, 124, 14, 3.4, np.radians(150)),
        (64, 124, 14, 3.4, np.radians(30)),
        (26, 108, 13, 3.2, np.radians(235)),
        (74, 108, 13, 3.2, np.radians(-55)),
        (46, 130, 11, 3.0, np.radians(110)),
        (54, 130, 11, 3.0, np.radians(70)),
    ]:
        leaf(canvas, x, y, length, width, angle)

    praying_hands(canvas)

    for x, y, size, stops, turn in [
        (50, 121, 7.0, PINK, 0.0),
        (36, 114, 6.0, VIOLET, 0.3),
        (64, 114, 6.0, VIOLET, -0.3),
        (23, 104, 5.2, PINK, 0.5),
        (77, 104, 5.2, PINK, -0.5),
        (40, 130, 4.6, PINK, 0.2),
        (60, 130, 4.6, PINK, -0.2),
    ]:
        flower(canvas, x, y, size, stops, turn)
    return canvas.downsampled()


def oval_masks():
    """Soft inside-ness of the oval, a thin ring along its edge and a faint
    shadow just outside it, at the size of the whole picture."""
    ys, xs = np.mgrid[0:HEIGHT, 0:WIDTH].astype(np.float64)
    cx = OVAL_LEFT + OVAL_W / 2
    cy = OVAL_TOP + OVAL_H / 2
    u = (xs + 0.5 - cx) / (OVAL_W / 2)
    v = (ys + 0.5 - cy) / (OVAL_H / 2)
    k = np.hypot(u, v)
    d = (k - 1.0) * (OVAL_W / 2)  # roughly pixels outside the rim
    inside = np.clip(0.5 - (d + 1.5) / 2.0, 0.0, 1.0)
    ring = np.exp(-((d + 1.2) ** 2) / 0.6)
    shadow = np.exp(-((d - 0.5) ** 2) / 3.0) * (d > -1.0)
    return inside, ring, shadow


def compose():
    img = marble()
    inside, ring, shadow = oval_masks()

    picture = np.zeros_like(img)
    picture[OVAL_TOP : OVAL_TOP + OVAL_H, OVAL_LEFT : OVAL_LEFT + OVAL_W] = vignette()
    a = inside[..., None]
    img = img * (1 - a) + picture * a

    darker = np.array([170.0, 204.0, 176.0])
    s = (0.35 * shadow)[..., None]
    img = img * (1 - s) + darker * s
    gold = np.array([190.0, 150.0, 70.0])
    r = (0.85 * ring)[..., None]
    img = img * (1 - r) + gold * r
    return np.clip(np.rint(img), 0, 255).astype(np.uint8)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: background.py OUTPUT.ppm")
    pixels = compose()
    with open(sys.argv[1], "wb") as out:
        out.write(b"P6\n%d %d\n255\n" % (WIDTH, HEIGHT))
        out.write(pixels.tobytes())


if __name__ == "__main__":
    main()
