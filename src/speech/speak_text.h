// Speaking free text: handed whole to an external engine when one runs,
// otherwise in pieces from the front (numbers as recorded number words, runs
// of letters through the letter-to-sound translator into the diphone
// synthesizer, signs as pauses, recorded characters or clicks).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace speech {

// The longest run of letters handed to the translator at once.
inline constexpr std::size_t kMaxTranslatedRun = 999;

// Speaks a text; returns when it has been heard or a key has cut it.
void SpeakText(std::string_view text);

// Writes the text (no line end) and speaks it; the second also ends the line.
void WriteAndSpeak(std::string_view text);
void WriteLineAndSpeak(std::string_view text);

// Speaks each character as a recording, stopping once a key is waiting.
void SpellText(std::string_view text);

// a..z to A..Z and 224..255 to 32 lower; everything else unchanged.
std::string UpperCaseText(std::string_view text);

// Reads the punctuation character that begins text and makes its pause.
void PunctuationPause(std::string_view text);

// A pause of ms milliseconds in steps of 50, ended by a waiting key.
void PauseUnlessKey(int milliseconds);

// The phonetic text of the last run of letters spoken (scratch of SpeakText).
const std::string& LastPhoneticText();

}  // namespace speech
