"""The card's cursors (32 x 32 monochrome, .cur) and the program icon (.ico)."""
import struct

import cairo
import numpy as np
from PIL import Image, ImageDraw

import style

SIZE = 32


def _grow(mask):
    """The 8-neighbour ring around a boolean mask."""
    g = mask.copy()
    g[1:, :] |= mask[:-1, :]
    g[:-1, :] |= mask[1:, :]
    g[:, 1:] |= mask[:, :-1]
    g[:, :-1] |= mask[:, 1:]
    g[1:, 1:] |= mask[:-1, :-1]
    g[:-1, :-1] |= mask[1:, 1:]
    g[1:, :-1] |= mask[:-1, 1:]
    g[:-1, 1:] |= mask[1:, :-1]
    return g & ~mask


def _canvas():
    img = Image.new("1", (SIZE, SIZE), 0)
    return img, ImageDraw.Draw(img)


def hand():
    """A pointing hand whose index fingertip is at (13, 9)."""
    fill, d = _canvas()
    d.rounded_rectangle((11, 10, 15, 22), radius=2, fill=1)      # index finger
    d.rounded_rectangle((15, 15, 18, 22), radius=1, fill=1)      # middle
    d.rounded_rectangle((18, 16, 21, 22), radius=1, fill=1)      # ring
    d.rounded_rectangle((21, 17, 24, 23), radius=1, fill=1)      # little finger
    d.rounded_rectangle((11, 20, 24, 29), radius=3, fill=1)      # palm
    d.polygon([(6, 20), (8, 19), (12, 23), (12, 27), (9, 26)], fill=1)  # thumb
    lines, l = _canvas()
    for x, y0, y1 in ((15, 17, 21), (18, 17, 21), (21, 18, 21)):
        l.line((x, y0, x, y1), fill=1)
    return fill, lines


def envelope():
    """An envelope centred on (15, 18)."""
    fill, d = _canvas()
    d.rectangle((3, 11, 28, 26), fill=1)
    lines, l = _canvas()
    l.line((4, 12, 15, 20), fill=1)
    l.line((27, 12, 16, 20), fill=1)
    l.line((4, 25, 12, 19), fill=1)
    l.line((27, 25, 19, 19), fill=1)
    return fill, lines


def pencil():
    """A pencil writing on a notepad, its point at (17, 15)."""
    fill, d = _canvas()
    d.rectangle((3, 7, 19, 29), fill=1)                           # notepad
    body = [(17, 15), (18, 10), (27, 1), (31, 5), (22, 14)]
    d.polygon(body, fill=1)
    lines, l = _canvas()
    for y in (13, 17, 21, 25):
        l.line((6, y, 12 if y < 20 else 16, y), fill=1)
    l.line((3, 9, 19, 9), fill=1)
    # the pencil drawn in outline over the pad, its graphite point solid
    l.polygon(body, outline=1)
    l.line((18, 10, 22, 14), fill=1)
    l.line((25, 3, 29, 7), fill=1)
    l.polygon([(17, 15), (17, 13), (19, 15)], fill=1)
    return fill, lines


CURSORS = {100: (hand, (13, 9)), 102: (envelope, (15, 18)), 103: (pencil, (17, 15))}


def cur_file(shape, hotspot):
    """A .cur file: white shape, black outline and marks, transparent around it."""
    fill, lines = shape()
    f = np.array(fill, bool)
    inner = np.array(lines, bool) & f
    ring = _grow(f)
    white = f & ~inner
    opaque = f | ring
    def rows(bits):
        # 1 bit per pixel, bottom-up, 32 bits a row.
        return np.packbits(bits[::-1].astype(np.uint8), axis=1).tobytes()
    xor = rows(white)
    andmask = rows(~opaque)
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 1, 0, len(xor) + len(andmask), 0, 0, 2, 2)
    colours = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    body = info + colours + xor + andmask
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 2, 0, hotspot[0], hotspot[1], len(body), 22)
    return struct.pack("<HHH", 0, 2, 1) + entry + body


def cursor_preview(shape):
    fill, lines = shape()
    f = np.array(fill, bool)
    inner = np.array(lines, bool) & f
    ring = _grow(f)
    out = np.full((SIZE, SIZE, 3), 200, np.uint8)
    out[f & ~inner] = 255
    out[ring | inner] = 0
    return Image.fromarray(out)


def _gift_box(ctx, s):
    """The closed gift box on an s x s square."""
    u = s / 48.0
    ctx.set_line_join(cairo.LINE_JOIN_ROUND)
    line = max(1.0, 2.0 * u)
    # bow loops
    for sx in (-1, 1):
        ctx.move_to(24 * u, 15 * u)
        ctx.curve_to((24 + sx * 4) * u, -1 * u, (24 + sx * 22) * u, 1 * u, (24 + sx * 7) * u, 15 * u)
        ctx.close_path()
        style.fill_stroke(ctx, style.GOLD, line)
    # box body and lid
    ctx.rectangle(7 * u, 22 * u, 34 * u, 22 * u)
    style.fill_stroke(ctx, style.RED, line)
    ctx.rectangle(7 * u, 36 * u, 34 * u, 8 * u)
    style.fill(ctx, style.RED_SHADE)
    ctx.rectangle(5 * u, 14 * u, 38 * u, 9 * u)
    style.fill_stroke(ctx, style.RED, line)
    # ribbon
    ctx.rectangle(21 * u, 14 * u, 6 * u, 30 * u)
    style.fill_stroke(ctx, style.GOLD, line)
    ctx.rectangle(7 * u, 22 * u, 34 * u, 22 * u)
    style.stroke(ctx, style.OUTLINE, line)
    ctx.arc(24 * u, 15 * u, 3.2 * u, 0, 6.2832)
    style.fill_stroke(ctx, style.GOLD_SHADE, line)


# At 16 pixels the box is drawn pixel by pixel, with a 1-pixel outline.
ICON_16 = """
................
...OOO....OOO...
..OGGGO..OGGGO..
..OGgGGOOGGgGO..
...OOGGggGGOO...
OOOOOOOggOOOOOOO
ORRRRRRGGRRRRRRO
ORRRRRRGGRRRRRRO
OOOOOOOGGOOOOOOO
.ORRRRRGGRRRRRO.
.ORRRRRGGRRRRRO.
.ORRRRRGGRRRRRO.
.ORRRRRGGRRRRRO.
.OrrrrrggrrrrrO.
.OrrrrrggrrrrrO.
.OOOOOOOOOOOOOO.
"""
ICON_16_COLOURS = {"O": style.OUTLINE, "R": style.RED, "r": style.RED_SHADE, "G": style.GOLD, "g": style.GOLD_SHADE}


def _icon_16():
    rows = ICON_16.split()
    rgb = np.zeros((16, 16, 3), np.uint8)
    opaque = np.zeros((16, 16), bool)
    for y, row in enumerate(rows):
        for x, ch in enumerate(row):
            if ch in ICON_16_COLOURS:
                rgb[y, x] = ICON_16_COLOURS[ch]
                opaque[y, x] = True
    return rgb, opaque


def icon_image(s):
    """(RGB pixels, opaque mask) of the icon at s x s. The outer edge is hard,
    like the sprites' edges against their key: the antialiased rim is laid over
    the outline colour, and what is less than half covered stays transparent."""
    if s == 16:
        return _icon_16()
    surf = cairo.ImageSurface(cairo.FORMAT_ARGB32, s, s)
    ctx = cairo.Context(surf)
    _gift_box(ctx, s)
    surf.flush()
    a = np.ndarray((s, s, 4), np.uint8, surf.get_data(), strides=(surf.get_stride(), 4, 1)).astype(np.uint32)
    alpha = a[..., 3:4]
    under = np.array(style.OUTLINE[::-1], np.uint32)
    bgr = a[..., :3] + ((255 - alpha) * under + 127) // 255   # premultiplied colour over the outline
    opaque = a[..., 3] >= 128
    rgb = np.minimum(bgr, 255).astype(np.uint8)[..., ::-1]
    rgb[~opaque] = 0
    return rgb, opaque


def _icon_bitmap(s):
    """One icon image: 8 bits per pixel over a 256-entry table, then the AND mask."""
    rgb, opaque = icon_image(s)
    colours = sorted({tuple(c) for c in rgb[opaque].tolist()} - {(0, 0, 0)})
    table = [(0, 0, 0)] + colours          # index 0 under the transparent pixels
    assert len(table) <= 256, "icon %d has %d colours" % (s, len(table))
    index = {c: i for i, c in enumerate(table)}
    pix = np.zeros((s, (s + 3) & ~3), np.uint8)
    for (y, x) in zip(*np.nonzero(opaque)):
        pix[y, x] = index[tuple(rgb[y, x].tolist())]
    xor = pix[::-1].tobytes()
    stride = ((s + 31) // 32) * 4
    bits = np.zeros((s, stride * 8), np.uint8)
    bits[:, :s] = ~opaque
    andmask = np.packbits(bits[::-1], axis=1).tobytes()
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in table + [(0, 0, 0)] * (256 - len(table)))
    info = struct.pack("<IiiHHIIiiII", 40, s, 2 * s, 1, 8, 0, len(xor) + len(andmask), 0, 0, 256, 0)
    return info + palette + xor + andmask


def ico_file(sizes=(16, 32, 48)):
    images = [_icon_bitmap(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, body in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 8, len(body), offset)
        offset += len(body)
    return out + b"".join(images)


def icon_preview():
    row = Image.new("RGB", (16 + 32 + 48 + 40, 48 + 20), (70, 110, 160))
    x = 10
    for s in (16, 32, 48):
        rgb, opaque = icon_image(s)
        mask = Image.fromarray((opaque * 255).astype(np.uint8), "L")
        row.paste(Image.fromarray(rgb, "RGB"), (x, 10), mask)
        x += s + 10
    return row
