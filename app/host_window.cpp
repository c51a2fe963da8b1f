// The hidden host window: it carries the stage's tick, takes the sequencer's
// notification, and its destruction ends the program.
#include "app/application.h"

#include <mmsystem.h>

#include "gfx/palette.h"
#include "stage/stage.h"

namespace {

HWND lastForeground = nullptr;
RECT lastForegroundRect = {};

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

HWND TopLevelOf(HWND window)
{
    for (HWND parent = GetParent(window); parent; parent = GetParent(window))
        window = parent;
    return window;
}

// A new foreground window, or the same one moved, may have changed the
// desktop behind the sprites: the stage windows then take a new snapshot.
// Moving one of the card's own windows (owned by the host) does not count.
void TrackForeground(Application* app)
{
    HWND foreground = GetForegroundWindow();
    if (foreground != lastForeground) {
        if (app->stage)
            app->stage->RefreshAllWindows();
        lastForeground = foreground;
        GetWindowRect(foreground, &lastForegroundRect);
        return;
    }
    if (!lastForeground || TopLevelOf(lastForeground) == app->hostWindow)
        return;
    RECT rect;
    GetWindowRect(lastForeground, &rect);
    if (SameRect(rect, lastForegroundRect))
        return;
    if (app->stage)
        app->stage->RefreshAllWindows();
    lastForegroundRect = rect;
}

void DestroyChildren(HWND window)
{
    HWND child = GetWindow(window, GW_CHILD);
    while (child) {
        HWND next = GetWindow(child, GW_HWNDNEXT);
        DestroyWindow(child);
        child = next;
    }
}

} // namespace

ATOM RegisterHostClass(HINSTANCE instance)
{
    WNDCLASSA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = HostWindowProc;
    wc.cbClsExtra = 2;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(100));
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    wc.lpszMenuName = "";
    wc.lpszClassName = "trail";
    return RegisterClassA(&wc);
}

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* app = reinterpret_cast<Application*>(GetWindowLongPtrA(window, 0));
    switch (message) {
    case WM_CREATE:
        return 0;
    case WM_TIMER:
        if (app) {
            TrackForeground(app);
            app->Tick();
        }
        return 0;
    case WM_USER: {
        auto memory = reinterpret_cast<HGLOBAL>(lParam);
        if (auto* text = static_cast<const char*>(GlobalLock(memory))) {
            if (app)
                app->OnHostCommand(text);
            GlobalUnlock(memory);
        }
        GlobalFree(memory);
        return 0;
    }
    case MM_MCINOTIFY:
        if (app)
            app->StopMusic();
        return 0;
    case WM_SYSCOMMAND:
        // No screen saver while the card is on the desktop.
        if ((wParam & 0xFFF0) == SC_SCREENSAVE)
            return 0;
        break;
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        SetWindowLongPtrA(window, 0, 0);
        delete app;
        DestroyChildren(window);
        PostQuitMessage(0);
        return 0;
    case WM_QUERYNEWPALETTE:
    case WM_PALETTECHANGED:
        return AnswerPaletteMessage(window, message, wParam, TRUE);
    case WM_PALETTEISCHANGING:
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
