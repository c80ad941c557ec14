#!/usr/bin/env python3
"""Draws Malvor's program icon and writes every file made from it.

The picture is a netlist sheet laid on a green circuit board. It is kept as a
list of shapes so that one description gives the 16-colour pixel images of the
Windows icon and the smooth, larger PNGs for desktop installation.

Usage: make_icon.py [--check] [DIR]   (DIR defaults to the directory of this script)
With --check nothing is written; the exit status tells whether the files in DIR
are still what this script draws.
Only the standard library is used, so any machine draws the same pixels.
"""

import math
import os
import struct
import sys
import zlib

# The 16 colours of the icon images. Index 0 is also what masked (transparent)
# pixels carry in the colour bitmap.
PALETTE = [
    (0x00, 0x00, 0x00),  # 0 black
    (0x0b, 0x3d, 0x1c),  # 1 board edge
    (0x1d, 0x7a, 0x35),  # 2 board
    (0x3f, 0xa8, 0x4f),  # 3 board highlight
    (0x8a, 0x4b, 0x12),  # 4 copper shade
    (0xd9, 0x8c, 0x1f),  # 5 copper
    (0xf7, 0xc8, 0x5a),  # 6 copper highlight
    (0x26, 0x26, 0x2e),  # 7 chip body
    (0xb8, 0xbc, 0xc4),  # 8 pin / paper shade
    (0xff, 0xff, 0xff),  # 9 paper
    (0x55, 0x5a, 0x66),  # 10 paper edge
    (0x24, 0x4f, 0xb8),  # 11 netlist ink
    (0xc8, 0x1e, 0x1e),  # 12 arrow
    (0x7a, 0x0e, 0x0e),  # 13 arrow edge
    (0x3d, 0x3d, 0x4a),  # 14 chip highlight
    (0xe8, 0xe8, 0xec),  # 15 paper fold
]
(BLACK, EDGE, BOARD, BOARD_HI, COPPER_LO, COPPER, COPPER_HI, CHIP, PIN, PAPER,
 PAPER_EDGE, INK, ARROW, ARROW_EDGE, CHIP_HI, FOLD) = range(16)


# --- shapes: each answers whether a point (in design units) lies inside -----

def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def rounded(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x < x1 and y0 <= y < y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def segment(ax, ay, bx, by, width):
    """A stroke of the given width with square ends along a straight line."""
    dx, dy = bx - ax, by - ay
    length = math.hypot(dx, dy)
    ux, uy = dx / length, dy / length
    half = width / 2

    def inside(x, y):
        px, py = x - ax, y - ay
        along = px * ux + py * uy
        across = -px * uy + py * ux
        return -half <= along <= length + half and abs(across) <= half
    return inside


def polygon(points):
    def inside(x, y):
        hit = False
        for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1]):
            if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
                hit = not hit
        return hit
    return inside


def trace(points, width):
    strokes = [segment(*a, *b, width) for a, b in zip(points, points[1:])]
    return lambda x, y: any(s(x, y) for s in strokes)


def pad(cx, cy):
    """A round copper pad, 4 pixels across, with its drill hole and a glint."""
    return [(disc(cx, cy, 2), COPPER), (rect(cx - 1.5, cy - 1.5, cx - 0.5, cy - 0.5), COPPER_HI),
            (disc(cx, cy, 0.75), EDGE)]


# --- the two designs ------------------------------------------------------
# Strokes one pixel wide run along pixel centres (x.5) so they stay one pixel.

def design32():
    """32 by 32 units: netlist sheet upper left, board lower right, an arrow."""
    s = []
    # Board with a dark edge and a lit top-left rim.
    s.append((rounded(5, 10, 32, 32, 2.5), EDGE))
    s.append((rounded(6, 11, 31, 31, 1.8), BOARD_HI))
    s.append((rounded(7, 12, 31, 31, 1.5), BOARD))
    # Copper traces from the pads to the chip's pins.
    s.append((trace([(28.5, 15), (28.5, 18.5), (25, 18.5)], 1), COPPER))
    s.append((trace([(28.5, 27), (28.5, 24.5), (25, 24.5)], 1), COPPER))
    s.append((trace([(10.5, 27), (13.5, 27), (13.5, 24.5), (17, 24.5)], 1), COPPER))
    s.append((trace([(10, 21.5), (17, 21.5)], 1), COPPER))
    # Chip with three pins on each side.
    for y in (18, 21, 24):
        s.append((rect(16, y, 26, y + 1), PIN))
    s.append((rect(17, 16, 25, 27), CHIP))
    s.append((rect(17, 16, 25, 17), CHIP_HI))
    s.append((rect(18, 18, 19, 19), PIN))
    # Pads.
    s += pad(28, 14) + pad(28, 28) + pad(10, 28) + pad(10, 22)
    # Netlist sheet with a folded corner and lines of text.
    s.append((polygon([(0, 0), (10, 0), (15, 5), (15, 20), (0, 20)]), PAPER_EDGE))
    s.append((polygon([(1, 1), (9.6, 1), (14, 5.4), (14, 19), (1, 19)]), PAPER))
    s.append((polygon([(10, 1), (14, 5), (10, 5)]), FOLD))
    s.append((trace([(9.5, 0.5), (9.5, 5.5), (14.5, 5.5)], 1), PAPER_EDGE))
    for y, x0, x1 in [(3, 3, 8), (7, 3, 12), (10, 5, 12), (13, 5, 10), (16, 3, 12)]:
        s.append((rect(x0, y, x1, y + 1), INK))
    # Arrow down from the sheet's side onto the board.
    s.append((polygon([(20, 0), (26, 0), (26, 5), (29.5, 5), (23, 11.5), (16.5, 5), (20, 5)]),
              ARROW_EDGE))
    s.append((polygon([(21, 1), (25, 1), (25, 6), (27, 6), (23, 10), (19, 6), (21, 6)]), ARROW))
    return s


def design16():
    """16 by 16 units: the same scene with fewer, bolder parts."""
    s = []
    s.append((rounded(2, 6, 16, 16, 1.5), EDGE))
    s.append((rounded(3, 7, 15, 15, 1), BOARD))
    s.append((rect(3, 7, 15, 8), BOARD_HI))
    s.append((rect(3, 7, 4, 15), BOARD_HI))
    s.append((trace([(13.5, 9), (13.5, 11.5), (12, 11.5)], 1), COPPER))
    s.append((trace([(5, 13.5), (8, 13.5)], 1), COPPER))
    s.append((rect(7, 11, 13, 12), PIN))
    s.append((rect(7, 13, 13, 14), PIN))
    s.append((rect(8, 10, 12, 15), CHIP))
    s.append((rect(13, 9, 14, 10), COPPER_HI))
    s.append((rect(4, 13, 5, 14), COPPER_HI))
    s.append((rect(0, 0, 8, 11), PAPER_EDGE))
    s.append((rect(1, 1, 7, 10), PAPER))
    s.append((rect(2, 2, 5, 3), INK))
    s.append((rect(2, 4, 6, 5), INK))
    s.append((rect(3, 6, 6, 7), INK))
    s.append((rect(2, 8, 5, 9), INK))
    s.append((polygon([(10, 0), (14, 0), (14, 3), (15.5, 3), (12, 6.5), (8.5, 3), (10, 3)]),
              ARROW_EDGE))
    s.append((polygon([(11, 0), (13, 0), (13, 4), (14, 4), (12, 6), (10, 4), (11, 4)]), ARROW))
    return s


# --- rasterising ------------------------------------------------------------

def colour_at(shapes, x, y):
    """Palette index of the topmost shape at a design point, or None."""
    for inside, colour in reversed(shapes):
        if inside(x, y):
            return colour
    return None


def render_indexed(shapes, units, size):
    """One sample per pixel centre: rows of palette indices (None: transparent)."""
    k = units / size
    return [[colour_at(shapes, (px + 0.5) * k, (py + 0.5) * k) for px in range(size)]
            for py in range(size)]


def render_smooth(shapes, units, size, samples=4):
    """Supersampled RGBA rows for the large sizes, with soft edges."""
    k = units / size
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = a = 0
            for sy in range(samples):
                for sx in range(samples):
                    c = colour_at(shapes, (px + (sx + 0.5) / samples) * k,
                                  (py + (sy + 0.5) / samples) * k)
                    if c is not None:
                        cr, cg, cb = PALETTE[c]
                        r, g, b, a = r + cr, g + cg, b + cb, a + 1
            if a:
                row.append((round(r / a), round(g / a), round(b / a),
                            round(255 * a / samples ** 2)))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def indexed_to_rgba(rows):
    return [[(0, 0, 0, 0) if c is None else PALETTE[c] + (255,) for c in row] for row in rows]


# --- file formats -----------------------------------------------------------

def png_bytes(rows):
    """An 8-bit RGBA PNG, no interlace, filter 0 on every row."""
    height, width = len(rows), len(rows[0])
    raw = b"".join(b"\0" + bytes(v for px in row for v in px) for row in rows)

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    ihdr = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr)
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def dib_bytes(rows):
    """A 4-bit icon image: header, 16-colour palette, colour bits, AND mask.

    Both bitmaps run bottom-up and each row is padded to 4 bytes. Transparent
    pixels are colour 0 with their mask bit set.
    """
    size = len(rows)
    xor_stride = (size * 4 + 31) // 32 * 4
    and_stride = (size + 31) // 32 * 4
    xor = bytearray()
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(xor_stride)
        bits = bytearray(and_stride)
        for x, c in enumerate(row):
            if c is None:
                bits[x // 8] |= 0x80 >> (x % 8)
                c = 0
            line[x // 2] |= c << 4 if x % 2 == 0 else c
        xor += line
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0,
                         len(xor) + len(mask), 0, 0, 16, 0)
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in PALETTE)
    return header + palette + bytes(xor) + bytes(mask)


def ico_bytes(images):
    """An icon directory over 4-bit images, largest first."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    blobs = []
    for rows in images:
        blob = dib_bytes(rows)
        size = len(rows)
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 16, 0, 1, 4, len(blob), offset)
        offset += len(blob)
        blobs.append(blob)
    return out + b"".join(blobs)


def png_pixels(data):
    """Decodes an 8-bit RGBA PNG (any row filters) to rows of RGBA tuples."""
    at, idat = 8, b""
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour_type = struct.unpack(">IIBB", body[:10])
            if (depth, colour_type) != (8, 6):
                raise ValueError("not an 8-bit RGBA PNG")
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    raw, stride = zlib.decompress(idat), width * 4
    rows, prev = [], bytearray(stride)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - 4] if i >= 4 else 0
            b, c = prev[i], prev[i - 4] if i >= 4 else 0
            if kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                pred = a if pa <= pb and pa <= pc else b if pb <= pc else c
            else:
                pred = (0, a, b, (a + b) // 2)[kind] if kind < 4 else 0
            line[i] = (line[i] + pred) & 0xFF
        rows.append([tuple(line[i:i + 4]) for i in range(0, stride, 4)])
        prev = line
    return rows


def build():
    """Every output file, by path relative to the output directory."""
    big, small = design32(), design16()
    img32 = render_indexed(big, 32, 32)
    img16 = render_indexed(small, 16, 16)
    files = {
        "malvor.ico": ico_bytes([img32, img16]),
        "malvor.png": png_bytes(indexed_to_rgba(img32)),
        "malvor16.png": png_bytes(indexed_to_rgba(img16)),
    }
    for size in (16, 32, 48, 64, 128, 256):
        if size == 16:
            rows = indexed_to_rgba(img16)
        elif size == 32:
            rows = indexed_to_rgba(img32)
        else:
            rows = render_smooth(big, 32, size, samples=4 if size <= 64 else 2)
        files[f"hicolor/malvor-{size}.png"] = png_bytes(rows)
    return files


def check(directory, files):
    """Compares the files in a directory with what would be drawn now.

    PNGs are compared by their pixels, since another zlib (or a PNG optimiser)
    may pack the same picture differently.
    """
    stale = []
    for name, data in files.items():
        path = os.path.join(directory, name)
        try:
            with open(path, "rb") as f:
                kept = f.read()
            same = (png_pixels(kept) == png_pixels(data)) if name.endswith(".png") else kept == data
        except (OSError, ValueError, zlib.error) as error:
            print(f"{path}: {error}")
            same = False
        if not same:
            stale.append(name)
    for name in stale:
        print(f"{name} is not what make_icon.py draws; rerun it and commit the result")
    return not stale


def main():
    args = sys.argv[1:]
    checking = args[:1] == ["--check"]
    if checking:
        args = args[1:]
    out = args[0] if args else os.path.dirname(os.path.abspath(__file__))
    files = build()
    if checking:
        return 0 if check(out, files) else 1
    for name, data in files.items():
        path = os.path.join(out, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        print(f"wrote {path} ({len(data)} bytes)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
