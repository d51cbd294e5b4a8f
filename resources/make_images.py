#!/usr/bin/env python3
"""Draws the user interface pictures of the installer and writes them as PNG files.

The pictures are compiled into the program as byte arrays (see
cmake/embed_binary.cmake); this script is their source. It uses only the
standard library (zlib and struct for the PNG container) and no randomness
beyond a fixed-seed generator, so running it again reproduces the committed
files byte for byte.

    python3 resources/make_images.py [output folder]
    python3 resources/make_images.py --check

The default output folder is resources/images beside this script. --check
writes nothing and fails when a committed file differs from what this script
draws, so the pictures and their source cannot drift apart.

Shapes are described by distance functions: the coverage of a pixel is how far
its centre lies inside the shape's edge, clamped to 0..1, which gives
anti-aliased edges with one evaluation per pixel. Polygons are supersampled.
"""

import math
import os
import struct
import sys
import zlib


# --------------------------------------------------------------------------
# PNG container

def _chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png_bytes(canvas, alpha):
    """Encodes the canvas as an 8-bit truecolour PNG, with alpha (type 6) or without (type 2)."""
    raw = bytearray()
    for y in range(canvas.h):
        raw.append(0)  # filter type None: simple and deterministic
        for x in range(canvas.w):
            r, g, b, a = canvas.px[y * canvas.w + x]
            raw.extend((_byte(r), _byte(g), _byte(b)))
            if alpha:
                raw.append(_byte(a))
    colour_type = 6 if alpha else 2
    header = struct.pack(">IIBBBBB", canvas.w, canvas.h, 8, colour_type, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + _chunk(b"IHDR", header)
            + _chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + _chunk(b"IEND", b""))


def _byte(v):
    return int(round(min(1.0, max(0.0, v)) * 255.0))


# --------------------------------------------------------------------------
# Canvas with straight (not premultiplied) float RGBA pixels

class Canvas:
    def __init__(self, w, h, fill=(0.0, 0.0, 0.0, 0.0)):
        self.w = w
        self.h = h
        self.px = [list(fill) for _ in range(w * h)]

    def over(self, x, y, rgb, a):
        """Source-over composition of one colour with coverage/opacity a."""
        if a <= 0.0 or not (0 <= x < self.w and 0 <= y < self.h):
            return
        a = min(a, 1.0)
        p = self.px[y * self.w + x]
        da = p[3] * (1.0 - a)
        oa = a + da
        for i in range(3):
            p[i] = (rgb[i] * a + p[i] * da) / oa
        p[3] = oa

    def add(self, x, y, rgb, k):
        """Additive light, for glows and sparkles on an opaque background."""
        if k <= 0.0 or not (0 <= x < self.w and 0 <= y < self.h):
            return
        p = self.px[y * self.w + x]
        for i in range(3):
            p[i] = min(1.0, p[i] + rgb[i] * k)

    def scale(self, x, y, f):
        p = self.px[y * self.w + x]
        for i in range(3):
            p[i] *= f

    def set(self, x, y, rgba):
        self.px[y * self.w + x] = list(rgba)


def rgb8(r, g, b):
    return (r / 255.0, g / 255.0, b / 255.0)


def lerp(a, b, t):
    return a + (b - a) * t


def mix(c0, c1, t):
    return tuple(lerp(c0[i], c1[i], t) for i in range(len(c0)))


def clamp01(v):
    return min(1.0, max(0.0, v))


def smoothstep(e0, e1, v):
    t = clamp01((v - e0) / (e1 - e0))
    return t * t * (3.0 - 2.0 * t)


def coverage(d, half_width=0.0):
    """Pixel coverage of a shape whose edge lies at distance d - half_width (negative inside)."""
    return clamp01(half_width + 0.5 - d)


# --------------------------------------------------------------------------
# Distance functions

def dist_segment(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0.0 else clamp01(((px - ax) * dx + (py - ay) * dy) / length2)
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def dist_arc(px, py, cx, cy, r, a0, a1):
    """Distance to a circular arc from angle a0 to a1 (degrees, counter-clockwise, y up)."""
    angle = math.degrees(math.atan2(py - cy, px - cx)) % 360.0
    span = (a1 - a0) % 360.0 or 360.0
    if (angle - a0) % 360.0 <= span:
        return abs(math.hypot(px - cx, py - cy) - r)
    ends = []
    for a in (a0, a1):
        ex = cx + r * math.cos(math.radians(a))
        ey = cy + r * math.sin(math.radians(a))
        ends.append(math.hypot(px - ex, py - ey))
    return min(ends)


def dist_round_box(px, py, x0, y0, x1, y1, radius):
    """Signed distance to a rounded rectangle (negative inside)."""
    cx, cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
    hx, hy = (x1 - x0) / 2.0 - radius, (y1 - y0) / 2.0 - radius
    qx, qy = abs(px - cx) - hx, abs(py - cy) - hy
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    inside = min(max(qx, qy), 0.0)
    return outside + inside - radius


def polygon_coverage(px, py, points, samples=8):
    """Fraction of the pixel at (px, py) (its top-left corner) inside a polygon."""
    inside = 0
    for sy in range(samples):
        for sx in range(samples):
            x = px + (sx + 0.5) / samples
            y = py + (sy + 0.5) / samples
            if _point_in_polygon(x, y, points):
                inside += 1
    return inside / float(samples * samples)


def _point_in_polygon(x, y, points):
    result = False
    j = len(points) - 1
    for i in range(len(points)):
        xi, yi = points[i]
        xj, yj = points[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            result = not result
        j = i
    return result


class Lcg:
    """Tiny fixed-seed generator, so that the sparkles come out the same on every run."""

    def __init__(self, seed):
        self.state = seed

    def next(self):
        self.state = (self.state * 1103515245 + 12345) & 0x7FFFFFFF
        return self.state / float(0x7FFFFFFF)


# --------------------------------------------------------------------------
# Stroke lettering: glyphs on a grid with the baseline at 0, x-height 10 and
# cap height 14, y pointing up. Each glyph is (advance, strokes); a stroke is
# ("line", x0, y0, x1, y1) or ("arc", cx, cy, r, from_degrees, to_degrees).

GLYPHS = {
    "Q": (14.0, [("arc", 7.0, 7.0, 7.0, 0.0, 360.0),
                 ("line", 9.2, 3.2, 14.2, -2.4)]),
    "u": (10.0, [("line", 0.0, 10.0, 0.0, 5.0),
                 ("arc", 5.0, 5.0, 5.0, 180.0, 360.0),
                 ("line", 10.0, 10.0, 10.0, 0.0)]),
    "e": (10.0, [("line", 0.0, 5.0, 10.0, 5.0),
                 ("arc", 5.0, 5.0, 5.0, 0.0, 318.0)]),
    "n": (10.0, [("line", 0.0, 0.0, 0.0, 10.0),
                 ("arc", 5.0, 5.0, 5.0, 0.0, 180.0),
                 ("line", 10.0, 5.0, 10.0, 0.0)]),
    "d": (10.0, [("arc", 5.0, 5.0, 5.0, 0.0, 360.0),
                 ("line", 10.0, 0.0, 10.0, 14.0)]),
    "a": (10.0, [("arc", 5.0, 5.0, 5.0, 0.0, 360.0),
                 ("line", 10.0, 0.0, 10.0, 10.0)]),
    "l": (0.0, [("line", 0.0, 0.0, 0.0, 14.0)]),
}

LETTER_GAP = 4.2


def text_width(text):
    width = sum(GLYPHS[ch][0] for ch in text)
    return width + LETTER_GAP * (len(text) - 1)


def text_strokes(text):
    """The strokes of a text on the glyph grid, each glyph moved by its pen position."""
    strokes = []
    pen = 0.0
    for ch in text:
        advance, parts = GLYPHS[ch]
        for part in parts:
            if part[0] == "line":
                _, x0, y0, x1, y1 = part
                strokes.append(("line", pen + x0, y0, pen + x1, y1))
            else:
                _, cx, cy, r, a0, a1 = part
                strokes.append(("arc", pen + cx, cy, r, a0, a1))
        pen += advance + LETTER_GAP
    return strokes


def dist_strokes(u, v, strokes):
    """Distance from a point of the glyph grid to the nearest stroke, in grid units."""
    best = 1e9
    for s in strokes:
        if s[0] == "line":
            d = dist_segment(u, v, s[1], s[2], s[3], s[4])
        else:
            d = dist_arc(u, v, s[1], s[2], s[3], s[4], s[5])
        best = min(best, d)
    return best


# --------------------------------------------------------------------------
# 1. Side picture of the installer window, 160 x 310

ACCENT = rgb8(116, 200, 243)
DEEP_BLUE = rgb8(38, 96, 170)
VIOLET = rgb8(132, 98, 226)


def side_picture():
    w, h = 160, 310
    c = Canvas(w, h)
    _side_background(c)
    _side_glows(c)
    _side_ribbon(c)
    _side_sparkles(c)
    cx, cy = 80.0, 104.0
    _side_orbit(c, cx, cy, front=False)
    _side_orb(c, cx, cy, 23.0)
    _side_orbit(c, cx, cy, front=True)
    _side_name(c, "Quendal", baseline=203.0)
    _side_rule(c, 216.5)
    _side_vignette(c)
    return c


def _side_background(c):
    top, bottom = rgb8(24, 28, 37), rgb8(9, 10, 14)
    for y in range(c.h):
        colour = mix(top, bottom, smoothstep(0.0, 1.0, y / (c.h - 1.0)))
        for x in range(c.w):
            c.set(x, y, colour + (1.0,))


def _side_glows(c):
    glows = [  # centre x, centre y, radius, colour, strength
        (80.0, 104.0, 62.0, DEEP_BLUE, 0.55),
        (132.0, 30.0, 60.0, VIOLET, 0.16),
        (24.0, 282.0, 70.0, rgb8(30, 120, 150), 0.20),
    ]
    for gx, gy, radius, colour, strength in glows:
        for y in range(c.h):
            for x in range(c.w):
                d2 = ((x + 0.5 - gx) ** 2 + (y + 0.5 - gy) ** 2) / (radius * radius)
                if d2 < 9.0:
                    c.add(x, y, colour, strength * math.exp(-d2 * 1.6))


def _side_ribbon(c):
    """A band of fine lines that twists like a silk ribbon across the lower part.

    Every line follows the band's centre curve at its own fraction of the band's
    width; the width swings through zero, where the band turns over."""
    lines = 11

    def centre(x):
        return 272.0 + 9.0 * math.sin(x * 0.030 + 0.8) + 3.0 * math.sin(x * 0.071)

    def width(x):
        return 30.0 * math.cos(x * 0.026 + 0.35)

    def slope(f, x):
        return (f(x + 0.25) - f(x - 0.25)) / 0.5

    for i in range(lines):
        t = i / (lines - 1.0) - 0.5

        def f(x):
            return centre(x) + t * width(x)

        strength = 0.5 - 0.5 * abs(t)
        for x in range(c.w):
            fx = x + 0.5
            yc = f(fx)
            norm = math.sqrt(1.0 + slope(f, fx) ** 2)
            colour = mix(ACCENT, VIOLET, clamp01(fx / c.w * 0.9 + 0.4 * t))
            # Thin where the band is wide, so the lines do not crowd into a blur
            # where it turns.
            crowd = 0.45 + 0.55 * smoothstep(2.0, 20.0, abs(width(fx)))
            edge = smoothstep(-10.0, 40.0, fx) * smoothstep(-10.0, 40.0, c.w - fx)
            for y in range(int(yc) - 3, int(yc) + 4):
                d = abs(y + 0.5 - yc) / norm
                c.add(x, y, colour, strength * crowd * edge * coverage(d, 0.3))


def _side_sparkles(c):
    rng = Lcg(20240611)
    stars = []
    while len(stars) < 44:
        x = 4.0 + rng.next() * 152.0
        y = 5.0 + rng.next() * 240.0
        size = 0.35 + rng.next() * 0.55
        bright = 0.25 + rng.next() * 0.65
        # Keep the orb and the lettering clean.
        if math.hypot(x - 80.0, y - 104.0) < 34.0 or (172.0 < y < 224.0 and 20.0 < x < 140.0):
            continue
        stars.append((x, y, size, bright))
    for x0, y0, size, bright in stars:
        colour = mix(rgb8(255, 255, 255), ACCENT, 0.35)
        for y in range(int(y0) - 3, int(y0) + 4):
            for x in range(int(x0) - 3, int(x0) + 4):
                d2 = (x + 0.5 - x0) ** 2 + (y + 0.5 - y0) ** 2
                c.add(x, y, colour, bright * math.exp(-d2 / (2.0 * size * size)))
    for x0, y0, reach in ((131.5, 58.5, 9.0), (26.5, 150.5, 7.0), (122.5, 244.5, 6.0)):
        _flare(c, x0, y0, reach)


def _flare(c, x0, y0, reach):
    """A four-pointed star: a bright core with thin rays along the axes."""
    colour = rgb8(220, 240, 255)
    r = int(reach) + 1
    for y in range(int(y0) - r, int(y0) + r + 1):
        for x in range(int(x0) - r, int(x0) + r + 1):
            dx, dy = abs(x + 0.5 - x0), abs(y + 0.5 - y0)
            ray = math.exp(-dy * 2.2) * math.exp(-dx * 3.0 / reach) + math.exp(-dx * 2.2) * math.exp(-dy * 3.0 / reach)
            core = math.exp(-(dx * dx + dy * dy) / 1.2)
            c.add(x, y, colour, 0.55 * ray + 0.8 * core)


ORBIT_TILT = math.radians(-17.0)


def _orbit_local(x, y, cx, cy):
    dx, dy = x - cx, y - cy
    ct, st = math.cos(ORBIT_TILT), math.sin(ORBIT_TILT)
    return dx * ct + dy * st, -dx * st + dy * ct


def _side_orbit(c, cx, cy, front):
    """Two tilted elliptical orbits; the half behind the orb is drawn before it."""
    for a, b, strength, half_width in ((46.0, 12.5, 0.85, 0.55), (62.0, 18.0, 0.35, 0.4)):
        for y in range(int(cy - 40), int(cy + 41)):
            for x in range(int(cx - 70), int(cx + 71)):
                lx, ly = _orbit_local(x + 0.5, y + 0.5, cx, cy)
                if (ly > 0.0) != front:
                    continue
                f = (lx / a) ** 2 + (ly / b) ** 2 - 1.0
                grad = math.hypot(2.0 * lx / (a * a), 2.0 * ly / (b * b))
                if grad == 0.0:
                    continue
                cov = coverage(abs(f) / grad, half_width)
                if cov <= 0.0:
                    continue
                # Brighter toward the viewer, dimmer behind.
                depth = 0.5 + 0.5 * (ly / b)
                colour = mix(VIOLET, ACCENT, clamp01(0.5 + lx / (2.0 * a)))
                c.add(x, y, colour, strength * cov * (0.35 + 0.65 * depth))
    if front:
        # A small moon riding the inner orbit.
        angle = math.radians(38.0)
        lx, ly = 46.0 * math.cos(angle), 12.5 * math.sin(angle)
        ct, st = math.cos(ORBIT_TILT), math.sin(ORBIT_TILT)
        mx, my = cx + lx * ct - ly * st, cy + lx * st + ly * ct
        for y in range(int(my) - 6, int(my) + 7):
            for x in range(int(mx) - 6, int(mx) + 7):
                d = math.hypot(x + 0.5 - mx, y + 0.5 - my)
                c.add(x, y, ACCENT, 0.5 * math.exp(-d * d / 8.0))
                c.over(x, y, rgb8(235, 248, 255), coverage(d, 1.6))


def _side_orb(c, cx, cy, r):
    """A glossy sphere lit from the upper left, with a cyan rim light and a halo."""
    light = (-0.48, -0.62, 0.62)
    norm = math.sqrt(sum(v * v for v in light))
    light = tuple(v / norm for v in light)
    for y in range(int(cy - r - 12), int(cy + r + 13)):
        for x in range(int(cx - r - 12), int(cx + r + 13)):
            px, py = x + 0.5, y + 0.5
            d = math.hypot(px - cx, py - cy)
            if d > r:
                c.add(x, y, ACCENT, 0.30 * math.exp(-((d - r) / 5.5) ** 2))
            cov = coverage(d - r)
            if cov <= 0.0:
                continue
            nx, ny = (px - cx) / r, (py - cy) / r
            nz = math.sqrt(max(0.0, 1.0 - nx * nx - ny * ny))
            diffuse = max(0.0, nx * light[0] + ny * light[1] + nz * light[2])
            rim = (1.0 - nz) ** 3
            colour = mix(rgb8(8, 18, 40), rgb8(52, 128, 210), diffuse ** 1.4)
            colour = mix(colour, ACCENT, 0.75 * rim)
            # The reflection of a soft window light.
            hx, hy = cx - 0.36 * r, cy - 0.44 * r
            spec = math.exp(-((px - hx) ** 2 + ((py - hy) * 1.4) ** 2) / (2.0 * (0.16 * r) ** 2))
            colour = mix(colour, (1.0, 1.0, 1.0), 0.85 * spec)
            # A faint bounce light at the bottom.
            bounce = max(0.0, ny) ** 4 * 0.35
            colour = mix(colour, rgb8(120, 90, 220), bounce)
            c.over(x, y, colour, cov)


def _side_name(c, text, baseline):
    scale = 1.42
    width = text_width(text) * scale
    left = (c.w - width) / 2.0
    strokes = text_strokes(text)
    half_width = 1.15
    top, bottom = baseline - 14.0 * scale, baseline + 3.0 * scale
    x0, x1 = int(left) - 8, int(left + width) + 9
    for y in range(int(top) - 8, int(bottom) + 9):
        for x in range(x0, x1):
            u, v = (x + 0.5 - left) / scale, (baseline - y - 0.5) / scale
            d = dist_strokes(u, v, strokes) * scale
            if d > half_width:
                c.add(x, y, ACCENT, 0.22 * math.exp(-((d - half_width) / 3.2) ** 2))
            cov = coverage(d, half_width)
            if cov > 0.0:
                t = clamp01((y + 0.5 - top) / (baseline - top))
                c.over(x, y, mix(rgb8(250, 252, 255), rgb8(182, 214, 238), t), cov)


def _side_rule(c, y0):
    """A hairline under the name that fades out at both ends."""
    for x in range(c.w):
        fx = x + 0.5
        fade = math.exp(-((fx - 80.0) / 34.0) ** 2)
        for y in range(int(y0) - 2, int(y0) + 3):
            cov = coverage(abs(y + 0.5 - y0), 0.45)
            c.add(x, y, ACCENT, 0.75 * fade * cov)


def _side_vignette(c):
    for y in range(c.h):
        for x in range(c.w):
            dx = (x + 0.5 - 80.0) / 80.0
            dy = (y + 0.5 - 150.0) / 160.0
            c.scale(x, y, 1.0 - 0.30 * smoothstep(0.35, 1.5, dx * dx + dy * dy))
    # A faint edge light where the picture meets the window's grey.
    for y in range(c.h):
        c.add(c.w - 1, y, (1.0, 1.0, 1.0), 0.07)


# --------------------------------------------------------------------------
# 2, 5, 7. Folder icons, 20 x 20

def folder(back, face_top, face_bottom, tab=None):
    c = Canvas(20, 20)
    outline = mix(back, (0.0, 0.0, 0.0), 0.45)
    tab_colour = tab if tab else back
    for y in range(20):
        for x in range(20):
            px, py = x + 0.5, y + 0.5
            d_tab = dist_round_box(px, py, 2.0, 3.0, 9.0, 8.0, 1.5)
            d_back = dist_round_box(px, py, 2.0, 5.0, 18.0, 16.5, 1.5)
            d = min(d_tab, d_back)
            if coverage(d) > 0.0:
                colour = tab_colour if (d_tab < d_back and py < 6.0) else back
                rim = 1.0 - clamp01(-d)  # darkest on the edge, gone one pixel inside
                c.over(x, y, mix(colour, outline, rim), coverage(d))
            d_face = dist_round_box(px, py, 2.0, 7.5, 18.0, 17.0, 1.5)
            cov = coverage(d_face)
            if cov > 0.0:
                colour = mix(face_top, face_bottom, clamp01((py - 7.5) / 9.5))
                # A darker rim and a one-pixel highlight along the top edge.
                colour = mix(colour, outline, 1.0 - clamp01(-d_face))
                if 7.5 < py < 9.0:
                    colour = mix(colour, (1.0, 1.0, 1.0), 0.25)
                c.over(x, y, colour, cov)
    return c


# --------------------------------------------------------------------------
# 3. Check-box sprite, 14 x 28, two frames, no alpha

def checkbox_sprite():
    c = Canvas(14, 28)
    frames = [
        (rgb8(88, 90, 96), rgb8(52, 54, 58)),     # unchecked: grey face
        (rgb8(110, 200, 245), rgb8(36, 118, 196)),  # checked: cyan-blue face
    ]
    border = rgb8(24, 25, 28)
    for index, (top, bottom) in enumerate(frames):
        for y in range(14):
            for x in range(14):
                if x in (0, 13) or y in (0, 13):
                    colour = border
                else:
                    colour = mix(top, bottom, (y - 1) / 11.0)
                    if y == 1:
                        colour = mix(colour, (1.0, 1.0, 1.0), 0.18)
                c.set(x, index * 14 + y, colour + (1.0,))
    return c


# --------------------------------------------------------------------------
# 4, 6. Small triangles

def triangle(w, h, points, colour):
    c = Canvas(w, h)
    for y in range(h):
        for x in range(w):
            c.over(x, y, colour, polygon_coverage(x, y, points))
    return c


# --------------------------------------------------------------------------
# 8. Scroll arrows, 8 x 8: a diamond of opaque grey (222, 222, 222). Row r of
# the top half (r = 0 to 3) is opaque from column 3 - r to 4 + r; the bottom
# half mirrors it. Its halves are the four arrows, so it is drawn without
# anti-aliasing.

def scroll_arrow():
    c = Canvas(8, 8)
    grey = rgb8(222, 222, 222) + (1.0,)
    for y in range(8):
        r = y if y < 4 else 7 - y
        for x in range(3 - r, 5 + r):
            c.set(x, y, grey)
    return c


# --------------------------------------------------------------------------

def images():
    """(file name, canvas, has alpha) of every embedded picture."""
    grey_back, grey_top, grey_bottom = rgb8(104, 106, 112), rgb8(178, 180, 186), rgb8(136, 138, 144)
    return [
        ("side_picture.png", side_picture(), True),
        ("folder_blue.png", folder(rgb8(40, 92, 160), rgb8(104, 172, 238), rgb8(52, 118, 200)), True),
        ("checkbox_sprite.png", checkbox_sprite(), False),
        ("triangle_right.png", triangle(5, 10, [(0.5, 1.0), (4.5, 5.0), (0.5, 9.0)], rgb8(150, 150, 150)), True),
        ("folder_grey.png", folder(grey_back, grey_top, grey_bottom), True),
        ("triangle_down.png", triangle(8, 5, [(0.5, 0.5), (7.5, 0.5), (4.0, 4.5)], rgb8(204, 204, 204)), True),
        ("folder_virtual.png", folder(grey_back, grey_top, grey_bottom, tab=rgb8(240, 196, 48)), True),
        ("scroll_arrow.png", scroll_arrow(), True),
    ]


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    check = len(argv) > 1 and argv[1] == "--check"
    out = argv[1] if len(argv) > 1 and not check else os.path.join(here, "images")
    if not check:
        os.makedirs(out, exist_ok=True)
    stale = []
    for name, canvas, alpha in images():
        path = os.path.join(out, name)
        data = png_bytes(canvas, alpha)
        if check:
            with open(path, "rb") as f:
                if f.read() != data:
                    stale.append(name)
            continue
        with open(path, "wb") as f:
            f.write(data)
        print("%-20s %3d x %-3d %s" % (name, canvas.w, canvas.h, "RGBA" if alpha else "RGB"))
    for name in stale:
        print("%s differs from what make_images.py draws; run it again" % name)
    return 1 if stale else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
