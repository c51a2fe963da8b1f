#include "card/save_file_dialog.h"

#include <commdlg.h>

BOOL AskSaveFileName(HWND owner, char* path)
{
    OPENFILENAMEA request = {};
    request.lStructSize = sizeof(request);
    request.hwndOwner = owner;
    request.hInstance = GetModuleHandleA(nullptr);
    request.lpstrFilter = "Applications\0*.exe\0";
    request.nFilterIndex = 1;
    request.lpstrFile = path;
    request.nMaxFile = MAX_PATH - 1;
    request.Flags = OFN_OVERWRITEPROMPT;
    return GetSaveFileNameA(&request);
}
