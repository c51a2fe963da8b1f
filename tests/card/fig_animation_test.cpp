// The animation player over FIG images made here, timed by a clock the tests
// move by hand.
#include "gfx/fig_animation.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/card/fig_test_image.h"

namespace {

DWORD fakeNow = 0;
DWORD WINAPI FakeClock() { return fakeNow; }

// Frame i (from 1) is a solid rectangle of palette index i, or of `colourBase`
// + i: two images differing only in colourBase have the same layout.
std::vector<TestFrame> SolidFrames(int count, int delay, int colourBase = 0) {
    std::vector<TestFrame> frames;
    for (int i = 1; i <= count; ++i) {
        TestFrame frame;
        frame.width = 4;
        frame.height = 3;
        frame.left = 2 * (i - 1) % 20;
        frame.top = i % 5;
        frame.delay = delay;
        frame.fill = static_cast<uint8_t>(colourBase + i);
        frames.push_back(frame);
    }
    return frames;
}

class FigAnimationTest : public ::testing::Test {
protected:
    void SetUp() override { fakeNow = 100000; }

    void Start(const std::vector<uint8_t>& fig) {
        data = fig;
        player.SetClock(FakeClock);
        RECT placement = {0, 0, 30, 10};
        ASSERT_TRUE(player.Attach(nullptr, data.data(), static_cast<DWORD>(data.size()), &placement));
        player.SetState(FigAnimation::kPlaying);
    }

    // Moves the clock and ticks; returns the frame then on show.
    int TickAt(DWORD now) {
        fakeNow = now;
        player.Tick();
        return player.FrameNumber();
    }

    COLORREF CanvasAt(int x, int y) { return BitmapPixel(player.Canvas(), x, y); }

    // The colour frame `number` of SolidFrames left at its own place.
    COLORREF ShownColour(const std::vector<TestFrame>& frames, int number) {
        const TestFrame& frame = frames[number - 1];
        return CanvasAt(frame.left + 1, frame.top + 1);
    }

    std::vector<uint8_t> data;
    FigAnimation player;
};

TEST_F(FigAnimationTest, ShowsFrameOneAtOnceAndTheNextOnTheFirstTickAfterItsDelay) {
    std::vector<TestFrame> frames = SolidFrames(3, 100);
    Start(BuildFig(-1, 30, 10, frames));
    EXPECT_EQ(player.FrameNumber(), 1);
    EXPECT_EQ(ShownColour(frames, 1), TestColour(1));
    // 50 ms ticks from the start: the first at or after 1000 ms shows frame 2.
    DWORD start = fakeNow;
    for (DWORD t = 50; t < 1000; t += 50) {
        ASSERT_EQ(TickAt(start + t), 1) << t;
    }
    EXPECT_EQ(TickAt(start + 1000), 2);
    EXPECT_EQ(ShownColour(frames, 2), TestColour(2));
}

TEST_F(FigAnimationTest, DelayZeroMakesTheNextTickAdvanceAgain) {
    std::vector<TestFrame> frames = SolidFrames(3, 10);
    frames[1].delay = 0;
    Start(BuildFig(-1, 30, 10, frames));
    EXPECT_EQ(TickAt(fakeNow + 100), 2);
    EXPECT_EQ(TickAt(fakeNow), 3);
}

TEST_F(FigAnimationTest, LoopCountTwoPlaysThreePassesThenHoldsTheLastFrame) {
    std::vector<TestFrame> frames = SolidFrames(3, 10);
    Start(BuildFig(2, 30, 10, frames));
    std::vector<int> shown = {player.FrameNumber()};
    for (int i = 0; i < 11; ++i) {
        shown.push_back(TickAt(fakeNow + 100));
    }
    EXPECT_EQ(shown, (std::vector<int>{1, 2, 3, 1, 2, 3, 1, 2, 3, 3, 3, 3}));
    EXPECT_EQ(ShownColour(frames, 3), TestColour(3));
}

// The player reads the caller's bytes for every decode, so swapping them for
// an image of the same layout in other colours shows which frames it decoded.
TEST_F(FigAnimationTest, EndlessLoopServesTheSecondPassFromTheCache) {
    std::vector<TestFrame> frames = SolidFrames(14, 10);
    frames[13].delay = 300;
    Start(BuildFig(-1, 30, 10, frames));
    for (int number = 2; number <= 14; ++number) {
        ASSERT_EQ(TickAt(fakeNow + 100), number);
    }
    std::vector<uint8_t> recoloured = BuildFig(-1, 30, 10, SolidFrames(14, 10, 100));
    ASSERT_EQ(recoloured.size(), data.size());
    memcpy(data.data(), recoloured.data(), data.size());

    EXPECT_EQ(TickAt(fakeNow + 2999), 14);
    for (int number = 1; number <= 14; ++number) {
        ASSERT_EQ(TickAt(fakeNow + 3000), number);
        EXPECT_EQ(ShownColour(frames, number), TestColour(number)) << number;
    }
    EXPECT_EQ(player.CachedFrameCount(), 14);
}

TEST_F(FigAnimationTest, MoreFramesThanTheCacheAreDecodedOnEveryPassInOrder) {
    std::vector<TestFrame> frames = SolidFrames(25, 10);
    Start(BuildFig(-1, 30, 10, frames));
    for (int number = 2; number <= 25; ++number) {
        ASSERT_EQ(TickAt(fakeNow + 100), number);
        ASSERT_LE(player.CachedFrameCount(), FigAnimation::kCacheSize);
    }
    std::vector<uint8_t> recoloured = BuildFig(-1, 30, 10, SolidFrames(25, 10, 100));
    ASSERT_EQ(recoloured.size(), data.size());
    memcpy(data.data(), recoloured.data(), data.size());
    for (int pass = 0; pass < 2; ++pass) {
        for (int number = 1; number <= 25; ++number) {
            ASSERT_EQ(TickAt(fakeNow + 100), number);
            EXPECT_EQ(ShownColour(frames, number), TestColour(100 + number)) << number;
            ASSERT_LE(player.CachedFrameCount(), FigAnimation::kCacheSize);
        }
    }
    EXPECT_EQ(player.CachedFrameCount(), FigAnimation::kCacheSize);
}

TEST_F(FigAnimationTest, PauseKeepsTheRemainingDelay) {
    Start(BuildFig(-1, 30, 10, SolidFrames(3, 100)));
    DWORD start = fakeNow;
    fakeNow = start + 600;
    player.SetState(FigAnimation::kPaused);
    EXPECT_EQ(TickAt(start + 5000), 1);
    // Setting the state it already has changes no timing.
    fakeNow = start + 7000;
    player.SetState(FigAnimation::kPaused);
    fakeNow = start + 9000;
    player.SetState(FigAnimation::kPlaying);
    player.SetState(FigAnimation::kPlaying);
    EXPECT_EQ(TickAt(start + 9399), 1);
    EXPECT_EQ(TickAt(start + 9400), 2);
}

TEST_F(FigAnimationTest, RewindShowsFrameOneAndHoldsIt) {
    std::vector<TestFrame> frames = SolidFrames(3, 100);
    Start(BuildFig(-1, 30, 10, frames));
    DWORD start = fakeNow;
    EXPECT_EQ(TickAt(start + 1000), 2);
    fakeNow = start + 1200;
    player.SetState(FigAnimation::kRewound);
    EXPECT_EQ(player.FrameNumber(), 1);
    EXPECT_EQ(TickAt(start + 9000), 1);
    // Play goes on with frame 1's full delay, counted from the rewind.
    fakeNow = start + 10000;
    player.SetState(FigAnimation::kPlaying);
    EXPECT_EQ(TickAt(start + 10999), 1);
    EXPECT_EQ(TickAt(start + 11000), 2);
}

TEST_F(FigAnimationTest, TransparentPixelsLeaveTheCanvasUnchanged) {
    std::vector<TestFrame> frames(2);
    frames[0].width = 8;
    frames[0].height = 4;
    frames[0].fill = 10;
    frames[0].delay = 10;
    frames[1].width = 4;
    frames[1].height = 2;
    frames[1].left = 2;
    frames[1].top = 1;
    frames[1].transparentIndex = 1;
    frames[1].pixels = {1, 20, 1, 20, 20, 1, 20, 1};
    Start(BuildFig(-1, 8, 4, frames));
    ASSERT_EQ(TickAt(fakeNow + 100), 2);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 8; ++x) {
            bool inFrame = x >= 2 && x < 6 && y >= 1 && y < 3;
            bool opaque = inFrame && frames[1].pixels[(y - 1) * 4 + (x - 2)] != 1;
            EXPECT_EQ(CanvasAt(x, y), TestColour(opaque ? 20 : 10)) << x << "," << y;
        }
    }
}

// Disposal 2 clears the old frame's place to the new frame's key colour;
// disposal 3 brings back what lay under the old frame.
TEST_F(FigAnimationTest, DisposalActsOnThePreviousFramesArea) {
    struct Case {
        int disposal;
        COLORREF expected;
    };
    for (Case test : {Case{1, TestColour(30)}, Case{2, TestColour(1)}, Case{3, TestColour(10)}}) {
        std::vector<TestFrame> frames(3);
        frames[0] = {8, 4, 0, 0, -1, 10, 1, {}, 10};
        frames[1] = {2, 2, 0, 0, -1, 10, test.disposal, {}, 30};
        frames[2] = {2, 2, 4, 0, 1, 10, 1, {}, 40};
        FigAnimation fresh;
        std::vector<uint8_t> fig = BuildFig(-1, 8, 4, frames);
        fresh.SetClock(FakeClock);
        RECT placement = {0, 0, 8, 4};
        ASSERT_TRUE(fresh.Attach(nullptr, fig.data(), static_cast<DWORD>(fig.size()), &placement));
        fresh.SetState(FigAnimation::kPlaying);
        fakeNow += 100;
        fresh.Tick();
        fakeNow += 100;
        fresh.Tick();
        ASSERT_EQ(fresh.FrameNumber(), 3);
        EXPECT_EQ(BitmapPixel(fresh.Canvas(), 1, 1), test.expected) << test.disposal;
        EXPECT_EQ(BitmapPixel(fresh.Canvas(), 5, 1), TestColour(40)) << test.disposal;
    }
}

TEST_F(FigAnimationTest, PaintCopiesTheCanvasAtThePlacement) {
    std::vector<TestFrame> frames = SolidFrames(2, 10);
    data = BuildFig(-1, 30, 10, frames);
    player.SetClock(FakeClock);
    RECT placement = {5, 7, 35, 17};
    ASSERT_TRUE(player.Attach(nullptr, data.data(), static_cast<DWORD>(data.size()), &placement));

    HDC screen = GetDC(nullptr);
    HBITMAP target = CreateCompatibleBitmap(screen, 40, 20);
    ReleaseDC(nullptr, screen);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ initial = SelectObject(dc, target);
    RECT all = {0, 0, 40, 20};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    player.Paint(dc, &all);
    EXPECT_EQ(GetPixel(dc, 5 + frames[0].left + 1, 7 + frames[0].top + 1), RGB(255, 255, 255))
        << "nothing is painted before the first frame";
    player.SetState(FigAnimation::kPlaying);
    player.Paint(dc, &all);
    EXPECT_EQ(GetPixel(dc, 5 + frames[0].left + 1, 7 + frames[0].top + 1), TestColour(1));
    EXPECT_EQ(GetPixel(dc, 4, 6), RGB(255, 255, 255));
    SelectObject(dc, initial);
    DeleteDC(dc);
    DeleteObject(target);
}

TEST(FigAnimationData, RefusesDataThatIsNotAFigImage) {
    std::vector<uint8_t> fig = BuildFig(-1, 4, 4, SolidFrames(1, 10));
    fig[3] = '2';
    FigAnimation player;
    RECT placement = {0, 0, 4, 4};
    EXPECT_FALSE(player.Attach(nullptr, fig.data(), static_cast<DWORD>(fig.size()), &placement));
    player.SetState(FigAnimation::kPlaying);
    player.Tick();
    EXPECT_EQ(player.FrameNumber(), 0);
}

TEST(FigAnimationData, AnImageWithoutFramesShowsNothing) {
    std::vector<uint8_t> fig = BuildFig(-1, 4, 4, {});
    FigAnimation player;
    RECT placement = {0, 0, 4, 4};
    ASSERT_TRUE(player.Attach(nullptr, fig.data(), static_cast<DWORD>(fig.size()), &placement));
    player.SetState(FigAnimation::kPlaying);
    player.Tick();
    EXPECT_EQ(player.CachedFrameCount(), 0);
    EXPECT_EQ(BitmapPixel(player.Canvas(), 1, 1), RGB(0, 0, 0));
}

}  // namespace
