// Stage::GroupSprites and Stage::GetWindowAt: cover every shown sprite's new
// and old place with windows that never overlap one another.
#include <stdlib.h>

#include "stage/pointer_list.h"
#include "stage/stage.h"
#include "stage/stage_window.h"

namespace {

// Working record of one GroupSprites call.
struct SpriteGroup {
    RECT rect;
    CastEntry** members;
    int memberCount;
    BOOL claimed;
};

void StartGroup(SpriteGroup* group, int position, int size, CastEntry* member)
{
    group->rect = RectFromPacked(position, size);
    group->members = nullptr;
    group->memberCount = 0;
    group->claimed = FALSE;
    if (member)
        AppendPointer(group->members, group->memberCount, member);
}

// Appends all of `other`'s members to `group`, leaving `other` empty.
void TakeMembers(SpriteGroup* group, SpriteGroup* other)
{
    for (int i = 0; i < other->memberCount; ++i)
        AppendPointer(group->members, group->memberCount, other->members[i]);
    FreePointerList(other->members, other->memberCount);
}

bool HasMember(const SpriteGroup& group, const CastEntry* entry)
{
    for (int i = 0; i < group.memberCount; ++i) {
        if (group.members[i] == entry)
            return true;
    }
    return false;
}

// Puts the members into cast order, so later entries draw over earlier ones
// whatever order the merges took them in.
void SortByCast(SpriteGroup* group, CastEntry** cast, int castCount)
{
    CastEntry** sorted = nullptr;
    int sortedCount = 0;
    for (int i = 0; i < castCount; ++i) {
        if (HasMember(*group, cast[i]))
            AppendPointer(sorted, sortedCount, cast[i]);
    }
    FreePointerList(group->members, group->memberCount);
    group->members = sorted;
    group->memberCount = sortedCount;
}

bool Overlap(const RECT& a, const RECT& b)
{
    RECT common;
    return IntersectRect(&common, &a, &b) != FALSE;
}

// Merges overlapping groups until no two overlap; returns the new count.
int MergeGroups(SpriteGroup* groups, int count)
{
    int i = 0;
    while (i < count) {
        int j = i + 1;
        while (j < count && !Overlap(groups[i].rect, groups[j].rect))
            ++j;
        if (j == count) {
            ++i;
            continue;
        }
        RECT merged;
        UnionRect(&merged, &groups[i].rect, &groups[j].rect);
        groups[i].rect = merged;
        TakeMembers(&groups[i], &groups[j]);
        for (int k = j; k + 1 < count; ++k)
            groups[k] = groups[k + 1];
        --count;
        i = 0;
    }
    return count;
}

} // namespace

int Stage::GroupSprites()
{
    if (castCount == 0)
        return 0;
    SpriteGroup* groups = static_cast<SpriteGroup*>(calloc(2 * castCount, sizeof(SpriteGroup)));
    if (!groups)
        return 0;

    int count = 0;
    for (int i = 0; i < castCount; ++i) {
        CastEntry* entry = cast[i];
        if (!entry->IsShown())
            continue;
        StartGroup(&groups[count++], entry->GetPosition(), entry->GetSize(), entry);
        StartGroup(&groups[count++], entry->GetPreviousPosition(), entry->GetPreviousSize(), nullptr);
        entry->RememberRect();
    }
    count = MergeGroups(groups, count);
    for (int g = 0; g < count; ++g)
        SortByCast(&groups[g], cast, castCount);

    if (count > 0 && !GetWindowAt(count - 1)) {
        // Groups without a window stay unshown rather than crash the tick.
        for (int g = windowCount; g < count; ++g)
            FreePointerList(groups[g].members, groups[g].memberCount);
        count = windowCount;
    }

    // Each window keeps to the group that overlaps where it is, so that its
    // background can be shifted instead of taken from the screen again.
    for (int w = 0; w < windowCount; ++w) {
        for (int k = 0; k < count; ++k) {
            if (groups[k].claimed || !Overlap(groups[k].rect, windows[w]->rect))
                continue;
            StageWindow* swapped = windows[w];
            windows[w] = windows[k];
            windows[k] = swapped;
            groups[k].claimed = TRUE;
            break;
        }
    }

    for (int g = 0; g < count; ++g) {
        StageWindow* window = windows[g];
        window->ClearMembers();
        for (int m = 0; m < groups[g].memberCount; ++m) {
            window->AddMember(groups[g].members[m]);
            groups[g].members[m]->SetWindow(window->hwnd);
        }
        window->SetGroupRect(groups[g].rect);
        FreePointerList(groups[g].members, groups[g].memberCount);
    }
    free(groups);
    return count;
}

StageWindow* Stage::GetWindowAt(int index)
{
    while (windowCount <= index) {
        StageWindow* window = CreateStageWindow(this, -2, -2, 1, 1);
        if (!window || !AppendPointer(windows, windowCount, window)) {
            delete window;
            return nullptr;
        }
        if (windowCount == 1)
            SetWindowPos(window->hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOREDRAW | SWP_NOACTIVATE);
    }
    return windows[index];
}
