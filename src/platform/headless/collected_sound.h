// Every sound the simulator played, as one 11025 Hz 8-bit mono stream, for
// the --wav file of the simulator.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace platform::headless {

class CollectedSound {
 public:
  static constexpr int kRate = 11025;
  // Four hours of sound at most; later sounds are not kept.
  static constexpr std::size_t kLimit = static_cast<std::size_t>(kRate) * 3600 * 4;

  void SetEnabled(bool enabled) { enabled_ = enabled; }

  // Appends PCM bytes of the given format (whole frames only).
  void AddBlock(std::span<const std::uint8_t> bytes, const WaveFormat& format);

  // Appends a looping in-memory WAV image played for the given time; an image
  // that is not a PCM WAV is ignored.
  void AddLoopedWav(std::span<const std::uint8_t> wav, std::uint64_t micros);

  const std::vector<std::uint8_t>& Samples() const { return samples_; }

  // Writes a canonical 44-byte-header WAV file; false when it cannot be written.
  bool WriteWav(const std::string& nativePath) const;

 private:
  bool enabled_ = false;
  std::vector<std::uint8_t> samples_;
  // Resampling position of the current run of one format.
  WaveFormat runFormat_;
  std::uint64_t runSourceFrames_ = 0;
  std::uint64_t runOutputSamples_ = 0;
};

// Reads the format and the sample data of an in-memory PCM WAV image; false
// when the image is not one (every field bounds-checked).
bool ParseWavImage(std::span<const std::uint8_t> wav, WaveFormat& format,
                   std::span<const std::uint8_t>& data);

}  // namespace platform::headless
