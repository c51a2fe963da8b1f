// The tune on a real Application: its temporary files and the owed
// notifications. Without a sound device Wine's sequencer opens and plays but
// never reports the end of a tune, so the tests post that notification as
// the sequencer would; the notification for a play aborted by closing the
// device does come.
#include <gtest/gtest.h>

#include <windows.h>
#include <mmsystem.h>

#include <cstring>
#include <set>
#include <string>

#include "app/application.h"
#include "tests/app/message_pump.h"

namespace {

std::string ResourceBytes(const char* name) {
    HRSRC found = FindResourceA(nullptr, name, "MIDI");
    if (!found) {
        return {};
    }
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(nullptr, found)));
    return std::string(bytes, SizeofResource(nullptr, found));
}

std::string FileBytes(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return {};
    }
    char buffer[4096];
    DWORD read = 0;
    ReadFile(file, buffer, sizeof buffer, &read, nullptr);
    CloseHandle(file);
    return std::string(buffer, read);
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Files in the temporary folder holding one of our tunes (other programs may
// use the folder at the same time).
std::set<std::string> TuneFiles() {
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    std::set<std::string> found;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((std::string(folder) + "*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return found;
    }
    const std::string first = ResourceBytes("IDM_MUSIC");
    const std::string second = ResourceBytes("SECOND");
    const std::string broken = ResourceBytes("BROKEN");
    do {
        std::string path = std::string(folder) + entry.cFileName;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            continue;
        }
        std::string bytes = FileBytes(path);
        if (bytes == first || bytes == second || bytes == broken) {
            found.insert(path);
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return found;
}

class MusicPlayer : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterHostClass(GetModuleHandleA(nullptr)); }

    void SetUp() override {
        // What a failed earlier run left behind would count as ours.
        for (const std::string& path : TuneFiles()) {
            DeleteFileA(path.c_str());
        }
        // The host window deletes the Application when it is destroyed.
        app = new Application(GetModuleHandleA(nullptr), "");
        host = app->hostWindow;
        ASSERT_NE(host, nullptr);
    }

    void TearDown() override {
        if (IsWindow(host)) {
            DestroyWindow(host);
        }
        PumpMessages(50);
        EXPECT_TRUE(TuneFiles().empty()) << "shutdown left a tune's file behind";
    }

    // What the sequencer posts when a play ends.
    void Notify() {
        PostMessageA(host, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, app->musicDevice);
        PumpMessages(50);
    }

    std::string CurrentFile() const { return app->musicFile; }

    Application* app = nullptr;
    HWND host = nullptr;
};

TEST_F(MusicPlayer, StartPlaysTheDefaultTuneFromOneTemporaryFile) {
    ASSERT_NE(CurrentFile(), "");
    EXPECT_EQ(FileBytes(CurrentFile()), ResourceBytes("IDM_MUSIC"));
    EXPECT_EQ(TuneFiles(), std::set<std::string>{CurrentFile()});
    EXPECT_NE(app->musicDevice, kNoMusicDevice);
    EXPECT_EQ(app->staleNotifyCount, 0);
}

TEST_F(MusicPlayer, TheEndOfTheTuneClosesTheDeviceAndDeletesItsFile) {
    std::string file = CurrentFile();
    Notify();
    EXPECT_FALSE(Exists(file));
    EXPECT_EQ(CurrentFile(), "");
    EXPECT_EQ(app->musicDevice, kNoMusicDevice);

    // With nothing loaded and nothing owed a notification changes nothing.
    Notify();
    EXPECT_EQ(app->staleNotifyCount, 0);
    app->PlayMusic("SECOND");
    EXPECT_EQ(app->staleNotifyCount, 0);
    EXPECT_EQ(FileBytes(CurrentFile()), ResourceBytes("SECOND"));
}

TEST_F(MusicPlayer, ANewTuneDeletesTheOldFileAtOnceAndIgnoresTheOldNotification) {
    std::string first = CurrentFile();
    app->PlayMusic("SECOND");
    std::string second = CurrentFile();
    EXPECT_FALSE(Exists(first));
    EXPECT_EQ(TuneFiles(), std::set<std::string>{second});
    EXPECT_EQ(FileBytes(second), ResourceBytes("SECOND"));
    EXPECT_NE(app->musicDevice, kNoMusicDevice);
    EXPECT_EQ(app->staleNotifyCount, 1);

    PumpMessages(100);  // the aborted first tune's notification arrives
    EXPECT_EQ(app->staleNotifyCount, 0);
    EXPECT_TRUE(Exists(second));
    EXPECT_NE(app->musicDevice, kNoMusicDevice);
    Notify();  // the second tune's own
    EXPECT_FALSE(Exists(second));
    EXPECT_EQ(CurrentFile(), "");
}

// Starting a third tune while the first one's notification is still owed
// must not keep the second tune's file or device.
TEST_F(MusicPlayer, EveryReplacedTuneIsRemovedAndOwesOneNotification) {
    std::string first = CurrentFile();
    app->PlayMusic("SECOND");
    std::string second = CurrentFile();
    app->PlayMusic(nullptr);
    std::string third = CurrentFile();
    EXPECT_FALSE(Exists(first));
    EXPECT_FALSE(Exists(second));
    EXPECT_EQ(TuneFiles(), std::set<std::string>{third});
    EXPECT_EQ(app->staleNotifyCount, 2);
    PumpMessages(100);
    EXPECT_EQ(app->staleNotifyCount, 0);
    EXPECT_TRUE(Exists(third));
    Notify();
    EXPECT_FALSE(Exists(third));
}

TEST_F(MusicPlayer, AMissingTuneStopsTheOldOneAndCreatesNothing) {
    std::string first = CurrentFile();
    app->PlayMusic("NO_SUCH_TUNE");
    EXPECT_FALSE(Exists(first));
    EXPECT_EQ(CurrentFile(), "");
    EXPECT_EQ(app->musicDevice, kNoMusicDevice);
    EXPECT_TRUE(TuneFiles().empty());
}

// A tune the sequencer refuses gets no device, so no notification comes for
// it and none is owed when the next tune replaces it.
TEST_F(MusicPlayer, ATuneTheSequencerRefusesOwesNoNotification) {
    std::string first = CurrentFile();
    app->PlayMusic("BROKEN");
    EXPECT_FALSE(Exists(first));
    EXPECT_EQ(app->musicDevice, kNoMusicDevice);
    EXPECT_EQ(app->staleNotifyCount, 1);  // the first tune's aborted play
    PumpMessages(100);
    EXPECT_EQ(app->staleNotifyCount, 0);

    std::string broken = CurrentFile();
    app->PlayMusic("SECOND");
    EXPECT_FALSE(Exists(broken));
    EXPECT_EQ(app->staleNotifyCount, 0);
    std::string second = CurrentFile();
    Notify();
    EXPECT_FALSE(Exists(second));
}

TEST_F(MusicPlayer, OpenErrorsAreReturnedWithNoDeviceLeftOpen) {
    Notify();
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    std::string missing = std::string(folder) + "no-such-tune.mid";
    EXPECT_NE(app->OpenAndPlayMidi(host, missing.c_str()), 0u);
    EXPECT_EQ(app->musicDevice, kNoMusicDevice);
}

// --- The sequencer's answers: a driver of the tests' own takes the place of
// the system's sequencer for these cases. ---

// Wine looks the device type's driver up under the key "MCI" before the
// system.ini section that names the real sequencer.
class FakeSequencer {
public:
    FakeSequencer() {
        char path[MAX_PATH];
        GetModuleFileNameA(nullptr, path, MAX_PATH);
        std::string dll(path);
        dll = dll.substr(0, dll.find_last_of('\\') + 1) + "fake_sequencer.dll";
        // Held, so that its counts outlive each open and close of the device.
        module = LoadLibraryA(dll.c_str());
        configure = reinterpret_cast<Configure>(
            reinterpret_cast<void*>(GetProcAddress(module, "FakeSequencerConfigure")));
        plays = reinterpret_cast<Plays>(reinterpret_cast<void*>(GetProcAddress(module, "FakeSequencerPlays")));
        DWORD disposition = 0;
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, kDrivers, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, &disposition);
        createdKey = disposition == REG_CREATED_NEW_KEY;
        RegSetValueExA(key, "Sequencer", 0, REG_SZ, reinterpret_cast<const BYTE*>(dll.c_str()),
                       static_cast<DWORD>(dll.size() + 1));
    }
    ~FakeSequencer() {
        RegDeleteValueA(key, "Sequencer");
        RegCloseKey(key);
        if (createdKey) {
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, kDrivers);
        }
        FreeLibrary(module);
    }
    bool Loaded() const { return configure && plays; }

    using Configure = void (*)(DWORD, MCIERROR, MCIERROR);
    using Plays = int (*)();
    Configure configure = nullptr;
    Plays plays = nullptr;

private:
    static constexpr const char* kDrivers = "Software\\Microsoft\\Windows NT\\CurrentVersion\\MCI";
    HMODULE module = nullptr;
    HKEY key = nullptr;
    bool createdKey = false;
};

TEST_F(MusicPlayer, OnlyTheMidiMapperPlaysAndEveryFailureClosesTheDevice) {
    struct Case {
        const char* name;
        DWORD port;
        MCIERROR statusError;
        MCIERROR playError;
        MCIERROR result;
        int plays;
    };
    const Case cases[] = {
        {"mapper", 0xFFFF, 0, 0, 0, 1},
        {"mapper in the low word", 0x2FFFF, 0, 0, 0, 1},
        {"another port", 0, 0, 0, 0, 0},
        {"status error", 0xFFFF, MCIERR_HARDWARE, 0, MCIERR_HARDWARE, 0},
        {"play error", 0xFFFF, 0, MCIERR_HARDWARE, MCIERR_HARDWARE, 1},
    };
    Notify();  // ends the real sequencer's tune
    FakeSequencer sequencer;
    ASSERT_TRUE(sequencer.Loaded());
    for (const Case& test : cases) {
        sequencer.configure(test.port, test.statusError, test.playError);
        EXPECT_EQ(app->OpenAndPlayMidi(host, "tune.mid"), test.result) << test.name;
        EXPECT_EQ(sequencer.plays(), test.plays) << test.name;
        EXPECT_EQ(app->musicDevice != kNoMusicDevice, test.result == 0 && test.plays == 1) << test.name;
        if (app->musicDevice != kNoMusicDevice) {
            mciSendCommandA(app->musicDevice, MCI_CLOSE, 0, 0);
            app->musicDevice = kNoMusicDevice;
        }
    }
}

// A tune the port check silences keeps its file until the next tune or the
// end, and owes no notification.
TEST_F(MusicPlayer, ASilencedTuneIsRemovedByTheNextOne) {
    Notify();
    FakeSequencer sequencer;
    ASSERT_TRUE(sequencer.Loaded());
    sequencer.configure(0, 0, 0);
    app->PlayMusic("SECOND");
    std::string silenced = CurrentFile();
    EXPECT_TRUE(Exists(silenced));
    EXPECT_EQ(app->musicDevice, kNoMusicDevice);
    app->PlayMusic(nullptr);
    EXPECT_FALSE(Exists(silenced));
    EXPECT_EQ(app->staleNotifyCount, 0);
}

TEST_F(MusicPlayer, ShutdownWithANotificationOwedLeavesNoFile) {
    app->PlayMusic("SECOND");
    ASSERT_EQ(app->staleNotifyCount, 1);
    // The aborted play's notification is still queued when TearDown destroys
    // the host window and checks the folder.
}

}  // namespace
