// Builds FIG images byte by byte for the tests, compressing with zlib.
#pragma once

#include <cstdint>
#include <vector>

#include <zlib.h>

#include "gfx/fig_core.h"

struct FigTestFrame {
  int16_t width = 1;
  int16_t height = 1;
  int16_t left = 0;
  int16_t top = 0;
  int16_t transparentIndex = -1;
  int16_t delay = 0;
  int16_t disposal = -1;
  uint8_t seed = 0;  // varies the pixel pattern between frames
  // Palette index of every pixel, rows top-down; the seed's pattern when empty.
  std::vector<uint8_t> pixels;
  // Z_NO_COMPRESSION makes the record's size depend on the frame's size alone.
  int zlibLevel = Z_BEST_COMPRESSION;
  int16_t planes = 1;
  int16_t bitCount = 8;
  int16_t compression = 0;
};

inline std::vector<uint8_t> Compress(const std::vector<uint8_t>& bytes, int level = Z_BEST_COMPRESSION) {
  uLongf size = compressBound(uLong(bytes.size()));
  std::vector<uint8_t> out(size);
  compress2(out.data(), &size, bytes.data(), uLong(bytes.size()), level);
  out.resize(size);
  return out;
}

// Palette index of pixel (x, y), y counted from the top of the frame.
inline uint8_t FigTestPixel(const FigTestFrame& frame, int x, int y) {
  if (!frame.pixels.empty()) {
    return frame.pixels[size_t(y) * frame.width + x];
  }
  return uint8_t(frame.seed + x + 7 * y);
}

// The frame's rows as stored: bottom row first, each padded to the stride with zeros.
inline std::vector<uint8_t> FigTestRows(const FigTestFrame& frame) {
  size_t stride = FigFrameStride(frame.width);
  std::vector<uint8_t> rows(stride * frame.height, 0);
  for (int y = 0; y < frame.height; y++) {
    uint8_t* row = &rows[stride * (frame.height - 1 - y)];
    for (int x = 0; x < frame.width; x++) {
      row[x] = FigTestPixel(frame, x, y);
    }
  }
  return rows;
}

// Palette entry i: blue, green, red, 0, all distinct so colours identify indices.
inline std::vector<uint8_t> FigTestPalette() {
  std::vector<uint8_t> palette(kFigPaletteBytes);
  for (int i = 0; i < kFigPaletteEntries; i++) {
    palette[4 * i] = uint8_t(255 - i);
    palette[4 * i + 1] = uint8_t(i * 5);
    palette[4 * i + 2] = uint8_t(i);
    palette[4 * i + 3] = 0;
  }
  return palette;
}

inline void PutShort(std::vector<uint8_t>* out, int value) {
  out->push_back(uint8_t(value));
  out->push_back(uint8_t(value >> 8));
}

inline void PutLong(std::vector<uint8_t>* out, uint32_t value) {
  PutShort(out, int(value & 0xFFFF));
  PutShort(out, int(value >> 16));
}

inline void PutFrameRecord(std::vector<uint8_t>* out, const FigTestFrame& frame,
                           const std::vector<uint8_t>& compressed) {
  PutShort(out, frame.width);
  PutShort(out, frame.height);
  PutShort(out, frame.planes);
  PutShort(out, frame.bitCount);
  PutShort(out, frame.compression);
  PutLong(out, uint32_t(compressed.size()));
  PutShort(out, frame.left);
  PutShort(out, frame.top);
  PutShort(out, frame.transparentIndex);
  PutShort(out, frame.delay);
  PutShort(out, frame.disposal);
  out->insert(out->end(), compressed.begin(), compressed.end());
}

inline std::vector<uint8_t> BuildFig(const std::vector<FigTestFrame>& frames, int width, int height,
                                     int loopCount = -1, int extraWord = 0) {
  std::vector<uint8_t> out = {'F', 'I', 'G', '1'};
  std::vector<uint8_t> palette = Compress(FigTestPalette());
  PutShort(&out, loopCount);
  PutShort(&out, int(frames.size()));
  PutShort(&out, width);
  PutShort(&out, height);
  PutShort(&out, extraWord);
  PutLong(&out, uint32_t(palette.size()));
  out.insert(out.end(), palette.begin(), palette.end());
  for (const FigTestFrame& frame : frames) {
    PutFrameRecord(&out, frame, Compress(FigTestRows(frame), frame.zlibLevel));
  }
  return out;
}
