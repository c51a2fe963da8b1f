#!/usr/bin/python3
"""Writes the picture fixtures that the gfx tests link in as resources.

Colours and pixel patterns match tests/gfx/fig_builder.h: palette entry i is
(red i, green 5i, blue 255 - i); pixel (x, y) of a frame is seed + x + 7y.
"""
import struct
import sys
import zlib
from pathlib import Path


def palette_bytes():
    return b"".join(bytes([255 - i, (i * 5) & 255, i, 0]) for i in range(256))


def stride(width, bits):
    return (bits * width + 31) // 32 * 4


def rows(width, height, bits, pixel):
    """Bottom-up rows, each padded to 4 bytes; pixel(x, y) gives the bytes of one pixel."""
    out = b""
    for y in reversed(range(height)):
        row = b"".join(pixel(x, y) for x in range(width))
        out += row.ljust(stride(width, bits), b"\0")
    return out


def bmp(info, table, pixels):
    offset = 14 + len(info) + len(table)
    size = offset + len(pixels)
    return b"BM" + struct.pack("<IHHI", size, 0, 0, offset) + info + table + pixels


def info_header(width, height, bits, size_image, clr_used):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, size_image, 0, 0, clr_used, clr_used)


def indexed(x, y):
    return bytes([(x + 16 * y) & 255])


def fixtures():
    pal = palette_bytes()
    pal16_pixels = rows(16, 16, 8, indexed)
    pal16 = bmp(info_header(16, 16, 8, 256, 256), pal, pal16_pixels)
    yield "pal16.bmp", pal16
    yield "short.bmp", pal16[:-10]
    yield "zero_offset.bmp", pal16[:10] + b"\0\0\0\0" + pal16[14:]
    # An image size too small for its rows (offset 34 holds biSizeImage).
    yield "small_size.bmp", pal16[:34] + struct.pack("<I", 16) + pal16[38:]
    # No image size and no colour count: both are for the reader to work out.
    yield "w17.bmp", bmp(info_header(17, 16, 8, 0, 0), pal, rows(17, 16, 8, indexed))
    rgb = lambda x, y: bytes([40 * x, 60 * y, 200])  # blue, green, red
    yield "rgb24.bmp", bmp(info_header(5, 3, 24, 0, 0), b"", rows(5, 3, 24, rgb))
    core_table = b"".join(bytes([255 - i, (i * 5) & 255, i]) for i in range(256))
    core_info = struct.pack("<IHHHH", 12, 16, 16, 1, 8)
    yield "core16.bmp", bmp(core_info, core_table, pal16_pixels)

    def frame(width, height, seed):
        pixels = rows(width, height, 8, lambda x, y: bytes([(seed + x + 7 * y) & 255]))
        data = zlib.compress(pixels, 9)
        header = struct.pack("<hhhhhihhhhh", width, height, 1, 8, 0, len(data), 0, 0, -1, 0, -1)
        return header + data

    packed_pal = zlib.compress(pal, 9)
    frames = [frame(57, 29, 0), frame(27, 41, 31)]
    header = b"FIG1" + struct.pack("<hHHHhi", -1, len(frames), 60, 41, 0, len(packed_pal))
    yield "frames.fig", header + packed_pal + b"".join(frames)


def main():
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    for name, data in fixtures():
        (out / name).write_bytes(data)


main()
