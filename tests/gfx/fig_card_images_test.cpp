// The card's own FIG images, read from res/ as the resource compiler takes them.
#include "gfx/fig_core.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> ReadResFile(const std::string& name) {
  std::ifstream file(std::string(CARDLING_RES_DIR) + "/" + name, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

struct CardImage {
  int id;
  int frames;
  int width, height;
  int extraWord;
};

class CardImageTest : public ::testing::TestWithParam<CardImage> {};

TEST_P(CardImageTest, DecodesEveryFrameWithThePaletteOfIdbPal) {
  const CardImage& image = GetParam();
  std::vector<uint8_t> fig = ReadResFile("fig" + std::to_string(image.id) + ".fig");
  ASSERT_FALSE(fig.empty());
  std::vector<uint8_t> bmp = ReadResFile("palette.bmp");
  ASSERT_EQ(bmp.size(), 1334u);

  FigCursor cursor{fig.data(), fig.size(), 0};
  FigHeader header;
  uint8_t palette[kFigPaletteBytes];
  ASSERT_TRUE(FigDecodeHeader(&cursor, &header, palette));
  EXPECT_EQ(header.loopCount, -1);
  EXPECT_EQ(header.frameCount, image.frames);
  EXPECT_EQ(header.width, image.width);
  EXPECT_EQ(header.height, image.height);
  EXPECT_EQ(header.extraWord, image.extraWord);
  EXPECT_EQ(cursor.position, kFigFileHeaderSize + size_t(header.paletteSize));
  EXPECT_EQ(std::vector<uint8_t>(palette, palette + kFigPaletteBytes),
            std::vector<uint8_t>(bmp.begin() + 54, bmp.begin() + 54 + kFigPaletteBytes));

  for (int i = 0; i < header.frameCount; i++) {
    size_t recordAt = cursor.position;
    FigFrame frame;
    ASSERT_EQ(FigDecodeFrame(&cursor, &frame), FigFrameStatus::kDecoded) << "frame " << i;
    const FigFrameRecord& record = frame.record;
    EXPECT_EQ(cursor.position, recordAt + kFigFrameHeaderSize + size_t(record.dataSize));
    EXPECT_EQ(frame.inflatedBytes, frame.pixelBytes) << "frame " << i;
    EXPECT_EQ(record.planes, 1);
    EXPECT_EQ(record.bitCount, 8);
    EXPECT_EQ(record.compression, 0);
    EXPECT_LE(record.left + record.width, image.width);
    EXPECT_LE(record.top + record.height, image.height);
    if (image.frames == 1) {
      EXPECT_EQ(record.left, 0);
      EXPECT_EQ(record.top, 0);
      EXPECT_EQ(record.width, image.width);
      EXPECT_EQ(record.height, image.height);
      EXPECT_EQ(record.transparentIndex, -1);
      EXPECT_EQ(record.delay, 0);
      EXPECT_EQ(record.disposal, -1);
    }
  }
  EXPECT_EQ(cursor.position, fig.size());
}

INSTANTIATE_TEST_SUITE_P(Card, CardImageTest,
                         ::testing::Values(CardImage{201, 1, 480, 300, 0}, CardImage{202, 1, 600, 600, 0},
                                           CardImage{203, 1, 600, 450, 0}, CardImage{204, 1, 520, 680, 0},
                                           CardImage{205, 1, 600, 150, 0}, CardImage{206, 1, 600, 750, 0},
                                           CardImage{207, 1, 480, 300, 0}, CardImage{1200, 1, 493, 359, 0},
                                           CardImage{1201, 14, 468, 60, 29}),
                         [](const ::testing::TestParamInfo<CardImage>& info) {
                           return "Fig" + std::to_string(info.param.id);
                         });

}  // namespace
