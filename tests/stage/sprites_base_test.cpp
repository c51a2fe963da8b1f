// The sprite base over the card's real frame sheets: visibility, geometry,
// frame columns and where each frame is drawn from.
#include <gtest/gtest.h>

#include <vector>

#include "gfx/bitmap_ops.h"
#include "stage/sprite.h"
#include "tests/stage/sprites_canvas.h"

namespace {

// A sprite with no behaviour of its own.
class PlainSprite : public Sprite {
public:
  PlainSprite() : Sprite(nullptr, GetModuleHandleA(nullptr), 0) {}
  int Tick() override { return 0; }
  void SetState(int newState) override { state = newState; }
};

// Checks that `canvas` shows the sheet area at (srcX, srcY) in `dest`, with
// the sheet's key colour letting `background` through, and nothing else.
void ExpectFrameDrawn(const Canvas& canvas, HBITMAP sheet, int srcX, int srcY, const RECT& dest,
                      COLORREF background) {
  std::vector<COLORREF> pixels = ReadPixels(sheet);
  int sheetWidth = GetBitmapWidth(sheet);
  COLORREF key = pixels[0];
  int wrong = 0;
  int opaque = 0;
  for (int y = 0; y < canvas.height; y++) {
    for (int x = 0; x < canvas.width; x++) {
      COLORREF want = background;
      if (x >= dest.left && x < dest.right && y >= dest.top && y < dest.bottom) {
        COLORREF p = pixels[size_t(srcY + y - dest.top) * sheetWidth + srcX + x - dest.left];
        if (p != key) {
          want = p;
          opaque++;
        }
      }
      wrong += canvas.At(x, y) != want;
    }
  }
  EXPECT_EQ(wrong, 0) << "frame from (" << srcX << ", " << srcY << ")";
  EXPECT_GT(opaque, 0) << "the frame at (" << srcX << ", " << srcY << ") is all key colour";
}

TEST(Sprite, NotShownWithoutASheetOrAFrame) {
  PlainSprite sprite;
  sprite.SetBounds(0, 0, 120, 150);
  EXPECT_TRUE(sprite.shown);
  EXPECT_FALSE(sprite.IsShown()) << "no sheet yet";

  ASSERT_NE(sprite.SetImage(202, kImageKindFig), nullptr);
  EXPECT_TRUE(sprite.IsShown());
  sprite.frameOffset = kNoFrame;
  EXPECT_FALSE(sprite.IsShown());
  sprite.frameOffset = 0;

  sprite.SetShown(FALSE);
  EXPECT_FALSE(sprite.IsShown());
  sprite.SetShown(TRUE);
  EXPECT_TRUE(sprite.IsShown());

  EXPECT_EQ(sprite.SetImage(9999, kImageKindFig), nullptr);
  EXPECT_FALSE(sprite.IsShown()) << "a sheet that failed to load";
}

TEST(Sprite, MoveToKeepsTheSizeAndSetBoundsReplacesIt) {
  PlainSprite sprite;
  sprite.SetBounds(10, 20, 120, 150);
  sprite.MoveTo(-300, 400);
  RECT rect;
  sprite.GetScreenRect(&rect);
  EXPECT_EQ(rect.left, -300);
  EXPECT_EQ(rect.top, 400);
  EXPECT_EQ(rect.right, -180);
  EXPECT_EQ(rect.bottom, 550);
  sprite.SetBounds(5, 6, 260, 170);
  sprite.GetScreenRect(&rect);
  EXPECT_EQ(rect.right, 265);
  EXPECT_EQ(rect.bottom, 176);

  sprite.RememberRect();
  sprite.MoveTo(0, 0);
  RECT previous;
  sprite.GetPreviousRect(&previous);
  EXPECT_EQ(previous.left, 5);
  EXPECT_EQ(previous.right, 265);
}

TEST(Sprite, FrameColumnsFollowTheSheetAndTheFrameSize) {
  PlainSprite sprite;
  sprite.SetBounds(-120, -150, 120, 150);
  HBITMAP emerge = sprite.SetImage(202, kImageKindFig);
  ASSERT_NE(emerge, nullptr);
  EXPECT_EQ(GetBitmapWidth(emerge), 600);
  EXPECT_EQ(sprite.frameColumns, 5);

  sprite.SetBounds(0, 0, 260, 170);
  HBITMAP tag = sprite.SetImage(204, kImageKindFig);
  ASSERT_NE(tag, nullptr);
  EXPECT_EQ(GetBitmapWidth(tag), 520);
  EXPECT_EQ(sprite.frameColumns, 2);
  EXPECT_EQ(sprite.image, tag);

  EXPECT_EQ(sprite.SetImage(9999, kImageKindFig), nullptr);
  EXPECT_EQ(sprite.image, nullptr);
  EXPECT_EQ(sprite.frameColumns, 2) << "a failed load keeps the column count";
}

TEST(Sprite, DrawsEachFrameFromItsPlaceInTheSheet) {
  PlainSprite sprite;
  sprite.SetBounds(300, 400, 120, 150);
  HBITMAP sheet = sprite.SetImage(202, kImageKindFig);
  ASSERT_NE(sheet, nullptr);
  const COLORREF background = RGB(0, 128, 255);
  const RECT frame = {0, 0, 120, 150};
  const RECT dest = {7, 9, 127, 159};
  sprite.SetDrawRects(&frame, &dest);

  struct Case {
    int base, offset, srcX, srcY;
  } cases[] = {{0, 0, 0, 0}, {0, 4, 480, 0}, {0, 5, 0, 150}, {0, 18, 360, 450}, {10, 3, 360, 300}};
  for (const Case& c : cases) {
    Canvas canvas(140, 170, background);
    sprite.frameBase = c.base;
    sprite.frameOffset = c.offset;
    RECT update = {0, 0, 140, 170};
    sprite.Draw(canvas.dc, &update);
    ExpectFrameDrawn(canvas, sheet, c.srcX, c.srcY, dest, background);
  }
}

TEST(Sprite, DrawsTheSourcePartOfTheFrame) {
  PlainSprite sprite;
  sprite.SetBounds(0, 0, 120, 150);
  HBITMAP sheet = sprite.SetImage(202, kImageKindFig);
  ASSERT_NE(sheet, nullptr);
  sprite.frameOffset = 18;
  // The lower half of frame 18, as a window that holds only that part shows it.
  const RECT source = {0, 75, 120, 150};
  const RECT dest = {0, 0, 120, 75};
  sprite.SetDrawRects(&source, &dest);
  Canvas canvas(120, 75, RGB(0, 0, 0));
  sprite.Draw(canvas.dc, &dest);
  ExpectFrameDrawn(canvas, sheet, 360, 450 + 75, dest, RGB(0, 0, 0));
}

TEST(Sprite, HiddenSpriteDrawsNothingWhereverTheUpdateIs) {
  PlainSprite sprite;
  sprite.SetBounds(0, 0, 120, 150);
  ASSERT_NE(sprite.SetImage(202, kImageKindFig), nullptr);
  sprite.frameOffset = 18;
  const RECT frame = {0, 0, 120, 150};
  sprite.SetDrawRects(&frame, &frame);
  sprite.Hide();
  const RECT updates[] = {{0, 0, 120, 150}, {200, 200, 300, 300}};
  for (const RECT& update : updates) {
    Canvas canvas(120, 150, RGB(0, 0, 0));
    sprite.Draw(canvas.dc, &update);
    RECT ink = canvas.Ink(RGB(0, 0, 0));
    EXPECT_TRUE(IsRectEmpty(&ink));
  }
}

TEST(PackedDelta, HalvesAreSigned) {
  EXPECT_EQ(PackDelta(-8, 0), 0x0000FFF8);
  EXPECT_EQ(PackDelta(0, -1), int(0xFFFF0000));
  EXPECT_EQ(PackedX(0x0000FFF8), -8);
  EXPECT_EQ(PackedY(0x0000FFF8), 0);
  EXPECT_EQ(PackedX(int(0xFFFF0000)), 0);
  EXPECT_EQ(PackedY(int(0xFFFF0000)), -1);
  EXPECT_EQ(PackedX(PackDelta(8, 300)), 8);
  EXPECT_EQ(PackedY(PackDelta(8, 300)), 300);
}

}  // namespace
