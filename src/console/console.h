// The console: one 80 x 25 text window, its key queue and pumps, tones,
// clipboard, date and time, and the standard text streams bound to it.
// Coordinates of the public operations are 1-based (column 1..80, row 1..25).
// Texts are code page 1252 bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace console {

inline constexpr int kColumns = 80;
inline constexpr int kRows = 25;

// ---- module life ---------------------------------------------------------
// Console initialisation (before the main program) and its shut-down step.
// The shut-down step runs the console's exit handler: unless the program ends
// on a run-time error, a window still open gets the title "Programa
// terminado" and no longer handles keys.
void ConsoleStartUp();
void ConsoleShutDown(bool runTimeError = false);
// Forgets every piece of state (tests).
void ResetConsoleForTests();

// ---- window and screen buffer -------------------------------------------
void EnsureConsole();
void WriteChars(const std::uint8_t* bytes, std::uint16_t count);
// Any length: written in pieces of at most 65535 bytes.
inline void WriteChars(std::string_view text) {
  do {
    const std::size_t n = text.size() < 65535 ? text.size() : 65535;
    WriteChars(reinterpret_cast<const std::uint8_t*>(text.data()), static_cast<std::uint16_t>(n));
    text.remove_prefix(n);
  } while (!text.empty());
}
void MoveCursor(std::int32_t column, std::int32_t row);
int CursorColumn();  // 1..81
int CursorRow();     // 1..25
void ClearScreen();
void ClearToLineEnd();
void SetBackground(std::uint8_t colour);
std::uint8_t ScreenCharAt(int column, int row);
std::uint8_t ScreenAttrAt(int column, int row);
std::uint8_t CurrentAttribute();
[[noreturn]] void CloseConsole();

// The wave output's block-done handler: the message's first parameter and
// the finished block.
using WaveDoneHandler = std::function<void(std::uintptr_t, platform::WaveBlock*)>;
void SetWaveDoneHook(WaveDoneHandler handler);

// The window procedure: every message taken by a pump goes through it.
void ConsoleWindowProc(const platform::Message& msg);

// ---- keyboard, pumps, pauses, tones ---------------------------------------
bool KeyWaiting();
std::uint8_t GetKey();
void PumpMessages();
void PumpWindowMessages();
void Pause(std::uint16_t milliseconds);
void StartTone(std::uint16_t frequencyHz);
void StopTone();
void CopyToClipboard(const std::string& text);
// Fills buffer (size bytes) with at most size - 1 characters and a NUL.
void PasteFromClipboard(char* buffer, std::int32_t size);
void GetDate(std::uint16_t& year, std::uint16_t& month, std::uint16_t& day,
             std::uint16_t& dayOfWeek);
void GetTime(std::uint16_t& hour, std::uint16_t& minute, std::uint16_t& second,
             std::uint16_t& hundredths);
// Number of codes in the key queue (0..64).
int QueuedKeyCount();

// ---- standard text output and input --------------------------------------
// Each call is one output statement: it ends with a flush to WriteChars.
void Write(std::string_view text);
void WriteLine(std::string_view text = {});
// One line of the standard input (ReadKeyboardLine), without its CR LF.
std::string ReadLine();
// The line input of the text device: fills buffer with the typed characters
// and CR LF; returns the count (at most capacity - 2 characters plus CR LF).
int ReadKeyboardLine(std::uint8_t* buffer, int capacity);

// ---- display settings ------------------------------------------------------
struct DisplaySettings {
  std::uint8_t colourMap[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
  bool coloursFixed = false;
  bool slowScroll = false;  // "LENTO"
  std::uint8_t attribute = 0x0F;
  std::int32_t brailleMode = 0;
  std::int32_t magnification = 2;
  std::string fontFace;
  std::int32_t fontWidth = 0;
  std::int32_t fontHeight = 0;
  std::int32_t fontWeight = 0;
  bool maximise = false;
};
// Reads the display settings from "TALIRA.INI" and creates the font.
void ReadDisplaySettings();
const DisplaySettings& CurrentDisplaySettings();

// ---- braille entry ----------------------------------------------------------
void SetBrailleMode(std::int32_t mode);
std::int32_t BrailleMode();

}  // namespace console
