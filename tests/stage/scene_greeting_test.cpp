// The greeting show from the scene's creation to the card, tick by tick at
// the hand-overs between the gift box and the figure.
#include <gtest/gtest.h>

#include <string>

#include "stage/figure_sprite.h"
#include "stage/gift_box_sprite.h"
#include "stage/greeting_scene.h"
#include "tests/stage/scene_card_closer.h"
#include "tests/stage/sprites_timeline.h"

namespace {

int events = 0;

int CountEvent(void*, int event, void*) {
  events += event == kSceneSpriteChanged;
  return 0;
}

RECT RectOf(Sprite* sprite) {
  RECT rect;
  sprite->GetScreenRect(&rect);
  return rect;
}

void ExpectAt(Sprite* sprite, int left, int top, int width, int height) {
  RECT rect = RectOf(sprite);
  EXPECT_EQ(rect.left, left);
  EXPECT_EQ(rect.top, top);
  EXPECT_EQ(rect.right - rect.left, width);
  EXPECT_EQ(rect.bottom - rect.top, height);
}

class GreetingSceneTest : public testing::Test {
protected:
  void SetUp() override {
    events = 0;
    scene = static_cast<GreetingScene*>(
        CreateScene(GetModuleHandleA(nullptr), host.window, &host, 10));
    ASSERT_NE(scene, nullptr);
    scene->SetCallback(CountEvent);
    x0 = (scene->screenWidth - 120) / 2;
    floor = scene->floorY;
  }
  void TearDown() override { delete scene; }

  // Runs the scene up to and including host tick `last`.
  void RunTo(int last) {
    while (tick < last) {
      tick++;
      scene->Tick();
    }
  }

  HostWindow host;
  GreetingScene* scene = nullptr;
  int tick = 0;
  int x0 = 0;
  int floor = 0;
};

TEST_F(GreetingSceneTest, CastNamesAndPlaces) {
  EXPECT_EQ(scene->GetSpriteCount(), 2);
  EXPECT_EQ(scene->GetSprite(0), scene->giftBox);
  EXPECT_EQ(scene->GetSprite(1), scene->figure);
  EXPECT_EQ(scene->spriteCount, 2);
  EXPECT_EQ(scene->sprites[0], scene->giftBox);
  EXPECT_EQ(scene->sprites[1], scene->figure);
  EXPECT_STREQ(scene->sceneName, "vic1");
  EXPECT_STREQ(scene->characterSetName, "xgirl");
  EXPECT_STREQ(scene->giftBox->messageText, scene->messageText);
  EXPECT_EQ(strlen(scene->messageText), 36u);

  ExpectAt(scene->giftBox, x0, floor - 190, 120, 150);
  EXPECT_TRUE(scene->giftBox->IsShown());
  EXPECT_FALSE(scene->figure->IsShown());
  ExpectAt(scene->figure, -120, -150, 120, 150);

  HDC screen = GetDC(nullptr);
  bool rigScreen = GetDeviceCaps(screen, HORZRES) == 1024 && GetDeviceCaps(screen, VERTRES) == 768;
  ReleaseDC(nullptr, screen);
  if (rigScreen && scene->floorY == 768) {
    ExpectAt(scene->giftBox, 452, 578, 120, 150);
  }
}

TEST_F(GreetingSceneTest, TheWholeShowTickByTick) {
  GiftBoxSprite* box = scene->giftBox;
  FigureSprite* figure = scene->figure;
  const int top = floor - 190;

  // Until the box stands empty the figure is not ticked: hidden, off-screen.
  RunTo(96);
  EXPECT_EQ(box->state, kBoxPause);
  EXPECT_EQ(FrameOf(*box), 18);
  EXPECT_EQ(SheetOf(*box), 202);
  EXPECT_FALSE(figure->IsShown());
  EXPECT_EQ(figure->state, kFigureWalkLeft);
  EXPECT_EQ(FrameOf(*figure), 3);
  ExpectAt(figure, -120, -150, 120, 150);

  // Tick 97: the box empties and she is placed beside it and takes her first step.
  RunTo(97);
  EXPECT_EQ(box->state, kBoxEmpty);
  EXPECT_EQ(SheetOf(*box), 205);
  EXPECT_TRUE(figure->IsShown());
  EXPECT_EQ(FrameOf(*figure), 4);
  ExpectAt(figure, x0 + 17 - 8, top, 120, 150);

  RunTo(129);
  EXPECT_EQ(figure->state, kFigureWalkLeft);
  RunTo(130);
  EXPECT_EQ(figure->state, kFigureStand);
  ExpectAt(figure, x0 + 17 - 265, top, 120, 150);

  RunTo(239);
  EXPECT_TRUE(figure->IsShown());
  EXPECT_EQ(box->state, kBoxEmpty);
  ExpectAt(figure, x0 + 17 - 265 + 216, top, 120, 150);

  // Tick 240: her last step hides her and the box starts fetching the tag.
  RunTo(240);
  EXPECT_FALSE(figure->IsShown());
  EXPECT_EQ(figure->state, kSpriteFinished);
  ExpectAt(figure, x0 + 17 - 41, top, 120, 150);
  EXPECT_EQ(box->state, kBoxFetchingTag);
  EXPECT_EQ(SheetOf(*box), 203);
  EXPECT_EQ(FrameOf(*box), 0);
  ExpectAt(box, x0, top, 120, 150);

  RunTo(266);
  EXPECT_EQ(box->state, kBoxFetchingTag);
  EXPECT_EQ(FrameOf(*box), 10);
  RunTo(267);
  EXPECT_EQ(box->state, kBoxTagHeldUp);
  ExpectAt(box, x0 - 70, floor - 210, 260, 170);
  RunTo(268);
  EXPECT_EQ(box->state, kBoxTag);
  EXPECT_EQ(FrameOf(*box), 6);

  // The tag waits for its click; the figure is not ticked again.
  RunTo(400);
  EXPECT_EQ(box->state, kBoxTag);
  ExpectAt(figure, x0 + 17 - 41, top, 120, 150);
  EXPECT_EQ(events, 0);

  box->OnMouse(nullptr, WM_LBUTTONDOWN, MK_LBUTTON, 0);
  EXPECT_EQ(box->state, kSpriteFinished);
  {
    CardCloser closer;
    RunTo(401);
    EXPECT_EQ(closer.cardsClosed, 1) << "the tick after the click opens the card";
    EXPECT_TRUE(scene->finished);
    EXPECT_FALSE(box->shown);
    EXPECT_FALSE(figure->shown);
    EXPECT_EQ(events, 2);
    RunTo(410);
    EXPECT_EQ(closer.cardsClosed, 1);
    EXPECT_EQ(events, 2);
  }
}

TEST_F(GreetingSceneTest, ARightClickFinishesAtOnceAndOnlyOnce) {
  RunTo(150);
  ASSERT_TRUE(scene->figure->IsShown());
  ASSERT_EQ(scene->giftBox->state, kBoxEmpty);
  CardCloser closer;
  scene->Finish();  // what the stage does on a right click on either sprite
  EXPECT_EQ(closer.cardsClosed, 1);
  EXPECT_FALSE(scene->giftBox->shown);
  EXPECT_FALSE(scene->figure->shown);
  EXPECT_FALSE(scene->figure->IsShown());
  EXPECT_EQ(events, 2);
  // Later ticks leave the finished show alone: the figure is not brought
  // back beside the box, and the card does not open again.
  RECT figureAt = RectOf(scene->figure);
  int boxState = scene->giftBox->state;
  RunTo(600);
  scene->Finish();
  EXPECT_EQ(closer.cardsClosed, 1);
  EXPECT_EQ(events, 2);
  EXPECT_FALSE(scene->figure->shown);
  EXPECT_FALSE(scene->giftBox->shown);
  EXPECT_EQ(scene->giftBox->state, boxState);
  RECT figureNow = RectOf(scene->figure);
  EXPECT_TRUE(EqualRect(&figureAt, &figureNow));
}

TEST_F(GreetingSceneTest, ClicksOnTheBoxBeforeTheTagDoNothing) {
  for (int t = 1; t <= 267; t++) {
    RunTo(t);
    scene->giftBox->OnMouse(nullptr, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    ASSERT_NE(scene->giftBox->state, kSpriteFinished) << "tick " << t;
  }
}

}  // namespace
