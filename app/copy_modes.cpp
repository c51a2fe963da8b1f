#include "app/copy_modes.h"

#include <string.h>
#include <strsafe.h>

#include "app/command_line.h"

namespace {

// How long the copy modes wait for the other process to let go of a file.
constexpr DWORD kWaitLimitMs = 60 * 1000;
constexpr DWORD kRetryPauseMs = 100;
constexpr size_t kCommandSize = 512;

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    bool IsValid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle_; }
    BOOL Close()
    {
        if (!IsValid())
            return TRUE;
        BOOL ok = CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE handle_;
};

bool FileExists(const char* path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// The running executable can't be opened for writing; once it can, its
// process has ended. A target that doesn't exist yet has nothing to wait for.
bool WaitUntilWritable(const char* path)
{
    DWORD start = GetTickCount();
    for (;;) {
        FileHandle file(CreateFileA(path, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file.IsValid() || GetLastError() == ERROR_FILE_NOT_FOUND)
            return true;
        if (GetTickCount() - start >= kWaitLimitMs)
            return false;
        Sleep(kRetryPauseMs);
    }
}

bool CopyAll(HANDLE from, HANDLE to)
{
    char buffer[16 * 1024];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(from, buffer, sizeof(buffer), &got, nullptr))
            return false;
        if (got == 0)
            return true;
        DWORD written = 0;
        if (!WriteFile(to, buffer, got, &written, nullptr) || written != got)
            return false;
    }
}

// Writes the copy beside the target and moves it into place in one step, so
// a copy that fails or is interrupted leaves the target as it was.
bool ReplaceWithCopy(HANDLE source, const char* target)
{
    char folder[MAX_PATH];
    if (FAILED(StringCchCopyA(folder, MAX_PATH, target)))
        return false;
    char* slash = strrchr(folder, '\\');
    if (slash)
        slash[1] = '\0';
    else
        StringCchCopyA(folder, MAX_PATH, ".");

    char staging[MAX_PATH];
    if (!GetTempFileNameA(folder, "crd", 0, staging))
        return false;
    FileHandle out(CreateFileA(staging, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    bool written = out.IsValid() && CopyAll(source, out.Get()) && FlushFileBuffers(out.Get());
    written = out.Close() && written;
    if (written && MoveFileExA(staging, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileA(staging);
    return false;
}



} // namespace

BOOL FormatRelaunchCommand(char* buffer, size_t size, const char* program,
                           char mode, const char* operand)
{
    return SUCCEEDED(StringCchPrintfA(buffer, size, "\"%s\" -%c %s", program, mode, operand));
}

BOOL StartHidden(const char* program, char mode, const char* operand)
{
    char command[kCommandSize];
    if (!FormatRelaunchCommand(command, sizeof(command), program, mode, operand))
        return FALSE;
    // Not WinExec: it waits for the new process to go idle, and a process in
    // a copy mode never does while it waits for this one to end.
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return FALSE;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return TRUE;
}

void RunCopyMode(const char* target)
{
    char self[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, self, sizeof(self) - 1);
    if (length == 0 || length >= sizeof(self) - 1)
        return;
    self[length] = '\0';
    FileHandle source(CreateFileA(self, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!source.IsValid())
        return;

    bool waited = WaitUntilWritable(target);
    if (waited) {
        DWORD start = GetTickCount();
        // The old process may still hold the file for a moment after it let
        // us open it; keep trying within the same bound.
        while (!ReplaceWithCopy(source.Get(), target) && GetTickCount() - start < kWaitLimitMs) {
            Sleep(kRetryPauseMs);
            SetFilePointer(source.Get(), 0, nullptr, FILE_BEGIN);
        }
    }
    // Started even when the copy failed: in delete mode the target removes
    // this temporary executable once it has ended.
    if (FileExists(target))
        StartHidden(target, '2', self);
}

void RunDeleteMode(const char* path)
{
    DWORD start = GetTickCount();
    while (!DeleteFileA(path) && FileExists(path) && GetTickCount() - start < kWaitLimitMs)
        Sleep(kRetryPauseMs);
}

int HandleCopyModes(HINSTANCE, const char* commandLine)
{
    CopyModeRequest request = ScanCommandLine(commandLine);
    if (request.mode == CopyMode::None)
        return 1;
    if (!*request.path)
        return 0;
    if (request.mode == CopyMode::Copy)
        RunCopyMode(request.path);
    else
        RunDeleteMode(request.path);
    return 0;
}
