// Reads the image of a window dump (xwd's file format): a big-endian header,
// the window's name, the colour table, then the pixels row by row.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/platform.h"

namespace window_test {

struct XwdImage {
  int width = 0;
  int height = 0;
  std::vector<platform::Rgb> pixels;  // row by row
  platform::Rgb At(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};

// 24- and 32-bit true-colour dumps; nullopt for anything else or a short file.
std::optional<XwdImage> ParseXwd(std::span<const std::uint8_t> file);

}  // namespace window_test
