// The simulator backend: scripted keys, a virtual clock, sound played in
// virtual time, and a log of everything written and heard.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/backend.h"

namespace platform::headless {

struct Options {
  std::string keyScript;           // tokens of the key script (see ParseKeyScript)
  LocalTime clock;                 // virtual clock at start
  std::string logPath;             // empty: the log is kept in memory only
  std::string wavPath;             // empty: sounds are not collected (unless collectSamples)
  double virtualHoursLimit = 10;   // then the run stops with exit code 124
  std::uint64_t stepLimit = 50'000'000;  // waits, sleeps and empty peeks before the run stops
  bool collectSamples = false;     // keep CollectedSamples() even without a wavPath
};

// One entry of a key script: a key (with the messages it gives), a clock
// setting ("@...") or an advance of the clock ("+90s").
struct ScriptItem {
  enum class Kind { Key, SetClock, Advance };
  Kind kind = Kind::Key;
  std::string token;          // as written (UTF-8), logged as "key <token>" when delivered
  bool urgent = false;        // written with a leading "!": delivered at the next wait of any kind
  std::vector<Message> messages;   // Key: key-down, character, key-up messages in order
  bool shift = false, ctrl = false, alt = false;  // Key: modifiers held while it is delivered
  LocalTime clock;            // SetClock
  std::uint64_t advanceMillis = 0;  // Advance
};

// Parses a key script (tokens separated by blanks):
//   a B * 0 é        one character (UTF-8 in the script, cp1252 in the messages)
//   "text"           each character (\" and \\ escape a quote and a backslash); a lone "
//                    followed by a blank types the quote itself
//   F1..F12 Esc Enter Tab Backspace Space Up Down Left Right Home End PgUp PgDn Ins Del Break
//   Ctrl+ Alt+ Shift+  modifiers, combinable: Ctrl+Alt+F9, Shift+Ins, Ctrl+a
//   chord:fd         letter keys pressed together, then released ("_" is the space bar)
//   @2024-05-20T14:03:09.57   sets the clock;  +90s +250ms +5m +2h +1d  advance it
//   !token           delivered at the program's next wait of any kind
// Appends to out; false with a message naming the first bad token (nothing appended then).
bool ParseKeyScript(const std::string& script, std::vector<ScriptItem>& out, std::string& error);

// Days since 1970-01-01 of a date, and the date of such a day (proleptic Gregorian).
std::int64_t DaysFromCivil(int year, int month, int day);
LocalTime LocalTimeFromMillis(std::int64_t millisSince1970);
std::int64_t MillisFromLocalTime(const LocalTime& time);

// Parses "YYYY-MM-DDTHH:MM:SS.cc" (hundredths optional); false when malformed.
bool ParseClock(const std::string& text, LocalTime& out);

class HeadlessBackend;

// Installs a new headless backend and returns it; the backend stays owned by
// the platform layer until another one is installed.
//
// Delivery of the script: WaitMessage returns at once while a message (or a
// repaint) is pending; otherwise a "!" entry is delivered at the next
// WaitMessage or Sleep; otherwise, while wave blocks are queued, virtual time
// moves to the end of the first one (its kMsgWaveDone is posted); otherwise the
// clock entries up to the next key are applied and the key is delivered (its
// messages queued, "key <token>" logged). With the script used up, kMsgClose is
// posted. Sleep(ms) moves virtual time by ms. Past Options::virtualHoursLimit
// of the program's own waiting (the script's "+" advances do not count) or
// Options::stepLimit steps, "timeout" is logged and ExitProcess(124) is called;
// after that, waits return at once so that the shut-down cannot hang.
HeadlessBackend& Install(const Options& options = {});

// The test- and simulator-facing side of the backend.
class HeadlessBackend : public Backend {
 public:
  // Appends tokens to the key script (same syntax as Options::keyScript); a
  // malformed script adds nothing and logs "error <message>".
  virtual void AppendKeys(const std::string& script) = 0;
  // Every log line so far, UTF-8, fields separated by tabs ("play\t...").
  virtual const std::vector<std::string>& LogLines() const = 0;
  virtual void ClearLog() = 0;
  // Appends a line to the log ("exit\t0" from main, for instance).
  virtual void Log(const std::string& line) = 0;
  // Virtual milliseconds since the backend was installed.
  virtual std::uint64_t VirtualMillis() const = 0;
  // Every sound played so far as 11025 Hz 8-bit mono samples (kept when
  // Options::wavPath is set or Options::collectSamples is true).
  virtual const std::vector<std::uint8_t>& CollectedSamples() const = 0;
  // Writes the collected sounds to Options::wavPath (if any).
  virtual void WriteCollectedWav() = 0;
  // Test hooks for the wave device.
  virtual void FailNextWaveOpen(int result, int times = 1) = 0;
  virtual void FailNextUnprepare(int result) = 0;
  virtual void FailNextPrepare(int result) = 0;
  virtual void SetWaveDeviceAvailable(bool available) = 0;
  // Blocks handed to the wave device and not yet done.
  virtual int QueuedWaveBlocks() const = 0;
  // Every block written to the wave device since the last call: its bytes and format.
  struct WrittenBlock {
    std::vector<std::uint8_t> bytes;
    WaveFormat format;
  };
  virtual std::vector<WrittenBlock> TakeWrittenBlocks() = 0;
  // Clipboard contents as set by the program (cp1252), for tests.
  virtual void SetClipboardForTests(ClipboardRead state, const std::string& text) = 0;
  // The window's client area, in pixels, as created (0 x 0 before).
  virtual int ClientWidth() const = 0;
  virtual int ClientHeight() const = 0;
  // Work area reported to the program (default 1024 x 734).
  virtual void SetWorkArea(int width, int height) = 0;
  // True once the run hit its virtual-time or step limit (exit code 124).
  virtual bool TimedOut() const = 0;
  // Script entries not yet delivered.
  virtual std::size_t PendingScriptItems() const = 0;
  // The window's title, and whether it exists (the simulator's screen dump uses them).
  virtual const std::string& WindowTitle() const = 0;
};

}  // namespace platform::headless
