// Code page 1252 <-> UTF-8 at the edges of the program (file names, logs,
// scripts, clipboard, font rendering). Inside, texts stay cp1252 bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// The Unicode code point of a cp1252 byte. The five bytes cp1252 leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same value.
char32_t Cp1252ToUnicode(std::uint8_t byte);

// The cp1252 byte of a code point, or -1 when cp1252 has none.
int UnicodeToCp1252(char32_t codePoint);

// Decodes one UTF-8 sequence at text[pos]; advances pos. False (pos advanced by
// one byte) for a malformed, overlong or truncated sequence.
bool DecodeUtf8(std::string_view text, std::size_t& pos, char32_t& codePoint);

void AppendUtf8(std::string& out, char32_t codePoint);

std::string Cp1252ToUtf8(std::string_view cp1252);

// Characters cp1252 cannot hold, and malformed bytes, become the replacement.
std::string Utf8ToCp1252(std::string_view utf8, char replacement = '?');

// True when the bytes are well-formed UTF-8.
bool IsValidUtf8(std::string_view text);

// True when the bytes are well-formed UTF-8 whose every character fits in cp1252.
bool Utf8FitsCp1252(std::string_view utf8);

// Lower-case of a cp1252 letter (ASCII and the accented Latin letters).
std::uint8_t Cp1252Lower(std::uint8_t byte);

// Equal without regard to letter case (cp1252).
bool Cp1252EqualNoCase(std::string_view a, std::string_view b);

}  // namespace platform
