#!/usr/bin/env python3
"""Draws Sonavel's button images and application icon.

Writes play.png, pause.png, stop.png, mute.png, unmute.png and app_icon.ico
next to this script. Only the standard library is used so that anyone can
remake the committed files; the output depends on nothing but this file (and
the zlib build, for the PNGs), so running it again gives the same bytes.

    python3 draw_artwork.py           # (re)write the six files
    python3 draw_artwork.py --check   # exit 1 if a committed file differs
"""

import math
import os
import struct
import sys
import zlib

# Samples per pixel along each axis. 4x4 gives 17 coverage levels, smooth
# enough at these sizes. The palette image uses 8x8 (65 levels per colour):
# two colours on transparency still fit easily in 256 entries.
SUPERSAMPLE = 4


# --- Shapes -----------------------------------------------------------------
# Every shape is a predicate over normalised coordinates (0..1 across the
# image, y pointing down), so the same artwork scales to every icon size.

def polygon(points):
    def inside(x, y):
        # Even-odd crossing test; the polygons here are all simple.
        hit = False
        n = len(points)
        for i in range(n):
            x1, y1 = points[i]
            x2, y2 = points[(i + 1) % n]
            if (y1 > y) != (y2 > y):
                if x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
                    hit = not hit
        return hit
    return inside


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def rounded_rect(x0, y0, x1, y1, radius):
    def inside(x, y):
        if not (x0 <= x < x1 and y0 <= y < y1):
            return False
        # Distance to the inner rectangle the corners are rounded around.
        dx = max(x0 + radius - x, 0.0, x - (x1 - radius))
        dy = max(y0 + radius - y, 0.0, y - (y1 - radius))
        return dx * dx + dy * dy <= radius * radius
    return inside


def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ellipse(cx, cy, rx, ry, angle_deg):
    c = math.cos(math.radians(angle_deg))
    s = math.sin(math.radians(angle_deg))

    def inside(x, y):
        dx, dy = x - cx, y - cy
        u = dx * c + dy * s
        v = -dx * s + dy * c
        return (u / rx) ** 2 + (v / ry) ** 2 <= 1.0
    return inside


def stroke(ax, ay, bx, by, half_width):
    """A line segment with round caps."""
    lx, ly = bx - ax, by - ay
    length2 = lx * lx + ly * ly

    def inside(x, y):
        t = ((x - ax) * lx + (y - ay) * ly) / length2
        t = min(1.0, max(0.0, t))
        px, py = ax + t * lx - x, ay + t * ly - y
        return px * px + py * py <= half_width * half_width
    return inside


def arc(cx, cy, radius, half_width, half_angle_deg):
    """A ring segment opening to the right, as drawn for a sound wave."""
    limit = math.radians(half_angle_deg)

    def inside(x, y):
        dx, dy = x - cx, y - cy
        if abs(math.atan2(dy, dx)) > limit:
            return False
        return abs(math.hypot(dx, dy) - radius) <= half_width
    return inside


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


# --- Rasterising ------------------------------------------------------------

def render(size, layers, n=SUPERSAMPLE):
    """Paints (colour, shape) layers bottom to top onto a transparent square.

    colour is (r, g, b, a) with 0..255 components. Returns rows of straight
    (not premultiplied) RGBA tuples; fully transparent pixels are (0, 0, 0, 0)
    so that they compress to nothing.
    """
    offsets = [(i + 0.5) / n for i in range(n)]
    samples = n * n
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            pts = [((px + ox) / size, (py + oy) / size)
                   for oy in offsets for ox in offsets]
            # Premultiplied accumulation, source-over.
            r = g = b = a = 0.0
            for colour, shape in layers:
                hits = sum(1 for x, y in pts if shape(x, y))
                if not hits:
                    continue
                sa = colour[3] / 255.0 * hits / samples
                r = colour[0] / 255.0 * sa + r * (1.0 - sa)
                g = colour[1] / 255.0 * sa + g * (1.0 - sa)
                b = colour[2] / 255.0 * sa + b * (1.0 - sa)
                a = sa + a * (1.0 - sa)
            alpha = int(round(a * 255))
            if alpha == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append((int(round(r / a * 255)), int(round(g / a * 255)),
                            int(round(b / a * 255)), alpha))
        rows.append(row)
    return rows


# --- PNG --------------------------------------------------------------------

def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def filter_rows(lines, bpp, choose):
    """Applies PNG filters; choose(row_index, candidates) picks one per row."""
    out = bytearray()
    prev = bytes(len(lines[0]))
    for index, line in enumerate(lines):
        candidates = []
        for ftype in range(5):
            f = bytearray([ftype])
            for i, v in enumerate(line):
                left = line[i - bpp] if i >= bpp else 0
                up = prev[i]
                upleft = prev[i - bpp] if i >= bpp else 0
                if ftype == 0:
                    pred = 0
                elif ftype == 1:
                    pred = left
                elif ftype == 2:
                    pred = up
                elif ftype == 3:
                    pred = (left + up) // 2
                else:
                    pred = paeth(left, up, upleft)
                f.append((v - pred) & 0xFF)
            candidates.append(bytes(f))
        out += choose(index, candidates)
        prev = line
    return bytes(out)


def encode_png(width, height, colour_type, bpp, lines, extra_chunks=()):
    # Try every whole-image filter and the usual per-row heuristic, keep the
    # smallest stream. The choice is a pure function of the pixels.
    def min_abs(_, cands):
        return min(cands, key=lambda c: (sum(v if v < 128 else 256 - v for v in c[1:]), c[0]))

    strategies = [lambda _, cands, t=t: cands[t] for t in range(5)] + [min_abs]
    best = None
    for choose in strategies:
        data = zlib.compress(filter_rows(lines, bpp, choose), 9)
        if best is None or len(data) < len(best):
            best = data
    ihdr = struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0)
    out = b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", ihdr)
    for kind, data in extra_chunks:
        out += png_chunk(kind, data)
    return out + png_chunk(b"IDAT", best) + png_chunk(b"IEND", b"")


def png_grey_alpha(rows, grey):
    # The grey level is the same everywhere, transparent pixels included:
    # only alpha carries the shape, which keeps the files tiny.
    size = len(rows)
    lines = [bytes(v for p in row for v in (grey, p[3])) for row in rows]
    return encode_png(size, size, 4, 2, lines)


def png_rgba(rows):
    size = len(rows)
    lines = [bytes(v for p in row for v in p) for row in rows]
    return encode_png(size, size, 6, 4, lines)


def png_palette(rows):
    size = len(rows)
    # Translucent colours first so the tRNS table can stop at the last one;
    # ties broken by value to keep the order fixed.
    colours = sorted(set(p for row in rows for p in row), key=lambda p: (p[3] == 255, p))
    if len(colours) > 256:
        raise SystemExit("palette image has %d colours, more than 256" % len(colours))
    index = {c: i for i, c in enumerate(colours)}
    plte = bytes(v for c in colours for v in c[:3])
    translucent = [c[3] for c in colours if c[3] != 255]
    chunks = [(b"PLTE", plte)]
    if translucent:
        chunks.append((b"tRNS", bytes(translucent)))
    lines = [bytes(index[p] for p in row) for row in rows]
    return encode_png(size, size, 3, 1, lines, chunks)


# --- ICO --------------------------------------------------------------------

def ico_image(rows):
    """One ICO entry: BITMAPINFOHEADER, bottom-up BGRA, then the AND mask."""
    size = len(rows)
    pixels = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            pixels += bytes((b, g, r, a))
    mask_stride = (size + 31) // 32 * 4
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(mask_stride)
        for x, p in enumerate(row):
            if p[3] == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                         len(pixels) + len(mask), 0, 0, 0, 0)
    return header + bytes(pixels) + bytes(mask)


def encode_ico(images):
    """images: list of (size, entry bytes) in directory order."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        dim = 0 if size >= 256 else size
        out += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    return out


# --- Artwork ----------------------------------------------------------------

BUTTON_GREY = 0x30
SPEAKER = (0x33, 0x33, 0x33, 255)
CROSS = (0xD0, 0x30, 0x30, 255)
WAVES = (0x2A, 0x7A, 0xD5, 255)

ICON_BACKGROUND = (0x2B, 0x5F, 0xAE, 255)
ICON_DISC = (0xEC, 0xF0, 0xF5, 255)
ICON_NOTE = (0x1C, 0x2E, 0x4A, 255)

ICON_SIZES = (256, 128, 96, 72, 64, 48, 32, 24, 16)

OPAQUE = (0, 0, 0, 255)  # colour is irrelevant for the grey+alpha buttons

speaker = polygon([(0.12, 0.38), (0.28, 0.38), (0.50, 0.18),
                   (0.50, 0.82), (0.28, 0.62), (0.12, 0.62)])

ARTWORK = {
    "play.png": lambda: png_grey_alpha(render(48, [
        (OPAQUE, polygon([(0.30, 0.20), (0.30, 0.80), (0.80, 0.50)]))]), BUTTON_GREY),
    "pause.png": lambda: png_grey_alpha(render(48, [
        (OPAQUE, union(rect(0.25, 0.20, 0.42, 0.80), rect(0.58, 0.20, 0.75, 0.80)))]),
        BUTTON_GREY),
    "stop.png": lambda: png_grey_alpha(render(48, [
        (OPAQUE, rect(0.23, 0.23, 0.77, 0.77))]), BUTTON_GREY),
    "mute.png": lambda: png_palette(render(64, [
        (SPEAKER, speaker),
        (CROSS, union(stroke(0.62, 0.37, 0.88, 0.63, 0.045),
                      stroke(0.62, 0.63, 0.88, 0.37, 0.045)))], n=8)),
    "unmute.png": lambda: png_rgba(render(64, [
        (SPEAKER, speaker),
        (WAVES, union(arc(0.42, 0.50, 0.20, 0.035, 45),
                      arc(0.42, 0.50, 0.32, 0.035, 45),
                      arc(0.42, 0.50, 0.44, 0.035, 45)))])),
    "app_icon.ico": lambda: encode_ico([(s, ico_image(render(s, [
        (ICON_BACKGROUND, rounded_rect(0.03, 0.03, 0.97, 0.97, 0.20)),
        (ICON_DISC, disc(0.50, 0.50, 0.36)),
        (ICON_NOTE, union(ellipse(0.43, 0.63, 0.085, 0.062, -20),
                          rect(0.485, 0.27, 0.52, 0.63),
                          polygon([(0.485, 0.27), (0.52, 0.27), (0.64, 0.37),
                                   (0.64, 0.45), (0.52, 0.36)])))])))
        for s in ICON_SIZES]),
}


def main(argv):
    check = "--check" in argv[1:]
    here = os.path.dirname(os.path.abspath(__file__))
    stale = []
    for name, draw in ARTWORK.items():
        data = draw()
        path = os.path.join(here, name)
        if check:
            try:
                with open(path, "rb") as f:
                    same = f.read() == data
            except FileNotFoundError:
                same = False
            if not same:
                stale.append(name)
            print("%-13s %7d bytes %s" % (name, len(data), "ok" if same else "DIFFERS"))
        else:
            with open(path, "wb") as f:
                f.write(data)
            print("%-13s %7d bytes" % (name, len(data)))
    return 1 if stale else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
