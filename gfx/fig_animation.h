// Plays a multi-frame FIG image in a rectangle of a window: frames are
// composed on an off-screen canvas at their own positions, each shown for its
// delay, looping as the image says. The owner drives it with Tick from a
// timer and Paint from WM_PAINT.
#pragma once

#include <windows.h>

struct FigImage;
struct FigFrameHeader;

class FigAnimation {
public:
    enum State { kStopped = 0, kPlaying = 1, kPaused = 2, kRewound = 3 };
    static constexpr int kCacheSize = 20;

    // The clock frames are timed by; tests pass one they control.
    using Clock = DWORD(WINAPI*)();

    FigAnimation();
    virtual ~FigAnimation();

    FigAnimation(const FigAnimation&) = delete;
    FigAnimation& operator=(const FigAnimation&) = delete;

    virtual void SetState(int newState);
    virtual void Tick();
    virtual void Paint(HDC dc, const RECT* area);

    // The first call opens the `figSize` bytes of FIG data, which stay the
    // caller's and must outlive the player; later calls only take the window
    // and placement. FALSE when the data is not a FIG image.
    BOOL Attach(HWND target, const void* figData, DWORD figSize, const RECT* newPlacement);
    void SetPlacement(const RECT* newPlacement);
    void SetClock(Clock newClock) { clock = newClock; }

    int Width() const { return width; }
    int Height() const { return height; }
    int CurrentState() const { return state; }
    int FrameNumber() const { return frameNumber; }
    HBITMAP Canvas() const { return canvas; }
    int CachedFrameCount() const;

private:
    struct CachedFrame {
        int frameNumber = 0;  // 0: free entry
        int left = 0;
        int top = 0;
        int width = 0;
        int height = 0;
        DWORD delay = 0;  // milliseconds
        HBITMAP bitmap = nullptr;
        COLORREF transparentColour = CLR_INVALID;
    };

    bool Advance();
    CachedFrame* FindCachedFrame(int number);
    CachedFrame* DecodeNextFrame(int number);
    void DisposePrevious(int disposal, const RECT& previous);
    void Compose(const CachedFrame& frame);
    void ClearCanvas();
    void ComputeTimeLeft();
    DWORD Now() const { return clock(); }

    FigImage* image = nullptr;
    FigFrameHeader* currentHeader = nullptr;
    HBITMAP canvas = nullptr;
    HBITMAP savedArea = nullptr;
    HBITMAP frameBitmap = nullptr;
    HBITMAP mask = nullptr;
    HBITMAP scratch = nullptr;
    RECT frameRect = {};
    DWORD dueTime = 0;
    DWORD timeLeft = 0;
    HWND window = nullptr;
    RECT placement = {};
    int width = 0;
    int height = 0;
    int state = kStopped;
    int frameNumber = 0;
    COLORREF transparentColour = CLR_INVALID;
    int replacePosition = 0;
    CachedFrame cache[kCacheSize];
    WORD loopsLeft = 0;
    Clock clock = GetTickCount;
};
