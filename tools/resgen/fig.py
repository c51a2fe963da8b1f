"""FIG image files: a 256-colour palette and 8-bit frames, each zlib-compressed.

Layout (little-endian): "FIG1", int16 loop count, uint16 frame count, uint16
width, uint16 height, int16 extra word, int32 palette size, the palette block
(inflates to 256 x blue, green, red, 0), then per frame a 24-byte header
(width, height, planes, bit count, compression, int32 data size, left, top,
transparent index, delay, disposal) and its pixels: rows bottom-up, one index
per pixel, each row padded to a multiple of 4 bytes.
"""
import struct
import zlib
from dataclasses import dataclass

import numpy as np

MAGIC = b"FIG1"
LEVEL = 9  # zlib at one fixed level: the output bytes depend on nothing else


@dataclass
class Frame:
    pixels: np.ndarray  # (height, width) uint8 palette indices, top row first
    left: int = 0
    top: int = 0
    transparent: int = -1
    delay: int = 0
    disposal: int = -1


def palette_bytes(colours):
    """256 (r, g, b) colours as the 1024-byte blue, green, red, 0 table."""
    assert len(colours) == 256
    return b"".join(bytes((b, g, r, 0)) for r, g, b in colours)


def frame_rows(pixels):
    """Bottom-up rows, each padded to the 4-byte stride."""
    height, width = pixels.shape
    stride = (width + 3) & ~3
    padded = np.zeros((height, stride), np.uint8)
    padded[:, :width] = pixels
    return padded[::-1].tobytes()


def encode(colours, frames, width, height, extra=0, loops=-1):
    palette = zlib.compress(palette_bytes(colours), LEVEL)
    out = [MAGIC, struct.pack("<hHHHhi", loops, len(frames), width, height, extra, len(palette)), palette]
    for f in frames:
        h, w = f.pixels.shape
        data = zlib.compress(frame_rows(f.pixels), LEVEL)
        out.append(struct.pack("<hhhhhihhhhh", w, h, 1, 8, 0, len(data),
                               f.left, f.top, f.transparent, f.delay, f.disposal))
        out.append(data)
    return b"".join(out)


def decode(data):
    """(header dict, palette rgb list, frames) of FIG bytes; used by the review and the checks."""
    if data[:4] != MAGIC:
        raise ValueError("not a FIG image")
    loops, count, width, height, extra, psize = struct.unpack_from("<hHHHhi", data, 4)
    pos = 18
    table = zlib.decompress(data[pos:pos + psize])
    pos += psize
    colours = [(table[i + 2], table[i + 1], table[i]) for i in range(0, len(table), 4)]
    frames = []
    for _ in range(count):
        w, h, planes, bits, comp, size, left, top, tr, delay, disp = struct.unpack_from("<hhhhhihhhhh", data, pos)
        pos += 24
        stride = (w + 3) & ~3
        rows = np.frombuffer(zlib.decompress(data[pos:pos + size]), np.uint8).reshape(h, stride)
        pos += size
        frames.append(Frame(rows[::-1, :w].copy(), left, top, tr, delay, disp))
    header = dict(loops=loops, width=width, height=height, extra=extra, palette_size=psize)
    return header, colours, frames
