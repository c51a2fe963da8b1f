// The card window: a skinned modal dialog with the card picture, a looping
// animation along its bottom band, five link spots that open web pages and
// an edit area that starts the personalised copy. One card per process; its
// state is module-level.
#pragma once

#include <windows.h>

// Dialog resource of the card.
constexpr int kCardDialogId = 107;

// Timer 1 of the card window counts idle seconds; the card closes at the
// 120th. Timer 2 drives the animation.
constexpr UINT_PTR kCardIdleTimer = 1;
constexpr UINT kCardIdlePeriod = 1000;
constexpr int kCardIdleLimit = 120;
constexpr UINT_PTR kCardAnimationTimer = 2;
constexpr UINT kCardAnimationPeriod = 50;

// Runs the card modally, owned by hostWindow, after stopping the host's tick
// timer. Both texts are inserted into the link addresses and must stay alive
// while the card is open. Returns 1 after a normal close, 0 when a card
// already holds its resources.
int ShowCardDialog(HINSTANCE instance, HWND hostWindow, const char* sceneName,
                   const char* characterSetName);

INT_PTR CALLBACK CardDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Releases what the card holds (safe to call more than once) and ends the
// dialog with result 1. It does not tell the host window: callers that end
// the application post WM_CLOSE to CardHostWindow() themselves.
void CloseCardDialog(HWND window);

// The module and the host window the open card was given.
HINSTANCE CardInstance();
HWND CardHostWindow();

// Sizes the window so that its client area is clientWidth x clientHeight and
// centres it on the primary display.
void CenterClientOnScreen(HWND window, int clientWidth, int clientHeight);

// Text of the CONFIG resource `id` of the card's module; FALSE with an empty
// buffer when there is none.
BOOL ReadConfigString(unsigned id, char* buffer, int size);

// Plays FIG 1201 in the bottom band; FALSE when the card runs without it.
BOOL StartCardAnimation(HINSTANCE instance, HWND window);
