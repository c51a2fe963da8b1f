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


def show_frames(sheets):
    """The show as the desktop sees it: (picture, x, y) per 100 ms tick."""
    ticks = []
    box = [(205, 0)] * 10 + [(205, k) for k in (1, 2, 3, 4)] + [(205, 4)] * 11
    box += [(202, n) for n in EMERGE[1:]] + [(202, 18)] * 10
    for f, n in box:
        ticks.append([(f, n, 0, 0)])
    # the figure: walk left, stand, dance, walk right (box open behind her)
    x = 17
    fo, counter = 3, 5
    figure = []
    while True:
        fo = (fo + 1) % 7
        if fo == 2:
            counter -= 1
            if counter == 0:
                x -= 1
                break
        x -= 8
        figure.append((207, fo, x))
    figure += [(206, 0, x)] * 10
    for n in DANCE:
        figure += [(206, n, x)] * 2
    figure[-1] = (201, 0, x)   # the tick that leaves the dance shows the walk's frame 0
    fo, counter = 0, 4
    while True:
        fo = (fo + 1) % 7
        x += 8
        if fo == 0:
            counter -= 1
            if counter == 0:
                break
        figure.append((201, fo, x))
    for f, n, fx in figure:
        ticks.append([(205, 4, 0, 0), (f, n, fx, 0)])
    seq = []
    for n in TAGSEQ:
        seq += [n] * (2 if n in (2, 3) else 1)
    for n in seq:
        ticks.append([(203, n, 0, 0)])
    ticks.append([(204, 0, -70, -20)])
    for i in range(4):
        ticks += [[(204, 6, -70, -20)]] * 5 + [[(204, 7, -70, -20)]] * 5
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
    print("ticks: %d" % len(ticks))
    return 0


if __name__ == "__main__":
    sys.exit(main())
