// The clickable areas of the card picture and the web addresses they open.
#pragma once

#include <windows.h>

#include <stddef.h>

// The sites the card links to. Placeholders under the reserved example
// domain until the product has real ones; change them here only.
constexpr const char* kProductSite = "http://cardling.example.com";
constexpr const char* kMakerSite = "http://maker.example.com";

constexpr int kUrlFormatSize = 256;
constexpr int kLinkSpotCount = 5;
// Height of the band along the bottom of the picture where the animation plays.
constexpr int kCardBandHeight = 86;

enum class SpotCursor { kHand, kSend };

// `rect` in client coordinates; `urlFormat` a complete address with up to two
// "%s", for the scene name and the character-set name. An empty format makes
// a spot that closes the card.
struct LinkSpot {
    RECT rect;
    char urlFormat[kUrlFormatSize];
    SpotCursor cursor;
};

extern LinkSpot linkSpots[kLinkSpotCount];

// Clicking here starts the personalised copy; it lies inside spot 0.
constexpr RECT kEditArea = {238, 10, 346, 50};

// Resets the table for a picture of width x height: spot 0 covers the
// picture above the band, spot 1 the band, whose address ends with typeCode.
void InitLinkSpots(int width, int height, const char* typeCode);

// The spot a click at `point` opens: the last one in table order that
// contains it, or null.
const LinkSpot* LinkSpotAt(POINT point);

// The cursor for `point`: the write cursor's place is the edit area, which
// the caller checks first.
SpotCursor SpotCursorAt(POINT point);

// Copies `format` into `url` (of `size` bytes, always terminated), replacing
// the first "%s" by `first` and the second by `second`; anything else,
// including further "%s", is copied as it stands, so text from resources can
// never act as a format.
void FormatLinkUrl(const char* format, const char* first, const char* second, char* url, size_t size);
