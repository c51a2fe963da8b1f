#include "gfx/palette.h"

#include <gtest/gtest.h>

#include "tests/gfx/gdi_test_util.h"

namespace {

HINSTANCE Module() {
  return GetModuleHandleA(nullptr);
}

bool IsPaletteDisplay() {
  return ScreenBitsPerPixel() == 8;
}

// While false, the test windows leave palette messages to DefWindowProc, so that a
// test can change the system palette without the windows taking it back at once.
bool answering = true;

LRESULT CALLBACK PaletteWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (answering && (message == WM_PALETTECHANGED || message == WM_QUERYNEWPALETTE)) {
    return AnswerPaletteMessage(window, message, wParam, GetWindowLongPtrA(window, GWLP_USERDATA) != 0);
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// A visible popup that answers palette messages as the host window (isHost)
// or as a stage window / the card dialog do.
class PaletteWindow {
 public:
  PaletteWindow(bool isHost, int x) {
    static ATOM atom = [] {
      WNDCLASSA windowClass = {};
      windowClass.style = CS_OWNDC;
      windowClass.lpfnWndProc = PaletteWindowProc;
      windowClass.hInstance = Module();
      windowClass.lpszClassName = "gfx_test_palette";
      return RegisterClassA(&windowClass);
    }();
    (void)atom;
    window_ = CreateWindowA("gfx_test_palette", "", WS_POPUP, x, 0, 60, 40, nullptr, nullptr, Module(),
                            nullptr);
    SetWindowLongPtrA(window_, GWLP_USERDATA, isHost);
    ShowWindow(window_, SW_SHOWNOACTIVATE);
    ValidateRect(window_, nullptr);
  }
  // Hidden first: Wine takes two seconds to destroy the active window otherwise.
  ~PaletteWindow() {
    ShowWindow(window_, SW_HIDE);
    DestroyWindow(window_);
  }
  PaletteWindow(const PaletteWindow&) = delete;
  PaletteWindow& operator=(const PaletteWindow&) = delete;
  HWND get() const { return window_; }
  bool Invalidated() const { return GetUpdateRect(window_, nullptr, FALSE) != 0; }

 private:
  HWND window_;
};

// Another application's palette: none of its entries is in the test palette.
HPALETTE MakeRivalPalette(int seed) {
  struct {
    WORD version, entries;
    PALETTEENTRY colours[256];
  } logical = {0x300, 256, {}};
  for (int i = 0; i < 256; i++) {
    logical.colours[i] = {BYTE(255 - i), BYTE(i * 3 + seed), BYTE(i ^ 0x55), 0};
  }
  return CreatePalette(reinterpret_cast<LOGPALETTE*>(&logical));
}

void RealizeIn(HWND window, HPALETTE palette) {
  HDC dc = GetDC(window);
  HPALETTE old = SelectPalette(dc, palette, FALSE);
  RealizePalette(dc);
  SelectPalette(dc, old, FALSE);
  ReleaseDC(window, dc);
}

TEST(SharedPalette, IsBuiltFromIdbPalAndDeleted) {
  PaletteWindow host(true, 0);
  InitSharedPalette(Module(), host.get());
  HPALETTE palette = GetSharedPalette();
  ExpectTestPalette(palette);
  DeleteSharedPalette();
  EXPECT_EQ(GetObjectType(palette), 0u);
  EXPECT_EQ(GetSharedPalette(), nullptr);
}

TEST(SharedPalette, StaysNullWithoutIdbPal) {
  PaletteWindow host(true, 0);
  InitSharedPalette(GetModuleHandleA("user32.dll"), host.get());
  EXPECT_EQ(GetSharedPalette(), nullptr);
  // Drawing goes on with whatever palette the DC has.
  RealizeSharedPaletteInHost();
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ before = GetCurrentObject(dc, OBJ_PAL);
  SelectSharedPalette(dc);
  RestorePalette(dc);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PAL), before);
  DeleteDC(dc);
  DeleteSharedPalette();
}

TEST(SharedPalette, SelectionsPutThePreviousPaletteBack) {
  PaletteWindow host(true, 0);
  InitSharedPalette(Module(), host.get());
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ initial = GetCurrentObject(dc, OBJ_PAL);
  SelectSharedPalette(dc);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PAL), GetSharedPalette());
  RestorePalette(dc);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PAL), initial);
  DeleteDC(dc);

  // The window's own DC (CS_OWNDC) is left as it was.
  HDC own = GetDC(host.get());
  HGDIOBJ ownPalette = GetCurrentObject(own, OBJ_PAL);
  RealizeSharedPalette(host.get());
  RealizeSharedPaletteInHost();
  EXPECT_EQ(GetCurrentObject(own, OBJ_PAL), ownPalette);
  ReleaseDC(host.get(), own);
  DeleteSharedPalette();
}

TEST(SharedPalette, IsReplacedByThePaletteOfAFigResource) {
  PaletteWindow host(true, 0);
  InitSharedPalette(Module(), host.get());
  HPALETTE fromDib = GetSharedPalette();
  LoadSharedPaletteFromFig(MAKEINTRESOURCEA(900));
  EXPECT_EQ(GetObjectType(fromDib), 0u);  // the old one is deleted first
  ExpectTestPalette(GetSharedPalette());

  LoadSharedPaletteFromFig(MAKEINTRESOURCEA(901));  // not a FIG image
  EXPECT_EQ(GetSharedPalette(), nullptr);
  DeleteSharedPalette();
}

TEST(PaletteMessages, OwnChangeIsIgnoredAndOnlyChangedEntriesRepaint) {
  PaletteWindow host(true, 0);
  PaletteWindow stage(false, 100);
  InitSharedPalette(Module(), host.get());
  PaletteWindow other(false, 200);  // another program's window

  int seed = 1;
  for (PaletteWindow* window : {&host, &stage}) {
    // Realized already, or realized now: a second answer changes nothing.
    SetForegroundWindow(window->get());
    SendMessageA(window->get(), WM_QUERYNEWPALETTE, 0, 0);
    ValidateRect(window->get(), nullptr);
    EXPECT_EQ(SendMessageA(window->get(), WM_QUERYNEWPALETTE, 0, 0), 0);
    EXPECT_FALSE(window->Invalidated());

    // Another program in the foreground realizes a new palette while our windows
    // look away: that changes the system palette.
    answering = false;
    SetForegroundWindow(other.get());
    HPALETTE rival = MakeRivalPalette(seed++);
    RealizeIn(other.get(), rival);
    answering = true;
    ValidateRect(window->get(), nullptr);

    // The window's own change: no realize, no repaint...
    EXPECT_EQ(SendMessageA(window->get(), WM_PALETTECHANGED, WPARAM(window->get()), 0), 0);
    EXPECT_FALSE(window->Invalidated());

    // ...so the entries are still the rival's, and another program's change
    // makes the window take them back and repaint.
    LRESULT changed = SendMessageA(window->get(), WM_PALETTECHANGED, WPARAM(other.get()), 0);
    if (IsPaletteDisplay()) {
      EXPECT_GT(changed, 0);
      EXPECT_TRUE(window->Invalidated());
    } else {
      EXPECT_EQ(changed, 0);
      EXPECT_FALSE(window->Invalidated());
    }
    DeleteObject(rival);
  }
  DeleteSharedPalette();
}

}  // namespace
