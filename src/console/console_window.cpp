// The console window: its creation, size limits, window procedure, painting,
// caret, magnifier, and the ways the program ends through it.
#include <algorithm>

#include "console/console_internal.h"
#include "platform/text_encoding.h"

namespace console {
namespace detail {

namespace {

WindowState g_window;

int MagnifierFactor() {
  // A factor of 0 (an "AMPLIF" whose low three bits are 0) cannot divide:
  // it shows the image at its own size.
  const int factor = Settings().values.magnification;
  return factor <= 0 ? 1 : factor;
}

void MagnifyAt(std::uintptr_t a, std::uintptr_t b) {
  const WindowState& w = g_window;
  const int f = MagnifierFactor();
  const int x = static_cast<int>(a & 0xFFFF);
  const int y = static_cast<int>(b & 0xFFFF);
  const int sx = std::max(0, x - x / f);
  const int sy = std::max(0, y - y / f);
  platform::StretchWindowImage({sx, sy, sx + w.windowWidth / f, sy + w.windowHeight / f},
                               {0, 0, w.windowWidth, w.windowHeight});
}

void HandleMagnifier(const platform::Message& msg) {
  WindowState& w = g_window;
  switch (msg.id) {
    case platform::kMsgRightButtonDown:
      if (w.magnifierActive) return;
      w.magnifierActive = true;
      platform::CaptureWindowImage(w.windowWidth, w.windowHeight);
      MagnifyAt(msg.a, msg.b);
      break;
    case platform::kMsgMouseMove:
      if (w.magnifierActive) MagnifyAt(msg.a, msg.b);
      break;
    case platform::kMsgRightButtonUp:
      if (!w.magnifierActive) return;
      w.magnifierActive = false;
      platform::ReleaseWindowImage();
      platform::Invalidate(std::nullopt, true);
      break;
    default:
      break;
  }
}

}  // namespace

WindowState& Window() { return g_window; }

std::string ConsoleTitle(std::string_view nativePath) {
  // Native paths are UTF-8; the title is cp1252 like every text of the program.
  std::string title = platform::Utf8ToCp1252(nativePath);
  if (title.size() > 79) title.resize(79);
  return title;
}

void HandleMinMaxInfo() {
  WindowState& w = g_window;
  const platform::FontMetrics font = platform::ConsoleFontMetrics();
  w.cellWidth = font.averageWidth;
  w.cellHeight = font.height + font.externalLeading;
  w.caretYOffset = font.ascent;
  const platform::FrameMetrics frame = platform::GetFrameMetrics();
  w.limits.maxWidth = std::min(kColumns * w.cellWidth, frame.screenWidth) + 2 * frame.frameWidth;
  w.limits.maxHeight =
      std::min(frame.captionHeight + kRows * w.cellHeight, frame.screenHeight) + 2 * frame.frameHeight;
  w.limits.minTrackWidth = 2 * frame.frameWidth + 16 * w.cellWidth;
  w.limits.minTrackHeight = 2 * frame.frameHeight + 4 * w.cellHeight + frame.captionHeight;
}

void HandleCreate() {
  g_window.created = true;
  ScreenState& s = Screen();
  s.window = {0, 0, kColumns - 1, kRows - 1};
  FillScreenBuffers();
}

void HandleDestroy() {
  ScreenState& s = Screen();
  s.chars.fill(' ');
  s.attrs.fill(0);
  s.cursorX = 0;
  s.cursorY = 0;
  platform::PostQuit(0);
  g_window.created = false;
}

void HandlePaint(const platform::Rect& area) {
  WindowState& w = g_window;
  if (!w.created) return;
  w.painting = true;
  const int cw = std::max(w.cellWidth, 1);
  const int ch = std::max(w.cellHeight, 1);
  const int x1 = std::max(0, area.left / cw);
  const int x2 = std::min(kColumns, (area.right + cw - 1) / cw);
  const int y1 = std::max(0, area.top / ch);
  const int y2 = std::min(kRows, (area.bottom + ch - 1) / ch);
  const TextWindow& tw = Screen().window;
  for (int row = y1; row < y2; ++row) PaintRowCells(x1 - tw.left, x2 - tw.left, row - tw.top);
  w.painting = false;
}

void UpdateWindow() {
  platform::Rect area;
  if (platform::TakeInvalidRect(area)) HandlePaint(area);
}

void ShowCaretAtCursor() {
  WindowState& w = g_window;
  const ScreenState& s = Screen();
  platform::CreateCaret(w.cellWidth, 2);
  platform::SetCaretPos((s.window.left + s.cursorX) * w.cellWidth,
                        (s.window.top + s.cursorY) * w.cellHeight + w.caretYOffset);
  platform::ShowCaret();
  w.caretShown = true;
}

void HideCaret() {
  if (!g_window.caretShown) return;
  platform::DestroyCaret();
  g_window.caretShown = false;
}

void AbortProgram() {
  if (g_window.focused && g_window.reading) HideCaret();
  ConsoleExitHandler();
  platform::ExitProcess(255);
}

void ConsoleExitHandler(bool runTimeError) {
  WindowState& w = g_window;
  if (w.exitHandlerDone) return;  // runs once, as a link of the exit chain
  w.exitHandlerDone = true;
  if (!w.created || runTimeError) return;
  platform::SetWindowTitle("Programa terminado");
  platform::EnableCloseCommand();
  w.breakEnabled = false;
  w.handlerAttached = false;
}

}  // namespace detail

using namespace detail;

void EnsureConsole() {
  WindowState& w = Window();
  if (w.created) return;
  ReadDisplaySettings();
  const platform::FontMetrics font = platform::ConsoleFontMetrics();
  const platform::FrameMetrics frame = platform::GetFrameMetrics();
  w.windowWidth = 2 * frame.frameWidth + kColumns * font.averageWidth;
  w.windowHeight = 2 * frame.frameHeight + kRows * (font.height + font.externalLeading) + frame.captionHeight;
  w.textXOffset = font.overhang;
  if (w.title.empty()) w.title = ConsoleTitle(platform::ExecutablePath());
  // A new window has the console's procedure and knows nothing of a wait
  // that a closed one may have left behind.
  w.handlerAttached = true;
  w.closing = false;
  w.focused = false;
  w.reading = false;
  w.caretShown = false;
  platform::CreateConsoleWindow(w.title, w.windowWidth, w.windowHeight, Settings().values.maximise);
  // What the platform would send while it creates the window, in its order.
  HandleMinMaxInfo();
  HandleCreate();
  UpdateWindow();
  SetBrailleMode(Settings().values.brailleMode);
}

void SetWaveDoneHook(WaveDoneHandler handler) {
  WindowState& w = Window();
  w.waveDone = std::move(handler);
  w.waveHookSet = true;
}

void ConsoleWindowProc(const platform::Message& msg) {
  WindowState& w = Window();
  if (!w.handlerAttached) {
    platform::DefaultHandling(msg);
    return;
  }
  switch (msg.id) {
    case platform::kMsgFocusGained:
      w.focused = true;
      if (w.reading) ShowCaretAtCursor();
      break;
    case platform::kMsgFocusLost:
      if (w.reading) HideCaret();
      w.focused = false;
      break;
    case platform::kMsgPaint:
      HandlePaint(msg.rect);
      break;
    case platform::kMsgClose:
      // A second close while the queue is being drained changes nothing.
      if (!w.closing) CloseConsole();
      break;
    case platform::kMsgKeyDown:
      TranslateKeyDown(static_cast<std::uint8_t>(msg.a & 0xFF));
      break;
    case platform::kMsgSysKeyDown: {
      const auto vk = static_cast<std::uint8_t>(msg.a & 0xFF);
      if (w.breakEnabled && vk != platform::kVkLeft && vk != platform::kVkRight) {
        platform::DefaultHandling(msg);
      } else {
        TranslateKeyDown(vk);
      }
      break;
    }
    case platform::kMsgKeyUp:
      if (Braille().mode == 0 || !BrailleChordUp(static_cast<std::uint8_t>(msg.a & 0xFF))) {
        platform::DefaultHandling(msg);
      }
      break;
    case platform::kMsgChar:
      QueueTypedChar(static_cast<std::uint8_t>(msg.a & 0xFF));
      break;
    case platform::kMsgMouseMove:
    case platform::kMsgRightButtonDown:
    case platform::kMsgRightButtonUp:
      HandleMagnifier(msg);
      break;
    case platform::kMsgWaveDone:
      if (w.waveHookSet && w.waveDone) {
        w.waveDone(msg.a, reinterpret_cast<platform::WaveBlock*>(msg.b));
      } else {
        platform::DefaultHandling(msg);
      }
      break;
    default:
      platform::DefaultHandling(msg);
      break;
  }
}

void CloseConsole() {
  WindowState& w = Window();
  if (w.created) {
    w.closing = true;
    DrainQueue();
    if (w.fontExists) {
      platform::DeleteConsoleFont();
      w.fontExists = false;
    }
    w.handlerAttached = false;
    platform::DestroyConsoleWindow();
    w.created = false;
  }
  ConsoleExitHandler();
  platform::ExitProcess(0);
}

}  // namespace console
