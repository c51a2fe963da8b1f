#include "gfx/fig_image.h"

#include <cstring>
#include <new>

#include "gfx/palette.h"

static void FigCreatePalette(FigImage* image) {
  struct {
    WORD version;
    WORD entries;
    PALETTEENTRY colours[kFigPaletteEntries];
  } logical = {0x300, kFigPaletteEntries, {}};
  for (int i = 0; i < kFigPaletteEntries; i++) {
    logical.colours[i].peRed = image->palette[4 * i + 2];
    logical.colours[i].peGreen = image->palette[4 * i + 1];
    logical.colours[i].peBlue = image->palette[4 * i];
  }
  image->paletteHandle = CreatePalette(reinterpret_cast<const LOGPALETTE*>(&logical));
}

static bool FigReadHeader(FigImage* image) {
  if (!FigDecodeHeader(&image->cursor, image, image->palette)) {
    return false;
  }
  if (!image->paletteHandle) {
    FigCreatePalette(image);
  }
  return true;
}

static FigImage* FigOpen(int sourceKind, const void* data, size_t size, HGLOBAL resource) {
  FigImage* image = new (std::nothrow) FigImage();
  if (!image) {
    return nullptr;
  }
  image->sourceKind = sourceKind;
  image->resource = resource;
  image->cursor.start = static_cast<const uint8_t*>(data);
  image->cursor.size = size;
  if (!data || !FigReadHeader(image)) {
    FigClose(image);
    return nullptr;
  }
  return image;
}

FigImage* FigOpenResource(HINSTANCE instance, LPCSTR name) {
  HRSRC found = FindResourceA(instance, name, "FIG");
  HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
  const void* data = LockResource(loaded);
  return FigOpen(kFigFromResource, data, data ? SizeofResource(instance, found) : 0, loaded);
}

FigImage* FigOpenMemory(const void* data, DWORD size) {
  return FigOpen(kFigFromMemory, data, size, nullptr);
}

void FigRewind(FigImage* image) {
  if (image) {
    FigReadHeader(image);
  }
}

// Only 1-plane, 8-bit, uncompressed rows match the stride x height pixel buffer;
// anything else would make GDI read past it.
static bool IsDisplayableFrame(const FigFrameRecord& record) {
  return record.planes == 1 && record.bitCount == 8 && record.compression == BI_RGB;
}

static HBITMAP FigCreateFrameBitmap(const FigImage* image, const BITMAPINFOHEADER& dibHeader,
                                    const BYTE* pixels) {
  struct {
    BITMAPINFOHEADER header;
    BYTE colours[kFigPaletteBytes];
  } info;
  info.header = dibHeader;
  memcpy(info.colours, image->palette, sizeof(info.colours));
  HDC screen = GetDC(nullptr);
  SelectSharedPalette(screen);
  HBITMAP bitmap = CreateDIBitmap(screen, &info.header, CBM_INIT, pixels,
                                  reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS);
  RestorePalette(screen);
  ReleaseDC(nullptr, screen);
  return bitmap;
}

int FigReadFrame(FigImage* image, HBITMAP* bitmap, FigFrameHeader** header) {
  *bitmap = nullptr;
  *header = nullptr;
  if (!image) {
    return kFigNoImage;
  }
  if (image->frameCount == 0) {
    return kFigNoFrames;
  }
  FigFrame& frame = image->frame;
  if (FigDecodeFrame(&image->cursor, &frame) != FigFrameStatus::kDecoded ||
      !IsDisplayableFrame(frame.record)) {
    return kFigBadFrame;
  }
  FigFrameHeader* result = new (std::nothrow) FigFrameHeader();
  if (!result) {
    return kFigBadFrame;
  }
  const FigFrameRecord& record = frame.record;
  BITMAPINFOHEADER& dib = result->dibHeader;
  dib.biSize = sizeof(BITMAPINFOHEADER);
  dib.biWidth = record.width;
  dib.biHeight = record.height;
  dib.biPlanes = WORD(record.planes);
  dib.biBitCount = WORD(record.bitCount);
  dib.biCompression = DWORD(LONG(record.compression));
  dib.biSizeImage = DWORD(frame.inflatedBytes);
  dib.biClrUsed = kFigPaletteEntries;
  dib.biClrImportant = kFigPaletteEntries;
  result->left = record.left;
  result->top = record.top;
  result->transparentIndex = record.transparentIndex;
  result->delay = record.delay;
  result->disposal = record.disposal;
  *bitmap = FigCreateFrameBitmap(image, dib, frame.pixels.get());
  *header = result;
  return kFigFrameRead;
}

void FigFreeFrameHeader(FigFrameHeader* header) {
  delete header;
}

void FigClose(FigImage* image) {
  if (!image) {
    return;
  }
  if (image->sourceKind == kFigFromResource) {
    FreeResource(image->resource);
  }
  DeleteObject(image->paletteHandle);
  delete image;
}

HBITMAP FigLoadFirstFrame(HINSTANCE instance, LPCSTR name) {
  FigImage* image = FigOpenResource(instance, name);
  if (!image) {
    return nullptr;
  }
  HBITMAP bitmap;
  FigFrameHeader* header;
  FigReadFrame(image, &bitmap, &header);
  FigFreeFrameHeader(header);
  FigClose(image);
  return bitmap;
}

HPALETTE FigLoadPalette(HINSTANCE instance, LPCSTR name) {
  FigImage* image = FigOpenResource(instance, name);
  if (!image) {
    return nullptr;
  }
  // Taken over by the caller, so FigClose leaves it alone.
  HPALETTE palette = image->paletteHandle;
  image->paletteHandle = nullptr;
  FigClose(image);
  return palette;
}
