#include "tests/stage/stage_fixture.h"

#include "tests/gfx/gdi_test_util.h"

namespace {

const char kBackdropClass[] = "StageTestBackdrop";

LRESULT CALLBACK BackdropProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_PAINT)
        return DefWindowProcA(window, message, wParam, lParam);
    PAINTSTRUCT paint;
    HDC hdc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    std::vector<DWORD> pixels(client.right * client.bottom);
    for (int y = 0; y < client.bottom; ++y) {
        for (int x = 0; x < client.right; ++x)
            pixels[y * client.right + x] = ((x + y) / 4) % 2 ? 0x145AC8 : 0xFAF01E;
    }
    BITMAPINFO info = TopDown32BitInfo(client.right, client.bottom);
    SetDIBitsToDevice(hdc, 0, 0, client.right, client.bottom, 0, 0, 0, client.bottom, pixels.data(), &info,
                      DIB_RGB_COLORS);
    EndPaint(window, &paint);
    return 0;
}

} // namespace

Backdrop::Backdrop(const RECT& where)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = BackdropProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kBackdropClass;
    RegisterClassA(&windowClass);
    hwnd = CreateWindowExA(0, kBackdropClass, "", WS_POPUP | WS_VISIBLE, where.left, where.top,
                           where.right - where.left, where.bottom - where.top, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
    UpdateWindow(hwnd);
    PumpMessages();
}

Backdrop::~Backdrop()
{
    DestroyWindow(hwnd);
    PumpMessages();
}

void PumpMessages()
{
    for (int round = 0; round < 3; ++round) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(30);
    }
}

void GrabScreen(Canvas* into, int left, int top)
{
    HDC screen = GetDC(nullptr);
    BitBlt(into->dc, 0, 0, into->width, into->height, screen, left, top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    GdiFlush();
}

int CountChanged(const Canvas& shot, const Canvas& baseline, const std::vector<RECT>& except)
{
    GdiFlush();
    int changed = 0;
    for (int y = 0; y < shot.height; ++y) {
        for (int x = 0; x < shot.width; ++x) {
            POINT point = {x, y};
            bool skipped = false;
            for (const RECT& r : except)
                skipped = skipped || PtInRect(&r, point);
            int i = y * shot.width + x;
            if (!skipped && (shot.pixels[i] & 0xFFFFFF) != (baseline.pixels[i] & 0xFFFFFF))
                ++changed;
        }
    }
    return changed;
}

void StageTest::SetUp()
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    RegisterHostClass(instance);
    app = new Application(instance, "");
    ASSERT_NE(app->hostWindow, nullptr);
    // The test drives the ticks itself.
    KillTimer(app->hostWindow, 1);
    app->StopMusic();
    stage = app->stage;
    UseBlockScene(0);
    Recast();
}

void StageTest::TearDown()
{
    // As at the end of the program: the host window's destruction deletes
    // the Application with its stage and takes the stage windows along.
    DestroyWindow(app->hostWindow);
    PumpMessages();
}

BlockScene* StageTest::UseBlockScene(int index)
{
    while (stage->performerCount <= index)
        stage->AddPerformer();
    Performer* performer = stage->performers[index];
    delete performer->scene;
    auto* scene = new BlockScene(app->instance, app->hostWindow, performer);
    scene->SetCallback(PerformerCallback);
    performer->scene = scene;
    return scene;
}

BlockSprite* StageTest::AddBlock(BlockScene* scene, const RECT& where, COLORREF colour)
{
    auto* sprite = new BlockSprite(scene, where, colour);
    scene->AddSprite(sprite);
    return sprite;
}

void StageTest::Recast()
{
    for (int i = 0; i < stage->castCount; ++i)
        delete stage->cast[i];
    free(stage->cast);
    stage->cast = nullptr;
    stage->castCount = 0;
    for (int i = 0; i < stage->performerCount; ++i)
        stage->AddCastOf(i);
}

void StageTest::TickAndSettle()
{
    stage->Tick();
    PumpMessages();
}
