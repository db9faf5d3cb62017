"""Writers for the two picture file formats the skin needs: PNG (RGB or RGBA,
8 bits per channel) and Windows .ico with BMP-format entries (4 or 8 bits per
pixel with their own colour tables and an AND mask).

Standard library only; the output depends on nothing but the pixels, so the
committed files change only when the art changes.
"""
import struct
import zlib


def _chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def write_png(path, width, height, rows, alpha):
    """rows: height lists of pixel tuples (r, g, b) or (r, g, b, a), top row first."""
    channels = 4 if alpha else 3
    raw = bytearray()
    for row in rows:
        if len(row) != width:
            raise ValueError("row width %d, expected %d" % (len(row), width))
        raw.append(0)  # filter type None: simple and deterministic
        for px in row:
            raw.extend(int(v) for v in px[:channels])
    header = struct.pack(">IIBBBBB", width, height, 8, 6 if alpha else 2, 0, 0, 0)
    png = b"\x89PNG\r\n\x1a\n" + _chunk(b"IHDR", header)
    png += _chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + _chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


# --- colour reduction for the palette icon entries ---------------------------

def median_cut(colours, count):
    """Reduce a list of (r, g, b) to at most `count` representative colours."""
    unique = sorted(set(colours))
    if len(unique) <= count:
        return unique
    boxes = [unique]
    while len(boxes) < count:
        # Split the box with the widest channel range; ties go to the first.
        best, best_range, best_channel = -1, -1, 0
        for i, box in enumerate(boxes):
            if len(box) < 2:
                continue
            for c in range(3):
                lo = min(p[c] for p in box)
                hi = max(p[c] for p in box)
                if hi - lo > best_range:
                    best, best_range, best_channel = i, hi - lo, c
        if best < 0:
            break
        box = sorted(boxes.pop(best), key=lambda p: (p[best_channel], p))
        half = len(box) // 2
        boxes[best:best] = [box[:half], box[half:]]
    palette = []
    for box in boxes:
        n = len(box)
        palette.append(tuple((sum(p[c] for p in box) + n // 2) // n for c in range(3)))
    return palette


def nearest(palette, colour):
    r, g, b = colour
    best, best_d = 0, None
    for i, (pr, pg, pb) in enumerate(palette):
        # Weighted distance: the eye is most sensitive to green, least to blue.
        d = 3 * (pr - r) ** 2 + 4 * (pg - g) ** 2 + 2 * (pb - b) ** 2
        if best_d is None or d < best_d:
            best, best_d = i, d
    return best


def _icon_entry_bytes(size, bits, pixels):
    """pixels: size*size (r, g, b, a) top row first -> (header fields, DIB bytes)."""
    opaque = [p[:3] for p in pixels if p[3] >= 128]
    colours = 1 << bits
    # Index 0 is black: transparent pixels must be 0 in the colour plane so the
    # AND mask lets the desktop show through unchanged.
    palette = [(0, 0, 0)] + median_cut(opaque, colours - 1)
    palette += [(0, 0, 0)] * (colours - len(palette))

    dib = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, 0, 0, 0, 0, 0)
    for r, g, b in palette:
        dib += struct.pack("BBBB", b, g, r, 0)

    index_rows = []
    for y in range(size):
        row = []
        for x in range(size):
            p = pixels[y * size + x]
            row.append(nearest(palette[1:], p[:3]) + 1 if p[3] >= 128 else 0)
        index_rows.append(row)

    xor_stride = ((size * bits + 31) // 32) * 4
    and_stride = ((size + 31) // 32) * 4
    for row in reversed(index_rows):  # DIB rows are stored bottom-up
        line = bytearray()
        if bits == 8:
            line.extend(row)
        else:
            for x in range(0, size, 2):
                line.append((row[x] << 4) | (row[x + 1] if x + 1 < size else 0))
        line.extend(b"\0" * (xor_stride - len(line)))
        dib += bytes(line)
    for y in reversed(range(size)):
        line = bytearray(and_stride)
        for x in range(size):
            if pixels[y * size + x][3] < 128:
                line[x // 8] |= 0x80 >> (x % 8)
        dib += bytes(line)
    return dib


def write_ico(path, images):
    """images: list of (size, bits, pixels) with bits 4 or 8; pixels RGBA top row first."""
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    directory, blobs = b"", b""
    for size, bits, pixels in images:
        blob = _icon_entry_bytes(size, bits, pixels)
        colour_count = (1 << bits) if bits < 8 else 0
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, colour_count, 0, 1, bits,
                                 len(blob), offset)
        offset += len(blob)
        blobs += blob
    with open(path, "wb") as f:
        f.write(header + directory + blobs)
