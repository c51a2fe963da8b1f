#include "app/application.h"

#include "gfx/palette.h"
#include "stage/stage.h"

namespace {

constexpr UINT_PTR kStageTimer = 1;
constexpr UINT kTickMs = 100;

} // namespace

Application::Application(HINSTANCE instance, const char*)
    : instance(instance)
{
    CreateHostWindow();
    InitSharedPalette(instance, hostWindow);
    SetTimer(hostWindow, kStageTimer, kTickMs, nullptr);
    stage = new Stage(this);
    PlayMusic(nullptr);
}

Application::~Application()
{
    // A notification still owed for an aborted tune will never be read now:
    // stop the current tune for real, so its temporary file goes too.
    staleNotifyCount = 0;
    StopMusic();
    KillTimer(hostWindow, kStageTimer);
    delete stage;
    stage = nullptr;
    DeleteSharedPalette();
}

BOOL Application::CreateHostWindow()
{
    hostWindow = CreateWindowExA(0, "trail", "Cardling", WS_POPUP | WS_SYSMENU, 100, 100, 100, 100,
                                 nullptr, nullptr, instance, nullptr);
    if (!hostWindow)
        return FALSE;
    SetClassWord(hostWindow, 0, static_cast<WORD>(reinterpret_cast<UINT_PTR>(hostWindow)));
    SetWindowLongPtrA(hostWindow, 0, reinterpret_cast<LONG_PTR>(this));
    return TRUE;
}

void Application::Tick()
{
    if (stage)
        stage->Tick();
}

void Application::OnHostCommand(const char*)
{
    if (stage)
        stage->AddPerformer();
}
