// A backend for the console's drawing tests: the simulator backend records
// nothing of what is drawn, this one records every drawing call and lets a
// test set the window's state (active, position, metrics).
#pragma once

#include <deque>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/backend.h"

namespace console_test {

struct DrawCall {
  int x = 0, y = 0;
  std::string cells;
  platform::Rgb foreground, background;
};

class RecordingBackend : public platform::Backend {
 public:
  // Test-side state.
  std::deque<platform::Message> queue;
  std::optional<platform::Rect> pendingInvalid;
  std::set<int> keysDown;
  platform::FontMetrics font{8, 16, 0, 12, 0};
  platform::FrameMetrics frame{0, 0, 0, 1024, 768};
  platform::Rect workArea{0, 0, 1024, 734};
  bool active = true;
  int windowBottom = 400;
  // What the console did.
  std::vector<DrawCall> draws;
  std::vector<std::pair<platform::Rect, int>> scrolls;
  std::vector<std::pair<platform::Rect, platform::Rgb>> fills;
  std::vector<std::pair<std::optional<platform::Rect>, bool>> invalidations;
  std::vector<std::string> events;  // caret, magnifier, window and sound calls, in order
  std::vector<platform::Message> defaultHandled;
  std::vector<std::string> traced;
  std::optional<platform::FontSpec> fontSpec;
  std::string title;
  int createdWidth = 0, createdHeight = 0;
  bool createdMaximised = false;
  bool windowExists = false;
  int waits = 0;
  // Messages that arrive while the program waits (all at the first wait).
  std::deque<platform::Message> arriveOnWait;

  bool PeekMessage(platform::Message& out, platform::PeekFilter filter) override {
    for (auto it = queue.begin(); it != queue.end(); ++it) {
      if (filter == platform::PeekFilter::ConsoleWindowOnly && it->toThread) continue;
      out = *it;
      queue.erase(it);
      return true;
    }
    if (pendingInvalid) {
      out = platform::Message{};
      out.id = platform::kMsgPaint;
      out.rect = *pendingInvalid;
      pendingInvalid.reset();
      return true;
    }
    return false;
  }
  // With nothing queued the user closes the window, as the simulator does.
  void WaitMessage(platform::WaitReason) override {
    ++waits;
    while (!arriveOnWait.empty()) {
      queue.push_back(arriveOnWait.front());
      arriveOnWait.pop_front();
    }
    if (queue.empty()) PostMessage(platform::kMsgClose, 0, 0);
  }
  void PostMessage(std::uint32_t id, std::uintptr_t a, std::uintptr_t b) override {
    platform::Message m;
    m.id = id;
    m.a = a;
    m.b = b;
    queue.push_back(m);
  }
  void PostQuit(int exitCode) override {
    platform::Message m;
    m.id = platform::kMsgQuit;
    m.toThread = true;
    m.a = static_cast<std::uintptr_t>(exitCode);
    queue.push_back(m);
  }
  void DefaultHandling(const platform::Message& msg) override { defaultHandled.push_back(msg); }
  void Sleep(unsigned ms) override { events.push_back("sleep " + std::to_string(ms)); }
  bool IsKeyDown(int vk) override { return keysDown.count(vk) != 0; }

  platform::Rect WorkArea() override { return workArea; }
  platform::FrameMetrics GetFrameMetrics() override { return frame; }
  bool CreateConsoleFont(const platform::FontSpec& spec) override {
    fontSpec = spec;
    return true;
  }
  platform::FontMetrics ConsoleFontMetrics() override { return font; }
  void DeleteConsoleFont() override { events.push_back("delete-font"); }
  void CreateConsoleWindow(const std::string& t, int width, int height, bool maximised) override {
    title = t;
    createdWidth = width;
    createdHeight = height;
    createdMaximised = maximised;
    windowExists = true;
  }
  void DestroyConsoleWindow() override {
    windowExists = false;
    events.push_back("destroy");
  }
  bool ConsoleWindowExists() override { return windowExists; }
  void SetWindowTitle(const std::string& t) override { title = t; }
  void EnableCloseCommand() override { events.push_back("enable-close"); }
  bool IsActiveWindow() override { return active; }
  int WindowBottomOnScreen() override { return windowBottom; }
  void DrawTextRun(int x, int y, std::string_view cells, platform::Rgb fg, platform::Rgb bg) override {
    draws.push_back({x, y, std::string(cells), fg, bg});
  }
  void FillRect(const platform::Rect& rect, platform::Rgb colour) override { fills.emplace_back(rect, colour); }
  void ScrollPixelsUp(const platform::Rect& area, int pixels) override { scrolls.emplace_back(area, pixels); }
  void Invalidate(const std::optional<platform::Rect>& rect, bool erase) override {
    invalidations.emplace_back(rect, erase);
    pendingInvalid = rect.value_or(platform::Rect{0, 0, createdWidth, createdHeight});
  }
  bool TakeInvalidRect(platform::Rect& out) override {
    if (!pendingInvalid) return false;
    out = *pendingInvalid;
    pendingInvalid.reset();
    return true;
  }
  void CreateCaret(int w, int h) override { events.push_back("caret " + std::to_string(w) + "x" + std::to_string(h)); }
  void SetCaretPos(int x, int y) override { events.push_back("caret-at " + std::to_string(x) + "," + std::to_string(y)); }
  void ShowCaret() override { events.push_back("caret-show"); }
  void DestroyCaret() override { events.push_back("caret-destroy"); }
  void CaptureWindowImage(int w, int h) override { events.push_back("capture " + std::to_string(w) + "x" + std::to_string(h)); }
  void StretchWindowImage(const platform::Rect& s, const platform::Rect& t) override {
    events.push_back("stretch " + Text(s) + " -> " + Text(t));
  }
  void ReleaseWindowImage() override { events.push_back("release-image"); }
  void DefaultBeep() override { events.push_back("beep"); }

  int WaveOpen(const platform::WaveFormat&) override { return platform::kWaveOk; }
  int WavePrepare(platform::WaveBlock*) override { return platform::kWaveOk; }
  int WaveUnprepare(platform::WaveBlock*) override { return platform::kWaveOk; }
  int WaveWrite(platform::WaveBlock*) override { return platform::kWaveOk; }
  void WaveReset() override {}
  void WaveClose() override {}
  bool WaveIsOpen() override { return false; }
  void StartLoopingSound(std::span<const std::uint8_t> wav, int hz) override {
    lastTone.assign(wav.begin(), wav.end());
    events.push_back("tone " + std::to_string(hz));
  }
  void StopLoopingSound() override { events.push_back("tone-stop"); }
  std::vector<std::uint8_t> lastTone;

  bool SetClipboardText(const std::string&) override { return true; }
  platform::ClipboardRead GetClipboardText(std::string&) override { return platform::ClipboardRead::NoText; }
  platform::LocalTime Now() override { return {}; }
  void ShellOpen(const std::string&, const std::string&, const std::string&) override {}

  void TraceWrite(std::string_view text) override { traced.emplace_back(text); }
  void TracePlay(const std::string&, std::uint32_t, const platform::WaveFormat&) override {}
  void TraceBuffer(std::uint32_t, const platform::WaveFormat&) override {}
  void TraceMissing(const std::string&) override {}
  void TraceEngine(const std::string&, std::string_view) override {}

  static std::string Text(const platform::Rect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
  }
};

}  // namespace console_test
