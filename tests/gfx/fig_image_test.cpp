#include "gfx/fig_image.h"

#include <gtest/gtest.h>

#include "tests/gfx/fig_builder.h"
#include "tests/gfx/gdi_test_util.h"

namespace {

// FIG resources of the test fixtures (tests/gfx/gfx_fixtures.rc).
const LPCSTR kFramesFig = MAKEINTRESOURCEA(900);  // 57 x 29 and 27 x 41, seeds 0 and 31
const LPCSTR kNotAFig = MAKEINTRESOURCEA(901);
const LPCSTR kMissing = MAKEINTRESOURCEA(999);

HINSTANCE Module() {
  return GetModuleHandleA(nullptr);
}

// The frame's bitmap shows pixel (x, y) in the palette colour of FigTestPixel.
void ExpectFramePixels(HBITMAP bitmap, const FigTestFrame& shape) {
  ASSERT_EQ(GetObjectType(bitmap), DWORD(OBJ_BITMAP));
  std::vector<COLORREF> pixels = ReadPixels(bitmap);
  ASSERT_EQ(pixels.size(), size_t(shape.width) * shape.height);
  for (int y = 0; y < shape.height; y++) {
    for (int x = 0; x < shape.width; x++) {
      ASSERT_EQ(pixels[y * shape.width + x], TestPaletteColour(FigTestPixel(shape, x, y))) << x << "," << y;
    }
  }
}

FigTestFrame Frame(int width, int height, uint8_t seed) {
  FigTestFrame shape;
  shape.width = int16_t(width);
  shape.height = int16_t(height);
  shape.seed = seed;
  return shape;
}

TEST(FigOpen, RefusesWrongMagicInAnyByte) {
  std::vector<uint8_t> good = BuildFig({Frame(4, 4, 0)}, 4, 4);
  FigImage* image = FigOpenMemory(good.data(), DWORD(good.size()));
  EXPECT_NE(image, nullptr);
  FigClose(image);
  for (int i = 0; i < 4; i++) {
    std::vector<uint8_t> fig = good;
    fig[i] = 'X';
    EXPECT_EQ(FigOpenMemory(fig.data(), DWORD(fig.size())), nullptr) << "byte " << i;
  }
}

TEST(FigOpen, RefusesWhatIsNotAFigResource) {
  EXPECT_EQ(FigOpenResource(Module(), kNotAFig), nullptr);
  EXPECT_EQ(FigOpenResource(Module(), kMissing), nullptr);
  EXPECT_EQ(FigLoadPalette(Module(), kNotAFig), nullptr);
  EXPECT_EQ(FigLoadFirstFrame(Module(), kNotAFig), nullptr);
  EXPECT_EQ(FigLoadFirstFrame(Module(), kMissing), nullptr);
  EXPECT_EQ(FigOpenMemory(nullptr, 100), nullptr);
}

TEST(FigReadFrame, ReportsNoImageAndNoFrames) {
  HBITMAP bitmap = reinterpret_cast<HBITMAP>(1);
  FigFrameHeader* header = reinterpret_cast<FigFrameHeader*>(1);
  EXPECT_EQ(FigReadFrame(nullptr, &bitmap, &header), kFigNoImage);
  EXPECT_EQ(bitmap, nullptr);
  EXPECT_EQ(header, nullptr);

  std::vector<uint8_t> fig = BuildFig({}, 20, 10);
  FigImage* image = FigOpenMemory(fig.data(), DWORD(fig.size()));
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->frameCount, 0);
  bitmap = reinterpret_cast<HBITMAP>(1);
  header = reinterpret_cast<FigFrameHeader*>(1);
  EXPECT_EQ(FigReadFrame(image, &bitmap, &header), kFigNoFrames);
  EXPECT_EQ(bitmap, nullptr);
  EXPECT_EQ(header, nullptr);
  FigClose(image);
}

TEST(FigReadFrame, DecodesFramesWithTheirHeaders) {
  FigTestFrame first = Frame(57, 29, 0);
  first.left = -7;
  first.top = 12;
  first.transparentIndex = 1;
  first.delay = 45;
  first.disposal = 2;
  FigTestFrame second = Frame(27, 41, 31);
  std::vector<uint8_t> fig = BuildFig({first, second}, 468, 60, 3, 29);
  FigImage* image = FigOpenMemory(fig.data(), DWORD(fig.size()));
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->sourceKind, kFigFromMemory);
  EXPECT_EQ(image->loopCount, 3);
  EXPECT_EQ(image->frameCount, 2);
  EXPECT_EQ(image->width, 468);
  EXPECT_EQ(image->height, 60);
  EXPECT_EQ(image->extraWord, 29);
  EXPECT_EQ(std::vector<uint8_t>(image->palette, image->palette + kFigPaletteBytes), FigTestPalette());

  struct Expect {
    const FigTestFrame* shape;
    DWORD pixelBytes;
  } frames[] = {{&first, 1740}, {&second, 1148}};
  for (const Expect& e : frames) {
    HBITMAP bitmap;
    FigFrameHeader* header;
    ASSERT_EQ(FigReadFrame(image, &bitmap, &header), kFigFrameRead);
    const BITMAPINFOHEADER& dib = header->dibHeader;
    EXPECT_EQ(dib.biSize, 40u);
    EXPECT_EQ(dib.biWidth, e.shape->width);
    EXPECT_EQ(dib.biHeight, e.shape->height);
    EXPECT_EQ(dib.biPlanes, 1);
    EXPECT_EQ(dib.biBitCount, 8);
    EXPECT_EQ(dib.biCompression, DWORD(BI_RGB));
    EXPECT_EQ(dib.biSizeImage, e.pixelBytes);
    EXPECT_EQ(dib.biXPelsPerMeter, 0);
    EXPECT_EQ(dib.biClrUsed, 256u);
    EXPECT_EQ(dib.biClrImportant, 256u);
    EXPECT_EQ(header->left, e.shape->left);
    EXPECT_EQ(header->top, e.shape->top);
    EXPECT_EQ(header->transparentIndex, e.shape->transparentIndex);
    EXPECT_EQ(header->delay, e.shape->delay);
    EXPECT_EQ(header->disposal, e.shape->disposal);
    ExpectFramePixels(bitmap, *e.shape);
    DeleteObject(bitmap);
    FigFreeFrameHeader(header);
  }
  FigClose(image);
}

TEST(FigRewind, StartsOverAndKeepsThePaletteHandle) {
  FigTestFrame first = Frame(57, 29, 0);
  FigTestFrame second = Frame(27, 41, 31);
  std::vector<uint8_t> fig = BuildFig({first, second}, 60, 41);
  FigImage* image = FigOpenMemory(fig.data(), DWORD(fig.size()));
  ASSERT_NE(image, nullptr);
  HPALETTE palette = image->paletteHandle;
  ASSERT_EQ(GetObjectType(palette), DWORD(OBJ_PAL));
  for (int pass = 0; pass < 3; pass++) {
    for (const FigTestFrame* shape : {&first, &second}) {
      HBITMAP bitmap;
      FigFrameHeader* header;
      ASSERT_EQ(FigReadFrame(image, &bitmap, &header), kFigFrameRead) << pass;
      EXPECT_EQ(header->dibHeader.biWidth, shape->width) << pass;
      ExpectFramePixels(bitmap, *shape);
      DeleteObject(bitmap);
      FigFreeFrameHeader(header);
    }
    FigRewind(image);
    EXPECT_EQ(image->paletteHandle, palette);
    EXPECT_EQ(image->frameCount, 2);
  }
  FigClose(image);
}

TEST(FigReadFrame, DamagedPixelsStillGiveAFrameOfPaletteEntryZero) {
  FigTestFrame shape = Frame(16, 8, 1);
  std::vector<uint8_t> fig = BuildFig({}, 16, 8);
  fig[6] = 1;
  PutFrameRecord(&fig, shape, std::vector<uint8_t>(30, 0xA5));
  FigImage* image = FigOpenMemory(fig.data(), DWORD(fig.size()));
  ASSERT_NE(image, nullptr);
  HBITMAP bitmap;
  FigFrameHeader* header;
  ASSERT_EQ(FigReadFrame(image, &bitmap, &header), kFigFrameRead);
  EXPECT_EQ(header->dibHeader.biSizeImage, 128u);  // the capacity: nothing inflated
  EXPECT_EQ(ReadPixels(bitmap), std::vector<COLORREF>(128, TestPaletteColour(0)));
  DeleteObject(bitmap);
  FigFreeFrameHeader(header);
  FigClose(image);
}

TEST(FigReadFrame, RefusesFramesItCannotShowSafely) {
  struct Case {
    const char* what;
    int16_t planes, bitCount, compression;
    size_t cut;  // bytes taken off the end of the image
  } cases[] = {
      {"record cut short", 1, 8, 0, 10},
      {"24 bits per pixel", 1, 24, 0, 0},
      {"two planes", 2, 8, 0, 0},
      {"run-length rows", 1, 8, 1, 0},
  };
  for (const Case& c : cases) {
    FigTestFrame shape = Frame(40, 30, 2);
    shape.planes = c.planes;
    shape.bitCount = c.bitCount;
    shape.compression = c.compression;
    std::vector<uint8_t> fig = BuildFig({shape}, 40, 30);
    fig.resize(fig.size() - c.cut);
    FigImage* image = FigOpenMemory(fig.data(), DWORD(fig.size()));
    ASSERT_NE(image, nullptr) << c.what;
    HBITMAP bitmap = reinterpret_cast<HBITMAP>(1);
    FigFrameHeader* header = reinterpret_cast<FigFrameHeader*>(1);
    EXPECT_EQ(FigReadFrame(image, &bitmap, &header), kFigBadFrame) << c.what;
    EXPECT_EQ(bitmap, nullptr) << c.what;
    EXPECT_EQ(header, nullptr) << c.what;
    FigClose(image);
  }
}

TEST(FigResource, OpensFirstFrameAndPalette) {
  FigImage* image = FigOpenResource(Module(), kFramesFig);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->sourceKind, kFigFromResource);
  EXPECT_NE(image->resource, nullptr);
  EXPECT_EQ(image->frameCount, 2);
  EXPECT_EQ(image->loopCount, -1);
  FigClose(image);

  HBITMAP first = FigLoadFirstFrame(Module(), kFramesFig);
  ExpectFramePixels(first, Frame(57, 29, 0));
  DeleteObject(first);

  HPALETTE palette = FigLoadPalette(Module(), kFramesFig);
  ExpectTestPalette(palette);
  DeleteObject(palette);
}

}  // namespace
