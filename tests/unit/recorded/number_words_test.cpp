#include "recorded/number_words.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <sstream>

#include "unit/recorded/wav_fixture.h"

namespace {

// Reads Portuguese number words back into their value, checking the grammar
// on the way: "e" only between words, singular scale words only after "um".
std::optional<std::int64_t> WordsToNumber(const std::string& text) {
  static const std::map<std::string, int> kValues = [] {
    std::map<std::string, int> v;
    const char* units[] = {"zero", "um", "dois", "tres", "quatro", "cinco", "seis", "sete", "oito", "nove"};
    const char* teens[] = {"dez", "onze", "doze", "treze", "quatorze", "quinze", "dezesseis", "dezessete",
                           "dezoito", "dezenove"};
    const char* tens[] = {"vinte", "trinta", "quarenta", "cinquenta", "sessenta", "setenta", "oitenta", "noventa"};
    const char* hundreds[] = {"cento", "duzentos", "trezentos", "quatrocentos", "quinhentos", "seiscentos",
                              "setecentos", "oitocentos", "novecentos"};
    for (int i = 0; i < 10; ++i) v[units[i]] = i;
    for (int i = 0; i < 10; ++i) v[teens[i]] = 10 + i;
    for (int i = 0; i < 8; ++i) v[tens[i]] = 20 + 10 * i;
    for (int i = 0; i < 9; ++i) v[hundreds[i]] = 100 * (i + 1);
    v["cem"] = 100;
    return v;
  }();
  struct Scale {
    std::int64_t value;
    bool singular;
  };
  static const std::map<std::string, Scale> kScales = {
      {"mil", {1000, false}},
      {"milh\xE3o", {1000000, true}},   {"milh\xF5" "es", {1000000, false}},
      {"bilh\xE3o", {1000000000, true}}, {"bilh\xF5" "es", {1000000000, false}},
  };
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  if (words.empty() || words.front() == "e" || words.back() == "e") return std::nullopt;
  std::int64_t total = 0, group = 0;
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string& w = words[i];
    if (w == "e") {
      if (words[i - 1] == "e") return std::nullopt;
      continue;
    }
    if (const auto scale = kScales.find(w); scale != kScales.end()) {
      if (scale->second.value > 1000 && scale->second.singular != (group == 1)) return std::nullopt;
      total += (group == 0 ? 1 : group) * scale->second.value;
      group = 0;
    } else if (const auto value = kValues.find(w); value != kValues.end()) {
      group += value->second;
    } else {
      return std::nullopt;
    }
  }
  return total + group;
}

TEST(NumberToWords, Table) {
  struct Case {
    std::int32_t n;
    const char* words;
  };
  const Case cases[] = {
      {0, "zero"},
      {7, "sete"},
      {10, "dez"},
      {17, "dezessete"},
      {19, "dezenove"},
      {20, "vinte"},
      {21, "vinte e um"},
      {100, "cem"},
      {101, "cento e um"},
      {110, "cento e dez"},
      {123, "cento e vinte e tres"},
      {200, "duzentos"},
      {999, "novecentos e noventa e nove"},
      {1000, "mil "},
      {1001, "mil e um"},
      {1100, "mil e cem"},
      {1230, "mil e duzentos e trinta"},
      {2013, "dois mil e treze"},
      {100000, "cem mil "},
      {1000000, "um milh\xE3o "},
      {1000001, "um milh\xE3o e um"},
      {2001000, "dois milh\xF5" "es e um mil "},
      {2500000, "dois milh\xF5" "es e quinhentos mil "},
      {1000000000, "um bilh\xE3o "},
      {1000001000, "um bilh\xE3o e um mil "},
      {1987654321,
       "um bilh\xE3o novecentos e oitenta e sete milh\xF5" "es seiscentos e cinquenta e quatro mil e "
       "trezentos e vinte e um"},
      {2147483647,
       "dois bilh\xF5" "es cento e quarenta e sete milh\xF5" "es quatrocentos e oitenta e tres mil e "
       "seiscentos e quarenta e sete"},
      {-5, "menos cinco"},
  };
  for (const Case& c : cases) EXPECT_EQ(recorded::NumberToWords(c.n), c.words) << c.n;
}

// Every value reads back as itself, and the text has the designed shape.
TEST(NumberToWords, ReadsBackForSmallAndRandomNumbers) {
  std::mt19937 random(20240520);
  std::uniform_int_distribution<std::int32_t> any(0, INT32_MAX);
  for (int i = 0; i < 70000; ++i) {
    const std::int32_t n = i < 20000 ? i : any(random);
    const std::string words = recorded::NumberToWords(n);
    ASSERT_EQ(WordsToNumber(words), n) << words;
    ASSERT_EQ(words.find("  "), std::string::npos) << n;
    ASSERT_NE(words.front(), ' ') << n;
    ASSERT_EQ(words.back() == ' ', n >= 1000 && n % 1000 == 0) << n;
  }
}

TEST(NumberPieceName, WordsBecomeEightCharacterPieces) {
  struct Case {
    const char* word;
    bool feminine;
    const char* piece;
  };
  const Case cases[] = {
      {"dezessete", false, "_dezeset"}, {"dezesseis", false, "_dezesse"},
      {"quatrocentos", false, "_quatroc"}, {"milh\xE3o", false, "_milhao"},
      {"milh\xF5" "es", false, "_milhoes"}, {"trilh\xF5" "es", false, "_trilhoe"},
      {"um", true, "_uma"},                {"dois", true, "_duas"},
      {"um", false, "_um"},                {"duzentos", true, "_duzento"},
      {"e", false, "_e"},
  };
  for (const Case& c : cases) EXPECT_EQ(recorded::NumberPieceName(c.word, c.feminine), c.piece);
}

class SpeakNumberWordsTest : public wavtest::Fixture {
 protected:
  void SetUp() override {
    Fixture::SetUp();
    std::uint8_t value = 10;
    for (const char* piece : {"_zero", "_um", "_uma", "_dois", "_duas", "_tres", "_vinte", "_e", "_cento",
                              "_duzento", "_dezeset", "_dezesse", "_mil", "_milhao", "_milhoes", "_quinhen"}) {
      WritePiece(std::string("letras/") + piece + ".wav", value);
      names_[value] = piece;
      value += 5;
    }
  }
  std::map<std::uint8_t, std::string> names_;
};

TEST_F(SpeakNumberWordsTest, PiecesJoinIntoOneSound) {
  struct Case {
    std::string words;
    bool feminine;
    std::vector<std::string> heard;
  };
  const Case cases[] = {
      {recorded::NumberToWords(0), false, {"_zero"}},
      {recorded::NumberToWords(17), false, {"_dezeset"}},
      {recorded::NumberToWords(16), false, {"_dezesse"}},
      {recorded::NumberToWords(21), false, {"_vinte", "_e", "_um"}},
      {recorded::NumberToWords(21), true, {"_vinte", "_e", "_uma"}},
      {recorded::NumberToWords(2), true, {"_duas"}},
      {recorded::NumberToWords(200), true, {"_duzento"}},
      {"um mil ", true, {"_um", "_mil"}},
      {recorded::NumberToWords(1000001), false, {"_um", "_milhao", "_e", "_um"}},
      {recorded::NumberToWords(2500000), false, {"_dois", "_milhoes", "_e", "_quinhen", "_mil"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.words);
    Backend().ClearLog();
    recorded::SpeakNumberWords(c.words, c.feminine);
    EXPECT_EQ(Heard(names_), c.heard);
    ASSERT_EQ(LogOf("buffer").size(), 1u);
    EXPECT_EQ(LogOf("buffer")[0], "buffer\t" + std::to_string(200 * c.heard.size()) + "\t11025\t8\t1");
  }
}

TEST_F(SpeakNumberWordsTest, EmptyTextPlaysNothing) {
  recorded::SpeakNumberWords("", false);
  recorded::SpeakNumberWords("   ", true);
  EXPECT_TRUE(LogOf("buffer").empty());
  EXPECT_EQ(Backend().VirtualMillis(), 0u);
}

TEST_F(SpeakNumberWordsTest, UnfitPiecesAreSkippedOrCut) {
  std::filesystem::remove(root_ / "letras" / "_vinte.wav");  // missing: left out
  recorded::SpeakNumberWords("vinte e um", false);
  EXPECT_EQ(Heard(names_), (std::vector<std::string>{"_e", "_um"}));
  ASSERT_EQ(LogOf("missing").size(), 1u);
  WritePiece("letras/_vinte.wav", 40);
  names_[40] = "_vinte";

  WriteFile("letras/_e.wav", std::vector<std::uint8_t>(20, 99));  // shorter than a header
  recorded::SpeakNumberWords("vinte e um", false);
  EXPECT_EQ(Heard(names_), (std::vector<std::string>{"_vinte", "_um"}));

  // A piece longer than the buffer is cut to 30000 samples and sent alone.
  WritePiece("letras/_cento.wav", 77, 40000);
  names_[77] = "_cento";
  Backend().ClearLog();
  recorded::SpeakNumberWords("cento um", false);
  EXPECT_EQ(LogOf("buffer"), (std::vector<std::string>{"buffer\t30000\t11025\t8\t1", "buffer\t200\t11025\t8\t1"}));
  EXPECT_EQ(Heard(names_), (std::vector<std::string>{"_cento", "_um"}));
}

// Pieces that overflow the buffer: the joined part is heard to its end first.
TEST_F(SpeakNumberWordsTest, OverflowPlaysTheFirstPartToItsEnd) {
  for (const char* piece : {"_vinte", "_e", "_um"}) {
    for (auto& [value, name] : names_) {
      if (name == piece) WritePiece(std::string("letras/") + piece + ".wav", value, 12000);
    }
  }
  recorded::SpeakNumberWords("vinte e um", false);
  EXPECT_EQ(LogOf("buffer"), (std::vector<std::string>{"buffer\t24000\t11025\t8\t1", "buffer\t12000\t11025\t8\t1"}));
  EXPECT_EQ(Heard(names_), (std::vector<std::string>{"_vinte", "_e", "_um"}));
  EXPECT_TRUE(LogOf("cut").empty());
  EXPECT_GE(Backend().VirtualMillis(), 36000u * 1000 / 11025);
}

TEST_F(SpeakNumberWordsTest, KeyCutsTheRestOfTheNumber) {
  for (auto& [value, name] : names_) WritePiece("letras/" + name + ".wav", value, 12000);
  Backend().AppendKeys("!x");
  recorded::SpeakNumberWords("vinte e um", false);
  const std::vector<std::string> heard = Heard(names_);
  EXPECT_LE(heard.size(), 2u);  // the second sound never reaches the device
  EXPECT_TRUE(console::KeyWaiting());
}

}  // namespace
