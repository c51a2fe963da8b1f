#include "stage/stage_window.h"

#include <stdlib.h>

#include "app/application.h"
#include "gfx/bitmap_ops.h"
#include "gfx/gdi_objects.h"
#include "gfx/palette.h"
#include "stage/cast_entry.h"
#include "stage/sprite.h"
#include "stage/stage.h"

namespace {

const char kStageClass[] = "GXsprite";
constexpr int kIconId = 100;
// A full recapture waits this long for the screen under the window to settle.
constexpr int kSettleRounds = 3;
constexpr DWORD kSettleRoundMs = 10;

int Width(const RECT& r)
{
    return r.right - r.left;
}

int Height(const RECT& r)
{
    return r.bottom - r.top;
}

int SignedX(LPARAM lParam)
{
    return static_cast<short>(LOWORD(lParam));
}

int SignedY(LPARAM lParam)
{
    return static_cast<short>(HIWORD(lParam));
}

BOOL CALLBACK UpdateOtherWindowsProc(HWND window, LPARAM recapturing)
{
    if (window != reinterpret_cast<HWND>(recapturing))
        UpdateWindow(window);
    return TRUE;
}

// Makes every other top-level window repaint now and gives the screen time
// to show it: window systems that compose the screen apart from the program
// (Wine over X, a compositing desktop) put the uncovered pixels back a
// moment after the windows have painted, and when this thread next looks
// at its queue.
void LetUncoveredWindowsRepaint(HWND self)
{
    for (int round = 0; round < kSettleRounds; ++round) {
        EnumWindows(UpdateOtherWindowsProc, reinterpret_cast<LPARAM>(self));
        // Looks at the window system's events without taking any message.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT);
        Sleep(kSettleRoundMs);
    }
}

// A screen-compatible bitmap of the rectangle's size.
HBITMAP CreateScreenBitmap(HDC screen, const RECT& r)
{
    return CreateCompatibleBitmap(screen, Width(r), Height(r));
}

} // namespace

BOOL RegisterStageClass(HINSTANCE instance)
{
    WNDCLASSA windowClass = {};
    windowClass.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = StageWindowProc;
    windowClass.cbWndExtra = sizeof(LONG_PTR);
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(kIconId));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    windowClass.lpszClassName = kStageClass;
    return RegisterClassA(&windowClass) != 0;
}

StageWindow* CreateStageWindow(Stage* stage, int x, int y, int width, int height)
{
    Application* app = stage->app;
    HWND window = CreateWindowExA(0, kStageClass, "", WS_POPUP, x, y, width, height, app->hostWindow,
                                  nullptr, app->instance, nullptr);
    if (!window)
        return nullptr;
    StageWindow* stageWindow = reinterpret_cast<StageWindow*>(GetWindowLongPtrA(window, 0));
    if (!stageWindow) {
        DestroyWindow(window);
        return nullptr;
    }
    stageWindow->stage = stage;
    return stageWindow;
}

StageWindow::StageWindow(HWND hwnd)
    : hwnd(hwnd)
{
    GetWindowRect(hwnd, &rect);
    shownRect = rect;
}

StageWindow::~StageWindow()
{
    // The window outlives this object until its owner goes; from now on its
    // messages take the default path instead of reaching freed memory.
    SetWindowLongPtrA(hwnd, 0, 0);
    free(members);
    DeleteObject(background);
    DeleteObject(backBuffer);
}

void StageWindow::ClearMembers()
{
    memberCount = 0;
}

void StageWindow::AddMember(CastEntry* entry)
{
    if (memberCount == memberCapacity) {
        CastEntry** grown = static_cast<CastEntry**>(realloc(members, (memberCapacity + 1) * sizeof(CastEntry*)));
        if (!grown)
            return;
        members = grown;
        ++memberCapacity;
    }
    members[memberCount++] = entry;
}

BOOL StageWindow::HasMember(const CastEntry* entry) const
{
    for (int i = 0; i < memberCount; ++i) {
        if (members[i] == entry)
            return TRUE;
    }
    return FALSE;
}

RECT StageWindow::GetMemberRect(const CastEntry* entry) const
{
    return RectFromPacked(entry->GetPosition(), entry->GetSize());
}

void StageWindow::SetGroupRect(const RECT& group)
{
    shownRect = rect;
    rect = group;
    for (int i = 0; i < memberCount; ++i) {
        RECT dest = GetMemberRect(members[i]);
        OffsetRect(&dest, -group.left, -group.top);
        RECT source = {0, 0, Width(dest), Height(dest)};
        members[i]->SetDrawRects(&source, &dest);
    }
}

void StageWindow::CaptureBackground()
{
    if (background && EqualRect(&rect, &shownRect) && EqualRect(&rect, &backgroundRect))
        return;
    // Only what the old background really holds can be shifted over.
    RECT overlap = {};
    BOOL haveOverlap = background && IntersectRect(&overlap, &rect, &backgroundRect);
    ResizeBackground(haveOverlap, overlap);

    HDC screen = GetDC(nullptr);
    if (haveOverlap) {
        int x1 = overlap.left, y1 = overlap.top, x2 = overlap.right, y2 = overlap.bottom;
        int height = Height(rect);
        GrabStrip(screen, 0, 0, x1 - rect.left, height, rect.left, rect.top);
        GrabStrip(screen, x1 - rect.left, 0, x2 - x1, y1 - rect.top, x1, rect.top);
        GrabStrip(screen, x2 - rect.left, 0, rect.right - x2, height, x2, rect.top);
        GrabStrip(screen, x1 - rect.left, y2 - rect.top, x2 - x1, rect.bottom - y2, x1, y2);
    } else {
        GrabIntoBitmap(screen, background, rect.left, rect.top);
    }
    ReleaseDC(nullptr, screen);
}

void StageWindow::GrabStrip(HDC screen, int x, int y, int width, int height, int srcX, int srcY)
{
    // A sprite that moves sideways uncovers no strip above or below: every
    // screen read costs a round trip to the window system, so skip those.
    if (width > 0 && height > 0)
        GrabIntoBitmapClipped(screen, background, x, y, width, height, srcX, srcY);
}

void StageWindow::ResizeBackground(BOOL haveOverlap, const RECT& overlap)
{
    int overlapWidth = Width(overlap);
    int overlapHeight = Height(overlap);
    int fromX = overlap.left - backgroundRect.left;
    int fromY = overlap.top - backgroundRect.top;
    int toX = overlap.left - rect.left;
    int toY = overlap.top - rect.top;
    if (background && GetBitmapWidth(background) == Width(rect) && GetBitmapHeight(background) == Height(rect)) {
        if (haveOverlap) {
            // A bitmap can't be copied onto itself: go through the back buffer.
            CopyBitmapPart(backBuffer, 0, 0, overlapWidth, overlapHeight, background, fromX, fromY);
            CopyBitmapPart(background, toX, toY, overlapWidth, overlapHeight, backBuffer, 0, 0);
        }
    } else {
        HDC screen = GetDC(nullptr);
        HBITMAP resized = CreateScreenBitmap(screen, rect);
        if (haveOverlap)
            CopyBitmapPart(resized, toX, toY, overlapWidth, overlapHeight, background, fromX, fromY);
        DeleteObject(background);
        background = resized;
        DeleteObject(backBuffer);
        backBuffer = CreateScreenBitmap(screen, rect);
        ReleaseDC(nullptr, screen);
    }
    backgroundRect = rect;
}

void StageWindow::CopyBackgroundFrom(const StageWindow* other)
{
    RECT common;
    if (other == this || !IntersectRect(&common, &rect, &other->backgroundRect))
        return;
    CopyBitmapPart(background, common.left - rect.left, common.top - rect.top, Width(common), Height(common),
                   other->background, common.left - other->backgroundRect.left,
                   common.top - other->backgroundRect.top);
}

void StageWindow::Hide()
{
    if (!IsWindowVisible(hwnd))
        return;
    SetWindowPos(hwnd, nullptr, -1, -1, 1, 1, SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOSIZE);
    rect = RECT{-1, -1, 0, 0};
    backgroundRect = rect;
}

void StageWindow::Present()
{
    if (EqualRect(&rect, &shownRect))
        PaintSelf();
    else
        MoveAndShow();
}

void StageWindow::PaintSelf()
{
    RECT pending = {};
    GetUpdateRect(hwnd, &pending, FALSE);
    if (IsRectEmpty(&pending))
        selfRefresh = TRUE;
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
    selfRefresh = FALSE;
}

void StageWindow::MoveAndShow()
{
    if (!IsWindowVisible(hwnd) && rect.left == shownRect.left && rect.top == shownRect.top)
        return;
    RECT wipe;
    BOOL shownOffScreen = shownRect.right <= 0 || shownRect.bottom <= 0 ||
                          shownRect.left >= stage->screenWidth || shownRect.top >= stage->screenHeight;
    if (shownOffScreen)
        wipe = rect;
    else
        UnionRect(&wipe, &shownRect, &rect);

    SetWindowPos(hwnd, HWND_TOP, rect.left, rect.top, Width(rect), Height(rect),
                 SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOREDRAW | SWP_NOZORDER);

    // The host window paints nothing: shown just below this window over the
    // old and new place and moved away again, it makes every window under
    // the uncovered part repaint, which takes the sprite's old picture away.
    HWND host = stage->app->hostWindow;
    int wipeWidth = Width(wipe);
    int wipeHeight = Height(wipe);
    SetWindowPos(host, hwnd, wipe.left, wipe.top, wipeWidth, wipeHeight, SWP_SHOWWINDOW | SWP_NOACTIVATE);
    MoveWindow(host, -1 - wipeWidth, -1 - wipeHeight, wipeWidth, wipeHeight, TRUE);

    PaintSelf();
}

void StageWindow::Refresh()
{
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
}

void StageWindow::SetTopmost(BOOL flag)
{
    if (!IsWindow(hwnd) || flag == topmost)
        return;
    topmost = flag;
    SetWindowPos(hwnd, flag ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void StageWindow::Recapture()
{
    recapturing = TRUE;
    RECT windowRect;
    GetWindowRect(hwnd, &windowRect);
    int width = Width(windowRect);
    int height = Height(windowRect);
    MoveWindow(hwnd, -1 - width, -1 - height, width, height, TRUE);
    LetUncoveredWindowsRepaint(hwnd);
    // One read of the screen: the back buffer is composed afresh from the
    // background at every paint.
    HDC screen = GetDC(nullptr);
    GrabIntoBitmap(screen, background, windowRect.left, windowRect.top);
    ReleaseDC(nullptr, screen);
    MoveWindow(hwnd, windowRect.left, windowRect.top, width, height, FALSE);
    InvalidateRect(hwnd, nullptr, FALSE);
    recapturing = FALSE;
}

void StageWindow::OnPaint()
{
    // A paint the program did not ask for means something disturbed the
    // desktop behind the window: take it again before drawing.
    if (!recapturing && !selfRefresh)
        Recapture();
    PAINTSTRUCT paint;
    HDC hdc = BeginPaint(hwnd, &paint);
    Paint(hdc, paint.rcPaint);
    EndPaint(hwnd, &paint);
}

void StageWindow::Paint(HDC hdc, const RECT& update)
{
    RECT client;
    GetClientRect(hwnd, &client);
    RealizeSharedPaletteInHost();
    ResetBackBuffer();
    {
        MemoryDc composition(hdc, backBuffer);
        DrawMembers(composition.get(), update);
    }
    DrawBitmapPart(hdc, backBuffer, update.left, update.top, client.right - update.left,
                   client.bottom - update.top, update.left, update.top);
}

void StageWindow::ResetBackBuffer()
{
    CopyBitmapPart(backBuffer, 0, 0, GetBitmapWidth(backBuffer), GetBitmapHeight(backBuffer), background, 0, 0);
}

void StageWindow::DrawMembers(HDC dc, const RECT& update)
{
    // Each sprite is clipped to its own rectangle; later members draw over earlier ones.
    HRGN clip = CreateRectRgn(0, 0, 1, 1);
    for (int i = 0; i < memberCount; ++i) {
        RECT r = GetMemberRect(members[i]);
        OffsetRect(&r, -rect.left, -rect.top);
        SetRectRgn(clip, r.left, r.top, r.right, r.bottom);
        SelectClipRgn(dc, clip);
        members[i]->Draw(dc, &update);
    }
    DeleteObject(clip);
}

CastEntry* StageWindow::HitTest(int x, int y) const
{
    POINT point = {x, y};
    for (int i = memberCount - 1; i >= 0; --i) {
        RECT r = GetMemberRect(members[i]);
        OffsetRect(&r, -rect.left, -rect.top);
        if (PtInRect(&r, point))
            return members[i];
    }
    return nullptr;
}

void StageWindow::OnRightButtonDown(int x, int y)
{
    if (CastEntry* hit = HitTest(x, y))
        stage->OnSpriteRightClick(hit->sprite);
}

void StageWindow::OnInput(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (Sprite* capture = stage->GetCaptureSprite()) {
        capture->OnMouse(hwnd, message, wParam, lParam);
        return;
    }
    if (CastEntry* hit = HitTest(SignedX(lParam), SignedY(lParam)))
        hit->OnMouse(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK StageWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CREATE) {
        SetWindowLongPtrA(window, 0, reinterpret_cast<LONG_PTR>(new StageWindow(window)));
        return 0;
    }
    if (message == WM_WINDOWPOSCHANGING)
        return 0;
    StageWindow* self = reinterpret_cast<StageWindow*>(GetWindowLongPtrA(window, 0));
    // Without its object (not yet made, or its stage gone) the window still
    // never closes: it goes with the host window.
    if (!self || !self->stage)
        return message == WM_CLOSE ? 0 : DefWindowProcA(window, message, wParam, lParam);

    switch (message) {
    case WM_DESTROY:
        return 0;
    case WM_PAINT:
        self->OnPaint();
        return 0;
    case WM_RBUTTONDOWN:
    case WM_CLOSE:
        // Closing a stage window is a right click at the point given, and
        // never destroys it.
        self->OnRightButtonDown(SignedX(lParam), SignedY(lParam));
        return 0;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_KEYDOWN:
        self->OnInput(message, wParam, lParam);
        return 0;
    case WM_QUERYNEWPALETTE:
    case WM_PALETTECHANGED:
        return AnswerPaletteMessage(window, message, wParam, FALSE);
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}
