#!/usr/bin/env python3
"""Draws the application icon (a ring with a tail on a dark rounded tile) and
writes it as a multi-size .ico. Dependency-free and deterministic, so the
committed icon can always be regenerated: python3 make_icon.py app.ico"""
import math
import struct
import sys
import zlib

SIZES = (16, 24, 32, 48, 256)
SUPERSAMPLE = 4


def tile_coverage(x, y, size):
    """Coverage of a rounded square that fills the icon with a small margin."""
    margin = size * 0.04
    radius = size * 0.2
    half = size / 2 - margin
    dx = max(abs(x - size / 2) - (half - radius), 0.0)
    dy = max(abs(y - size / 2) - (half - radius), 0.0)
    return 1.0 if math.hypot(dx, dy) <= radius else 0.0


def mark_coverage(x, y, size):
    """The mark: a ring with a short diagonal tail at its lower right."""
    cx = cy = size * 0.47
    r = size * 0.27
    w = size * 0.085
    if abs(math.hypot(x - cx, y - cy) - r) <= w:
        return 1.0
    # Tail: a thick segment from inside the ring out past its edge.
    ax, ay = cx + r * 0.35, cy + r * 0.35
    bx, by = cx + r * 1.25, cy + r * 1.25
    vx, vy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * vx + (y - ay) * vy) / (vx * vx + vy * vy)))
    px, py = ax + t * vx, ay + t * vy
    return 1.0 if math.hypot(x - px, y - py) <= w else 0.0


def render(size):
    """Returns rows of (r, g, b, a) tuples, top row first."""
    rows = []
    n = SUPERSAMPLE
    for y in range(size):
        row = []
        for x in range(size):
            tile = mark = 0.0
            for sy in range(n):
                for sx in range(n):
                    px = x + (sx + 0.5) / n
                    py = y + (sy + 0.5) / n
                    tile += tile_coverage(px, py, size)
                    mark += mark_coverage(px, py, size)
            tile /= n * n
            mark = min(mark / (n * n), tile)
            # Tile: deep blue-grey, a little lighter at the top.
            shade = 1.0 - y / size
            base = (0.11 + 0.06 * shade, 0.13 + 0.07 * shade, 0.19 + 0.08 * shade)
            # Mark: a teal that fades to a lighter cyan towards the top left.
            glow = 1.0 - (x + y) / (2 * size)
            accent = (0.16 + 0.25 * glow, 0.72 + 0.2 * glow, 0.78 + 0.15 * glow)
            rgb = [base[i] * (1 - mark / max(tile, 1e-9)) + accent[i] * (mark / max(tile, 1e-9))
                   for i in range(3)] if tile > 0 else [0, 0, 0]
            row.append(tuple(int(round(min(1.0, c) * 255)) for c in rgb) + (int(round(tile * 255)),))
        rows.append(row)
    return rows


def png_bytes(rows):
    size = len(rows)
    raw = b"".join(b"\0" + bytes(c for px in row for c in px) for row in rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def bmp_bytes(rows):
    """A 32-bit icon bitmap: header with doubled height, BGRA rows bottom-up, AND mask."""
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_row = ((size + 31) // 32) * 4
    return header + pixels + b"\0" * (mask_row * size)


def main():
    images = []
    for size in SIZES:
        rows = render(size)
        images.append((size, png_bytes(rows) if size >= 256 else bmp_bytes(rows)))
    offset = 6 + 16 * len(images)
    directory = struct.pack("<HHH", 0, 1, len(images))
    blobs = b""
    for size, data in images:
        dim = 0 if size >= 256 else size
        directory += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(data), offset + len(blobs))
        blobs += data
    with open(sys.argv[1], "wb") as f:
        f.write(directory + blobs)


if __name__ == "__main__":
    main()
