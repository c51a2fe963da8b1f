// Grouping of the shown sprites' old and new places into stage windows.
#include "tests/stage/stage_fixture.h"

namespace {

struct SpriteSetup {
    RECT previous;
    RECT current;
    bool shown;
};

struct ExpectedGroup {
    RECT rect;
    std::vector<int> members; // cast indexes, in drawing order
};

struct GroupingCase {
    const char* name;
    std::vector<SpriteSetup> sprites;
    std::vector<ExpectedGroup> groups;
};

const RECT kEmpty = {0, 0, 0, 0};

const GroupingCase kGroupingCases[] = {
    {"no shown sprite", {{{10, 10, 50, 50}, {10, 10, 50, 50}, false}}, {}},
    {"sprite that did not move", {{{100, 100, 220, 250}, {100, 100, 220, 250}, true}},
     {{{100, 100, 220, 250}, {0}}}},
    {"sprite that moved less than its size", {{{100, 100, 220, 250}, {92, 100, 212, 250}, true}},
     {{{92, 100, 220, 250}, {0}}}},
    {"sprite that jumped distant", {{{100, 100, 220, 250}, {500, 300, 620, 450}, true}},
     {{{500, 300, 620, 450}, {0}}, {{100, 100, 220, 250}, {}}}},
    {"first grouping: the empty previous place is a group of its own",
     {{kEmpty, {100, 100, 220, 250}, true}},
     {{{100, 100, 220, 250}, {0}}, {kEmpty, {}}}},
    {"hidden sprite among shown ones is left out",
     {{{10, 10, 50, 50}, {10, 10, 50, 50}, false}, {{300, 300, 340, 340}, {300, 300, 340, 340}, true}},
     {{{300, 300, 340, 340}, {1}}}},
    {"two sprites overlapping share one group in cast order",
     {{{100, 100, 200, 200}, {100, 100, 200, 200}, true}, {{150, 150, 250, 250}, {150, 150, 250, 250}, true}},
     {{{100, 100, 250, 250}, {0, 1}}}},
    {"merged the other way round, the members still come in cast order",
     {// 0 jumps distant; its old place overlaps 2, and 2 overlaps 1.
      {{400, 100, 500, 200}, {900, 600, 950, 650}, true},
      {{560, 100, 660, 200}, {560, 100, 660, 200}, true},
      {{480, 100, 580, 200}, {480, 100, 580, 200}, true}},
     {{{900, 600, 950, 650}, {0}}, {{400, 100, 660, 200}, {1, 2}}}},
    {"old place of one sprite touching another's new place only at an edge",
     {{{100, 100, 200, 200}, {100, 100, 200, 200}, true}, {{200, 100, 300, 200}, {200, 100, 300, 200}, true}},
     {{{100, 100, 200, 200}, {0}}, {{200, 100, 300, 200}, {1}}}},
};

class GroupingTable : public StageTest, public testing::WithParamInterface<GroupingCase> {};

std::vector<int> MemberIndexes(Stage* stage, StageWindow* window)
{
    std::vector<int> indexes;
    for (int m = 0; m < window->memberCount; ++m) {
        for (int c = 0; c < stage->castCount; ++c) {
            if (stage->cast[c] == window->members[m])
                indexes.push_back(c);
        }
    }
    return indexes;
}

std::string Describe(const RECT& r)
{
    char text[64];
    wsprintfA(text, "(%d, %d, %d, %d)", r.left, r.top, r.right, r.bottom);
    return text;
}

} // namespace

TEST_P(GroupingTable, GivesEachGroupAWindow)
{
    const GroupingCase& c = GetParam();
    BlockScene* scene = UseBlockScene(0);
    std::vector<BlockSprite*> sprites;
    for (const SpriteSetup& s : c.sprites) {
        BlockSprite* sprite = AddBlock(scene, s.current, RGB(200, 0, 0));
        sprite->previousRect = s.previous;
        sprite->shown = s.shown;
        sprites.push_back(sprite);
    }
    Recast();

    int count = stage->GroupSprites();

    ASSERT_EQ(count, static_cast<int>(c.groups.size()));
    ASSERT_GE(stage->windowCount, count);
    for (int g = 0; g < count; ++g) {
        StageWindow* window = stage->windows[g];
        EXPECT_EQ(Describe(window->rect), Describe(c.groups[g].rect)) << "group " << g;
        EXPECT_EQ(MemberIndexes(stage, window), c.groups[g].members) << "group " << g;
        for (int m = 0; m < window->memberCount; ++m)
            EXPECT_EQ(window->members[m]->sprite->window, window->hwnd);
    }
    // Shown sprites now remember this tick's place; hidden ones keep theirs.
    for (size_t i = 0; i < sprites.size(); ++i) {
        const RECT& expected = c.sprites[i].shown ? c.sprites[i].current : c.sprites[i].previous;
        EXPECT_EQ(Describe(sprites[i]->previousRect), Describe(expected)) << "sprite " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, GroupingTable, testing::ValuesIn(kGroupingCases),
                         [](const testing::TestParamInfo<GroupingCase>& info) {
                             std::string name;
                             for (const char* p = info.param.name; *p; ++p)
                                 name += isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             return name;
                         });

using Grouping = StageTest;

TEST_F(Grouping, DrawRectanglesAreInWindowCoordinates)
{
    BlockScene* scene = UseBlockScene(0);
    BlockSprite* a = AddBlock(scene, {100, 100, 200, 200}, RGB(200, 0, 0));
    BlockSprite* b = AddBlock(scene, {150, 120, 250, 220}, RGB(0, 200, 0));
    a->previousRect = a->screenRect;
    b->previousRect = b->screenRect;
    Recast();

    ASSERT_EQ(stage->GroupSprites(), 1);

    EXPECT_EQ(Describe(a->destRect), Describe({0, 0, 100, 100}));
    EXPECT_EQ(Describe(b->destRect), Describe({50, 20, 150, 120}));
    EXPECT_EQ(Describe(b->sourceRect), Describe({0, 0, 100, 100}));
}

TEST_F(Grouping, HiddenSpriteSpansFromWhereItWasLastGroupedWhenShownAgain)
{
    BlockScene* scene = UseBlockScene(0);
    BlockSprite* sprite = AddBlock(scene, {100, 100, 160, 160}, RGB(200, 0, 0));
    sprite->previousRect = sprite->screenRect;
    Recast();
    ASSERT_EQ(stage->GroupSprites(), 1);

    sprite->Hide();
    OffsetRect(&sprite->screenRect, 20, 0);
    EXPECT_EQ(stage->GroupSprites(), 0);
    OffsetRect(&sprite->screenRect, 20, 0);
    EXPECT_EQ(stage->GroupSprites(), 0);

    sprite->Show();
    ASSERT_EQ(stage->GroupSprites(), 1);
    EXPECT_EQ(Describe(stage->windows[0]->rect), Describe({100, 100, 200, 160}));
}

TEST_F(Grouping, WindowOverlappingTheGroupIsSwappedToTakeIt)
{
    BlockScene* scene = UseBlockScene(0);
    BlockSprite* sprite = AddBlock(scene, {300, 300, 400, 400}, RGB(200, 0, 0));
    sprite->previousRect = sprite->screenRect;
    Recast();
    StageWindow* distant = stage->GetWindowAt(0);
    StageWindow* adjacent = stage->GetWindowAt(1);
    ASSERT_NE(adjacent, nullptr);
    distant->rect = {800, 10, 850, 60};
    adjacent->rect = {350, 350, 450, 450};

    ASSERT_EQ(stage->GroupSprites(), 1);

    EXPECT_EQ(stage->windows[0], adjacent);
    EXPECT_EQ(stage->windows[1], distant);
    EXPECT_EQ(Describe(adjacent->rect), Describe({300, 300, 400, 400}));
    EXPECT_EQ(Describe(distant->rect), Describe({800, 10, 850, 60}));
}

TEST_F(Grouping, MissingWindowsAreCreatedHiddenAtMinusTwo)
{
    BlockScene* scene = UseBlockScene(0);
    const RECT places[] = {{10, 10, 50, 50}, {300, 10, 350, 60}, {600, 400, 650, 450}};
    for (const RECT& place : places)
        AddBlock(scene, place, RGB(200, 0, 0))->previousRect = place;
    Recast();
    StageWindow* first = stage->GetWindowAt(0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(stage->windowCount, 1);

    ASSERT_EQ(stage->GroupSprites(), 3);

    ASSERT_EQ(stage->windowCount, 3);
    for (int i = 0; i < 3; ++i) {
        HWND hwnd = stage->windows[i]->hwnd;
        RECT onScreen;
        GetWindowRect(hwnd, &onScreen);
        EXPECT_EQ(Describe(onScreen), Describe({-2, -2, -1, -1}));
        EXPECT_FALSE(IsWindowVisible(hwnd));
        char className[32] = {};
        GetClassNameA(hwnd, className, sizeof className);
        EXPECT_STREQ(className, "GXsprite");
        EXPECT_EQ(GetWindow(hwnd, GW_OWNER), app->hostWindow);
    }
}

TEST_F(Grouping, NoShownSpriteLeavesEveryWindowSurplusAndHidden)
{
    BlockScene* scene = UseBlockScene(0);
    BlockSprite* sprite = AddBlock(scene, {100, 100, 160, 160}, RGB(200, 0, 0));
    Recast();
    TickAndSettle();
    TickAndSettle();
    ASSERT_GE(stage->windowCount, 1);
    ASSERT_TRUE(IsWindowVisible(stage->windows[0]->hwnd));

    sprite->Hide();
    TickAndSettle();

    EXPECT_EQ(stage->GroupSprites(), 0);
    for (int i = 0; i < stage->windowCount; ++i) {
        EXPECT_FALSE(IsWindowVisible(stage->windows[i]->hwnd));
        EXPECT_EQ(Describe(stage->windows[i]->rect), Describe({-1, -1, 0, 0}));
    }
}
