#!/usr/bin/env python3
"""Draws the checker's icons from the 16x16 text pixel maps in tools/icons.

usage: icons.py MAPS_DIR OUT_DIR [--png]

Each map file NNN-name.txt holds comment lines starting with '#' and 16 rows of 16
characters; palette.txt gives each character its colour (or "none": transparent).
NNN is the resource id; the output is OUT_DIR/iconNNN.ico, holding the picture at 16x16
and doubled to 32x32 (LoadIcon picks the large size, and the shell's shrink back to 16x16
is then exact). Pictures are 4 bits per pixel with an AND mask. --png also writes a
zoomed PNG of each picture to look at.
"""
import os
import re
import struct
import sys
import zlib

SIZE = 16


def read_palette(path):
    palette = {}
    with open(path, encoding="ascii") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if not line.strip() or line.startswith("#"):
                continue
            parts = line.split()
            if len(line) < 3 or line[1] != " " or len(parts) != 2:
                raise SystemExit(f"{path}:{number}: expected 'C RRGGBB' or 'C none'")
            char, colour = line[0], parts[1]
            if colour == "none":
                palette[char] = None
            elif re.fullmatch(r"[0-9a-fA-F]{6}", colour):
                palette[char] = tuple(int(colour[i:i + 2], 16) for i in (0, 2, 4))
            else:
                raise SystemExit(f"{path}:{number}: bad colour {colour!r}")
    return palette


def read_map(path, palette):
    rows = []
    with open(path, encoding="ascii") as f:
        for line in f:
            line = line.rstrip("\n")
            if line.startswith("#") or not line:
                continue
            rows.append(line)
    if len(rows) != SIZE or any(len(r) != SIZE for r in rows):
        raise SystemExit(f"{path}: expected {SIZE} rows of {SIZE} characters")
    for y, row in enumerate(rows):
        for x, c in enumerate(row):
            if c not in palette:
                raise SystemExit(f"{path}: row {y + 1} column {x + 1}: {c!r} is not in the palette")
    return [[palette[c] for c in row] for row in rows]


def scaled(pixels, factor):
    return [[p for p in row for _ in range(factor)] for row in pixels for _ in range(factor)]


def dib(pixels):
    """One icon image: BITMAPINFOHEADER, 16-colour table, XOR bits, AND mask."""
    size = len(pixels)
    colours = [(0, 0, 0)]  # index 0 also serves the transparent pixels
    for row in pixels:
        for p in row:
            if p is not None and p not in colours:
                colours.append(p)
    if len(colours) > 16:
        raise SystemExit("more than 16 colours in one picture")
    colours += [(0, 0, 0)] * (16 - len(colours))

    xor_stride = (size * 4 + 31) // 32 * 4
    and_stride = (size + 31) // 32 * 4
    xor = bytearray()
    mask = bytearray()
    for row in reversed(pixels):  # bottom-up
        line = bytearray(xor_stride)
        bits = bytearray(and_stride)
        for x, p in enumerate(row):
            index = 0 if p is None else colours.index(p)
            line[x // 2] |= index << (4 if x % 2 == 0 else 0)
            if p is None:
                bits[x // 8] |= 0x80 >> (x % 8)
        xor += line
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0,
                         len(xor) + len(mask), 0, 0, 16, 0)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in colours)
    return header + table + bytes(xor) + bytes(mask)


def ico(pictures):
    images = [dib(p) for p in pictures]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for p, data in zip(pictures, images):
        size = len(p)
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


def png(pixels, zoom=8):
    """A zoomed view on a checkerboard, so transparency shows."""
    big = scaled(pixels, zoom)
    raw = bytearray()
    for y, row in enumerate(big):
        raw.append(0)
        for x, p in enumerate(row):
            if p is None:
                p = (0xcc,) * 3 if (x // 4 + y // 4) % 2 else (0x99,) * 3
            raw += bytes(p)
    n = len(big)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", n, n, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(bytes(raw))) + chunk(b"IEND", b""))


def main(argv):
    if len(argv) < 3:
        raise SystemExit(__doc__)
    maps_dir, out_dir = argv[1], argv[2]
    want_png = "--png" in argv[3:]
    palette = read_palette(os.path.join(maps_dir, "palette.txt"))
    os.makedirs(out_dir, exist_ok=True)
    for name in sorted(os.listdir(maps_dir)):
        m = re.fullmatch(r"(\d+)-[\w-]+\.txt", name)
        if not m:
            continue
        pixels = read_map(os.path.join(maps_dir, name), palette)
        data = ico([pixels, scaled(pixels, 2)])
        target = os.path.join(out_dir, f"icon{m.group(1)}.ico")
        # Rewrite only on change, so the resource script is not rebuilt for nothing.
        if not os.path.exists(target) or open(target, "rb").read() != data:
            with open(target, "wb") as f:
                f.write(data)
        if want_png:
            with open(os.path.join(out_dir, f"icon{m.group(1)}.png"), "wb") as f:
                f.write(png(pixels))


if __name__ == "__main__":
    main(sys.argv)
