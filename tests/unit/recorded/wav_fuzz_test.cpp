// Replays the saved fuzz cases of the wave output and runs a short seeded
// round of random and mutated WAV images, so that a read past a buffer or a
// hang shows up under the normal and the sanitizer builds.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "fuzz/wav_fuzz_input.h"
#include "unit/saved_fuzz_cases.h"
#include "unit/recorded/wav_fixture.h"

namespace {


void ExpectRepeatable(const std::vector<std::uint8_t>& input) {
  const fuzzing::WavFuzzResult first = fuzzing::RunWavInput(input);
  const fuzzing::WavFuzzResult second = fuzzing::RunWavInput(input);
  EXPECT_EQ(first.parsed, second.parsed);
  EXPECT_EQ(first.fileResult, second.fileResult);
  EXPECT_EQ(first.blocks, second.blocks);
}

TEST(WavFuzz, ReplaysSavedCases) {
  const auto cases = testdata::SavedFuzzCases("recorded/wav_fuzz");
  ASSERT_FALSE(cases.empty());
  for (const auto& saved : cases) {
    SCOPED_TRACE(saved.name);
    ExpectRepeatable(saved.bytes);
  }
}

// A well-formed image of random format and length, with random extra chunks.
std::vector<std::uint8_t> RandomImage(std::mt19937& rng) {
  std::uniform_int_distribution<int> pick(0, 3);
  static const std::uint32_t kRates[] = {11025, 16000, 22050, 1};
  wavtest::WavSpec spec;
  spec.rate = kRates[pick(rng)];
  spec.bits = pick(rng) < 2 ? 8 : 16;
  spec.channels = pick(rng) == 0 ? 2 : 1;
  spec.fmtSize = pick(rng) == 0 ? 18 : 16;
  for (int n = pick(rng); n > 1; --n) {
    spec.before.push_back({"LIST", 6, wavtest::Constant(6, 7)});
  }
  std::uniform_int_distribution<std::size_t> length(0, 3000);
  std::uniform_int_distribution<int> byte(0, 255);
  std::vector<std::uint8_t> samples(length(rng));
  for (auto& s : samples) s = static_cast<std::uint8_t>(byte(rng));
  return wavtest::MakeWav(samples, spec);
}

void Mutate(std::mt19937& rng, std::vector<std::uint8_t>& image) {
  std::uniform_int_distribution<int> kind(0, 4);
  std::uniform_int_distribution<int> byte(0, 255);
  static const std::uint32_t kSizes[] = {0, 1, 15, 16, 0x7FFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFF8u, 65534, 65535, 70000};
  std::uniform_int_distribution<std::size_t> sizePick(0, std::size(kSizes) - 1);
  for (int n = kind(rng); n >= 0 && !image.empty(); --n) {
    std::uniform_int_distribution<std::size_t> at(0, image.size() - 1);
    switch (kind(rng)) {
      case 0: image[at(rng)] = static_cast<std::uint8_t>(byte(rng)); break;
      case 1: image.resize(at(rng)); break;
      case 2: {  // a lying size at one of the fields that hold sizes
        static const std::size_t kFields[] = {4, 16, 40, 42, 50};
        const std::size_t field = kFields[static_cast<std::size_t>(byte(rng)) % std::size(kFields)];
        if (field + 4 <= image.size()) {
          const std::uint32_t v = kSizes[sizePick(rng)];
          for (int i = 0; i < 4; ++i) image[field + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
        }
        break;
      }
      case 3: image.insert(image.begin() + static_cast<std::ptrdiff_t>(at(rng)), static_cast<std::uint8_t>(byte(rng))); break;
      default: image[at(rng)] ^= 0x20; break;  // tag case
    }
  }
}

TEST(WavFuzz, SeededRandomImagesPlaySafely) {
  std::mt19937 rng(20261211u);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int round = 0; round < 2000; ++round) {
    std::vector<std::uint8_t> input = {static_cast<std::uint8_t>(byte(rng))};
    std::vector<std::uint8_t> image = RandomImage(rng);
    if (round % 10 != 0) Mutate(rng, image);
    input.insert(input.end(), image.begin(), image.end());
    const fuzzing::WavFuzzResult result = fuzzing::RunWavInput(input);
    ASSERT_TRUE(result.fileResult == -1 || result.fileResult == 0 ||
                result.fileResult == platform::kWaveBadFormat)
        << "round " << round << " gave " << result.fileResult;
  }
}

}  // namespace
