#include "gfx/bitmap_ops.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "gfx/gdi_objects.h"
#include "tests/gfx/gdi_test_util.h"

namespace {

const COLORREF kBackground = RGB(10, 20, 250);
const COLORREF kCornerA = RGB(255, 0, 0);  // top-left key
const COLORREF kCornerB = RGB(0, 255, 0);  // bottom-right key

// 10 x 4 source: distinct colours, with A pixels (top-left among them) and B
// pixels (bottom-right among them) scattered through it.
COLORREF SourceColour(int x, int y) {
  static const std::set<std::pair<int, int>> a = {{0, 0}, {2, 1}, {5, 2}, {7, 3}, {3, 0}};
  static const std::set<std::pair<int, int>> b = {{9, 3}, {3, 1}, {4, 2}, {6, 0}, {8, 3}};
  if (a.count({x, y})) {
    return kCornerA;
  }
  if (b.count({x, y})) {
    return kCornerB;
  }
  return RGB(20 * x + 5, 50 * y + 5, 77);
}

TEST(BitmapSize, IsZeroForWhatIsNotABitmap) {
  HBITMAP bitmap = MakeBitmap(10, 4, SourceColour);
  EXPECT_EQ(GetBitmapWidth(bitmap), 10);
  EXPECT_EQ(GetBitmapHeight(bitmap), 4);
  DeleteObject(bitmap);

  HBRUSH brush = CreateSolidBrush(kBackground);
  HGDIOBJ notBitmaps[] = {nullptr, brush, GetStockObject(DEFAULT_PALETTE), GetStockObject(SYSTEM_FONT)};
  for (HGDIOBJ handle : notBitmaps) {
    EXPECT_EQ(GetBitmapWidth(static_cast<HBITMAP>(handle)), 0);
    EXPECT_EQ(GetBitmapHeight(static_cast<HBITMAP>(handle)), 0);
  }
  DeleteObject(brush);
}

struct KeyedCase {
  const char* what;
  RECT destRect;
  int srcX, srcY;
  int keyCorner;
};

class BlitKeyedTest : public ::testing::TestWithParam<KeyedCase> {};

// What a keyed draw must leave: inside the rectangle the source where it is not
// the key, the old destination elsewhere.
std::vector<COLORREF> Expected(const KeyedCase& c, COLORREF key, int destWidth, int destHeight) {
  std::vector<COLORREF> pixels(size_t(destWidth) * destHeight, kBackground);
  for (int y = c.destRect.top; y < c.destRect.bottom; y++) {
    for (int x = c.destRect.left; x < c.destRect.right; x++) {
      COLORREF source = SourceColour(c.srcX + x - c.destRect.left, c.srcY + y - c.destRect.top);
      if (source != key) {
        pixels[size_t(y) * destWidth + x] = source;
      }
    }
  }
  return pixels;
}

TEST_P(BlitKeyedTest, LeavesOutTheKeyAndRestoresTheSource) {
  const KeyedCase& c = GetParam();
  HBITMAP source = MakeBitmap(10, 4, SourceColour);
  HBITMAP target = MakeBitmap(20, 10, [](int, int) { return kBackground; });
  std::vector<COLORREF> sourceBefore = ReadPixels(source);
  {
    MemoryDc dest(nullptr, target);
    BlitKeyed(dest.get(), &c.destRect, source, c.srcX, c.srcY, c.keyCorner);
  }
  COLORREF key = c.keyCorner == 1 ? kCornerB : kCornerA;
  EXPECT_EQ(ReadPixels(target), Expected(c, key, 20, 10));
  EXPECT_EQ(ReadPixels(source), sourceBefore);
  DeleteObject(source);
  DeleteObject(target);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BlitKeyedTest,
    ::testing::Values(KeyedCase{"whole bitmap, key top-left", {3, 2, 13, 6}, 0, 0, 0},
                      KeyedCase{"whole bitmap, key bottom-right", {3, 2, 13, 6}, 0, 0, 1},
                      // The corner of the whole bitmap, whatever area is drawn.
                      KeyedCase{"inner area, key bottom-right", {0, 0, 5, 2}, 2, 1, 1},
                      KeyedCase{"inner area, key top-left", {11, 7, 16, 9}, 2, 1, 0},
                      // Row 3 from x 0 to 4 has no A pixel: an opaque rectangle.
                      KeyedCase{"key absent from the area", {1, 1, 6, 2}, 0, 3, 0}));

TEST(BlitKeyed, AllKeyColourLeavesTheDestinationUnchanged) {
  HBITMAP source = MakeBitmap(6, 3, [](int, int) { return kCornerA; });
  HBITMAP target = MakeBitmap(20, 10, [](int x, int y) { return RGB(x * 10, y * 20, 3); });
  std::vector<COLORREF> before = ReadPixels(target);
  RECT rect = {2, 2, 8, 5};
  for (int corner : {0, 1}) {
    MemoryDc dest(nullptr, target);
    BlitKeyed(dest.get(), &rect, source, 0, 0, corner);
  }
  EXPECT_EQ(ReadPixels(target), before);
  DeleteObject(source);
  DeleteObject(target);
}

TEST(BlitKeyedTopLeft, KeysOnTheTopLeftPixel) {
  KeyedCase c = {"top-left", {3, 2, 13, 6}, 0, 0, 0};
  HBITMAP source = MakeBitmap(10, 4, SourceColour);
  HBITMAP target = MakeBitmap(20, 10, [](int, int) { return kBackground; });
  {
    MemoryDc dest(nullptr, target);
    BlitKeyedTopLeft(dest.get(), &c.destRect, source, 0, 0);
  }
  EXPECT_EQ(ReadPixels(target), Expected(c, kCornerA, 20, 10));
  DeleteObject(source);
  DeleteObject(target);
}

TEST(BlitKeyedWithScratch, LeavesOutTheGivenKeyAndNeverChangesTheSource) {
  HBITMAP source = MakeBitmap(10, 4, SourceColour);
  HBITMAP target = MakeBitmap(20, 10, [](int, int) { return kBackground; });
  // Work bitmaps larger than the area, as the animation player keeps them.
  HBITMAP mask = CreateBitmap(12, 12, 1, 1, nullptr);
  HBITMAP scratch = MakeBitmap(12, 12, [](int, int) { return RGB(1, 2, 3); });
  std::vector<COLORREF> sourceBefore = ReadPixels(source);
  for (COLORREF key : {kCornerA, kCornerB}) {
    KeyedCase c = {"scratch", {4, 5, 11, 8}, 2, 1, 0};
    RECT srcRect = {2, 1, 9, 4};
    {
      MemoryDc dest(nullptr, target);
      HBRUSH fill = CreateSolidBrush(kBackground);
      RECT all = {0, 0, 20, 10};
      FillRect(dest.get(), &all, fill);
      DeleteObject(fill);
      BlitKeyedWithScratch(dest.get(), source, mask, scratch, 4, 5, &srcRect, key);
    }
    EXPECT_EQ(ReadPixels(target), Expected(c, key, 20, 10));
    EXPECT_EQ(ReadPixels(source), sourceBefore);
  }
  DeleteObject(source);
  DeleteObject(target);
  DeleteObject(mask);
  DeleteObject(scratch);
}

COLORREF Pattern(int x, int y) {
  return RGB(x, y * 4, 99);
}

const COLORREF kUntouched = RGB(200, 0, 200);

struct ClipCase {
  const char* what;
  int x, y, width, height, srcX, srcY;
  // The copy that must happen after clipping (width 0: none).
  int toX, toY, copyWidth, copyHeight, fromX, fromY;
};

class GrabClippedTest : public ::testing::TestWithParam<ClipCase> {};

TEST_P(GrabClippedTest, ClipsTargetThenSourceCoordinates) {
  const ClipCase& c = GetParam();
  HBITMAP sourceBitmap = MakeBitmap(200, 50, Pattern);
  HBITMAP bitmap = MakeBitmap(40, 20, [](int, int) { return kUntouched; });
  {
    MemoryDc source(nullptr, sourceBitmap);
    GrabIntoBitmapClipped(source.get(), bitmap, c.x, c.y, c.width, c.height, c.srcX, c.srcY);
  }
  std::vector<COLORREF> expected(40 * 20, kUntouched);
  for (int y = 0; y < c.copyHeight; y++) {
    for (int x = 0; x < c.copyWidth; x++) {
      expected[(c.toY + y) * 40 + c.toX + x] = Pattern(c.fromX + x, c.fromY + y);
    }
  }
  EXPECT_EQ(ReadPixels(bitmap), expected);
  DeleteObject(sourceBitmap);
  DeleteObject(bitmap);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GrabClippedTest,
    ::testing::Values(ClipCase{"inside", 2, 3, 10, 5, 30, 7, 2, 3, 10, 5, 30, 7},
                      ClipCase{"left of the bitmap", -5, 0, 20, 4, 100, 0, 0, 0, 15, 4, 105, 0},
                      ClipCase{"left of the source", 10, 0, 20, 4, -3, 0, 13, 0, 17, 4, 0, 0},
                      ClipCase{"above the bitmap", 1, -2, 6, 5, 3, 10, 1, 0, 6, 3, 3, 12},
                      ClipCase{"above the source", 1, 2, 6, 5, 3, -4, 1, 6, 6, 1, 3, 0},
                      ClipCase{"target and source", -2, -1, 10, 6, -5, 3, 3, 0, 5, 5, 0, 4},
                      ClipCase{"clipped away", -30, 0, 20, 4, 0, 0, 0, 0, 0, 0, 0, 0},
                      ClipCase{"clipped away above", 0, 0, 8, 3, 0, -3, 0, 0, 0, 0, 0, 0}));

TEST(PlainCopies, CopyBitmapPartNeedsNoDc) {
  HBITMAP source = MakeBitmap(30, 20, Pattern);
  HBITMAP dest = MakeBitmap(10, 10, [](int, int) { return kUntouched; });
  CopyBitmapPart(dest, 2, 3, 5, 4, source, 11, 12);
  std::vector<COLORREF> pixels = ReadPixels(dest);
  for (int y = 0; y < 10; y++) {
    for (int x = 0; x < 10; x++) {
      bool copied = x >= 2 && x < 7 && y >= 3 && y < 7;
      EXPECT_EQ(pixels[y * 10 + x], copied ? Pattern(x + 9, y + 9) : kUntouched) << x << "," << y;
    }
  }
  DeleteObject(source);
  DeleteObject(dest);
}

TEST(PlainCopies, DrawAndGrabMoveTheRightRectangles) {
  HBITMAP picture = MakeBitmap(6, 4, Pattern);
  HBITMAP canvas = MakeBitmap(20, 10, [](int, int) { return kUntouched; });
  {
    MemoryDc dc(nullptr, canvas);
    DrawBitmap(dc.get(), picture, 1, 2);
    DrawBitmapPart(dc.get(), picture, 10, 5, 3, 2, 2, 1);
  }
  std::vector<COLORREF> pixels = ReadPixels(canvas);
  for (int y = 0; y < 10; y++) {
    for (int x = 0; x < 20; x++) {
      COLORREF expected = kUntouched;
      if (x >= 1 && x < 7 && y >= 2 && y < 6) {
        expected = Pattern(x - 1, y - 2);
      } else if (x >= 10 && x < 13 && y >= 5 && y < 7) {
        expected = Pattern(x - 8, y - 4);
      }
      EXPECT_EQ(pixels[y * 20 + x], expected) << x << "," << y;
    }
  }

  HBITMAP grabbed = MakeBitmap(4, 3, [](int, int) { return kUntouched; });
  {
    MemoryDc dc(nullptr, canvas);
    GrabIntoBitmap(dc.get(), grabbed, 2, 3);
  }
  std::vector<COLORREF> grabbedPixels = ReadPixels(grabbed);
  for (int y = 0; y < 3; y++) {
    for (int x = 0; x < 4; x++) {
      EXPECT_EQ(grabbedPixels[y * 4 + x], Pattern(x + 1, y + 1)) << x << "," << y;
    }
  }
  DeleteObject(picture);
  DeleteObject(canvas);
  DeleteObject(grabbed);
}

}  // namespace
