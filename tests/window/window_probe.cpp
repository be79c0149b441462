// Runs inside a real X window (started by run_window_test.sh under Xvfb):
// writes text, tells the driver it is ready, reads the keys the driver types
// with xdotool, then checks the driver's dump of the window's image.
//
//   window_probe STATUS_FILE DUMP_FILE
//   window_probe --sound-only     (the wave device alone, no window)
//
// Prints one line per failed check and exits 1 when any failed.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "console/console.h"
#include "platform/platform.h"
#include "platform/sdl/sdl_backend.h"
#include "xwd_image.h"

namespace {

int g_failures = 0;

void Check(bool ok, const std::string& what) {
  if (!ok) {
    ++g_failures;
    std::printf("FAIL: %s\n", what.c_str());
  } else {
    std::printf("ok: %s\n", what.c_str());
  }
  std::fflush(stdout);
}

// Waits for the next message (the wave device's notices come this way).
platform::Message NextMessage() {
  platform::Message m;
  while (!platform::PeekMessage(m)) platform::WaitMessage();
  return m;
}

// The wave device on SDL's dummy driver: blocks come back in order, each
// once, as messages on this thread; a reset returns what is still queued.
void CheckWaveDevice() {
  using namespace platform;
  Check(WaveOpen({11025, 8, 1}) == kWaveOk, "wave device opens 11025 Hz 8-bit mono");
  Check(WaveOpen({11025, 12, 1}) == kWaveBadFormat, "a 12-bit format is refused");
  std::vector<std::uint8_t> tenth(1102, 128);
  WaveBlock a{tenth.data(), static_cast<std::uint32_t>(tenth.size()), 1, 0};
  WaveBlock b{tenth.data(), static_cast<std::uint32_t>(tenth.size()), 2, 0};
  WavePrepare(&a);
  WavePrepare(&b);
  Check(WaveWrite(&a) == kWaveOk && WaveWrite(&b) == kWaveOk, "two blocks queued");
  Check(WaveUnprepare(&a) == kWaveStillPlaying, "a queued block cannot be unprepared");
  std::vector<std::uintptr_t> done;
  while (done.size() < 2) {
    const Message m = NextMessage();
    if (m.id == kMsgWaveDone) done.push_back(m.b);
  }
  Check(done[0] == reinterpret_cast<std::uintptr_t>(&a) && done[1] == reinterpret_cast<std::uintptr_t>(&b),
        "blocks come back in playing order");
  Check(WaveUnprepare(&a) == kWaveOk, "a finished block unprepares");

  std::vector<std::uint8_t> long_(11025 * 30, 128);  // 30 seconds: only a reset ends it soon
  WaveBlock c{long_.data(), static_cast<std::uint32_t>(long_.size()), 3, 0};
  WavePrepare(&c);
  WaveWrite(&c);
  WaveReset();
  const Message m = NextMessage();
  Check(m.id == kMsgWaveDone && m.b == reinterpret_cast<std::uintptr_t>(&c), "a reset returns the queued block");
  WaveClose();
  Check(!WaveIsOpen(), "wave device closed");
}

struct Layout {
  int cellWidth = 0;
  int cellHeight = 0;
  int ascent = 0;
  std::vector<std::string> rows;  // what was written, row by row from the top
  int cursorColumn = 0;           // 0-based
  int cursorRow = 0;
};

// The console writes the text: it makes the font from the default settings
// (an empty drive C), sizes the window from the font and paints it.
const std::vector<std::string> kLines = {"Tembrika - janela real", "A\xE7\xE3o: F1 Ctrl+F1 a Shift+Insert Enter"};

Layout ShowText() {
  std::string text;
  for (const std::string& line : kLines) text += line + "\r\n";
  console::WriteChars(text);
  const platform::FontMetrics f = platform::ConsoleFontMetrics();
  Layout layout;
  layout.cellWidth = f.averageWidth;
  layout.cellHeight = f.height + f.externalLeading;
  layout.ascent = f.ascent;
  layout.rows = kLines;
  layout.cursorColumn = console::CursorColumn() - 1;
  layout.cursorRow = console::CursorRow() - 1;
  // The default font's cell: 13 x 28 pixels on a 1024 x 734 work area, scaled.
  const platform::Rect work = platform::WorkArea();
  const int expectedWidth = 13 * (work.right - work.left) / 1024;
  const int expectedHeight = 28 * (work.bottom - work.top) / 734;
  Check(layout.cellWidth == expectedWidth && layout.cellHeight == expectedHeight,
        "the default font's cell is " + std::to_string(expectedWidth) + " x " + std::to_string(expectedHeight));
  return layout;
}

void CheckClipboard() {
  const std::string text = "A\xE7\xE3o \x80 5";  // "Ação € 5" in cp1252
  console::CopyToClipboard(text);
  char back[64] = "untouched";
  console::PasteFromClipboard(back, sizeof back);
  Check(std::string(back) == text, "the clipboard gives the cp1252 text back");
}

bool IsWhite(platform::Rgb c) { return c == platform::Rgb{255, 255, 255}; }
bool IsBlack(platform::Rgb c) { return c == platform::Rgb{0, 0, 0}; }

void CheckDump(const std::string& path, const Layout& layout, bool caretExpected) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto image = window_test::ParseXwd(bytes);
  Check(image.has_value(), "the window dump can be read");
  if (!image) return;
  Check(image->width == 80 * layout.cellWidth && image->height == 25 * layout.cellHeight,
        "client area is 80 x 25 cells of " + std::to_string(layout.cellWidth) + " x " +
            std::to_string(layout.cellHeight) + " (window is " + std::to_string(image->width) + " x " +
            std::to_string(image->height) + ")");
  if (image->width < 80 * layout.cellWidth || image->height < 25 * layout.cellHeight) return;

  int inkless = 0, foreign = 0, strayInk = 0;
  for (int row = 0; row < 25; ++row) {
    for (int col = 0; col < 80; ++col) {
      const std::string& text = row < static_cast<int>(layout.rows.size()) ? layout.rows[row] : std::string();
      const bool written = col < static_cast<int>(text.size()) && text[col] != ' ';
      const bool caretCell = row == layout.cursorRow && col == layout.cursorColumn;
      int white = 0;
      for (int y = 0; y < layout.cellHeight; ++y) {
        for (int x = 0; x < layout.cellWidth; ++x) {
          const platform::Rgb p = image->At(col * layout.cellWidth + x, row * layout.cellHeight + y);
          if (IsWhite(p)) {
            ++white;
          } else if (!IsBlack(p)) {
            ++foreign;
          }
        }
      }
      if (written && white == 0) ++inkless;
      if (!written && !caretCell && white > 0) ++strayInk;
    }
  }
  Check(foreign == 0, "every pixel is white or black (" + std::to_string(foreign) + " others)");
  Check(inkless == 0, "every written character shows white pixels (" + std::to_string(inkless) + " blank)");
  Check(strayInk == 0, "cells not written stay black (" + std::to_string(strayInk) + " with ink)");
  if (caretExpected) {
    // The caret: a 2-pixel bar under the baseline of the cursor's cell, in
    // inverted colours (white over the black background).
    bool bar = true;
    for (int y = layout.ascent; y < layout.ascent + 2; ++y) {
      for (int x = 0; x < layout.cellWidth; ++x) {
        bar = bar && IsWhite(image->At(layout.cursorColumn * layout.cellWidth + x,
                                       layout.cursorRow * layout.cellHeight + y));
      }
    }
    Check(bar, "the caret shows at the cursor while a key is awaited");
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--sound-only") {
    platform::sdl::Install();
    CheckWaveDevice();
    std::printf(g_failures == 0 ? "PASS\n" : "FAILED: %d checks\n", g_failures);
    return g_failures == 0 ? 0 : 1;
  }
  if (argc != 3) {
    std::fprintf(stderr, "usage: window_probe STATUS_FILE DUMP_FILE | --sound-only\n");
    return 2;
  }
  const std::string statusPath = argv[1];
  const std::string dumpPath = argv[2];
  platform::sdl::Install();
  CheckWaveDevice();
  console::ConsoleStartUp();
  try {
    const Layout layout = ShowText();
    CheckClipboard();
    // The driver dumps the window once it has the focus, then types the keys.
    std::ofstream(statusPath) << "ready\n";
    std::vector<int> codes;
    for (int i = 0; i < 8; ++i) codes.push_back(console::GetKey());
    const std::vector<int> expected = {0, 59, 0, 94, 97, 0, 254, 13};
    std::string got;
    for (int c : codes) got += " " + std::to_string(c);
    Check(codes == expected, "F1, Ctrl+F1, a, Shift+Insert, Enter queue 0 59 0 94 97 0 254 13 (got" + got + ")");
    CheckDump(dumpPath, layout, true);
    // Alt+F4 comes last: it closes the window, which ends the program.
    for (;;) console::GetKey();
  } catch (const platform::ProcessExit& exit) {
    Check(exit.code == 0, "Alt+F4 closes the window and ends the program with code 0");
    Check(!platform::ConsoleWindowExists(), "the window is gone");
  }
  console::ConsoleShutDown();
  std::printf(g_failures == 0 ? "PASS\n" : "FAILED: %d checks\n", g_failures);
  return g_failures == 0 ? 0 : 1;
}
