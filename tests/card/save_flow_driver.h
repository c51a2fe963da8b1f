// Drives the program's modal dialogs from a second thread with real input,
// as a user would, while the test's thread runs the dialog's modal loop.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <thread>

// The visible top-level window of this process with this caption, or null
// when none appears within the time.
HWND WaitForWindow(const char* caption, DWORD timeoutMs = 5000);

// The same for a window owned by `owner`, such as a message box it shows.
HWND WaitForOwnedWindow(HWND owner, DWORD timeoutMs = 5000);

// True when the window is gone within the time. Without a window manager
// Wine spends up to two seconds destroying a window that has a caption.
bool WaitUntilGone(HWND window, DWORD timeoutMs = 5000);

// Types text through the keyboard; '\n' is pressed as the Enter key.
void TypeText(const std::string& text);
void PressKey(WORD virtualKey);
void PressKeyWithCtrl(WORD virtualKey);

// Clicks the left mouse button at the centre of the window.
void ClickCenter(HWND window);

// Text of a window or control.
std::string WindowText(HWND window);

// Runs `modal` on this thread and `script` on a driver thread started just
// before it; returns what `modal` returned once both have finished.
template <typename Modal>
auto RunDriven(Modal modal, const std::function<void()>& script)
{
    std::thread driver(script);
    auto result = modal();
    driver.join();
    return result;
}
