// Forwards the backend-specific operations to the installed backend.
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "platform/backend.h"

namespace platform {

namespace {
std::unique_ptr<Backend>& Slot() {
  static std::unique_ptr<Backend> backend;
  return backend;
}
}  // namespace

void InstallBackend(std::unique_ptr<Backend> backend) { Slot() = std::move(backend); }

bool HasBackend() { return Slot() != nullptr; }

Backend& ActiveBackend() {
  if (!Slot()) {
    std::fputs("tembrika: no platform backend installed\n", stderr);
    std::abort();
  }
  return *Slot();
}

bool PeekMessage(Message& out, PeekFilter filter) { return ActiveBackend().PeekMessage(out, filter); }
void WaitMessage(WaitReason reason) { ActiveBackend().WaitMessage(reason); }
void PostMessage(std::uint32_t id, std::uintptr_t a, std::uintptr_t b) { ActiveBackend().PostMessage(id, a, b); }
void PostQuit(int exitCode) { ActiveBackend().PostQuit(exitCode); }
void DefaultHandling(const Message& msg) { ActiveBackend().DefaultHandling(msg); }
void Sleep(unsigned milliseconds) { ActiveBackend().Sleep(milliseconds); }
bool IsKeyDown(int virtualKey) { return ActiveBackend().IsKeyDown(virtualKey); }
Rect WorkArea() { return ActiveBackend().WorkArea(); }
FrameMetrics GetFrameMetrics() { return ActiveBackend().GetFrameMetrics(); }
bool CreateConsoleFont(const FontSpec& spec) { return ActiveBackend().CreateConsoleFont(spec); }
FontMetrics ConsoleFontMetrics() { return ActiveBackend().ConsoleFontMetrics(); }
void DeleteConsoleFont() { ActiveBackend().DeleteConsoleFont(); }
void CreateConsoleWindow(const std::string& title, int width, int height, bool maximised) { ActiveBackend().CreateConsoleWindow(title, width, height, maximised); }
void DestroyConsoleWindow() { ActiveBackend().DestroyConsoleWindow(); }
bool ConsoleWindowExists() { return ActiveBackend().ConsoleWindowExists(); }
void SetWindowTitle(const std::string& title) { ActiveBackend().SetWindowTitle(title); }
void EnableCloseCommand() { ActiveBackend().EnableCloseCommand(); }
bool IsActiveWindow() { return ActiveBackend().IsActiveWindow(); }
int WindowBottomOnScreen() { return ActiveBackend().WindowBottomOnScreen(); }
void DrawTextRun(int x, int y, std::string_view cells, Rgb foreground, Rgb background) { ActiveBackend().DrawTextRun(x, y, cells, foreground, background); }
void FillRect(const Rect& rect, Rgb colour) { ActiveBackend().FillRect(rect, colour); }
void ScrollPixelsUp(const Rect& area, int pixels) { ActiveBackend().ScrollPixelsUp(area, pixels); }
void Invalidate(const std::optional<Rect>& rect, bool erase) { ActiveBackend().Invalidate(rect, erase); }
bool TakeInvalidRect(Rect& out) { return ActiveBackend().TakeInvalidRect(out); }
void CreateCaret(int width, int height) { ActiveBackend().CreateCaret(width, height); }
void SetCaretPos(int x, int y) { ActiveBackend().SetCaretPos(x, y); }
void ShowCaret() { ActiveBackend().ShowCaret(); }
void DestroyCaret() { ActiveBackend().DestroyCaret(); }
void CaptureWindowImage(int width, int height) { ActiveBackend().CaptureWindowImage(width, height); }
void StretchWindowImage(const Rect& source, const Rect& target) { ActiveBackend().StretchWindowImage(source, target); }
void ReleaseWindowImage() { ActiveBackend().ReleaseWindowImage(); }
void DefaultBeep() { ActiveBackend().DefaultBeep(); }
int WaveOpen(const WaveFormat& format) { return ActiveBackend().WaveOpen(format); }
int WavePrepare(WaveBlock* block) { return ActiveBackend().WavePrepare(block); }
int WaveUnprepare(WaveBlock* block) { return ActiveBackend().WaveUnprepare(block); }
int WaveWrite(WaveBlock* block) { return ActiveBackend().WaveWrite(block); }
void WaveReset() { ActiveBackend().WaveReset(); }
void WaveClose() { ActiveBackend().WaveClose(); }
bool WaveIsOpen() { return ActiveBackend().WaveIsOpen(); }
void StartLoopingSound(std::span<const std::uint8_t> wav, int frequencyHz) { ActiveBackend().StartLoopingSound(wav, frequencyHz); }
void StopLoopingSound() { ActiveBackend().StopLoopingSound(); }
bool SetClipboardText(const std::string& cp1252) { return ActiveBackend().SetClipboardText(cp1252); }
ClipboardRead GetClipboardText(std::string& out) { return ActiveBackend().GetClipboardText(out); }
LocalTime Now() { return ActiveBackend().Now(); }
void ShellOpen(const std::string& program, const std::string& parameter, const std::string& workingFolder) { ActiveBackend().ShellOpen(program, parameter, workingFolder); }
void TraceWrite(std::string_view cp1252) { ActiveBackend().TraceWrite(cp1252); }
void TracePlay(const std::string& programPath, std::uint32_t dataBytes, const WaveFormat& format) { ActiveBackend().TracePlay(programPath, dataBytes, format); }
void TraceBuffer(std::uint32_t dataBytes, const WaveFormat& format) { ActiveBackend().TraceBuffer(dataBytes, format); }
void TraceMissing(const std::string& programPath) { ActiveBackend().TraceMissing(programPath); }
void TraceEngine(const std::string& kind, std::string_view cp1252) { ActiveBackend().TraceEngine(kind, cp1252); }

}  // namespace platform
