#include "gfx/fig_core.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/gfx/fig_builder.h"

namespace {

// The first `length` bytes of an image, copied into an exact-size heap block so
// that any read past the end is caught, and its header decoded from there.
struct DecodedFig {
  DecodedFig(const std::vector<uint8_t>& source, size_t length) : data(new uint8_t[length ? length : 1]) {
    memcpy(data.get(), source.data(), length);
    cursor = FigCursor{data.get(), length, 0};
    opened = FigDecodeHeader(&cursor, &header, palette);
  }
  explicit DecodedFig(const std::vector<uint8_t>& source) : DecodedFig(source, source.size()) {}
  std::unique_ptr<uint8_t[]> data;
  FigCursor cursor;
  FigHeader header;
  uint8_t palette[kFigPaletteBytes];
  bool opened = false;
};

size_t FirstRecordOffset(const std::vector<uint8_t>& fig) {
  uint32_t paletteSize = fig[14] | (fig[15] << 8) | (fig[16] << 16) | (uint32_t(fig[17]) << 24);
  return kFigFileHeaderSize + paletteSize;
}

void SetLong(std::vector<uint8_t>* bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; i++) {
    (*bytes)[at + i] = uint8_t(value >> (8 * i));
  }
}

TEST(FigCore, ReadsHeaderAndPalette) {
  std::vector<uint8_t> fig = BuildFig({FigTestFrame{}}, 468, 60, -1, 29);
  DecodedFig image(fig);
  ASSERT_TRUE(image.opened);
  EXPECT_EQ(image.header.loopCount, -1);
  EXPECT_EQ(image.header.frameCount, 1);
  EXPECT_EQ(image.header.width, 468);
  EXPECT_EQ(image.header.height, 60);
  EXPECT_EQ(image.header.extraWord, 29);
  EXPECT_EQ(size_t(image.header.paletteSize), FirstRecordOffset(fig) - kFigFileHeaderSize);
  EXPECT_EQ(image.cursor.position, FirstRecordOffset(fig));
  EXPECT_EQ(std::vector<uint8_t>(image.palette, image.palette + kFigPaletteBytes), FigTestPalette());
}

TEST(FigCore, RefusesWrongMagicInAnyByte) {
  std::vector<uint8_t> good = BuildFig({}, 4, 4);
  for (int i = 0; i < 4; i++) {
    std::vector<uint8_t> fig = good;
    fig[i] ^= 0x20;  // "fIG1", "FiG1", ... are not FIG images either
    DecodedFig image(fig);
    EXPECT_FALSE(image.opened) << "byte " << i;
  }
}

TEST(FigCore, RefusesPaletteBlocksThatDoNotInflate) {
  std::vector<uint8_t> good = BuildFig({}, 4, 4);
  struct Case {
    const char* what;
    uint32_t paletteSize;
    bool garble;
  } cases[] = {
      {"empty block", 0, false},
      {"block past the end", uint32_t(good.size()), false},
      {"negative size", 0x80000000u, false},
      {"damaged stream", uint32_t(good.size() - kFigFileHeaderSize), true},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> fig = good;
    SetLong(&fig, 14, c.paletteSize);
    if (c.garble) {
      memset(&fig[kFigFileHeaderSize], 0xA5, fig.size() - kFigFileHeaderSize);
    }
    DecodedFig image(fig);
    EXPECT_FALSE(image.opened) << c.what;
  }
}

TEST(FigCore, ZeroFramesOpens) {
  std::vector<uint8_t> fig = BuildFig({}, 10, 10);
  DecodedFig image(fig);
  ASSERT_TRUE(image.opened);
  EXPECT_EQ(image.header.frameCount, 0);
  FigFrame frame;
  EXPECT_EQ(FigDecodeFrame(&image.cursor, &frame), FigFrameStatus::kDamaged);
}

TEST(FigCore, FramePixelsUseTheRoundedStride) {
  struct Case {
    int16_t width, height;
    size_t pixelBytes;
  } cases[] = {{57, 29, 1740}, {27, 41, 1148}, {468, 60, 28080}, {1, 1, 4}, {4, 3, 12}};
  std::vector<FigTestFrame> frames;
  for (const Case& c : cases) {
    FigTestFrame frame;
    frame.width = c.width;
    frame.height = c.height;
    frame.left = -3;
    frame.top = 300;
    frame.transparentIndex = 1;
    frame.delay = 40;
    frame.disposal = 1;
    frame.seed = uint8_t(frames.size() * 31);
    frames.push_back(frame);
  }
  std::vector<uint8_t> fig = BuildFig(frames, 600, 600);
  DecodedFig image(fig);
  ASSERT_TRUE(image.opened);
  for (size_t i = 0; i < frames.size(); i++) {
    FigFrame frame;
    ASSERT_EQ(FigDecodeFrame(&image.cursor, &frame), FigFrameStatus::kDecoded) << i;
    EXPECT_EQ(frame.pixelBytes, cases[i].pixelBytes);
    EXPECT_EQ(frame.inflatedBytes, cases[i].pixelBytes);
    EXPECT_EQ(std::vector<uint8_t>(frame.pixels.get(), frame.pixels.get() + frame.pixelBytes),
              FigTestRows(frames[i]));
    EXPECT_EQ(frame.record.width, cases[i].width);
    EXPECT_EQ(frame.record.height, cases[i].height);
    EXPECT_EQ(frame.record.planes, 1);
    EXPECT_EQ(frame.record.bitCount, 8);
    EXPECT_EQ(frame.record.compression, 0);
    EXPECT_EQ(frame.record.left, -3);
    EXPECT_EQ(frame.record.top, 300);
    EXPECT_EQ(frame.record.transparentIndex, 1);
    EXPECT_EQ(frame.record.delay, 40);
    EXPECT_EQ(frame.record.disposal, 1);
  }
  EXPECT_EQ(image.cursor.position, fig.size());
}

TEST(FigCore, RefusesFrameSizesThatAreNotPositiveOrTooLarge) {
  struct Case {
    int16_t width, height;
  } cases[] = {{0, 10}, {10, 0}, {-1, 10}, {10, -1}, {-32768, -32768}, {32767, 32767}, {8192, 8193}};
  for (const Case& c : cases) {
    std::vector<uint8_t> fig = BuildFig({}, 10, 10);
    FigTestFrame shape;
    shape.width = c.width;
    shape.height = c.height;
    PutFrameRecord(&fig, shape, Compress(std::vector<uint8_t>(64, 1)));
    fig[6] = 1;  // frame count
    DecodedFig image(fig);
    ASSERT_TRUE(image.opened);
    size_t before = image.cursor.position;
    FigFrame frame;
    EXPECT_EQ(FigDecodeFrame(&image.cursor, &frame), FigFrameStatus::kDamaged) << c.width << "x" << c.height;
    EXPECT_EQ(image.cursor.position, before);
    EXPECT_FALSE(frame.pixels);
  }
}

TEST(FigCore, AcceptsTheLargestFrame) {
  std::vector<uint8_t> fig = BuildFig({}, 10, 10);
  FigTestFrame shape;
  shape.width = 8192;
  shape.height = 8192;
  PutFrameRecord(&fig, shape, Compress(std::vector<uint8_t>(64, 1)));
  fig[6] = 1;
  DecodedFig image(fig);
  ASSERT_TRUE(image.opened);
  FigFrame frame;
  ASSERT_EQ(FigDecodeFrame(&image.cursor, &frame), FigFrameStatus::kDecoded);
  EXPECT_EQ(frame.pixelBytes, size_t(8192) * 8192);
  EXPECT_EQ(frame.pixels[frame.pixelBytes - 1], 0);
}

TEST(FigCore, RefusesFrameDataPastTheEnd) {
  FigTestFrame shape;
  shape.width = 8;
  shape.height = 8;
  std::vector<uint8_t> good = BuildFig({shape}, 8, 8);
  size_t dataSizeAt = FirstRecordOffset(good) + 10;
  for (uint32_t dataSize : {uint32_t(good.size()), 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
    std::vector<uint8_t> fig = good;
    SetLong(&fig, dataSizeAt, dataSize);
    DecodedFig image(fig);
    ASSERT_TRUE(image.opened);
    FigFrame frame;
    EXPECT_EQ(FigDecodeFrame(&image.cursor, &frame), FigFrameStatus::kDamaged) << dataSize;
  }
}

// Every prefix of a good image: the header or a frame fails, nothing reads past the end.
TEST(FigCore, TruncatedImagesFailWithoutReadingPastTheEnd) {
  FigTestFrame first, second;
  first.width = 57;
  first.height = 29;
  second.width = 27;
  second.height = 41;
  second.seed = 9;
  std::vector<uint8_t> fig = BuildFig({first, second}, 60, 60);
  size_t firstRecord = FirstRecordOffset(fig);
  for (size_t length = 0; length < fig.size(); length++) {
    DecodedFig image(fig, length);
    EXPECT_EQ(image.opened, length >= firstRecord) << length;
    if (!image.opened) {
      continue;
    }
    int decoded = 0;
    FigFrame frame;
    while (decoded < image.header.frameCount &&
           FigDecodeFrame(&image.cursor, &frame) == FigFrameStatus::kDecoded) {
      decoded++;
    }
    EXPECT_LT(decoded, 2) << length;
  }
}

TEST(FigCore, DamagedPixelsGiveAFrameThatIsZeroWhereNothingInflated) {
  FigTestFrame shape;
  shape.width = 30;
  shape.height = 20;
  shape.seed = 1;
  std::vector<uint8_t> rows = FigTestRows(shape);
  std::vector<uint8_t> stream = Compress(rows);

  struct Case {
    const char* what;
    std::vector<uint8_t> data;
    unsigned long inflatedBytes;
  } cases[] = {
      {"garbage", std::vector<uint8_t>(40, 0xA5), 640},
      {"cut short", std::vector<uint8_t>(stream.begin(), stream.begin() + stream.size() / 2), 640},
      {"empty", {}, 640},
      {"fewer rows than the frame", Compress(std::vector<uint8_t>(rows.begin(), rows.begin() + 320)), 320},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> fig = BuildFig({}, 30, 20);
    fig[6] = 1;
    PutFrameRecord(&fig, shape, c.data);
    DecodedFig image(fig);
    ASSERT_TRUE(image.opened);
    // A buffer left over from a larger frame, as a reader reuses it.
    FigFrame frame;
    frame.capacity = 4096;
    frame.pixels.reset(new uint8_t[frame.capacity]);
    memset(frame.pixels.get(), 0xEE, frame.capacity);
    ASSERT_EQ(FigDecodeFrame(&image.cursor, &frame), FigFrameStatus::kDecoded) << c.what;
    EXPECT_EQ(frame.inflatedBytes, c.inflatedBytes) << c.what;
    ASSERT_EQ(frame.pixelBytes, rows.size());
    // What inflated is the image's own prefix; everything after it is zero.
    size_t good = 0;
    while (good < rows.size() && frame.pixels[good] == rows[good]) {
      good++;
    }
    for (size_t i = good; i < rows.size(); i++) {
      ASSERT_EQ(frame.pixels[i], 0) << c.what << " at " << i;
    }
    EXPECT_EQ(image.cursor.position, fig.size());
  }
}

TEST(FigCore, InflateBufferReportsZlibResults) {
  std::vector<uint8_t> plain(1000);
  for (size_t i = 0; i < plain.size(); i++) {
    plain[i] = uint8_t(i * i);
  }
  std::vector<uint8_t> stream = Compress(plain);
  std::vector<uint8_t> garbage(50, 0xA5);
  struct Case {
    const char* what;
    const std::vector<uint8_t>* source;
    unsigned long sourceLen;
    unsigned long capacity;
    int result;
    unsigned long destLen;
  } cases[] = {
      {"whole stream", &stream, (unsigned long)stream.size(), 2000, Z_OK, 1000},
      {"exact room", &stream, (unsigned long)stream.size(), 1000, Z_OK, 1000},
      {"output too small", &stream, (unsigned long)stream.size(), 999, Z_BUF_ERROR, 999},
      {"input cut short", &stream, (unsigned long)stream.size() - 5, 2000, Z_BUF_ERROR, 2000},
      {"damaged stream", &garbage, (unsigned long)garbage.size(), 2000, Z_DATA_ERROR, 2000},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> dest(c.capacity);
    unsigned long destLen = c.capacity;
    EXPECT_EQ(InflateBuffer(dest.data(), &destLen, c.source->data(), c.sourceLen), c.result) << c.what;
    EXPECT_EQ(destLen, c.destLen) << c.what;
    if (c.result == Z_OK) {
      EXPECT_EQ(std::vector<uint8_t>(dest.begin(), dest.begin() + destLen), plain) << c.what;
    }
  }
}

}  // namespace
