"""The frame sheets of the desktop show (FIG images 201 to 207).

render_sheets() draws every sheet from the girl and gift box models and
returns {fig id: PIL RGB image}, each the whole grid of frames at its sheet
size, magenta key colour around the drawings and in the top-left pixel.
"""
import numpy as np
from PIL import Image

from . import palette

KEY = palette.KEY

# fig id: (frame width, frame height, columns, rows) of its grid
GRIDS = {
    201: (120, 150, 4, 2), 202: (120, 150, 5, 4), 203: (120, 150, 5, 3), 204: (260, 170, 2, 4),
    205: (120, 150, 5, 1), 206: (120, 150, 5, 5), 207: (120, 150, 4, 2),
}


def _assemble(fig_id, cells):
    fw, fh, cols, rows = GRIDS[fig_id]
    width, height = fw * cols, fh * rows
    assert len(cells) <= cols * rows, fig_id
    sheet = np.zeros((height, width), dtype=np.uint8)  # index 0 is the key
    for n, cell in enumerate(cells):
        if cell is None:
            continue
        r, c = divmod(n, cols)
        pixels = cell.indices()
        assert pixels.shape == (fh, fw), (fig_id, n)
        sheet[r * fh:(r + 1) * fh, c * fw:(c + 1) * fw] = pixels
    return sheet


def render_indexed():
    """{fig id: (height, width) array of indices into palette.RGB}."""
    from .frames import sheet_frames
    return {fig: _assemble(fig, cells) for fig, cells in sorted(sheet_frames().items())}


def to_image(indexed):
    rgb = np.array(palette.RGB, dtype=np.uint8)[indexed]
    return Image.fromarray(rgb, "RGB")


def render_sheets():
    return {fig: to_image(a) for fig, a in render_indexed().items()}
