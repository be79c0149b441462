// Letter-to-sound translator: turns a line of Portuguese text (cp1252) into
// the phonetic text the diphone synthesizer plays, using the context rules of
// "regras.rgr", the whole-word exceptions of "portug.exc", a stress marker
// and fixed rules for words read letter by letter.
//
// One translator per program; not re-entrant.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tts {

// One rule "left(match)right=output|". Parts are cut to 5, 5, 5 and 11
// characters when loaded.
struct LetterRule {
  std::string left;
  std::string match;
  std::string right;
  std::string output;
};

// A whole-word exception: the word as read (lower case, internal accent
// notation) and its replacement.
struct WordException {
  std::string word;
  std::string replacement;
};

inline constexpr std::size_t kMaxRuleContext = 5;
inline constexpr std::size_t kMaxRuleMatch = 5;
inline constexpr std::size_t kMaxRuleOutput = 11;
inline constexpr std::size_t kMaxWordExceptions = 15000;
inline constexpr std::size_t kMaxExceptionLine = 255;
inline constexpr std::size_t kMaxWordLength = 256;

// Empties the rule table and the exception table, then reads the rules file.
// False when the file cannot be read (the table stays empty).
bool LoadLetterRules(std::string_view path);
// The same from the file's bytes (CR LF or LF line ends).
bool LoadLetterRules(std::span<const std::uint8_t> fileBytes);

// Reads the exceptions file (at most 15000 entries) and sorts it by word.
// False when the file cannot be read. Call after LoadLetterRules.
bool LoadWordExceptions(std::string_view path);
bool LoadWordExceptions(std::span<const std::uint8_t> fileBytes);

// Frees every rule. The exceptions stay until the next load.
void ReleaseLetterRules();

// The phonetic text of a cp1252 text: "[" piece "/" piece ... "]" per word;
// the empty string for an empty or all-blank text.
std::string TranslateToPhonetic(std::string_view text);

// The first step of TranslateToPhonetic: accented letters to the internal
// notation, w/y to vowels, control and unknown characters to " \x01 ".
std::string PrepareTextForTranslation(std::string_view text);

// Inspection, for tests and tools.
std::size_t LetterRuleCount();
// The rules whose match begins with `first` (32..95), in file order.
const std::vector<LetterRule>& LetterRulesStartingWith(unsigned char first);
// The sorted exception table.
const std::vector<WordException>& WordExceptions();
// The replacement of a word, or nullptr when it is not an exception.
const std::string* FindWordException(std::string_view word);

// Back to the unloaded state (no rules, no exceptions).
void ResetLetterToSoundForTests();

}  // namespace tts
