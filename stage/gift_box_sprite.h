// The gift box that carries the greeting: it opens, the character rises out
// of it and steps beside it, waits open while she is out as a separate
// figure, then she takes out the gift tag and the sprite grows into the tag
// with the message on it. A left click on the tag finishes it.
#pragma once

#include "stage/message_layout.h"
#include "stage/sprite.h"

// Frame sheets (FIG resources).
constexpr int kBoxSheet = 205;     // 120 x 150 frames: closed (0) to open (4)
constexpr int kEmergeSheet = 202;  // 120 x 150: the character rises; 18 stands beside the box
constexpr int kFetchSheet = 203;   // 120 x 150: taking out the tag
constexpr int kTagSheet = 204;     // 260 x 170: 0 held up; 6 and 7 the tag alone

enum GiftBoxState {
  kBoxClosed = 1,
  kBoxOpening = 2,
  kBoxPause = 3,
  kBoxEmerging = 4,
  kBoxEmpty = 5,
  kBoxFetchingTag = 6,
  kBoxTagHeldUp = 7,
  kBoxTag = 8,
};

// Where the message goes on the 260 x 170 tag frame.
constexpr RECT kTagMessageBox = {10, 10, 184, 161};

class GiftBoxSprite : public Sprite {
public:
  GiftBoxSprite(Scene* owner, HINSTANCE instance, int initialState);
  ~GiftBoxSprite() override;

  // Keeps a copy of the message and picks its font for the tag.
  void SetMessage(const char* text);

  int Tick() override;
  void SetState(int newState) override;
  void Draw(HDC hdc, const RECT* update) override;
  void OnMouse(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) override;

  int nextState = 0;      // entered when the timed pause ends
  int holdCounter = 0;    // ticks left on a held frame while fetching the tag
  char* messageText = nullptr;
  MessageFont messageFont;
};
