// The test palette, bitmaps with known pixels for the drawing tests, and a way
// to read them back.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "gfx/gdi_objects.h"

// The palette of the test pictures (make_fixtures.py, FigTestPalette):
// entry i is (red i, green 5i, blue 255 - i).
inline COLORREF TestPaletteColour(int index) {
  return RGB(index, (index * 5) & 0xFF, 255 - index);
}

// `palette` holds the 256 entries of the test palette, without flags.
inline void ExpectTestPalette(HPALETTE palette) {
  ASSERT_EQ(GetObjectType(palette), DWORD(OBJ_PAL));
  PALETTEENTRY entries[257];
  ASSERT_EQ(GetPaletteEntries(palette, 0, 257, entries), 256u);
  for (int i = 0; i < 256; i++) {
    EXPECT_EQ(RGB(entries[i].peRed, entries[i].peGreen, entries[i].peBlue), TestPaletteColour(i)) << i;
    EXPECT_EQ(entries[i].peFlags, 0) << i;
  }
}

// Describes top-down 32-bit pixels (0x00RRGGBB) for the DIB calls.
inline BITMAPINFO TopDown32BitInfo(int width, int height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

inline int ScreenBitsPerPixel() {
  HDC screen = GetDC(nullptr);
  int bits = GetDeviceCaps(screen, BITSPIXEL);
  ReleaseDC(nullptr, screen);
  return bits;
}

// A device bitmap compatible with the screen, pixel (x, y) = colour(x, y).
inline HBITMAP MakeBitmap(int width, int height, const std::function<COLORREF(int, int)>& colour) {
  std::vector<DWORD> pixels(size_t(width) * height);
  for (int y = 0; y < height; y++) {
    for (int x = 0; x < width; x++) {
      COLORREF c = colour(x, y);
      pixels[size_t(y) * width + x] = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    }
  }
  BITMAPINFO info = TopDown32BitInfo(width, height);
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  SetDIBits(screen, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  return bitmap;
}

// The bitmap's pixels as COLORREFs, row by row from the top.
inline std::vector<COLORREF> ReadPixels(HBITMAP bitmap) {
  BITMAP size;
  GetObjectA(bitmap, sizeof(size), &size);
  BITMAPINFO info = TopDown32BitInfo(size.bmWidth, size.bmHeight);
  std::vector<DWORD> pixels(size_t(size.bmWidth) * size.bmHeight);
  HDC screen = GetDC(nullptr);
  GetDIBits(screen, bitmap, 0, size.bmHeight, pixels.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  std::vector<COLORREF> colours(pixels.size());
  for (size_t i = 0; i < pixels.size(); i++) {
    colours[i] = RGB((pixels[i] >> 16) & 0xFF, (pixels[i] >> 8) & 0xFF, pixels[i] & 0xFF);
  }
  return colours;
}

// Pixel (x, y) of a bitmap.
inline COLORREF BitmapPixel(HBITMAP bitmap, int x, int y) {
  MemoryDc dc(nullptr, bitmap);
  return GetPixel(dc.get(), x, y);
}
