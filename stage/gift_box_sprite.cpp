#include "stage/gift_box_sprite.h"

#include <cstdlib>
#include <cstring>

// Frames of the emergence sheet, one per tick: she peeks out, looks around,
// climbs over the rim, sits on it and steps down beside the box.
static const int kEmergeSequence[] = {
    0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 5, 5, 7, 7, 5, 5, 6, 6,
    5, 5, 7, 7, 5, 5, 6, 6, 5, 5, 7, 7, 5, 5, 6, 6, 8, 9, 10, 11, 11, 11,
    11, 12, 12, 12, 12, 12, 12, 11, 11, 11, 11, 11, 13, 14, 15, 16, 17, 18};
constexpr int kEmergeLength = int(sizeof(kEmergeSequence) / sizeof(kEmergeSequence[0]));
constexpr int kStandingBesideBox = 18;

// Frames of the fetch sheet; the rummaging frames 2 and 3 are held 2 ticks.
static const int kTagSequence[] = {0, 1, 2, 3, 2, 3, 2, 3, 3, 3, 3, 4, 5, 6, 7, 8, 9, 10};
constexpr int kTagLength = int(sizeof(kTagSequence) / sizeof(kTagSequence[0]));

constexpr int kOpenBoxFrame = 4;
constexpr int kClosedTicks = 10;
constexpr int kPauseTicks = 10;
constexpr int kTagFrameBase = 6;
constexpr int kTagFlipTicks = 5;

GiftBoxSprite::GiftBoxSprite(Scene* owner, HINSTANCE instance, int initialState)
    : Sprite(owner, instance, 0) {
  // The frame size has to be known before the first sheet.
  SetRect(&screenRect, -120, -150, 0, 0);
  SetImage(kEmergeSheet, kImageKindFig);
  SetState(initialState);
}

GiftBoxSprite::~GiftBoxSprite() {
  free(messageText);
}

void GiftBoxSprite::SetMessage(const char* text) {
  free(messageText);
  messageText = _strdup(text ? text : "");
  RECT box = kTagMessageBox;
  FitMessageFont(&messageFont, messageText, box.right - box.left, box.bottom - box.top);
}

void GiftBoxSprite::SetState(int newState) {
  state = newState;
  frameOffset = 0;
  frameBase = 0;
  switch (newState) {
    case kBoxClosed:
      SetImage(kBoxSheet, kImageKindFig);
      counter = kClosedTicks;
      break;
    case kBoxOpening:
      SetImage(kBoxSheet, kImageKindFig);
      break;
    case kBoxPause:
      SetImage(kBoxSheet, kImageKindFig);
      frameOffset = kOpenBoxFrame;
      break;
    case kBoxEmerging:
      SetImage(kEmergeSheet, kImageKindFig);
      counter = 0;
      break;
    case kBoxEmpty:
      SetImage(kBoxSheet, kImageKindFig);
      frameOffset = kOpenBoxFrame;
      break;
    case kBoxFetchingTag:
      SetImage(kFetchSheet, kImageKindFig);
      counter = 0;
      holdCounter = 2;
      break;
    case kBoxTagHeldUp: {
      // 260 x 170 over the old 120 x 150: same bottom edge, same centre.
      RECT old = screenRect;
      SetRect(&screenRect, old.left - 70, old.top - 20, old.left + 190, old.top + 150);
      SetImage(kTagSheet, kImageKindFig);
      counter = 0;
      break;
    }
    case kBoxTag:
      frameBase = kTagFrameBase;
      SetImage(kTagSheet, kImageKindFig);
      counter = kTagFlipTicks;
      break;
    default:
      break;
  }
}

int GiftBoxSprite::Tick() {
  switch (state) {
    case kBoxClosed:
      if (--counter == 0) {
        SetState(kBoxOpening);
      }
      break;
    case kBoxOpening:
      if (++frameOffset == kOpenBoxFrame + 1) {
        SetState(kBoxPause);
        nextState = kBoxEmerging;
        counter = kPauseTicks;
      }
      break;
    case kBoxPause:
      if (--counter == 0) {
        SetState(nextState);
      }
      break;
    case kBoxEmerging:
      if (++counter == kEmergeLength) {
        // She stands beside the box for the pause; the sheets of the second
        // half are decoded now, while the picture holds still.
        SetState(kBoxPause);
        SetImage(kFetchSheet, kImageKindFig);
        SetImage(kTagSheet, kImageKindFig);
        SetImage(kEmergeSheet, kImageKindFig);
        counter = kPauseTicks;
        nextState = kBoxEmpty;
        frameOffset = kStandingBesideBox;
      } else {
        frameOffset = kEmergeSequence[counter];
      }
      break;
    case kBoxFetchingTag:
      if (--holdCounter != 0 && (frameOffset == 2 || frameOffset == 3)) {
        break;
      }
      holdCounter = 2;
      if (++counter == kTagLength) {
        SetState(kBoxTagHeldUp);
      } else {
        frameOffset = kTagSequence[counter];
      }
      break;
    case kBoxTagHeldUp:
      SetState(kBoxTag);
      break;
    case kBoxTag:
      if (--counter == 0) {
        counter = kTagFlipTicks;
        frameOffset = (frameOffset + 1) % 2;
      }
      break;
    default:
      break;
  }
  return 0;
}

void GiftBoxSprite::Draw(HDC hdc, const RECT* update) {
  if (!IsShown()) {
    return;
  }
  Sprite::Draw(hdc, update);
  if (state != kBoxTag) {
    return;
  }
  RECT box = kTagMessageBox;
  OffsetRect(&box, destRect.left, destRect.top);
  DrawWrappedText(&messageFont, messageText, PALETTERGB(0, 0, 0), hdc, &box, TRUE);
}

void GiftBoxSprite::OnMouse(HWND, UINT msg, WPARAM, LPARAM) {
  if (msg == WM_LBUTTONDOWN && state == kBoxTag) {
    SetState(kSpriteFinished);
  }
}
