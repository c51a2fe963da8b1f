#include "gfx/fig_animation.h"

#include "gfx/bitmap_ops.h"
#include "gfx/fig_image.h"
#include "gfx/palette.h"

#include <initializer_list>

namespace {

constexpr int kDisposeToKey = 2;
constexpr int kDisposeToPrevious = 3;

bool IsDue(DWORD now, DWORD due) {
    // Difference, not plain comparison, so the tick count wrapping doesn't
    // show a frame early.
    return static_cast<LONG>(now - due) >= 0;
}

COLORREF KeyColour(const FigImage* image, LONG index) {
    if (index < 0 || index >= kFigPaletteEntries) {
        return CLR_INVALID;
    }
    const BYTE* entry = image->palette + index * 4;
    return RGB(entry[2], entry[1], entry[0]);
}

void FillCanvasRect(HBITMAP bitmap, const RECT& rect, COLORREF colour) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    HGDIOBJ initial = SelectObject(memory, bitmap);
    SelectSharedPalette(memory);
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(memory, &rect, brush);
    DeleteObject(brush);
    RestorePalette(memory);
    SelectObject(memory, initial);
    DeleteDC(memory);
}

}  // namespace

FigAnimation::FigAnimation() = default;

FigAnimation::~FigAnimation() {
    FigFreeFrameHeader(currentHeader);
    FigClose(image);
    for (CachedFrame& entry : cache) {
        if (entry.bitmap) {
            DeleteObject(entry.bitmap);
        }
    }
    for (HBITMAP bitmap : {canvas, savedArea, mask, scratch}) {
        if (bitmap) {
            DeleteObject(bitmap);
        }
    }
}

BOOL FigAnimation::Attach(HWND target, const void* figData, DWORD figSize, const RECT* newPlacement) {
    placement = *newPlacement;
    window = target;
    if (image) {
        return TRUE;
    }
    image = FigOpenMemory(figData, figSize);
    if (!image) {
        return FALSE;
    }
    width = image->width;
    height = image->height;
    loopsLeft = static_cast<WORD>(image->loopCount);

    HDC screen = GetDC(nullptr);
    SelectSharedPalette(screen);
    canvas = CreateCompatibleBitmap(screen, width, height);
    savedArea = CreateCompatibleBitmap(screen, width, height);
    scratch = CreateCompatibleBitmap(screen, width, height);
    mask = CreateBitmap(width, height, 1, 1, nullptr);
    RestorePalette(screen);
    ReleaseDC(nullptr, screen);
    ClearCanvas();
    return TRUE;
}

void FigAnimation::ClearCanvas() {
    HDC screen = GetDC(nullptr);
    SelectSharedPalette(screen);
    HDC memory = CreateCompatibleDC(screen);
    RECT all = {0, 0, width, height};
    HGDIOBJ initial = SelectObject(memory, canvas);
    FillRect(memory, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    SelectObject(memory, savedArea);
    FillRect(memory, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    SelectObject(memory, initial);
    DeleteDC(memory);
    RestorePalette(screen);
    ReleaseDC(nullptr, screen);
}

void FigAnimation::SetPlacement(const RECT* newPlacement) {
    placement = *newPlacement;
}

int FigAnimation::CachedFrameCount() const {
    int count = 0;
    for (const CachedFrame& entry : cache) {
        count += entry.bitmap ? 1 : 0;
    }
    return count;
}

void FigAnimation::ComputeTimeLeft() {
    DWORD now = Now();
    timeLeft = IsDue(now, dueTime) ? 0 : dueTime - now;
}

void FigAnimation::SetState(int newState) {
    if (newState == state) {
        return;
    }
    state = newState;
    bool advanced = false;
    switch (newState) {
    case kPlaying:
        if (timeLeft == 0) {
            advanced = Advance();
        } else {
            dueTime = Now() + timeLeft;
        }
        break;
    case kPaused:
        ComputeTimeLeft();
        break;
    case kRewound:
        if (!image) {
            break;
        }
        frameNumber = 0;
        loopsLeft = static_cast<WORD>(image->loopCount);
        advanced = Advance();
        ComputeTimeLeft();
        break;
    default:
        break;
    }
    // Only Tick paints by itself; a frame changed here is shown with the
    // window's next paint.
    if (advanced && window) {
        InvalidateRect(window, &placement, FALSE);
    }
}

void FigAnimation::Tick() {
    if (state != kPlaying || !IsDue(Now(), dueTime)) {
        return;
    }
    if (!Advance() || !window) {
        return;
    }
    HDC dc = GetDC(window);
    Paint(dc, &placement);
    ReleaseDC(window, dc);
}

void FigAnimation::Paint(HDC dc, const RECT*) {
    if (!frameBitmap) {
        return;
    }
    DrawBitmapPart(dc, canvas, placement.left, placement.top, placement.right - placement.left,
                   placement.bottom - placement.top, 0, 0);
}

FigAnimation::CachedFrame* FigAnimation::FindCachedFrame(int number) {
    for (CachedFrame& entry : cache) {
        if (entry.frameNumber == 0) {
            return nullptr;
        }
        if (entry.frameNumber == number) {
            return &entry;
        }
    }
    return nullptr;
}

// The cache keeps the frames decoded last, so the image's read position is
// always at the frame after the newest cached one: a miss reads the frame
// wanted.
FigAnimation::CachedFrame* FigAnimation::DecodeNextFrame(int number) {
    if (number == 1) {
        FigRewind(image);
    }
    HBITMAP bitmap = nullptr;
    FigFrameHeader* header = nullptr;
    if (FigReadFrame(image, &bitmap, &header) != kFigFrameRead) {
        return nullptr;
    }
    CachedFrame* entry = nullptr;
    for (CachedFrame& candidate : cache) {
        if (candidate.frameNumber == 0) {
            entry = &candidate;
            break;
        }
    }
    if (!entry) {
        entry = &cache[replacePosition];
        DeleteObject(entry->bitmap);
        replacePosition = (replacePosition + 1) % kCacheSize;
    }
    entry->frameNumber = number;
    entry->left = header->left;
    entry->top = header->top;
    entry->width = header->dibHeader.biWidth;
    entry->height = header->dibHeader.biHeight;
    entry->delay = header->delay > 0 ? static_cast<DWORD>(header->delay) * 10 : 0;
    entry->bitmap = bitmap;
    entry->transparentColour = KeyColour(image, header->transparentIndex);
    currentHeader = header;
    return entry;
}

// Shows the next frame on the canvas. A frame that can't be decoded (an image
// without frames, damaged data) stops the player where it is.
bool FigAnimation::Advance() {
    if (!image) {
        return false;
    }
    RECT previous = frameRect;
    int previousDisposal = currentHeader ? currentHeader->disposal : -1;
    FigFreeFrameHeader(currentHeader);
    currentHeader = nullptr;

    frameNumber += 1;
    if (frameNumber > image->frameCount) {
        if (image->loopCount <= 0) {
            frameNumber = 1;
        } else if (loopsLeft == 0) {
            frameNumber -= 1;
        } else {
            loopsLeft -= 1;
            frameNumber = 1;
        }
    }
    CachedFrame* entry = FindCachedFrame(frameNumber);
    if (!entry) {
        entry = DecodeNextFrame(frameNumber);
    }
    if (!entry) {
        state = kStopped;
        return false;
    }

    frameRect = {entry->left, entry->top, entry->left + entry->width, entry->top + entry->height};
    OffsetRect(&frameRect, placement.left, placement.top);
    dueTime = Now() + entry->delay;
    transparentColour = entry->transparentColour;
    OffsetRect(&previous, -placement.left, -placement.top);
    DisposePrevious(previousDisposal, previous);

    frameBitmap = entry->bitmap;
    if (currentHeader && currentHeader->disposal == kDisposeToPrevious) {
        // What lies under this frame comes back before the next one is drawn.
        CopyBitmapPart(savedArea, 0, 0, entry->width, entry->height, canvas, entry->left, entry->top);
    }
    Compose(*entry);
    return true;
}

void FigAnimation::DisposePrevious(int disposal, const RECT& previous) {
    if (disposal == kDisposeToKey && transparentColour != CLR_INVALID) {
        FillCanvasRect(canvas, previous, transparentColour);
    } else if (disposal == kDisposeToPrevious) {
        CopyBitmapPart(canvas, previous.left, previous.top, previous.right - previous.left,
                       previous.bottom - previous.top, savedArea, 0, 0);
    }
}

void FigAnimation::Compose(const CachedFrame& frame) {
    if (frame.transparentColour == CLR_INVALID) {
        CopyBitmapPart(canvas, frame.left, frame.top, frame.width, frame.height, frame.bitmap, 0, 0);
        return;
    }
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    HGDIOBJ initial = SelectObject(memory, canvas);
    RECT source = {0, 0, frame.width, frame.height};
    BlitKeyedWithScratch(memory, frame.bitmap, mask, scratch, frame.left, frame.top, &source,
                         frame.transparentColour);
    SelectObject(memory, initial);
    DeleteDC(memory);
}
