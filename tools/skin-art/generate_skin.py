#!/usr/bin/env python3
"""Draws the default skin of the setup window and its icons.

Run by hand after changing the art; the build only converts the PNG files that
this writes (resources/skin/*.png, and resources/skin/<percent>/*.png for each
display scale in SCALES) and links the icons (resources/setup.ico,
demo/pellumar.ico). The output is fully determined by this code.

Each scale is drawn from the same shapes, not enlarged: every device pixel is
painted from the 100 % point its centre maps back to (see raster.Canvas), so
curves, bevels and gradients are as sharp as the scale allows, while the
bitmap faces (the ticker font, the printed words) keep their pixels as crisp
squares.

    python3 tools/skin-art/generate_skin.py [REPOSITORY_ROOT]

The window's geometry is fixed by the setup program: the background must be
450 x 207 with the ticker well, the path field, the counter cells and the
button rectangles exactly where the program places them (see GEOMETRY below).
"""
import os
import sys

from glyphs import LABEL_HEIGHT, TICKER, TICKER_CELLS, coverage, label_mask, label_width
from imagefiles import write_ico, write_png
from raster import (Canvas, circle, clamp, facing_light, mix, noise, pixel_of, polygon, rrect,
                    scaled_length, segment, shade, smoothstep, union)

# --- geometry the setup program relies on -----------------------------------
WIDTH, HEIGHT = 450, 207
TICKER_BOX = (6, 8, 301, 21)              # left, top, right, bottom (exclusive)
PATH_BOX = (38, 69, 234, 89)
DIGIT_XS = (163, 176, 189, 202)
DIGIT_Y, DIGIT_W, DIGIT_H = 114, 13, 19
UNIT_LABEL = (222, 120)                   # where the background writes "KB"
UNIT_BOX = (220, 118, 236, 131)           # one cell of the unit picture, glow included
BUTTON_W, BUTTON_H = 44, 32
BUTTONS = {"SETUP": (114, 146), "License": (174, 146), "Cancel": (294, 146), "Browse": (241, 61)}
FONT_CELL_W, FONT_CELL_H = 12, 13
# The display scales the skin is drawn for besides 100 % (kDrawnScales in
# imaging/ScaledArt.h), each into resources/skin/<percent>/.
SCALES = (150, 200)

# --- palette -----------------------------------------------------------------
PLATE_TOP = (92, 96, 75)
PLATE_BOTTOM = (52, 55, 42)
RIM_LIGHT = (160, 165, 128)
RIM_DARK = (22, 24, 18)
LABEL_INK = (222, 224, 186)
CAPTION_INK = (150, 156, 116)
AMBER = (255, 178, 64)
AMBER_HOT = (255, 226, 150)
KHAKI_LIGHT = (214, 217, 176)
KHAKI_DARK = (140, 145, 103)
PIPE = (150, 154, 118)


def well_colour(y):
    """The ticker well, a function of the window row only: the font cells are
    drawn opaque over it and must match it pixel for pixel."""
    t = (y - TICKER_BOX[1]) / float(TICKER_BOX[3] - TICKER_BOX[1] - 1)
    base = mix((12, 15, 10), (30, 34, 24), t)
    if pixel_of(y) == TICKER_BOX[1]:
        base = mix(base, (0, 0, 0), 0.35)  # the rim's shadow falls on the glass
    return base


def lcd_colour(y):
    """The counter window, a function of the window row only (see well_colour)."""
    t = clamp((y - 111) / 25.0)
    return mix((16, 18, 12), (34, 37, 26), t)


def plate_colour(x, y, top, bottom):
    """Brushed metal: a vertical gradient with fine horizontal streaks, whose
    grain is the 100 % window's pixels at every scale."""
    t = clamp((y - top) / float(bottom - top))
    row = pixel_of(y)
    streak = (noise(0, row, 1) - 0.5) * 4.0 + (noise(pixel_of(x) // 5, row, 2) - 0.5) * 3.0
    return tuple(c + streak for c in mix(PLATE_TOP, PLATE_BOTTOM, t))


# --- background pieces -------------------------------------------------------

def raised_rect_edges(canvas, x0, y0, x1, y1, skip=()):
    """Two-pixel bevel along a rectangle's inside edges (pixels of the 100 %
    window, crisp at a scale); skip holds
    (side, from, to) spans where another piece joins and no edge shows."""
    def skipped(side, v):
        return any(s == side and a <= v < b for s, a, b in skip)

    for x in range(x0, x1):
        if not skipped("top", x):
            canvas.dot(x, y0, RIM_LIGHT, 0.75)
            canvas.dot(x, y0 + 1, RIM_LIGHT, 0.25)
        if not skipped("bottom", x):
            canvas.dot(x, y1 - 1, RIM_DARK, 0.85)
            canvas.dot(x, y1 - 2, RIM_DARK, 0.35)
    for y in range(y0, y1):
        if not skipped("left", y):
            canvas.dot(x0, y, RIM_LIGHT, 0.55)
            canvas.dot(x0 + 1, y, RIM_LIGHT, 0.18)
        if not skipped("right", y):
            canvas.dot(x1 - 1, y, RIM_DARK, 0.85)
            canvas.dot(x1 - 2, y, RIM_DARK, 0.35)


def sunken_frame(canvas, box, radius, width=2.0):
    """A recess rim just outside box: dark where it faces the light, light below."""
    x0, y0, x1, y1 = box
    inner = rrect(x0, y0, x1, y1, radius)
    outer = rrect(x0 - width, y0 - width, x1 + width, y1 + width, radius + width)

    def colour(x, y, d):
        f = facing_light(inner, x + 0.5, y + 0.5)
        return mix(RIM_LIGHT, RIM_DARK, 0.5 + 0.5 * f) + (0.9,)
    ring = lambda px, py: max(outer(px, py), -inner(px, py))
    canvas.paint(ring, colour, (x0 - width - 1, y0 - width - 1, x1 + width + 1, y1 + width + 1))


def draw_label(canvas, text, cx, top, ink=LABEL_INK, bold=False, align="center", spacing=1):
    mask = label_mask(text, spacing, bold)
    width = len(mask[0])
    left = cx - width // 2 if align == "center" else cx - width if align == "right" else cx
    for y, row in enumerate(mask):
        for x, v in enumerate(row):
            if v:
                canvas.dot(left + x, top + y + 1, (10, 11, 8), 0.55 * v)
    for y, row in enumerate(mask):
        for x, v in enumerate(row):
            if v:
                canvas.dot(left + x, top + y, ink, v)


def screw(canvas, cx, cy):
    head = circle(cx, cy, 3.2)
    canvas.paint(circle(cx + 0.4, cy + 0.6, 3.6), lambda x, y, d: (10, 11, 8, 0.5),
                 (cx - 5, cy - 5, cx + 6, cy + 6))
    canvas.paint(head, lambda x, y, d: shade((128, 132, 102), -0.35 * ((y + 0.5 - cy) / 3.2)),
                 (cx - 4, cy - 4, cx + 5, cy + 5))
    slot = segment(cx - 2.0, cy + 1.2, cx + 2.0, cy - 1.2, 0.45)
    canvas.paint(slot, lambda x, y, d: (32, 34, 26, 0.9), (cx - 4, cy - 4, cx + 5, cy + 5))


def pipe_colour(p):
    """Cylinder shading across a pipe: p runs from 0 (side facing the light) to 1."""
    lit = 0.55 * (1 - smoothstep(0.15, 0.45, abs(p - 0.3)))
    dark = -0.65 * smoothstep(0.45, 1.0, p) - 0.25 * (1 - smoothstep(0.0, 0.15, p))
    return shade(PIPE, lit + dark)


def draw_pipe(canvas):
    """The bracket from the top strip down to the body: an upright bar at
    x 430..443 from y 31, a mitred elbow, and a tab left to the body at x 395.
    Its parts are whole pixels of the 100 % window (the window's outline cuts
    them there); the mitre and the shading are drawn at the scale."""
    def colour(x, y):
        px, py = pixel_of(x), pixel_of(y)
        in_bar = 430 <= px < 443 and py < 72
        in_tab = px < 430 and 71 <= py < 84
        in_elbow = px >= 430 and py >= 70
        if not (in_bar or in_tab or in_elbow):
            return None
        if in_elbow and (x - 430) > (y - 71):
            p = (x + 0.5 - 430) / 13.0
        elif in_elbow or in_tab:
            p = (y + 0.5 - 71) / 13.0
        else:
            p = (x + 0.5 - 430) / 13.0
        return pipe_colour(p)
    canvas.fill(colour, (395, 31, 444, 85))
    # Collars where the pipe enters the top strip and the body.
    for x in range(430, 443):
        for y in range(31, 35):
            canvas.dot(x, y, RIM_DARK, 0.55 if y in (31, 34) else 0.3)
    for y in range(71, 84):
        for x in range(395, 399):
            canvas.dot(x, y, RIM_DARK, 0.55 if x in (395, 398) else 0.3)
    # The mitred elbow's outer edge gets a dark rim (the window region cuts it there).
    canvas.paint(segment(443.5, 70.5, 429.5, 84.5, 0.8), lambda x, y, d: RIM_DARK + (0.55,),
                 (428, 68, 445, 86))


def draw_top_strip(canvas):
    canvas.fill(lambda x, y: plate_colour(x, y, 0, 31), (0, 0, WIDTH, 31))
    raised_rect_edges(canvas, 0, 0, WIDTH, 31, skip=[("bottom", 430, 443)])

    sunken_frame(canvas, TICKER_BOX, 2.0)
    x0, y0, x1, y1 = TICKER_BOX
    canvas.fill(lambda x, y: well_colour(y), TICKER_BOX)

    # A grip of grooves says the bar can be dragged.
    for i in range(6):
        gx = 390 + i * 5
        for y in range(10, 21):
            canvas.dot(gx, y, RIM_DARK, 0.7)
            canvas.dot(gx + 1, y, RIM_LIGHT, 0.35)

    # The pivot where the bracket hangs: a turned knob over the upright bar.
    cx, cy = 436.5, 15.5
    canvas.paint(circle(cx + 0.5, cy + 1.0, 11.0), lambda x, y, d: (8, 9, 6, 0.45),
                 (420, 0, WIDTH, 31))
    canvas.paint(circle(cx, cy, 10.0),
                 lambda x, y, d: shade(PIPE, 0.35 - 0.7 * clamp((y + 0.5 - (cy - 10)) / 20.0)),
                 (420, 0, WIDTH, 31))
    canvas.paint(circle(cx, cy, 6.0),
                 lambda x, y, d: shade(PIPE, -0.35 + 0.5 * clamp((y + 0.5 - (cy - 6)) / 12.0)),
                 (420, 0, WIDTH, 31))
    canvas.paint(circle(cx, cy, 2.2), lambda x, y, d: AMBER, (420, 0, WIDTH, 31))
    canvas.paint(circle(cx, cy, 4.0), lambda x, y, d: AMBER + (0.25,), (420, 0, WIDTH, 31))

    # Engraved caption beside the grip.
    draw_label(canvas, "INSTALLER", 318, 11, CAPTION_INK, align="left", spacing=2)


def draw_unit_label(canvas, unit):
    """The counter's unit in amber with a faint glow, on the counter glass."""
    mask = label_mask(unit, 1, bold=True)
    ux, uy = UNIT_LABEL
    for y, row in enumerate(mask):
        for x, v in enumerate(row):
            if v:
                for gx, gy, g in ((-1, 0, 0.12), (1, 0, 0.12), (0, -1, 0.12), (0, 1, 0.12)):
                    canvas.dot(ux + x + gx, uy + y + gy, AMBER, g * v)
    for y, row in enumerate(mask):
        for x, v in enumerate(row):
            if v:
                canvas.dot(ux + x, uy + y, AMBER, v)


def draw_body(canvas, unit="KB"):
    top = 46
    canvas.fill(lambda x, y: plate_colour(x, y, top, HEIGHT), (0, top, 395, HEIGHT))
    raised_rect_edges(canvas, 0, top, 395, HEIGHT, skip=[("right", 71, 84)])
    for cx, cy in ((8, 54), (386, 54), (8, 198), (386, 198)):
        screw(canvas, cx, cy)

    # Destination folder: caption, recessed field (the edit control draws inside).
    draw_label(canvas, "Install folder", PATH_BOX[0], 57, CAPTION_INK, align="left")
    sunken_frame(canvas, PATH_BOX, 1.0)
    canvas.fill(lambda x, y: (179, 183, 139), PATH_BOX)

    # Counter window: caption, glass, four digit cells and the unit.
    draw_label(canvas, "Space needed", 150, 120, CAPTION_INK, align="right")
    lcd = (158, 111, 241, 137)
    sunken_frame(canvas, lcd, 3.0, 2.0)
    canvas.paint(rrect(*lcd, 3.0), lambda x, y, d: lcd_colour(y), lcd)
    draw_unit_label(canvas, unit)

    # Button sockets and their words.
    for word, (bx, by) in BUTTONS.items():
        socket = rrect(bx + 1, by + 0.5, bx + BUTTON_W - 1, by + BUTTON_H - 0.5, 9.5)
        canvas.paint(socket, lambda x, y, d: mix((18, 20, 15), (44, 47, 36),
                                                 clamp((y - by) / 32.0)) + (0.9,),
                     (bx - 1, by - 1, bx + BUTTON_W + 1, by + BUTTON_H + 1))
        canvas.paint(lambda px, py, s=socket: abs(s(px, py) + 0.2) - 0.6,
                     lambda x, y, d, s=socket: (RIM_LIGHT if facing_light(s, x + .5, y + .5) < 0
                                                else RIM_DARK) + (0.45,),
                     (bx - 1, by - 1, bx + BUTTON_W + 1, by + BUTTON_H + 1))
        draw_label(canvas, word, bx + BUTTON_W // 2, by + BUTTON_H + 2, bold=True)

    # A grille of slots at the right and an install emblem at the left.
    for i in range(5):
        sx = 352 + i * 7
        slot = rrect(sx, 108, sx + 3, 188, 1.5)
        canvas.paint(slot, lambda x, y, d: (14, 15, 11, 0.85), (sx - 1, 106, sx + 5, 190))
        canvas.paint(lambda px, py, s=slot: abs(s(px - 0.6, py - 0.8) - 0.3) - 0.5,
                     lambda x, y, d: RIM_LIGHT + (0.18,), (sx - 1, 106, sx + 6, 191))
    draw_emblem(canvas, 52, 162, 1.0, engraved=True)


def draw_emblem(canvas, cx, cy, scale, engraved):
    """The install symbol: an arrow dropping into an open tray."""
    s = scale
    arrow = union(segment(cx, cy - 20 * s, cx, cy + 1 * s, 3.2 * s),
                  polygon([(cx - 10 * s, cy - 3 * s), (cx + 10 * s, cy - 3 * s), (cx, cy + 8 * s)]))
    tray = union(segment(cx - 17 * s, cy + 2 * s, cx - 17 * s, cy + 15 * s, 2.2 * s),
                 segment(cx + 17 * s, cy + 2 * s, cx + 17 * s, cy + 15 * s, 2.2 * s),
                 segment(cx - 17 * s, cy + 15 * s, cx + 17 * s, cy + 15 * s, 2.2 * s))
    shape = union(arrow, tray)
    box = (cx - 22 * s, cy - 26 * s, cx + 22 * s, cy + 21 * s)
    if engraved:
        canvas.paint(lambda px, py: shape(px - 0.8, py - 1.0), lambda x, y, d: RIM_LIGHT + (0.35,), box)
        canvas.paint(shape, lambda x, y, d: (20, 22, 16, 0.75), box)
    else:
        canvas.paint(tray, lambda x, y, d: shade(KHAKI_LIGHT, -0.3 * clamp((y - cy) / (16 * s))), box)
        canvas.paint(arrow, lambda x, y, d: shade(AMBER, 0.25 - 0.45 * clamp((y - cy + 20 * s) / (28 * s))),
                     box)


def draw_background(percent, unit="KB"):
    canvas = Canvas(scaled_length(WIDTH, percent), scaled_length(HEIGHT, percent), (0, 0, 0), percent=percent)
    draw_top_strip(canvas)
    draw_body(canvas, unit)
    draw_pipe(canvas)
    return canvas


def side_by_side(cells):
    """Pictures of one height joined left to right: (width, height, rows)."""
    rows = [sum((list(cell[y]) for cell in cells), []) for y in range(len(cells[0]))]
    return len(rows[0]), len(rows), rows


def draw_units(percent):
    """The unit picture: the background's unit box with "KB", then with "MB",
    side by side, cut from the background drawn with each; the setup draws the
    cell that matches the counter over the background's own label."""
    x0, y0, x1, y1 = UNIT_BOX
    left, top = scaled_length(x0, percent), scaled_length(y0, percent)
    width, height = scaled_length(x1 - x0, percent), scaled_length(y1 - y0, percent)
    cells = []
    for unit in ("KB", "MB"):
        rows = draw_background(percent, unit).rows(False)
        cells.append([row[left:left + width] for row in rows[top:top + height]])
    return side_by_side(cells)


# --- button strip ------------------------------------------------------------

def draw_button_cell(canvas, ox, state):
    """One 44 x 32 picture: 'normal', 'hover' or 'pressed'."""
    dy = 1.0 if state == "pressed" else 0.0
    x0, y0, x1, y1 = ox + 3.0, 2.0 + dy, ox + 41.0, 28.5 + dy
    box = (ox, 0, ox + BUTTON_W, BUTTON_H)
    if state != "pressed":
        shadow = rrect(x0, y0 + 2.0, x1, y1 + 2.0, 9.0)
        canvas.paint(lambda px, py: shadow(px, py) / 2.2, lambda x, y, d: (0, 0, 0, 0.5), box)
    rim = rrect(x0 - 0.5, y0 - 0.5, x1 + 0.5, y1 + 0.5, 8.5)
    canvas.paint(rim, lambda x, y, d: (34, 36, 27), box)

    face = rrect(x0 + 0.5, y0 + 0.5, x1 - 0.5, y1 - 0.5, 7.5)
    lift = {"normal": 0.0, "hover": 0.12, "pressed": -0.18}[state]
    top, bottom = (KHAKI_LIGHT, KHAKI_DARK) if state != "pressed" else (KHAKI_DARK, KHAKI_LIGHT)

    def face_colour(x, y, d):
        t = clamp((y + 0.5 - y0) / (y1 - y0))
        c = shade(mix(top, bottom, t), lift)
        edge = clamp(1.0 + d / 1.6)  # 1 on the outline, 0 deeper inside
        f = facing_light(face, x + 0.5, y + 0.5)
        if state == "pressed":
            f = -f
        return shade(c, 0.45 * edge * f if f > 0 else 0.5 * edge * f)
    canvas.paint(face, face_colour, box)

    if state != "pressed":
        gloss = rrect(x0 + 3.0, y0 + 1.5, x1 - 3.0, y0 + 11.0, 5.0)
        canvas.paint(gloss, lambda x, y, d: (255, 255, 255, 0.22 * (1 - clamp((y + 0.5 - y0) / 10.0))),
                     box)

    # The lamp: dark when idle, amber under the cursor, bright while pressed.
    cx, cy = ox + 22.0, 16.0 + dy
    lamp = rrect(cx - 8.0, cy - 2.5, cx + 8.0, cy + 2.5, 2.5)
    canvas.paint(rrect(cx - 9.0, cy - 3.5, cx + 9.0, cy + 3.5, 3.5),
                 lambda x, y, d: (48, 50, 37) if y + 0.5 < cy else (226, 229, 192), box)
    if state == "normal":
        canvas.paint(lamp, lambda x, y, d: mix((58, 44, 24), (92, 72, 40), clamp((y + 0.5 - cy + 2.5) / 5)),
                     box)
    else:
        hot = AMBER if state == "hover" else AMBER_HOT
        canvas.paint(lambda px, py: lamp(px, py) / 3.0, lambda x, y, d: hot + (0.35,), box)
        canvas.paint(lamp, lambda x, y, d: shade(hot, 0.35 * (1 - clamp((y + 0.5 - cy + 2.5) / 5))), box)


def draw_buttons(percent):
    cells = []
    for i, state in enumerate(("normal", "hover", "pressed")):
        canvas = Canvas(scaled_length(BUTTON_W, percent), scaled_length(BUTTON_H, percent), (0, 0, 0),
                        alpha=0.0, percent=percent, offset=(i * BUTTON_W, 0))
        draw_button_cell(canvas, i * BUTTON_W, state)
        cells.append(canvas.rows(True))
    return side_by_side(cells)


# --- font and digits ---------------------------------------------------------

def glow_image(mask, width, height, radius_weights):
    """Coverage mask plus a soft halo: returns (core, halo) grids."""
    halo = [[0.0] * width for _ in range(height)]
    for y in range(height):
        for x in range(width):
            acc = 0.0
            for dx, dy, w in radius_weights:
                sx, sy = x + dx, y + dy
                if 0 <= sx < width and 0 <= sy < height:
                    acc += mask[sy][sx] * w
            halo[y][x] = min(acc, 1.0)
    return halo


HALO = [(dx, dy, 0.22 if abs(dx) + abs(dy) == 1 else 0.09)
        for dx in (-1, 0, 1) for dy in (-1, 0, 1) if (dx, dy) != (0, 0)]


def draw_font(percent):
    """The ticker's cells, opaque over the well: at a scale each glyph pixel is
    a crisp square and the well colour follows the window's rows."""
    width, height = FONT_CELL_W * len(TICKER_CELLS), FONT_CELL_H
    mask = [[0.0] * width for _ in range(height)]
    for cell, ch in enumerate(TICKER_CELLS):
        glyph = TICKER.get(ch)
        if not glyph:
            continue
        for gy, line in enumerate(glyph):
            for gx, c in enumerate(line):
                mask[1 + gy][cell * FONT_CELL_W + 2 + gx] = coverage(c)
    halo = glow_image(mask, width, height, HALO)

    def colour(x, y):
        gx, gy = pixel_of(x), min(pixel_of(y) - TICKER_BOX[1], height - 1)
        c = mix(well_colour(y), AMBER, 0.55 * halo[gy][gx])
        return mix(c, AMBER, mask[gy][gx])
    cells = []
    for cell in range(len(TICKER_CELLS)):
        canvas = Canvas(scaled_length(FONT_CELL_W, percent), scaled_length(FONT_CELL_H, percent),
                        percent=percent, offset=(cell * FONT_CELL_W, 0),
                        first_row=scaled_length(TICKER_BOX[1], percent))
        canvas.fill(colour)
        cells.append(canvas.rows(False))
    return side_by_side(cells)


# Seven segments as (x0, y0, x1, y1) centre lines inside a 13 x 19 cell.
SEGMENTS = {
    "a": (3.4, 2.2, 9.6, 2.2), "b": (10.3, 2.9, 10.3, 8.9), "c": (10.3, 10.1, 10.3, 16.1),
    "d": (3.4, 16.8, 9.6, 16.8), "e": (2.7, 10.1, 2.7, 16.1), "f": (2.7, 2.9, 2.7, 8.9),
    "g": (3.4, 9.5, 9.6, 9.5),
}
DIGIT_SEGMENTS = ["abcdef", "bc", "abged", "abgcd", "fgbc", "afgcd", "afgedc", "abc", "abcdefg", "abcdfg"]


def segment_shape(ox, name):
    x0, y0, x1, y1 = SEGMENTS[name]
    t = 1.25  # half the stroke width
    if y0 == y1:
        pts = [(x0 - t, y0), (x0, y0 - t), (x1, y0 - t), (x1 + t, y0), (x1, y0 + t), (x0, y0 + t)]
    else:
        pts = [(x0, y0 - t), (x0 + t, y0), (x0 + t, y1), (x0, y1 + t), (x0 - t, y1), (x0 - t, y0)]
    return polygon([(ox + px, DIGIT_Y + py) for px, py in pts])


def draw_digits(percent):
    cells = []
    for cell in range(11):
        lit = set(DIGIT_SEGMENTS[cell - 1]) if cell else set()
        ox = cell * DIGIT_W
        # Window rows, so that the cell background is exactly the counter window's.
        canvas = Canvas(scaled_length(DIGIT_W, percent), scaled_length(DIGIT_H, percent), percent=percent,
                        offset=(ox, 0), first_row=scaled_length(DIGIT_Y, percent))
        canvas.fill(lambda x, y: lcd_colour(y))
        box = (ox, DIGIT_Y, ox + DIGIT_W, DIGIT_Y + DIGIT_H)
        for name in SEGMENTS:
            shape = segment_shape(ox, name)
            if name in lit:
                canvas.paint(lambda px, py, s=shape: s(px, py) / 2.5, lambda x, y, d: AMBER + (0.30,), box)
                canvas.paint(shape, lambda x, y, d: AMBER, box)
            else:
                canvas.paint(shape, lambda x, y, d: (255, 178, 64, 0.07), box)
        cells.append(canvas.rows(False))
    return side_by_side(cells)


# --- icons -------------------------------------------------------------------

def draw_setup_icon(size):
    s = size / 32.0
    canvas = Canvas(size, size, (0, 0, 0), alpha=0.0)
    tile = rrect(1 * s, 1 * s, 31 * s, 31 * s, 6 * s)
    canvas.paint(tile, lambda x, y, d: (30, 32, 24))
    canvas.paint(rrect(2 * s, 2 * s, 30 * s, 30 * s, 5 * s),
                 lambda x, y, d: mix(PLATE_TOP, PLATE_BOTTOM, clamp(y / float(size))))
    draw_emblem(canvas, 16 * s, 16.5 * s, 0.58 * s * (1.12 if size < 24 else 1.0), engraved=False)
    return [canvas.get(x, y) for y in range(size) for x in range(size)]


def draw_demo_icon(size):
    s = size / 32.0
    canvas = Canvas(size, size, (0, 0, 0), alpha=0.0)
    canvas.paint(circle(16 * s, 16 * s, 15 * s), lambda x, y, d: (60, 44, 18))
    canvas.paint(circle(16 * s, 16 * s, 14 * s),
                 lambda x, y, d: shade(AMBER, 0.3 - 0.6 * clamp(y / float(size))))
    glyph = TICKER["P"]
    scale = 2 if size >= 24 else 1
    gx0 = (size - 8 * scale) // 2 + scale
    gy0 = (size - 10 * scale) // 2
    for gy, line in enumerate(glyph):
        for gx, c in enumerate(line):
            v = coverage(c)
            for sy in range(scale):
                for sx in range(scale):
                    canvas.blend(gx0 + gx * scale + sx, gy0 + gy * scale + sy, (44, 40, 26), v)
    return [canvas.get(x, y) for y in range(size) for x in range(size)]


def to_bytes(pixels):
    return [tuple(int(round(clamp(c, 0, 255))) for c in p[:3]) + (int(round(p[3] * 255)),)
            for p in pixels]


def write_skin(folder, percent):
    os.makedirs(folder, exist_ok=True)
    background = draw_background(percent)
    write_png(os.path.join(folder, "background.png"), background.width, background.height,
              background.rows(False), False)
    for name, (width, height, rows), alpha in (("units.png", draw_units(percent), False),
                                               ("button.png", draw_buttons(percent), True),
                                               ("font.png", draw_font(percent), False),
                                               ("digits.png", draw_digits(percent), False)):
        write_png(os.path.join(folder, name), width, height, rows, alpha)


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..")
    skin = os.path.join(root, "resources", "skin")
    os.makedirs(os.path.join(root, "demo"), exist_ok=True)
    for percent in (100,) + SCALES:
        write_skin(skin if percent == 100 else os.path.join(skin, str(percent)), percent)

    write_ico(os.path.join(root, "resources", "setup.ico"),
              [(32, 4, to_bytes(draw_setup_icon(32))), (16, 4, to_bytes(draw_setup_icon(16))),
               (32, 8, to_bytes(draw_setup_icon(32)))])
    write_ico(os.path.join(root, "demo", "pellumar.ico"),
              [(32, 8, to_bytes(draw_demo_icon(32))), (16, 8, to_bytes(draw_demo_icon(16)))])


if __name__ == "__main__":
    main()
