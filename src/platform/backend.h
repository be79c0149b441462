// The table of operations a backend fills in. The core (platform.cpp) calls
// the installed backend; a backend never calls the core of the program.
#pragma once

#include <memory>

#include "platform/platform.h"

namespace platform {

class Backend {
 public:
  virtual ~Backend() = default;

  // messages
  virtual bool PeekMessage(Message& out, PeekFilter filter) = 0;
  virtual void WaitMessage(WaitReason reason) = 0;
  virtual void PostMessage(std::uint32_t id, std::uintptr_t a, std::uintptr_t b) = 0;
  virtual void PostQuit(int exitCode) = 0;
  virtual void DefaultHandling(const Message& msg) = 0;
  virtual void Sleep(unsigned milliseconds) = 0;
  virtual bool IsKeyDown(int virtualKey) = 0;

  // window
  virtual Rect WorkArea() = 0;
  virtual FrameMetrics GetFrameMetrics() = 0;
  virtual bool CreateConsoleFont(const FontSpec& spec) = 0;
  virtual FontMetrics ConsoleFontMetrics() = 0;
  virtual void DeleteConsoleFont() = 0;
  virtual void CreateConsoleWindow(const std::string& title, int width, int height,
                                   bool maximised) = 0;
  virtual void DestroyConsoleWindow() = 0;
  virtual bool ConsoleWindowExists() = 0;
  virtual void SetWindowTitle(const std::string& title) = 0;
  virtual void EnableCloseCommand() = 0;
  virtual bool IsActiveWindow() = 0;
  virtual int WindowBottomOnScreen() = 0;
  virtual void DrawTextRun(int x, int y, std::string_view cells, Rgb foreground,
                           Rgb background) = 0;
  virtual void FillRect(const Rect& rect, Rgb colour) = 0;
  virtual void ScrollPixelsUp(const Rect& area, int pixels) = 0;
  virtual void Invalidate(const std::optional<Rect>& rect, bool erase) = 0;
  virtual bool TakeInvalidRect(Rect& out) = 0;
  virtual void CreateCaret(int width, int height) = 0;
  virtual void SetCaretPos(int x, int y) = 0;
  virtual void ShowCaret() = 0;
  virtual void DestroyCaret() = 0;
  virtual void CaptureWindowImage(int width, int height) = 0;
  virtual void StretchWindowImage(const Rect& source, const Rect& target) = 0;
  virtual void ReleaseWindowImage() = 0;
  virtual void DefaultBeep() = 0;

  // sound
  virtual int WaveOpen(const WaveFormat& format) = 0;
  virtual int WavePrepare(WaveBlock* block) = 0;
  virtual int WaveUnprepare(WaveBlock* block) = 0;
  virtual int WaveWrite(WaveBlock* block) = 0;
  virtual void WaveReset() = 0;
  virtual void WaveClose() = 0;
  virtual bool WaveIsOpen() = 0;
  virtual void StartLoopingSound(std::span<const std::uint8_t> wav, int frequencyHz) = 0;
  virtual void StopLoopingSound() = 0;

  // clipboard, clock, shell
  virtual bool SetClipboardText(const std::string& cp1252) = 0;
  virtual ClipboardRead GetClipboardText(std::string& out) = 0;
  virtual LocalTime Now() = 0;
  virtual void ShellOpen(const std::string& program, const std::string& parameter,
                         const std::string& workingFolder) = 0;

  // log
  virtual void TraceWrite(std::string_view cp1252) = 0;
  virtual void TracePlay(const std::string& programPath, std::uint32_t dataBytes,
                         const WaveFormat& format) = 0;
  virtual void TraceBuffer(std::uint32_t dataBytes, const WaveFormat& format) = 0;
  virtual void TraceMissing(const std::string& programPath) = 0;
  virtual void TraceEngine(const std::string& kind, std::string_view cp1252) = 0;
};

// Installs the backend every operation forwards to (replacing the previous
// one). Called once by main, and by each test fixture.
void InstallBackend(std::unique_ptr<Backend> backend);
Backend& ActiveBackend();
bool HasBackend();

}  // namespace platform
