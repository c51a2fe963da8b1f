#include "stage/figure_sprite.h"

// Frames of the dance sheet, each held 2 ticks: arms up, swaying, a hop, a
// turn, a jump, a curtsy and a wave.
static const int kDanceSequence[] = {0,  1,  2,  3,  4,  3,  4,  3,  4,  4,  4,  5,
                                     6,  6,  6,  2,  7,  8,  9,  10, 11, 11, 11, 12,
                                     13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24};
constexpr int kDanceLength = int(sizeof(kDanceSequence) / sizeof(kDanceSequence[0]));
constexpr int kWalkCycle = 7;       // frames per stride cycle
constexpr int kWalkLeftCycles = 5;  // counted at frame 2
constexpr int kStandTicks = 10;
constexpr int kWalkRightCycles = 4; // counted at frame 0

FigureSprite::FigureSprite(Scene* owner, HINSTANCE instance, int initialState)
    : Sprite(owner, instance, 0) {
  stepX = 8;
  // Frame size first, off-screen; all three sheets are decoded before she
  // is ever shown.
  SetBounds(-120, -150, 120, 150);
  SetImage(kDanceSheet, kImageKindFig);
  SetImage(kWalkRightSheet, kImageKindFig);
  SetState(initialState);
}

FigureSprite::~FigureSprite() = default;

void FigureSprite::SetState(int newState) {
  state = newState;
  frameOffset = 0;
  frameBase = 0;
  switch (newState) {
    case kFigureWalkLeft:
      SetImage(kWalkLeftSheet, kImageKindFig);
      frameOffset = 3;
      counter = kWalkLeftCycles;
      break;
    case kFigureStand:
      SetImage(kDanceSheet, kImageKindFig);
      counter = kStandTicks;
      break;
    case kFigureDance:
      SetImage(kDanceSheet, kImageKindFig);
      counter = 0;
      holdCounter = 2;
      break;
    case kFigureWalkRight:
      SetImage(kWalkRightSheet, kImageKindFig);
      counter = kWalkRightCycles;
      break;
    default:
      break;
  }
}

int FigureSprite::Tick() {
  switch (state) {
    case kFigureWalkLeft:
      frameOffset = (frameOffset + 1) % kWalkCycle;
      if (frameOffset == 2 && --counter == 0) {
        SetState(kFigureStand);
        nextState = kFigureDance;
        // The step that ends the walk is a single pixel, not a stride.
        return PackDelta(-1, 0);
      }
      return PackDelta(-stepX, 0);
    case kFigureStand:
      if (--counter == 0) {
        SetState(nextState);
      }
      return 0;
    case kFigureDance:
      if (--holdCounter != 0) {
        return 0;
      }
      holdCounter = 2;
      if (++counter == kDanceLength) {
        SetState(kFigureWalkRight);
      } else {
        frameOffset = kDanceSequence[counter];
      }
      return 0;
    case kFigureWalkRight:
      frameOffset = (frameOffset + 1) % kWalkCycle;
      if (frameOffset == 0 && --counter == 0) {
        Hide();
        SetState(kSpriteFinished);
      }
      return PackDelta(stepX, 0);
    default:
      return 0;
  }
}
