#include "card/personal_copy.h"

#include <string.h>

#include "app/copy_modes.h"
#include "peimage/exe_image.h"

namespace {

LPCSTR MessageResourceName()
{
    return MAKEINTRESOURCEA(kMessageResourceId);
}

char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Saves the image into an opened file; the file is closed either way.
BOOL SaveAndClose(ExeImage& image, HANDLE file)
{
    BOOL saved = image.Save(file);
    // A failed close can mean the last bytes never reached the disk.
    BOOL closed = CloseHandle(file);
    return saved && closed;
}

} // namespace

void SetCopyMessage(ExeImage& image, const char* text)
{
    image.ReplaceResourceData(kMessageResourceType, MessageResourceName(), text,
                              static_cast<int>(strlen(text)));
}

BOOL StoreCopy(ExeImage& image, const char* path, const char* text)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return FALSE;
    if (SaveAndClose(image, file) &&
        ExeFileHoldsResource(path, kMessageResourceType, MessageResourceName(), text,
                             static_cast<DWORD>(strlen(text))))
        return TRUE;
    DeleteFileA(path);
    return FALSE;
}

BOOL StoreCopyOverRunningExecutable(ExeImage& image, const char* ownPath, const char* text)
{
    char folder[MAX_PATH];
    DWORD folderLength = GetTempPathA(sizeof(folder), folder);
    if (folderLength == 0 || folderLength >= sizeof(folder))
        return FALSE;
    char tempPath[MAX_PATH];
    if (!GetTempFileNameA(folder, "", 0, tempPath))
        return FALSE;

    if (StoreCopy(image, tempPath, text) && StartHidden(tempPath, '1', ownPath))
        return TRUE;
    // StoreCopy has already deleted a copy that failed; this covers the empty
    // file made for the name and a copy that could not be started.
    DeleteFileA(tempPath);
    return FALSE;
}

bool IsSamePathIgnoringAsciiCase(const char* first, const char* second)
{
    for (; *first && *second; ++first, ++second) {
        if (AsciiLower(*first) != AsciiLower(*second))
            return false;
    }
    return *first == *second;
}
