// The platform layer: the services the program was designed against, as small
// operations of our own. Everything outside src/platform/ reaches the machine
// only through this header. The backend (sdl/ or headless/) is installed once
// by main (see backend.h); the operations below forward to it, except for the
// ones every backend shares (drive C, profile files, registry, library loading).
//
// Texts are code page 1252 bytes in std::string; paths are program paths
// ("c:\quiral\som\letras\_65.wav", "TALIRA.INI", "eventos.tpo", "/native").
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// ---------------------------------------------------------------- messages
// Message numbers. 957, 1123 and 2980 are the program's own numbers; the rest
// are ours.
enum MessageId : std::uint32_t {
  kMsgKeyDown = 1,       // a = virtual key
  kMsgKeyUp = 2,         // a = virtual key
  kMsgSysKeyDown = 3,    // a = virtual key (a key pressed with Alt, or F10)
  kMsgSysKeyUp = 4,      // a = virtual key
  kMsgChar = 5,          // a = character byte (cp1252)
  kMsgPaint = 6,         // rect = area to repaint, pixels
  kMsgFocusGained = 7,
  kMsgFocusLost = 8,
  kMsgClose = 9,         // the user asked to close the window
  kMsgQuit = 10,         // a = exit code; posted to the thread
  kMsgMouseMove = 11,    // a = x, b = y (client pixels)
  kMsgRightButtonDown = 12,
  kMsgRightButtonUp = 13,
  kMsgWaveDone = 957,    // b = the finished WaveBlock*
  kMsgSpeechStopped = 1123,
  kMsgEngineWake = 2980,
};

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
};

struct Message {
  std::uint32_t id = 0;
  bool toThread = false;  // true for messages of the thread, not of the window
  std::uintptr_t a = 0;
  std::uintptr_t b = 0;
  Rect rect;
};

enum class PeekFilter { AnyMessage, ConsoleWindowOnly };

// Removes the next message without waiting; false when there is none.
bool PeekMessage(Message& out, PeekFilter filter = PeekFilter::AnyMessage);

// What the program is waiting for; the simulator delivers scripted keys by it.
enum class WaitReason { Anything, Key };

// Sleeps until a message can be taken (returns at once when one is queued).
void WaitMessage(WaitReason reason = WaitReason::Anything);

// Posts a message to the console window; callable from any thread.
void PostMessage(std::uint32_t id, std::uintptr_t a = 0, std::uintptr_t b = 0);

// Posts the quit message to the program's thread.
void PostQuit(int exitCode);

// The platform's default handling of a window message the console left alone
// (Alt+F4 closes the window, for instance).
void DefaultHandling(const Message& msg);

// Sleeps without dispatching; messages arriving meanwhile stay queued.
void Sleep(unsigned milliseconds);

// ---------------------------------------------------------------- keyboard
// Virtual keys, as the key translation tables number them.
enum VirtualKey : int {
  kVkCancel = 3,  // Ctrl+Break
  kVkBack = 8, kVkTab = 9, kVkReturn = 13,
  kVkShift = 16, kVkControl = 17, kVkMenu = 18,
  kVkEscape = 27, kVkSpace = 32,
  kVkPageUp = 33, kVkPageDown = 34, kVkEnd = 35, kVkHome = 36,
  kVkLeft = 37, kVkUp = 38, kVkRight = 39, kVkDown = 40,
  kVkInsert = 45, kVkDelete = 46,
  kVk0 = 48, kVkA = 65,
  kVkF1 = 112, kVkF4 = 115, kVkF10 = 121, kVkF12 = 123,
};

// The current state of a key (Shift, Ctrl, Alt are what the program asks).
bool IsKeyDown(int virtualKey);

// ---------------------------------------------------------------- window
struct FontSpec {
  std::string face;  // empty: the platform chooses
  int width = 0;     // pixels, 0 = the face's own
  int height = 0;    // pixels
  int weight = 0;    // 0 = normal
};

struct FontMetrics {
  int averageWidth = 8;
  int height = 16;
  int externalLeading = 0;
  int ascent = 12;
  int overhang = 0;
};

struct FrameMetrics {
  int frameWidth = 0;   // sizing frame, each side
  int frameHeight = 0;
  int captionHeight = 0;
  int screenWidth = 1024;
  int screenHeight = 768;
};

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

// The work area (screen minus task bar), pixels.
Rect WorkArea();
FrameMetrics GetFrameMetrics();

// Creates the console font; false when it cannot be made, and the stock fixed
// font is then used. The metrics are those of the font in use either way.
bool CreateConsoleFont(const FontSpec& spec);
FontMetrics ConsoleFontMetrics();
void DeleteConsoleFont();

// The console window. Only one exists.
void CreateConsoleWindow(const std::string& title, int width, int height, bool maximised);
void DestroyConsoleWindow();
bool ConsoleWindowExists();
void SetWindowTitle(const std::string& title);
void EnableCloseCommand();
bool IsActiveWindow();
int WindowBottomOnScreen();  // bottom edge of the window, screen pixels

// Drawing on the client area (pixels).
void DrawTextRun(int x, int y, std::string_view cells, Rgb foreground, Rgb background);
void FillRect(const Rect& rect, Rgb colour);
void ScrollPixelsUp(const Rect& area, int pixels);  // block copy within the window
void Invalidate(const std::optional<Rect>& rect = std::nullopt, bool erase = false);
// Takes the pending repaint area, if any (an update of the window).
bool TakeInvalidRect(Rect& out);

// The caret: a solid block shown at a cell.
void CreateCaret(int width, int height);
void SetCaretPos(int x, int y);
void ShowCaret();
void DestroyCaret();

// The magnifier's copy of the window image.
void CaptureWindowImage(int width, int height);
void StretchWindowImage(const Rect& source, const Rect& target);
void ReleaseWindowImage();

// BEL: the platform's default beep.
void DefaultBeep();

// ---------------------------------------------------------------- sound
struct WaveFormat {
  int rate = 11025;
  int bits = 8;
  int channels = 1;
};

// One block handed to the wave device; owned by the caller until it is
// reported done (message kMsgWaveDone with b = the block).
struct WaveBlock {
  const std::uint8_t* data = nullptr;
  std::uint32_t length = 0;
  std::uintptr_t user = 0;
  std::uint32_t flags = 0;  // the device's own bookkeeping
};

// Device results: 0 success; the numbers below otherwise.
enum WaveResult : int {
  kWaveOk = 0,
  kWaveBadDevice = 2,
  kWaveAllocated = 4,  // busy: try again later
  kWaveInvalidHandle = 5,
  kWaveNoDriver = 6,
  kWaveNoMemory = 7,
  kWaveBadFormat = 32,
  kWaveStillPlaying = 33,
};

int WaveOpen(const WaveFormat& format);
int WavePrepare(WaveBlock* block);
int WaveUnprepare(WaveBlock* block);
int WaveWrite(WaveBlock* block);
void WaveReset();  // every queued block comes back as done
void WaveClose();
bool WaveIsOpen();

// A looping in-memory sound (a whole WAV image), for the console's tones.
// frequencyHz only labels the sound for the simulator's log.
void StartLoopingSound(std::span<const std::uint8_t> wav, int frequencyHz);
void StopLoopingSound();

// ---------------------------------------------------------------- clipboard
enum class ClipboardRead { Unavailable, NoText, Text };
bool SetClipboardText(const std::string& cp1252);
ClipboardRead GetClipboardText(std::string& out);

// ---------------------------------------------------------------- clock
struct LocalTime {
  int year = 2000, month = 1, day = 1, dayOfWeek = 6;  // 0 = Sunday
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};
LocalTime Now();

// ---------------------------------------------------------------- shell
// Opens a document or address, or runs a program, without a shell: the
// parameter is one argument, never parsed as a command.
void ShellOpen(const std::string& program, const std::string& parameter,
               const std::string& workingFolder);

// ---------------------------------------------------------------- process
// Ends the program: throws ProcessExit, which main catches to run the module
// shut-down steps and return the code.
struct ProcessExit {
  int code = 0;
};
[[noreturn]] void ExitProcess(int code);

// The program's executable, a native path.
std::string ExecutablePath();

// The component-object library: nothing to do here.
void InitComponentLibrary();

// ---------------------------------------------------------------- log
// What the simulator writes to its log; the real window ignores most of it.
void TraceWrite(std::string_view cp1252);
void TracePlay(const std::string& programPath, std::uint32_t dataBytes, const WaveFormat& format);
void TraceBuffer(std::uint32_t dataBytes, const WaveFormat& format);
void TraceMissing(const std::string& programPath);
void TraceEngine(const std::string& kind, std::string_view cp1252);

// ---------------------------------------------------------------- drive C
// Root folder of drive C (native path).
std::string DriveCRoot();
void SetDriveCRoot(const std::string& nativeFolder);

// "c:\windows", the Windows folder as the program sees it.
std::string WindowsFolder();

// The process's current directory as a program path (a native absolute path).
std::string CurrentDirectory();

// Maps a program path to a native path: drive letter c: to drive C, "\" to
// "/", a bare name relative to the working directory, names matched without
// regard to case when the exact name does not exist.
std::string NativePath(std::string_view programPath);

bool FileExists(std::string_view programPath);
bool FolderExists(std::string_view programPath);
std::optional<std::vector<std::uint8_t>> ReadWholeFile(std::string_view programPath);
bool DeleteFile(std::string_view programPath);

// A file open for reading, closed when it goes out of scope.
class InputFile {
 public:
  static std::optional<InputFile> Open(std::string_view programPath);
  InputFile(InputFile&& other) noexcept;
  InputFile& operator=(InputFile&& other) noexcept;
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  ~InputFile();
  // Bytes read (fewer at the end of the file or on an error).
  std::size_t Read(std::span<std::uint8_t> into);
  bool Seek(std::uint64_t position);
  bool Skip(std::uint64_t count);
  std::uint64_t Size() const;
  std::uint64_t Position() const;

 private:
  explicit InputFile(void* handle) : handle_(handle) {}
  void* handle_ = nullptr;
};

// Replaces a file's contents safely: writes a temporary file in the same
// folder, flushes it to the disk and renames it over the old one. Returns 0,
// or an error number; on failure the old file stays as it was.
int ReplaceFile(std::string_view programPath, std::span<const std::uint8_t> contents);

// For tests: every write after this many more bytes fails as a full disk.
void SetWriteQuotaForTests(std::optional<std::uint64_t> bytes);

// ---------------------------------------------------------------- profile files
// Reads a value with the rules of profile files: sections and keys without
// regard to case, blanks trimmed around keys and values, the default when the
// file, the section or the key is missing; a bare file name means the file in
// the Windows folder. The result is cut to bufferSize - 1 characters.
std::string GetProfileString(std::string_view section, std::string_view key,
                             std::string_view defaultValue, std::string_view file,
                             std::size_t bufferSize);

// ---------------------------------------------------------------- registry
// Reads a string value of the read-only registry (windows/registry.ini on
// drive C, one section per key path); nullopt when missing.
std::optional<std::string> ReadRegistryString(std::string_view keyPath, std::string_view valueName);

// ---------------------------------------------------------------- libraries
void* LoadSharedLibrary(const std::string& name);
void* FindSymbol(void* library, const char* name);
void FreeSharedLibrary(void* library);

}  // namespace platform
