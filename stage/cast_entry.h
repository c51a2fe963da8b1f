// One sprite on the desktop as the stage sees it: the performer whose scene
// owns it and the sprite itself. Grouping and stage windows go through these
// operations; positions and sizes come back packed (x low, y high, signed).
#pragma once

#include <windows.h>

class Performer;
class Sprite;

struct CastEntry {
    Performer* performer = nullptr; // not owned
    Sprite* sprite = nullptr;       // not owned; belongs to the performer's scene

    BOOL IsShown() const;
    int GetPosition() const;
    int GetSize() const;
    int GetPreviousPosition() const;
    int GetPreviousSize() const;
    void RememberRect() const;
    void SetWindow(HWND window) const;
    void SetDrawRects(const RECT* source, const RECT* dest) const;
    void Draw(HDC hdc, const RECT* update) const;
    void OnMouse(HWND window, UINT message, WPARAM wParam, LPARAM lParam) const;
};

// The screen rectangle (x, y, x + width, y + height) of a packed position and size.
RECT RectFromPacked(int position, int size);
