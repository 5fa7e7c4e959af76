#!/usr/bin/env python3
"""Draws a small program icon (16x16 and 32x32, 32-bit) and writes it as an .ico file.

make_icon.py OUT.ico R G B   -- the disc's colour; a white ring marks it as a library tool.
"""
import struct
import sys


def image(size, rgb):
    rows = []
    c = (size - 1) / 2.0
    for y in range(size - 1, -1, -1):  # bottom-up rows
        row = b""
        for x in range(size):
            d = ((x - c) ** 2 + (y - c) ** 2) ** 0.5 / (size / 2.0)
            if d > 0.98:
                px = (0, 0, 0, 0)
            elif 0.45 < d < 0.62:
                px = (255, 255, 255, 255)
            else:
                shade = 1.0 - 0.35 * d
                px = (int(rgb[2] * shade), int(rgb[1] * shade), int(rgb[0] * shade), 255)
            row += bytes(px)
        rows.append(row)
    pixels = b"".join(rows)
    mask_row = ((size + 31) // 32) * 4
    mask = b"\0" * (mask_row * size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    return header + pixels + mask


def main():
    out, rgb = sys.argv[1], tuple(int(v) for v in sys.argv[2:5])
    images = [image(s, rgb) for s in (16, 32)]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, img in zip((16, 32), images):
        data += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    with open(out, "wb") as f:
        f.write(data + b"".join(images))


if __name__ == "__main__":
    main()
