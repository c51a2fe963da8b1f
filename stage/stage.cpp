#include "stage/stage.h"

#include "app/application.h"
#include "stage/performer.h"
#include "stage/pointer_list.h"
#include "stage/sprite.h"
#include "stage/stage_window.h"

Stage::Stage(Application* app)
    : app(app)
{
    HDC screen = GetDC(nullptr);
    screenWidth = GetDeviceCaps(screen, HORZRES);
    screenHeight = GetDeviceCaps(screen, VERTRES);
    ReleaseDC(nullptr, screen);
    RegisterStageClass(app->instance);
    AddPerformer();
    AddCastOf(0);
}

Stage::~Stage()
{
    for (int i = 0; i < castCount; ++i)
        delete cast[i];
    FreePointerList(cast, castCount);
    for (int i = 0; i < windowCount; ++i)
        delete windows[i];
    FreePointerList(windows, windowCount);
    while (performerCount > 0)
        RemovePerformer(0);
}

void Stage::AddPerformer()
{
    Performer* performer = new Performer(this);
    if (!AppendPointer(performers, performerCount, performer))
        delete performer;
}

void Stage::RemovePerformer(int index)
{
    if (index < 0 || index >= performerCount)
        return;
    delete performers[index];
    RemovePointerAt(performers, performerCount, index);
}

void Stage::AddCastOf(int performerIndex)
{
    if (performerIndex < 0 || performerIndex >= performerCount)
        return;
    Performer* performer = performers[performerIndex];
    int count = performer->GetSpriteCount();
    for (int i = 0; i < count; ++i) {
        CastEntry* entry = new CastEntry{performer, performer->GetSprite(i)};
        if (!AppendPointer(cast, castCount, entry))
            delete entry;
    }
}

void Stage::Tick()
{
    for (int i = 0; i < performerCount; ++i)
        performers[i]->Tick();

    int count = GroupSprites();
    // Later windows first, each then taking what lies under the other
    // windows from their backgrounds rather than from the screen.
    for (int i = count - 1; i >= 0; --i) {
        windows[i]->CaptureBackground();
        for (int j = 0; j < windowCount; ++j) {
            if (j != i)
                windows[i]->CopyBackgroundFrom(windows[j]);
        }
    }
    for (int i = count; i < windowCount; ++i)
        windows[i]->Hide();
    for (int i = 0; i < count; ++i)
        windows[i]->Present();
}

StageWindow* Stage::FindWindowOf(const CastEntry* entry)
{
    for (int i = 0; i < windowCount; ++i) {
        if (windows[i]->HasMember(entry))
            return windows[i];
    }
    return nullptr;
}

void Stage::RefreshSpriteWindow(Sprite* sprite)
{
    for (int i = 0; i < castCount; ++i) {
        if (cast[i]->sprite != sprite)
            continue;
        if (StageWindow* window = FindWindowOf(cast[i]))
            window->Refresh();
        return;
    }
}

void Stage::RefreshAllWindows()
{
    for (int i = 0; i < castCount; ++i) {
        if (StageWindow* window = FindWindowOf(cast[i]))
            window->Refresh();
    }
}

void Stage::OnSpriteRightClick(Sprite* sprite)
{
    for (int i = 0; i < performerCount; ++i) {
        Performer* performer = performers[i];
        int count = performer->GetSpriteCount();
        for (int j = 0; j < count; ++j) {
            if (performer->GetSprite(j) == sprite) {
                performer->Finish();
                return;
            }
        }
    }
}

Sprite* Stage::GetCaptureSprite()
{
    return performerCount > 0 ? performers[0]->GetCaptureSprite() : nullptr;
}

void Stage::ToggleTopmost()
{
    topmost = !topmost;
    for (int i = 0; i < windowCount; ++i)
        windows[i]->SetTopmost(topmost);
}
