"""The frame sheets of the desktop show (FIG images 201 to 207).

render_sheets() draws every sheet from the girl and gift box models and
returns {fig id: PIL RGB image}, each the whole grid of frames at its sheet
size, magenta key colour around the drawings and in the top-left pixel.
"""
import numpy as np
from PIL import Image

from . import palette

KEY = palette.KEY

SHEET_SIZES = {
    201: (480, 300), 202: (600, 600), 203: (600, 450), 204: (520, 680),
    205: (600, 150), 206: (600, 750), 207: (480, 300),
}


def _assemble(fig_id, spec):
    from .canvas import Canvas  # noqa: F401 (frames import it too)
    (fw, fh), cols, rows, cells = spec
    width, height = SHEET_SIZES[fig_id]
    assert (fw * cols, fh * rows) == (width, height), fig_id
    assert len(cells) <= cols * rows, fig_id
    sheet = np.zeros((height, width), dtype=np.uint8)  # index 0 is the key
    for n, cell in enumerate(cells):
        if cell is None:
            continue
        r, c = divmod(n, cols)
        sheet[r * fh:(r + 1) * fh, c * fw:(c + 1) * fw] = cell.indices()
    return sheet


def render_indexed():
    """{fig id: (height, width) array of indices into palette.RGB}."""
    from .frames import sheet_frames
    return {fig: _assemble(fig, spec) for fig, spec in sorted(sheet_frames().items())}


def to_image(indexed):
    rgb = np.array(palette.RGB, dtype=np.uint8)[indexed]
    return Image.fromarray(rgb, "RGB")


def render_sheets():
    return {fig: to_image(a) for fig, a in render_indexed().items()}
