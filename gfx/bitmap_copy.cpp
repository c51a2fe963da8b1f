#include "gfx/bitmap_ops.h"

#include "gfx/gdi_objects.h"
#include "gfx/palette.h"

static bool GetBitmapInfo(HBITMAP bitmap, BITMAP* info) {
  return GetObjectType(bitmap) == OBJ_BITMAP && GetObjectA(bitmap, sizeof(*info), info) == sizeof(*info);
}

int GetBitmapWidth(HBITMAP bitmap) {
  BITMAP info;
  return GetBitmapInfo(bitmap, &info) ? info.bmWidth : 0;
}

int GetBitmapHeight(HBITMAP bitmap) {
  BITMAP info;
  return GetBitmapInfo(bitmap, &info) ? info.bmHeight : 0;
}

void DrawBitmap(HDC dest, HBITMAP bitmap, int x, int y) {
  RealizeSharedPaletteInHost();
  MemoryDc memory(dest, bitmap);
  BitBlt(dest, x, y, GetBitmapWidth(bitmap), GetBitmapHeight(bitmap), memory.get(), 0, 0, SRCCOPY);
}

void DrawBitmapPart(HDC dest, HBITMAP bitmap, int x, int y, int width, int height, int srcX, int srcY) {
  RealizeSharedPaletteInHost();
  MemoryDc memory(dest, bitmap);
  BitBlt(dest, x, y, width, height, memory.get(), srcX, srcY, SRCCOPY);
}

void GrabIntoBitmap(HDC source, HBITMAP bitmap, int srcX, int srcY) {
  RealizeSharedPaletteInHost();
  MemoryDc memory(source, bitmap);
  BitBlt(memory.get(), 0, 0, GetBitmapWidth(bitmap), GetBitmapHeight(bitmap), source, srcX, srcY, SRCCOPY);
}

// Moves a copy's negative start on one side up to 0, shortening the copy and
// moving the other side's start along with it.
static void ClipNegativeStart(int* start, int* length, int* otherStart) {
  if (*start < 0) {
    *length += *start;
    *otherStart -= *start;
    *start = 0;
  }
}

void GrabIntoBitmapClipped(HDC source, HBITMAP bitmap, int x, int y, int width, int height, int srcX, int srcY) {
  RealizeSharedPaletteInHost();
  ClipNegativeStart(&x, &width, &srcX);
  ClipNegativeStart(&y, &height, &srcY);
  ClipNegativeStart(&srcX, &width, &x);
  ClipNegativeStart(&srcY, &height, &y);
  // Clipped away entirely: nothing is left to copy.
  if (width <= 0 || height <= 0) {
    return;
  }
  MemoryDc memory(source, bitmap);
  BitBlt(memory.get(), x, y, width, height, source, srcX, srcY, SRCCOPY);
}

void CopyBitmapPart(HBITMAP dest, int x, int y, int width, int height, HBITMAP source, int srcX, int srcY) {
  RealizeSharedPaletteInHost();
  HDC screen = GetDC(nullptr);
  MemoryDc from(screen, source);
  MemoryDc to(screen, dest);
  ReleaseDC(nullptr, screen);
  BitBlt(to.get(), x, y, width, height, from.get(), srcX, srcY, SRCCOPY);
}
