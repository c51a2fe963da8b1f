// The card's own pictures, as resources of the executable.
#include <gtest/gtest.h>

#include <cstring>

#include "gfx/dib.h"
#include "gfx/fig_image.h"

namespace {

HINSTANCE Module() {
  return GetModuleHandleA(nullptr);
}

struct CardImage {
  int id;
  int frames;
  int width, height;
};

class CardImageTest : public ::testing::TestWithParam<CardImage> {};

TEST_P(CardImageTest, EveryFrameBecomesABitmapOfItsSize) {
  const CardImage& c = GetParam();
  FigImage* image = FigOpenResource(Module(), MAKEINTRESOURCEA(c.id));
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->frameCount, c.frames);
  EXPECT_EQ(image->width, c.width);
  EXPECT_EQ(image->height, c.height);
  for (int i = 0; i < image->frameCount; i++) {
    HBITMAP bitmap;
    FigFrameHeader* header;
    ASSERT_EQ(FigReadFrame(image, &bitmap, &header), kFigFrameRead) << "frame " << i;
    BITMAP info;
    ASSERT_EQ(GetObjectA(bitmap, sizeof(info), &info), int(sizeof(info))) << "frame " << i;
    EXPECT_EQ(info.bmWidth, header->dibHeader.biWidth);
    EXPECT_EQ(info.bmHeight, header->dibHeader.biHeight);
    EXPECT_LE(header->left + info.bmWidth, c.width);
    EXPECT_LE(header->top + info.bmHeight, c.height);
    DeleteObject(bitmap);
    FigFreeFrameHeader(header);
  }
  FigClose(image);

  HBITMAP first = FigLoadFirstFrame(Module(), MAKEINTRESOURCEA(c.id));
  EXPECT_NE(first, nullptr);
  DeleteObject(first);
}

INSTANTIATE_TEST_SUITE_P(Card, CardImageTest,
                         ::testing::Values(CardImage{201, 1, 480, 300}, CardImage{202, 1, 600, 600},
                                           CardImage{203, 1, 600, 450}, CardImage{204, 1, 520, 680},
                                           CardImage{205, 1, 600, 150}, CardImage{206, 1, 600, 750},
                                           CardImage{207, 1, 480, 300}, CardImage{1200, 1, 493, 359},
                                           CardImage{1201, 14, 468, 60}),
                         [](const ::testing::TestParamInfo<CardImage>& info) {
                           return "Fig" + std::to_string(info.param.id);
                         });

// The FIG palettes and IDB_PAL are one colour table, so one shared palette serves all.
TEST(CardImages, ShareTheColourTableOfIdbPal) {
  HGLOBAL dib = LoadDibResource(Module(), "IDB_PAL", "DIB");
  ASSERT_NE(dib, nullptr);
  const BITMAPINFOHEADER* header = static_cast<const BITMAPINFOHEADER*>(GlobalLock(dib));
  EXPECT_EQ(header->biWidth, 16);
  EXPECT_EQ(header->biHeight, 16);
  EXPECT_EQ(header->biBitCount, 8);
  EXPECT_EQ(header->biClrUsed, 256u);
  EXPECT_EQ(header->biSizeImage, 256u);
  const BYTE* table = reinterpret_cast<const BYTE*>(header) + header->biSize;
  for (int id : {201, 202, 203, 204, 205, 206, 207, 1200, 1201}) {
    FigImage* image = FigOpenResource(Module(), MAKEINTRESOURCEA(id));
    ASSERT_NE(image, nullptr) << id;
    EXPECT_EQ(memcmp(image->palette, table, kFigPaletteBytes), 0) << id;
    FigClose(image);
  }
  GlobalUnlock(dib);
  GlobalFree(dib);
}

TEST(CardImages, AnimationOpensWithItsHeader) {
  FigImage* image = FigOpenResource(Module(), MAKEINTRESOURCEA(1201));
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->loopCount, -1);
  EXPECT_EQ(image->frameCount, 14);
  EXPECT_EQ(image->width, 468);
  EXPECT_EQ(image->height, 60);
  EXPECT_EQ(image->extraWord, 29);
  HBITMAP bitmap;
  FigFrameHeader* header;
  ASSERT_EQ(FigReadFrame(image, &bitmap, &header), kFigFrameRead);
  EXPECT_EQ(header->dibHeader.biWidth, 468);
  EXPECT_EQ(header->dibHeader.biHeight, 60);
  EXPECT_EQ(header->left, 0);
  EXPECT_EQ(header->top, 0);
  DeleteObject(bitmap);
  FigFreeFrameHeader(header);
  FigClose(image);
}

}  // namespace
