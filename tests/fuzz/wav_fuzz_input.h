// One fuzz input for the wave output, shared by the libFuzzer target and the
// replay test: the first byte chooses the options (bit 0 ShortenSpeech,
// bit 1 RaisedRate), the rest is a WAV image. The image is played from
// memory and from a file of a temporary drive C, on a fresh headless
// backend; ShortenPeriods also runs on the raw bytes.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "console/console.h"
#include "platform/headless/headless.h"
#include "platform/platform.h"
#include "recorded/wav_output.h"

namespace fuzzing {

// Drive C of the fuzz runs, made once per process.
inline const std::filesystem::path& WavFuzzDrive() {
  static const std::filesystem::path drive = [] {
    std::random_device entropy;
    std::filesystem::path root = std::filesystem::temp_directory_path() /
                                 ("tembrika-wav-fuzz-" + std::to_string(entropy()));
    std::filesystem::create_directories(root);
    return root;
  }();
  return drive;
}

// What one input did, so that the replay test can check it is repeatable.
struct WavFuzzResult {
  bool parsed = false;
  int fileResult = 0;
  std::size_t blocks = 0;
};

inline void Require(bool condition) {
  if (!condition) std::abort();
}

inline WavFuzzResult RunWavInput(std::span<const std::uint8_t> input) {
  WavFuzzResult result;
  const std::uint8_t options = input.empty() ? 0 : input[0];
  const std::span<const std::uint8_t> image = input.empty() ? input : input.subspan(1);

  platform::headless::Options headless;
  headless.virtualHoursLimit = 1e9;  // a lying rate may make a long sound
  headless.stepLimit = UINT64_MAX;
  platform::headless::HeadlessBackend& backend = platform::headless::Install(headless);
  platform::SetDriveCRoot(WavFuzzDrive().string());
  console::ResetConsoleForTests();
  recorded::ResetWavOutputForTests();
  recorded::SetShortenSpeech((options & 1) != 0);
  recorded::SetRaisedRate((options & 2) != 0);

  const std::optional<recorded::ParsedWav> parsed = recorded::ParseWavBuffer(image);
  result.parsed = parsed.has_value();
  if (parsed) Require(parsed->dataOffset + parsed->dataLength <= image.size());

  std::vector<std::uint8_t> copy(image.begin(), image.end());
  recorded::PlayWavBuffer(copy);
  while (recorded::WavPlaying()) platform::WaitMessage();

  {
    std::ofstream out(WavFuzzDrive() / "fuzz.wav", std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
  }
  result.fileResult = recorded::PlayWavFile("c:\\fuzz.wav");
  if (!parsed) Require(result.fileResult == -1);
  Require(!recorded::WavDeviceOpen() && recorded::QueuedWavBlocks() == 0);

  for (const auto& block : backend.TakeWrittenBlocks()) {
    Require(block.bytes.size() >= recorded::kWavMinBlockBytes &&
            block.bytes.size() <= recorded::kWavBlockBytes);
    ++result.blocks;
  }

  std::vector<std::uint8_t> raw(image.begin(), image.end());
  if (raw.size() > recorded::kWavBlockBytes) raw.resize(recorded::kWavBlockBytes);
  const int rate = (options & 4) != 0 ? 11025 : 16000;
  const int bits = (options & 8) != 0 ? 16 : 8;
  const std::uint32_t length = recorded::ShortenPeriods(raw.data(), static_cast<std::uint32_t>(raw.size()), bits, rate);
  Require(length <= raw.size());
  return result;
}

}  // namespace fuzzing
