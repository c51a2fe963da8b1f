// The host window, in-process: a real Application with the card's resources.
#include <gtest/gtest.h>

#include <windows.h>

#include <tuple>

#include "app/application.h"
#include "stage/performer.h"
#include "stage/scene.h"
#include "stage/sprite.h"
#include "stage/stage.h"
#include "tests/app/message_pump.h"

namespace {

std::tuple<int, int, int, int> PoseOf(const Sprite* sprite)
{
    return {sprite->state, sprite->frameBase, sprite->frameOffset, sprite->counter};
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
            PumpMessages(200, host_);
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
    // Two seconds, with room for a busy machine that delays a few ticks.
    int ticks = PumpMessages(2000, host_);
    EXPECT_GE(ticks, 12);
    EXPECT_LE(ticks, 22);
}

TEST_F(HostWindow, CloseDestroysTheWindowAndQuitsWithCodeZero)
{
    PostMessageA(host_, WM_CLOSE, 0, 0);
    WPARAM quitCode = 99;
    PumpMessages(5000, host_, &quitCode);
    EXPECT_EQ(quitCode, 0u);
    EXPECT_FALSE(IsWindow(host_));
}

} // namespace
