"""A composed preview of the show on a plain desktop, following the sprites'
tick timelines (one picture per 100 ms tick)."""
import cairo
import numpy as np
from PIL import Image

import fig
import sheets
import style

EMERGE = [0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 5, 5, 7, 7, 5, 5, 6, 6, 5, 5, 7, 7, 5, 5, 6, 6, 5, 5, 7, 7,
          5, 5, 6, 6, 8, 9, 10, 11, 11, 11, 11, 12, 12, 12, 12, 12, 12, 11, 11, 11, 11, 11, 13, 14, 15, 16, 17, 18]
TAG = [0, 1, 2, 3, 2, 3, 2, 3, 3, 3, 3, 4, 5, 6, 7, 8, 9, 10]
DANCE = [0, 1, 2, 3, 4, 3, 4, 3, 4, 4, 4, 5, 6, 6, 6, 2, 7, 8, 9, 10, 11, 11, 11, 12, 13, 14, 15, 16, 17, 18,
         19, 20, 21, 22, 23, 24]

DESK_W, DESK_H = 720, 260
BOX_X, FLOOR = 500, 250          # the box sprite's left edge and bottom


def _timeline():
    """(sprite, fig id, frame, left) per tick; sprite 'box' at BOX_X, 'fig' anywhere."""
    ticks = []
    box = lambda f_id, n: ticks.append([("box", f_id, n, BOX_X)])
    for _ in range(10):
        box(205, 0)
    for n in (1, 2, 3, 4, 4):
        box(205, n)
    for _ in range(9):
        box(205, 4)
    for c in range(62):
        box(202, EMERGE[c])
    for _ in range(10):
        box(202, 18)
    # The figure: appears 17 px right of the box sprite's left edge, walks left.
    x, frame, counter = BOX_X + 17, 3, 5
    while True:
        frame = (frame + 1) % 7
        if frame == 2:
            counter -= 1
        x += -1 if (frame == 2 and counter == 0) else -8
        ticks.append([("box", 205, 4, BOX_X), ("fig", 207, frame, x)])
        if frame == 2 and counter == 0:
            break
    for _ in range(10):
        ticks.append([("box", 205, 4, BOX_X), ("fig", 206, 0, x)])
    for n in DANCE:
        for _ in range(2):
            ticks.append([("box", 205, 4, BOX_X), ("fig", 206, n, x)])
    frame, counter = 0, 4
    while counter:
        frame = (frame + 1) % 7
        if frame == 0:
            counter -= 1
        x += 8
        if counter:
            ticks.append([("box", 205, 4, BOX_X), ("fig", 201, frame, x)])
    c, hold, n = 0, 2, 0
    while True:
        ticks.append([("box", 203, n, BOX_X)])
        hold -= 1
        if hold and n in (2, 3):
            continue
        hold, c = 2, c + 1
        if c == 18:
            break
        n = TAG[c]
    ticks.append([("box", 204, 0, BOX_X - 70)])
    for k in range(30):
        ticks.append([("box", 204, 6 + (k // 5) % 2, BOX_X - 70), ("message", 0, 0, BOX_X - 70)])
    return ticks


MESSAGE_BOX = (10, 10, 184, 161)     # on the 260 x 170 tag frame


def _message(img, left, text):
    """The greeting on the tag, roughly as the program lays it out: black, centred lines."""
    surf = style.from_image(Image.fromarray(img))
    ctx = cairo.Context(surf)
    style.font_options(ctx)
    x0, y0, x1, y1 = MESSAGE_BOX
    top = FLOOR - 170
    lines = text.split("\n")
    ctx.select_font_face("Liberation Sans", cairo.FONT_SLANT_NORMAL, cairo.FONT_WEIGHT_NORMAL)
    size = 36
    while size > 8:
        ctx.set_font_size(size)
        widest = max(ctx.text_extents(line).x_advance for line in lines)
        if widest <= x1 - x0 and size * 1.2 * len(lines) <= y1 - y0:
            break
        size -= 1
    for i, line in enumerate(lines):
        w = ctx.text_extents(line).x_advance
        ctx.move_to(left + (x0 + x1) / 2 - w / 2, top + (y0 + y1) / 2 + (i - (len(lines) - 1) / 2) * size * 1.2 + 8)
        ctx.set_source_rgb(0, 0, 0)
        ctx.show_text(line)
    return np.asarray(style.to_image(surf)).copy()


def preview(files, mapper, message="Joyeux No\u00ebl\n" + "-" * 21):
    decoded = {}
    for fig_id in sheets.SHEETS:
        _, _, frames = fig.decode(files["fig%d.fig" % fig_id])
        decoded[fig_id] = frames[0].pixels
    desk = np.zeros((DESK_H, DESK_W, 3), np.uint8)
    desk[:] = (58, 110, 165)
    desk[FLOOR:] = (40, 40, 48)
    out = []
    for tick in _timeline():
        img = desk.copy()
        for what, fig_id, n, left in tick:
            if what == "message":
                img = _message(img, left, message)
                continue
            x0, y0, x1, y1 = sheets.frame_box(fig_id, n)
            pix = decoded[fig_id][y0:y1, x0:x1]
            top = FLOOR - (y1 - y0)
            rgb = mapper.image(pix)
            mask = pix != 1
            lx0, lx1 = max(0, left), min(DESK_W, left + (x1 - x0))
            if lx1 <= lx0:
                continue
            sub = img[top:FLOOR, lx0:lx1]
            m = mask[:, lx0 - left:lx1 - left]
            sub[m] = rgb[:, lx0 - left:lx1 - left][m]
        out.append((Image.fromarray(img), 100))
    return out
