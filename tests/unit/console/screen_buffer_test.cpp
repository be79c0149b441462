// The screen buffer: writing with control characters and the pending wrap,
// scrolling by both paths, painting by runs, colours, cursor and clearing.
#include <string>

#include "console_test_support.h"

namespace console_test {
namespace {

using console::CursorColumn;
using console::CursorRow;
using console::WriteChars;

class ScreenBufferTest : public RecordingConsoleTest {};

struct WriteCase {
  const char* name;
  std::string bytes;
  std::string row1;  // expected start of row 1
  std::string row2;  // expected start of row 2
  int column, row;   // expected cursor afterwards
};

TEST_F(ScreenBufferTest, WriteCharsCases) {
  const std::string eighty(80, 'x');
  const WriteCase cases[] = {
      {"80 printable leave the wrap pending", eighty, eighty, "  ", 81, 1},
      {"CR LF after 80 breaks once", eighty + "\r\n", eighty, "  ", 1, 2},
      {"the 81st goes to the next row", eighty + "y", eighty, "y ", 2, 2},
      {"TAB and other controls are dropped", std::string("a\tb\x01\x0b\x0c\x1b\x1f\x00", 9), "ab ", "  ", 3, 1},
      {"BS at column 1 does nothing", "\b", "  ", "  ", 1, 1},
      {"BS blanks the cell to the left", "abc\b", "ab ", "  ", 3, 1},
      {"BS with the wrap pending", eighty + "\b", std::string(79, 'x') + " ", "  ", 80, 1},
      {"CR returns to column 1", "abc\rXY", "XYc", "  ", 3, 1},
      {"LF starts the next row at column 1", "ab\ncd", "ab", "cd", 3, 2},
      {"BEL is not stored", "a\ab", "ab ", "  ", 3, 1},
      {"cp1252 letters are stored", "\xe7\xe3o", "\xe7\xe3o", "  ", 4, 1},
  };
  for (const WriteCase& c : cases) {
    SCOPED_TRACE(c.name);
    console::ResetConsoleForTests();
    WriteChars(c.bytes);
    EXPECT_EQ(RowStart(1, c.row1.size()), c.row1);
    EXPECT_EQ(RowStart(2, c.row2.size()), c.row2);
    EXPECT_EQ(CursorColumn(), c.column);
    EXPECT_EQ(CursorRow(), c.row);
  }
}

TEST_F(ScreenBufferTest, BelBeepsWithoutMovingTheCursor) {
  Open();
  WriteChars("\a");
  EXPECT_EQ(rec_->events, (std::vector<std::string>{"beep"}));
  EXPECT_EQ(CursorColumn(), 1);
}

TEST_F(ScreenBufferTest, OneWriteRepaintsItsWholeSpanOnce) {
  Open();
  WriteChars("abc\rXY");
  ASSERT_EQ(rec_->draws.size(), 1u);
  EXPECT_EQ(rec_->draws[0].cells, "XYc");
  EXPECT_EQ(rec_->draws[0].x, 0);
  EXPECT_EQ(rec_->draws[0].y, 0);
}

TEST_F(ScreenBufferTest, PaintingDrawsOneCallPerRunOfEqualAttributes) {
  Open();
  WriteChars("ab");
  console::SetBackground(1);
  WriteChars("cd");
  console::SetBackground(0);
  WriteChars("e");
  rec_->draws.clear();
  console::ConsoleWindowProc({platform::kMsgPaint, false, 0, 0, {0, 0, 640, 16}});
  ASSERT_EQ(rec_->draws.size(), 3u);
  EXPECT_EQ(rec_->draws[0].cells, "ab");
  EXPECT_EQ(rec_->draws[1].cells, "cd");
  EXPECT_EQ(rec_->draws[1].x, 16);
  EXPECT_EQ(rec_->draws[1].background, (platform::Rgb{0, 0, 255}));
  EXPECT_EQ(rec_->draws[1].foreground, (platform::Rgb{255, 255, 255}));
  EXPECT_EQ(rec_->draws[2].cells, "e" + std::string(75, ' '));
  EXPECT_EQ(rec_->draws[2].background, (platform::Rgb{0, 0, 0}));
}

TEST_F(ScreenBufferTest, PaintMessageCoversTheCellsOfItsRectangle) {
  Open();
  // Cells are 8 x 16: pixels 9..17 x 17..33 touch columns 1..2 of rows 1..2.
  console::ConsoleWindowProc({platform::kMsgPaint, false, 0, 0, {9, 17, 17, 33}});
  ASSERT_EQ(rec_->draws.size(), 2u);
  EXPECT_EQ(rec_->draws[0].x, 8);
  EXPECT_EQ(rec_->draws[0].y, 16);
  EXPECT_EQ(rec_->draws[0].cells.size(), 2u);
  EXPECT_EQ(rec_->draws[1].y, 32);

  // A rectangle beyond the grid is cut to the 80 x 25 cells.
  rec_->draws.clear();
  console::ConsoleWindowProc({platform::kMsgPaint, false, 0, 0, {-50, -50, 5000, 5000}});
  ASSERT_EQ(rec_->draws.size(), 25u);
  EXPECT_EQ(rec_->draws[24].y, 24 * 16);
  EXPECT_EQ(rec_->draws[24].cells.size(), 80u);
}

TEST_F(ScreenBufferTest, LineFeedOnTheLastRowScrollsAndBlanksTheNewRow) {
  Open();
  console::MoveCursor(1, 24);
  WriteChars("row24\r\nrow25");
  console::SetBackground(2);
  WriteChars("\n");
  EXPECT_EQ(RowStart(23, 5), "row24");
  EXPECT_EQ(RowStart(24, 5), "row25");
  EXPECT_EQ(Row(25), std::string(80, ' '));
  EXPECT_EQ(console::ScreenAttrAt(1, 25), 0x2F);
  EXPECT_EQ(console::ScreenAttrAt(80, 25), 0x2F);
  EXPECT_EQ(console::ScreenAttrAt(1, 24), 0x0F);
  EXPECT_EQ(CursorRow(), 25);
  EXPECT_EQ(CursorColumn(), 1);
}

TEST_F(ScreenBufferTest, ScrollingInvalidatesTheWindowWithoutLento) {
  Open();
  console::MoveCursor(1, 25);
  WriteChars("\n");
  EXPECT_TRUE(rec_->scrolls.empty());
  ASSERT_EQ(rec_->invalidations.size(), 1u);
  EXPECT_FALSE(rec_->invalidations[0].first.has_value());
  EXPECT_FALSE(rec_->invalidations[0].second);
  // The repaint happens at once: every row is drawn again.
  EXPECT_EQ(rec_->draws.size(), 25u);
  EXPECT_FALSE(rec_->pendingInvalid.has_value());
}

struct LentoCase {
  const char* name;
  bool active;
  int windowBottom;
  bool pixelCopy;
};

TEST_F(ScreenBufferTest, LentoScrollsByPixelCopyOnlyWhereThePixelsAreValid) {
  const LentoCase cases[] = {
      {"active, well above the bottom", true, 400, true},
      {"active, 33 pixels above the screen bottom", true, 768 - 33, true},
      {"active, exactly 32 pixels above", true, 768 - 32, false},
      {"not active", false, 400, false},
  };
  for (const LentoCase& c : cases) {
    SCOPED_TRACE(c.name);
    console::ResetConsoleForTests();
    drive_.WriteSettings("[VIDEO]\nLENTO=sim\n");
    rec_->scrolls.clear();
    rec_->fills.clear();
    rec_->active = c.active;
    rec_->windowBottom = c.windowBottom;
    Open();
    console::SetBackground(4);
    console::MoveCursor(1, 25);
    WriteChars("\n");
    if (c.pixelCopy) {
      ASSERT_EQ(rec_->scrolls.size(), 1u);
      EXPECT_EQ(RecordingBackend::Text(rec_->scrolls[0].first), "0,16,640,400");
      EXPECT_EQ(rec_->scrolls[0].second, 16);
      ASSERT_EQ(rec_->fills.size(), 1u);
      EXPECT_EQ(RecordingBackend::Text(rec_->fills[0].first), "0,384,640,400");
      EXPECT_EQ(rec_->fills[0].second, (platform::Rgb{255, 0, 0}));
      EXPECT_TRUE(rec_->invalidations.empty());
    } else {
      EXPECT_TRUE(rec_->scrolls.empty());
      EXPECT_EQ(rec_->invalidations.size(), 1u);
    }
  }
}

TEST_F(ScreenBufferTest, MoveCursorClampsIntoTheTextWindow) {
  console::MoveCursor(10, 10);  // before the window exists: all zero
  EXPECT_EQ(CursorColumn(), 1);
  EXPECT_EQ(CursorRow(), 1);
  EXPECT_FALSE(rec_->windowExists);

  Open();
  const struct {
    std::int32_t column, row;
    int wantColumn, wantRow;
  } cases[] = {{0, 0, 1, 1}, {200, 99, 80, 25}, {5, 7, 5, 7}, {INT32_MIN, INT32_MAX, 1, 25}};
  for (const auto& c : cases) {
    console::MoveCursor(c.column, c.row);
    EXPECT_EQ(CursorColumn(), c.wantColumn);
    EXPECT_EQ(CursorRow(), c.wantRow);
  }
  EXPECT_TRUE(rec_->draws.empty());
}

TEST_F(ScreenBufferTest, ClearToLineEndBlanksFromTheCursorAndRepaintsThatPart) {
  Open();
  WriteChars("abcdef");
  console::MoveCursor(3, 1);
  console::SetBackground(1);
  rec_->draws.clear();
  console::ClearToLineEnd();
  EXPECT_EQ(RowStart(1, 4), "ab  ");
  EXPECT_EQ(console::ScreenAttrAt(3, 1), 0x1F);
  EXPECT_EQ(console::ScreenAttrAt(2, 1), 0x0F);
  EXPECT_EQ(CursorColumn(), 3);
  ASSERT_EQ(rec_->draws.size(), 1u);
  EXPECT_EQ(rec_->draws[0].x, 16);
  EXPECT_EQ(rec_->draws[0].cells.size(), 78u);
}

TEST_F(ScreenBufferTest, ClearToLineEndWithTheWrapPendingChangesNothing) {
  Open();
  WriteChars(std::string(80, 'z'));
  rec_->draws.clear();
  console::ClearToLineEnd();
  EXPECT_EQ(Row(1), std::string(80, 'z'));
  EXPECT_TRUE(rec_->draws.empty());
}

TEST_F(ScreenBufferTest, ClearScreenBlanksHomesAndRepaintsAtOnce) {
  Open();
  WriteChars("hello\r\nworld");
  console::SetBackground(3);
  rec_->draws.clear();
  console::ClearScreen();
  EXPECT_EQ(Row(1), std::string(80, ' '));
  EXPECT_EQ(Row(2), std::string(80, ' '));
  EXPECT_EQ(console::ScreenAttrAt(40, 13), 0x3F);
  EXPECT_EQ(CursorColumn(), 1);
  EXPECT_EQ(CursorRow(), 1);
  ASSERT_EQ(rec_->invalidations.size(), 1u);
  EXPECT_FALSE(rec_->invalidations[0].second);
  EXPECT_EQ(rec_->draws.size(), 25u);
}

TEST_F(ScreenBufferTest, SetBackgroundReplacesTheHighNibbleUnlessColoursAreFixed) {
  console::SetBackground(16);  // creates the window first, then applies
  EXPECT_EQ(console::CurrentAttribute(), 0x0F);
  console::SetBackground(0x2A);
  EXPECT_EQ(console::CurrentAttribute(), 0xAF);

  console::ResetConsoleForTests();
  drive_.WriteSettings("[VIDEO]\nCORESFIXAS=Sim\n");
  console::SetBackground(5);
  EXPECT_EQ(console::CurrentAttribute(), 0x0F);
}

TEST_F(ScreenBufferTest, PaletteAndColourMap) {
  const platform::Rgb palette[16] = {
      {0, 0, 0},       {0, 0, 255},     {0, 255, 0},     {0, 255, 255},
      {255, 0, 0},     {142, 0, 142},   {68, 34, 34},    {192, 192, 192},
      {128, 128, 128}, {128, 128, 255}, {128, 255, 128}, {128, 255, 255},
      {255, 128, 128}, {255, 128, 255}, {255, 255, 0},   {255, 255, 255},
  };
  for (std::uint8_t n = 0; n < 16; ++n) EXPECT_EQ(console::detail::AttributeColour(n), palette[n]) << int{n};

  // "TABCORES" 15,14: colour 0 paints white, 1 yellow, the rest keep theirs;
  // an entry above 15 paints black.
  drive_.WriteSettings("[VIDEO]\nTABCORES=15,14,2,3,16\n");
  Open();
  EXPECT_EQ(console::detail::AttributeColour(0), palette[15]);
  EXPECT_EQ(console::detail::AttributeColour(1), palette[14]);
  EXPECT_EQ(console::detail::AttributeColour(2), palette[2]);
  EXPECT_EQ(console::detail::AttributeColour(4), (platform::Rgb{0, 0, 0}));
  EXPECT_EQ(console::detail::AttributeColour(15), palette[15]);
  // Drawing uses the map: white text on a white background for attribute 0x0F.
  WriteChars("a");
  ASSERT_FALSE(rec_->draws.empty());
  EXPECT_EQ(rec_->draws.back().foreground, palette[15]);
  EXPECT_EQ(rec_->draws.back().background, palette[15]);
}

TEST_F(ScreenBufferTest, ReadingCellsOutsideTheGridGivesBlanks) {
  EXPECT_EQ(console::ScreenCharAt(1, 1), ' ');  // no window yet
  Open();
  WriteChars("q");
  EXPECT_EQ(console::ScreenCharAt(1, 1), 'q');
  EXPECT_EQ(console::ScreenCharAt(0, 1), ' ');
  EXPECT_EQ(console::ScreenCharAt(81, 25), ' ');
  EXPECT_EQ(console::ScreenAttrAt(1, 26), 0);
}

}  // namespace
}  // namespace console_test
