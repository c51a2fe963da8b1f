"""The card window's picture (FIG 1200, 493 x 359): a snowy night with the
girl waving beside her gift box, the title, and the clickable places drawn
where the card's spots are."""
import math
import random

import cairo
import numpy as np
from PIL import Image

import sheets
import style
from palette import KEY

WIDTH, HEIGHT = 493, 359
BAND = 86                                # bottom band: the animation's frame
STRIP = (12, 283, 480, 343)              # where the animation plays
WRITE_BUTTON = (238, 10, 346, 50)        # the edit area
SEND_BUTTON = (372, 10, 456, 50)         # spot 2
LOGO = (13, 232, 110, 272)               # spot 3
PRIVACY = (394, 248, 480, 273)           # spot 4

GROUND = 258                             # row the girl and the box stand on
BOX_FRAME = (205, 4)                     # the open box
GIRL_FRAME = (206, 23)                   # waving to the viewer
BOX_LEFT, GIRL_LEFT = 150, 222


def _rounded(ctx, x0, y0, x1, y1, r):
    ctx.new_sub_path()
    ctx.arc(x1 - r, y0 + r, r, -math.pi / 2, 0)
    ctx.arc(x1 - r, y1 - r, r, 0, math.pi / 2)
    ctx.arc(x0 + r, y1 - r, r, math.pi / 2, math.pi)
    ctx.arc(x0 + r, y0 + r, r, math.pi, 3 * math.pi / 2)
    ctx.close_path()


def _sky(ctx):
    ctx.set_source_rgb(*style.rgb(style.SKY))
    ctx.paint()
    # moon with a shade crescent
    ctx.arc(52, 48, 24, 0, 2 * math.pi)
    style.fill_stroke(ctx, (250, 240, 200))
    ctx.arc(60, 54, 7, 0, 2 * math.pi)
    style.fill(ctx, (230, 218, 172))
    ctx.arc(44, 38, 4, 0, 2 * math.pi)
    style.fill(ctx, (230, 218, 172))
    rnd = random.Random(1200)
    for _ in range(34):
        x, y = rnd.randrange(6, WIDTH - 6), rnd.randrange(58, 200)
        r = rnd.choice((1.0, 1.0, 1.6))
        ctx.arc(x, y, r, 0, 2 * math.pi)
        style.fill(ctx, style.SNOW)
    for x, y in ((112, 20), (200, 34), (470, 70), (16, 112), (140, 138), (356, 122)):
        _twinkle(ctx, x, y, 2.2)


def _twinkle(ctx, x, y, s):
    ctx.move_to(x, y - 2 * s)
    for k in range(1, 8):
        a = -math.pi / 2 + k * math.pi / 4
        rr = 2 * s if k % 2 == 0 else 0.5 * s
        ctx.line_to(x + rr * math.cos(a), y + rr * math.sin(a))
    ctx.close_path()
    style.fill(ctx, style.STAR_LIGHT)


def _title(ctx):
    ctx.select_font_face("DejaVu Serif", cairo.FONT_SLANT_ITALIC, cairo.FONT_WEIGHT_BOLD)
    ctx.set_font_size(40)
    s = "Merry Christmas"
    w = ctx.text_extents(s).x_advance
    baseline = 102
    ctx.move_to(WIDTH / 2 - w / 2 + 6, baseline)
    ctx.text_path(s)
    path = ctx.copy_path()
    ctx.set_line_join(cairo.LINE_JOIN_ROUND)
    ctx.set_source_rgb(*style.rgb(style.OUTLINE))
    ctx.set_line_width(5)
    ctx.stroke_preserve()
    style.fill(ctx, style.GOLD)
    # the shade step: the lower part of the letters
    ctx.save()
    ctx.append_path(path)
    ctx.clip()
    ctx.rectangle(0, baseline - 9, WIDTH, 20)
    style.fill(ctx, style.GOLD_SHADE)
    ctx.restore()
    ctx.append_path(path)
    style.stroke(ctx, style.OUTLINE, 1.2)


def _hill_path(ctx, left_y, *curves):
    """A hill from the left edge to the right along `curves`, down to the band."""
    ctx.move_to(0, left_y)
    for curve in curves:
        ctx.curve_to(*curve)
    ctx.line_to(WIDTH, HEIGHT - BAND)
    ctx.line_to(0, HEIGHT - BAND)
    ctx.close_path()


def _hills(ctx):
    _hill_path(ctx, 214, (120, 186, 230, 196, 300, 210), (380, 224, 440, 196, WIDTH, 200))
    style.fill_stroke(ctx, style.SNOW_SHADE)
    _hill_path(ctx, 236, (140, 222, 300, 226, 380, 240), (420, 246, 460, 236, WIDTH, 232))
    style.fill(ctx, style.SNOW)


def _cottage(ctx):
    x, y = 34, 150
    ctx.rectangle(x, y + 26, 70, 44)
    style.fill_stroke(ctx, style.WOOD)
    for wx in (x + 8, x + 46):
        ctx.rectangle(wx, y + 36, 16, 14)
        style.fill_stroke(ctx, style.STAR)
        ctx.move_to(wx + 8, y + 36)
        ctx.line_to(wx + 8, y + 50)
        ctx.move_to(wx, y + 43)
        ctx.line_to(wx + 16, y + 43)
        style.stroke(ctx, style.OUTLINE, 1.5)
    ctx.rectangle(x + 28, y + 46, 14, 24)
    style.fill_stroke(ctx, style.RED_SHADE)
    # a wreath on the door
    ctx.arc(x + 35, y + 53, 4.5, 0, 2 * math.pi)
    ctx.set_source_rgb(*style.rgb(style.GREEN))
    ctx.set_line_width(3)
    ctx.stroke()
    ctx.arc(x + 35, y + 57, 1.5, 0, 2 * math.pi)
    style.fill(ctx, style.RED)
    ctx.rectangle(x + 52, y - 2, 10, 16)
    style.fill_stroke(ctx, style.RED_SHADE)
    ctx.rectangle(x + 50, y - 5, 14, 5)
    style.fill_stroke(ctx, style.SNOW)
    ctx.move_to(x - 8, y + 28)
    ctx.line_to(x + 35, y - 4)
    ctx.line_to(x + 78, y + 28)
    ctx.close_path()
    style.fill_stroke(ctx, style.SNOW)
    # smoke from the chimney
    for i, (dx, dy, r) in enumerate(((58, -12, 3.5), (63, -21, 4.5), (70, -31, 5.5))):
        ctx.arc(x + dx, y + dy, r, 0, 2 * math.pi)
        style.fill(ctx, style.SKY_LIGHT)


def _tree(ctx, cx, base, h):
    ctx.rectangle(cx - 6, base - 12, 12, 14)
    style.fill_stroke(ctx, style.WOOD_SHADE)
    tiers = 3
    for t in range(tiers):
        top = base - h + t * h * 0.26
        bottom = base - 10 - (tiers - 1 - t) * h * 0.2
        half = 16 + t * 12
        ctx.move_to(cx, top)
        ctx.line_to(cx + half, bottom)
        ctx.line_to(cx - half, bottom)
        ctx.close_path()
        style.fill_stroke(ctx, style.GREEN)
        ctx.move_to(cx - half + 6, bottom - 2)
        ctx.line_to(cx + half - 6, bottom - 2)
        style.stroke(ctx, style.GREEN_SHADE, 2)
    for i, (dx, dy) in enumerate(((-10, 44), (12, 58), (-22, 78), (6, 84), (24, 96), (-4, 104), (-28, 108))):
        ctx.arc(cx + dx, base - h + dy, 3.2, 0, 2 * math.pi)
        style.fill_stroke(ctx, (style.RED, style.GOLD, style.WHITE)[i % 3], 1.2)
    style.star_path(ctx, cx, base - h - 4, 9)
    style.fill_stroke(ctx, style.STAR)


def _button(ctx, rect, label_lines, icon):
    x0, y0, x1, y1 = rect
    _rounded(ctx, x0 + 1, y0 + 1, x1 - 1, y1 - 1, 8)
    style.fill_stroke(ctx, style.CREAM)
    ctx.save()
    _rounded(ctx, x0 + 1, y0 + 1, x1 - 1, y1 - 1, 8)
    ctx.clip()
    ctx.rectangle(x0, y1 - 9, x1 - x0, 9)
    style.fill(ctx, style.CREAM_SHADE)
    ctx.restore()
    _rounded(ctx, x0 + 1, y0 + 1, x1 - 1, y1 - 1, 8)
    style.stroke(ctx, style.OUTLINE)
    icon(ctx, x0 + 6, y0 + 8)
    # labels centred in the room right of the icon
    left, right = x0 + 34, x1 - 5
    n = len(label_lines)
    for i, line in enumerate(label_lines):
        baseline = (y0 + y1) / 2 + 4 + (i - (n - 1) / 2) * 13
        style.text(ctx, line, (left + right) / 2, round(baseline), 12 if n > 1 else 15, style.RED_SHADE,
                   anchor="centre")


def _pencil_icon(ctx, x, y):
    # notepad
    ctx.rectangle(x + 1, y + 2, 17, 22)
    style.fill_stroke(ctx, style.WHITE, 1.5)
    for yy in (9, 13, 17):
        ctx.move_to(x + 4, y + yy)
        ctx.line_to(x + 14, y + yy)
        style.stroke(ctx, style.SNOW_SHADE, 1.2)
    # pencil, from its point over the pad up to the right
    ctx.save()
    ctx.translate(x + 10, y + 19)
    ctx.rotate(-math.pi / 3)
    ctx.move_to(0, 0)
    ctx.line_to(6, -3)
    ctx.line_to(21, -3)
    ctx.line_to(21, 3)
    ctx.line_to(6, 3)
    ctx.close_path()
    style.fill_stroke(ctx, style.GOLD, 1.5)
    ctx.move_to(0, 0)
    ctx.line_to(6, -3)
    ctx.line_to(6, 3)
    ctx.close_path()
    style.fill_stroke(ctx, style.SKIN, 1.5)
    ctx.rectangle(17, -3, 4, 6)
    style.fill_stroke(ctx, style.RED, 1.5)
    ctx.restore()


def _envelope_icon(ctx, x, y):
    ctx.rectangle(x + 1, y + 4, 26, 18)
    style.fill_stroke(ctx, style.WHITE, 1.5)
    ctx.move_to(x + 1, y + 4)
    ctx.line_to(x + 14, y + 14)
    ctx.line_to(x + 27, y + 4)
    style.stroke(ctx, style.OUTLINE, 1.5)
    ctx.arc(x + 14, y + 14, 3, 0, 2 * math.pi)
    style.fill(ctx, style.RED)


def _logo(ctx):
    x0, y0, x1, y1 = LOGO
    _rounded(ctx, x0 + 1, y0 + 1, x1 - 1, y1 - 1, 10)
    style.fill_stroke(ctx, style.RED)
    style.star_path(ctx, x0 + 17, (y0 + y1) / 2, 9)
    style.fill_stroke(ctx, style.GOLD, 1.5)
    style.text(ctx, "cardling", x0 + 30, (y0 + y1) / 2 + 5, 15, style.WHITE)


def _privacy(ctx):
    x0, y0, x1, y1 = PRIVACY
    _rounded(ctx, x0 + 10, y0 + 2, x1 - 8, y1 - 3, 9)
    style.fill(ctx, style.SNOW_SHADE)
    cx, base = (x0 + x1) / 2 + 1, y0 + 17
    w = style.text(ctx, "Privacy", cx, base, 12, style.SKY, bold=False, anchor="centre")
    ctx.rectangle(round(cx - w / 2), base + 2, round(w), 1)
    style.fill(ctx, style.SKY)


def _band(ctx):
    top = HEIGHT - BAND
    ctx.rectangle(0, top, WIDTH, BAND)
    style.fill(ctx, style.WOOD)
    for y in range(top + 12, HEIGHT, 14):
        ctx.move_to(0, y)
        ctx.line_to(WIDTH, y)
        style.stroke(ctx, style.WOOD_SHADE, 1)
    ctx.rectangle(1, top + 1, WIDTH - 2, BAND - 2)
    style.stroke(ctx, style.OUTLINE)
    x0, y0, x1, y1 = STRIP
    ctx.rectangle(x0 - 4, y0 - 4, x1 - x0 + 8, y1 - y0 + 8)
    style.fill_stroke(ctx, style.GOLD_SHADE)
    ctx.rectangle(x0 - 1, y0 - 1, x1 - x0 + 2, y1 - y0 + 2)
    style.fill_stroke(ctx, style.SKY_DEEP)
    # snow resting on the frame
    ctx.move_to(0, top + 4)
    for x in range(0, WIDTH + 1, 14):
        ctx.line_to(x, top + (5 if (x // 14) % 3 == 0 else 3))
    ctx.line_to(WIDTH, top - 2)
    ctx.line_to(0, top - 2)
    ctx.close_path()
    style.fill(ctx, style.SNOW)
    # gold studs at the corners of the frame
    for cx, cy in ((x0 - 2, y0 - 2), (x1 + 1, y0 - 2), (x0 - 2, y1 + 1), (x1 + 1, y1 + 1)):
        ctx.arc(cx, cy, 3.5, 0, 2 * math.pi)
        style.fill_stroke(ctx, style.GOLD, 1.5)


def _paste_frame(img, sheet_images, fig_id, n, left):
    """Puts one frame of a sprite sheet on the picture, key colour left out."""
    sheet = sheet_images[fig_id]
    box = sheets.frame_box(fig_id, n)
    frame = np.asarray(sheet.crop(box), np.uint8)
    h = frame.shape[0]
    top = GROUND + 4 - h
    dst = np.asarray(img, np.uint8).copy()
    mask = np.any(frame != np.array(KEY, np.uint8), axis=2)
    region = dst[top:top + h, left:left + frame.shape[1]]
    region[mask] = frame[mask]
    return Image.fromarray(dst, "RGB")


def picture(sheet_images):
    surf, ctx = style.surface(WIDTH, HEIGHT)
    style.font_options(ctx)
    ctx.set_line_join(cairo.LINE_JOIN_ROUND)
    _sky(ctx)
    _hills(ctx)
    _cottage(ctx)
    _tree(ctx, 420, 238, 118)
    _title(ctx)
    _button(ctx, WRITE_BUTTON, ["Write your", "message"], _pencil_icon)
    _button(ctx, SEND_BUTTON, ["Send"], _envelope_icon)
    _logo(ctx)
    _privacy(ctx)
    _band(ctx)
    img = style.to_image(surf)
    img = _paste_frame(img, sheet_images, *BOX_FRAME, BOX_LEFT)
    img = _paste_frame(img, sheet_images, *GIRL_FRAME, GIRL_LEFT)
    return img
