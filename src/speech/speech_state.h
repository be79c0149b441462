// The speech front end's module state: folders of the recordings, the flags
// that order speech against the keyboard and the engines, and the click.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace speech {

// Samples of the click: 64 of noise, then 192 of silence (11025 Hz, 8-bit mono).
inline constexpr std::size_t kClickSamples = 256;
inline constexpr std::size_t kWavHeaderSize = 44;

// The external engine kinds the settings can select.
inline constexpr int kEngineKindDefault = 4;
inline constexpr int kEngineKindBuiltIn = 3;

struct SpeechState {
  // Working directory at module start-up, without a trailing separator.
  std::string startFolder;
  // The program's own prompts; ends with a backslash unless empty.
  std::string promptFolder;
  // The suite's shared recordings (names beginning with "_", characters,
  // number words, telephone tones); ends with a backslash.
  std::string lettersFolder = "c:\\quiral\\som\\letras\\";
  // True when an external engine was started; free text then goes to it.
  bool usingSpeechEngine = false;
  int selectedEngineKind = kEngineKindDefault;
  // Set when text went to an engine: the next recording first waits for it.
  bool awaitPending = true;
  // Set by StopSpeech; ends the recorded-piece loop of the text reader.
  bool stopRequested = false;
  // The line editor speaks each typed character while set.
  bool echo = true;
  // Passed to an engine at its start; empty, so engines speak aloud.
  std::string engineOutputFile;
  // The click of PlayClick: a WAV header followed by its samples.
  std::array<std::uint8_t, kWavHeaderSize + kClickSamples> click{};
};

// The one instance of the module state.
SpeechState& State();

// Module start-up and shut-down steps; each runs once however often called.
void SpeechModuleStartUp();
void SpeechModuleShutDown();
bool SpeechModuleStarted();

// Back to the state of a fresh start-up (tests).
void ResetSpeechStateForTests();

// The click's samples (without header), the same in every run.
std::array<std::uint8_t, kClickSamples> BuildClickSamples();

// A folder name with a backslash appended when it is not empty and does not
// end with one.
std::string WithTrailingBackslash(std::string folder);

}  // namespace speech
