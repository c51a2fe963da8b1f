"""The character's frame sheets (FIG 201-207): sizes, grids, and where they come from.

The drawings come from the package `sprites` beside this file
(`render_sheets()` -> {fig_id: RGB image}). While that package does not exist,
or when asked to, numbered placeholder frames of the right sizes stand in so
that the rest of the pipeline and the program keep working; a package that
exists but fails is an error, so that placeholders never replace drawings
unnoticed.
"""
import os
import sys

from PIL import Image, ImageDraw

from palette import KEY

# fig id: (sheet width, sheet height, frame width, frame height, frames used)
SHEETS = {
    201: (480, 300, 120, 150, 7),
    202: (600, 600, 120, 150, 19),
    203: (600, 450, 120, 150, 11),
    204: (520, 680, 260, 170, 8),
    205: (600, 150, 120, 150, 5),
    206: (600, 750, 120, 150, 25),
    207: (480, 300, 120, 150, 7),
}


def frame_box(fig_id, n):
    """(left, top, right, bottom) of frame n on its sheet: left to right, then top to bottom."""
    sw, _, fw, fh, _ = SHEETS[fig_id]
    cols = sw // fw
    x, y = (n % cols) * fw, (n // cols) * fh
    return (x, y, x + fw, y + fh)


def placeholder(fig_id):
    sw, sh, fw, fh, used = SHEETS[fig_id]
    img = Image.new("RGB", (sw, sh), KEY)
    d = ImageDraw.Draw(img)
    for n in range(used):
        if fig_id == 204 and 1 <= n <= 5:
            continue
        x0, y0, x1, y1 = frame_box(fig_id, n)
        d.rectangle((x0 + 20, y0 + 20, x1 - 21, y1 - 5), fill=(200, 60, 50), outline=(60, 35, 25), width=2)
        d.text((x0 + 28, y0 + 28), "%d/%d" % (fig_id, n), fill=(255, 255, 255))
    return img


def _valid(fig_id, img):
    sw, sh = SHEETS[fig_id][:2]
    return (isinstance(img, Image.Image) and img.mode == "RGB" and img.size == (sw, sh)
            and img.getpixel((0, 0)) == KEY)


def load(placeholders=False):
    """{fig_id: RGB sheet} and the ids that are placeholders."""
    drawn = {}
    here = os.path.dirname(os.path.abspath(__file__))
    if placeholders or not os.path.exists(os.path.join(here, "sprites", "__init__.py")):
        print("resgen: using placeholder sheets", file=sys.stderr)
    else:
        import sprites
        drawn = sprites.render_sheets()
    sheets, stand_ins = {}, []
    for fig_id in SHEETS:
        img = drawn.get(fig_id)
        if img is None:
            img = placeholder(fig_id)
            stand_ins.append(fig_id)
        elif not _valid(fig_id, img):
            raise SystemExit("resgen: sheet %d is not a %d x %d RGB image with the key colour top left"
                             % ((fig_id,) + SHEETS[fig_id][:2]))
        sheets[fig_id] = img
    return sheets, stand_ins
