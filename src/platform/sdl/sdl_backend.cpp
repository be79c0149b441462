// The real window's backend: the program's message queue over SDL's events,
// the window and its drawing, and the services around them.
#include "platform/sdl/sdl_backend.h"

#include <SDL.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/sdl/console_font.h"
#include "platform/sdl/keyboard_translation.h"
#include "platform/sdl/sdl_keys.h"
#include "platform/sdl/shell_open.h"
#include "platform/sdl/sound_output.h"
#include "platform/sdl/window_canvas.h"
#include "platform/text_encoding.h"

namespace platform::sdl {

namespace {

// How long WaitMessage sleeps in SDL before it looks at the overflow list
// (posts that SDL's own queue could not take).
constexpr int kWaitSliceMs = 250;

bool IsKeyMessage(std::uint32_t id) {
  return id == kMsgKeyDown || id == kMsgKeyUp || id == kMsgSysKeyDown || id == kMsgSysKeyUp || id == kMsgChar;
}

bool TraceEnabled() {
  const char* v = std::getenv("TEMBRIKA_TRACE");
  return v != nullptr && std::string(v) == "1";
}

class SdlBackend final : public Backend {
 public:
  SdlBackend();
  ~SdlBackend() override;

  // messages
  bool PeekMessage(Message& out, PeekFilter filter) override;
  void WaitMessage(WaitReason reason) override;
  void PostMessage(std::uint32_t id, std::uintptr_t a, std::uintptr_t b) override;
  void PostQuit(int exitCode) override;
  void DefaultHandling(const Message& msg) override;
  void Sleep(unsigned milliseconds) override;
  bool IsKeyDown(int virtualKey) override;

  // window
  Rect WorkArea() override;
  FrameMetrics GetFrameMetrics() override;
  bool CreateConsoleFont(const FontSpec& spec) override;
  FontMetrics ConsoleFontMetrics() override;
  void DeleteConsoleFont() override;
  void CreateConsoleWindow(const std::string& title, int width, int height, bool maximised) override;
  void DestroyConsoleWindow() override;
  bool ConsoleWindowExists() override { return window_ != nullptr; }
  void SetWindowTitle(const std::string& title) override;
  void EnableCloseCommand() override {}
  bool IsActiveWindow() override;
  int WindowBottomOnScreen() override;
  void DrawTextRun(int x, int y, std::string_view cells, Rgb foreground, Rgb background) override;
  void FillRect(const Rect& rect, Rgb colour) override { canvas_.Fill(rect, colour); }
  void ScrollPixelsUp(const Rect& area, int pixels) override { canvas_.ScrollUp(area, pixels); }
  void Invalidate(const std::optional<Rect>& rect, bool erase) override;
  bool TakeInvalidRect(Rect& out) override;
  void CreateCaret(int width, int height) override;
  void SetCaretPos(int x, int y) override;
  void ShowCaret() override;
  void DestroyCaret() override;
  void CaptureWindowImage(int width, int height) override { canvas_.Capture(width, height); }
  void StretchWindowImage(const Rect& source, const Rect& target) override { canvas_.Stretch(source, target); }
  void ReleaseWindowImage() override { canvas_.ReleaseCapture(); }
  void DefaultBeep() override;

  // sound
  int WaveOpen(const WaveFormat& format) override { return wave_.Open(format); }
  int WavePrepare(WaveBlock* block) override { return wave_.Prepare(block); }
  int WaveUnprepare(WaveBlock* block) override { return wave_.Unprepare(block); }
  int WaveWrite(WaveBlock* block) override { return wave_.Write(block); }
  void WaveReset() override { wave_.Reset(); }
  void WaveClose() override { wave_.Close(); }
  bool WaveIsOpen() override { return wave_.IsOpen(); }
  void StartLoopingSound(std::span<const std::uint8_t> wav, int frequencyHz) override;
  void StopLoopingSound() override { looping_.Stop(); }

  // clipboard, clock, shell
  bool SetClipboardText(const std::string& cp1252) override;
  ClipboardRead GetClipboardText(std::string& out) override;
  LocalTime Now() override;
  void ShellOpen(const std::string& program, const std::string& parameter,
                 const std::string& workingFolder) override;

  // log
  void TraceWrite(std::string_view cp1252) override;
  void TracePlay(const std::string& programPath, std::uint32_t dataBytes, const WaveFormat& format) override;
  void TraceBuffer(std::uint32_t dataBytes, const WaveFormat& format) override;
  void TraceMissing(const std::string& programPath) override;
  void TraceEngine(const std::string& kind, std::string_view cp1252) override;

 private:
  struct Posted {
    Message msg;
  };

  bool EnsureVideo();
  // Posts from any thread through SDL's queue (the overflow list when full).
  void PostFromAnyThread(std::uint32_t id, std::uintptr_t a, std::uintptr_t b, bool toThread);
  // Moves every event SDL holds into the program's queue.
  void Pump();
  void Translate(const SDL_Event& e);
  void Queue(const Message& msg, Modifiers mods = {});
  void Deliver(const KeyedMessage& m);
  void Present();
  Rect ClientRect() const;
  void UpdateCaret();
  void Trace(const std::string& line);

  bool eventsReady_ = false;
  bool videoTried_ = false;
  bool videoReady_ = false;
  Uint32 windowPostEvent_ = 0;
  Uint32 threadPostEvent_ = 0;
  std::mutex overflowMutex_;
  std::vector<Message> overflow_;

  std::deque<KeyedMessage> queue_;
  KeyboardTranslator keyboard_;
  Modifiers deliveredMods_;
  std::array<bool, 256> keysDown_{};

  SDL_Window* window_ = nullptr;
  Uint32 windowId_ = 0;
  int clientWidth_ = 0;
  int clientHeight_ = 0;
  ConsoleFont font_;
  WindowCanvas canvas_;
  bool invalid_ = false;
  bool eraseInvalid_ = false;
  Rect invalidRect_{};

  bool caretExists_ = false;
  bool caretShown_ = false;
  int caretWidth_ = 0, caretHeight_ = 0, caretX_ = 0, caretY_ = 0;

  AudioOutputs audio_;
  WaveDevice wave_;
  LoopingSound looping_;
  Beeper beeper_;
  bool trace_ = TraceEnabled();
};

SdlBackend::SdlBackend()
    : wave_(audio_,
            [this](WaveBlock* block) {
              PostFromAnyThread(kMsgWaveDone, 0, reinterpret_cast<std::uintptr_t>(block), false);
            }),
      looping_(audio_),
      beeper_(audio_) {
  // Ctrl+C in a terminal ends the process as usual; closing the window is
  // the program's own business, not a quit.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  if (SDL_Init(SDL_INIT_EVENTS) == 0) {
    const Uint32 first = SDL_RegisterEvents(2);
    if (first != static_cast<Uint32>(-1)) {
      windowPostEvent_ = first;
      threadPostEvent_ = first + 1;
      eventsReady_ = true;
    }
  }
  if (!eventsReady_) std::fprintf(stderr, "tembrika: SDL events: %s\n", SDL_GetError());
}

SdlBackend::~SdlBackend() {
  looping_.Stop();
  wave_.Close();
  beeper_.Close();
  DestroyConsoleWindow();
  font_.Delete();
  if (TTF_WasInit() != 0) TTF_Quit();
  SDL_Quit();
}

bool SdlBackend::EnsureVideo() {
  if (videoTried_) return videoReady_;
  videoTried_ = true;
  videoReady_ = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
  if (!videoReady_) std::fprintf(stderr, "tembrika: no display: %s\n", SDL_GetError());
  return videoReady_;
}

// ------------------------------------------------------------ messages

void SdlBackend::PostFromAnyThread(std::uint32_t id, std::uintptr_t a, std::uintptr_t b, bool toThread) {
  if (eventsReady_) {
    SDL_Event e{};
    e.type = toThread ? threadPostEvent_ : windowPostEvent_;
    e.user.code = static_cast<Sint32>(id);
    e.user.data1 = reinterpret_cast<void*>(a);
    e.user.data2 = reinterpret_cast<void*>(b);
    if (SDL_PushEvent(&e) == 1) return;
  }
  // SDL's queue is full (or missing): the message must not be lost, a
  // wave block's owner waits for it.
  Message m;
  m.id = id;
  m.a = a;
  m.b = b;
  m.toThread = toThread;
  std::lock_guard lock(overflowMutex_);
  overflow_.push_back(m);
}

void SdlBackend::PostMessage(std::uint32_t id, std::uintptr_t a, std::uintptr_t b) {
  PostFromAnyThread(id, a, b, false);
}

void SdlBackend::PostQuit(int exitCode) {
  PostFromAnyThread(kMsgQuit, static_cast<std::uintptr_t>(exitCode), 0, true);
}

void SdlBackend::Queue(const Message& msg, Modifiers mods) { queue_.push_back({msg, mods}); }

void SdlBackend::Pump() {
  if (eventsReady_) {
    SDL_PumpEvents();
    SDL_Event e;
    while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) Translate(e);
  }
  std::vector<Message> posted;
  {
    std::lock_guard lock(overflowMutex_);
    posted.swap(overflow_);
  }
  for (const Message& m : posted) Queue(m);
}

void SdlBackend::Translate(const SDL_Event& e) {
  std::vector<KeyedMessage> keys;
  if (e.type != SDL_TEXTINPUT && e.type != SDL_TEXTEDITING && e.type != SDL_KEYDOWN) keyboard_.OtherEvent();
  if (e.type == windowPostEvent_ || e.type == threadPostEvent_) {
    Message m;
    m.id = static_cast<std::uint32_t>(e.user.code);
    m.a = reinterpret_cast<std::uintptr_t>(e.user.data1);
    m.b = reinterpret_cast<std::uintptr_t>(e.user.data2);
    m.toThread = e.type == threadPostEvent_;
    Queue(m);
    return;
  }
  switch (e.type) {
    case SDL_KEYDOWN:
      keyboard_.KeyDown(VirtualKeyFromSdl(e.key.keysym), ModifiersFromSdl(e.key.keysym.mod), keys);
      break;
    case SDL_KEYUP:
      keyboard_.KeyUp(VirtualKeyFromSdl(e.key.keysym), ModifiersFromSdl(e.key.keysym.mod), keys);
      break;
    case SDL_TEXTINPUT:
      keyboard_.Text(e.text.text, keys);
      break;
    case SDL_WINDOWEVENT:
      if (e.window.windowID != windowId_ || window_ == nullptr) break;
      switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE: {
          Message m;
          m.id = kMsgClose;
          Queue(m);
          break;
        }
        case SDL_WINDOWEVENT_FOCUS_GAINED: {
          Message m;
          m.id = kMsgFocusGained;
          Queue(m);
          break;
        }
        case SDL_WINDOWEVENT_FOCUS_LOST: {
          Message m;
          m.id = kMsgFocusLost;
          Queue(m);
          break;
        }
        case SDL_WINDOWEVENT_SIZE_CHANGED:
        case SDL_WINDOWEVENT_RESIZED:
          SDL_GetWindowSize(window_, &clientWidth_, &clientHeight_);
          canvas_.Resize(clientWidth_, clientHeight_);
          canvas_.MarkAllChanged();
          Invalidate(std::nullopt, false);
          break;
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_SHOWN:
          canvas_.MarkAllChanged();
          Invalidate(std::nullopt, false);
          break;
        default:
          break;
      }
      break;
    case SDL_MOUSEMOTION: {
      // Moves not yet taken are replaced by the latest, as a window system does.
      if (!queue_.empty() && queue_.back().msg.id == kMsgMouseMove) {
        queue_.back().msg.a = static_cast<std::uintptr_t>(std::max(0, e.motion.x));
        queue_.back().msg.b = static_cast<std::uintptr_t>(std::max(0, e.motion.y));
        break;
      }
      Message m;
      m.id = kMsgMouseMove;
      m.a = static_cast<std::uintptr_t>(std::max(0, e.motion.x));
      m.b = static_cast<std::uintptr_t>(std::max(0, e.motion.y));
      Queue(m);
      break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      if (e.button.button == SDL_BUTTON_RIGHT) {
        Message m;
        m.id = e.type == SDL_MOUSEBUTTONDOWN ? kMsgRightButtonDown : kMsgRightButtonUp;
        m.a = static_cast<std::uintptr_t>(std::max(0, e.button.x));
        m.b = static_cast<std::uintptr_t>(std::max(0, e.button.y));
        Queue(m);
      }
      break;
    default:
      break;  // SDL_QUIT among others: closing is told by the window event
  }
  for (const KeyedMessage& k : keys) queue_.push_back(k);
}

void SdlBackend::Deliver(const KeyedMessage& m) {
  if (!IsKeyMessage(m.msg.id)) return;
  deliveredMods_ = m.mods;
  const std::size_t vk = m.msg.a & 0xFF;
  if (m.msg.id == kMsgKeyDown || m.msg.id == kMsgSysKeyDown) keysDown_[vk] = true;
  if (m.msg.id == kMsgKeyUp || m.msg.id == kMsgSysKeyUp) keysDown_[vk] = false;
}

bool SdlBackend::PeekMessage(Message& out, PeekFilter filter) {
  Present();
  Pump();
  for (auto it = queue_.begin(); it != queue_.end(); ++it) {
    if (filter == PeekFilter::ConsoleWindowOnly && it->msg.toThread) continue;
    const KeyedMessage m = *it;
    queue_.erase(it);
    Deliver(m);
    out = m.msg;
    return true;
  }
  // A paint comes when nothing else is waiting.
  Rect area;
  if (window_ != nullptr && TakeInvalidRect(area)) {
    out = Message{};
    out.id = kMsgPaint;
    out.rect = area;
    return true;
  }
  return false;
}

void SdlBackend::WaitMessage(WaitReason) {
  Present();
  for (;;) {
    Pump();
    if (!queue_.empty() || (invalid_ && window_ != nullptr)) return;
    if (!eventsReady_) {
      SDL_Delay(static_cast<Uint32>(kWaitSliceMs));
      continue;
    }
    SDL_Event e;
    if (SDL_WaitEventTimeout(&e, kWaitSliceMs) == 1) Translate(e);
    Present();  // an expose during the wait shows the image again
  }
}

void SdlBackend::Sleep(unsigned milliseconds) {
  Present();
  SDL_Delay(milliseconds);
}

void SdlBackend::DefaultHandling(const Message& msg) {
  if (msg.id == kMsgSysKeyDown && msg.a == static_cast<std::uintptr_t>(kVkF4)) {
    // Alt+F4 asks to close the window.
    Message m;
    m.id = kMsgClose;
    Queue(m);
  } else if (msg.id == kMsgClose) {
    DestroyConsoleWindow();
    PostQuit(0);
  }
}

bool SdlBackend::IsKeyDown(int virtualKey) {
  switch (virtualKey) {
    case kVkShift: case 160: case 161: return deliveredMods_.shift;
    case kVkControl: case 162: case 163: return deliveredMods_.ctrl;
    case kVkMenu: case 164: case 165: return deliveredMods_.alt;
    default: return virtualKey >= 0 && virtualKey < 256 && keysDown_[static_cast<std::size_t>(virtualKey)];
  }
}

// ------------------------------------------------------------ window

Rect SdlBackend::WorkArea() {
  SDL_Rect r{0, 0, 1024, 734};
  if (EnsureVideo()) {
    const int display = window_ != nullptr ? std::max(0, SDL_GetWindowDisplayIndex(window_)) : 0;
    if (SDL_GetDisplayUsableBounds(display, &r) != 0) SDL_GetDisplayBounds(display, &r);
  }
  return {r.x, r.y, r.x + r.w, r.y + r.h};
}

FrameMetrics SdlBackend::GetFrameMetrics() {
  // The window manager draws its frame outside the client area, so the
  // window's size is its client size.
  FrameMetrics f;
  if (EnsureVideo()) {
    const int display = window_ != nullptr ? std::max(0, SDL_GetWindowDisplayIndex(window_)) : 0;
    SDL_Rect r{};
    if (SDL_GetDisplayBounds(display, &r) == 0) {
      f.screenWidth = r.w;
      f.screenHeight = r.h;
    }
  }
  return f;
}

bool SdlBackend::CreateConsoleFont(const FontSpec& spec) { return font_.Create(spec); }

FontMetrics SdlBackend::ConsoleFontMetrics() { return font_.Metrics(); }

void SdlBackend::DeleteConsoleFont() { font_.Delete(); }

void SdlBackend::CreateConsoleWindow(const std::string& title, int width, int height, bool maximised) {
  if (!EnsureVideo()) {
    std::fputs("tembrika: the console window cannot be shown without a display\n", stderr);
    ExitProcess(1);
  }
  DestroyConsoleWindow();
  const Rect work = WorkArea();
  // Never larger than the screen (as the window's size limits keep it on
  // the platform the program was made for), whatever the font asked.
  const FrameMetrics screen = GetFrameMetrics();
  width = std::clamp(width, 1, std::max(1, screen.screenWidth));
  height = std::clamp(height, 1, std::max(1, screen.screenHeight));
  int x = SDL_WINDOWPOS_UNDEFINED;
  int y = SDL_WINDOWPOS_UNDEFINED;
  if (maximised) {
    // A maximised console sits at the top left at the size of its grid,
    // clamped to the screen.
    x = work.left;
    y = work.top;
    width = std::min(width, work.right - work.left);
    height = std::min(height, work.bottom - work.top);
  }
  window_ = SDL_CreateWindow(Cp1252ToUtf8(title).c_str(), x, y, width, height,
                             SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE);
  if (window_ == nullptr) {
    std::fprintf(stderr, "tembrika: the console window cannot be created: %s\n", SDL_GetError());
    ExitProcess(1);
  }
  windowId_ = SDL_GetWindowID(window_);
  SDL_SetWindowMaximumSize(window_, width, height);
  const FontMetrics& m = font_.Metrics();
  SDL_SetWindowMinimumSize(window_, std::min(width, 16 * m.averageWidth),
                           std::min(height, 4 * (m.height + m.externalLeading)));
  SDL_GetWindowSize(window_, &clientWidth_, &clientHeight_);
  canvas_.Free();
  canvas_.Resize(std::max(width, clientWidth_), std::max(height, clientHeight_));
  SDL_StartTextInput();
  invalid_ = false;
  Invalidate(std::nullopt, false);
}

void SdlBackend::DestroyConsoleWindow() {
  if (window_ == nullptr) return;
  SDL_DestroyWindow(window_);
  window_ = nullptr;
  windowId_ = 0;
  clientWidth_ = clientHeight_ = 0;
  canvas_.Free();
  invalid_ = false;
  caretExists_ = caretShown_ = false;
}

void SdlBackend::SetWindowTitle(const std::string& title) {
  if (window_ != nullptr) SDL_SetWindowTitle(window_, Cp1252ToUtf8(title).c_str());
}

bool SdlBackend::IsActiveWindow() {
  return window_ != nullptr && (SDL_GetWindowFlags(window_) & SDL_WINDOW_INPUT_FOCUS) != 0;
}

int SdlBackend::WindowBottomOnScreen() {
  if (window_ == nullptr) return 0;
  int x = 0, y = 0, top = 0, left = 0, bottom = 0, right = 0;
  SDL_GetWindowPosition(window_, &x, &y);
  if (SDL_GetWindowBordersSize(window_, &top, &left, &bottom, &right) != 0) bottom = 0;
  return y + clientHeight_ + bottom;
}

void SdlBackend::DrawTextRun(int x, int y, std::string_view cells, Rgb foreground, Rgb background) {
  canvas_.DrawCells(x, y, cells, foreground, background, font_);
}

Rect SdlBackend::ClientRect() const { return {0, 0, clientWidth_, clientHeight_}; }

void SdlBackend::Invalidate(const std::optional<Rect>& rect, bool erase) {
  if (window_ == nullptr) return;
  const Rect client = ClientRect();
  Rect r = rect.value_or(client);
  r = {std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, client.right), std::min(r.bottom, client.bottom)};
  if (r.right <= r.left || r.bottom <= r.top) return;
  if (invalid_) {
    r = {std::min(r.left, invalidRect_.left), std::min(r.top, invalidRect_.top),
         std::max(r.right, invalidRect_.right), std::max(r.bottom, invalidRect_.bottom)};
  }
  invalidRect_ = r;
  invalid_ = true;
  eraseInvalid_ = eraseInvalid_ || erase;
}

bool SdlBackend::TakeInvalidRect(Rect& out) {
  if (!invalid_) return false;
  out = invalidRect_;
  // Erasing paints the window's background (black) under the coming paint.
  if (eraseInvalid_) canvas_.Fill(out, Rgb{});
  invalid_ = false;
  eraseInvalid_ = false;
  return true;
}

void SdlBackend::UpdateCaret() {
  canvas_.SetCaret(caretExists_ && caretShown_, {caretX_, caretY_, caretX_ + caretWidth_, caretY_ + caretHeight_});
}

void SdlBackend::CreateCaret(int width, int height) {
  caretExists_ = true;
  caretShown_ = false;
  caretWidth_ = std::max(width, 1);
  caretHeight_ = std::max(height, 1);
  UpdateCaret();
}

void SdlBackend::SetCaretPos(int x, int y) {
  caretX_ = x;
  caretY_ = y;
  UpdateCaret();
}

void SdlBackend::ShowCaret() {
  if (!caretExists_) return;
  caretShown_ = true;
  UpdateCaret();
}

void SdlBackend::DestroyCaret() {
  caretExists_ = false;
  caretShown_ = false;
  UpdateCaret();
}

void SdlBackend::Present() { canvas_.Present(window_); }

void SdlBackend::DefaultBeep() { beeper_.Beep(); }

void SdlBackend::StartLoopingSound(std::span<const std::uint8_t> wav, int) { looping_.Start(wav); }

// ------------------------------------------------------------ clipboard, clock, shell

bool SdlBackend::SetClipboardText(const std::string& cp1252) {
  if (!EnsureVideo()) return false;
  return SDL_SetClipboardText(Cp1252ToUtf8(cp1252).c_str()) == 0;
}

ClipboardRead SdlBackend::GetClipboardText(std::string& out) {
  if (!EnsureVideo()) return ClipboardRead::Unavailable;
  if (SDL_HasClipboardText() == SDL_FALSE) return ClipboardRead::NoText;
  char* text = SDL_GetClipboardText();
  if (text == nullptr) return ClipboardRead::Unavailable;
  const std::string utf8 = text;
  SDL_free(text);
  if (utf8.empty()) return ClipboardRead::NoText;
  out = Utf8ToCp1252(utf8);
  return ClipboardRead::Text;
}

LocalTime SdlBackend::Now() {
  const auto now = std::chrono::system_clock::now();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
  const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
  std::tm tm{};
  localtime_r(&seconds, &tm);
  LocalTime t;
  t.year = tm.tm_year + 1900;
  t.month = tm.tm_mon + 1;
  t.day = tm.tm_mday;
  t.dayOfWeek = tm.tm_wday;
  t.hour = tm.tm_hour;
  t.minute = tm.tm_min;
  t.second = std::min(tm.tm_sec, 59);  // a leap second reads as :59
  t.millisecond = static_cast<int>(ms % 1000);
  return t;
}

void SdlBackend::ShellOpen(const std::string& program, const std::string& parameter,
                           const std::string& workingFolder) {
  const std::vector<std::string> argv = ShellOpenCommand(program, parameter, ProgramSearchPath());
  if (argv.empty()) {
    std::fprintf(stderr, "tembrika: nothing to open for \"%s\"\n", Cp1252ToUtf8(program.empty() ? parameter : program).c_str());
    return;
  }
  const std::string folder = workingFolder.empty() ? std::string() : NativePath(workingFolder);
  if (!StartDetached(argv, folder)) std::fprintf(stderr, "tembrika: cannot start %s\n", argv[0].c_str());
  Trace("open\t" + Cp1252ToUtf8(program) + "\t" + Cp1252ToUtf8(parameter));
}

// ------------------------------------------------------------ log

void SdlBackend::Trace(const std::string& line) {
  if (trace_) std::fprintf(stderr, "%s\n", line.c_str());
}

void SdlBackend::TraceWrite(std::string_view cp1252) {
  if (trace_) Trace("write\t" + Cp1252ToUtf8(cp1252));
}

void SdlBackend::TracePlay(const std::string& programPath, std::uint32_t dataBytes, const WaveFormat& f) {
  if (trace_) {
    Trace("play\t" + Cp1252ToUtf8(programPath) + "\t" + std::to_string(dataBytes) + "\t" + std::to_string(f.rate) +
          "\t" + std::to_string(f.bits) + "\t" + std::to_string(f.channels));
  }
}

void SdlBackend::TraceBuffer(std::uint32_t dataBytes, const WaveFormat& f) {
  if (trace_) {
    Trace("buffer\t" + std::to_string(dataBytes) + "\t" + std::to_string(f.rate) + "\t" + std::to_string(f.bits) +
          "\t" + std::to_string(f.channels));
  }
}

void SdlBackend::TraceMissing(const std::string& programPath) {
  if (trace_) Trace("missing\t" + Cp1252ToUtf8(programPath));
}

void SdlBackend::TraceEngine(const std::string& kind, std::string_view cp1252) {
  if (trace_) Trace("engine\t" + kind + "\t" + Cp1252ToUtf8(cp1252));
}

}  // namespace

void Install() { InstallBackend(std::make_unique<SdlBackend>()); }

}  // namespace platform::sdl
