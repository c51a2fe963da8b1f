#include "card/link_spots.h"

#include <string.h>
#include <strsafe.h>

LinkSpot linkSpots[kLinkSpotCount];

namespace {

struct BuiltInSpot {
    RECT rect;
    const char* site;
    const char* path;
    SpotCursor cursor;
};

// Spots 0 and 1 get their rectangles from the picture's size.
const BuiltInSpot kBuiltInSpots[kLinkSpotCount] = {
    {{0, 0, 0, 0}, kProductSite, "/index.asp?type=%s&area=1", SpotCursor::kHand},
    {{0, 0, 0, 0}, kProductSite, "/index.asp?type=%s&area=", SpotCursor::kHand},
    {{372, 10, 456, 50}, kProductSite, "/index.asp?type=%s&ck=%s&area=send", SpotCursor::kSend},
    {{13, 232, 110, 272}, kMakerSite, "/", SpotCursor::kHand},
    {{394, 248, 480, 273}, kMakerSite, "/documents/privacy/cardlings", SpotCursor::kHand},
};

}  // namespace

void InitLinkSpots(int width, int height, const char* typeCode) {
    for (int i = 0; i < kLinkSpotCount; ++i) {
        const BuiltInSpot& builtIn = kBuiltInSpots[i];
        LinkSpot& spot = linkSpots[i];
        spot.rect = builtIn.rect;
        StringCchCopyA(spot.urlFormat, kUrlFormatSize, builtIn.site);
        StringCchCatA(spot.urlFormat, kUrlFormatSize, builtIn.path);
        spot.cursor = builtIn.cursor;
    }
    SetRect(&linkSpots[0].rect, 0, 0, width, height - kCardBandHeight);
    SetRect(&linkSpots[1].rect, 0, height - kCardBandHeight, width, height);
    // A code too long for the format is cut where the format ends.
    StringCchCatA(linkSpots[1].urlFormat, kUrlFormatSize, typeCode);
}

const LinkSpot* LinkSpotAt(POINT point) {
    for (int i = kLinkSpotCount - 1; i >= 0; --i) {
        if (PtInRect(&linkSpots[i].rect, point)) {
            return &linkSpots[i];
        }
    }
    return nullptr;
}

SpotCursor SpotCursorAt(POINT point) {
    // Spots 0 and 1 cover the whole picture with the hand.
    for (int i = 2; i < kLinkSpotCount; ++i) {
        if (PtInRect(&linkSpots[i].rect, point)) {
            return linkSpots[i].cursor;
        }
    }
    return SpotCursor::kHand;
}

void FormatLinkUrl(const char* format, const char* first, const char* second, char* url, size_t size) {
    if (size == 0) {
        return;
    }
    const char* arguments[] = {first, second};
    size_t argumentsUsed = 0;
    size_t length = 0;
    auto append = [&](const char* text, size_t count) {
        size_t room = size - 1 - length;
        size_t taken = count < room ? count : room;
        memcpy(url + length, text, taken);
        length += taken;
    };
    for (const char* at = format; *at;) {
        if (at[0] == '%' && at[1] == 's' && argumentsUsed < 2) {
            const char* argument = arguments[argumentsUsed++];
            append(argument, strlen(argument));
            at += 2;
        } else {
            append(at, 1);
            at += 1;
        }
    }
    url[length] = '\0';
}
