"""The card's animation strip (FIG 1201): 14 frames over a 468 x 60 canvas.

The player paints each frame over what the earlier frames left, so the strip
is designed as a sequence of whole canvases, one per frame; each canvas may
differ from the one before only inside that frame's rectangle. A frame's
pixels are its rectangle of its canvas; in a transparent frame every pixel the
frame leaves as it was becomes the transparent index.
"""
import numpy as np

import fig
from palette import KEY_INDEX

WIDTH, HEIGHT = 468, 60
EXTRA = 29
DISPOSAL = 1

# (width, height, left, top, transparent, delay in 1/100 s)
FRAMES = [
    (468, 60, 0, 0, False, 100),
    (292, 24, 38, 0, True, 10),
    (312, 24, 38, 0, True, 10),
    (57, 29, 322, 3, False, 10),
    (90, 45, 337, 5, False, 10),
    (405, 51, 42, 5, True, 15),
    (79, 45, 372, 5, False, 100),
    (144, 46, 307, 4, False, 10),
    (138, 49, 254, 4, False, 10),
    (148, 50, 191, 4, False, 10),
    (203, 52, 108, 4, False, 10),
    (165, 50, 36, 4, False, 10),
    (111, 45, 0, 5, False, 10),
    (27, 41, 0, 8, False, 300),
]


def frame_rect(n):
    w, h, x, y = FRAMES[n][:4]
    return (x, y, x + w, y + h)


def check_sequence(canvases):
    """Each canvas differs from the one before only inside its frame's rectangle
    (the first replaces everything); returns the list of violations."""
    problems = []
    for n in range(1, len(canvases)):
        x0, y0, x1, y1 = frame_rect(n)
        diff = canvases[n] != canvases[n - 1]
        diff[y0:y1, x0:x1] = False
        if diff.any():
            ys, xs = np.nonzero(diff)
            problems.append("frame %d changes %d pixels outside its rectangle, e.g. (%d, %d)"
                            % (n + 1, len(xs), xs[0], ys[0]))
    return problems


def frames_from_canvases(canvases):
    """FIG frames (palette-index canvases in, one per frame) as the player expects them."""
    out = []
    for n, (w, h, x, y, transparent, delay) in enumerate(FRAMES):
        pix = canvases[n][y:y + h, x:x + w].copy()
        if transparent:
            keep = canvases[n - 1][y:y + h, x:x + w] == pix
            pix[keep] = KEY_INDEX
        out.append(fig.Frame(pix, x, y, KEY_INDEX if transparent else -1, delay, DISPOSAL))
    return out


def compose(frames, start=None):
    """Canvases the player builds from FIG frames (for the review): each frame
    painted over the last, transparent pixels left out."""
    canvas = np.zeros((HEIGHT, WIDTH), np.uint8) if start is None else start.copy()
    seq = []
    for f in frames:
        h, w = f.pixels.shape
        region = canvas[f.top:f.top + h, f.left:f.left + w]
        if f.transparent >= 0:
            mask = f.pixels != f.transparent
            region[mask] = f.pixels[mask]
        else:
            region[:] = f.pixels
        seq.append(canvas.copy())
    return seq
