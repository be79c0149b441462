#include "speech/speech_prompts.h"

#include <array>
#include <vector>

#include "console/console.h"
#include "platform/platform.h"
#include "recorded/wav_output.h"
#include "speech/engine_dispatch.h"
#include "speech/speech_state.h"

namespace speech {

namespace {

constexpr std::uint32_t kRecordedRate = 11025;
constexpr std::size_t kBeepSamples = 512;

void PutLe16(std::span<std::uint8_t> out, std::size_t at, std::uint16_t value) {
  out[at] = static_cast<std::uint8_t>(value & 0xFF);
  out[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void PutLe32(std::span<std::uint8_t> out, std::size_t at, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void PutTag(std::span<std::uint8_t> out, std::size_t at, const char (&tag)[5]) {
  for (std::size_t i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(tag[i]);
}

// Restores a wave output switch when the sound that needed it off is done.
class SwitchOff {
 public:
  SwitchOff(bool (*get)(), void (*set)(bool)) : set_(set), saved_(get()) { set_(false); }
  ~SwitchOff() { set_(saved_); }
  SwitchOff(const SwitchOff&) = delete;
  SwitchOff& operator=(const SwitchOff&) = delete;

 private:
  void (*set_)(bool);
  bool saved_;
};

}  // namespace

bool FillWavHeader(std::span<std::uint8_t> header, std::uint32_t dataLength,
                   std::uint32_t sampleRate, std::uint16_t bitsPerSample, std::uint16_t channels) {
  if (header.size() < kWavHeaderSize) return false;
  PutTag(header, 0, "RIFF");
  PutLe32(header, 4, dataLength + 36);
  PutTag(header, 8, "WAVE");
  PutTag(header, 12, "fmt ");
  PutLe32(header, 16, 16);
  PutLe16(header, 20, 1);
  PutLe16(header, 22, channels);
  PutLe32(header, 24, sampleRate);
  PutLe32(header, 28, sampleRate * channels * (bitsPerSample / 8u));
  PutLe16(header, 32, 1);
  PutLe16(header, 34, bitsPerSample);
  PutTag(header, 36, "data");
  PutLe32(header, 40, dataLength);
  return true;
}

bool SpeechBusy() {
  if (console::KeyWaiting()) {
    StopSpeech();
    return false;
  }
  if (State().usingSpeechEngine) return recorded::WavPlaying() || EngineBusy(false);
  return recorded::WavPlaying();
}

void WaitWhileSpeechBusy() {
  while (SpeechBusy()) platform::WaitMessage();
}

void AwaitPendingSpeech() {
  SpeechState& state = State();
  if (!state.awaitPending) return;
  WaitWhileSpeechBusy();
  state.awaitPending = false;
}

void StopSpeech() {
  SpeechState& state = State();
  recorded::StopWav();
  state.stopRequested = true;
  if (state.usingSpeechEngine &&
      (EngineBusy(false) || state.selectedEngineKind == kEngineKindBuiltIn)) {
    EngineStop();
  }
  platform::PostMessage(platform::kMsgSpeechStopped);
}

std::string CharacterFile(std::uint8_t code) {
  return State().lettersFolder + "_" + std::to_string(code) + ".wav";
}

std::string PromptFile(std::string_view name) {
  const SpeechState& state = State();
  const std::string& folder =
      (!name.empty() && name.front() == '_') ? state.lettersFolder : state.promptFolder;
  return folder + std::string(name) + ".wav";
}

std::string DtmfFile(char key) {
  return State().lettersFolder + "dtmf_" + std::string(1, key) + ".wav";
}

void SpeakChar(std::uint8_t code) {
  AwaitPendingSpeech();
  recorded::PlayWavFile(CharacterFile(code));
}

void PlayPrompt(std::string_view name) {
  AwaitPendingSpeech();
  recorded::PlayWavFile(PromptFile(name));
}

void PlayBufferAndWait(std::span<std::uint8_t> sound) {
  AwaitPendingSpeech();
  recorded::PlayWavBuffer(sound);
  WaitWhileSpeechBusy();
}

void PlayClick() {
  AwaitPendingSpeech();
  const SwitchOff plain(&recorded::ShortenSpeech, &recorded::SetShortenSpeech);
  std::span<std::uint8_t> click(State().click);
  FillWavHeader(click, kClickSamples, kRecordedRate, 8, 1);
  recorded::PlayWavBuffer(click);
  WaitWhileSpeechBusy();
}

void PlayBeep() {
  AwaitPendingSpeech();
  // The beep marks a refused key: what was typed ahead of it is dropped.
  while (console::KeyWaiting()) console::GetKey();
  static constexpr std::array<std::uint8_t, 8> kCycle = {128, 112, 96, 80, 64, 80, 96, 112};
  std::vector<std::uint8_t> beep(kWavHeaderSize + kBeepSamples);
  for (std::size_t i = 0; i < kBeepSamples; ++i) beep[kWavHeaderSize + i] = kCycle[i % 8];
  beep[kWavHeaderSize + kBeepSamples - 1] = 128;
  FillWavHeader(beep, kBeepSamples, kRecordedRate, 8, 1);
  recorded::PlayWavBuffer(beep);
  WaitWhileSpeechBusy();
}

std::uint8_t ReadKeySpoken() {
  const std::uint8_t key = console::GetKey();
  StopSpeech();
  SpeakChar(key);
  return key;
}

void PlayDtmfDigits(std::string_view text) {
  const SwitchOff plain(&recorded::RaisedRate, &recorded::SetRaisedRate);
  for (const char raw : text) {
    const char c = (raw >= 'a' && raw <= 'z') ? static_cast<char>(raw - 32) : raw;
    if ((c >= '0' && c <= '9') || c == '#' || c == '*') {
      recorded::PlayWavFile(DtmfFile(c == '*' ? 'X' : c));
      WaitWhileSpeechBusy();
      console::Pause(100);
    } else if (c == ',') {
      console::Pause(1000);
    }
  }
}

}  // namespace speech
