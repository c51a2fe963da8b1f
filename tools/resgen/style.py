"""The card's colours (the fills match the sprite sheets', so the pictures
share most palette entries) and the cairo habits every picture shares: flat fills
with one shade step and a 2-pixel very dark brown outline."""
import math

import cairo
import numpy as np
from PIL import Image

OUTLINE = (52, 30, 24)
RED = (212, 44, 46)
RED_SHADE = (158, 28, 40)
GOLD = (250, 198, 52)
GOLD_SHADE = (214, 148, 34)
GREEN = (48, 156, 76)
GREEN_SHADE = (30, 110, 56)
WHITE = (252, 250, 244)
SNOW = (236, 242, 250)
SNOW_SHADE = (206, 212, 228)
CREAM = (253, 244, 218)
CREAM_SHADE = (232, 210, 166)
WOOD = (150, 92, 52)
WOOD_SHADE = (112, 64, 36)
WOOD_LIGHT = (186, 124, 72)
SKY = (22, 38, 92)
SKY_LIGHT = (34, 58, 124)
SKY_DEEP = (14, 24, 64)
STAR = (255, 226, 92)
STAR_LIGHT = (255, 250, 210)
BROWN = (120, 72, 40)
SKIN = (255, 222, 196)


def rgb(c):
    return tuple(v / 255.0 for v in c)


def fill(ctx, colour):
    ctx.set_source_rgb(*rgb(colour))
    ctx.fill()


def stroke(ctx, colour, width=2.0):
    ctx.set_source_rgb(*rgb(colour))
    ctx.set_line_width(width)
    ctx.stroke()


def fill_stroke(ctx, colour, width=2.0, outline=OUTLINE):
    ctx.set_source_rgb(*rgb(colour))
    ctx.fill_preserve()
    stroke(ctx, outline, width)


def star_path(ctx, cx, cy, r):
    """A five-pointed star's outline, points up and out to radius r."""
    ctx.move_to(cx, cy - r)
    for k in range(1, 10):
        a = -math.pi / 2 + k * math.pi / 5
        rr = r if k % 2 == 0 else r * 0.45
        ctx.line_to(cx + rr * math.cos(a), cy + rr * math.sin(a))
    ctx.close_path()


def surface(w, h, background=None):
    surf = cairo.ImageSurface(cairo.FORMAT_RGB24, w, h)
    ctx = cairo.Context(surf)
    if background is not None:
        ctx.set_source_rgb(*rgb(background))
        ctx.paint()
    return surf, ctx


def to_image(surf):
    """An opaque cairo surface as a PIL RGB image."""
    surf.flush()
    w, h = surf.get_width(), surf.get_height()
    a = np.ndarray((h, w, 4), np.uint8, surf.get_data(), strides=(surf.get_stride(), 4, 1))
    return Image.fromarray(a[..., [2, 1, 0]].copy(), "RGB")


def from_image(img):
    """A PIL RGB image as a cairo surface (to draw on)."""
    a = np.asarray(img.convert("RGB"), np.uint8)
    h, w = a.shape[:2]
    surf = cairo.ImageSurface(cairo.FORMAT_RGB24, w, h)
    buf = np.ndarray((h, w, 4), np.uint8, surf.get_data(), strides=(surf.get_stride(), 4, 1))
    buf[..., 0], buf[..., 1], buf[..., 2], buf[..., 3] = a[..., 2], a[..., 1], a[..., 0], 255
    surf.mark_dirty()
    return surf


def text(ctx, s, x, y, size, colour, family="Liberation Sans", bold=True, italic=False, anchor="left"):
    """Draws s with its baseline at y; anchor 'left', 'centre' or 'right' at x. Returns the width."""
    ctx.select_font_face(family, cairo.FONT_SLANT_ITALIC if italic else cairo.FONT_SLANT_NORMAL,
                         cairo.FONT_WEIGHT_BOLD if bold else cairo.FONT_WEIGHT_NORMAL)
    ctx.set_font_size(size)
    ext = ctx.text_extents(s)
    if anchor == "centre":
        x -= ext.x_advance / 2
    elif anchor == "right":
        x -= ext.x_advance
    ctx.move_to(x, y)
    ctx.set_source_rgb(*rgb(colour))
    ctx.show_text(s)
    return ext.x_advance


def font_options(ctx):
    """Greyscale antialiasing without hinting surprises: the same pixels on every run."""
    fo = cairo.FontOptions()
    fo.set_antialias(cairo.ANTIALIAS_GRAY)
    fo.set_hint_style(cairo.HINT_STYLE_SLIGHT)
    fo.set_hint_metrics(cairo.HINT_METRICS_ON)
    ctx.set_font_options(fo)
