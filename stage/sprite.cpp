#include "stage/sprite.h"

#include "gfx/bitmap_ops.h"

// Every sprite switches between at most this many sheets.
constexpr int kSpriteSheetCount = 4;

Sprite::Sprite(Scene* owner, HINSTANCE instance, int id)
    : images(instance, kSpriteSheetCount), owner(owner), id(id) {}

Sprite::~Sprite() = default;

HBITMAP Sprite::SetImage(int imageId, int kind) {
  image = images.Get(imageId, kind);
  int frameWidth = screenRect.right - screenRect.left;
  if (image && frameWidth > 0) {
    frameColumns = GetBitmapWidth(image) / frameWidth;
  }
  return image;
}

void Sprite::SetDrawRects(const RECT* source, const RECT* dest) {
  sourceRect = *source;
  destRect = *dest;
}

void Sprite::SetWindow(HWND newWindow) {
  window = newWindow;
}

void Sprite::SetBounds(int x, int y, int width, int height) {
  SetRect(&screenRect, x, y, x + width, y + height);
}

void Sprite::MoveTo(int x, int y) {
  OffsetRect(&screenRect, x - screenRect.left, y - screenRect.top);
}

void Sprite::SetScreenRect(const RECT* rect) {
  screenRect = *rect;
}

void Sprite::GetScreenRect(RECT* rect) {
  *rect = screenRect;
}

void Sprite::GetPreviousRect(RECT* rect) {
  *rect = previousRect;
}

void Sprite::RememberRect() {
  previousRect = screenRect;
}

void Sprite::Notify(int) {}

void Sprite::Show() {
  shown = TRUE;
}

void Sprite::Hide() {
  shown = FALSE;
}

void Sprite::DrawKeyed(HDC hdc, const RECT* update, int keyCorner) {
  DrawFrame(hdc, update, keyCorner == 1 ? 1 : 0);
}

void Sprite::Draw(HDC hdc, const RECT* update) {
  DrawFrame(hdc, update, 0);
}

BOOL Sprite::IsShown() {
  if (frameOffset == kNoFrame || !image) {
    return FALSE;
  }
  return shown;
}

void Sprite::OnMouse(HWND, UINT, WPARAM, LPARAM) {}

void Sprite::SetShown(BOOL show) {
  if (show) {
    Show();
  } else {
    Hide();
  }
}

void Sprite::DrawFrame(HDC hdc, const RECT* update, int keyCorner) {
  // A hidden sprite draws nothing, wherever the update falls; a sheet
  // narrower than one frame has no frames to draw.
  if (!IsShown() || frameColumns <= 0) {
    return;
  }
  RECT overlap;
  if (update && !IntersectRect(&overlap, update, &destRect)) {
    return;
  }
  int frame = frameBase + frameOffset;
  if (frame < 0) {
    return;
  }
  int width = screenRect.right - screenRect.left;
  int height = screenRect.bottom - screenRect.top;
  int srcX = sourceRect.left + width * (frame % frameColumns);
  int srcY = sourceRect.top + height * (frame / frameColumns);
  BlitKeyed(hdc, &destRect, image, srcX, srcY, keyCorner);
}
