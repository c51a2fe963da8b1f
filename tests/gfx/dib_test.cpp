#include "gfx/dib.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/gfx/gdi_test_util.h"

namespace {

// DIB resources of the test fixtures (tests/gfx/gfx_fixtures.rc, made by make_fixtures.py),
// in the test palette; pixel (x, y) of the indexed images is entry x + 16y.
HINSTANCE Module() {
  return GetModuleHandleA(nullptr);
}

bool ColoursAreExact() {
  return ScreenBitsPerPixel() > 8;
}

struct DibCase {
  const char* name;
  LONG width, height;
  WORD bitCount;
  DWORD clrUsed;
  DWORD sizeImage;
};

class LoadDibTest : public ::testing::TestWithParam<DibCase> {};

TEST_P(LoadDibTest, PacksHeaderColoursAndPixels) {
  const DibCase& c = GetParam();
  HGLOBAL dib = LoadDibResource(Module(), c.name, "DIB");
  ASSERT_NE(dib, nullptr);
  const BYTE* block = static_cast<const BYTE*>(GlobalLock(dib));
  const BITMAPINFOHEADER* header = reinterpret_cast<const BITMAPINFOHEADER*>(block);
  EXPECT_EQ(header->biSize, 40u);
  EXPECT_EQ(header->biWidth, c.width);
  EXPECT_EQ(header->biHeight, c.height);
  EXPECT_EQ(header->biPlanes, 1);
  EXPECT_EQ(header->biBitCount, c.bitCount);
  EXPECT_EQ(header->biClrUsed, c.clrUsed);
  EXPECT_EQ(header->biSizeImage, c.sizeImage);
  EXPECT_GE(GlobalSize(dib), 40 + c.clrUsed * 4 + c.sizeImage);
  const BYTE* table = block + 40;
  for (DWORD i = 0; i < c.clrUsed; i++) {
    ASSERT_EQ(RGB(table[4 * i + 2], table[4 * i + 1], table[4 * i]), TestPaletteColour(int(i))) << i;
    ASSERT_EQ(table[4 * i + 3], 0) << i;
  }
  if (c.bitCount == 8) {
    const BYTE* pixels = table + c.clrUsed * 4;
    DWORD stride = c.sizeImage / c.height;
    for (int y = 0; y < c.height; y++) {
      for (int x = 0; x < c.width; x++) {
        ASSERT_EQ(pixels[(c.height - 1 - y) * stride + x], BYTE(x + 16 * y)) << x << "," << y;
      }
    }
  }
  GlobalUnlock(dib);
  GlobalFree(dib);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, LoadDibTest,
    ::testing::Values(DibCase{"TEST_PAL16", 16, 16, 8, 256, 256},
                      // biClrUsed and biSizeImage 0 in the file: both worked out.
                      DibCase{"TEST_W17", 17, 16, 8, 256, 320},
                      // An image size smaller than the rows: the rows win.
                      DibCase{"TEST_SMALL_SIZE", 16, 16, 8, 256, 256},
                      DibCase{"TEST_RGB24", 5, 3, 24, 0, 48},
                      // 12-byte core header and 3-byte colour entries, widened.
                      DibCase{"TEST_CORE16", 16, 16, 8, 256, 256}));

TEST(LoadDibResource, RefusesMissingAndMalformedResources) {
  for (const char* name : {"TEST_MISSING", "TEST_NOT_BMP", "TEST_SHORT_PIXELS", "TEST_ZERO_OFFSET"}) {
    EXPECT_EQ(LoadDibResource(Module(), name, "DIB"), nullptr) << name;
  }
  EXPECT_EQ(LoadDibResource(Module(), "TEST_PAL16", "FIG"), nullptr);
}

// Every prefix of a BMP image either parses within its bytes or is refused.
TEST(ParseBmpHeader, StaysWithinTheBytesItIsGiven) {
  HRSRC found = FindResourceA(Module(), "TEST_PAL16", "DIB");
  const BYTE* file = static_cast<const BYTE*>(LockResource(LoadResource(Module(), found)));
  DWORD size = SizeofResource(Module(), found);
  ASSERT_EQ(size, 1334u);
  for (DWORD length = 0; length <= size; length++) {
    // The copy ends right at a no-access page: any read past it faults.
    BYTE* pages = static_cast<BYTE*>(VirtualAlloc(nullptr, 8192, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD old;
    VirtualProtect(pages + 4096, 4096, PAGE_NOACCESS, &old);
    BYTE* copy = pages + 4096 - length;
    memcpy(copy, file, length);
    HGLOBAL block = ParseBmpHeader(copy, length);
    // Header and the full colour table end at byte 1078.
    EXPECT_EQ(block != nullptr, length >= 1078) << length;
    GlobalFree(block);
    VirtualFree(pages, 0, MEM_RELEASE);
  }
}

TEST(CreateDibPalette, MakesAllEntriesOrNothingWithoutATable) {
  EXPECT_EQ(CreateDibPalette(nullptr), nullptr);

  HGLOBAL dib = LoadDibResource(Module(), "TEST_W17", "DIB");
  HPALETTE palette = CreateDibPalette(static_cast<const BITMAPINFOHEADER*>(GlobalLock(dib)));
  GlobalUnlock(dib);
  GlobalFree(dib);
  ASSERT_NE(palette, nullptr);
  ExpectTestPalette(palette);
  DeleteObject(palette);

  // No colour table at 24 bits, even with biClrUsed read as 0 and 2^24 colours possible.
  dib = LoadDibResource(Module(), "TEST_RGB24", "DIB");
  EXPECT_EQ(CreateDibPalette(static_cast<const BITMAPINFOHEADER*>(GlobalLock(dib))), nullptr);
  GlobalUnlock(dib);
  GlobalFree(dib);
}

TEST(CreateBitmapFromDib, MakesDeviceBitmapsWithOrWithoutAPalette) {
  EXPECT_EQ(CreateBitmapFromDib(nullptr, nullptr), nullptr);

  HGLOBAL dib = LoadDibResource(Module(), "TEST_RGB24", "DIB");
  HBITMAP bitmap = CreateBitmapFromDib(dib, nullptr);
  GlobalFree(dib);
  ASSERT_NE(bitmap, nullptr);
  BITMAP info;
  ASSERT_EQ(GetObjectA(bitmap, sizeof(info), &info), int(sizeof(info)));
  EXPECT_EQ(info.bmWidth, 5);
  EXPECT_EQ(info.bmHeight, 3);
  if (ColoursAreExact()) {
    std::vector<COLORREF> pixels = ReadPixels(bitmap);
    for (int y = 0; y < 3; y++) {
      for (int x = 0; x < 5; x++) {
        EXPECT_EQ(pixels[y * 5 + x], RGB(200, 60 * y, 40 * x)) << x << "," << y;
      }
    }
  }
  DeleteObject(bitmap);

  // With its own palette, selected into the screen DC only at 8 bits per pixel.
  dib = LoadDibResource(Module(), "TEST_PAL16", "DIB");
  HPALETTE palette = CreateDibPalette(static_cast<const BITMAPINFOHEADER*>(GlobalLock(dib)));
  GlobalUnlock(dib);
  bitmap = CreateBitmapFromDib(dib, palette);
  GlobalFree(dib);
  ASSERT_NE(bitmap, nullptr);
  ASSERT_EQ(GetObjectA(bitmap, sizeof(info), &info), int(sizeof(info)));
  EXPECT_EQ(info.bmWidth, 16);
  EXPECT_EQ(info.bmBitsPixel, ScreenBitsPerPixel());
  DeleteObject(bitmap);
  // The screen DC got its own palette back: the DIB's palette is free to go.
  EXPECT_TRUE(DeleteObject(palette));
}

TEST(LoadDibBitmap, MatchesColoursThroughTheDibsOwnPalette) {
  EXPECT_EQ(LoadDibBitmap(Module(), "TEST_MISSING"), nullptr);
  for (const char* name : {"TEST_PAL16", "TEST_CORE16"}) {
    HBITMAP bitmap = LoadDibBitmap(Module(), name);
    ASSERT_NE(bitmap, nullptr) << name;
    BITMAP info;
    ASSERT_EQ(GetObjectA(bitmap, sizeof(info), &info), int(sizeof(info)));
    EXPECT_EQ(info.bmWidth, 16);
    EXPECT_EQ(info.bmHeight, 16);
    if (ColoursAreExact()) {
      std::vector<COLORREF> pixels = ReadPixels(bitmap);
      for (int i = 0; i < 256; i++) {
        ASSERT_EQ(pixels[i], TestPaletteColour(i)) << name << " pixel " << i;
      }
    }
    DeleteObject(bitmap);
  }
}

}  // namespace
