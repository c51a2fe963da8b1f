#include "card/save_flow.h"

#include <string.h>

#include "card/card_dialog.h"
#include "card/message_dialog.h"
#include "card/personal_copy.h"
#include "card/save_file_dialog.h"
#include "peimage/exe_image.h"

namespace {

// The message dialog's time doesn't count toward the card's idle limit.
MessageText AskMessage(HWND cardWindow)
{
    KillTimer(cardWindow, kCardIdleTimer);
    MessageText text(ShowMessageDialog(CardInstance(), cardWindow));
    SetTimer(cardWindow, kCardIdleTimer, kCardIdlePeriod, nullptr);
    return text;
}

// FALSE when the path doesn't fit: a cut path would name another file.
BOOL GetOwnPath(char* path, DWORD size)
{
    DWORD length = GetModuleFileNameA(nullptr, path, size);
    return length > 0 && length < size;
}

} // namespace

void SavePersonalisedCopy(HWND cardWindow)
{
    MessageText text = AskMessage(cardWindow);
    if (!text || !*text)
        return;

    char ownPath[MAX_PATH];
    if (!GetOwnPath(ownPath, MAX_PATH - 1))
        return;
    ExeImage image;
    if (!image.Open(ownPath) ||
        !image.FindResourceData(kMessageResourceType, MAKEINTRESOURCEA(kMessageResourceId)))
        return;

    char targetPath[MAX_PATH];
    strcpy(targetPath, ownPath);
    if (!AskSaveFileName(cardWindow, targetPath))
        return;

    SetCopyMessage(image, text.get());
    BOOL saved = IsSamePathIgnoringAsciiCase(targetPath, ownPath)
                     ? StoreCopyOverRunningExecutable(image, ownPath, text.get())
                     : StoreCopy(image, targetPath, text.get());
    if (!saved)
        MessageBoxA(cardWindow, "Couldn't open file.", "Error", MB_OK);

    CloseCardDialog(cardWindow);
    PostMessageA(CardHostWindow(), WM_CLOSE, 0, 0);
}
