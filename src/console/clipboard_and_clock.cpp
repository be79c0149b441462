// Plain-text clipboard access and the local date and time.
#include <algorithm>
#include <cstring>

#include "console/console.h"

namespace console {

void CopyToClipboard(const std::string& text) {
  // The text ends at its first NUL, as the C string it stands for.
  const std::size_t length = std::min(text.find('\0'), text.size());
  platform::SetClipboardText(text.substr(0, length));
}

void PasteFromClipboard(char* buffer, std::int32_t size) {
  if (buffer == nullptr || size <= 0) return;
  std::string text;
  switch (platform::GetClipboardText(text)) {
    case platform::ClipboardRead::Unavailable:
      return;
    case platform::ClipboardRead::NoText:
      buffer[0] = 0;
      return;
    case platform::ClipboardRead::Text:
      break;
  }
  const std::size_t length = std::min(text.find('\0'), text.size());
  const std::size_t n = std::min(static_cast<std::size_t>(size), length + 1);
  std::memcpy(buffer, text.data(), std::min(n, length));
  buffer[n - 1] = 0;
}

void GetDate(std::uint16_t& year, std::uint16_t& month, std::uint16_t& day, std::uint16_t& dayOfWeek) {
  const platform::LocalTime now = platform::Now();
  year = static_cast<std::uint16_t>(now.year);
  month = static_cast<std::uint16_t>(now.month);
  day = static_cast<std::uint16_t>(now.day);
  dayOfWeek = static_cast<std::uint16_t>(now.dayOfWeek);
}

void GetTime(std::uint16_t& hour, std::uint16_t& minute, std::uint16_t& second, std::uint16_t& hundredths) {
  const platform::LocalTime now = platform::Now();
  hour = static_cast<std::uint16_t>(now.hour);
  minute = static_cast<std::uint16_t>(now.minute);
  second = static_cast<std::uint16_t>(now.second);
  hundredths = static_cast<std::uint16_t>(now.millisecond / 10);
}

}  // namespace console
