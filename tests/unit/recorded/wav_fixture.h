// Test support for the recorded-sound code: a temporary drive C with small
// WAV files written by the test, the headless backend, and decoding of what
// the wave device was given.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "console/console.h"
#include "platform/headless/headless.h"
#include "platform/platform.h"
#include "recorded/wav_output.h"
#include "speech/speech_state.h"

namespace wavtest {

inline void PutLe16(std::vector<std::uint8_t>& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v & 0xFF));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void PutLe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
inline void PutTag(std::vector<std::uint8_t>& out, const char* tag) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(tag[i]));
}

// A chunk placed between "fmt " and "data".
struct Chunk {
  std::string tag;
  std::uint32_t declaredSize;
  std::vector<std::uint8_t> body;  // may be shorter than declared (a lying file)
};

struct WavSpec {
  std::uint32_t rate = 11025;
  std::uint16_t bits = 8;
  std::uint16_t channels = 1;
  std::uint32_t fmtSize = 16;  // bytes of the fmt body (extra bytes are zero)
  std::vector<Chunk> before;   // chunks before "data"
  std::string dataTag = "data";
  std::optional<std::uint32_t> declaredData;  // default: the real sample count
};

// A RIFF image: header, fmt chunk, the extra chunks, data chunk, samples.
inline std::vector<std::uint8_t> MakeWav(const std::vector<std::uint8_t>& samples,
                                         const WavSpec& spec = {}) {
  std::vector<std::uint8_t> out;
  PutTag(out, "RIFF");
  PutLe32(out, static_cast<std::uint32_t>(36 + samples.size()));
  PutTag(out, "WAVE");
  PutTag(out, "fmt ");
  PutLe32(out, spec.fmtSize);
  std::vector<std::uint8_t> body;
  PutLe16(body, 1);
  PutLe16(body, spec.channels);
  PutLe32(body, spec.rate);
  PutLe32(body, spec.rate * spec.channels * (spec.bits / 8u));
  PutLe16(body, static_cast<std::uint16_t>(spec.channels * (spec.bits / 8u)));
  PutLe16(body, spec.bits);
  body.resize(spec.fmtSize, 0);
  out.insert(out.end(), body.begin(), body.end());
  for (const Chunk& chunk : spec.before) {
    PutTag(out, chunk.tag.c_str());
    PutLe32(out, chunk.declaredSize);
    out.insert(out.end(), chunk.body.begin(), chunk.body.end());
  }
  PutTag(out, spec.dataTag.c_str());
  PutLe32(out, spec.declaredData.value_or(static_cast<std::uint32_t>(samples.size())));
  out.insert(out.end(), samples.begin(), samples.end());
  return out;
}

inline std::vector<std::uint8_t> Constant(std::size_t count, std::uint8_t value) {
  return std::vector<std::uint8_t>(count, value);
}

// Counting bytes 0, 1, 2, ... (never 128 by itself being special).
inline std::vector<std::uint8_t> Ramp(std::size_t count) {
  std::vector<std::uint8_t> out(count);
  for (std::size_t i = 0; i < count; ++i) out[i] = static_cast<std::uint8_t>(i * 7 + 3);
  return out;
}

class Fixture : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device entropy;
    root_ = std::filesystem::temp_directory_path() /
            ("tembrika-recorded-" + std::to_string(entropy()) + "-" + std::to_string(entropy()));
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_ / "letras");
    std::filesystem::create_directories(root_ / "tembrika");
    platform::headless::Options options;
    options.clock.year = 2026;
    backend_ = &platform::headless::Install(options);
    platform::SetDriveCRoot(root_.string());
    console::ResetConsoleForTests();
    recorded::ResetWavOutputForTests();
    speech::ResetSpeechStateForTests();
    speech::State().lettersFolder = "c:\\letras\\";
    speech::State().promptFolder = "c:\\tembrika\\";
  }

  void TearDown() override {
    recorded::ResetWavOutputForTests();
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }

  platform::headless::HeadlessBackend& Backend() { return *backend_; }

  // Writes bytes to a file of drive C ("letras/_65.wav").
  void WriteFile(const std::string& relative, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(root_ / relative, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }

  // A recorded piece or prompt: a 44-byte header and count samples of value.
  void WritePiece(const std::string& relative, std::uint8_t value, std::size_t count = 200) {
    WriteFile(relative, MakeWav(Constant(count, value)));
  }

  // Log lines that begin with the given kind ("play", "buffer", "missing", "cut").
  std::vector<std::string> LogOf(const std::string& kind) {
    std::vector<std::string> lines;
    for (const std::string& line : Backend().LogLines()) {
      if (line.rfind(kind + "\t", 0) == 0 || line == kind) lines.push_back(line);
    }
    return lines;
  }

  // Lengths of the blocks written since the last call.
  std::vector<std::size_t> BlockLengths() {
    std::vector<std::size_t> lengths;
    for (const auto& block : Backend().TakeWrittenBlocks()) lengths.push_back(block.bytes.size());
    return lengths;
  }

  // The pieces heard, in order: each written block's runs of one sample value
  // (silence, 128, left out) named through the map of piece values.
  std::vector<std::string> Heard(const std::map<std::uint8_t, std::string>& names) {
    std::vector<std::string> heard;
    for (const auto& block : Backend().TakeWrittenBlocks()) {
      int previous = -1;
      for (const std::uint8_t sample : block.bytes) {
        if (sample != 128 && sample != previous) {
          const auto found = names.find(sample);
          heard.push_back(found == names.end() ? "?" + std::to_string(sample) : found->second);
        }
        previous = sample;
      }
    }
    return heard;
  }

  // Types a key now: it is in the console's queue at the next pump.
  void TypeNow(char c) {
    platform::PostMessage(platform::kMsgKeyDown, static_cast<std::uintptr_t>(c >= 'a' && c <= 'z' ? c - 32 : c));
    platform::PostMessage(platform::kMsgChar, static_cast<std::uint8_t>(c));
    platform::PostMessage(platform::kMsgKeyUp, static_cast<std::uintptr_t>(c >= 'a' && c <= 'z' ? c - 32 : c));
  }

  std::filesystem::path root_;
  platform::headless::HeadlessBackend* backend_ = nullptr;
};

}  // namespace wavtest
