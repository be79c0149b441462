// Character classes of the letter-to-sound translator (cp1252 bytes; only
// ASCII letters count as letters, accented letters are in the internal
// notation by the time these are asked).
#pragma once

namespace tts::letters {

constexpr bool IsUpperVowel(char c) {
  return c == 'A' || c == 'E' || c == 'I' || c == 'O' || c == 'U';
}
constexpr bool IsLowerVowel(char c) {
  return c == 'a' || c == 'e' || c == 'i' || c == 'o' || c == 'u';
}
constexpr bool IsVowel(char c) { return IsUpperVowel(c) || IsLowerVowel(c); }
constexpr bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
constexpr bool IsConsonant(char c) { return IsAsciiLetter(c) && !IsVowel(c); }
constexpr bool IsLetter(char c) { return IsAsciiLetter(c); }
constexpr bool IsAccentMark(char c) {
  return c == '"' || c == '\'' || c == '^' || c == '`' || c == '~';
}
constexpr bool IsWordChar(char c) { return IsLetter(c) || IsAccentMark(c); }
constexpr bool IsPunctuation(char c) {
  return c == ' ' || c == '!' || c == ',' || c == '.' || c == ':' || c == ';' || c == '?';
}
constexpr bool IsFrontVowel(char c) { return c == 'E' || c == 'I' || c == 'e' || c == 'i'; }
constexpr bool IsBackVowel(char c) { return c == 'A' || c == 'O' || c == 'a' || c == 'o'; }
constexpr bool IsGOrQ(char c) { return c == 'g' || c == 'q'; }

constexpr char ToUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
constexpr char ToLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace tts::letters
