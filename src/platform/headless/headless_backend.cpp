// The simulator backend: a message queue fed by the key script and the
// virtual clock, a wave device that plays in virtual time, and the log.
#include <cstdio>
#include <deque>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "platform/headless/collected_sound.h"
#include "platform/headless/headless.h"
#include "platform/text_encoding.h"

namespace platform::headless {

namespace {

// Bookkeeping bits of WaveBlock::flags.
constexpr std::uint32_t kBlockDone = 0x01;
constexpr std::uint32_t kBlockPrepared = 0x02;
constexpr std::uint32_t kBlockInQueue = 0x10;

// Result of writing a block that was not prepared.
constexpr int kWaveUnprepared = 34;

// Steps allowed after a timeout, for the program's shut-down, before it is ended again.
constexpr std::uint64_t kStepsAfterTimeout = 1'000'000;

// Bytes of written blocks kept for TakeWrittenBlocks; older ones are dropped past this.
constexpr std::size_t kWrittenBlocksLimit = 64u << 20;

std::string Number(std::uint64_t value) { return std::to_string(value); }

// The log's form of a program text: UTF-8, with control bytes and the
// backslash escaped so that one event stays on one line.
std::string EscapeForLog(std::string_view cp1252) {
  std::string out;
  out.reserve(cp1252.size());
  for (char ch : cp1252) {
    auto c = static_cast<std::uint8_t>(ch);
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c == 0x7F || c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D) {
          static const char kHex[] = "0123456789ABCDEF";
          out += "\\x";
          out += kHex[c >> 4];
          out += kHex[c & 15];
        } else {
          AppendUtf8(out, Cp1252ToUnicode(c));
        }
    }
  }
  return out;
}

bool IsUtf8(std::string_view text) {
  std::size_t pos = 0;
  char32_t cp = 0;
  while (pos < text.size()) {
    if (!DecodeUtf8(text, pos, cp)) return false;
  }
  return true;
}

// A file of the log: relative to drive C with forward slashes when inside it,
// else the native path.
std::string LogFileName(const std::string& programPath) {
  namespace fs = std::filesystem;
  std::string native = NativePath(programPath);
  if (native.empty() || native[0] != '/') native = CurrentDirectory() + "/" + native;
  std::error_code error;
  fs::path file = fs::weakly_canonical(fs::path(native), error);
  if (error) file = fs::path(native).lexically_normal();
  fs::path root = fs::weakly_canonical(fs::path(DriveCRoot()), error);
  if (error) root = fs::path(DriveCRoot()).lexically_normal();
  std::string fileText = file.string();
  std::string rootText = root.string();
  while (rootText.size() > 1 && rootText.back() == '/') rootText.pop_back();
  std::string shown = fileText;
  if (fileText.size() > rootText.size() + 1 && fileText.compare(0, rootText.size(), rootText) == 0 &&
      fileText[rootText.size()] == '/') {
    shown = fileText.substr(rootText.size() + 1);
  }
  return IsUtf8(shown) ? shown : Cp1252ToUtf8(shown);
}

std::string FormatFields(std::uint32_t bytes, const WaveFormat& format) {
  return Number(bytes) + "\t" + Number(static_cast<std::uint64_t>(format.rate)) + "\t" +
         Number(static_cast<std::uint64_t>(format.bits)) + "\t" +
         Number(static_cast<std::uint64_t>(format.channels));
}

class Simulator final : public HeadlessBackend {
 public:
  explicit Simulator(const Options& options) : options_(options) {
    clockBaseMillis_ = MillisFromLocalTime(options.clock);
    double limit = options.virtualHoursLimit * 3600.0 * 1e6;
    limitMicros_ = limit <= 0 ? 0 : limit >= 1.8e19 ? UINT64_MAX : static_cast<std::uint64_t>(limit);
    sound_.SetEnabled(options.collectSamples || !options.wavPath.empty());
    if (!options.logPath.empty()) {
      logFile_ = std::fopen(options.logPath.c_str(), "a");
      if (logFile_ == nullptr) Log("error\tcannot open the log file " + options.logPath);
    }
    AppendKeys(options.keyScript);
  }

  ~Simulator() override {
    if (logFile_ != nullptr) std::fclose(logFile_);
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
    if (!waveQueue_.empty()) {
      AdvanceTo(waveQueue_.front().endMicros);
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
    invalid_ = Rect{0, 0, clientWidth_, clientHeight_};
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
  int WaveOpen(const WaveFormat& format) override {
    if (failOpenTimes_ > 0) {
      --failOpenTimes_;
      return failOpenResult_;
    }
    if (!waveAvailable_) return kWaveBadDevice;
    if (waveOpen_) return kWaveAllocated;
    if (format.rate <= 0 || (format.bits != 8 && format.bits != 16) ||
        (format.channels != 1 && format.channels != 2)) {
      return kWaveBadFormat;
    }
    waveOpen_ = true;
    waveFormat_ = format;
    return kWaveOk;
  }

  int WavePrepare(WaveBlock* block) override {
    if (block == nullptr || !waveOpen_) return kWaveInvalidHandle;
    if (failPrepare_ != 0) {
      int result = failPrepare_;
      failPrepare_ = 0;
      return result;
    }
    block->flags |= kBlockPrepared;
    return kWaveOk;
  }

  int WaveUnprepare(WaveBlock* block) override {
    if (block == nullptr) return kWaveInvalidHandle;
    if (failUnprepare_ != 0) {
      int result = failUnprepare_;
      failUnprepare_ = 0;
      return result;
    }
    if ((block->flags & kBlockInQueue) != 0) return kWaveStillPlaying;
    block->flags &= ~kBlockPrepared;
    return kWaveOk;
  }

  int WaveWrite(WaveBlock* block) override {
    if (block == nullptr || !waveOpen_) return kWaveInvalidHandle;
    if ((block->flags & kBlockPrepared) == 0) return kWaveUnprepared;
    if ((block->flags & kBlockInQueue) != 0) return kWaveStillPlaying;
    QueuedBlock queued;
    queued.block = block;
    if (block->data != nullptr && block->length > 0) queued.bytes.assign(block->data, block->data + block->length);
    queued.format = waveFormat_;
    queued.startMicros = waveQueue_.empty() ? nowMicros_ : waveQueue_.back().endMicros;
    std::uint64_t bytesPerSecond = static_cast<std::uint64_t>(waveFormat_.rate) *
                                   static_cast<std::uint64_t>(waveFormat_.channels) *
                                   static_cast<std::uint64_t>(waveFormat_.bits / 8);
    queued.endMicros = queued.startMicros + (static_cast<std::uint64_t>(block->length) * 1'000'000 + bytesPerSecond / 2) / bytesPerSecond;
    block->flags = (block->flags | kBlockInQueue) & ~kBlockDone;
    KeepWritten(queued.bytes, waveFormat_);
    waveQueue_.push_back(std::move(queued));
    return kWaveOk;
  }

  void WaveReset() override {
    if (waveQueue_.empty()) return;
    CutQueue(true);
  }

  void WaveClose() override {
    // Blocks still queued stop with the device; nobody is told about them.
    if (!waveQueue_.empty()) CutQueue(false);
    waveOpen_ = false;
  }

  bool WaveIsOpen() override { return waveOpen_; }

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

  const std::vector<std::string>& LogLines() const override { return log_; }
  void ClearLog() override { log_.clear(); }

  void Log(const std::string& line) override {
    log_.push_back(line);
    if (logFile_ != nullptr) {
      std::fputs(line.c_str(), logFile_);
      std::fputc('\n', logFile_);
      std::fflush(logFile_);
    }
  }

  std::uint64_t VirtualMillis() const override { return nowMicros_ / 1000; }
  const std::vector<std::uint8_t>& CollectedSamples() const override { return sound_.Samples(); }

  void WriteCollectedWav() override {
    if (options_.wavPath.empty()) return;
    if (!sound_.WriteWav(options_.wavPath)) Log("error\tcannot write " + options_.wavPath);
  }

  void FailNextWaveOpen(int result, int times) override {
    failOpenResult_ = result;
    failOpenTimes_ = times;
  }
  void FailNextUnprepare(int result) override { failUnprepare_ = result; }
  void FailNextPrepare(int result) override { failPrepare_ = result; }
  void SetWaveDeviceAvailable(bool available) override { waveAvailable_ = available; }
  int QueuedWaveBlocks() const override { return static_cast<int>(waveQueue_.size()); }

  std::vector<WrittenBlock> TakeWrittenBlocks() override {
    std::vector<WrittenBlock> taken(written_.begin(), written_.end());
    written_.clear();
    writtenBytes_ = 0;
    return taken;
  }

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
  struct QueuedBlock {
    WaveBlock* block = nullptr;
    std::vector<std::uint8_t> bytes;
    WaveFormat format;
    std::uint64_t startMicros = 0;
    std::uint64_t endMicros = 0;
  };

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
    while (!waveQueue_.empty() && waveQueue_.front().endMicros <= target) {
      QueuedBlock done = std::move(waveQueue_.front());
      waveQueue_.pop_front();
      nowMicros_ = std::max(nowMicros_, done.endMicros);
      sound_.AddBlock(done.bytes, done.format);
      FinishBlock(done.block);
    }
    nowMicros_ = std::max(nowMicros_, target);
    if (overLimit) TimeOut();
  }

  void FinishBlock(WaveBlock* block) {
    block->flags = (block->flags & ~kBlockInQueue) | kBlockDone;
    Post(kMsgWaveDone, 0, reinterpret_cast<std::uintptr_t>(block), false);
  }

  // Stops every queued block now: what has played is kept, the rest is lost.
  void CutQueue(bool reportDone) {
    Log("cut");
    for (QueuedBlock& queued : waveQueue_) {
      if (queued.startMicros < nowMicros_ && queued.endMicros > queued.startMicros) {
        std::uint64_t played = (nowMicros_ - queued.startMicros) * queued.bytes.size() /
                               (queued.endMicros - queued.startMicros);
        queued.bytes.resize(std::min<std::size_t>(queued.bytes.size(), static_cast<std::size_t>(played)));
        sound_.AddBlock(queued.bytes, queued.format);
      }
      if (reportDone) {
        FinishBlock(queued.block);
      } else {
        queued.block->flags &= ~kBlockInQueue;
      }
    }
    waveQueue_.clear();
  }

  // After a timeout the program's shut-down must not wait on sound.
  void FinishAllBlocksNow() {
    while (!waveQueue_.empty()) {
      QueuedBlock done = std::move(waveQueue_.front());
      waveQueue_.pop_front();
      FinishBlock(done.block);
    }
  }

  void KeepWritten(const std::vector<std::uint8_t>& bytes, const WaveFormat& format) {
    written_.push_back(WrittenBlock{bytes, format});
    writtenBytes_ += bytes.size();
    while (writtenBytes_ > kWrittenBlocksLimit && written_.size() > 1) {
      writtenBytes_ -= written_.front().bytes.size();
      written_.pop_front();
    }
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

  std::vector<std::string> log_;
  std::FILE* logFile_ = nullptr;

  bool waveAvailable_ = true;
  bool waveOpen_ = false;
  WaveFormat waveFormat_;
  int failOpenResult_ = 0;
  int failOpenTimes_ = 0;
  int failPrepare_ = 0;
  int failUnprepare_ = 0;
  std::deque<QueuedBlock> waveQueue_;
  std::deque<WrittenBlock> written_;
  std::size_t writtenBytes_ = 0;
  CollectedSound sound_;

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
