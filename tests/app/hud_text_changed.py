#!/usr/bin/env python3
"""Compares the last line of the statistics overlay in two screenshots.

The statistics text is drawn in pale green from the top-left corner; its
last line holds the character's coordinates. The glyph pixels of that line
(not the scene behind them) must differ between the two pictures.
Usage: hud_text_changed.py BEFORE.TGA AFTER.TGA
"""
import struct
import sys


def read_tga(path):
    data = open(path, "rb").read()
    id_length, _, kind = data[0], data[1], data[2]
    width, height, bits, descriptor = struct.unpack_from("<HHBB", data, 12)
    if bits not in (24, 32):
        sys.exit(f"{path}: {bits}-bit pictures are not read here")
    step = bits // 8
    pos = 18 + id_length
    count = width * height
    if kind == 2:
        raw = data[pos:pos + count * step]
    elif kind == 10:
        out = bytearray()
        while len(out) < count * step:
            header = data[pos]
            pos += 1
            n = (header & 0x7F) + 1
            if header & 0x80:
                out += data[pos:pos + step] * n
                pos += step
            else:
                out += data[pos:pos + n * step]
                pos += n * step
        raw = bytes(out)
    else:
        sys.exit(f"{path}: TGA type {kind} is not read here")
    rows = [raw[y * width * step:(y + 1) * width * step] for y in range(height)]
    if not descriptor & 0x20:  # bottom-up
        rows.reverse()
    return width, height, step, rows


def is_text(row, x, step):
    b, g, r = row[x * step], row[x * step + 1], row[x * step + 2]
    return g > 200 and 90 < r < 170 and 90 < b < 170


def text_mask(picture, top, bottom, right):
    width, _, step, rows = picture
    return [[is_text(rows[y], x, step) for x in range(min(right, width))]
            for y in range(top, bottom)]


def last_text_band(picture, right):
    """Rows (top, bottom) of the lowest run of rows that hold text pixels."""
    width, height, step, rows = picture
    lit = [any(is_text(rows[y], x, step) for x in range(min(right, width)))
           for y in range(height)]
    bottom = max((y for y in range(height // 2) if lit[y]), default=None)
    if bottom is None:
        return None
    top = bottom
    while top > 0 and lit[top - 1]:
        top -= 1
    return top, bottom + 1


def main():
    before, after = read_tga(sys.argv[1]), read_tga(sys.argv[2])
    right = 400
    band = last_text_band(before, right)
    if band is None:
        sys.exit("no statistics text in the first picture")
    top, bottom = band
    # The band of the second picture may sit a row lower or higher.
    mask_before = text_mask(before, top, bottom, right)
    mask_after = text_mask(after, top - 1, bottom + 1, right)
    lit = sum(map(sum, mask_before))
    if lit < 20:
        sys.exit(f"the last statistics line has only {lit} text pixels")
    same = any(mask_after[shift:shift + len(mask_before)] == mask_before for shift in range(3))
    print(f"statistics line at rows {top}..{bottom - 1}: {lit} text pixels, "
          f"{'unchanged' if same else 'changed'}")
    sys.exit(1 if same else 0)


if __name__ == "__main__":
    main()
