#include "recorded/number_words.h"

#include <array>
#include <optional>
#include <span>
#include <vector>

#include "platform/platform.h"
#include "speech/speech_prompts.h"
#include "speech/speech_state.h"

namespace recorded {

namespace {

constexpr std::array<const char*, 10> kUnits = {"zero", "um",   "dois", "tres", "quatro",
                                                "cinco", "seis", "sete", "oito", "nove"};
constexpr std::array<const char*, 10> kTeens = {"dez",      "onze",      "doze",      "treze",
                                                "quatorze", "quinze",    "dezesseis", "dezessete",
                                                "dezoito",  "dezenove"};
constexpr std::array<const char*, 10> kTens = {"",         "",          "vinte",    "trinta",
                                               "quarenta", "cinquenta", "sessenta", "setenta",
                                               "oitenta",  "noventa"};
constexpr std::array<const char*, 10> kHundreds = {
    "cem",        "cento",      "duzentos",   "trezentos",  "quatrocentos",
    "quinhentos", "seiscentos", "setecentos", "oitocentos", "novecentos"};

struct ScaleWords {
  const char* singular;
  const char* plural;
};
// Groups 0..3 of the fifteen digits: 10^12, 10^9, 10^6, 10^3 (cp1252 ã, õ).
constexpr std::array<ScaleWords, 4> kScales = {{{"trilh\xE3o ", "trilh\xF5" "es "},
                                                {"bilh\xE3o ", "bilh\xF5" "es "},
                                                {"milh\xE3o ", "milh\xF5" "es "},
                                                {"mil ", "mil "}}};

constexpr std::size_t kPieceNameLength = 8;
constexpr std::size_t kPieceHeader = 44;

int Digit(char c) { return c - '0'; }

// The words of one group of three digits.
std::string GroupWords(std::string_view g) {
  if (g == "000") return {};
  if (g == "100") return "cem";
  const char h = g[0], t = g[1], u = g[2];
  std::string words;
  if (h != '0') {
    words = kHundreds[static_cast<std::size_t>(Digit(h))];
    if (t == '0' && u == '0') return words;
    words += " e ";
  }
  if (t == '1') return words + kTeens[static_cast<std::size_t>(Digit(u))];
  if (t != '0') {
    words += kTens[static_cast<std::size_t>(Digit(t))];
    if (u == '0') return words;
    words += " e ";
  }
  if (u != '0') words += kUnits[static_cast<std::size_t>(Digit(u))];
  return words;
}

std::string MagnitudeToWords(std::uint64_t n) {
  if (n == 0) return "zero";
  std::string digits = std::string(14, '0') + std::to_string(n);
  digits = digits.substr(digits.size() - 15);

  std::array<std::string, 5> groups;
  int last = -1;
  for (std::size_t i = 0; i < groups.size(); ++i) {
    const std::string_view group = std::string_view(digits).substr(3 * i, 3);
    groups[i] = GroupWords(group);
    if (!groups[i].empty() && i < kScales.size()) {
      groups[i] += ' ';
      groups[i] += group == "001" ? kScales[i].singular : kScales[i].plural;
    }
    if (!groups[i].empty()) last = static_cast<int>(i);
  }

  std::string result;
  std::string separator;
  for (int i = 0; i <= last; ++i) {
    const std::string& words = groups[static_cast<std::size_t>(i)];
    if (i == last) {
      result += separator + words;
    } else {
      result += words;
    }
    if (!words.empty()) separator = "e ";
  }
  // "um mil" is said "mil" ("um milhão" stays as it is).
  if (result.starts_with("um mil") && !result.starts_with("um milh")) result.erase(0, 3);
  return result;
}

// Plays the fill samples behind the header and waits for their end.
void PlayJoined(std::vector<std::uint8_t>& buffer, std::uint32_t fill) {
  speech::FillWavHeader(buffer, fill, 11025, 8, 1);
  speech::PlayBufferAndWait(std::span(buffer).first(kPieceHeader + fill));
  speech::WaitWhileSpeechBusy();
}

}  // namespace

std::string NumberToWords(std::int32_t n) {
  if (n < 0) return "menos " + MagnitudeToWords(static_cast<std::uint64_t>(-static_cast<std::int64_t>(n)));
  return MagnitudeToWords(static_cast<std::uint64_t>(n));
}

std::string NumberPieceName(std::string_view word, bool feminineLast) {
  std::string plain;
  for (const char c : word) {
    if (c == '\xE3') {
      plain += 'a';
    } else if (c == '\xF5') {
      plain += 'o';
    } else {
      plain += c;
    }
  }
  if (plain == "dezessete") plain = "dezeset";
  std::string piece = ("_" + plain).substr(0, kPieceNameLength);
  if (feminineLast) {
    if (piece == "_um") piece = "_uma";
    if (piece == "_dois") piece = "_duas";
  }
  return piece;
}

void SpeakNumberWords(std::string_view words, bool feminine) {
  std::vector<std::string_view> list;
  for (std::size_t at = 0; at < words.size();) {
    const std::size_t end = std::min(words.find(' ', at), words.size());
    if (end > at) list.push_back(words.substr(at, end - at));
    at = end + 1;
  }
  if (list.empty()) return;

  const std::string& folder = speech::State().lettersFolder;
  std::vector<std::uint8_t> buffer(kPieceHeader + kNumberPieceSamples);
  std::uint32_t fill = 0;
  for (std::size_t i = 0; i < list.size(); ++i) {
    const std::string piece = NumberPieceName(list[i], feminine && i + 1 == list.size());
    const std::string path = folder + piece + ".wav";
    std::optional<platform::InputFile> file = platform::InputFile::Open(path);
    if (!file) {
      platform::TraceMissing(path);  // the word is left out
      continue;
    }
    // The header is skipped unread; a file too short to hold one is no piece,
    // and a piece longer than the buffer is cut to fit it.
    const std::uint64_t size = file->Size();
    if (size < kPieceHeader || !file->Seek(kPieceHeader)) continue;
    const auto samples = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(size - kPieceHeader, kNumberPieceSamples));
    if (fill + samples > kNumberPieceSamples) {
      PlayJoined(buffer, fill);  // heard to its end before the next pieces are read
      fill = 0;
    }
    fill += static_cast<std::uint32_t>(
        file->Read(std::span(buffer).subspan(kPieceHeader + fill, samples)));
  }
  if (fill > 0) PlayJoined(buffer, fill);
}

void SpeakNumber(std::int32_t n, bool feminine) { SpeakNumberWords(NumberToWords(n), feminine); }

}  // namespace recorded
