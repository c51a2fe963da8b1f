#include "gfx/bitmap_ops.h"

#include "gfx/gdi_objects.h"
#include "gfx/palette.h"

// Destination AND (NOT source): clears the key pixels of a colour copy through a mask.
constexpr DWORD kMaskOutRop = 0x00220326;

void BlitKeyed(HDC dest, const RECT* destRect, HBITMAP source, int srcX, int srcY, int keyCorner) {
  int w = destRect->right - destRect->left;
  int h = destRect->bottom - destRect->top;
  if (w <= 0 || h <= 0) {
    return;
  }
  RealizeSharedPaletteInHost();
  MemoryDc picture(dest, source);
  // The corner of the whole bitmap, not of the area drawn.
  COLORREF key = keyCorner == 1
                     ? GetPixel(picture.get(), GetBitmapWidth(source) - 1, GetBitmapHeight(source) - 1)
                     : GetPixel(picture.get(), 0, 0);

  WorkBitmap inverseMaskBits(CreateBitmap(w, h, 1, 1, nullptr));
  WorkBitmap maskBits(CreateBitmap(w, h, 1, 1, nullptr));
  WorkBitmap workBits(CreateCompatibleBitmap(dest, w, h));
  WorkBitmap backupBits(CreateCompatibleBitmap(dest, w, h));
  MemoryDc inverseMask(dest, inverseMaskBits.get());
  MemoryDc mask(dest, maskBits.get());
  MemoryDc work(dest, workBits.get());
  MemoryDc backup(dest, backupBits.get());
  SetMapMode(picture.get(), GetMapMode(dest));

  BitBlt(backup.get(), 0, 0, w, h, picture.get(), srcX, srcY, SRCCOPY);
  // Colour to mono: pixels equal to the background colour become 1.
  COLORREF background = SetBkColor(picture.get(), key);
  BitBlt(mask.get(), 0, 0, w, h, picture.get(), srcX, srcY, SRCCOPY);
  SetBkColor(picture.get(), background);
  BitBlt(inverseMask.get(), 0, 0, w, h, mask.get(), 0, 0, NOTSRCCOPY);

  // Compose off-screen: what lies under the picture, holed where the picture is opaque,
  // then the picture with its key pixels blackened.
  BitBlt(work.get(), 0, 0, w, h, dest, destRect->left, destRect->top, SRCCOPY);
  BitBlt(work.get(), 0, 0, w, h, mask.get(), 0, 0, SRCAND);
  BitBlt(picture.get(), srcX, srcY, w, h, inverseMask.get(), 0, 0, SRCAND);
  BitBlt(work.get(), 0, 0, w, h, picture.get(), srcX, srcY, SRCPAINT);
  BitBlt(dest, destRect->left, destRect->top, w, h, work.get(), 0, 0, SRCCOPY);
  // The caller's bitmap as it was.
  BitBlt(picture.get(), srcX, srcY, w, h, backup.get(), 0, 0, SRCCOPY);
}

void BlitKeyedTopLeft(HDC dest, const RECT* destRect, HBITMAP source, int srcX, int srcY) {
  BlitKeyed(dest, destRect, source, srcX, srcY, 0);
}

void BlitKeyedWithScratch(HDC dest, HBITMAP source, HBITMAP mask, HBITMAP scratch, int x, int y,
                          const RECT* srcRect, COLORREF key) {
  int w = srcRect->right - srcRect->left;
  int h = srcRect->bottom - srcRect->top;
  SelectSharedPalette(dest);
  MemoryDc picture(dest, source);
  MemoryDc maskDc(dest, mask);
  MemoryDc scratchDc(dest, scratch);
  SetBkColor(picture.get(), key);
  BitBlt(maskDc.get(), 0, 0, w, h, picture.get(), srcRect->left, srcRect->top, SRCCOPY);
  BitBlt(scratchDc.get(), 0, 0, w, h, picture.get(), srcRect->left, srcRect->top, SRCCOPY);
  BitBlt(scratchDc.get(), 0, 0, w, h, maskDc.get(), 0, 0, kMaskOutRop);
  BitBlt(dest, x, y, w, h, maskDc.get(), 0, 0, SRCAND);
  BitBlt(dest, x, y, w, h, scratchDc.get(), 0, 0, SRCPAINT);
}
