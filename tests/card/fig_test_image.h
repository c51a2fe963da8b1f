// FIG images made in the tests, with a palette whose colours are easy to tell
// apart and pixels stored without compression, so that two images of the
// same frame sizes have the same layout byte for byte.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

struct TestFrame {
    int width = 1;
    int height = 1;
    int left = 0;
    int top = 0;
    int transparentIndex = -1;
    int delay = 0;  // hundredths of a second
    int disposal = 1;
    // Palette index of every pixel, rows top-down; `fill` when empty.
    std::vector<uint8_t> pixels;
    uint8_t fill = 0;
};

std::vector<uint8_t> BuildFig(int loopCount, int width, int height, const std::vector<TestFrame>& frames);

// The colour of palette entry `index` in the images BuildFig makes.
COLORREF TestColour(int index);

// Pixel (x, y) of a bitmap.
COLORREF BitmapPixel(HBITMAP bitmap, int x, int y);
