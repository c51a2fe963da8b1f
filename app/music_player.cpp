// The tune: a MIDI resource copied to a temporary file and played once by the
// sequencer, which notifies the host window when it ends.
#include "app/application.h"

#include <mmsystem.h>

namespace {

constexpr const char* kDefaultTune = "IDM_MUSIC";

void CloseDevice(UINT device) {
    mciSendCommandA(device, MCI_CLOSE, 0, 0);
}

// A file of its own in the temporary folder, holding the bytes; FALSE (and no
// file left) when it can't be made.
BOOL WriteTempFile(const void* bytes, DWORD size, char* path) {
    char folder[MAX_PATH];
    DWORD length = GetTempPathA(MAX_PATH - 1, folder);
    if (length == 0 || length >= MAX_PATH - 1 || !GetTempFileNameA(folder, "", 0, path)) {
        path[0] = '\0';
        return FALSE;
    }
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    BOOL ok = file != INVALID_HANDLE_VALUE && WriteFile(file, bytes, size, &written, nullptr) && written == size;
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
    }
    if (!ok) {
        DeleteFileA(path);
        path[0] = '\0';
    }
    return ok;
}

// Ends the tune on hand whatever notifications are owed: device closed, file gone.
void CloseTune(Application& app) {
    if (!app.musicFile[0]) {
        return;
    }
    if (app.musicDevice != kNoMusicDevice) {
        CloseDevice(app.musicDevice);
        app.musicDevice = kNoMusicDevice;
    }
    DeleteFileA(app.musicFile);
    app.musicFile[0] = '\0';
}

}  // namespace

void Application::PlayMusic(const char* name) {
    // Closing a device that plays with notification makes it post one more
    // notification, for the aborted play; that one must not end the new tune.
    // A tune whose device never opened owes nothing.
    if (musicFile[0] && musicDevice != kNoMusicDevice) {
        staleNotifyCount += 1;
    }
    CloseTune(*this);

    HRSRC found = FindResourceA(instance, name ? name : kDefaultTune, "MIDI");
    if (!found) {
        return;
    }
    HGLOBAL loaded = LoadResource(instance, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) {
        return;
    }
    BOOL written = WriteTempFile(bytes, SizeofResource(instance, found), musicFile);
    FreeResource(loaded);
    if (written) {
        OpenAndPlayMidi(hostWindow, musicFile);
    }
}

void Application::StopMusic() {
    if (staleNotifyCount > 0) {
        staleNotifyCount -= 1;
        return;
    }
    CloseTune(*this);
}

UINT Application::OpenAndPlayMidi(HWND window, const char* path) {
    MCI_OPEN_PARMSA open = {};
    open.lpstrDeviceType = "sequencer";
    open.lpstrElementName = path;
    MCIERROR error = mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_ELEMENT,
                                     reinterpret_cast<DWORD_PTR>(&open));
    if (error) {
        return error;
    }
    musicDevice = open.wDeviceID;

    MCI_STATUS_PARMS status = {};
    status.dwItem = MCI_SEQ_STATUS_PORT;
    error = mciSendCommandA(musicDevice, MCI_STATUS, MCI_STATUS_ITEM, reinterpret_cast<DWORD_PTR>(&status));
    // Only the MIDI mapper plays the tune as written; any other port stays silent.
    if (error || LOWORD(status.dwReturn) != LOWORD(MIDI_MAPPER)) {
        CloseDevice(musicDevice);
        musicDevice = kNoMusicDevice;
        return error;
    }

    MCI_PLAY_PARMS play = {};
    play.dwCallback = reinterpret_cast<DWORD_PTR>(window);
    error = mciSendCommandA(musicDevice, MCI_PLAY, MCI_NOTIFY, reinterpret_cast<DWORD_PTR>(&play));
    if (error) {
        CloseDevice(musicDevice);
        musicDevice = kNoMusicDevice;
    }
    return error;
}
