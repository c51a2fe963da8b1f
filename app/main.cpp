// Process entry: the copy modes, or the card with its message loop.
#include <windows.h>
#include <stdlib.h>

#include "app/application.h"
#include "app/copy_modes.h"

namespace {

Application* g_application = nullptr;

void DestroyApplicationAtExit()
{
    delete g_application;
    g_application = nullptr;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    if (HandleCopyModes(instance, commandLine) == 0)
        return 0;
    atexit(DestroyApplicationAtExit);
    if (!RegisterHostClass(instance))
        return 0;
    g_application = new Application(instance, commandLine);
    // Without its host window nothing would ever end the message loop.
    if (!g_application->hostWindow) {
        DestroyApplicationAtExit();
        return 0;
    }

    MSG msg = {};
    while (GetMessageA(&msg, nullptr, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    g_application = nullptr;
    return static_cast<int>(msg.wParam);
}
