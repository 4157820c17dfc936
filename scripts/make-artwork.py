#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Draws the program's bitmaps and icon into res/.

Standard library only. Every shape is a signed distance field sampled at the pixel centre, so
edges are anti-aliased by their coverage. The button tiles keep their corners in the exact
transparent colour RGB(0, 255, 255); their rim is blended toward the usual dialog grey so
that it sits softly on the page.

    python3 scripts/make-artwork.py [output-dir]      (default: res/ beside this script)
"""

import math
import os
import struct
import sys
import zlib

KEY = (0, 255, 255)          # transparent colour of every button image
PAGE = (240, 240, 240)       # dialog background the rims blend toward


# ---------------------------------------------------------------------------------------------
# Distance fields (negative inside). Coordinates are pixels, y grows downward.

def sd_rrect(x0, y0, x1, y1, r):
    cx, cy, hx, hy = (x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2, (y1 - y0) / 2

    def f(x, y):
        qx = abs(x - cx) - (hx - r)
        qy = abs(y - cy) - (hy - r)
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - r
    return f, (x0, y0, x1, y1)


def sd_ellipse(cx, cy, rx, ry):
    k = min(rx, ry)

    def f(x, y):
        return (math.hypot((x - cx) / rx, (y - cy) / ry) - 1.0) * k
    return f, (cx - rx, cy - ry, cx + rx, cy + ry)


def _seg_dist(x, y, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    ll = dx * dx + dy * dy
    t = 0.0 if ll == 0 else max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / ll))
    return math.hypot(x - ax - t * dx, y - ay - t * dy)


def sd_polygon(pts):
    n = len(pts)

    def f(x, y):
        d = min(_seg_dist(x, y, *pts[i], *pts[(i + 1) % n]) for i in range(n))
        inside = False
        for i in range(n):
            (ax, ay), (bx, by) = pts[i], pts[(i + 1) % n]
            if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
                inside = not inside
        return -d if inside else d
    xs, ys = [p[0] for p in pts], [p[1] for p in pts]
    return f, (min(xs), min(ys), max(xs), max(ys))


def sd_stroke(polylines, width):
    segs = [(p[i], p[i + 1]) for p in polylines for i in range(len(p) - 1)]
    half = width / 2

    def f(x, y):
        return min(_seg_dist(x, y, *a, *b) for a, b in segs) - half
    xs = [q[0] for p in polylines for q in p]
    ys = [q[1] for p in polylines for q in p]
    return f, (min(xs) - half, min(ys) - half, max(xs) + half, max(ys) + half)


def sd_outline(shape, width):
    f, (x0, y0, x1, y1) = shape
    half = width / 2
    return (lambda x, y: abs(f(x, y)) - half), (x0 - half, y0 - half, x1 + half, y1 + half)


def sd_clip(shape, clip):
    f, bb = shape
    g, _ = clip
    return (lambda x, y: max(f(x, y), g(x, y))), bb


def sd_offset(shape, dx, dy):
    f, (x0, y0, x1, y1) = shape
    return (lambda x, y: f(x - dx, y - dy)), (x0 + dx, y0 + dy, x1 + dx, y1 + dy)


def sd_scaled(shape, s):
    """The shape drawn s times larger, for the icon sizes."""
    f, (x0, y0, x1, y1) = shape
    return (lambda x, y: f(x / s, y / s) * s), (x0 * s, y0 * s, x1 * s, y1 * s)


def arc(cx, cy, rx, ry, a0, a1, steps=18):
    """Points of an elliptic arc; angles in degrees, counter-clockwise on screen."""
    out = []
    for i in range(steps + 1):
        a = math.radians(a0 + (a1 - a0) * i / steps)
        out.append((cx + rx * math.cos(a), cy - ry * math.sin(a)))
    return out


# ---------------------------------------------------------------------------------------------
# Paints and the canvas.

def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def vgrad(y0, y1, *stops):
    """Vertical gradient through evenly spaced colour stops."""
    n = len(stops) - 1

    def paint(_x, y):
        t = min(max((y - y0) / (y1 - y0), 0.0), 1.0) * n
        i = min(int(t), n - 1)
        return mix(stops[i], stops[i + 1], t - i)
    return paint


def solid(c):
    return lambda _x, _y: c


class Canvas:
    def __init__(self, w, h, ground):
        self.w, self.h = w, h
        self.px = [list(ground) for _ in range(w * h)]
        self.cover = [0.0] * (w * h)   # coverage of the shape that owns the picture's outline

    def fill(self, shape, paint, alpha=1.0, owner=False):
        f, (x0, y0, x1, y1) = shape
        for y in range(max(0, int(y0) - 1), min(self.h, int(math.ceil(y1)) + 2)):
            for x in range(max(0, int(x0) - 1), min(self.w, int(math.ceil(x1)) + 2)):
                cx, cy = x + 0.5, y + 0.5
                c = min(max(0.5 - f(cx, cy), 0.0), 1.0)
                if c <= 0.0:
                    continue
                i = y * self.w + x
                if owner:
                    self.cover[i] = max(self.cover[i], c)
                a = c * alpha
                col = paint(cx, cy)
                p = self.px[i]
                for k in range(3):
                    p[k] += (col[k] - p[k]) * a

    def rgb(self, keyed):
        """Rows of byte triples; with keyed, pixels mostly outside the outline become KEY."""
        rows = []
        for y in range(self.h):
            row = []
            for x in range(self.w):
                i = y * self.w + x
                if keyed and self.cover[i] < 0.5:
                    row.append(KEY)
                else:
                    row.append(tuple(min(255, max(0, int(round(v)))) for v in self.px[i]))
            rows.append(row)
        return rows


# ---------------------------------------------------------------------------------------------
# Colour variants of the button tiles.

class Tone:
    """How one variant colours the shared drawing."""

    def __init__(self, ground, saturation=1.0, brightness=1.0):
        self.ground = ground          # (top, bottom) of the tile's ground
        self.saturation = saturation
        self.brightness = brightness

    def __call__(self, c):
        luma = 0.299 * c[0] + 0.587 * c[1] + 0.114 * c[2]
        c = mix((luma, luma, luma), c, self.saturation)
        return tuple(v * self.brightness for v in c)

    def paint(self, p):
        return lambda x, y: self(p(x, y))


GREY_GROUND = ((222, 225, 229), (176, 182, 189))
NEUTRAL_GROUND = ((224, 224, 224), (180, 180, 180))
LIGHT_BLUE_GROUND = ((222, 240, 253), (160, 205, 240))
STRONG_BLUE_GROUND = ((86, 146, 230), (28, 86, 184))

TONES = {
    "rest": Tone(GREY_GROUND),
    "hover": Tone(LIGHT_BLUE_GROUND),
    "busy": Tone(GREY_GROUND, brightness=0.82),
    "absent": Tone(NEUTRAL_GROUND, saturation=0.0),
    "absent_hover": Tone(STRONG_BLUE_GROUND, saturation=0.0),
    "refused": Tone(NEUTRAL_GROUND, saturation=0.0, brightness=0.72),
}


# ---------------------------------------------------------------------------------------------
# The word "Score", as strokes. Each glyph: (advance, polylines) with y measured up from the
# baseline.

def _glyphs():
    cap, xh = 9.0, 6.6
    s_upper = arc(3.0, -(cap - 2.25), 2.7, 2.25, 35, 270)
    s_lower = arc(3.0, -2.25, 2.9, 2.25, 90, -150)
    return {
        "S": (6.6, [s_upper + s_lower[1:]]),
        "c": (5.4, [arc(2.7, -xh / 2, 2.55, xh / 2, 50, 310)]),
        "o": (6.0, [arc(2.8, -xh / 2, 2.65, xh / 2, 0, 360, 28)]),
        "r": (4.3, [[(0.8, 0.0), (0.8, -xh)], [(0.8, -3.6), (1.7, -5.8), (3.0, -xh), (4.2, -6.3)]]),
        "e": (5.8, [[(0.25, -3.4), (5.25, -3.4)] + arc(2.75, -xh / 2, 2.55, xh / 2, 0, 320)[1:]]),
    }


def word_strokes(text, x, baseline):
    glyphs = _glyphs()
    lines = []
    for ch in text:
        adv, polys = glyphs[ch]
        lines += [[(x + px, baseline + py) for px, py in p] for p in polys]
        x += adv + 1.0
    return lines


def word_width(text):
    glyphs = _glyphs()
    return sum(glyphs[c][0] for c in text) + (len(text) - 1) * 1.0


# ---------------------------------------------------------------------------------------------
# 140 x 134 button tiles: a document marked Score beside a laptop, with a large arrow.

TILE_W, TILE_H = 140, 134


def draw_tile(arrow_down, tone):
    cv = Canvas(TILE_W, TILE_H, PAGE)
    t = tone

    # The ground keeps its own hue (the strong blue stays blue on a grey picture) but follows
    # the variant's brightness.
    ground = [tuple(v * tone.brightness for v in c) for c in tone.ground]
    tile = sd_rrect(2, 2, TILE_W - 2, TILE_H - 2, 16)
    cv.fill(tile, vgrad(2, TILE_H - 2, *ground), owner=True)
    cv.fill(sd_rrect(5, 4, TILE_W - 5, 62, 14), vgrad(4, 62, (255, 255, 255), (255, 255, 255)),
            alpha=0.28)
    rim = tuple(v * 0.72 for v in ground[1])
    cv.fill(sd_outline(sd_rrect(2.5, 2.5, TILE_W - 2.5, TILE_H - 2.5, 15.5), 1.2), solid(rim))

    draw_document(cv, t)
    draw_laptop(cv, t)
    draw_arrow(cv, t, arrow_down)
    return cv


def draw_document(cv, t):
    paper = [(16, 18), (51, 18), (64, 31), (64, 94), (16, 94)]
    cv.fill(sd_offset(sd_polygon(paper), 2.5, 2.5), solid((0, 0, 0)), alpha=0.22)
    cv.fill(sd_polygon(paper), t.paint(vgrad(18, 94, (255, 255, 255), (238, 240, 243))))
    cv.fill(sd_outline(sd_polygon(paper), 1.1), solid(t((120, 127, 135))))
    fold = [(51, 18), (51, 31), (64, 31)]
    cv.fill(sd_polygon(fold), solid(t((205, 210, 216))))
    cv.fill(sd_outline(sd_polygon(fold), 1.0), solid(t((120, 127, 135))))

    label = sd_rrect(20, 35, 60, 51, 3)
    cv.fill(label, t.paint(vgrad(35, 51, (84, 196, 96), (38, 150, 60), (28, 125, 48))))
    x = 40 - word_width("Score") / 2
    cv.fill(sd_stroke(word_strokes("Score", x, 47.3), 1.45), solid(t((255, 255, 255))))

    # A small score card: a row of boxes and ruled lines.
    line = t((150, 158, 166))
    for y in (60, 67, 74, 81, 88):
        cv.fill(sd_stroke([[(22, y), (58, y)]], 1.2), solid(line))
    for x in (31, 40, 49):
        cv.fill(sd_stroke([[(x, 60), (x, 88)]], 1.0), solid(line))


def draw_laptop(cv, t):
    base = [(48, 104), (136, 104), (131, 114), (53, 114)]
    cv.fill(sd_offset(sd_polygon(base), 1.5, 2.0), solid((0, 0, 0)), alpha=0.25)
    cv.fill(sd_rrect(56, 58, 128, 106, 5), t.paint(vgrad(58, 106, (78, 85, 94), (44, 49, 56))))
    cv.fill(sd_rrect(61, 63, 123, 101, 2),
            t.paint(vgrad(63, 101, (128, 196, 246), (64, 140, 216), (38, 98, 176))))
    # Reflection across the screen.
    cv.fill(sd_clip(sd_polygon([(61, 63), (100, 63), (74, 101), (61, 101)]),
                    sd_rrect(61, 63, 123, 101, 2)), solid((255, 255, 255)), alpha=0.16)
    cv.fill(sd_polygon(base), t.paint(vgrad(104, 114, (232, 235, 238), (170, 176, 183))))
    cv.fill(sd_outline(sd_polygon(base), 1.0), solid(t((110, 116, 124))))
    cv.fill(sd_rrect(84, 105, 100, 107.5, 1.2), solid(t((140, 146, 153))))


def draw_arrow(cv, t, down):
    cx, shaft, head, head_len = 92.0, 9.0, 19.0, 21.0
    top, tip = 10.0, 90.0
    if down:
        neck = tip - head_len
        pts = [(cx - shaft, top), (cx + shaft, top), (cx + shaft, neck), (cx + head, neck),
               (cx, tip), (cx - head, neck), (cx - shaft, neck)]
        grad = vgrad(top, tip, (255, 190, 92), (250, 142, 32), (226, 104, 10))
    else:
        tip, bottom = 8.0, 88.0
        neck = tip + head_len
        pts = [(cx, tip), (cx + head, neck), (cx + shaft, neck), (cx + shaft, bottom),
               (cx - shaft, bottom), (cx - shaft, neck), (cx - head, neck)]
        grad = vgrad(tip, bottom, (255, 190, 92), (250, 142, 32), (226, 104, 10))
    arrow = sd_polygon(pts)
    cv.fill(sd_offset(arrow, 2.0, 2.5), solid((0, 0, 0)), alpha=0.25)
    cv.fill(arrow, t.paint(grad))
    # Gloss on the left half of the arrow.
    cv.fill(sd_clip(arrow, sd_rrect(0, 0, cx, TILE_H, 0)), solid((255, 255, 255)), alpha=0.18)
    cv.fill(sd_outline(arrow, 1.3), solid(t((170, 78, 6))))


# ---------------------------------------------------------------------------------------------
# The maker's logo (100 x 100) and the window icon.

def logo_shapes():
    """(shape, paint, alpha) layers of the logo in a 100 x 100 box."""
    badge = sd_ellipse(50, 50, 47, 47)
    inner = sd_ellipse(50, 50, 40, 40)
    layers = [
        (badge, vgrad(3, 97, (46, 112, 186), (20, 62, 122), (11, 38, 82)), 1.0),
        (sd_clip(sd_ellipse(50, 30, 40, 26), badge), solid((255, 255, 255)), 0.16),
        (sd_outline(sd_ellipse(50, 50, 42.5, 42.5), 2.2), solid((236, 242, 250)), 1.0),
        (sd_clip(sd_ellipse(50, 86, 44, 18), inner), vgrad(68, 92, (118, 210, 104), (46, 150, 58)),
         1.0),
        (sd_stroke([[(45, 22), (45, 74)]], 3.2), solid((250, 250, 250)), 1.0),
        (sd_polygon([(46.5, 21), (72, 30), (46.5, 40)]),
         vgrad(21, 40, (255, 176, 72), (236, 96, 20)), 1.0),
        (sd_ellipse(45, 74.5, 5.5, 2.2), solid((20, 70, 30)), 0.8),
        (sd_ellipse(64, 71, 5.2, 5.2), vgrad(66, 76, (255, 255, 255), (206, 212, 220)), 1.0),
        (sd_stroke([arc(50, 50, 33, 33, 200, 330, 24)], 2.0), solid((255, 255, 255)), 0.35),
    ]
    return badge, layers


def draw_logo():
    cv = Canvas(100, 100, PAGE)
    badge, layers = logo_shapes()
    cv.fill(badge, solid(PAGE), owner=True)
    for shape, paint, alpha in layers:
        cv.fill(shape, paint, alpha)
    return cv


def draw_icon(size):
    """RGBA rows of the logo at size x size, with real transparency."""
    s = size / 100.0
    badge, layers = logo_shapes()
    cv = Canvas(size, size, (0, 0, 0))
    cv.fill(sd_scaled(badge, s), solid((0, 0, 0)), alpha=0.0, owner=True)
    for shape, paint, alpha in layers:
        cv.fill(sd_scaled(shape, s), (lambda p: lambda x, y: p(x / s, y / s))(paint), alpha)
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            i = y * size + x
            a = cv.cover[i]
            # Colour under the rim was blended toward black; undo that for straight alpha.
            rgb = [min(255, int(round(v / a))) if a > 0 else 0 for v in cv.px[i]]
            row.append((*rgb, int(round(a * 255))))
        rows.append(row)
    return rows


# ---------------------------------------------------------------------------------------------
# 510 x 25 progress bar halves: glossy green (done) and glossy light grey (rest).

BAR_W, BAR_H = 510, 25


def draw_bar(top, mid, bottom, rim):
    cv = Canvas(BAR_W, BAR_H, PAGE)
    body = sd_rrect(0.5, 0.5, BAR_W - 0.5, BAR_H - 0.5, 4)
    cv.fill(body, vgrad(0.5, BAR_H - 0.5, top, mid, bottom))
    cv.fill(sd_rrect(2, 1.5, BAR_W - 2, BAR_H / 2, 3), vgrad(1.5, BAR_H / 2, (255, 255, 255),
                                                             (255, 255, 255)), alpha=0.38)
    cv.fill(sd_stroke([[(4, 2.2), (BAR_W - 4, 2.2)]], 1.0), solid((255, 255, 255)), alpha=0.55)
    cv.fill(sd_outline(sd_rrect(1, 1, BAR_W - 1, BAR_H - 1, 3.5), 1.1), solid(rim))
    return cv


# ---------------------------------------------------------------------------------------------
# File writers.

def write_bmp24(path, rows):
    """Uncompressed 24 bits per pixel, bottom-up, rows padded to 4 bytes."""
    h, w = len(rows), len(rows[0])
    stride = (w * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        pixels += line + bytes(stride - len(line))
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(pixels), 0, 0, 14 + 40)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 3780, 3780, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + pixels)


def write_png_rgba(path, rows):
    h, w = len(rows), len(rows[0])
    raw = b"".join(b"\0" + bytes(v for px in row for v in px) for row in rows)

    def chunk(tag, data):
        return (struct.pack(">I", len(data)) + tag + data
                + struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF))
    png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0))
           + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))
    with open(path, "wb") as f:
        f.write(png)


# ---------------------------------------------------------------------------------------------

TILES = {
    137: (True, "rest"), 138: (True, "hover"), 139: (True, "busy"),
    150: (True, "absent"), 151: (True, "absent_hover"), 152: (True, "refused"),
    140: (False, "rest"), 141: (False, "hover"), 142: (False, "busy"),
    153: (False, "absent"), 148: (False, "absent_hover"), 149: (False, "refused"),
}


def write_ico(path, pngs):
    """An icon file whose images are PNG files (Windows Vista and later read them)."""
    images = []
    for png in pngs:
        with open(png, "rb") as f:
            images.append(f.read())
    header = struct.pack("<HHH", 0, 1, len(images))
    entries, offset = b"", 6 + 16 * len(images)
    for data in images:
        width, height = struct.unpack(">II", data[16:24])
        entries += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32, len(data),
                               offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(header + entries + b"".join(images))


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "res")
    os.makedirs(out, exist_ok=True)
    for rid, (down, tone) in sorted(TILES.items()):
        write_bmp24(os.path.join(out, f"bmp{rid}.bmp"), draw_tile(down, TONES[tone]).rgb(True))
    write_bmp24(os.path.join(out, "bmp145.bmp"), draw_logo().rgb(True))
    write_bmp24(os.path.join(out, "bmp154.bmp"),
                draw_bar((150, 226, 130), (70, 184, 72), (36, 138, 44), (40, 110, 44)).rgb(False))
    write_bmp24(os.path.join(out, "bmp156.bmp"),
                draw_bar((250, 250, 250), (228, 229, 231), (206, 208, 211),
                         (160, 163, 168)).rgb(False))
    for size in (16, 32, 48, 64, 128, 256):
        write_png_rgba(os.path.join(out, f"icon128-{size}.png"), draw_icon(size))
    # The Windows program's icon: the same drawings, each stored as PNG inside the .ico.
    write_ico(os.path.join(out, "icon128.ico"),
              [os.path.join(out, f"icon128-{size}.png") for size in (16, 32, 48, 64, 128, 256)])


if __name__ == "__main__":
    main()
