// The one object that owns a running card: the hidden host window with its
// 100 ms tick, the stage and the music.
#pragma once

#include <windows.h>

class Stage;

// Sequencer device id meaning "no device open".
constexpr UINT kNoMusicDevice = 0xFFFF;

class Application {
public:
    Application(HINSTANCE instance, const char* commandLine);
    ~Application();

    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    BOOL CreateHostWindow();
    void Tick();
    void OnHostCommand(const char* commandLine);

    // Music (app/music_player.cpp). A null name plays the default tune.
    void PlayMusic(const char* name);
    void StopMusic();
    UINT OpenAndPlayMidi(HWND window, const char* path);

    HINSTANCE instance = nullptr;
    Stage* stage = nullptr;
    HWND hostWindow = nullptr;
    char musicFile[MAX_PATH] = {};
    UINT musicDevice = kNoMusicDevice;
    int staleNotifyCount = 0;
};

ATOM RegisterHostClass(HINSTANCE instance);
LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
