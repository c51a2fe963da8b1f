// Feeds arbitrary bytes to the FIG reader: header, palette and every frame.
#include <cstddef>
#include <cstdint>

#include "gfx/fig_core.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FigCursor cursor{data, size, 0};
  FigHeader header;
  uint8_t palette[kFigPaletteBytes];
  if (!FigDecodeHeader(&cursor, &header, palette)) {
    return 0;
  }
  for (int i = 0; i < header.frameCount; i++) {
    FigFrame frame;
    if (FigDecodeFrame(&cursor, &frame) != FigFrameStatus::kDecoded) {
      break;
    }
    // The pixel block must hold all of stride x height bytes, and no more can have inflated.
    volatile uint8_t last = frame.pixels[frame.pixelBytes - 1];
    (void)last;
    if (frame.inflatedBytes > frame.pixelBytes) {
      __builtin_trap();
    }
  }
  return 0;
}
