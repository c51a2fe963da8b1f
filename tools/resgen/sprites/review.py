"""Review pictures of the sprite sheets: build/review/sprites/.

Run from the repository root:  /usr/bin/python3 -m tools.resgen.sprites.review
Writes each sheet with grid lines and frame numbers at 100 % and 200 %, an
animated GIF of each sequence as the program plays it, and a strip of the
hand-overs between sheets placed as they appear on the desktop.
"""
import os
import sys

import numpy as np
from PIL import Image, ImageDraw

from . import GRIDS, render_indexed, to_image, palette

OUT = os.path.join("build", "review", "sprites")

EMERGE = [0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 5, 5, 7, 7, 5, 5, 6, 6, 5, 5, 7, 7, 5, 5, 6, 6, 5, 5,
          7, 7, 5, 5, 6, 6, 8, 9, 10, 11, 11, 11, 11, 12, 12, 12, 12, 12, 12, 11, 11, 11, 11, 11, 13, 14,
          15, 16, 17, 18]
TAGSEQ = [0, 1, 2, 3, 2, 3, 2, 3, 3, 3, 3, 4, 5, 6, 7, 8, 9, 10]
DANCE = [0, 1, 2, 3, 4, 3, 4, 3, 4, 4, 4, 5, 6, 6, 6, 2, 7, 8, 9, 10, 11, 11, 11, 12, 13, 14, 15, 16,
         17, 18, 19, 20, 21, 22, 23, 24]


def frame(sheets, fig, n):
    fw, fh, cols, _ = GRIDS[fig]
    a = sheets[fig]
    r, c = divmod(n, cols)
    return a[r * fh:(r + 1) * fh, c * fw:(c + 1) * fw]


def gridded(fig, a, scale):
    img = to_image(a)
    img = img.resize((img.width * scale, img.height * scale), Image.NEAREST)
    d = ImageDraw.Draw(img)
    fw, fh, cols, rows = GRIDS[fig]
    for r in range(rows):
        for c in range(cols):
            x, y = c * fw * scale, r * fh * scale
            d.rectangle([x, y, x + fw * scale - 1, y + fh * scale - 1], outline=(0, 160, 255))
            d.text((x + 3, y + 2), str(r * cols + c), fill=(0, 0, 0))
    return img


class _Box:
    """The gift box sprite's state machine, as the program runs it."""

    def __init__(self):
        self.x, self.y = 0, 0
        self.next_state = self.hold = 0
        self.set_state(1)

    def set_state(self, s):
        self.state, self.fo, self.base = s, 0, 0
        if s == 1:
            self.sheet, self.counter = 205, 10
        elif s == 2:
            self.sheet = 205
        elif s in (3, 5):
            self.sheet, self.fo = 205, 4
        elif s == 4:
            self.sheet, self.counter = 202, 0
        elif s == 6:
            self.sheet, self.counter, self.hold = 203, 0, 2
        elif s == 7:
            self.x, self.y = self.x - 70, self.y - 20
            self.sheet, self.counter = 204, 0
        elif s == 8:
            self.base, self.sheet, self.counter = 6, 204, 5

    def tick(self):
        s = self.state
        if s == 1:
            self.counter -= 1
            if self.counter == 0:
                self.set_state(2)
        elif s == 2:
            self.fo += 1
            if self.fo == 5:
                self.set_state(3)
                self.next_state, self.counter = 4, 10
        elif s == 3:
            self.counter -= 1
            if self.counter == 0:
                self.set_state(self.next_state)
        elif s == 4:
            self.counter += 1
            if self.counter == 62:
                self.set_state(3)
                self.sheet, self.counter, self.next_state, self.fo = 202, 10, 5, 18
            else:
                self.fo = EMERGE[self.counter]
        elif s == 6:
            self.hold -= 1
            if not (self.hold != 0 and self.fo in (2, 3)):
                self.hold = 2
                self.counter += 1
                if self.counter == 18:
                    self.set_state(7)
                else:
                    self.fo = TAGSEQ[self.counter]
        elif s == 7:
            self.set_state(8)
        elif s == 8:
            self.counter -= 1
            if self.counter == 0:
                self.counter = 5
                self.fo = (self.fo + 1) % 2


class _Figure:
    """The figure sprite's state machine."""

    def __init__(self):
        self.x, self.y, self.shown = 0, 0, False
        self.next_state = self.hold = 0
        self.set_state(1)

    def set_state(self, s):
        self.state, self.fo = s, 0
        if s == 1:
            self.sheet, self.fo, self.counter = 207, 3, 5
        elif s == 2:
            self.sheet, self.counter = 206, 10
        elif s == 3:
            self.sheet, self.counter, self.hold = 206, 0, 2
        elif s == 4:
            self.sheet, self.counter = 201, 4

    def tick(self):
        s = self.state
        if s == 1:
            self.fo = (self.fo + 1) % 7
            if self.fo == 2:
                self.counter -= 1
                if self.counter == 0:
                    self.set_state(2)
                    self.next_state = 3
                    return -1
            return -8
        if s == 2:
            self.counter -= 1
            if self.counter == 0:
                self.set_state(self.next_state)
        elif s == 3:
            self.hold -= 1
            if self.hold == 0:
                self.hold = 2
                self.counter += 1
                if self.counter == 36:
                    self.set_state(4)
                else:
                    self.fo = DANCE[self.counter]
        elif s == 4:
            self.fo = (self.fo + 1) % 7
            if self.fo == 0:
                self.counter -= 1
                if self.counter == 0:
                    self.shown = False
                    self.set_state(1000)
            return 8
        return 0


def show_frames(sheets, tag_ticks=40):
    """The show as the desktop sees it: per 100 ms tick, (sheet, frame, x, y)
    of each shown sprite, relative to the box sprite's first place."""
    box, figure = _Box(), _Figure()
    ticks = []
    box_ticks = 0
    while box.state != 8 or box_ticks < tag_ticks:
        box.tick()
        if box.state == 5 and not figure.shown:
            figure.x, figure.y, figure.shown = box.x + 17, box.y, True
        if figure.shown:
            figure.x += figure.tick()
            if not figure.shown:
                box.set_state(6)
        shown = [(box.sheet, box.base + box.fo, box.x, box.y)]
        if figure.shown:
            shown.append((figure.sheet, figure.fo, figure.x, figure.y))
        ticks.append(shown)
        box_ticks = box_ticks + 1 if box.state == 8 else 0
    return ticks


def compose(sheets, ticks, bg=(96, 128, 160)):
    left, top, right, bottom = -300, -30, 200, 150
    out = []
    for t in ticks:
        img = np.zeros((bottom - top, right - left, 3), dtype=np.uint8)
        img[:] = bg
        for fig, n, x, y in t:
            fr = frame(sheets, fig, n)
            rgb = np.array(palette.RGB, dtype=np.uint8)[fr]
            mask = fr != 0
            h, w = fr.shape
            x0, y0 = x - left, y - top
            region = img[y0:y0 + h, x0:x0 + w]
            region[mask] = rgb[mask]
        out.append(Image.fromarray(img))
    return out


def problems(sheets):
    """What the program relies on in the sheets; an empty list when all holds."""
    out = []
    key = palette.INDEX["key"]
    black = (0, 0, 0)
    if black in palette.RGB:
        out.append("black is reserved for the message text")
    used = {201: 7, 202: 19, 203: 11, 204: 8, 205: 5, 206: 25, 207: 7}
    for fig, a in sheets.items():
        fw, fh, cols, rows = GRIDS[fig]
        if a[0, 0] != key:
            out.append("%d: top-left pixel is not the key" % fig)
        for n in range(cols * rows):
            f = frame(sheets, fig, n)
            blank = n >= used[fig] or (fig == 204 and 1 <= n <= 5)
            if blank and (f != key).any():
                out.append("%d/%d: an unused cell is not empty" % (fig, n))
            ground = fh - 5 if fig != 204 or n == 0 else fh - 4
            if not blank and (f[ground + 1:] != key).any():
                out.append("%d/%d: paints below the ground row" % (fig, n))
    cream = palette.INDEX["cream"]
    for n in (6, 7):
        x0, y0, x1, y1 = 10, 10, 184, 161
        if (frame(sheets, 204, n)[y0:y1, x0:x1] != cream).any():
            out.append("204/%d: the message box is not plain cream" % n)
    return out


def main():
    os.makedirs(OUT, exist_ok=True)
    sheets = render_indexed()
    for fig, a in sheets.items():
        gridded(fig, a, 1).save(os.path.join(OUT, "%d.png" % fig))
        gridded(fig, a, 2).save(os.path.join(OUT, "%d@2x.png" % fig))
    ticks = show_frames(sheets)
    pics = compose(sheets, ticks)
    pics[0].save(os.path.join(OUT, "show.gif"), save_all=True, append_images=pics[1:], duration=100, loop=0)
    # per-sheet loops
    for fig, seq in ((207, range(7)), (201, range(7)), (206, range(25)), (205, range(5)),
                     (202, range(19)), (203, range(11))):
        imgs = compose(sheets, [[(fig, n, 0, 0)] for n in seq])
        imgs[0].save(os.path.join(OUT, "seq%d.gif" % fig), save_all=True, append_images=imgs[1:],
                     duration=150, loop=0)
    # hand-overs: each pair of ticks where a sheet changes, side by side
    pairs = []
    for i in range(1, len(ticks)):
        a, b = ticks[i - 1], ticks[i]
        if [t[0] for t in a] != [t[0] for t in b]:
            pairs.append((i - 1, i))
    strip = []
    for i, j in pairs:
        strip += [pics[i], pics[j]]
    w, h = strip[0].size
    sheet = Image.new("RGB", (w * 2, h * len(pairs)))
    for k, im in enumerate(strip):
        sheet.paste(im, ((k % 2) * w, (k // 2) * h))
    sheet.save(os.path.join(OUT, "handovers.png"))
    colours = set()
    for a in sheets.values():
        colours |= set(np.unique(a).tolist())
    print("colours: %d" % len(colours))
    found = problems(sheets)
    for p in found:
        print("problem: " + p)
    print("ticks: %d" % len(ticks))
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
