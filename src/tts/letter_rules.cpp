// Loading of the letter-rule table ("regras.rgr") and the word-exception
// table ("portug.exc"), and lookups in them.
#include <algorithm>
#include <array>
#include <optional>

#include "platform/platform.h"
#include "tts/letter_to_sound.h"

namespace tts {

namespace {

constexpr unsigned char kFirstRuleChar = 32;
constexpr unsigned char kLastRuleChar = 95;
constexpr std::size_t kRuleLists = kLastRuleChar - kFirstRuleChar + 1;

struct LetterRulesState {
  // One list per first character of `match`, 32..95, in file order.
  std::array<std::vector<LetterRule>, kRuleLists> rules;
  std::size_t ruleCount = 0;
  // Sorted by word (byte order) once loaded.
  std::vector<WordException> exceptions;
};

LetterRulesState& State() {
  static LetterRulesState state;
  return state;
}

const std::vector<LetterRule>& EmptyRuleList() {
  static const std::vector<LetterRule> empty;
  return empty;
}

void ClearRules(LetterRulesState& s) {
  for (auto& list : s.rules) {
    list.clear();
    list.shrink_to_fit();
  }
  s.ruleCount = 0;
}

// Calls `line` for every line of the file, without its CR / LF end. A lone CR
// also ends a line, so files of any line-end convention read the same.
template <typename LineFn>
void ForEachLine(std::span<const std::uint8_t> bytes, LineFn line) {
  std::size_t start = 0;
  const std::size_t n = bytes.size();
  while (start < n) {
    std::size_t end = start;
    while (end < n && bytes[end] != '\n' && bytes[end] != '\r') ++end;
    std::string_view text(reinterpret_cast<const char*>(bytes.data()) + start, end - start);
    if (!line(text)) return;
    if (end < n && bytes[end] == '\r' && end + 1 < n && bytes[end + 1] == '\n') ++end;
    start = end + 1;
  }
}

std::string Cut(std::string_view text, std::size_t limit) {
  return std::string(text.substr(0, std::min(text.size(), limit)));
}

// left(match)right=output|  — a missing delimiter leaves the parts after it empty.
LetterRule ParseRuleLine(std::string_view line) {
  LetterRule rule;
  const std::size_t open = line.find('(');
  if (open == std::string_view::npos) return rule;
  rule.left = Cut(line.substr(0, open), kMaxRuleContext);
  std::string_view rest = line.substr(open + 1);
  const std::size_t close = rest.find(')');
  if (close == std::string_view::npos) {
    rule.match = Cut(rest, kMaxRuleMatch);
    return rule;
  }
  rule.match = Cut(rest.substr(0, close), kMaxRuleMatch);
  rest = rest.substr(close + 1);
  const std::size_t equals = rest.find('=');
  if (equals == std::string_view::npos) {
    rule.right = Cut(rest, kMaxRuleContext);
    return rule;
  }
  rule.right = Cut(rest.substr(0, equals), kMaxRuleContext);
  rest = rest.substr(equals + 1);
  rule.output = Cut(rest.substr(0, std::min(rest.find('|'), rest.size())), kMaxRuleOutput);
  return rule;
}

// word=replacement|ignored  — parsed as the line followed by "|=|".
WordException ParseExceptionLine(std::string_view line) {
  std::string text = Cut(line, kMaxExceptionLine);
  text += "|=|";
  const std::size_t equals = text.find('=');
  WordException entry;
  entry.word = text.substr(0, equals);
  const std::size_t bar = text.find('|', equals + 1);
  entry.replacement = text.substr(equals + 1, bar - equals - 1);
  return entry;
}

bool ByteLess(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(
      a.begin(), a.end(), b.begin(), b.end(),
      [](char x, char y) { return static_cast<unsigned char>(x) < static_cast<unsigned char>(y); });
}

}  // namespace

bool LoadLetterRules(std::span<const std::uint8_t> fileBytes) {
  LetterRulesState& s = State();
  ClearRules(s);
  s.exceptions.clear();
  ForEachLine(fileBytes, [&s](std::string_view line) {
    LetterRule rule = ParseRuleLine(line);
    // A rule that consumes nothing would stall the translation; rules keyed
    // outside 32..95 are never consulted.
    if (rule.match.empty()) return true;
    const auto first = static_cast<unsigned char>(rule.match[0]);
    if (first < kFirstRuleChar || first > kLastRuleChar) return true;
    s.rules[first - kFirstRuleChar].push_back(std::move(rule));
    ++s.ruleCount;
    return true;
  });
  return true;
}

bool LoadLetterRules(std::string_view path) {
  LetterRulesState& s = State();
  ClearRules(s);
  s.exceptions.clear();
  const std::optional<std::vector<std::uint8_t>> bytes = platform::ReadWholeFile(path);
  if (!bytes) return false;
  return LoadLetterRules(std::span<const std::uint8_t>(*bytes));
}

bool LoadWordExceptions(std::span<const std::uint8_t> fileBytes) {
  LetterRulesState& s = State();
  ForEachLine(fileBytes, [&s](std::string_view line) {
    if (s.exceptions.size() >= kMaxWordExceptions) return false;
    if (line.empty()) return true;
    s.exceptions.push_back(ParseExceptionLine(line));
    return true;
  });
  // Stable, so that of two entries for one word the first of the file wins.
  std::stable_sort(s.exceptions.begin(), s.exceptions.end(),
                   [](const WordException& a, const WordException& b) { return ByteLess(a.word, b.word); });
  return true;
}

bool LoadWordExceptions(std::string_view path) {
  const std::optional<std::vector<std::uint8_t>> bytes = platform::ReadWholeFile(path);
  if (!bytes) return false;
  return LoadWordExceptions(std::span<const std::uint8_t>(*bytes));
}

void ReleaseLetterRules() { ClearRules(State()); }

std::size_t LetterRuleCount() { return State().ruleCount; }

const std::vector<LetterRule>& LetterRulesStartingWith(unsigned char first) {
  if (first < kFirstRuleChar || first > kLastRuleChar) return EmptyRuleList();
  return State().rules[first - kFirstRuleChar];
}

const std::vector<WordException>& WordExceptions() { return State().exceptions; }

const std::string* FindWordException(std::string_view word) {
  const std::vector<WordException>& table = State().exceptions;
  const std::string key(word);
  auto it = std::lower_bound(table.begin(), table.end(), key,
                             [](const WordException& e, const std::string& k) { return ByteLess(e.word, k); });
  if (it == table.end() || it->word != key) return nullptr;
  return &it->replacement;
}

void ResetLetterToSoundForTests() {
  LetterRulesState& s = State();
  ClearRules(s);
  s.exceptions.clear();
  s.exceptions.shrink_to_fit();
}

}  // namespace tts
