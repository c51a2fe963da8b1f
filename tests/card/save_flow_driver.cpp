#include "tests/card/save_flow_driver.h"

#include <vector>

namespace {

constexpr DWORD kPollMs = 20;
// Lets the window's thread handle one input before the next arrives.
constexpr DWORD kInputPauseMs = 10;

struct WindowSearch {
    std::function<bool(HWND)> matches;
    HWND found = nullptr;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() && IsWindowVisible(window) && search->matches(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForMatchingWindow(const std::function<bool(HWND)>& matches, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    do {
        WindowSearch search = {matches};
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found) {
            Sleep(100); // the window finishes showing and takes the focus
            return search.found;
        }
        Sleep(kPollMs);
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

void SendKey(WORD virtualKey, bool up)
{
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof(input));
}

void SendCharacter(char c)
{
    INPUT inputs[2] = {};
    for (INPUT& input : inputs) {
        input.type = INPUT_KEYBOARD;
        input.ki.wScan = static_cast<unsigned char>(c);
        input.ki.dwFlags = KEYEVENTF_UNICODE;
    }
    inputs[1].ki.dwFlags |= KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof(INPUT));
}

} // namespace

HWND WaitForWindow(const char* caption, DWORD timeoutMs)
{
    return WaitForMatchingWindow([caption](HWND window) { return WindowText(window) == caption; },
                                 timeoutMs);
}

HWND WaitForOwnedWindow(HWND owner, DWORD timeoutMs)
{
    return WaitForMatchingWindow(
        [owner](HWND window) { return GetWindow(window, GW_OWNER) == owner; }, timeoutMs);
}

bool WaitUntilGone(HWND window, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (IsWindow(window)) {
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(kPollMs);
    }
    return true;
}

void PressKey(WORD virtualKey)
{
    SendKey(virtualKey, false);
    SendKey(virtualKey, true);
    Sleep(kInputPauseMs);
}

void PressKeyWithCtrl(WORD virtualKey)
{
    SendKey(VK_CONTROL, false);
    PressKey(virtualKey);
    SendKey(VK_CONTROL, true);
    Sleep(kInputPauseMs);
}

void TypeText(const std::string& text)
{
    for (char c : text) {
        if (c == '\n')
            PressKey(VK_RETURN);
        else
            SendCharacter(c);
        Sleep(kInputPauseMs);
    }
}

void ClickCenter(HWND window)
{
    RECT rect;
    GetWindowRect(window, &rect);
    SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, inputs, sizeof(INPUT));
    Sleep(kInputPauseMs);
}

std::string WindowText(HWND window)
{
    int length = GetWindowTextLengthA(window);
    std::vector<char> text(length + 1);
    GetWindowTextA(window, text.data(), length + 1);
    return text.data();
}
