// Square-wave tones played as a looping in-memory sound.
#include <algorithm>
#include <cstring>

#include "console/console_internal.h"

namespace console {
namespace detail {

namespace {

ToneState g_tone;

constexpr std::size_t kToneBufferSize = 11071;
constexpr int kRate = 11025;
constexpr std::size_t kHeaderSize = 44;

void PutLe32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}
void PutLe16(std::vector<std::uint8_t>& out, std::size_t at, std::uint16_t v) {
  out[at] = static_cast<std::uint8_t>(v);
  out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void PutTag(std::vector<std::uint8_t>& out, std::size_t at, const char (&tag)[5]) {
  std::memcpy(&out[at], tag, 4);
}

}  // namespace

ToneState& Tone() { return g_tone; }

std::vector<std::uint8_t> BuildToneWave(std::uint16_t frequencyHz) {
  const int f = std::clamp<int>(frequencyHz, 1, kRate);
  std::vector<std::uint8_t> wave(kToneBufferSize, 0);
  const int period = kRate / f;
  const int half = period / 2;
  // Period k starts at 44 + k * 11025 / f, so the boundaries never drift;
  // each period is h samples low and the rest high, and a period's last
  // high sample is overwritten by the next period's first.
  std::size_t end = kHeaderSize;
  for (int k = 0;; ++k) {
    const int start = static_cast<int>((static_cast<std::int64_t>(k) * kRate) / f);
    if (start > kRate - period) {
      end = kHeaderSize + static_cast<std::size_t>(start);
      break;
    }
    const std::size_t b = kHeaderSize + static_cast<std::size_t>(start);
    std::fill(wave.begin() + static_cast<std::ptrdiff_t>(b), wave.begin() + static_cast<std::ptrdiff_t>(b) + half, 96);
    std::fill(wave.begin() + static_cast<std::ptrdiff_t>(b) + half,
              wave.begin() + static_cast<std::ptrdiff_t>(b) + period + 1, 160);
  }
  wave[end - 1] = 128;  // ends on the 8-bit silence level
  const auto dataLength = static_cast<std::uint32_t>(end - kHeaderSize);

  PutTag(wave, 0, "RIFF");
  PutLe32(wave, 4, dataLength + 36);
  PutTag(wave, 8, "WAVE");
  PutTag(wave, 12, "fmt ");
  PutLe32(wave, 16, 16);
  PutLe16(wave, 20, 1);  // PCM
  PutLe16(wave, 22, 1);  // mono
  PutLe32(wave, 24, kRate);
  PutLe32(wave, 28, kRate);  // bytes per second
  PutLe16(wave, 32, 1);      // block alignment
  PutLe16(wave, 34, 8);      // bits per sample
  PutTag(wave, 36, "data");
  PutLe32(wave, 40, dataLength);
  return wave;
}

}  // namespace detail

using namespace detail;

void StartTone(std::uint16_t frequencyHz) {
  if (!Tone().buffer.empty()) StopTone();
  // A frequency of 0 has no period: it sounds nothing.
  if (frequencyHz == 0) return;
  ToneState& t = Tone();
  t.buffer = BuildToneWave(frequencyHz);
  platform::StartLoopingSound(t.buffer, frequencyHz);
}

void StopTone() {
  ToneState& t = Tone();
  if (t.buffer.empty()) return;
  platform::StopLoopingSound();
  t.buffer.clear();
  t.buffer.shrink_to_fit();
}

}  // namespace console
