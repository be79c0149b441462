// Speed of the recorded-sound paths: the period shortener on a full block,
// and joining the pieces of a long number into sounds on the headless device.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include "console/console.h"
#include "platform/headless/headless.h"
#include "platform/platform.h"
#include "recorded/number_words.h"
#include "recorded/wav_output.h"
#include "speech/speech_prompts.h"
#include "speech/speech_state.h"

namespace {

// Something like voiced speech: a pitch of about 110 Hz with two harmonics.
std::vector<std::uint8_t> VoicedSamples(std::size_t count, int bits) {
  std::vector<std::uint8_t> out;
  out.reserve(count);
  const double pi = 3.14159265358979;
  for (std::size_t i = 0; out.size() < count; ++i) {
    const double t = static_cast<double>(i) / 11025.0;
    const double v = 0.5 * std::sin(2 * pi * 110 * t) + 0.3 * std::sin(2 * pi * 220 * t) +
                     0.15 * std::sin(2 * pi * 330 * t);
    if (bits == 8) {
      out.push_back(static_cast<std::uint8_t>(128 + 120 * v));
    } else {
      const auto s = static_cast<std::int16_t>(30000 * v);
      out.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(s) & 0xFF));
      if (out.size() < count) out.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(s) >> 8));
    }
  }
  return out;
}

void BM_ShortenPeriods(benchmark::State& state) {
  const int bits = static_cast<int>(state.range(0));
  const int rate = static_cast<int>(state.range(1));
  const std::vector<std::uint8_t> block = VoicedSamples(recorded::kWavBlockBytes, bits);
  std::vector<std::uint8_t> work(block.size());
  std::uint32_t length = 0;
  for (auto _ : state) {
    std::memcpy(work.data(), block.data(), block.size());
    length = recorded::ShortenPeriods(work.data(), static_cast<std::uint32_t>(work.size()), bits, rate);
    benchmark::DoNotOptimize(work.data());
  }
  state.counters["out_bytes"] = length;
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(block.size()));
}
BENCHMARK(BM_ShortenPeriods)->Args({8, 11025})->Args({8, 16537})->Args({16, 16000});

void BM_NumberToWords(benchmark::State& state) {
  std::int32_t n = 1987654321;
  for (auto _ : state) {
    benchmark::DoNotOptimize(recorded::NumberToWords(n));
    n = n == 2147483647 ? 0 : n + 7919;
  }
}
BENCHMARK(BM_NumberToWords);

// The pieces of "um bilhão novecentos e oitenta e sete milhões ..." (20 words,
// 3000 samples each: three joined sounds) read, joined and played in
// virtual time on the headless device.
void BM_SpeakLongNumber(benchmark::State& state) {
  std::random_device entropy;
  const std::filesystem::path root =
      std::filesystem::temp_directory_path() / ("tembrika-bench-" + std::to_string(entropy()));
  std::filesystem::create_directories(root / "letras");
  const std::string words = recorded::NumberToWords(1987654321);
  std::vector<std::uint8_t> piece(44 + 3000, 0);
  const std::vector<std::uint8_t> voiced = VoicedSamples(3000, 8);
  std::copy(voiced.begin(), voiced.end(), piece.begin() + 44);
  speech::FillWavHeader(piece, 3000, 11025, 8, 1);
  for (std::size_t at = 0; at < words.size();) {
    const std::size_t end = std::min(words.find(' ', at), words.size());
    if (end > at) {
      const std::string name = recorded::NumberPieceName(words.substr(at, end - at), false);
      std::ofstream out(root / "letras" / (name + ".wav"), std::ios::binary);
      out.write(reinterpret_cast<const char*>(piece.data()), static_cast<std::streamsize>(piece.size()));
    }
    at = end + 1;
  }
  platform::headless::Options options;
  options.virtualHoursLimit = 1e9;
  options.stepLimit = UINT64_MAX;
  platform::headless::HeadlessBackend* backend = &platform::headless::Install(options);
  platform::SetDriveCRoot(root.string());
  console::ResetConsoleForTests();
  recorded::ResetWavOutputForTests();
  speech::ResetSpeechStateForTests();
  speech::State().lettersFolder = "c:\\letras\\";
  for (auto _ : state) {
    recorded::SpeakNumberWords(words, false);
    state.PauseTiming();
    backend->TakeWrittenBlocks();
    backend->ClearLog();
    state.ResumeTiming();
  }
  std::filesystem::remove_all(root);
}
BENCHMARK(BM_SpeakLongNumber)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
