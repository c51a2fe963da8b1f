// The greeting on the gift tag: the largest of a few Arial sizes at which the
// whole message fits its box, and the word-wrapped layout that both tests a
// size and draws the text. Single-byte text; lines end in CR LF.
#pragma once

#include <windows.h>

struct MessageFont {
  HFONT font = nullptr;       // owned; null until FitMessageFont has run
  BOOL smallestSize = FALSE;  // the last size of the table: words may be cut

  MessageFont() = default;
  ~MessageFont();
  MessageFont(const MessageFont&) = delete;
  MessageFont& operator=(const MessageFont&) = delete;
};

// Point sizes tried, largest first.
constexpr int kMessagePointSizes[] = {36, 24, 16, 12, 8};

// Picks the largest size at which `text` fits a box of the given size on
// the screen; the smallest size when none does (an empty text included).
void FitMessageFont(MessageFont* holder, const char* text, int boxWidth, int boxHeight);

// Lays `text` out in `box` with the holder's font, drawing it in `colour`
// on a transparent background when `draw` is TRUE. TRUE when every line was
// placed; FALSE when a line ran out of height or, above the smallest size,
// a word was wider than the box; FALSE for a null or empty text. Tabs count
// as spaces; a lone LF is an ordinary character.
BOOL DrawWrappedText(MessageFont* holder, const char* text, COLORREF colour, HDC hdc,
                     const RECT* box, BOOL draw);

// The recursive layout behind DrawWrappedText: `area->top` is the top of the
// current line and moves down as lines are placed. `text` is changed in place.
BOOL WrapLines(MessageFont* holder, HDC hdc, RECT* area, char* text, BOOL draw);
