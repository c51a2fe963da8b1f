#include "gfx/palette.h"

#include "gfx/dib.h"
#include "gfx/fig_image.h"

// One shared palette per process, and the one slot that remembers what a
// selection replaced (hence selections never nest).
static HPALETTE sharedPalette;
static HPALETTE previousPalette;
static HINSTANCE paletteInstance;
static HWND hostWindow;

void InitSharedPalette(HINSTANCE instance, HWND host) {
  paletteInstance = instance;
  HGLOBAL dib = LoadDibResource(instance, "IDB_PAL", "DIB");
  sharedPalette = CreateDibPalette(static_cast<const BITMAPINFOHEADER*>(GlobalLock(dib)));
  GlobalUnlock(dib);
  GlobalFree(dib);
  hostWindow = host;
  RealizeSharedPalette(hostWindow);
}

void DeleteSharedPalette() {
  DeleteObject(sharedPalette);
  // Cleared so that a later replacement or selection can't reach a stale handle.
  sharedPalette = nullptr;
}

void LoadSharedPaletteFromFig(LPCSTR name) {
  DeleteSharedPalette();
  sharedPalette = FigLoadPalette(paletteInstance, name);
  if (sharedPalette && IsWindow(hostWindow)) {
    RealizeSharedPalette(hostWindow);
  }
}

HPALETTE GetSharedPalette() {
  return sharedPalette;
}

void RealizeSharedPalette(HWND window) {
  HDC dc = GetDC(window);
  previousPalette = SelectPalette(dc, sharedPalette, FALSE);
  RealizePalette(dc);
  SelectPalette(dc, previousPalette, FALSE);
  ReleaseDC(window, dc);
}

void RealizeSharedPaletteInHost() {
  RealizeSharedPalette(hostWindow);
}

void SelectSharedPalette(HDC dc) {
  previousPalette = SelectPalette(dc, sharedPalette, FALSE);
  RealizePalette(dc);
}

void RestorePalette(HDC dc) {
  SelectPalette(dc, previousPalette, FALSE);
}

LRESULT AnswerPaletteMessage(HWND window, UINT message, WPARAM wParam, BOOL isHostWindow) {
  // Our own realize caused it: answering would realize again for ever.
  if (message == WM_PALETTECHANGED && reinterpret_cast<HWND>(wParam) == window) {
    return 0;
  }
  HDC dc = GetDC(window);
  previousPalette = SelectPalette(dc, sharedPalette, FALSE);
  UINT changed = RealizePalette(dc);
  SelectPalette(dc, previousPalette, FALSE);
  if (isHostWindow) {
    RealizePalette(dc);
  }
  ReleaseDC(window, dc);
  if (changed == GDI_ERROR) {
    changed = 0;
  }
  if (changed > 0) {
    InvalidateRect(window, nullptr, TRUE);
  }
  return changed;
}
