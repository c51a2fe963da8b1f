// A top-down 32-bit DIB section with its own memory DC, for reading back
// what GDI drew.
#pragma once

#include <windows.h>

#include "tests/gfx/gdi_test_util.h"

#include <cstdint>

class Canvas {
public:
  Canvas(int width, int height, COLORREF fill = RGB(255, 255, 255))
      : width(width), height(height) {
    BITMAPINFO info = TopDown32BitInfo(width, height);
    void* bits = nullptr;
    bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    pixels = static_cast<uint32_t*>(bits);
    dc = CreateCompatibleDC(nullptr);
    oldBitmap = SelectObject(dc, bitmap);
    Fill(fill);
  }
  ~Canvas() {
    SelectObject(dc, oldBitmap);
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  void Fill(COLORREF colour) {
    RECT all = {0, 0, width, height};
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    GdiFlush();
  }
  // The pixel as a COLORREF.
  COLORREF At(int x, int y) const {
    GdiFlush();
    uint32_t p = pixels[y * width + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  // Smallest rectangle holding every pixel that is not `background`;
  // empty when there is none.
  RECT Ink(COLORREF background = RGB(255, 255, 255)) const {
    RECT ink = {width, height, 0, 0};
    for (int y = 0; y < height; y++) {
      for (int x = 0; x < width; x++) {
        if (At(x, y) != background) {
          ink.left = x < ink.left ? x : ink.left;
          ink.top = y < ink.top ? y : ink.top;
          ink.right = x + 1 > ink.right ? x + 1 : ink.right;
          ink.bottom = y + 1 > ink.bottom ? y + 1 : ink.bottom;
        }
      }
    }
    if (ink.right == 0) {
      SetRectEmpty(&ink);
    }
    return ink;
  }
  bool SameAs(const Canvas& other) const {
    GdiFlush();
    if (other.width != width || other.height != height) {
      return false;
    }
    for (int i = 0; i < width * height; i++) {
      if ((pixels[i] & 0xFFFFFF) != (other.pixels[i] & 0xFFFFFF)) {
        return false;
      }
    }
    return true;
  }

  int width;
  int height;
  HBITMAP bitmap = nullptr;
  uint32_t* pixels = nullptr;
  HDC dc = nullptr;
  HGDIOBJ oldBitmap = nullptr;
};
