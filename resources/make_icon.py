#!/usr/bin/env python3
"""Draws the program icon (a movie frame with a play arrow, packed in a box) as a .ico file."""
import struct
import sys

SIZES = (16, 32, 48)
SUPERSAMPLE = 4


def inside_rounded_square(x, y, radius):
    cx = min(max(x, radius), 1 - radius)
    cy = min(max(y, radius), 1 - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def inside_triangle(x, y, a, b, c):
    def side(p, q):
        return (q[0] - p[0]) * (y - p[1]) - (q[1] - p[1]) * (x - p[0])
    d1, d2, d3 = side(a, b), side(b, c), side(c, a)
    return (d1 >= 0 and d2 >= 0 and d3 >= 0) or (d1 <= 0 and d2 <= 0 and d3 <= 0)


def colour_at(x, y):
    """The colour (r, g, b, a) of a point of the unit square, y downwards."""
    if not inside_rounded_square(x, y, 0.18):
        return (0, 0, 0, 0)
    # Film perforations along the left and right edges.
    for edge in (0.06, 0.86):
        if edge <= x <= edge + 0.08 and any(h <= y <= h + 0.07 for h in (0.18, 0.40, 0.62, 0.84)):
            return (20, 28, 60, 255)
    if inside_triangle(x, y, (0.36, 0.28), (0.36, 0.72), (0.74, 0.50)):
        return (255, 255, 255, 255)
    shade = int(40 + 120 * (1 - y))
    return (20, shade // 2 + 40, 120 + shade // 2, 255)


def render(size):
    """BGRA rows, bottom row first, as a .ico bitmap wants them."""
    rows = []
    for row in range(size - 1, -1, -1):
        line = bytearray()
        for column in range(size):
            total = [0, 0, 0, 0]
            for sy in range(SUPERSAMPLE):
                for sx in range(SUPERSAMPLE):
                    x = (column + (sx + 0.5) / SUPERSAMPLE) / size
                    y = (row + (sy + 0.5) / SUPERSAMPLE) / size
                    r, g, b, a = colour_at(x, y)
                    total = [total[0] + r * a, total[1] + g * a, total[2] + b * a, total[3] + a]
            alpha = total[3] // SUPERSAMPLE ** 2
            if total[3]:
                r, g, b = (total[i] // total[3] for i in range(3))
            else:
                r = g = b = 0
            line += bytes((b, g, r, alpha))
        rows.append(bytes(line))
    return rows


def bitmap_entry(size):
    rows = render(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in rows:
        bits = bytearray(mask_stride)
        for column in range(size):
            if row[column * 4 + 3] == 0:
                bits[column // 8] |= 0x80 >> (column % 8)
        mask += bits
    return header + b"".join(rows) + bytes(mask)


def main(path):
    images = [bitmap_entry(size) for size in SIZES]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    for size, image in zip(SIZES, images):
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    with open(path, "wb") as out:
        out.write(directory + entries + b"".join(images))


if __name__ == "__main__":
    main(sys.argv[1])
