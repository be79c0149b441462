#include "platform/sdl/wav_image.h"

#include <algorithm>
#include <cstring>

namespace platform::sdl {

namespace {

bool TagAt(std::span<const std::uint8_t> b, std::size_t at, const char* tag) {
  return at + 4 <= b.size() && std::memcmp(b.data() + at, tag, 4) == 0;
}

std::optional<std::uint32_t> U32At(std::span<const std::uint8_t> b, std::size_t at) {
  if (at + 4 > b.size()) return std::nullopt;
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
         static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::optional<std::uint16_t> U16At(std::span<const std::uint8_t> b, std::size_t at) {
  if (at + 2 > b.size()) return std::nullopt;
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

}  // namespace

std::optional<WavImage> ParseWavImage(std::span<const std::uint8_t> image) {
  if (!TagAt(image, 0, "RIFF") || !TagAt(image, 12, "fmt ")) return std::nullopt;
  const auto fmtSize = U32At(image, 16);
  if (!fmtSize || *fmtSize < 16) return std::nullopt;
  const auto channels = U16At(image, 22);
  const auto rate = U32At(image, 24);
  const auto bits = U16At(image, 34);
  if (!channels || !rate || !bits) return std::nullopt;
  if ((*channels != 1 && *channels != 2) || (*bits != 8 && *bits != 16) || *rate == 0 || *rate > 384000) {
    return std::nullopt;
  }
  std::uint64_t at = 20 + static_cast<std::uint64_t>(*fmtSize);
  while (at + 8 <= image.size()) {
    const std::size_t pos = static_cast<std::size_t>(at);
    const std::uint32_t size = *U32At(image, pos + 4);
    if (TagAt(image, pos, "data")) {
      const std::size_t start = pos + 8;
      const std::size_t length = std::min<std::size_t>(size, image.size() - start);
      WavImage out;
      out.format = {static_cast<int>(*rate), *bits, *channels};
      out.samples = image.subspan(start, length);
      return out;
    }
    at += 8 + static_cast<std::uint64_t>(size);
  }
  return std::nullopt;
}

}  // namespace platform::sdl
