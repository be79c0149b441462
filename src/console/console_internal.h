// The console's own pieces shared by its source files: the state of each
// component and the handlers the window procedure calls. Not for other
// subsystems; the tests of the console include it to look inside.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "console/console.h"
#include "platform/platform.h"

namespace console::detail {

inline constexpr int kCells = kColumns * kRows;
inline constexpr int kKeyQueueSize = 64;
inline constexpr std::size_t kTextBufferSize = 128;

// ---- window (console_window.cpp) ------------------------------------------
struct SizeLimits {
  int maxWidth = 0, maxHeight = 0;            // maximised size and maximum tracking size
  int minTrackWidth = 0, minTrackHeight = 0;  // minimum tracking size
};

struct WindowState {
  bool created = false;
  bool focused = false;
  bool reading = false;   // GetKey is waiting for a key
  bool painting = false;  // a paint message is being handled
  bool fontExists = false;
  bool breakEnabled = true;
  bool handlerAttached = true;  // false: every message gets the default handling
  bool closing = false;         // CloseConsole is draining the queue
  bool exitHandlerDone = false;
  bool caretShown = false;
  std::string title;
  int cellWidth = 0;
  int cellHeight = 0;
  int textXOffset = 0;
  int caretYOffset = 0;
  int windowWidth = 0;
  int windowHeight = 0;
  SizeLimits limits;
  bool waveHookSet = false;
  WaveDoneHandler waveDone;
  bool magnifierActive = false;
};
WindowState& Window();

// Handlers of the window procedure, in the order creation calls them.
void HandleMinMaxInfo();
void HandleCreate();
void HandleDestroy();
void HandlePaint(const platform::Rect& area);
void ShowCaretAtCursor();
void HideCaret();
// Paints whatever part of the window is waiting to be repainted.
void UpdateWindow();
[[noreturn]] void AbortProgram();
void ConsoleExitHandler(bool runTimeError = false);
// The window title: the executable's path in cp1252, at most 79 characters.
std::string ConsoleTitle(std::string_view nativePath);

// ---- screen buffer (screen_buffer.cpp) -------------------------------------
struct TextWindow {
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;  // inclusive cells
};

constexpr std::array<std::uint8_t, kCells> BlankGrid() {
  std::array<std::uint8_t, kCells> grid{};
  for (auto& cell : grid) cell = ' ';
  return grid;
}

// The buffers keep their contents after the window is closed, so the screen
// at the program's end can still be read.
struct ScreenState {
  std::array<std::uint8_t, kCells> chars = BlankGrid();
  std::array<std::uint8_t, kCells> attrs{};
  TextWindow window;
  std::int32_t cursorX = 0;  // 0..80 (80: wrap pending)
  std::int32_t cursorY = 0;  // 0..24
  std::uint8_t currentAttribute = 0x0F;
};
ScreenState& Screen();

void FillScreenBuffers();
void PaintRowCells(int left, int right, int row);
platform::Rgb AttributeColour(std::uint8_t colourNumber);

// ---- keyboard (keyboard.cpp) ------------------------------------------------
struct KeyboardState {
  std::array<std::uint8_t, kKeyQueueSize> queue{};
  int count = 0;
};
KeyboardState& Keyboard();

bool QueueCode(std::uint8_t code);  // false when the queue is full
int FreeQueueSlots();
void DrainQueue();
void TranslateKeyDown(std::uint8_t virtualKey);
void QueueTypedChar(std::uint8_t c);

// ---- tones (tones.cpp) ---------------------------------------------------------
struct ToneState {
  std::vector<std::uint8_t> buffer;  // empty: no tone
};
ToneState& Tone();

// The looping square wave StartTone plays for f Hz (1..11025): a whole
// 11071-byte WAV image.
std::vector<std::uint8_t> BuildToneWave(std::uint16_t frequencyHz);

// ---- text device (text_device.cpp) --------------------------------------------
struct TextDeviceState {
  std::array<std::uint8_t, kTextBufferSize> output{};
  std::size_t outputCount = 0;
  std::array<std::uint8_t, kTextBufferSize> input{};
  std::size_t inputPos = 0;
  std::size_t inputEnd = 0;
};
TextDeviceState& TextDevice();
void FlushOutput();

// ---- display settings (display_settings.cpp) ---------------------------------
struct SettingsState {
  DisplaySettings values;
};
SettingsState& Settings();

// The run time's integer conversion: leading blanks, a sign, decimal digits
// or hexadecimal ones after "$", "x" or "0x". whole is false when the text is
// not entirely an integer; the value is then that of its leading valid part.
struct IntegerValue {
  std::int32_t value = 0;
  bool whole = false;
};
IntegerValue ParseInteger(std::string_view text);
// Fills map from a "TABCORES" value; entries the parsing does not reach stay.
void ParseColourTable(std::string_view value, std::uint8_t (&map)[16]);

// ---- braille entry (braille_entry.cpp) ------------------------------------------
struct BrailleState {
  std::int32_t mode = 0;
  std::uint8_t dots = 0;
  std::uint8_t keysDown = 0;
  bool capital = false;
  bool capsLock = false;
  bool numberMode = false;
};
BrailleState& Braille();

std::uint8_t ChordBit(std::uint8_t virtualKey);
bool BrailleChordDown(std::uint8_t virtualKey);
bool BrailleChordUp(std::uint8_t virtualKey);
void ApplyBrailleSigns(std::uint8_t& c);
std::uint8_t BrailleCell(int dots);  // the table's character for dots 0..63

}  // namespace console::detail
