#!/usr/bin/env python3
"""Checks the skin pictures in a folder against what the setup window needs:
the sizes that its geometry fixes, and the seams between the opaque glyph cells
and the background they are drawn over (the ticker well and the counter). With
a percent, the folder holds the skin drawn for that display scale, and every
length is the 100 % one scaled as imaging/ScaledArt.h rounds it.

    check_skin.py SKIN_FOLDER [PERCENT]

Prints every problem found and exits 1 if there is one.
"""
import struct
import sys
import zlib

PERCENT = int(sys.argv[2]) if len(sys.argv) > 2 else 100


def scaled(length):
    return (length * PERCENT + 50) // 100


# name: (width, height, needs alpha); pictures of cells are cells x the scaled cell.
SIZES = {
    "background.png": (scaled(450), scaled(207), False),
    "button.png": (3 * scaled(44), scaled(32), True),
    "font.png": (42 * scaled(12), scaled(13), False),
    "digits.png": (11 * scaled(13), scaled(19), False),
}
WIDTH, HEIGHT = SIZES["background.png"][:2]
TICKER_LEFT, TICKER_TOP, TICKER_RIGHT, TICKER_ROWS = scaled(6), scaled(8), scaled(301), scaled(13)
FONT_CELL = scaled(12)
COUNTER_LEFT, COUNTER_TOP, COUNTER_RIGHT = scaled(163), scaled(114), scaled(163 + 13 * 4)
DIGIT_CELL, DIGIT_ROWS = scaled(13), scaled(19)
UNIT_LEFT, UNIT_TOP = scaled(220), scaled(118)


class PngError(Exception):
    pass


def read_png(path):
    """8-bit grey, RGB, palette, grey+alpha or RGBA, not interlaced -> (w, h, rows of RGBA)."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise PngError("not a PNG file")
    pos, chunks = 8, []
    while pos + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        chunks.append((kind, data[pos + 8:pos + 8 + length]))
        pos += 12 + length
    header = dict(chunks).get(b"IHDR")
    if header is None or len(header) != 13:
        raise PngError("no image header")
    width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", header)
    if depth != 8 or interlace != 0 or colour not in (0, 2, 3, 4, 6):
        return width, height, None  # readable by the build, but not by this checker
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[colour]
    palette = dict(chunks).get(b"PLTE", b"")
    raw = zlib.decompress(b"".join(body for kind, body in chunks if kind == b"IDAT"))
    stride = width * channels
    rows, previous, pos = [], bytearray(stride), 0
    for _ in range(height):
        kind, line = raw[pos], bytearray(raw[pos + 1:pos + 1 + stride])
        pos += 1 + stride
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b = previous[i]
            c = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        previous = line
        row = []
        for x in range(width):
            px = line[x * channels:(x + 1) * channels]
            if colour == 0:
                row.append((px[0], px[0], px[0], 255))
            elif colour == 2:
                row.append((px[0], px[1], px[2], 255))
            elif colour == 3:
                row.append(tuple(palette[px[0] * 3:px[0] * 3 + 3]) + (255,))
            elif colour == 4:
                row.append((px[0], px[0], px[0], px[1]))
            else:
                row.append(tuple(px))
        rows.append(row)
    return width, height, rows


def check_units(folder, background):
    """The optional unit picture: two cells of one size, "KB" then "MB", drawn
    over the background at (220, 118) (scaled); its KB cell is what the background shows
    there, so a window that counts kilobytes looks the same with it or without."""
    try:
        w, h, rows = read_png(folder + "/units.png")
    except FileNotFoundError:
        return []
    except (OSError, PngError, zlib.error) as e:
        return ["units.png: %s" % e]
    if w % 2 or w < 2 or UNIT_LEFT + w // 2 > WIDTH or UNIT_TOP + h > HEIGHT:
        return ["units.png is %d x %d: not two cells of one size inside the window" % (w, h)]
    if background and rows and any(rows[y][x][:3] != background[UNIT_TOP + y][UNIT_LEFT + x][:3]
                                   for y in range(h) for x in range(w // 2)):
        return ["units.png: the KB cell differs from the background's label under it"]
    return []


def main():
    folder = sys.argv[1]
    problems, images = [], {}
    for name, (width, height, needs_alpha) in SIZES.items():
        try:
            w, h, rows = read_png(folder + "/" + name)
        except (OSError, PngError, zlib.error) as e:
            problems.append("%s: %s" % (name, e))
            continue
        if (w, h) != (width, height):
            problems.append("%s is %d x %d; the window needs %d x %d" % (name, w, h, width, height))
            continue
        if rows is None:
            print("%s: not an 8-bit non-interlaced PNG; its colours are not checked" % name)
            continue
        if needs_alpha and all(px[3] == 255 for row in rows for px in row):
            problems.append("%s has no transparent pixels: the buttons would show square corners" % name)
        images[name] = rows

    background, font, digits = (images.get(n) for n in ("background.png", "font.png", "digits.png"))
    if background and font:
        # The ticker draws opaque 12 x 13 cells anywhere along the well, so each
        # well row must be one colour, the blank cell's colour of that row.
        for r in range(TICKER_ROWS):
            well = {background[TICKER_TOP + r][x][:3] for x in range(TICKER_LEFT, TICKER_RIGHT)}
            blank = {font[r][x][:3] for x in range(FONT_CELL)}
            if len(well) != 1 or well != blank:
                problems.append("ticker row %d: the well (%s) and the font's blank cell (%s) differ"
                                % (r, sorted(well)[:3], sorted(blank)[:3]))
    if background and digits:
        # The counter's cells are opaque too: the unlit cell's edge columns must
        # continue the panel just left and right of the four cells.
        for r in range(DIGIT_ROWS):
            y = COUNTER_TOP + r
            if digits[r][0][:3] != background[y][COUNTER_LEFT - 1][:3] or \
               digits[r][DIGIT_CELL - 1][:3] != background[y][COUNTER_RIGHT][:3]:
                problems.append("counter row %d: the unlit digit cell does not match the panel beside it" % r)

    problems += check_units(folder, background)

    for p in problems:
        print("skin: " + p)
    if not problems:
        print("skin: %d pictures checked" % len(images))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
