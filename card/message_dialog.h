// The dialog in which the user types the greeting for a personalised copy.
#pragma once

#include <windows.h>

#include <memory>

// Dialog resource of the message entry and its edit control.
constexpr int kMessageDialogId = 109;
constexpr int kMessageEditId = 101;

// The entry field takes at most this many characters, so that the text and
// its terminator always fit the result buffer.
constexpr int kMessageMaxLength = 255;
constexpr int kMessageBufferSize = kMessageMaxLength + 1;

// Runs the message dialog modally, owned by `owner`. Returns the typed text
// (line breaks as CR LF) in a zero-filled buffer of kMessageBufferSize bytes
// that the caller releases with free(), or null when the user cancelled.
char* ShowMessageDialog(HINSTANCE instance, HWND owner);

// Owns a text returned by ShowMessageDialog.
struct MessageTextDeleter {
    void operator()(char* text) const;
};
using MessageText = std::unique_ptr<char, MessageTextDeleter>;

INT_PTR CALLBACK MessageDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Moves `window`, keeping its size and z-order, so that its centre lies on
// the centre of its owner, or of the primary display when it has none.
void CenterOverOwner(HWND window);
