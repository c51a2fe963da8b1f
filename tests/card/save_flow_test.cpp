#include "card/personal_copy.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "card/save_file_dialog.h"
#include "peimage/exe_image.h"
#include "tests/card/save_flow_driver.h"

namespace {

std::string OwnPath()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof(path));
    return path;
}

// A fresh folder for one test's files, removed with what it holds.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& name)
    {
        char temp[MAX_PATH];
        GetTempPathA(sizeof(temp), temp);
        path_ = std::string(temp) + name;
        Remove();
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~ScratchFolder() { Remove(); }

    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "\\" + name; }

private:
    void Remove() const
    {
        // The save-file dialog makes the folder it saved in the current one,
        // which can't be removed.
        char temp[MAX_PATH];
        GetTempPathA(sizeof(temp), temp);
        SetCurrentDirectoryA(temp);
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((path_ + "\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                DeleteFileA(File(found.cFileName).c_str());
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        RemoveDirectoryA(path_.c_str());
    }

    std::string path_;
};

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadFileBytes(const std::string& path)
{
    std::string bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

// The greeting as the system's own loader finds it in an executable file.
std::string GreetingOf(const std::string& path)
{
    HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module)
        return "(not loadable)";
    std::string text = "(no greeting)";
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(kMessageResourceId), kMessageResourceType);
    if (HGLOBAL loaded = found ? LoadResource(module, found) : nullptr)
        text.assign(static_cast<const char*>(LockResource(loaded)), SizeofResource(module, found));
    FreeLibrary(module);
    return text;
}

DWORD RunAndWait(const std::string& commandLine)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::vector<char> command(commandLine.begin(), commandLine.end());
    command.push_back('\0');
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return 0xFFFFFFFF;
    WaitForSingleObject(process.hProcess, 30000);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

// An image of this test program with its greeting replaced.
struct ImageWithMessage {
    explicit ImageWithMessage(const char* text, const std::string& source = OwnPath())
    {
        opened = image.Open(source.c_str());
        SetCopyMessage(image, text);
    }
    ExeImage image;
    BOOL opened = FALSE;
};

TEST(StoreCopy, WritesARunnableCopyThatHoldsTheNewGreeting)
{
    ScratchFolder folder("save_flow_copy");
    const std::string messages[] = {
        "Happy holidays!",
        "two lines\r\nof greeting",
        std::string(255, 'x'),
        "x", // shorter than the stored greeting: the section shrinks
    };
    for (const std::string& message : messages) {
        std::string target = folder.File("greeting.exe");
        ImageWithMessage copy(message.c_str());
        ASSERT_TRUE(copy.opened);
        ASSERT_TRUE(StoreCopy(copy.image, target.c_str(), message.c_str())) << message;
        EXPECT_EQ(GreetingOf(target), message);
        // The copy starts; with this filter it runs no test and exits at once.
        EXPECT_EQ(RunAndWait("\"" + target + "\" --gtest_filter=-*"), 0u) << message;
    }
}

TEST(StoreCopy, KeepsAFileNameWithoutExtensionAsGiven)
{
    ScratchFolder folder("save_flow_plain_name");
    ImageWithMessage copy("plain");
    ASSERT_TRUE(StoreCopy(copy.image, folder.File("greeting").c_str(), "plain"));
    EXPECT_TRUE(FileExists(folder.File("greeting")));
    EXPECT_FALSE(FileExists(folder.File("greeting.exe")));
}

TEST(StoreCopy, LeavesATargetAloneThatCantBeOpened)
{
    ScratchFolder folder("save_flow_locked");
    std::string locked = folder.File("locked.exe");
    WriteFileBytes(locked, "someone else's file");
    // Held open without sharing, as the running executable is.
    HANDLE holder = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);

    const std::string targets[] = {locked, folder.File("missing folder\\copy.exe")};
    for (const std::string& target : targets) {
        ImageWithMessage copy("not written");
        EXPECT_FALSE(StoreCopy(copy.image, target.c_str(), "not written")) << target;
    }
    CloseHandle(holder);
    EXPECT_EQ(ReadFileBytes(locked), "someone else's file");
    EXPECT_FALSE(FileExists(folder.File("missing folder")));
}

int CountFiles(const std::string& folder)
{
    int count = 0;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    do {
        ++count;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return count;
}

std::string TempFolder()
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof(temp), temp);
    return temp;
}

// Its own test entry runs this with the file size limited far below the size
// of a copy, so that writes fail part way as on a full disk.
TEST(StoreCopy, LeavesNoPartialCopyWhenWritesFail)
{
    if (!getenv("CARDLING_FILE_SIZE_LIMITED"))
        GTEST_SKIP() << "runs under a file size limit only";
    ScratchFolder folder("save_flow_full");
    std::string target = folder.File("partial.exe");
    ImageWithMessage copy("lost");
    ASSERT_TRUE(copy.opened);
    EXPECT_FALSE(StoreCopy(copy.image, target.c_str(), "lost"));
    EXPECT_FALSE(FileExists(target));

    // Over the running executable: the temporary copy goes away, nothing starts.
    int tempFiles = CountFiles(TempFolder());
    ImageWithMessage overSelf("lost");
    ASSERT_TRUE(overSelf.opened);
    EXPECT_FALSE(StoreCopyOverRunningExecutable(overSelf.image, target.c_str(), "lost"));
    EXPECT_EQ(CountFiles(TempFolder()), tempFiles);
}

// Points the temporary folder somewhere else for one test.
class TempFolderOverride {
public:
    explicit TempFolderOverride(const std::string& folder)
    {
        char old[MAX_PATH] = {};
        hadOld_ = GetEnvironmentVariableA("TMP", old, sizeof(old)) > 0;
        old_ = old;
        SetEnvironmentVariableA("TMP", (folder + "\\").c_str());
    }
    ~TempFolderOverride() { SetEnvironmentVariableA("TMP", hadOld_ ? old_.c_str() : nullptr); }

private:
    bool hadOld_ = false;
    std::string old_;
};

// The built program, whose copy modes the relaunch runs.
std::string ProgramPath()
{
    std::string path = "Z:" CARDLING_EXE;
    for (char& c : path) {
        if (c == '/')
            c = '\\';
    }
    return path;
}

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(50);
    }
    return true;
}

TEST(StoreCopyOverRunningExecutable, RelaunchReplacesTheTargetThroughAQuotedTemporaryCopy)
{
    ScratchFolder folder("save_flow relaunch");
    ScratchFolder temp("save_flow relaunch\\temp with spaces");
    // Started unquoted, "...\\temp with spaces\\x.tmp -1 ..." would run this
    // instead, which would copy the old program over the target.
    std::string decoy = folder.File("temp.exe");
    ASSERT_TRUE(CopyFileA(ProgramPath().c_str(), decoy.c_str(), FALSE));
    std::string target = folder.File("my card.exe");
    ASSERT_TRUE(CopyFileA(ProgramPath().c_str(), target.c_str(), FALSE));

    ImageWithMessage copy("relaunched", ProgramPath());
    ASSERT_TRUE(copy.opened);
    {
        TempFolderOverride override(temp.Path());
        ASSERT_TRUE(StoreCopyOverRunningExecutable(copy.image, target.c_str(), "relaunched"));
    }
    EXPECT_TRUE(WaitFor([&] { return GreetingOf(target) == "relaunched"; }, 30000))
        << GreetingOf(target);
    // The target, started in delete mode, removes the temporary copy.
    EXPECT_TRUE(WaitFor([&] { return CountFiles(temp.Path()) == 2; }, 30000)) // . and ..
        << CountFiles(temp.Path());
}

TEST(StoreCopyOverRunningExecutable, StartsNothingWhenTheCommandWouldNotFit)
{
    ScratchFolder folder("save_flow_long");
    // A temporary folder path of 244 characters and an own path of 258: with
    // the quotes and " -1 " the command needs more than its 512 bytes.
    std::string longTemp = folder.Path();
    while (longTemp.size() < 244) {
        longTemp += "\\" + std::string(std::min<size_t>(60, 243 - longTemp.size()), 'd');
        CreateDirectoryA(longTemp.c_str(), nullptr);
    }
    ASSERT_EQ(longTemp.size(), 244u);
    std::string ownPath = folder.File(std::string(258 - folder.Path().size() - 5, 'o') + ".exe");
    ASSERT_EQ(ownPath.size(), 258u);

    ImageWithMessage copy("too long");
    ASSERT_TRUE(copy.opened);
    {
        TempFolderOverride override(longTemp);
        EXPECT_FALSE(StoreCopyOverRunningExecutable(copy.image, ownPath.c_str(), "too long"));
    }
    EXPECT_EQ(CountFiles(longTemp), 2); // . and ..: the temporary copy is gone
    EXPECT_FALSE(FileExists(ownPath));
    for (size_t end = longTemp.size(); end > folder.Path().size(); end = longTemp.rfind('\\', end - 1))
        RemoveDirectoryA(longTemp.substr(0, end).c_str());
}

TEST(SamePath, OnlyAsciiLetterCaseIsIgnored)
{
    struct Case {
        const char* first;
        const char* second;
        bool same;
    };
    const Case cases[] = {
        {"C:\\Cards\\cardling.exe", "C:\\Cards\\cardling.exe", true},
        {"C:\\Cards\\cardling.exe", "c:\\CARDS\\CARDLING.EXE", true},
        {"C:\\Cards\\cardling.exe", "C:\\Cards\\cardling.ex", false},
        {"C:\\Cards\\cardling.exe", "C:\\CARDS~1\\cardling.exe", false},
        {"C:\\Cards\\cardling.exe", "C:/Cards/cardling.exe", false},
        {"C:\\Karten\\\xC4pfel.exe", "C:\\KARTEN\\\xE4PFEL.EXE", false}, // not ASCII
        {"C:\\[x]\\a.exe", "C:\\{x}\\A.EXE", false}, // [ and { differ by the case bit
        {"", "", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsSamePathIgnoringAsciiCase(c.first, c.second), c.same)
            << c.first << " / " << c.second;
        EXPECT_EQ(IsSamePathIgnoringAsciiCase(c.second, c.first), c.same)
            << c.second << " / " << c.first;
    }
}

// The control that has the keyboard focus in the window's thread: the file
// name field when the save-file dialog has just opened.
HWND FocusedControl(HWND window)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
}

// Runs the save-file dialog with `proposed`, types `typed` over the file name
// and presses Enter; `replaceAnswer` ('Y' or 'N') answers the question
// whether to replace an existing file.
struct SaveDialogRun {
    BOOL confirmed = FALSE;
    std::string path;
    std::string shownName;
    bool askedToReplace = false;
};

SaveDialogRun RunSaveDialog(const std::string& proposed, const std::string& typed,
                            WORD replaceAnswer = 0)
{
    SaveDialogRun run;
    char path[MAX_PATH];
    strcpy(path, proposed.c_str());
    run.confirmed = RunDriven(
        [&path] { return AskSaveFileName(nullptr, path); },
        [&run, &typed, replaceAnswer] {
            HWND dialog = WaitForWindow("Save As");
            if (!dialog)
                return;
            HWND field = FocusedControl(dialog);
            run.shownName = WindowText(field);
            SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
            TypeText(typed + "\n");
            if (replaceAnswer) {
                HWND question = WaitForOwnedWindow(dialog, 2000);
                run.askedToReplace = question != nullptr;
                if (question) {
                    PressKey(replaceAnswer);
                    WaitUntilGone(question);
                }
                if (replaceAnswer == 'N')
                    PressKey(VK_ESCAPE);
            }
            if (!WaitUntilGone(dialog))
                PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        });
    run.path = path;
    return run;
}

TEST(SaveFileDialog, ProposesTheGivenFileAndKeepsATypedNameAsTyped)
{
    ScratchFolder folder("save_flow_dialog");
    std::string proposed = folder.File("cardling.exe");
    SaveDialogRun run = RunSaveDialog(proposed, folder.File("for grandma"));
    EXPECT_NE(run.shownName.find("cardling.exe"), std::string::npos) << run.shownName;
    EXPECT_TRUE(run.confirmed);
    EXPECT_EQ(run.path, folder.File("for grandma"));
}

TEST(SaveFileDialog, AsksBeforeReplacingAnExistingFile)
{
    ScratchFolder folder("save_flow_replace");
    std::string existing = folder.File("existing.exe");
    WriteFileBytes(existing, "old");

    SaveDialogRun declined = RunSaveDialog(existing, existing, 'N');
    EXPECT_TRUE(declined.askedToReplace);
    EXPECT_FALSE(declined.confirmed);

    SaveDialogRun accepted = RunSaveDialog(existing, existing, 'Y');
    EXPECT_TRUE(accepted.askedToReplace);
    EXPECT_TRUE(accepted.confirmed);
    EXPECT_EQ(accepted.path, existing);
}

} // namespace
