// Reads the format and the samples of an in-memory WAV image (the tones).
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "platform/platform.h"

namespace platform::sdl {

struct WavImage {
  WaveFormat format;
  std::span<const std::uint8_t> samples;  // inside the image
};

// "RIFF" at 0, "fmt " at 12 with its body at 20, then chunks up to "data".
// A data chunk that claims more than the image holds is cut to what is there.
// nullopt for anything else, or for a format other than 8/16-bit mono/stereo.
std::optional<WavImage> ParseWavImage(std::span<const std::uint8_t> image);

}  // namespace platform::sdl
