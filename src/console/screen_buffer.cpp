// The 80 x 25 grid of character and attribute cells, the cursor, writing
// with its control characters, scrolling and painting runs of cells.
#include <algorithm>
#include <cstring>

#include "console/console_internal.h"

namespace console {
namespace detail {

namespace {

ScreenState g_screen;

// The fixed palette the colour map points into.
constexpr platform::Rgb kPalette[16] = {
    {0, 0, 0},       {0, 0, 255},     {0, 255, 0},     {0, 255, 255},
    {255, 0, 0},     {142, 0, 142},   {68, 34, 34},    {192, 192, 192},
    {128, 128, 128}, {128, 128, 255}, {128, 255, 128}, {128, 255, 255},
    {255, 128, 128}, {255, 128, 255}, {255, 255, 0},   {255, 255, 255},
};

int WindowWidthCells() { return g_screen.window.right - g_screen.window.left + 1; }
int WindowHeightCells() { return g_screen.window.bottom - g_screen.window.top + 1; }

std::size_t CellIndex(int column, int row) {
  return static_cast<std::size_t>(row) * kColumns + static_cast<std::size_t>(column);
}

void BlankCells(int column, int row, int count) {
  if (count <= 0) return;
  const std::size_t at = CellIndex(column, row);
  std::memset(&g_screen.chars[at], ' ', static_cast<std::size_t>(count));
  std::memset(&g_screen.attrs[at], g_screen.currentAttribute, static_cast<std::size_t>(count));
}

// Moves the cursor down one row, scrolling the text window at the bottom.
// Paints the pending span [left, right) of the row it leaves first.
void NewLine(int& left, int& right) {
  ScreenState& s = g_screen;
  PaintRowCells(left, right, s.cursorY);
  left = right = 0;
  ++s.cursorY;
  if (s.cursorY < WindowHeightCells()) return;

  s.cursorY = WindowHeightCells() - 1;
  const auto width = static_cast<std::size_t>(WindowWidthCells());
  for (int row = s.window.top + 1; row <= s.window.bottom; ++row) {
    std::memmove(&s.chars[CellIndex(s.window.left, row - 1)], &s.chars[CellIndex(s.window.left, row)], width);
    std::memmove(&s.attrs[CellIndex(s.window.left, row - 1)], &s.attrs[CellIndex(s.window.left, row)], width);
  }
  BlankCells(s.window.left, s.window.bottom, WindowWidthCells());

  const WindowState& w = Window();
  const bool slow = Settings().values.slowScroll && platform::IsActiveWindow() &&
                    platform::WindowBottomOnScreen() < platform::GetFrameMetrics().screenHeight - 32;
  if (slow) {
    // The pixels on screen are valid: move them and paint only the new row.
    const platform::Rect area{s.window.left * w.cellWidth, (s.window.top + 1) * w.cellHeight,
                              (s.window.right + 1) * w.cellWidth, (s.window.bottom + 1) * w.cellHeight};
    platform::ScrollPixelsUp(area, w.cellHeight);
    const platform::Rect strip{0, s.window.bottom * w.cellHeight, w.windowWidth,
                               (s.window.bottom + 1) * w.cellHeight};
    platform::FillRect(strip, AttributeColour(static_cast<std::uint8_t>(s.currentAttribute >> 4)));
  } else {
    platform::Invalidate(std::nullopt, false);
  }
  UpdateWindow();
}

}  // namespace

ScreenState& Screen() { return g_screen; }

void FillScreenBuffers() {
  g_screen.chars.fill(' ');
  g_screen.attrs.fill(g_screen.currentAttribute);
}

platform::Rgb AttributeColour(std::uint8_t colourNumber) {
  const std::uint8_t index = Settings().values.colourMap[colourNumber & 15];
  return index > 15 ? platform::Rgb{0, 0, 0} : kPalette[index];
}

void PaintRowCells(int left, int right, int row) {
  const WindowState& w = Window();
  if (!w.created) return;
  const ScreenState& s = g_screen;
  left = std::max(left, 0);
  right = std::min(right, WindowWidthCells());
  if (right <= left) return;
  const int gridRow = row + s.window.top;
  if (row < 0 || gridRow > s.window.bottom) return;

  // One drawing call per run of cells sharing an attribute.
  int column = left + s.window.left;
  const int end = right + s.window.left;
  while (column < end) {
    const std::uint8_t attr = s.attrs[CellIndex(column, gridRow)];
    int runEnd = column + 1;
    while (runEnd < end && s.attrs[CellIndex(runEnd, gridRow)] == attr) ++runEnd;
    const std::string_view cells(reinterpret_cast<const char*>(&s.chars[CellIndex(column, gridRow)]),
                                 static_cast<std::size_t>(runEnd - column));
    platform::DrawTextRun(column * w.cellWidth + w.textXOffset, gridRow * w.cellHeight, cells,
                          AttributeColour(attr & 15), AttributeColour(static_cast<std::uint8_t>(attr >> 4)));
    column = runEnd;
  }
}

}  // namespace detail

using namespace detail;

void WriteChars(const std::uint8_t* bytes, std::uint16_t count) {
  EnsureConsole();
  ScreenState& s = Screen();
  int left = s.cursorX;
  int right = s.cursorX;
  for (std::uint16_t i = 0; bytes != nullptr && i < count; ++i) {
    const std::uint8_t c = bytes[i];
    switch (c) {
      case 7:
        platform::DefaultBeep();
        break;
      case 8:
        if (s.cursorX > 0) {
          --s.cursorX;
          BlankCells(s.cursorX + s.window.left, s.cursorY + s.window.top, 1);
          left = std::min(left, s.cursorX);
        }
        break;
      case 10:
        NewLine(left, right);
        s.cursorX = 0;
        break;
      case 13:
        s.cursorX = 0;
        left = 0;
        break;
      default:
        if (c < 32) break;  // other control characters are not shown
        if (s.cursorX >= s.window.right - s.window.left + 1) {
          s.cursorX = 0;
          NewLine(left, right);
        }
        {
          const std::size_t at = static_cast<std::size_t>(s.cursorY + s.window.top) * kColumns +
                                 static_cast<std::size_t>(s.cursorX + s.window.left);
          s.chars[at] = c;
          s.attrs[at] = s.currentAttribute;
        }
        ++s.cursorX;
        right = std::max(right, s.cursorX);
        break;
    }
  }
  PaintRowCells(left, right, s.cursorY);
}

void MoveCursor(std::int32_t column, std::int32_t row) {
  ScreenState& s = Screen();
  const std::int64_t maxX = s.window.right - s.window.left;
  const std::int64_t maxY = s.window.bottom - s.window.top;
  s.cursorX = static_cast<std::int32_t>(std::clamp<std::int64_t>(std::int64_t{column} - 1, 0, maxX));
  s.cursorY = static_cast<std::int32_t>(std::clamp<std::int64_t>(std::int64_t{row} - 1, 0, maxY));
}

int CursorColumn() { return Screen().cursorX + 1; }
int CursorRow() { return Screen().cursorY + 1; }

void ClearScreen() {
  EnsureConsole();
  ScreenState& s = Screen();
  const int width = s.window.right - s.window.left + 1;
  for (int row = s.window.top; row <= s.window.bottom; ++row) BlankCells(s.window.left, row, width);
  s.cursorX = 0;
  s.cursorY = 0;
  platform::Invalidate(std::nullopt, false);
  UpdateWindow();
}

void ClearToLineEnd() {
  EnsureConsole();
  ScreenState& s = Screen();
  const int width = s.window.right - s.window.left + 1;
  if (s.cursorX >= width) return;
  BlankCells(s.cursorX + s.window.left, s.cursorY + s.window.top, width - s.cursorX);
  PaintRowCells(s.cursorX, width, s.cursorY);
}

void SetBackground(std::uint8_t colour) {
  EnsureConsole();
  if (Settings().values.coloursFixed) return;
  ScreenState& s = Screen();
  s.currentAttribute = static_cast<std::uint8_t>((s.currentAttribute & 0x0F) | ((colour * 16) & 0xF0));
}

// Cells outside the grid read as blank cells of attribute 0 instead of
// reading past the buffers.
namespace {
// The buffer index of a 1-based cell of the text window, or -1 outside.
std::int64_t PublicCellIndex(int column, int row) {
  const ScreenState& s = Screen();
  const std::int64_t x = std::int64_t{column} - 1 + s.window.left;
  const std::int64_t y = std::int64_t{row} - 1 + s.window.top;
  if (x < 0 || x >= kColumns || y < 0 || y >= kRows) return -1;
  return y * kColumns + x;
}
}  // namespace

std::uint8_t ScreenCharAt(int column, int row) {
  const std::int64_t at = PublicCellIndex(column, row);
  return at < 0 ? std::uint8_t{' '} : Screen().chars[static_cast<std::size_t>(at)];
}

std::uint8_t ScreenAttrAt(int column, int row) {
  const std::int64_t at = PublicCellIndex(column, row);
  return at < 0 ? std::uint8_t{0} : Screen().attrs[static_cast<std::size_t>(at)];
}

std::uint8_t CurrentAttribute() { return Screen().currentAttribute; }

}  // namespace console
