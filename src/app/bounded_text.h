// Texts with a fixed maximum length: longer input is cut where the design cuts.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace app {

inline constexpr std::size_t kCommentLength = 16;
inline constexpr std::size_t kEditedLineLength = 255;
inline constexpr std::size_t kEventsFileNameLength = 40;
inline constexpr std::size_t kMessageLineLength = 60;

inline std::string CutTo(std::string_view text, std::size_t limit) {
  return std::string(text.substr(0, limit));
}

}  // namespace app
