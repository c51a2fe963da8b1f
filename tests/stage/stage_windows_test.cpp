// Stage windows on the rig's screen: what they show of the desktop, the wipe
// of the places sprites leave, recapture, and where input goes.
#include "tests/stage/stage_fixture.h"

namespace {

// The part of the screen every test here plays in.
const RECT kArena = {100, 100, 700, 500};
// Colours every display has, also the 8-bit one with its static colours.
const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kGreen = RGB(0, 255, 0);

int ArenaWidth()
{
    return kArena.right - kArena.left;
}

int ArenaHeight()
{
    return kArena.bottom - kArena.top;
}

void FillBitmap(HBITMAP bitmap, COLORREF colour)
{
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all = {0, 0, 4096, 4096};
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
}

// The drawn part of a block sprite at `where`, in arena coordinates.
RECT InkOf(const RECT& where)
{
    RECT ink = where;
    InflateRect(&ink, -kBlockMargin, -kBlockMargin);
    OffsetRect(&ink, -kArena.left, -kArena.top);
    return ink;
}

class StageWindows : public StageTest {
protected:
    void SetUp() override
    {
        StageTest::SetUp();
        backdrop = new Backdrop({150, 150, 400, 350});
        GrabScreen(&baseline, kArena.left, kArena.top);
    }
    void TearDown() override
    {
        StageTest::TearDown();
        delete backdrop;
    }

    // Pixels of the arena that differ from the desktop, outside the ink of
    // the given sprites; and checks that the ink shows each sprite's colour.
    int Trails(const std::vector<BlockSprite*>& sprites)
    {
        Canvas shot(ArenaWidth(), ArenaHeight());
        GrabScreen(&shot, kArena.left, kArena.top);
        std::vector<RECT> inks;
        for (BlockSprite* sprite : sprites) {
            RECT ink = InkOf(sprite->screenRect);
            EXPECT_EQ(shot.At(ink.left, ink.top), sprite->colour);
            EXPECT_EQ(shot.At(ink.right - 1, ink.bottom - 1), sprite->colour);
            inks.push_back(ink);
        }
        return CountChanged(shot, baseline, inks);
    }

    Backdrop* backdrop = nullptr;
    Canvas baseline{ArenaWidth(), ArenaHeight()};
};

} // namespace

TEST_F(StageWindows, SpriteStandsOnTheDesktopAndLeavesNoTrail)
{
    BlockScene* scene = static_cast<BlockScene*>(stage->performers[0]->scene);
    BlockSprite* sprite = AddBlock(scene, {120, 200, 240, 350}, kRed);
    Recast();

    TickAndSettle();
    EXPECT_EQ(Trails({sprite}), 0) << "first show";
    TickAndSettle();
    EXPECT_EQ(Trails({sprite}), 0) << "standing";

    const POINT moves[] = {{8, 0}, {8, 0}, {-8, 3}, {40, -30}, {250, 80}, {-300, -150}};
    for (const POINT& move : moves) {
        OffsetRect(&sprite->screenRect, move.x, move.y);
        TickAndSettle();
        EXPECT_EQ(Trails({sprite}), 0) << "after a move by " << move.x << ", " << move.y;
    }

    sprite->Hide();
    TickAndSettle();
    EXPECT_EQ(Trails({}), 0) << "hidden";
}

TEST_F(StageWindows, TwoSpritesCrossingLeaveNoTrail)
{
    BlockScene* scene = static_cast<BlockScene*>(stage->performers[0]->scene);
    BlockSprite* left = AddBlock(scene, {110, 300, 210, 400}, kRed);
    BlockSprite* right = AddBlock(scene, {560, 300, 660, 400}, kGreen);
    Recast();
    TickAndSettle();

    for (int step = 0; step < 10; ++step) {
        OffsetRect(&left->screenRect, 40, -8);
        OffsetRect(&right->screenRect, -40, -8);
        TickAndSettle();
        // Where they overlap the later cast entry is drawn on top: leave it out.
        RECT overlap;
        std::vector<BlockSprite*> visible = {left, right};
        if (IntersectRect(&overlap, &left->screenRect, &right->screenRect))
            visible = {right};
        Canvas shot(ArenaWidth(), ArenaHeight());
        GrabScreen(&shot, kArena.left, kArena.top);
        std::vector<RECT> inks = {InkOf(left->screenRect), InkOf(right->screenRect)};
        EXPECT_EQ(CountChanged(shot, baseline, inks), 0) << "step " << step;
        RECT rightInk = InkOf(right->screenRect);
        EXPECT_EQ(shot.At(rightInk.left, rightInk.top), kGreen) << "step " << step;
    }
    left->Hide();
    right->Hide();
    TickAndSettle();
    EXPECT_EQ(Trails({}), 0);
}

TEST_F(StageWindows, UnchangedWindowReusesItsBackgroundUntilSomethingElseInvalidatesIt)
{
    BlockScene* scene = static_cast<BlockScene*>(stage->performers[0]->scene);
    BlockSprite* sprite = AddBlock(scene, {200, 200, 300, 300}, kRed);
    Recast();
    TickAndSettle();
    TickAndSettle();
    ASSERT_EQ(Trails({sprite}), 0);
    ASSERT_EQ(stage->windowCount >= 1, true);
    StageWindow* window = stage->windows[0];

    // Mark the background: a paint that takes nothing from the screen shows the mark.
    FillBitmap(window->background, kGreen);
    TickAndSettle();
    Canvas shot(ArenaWidth(), ArenaHeight());
    GrabScreen(&shot, kArena.left, kArena.top);
    EXPECT_EQ(shot.At(200 - kArena.left + 1, 200 - kArena.top + 1), kGreen);

    // Invalidated from outside, the window recaptures the desktop first.
    InvalidateRect(window->hwnd, nullptr, FALSE);
    TickAndSettle();
    EXPECT_EQ(Trails({sprite}), 0);
}

TEST_F(StageWindows, RefreshRecapturesTheDesktopBehind)
{
    BlockScene* scene = static_cast<BlockScene*>(stage->performers[0]->scene);
    BlockSprite* sprite = AddBlock(scene, {200, 200, 300, 300}, kRed);
    Recast();
    TickAndSettle();
    StageWindow* window = stage->windows[0];
    // What the window shows of the desktop is wrong now, on the screen too.
    FillBitmap(window->background, kGreen);
    TickAndSettle();

    stage->RefreshAllWindows();
    PumpMessages();

    EXPECT_EQ(Trails({sprite}), 0);
}

TEST_F(StageWindows, RightClickWhereSpritesOverlapFinishesTheLaterCastEntrysScene)
{
    BlockScene* first = static_cast<BlockScene*>(stage->performers[0]->scene);
    BlockScene* second = UseBlockScene(1);
    AddBlock(first, {200, 200, 300, 300}, kRed);
    AddBlock(second, {250, 250, 350, 350}, kGreen);
    Recast();
    TickAndSettle();
    ASSERT_TRUE(IsWindowVisible(stage->windows[0]->hwnd));
    HWND hwnd = stage->windows[0]->hwnd;

    SendMessageA(hwnd, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(60, 60));
    EXPECT_EQ(first->finishCount, 0);
    EXPECT_EQ(second->finishCount, 1);

    SendMessageA(hwnd, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(10, 10));
    EXPECT_EQ(first->finishCount, 1);

    // Finished scenes hide their sprites: the next tick takes the windows away.
    TickAndSettle();
    EXPECT_FALSE(IsWindowVisible(hwnd));
    EXPECT_EQ(Trails({}), 0);
}

TEST_F(StageWindows, CloseIsARightClickAtTheTopLeftAndKeepsTheWindow)
{
    BlockScene* first = static_cast<BlockScene*>(stage->performers[0]->scene);
    BlockScene* second = UseBlockScene(1);
    // Diagonal neighbours: the group's top-left pixel belongs to neither.
    AddBlock(first, {300, 200, 400, 300}, kRed);
    AddBlock(second, {200, 290, 310, 390}, kGreen);
    Recast();
    TickAndSettle();
    HWND hwnd = stage->windows[0]->hwnd;

    SendMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(first->finishCount + second->finishCount, 0);
    EXPECT_TRUE(IsWindow(hwnd));

    SendMessageA(hwnd, WM_CLOSE, 0, MAKELPARAM(150, 20));
    EXPECT_EQ(first->finishCount, 1);
    EXPECT_TRUE(IsWindow(hwnd));
}

TEST_F(StageWindows, InputGoesToTheSpriteUnderThePointerOrToTheCaptureSprite)
{
    BlockScene* scene = static_cast<BlockScene*>(stage->performers[0]->scene);
    BlockSprite* under = AddBlock(scene, {200, 200, 300, 300}, kRed);
    BlockSprite* over = AddBlock(scene, {250, 250, 350, 350}, kGreen);
    Recast();
    TickAndSettle();
    HWND hwnd = stage->windows[0]->hwnd;

    SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(60, 60));
    SendMessageA(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
    SendMessageA(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(140, 10)); // over neither
    EXPECT_EQ(over->messages, std::vector<UINT>{WM_LBUTTONDOWN});
    EXPECT_EQ(under->messages, std::vector<UINT>{WM_LBUTTONUP});

    scene->captureSprite = under;
    SendMessageA(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(140, 140));
    SendMessageA(hwnd, WM_LBUTTONDBLCLK, 0, MAKELPARAM(140, 10));
    SendMessageA(hwnd, WM_KEYDOWN, 'M', 0);
    EXPECT_EQ(under->messages, (std::vector<UINT>{WM_LBUTTONUP, WM_MOUSEMOVE, WM_LBUTTONDBLCLK, WM_KEYDOWN}));
    EXPECT_EQ(over->messages.size(), 1u);
}

TEST_F(StageWindows, WindowTakesPixelsUnderAnotherStageWindowFromItsBackground)
{
    BlockScene* scene = static_cast<BlockScene*>(stage->performers[0]->scene);
    AddBlock(scene, {200, 200, 300, 300}, kRed);
    Recast();
    TickAndSettle();
    StageWindow* shown = stage->windows[0];
    StageWindow* other = stage->GetWindowAt(1);
    ASSERT_NE(other, nullptr);

    // The other window is given a place half over the shown one's.
    other->SetGroupRect({250, 180, 350, 280});
    other->CaptureBackground();
    other->CopyBackgroundFrom(shown);

    // Its background holds the desktop there, not the red of the sprite.
    Canvas desktop(100, 100);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, other->background);
    BitBlt(desktop.dc, 0, 0, 100, 100, dc, 0, 0, SRCCOPY);
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    GdiFlush();
    for (int y = 0; y < 100; y += 7) {
        for (int x = 0; x < 100; x += 7)
            ASSERT_EQ(desktop.At(x, y), baseline.At(250 - kArena.left + x, 180 - kArena.top + y)) << x << ", " << y;
    }
}

using StagePerformers = StageTest;

TEST_F(StagePerformers, ToggleTopmostTwiceLeavesWindowsNotTopmost)
{
    StageWindow* early = stage->GetWindowAt(0);
    PerformerCallback(stage->performers[0], 3, nullptr);
    EXPECT_TRUE(GetWindowLongA(early->hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);

    // A window made after the toggle waits for the next one.
    StageWindow* late = stage->GetWindowAt(1);
    EXPECT_FALSE(GetWindowLongA(late->hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);

    PerformerCallback(stage->performers[0], 3, nullptr);
    EXPECT_FALSE(GetWindowLongA(early->hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_FALSE(GetWindowLongA(late->hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_FALSE(stage->topmost);
}

TEST_F(StagePerformers, CallbackIgnoresUnknownEventsAndSprites)
{
    BlockScene* scene = static_cast<BlockScene*>(stage->performers[0]->scene);
    BlockSprite stranger(scene, {10, 10, 20, 20}, kRed);
    EXPECT_EQ(PerformerCallback(stage->performers[0], 1, &stranger), 0);
    EXPECT_EQ(PerformerCallback(stage->performers[0], 0, nullptr), 0);
    EXPECT_EQ(PerformerCallback(stage->performers[0], 4, &stranger), 0);
    stage->OnSpriteRightClick(&stranger);
    EXPECT_EQ(scene->finishCount, 0);
}

TEST_F(StagePerformers, PlayMusicEventStartsTheDefaultTune)
{
    ASSERT_EQ(app->musicFile[0], '\0');
    PerformerCallback(stage->performers[0], 2, nullptr);
    EXPECT_NE(app->musicFile[0], '\0');
    app->StopMusic();
}

TEST_F(StagePerformers, RefreshWithAnEmptyCastDoesNothing)
{
    Recast();
    ASSERT_EQ(stage->castCount, 0);
    stage->RefreshAllWindows();
    stage->Tick();
    EXPECT_EQ(stage->windowCount, 0);
}

TEST_F(StagePerformers, StageMadeByTheApplicationCastsTheGreetingSprites)
{
    // A fresh stage of its own, as the Application makes it.
    Stage fresh(app);
    ASSERT_EQ(fresh.performerCount, 1);
    ASSERT_EQ(fresh.castCount, 2);
    EXPECT_EQ(fresh.cast[0]->sprite, fresh.performers[0]->GetSprite(0));
    EXPECT_EQ(fresh.cast[1]->sprite, fresh.performers[0]->GetSprite(1));
    EXPECT_EQ(fresh.cast[0]->performer, fresh.performers[0]);

    fresh.RemovePerformer(0);
    EXPECT_EQ(fresh.performerCount, 0);
    EXPECT_EQ(fresh.performers, nullptr);
    EXPECT_EQ(fresh.GetCaptureSprite(), nullptr);
}

TEST_F(StageWindows, WipeCoversOldAndNewPlaceUnlessTheOldOneIsOffTheScreen)
{
    BlockScene* scene = static_cast<BlockScene*>(stage->performers[0]->scene);
    BlockSprite* sprite = AddBlock(scene, {300, 200, 400, 300}, kRed);
    sprite->previousRect = sprite->screenRect;
    Recast();
    TickAndSettle();
    // The new window came from (-2, -2): only the new place was wiped.
    RECT host;
    GetWindowRect(app->hostWindow, &host);
    EXPECT_EQ(host.right - host.left, 100);
    EXPECT_EQ(host.bottom - host.top, 100);
    EXPECT_LT(host.right, 0);
    EXPECT_LT(host.bottom, 0);

    OffsetRect(&sprite->screenRect, 300, 50);
    TickAndSettle();
    // Jumped far: the old window keeps the old place and repaints it without
    // the sprite; a new window from (-2, -2) takes the new place, wiped alone.
    GetWindowRect(app->hostWindow, &host);
    EXPECT_EQ(host.right - host.left, 100);
    EXPECT_EQ(host.bottom - host.top, 100);

    OffsetRect(&sprite->screenRect, -30, 0);
    TickAndSettle();
    GetWindowRect(app->hostWindow, &host);
    // Moved by less than its size: the window's old and new place.
    EXPECT_EQ(host.right - host.left, 130);
    EXPECT_EQ(Trails({sprite}), 0);
}

TEST_F(StageWindows, HiddenWindowGivenAGroupAtItsOwnCornerStaysHidden)
{
    BlockScene* scene = static_cast<BlockScene*>(stage->performers[0]->scene);
    BlockSprite* sprite = AddBlock(scene, {-2, -2, 40, 40}, kRed);
    sprite->previousRect = sprite->screenRect;
    Recast();

    TickAndSettle();

    ASSERT_EQ(stage->windowCount, 1);
    EXPECT_FALSE(IsWindowVisible(stage->windows[0]->hwnd));
}

TEST_F(StagePerformers, StageWindowsOutlivingTheirStageTakeTheDefaultPath)
{
    // The windows belong to the host window and stay until it goes; the
    // stage that made them may be deleted first.
    Stage* fresh = new Stage(app);
    HWND hwnd = fresh->GetWindowAt(0)->hwnd;
    delete fresh;

    SendMessageA(hwnd, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(0, 0));
    SendMessageA(hwnd, WM_CLOSE, 0, 0);
    SendMessageA(hwnd, WM_MOUSEMOVE, 0, 0);
    SendMessageA(hwnd, WM_QUERYNEWPALETTE, 0, 0);
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
    EXPECT_TRUE(IsWindow(hwnd));
    EXPECT_EQ(GetWindowLongPtrA(hwnd, 0), 0);
}
