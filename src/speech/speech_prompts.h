// The small speech operations everything else is built from: recorded prompts
// and characters, the click and the beep, telephone tones, and the rules that
// make speech give way to the keyboard.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace speech {

// Fills the 44-byte WAV header at the start of header for dataLength bytes of
// samples that follow it. False (nothing written) when header is too short.
bool FillWavHeader(std::span<std::uint8_t> header, std::uint32_t dataLength,
                   std::uint32_t sampleRate, std::uint16_t bitsPerSample, std::uint16_t channels);

// True while a recording or the external engine speaks. When a key is waiting
// it stops everything and returns false; the key stays queued.
bool SpeechBusy();

// Sleeps in the message wait while SpeechBusy is true.
void WaitWhileSpeechBusy();

// If text went to an external engine since the last wait, waits for silence.
void AwaitPendingSpeech();

// Cuts all speech at once and wakes a pending message wait (message 1123).
void StopSpeech();

// Plays the recording of one character (letters folder, "_" + code + ".wav").
void SpeakChar(std::uint8_t code);

// Plays a prompt: names beginning with "_" from the letters folder, others
// from the prompt folder.
void PlayPrompt(std::string_view name);

// Plays an in-memory sound (header and samples) and waits for its end.
void PlayBufferAndWait(std::span<std::uint8_t> sound);

// The click (about 23 ms) and the beep (about 46 ms, discards waiting keys).
void PlayClick();
void PlayBeep();

// Reads a key, cuts speech and speaks the key.
std::uint8_t ReadKeySpoken();

// Telephone tones for the digits, "#" and "*" of text; "," pauses a second.
void PlayDtmfDigits(std::string_view text);

// The files these operations play.
std::string CharacterFile(std::uint8_t code);
std::string PromptFile(std::string_view name);
std::string DtmfFile(char key);

}  // namespace speech
