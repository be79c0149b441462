// Starting and ending speech: the speed and the per-speed settings of
// "TALIRA.INI", the diphone synthesizer, and the external engine the settings
// may ask for.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace speech {

// Pauses after punctuation, milliseconds, read per speed.
struct SpeedSettings {
  int speed = 3;
  int pauseFullStop = 250;   // "PAUSAPONTO"
  int pauseComma = 150;      // "PAUSAVIRG"
  int pauseColon = 200;      // "PAUSADOISPONTOS": colon, semicolon, parentheses
};
const SpeedSettings& CurrentSpeedSettings();

// The engine start the settings asked for at the last SpeechInit, if any.
struct EngineRequest {
  int voice = 0;
  int rate = 0;
  int pitch = 0;
  int kind = 0;
};
const std::optional<EngineRequest>& LastEngineRequest();

// Starts speech. A speed of 0 or less is read from the settings; outside 1..5
// it becomes 3. When the diphone synthesizer cannot start, writes the error
// code and the voice database name, waits for Enter and ends the program.
void SpeechInit(int speed, std::string_view promptFolder);

// Lets pending speech finish (a key cuts it), stops the engine and releases
// the diphone synthesizer. SpeechInit may be called again afterwards.
void SpeechShutdown();

// Steps of SpeechInit, also used by tools that check the settings first.
// The speed SpeechInit would use for the argument.
int ResolveSpeed(int speed);
// Reads the per-speed keys of section "SINTETIZADOR" for the speed and hands
// them to the synthesizer, the wave output and the pause settings.
void ReadSpeedSettings(int speed);

// Number parsing of the settings: the digits at the start (0 when none), a
// whole number (optional sign and digits only), and a switch (on unless empty
// or beginning with N or n).
int LeadingNumber(std::string_view value);
std::optional<int> WholeNumber(std::string_view value);
bool SettingSwitch(std::string_view value);

void ResetSpeechStartupForTests();

}  // namespace speech
