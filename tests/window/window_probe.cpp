// Runs inside a real X window (started by run_window_test.sh under Xvfb).
// It and the driver take turns through WORK/status:
//   1. the probe writes two lines and says "ready"; the driver focuses the
//      window; the probe says "focused"; the driver dumps the window
//      (initial.xwd) and types F1, Ctrl+F1, a, Shift+Insert, Enter, then the
//      text "\xC3\xA9A";
//   2. the probe reads the keys, writes 30 lines (the screen scrolls) and says
//      "scrolled"; the driver dumps the window (scrolled.xwd), holds the right
//      button at the top left (magnified.xwd), lets it go (restored.xwd) and
//      presses Alt+F4, which closes the window and ends the program;
//   3. the probe checks the dumps; the driver checks what the probe's
//      ShellOpen started (WORK/opener.sh) was given.
//
//   window_probe WORK
//   window_probe --sound-only     (the wave device alone, no window)
//   window_probe --sound-to-disk FILE   (what the device plays, with SDL's
//                                  disk driver writing it to FILE)
//
// Prints one line per failed check and exits 1 when any failed.
#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
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

// What the device played, through SDL's disk audio driver (its output file
// holds every byte the device was given): the blocks' bytes, in order and
// without a gap, all of them although the device closes right after the
// last block is reported done.
void CheckPlayedBytes(const std::string& outputFile) {
  using namespace platform;
  struct Case {
    WaveFormat format;
    std::size_t firstLength, secondLength;
  } const cases[] = {{{11025, 8, 1}, 1500, 1201}, {{22050, 16, 2}, 4000, 2400}};
  for (const Case& c : cases) {
    const std::string name = std::to_string(c.format.rate) + " Hz " + std::to_string(c.format.bits) + "-bit " +
                             std::to_string(c.format.channels) + "-channel";
    std::vector<std::uint8_t> sound(c.firstLength + c.secondLength);
    for (std::size_t i = 0; i < sound.size(); ++i) sound[i] = static_cast<std::uint8_t>(i * 7 % 251 + 1);
    if (WaveOpen(c.format) != kWaveOk) {
      Check(false, name + ": the device opens");
      continue;
    }
    WaveBlock first{sound.data(), static_cast<std::uint32_t>(c.firstLength), 1, 0};
    WaveBlock second{sound.data() + c.firstLength, static_cast<std::uint32_t>(c.secondLength), 2, 0};
    WavePrepare(&first);
    WavePrepare(&second);
    WaveWrite(&first);
    WaveWrite(&second);
    int done = 0;
    while (done < 2) {
      if (NextMessage().id == kMsgWaveDone) ++done;
    }
    WaveClose();  // the driver's file is complete once the device is closed
    std::ifstream in(outputFile, std::ios::binary);
    const std::string played((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string expected(sound.begin(), sound.end());
    Check(played.find(expected) != std::string::npos,
          name + ": both blocks were played whole, in order, without a gap (" +
              std::to_string(played.size()) + " bytes out)");
  }
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

// Writes numbered lines of different lengths until the screen has scrolled;
// the layout is then what the console's screen buffer holds.
Layout ScrollText(const Layout& before) {
  for (int i = 1; i <= 30; ++i) {
    std::string line = "Linha " + std::to_string(i) + ": ";
    line += std::string(static_cast<std::size_t>(i % 37 + 1), static_cast<char>('a' + i % 26));
    console::WriteChars(line + "\r\n");
  }
  Layout layout = before;
  layout.rows.clear();
  for (int row = 1; row <= console::kRows; ++row) {
    std::string text;
    for (int col = 1; col <= console::kColumns; ++col) text += static_cast<char>(console::ScreenCharAt(col, row));
    layout.rows.push_back(text);
  }
  layout.cursorColumn = console::CursorColumn() - 1;
  layout.cursorRow = console::CursorRow() - 1;
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

std::optional<window_test::XwdImage> ReadDump(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto image = window_test::ParseXwd(bytes);
  Check(image.has_value(), "the window dump " + path + " can be read");
  return image;
}

platform::Rect CaretRect(const Layout& l) {
  const int x = l.cursorColumn * l.cellWidth;
  const int y = l.cursorRow * l.cellHeight + l.ascent;
  return {x, y, x + l.cellWidth, y + 2};
}

bool Inside(const platform::Rect& r, int x, int y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// The image shows the layout's text, white on black, on the 80 x 25 grid:
// ink in every written cell and nowhere else, and every cell of one
// character drawn alike (a row scrolled to the wrong pixel would not be).
void CheckTextImage(const window_test::XwdImage& image, const Layout& layout, bool caretExpected,
                    const std::string& name) {
  const int cw = layout.cellWidth;
  const int ch = layout.cellHeight;
  Check(image.width == 80 * cw && image.height == 25 * ch,
        name + ": client area is 80 x 25 cells of " + std::to_string(cw) + " x " + std::to_string(ch) +
            " (window is " + std::to_string(image.width) + " x " + std::to_string(image.height) + ")");
  if (image.width < 80 * cw || image.height < 25 * ch) return;
  const platform::Rect caret = CaretRect(layout);
  int inkless = 0, foreign = 0, strayInk = 0, unlike = 0;
  std::map<char, std::vector<platform::Rgb>> looks;
  for (int row = 0; row < 25; ++row) {
    for (int col = 0; col < 80; ++col) {
      const std::string& text = row < static_cast<int>(layout.rows.size()) ? layout.rows[row] : std::string();
      const char c = col < static_cast<int>(text.size()) ? text[col] : ' ';
      const bool caretCell = caretExpected && row == layout.cursorRow && col == layout.cursorColumn;
      std::vector<platform::Rgb> cell;
      int white = 0;
      for (int y = 0; y < ch; ++y) {
        for (int x = 0; x < cw; ++x) {
          const platform::Rgb p = image.At(col * cw + x, row * ch + y);
          cell.push_back(p);
          if (IsWhite(p)) {
            ++white;
          } else if (!IsBlack(p)) {
            ++foreign;
          }
        }
      }
      if (caretCell) continue;
      if (c != ' ' && white == 0) ++inkless;
      if (c == ' ' && white > 0) ++strayInk;
      const auto [it, first] = looks.emplace(c, cell);
      if (!first && it->second != cell) ++unlike;
    }
  }
  Check(foreign == 0, name + ": every pixel is white or black (" + std::to_string(foreign) + " others)");
  Check(inkless == 0, name + ": every written character shows white pixels (" + std::to_string(inkless) + " blank)");
  Check(strayInk == 0, name + ": cells not written stay black (" + std::to_string(strayInk) + " with ink)");
  Check(unlike == 0, name + ": cells of one character look alike (" + std::to_string(unlike) + " differ)");
  if (caretExpected) {
    // The caret: a 2-pixel bar under the baseline of the cursor's cell, in
    // inverted colours (white over the black background).
    bool bar = true;
    for (int y = caret.top; y < caret.bottom; ++y) {
      for (int x = caret.left; x < caret.right; ++x) bar = bar && IsWhite(image.At(x, y));
    }
    Check(bar, name + ": the caret shows at the cursor while a key is awaited");
  }
}

// The right button held at the top left with the default factor 2: the top
// left quarter of the image (W / 2 x H / 2) fills the window, the caret drawn
// over it.
void CheckMagnified(const window_test::XwdImage& magnified, const window_test::XwdImage& plain,
                    const Layout& layout) {
  if (magnified.width != plain.width || magnified.height != plain.height) {
    Check(false, "the magnified window keeps its size");
    return;
  }
  const platform::Rect caret = CaretRect(layout);
  const int w = magnified.width;
  const int h = magnified.height;
  int wrong = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (Inside(caret, x, y)) continue;
      if (magnified.At(x, y) != plain.At(x * (w / 2) / w, y * (h / 2) / h)) ++wrong;
    }
  }
  Check(wrong == 0, "the right button shows the top left quarter magnified twice (" + std::to_string(wrong) +
                        " pixels differ)");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--sound-only") {
    platform::sdl::Install();
    CheckWaveDevice();
    std::printf(g_failures == 0 ? "PASS\n" : "FAILED: %d checks\n", g_failures);
    return g_failures == 0 ? 0 : 1;
  }
  if (argc == 3 && std::string(argv[1]) == "--sound-to-disk") {
    platform::sdl::Install();
    CheckPlayedBytes(argv[2]);
    std::printf(g_failures == 0 ? "PASS\n" : "FAILED: %d checks\n", g_failures);
    return g_failures == 0 ? 0 : 1;
  }
  if (argc != 2) {
    std::fprintf(stderr, "usage: window_probe WORK | --sound-only | --sound-to-disk FILE\n");
    return 2;
  }
  const std::string work = argv[1];
  platform::sdl::Install();
  CheckWaveDevice();
  console::ConsoleStartUp();
  Layout initial, scrolled;
  try {
    initial = ShowText();
    CheckClipboard();
    // The shell's "open" of a program with one parameter that a shell would
    // split and run; the driver checks what the program was given.
    platform::ShellOpen(work + "/opener.sh", "a b; touch " + work + "/injected", work + "/drive_c");
    // A tone on the second output and the bell on a third: heard (on a sound
    // card) while the program goes on.
    console::StartTone(800);
    console::Pause(100);
    console::StopTone();
    console::WriteChars("\a");
    std::ofstream(work + "/status", std::ios::app) << "ready\n";
    // The driver gives the window the focus; once it has it, the caret shows
    // as soon as the console waits for a key.
    while (!platform::IsActiveWindow()) {
      platform::WaitMessage();
      console::PumpMessages();
    }
    std::ofstream(work + "/status", std::ios::app) << "focused\n";
    // Then "\xE9A" typed as text: a character with no key of its own on this
    // keyboard, and a shifted letter.
    const std::vector<int> expected = {0, 59, 0, 94, 97, 0, 254, 13, 0xE9, 'A'};
    std::vector<int> codes;
    while (codes.size() < expected.size()) codes.push_back(console::GetKey());
    std::string got;
    for (int c : codes) got += " " + std::to_string(c);
    Check(codes == expected,
          "F1, Ctrl+F1, a, Shift+Insert, Enter, \xC3\xA9, A queue 0 59 0 94 97 0 254 13 233 65 (got" + got + ")");
    scrolled = ScrollText(initial);
    std::ofstream(work + "/status", std::ios::app) << "scrolled\n";
    // Alt+F4 comes last: it closes the window, which ends the program.
    for (;;) console::GetKey();
  } catch (const platform::ProcessExit& exit) {
    Check(exit.code == 0, "Alt+F4 closes the window and ends the program with code 0");
    Check(!platform::ConsoleWindowExists(), "the window is gone");
  }
  console::ConsoleShutDown();
  if (const auto image = ReadDump(work + "/initial.xwd")) CheckTextImage(*image, initial, true, "initial");
  const auto plain = ReadDump(work + "/scrolled.xwd");
  if (plain) CheckTextImage(*plain, scrolled, true, "scrolled");
  const auto magnified = ReadDump(work + "/magnified.xwd");
  if (plain && magnified) CheckMagnified(*magnified, *plain, scrolled);
  const auto restored = ReadDump(work + "/restored.xwd");
  if (plain && restored) {
    Check(restored->pixels == plain->pixels, "letting the right button go shows the text as it was");
  }
  std::printf(g_failures == 0 ? "PASS\n" : "FAILED: %d checks\n", g_failures);
  return g_failures == 0 ? 0 : 1;
}
