// Fitting and word wrap of the greeting with the real fonts of the system.
// Under Wine "Arial" resolves to Liberation Sans, which has Arial's metrics;
// the figures below are those metrics at 96 dots per inch.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "stage/message_layout.h"
#include "tests/stage/sprites_canvas.h"

namespace {

constexpr int kTagWidth = 174;
constexpr int kTagHeight = 151;

int LogPixelsY() {
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi;
}

HFONT ArialAt(int points) {
  LOGFONTA logFont = {};
  logFont.lfHeight = -MulDiv(points, LogPixelsY(), 72);
  strcpy(logFont.lfFaceName, "Arial");
  return CreateFontIndirectA(&logFont);
}

int PointsOf(HFONT font) {
  LOGFONTA logFont = {};
  GetObjectA(font, sizeof(logFont), &logFont);
  for (int points : kMessagePointSizes) {
    if (logFont.lfHeight == -MulDiv(points, LogPixelsY(), 72)) {
      return points;
    }
  }
  return 0;
}

SIZE Measure(HFONT font, const char* text) {
  Canvas canvas(1, 1);
  HGDIOBJ old = SelectObject(canvas.dc, font);
  SIZE size = {};
  GetTextExtentPoint32A(canvas.dc, text, int(strlen(text)), &size);
  SelectObject(canvas.dc, old);
  return size;
}

// The holder with a font of the given size, as FitMessageFont leaves it.
void UseSize(MessageFont* holder, int points) {
  if (holder->font) {
    DeleteObject(holder->font);
  }
  holder->font = ArialAt(points);
  holder->smallestSize = points == kMessagePointSizes[4];
}

std::string Lines(int count) {
  std::string text;
  for (int i = 0; i < count; i++) {
    text += i ? "\r\nab" : "ab";
  }
  return text;
}

TEST(MessageFontFace, ArialOrItsMetricTwinIsSelected) {
  MessageFont holder;
  FitMessageFont(&holder, "Joyeux Noel", kTagWidth, kTagHeight);
  Canvas canvas(1, 1);
  HGDIOBJ old = SelectObject(canvas.dc, holder.font);
  char face[LF_FACESIZE] = {};
  GetTextFaceA(canvas.dc, sizeof(face), face);
  SelectObject(canvas.dc, old);
  EXPECT_TRUE(std::string(face) == "Arial" || std::string(face) == "Liberation Sans") << face;

  ASSERT_EQ(LogPixelsY(), 96);
  HFONT big = ArialAt(36);
  SIZE size = Measure(big, "Joyeux Noel");
  DeleteObject(big);
  EXPECT_EQ(size.cx, 266);
  EXPECT_EQ(size.cy, 53);
}

TEST(MessageFontFace, LineHeightsOfTheFiveSizes) {
  const int heights[] = {53, 36, 23, 17, 12};
  for (int i = 0; i < 5; i++) {
    HFONT font = ArialAt(kMessagePointSizes[i]);
    EXPECT_EQ(Measure(font, "ab").cy, heights[i]) << kMessagePointSizes[i] << " pt";
    DeleteObject(font);
  }
}

struct FitCase {
  const char* name;
  std::string text;
  int points;
  BOOL smallest;
};

TEST(FitMessageFont, PicksTheLargestSizeThatHoldsTheWholeText) {
  const std::string longWord(30, 'W');
  const FitCase cases[] = {
      {"short line", "Hi", 36, FALSE},
      // Neither of its lines fits 174 pixels at 24 points.
      {"the card's own message", "Joyeux No\xEBl\r\n---------------------", 16, FALSE},
      {"two lines", Lines(2), 36, FALSE},
      {"three lines", Lines(3), 24, FALSE},
      {"four lines", Lines(4), 24, FALSE},
      {"five lines", Lines(5), 16, FALSE},
      {"six lines", Lines(6), 16, FALSE},
      {"seven lines", Lines(7), 12, FALSE},
      {"eight lines", Lines(8), 12, FALSE},
      {"nine lines", Lines(9), 8, TRUE},
      {"a word too wide at every size", longWord, 8, TRUE},
      {"soft breaks onto two lines", "Merry Christmas", 24, FALSE},
      {"empty", "", 8, TRUE},
      {"255 characters", std::string(255, 'x'), 8, TRUE},
  };
  for (const FitCase& c : cases) {
    MessageFont holder;
    FitMessageFont(&holder, c.text.c_str(), kTagWidth, kTagHeight);
    ASSERT_NE(holder.font, nullptr) << c.name;
    EXPECT_EQ(PointsOf(holder.font), c.points) << c.name;
    EXPECT_EQ(holder.smallestSize, c.smallest) << c.name;
  }
}

TEST(FitMessageFont, RefittingReplacesTheFont) {
  MessageFont holder;
  FitMessageFont(&holder, "Hi", kTagWidth, kTagHeight);
  HFONT first = holder.font;
  FitMessageFont(&holder, Lines(9).c_str(), kTagWidth, kTagHeight);
  EXPECT_EQ(GetObjectType(first), 0u);
  EXPECT_EQ(PointsOf(holder.font), 8);
}

struct MeasureCase {
  const char* name;
  const char* text;
  int points;
  int boxHeightInLines;
  BOOL fits;
};

TEST(DrawWrappedText, WhatFitsABox) {
  const MeasureCase cases[] = {
      {"one line in one line", "ab", 16, 1, TRUE},
      {"a CR LF needs a second line", "ab\r\ncd", 16, 1, FALSE},
      {"a lone LF is no break", "ab\ncd", 16, 1, TRUE},
      {"a lone CR is a break", "ab\rcd", 16, 1, FALSE},
      {"a trailing CR LF takes no room", "ab\r\n", 16, 1, TRUE},
      {"an empty line takes a line", "ab\r\n\r\ncd", 16, 2, FALSE},
      {"an empty line in three lines", "ab\r\n\r\ncd", 16, 3, TRUE},
      {"a too wide word above the smallest size", "WWWWWWWWWWWWWWWWWWWWWWWWWWWWWW", 12, 9, FALSE},
      {"a too wide word at the smallest size is cut", "WWWWWWWWWWWWWWWWWWWWWWWWWWWWWW", 8, 2, TRUE},
      {"the cut word needs its second line", "WWWWWWWWWWWWWWWWWWWWWWWWWWWWWW", 8, 1, FALSE},
      {"empty text", "", 36, 3, FALSE},
  };
  for (const MeasureCase& c : cases) {
    MessageFont holder;
    UseSize(&holder, c.points);
    int lineHeight = Measure(holder.font, "ab").cy;
    RECT box = {0, 0, kTagWidth, lineHeight * c.boxHeightInLines};
    Canvas canvas(kTagWidth, kTagHeight);
    EXPECT_EQ(DrawWrappedText(&holder, c.text, RGB(0, 0, 0), canvas.dc, &box, FALSE), c.fits)
        << c.name;
    RECT ink = canvas.Ink();
    EXPECT_TRUE(IsRectEmpty(&ink)) << c.name << ": drew while measuring";
  }
  EXPECT_FALSE(DrawWrappedText(nullptr, nullptr, RGB(0, 0, 0), nullptr, nullptr, FALSE));
}

struct Line {
  int row;  // in line heights from the box's top
  const char* text;
};

struct DrawCase {
  const char* name;
  const char* text;
  int points;
  int boxHeight;
  BOOL result;
  std::vector<Line> lines;
};

// Draws the expected lines one by one at the box's left edge.
void DrawReference(Canvas* canvas, HFONT font, const RECT& box, const std::vector<Line>& lines) {
  HGDIOBJ old = SelectObject(canvas->dc, font);
  SetBkMode(canvas->dc, TRANSPARENT);
  SetTextColor(canvas->dc, RGB(0, 0, 0));
  int lineHeight = Measure(font, "ab").cy;
  for (const Line& line : lines) {
    TextOutA(canvas->dc, box.left, box.top + line.row * lineHeight, line.text,
             int(strlen(line.text)));
  }
  SelectObject(canvas->dc, old);
}

TEST(DrawWrappedText, DrawsTheLinesWhereTheyBelong) {
  const DrawCase cases[] = {
      {"one line at the top-left corner", "Hi", 36, kTagHeight, TRUE, {{0, "Hi"}}},
      {"too wide for one line at 36 points", "Joyeux Noel", 36, kTagHeight, TRUE,
       {{0, "Joyeux"}, {1, "Noel"}}},
      {"hard breaks", "Joyeux\r\nNoel", 24, kTagHeight, TRUE, {{0, "Joyeux"}, {1, "Noel"}}},
      {"an empty line between two words", "Joyeux\r\n\r\nNoel", 24, kTagHeight, TRUE,
       {{0, "Joyeux"}, {2, "Noel"}}},
      {"soft break at the rightmost space that fits", "Merry Christmas to you", 16, kTagHeight,
       TRUE, {{0, "Merry Christmas"}, {1, "to you"}}},
      {"a run of spaces at a break is skipped", "aaaa aaaa aaaa     bbbb", 16, kTagHeight, TRUE,
       {{0, "aaaa aaaa aaaa"}, {1, "bbbb"}}},
      {"a tab is a space", "aaaa aaaa aaaa\t\tbbbb", 16, kTagHeight, TRUE,
       {{0, "aaaa aaaa aaaa"}, {1, "bbbb"}}},
      {"a too wide word is cut at the smallest size", "WWWWWWWWWWWWWWWWWWWWWWWWWWWWWW", 8,
       kTagHeight, TRUE, {{0, "WWWWWWWWWWWWWWWWW"}, {1, "WWWWWWWWWWWWW"}}},
      {"lines below the box are dropped", "1\r\n2\r\n3\r\n4", 24, 36 * 2 + 10, FALSE,
       {{0, "1"}, {1, "2"}}},
      {"a soft-broken line is drawn even when the rest does not fit",
       "Merry Christmas to you", 16, 30, FALSE, {{0, "Merry Christmas"}}},
  };
  for (const DrawCase& c : cases) {
    MessageFont holder;
    UseSize(&holder, c.points);
    // Off the DC's origin, to see that lines follow the box.
    RECT box = {7, 5, 7 + kTagWidth, 5 + c.boxHeight};
    Canvas drawn(200, 200);
    Canvas expected(200, 200);
    EXPECT_EQ(DrawWrappedText(&holder, c.text, RGB(0, 0, 0), drawn.dc, &box, TRUE), c.result)
        << c.name;
    DrawReference(&expected, holder.font, box, c.lines);
    EXPECT_TRUE(drawn.SameAs(expected)) << c.name;
    RECT ink = drawn.Ink();
    EXPECT_FALSE(IsRectEmpty(&ink)) << c.name;
  }
}

TEST(DrawWrappedText, LeavesTheDcAsItWas) {
  MessageFont holder;
  UseSize(&holder, 12);
  Canvas canvas(200, 200);
  HFONT other = ArialAt(30);
  SelectObject(canvas.dc, other);
  SetBkMode(canvas.dc, OPAQUE);
  SetTextColor(canvas.dc, RGB(1, 2, 3));
  RECT box = {0, 0, kTagWidth, kTagHeight};
  DrawWrappedText(&holder, "Hi", RGB(0, 0, 0), canvas.dc, &box, TRUE);
  EXPECT_EQ(GetCurrentObject(canvas.dc, OBJ_FONT), other);
  EXPECT_EQ(GetBkMode(canvas.dc), OPAQUE);
  EXPECT_EQ(GetTextColor(canvas.dc), RGB(1, 2, 3));
  SelectObject(canvas.dc, GetStockObject(SYSTEM_FONT));
  DeleteObject(other);
}

}  // namespace
