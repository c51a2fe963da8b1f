// A real Application with its stage and stage windows on the rig's screen,
// whose performers play block scenes instead of the greeting: plain sprites
// that fill their rectangle but a margin with one colour, so that what the
// windows show of the desktop around them can be read back from the screen.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "app/application.h"
#include "stage/performer.h"
#include "stage/scene.h"
#include "stage/sprite.h"
#include "stage/stage.h"
#include "stage/stage_window.h"
#include "tests/stage/sprites_canvas.h"

// Width of the band inside a block sprite's rectangle that it leaves undrawn.
constexpr int kBlockMargin = 6;

class BlockSprite : public Sprite {
public:
    BlockSprite(Scene* owner, const RECT& where, COLORREF colour)
        : Sprite(owner, GetModuleHandleA(nullptr), 0), colour(colour)
    {
        screenRect = where;
    }

    int Tick() override { return 0; }
    void SetState(int newState) override { state = newState; }
    BOOL IsShown() override { return shown; }
    void Draw(HDC hdc, const RECT*) override
    {
        if (!IsShown())
            return;
        RECT inner = destRect;
        InflateRect(&inner, -kBlockMargin, -kBlockMargin);
        HBRUSH brush = CreateSolidBrush(colour);
        FillRect(hdc, &inner, brush);
        DeleteObject(brush);
    }
    void OnMouse(HWND, UINT message, WPARAM, LPARAM) override { messages.push_back(message); }

    COLORREF colour;
    std::vector<UINT> messages;
};

class BlockScene : public Scene {
public:
    BlockScene(HINSTANCE instance, HWND hostWindow, void* userData)
        : Scene(instance, hostWindow, userData)
    {
    }

    int Tick() override { return 0; }
    void Finish() override
    {
        ++finishCount;
        for (int i = 0; i < spriteCount; ++i)
            sprites[i]->Hide();
    }

    int finishCount = 0;
};

// A window of the test's own that paints diagonal stripes: something on the
// desktop besides the root window for the stage windows to capture.
class Backdrop {
public:
    explicit Backdrop(const RECT& where);
    ~Backdrop();
    HWND hwnd = nullptr;
};

class StageTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Gives performer `index` (made when needed) a block scene of its own.
    BlockScene* UseBlockScene(int index);
    BlockSprite* AddBlock(BlockScene* scene, const RECT& where, COLORREF colour);
    // Rebuilds the cast from the performers' scenes, in performer order.
    void Recast();
    // One stage tick, then the paints it caused elsewhere.
    void TickAndSettle();

    Application* app = nullptr;
    Stage* stage = nullptr;
};

// Dispatches what is queued, letting the screen settle.
void PumpMessages();
// The screen's pixels inside `area`.
void GrabScreen(Canvas* into, int left, int top);
// Number of pixels in `area` of `shot` that differ from `baseline` (both
// grabbed at the same place), ignoring the rectangles in `except`.
int CountChanged(const Canvas& shot, const Canvas& baseline, const std::vector<RECT>& except);
