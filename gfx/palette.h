// The one process-wide logical palette every picture of the card is drawn
// through, and the rule by which the card's windows answer palette messages.
#pragma once

#include <windows.h>

// Builds the shared palette from the "IDB_PAL" DIB resource of `instance` and
// realizes it in `hostWindow`. Called once, after the host window exists.
void InitSharedPalette(HINSTANCE instance, HWND hostWindow);

// Deletes the shared palette; later selections select nothing.
void DeleteSharedPalette();

// Replaces the shared palette by the palette of FIG resource `name` of the
// instance given to InitSharedPalette and realizes it in the host window.
// When the resource cannot be read the shared palette becomes null.
void LoadSharedPaletteFromFig(LPCSTR name);

// The current shared palette (null when none could be built).
HPALETTE GetSharedPalette();

// Realizes the shared palette in the window's DC and leaves the DC as it was.
void RealizeSharedPalette(HWND window);
void RealizeSharedPaletteInHost();

// Selects the shared palette into `dc` and realizes it; RestorePalette puts the
// replaced palette back. One slot for the whole process: these calls never nest.
void SelectSharedPalette(HDC dc);
void RestorePalette(HDC dc);

// Answer to WM_PALETTECHANGED and WM_QUERYNEWPALETTE for the host window
// (`isHostWindow` TRUE), the stage windows and the card dialog: realizes the
// shared palette in `window`, invalidates it when system palette entries
// changed, and returns what the window procedure returns (entries changed).
LRESULT AnswerPaletteMessage(HWND window, UINT message, WPARAM wParam, BOOL isHostWindow);
