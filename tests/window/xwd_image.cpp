#include "xwd_image.h"

#include <bit>

namespace window_test {

namespace {

std::optional<std::uint32_t> Be32(std::span<const std::uint8_t> b, std::size_t at) {
  if (at + 4 > b.size()) return std::nullopt;
  return static_cast<std::uint32_t>(b[at]) << 24 | static_cast<std::uint32_t>(b[at + 1]) << 16 |
         static_cast<std::uint32_t>(b[at + 2]) << 8 | b[at + 3];
}

std::uint8_t Channel(std::uint32_t pixel, std::uint32_t mask) {
  if (mask == 0) return 0;
  const int shift = std::countr_zero(mask);
  const std::uint32_t max = mask >> shift;
  return static_cast<std::uint8_t>(((pixel & mask) >> shift) * 255 / max);
}

}  // namespace

std::optional<XwdImage> ParseXwd(std::span<const std::uint8_t> file) {
  // Header fields, 4 bytes each, in this order.
  enum Field {
    kHeaderSize, kVersion, kFormat, kDepth, kWidth, kHeight, kXOffset, kByteOrder, kBitmapUnit,
    kBitOrder, kBitmapPad, kBitsPerPixel, kBytesPerLine, kVisualClass, kRedMask, kGreenMask,
    kBlueMask, kBitsPerRgb, kColormapEntries, kColours, kFieldCount
  };
  std::uint32_t h[kFieldCount];
  for (int i = 0; i < kFieldCount; ++i) {
    const auto v = Be32(file, static_cast<std::size_t>(i) * 4);
    if (!v) return std::nullopt;
    h[i] = *v;
  }
  if (h[kVersion] != 7 || h[kFormat] != 2) return std::nullopt;  // ZPixmap only
  if (h[kBitsPerPixel] != 32 && h[kBitsPerPixel] != 24) return std::nullopt;
  if (h[kWidth] == 0 || h[kHeight] == 0 || h[kWidth] > 16384 || h[kHeight] > 16384) return std::nullopt;
  const std::size_t bytesPerPixel = h[kBitsPerPixel] / 8;
  const std::size_t start = static_cast<std::size_t>(h[kHeaderSize]) + static_cast<std::size_t>(h[kColours]) * 12;
  const std::size_t line = h[kBytesPerLine];
  if (line < h[kWidth] * bytesPerPixel) return std::nullopt;
  if (start > file.size() || (file.size() - start) / line < h[kHeight]) return std::nullopt;
  XwdImage image;
  image.width = static_cast<int>(h[kWidth]);
  image.height = static_cast<int>(h[kHeight]);
  image.pixels.resize(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height));
  const bool msbFirst = h[kByteOrder] != 0;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const std::uint8_t* p = file.data() + start + static_cast<std::size_t>(y) * line +
                              static_cast<std::size_t>(x) * bytesPerPixel;
      std::uint32_t v = 0;
      for (std::size_t i = 0; i < bytesPerPixel; ++i) {
        const std::size_t shift = msbFirst ? 8 * (bytesPerPixel - 1 - i) : 8 * i;
        v |= static_cast<std::uint32_t>(p[i]) << shift;
      }
      image.pixels[static_cast<std::size_t>(y * image.width + x)] = {
          Channel(v, h[kRedMask]), Channel(v, h[kGreenMask]), Channel(v, h[kBlueMask])};
    }
  }
  return image;
}

}  // namespace window_test
