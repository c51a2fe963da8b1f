// A stage window: a borderless popup of class "GXsprite", owned by the host
// window, placed exactly over one group of sprites. It shows the desktop
// that lies behind it (its background) with the group's sprites drawn over
// it, keeps that background right as it moves, wipes the place a sprite has
// left, recaptures the desktop when something outside disturbed it, and
// hands mouse and key input to the sprites.
#pragma once

#include <windows.h>

class Stage;
class StageWindow;
struct CastEntry;

BOOL RegisterStageClass(HINSTANCE instance);
// A hidden stage window at the given place; null on failure.
StageWindow* CreateStageWindow(Stage* stage, int x, int y, int width, int height);

class StageWindow {
public:
    explicit StageWindow(HWND hwnd);
    ~StageWindow();

    StageWindow(const StageWindow&) = delete;
    StageWindow& operator=(const StageWindow&) = delete;

    void ClearMembers();
    void AddMember(CastEntry* entry);
    BOOL HasMember(const CastEntry* entry) const;
    // Takes the group's rectangle for this tick and gives each member its
    // draw rectangles in window coordinates.
    void SetGroupRect(const RECT& group);
    // Brings the background up to date for the new rectangle, shifting what
    // is still valid and taking only the rest from the screen.
    void CaptureBackground();
    // Takes the desktop pixels under `other` from its background.
    void CopyBackgroundFrom(const StageWindow* other);
    void Hide();
    // Moves and shows the window, wiping the place it left, or repaints it in place.
    void Present();
    // Repaints after recapturing the desktop.
    void Refresh();
    void SetTopmost(BOOL flag);

    HBITMAP background = nullptr; // desktop pixels of backgroundRect
    HBITMAP backBuffer = nullptr; // composition and scratch, background's size
    HWND hwnd = nullptr;
    RECT rect = {};               // this tick's group rectangle
    RECT shownRect = {};          // the rectangle before the latest SetGroupRect
    RECT backgroundRect = {};
    Stage* stage = nullptr;       // not owned
    BOOL recapturing = FALSE;
    BOOL selfRefresh = FALSE;
    CastEntry** members = nullptr; // in cast order, not owned
    int memberCount = 0;
    int memberCapacity = 0;
    BOOL topmost = FALSE;

private:
    friend LRESULT CALLBACK StageWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    void ResizeBackground(BOOL haveOverlap, const RECT& overlap);
    void GrabStrip(HDC screen, int x, int y, int width, int height, int srcX, int srcY);
    void MoveAndShow();
    void PaintSelf();
    void Recapture();
    void OnPaint();
    void Paint(HDC hdc, const RECT& update);
    void ResetBackBuffer();
    void DrawMembers(HDC dc, const RECT& update);
    RECT GetMemberRect(const CastEntry* entry) const;
    CastEntry* HitTest(int x, int y) const;
    void OnRightButtonDown(int x, int y);
    void OnInput(UINT message, WPARAM wParam, LPARAM lParam);
};

LRESULT CALLBACK StageWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
