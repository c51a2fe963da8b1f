// FIG images in GDI: a reader over a FIG resource or memory block that decodes
// its frames, in file order, into device bitmaps through the shared palette.
#pragma once

#include <windows.h>

#include "gfx/fig_core.h"

enum FigSourceKind {
  kFigFromResource = 1,
  kFigFromMemory = 2,
};

// Results of FigReadFrame.
enum FigReadResult {
  kFigFrameRead = 0,    // bitmap and header set
  kFigNoFrames = 1,     // the image has no frames
  kFigNoImage = 2,      // no image given
  kFigBadFrame = 3,     // the frame record is damaged or its pixels don't fit in memory
};

// An open FIG image. Header fields (loopCount, frameCount, width, height,
// extraWord, paletteSize) come from FigHeader.
struct FigImage : FigHeader {
  int sourceKind = 0;
  FigCursor cursor;              // data start, size and read position
  HGLOBAL resource = nullptr;    // kFigFromResource: freed by FigClose
  BYTE palette[kFigPaletteBytes] = {};  // 256 x blue, green, red, 0
  HPALETTE paletteHandle = nullptr;     // made at the first header read, kept across rewinds
  FigFrame frame;                       // pixel buffer, reused from frame to frame
};

// What FigReadFrame returns with each frame; free it with FigFreeFrameHeader.
struct FigFrameHeader {
  BITMAPINFOHEADER dibHeader;  // biSizeImage = pixel bytes inflated
  LONG left;
  LONG top;
  LONG transparentIndex;  // -1: none
  LONG delay;             // hundredths of a second
  LONG disposal;
};

// Opens FIG resource `name` (type "FIG"); null when missing or not a FIG image.
FigImage* FigOpenResource(HINSTANCE instance, LPCSTR name);
// The same over `size` bytes of FIG data that the caller keeps alive until FigClose.
FigImage* FigOpenMemory(const void* data, DWORD size);
// Back to the first frame; header and palette are read again, the palette handle stays.
void FigRewind(FigImage* image);
// Decodes the next frame into a device bitmap; see FigReadResult. Both outputs
// are null unless the result is kFigFrameRead. Read no more than frameCount
// frames between opening or rewinding and the next rewind.
int FigReadFrame(FigImage* image, HBITMAP* bitmap, FigFrameHeader** header);
void FigFreeFrameHeader(FigFrameHeader* header);
// Releases the resource, the palette handle and the image; null is allowed.
void FigClose(FigImage* image);

// First frame of FIG resource `name` as a device bitmap, or null.
HBITMAP FigLoadFirstFrame(HINSTANCE instance, LPCSTR name);
// Palette of FIG resource `name`, owned by the caller, or null.
HPALETTE FigLoadPalette(HINSTANCE instance, LPCSTR name);
