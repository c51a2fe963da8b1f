"""The one 256-colour table shared by every picture of the card.

Index 0 is black (the message text), index 1 the key colour; the other 254
entries are chosen from the artwork itself by a weighted farthest-point pass:
each step takes the colour whose pixel count times squared distance to the
nearest chosen entry is largest, so big flat fills land exactly and the
antialiasing steps share what is left. Ties resolve by colour order, so the
table depends on the pixels only.
"""
import struct

import numpy as np

BLACK = (0, 0, 0)
KEY = (255, 0, 255)
KEY_INDEX = 1


def _colour_counts(images):
    """Unique non-key colours over all images (as packed ints) and their pixel counts."""
    packed = []
    for img in images:
        a = np.asarray(img, np.uint32)
        packed.append(((a[..., 0] << 16) | (a[..., 1] << 8) | a[..., 2]).ravel())
    allpix = np.concatenate(packed)
    key = (KEY[0] << 16) | (KEY[1] << 8) | KEY[2]
    allpix = allpix[allpix != key]
    return np.unique(allpix, return_counts=True)


def _unpack(packed):
    return np.stack([(packed >> 16) & 255, (packed >> 8) & 255, packed & 255], axis=1).astype(np.int64)


def compute(images):
    """256 (r, g, b) tuples: black, key, then 254 colours drawn from the images."""
    values, counts = _colour_counts(images)
    rgb = _unpack(values)
    weight = counts.astype(np.float64)
    chosen = [BLACK]
    mind = ((rgb - np.array(BLACK)) ** 2).sum(axis=1).astype(np.float64)
    while len(chosen) < 255 and mind.max() > 0:
        i = int(np.argmax(weight * mind))
        c = tuple(int(v) for v in rgb[i])
        chosen.append(c)
        mind = np.minimum(mind, ((rgb - np.array(c)) ** 2).sum(axis=1))
    # Unused slots repeat black: harmless, and they never attract a pixel.
    chosen += [BLACK] * (255 - len(chosen))
    # In the order chosen, most important first: an 8-bit display realizes the
    # entries in order and maps the last ones, when it runs out of free system
    # colours, to their nearest neighbours.
    return [BLACK, KEY] + chosen[1:]


class Mapper:
    """Maps RGB pictures to palette indices: exact key pixels to the key index,
    everything else to its nearest other entry."""

    def __init__(self, colours):
        self.colours = colours
        self.table = np.array(colours, np.int64)
        self.cache = {}

    def indices(self, img):
        a = np.asarray(img.convert("RGB"), np.uint32)
        packed = (a[..., 0] << 16) | (a[..., 1] << 8) | a[..., 2]
        values, inverse = np.unique(packed.ravel(), return_inverse=True)
        todo = [v for v in values.tolist() if v not in self.cache]
        if todo:
            rgb = _unpack(np.array(todo, np.int64))
            d = ((rgb[:, None, :] - self.table[None, :, :]) ** 2).sum(axis=2)
            d[:, KEY_INDEX] = np.iinfo(np.int64).max
            best = d.argmin(axis=1)
            key = (KEY[0] << 16) | (KEY[1] << 8) | KEY[2]
            for v, b in zip(todo, best.tolist()):
                self.cache[v] = KEY_INDEX if v == key else b
        lut = np.array([self.cache[v] for v in values.tolist()], np.uint8)
        return lut[inverse].reshape(packed.shape)

    def image(self, indices):
        """RGB array of an index array (for previews)."""
        return np.array(self.colours, np.uint8)[indices]


def bmp_file(colours):
    """IDB_PAL: a 16 x 16, 8-bit BMP file image whose pixel i shows entry i."""
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in colours)
    pixels = bytes(np.arange(256, dtype=np.uint8).reshape(16, 16)[::-1].tobytes())
    offset = 14 + 40 + len(table)
    size = offset + len(pixels)
    filehdr = b"BM" + struct.pack("<IHHI", size, 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, 16, 16, 1, 8, 0, len(pixels), 0, 0, 256, 256)
    data = filehdr + info + table + pixels
    assert len(data) == 1334
    return data
