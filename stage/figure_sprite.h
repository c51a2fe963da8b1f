// The character as a free-standing figure: she walks away to the left,
// stands, dances, walks back to the right and hides herself.
#pragma once

#include "stage/sprite.h"

// Frame sheets (FIG resources), all with 120 x 150 frames.
constexpr int kWalkLeftSheet = 207;
constexpr int kDanceSheet = 206;   // frame 0 is also her standing pose
constexpr int kWalkRightSheet = 201;

enum FigureState {
  kFigureWalkLeft = 1,
  kFigureStand = 2,
  kFigureDance = 3,
  kFigureWalkRight = 4,
};

class FigureSprite : public Sprite {
public:
  FigureSprite(Scene* owner, HINSTANCE instance, int initialState);
  ~FigureSprite() override;

  int Tick() override;
  void SetState(int newState) override;

  int nextState = 0;     // entered when the standing pause ends
  int holdCounter = 0;   // ticks left before the dance moves on
};
