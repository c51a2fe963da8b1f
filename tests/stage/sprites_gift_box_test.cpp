// The gift box tick by tick: state, sheet, frame and size through the whole
// greeting, when its sheets are decoded, the click on the tag and the message.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "stage/gift_box_sprite.h"
#include "tests/stage/sprites_canvas.h"
#include "tests/stage/sprites_timeline.h"

namespace {

struct Phase {
  const char* name;
  int ticks;
  int state;
  int sheet;
  std::vector<int> frames;  // one per tick, or a single frame for all of them
  int width;
  int height;
};

const std::vector<int> kEmergeFrames = {
    0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 5, 5, 7, 7, 5, 5, 6, 6,
    5, 5, 7, 7, 5, 5, 6, 6, 5, 5, 7, 7, 5, 5, 6, 6, 8, 9, 10, 11, 11, 11,
    11, 12, 12, 12, 12, 12, 12, 11, 11, 11, 11, 11, 13, 14, 15, 16, 17, 18};

// What the box shows after each tick, from its construction (tick 0) on;
// the scene switches it to state 6 on tick 240, when the figure is gone.
constexpr int kFigureGoneTick = 240;
const Phase kTimeline[] = {
    {"closed", 10, kBoxClosed, 205, {0}, 120, 150},
    {"opening", 5, kBoxOpening, 205, {0, 1, 2, 3, 4}, 120, 150},
    {"open", 10, kBoxPause, 205, {4}, 120, 150},
    {"rising", 62, kBoxEmerging, 202, kEmergeFrames, 120, 150},
    {"beside the box", 10, kBoxPause, 202, {18}, 120, 150},
    {"empty while she is out", 143, kBoxEmpty, 205, {4}, 120, 150},
    {"fetching the tag", 27, kBoxFetchingTag, 203,
     {0, 1, 2, 2, 3, 3, 2, 2, 3, 3, 2, 2, 3, 3, 3, 3, 3, 3, 3, 3, 4, 5, 6, 7, 8, 9, 10}, 120, 150},
    {"tag held up", 1, kBoxTagHeldUp, 204, {0}, 260, 170},
    {"tag", 15, kBoxTag, 204, {6, 6, 6, 6, 6, 7, 7, 7, 7, 7, 6, 6, 6, 6, 6}, 260, 170},
};

GiftBoxSprite* NewBox() {
  GiftBoxSprite* box = new GiftBoxSprite(nullptr, GetModuleHandleA(nullptr), kBoxClosed);
  box->SetBounds(452, 550, 120, 150);
  return box;
}

TEST(GiftBoxSprite, TimelineTickByTick) {
  GiftBoxSprite* box = NewBox();
  DecodeCounter decodes;
  EXPECT_EQ(decodes.Count(*box), 2) << "202 and 205 are decoded at construction";

  int tick = 0;
  int previousSheet = 0;
  int previousFrame = -1;
  for (const Phase& phase : kTimeline) {
    ASSERT_TRUE(phase.frames.size() == 1 || int(phase.frames.size()) == phase.ticks) << phase.name;
    for (int i = 0; i < phase.ticks; i++, tick++) {
      if (tick > 0) {
        EXPECT_EQ(box->Tick(), 0) << "tick " << tick;
        if (tick == kFigureGoneTick) {
          box->SetState(kBoxFetchingTag);
        }
      }
      int frame = phase.frames.size() == 1 ? phase.frames[0] : phase.frames[i];
      SCOPED_TRACE(testing::Message() << phase.name << ", tick " << tick);
      ASSERT_EQ(box->state, phase.state);
      EXPECT_EQ(SheetOf(*box), phase.sheet);
      EXPECT_EQ(FrameOf(*box), frame);
      EXPECT_EQ(box->screenRect.right - box->screenRect.left, phase.width);
      EXPECT_EQ(box->screenRect.bottom - box->screenRect.top, phase.height);
      EXPECT_TRUE(box->IsShown());

      int decoded = tick > 0 ? decodes.Count(*box) : 0;
      if (decoded) {
        // Sheets are decoded only while the picture holds still.
        EXPECT_EQ(tick, 87);
        EXPECT_EQ(decoded, 2);
        EXPECT_EQ(SheetOf(*box), previousSheet);
        EXPECT_EQ(FrameOf(*box), previousFrame);
      }
      previousSheet = SheetOf(*box);
      previousFrame = FrameOf(*box);

      if (tick == 87) {
        EXPECT_EQ(box->nextState, kBoxEmpty);
        EXPECT_EQ(box->counter, 10);
      }
      // Clicking the box before the tag is out does nothing.
      if (box->state != kBoxTag) {
        box->OnMouse(nullptr, WM_LBUTTONDOWN, MK_LBUTTON, 0);
        ASSERT_EQ(box->state, phase.state);
      }
    }
  }
  EXPECT_EQ(decodes.Count(*box), 0);
  RECT tag = box->screenRect;
  EXPECT_EQ(tag.left, 382);
  EXPECT_EQ(tag.top, 530);
  EXPECT_EQ(tag.right, 642);
  EXPECT_EQ(tag.bottom, 700);

  box->OnMouse(nullptr, WM_RBUTTONDOWN, MK_RBUTTON, 0);
  box->OnMouse(nullptr, WM_LBUTTONUP, 0, 0);
  EXPECT_EQ(box->state, kBoxTag);
  box->OnMouse(nullptr, WM_LBUTTONDOWN, MK_LBUTTON, 0);
  EXPECT_EQ(box->state, kSpriteFinished);
  EXPECT_EQ(box->Tick(), 0);
  EXPECT_EQ(box->state, kSpriteFinished);
  EXPECT_EQ(SheetOf(*box), 204) << "a finished box keeps its sheet";
  EXPECT_EQ(FrameOf(*box), 0);
  EXPECT_EQ(box->screenRect.right - box->screenRect.left, 260);
  delete box;
}

// Draws the box into a fresh canvas through a window-like destination that
// is not its screen position.
void DrawBox(GiftBoxSprite* box, Canvas* canvas, const RECT& dest) {
  RECT frame = {0, 0, dest.right - dest.left, dest.bottom - dest.top};
  box->SetDrawRects(&frame, &dest);
  RECT update = {0, 0, canvas->width, canvas->height};
  box->Draw(canvas->dc, &update);
}

TEST(GiftBoxSprite, MessageIsDrawnOnTheTagOnly) {
  GiftBoxSprite* withText = NewBox();
  GiftBoxSprite* without = NewBox();
  withText->SetMessage("Joyeux Noel");
  without->SetMessage("");
  ASSERT_NE(withText->messageFont.font, nullptr);
  for (GiftBoxSprite* box : {withText, without}) {
    box->SetState(kBoxTagHeldUp);
  }
  const RECT dest = {30, 40, 290, 210};
  const COLORREF background = RGB(0, 128, 0);

  Canvas heldUp(320, 240, background);
  Canvas heldUpPlain(320, 240, background);
  DrawBox(withText, &heldUp, dest);
  DrawBox(without, &heldUpPlain, dest);
  RECT picture = heldUpPlain.Ink(background);
  EXPECT_FALSE(IsRectEmpty(&picture)) << "the tag held up is drawn";
  EXPECT_TRUE(heldUp.SameAs(heldUpPlain)) << "no message before state 8";

  for (GiftBoxSprite* box : {withText, without}) {
    box->Tick();
    ASSERT_EQ(box->state, kBoxTag);
  }
  Canvas tag(320, 240, background);
  Canvas expected(320, 240, background);
  DrawBox(withText, &tag, dest);
  DrawBox(without, &expected, dest);
  EXPECT_FALSE(tag.SameAs(expected));
  RECT box = kTagMessageBox;
  OffsetRect(&box, dest.left, dest.top);
  EXPECT_TRUE(DrawWrappedText(&withText->messageFont, "Joyeux Noel", RGB(0, 0, 0), expected.dc,
                              &box, TRUE));
  EXPECT_TRUE(tag.SameAs(expected)) << "the message in the tag's box, relative to destRect";

  withText->Hide();
  Canvas hidden(320, 240, background);
  DrawBox(withText, &hidden, dest);
  RECT ink = hidden.Ink(background);
  EXPECT_TRUE(IsRectEmpty(&ink)) << "a hidden tag draws neither picture nor message";
  delete withText;
  delete without;
}

TEST(GiftBoxSprite, MessageIsCopiedAndItsFontChosen) {
  GiftBoxSprite* box = NewBox();
  char text[] = "Hi";
  box->SetMessage(text);
  text[0] = 'X';
  EXPECT_STREQ(box->messageText, "Hi");
  HFONT first = box->messageFont.font;
  ASSERT_NE(first, nullptr);
  EXPECT_FALSE(box->messageFont.smallestSize);
  box->SetMessage(std::string(255, 'x').c_str());
  EXPECT_TRUE(box->messageFont.smallestSize);
  EXPECT_EQ(GetObjectType(first), 0u);
  box->SetMessage(nullptr);
  EXPECT_STREQ(box->messageText, "");
  delete box;
}

}  // namespace
