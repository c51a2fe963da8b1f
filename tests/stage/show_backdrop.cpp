// Another program's window for the show test to play over: a borderless
// window at the place given on the command line ("x y width height") that
// paints a fixed pattern of rings and never changes it.
#include <windows.h>

#include <stdio.h>

namespace {

LRESULT CALLBACK BackdropProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC hdc = BeginPaint(window, &paint);
        RECT client;
        GetClientRect(window, &client);
        HBRUSH ground = CreateSolidBrush(RGB(30, 110, 60));
        FillRect(hdc, &client, ground);
        DeleteObject(ground);
        HGDIOBJ oldBrush = SelectObject(hdc, GetStockObject(NULL_BRUSH));
        for (int ring = 0; ring < 12; ++ring) {
            HPEN pen = CreatePen(PS_SOLID, 3, ring % 2 ? RGB(240, 240, 250) : RGB(200, 40, 160));
            HGDIOBJ oldPen = SelectObject(hdc, pen);
            int r = 10 + ring * 12;
            Ellipse(hdc, client.right / 2 - r, client.bottom / 2 - r, client.right / 2 + r, client.bottom / 2 + r);
            SelectObject(hdc, oldPen);
            DeleteObject(pen);
        }
        SelectObject(hdc, oldBrush);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    int x = 100, y = 100, width = 200, height = 150;
    sscanf(commandLine, "%d %d %d %d", &x, &y, &width, &height);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = BackdropProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = "ShowBackdrop";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, "ShowBackdrop", "Backdrop", WS_POPUP | WS_VISIBLE, x, y, width, height,
                                  nullptr, nullptr, instance, nullptr);
    if (!window)
        return 1;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
