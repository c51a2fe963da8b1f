// The desktop theatre: the performers with their scenes, the cast of sprites
// shown on the desktop and the stage windows that show them. Each host tick
// the scenes step, the sprites are grouped into non-overlapping windows and
// the windows bring their picture of the desktop up to date and present it.
#pragma once

#include <windows.h>

#include "stage/cast_entry.h"

class Application;
class Performer;
class Sprite;
class StageWindow;

class Stage {
public:
    explicit Stage(Application* app);
    ~Stage();

    Stage(const Stage&) = delete;
    Stage& operator=(const Stage&) = delete;

    void AddPerformer();
    void RemovePerformer(int index);
    // Adds a cast entry for every sprite of that performer's scene, in scene order.
    void AddCastOf(int performerIndex);
    void Tick();

    // Groups the shown sprites' old and new rectangles into non-overlapping
    // groups and gives windows 0 .. n-1 one group each; returns n.
    int GroupSprites();
    // The window at `index`, creating every missing one up to it; null when
    // a window can't be created.
    StageWindow* GetWindowAt(int index);

    void RefreshSpriteWindow(Sprite* sprite);
    void RefreshAllWindows();
    void OnSpriteRightClick(Sprite* sprite);
    // The first performer's capture sprite; null when there is none.
    Sprite* GetCaptureSprite();
    void ToggleTopmost();

    Application* app = nullptr; // not owned
    int screenWidth = 0;
    int screenHeight = 0;
    CastEntry** cast = nullptr;
    int castCount = 0;
    StageWindow** windows = nullptr;
    int windowCount = 0;
    Performer** performers = nullptr;
    int performerCount = 0;
    BOOL topmost = FALSE;

private:
    StageWindow* FindWindowOf(const CastEntry* entry);
};
