// Closes the card window from inside its modal loop, so that tests can
// finish scenes; remembers how many cards it closed and what a check run
// at that moment found.
#pragma once

#include <windows.h>

#include <cstring>
#include <functional>

#include "card/card_dialog.h"

class CardCloser {
public:
  // `atCard` runs while the card is open, before it is closed.
  explicit CardCloser(std::function<void()> atCard = nullptr) : atCard(atCard) {
    current = this;
    timer = SetTimer(nullptr, 0, 20, OnTimer);
  }
  ~CardCloser() {
    KillTimer(nullptr, timer);
    current = nullptr;
  }
  CardCloser(const CardCloser&) = delete;
  CardCloser& operator=(const CardCloser&) = delete;

  int cardsClosed = 0;

private:
  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
    EnumThreadWindows(GetCurrentThreadId(), CloseCard, 0);
  }
  static BOOL CALLBACK CloseCard(HWND window, LPARAM) {
    char className[16] = {};
    GetClassNameA(window, className, sizeof(className));
    if (current && strcmp(className, "#32770") == 0 && IsWindowVisible(window)) {
      current->cardsClosed++;
      if (current->atCard) {
        current->atCard();
      }
      CloseCardDialog(window);
      // Wakes the modal loop, which otherwise notices the end only at its next message.
      PostMessageA(window, WM_NULL, 0, 0);
    }
    return TRUE;
  }

  static inline CardCloser* current = nullptr;
  UINT_PTR timer = 0;
  std::function<void()> atCard;
};

// A hidden window standing in for the application's host window.
class HostWindow {
public:
  HostWindow() {
    window = CreateWindowExA(0, "STATIC", "Cardling", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
  }
  ~HostWindow() {
    if (IsWindow(window)) {
      DestroyWindow(window);
    }
  }
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;

  HWND window = nullptr;
};
