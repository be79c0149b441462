// The simulator backend: a message queue fed by the key script and the
// virtual clock, a wave device that plays in virtual time, and the log.
#include <algorithm>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "platform/headless/collected_sound.h"
#include "platform/headless/headless.h"
#include "platform/headless/sim_log.h"
#include "platform/headless/virtual_wave_device.h"

namespace platform::headless {

namespace {

// Steps allowed after a timeout, for the program's shut-down, before it is ended again.
constexpr std::uint64_t kStepsAfterTimeout = 1'000'000;

std::string FormatFields(std::uint32_t bytes, const WaveFormat& format) {
  return std::to_string(bytes) + "\t" + std::to_string(format.rate) + "\t" + std::to_string(format.bits) + "\t" +
         std::to_string(format.channels);
}

class Simulator final : public HeadlessBackend {
 public:
  explicit Simulator(const Options& options) : options_(options) {
    clockBaseMillis_ = MillisFromLocalTime(options.clock);
    double limit = options.virtualHoursLimit * 3600.0 * 1e6;
    limitMicros_ = limit <= 0 ? 0 : limit >= 1.8e19 ? UINT64_MAX : static_cast<std::uint64_t>(limit);
    sound_.SetEnabled(options.collectSamples || !options.wavPath.empty());
    if (!options.logPath.empty() && !log_.OpenFile(options.logPath)) {
      Log("error\tcannot open the log file " + options.logPath);
    }
    AppendKeys(options.keyScript);
  }

  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  // ------------------------------------------------------------ messages
  bool PeekMessage(Message& out, PeekFilter filter) override {
    {
      std::lock_guard<std::mutex> lock(queueMutex_);
      for (auto it = queue_.begin(); it != queue_.end(); ++it) {
        if (filter == PeekFilter::ConsoleWindowOnly && it->toThread) continue;
        out = *it;
        queue_.erase(it);
        return true;
      }
    }
    if (invalid_ && windowExists_) {
      out = Message{};
      out.id = kMsgPaint;
      out.rect = *invalid_;
      invalid_.reset();
      return true;
    }
    CountStep();
    return false;
  }

  // The reason needs no test of its own: a wait for a key with nothing playing
  // and a wait for anything with nothing that could wake the program both end
  // with the next scripted key.
  void WaitMessage(WaitReason) override {
    CountStep();
    if (timedOut_) {
      FinishAllBlocksNow();
      if (!HasMessage()) Post(kMsgClose, 0, 0, false);
      return;
    }
    if (!script_.empty() && script_.front().urgent) {
      DeliverFront();
      return;
    }
    if (HasMessage()) return;
    // While sound plays, a plain key waits for its end (and so does any other wait).
    if (wave_.Playing()) {
      AdvanceTo(wave_.FirstEnd());
      return;
    }
    // Nothing plays: the user types the next key, or closes the window.
    DeliverUpToNextKey();
  }

  void PostMessage(std::uint32_t id, std::uintptr_t a, std::uintptr_t b) override { Post(id, a, b, false); }

  void PostQuit(int exitCode) override {
    Post(kMsgQuit, static_cast<std::uintptr_t>(static_cast<std::intptr_t>(exitCode)), 0, true);
  }

  void DefaultHandling(const Message& msg) override {
    // F4 as a system key is Alt+F4: the only system key without Alt is F10.
    if (msg.id == kMsgSysKeyDown && msg.a == static_cast<std::uintptr_t>(kVkF4)) {
      Post(kMsgClose, 0, 0, false);
    } else if (msg.id == kMsgClose) {
      DestroyConsoleWindow();
    }
  }

  void Sleep(unsigned milliseconds) override {
    CountStep();
    if (timedOut_) return;
    if (!script_.empty() && script_.front().urgent) DeliverFront();
    AdvanceTo(nowMicros_ + static_cast<std::uint64_t>(milliseconds) * 1000);
  }

  bool IsKeyDown(int virtualKey) override {
    switch (virtualKey) {
      case kVkShift: return shift_;
      case kVkControl: return ctrl_;
      case kVkMenu: return alt_;
      default: return false;
    }
  }

  // ------------------------------------------------------------ window
  Rect WorkArea() override { return Rect{0, 0, workWidth_, workHeight_}; }

  FrameMetrics GetFrameMetrics() override {
    FrameMetrics metrics;
    metrics.screenWidth = std::max(1024, workWidth_);
    metrics.screenHeight = std::max(768, workHeight_);
    return metrics;
  }

  bool CreateConsoleFont(const FontSpec& spec) override {
    font_ = FontMetrics{};
    font_.averageWidth = spec.width > 0 ? spec.width : 8;
    font_.height = spec.height > 0 ? spec.height : 16;
    font_.ascent = font_.height * 3 / 4;
    return true;
  }

  FontMetrics ConsoleFontMetrics() override { return font_; }
  void DeleteConsoleFont() override { font_ = FontMetrics{}; }

  void CreateConsoleWindow(const std::string& title, int width, int height, bool maximised) override {
    windowExists_ = true;
    title_ = title;
    clientWidth_ = std::max(0, width);
    clientHeight_ = std::max(0, height);
    if (maximised) {
      clientWidth_ = std::min(clientWidth_, workWidth_);
      clientHeight_ = std::min(clientHeight_, workHeight_);
    }
    invalid_.reset();
    if (clientWidth_ > 0 && clientHeight_ > 0) invalid_ = Rect{0, 0, clientWidth_, clientHeight_};
    Post(kMsgFocusGained, 0, 0, false);
  }

  void DestroyConsoleWindow() override {
    windowExists_ = false;
    invalid_.reset();
  }

  bool ConsoleWindowExists() override { return windowExists_; }
  void SetWindowTitle(const std::string& title) override { title_ = title; }
  void EnableCloseCommand() override {}
  bool IsActiveWindow() override { return windowExists_; }
  int WindowBottomOnScreen() override { return clientHeight_; }
  void DrawTextRun(int, int, std::string_view, Rgb, Rgb) override {}
  void FillRect(const Rect&, Rgb) override {}
  void ScrollPixelsUp(const Rect&, int) override {}

  void Invalidate(const std::optional<Rect>& rect, bool) override {
    if (!windowExists_) return;
    Rect r = rect.value_or(Rect{0, 0, clientWidth_, clientHeight_});
    r.left = std::max(r.left, 0);
    r.top = std::max(r.top, 0);
    r.right = std::min(r.right, clientWidth_);
    r.bottom = std::min(r.bottom, clientHeight_);
    if (r.right <= r.left || r.bottom <= r.top) return;
    if (!invalid_) {
      invalid_ = r;
    } else {
      invalid_->left = std::min(invalid_->left, r.left);
      invalid_->top = std::min(invalid_->top, r.top);
      invalid_->right = std::max(invalid_->right, r.right);
      invalid_->bottom = std::max(invalid_->bottom, r.bottom);
    }
  }

  bool TakeInvalidRect(Rect& out) override {
    if (!invalid_) return false;
    out = *invalid_;
    invalid_.reset();
    return true;
  }

  void CreateCaret(int, int) override {}
  void SetCaretPos(int, int) override {}
  void ShowCaret() override {}
  void DestroyCaret() override {}
  void CaptureWindowImage(int, int) override {}
  void StretchWindowImage(const Rect&, const Rect&) override {}
  void ReleaseWindowImage() override {}
  void DefaultBeep() override {}

  // ------------------------------------------------------------ sound
  int WaveOpen(const WaveFormat& format) override { return wave_.Open(format); }
  int WavePrepare(WaveBlock* block) override { return wave_.Prepare(block); }
  int WaveUnprepare(WaveBlock* block) override { return wave_.Unprepare(block); }
  int WaveWrite(WaveBlock* block) override { return wave_.Write(block, nowMicros_); }

  void WaveReset() override {
    std::vector<WaveBlock*> returned = wave_.Cut(nowMicros_);
    if (returned.empty()) return;
    Log("cut");
    for (WaveBlock* block : returned) PostDone(block);
  }

  // Blocks still queued stop with the device; nobody is told about them.
  void WaveClose() override {
    if (wave_.Close(nowMicros_)) Log("cut");
  }

  bool WaveIsOpen() override { return wave_.IsOpen(); }

  void StartLoopingSound(std::span<const std::uint8_t> wav, int frequencyHz) override {
    if (toneOn_) StopLoopingSound();
    toneOn_ = true;
    toneWav_.assign(wav.begin(), wav.end());
    toneStartMicros_ = nowMicros_;
    Log("tone\t" + std::to_string(frequencyHz));
  }

  void StopLoopingSound() override {
    if (!toneOn_) return;
    toneOn_ = false;
    sound_.AddLoopedWav(toneWav_, nowMicros_ - toneStartMicros_);
    toneWav_.clear();
    Log("tone-stop");
  }

  // ------------------------------------------------------------ clipboard, clock, shell
  bool SetClipboardText(const std::string& cp1252) override {
    if (clipboardState_ == ClipboardRead::Unavailable) return false;
    clipboardState_ = ClipboardRead::Text;
    clipboard_ = cp1252;
    Log("clipboard\t" + EscapeForLog(cp1252));
    return true;
  }

  ClipboardRead GetClipboardText(std::string& out) override {
    if (clipboardState_ == ClipboardRead::Text) out = clipboard_;
    return clipboardState_;
  }

  LocalTime Now() override {
    return LocalTimeFromMillis(clockBaseMillis_ + static_cast<std::int64_t>((nowMicros_ - clockBaseAtMicros_) / 1000));
  }

  void ShellOpen(const std::string& program, const std::string& parameter, const std::string&) override {
    Log("open\t" + EscapeForLog(program) + "\t" + EscapeForLog(parameter));
  }

  // ------------------------------------------------------------ log
  void TraceWrite(std::string_view cp1252) override { Log("write\t" + EscapeForLog(cp1252)); }

  void TracePlay(const std::string& programPath, std::uint32_t dataBytes, const WaveFormat& format) override {
    Log("play\t" + LogFileName(programPath) + "\t" + FormatFields(dataBytes, format));
  }

  void TraceBuffer(std::uint32_t dataBytes, const WaveFormat& format) override {
    Log("buffer\t" + FormatFields(dataBytes, format));
  }

  void TraceMissing(const std::string& programPath) override { Log("missing\t" + LogFileName(programPath)); }

  void TraceEngine(const std::string& kind, std::string_view cp1252) override {
    Log("engine\t" + EscapeForLog(kind) + "\t" + EscapeForLog(cp1252));
  }

  // ------------------------------------------------------------ test side
  void AppendKeys(const std::string& script) override {
    std::vector<ScriptItem> items;
    std::string error;
    if (!ParseKeyScript(script, items, error)) {
      Log("error\t" + error);
      return;
    }
    for (ScriptItem& item : items) script_.push_back(std::move(item));
  }

  const std::vector<std::string>& LogLines() const override { return log_.Lines(); }
  void ClearLog() override { log_.Clear(); }
  void Log(const std::string& line) override { log_.Add(line); }

  std::uint64_t VirtualMillis() const override { return nowMicros_ / 1000; }
  const std::vector<std::uint8_t>& CollectedSamples() const override { return sound_.Samples(); }

  void WriteCollectedWav() override {
    if (options_.wavPath.empty()) return;
    if (!sound_.WriteWav(options_.wavPath)) Log("error\tcannot write " + options_.wavPath);
  }

  void FailNextWaveOpen(int result, int times) override { wave_.FailNextOpen(result, times); }
  void FailNextUnprepare(int result) override { wave_.FailNextUnprepare(result); }
  void FailNextPrepare(int result) override { wave_.FailNextPrepare(result); }
  void SetWaveDeviceAvailable(bool available) override { wave_.SetAvailable(available); }
  int QueuedWaveBlocks() const override { return wave_.QueuedBlocks(); }
  std::vector<WrittenBlock> TakeWrittenBlocks() override { return wave_.TakeWritten(); }

  void SetClipboardForTests(ClipboardRead state, const std::string& text) override {
    clipboardState_ = state;
    clipboard_ = state == ClipboardRead::Text ? text : std::string();
  }

  int ClientWidth() const override { return clientWidth_; }
  int ClientHeight() const override { return clientHeight_; }

  void SetWorkArea(int width, int height) override {
    workWidth_ = width;
    workHeight_ = height;
  }

  bool TimedOut() const override { return timedOut_; }
  std::size_t PendingScriptItems() const override { return script_.size(); }
  const std::string& WindowTitle() const override { return title_; }

 private:
  void Post(std::uint32_t id, std::uintptr_t a, std::uintptr_t b, bool toThread) {
    Message msg;
    msg.id = id;
    msg.a = a;
    msg.b = b;
    msg.toThread = toThread;
    std::lock_guard<std::mutex> lock(queueMutex_);
    queue_.push_back(msg);
  }

  bool HasMessage() {
    std::lock_guard<std::mutex> lock(queueMutex_);
    return !queue_.empty() || (invalid_ && windowExists_);
  }

  void CountStep() {
    ++steps_;
    if (timedOut_) {
      if (++stepsAfterTimeout_ > kStepsAfterTimeout) ExitProcess(124);
      return;
    }
    if (steps_ > options_.stepLimit) TimeOut();
  }

  [[noreturn]] void TimeOut() {
    timedOut_ = true;
    Log("timeout");
    ExitProcess(124);
  }

  // Moves virtual time forward to target, finishing the blocks that end on the way.
  // Time the script moves the clock on (+90s) does not count against the limit,
  // which is there to end a program that waits or sleeps without end.
  void AdvanceTo(std::uint64_t target, bool byScript = false) {
    if (byScript) scriptMicros_ += target - nowMicros_;
    std::uint64_t limit = limitMicros_ > UINT64_MAX - scriptMicros_ ? UINT64_MAX : limitMicros_ + scriptMicros_;
    bool overLimit = target > limit;
    if (overLimit) target = limit;
    while (wave_.Playing() && wave_.FirstEnd() <= target) {
      nowMicros_ = std::max(nowMicros_, wave_.FirstEnd());
      PostDone(wave_.FinishFirst());
    }
    nowMicros_ = std::max(nowMicros_, target);
    if (overLimit) TimeOut();
  }

  void PostDone(WaveBlock* block) { Post(kMsgWaveDone, 0, reinterpret_cast<std::uintptr_t>(block), false); }

  // After a timeout the program's shut-down must not wait on sound.
  void FinishAllBlocksNow() {
    for (WaveBlock* block : wave_.ReturnAll()) PostDone(block);
  }

  void DeliverFront() {
    ScriptItem item = std::move(script_.front());
    script_.pop_front();
    switch (item.kind) {
      case ScriptItem::Kind::Key:
        Log("key\t" + item.token);
        shift_ = item.shift;
        ctrl_ = item.ctrl;
        alt_ = item.alt;
        for (const Message& msg : item.messages) Post(msg.id, msg.a, msg.b, false);
        break;
      case ScriptItem::Kind::SetClock:
        clockBaseMillis_ = MillisFromLocalTime(item.clock);
        clockBaseAtMicros_ = nowMicros_;
        break;
      case ScriptItem::Kind::Advance:
        AdvanceTo(nowMicros_ + item.advanceMillis * 1000, true);
        break;
    }
  }

  // Applies clock entries up to the next key and delivers it; at the end of
  // the script the user closes the window.
  void DeliverUpToNextKey() {
    while (!script_.empty()) {
      bool isKey = script_.front().kind == ScriptItem::Kind::Key;
      DeliverFront();
      if (isKey || HasMessage()) return;
    }
    Post(kMsgClose, 0, 0, false);
  }

  Options options_;

  std::mutex queueMutex_;
  std::deque<Message> queue_;
  std::deque<ScriptItem> script_;
  bool shift_ = false, ctrl_ = false, alt_ = false;

  std::uint64_t nowMicros_ = 0;
  std::uint64_t limitMicros_ = 0;
  std::uint64_t scriptMicros_ = 0;  // virtual time passed by the script's clock advances
  std::int64_t clockBaseMillis_ = 0;
  std::uint64_t clockBaseAtMicros_ = 0;
  std::uint64_t steps_ = 0;
  std::uint64_t stepsAfterTimeout_ = 0;
  bool timedOut_ = false;

  SimLog log_;
  CollectedSound sound_;
  VirtualWaveDevice wave_{sound_};

  bool toneOn_ = false;
  std::vector<std::uint8_t> toneWav_;
  std::uint64_t toneStartMicros_ = 0;

  ClipboardRead clipboardState_ = ClipboardRead::NoText;
  std::string clipboard_;

  bool windowExists_ = false;
  std::string title_;
  int clientWidth_ = 0;
  int clientHeight_ = 0;
  int workWidth_ = 1024;
  int workHeight_ = 734;
  FontMetrics font_;
  std::optional<Rect> invalid_;
};

}  // namespace

HeadlessBackend& Install(const Options& options) {
  auto backend = std::make_unique<Simulator>(options);
  Simulator& installed = *backend;
  InstallBackend(std::move(backend));
  return installed;
}

}  // namespace platform::headless
