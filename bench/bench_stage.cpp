// The stage's cost per tick during the show, with the whole desktop
// pipeline (scene step, grouping, background capture, presentation), and
// the sheet decodes that fell on a tick that also changed a sprite's
// picture (a decode there would show as a stall in the animation).
// Runs the real Application and greeting scene on the screen; the ticks are
// driven here, with the messages they cause dispatched between them.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/application.h"
#include "stage/cast_entry.h"
#include "stage/sprite.h"
#include "stage/stage.h"

namespace {

// Past the tag's first pictures with the message (from tick 269 on).
constexpr int kTicks = 300;
// Time given to the rest of the desktop between two ticks.
constexpr DWORD kGapMs = 15;

struct SpritePicture {
    HBITMAP image;
    int frame;
    BOOL shown;
    bool operator!=(const SpritePicture& other) const
    {
        return image != other.image || frame != other.frame || shown != other.shown;
    }
};

SpritePicture PictureOf(Sprite* sprite)
{
    return {sprite->image, sprite->frameBase + sprite->frameOffset, sprite->IsShown()};
}

bool Holds(const std::vector<HBITMAP>& sheets, HBITMAP sheet)
{
    return std::find(sheets.begin(), sheets.end(), sheet) != sheets.end();
}

std::vector<HBITMAP> SheetsOf(Sprite* sprite)
{
    std::vector<HBITMAP> sheets;
    for (int i = 0; i < sprite->images.capacity; ++i) {
        if (sprite->images.entries[i].bitmap)
            sheets.push_back(sprite->images.entries[i].bitmap);
    }
    return sheets;
}

void DispatchPending()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Wine without a window manager waits two seconds for one whenever a window
// it lets a manager handle (the host window is one) is shown or hidden, which
// would time Wine rather than the stage. Its X11 driver reads the setting that
// turns managing off when a process starts: set it, then run again.
bool RestartedWithoutWindowManagement(int* exitCode)
{
    if (!GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version"))
        return false;
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\X11 Driver", 0, nullptr, 0, KEY_READ | KEY_WRITE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    char value[8] = {};
    DWORD size = sizeof value - 1;
    bool unmanaged = RegQueryValueExA(key, "Managed", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) ==
                         ERROR_SUCCESS &&
                     value[0] == 'N';
    if (!unmanaged)
        RegSetValueExA(key, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
    RegCloseKey(key);
    if (unmanaged)
        return false;
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(path, nullptr, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
        return false;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    *exitCode = static_cast<int>(code);
    return true;
}

double Percentile(std::vector<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    size_t index = static_cast<size_t>(fraction * (values.size() - 1) + 0.5);
    return values[index];
}

} // namespace

int main()
{
    int exitCode = 0;
    if (RestartedWithoutWindowManagement(&exitCode))
        return exitCode;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    RegisterHostClass(instance);
    Application* app = new Application(instance, "");
    KillTimer(app->hostWindow, 1);
    app->StopMusic();
    Stage* stage = app->stage;

    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> tickMs;
    int decodes = 0;
    int decodesOnPictureTicks = 0;
    for (int tick = 0; tick < kTicks; ++tick) {
        std::vector<SpritePicture> pictures;
        std::vector<std::vector<HBITMAP>> sheets;
        for (int i = 0; i < stage->castCount; ++i) {
            pictures.push_back(PictureOf(stage->cast[i]->sprite));
            sheets.push_back(SheetsOf(stage->cast[i]->sprite));
        }

        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        stage->Tick();
        QueryPerformanceCounter(&end);
        tickMs.push_back(1000.0 * (end.QuadPart - start.QuadPart) / frequency.QuadPart);

        bool pictureChanged = false;
        int decoded = 0;
        for (int i = 0; i < stage->castCount; ++i) {
            Sprite* sprite = stage->cast[i]->sprite;
            pictureChanged = pictureChanged || PictureOf(sprite) != pictures[i];
            for (HBITMAP sheet : SheetsOf(sprite))
                decoded += Holds(sheets[i], sheet) ? 0 : 1;
        }
        decodes += decoded;
        if (pictureChanged)
            decodesOnPictureTicks += decoded;

        DispatchPending();
        Sleep(kGapMs);
        DispatchPending();
    }

    std::printf("stage_ticks: %d ticks\n", static_cast<int>(tickMs.size()));
    std::printf("stage_tick_median: %.3f ms\n", Percentile(tickMs, 0.5));
    std::printf("stage_tick_p99: %.3f ms\n", Percentile(tickMs, 0.99));
    std::printf("stage_tick_max: %.3f ms\n", Percentile(tickMs, 1.0));
    std::printf("stage_sheet_decodes_during_show: %d decodes\n", decodes);
    std::printf("stage_sheet_decodes_on_picture_ticks: %d decodes\n", decodesOnPictureTicks);
    DestroyWindow(app->hostWindow);
    return 0;
}
