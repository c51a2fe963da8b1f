#include "card/message_dialog.h"

#include <stdlib.h>

namespace {

// Set by OK, handed to the caller when the modal loop ends. One message
// dialog is open at a time.
char* g_pendingMessage = nullptr;

// Null without memory for the text: the dialog then ends as if cancelled.
char* ReadTypedMessage(HWND dialog)
{
    char* text = static_cast<char*>(calloc(kMessageBufferSize, 1));
    if (text)
        GetDlgItemTextA(dialog, kMessageEditId, text, kMessageBufferSize);
    return text;
}

} // namespace

char* ShowMessageDialog(HINSTANCE instance, HWND owner)
{
    g_pendingMessage = nullptr;
    DialogBoxParamA(instance, MAKEINTRESOURCEA(kMessageDialogId), owner, MessageDialogProc, 0);
    char* text = g_pendingMessage;
    g_pendingMessage = nullptr;
    return text;
}

void MessageTextDeleter::operator()(char* text) const
{
    free(text);
}

INT_PTR CALLBACK MessageDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG: {
        HWND edit = GetDlgItem(dialog, kMessageEditId);
        SendMessageA(edit, EM_LIMITTEXT, kMessageMaxLength, 0);
        SetFocus(edit);
        CenterOverOwner(dialog);
        return FALSE; // the focus is set
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            free(g_pendingMessage);
            g_pendingMessage = ReadTypedMessage(dialog);
            EndDialog(dialog, 1);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, 1);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

void CenterOverOwner(HWND window)
{
    RECT windowRect;
    GetWindowRect(window, &windowRect);

    RECT area;
    HWND owner = reinterpret_cast<HWND>(GetWindowLongPtrA(window, GWLP_HWNDPARENT));
    if (owner) {
        GetWindowRect(owner, &area);
    } else {
        SetRect(&area, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    }

    int x = (area.left + area.right) / 2 - (windowRect.right - windowRect.left) / 2;
    int y = (area.top + area.bottom) / 2 - (windowRect.bottom - windowRect.top) / 2;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW);
}
