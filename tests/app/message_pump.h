// The test thread's message loop, run for a set time.
#pragma once

#include <windows.h>

// Dispatches messages for `ms`; stops early on WM_QUIT, giving its code to
// *quitCode. Returns how many ticks of timer 1 went to `host`.
inline int PumpMessages(DWORD ms, HWND host = nullptr, WPARAM* quitCode = nullptr) {
    int ticks = 0;
    DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        MSG msg;
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            continue;
        }
        if (msg.message == WM_QUIT) {
            if (quitCode) {
                *quitCode = msg.wParam;
            }
            return ticks;
        }
        if (msg.message == WM_TIMER && msg.hwnd == host && msg.wParam == 1) {
            ticks++;
        }
        DispatchMessageA(&msg);
    }
    return ticks;
}
