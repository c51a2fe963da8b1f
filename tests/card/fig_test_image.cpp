#include "tests/card/fig_test_image.h"

#include <zlib.h>

namespace {

void PutShort(std::vector<uint8_t>& out, int value) {
    out.push_back(static_cast<uint8_t>(value & 0xFF));
    out.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

void PutLong(std::vector<uint8_t>& out, uint32_t value) {
    PutShort(out, value & 0xFFFF);
    PutShort(out, value >> 16);
}

std::vector<uint8_t> Stored(const std::vector<uint8_t>& bytes) {
    uLongf size = compressBound(bytes.size());
    std::vector<uint8_t> out(size);
    compress2(out.data(), &size, bytes.data(), bytes.size(), 0);
    out.resize(size);
    return out;
}

}  // namespace

COLORREF TestColour(int index) {
    return RGB(255 - index, (index * 3) & 0xFF, index);
}

std::vector<uint8_t> BuildFig(int loopCount, int width, int height, const std::vector<TestFrame>& frames) {
    std::vector<uint8_t> palette;
    for (int i = 0; i < 256; ++i) {
        COLORREF colour = TestColour(i);
        palette.insert(palette.end(), {GetBValue(colour), GetGValue(colour), GetRValue(colour), 0});
    }
    std::vector<uint8_t> packedPalette = Stored(palette);

    std::vector<uint8_t> out = {'F', 'I', 'G', '1'};
    PutShort(out, loopCount);
    PutShort(out, static_cast<int>(frames.size()));
    PutShort(out, width);
    PutShort(out, height);
    PutShort(out, 0);
    PutLong(out, packedPalette.size());
    out.insert(out.end(), packedPalette.begin(), packedPalette.end());

    for (const TestFrame& frame : frames) {
        int stride = (frame.width + 3) & ~3;
        std::vector<uint8_t> rows(stride * frame.height, 0);
        for (int y = 0; y < frame.height; ++y) {
            for (int x = 0; x < frame.width; ++x) {
                uint8_t index = frame.pixels.empty() ? frame.fill : frame.pixels[y * frame.width + x];
                rows[(frame.height - 1 - y) * stride + x] = index;  // bottom-up
            }
        }
        std::vector<uint8_t> packed = Stored(rows);
        PutShort(out, frame.width);
        PutShort(out, frame.height);
        PutShort(out, 1);
        PutShort(out, 8);
        PutShort(out, 0);
        PutLong(out, packed.size());
        PutShort(out, frame.left);
        PutShort(out, frame.top);
        PutShort(out, frame.transparentIndex);
        PutShort(out, frame.delay);
        PutShort(out, frame.disposal);
        out.insert(out.end(), packed.begin(), packed.end());
    }
    return out;
}

COLORREF BitmapPixel(HBITMAP bitmap, int x, int y) {
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ initial = SelectObject(memory, bitmap);
    COLORREF pixel = GetPixel(memory, x, y);
    SelectObject(memory, initial);
    DeleteDC(memory);
    return pixel;
}
