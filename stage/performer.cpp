#include "stage/performer.h"

#include "app/application.h"
#include "stage/scene.h"
#include "stage/stage.h"

namespace {

// The factory's last argument; the greeting scene ignores it.
constexpr int kSceneFactoryReserved = 10;

} // namespace

Performer::Performer(Stage* stage)
    : stage(stage)
{
    Application* app = stage->app;
    scene = CreateScene(app->instance, app->hostWindow, this, kSceneFactoryReserved);
    if (scene)
        scene->SetCallback(PerformerCallback);
}

Performer::~Performer()
{
    delete scene;
}

void Performer::Tick()
{
    if (scene)
        scene->Tick();
}

void Performer::Finish()
{
    if (scene)
        scene->Finish();
}

int Performer::GetSpriteCount()
{
    return scene ? scene->GetSpriteCount() : 0;
}

Sprite* Performer::GetSprite(int index)
{
    return scene ? scene->GetSprite(index) : nullptr;
}

Sprite* Performer::GetCaptureSprite()
{
    return scene ? scene->GetCaptureSprite() : nullptr;
}

int PerformerCallback(void* userData, int event, void* data)
{
    Stage* stage = static_cast<Performer*>(userData)->stage;
    switch (event) {
    case kSceneSpriteChanged:
        stage->RefreshSpriteWindow(static_cast<Sprite*>(data));
        break;
    case kScenePlayMusic:
        stage->app->PlayMusic(static_cast<const char*>(data));
        break;
    case kSceneToggleTopmost:
        stage->ToggleTopmost();
        break;
    default:
        break;
    }
    return 0;
}
