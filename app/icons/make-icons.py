#!/usr/bin/env python3
"""Draws the program icon (a database drum with a green tick on a dark blue tile)
at 16, 32 and 48 pixels and writes veltmoor-<size>.png beside this script.

Only the standard library: shapes are tested point by point on a supersampled
grid and written as an RGBA PNG. Run it again after changing a shape."""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def rounded_rect(x, y, x0, y0, x1, y1, r):
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r and x0 <= x <= x1 and y0 <= y <= y1


def in_ellipse(x, y, cx, cy, rx, ry):
    return ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0


def segment_distance(x, y, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(x - (ax + t * dx), y - (ay + t * dy))


def lerp(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


# The drum: body from TOP to BOTTOM, elliptic ends of radii RX, RY.
CX, RX, RY, TOP, BOTTOM = 0.40, 0.25, 0.085, 0.22, 0.74
BANDS = (0.393, 0.567)
TICK = ((0.50, 0.67), (0.65, 0.81), (0.90, 0.45))


def sample(x, y, size):
    """The colour (r, g, b, a) of the point x, y of the unit square."""
    if not rounded_rect(x, y, 0.02, 0.02, 0.98, 0.98, 0.2):
        return (0, 0, 0, 0)
    # Tile: a vertical gradient from a mid blue to the log's dark blue, with a rim.
    colour = lerp((40, 70, 160), (0, 0, 64), y)
    if not rounded_rect(x, y, 0.06, 0.06, 0.94, 0.94, 0.16):
        colour = lerp(colour, (120, 150, 220), 0.45)
    # Drum: body shaded from left to right, lighter top face, darker rings.
    in_body = CX - RX <= x <= CX + RX and TOP <= y <= BOTTOM
    if in_body or in_ellipse(x, y, CX, BOTTOM, RX, RY) or in_ellipse(x, y, CX, TOP, RX, RY):
        shade = 0.5 + 0.5 * math.cos((x - CX) / RX * 1.3 - 0.5)
        colour = lerp((140, 150, 170), (235, 238, 245), shade)
        ring = 0.022 if size >= 32 else 0.04
        for band in BANDS:
            if in_ellipse(x, y, CX, band, RX, RY) and not in_ellipse(x, y, CX, band - ring, RX, RY) and y > band:
                colour = (95, 105, 130)
        if in_ellipse(x, y, CX, TOP, RX, RY):
            colour = (250, 252, 255) if in_ellipse(x, y, CX, TOP, RX * 0.86, RY * 0.7) else (170, 180, 200)
    # Tick: a white outline under a green stroke.
    d = min(segment_distance(x, y, *TICK[0], *TICK[1]), segment_distance(x, y, *TICK[1], *TICK[2]))
    width = 0.055 if size >= 32 else 0.07
    if d <= width + 0.035:
        colour = (255, 255, 255)
    if d <= width:
        colour = (0, 170, 40)
    return colour + (255,)


def render(size, grid=6):
    rows = []
    for py in range(size):
        row = bytearray([0])  # PNG filter type: none
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(grid):
                for sx in range(grid):
                    r, g, b, a = sample((px + (sx + 0.5) / grid) / size, (py + (sy + 0.5) / grid) / size, size)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            alpha = acc[3] / (grid * grid)
            if acc[3]:
                row += bytes(round(acc[i] / acc[3]) for i in range(3))
            else:
                row += bytes(3)
            row.append(round(alpha))
        rows.append(bytes(row))
    return rows


def write_png(path, size, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", header))
        f.write(chunk(b"IDAT", zlib.compress(b"".join(rows), 9)))
        f.write(chunk(b"IEND", b""))


if __name__ == "__main__":
    for size in (16, 32, 48):
        write_png(os.path.join(HERE, f"veltmoor-{size}.png"), size, render(size))
