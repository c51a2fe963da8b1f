#include "stage/message_layout.h"

#include <cstdlib>
#include <cstring>

MessageFont::~MessageFont() {
  if (font) {
    DeleteObject(font);
  }
}

void FitMessageFont(MessageFont* holder, const char* text, int boxWidth, int boxHeight) {
  HDC screen = GetDC(nullptr);
  RECT box = {0, 0, boxWidth, boxHeight};
  int sizeCount = int(sizeof(kMessagePointSizes) / sizeof(kMessagePointSizes[0]));
  for (int i = 0; i < sizeCount; i++) {
    if (holder->font) {
      DeleteObject(holder->font);
    }
    LOGFONTA logFont = {};
    logFont.lfHeight = -MulDiv(kMessagePointSizes[i], GetDeviceCaps(screen, LOGPIXELSY), 72);
    strcpy(logFont.lfFaceName, "Arial");
    holder->font = CreateFontIndirectA(&logFont);
    holder->smallestSize = i == sizeCount - 1;
    if (DrawWrappedText(holder, text, RGB(0, 0, 0), screen, &box, FALSE)) {
      break;
    }
  }
  ReleaseDC(nullptr, screen);
}

BOOL DrawWrappedText(MessageFont* holder, const char* text, COLORREF colour, HDC hdc,
                     const RECT* box, BOOL draw) {
  if (!text || !*text) {
    return FALSE;
  }
  char* copy = _strdup(text);
  if (!copy) {
    return FALSE;
  }
  for (char* c = copy; *c; c++) {
    if (*c == '\t') {
      *c = ' ';
    }
  }
  RECT area = *box;
  int oldMode = SetBkMode(hdc, TRANSPARENT);
  COLORREF oldColour = SetTextColor(hdc, colour);
  HGDIOBJ oldFont = SelectObject(hdc, holder->font);
  BOOL result = WrapLines(holder, hdc, &area, copy, draw);
  SelectObject(hdc, oldFont);
  SetTextColor(hdc, oldColour);
  SetBkMode(hdc, oldMode);
  free(copy);
  return result;
}

static int TextWidth(HDC hdc, const char* text, int length) {
  SIZE size = {};
  GetTextExtentPoint32A(hdc, text, length, &size);
  return size.cx;
}

// Length of the longest start of `text` that fits `room`: the line before
// the rightmost space that fits (a leading space is no break point), or, when
// `cutWords`, the most characters that fit. 0 when nothing fits.
static int FitLine(HDC hdc, const char* text, int length, int room, BOOL cutWords) {
  for (int i = length - 1; i > 0; i--) {
    if (text[i] == ' ' && TextWidth(hdc, text, i) <= room) {
      return i;
    }
  }
  if (!cutWords) {
    return 0;
  }
  for (int n = length; n > 0; n--) {
    if (TextWidth(hdc, text, n) <= room) {
      return n;
    }
  }
  return 0;
}

BOOL WrapLines(MessageFont* holder, HDC hdc, RECT* area, char* text, BOOL draw) {
  if (!*text) {
    return TRUE;
  }
  int length = int(strlen(text));
  SIZE extent = {};
  GetTextExtentPoint32A(hdc, text, length, &extent);
  int lineHeight = extent.cy;

  char* cr = strchr(text, '\r');
  if (cr) {
    *cr = '\0';
    char* rest = cr[1] == '\n' ? cr + 2 : cr + 1;
    if (!WrapLines(holder, hdc, area, text, draw)) {
      return FALSE;
    }
    area->top += lineHeight;
    return WrapLines(holder, hdc, area, rest, draw);
  }

  int x = area->left;
  int y = area->top;
  int room = area->right - area->left;
  if (lineHeight > area->bottom - y) {
    return FALSE;
  }
  if (extent.cx <= room) {
    if (draw) {
      TextOutA(hdc, x, y, text, length);
    }
    return TRUE;
  }

  int lineLength = FitLine(hdc, text, length, room, holder->smallestSize);
  if (lineLength == 0) {
    // Above the smallest size a smaller font may still fit the word; at the
    // smallest, not even one character fits and the rest is left out.
    return holder->smallestSize;
  }
  area->top = y + lineHeight;
  char* rest = text + lineLength;
  while (*rest == ' ') {
    rest++;
  }
  BOOL result = WrapLines(holder, hdc, area, rest, draw);
  if (draw) {
    TextOutA(hdc, x, y, text, lineLength);
  }
  return result;
}
