#include "speech/speech_state.h"

#include "platform/platform.h"

namespace speech {

namespace {

struct SpeechModule {
  SpeechState state;
  int startUps = 0;
};

SpeechModule& Module() {
  static SpeechModule module;
  return module;
}

// A small generator with a fixed seed: the click is noise, but the same noise
// in every run, so that it always sounds alike.
class ClickNoise {
 public:
  std::uint32_t Next() {
    seed_ ^= seed_ << 13;
    seed_ ^= seed_ >> 17;
    seed_ ^= seed_ << 5;
    return seed_;
  }
  // Uniform in 0 .. bound - 1 (rejection keeps the values unbiased).
  std::uint32_t Below(std::uint32_t bound) {
    const std::uint32_t limit = UINT32_MAX - UINT32_MAX % bound;
    std::uint32_t value = Next();
    while (value >= limit) value = Next();
    return value % bound;
  }

 private:
  std::uint32_t seed_ = 0x2545F491u;
};

std::string StartFolderNow() {
  std::string folder = platform::CurrentDirectory();
  while (folder.size() > 1 && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  return folder;
}

void FreshState(SpeechState& state) {
  state = SpeechState{};
  const auto samples = BuildClickSamples();
  for (std::size_t i = 0; i < samples.size(); ++i) state.click[kWavHeaderSize + i] = samples[i];
}

}  // namespace

SpeechState& State() { return Module().state; }

std::array<std::uint8_t, kClickSamples> BuildClickSamples() {
  std::array<std::uint8_t, kClickSamples> samples{};
  ClickNoise noise;
  for (std::size_t i = 0; i < samples.size(); ++i) {
    samples[i] = i < 64 ? static_cast<std::uint8_t>(128 + noise.Below(60)) : 128;
  }
  return samples;
}

void SpeechModuleStartUp() {
  SpeechModule& module = Module();
  if (module.startUps++ > 0) return;
  platform::InitComponentLibrary();
  FreshState(module.state);
  module.state.startFolder = StartFolderNow();
}

void SpeechModuleShutDown() {
  SpeechModule& module = Module();
  if (module.startUps == 0 || --module.startUps > 0) return;
  module.state.startFolder.clear();
  module.state.promptFolder.clear();
  module.state.lettersFolder.clear();
  module.state.engineOutputFile.clear();
}

bool SpeechModuleStarted() { return Module().startUps > 0; }

void ResetSpeechStateForTests() {
  SpeechModule& module = Module();
  FreshState(module.state);
  module.state.startFolder = StartFolderNow();
  module.startUps = 1;
}

std::string WithTrailingBackslash(std::string folder) {
  if (!folder.empty() && folder.back() != '\\') folder.push_back('\\');
  return folder;
}

}  // namespace speech
