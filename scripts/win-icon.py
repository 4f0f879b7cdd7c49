#!/usr/bin/env python3
"""Writes resources/kiv.ico: the installer's icon, a white down arrow on a
blue rounded square, at 16 and 32 pixels (32-bit BGRA images in an ICO file).
Run it again after changing the drawing; the output is the same every time."""
import struct
import sys
from pathlib import Path

BLUE = (0xC8, 0x6A, 0x1E, 0xFF)   # B, G, R, A
WHITE = (0xFF, 0xFF, 0xFF, 0xFF)
CLEAR = (0, 0, 0, 0)


def pixel(x, y, n):
    """Colour at (x, y), y counted from the top, for an n x n image."""
    u, v = (x + 0.5) / n, (y + 0.5) / n  # centre of the pixel in 0..1
    r = 0.18  # corner radius
    cx, cy = min(max(u, r), 1 - r), min(max(v, r), 1 - r)
    if (u - cx) ** 2 + (v - cy) ** 2 > r * r:
        return CLEAR
    shaft = 0.42 <= u <= 0.58 and 0.18 <= v <= 0.56
    head = 0.50 <= v <= 0.80 and abs(u - 0.5) <= (0.80 - v) * 1.1
    return WHITE if shaft or head else BLUE


def image(n):
    """One ICO image: BITMAPINFOHEADER, bottom-up BGRA rows, AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = b"".join(bytes(c for x in range(n) for c in pixel(x, y, n))
                    for y in reversed(range(n)))
    mask_row = ((n + 31) // 32) * 4
    return header + rows + bytes(mask_row * n)  # alpha decides; mask all clear


def ico(sizes):
    images = [image(n) for n in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for n, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", n, n, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


if __name__ == "__main__":
    target = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).parent.parent / "resources/kiv.ico"
    target.write_bytes(ico([16, 32]))
