// The figure tick by tick from the moment the scene shows her: state, sheet,
// frame and movement, and that nothing is decoded while she is on screen.
#include <gtest/gtest.h>

#include <vector>

#include "stage/figure_sprite.h"
#include "tests/stage/sprites_timeline.h"

namespace {

struct Phase {
  const char* name;
  int ticks;
  int state;
  int sheet;
  std::vector<int> frames;  // one per tick, or a single frame for all of them
  int dx;
};

std::vector<int> Cycle(const std::vector<int>& cycle, int count) {
  std::vector<int> out;
  for (int i = 0; i < count; i++) {
    out.push_back(cycle[i % cycle.size()]);
  }
  return out;
}

std::vector<int> EachTwice(const std::vector<int>& entries) {
  std::vector<int> out;
  for (int e : entries) {
    out.insert(out.end(), {e, e});
  }
  return out;
}

const std::vector<int> kDanceEntries = {0,  1,  2,  3,  4,  3,  4,  3,  4,  4,  4,  5,
                                        6,  6,  6,  2,  7,  8,  9,  10, 11, 11, 11, 12,
                                        13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24};

// What she shows after each tick and how far that tick moved her.
const Phase kTimeline[] = {
    {"walking left", 33, kFigureWalkLeft, 207, Cycle({4, 5, 6, 0, 1, 2, 3}, 33), -8},
    {"the last, short step", 1, kFigureStand, 206, {0}, -1},
    {"standing", 9, kFigureStand, 206, {0}, 0},
    {"dancing", 72, kFigureDance, 206, EachTwice(kDanceEntries), 0},
    {"turning round", 1, kFigureWalkRight, 201, {0}, 0},
    {"walking right", 27, kFigureWalkRight, 201, Cycle({1, 2, 3, 4, 5, 6, 0}, 27), 8},
    {"the last step hides her", 1, kSpriteFinished, 201, {0}, 8},
};

TEST(FigureSprite, TimelineTickByTick) {
  FigureSprite figure(nullptr, GetModuleHandleA(nullptr), kFigureWalkLeft);
  figure.SetBounds(469, 550, 120, 150);
  DecodeCounter decodes;
  EXPECT_EQ(decodes.Count(figure), 3) << "206, 201 and 207 are decoded at construction";
  EXPECT_EQ(figure.state, kFigureWalkLeft);
  EXPECT_EQ(SheetOf(figure), 207);
  EXPECT_EQ(FrameOf(figure), 3);
  EXPECT_EQ(figure.stepX, 8);
  EXPECT_EQ(figure.stepY, 0);

  int tick = 0;
  int travelled = 0;
  for (const Phase& phase : kTimeline) {
    ASSERT_TRUE(phase.frames.size() == 1 || int(phase.frames.size()) == phase.ticks) << phase.name;
    for (int i = 0; i < phase.ticks; i++) {
      tick++;
      SCOPED_TRACE(testing::Message() << phase.name << ", tick " << tick);
      EXPECT_TRUE(figure.IsShown());
      int packed = figure.Tick();
      EXPECT_EQ(PackedX(packed), phase.dx);
      EXPECT_EQ(PackedY(packed), 0);
      travelled += PackedX(packed);
      ASSERT_EQ(figure.state, phase.state);
      EXPECT_EQ(SheetOf(figure), phase.sheet);
      EXPECT_EQ(FrameOf(figure), phase.frames.size() == 1 ? phase.frames[0] : phase.frames[i]);
      EXPECT_EQ(figure.frameBase, 0);
      EXPECT_EQ(decodes.Count(figure), 0) << "a decode while she is on screen";
      if (tick == 34) {
        EXPECT_EQ(figure.nextState, kFigureDance);
        EXPECT_EQ(travelled, -265);
      }
    }
  }
  EXPECT_EQ(tick, 144);
  EXPECT_EQ(travelled, -265 + 224);
  EXPECT_FALSE(figure.IsShown());
  EXPECT_FALSE(figure.shown);

  // Finished: nothing moves or changes any more.
  EXPECT_EQ(figure.Tick(), 0);
  EXPECT_EQ(figure.state, kSpriteFinished);
  EXPECT_EQ(SheetOf(figure), 201);
  EXPECT_EQ(FrameOf(figure), 0);
  EXPECT_EQ(figure.screenRect.left, 469) << "the sprite does not move itself";
}

TEST(FigureSprite, UnknownStatesKeepTheSheet) {
  FigureSprite figure(nullptr, GetModuleHandleA(nullptr), kFigureDance);
  figure.frameOffset = 5;
  figure.SetState(kSpriteFinished);
  EXPECT_EQ(SheetOf(figure), 206);
  EXPECT_EQ(FrameOf(figure), 0);
  figure.OnMouse(nullptr, WM_LBUTTONDOWN, MK_LBUTTON, 0);
  EXPECT_EQ(figure.state, kSpriteFinished);
}

}  // namespace
