// The link table on its own: where each spot is, and addresses built from
// text that must never act as a format.
#include "card/link_spots.h"

#include <gtest/gtest.h>

#include <string>

#include "card/key_sequence.h"

namespace {

int SpotNumberAt(int x, int y) {
    const LinkSpot* spot = LinkSpotAt({x, y});
    return spot ? static_cast<int>(spot - linkSpots) : -1;
}

TEST(LinkSpots, LaterSpotsWinAndRightAndBottomEdgesAreOutside) {
    InitLinkSpots(493, 359, "ym1");
    struct Case {
        int x, y, spot;
    };
    const Case cases[] = {
        {0, 0, 0},       {492, 272, 0},   {0, 273, 1},   {492, 358, 1},  {493, 100, -1},
        {100, 359, -1},  {372, 10, 2},    {455, 49, 2},  {456, 30, 0},   {400, 50, 0},
        {13, 232, 3},    {110, 250, 0},   {394, 248, 4}, {479, 272, 4},  {480, 260, 0},
    };
    for (const Case& test : cases) {
        EXPECT_EQ(SpotNumberAt(test.x, test.y), test.spot) << test.x << "," << test.y;
    }
    EXPECT_EQ(SpotCursorAt({400, 30}), SpotCursor::kSend);
    EXPECT_EQ(SpotCursorAt({456, 30}), SpotCursor::kHand);
}

TEST(LinkSpots, TheTypeCodeEndsTheBandsAddressOnlyOnce) {
    InitLinkSpots(493, 359, "ym1");
    InitLinkSpots(493, 359, "ym1");
    EXPECT_STREQ(linkSpots[1].urlFormat, "http://cardling.example.com/index.asp?type=%s&area=ym1");
}

TEST(LinkSpots, ATooLongTypeCodeIsCutToTheFormat) {
    InitLinkSpots(493, 359, std::string(400, 'x').c_str());
    std::string format = linkSpots[1].urlFormat;
    EXPECT_EQ(format.size(), static_cast<size_t>(kUrlFormatSize - 1));
    EXPECT_EQ(format.substr(0, 52), "http://cardling.example.com/index.asp?type=%s&area=x");
}

TEST(FormatLinkUrl, FillsTwoPlaceholdersAndCopiesEverythingElse) {
    struct Case {
        const char* format;
        const char* expected;
    };
    const Case cases[] = {
        {"a%sb", "avic1b"},
        {"a%sb%sc", "avic1bxgirlc"},
        {"%s%s%s%n%d%", "vic1xgirl%s%n%d%"},
        {"no placeholder", "no placeholder"},
    };
    for (const Case& test : cases) {
        char url[64];
        FormatLinkUrl(test.format, "vic1", "xgirl", url, sizeof url);
        EXPECT_STREQ(url, test.expected) << test.format;
    }
    char small[8];
    FormatLinkUrl("%s/%s", "vic1", "xgirl", small, sizeof small);
    EXPECT_STREQ(small, "vic1/xg");
}

TEST(MatchKeySequence, CompletesOnMAndStartsOverAfterAnyOtherKey) {
    ResetKeySequences();
    EXPECT_EQ(MatchKeySequence('N'), 0);
    EXPECT_EQ(MatchKeySequence('M'), kSaveCopySequence);
    EXPECT_EQ(MatchKeySequence('M'), kSaveCopySequence);
    // Only the low byte of the key counts.
    EXPECT_EQ(MatchKeySequence(0x100 | 'M'), kSaveCopySequence);
    EXPECT_EQ(MatchKeySequence(VK_CONTROL), 0);
}

}  // namespace
