// An animated picture on the desktop. Its pictures come from frame sheets:
// one bitmap holding a grid of frames, left to right, top to bottom, each
// the size of the sprite's screen rectangle, drawn keyed on the sheet's
// top-left pixel. The scene that owns a sprite ticks and moves it; the stage
// groups shown sprites into its windows, lets them draw and forwards input.
#pragma once

#include <windows.h>

#include "stage/image_cache.h"

class Scene;

// State that every part reads as "finished".
constexpr int kSpriteFinished = 1000;
// frameOffset value meaning "no frame to show".
constexpr int kNoFrame = -2;

// Movements and points packed in 32 bits: x in the low half, y in the high
// half, each a signed 16-bit number.
inline int PackDelta(int dx, int dy) {
  return int(DWORD(WORD(dx)) | (DWORD(WORD(dy)) << 16));
}
inline int PackedX(int packed) {
  return short(LOWORD(DWORD(packed)));
}
inline int PackedY(int packed) {
  return short(HIWORD(DWORD(packed)));
}

class Sprite {
public:
  Sprite(Scene* owner, HINSTANCE instance, int id);

  Sprite(const Sprite&) = delete;
  Sprite& operator=(const Sprite&) = delete;

  // Makes sheet `imageId` current (kind kImageKindFig or a DIB) and works out
  // its frames per row from the screen rectangle's width. Null when the
  // sheet can't be loaded; the column count then stays as it was.
  virtual HBITMAP SetImage(int imageId, int kind);
  virtual ~Sprite();
  virtual void SetDrawRects(const RECT* source, const RECT* dest);
  virtual void SetWindow(HWND window);
  virtual void SetBounds(int x, int y, int width, int height);
  virtual void MoveTo(int x, int y);
  virtual void SetScreenRect(const RECT* rect);
  virtual void GetScreenRect(RECT* rect);
  virtual void GetPreviousRect(RECT* rect);
  virtual void RememberRect();
  // One animation step; returns this tick's movement, packed.
  virtual int Tick() = 0;
  virtual void SetState(int state) = 0;
  virtual void Notify(int value);
  virtual void Show();
  virtual void Hide();
  // Draw keyed on the sheet's bottom-right pixel when keyCorner is 1, else on its top-left.
  virtual void DrawKeyed(HDC hdc, const RECT* update, int keyCorner);
  // The current frame into destRect, keyed on the sheet's top-left pixel.
  virtual void Draw(HDC hdc, const RECT* update);
  // FALSE without a current sheet or frame, else the shown flag.
  virtual BOOL IsShown();
  virtual void OnMouse(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
  virtual void SetShown(BOOL shown);

  HWND window = nullptr;      // stage window showing the sprite
  int state = 0;
  int frameBase = 0;          // first frame of the current sequence
  int frameOffset = 0;        // frame within it, or kNoFrame
  int counter = 0;            // countdown or table index of the current state
  RECT sourceRect = {};       // part of the frame to draw, frame coordinates
  RECT destRect = {};         // where it goes, client coordinates of `window`
  RECT screenRect = {};       // on the screen; its size is the frame size
  RECT previousRect = {};     // screenRect as the stage last recorded it
  ImageCache images;
  HBITMAP image = nullptr;    // current sheet, borrowed from `images`
  BOOL shown = TRUE;
  int frameColumns = 0;
  Scene* owner = nullptr;
  int stepX = 0;              // pixels per walking tick
  int stepY = 0;
  int id = 0;

protected:
  // Draws the current frame keyed on the given corner of the sheet.
  void DrawFrame(HDC hdc, const RECT* update, int keyCorner);
};
