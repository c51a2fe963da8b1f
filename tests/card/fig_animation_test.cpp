// The animation player over FIG images made here, timed by a clock the tests
// move by hand.
#include "gfx/fig_animation.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/gfx/fig_builder.h"
#include "tests/gfx/gdi_test_util.h"

namespace {

DWORD fakeNow = 0;
DWORD WINAPI FakeClock() { return fakeNow; }

// A frame of one palette index, left in place, its pixels stored uncompressed:
// two images of the same frame sizes have the same layout.
FigTestFrame SolidFrame(int width, int height, int index, int delay) {
    FigTestFrame frame;
    frame.width = static_cast<int16_t>(width);
    frame.height = static_cast<int16_t>(height);
    frame.delay = static_cast<int16_t>(delay);
    frame.disposal = 1;
    frame.pixels.assign(static_cast<size_t>(width) * height, static_cast<uint8_t>(index));
    frame.zlibLevel = Z_NO_COMPRESSION;
    return frame;
}

// Frame i (from 1) is a solid rectangle of palette index i, or of `colourBase`
// + i: two images differing only in colourBase have the same layout.
std::vector<FigTestFrame> SolidFrames(int count, int delay, int colourBase = 0) {
    std::vector<FigTestFrame> frames;
    for (int i = 1; i <= count; ++i) {
        FigTestFrame frame = SolidFrame(4, 3, colourBase + i, delay);
        frame.left = static_cast<int16_t>(2 * (i - 1) % 20);
        frame.top = static_cast<int16_t>(i % 5);
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
    COLORREF ShownColour(const std::vector<FigTestFrame>& frames, int number) {
        const FigTestFrame& frame = frames[number - 1];
        return CanvasAt(frame.left + 1, frame.top + 1);
    }

    std::vector<uint8_t> data;
    FigAnimation player;
};

TEST_F(FigAnimationTest, ShowsFrameOneAtOnceAndTheNextOnTheFirstTickAfterItsDelay) {
    std::vector<FigTestFrame> frames = SolidFrames(3, 100);
    Start(BuildFig(frames, 30, 10));
    EXPECT_EQ(player.FrameNumber(), 1);
    EXPECT_EQ(ShownColour(frames, 1), TestPaletteColour(1));
    // 50 ms ticks from the start: the first at or after 1000 ms shows frame 2.
    DWORD start = fakeNow;
    for (DWORD t = 50; t < 1000; t += 50) {
        ASSERT_EQ(TickAt(start + t), 1) << t;
    }
    EXPECT_EQ(TickAt(start + 1000), 2);
    EXPECT_EQ(ShownColour(frames, 2), TestPaletteColour(2));
}

TEST_F(FigAnimationTest, DelayZeroMakesTheNextTickAdvanceAgain) {
    std::vector<FigTestFrame> frames = SolidFrames(3, 10);
    frames[1].delay = 0;
    Start(BuildFig(frames, 30, 10));
    EXPECT_EQ(TickAt(fakeNow + 100), 2);
    EXPECT_EQ(TickAt(fakeNow), 3);
}

TEST_F(FigAnimationTest, LoopCountTwoPlaysThreePassesThenHoldsTheLastFrame) {
    std::vector<FigTestFrame> frames = SolidFrames(3, 10);
    Start(BuildFig(frames, 30, 10, 2));
    std::vector<int> shown = {player.FrameNumber()};
    for (int i = 0; i < 11; ++i) {
        shown.push_back(TickAt(fakeNow + 100));
    }
    EXPECT_EQ(shown, (std::vector<int>{1, 2, 3, 1, 2, 3, 1, 2, 3, 3, 3, 3}));
    EXPECT_EQ(ShownColour(frames, 3), TestPaletteColour(3));
}

// The player reads the caller's bytes for every decode, so swapping them for
// an image of the same layout in other colours shows which frames it decoded.
TEST_F(FigAnimationTest, EndlessLoopServesTheSecondPassFromTheCache) {
    std::vector<FigTestFrame> frames = SolidFrames(14, 10);
    frames[13].delay = 300;
    Start(BuildFig(frames, 30, 10));
    for (int number = 2; number <= 14; ++number) {
        ASSERT_EQ(TickAt(fakeNow + 100), number);
    }
    std::vector<uint8_t> recoloured = BuildFig(SolidFrames(14, 10, 100), 30, 10);
    ASSERT_EQ(recoloured.size(), data.size());
    memcpy(data.data(), recoloured.data(), data.size());

    EXPECT_EQ(TickAt(fakeNow + 2999), 14);
    for (int number = 1; number <= 14; ++number) {
        ASSERT_EQ(TickAt(fakeNow + 3000), number);
        EXPECT_EQ(ShownColour(frames, number), TestPaletteColour(number)) << number;
    }
    EXPECT_EQ(player.CachedFrameCount(), 14);
}

TEST_F(FigAnimationTest, MoreFramesThanTheCacheAreDecodedOnEveryPassInOrder) {
    std::vector<FigTestFrame> frames = SolidFrames(25, 10);
    Start(BuildFig(frames, 30, 10));
    for (int number = 2; number <= 25; ++number) {
        ASSERT_EQ(TickAt(fakeNow + 100), number);
        ASSERT_LE(player.CachedFrameCount(), FigAnimation::kCacheSize);
    }
    std::vector<uint8_t> recoloured = BuildFig(SolidFrames(25, 10, 100), 30, 10);
    ASSERT_EQ(recoloured.size(), data.size());
    memcpy(data.data(), recoloured.data(), data.size());
    for (int pass = 0; pass < 2; ++pass) {
        for (int number = 1; number <= 25; ++number) {
            ASSERT_EQ(TickAt(fakeNow + 100), number);
            EXPECT_EQ(ShownColour(frames, number), TestPaletteColour(100 + number)) << number;
            ASSERT_LE(player.CachedFrameCount(), FigAnimation::kCacheSize);
        }
    }
    EXPECT_EQ(player.CachedFrameCount(), FigAnimation::kCacheSize);
}

TEST_F(FigAnimationTest, PauseKeepsTheRemainingDelay) {
    Start(BuildFig(SolidFrames(3, 100), 30, 10));
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
    std::vector<FigTestFrame> frames = SolidFrames(3, 100);
    Start(BuildFig(frames, 30, 10));
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
    std::vector<FigTestFrame> frames = {SolidFrame(8, 4, 10, 10), SolidFrame(4, 2, 0, 0)};
    frames[1].left = 2;
    frames[1].top = 1;
    frames[1].transparentIndex = 1;
    frames[1].pixels = {1, 20, 1, 20, 20, 1, 20, 1};
    Start(BuildFig(frames, 8, 4));
    ASSERT_EQ(TickAt(fakeNow + 100), 2);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 8; ++x) {
            bool inFrame = x >= 2 && x < 6 && y >= 1 && y < 3;
            bool opaque = inFrame && frames[1].pixels[(y - 1) * 4 + (x - 2)] != 1;
            EXPECT_EQ(CanvasAt(x, y), TestPaletteColour(opaque ? 20 : 10)) << x << "," << y;
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
    for (Case test : {Case{1, TestPaletteColour(30)}, Case{2, TestPaletteColour(1)}, Case{3, TestPaletteColour(10)}}) {
        std::vector<FigTestFrame> frames = {SolidFrame(8, 4, 10, 10), SolidFrame(2, 2, 30, 10),
                                            SolidFrame(2, 2, 40, 10)};
        frames[1].disposal = static_cast<int16_t>(test.disposal);
        frames[2].left = 4;
        frames[2].transparentIndex = 1;
        FigAnimation fresh;
        std::vector<uint8_t> fig = BuildFig(frames, 8, 4);
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
        EXPECT_EQ(BitmapPixel(fresh.Canvas(), 5, 1), TestPaletteColour(40)) << test.disposal;
    }
}

TEST_F(FigAnimationTest, PaintCopiesTheCanvasAtThePlacement) {
    std::vector<FigTestFrame> frames = SolidFrames(2, 10);
    data = BuildFig(frames, 30, 10);
    player.SetClock(FakeClock);
    RECT placement = {5, 7, 35, 17};
    ASSERT_TRUE(player.Attach(nullptr, data.data(), static_cast<DWORD>(data.size()), &placement));

    WorkBitmap target(MakeBitmap(40, 20, [](int, int) { return RGB(255, 255, 255); }));
    MemoryDc memory(nullptr, target.get());
    HDC dc = memory.get();
    RECT all = {0, 0, 40, 20};
    player.Paint(dc, &all);
    EXPECT_EQ(GetPixel(dc, 5 + frames[0].left + 1, 7 + frames[0].top + 1), RGB(255, 255, 255))
        << "nothing is painted before the first frame";
    player.SetState(FigAnimation::kPlaying);
    player.Paint(dc, &all);
    EXPECT_EQ(GetPixel(dc, 5 + frames[0].left + 1, 7 + frames[0].top + 1), TestPaletteColour(1));
    EXPECT_EQ(GetPixel(dc, 4, 6), RGB(255, 255, 255));
}

TEST(FigAnimationData, RefusesDataThatIsNotAFigImage) {
    std::vector<uint8_t> fig = BuildFig(SolidFrames(1, 10), 4, 4);
    fig[3] = '2';
    FigAnimation player;
    RECT placement = {0, 0, 4, 4};
    EXPECT_FALSE(player.Attach(nullptr, fig.data(), static_cast<DWORD>(fig.size()), &placement));
    player.SetState(FigAnimation::kPlaying);
    player.Tick();
    EXPECT_EQ(player.FrameNumber(), 0);
}

TEST(FigAnimationData, AnImageWithoutFramesShowsNothing) {
    std::vector<uint8_t> fig = BuildFig({}, 4, 4);
    FigAnimation player;
    RECT placement = {0, 0, 4, 4};
    ASSERT_TRUE(player.Attach(nullptr, fig.data(), static_cast<DWORD>(fig.size()), &placement));
    player.SetState(FigAnimation::kPlaying);
    player.Tick();
    EXPECT_EQ(player.CachedFrameCount(), 0);
    EXPECT_EQ(BitmapPixel(player.Canvas(), 1, 1), RGB(0, 0, 0));
}

}  // namespace
