// The translation of a text into phonetic text: text preparation, the word
// loop, whole-word exceptions, the stress marker, spelled words and the
// context rules.
#include "tts/letter_to_sound.h"

#include <array>

#include "tts/letter_classes.h"

namespace tts {

namespace {

using namespace letters;

// What each character 128..255 becomes in the internal notation; empty when
// the character has no reading (it then becomes the code-1 word).
constexpr std::array<const char*, 128> kHighCharacters = [] {
  std::array<const char*, 128> t{};
  for (auto& e : t) e = "";
  auto set = [&t](std::initializer_list<int> codes, const char* text) {
    for (int code : codes) t[static_cast<std::size_t>(code - 128)] = text;
  };
  set({128, 135, 199, 231}, "ss");
  set({129, 154}, "u\"");
  set({130, 144, 201, 233}, "e'");
  set({131, 194, 226}, "a^");
  set({132, 142, 195, 196, 227, 228}, "a~");
  set({133, 192, 224}, "a`");
  set({134, 143, 160, 193, 225}, "a'");
  set({136, 202, 234}, "e^");
  set({137, 203, 235}, "e\"");
  set({138, 200, 232}, "e`");
  set({139, 207, 239}, "i\"");
  set({140, 206, 238}, "i^");
  set({141, 204, 236}, "i`");
  set({145, 198, 230}, "ae");
  set({146}, "-");
  set({147, 212, 244}, "o^");
  set({148, 153, 213, 245}, "o~");
  set({149, 210, 214, 242, 246}, "o`");
  set({150, 219, 251}, "u^");
  set({151, 217, 249}, "u`");
  set({152}, "y-");
  set({161, 205, 237}, "i'");
  set({162, 211, 243}, "o'");
  set({163, 218, 250}, "u'");
  set({164, 165, 209, 241}, "nh");
  set({167}, "\xA7");
  set({168, 191}, "?");
  set({171}, "\xAA");
  set({173}, "!");
  set({174, 175}, "\"");
  set({187}, "\xBA");
  set({197, 229}, "a");
  set({215, 247}, "x");
  set({216, 248}, "0");
  set({220, 252}, "u");
  return t;
}();

constexpr const char* kNoReading = " \x01 ";

// The current word, indexed from 1 as the rules and the stress scan see it.
struct Word {
  std::string text;
  int vowels = 0;
  bool accented = false;

  int Length() const { return static_cast<int>(text.size()); }
  bool Has(int i) const { return i >= 1 && i <= Length(); }
  // The character at i, or 0 outside the word.
  char At(int i) const { return Has(i) ? text[static_cast<std::size_t>(i - 1)] : '\0'; }
  void SetAt(int i, char c) { text[static_cast<std::size_t>(i - 1)] = c; }
};

bool IsAt(std::string_view text, std::size_t i, bool (*test)(char)) {
  return i < text.size() && test(text[i]);
}

// Reads the next word from `text` at `pos`; false at the end of the text.
bool NextWord(std::string_view text, std::size_t& pos, Word& word) {
  while (pos < text.size() && text[pos] == ' ') ++pos;
  if (pos >= text.size()) return false;
  word = Word{};
  const char first = ToLower(text[pos++]);
  word.text.push_back(first);
  if (!IsLetter(first)) return true;
  if (IsVowel(first)) ++word.vowels;
  while (pos < text.size() && IsWordChar(text[pos])) {
    const char c = ToLower(text[pos++]);
    // Characters beyond the word buffer are read and dropped.
    if (word.text.size() >= kMaxWordLength) continue;
    word.text.push_back(c);
    if (IsVowel(c)) ++word.vowels;
    if (c == '\'' || c == '^' || c == '`' || c == '~') word.accented = true;
  }
  return true;
}

// Replaces the word by its exception; a word ending in "s" or "m" that is not
// an exception is tried again without those endings, which are then kept.
void ApplyWordException(Word& word) {
  std::string stem = word.text;
  std::string suffix;
  const std::string* replacement = FindWordException(stem);
  while (replacement == nullptr && !stem.empty() && (stem.back() == 's' || stem.back() == 'm')) {
    suffix.insert(suffix.begin(), stem.back());
    stem.pop_back();
    if (!stem.empty()) replacement = FindWordException(stem);
  }
  std::string result = (replacement != nullptr ? *replacement : stem) + suffix;
  if (result.size() > kMaxWordLength) result.resize(kMaxWordLength);
  word.text = std::move(result);
}

bool IsOneOf(char c, std::string_view set) { return c != '\0' && set.find(c) != std::string_view::npos; }

// "u" after "g" or "q" is part of the consonant (gue, qui): it does not
// carry the stress.
bool IsSilentU(const Word& w, int i) { return w.At(i) == 'u' && IsGOrQ(w.At(i - 1)); }

// Marks the stressed vowel of an unaccented word by scanning it from its end.
void MarkStressedVowel(Word& w) {
  if (w.accented) return;
  const int n = w.Length();
  if (w.vowels < 2 && !(w.vowels == 1 && w.At(n) == 'l')) return;
  int state = 0;
  int stress = 0;
  for (int i = n; i >= 1 && stress == 0; --i) {
    const char c = w.At(i);
    switch (state) {
      case 0:
        if (IsOneOf(c, "aeo")) state = 5;
        else if (IsOneOf(c, "iu")) state = 3;
        else if (IsOneOf(c, "lnrxz")) state = 1;
        else if (c == 'm') state = 2;
        else if (c == 's') state = 4;
        break;
      case 1:
        if (IsLowerVowel(c)) stress = i;
        break;
      case 2:
        if (IsOneOf(c, "ae")) state = 5;
        else if (IsOneOf(c, "iu")) state = 3;
        else if (c == 'o') stress = i;
        break;
      case 3:
        stress = (IsConsonant(c) || IsSilentU(w, i)) ? i + 1 : i;
        break;
      case 4:
        if (IsOneOf(c, "aeo")) state = 5;
        else if (IsOneOf(c, "iu")) state = 3;
        break;
      case 5:
        // The u of "gue", "que" (before e or i) is silent and carries no
        // stress: passed over, so that "brigue", "destaquem" are stressed
        // on the vowel before it.
        if (IsOneOf(c, "aeo")) stress = i;
        else if (IsSilentU(w, i) && IsFrontVowel(w.At(i + 1))) break;
        else if (IsOneOf(c, "iu")) state = 8;
        break;
      case 8: {
        // A high vowel after another vowel is stressed when a closed syllable
        // follows it (sa-in-do, ra-i-nha).
        const char two = w.At(i + 2);
        const char three = w.At(i + 3);
        const bool closed = (IsOneOf(two, "lmnrz") && IsConsonant(three) && three != 'h') ||
                            (two == 'n' && three == 'h') || (two == 'r' && three == 'r');
        stress = (IsConsonant(c) || IsSilentU(w, i) || closed) ? i + 1 : i;
        break;
      }
      default:
        break;
    }
  }
  if (stress != 0) w.SetAt(stress, ToUpper(w.At(stress)));
}

bool IsSpelledWord(const Word& w) {
  if (w.text.empty()) return false;
  if (w.text[0] == '\x01') return true;
  for (char c : w.text) {
    if (!IsConsonant(c) && !IsPunctuation(c)) return false;
  }
  return true;
}

bool IsVowelOrAccent(char c) { return IsVowel(c) || IsAccentMark(c); }

bool MatchesAt(const Word& w, int p, std::string_view match) {
  for (std::size_t k = 0; k < match.size(); ++k) {
    const int i = p + static_cast<int>(k);
    if (!w.Has(i) || ToUpper(w.At(i)) != match[k]) return false;
  }
  return true;
}

bool RightContextHolds(const Word& w, int cursor, std::string_view right) {
  const int n = w.Length();
  for (char symbol : right) {
    const char c = w.At(cursor);  // 0 outside the word
    switch (symbol) {
      case '#':
        if (!w.Has(cursor) || !IsVowelOrAccent(c)) return false;
        while (cursor <= n && IsVowelOrAccent(w.At(cursor))) ++cursor;
        break;
      case '%':
        if (w.Has(cursor)) return false;
        break;
      case '&':
        if (!IsOneOf(c, "lnmrz")) return false;
        ++cursor;
        break;
      case '*':
        if (!IsConsonant(c) || c == 'r' || c == 'l' || c == 'R' || c == 'L') return false;
        break;
      case '+':
        if (!IsFrontVowel(c)) return false;
        cursor += IsAccentMark(w.At(cursor + 1)) ? 2 : 1;
        break;
      case '[':
        if (cursor <= n && !(IsConsonant(c) && c != 'h' && c != 'H')) return false;
        break;
      case '\\':
        if (c == 's') ++cursor;
        break;
      default:
        if (!w.Has(cursor) || ToUpper(c) != symbol) return false;
        ++cursor;
        break;
    }
  }
  return true;
}

bool LeftContextHolds(const Word& w, int cursor, std::string_view left) {
  for (std::size_t k = left.size(); k-- > 0;) {
    const char symbol = left[k];
    const char c = w.At(cursor);  // 0 outside the word
    switch (symbol) {
      case '#':
        if (!w.Has(cursor) || !IsVowelOrAccent(c)) return false;
        while (cursor >= 1 && IsVowelOrAccent(w.At(cursor))) --cursor;
        break;
      case '%':
        if (w.Has(cursor)) return false;
        break;
      case ']':
        if (IsBackVowel(c)) {
          cursor -= 1;
        } else if (IsAccentMark(c) && IsBackVowel(w.At(cursor - 1))) {
          cursor -= 2;
        } else {
          return false;
        }
        break;
      case '_':
        if (cursor < 1) break;
        if (IsVowel(c)) {
          cursor -= 1;
        } else if (IsAccentMark(c) && IsVowel(w.At(cursor - 1))) {
          cursor -= 2;
        } else {
          return false;
        }
        break;
      case '|':
        if (!IsOneOf(c, "nrs")) return false;
        --cursor;
        break;
      default:
        if (!w.Has(cursor) || ToUpper(c) != symbol) return false;
        --cursor;
        break;
    }
  }
  return true;
}

void TranslateWord(const Word& w, std::string& out) {
  out += '[';
  const int n = w.Length();
  int p = 1;
  while (p <= n) {
    const char c = ToUpper(w.At(p));
    std::string piece = " /_";
    piece += c;
    int advance = 1;
    for (const LetterRule& rule : LetterRulesStartingWith(static_cast<unsigned char>(c))) {
      const int length = static_cast<int>(rule.match.size());
      if (MatchesAt(w, p, rule.match) && LeftContextHolds(w, p - 1, rule.left) &&
          RightContextHolds(w, p + length, rule.right)) {
        piece = rule.output;
        advance = length;
        break;
      }
    }
    if (IsUpperVowel(w.At(p))) {
      for (char& o : piece) {
        if (IsLowerVowel(o)) {
          o = ToUpper(o);
          break;
        }
      }
    }
    out += piece;
    p += advance;
    if (p <= n) out += '/';
  }
  out += ']';
}

}  // namespace

std::string PrepareTextForTranslation(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const auto code = static_cast<unsigned char>(c);
    const bool letterBefore = i > 0 && IsLetter(text[i - 1]);
    const bool letterAfter = IsAt(text, i + 1, IsLetter);
    if (c == 'W' || c == 'w') {
      out += (letterBefore || letterAfter) ? 'u' : c;
    } else if (c == 'Y' || c == 'y') {
      const bool alone = (i == 0 || text[i - 1] == ' ') && (i + 1 >= text.size() || text[i + 1] == ' ');
      out += (letterBefore || letterAfter || alone) ? 'i' : c;
    } else if (c == '\'' && i > 0 && (text[i - 1] == 'D' || text[i - 1] == 'd')) {
      // d'água reads as one word.
    } else if (code < 32) {
      out += kNoReading;
    } else if (code < 128) {
      out += c;
    } else {
      const char* reading = kHighCharacters[code - 128];
      out += (*reading != '\0') ? reading : kNoReading;
    }
  }
  return out;
}

std::string TranslateToPhonetic(std::string_view text) {
  const std::string prepared = PrepareTextForTranslation(text);
  std::string out;
  std::size_t pos = 0;
  Word word;
  while (NextWord(prepared, pos, word)) {
    ApplyWordException(word);
    MarkStressedVowel(word);
    if (IsSpelledWord(word)) {
      for (char c : word.text) {
        out += "[ /_";
        out += c;
        out += ']';
      }
    } else {
      TranslateWord(word, out);
    }
  }
  return out;
}

}  // namespace tts
