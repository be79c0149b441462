// Code page 1252 <-> UTF-8 conversion and cp1252 case folding.
#include "platform/text_encoding.h"

#include <array>

namespace platform {

namespace {

// Code points of the bytes 0x80..0x9F; 0 marks the bytes cp1252 leaves undefined.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

}  // namespace

char32_t Cp1252ToUnicode(std::uint8_t byte) {
  if (byte >= 0x80 && byte <= 0x9F) {
    char32_t cp = kHighControls[byte - 0x80];
    return cp != 0 ? cp : char32_t{byte};
  }
  return char32_t{byte};
}

int UnicodeToCp1252(char32_t codePoint) {
  if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) {
    return static_cast<int>(codePoint);
  }
  for (std::size_t i = 0; i < kHighControls.size(); ++i) {
    char32_t defined = kHighControls[i];
    if (defined == codePoint || (defined == 0 && codePoint == 0x80 + i)) {
      return static_cast<int>(0x80 + i);
    }
  }
  return -1;
}

bool DecodeUtf8(std::string_view text, std::size_t& pos, char32_t& codePoint) {
  auto byteAt = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  std::uint8_t lead = byteAt(pos);
  int extra = 0;
  char32_t cp = 0;
  char32_t minimum = 0;
  if (lead < 0x80) {
    codePoint = lead;
    ++pos;
    return true;
  } else if ((lead & 0xE0) == 0xC0) {
    extra = 1, cp = lead & 0x1Fu, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, cp = lead & 0x0Fu, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, cp = lead & 0x07u, minimum = 0x10000;
  } else {
    ++pos;
    return false;
  }
  if (pos + static_cast<std::size_t>(extra) >= text.size()) {
    ++pos;
    return false;
  }
  for (int i = 1; i <= extra; ++i) {
    std::uint8_t next = byteAt(pos + static_cast<std::size_t>(i));
    if ((next & 0xC0) != 0x80) {
      ++pos;
      return false;
    }
    cp = (cp << 6) | (next & 0x3Fu);
  }
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++pos;
    return false;
  }
  pos += static_cast<std::size_t>(extra) + 1;
  codePoint = cp;
  return true;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::string Cp1252ToUtf8(std::string_view cp1252) {
  std::string out;
  out.reserve(cp1252.size());
  for (char c : cp1252) AppendUtf8(out, Cp1252ToUnicode(static_cast<std::uint8_t>(c)));
  return out;
}

std::string Utf8ToCp1252(std::string_view utf8, char replacement) {
  std::string out;
  out.reserve(utf8.size());
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    char32_t cp = 0;
    if (!DecodeUtf8(utf8, pos, cp)) {
      out += replacement;
      continue;
    }
    int byte = UnicodeToCp1252(cp);
    out += byte < 0 ? replacement : static_cast<char>(byte);
  }
  return out;
}

bool IsValidUtf8(std::string_view text) {
  std::size_t pos = 0;
  char32_t cp = 0;
  while (pos < text.size()) {
    if (!DecodeUtf8(text, pos, cp)) return false;
  }
  return true;
}

bool Utf8FitsCp1252(std::string_view utf8) {
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    char32_t cp = 0;
    if (!DecodeUtf8(utf8, pos, cp) || UnicodeToCp1252(cp) < 0) return false;
  }
  return true;
}

std::uint8_t Cp1252Lower(std::uint8_t byte) {
  if (byte >= 'A' && byte <= 'Z') return static_cast<std::uint8_t>(byte + 32);
  if (byte >= 0xC0 && byte <= 0xDE && byte != 0xD7) return static_cast<std::uint8_t>(byte + 32);
  switch (byte) {
    case 0x8A: return 0x9A;  // Š
    case 0x8C: return 0x9C;  // Œ
    case 0x8E: return 0x9E;  // Ž
    case 0x9F: return 0xFF;  // Ÿ
    default: return byte;
  }
}

bool Cp1252EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Cp1252Lower(static_cast<std::uint8_t>(a[i])) != Cp1252Lower(static_cast<std::uint8_t>(b[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace platform
