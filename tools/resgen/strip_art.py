"""What the animation strip shows, as one whole canvas per frame: a snowy
night; a greeting written on in two strokes; a star that flies in, grows and
shines; a trail of sparkles; a reindeer sleigh crossing from right to left
along the trail; a last twinkle at the left edge."""
import math
import random

import cairo

import style
from strip import WIDTH, HEIGHT

TEXT_1 = "Merry Christmas"
TEXT_2 = "and a Happy New Year!"
TEXT_LEFT, TEXT_RIGHT, BASELINE = 40, 348, 18

# Star: (centre x, centre y, radius) while appearing, growing, shining.
STAR_STEPS = {4: (366, 17, 8), 5: (396, 27, 15), 7: (411, 27, 13)}

# Sleigh: left and top of the team on frames 8..13; each place lies inside both
# its own frame and the next, so the next frame wipes it.
SLEIGH_AT = {8: (314, 20), 9: (261, 14), 10: (214, 20), 11: (120, 14), 12: (38, 19), 13: (-56, 17)}


def _trail_points():
    """Sparkles of frame 6: a gentle wave from the star to the left edge."""
    pts = []
    x = 392.0
    i = 0
    while x > 50:
        y = 33 + 10 * math.sin(x / 46.0)
        size = 3.2 if i % 3 == 0 else 2.0
        pts.append((round(x), round(y), size))
        x -= 17 + (i * 7) % 9
        i += 1
    return pts


def _background(ctx):
    ctx.set_source_rgb(*style.rgb(style.SKY_DEEP))
    ctx.paint()
    rnd = random.Random(1201)
    for _ in range(26):
        x, y = rnd.randrange(4, WIDTH - 4), rnd.randrange(3, 40)
        ctx.rectangle(x, y, 1, 1)
        style.fill(ctx, (150, 170, 220))
    # Rolling snow hills; the nearer one a shade lighter.
    ctx.move_to(0, 50)
    for x in range(0, WIDTH + 1, 6):
        ctx.line_to(x, 47 + 3 * math.sin(x / 37.0 + 1.0))
    ctx.line_to(WIDTH, HEIGHT)
    ctx.line_to(0, HEIGHT)
    ctx.close_path()
    style.fill(ctx, style.SNOW_SHADE)
    for tx, th in ((24, 13), (92, 10), (170, 12), (236, 9), (318, 13), (446, 11)):
        _pine(ctx, tx, 51, th)
    for hx, hy in ((126, 47), (282, 48)):
        _cottage(ctx, hx, hy)
    ctx.move_to(0, 55)
    for x in range(0, WIDTH + 1, 6):
        ctx.line_to(x, 53 + 2 * math.sin(x / 23.0))
    ctx.line_to(WIDTH, HEIGHT)
    ctx.line_to(0, HEIGHT)
    ctx.close_path()
    style.fill(ctx, style.SNOW)


def _cottage(ctx, x, base):
    """A little house on the far hill, its window lit."""
    ctx.rectangle(x, base - 8, 14, 8)
    style.fill(ctx, style.WOOD_SHADE)
    ctx.move_to(x - 2, base - 7)
    ctx.line_to(x + 7, base - 13)
    ctx.line_to(x + 16, base - 7)
    ctx.close_path()
    style.fill(ctx, style.SNOW)
    ctx.rectangle(x + 4, base - 6, 3, 3)
    style.fill(ctx, style.STAR)


def _pine(ctx, x, base, h):
    ctx.move_to(x, base - h)
    ctx.line_to(x + h * 0.45, base)
    ctx.line_to(x - h * 0.45, base)
    ctx.close_path()
    style.fill(ctx, style.GREEN_SHADE)


def _greeting(ctx, part):
    """part 1: the first stroke; part 2: the whole line."""
    ctx.select_font_face("DejaVu Serif", cairo.FONT_SLANT_ITALIC, cairo.FONT_WEIGHT_BOLD)
    size = 17.0
    ctx.set_font_size(size)
    gap = 9
    w1 = ctx.text_extents(TEXT_1).x_advance
    w2 = ctx.text_extents(TEXT_2).x_advance
    scale = min(1.0, (TEXT_RIGHT - TEXT_LEFT - gap) / (w1 + w2))
    ctx.set_font_size(size * scale)
    w1 *= scale
    for s, x in ((TEXT_1, TEXT_LEFT), (TEXT_2, TEXT_LEFT + w1 + gap))[:part]:
        ctx.move_to(x, BASELINE)
        ctx.text_path(s)
        ctx.set_line_join(cairo.LINE_JOIN_ROUND)
        ctx.set_source_rgb(*style.rgb(style.OUTLINE))
        ctx.set_line_width(2.5)
        ctx.stroke_preserve()
        style.fill(ctx, style.GOLD)


def _star(ctx, cx, cy, r, rays=False):
    if rays:
        for k in range(8):
            a = k * math.pi / 4
            inner, outer = r + 3, r + (8 if k % 2 == 0 else 5)
            ctx.move_to(cx + inner * math.cos(a), cy + inner * math.sin(a))
            ctx.line_to(cx + outer * math.cos(a), cy + outer * math.sin(a))
            ctx.set_line_cap(cairo.LINE_CAP_ROUND)
            style.stroke(ctx, style.STAR_LIGHT, 2.0)
    style.star_path(ctx, cx, cy, r)
    ctx.set_line_join(cairo.LINE_JOIN_ROUND)
    style.fill_stroke(ctx, style.STAR, 2.0)
    if r >= 10:
        ctx.arc(cx - r * 0.18, cy - r * 0.2, r * 0.16, 0, 2 * math.pi)
        style.fill(ctx, style.STAR_LIGHT)


def _sparkle(ctx, x, y, s, colour=style.STAR_LIGHT):
    ctx.move_to(x, y - s * 2)
    ctx.line_to(x + s * 0.5, y - s * 0.5)
    ctx.line_to(x + s * 2, y)
    ctx.line_to(x + s * 0.5, y + s * 0.5)
    ctx.line_to(x, y + s * 2)
    ctx.line_to(x - s * 0.5, y + s * 0.5)
    ctx.line_to(x - s * 2, y)
    ctx.line_to(x - s * 0.5, y - s * 0.5)
    ctx.close_path()
    style.fill(ctx, colour)


def _outlined_line(ctx, a, b, outline_width, width):
    """A brown line from a to b over a wider one in the outline colour."""
    for colour, w in ((style.OUTLINE, outline_width), (style.BROWN, width)):
        ctx.move_to(*a)
        ctx.line_to(*b)
        style.stroke(ctx, colour, w)


def _ellipse(ctx, cx, cy, rx, ry):
    ctx.save()
    ctx.translate(cx, cy)
    ctx.scale(rx, ry)
    ctx.arc(0, 0, 1, 0, 2 * math.pi)
    ctx.restore()


def _sleigh(ctx, x, y, phase):
    """Reindeer leading to the left, sleigh behind; (x, y) the team's top-left."""
    ctx.save()
    ctx.translate(x + 5, y)
    ctx.scale(0.9, 1.0)
    ctx.set_line_join(cairo.LINE_JOIN_ROUND)
    ctx.set_line_cap(cairo.LINE_CAP_ROUND)
    # harness
    ctx.move_to(22, 17)
    ctx.line_to(42, 19)
    style.stroke(ctx, style.GOLD_SHADE, 1.5)
    # reindeer legs: galloping, two phases
    legs = [((6, 19), (2, 26) if phase else (5, 27)), ((9, 19), (6, 27) if phase else (10, 27)),
            ((19, 19), (24, 26) if phase else (20, 27)), ((22, 19), (27, 25) if phase else (24, 27))]
    for a, b in legs:
        _outlined_line(ctx, a, b, 3.0, 1.2)
    # body
    _ellipse(ctx, 14, 16, 11, 5)
    style.fill_stroke(ctx, style.BROWN, 1.6)
    # neck and head
    _outlined_line(ctx, (5, 15), (2, 7), 5.0, 2.6)
    _ellipse(ctx, 0.5, 6, 4.2, 3)
    style.fill_stroke(ctx, style.BROWN, 1.5)
    # antlers
    for dx in (0, 3):
        ctx.move_to(2 + dx, 3.5)
        ctx.line_to(1 + dx, -2)
        ctx.move_to(1.6 + dx, 0.5)
        ctx.line_to(-1.5 + dx, -1)
        style.stroke(ctx, style.OUTLINE, 1.3)
    # nose and eye
    ctx.arc(-3.2, 6.5, 1.6, 0, 2 * math.pi)
    style.fill(ctx, style.RED)
    ctx.rectangle(1, 5, 1, 1)
    style.fill(ctx, style.OUTLINE)
    # sleigh: gifts, body, runner
    ctx.rectangle(50, 5, 9, 8)
    style.fill_stroke(ctx, style.GREEN, 1.5)
    ctx.rectangle(58, 3, 9, 10)
    style.fill_stroke(ctx, style.GOLD, 1.5)
    ctx.move_to(42, 12)
    ctx.line_to(68, 11)
    ctx.curve_to(72, 11, 72, 20, 66, 22)
    ctx.line_to(47, 22)
    ctx.curve_to(43, 22, 42, 17, 42, 12)
    ctx.close_path()
    style.fill_stroke(ctx, style.RED, 1.8)
    ctx.move_to(44, 15)
    ctx.line_to(68, 15)
    style.stroke(ctx, style.GOLD, 1.5)
    ctx.move_to(41, 24)
    ctx.curve_to(38, 24, 38, 20, 41, 20)
    ctx.move_to(41, 26)
    ctx.line_to(68, 26)
    ctx.move_to(48, 22)
    ctx.line_to(48, 26)
    ctx.move_to(63, 22)
    ctx.line_to(63, 26)
    style.stroke(ctx, style.GOLD_SHADE, 1.6)
    ctx.restore()


def canvas(k):
    """The whole strip as it stands once frame k (1..14) is on show."""
    surf, ctx = style.surface(WIDTH, HEIGHT)
    style.font_options(ctx)
    _background(ctx)
    if k >= 2:
        _greeting(ctx, 1 if k == 2 else 2)
    if k >= 4:
        step = max(s for s in STAR_STEPS if s <= k)
        cx, cy, r = STAR_STEPS[step]
        if step >= 5:
            # the glitter the star left on its way in
            for gx, gy in ((352, 14), (364, 19), (373, 22)):
                _sparkle(ctx, gx, gy, 1.0)
        _star(ctx, cx, cy, r, rays=step >= 7)
    if k >= 6:
        for x, y, s in _trail_points():
            _sparkle(ctx, x, y, s / 2)
    if 8 <= k <= 13:
        x, y = SLEIGH_AT[k]
        _sleigh(ctx, x, y, k % 2)
    if k >= 14:
        _sparkle(ctx, 13, 26, 3.2, style.STAR_LIGHT)
        _sparkle(ctx, 13, 26, 1.3, style.WHITE)
    return style.to_image(surf)
