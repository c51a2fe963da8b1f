"""The gift tag: a cream luggage tag with a punched hole and a red string."""
import math

from . import palette as pal
from .canvas import Canvas

# the message box of the big tag, in frame pixels (right and bottom exclusive)
MESSAGE_BOX = (10, 10, 184, 161)


def _tag_outline(x0, y0, x1, y1, point, r=4):
    """A tag with its pointed end (holding the hole) to the right."""
    ym = (y0 + y1) / 2
    return [(x0 + r, y0), (x1 - point, y0), (x1, ym - (y1 - y0) * 0.16), (x1, ym + (y1 - y0) * 0.16),
            (x1 - point, y1), (x0 + r, y1), (x0, y1 - r), (x0, y0 + r)]


def draw_small(c, cx, cy, w, h, angle=0.0):
    """A small tag centred at (cx, cy), turned by `angle`; returns its hole."""
    a = math.radians(angle)
    ca, sa = math.cos(a), math.sin(a)

    def tr(p):
        x, y = p[0] - cx, p[1] - cy
        return (cx + x * ca - y * sa, cy + x * sa + y * ca)

    x0, y0, x1, y1 = cx - w / 2, cy - h / 2, cx + w / 2, cy + h / 2
    pts = [tr(p) for p in _tag_outline(x0, y0, x1, y1, w * 0.22)]
    hole = tr((x1 - w * 0.13, cy))
    c.shape(Canvas.poly(pts), "cream", "cream_sh", light=(1.5, 1.5))
    c.shape(Canvas.ellipse(hole[0], hole[1], 1.6, 1.6), "gold")
    # two lines of "writing" in the tag's shade colour
    for k in (-0.18, 0.14):
        a0 = tr((x0 + w * 0.14, cy + h * k))
        a1 = tr((x1 - w * 0.36, cy + h * k))
        c.stroke([a0, a1], max(1.0, h * 0.09), "cream_sh")
    return hole


def _star(c, x, y, r, colour="star", points=5, rot=0.0):
    pts = []
    for i in range(points * 2):
        rr = r if i % 2 == 0 else r * 0.45
        t = math.radians(rot) + math.pi * i / points - math.pi / 2
        pts.append((x + rr * math.cos(t), y + rr * math.sin(t)))
    c.shape(Canvas.poly(pts), colour, None)


def _sparkle(c, x, y, r):
    """A four-pointed twinkle."""
    pts = []
    for i in range(8):
        rr = r if i % 2 == 0 else r * 0.28
        t = math.pi * i / 4 - math.pi / 2
        pts.append((x + rr * math.cos(t), y + rr * math.sin(t)))
    c.shape(Canvas.poly(pts), "star", None)


def draw_big(c, phase):
    """The tag filling a 260 x 170 frame; `phase` 0/1 swaps the twinkles."""
    x0, y0, x1, y1 = 4, 4, 254, 165
    pts = _tag_outline(x0, y0, x1, y1, 58)
    hole = (226, 84.5)
    # the string: out of the hole, around and off to the upper right
    string = [(hole[0], hole[1]), (238, 60), (250, 40), (256, 22)] if phase == 0 else \
             [(hole[0], hole[1]), (240, 62), (249, 44), (257, 26)]
    c.shape(Canvas.poly(pts), "cream", None)
    # a stitched border between the edge and the message box
    inset = _tag_outline(x0 + 3.5, y0 + 3.5, x1 - 3.5, y1 - 3.5, 58 - 1.5, r=1.5)
    ctx = c.ctx
    ctx.save()
    ctx.new_path()
    Canvas.poly(inset)(ctx)
    ctx.set_dash([4, 3])
    ctx.set_line_width(1)
    ctx.set_line_cap(0)
    r, g, b = pal.RGB[pal.INDEX["coat"]]
    ctx.set_source_rgb(r / 255, g / 255, b / 255)
    ctx.stroke()
    ctx.restore()
    # a shade strip along the bottom and right edges, outside the message box
    c.fill(Canvas.poly([(x0 + 2, y1 - 3), (x1 - 58, y1 - 3), (x1 - 58 + 2, y1), (x0 + 4, y1)]), "cream_sh")
    # the reinforcing ring and the hole
    c.shape(Canvas.ellipse(hole[0], hole[1], 10, 10), "gold", "gold_sh", light=(1.5, 1.5))
    c.shape(Canvas.ellipse(hole[0], hole[1], 5, 5), "paper_sh")
    c.limb(string, 3.5, "coat", "coat_sh")
    # twinkles in the right-hand part of the tag, outside the message box
    small = [(200, 30), (214, 128), (196, 150), (238, 118)]
    big = [(205, 56), (236, 146), (198, 104)]
    if phase == 1:
        small, big = big, small
    for x, y in small:
        _sparkle(c, x, y, 4)
    for x, y in big:
        _star(c, x, y, 7.5, rot=8 if phase else -8)
    # a holly sprig by the hole
    c.shape(Canvas.ellipse(204, 84, 7, 3.5, -25), "scarf", "scarf_sh", light=(1, 1))
    c.shape(Canvas.ellipse(204, 94, 7, 3.5, 25), "scarf", "scarf_sh", light=(1, 1))
    for bx, by in ((210, 87), (211, 92.5)):
        c.shape(Canvas.ellipse(bx, by, 2.8, 2.8), "coat", None)
