// A performer: one scene on the stage, made by the scene factory, and the
// receiver of that scene's events.
#pragma once

#include <windows.h>

class Scene;
class Sprite;
class Stage;

class Performer {
public:
    explicit Performer(Stage* stage);
    ~Performer();

    Performer(const Performer&) = delete;
    Performer& operator=(const Performer&) = delete;

    void Tick();
    void Finish();
    int GetSpriteCount();
    Sprite* GetSprite(int index);
    Sprite* GetCaptureSprite();

    Stage* stage = nullptr; // not owned
    Scene* scene = nullptr; // owned; null when the factory failed
};

// The scene callback: userData is the Performer. Always returns 0.
int PerformerCallback(void* userData, int event, void* data);
