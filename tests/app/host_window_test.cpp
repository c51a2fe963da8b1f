// The host window, in-process: a real Application with the card's resources.
#include <gtest/gtest.h>

#include <windows.h>

#include <tuple>

#include "app/application.h"
#include "stage/performer.h"
#include "stage/scene.h"
#include "stage/sprite.h"
#include "stage/stage.h"

namespace {

std::tuple<int, int, int, int> PoseOf(const Sprite* sprite)
{
    return {sprite->state, sprite->frameBase, sprite->frameOffset, sprite->counter};
}

// Pumps messages for `ms`, counting host timer ticks; stops early on WM_QUIT.
int Pump(HWND host, DWORD ms, WPARAM* quitCode = nullptr)
{
    int ticks = 0;
    DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        MSG msg;
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            continue;
        }
        if (msg.message == WM_QUIT) {
            if (quitCode)
                *quitCode = msg.wParam;
            return ticks;
        }
        if (msg.message == WM_TIMER && msg.hwnd == host && msg.wParam == 1)
            ticks++;
        DispatchMessageA(&msg);
    }
    return ticks;
}

class HostWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_NE(RegisterHostClass(GetModuleHandleA(nullptr)), 0); }

    void SetUp() override
    {
        // The host window deletes the Application when it is destroyed.
        app_ = new Application(GetModuleHandleA(nullptr), "");
        ASSERT_NE(app_->hostWindow, nullptr);
        host_ = app_->hostWindow;
    }
    void TearDown() override
    {
        if (IsWindow(host_)) {
            DestroyWindow(host_);
            Pump(host_, 200);
        }
    }

    Application* app_ = nullptr;
    HWND host_ = nullptr;
};

TEST_F(HostWindow, IsHiddenWithItsClassTitleAndApplication)
{
    EXPECT_EQ(FindWindowA("trail", "Cardling"), host_);
    EXPECT_FALSE(IsWindowVisible(host_));
    EXPECT_EQ(GetWindowLongPtrA(host_, 0), reinterpret_cast<LONG_PTR>(app_));
    EXPECT_EQ(GetClassWord(host_, 0), static_cast<WORD>(reinterpret_cast<UINT_PTR>(host_)));
    EXPECT_NE(app_->stage, nullptr);
}

TEST_F(HostWindow, SwallowsTheScreenSaverCommand)
{
    EXPECT_EQ(SendMessageA(host_, WM_SYSCOMMAND, SC_SCREENSAVE, 0), 0);
    EXPECT_TRUE(IsWindow(host_));
}

TEST_F(HostWindow, AnyTimerIdTicksTheStage)
{
    Sprite* box = app_->stage->performers[0]->GetSprite(0);
    ASSERT_NE(box, nullptr);
    auto before = PoseOf(box);
    for (int i = 0; i < 40; i++)
        SendMessageA(host_, WM_TIMER, 7, 0);
    EXPECT_NE(PoseOf(box), before);
}

TEST_F(HostWindow, TimerOneFiresEveryHundredMilliseconds)
{
    int ticks = Pump(host_, 1000);
    EXPECT_GE(ticks, 7);
    EXPECT_LE(ticks, 12);
}

TEST_F(HostWindow, CloseDestroysTheWindowAndQuitsWithCodeZero)
{
    PostMessageA(host_, WM_CLOSE, 0, 0);
    WPARAM quitCode = 99;
    Pump(host_, 5000, &quitCode);
    EXPECT_EQ(quitCode, 0u);
    EXPECT_FALSE(IsWindow(host_));
}

} // namespace
