"""A frame canvas: hard-edged vector drawing at 4x, reduced to palette pixels.

Shapes are drawn with cairo without antialiasing on a 4x grid, each pixel
being exactly one palette colour. The reduction to 1x keeps every pixel a
palette colour: a pixel is key when at least half of its 16 samples are key
(so the silhouette is thresholded and never blends with the key), otherwise
the commonest colour, or the outline blend of a fill where outline and that
fill share the pixel.
"""
import math

import cairo
import numpy as np

from . import palette as pal

SCALE = 4
OUTLINE_WIDTH = 2.0


def _rgb(name):
    r, g, b = pal.RGB[pal.INDEX[name]]
    return r / 255.0, g / 255.0, b / 255.0


class Canvas:
    def __init__(self, width, height):
        self.width, self.height = width, height
        self.surface = cairo.ImageSurface(cairo.FORMAT_RGB24, width * SCALE, height * SCALE)
        self.ctx = cairo.Context(self.surface)
        self.ctx.set_antialias(cairo.ANTIALIAS_NONE)
        self.ctx.scale(SCALE, SCALE)
        self.ctx.set_line_join(cairo.LINE_JOIN_ROUND)
        self.ctx.set_line_cap(cairo.LINE_CAP_ROUND)
        self.ctx.set_source_rgb(*_rgb("key"))
        self.ctx.paint()

    # -- paths -----------------------------------------------------------
    @staticmethod
    def poly(points, closed=True):
        def build(ctx):
            ctx.move_to(*points[0])
            for p in points[1:]:
                ctx.line_to(*p)
            if closed:
                ctx.close_path()
        return build

    @staticmethod
    def smooth(points, closed=True, tension=0.5):
        """Catmull-Rom spline through the points, as cubic Beziers."""
        n = len(points)

        def build(ctx):
            ctx.move_to(*points[0])
            last = n if closed else n - 1
            for i in range(last):
                p0 = points[(i - 1) % n] if (closed or i > 0) else points[i]
                p1 = points[i]
                p2 = points[(i + 1) % n]
                p3 = points[(i + 2) % n] if (closed or i + 2 < n) else p2
                t = tension / 3.0 * 2
                c1 = (p1[0] + (p2[0] - p0[0]) * t / 2, p1[1] + (p2[1] - p0[1]) * t / 2)
                c2 = (p2[0] - (p3[0] - p1[0]) * t / 2, p2[1] - (p3[1] - p1[1]) * t / 2)
                ctx.curve_to(c1[0], c1[1], c2[0], c2[1], p2[0], p2[1])
            if closed:
                ctx.close_path()
        return build

    @staticmethod
    def ellipse(cx, cy, rx, ry, angle=0.0):
        def build(ctx):
            ctx.save()
            ctx.translate(cx, cy)
            ctx.rotate(math.radians(angle))
            ctx.scale(max(rx, 0.01), max(ry, 0.01))
            ctx.new_sub_path()
            ctx.arc(0, 0, 1, 0, 2 * math.pi)
            ctx.close_path()
            ctx.restore()
        return build

    @staticmethod
    def rect(x, y, w, h, r=0.0):
        def build(ctx):
            if r <= 0:
                ctx.rectangle(x, y, w, h)
                return
            rr = min(r, w / 2, h / 2)
            ctx.new_sub_path()
            ctx.arc(x + w - rr, y + rr, rr, -math.pi / 2, 0)
            ctx.arc(x + w - rr, y + h - rr, rr, 0, math.pi / 2)
            ctx.arc(x + rr, y + h - rr, rr, math.pi / 2, math.pi)
            ctx.arc(x + rr, y + rr, rr, math.pi, 1.5 * math.pi)
            ctx.close_path()
        return build

    # -- drawing ---------------------------------------------------------
    def shape(self, path, fill, shade=None, outline=True, light=(2.5, 2.5)):
        """Outlined flat shape; `shade` fills the crescent away from the light."""
        ctx = self.ctx
        if outline:
            ctx.new_path()
            path(ctx)
            ctx.set_line_width(OUTLINE_WIDTH * 2)
            ctx.set_source_rgb(*_rgb("outline"))
            ctx.stroke()
        ctx.new_path()
        path(ctx)
        ctx.set_source_rgb(*_rgb(fill))
        ctx.fill()
        if shade:
            self.crescent(path, shade, light)

    def crescent(self, path, colour, light=(2.5, 2.5)):
        ctx = self.ctx
        ctx.save()
        ctx.new_path()
        path(ctx)
        ctx.clip()
        ctx.new_path()
        ctx.rectangle(-1000, -1000, 3000, 3000)
        ctx.translate(-light[0], -light[1])
        path(ctx)
        ctx.set_fill_rule(cairo.FILL_RULE_EVEN_ODD)
        ctx.set_source_rgb(*_rgb(colour))
        ctx.fill()
        ctx.restore()

    def fill(self, path, colour):
        self.shape(path, colour, outline=False)

    def stroke(self, points, width, colour, cap=cairo.LINE_CAP_ROUND):
        ctx = self.ctx
        ctx.new_path()
        self.poly(points, closed=False)(ctx)
        ctx.set_line_cap(cap)
        ctx.set_line_width(width)
        ctx.set_source_rgb(*_rgb(colour))
        ctx.stroke()
        ctx.set_line_cap(cairo.LINE_CAP_ROUND)

    def limb(self, points, width, fill, shade=None):
        """Round-capped thick polyline with outline and a lower-right shade."""
        self.stroke(points, width + OUTLINE_WIDTH * 2, "outline")
        if shade:
            self.stroke(points, width, shade)
            off = [(x - 0.8, y - 0.8) for x, y in points]
            self.stroke(off, max(width - 2.2, 1), fill)
        else:
            self.stroke(points, width, fill)

    def pixels(self, x, y, w, h, colour):
        """A pixel-aligned block, for the small features of a face."""
        ctx = self.ctx
        ctx.new_path()
        ctx.rectangle(round(x), round(y), w, h)
        ctx.set_source_rgb(*_rgb(colour))
        ctx.fill()

    def clip_out(self, path):
        """Clip later drawing to everything except `path` (until unclip)."""
        ctx = self.ctx
        ctx.save()
        ctx.new_path()
        ctx.rectangle(-1000, -1000, 3000, 3000)
        path(ctx)
        ctx.set_fill_rule(cairo.FILL_RULE_EVEN_ODD)
        ctx.clip()
        ctx.set_fill_rule(cairo.FILL_RULE_WINDING)

    def clip_in(self, path):
        ctx = self.ctx
        ctx.save()
        ctx.new_path()
        path(ctx)
        ctx.clip()

    def unclip(self):
        self.ctx.restore()

    # -- reduction -------------------------------------------------------
    def indices(self):
        """The frame as a (height, width) array of palette indices."""
        self.surface.flush()
        s = SCALE
        stride = self.surface.get_stride()
        buf = np.frombuffer(self.surface.get_data(), dtype=np.uint32)
        buf = buf.reshape(self.height * s, stride // 4)[:, : self.width * s] & 0xFFFFFF
        packed = np.array([(r << 16) | (g << 8) | b for r, g, b in pal.RGB], dtype=np.uint32)
        order = np.argsort(packed)
        pos = np.searchsorted(packed[order], buf)
        pos = np.clip(pos, 0, len(packed) - 1)
        if not np.all(packed[order][pos] == buf):
            raise ValueError("a drawing colour is not in the palette")
        labels = order[pos].astype(np.int16)
        blocks = labels.reshape(self.height, s, self.width, s).transpose(0, 2, 1, 3)
        blocks = blocks.reshape(self.height, self.width, s * s)
        count = len(pal.RGB)
        counts = np.zeros((self.height, self.width, count), dtype=np.int16)
        for k in np.unique(labels):
            counts[..., k] = (blocks == k).sum(axis=-1)
        key = pal.INDEX["key"]
        out = pal.INDEX["outline"]
        key_n = counts[..., key].copy()
        counts[..., key] = -1
        c1 = counts.argmax(axis=-1)
        n1 = np.take_along_axis(counts, c1[..., None], -1)[..., 0]
        np.put_along_axis(counts, c1[..., None], -1, -1)
        c2 = counts.argmax(axis=-1)
        n2 = np.take_along_axis(counts, c2[..., None], -1)[..., 0]
        result = c1.copy()
        blend = np.full(count, -1, dtype=np.int64)
        for fill_index, blend_index in pal.BLEND.items():
            blend[fill_index] = blend_index
        mixed_a = (c1 == out) & (n2 >= 5) & (blend[c2] >= 0)
        mixed_b = (c2 == out) & (n2 >= 5) & (blend[c1] >= 0)
        result[mixed_a] = blend[c2][mixed_a]
        result[mixed_b] = blend[c1][mixed_b]
        result[key_n >= s * s // 2] = key
        del n1
        return _close_specks(result.astype(np.uint8), key, out)


SPECK = 12   # enclosed key areas up to this many pixels are closed up


def _close_specks(frame, key, fill):
    """Fill small pockets of key colour enclosed by the drawing.

    A gap between arm and body may show the desktop; a pocket of a few
    pixels would only look like a speck of dirt, so it gets the outline.
    """
    is_key = frame == key
    outside = np.zeros_like(is_key)
    outside[0, :], outside[-1, :], outside[:, 0], outside[:, -1] = \
        is_key[0, :], is_key[-1, :], is_key[:, 0], is_key[:, -1]
    while True:
        grown = outside.copy()
        grown[1:, :] |= outside[:-1, :]
        grown[:-1, :] |= outside[1:, :]
        grown[:, 1:] |= outside[:, :-1]
        grown[:, :-1] |= outside[:, 1:]
        grown &= is_key
        if np.array_equal(grown, outside):
            break
        outside = grown
    pockets = is_key & ~outside
    if not pockets.any():
        return frame
    seen = np.zeros_like(pockets)
    h, w = frame.shape
    for y, x in zip(*np.nonzero(pockets)):
        if seen[y, x]:
            continue
        stack, area = [(y, x)], []
        seen[y, x] = True
        while stack:
            cy, cx = stack.pop()
            area.append((cy, cx))
            for ny, nx in ((cy + 1, cx), (cy - 1, cx), (cy, cx + 1), (cy, cx - 1)):
                if 0 <= ny < h and 0 <= nx < w and pockets[ny, nx] and not seen[ny, nx]:
                    seen[ny, nx] = True
                    stack.append((ny, nx))
        if len(area) <= SPECK:
            for cy, cx in area:
                frame[cy, cx] = fill
    return frame
