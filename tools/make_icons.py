#!/usr/bin/env python3
"""Draws the program's two icons and writes them as .ico files (32x32 and 16x16,
32-bit colour with alpha): res/Tarnwhistle.ico, a white "T" on a blue tile, and
res/Driver.ico, a grey chip with pins. Run from the repository root; the output is
committed, so the build does not need this script.
"""
import struct
import sys


def tile_t(x, y, n):
    """The application icon: a rounded blue tile with a white T."""
    s = n / 32.0
    r = 5 * s
    # Rounded corners: outside a quarter circle of radius r is transparent.
    dx = max(r - x, 0, x - (n - 1 - r))
    dy = max(r - y, 0, y - (n - 1 - r))
    inside = dx * dx + dy * dy <= r * r
    if not inside:
        return (0, 0, 0, 0)
    bar = 7 * s <= y < 12 * s and 6 * s <= x < 26 * s
    stem = 12 * s <= y < 26 * s and 13 * s <= x < 19 * s
    if bar or stem:
        return (255, 255, 255, 255)
    shade = int(150 + 60 * (1 - y / n))
    return (30, 80, shade, 255)


def chip(x, y, n):
    """The driver icon: a dark chip with light pins on two sides."""
    s = n / 32.0
    body = 8 * s <= x < 24 * s and 5 * s <= y < 27 * s
    if body:
        mark = 10 * s <= x < 13 * s and 7 * s <= y < 10 * s
        return (200, 200, 200, 255) if mark else (60, 64, 72, 255)
    pin_row = int(y / s) % 4 in (1, 2) and 7 * s <= y < 26 * s
    pins = (3 * s <= x < 8 * s or 24 * s <= x < 29 * s) and pin_row
    return (190, 160, 60, 255) if pins else (0, 0, 0, 0)


def image(draw, n):
    """A BITMAPINFOHEADER image: colour rows bottom-up, then the AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    mask = bytearray()
    for y in reversed(range(n)):
        bits = 0
        row_mask = bytearray()
        for x in range(n):
            r, g, b, a = draw(x, y, n)
            pixels += bytes((b, g, r, a))
            bits = bits << 1 | (1 if a == 0 else 0)
            if x % 8 == 7:
                row_mask.append(bits)
                bits = 0
        row_mask += bytes(-len(row_mask) % 4)
        mask += row_mask
    return header + bytes(pixels) + bytes(mask)


def ico(draw):
    images = [image(draw, n) for n in (32, 16)]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for n, data in zip((32, 16), images):
        out += struct.pack("<BBBBHHII", n, n, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


if __name__ == "__main__":
    root = sys.argv[1] if len(sys.argv) > 1 else "res"
    with open(f"{root}/Tarnwhistle.ico", "wb") as f:
        f.write(ico(tile_t))
    with open(f"{root}/Driver.ico", "wb") as f:
        f.write(ico(chip))
