// Translation of text into phonetic text: preparation, words, exceptions,
// stress, spelled words and every context symbol of the rules.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tts/letter_to_sound.h"

namespace {

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }
void LoadRules(const std::string& text) {
  ASSERT_TRUE(tts::LoadLetterRules(std::span<const std::uint8_t>(Bytes(text))));
}
void LoadExceptions(const std::string& text) {
  ASSERT_TRUE(tts::LoadWordExceptions(std::span<const std::uint8_t>(Bytes(text))));
}

// Every letter and accent mark read as itself, in lower case.
std::string IdentityRules() {
  std::string rules;
  for (char c = 'A'; c <= 'Z'; ++c) rules += std::string("(") + c + ")=" + static_cast<char>(c - 'A' + 'a') + "|\n";
  for (char c : std::string("'^~\"")) rules += std::string("(") + c + ")=" + c + "|\n";
  return rules;
}

class LetterToSoundTest : public ::testing::Test {
 protected:
  void SetUp() override { tts::ResetLetterToSoundForTests(); }
  void TearDown() override { tts::ResetLetterToSoundForTests(); }
};

struct TextCase {
  const char* text;
  const char* expected;
};

TEST_F(LetterToSoundTest, PreparesTextIntoTheInternalNotation) {
  const TextCase cases[] = {
      {"", ""},
      {"Wagner", "uagner"},    // w next to a letter is a vowel
      {"w w", "w w"},          // a lone w stays (it is spelled)
      {"Y", "i"},              // a lone y is the vowel
      {"y.", "y."},            // not alone, no letter next to it
      {"Yara", "iara"},
      {"d'\xe1gua", "da'gua"},  // the apostrophe after d is dropped
      {"l'a", "l'a"},
      {"\xe7\xc7", "ssss"},
      {"\xe3\xf5\xea\xf4\xe9\xed\xfa\xe0\xfc", "a~o~e^o^e'i'u'a`u"},
      {"\xf1", "nh"},
      {"\x80", "ss"},
      {"a\tb", "a \x01 b"},  // control characters give the code-1 word
      {"\xa9", " \x01 "},     // no reading in the table
      {"\x7f~", "\x7f~"},
      {"\xab\xbb\xa7\xaa", "\xaa\xba\xa7 \x01 "},
      {"\xe5\xf8\xd7", "a0x"},
  };
  for (const TextCase& c : cases) {
    EXPECT_EQ(tts::PrepareTextForTranslation(c.text), c.expected) << c.text;
  }
}

TEST_F(LetterToSoundTest, TranslatesWithTheEmptyTableToDefaultPieces) {
  const TextCase cases[] = {
      {"", ""},
      {"   ", ""},
      {"bcd", "[ /_b][ /_c][ /_d]"},  // only consonants: spelled
      {",", "[ /_,]"},
      {"\t", "[ /_\x01]"},
      {"a\x02z", "[ /_A][ /_\x01][ /_z]"},
      {"ab", "[ /_A/ /_B]"},
      {"1", "[ /_1]"},
      {"\xa9", "[ /_\x01]"},
  };
  for (const TextCase& c : cases) {
    EXPECT_EQ(tts::TranslateToPhonetic(c.text), c.expected) << c.text;
  }
}

TEST_F(LetterToSoundTest, SplitsWordsMarksStressAndSpells) {
  LoadRules(IdentityRules());
  const TextCase cases[] = {
      {"animal", "[a/n/i/m/A/l]"},
      {"sol", "[s/O/l]"},        // one vowel, ends in l: marked
      {"mar", "[m/a/r]"},        // one vowel: not marked
      {"aqui", "[a/q/u/I]"},
      {"Paraguai", "[p/a/r/a/g/u/A/i]"},
      {"rainha", "[r/a/I/n/h/a]"},
      {"muito", "[m/U/i/t/o]"},
      {"CASA", "[c/A/s/a]"},
      {"falam", "[f/A/l/a/m]"},
      {"homem", "[h/O/m/e/m]"},
      {"jovens", "[j/O/v/e/n/s]"},
      {"feliz", "[f/e/l/I/z]"},
      {"urubu", "[u/r/u/b/U]"},
      {"guia", "[g/u/I/a]"},
      {"saindo", "[s/a/I/n/d/o]"},
      {"sair", "[s/a/I/r]"},
      {"uma", "[u/m/a]"},         // the scan passes the start undecided
      {"brigue", "[b/r/I/g/u/e]"},  // the silent u of gue / que is passed over
      {"destaquem", "[d/e/s/t/A/q/u/e/m]"},
      {"que", "[q/u/e]"},
      {"caf\xe9", "[c/a/f/e/']"},  // accented: no stress mark
      {"p\xe3o", "[p/a/ /_~/o]"},  // "~" (126) can have no rule of its own
      {"ling\xfci\xe7" "a", "[l/i/n/g/u/I/s/s/a]"},
      {"b\x81ta", "[b/U/\"/t/a]"},  // the diaeresis does not stop the scan
      {"x, y.", "[ /_x][ /_,][ /_y][ /_.]"},
      {"mr.", "[ /_m][ /_r][ /_.]"},
      {"ab.cd", "[a/b][ /_.][ /_c][ /_d]"},
      {"sal7", "[s/A/l][ /_7]"},
  };
  for (const TextCase& c : cases) {
    EXPECT_EQ(tts::TranslateToPhonetic(c.text), c.expected) << c.text;
  }
}

TEST_F(LetterToSoundTest, CutsWordsLongerThan256Characters) {
  LoadRules(IdentityRules());
  const std::string out = tts::TranslateToPhonetic(std::string(300, 'b') + "a b");
  // 256 letters of the first word (spelled: only b's remain), then "b".
  const std::string spelled = "[ /_b]";
  std::string expected;
  for (int i = 0; i < 257; ++i) expected += spelled;
  EXPECT_EQ(out, expected);
}

TEST_F(LetterToSoundTest, AppliesExceptionsAndRetriesWithoutFinalSOrM) {
  LoadRules(IdentityRules());
  LoadExceptions("casa=kaza\nbom=bong\nsexo=sekso\nlongo=" + std::string(250, 'a') + "\n");
  const TextCase cases[] = {
      {"casa", "[k/A/z/a]"},
      {"casas", "[k/A/z/a/s]"},
      {"casam", "[k/A/z/a/m]"},
      {"casass", "[k/A/z/a/s/s]"},
      {"casams", "[k/A/z/a/m/s]"},
      {"casax", "[c/a/s/A/x]"},  // no retry for other endings
      {"bons", "[b/o/n/s]"},     // "bon" is not an exception
      {"bom", "[b/o/n/g]"},
      {"sexos", "[s/E/k/s/o/s]"},
      {"ss", "[ /_s][ /_s]"},    // emptied by the retry: nothing found
  };
  for (const TextCase& c : cases) {
    EXPECT_EQ(tts::TranslateToPhonetic(c.text), c.expected) << c.text;
  }
  // The replacement plus its suffix still fits the word buffer.
  const std::string out = tts::TranslateToPhonetic("longossssssssss");
  EXPECT_EQ(std::count(out.begin(), out.end(), '/'), 255);
}

TEST_F(LetterToSoundTest, RuleOutputsReplaceTheLettersTheyMatch) {
  LoadRules("(CH)=x|\n(QU)+=k|\n(C)=k|\n(A)=a|\n(E)=e|\n(I)=i|\n(S)=s|\n(O)=o|\n(A)=never|\n(U)=u|\n(G)=g|");
  const TextCase cases[] = {
      {"chacha", "[x/A/x/a]"},
      {"aqui", "[a/k/I]"},
      {"quo", "[ /_Q/U/o]"},  // "qu" not before e/i; no Q rule: the default piece
      {"casa", "[k/A/s/a]"},
  };
  for (const TextCase& c : cases) {
    EXPECT_EQ(tts::TranslateToPhonetic(c.text), c.expected) << c.text;
  }
}

TEST_F(LetterToSoundTest, StressRaisesTheFirstVowelOfTheOutput) {
  LoadRules("(A)=ya~w|\n(C)=k|\n(S)=z|\n(E)=xy|");
  EXPECT_EQ(tts::TranslateToPhonetic("casa"), "[k/yA~w/z/ya~w]");
  EXPECT_EQ(tts::TranslateToPhonetic("cese"), "[k/xy/z/xy]");  // no vowel in the output
}

// Each context symbol, with a rule for "b" that outputs "hit" in front of
// letters that read as themselves.
struct ContextCase {
  const char* rule;
  const char* word;
  bool fires;
};

TEST_F(LetterToSoundTest, ContextSymbols) {
  const ContextCase cases[] = {
      // match
      {"(BA)=hit", "aba", true}, {"(BA)=hit", "ab", false},
      // right context
      {"(B)#=hit", "aba", true}, {"(B)#=hit", "ab'", true}, {"(B)#=hit", "abs", false}, {"(B)#=hit", "ab", false},
      {"(B)#S=hit", "baeis", true}, {"(B)#S=hit", "ba's", true}, {"(B)#S=hit", "baeit", false},
      {"(B)#%=hit", "bao", true},
      {"(B)%=hit", "ab", true}, {"(B)%=hit", "aba", false},
      {"(B)&A=hit", "abla", true}, {"(B)&A=hit", "abna", true}, {"(B)&A=hit", "abma", true},
      {"(B)&A=hit", "abra", true}, {"(B)&A=hit", "abza", true}, {"(B)&A=hit", "absa", false},
      {"(B)&=hit", "ab", false},
      {"(B)*=hit", "abt", true}, {"(B)*=hit", "abr", false}, {"(B)*=hit", "abl", false},
      {"(B)*=hit", "ab", false}, {"(B)*=hit", "aba", false}, {"(B)*T=hit", "abta", true},
      {"(B)+=hit", "abe", true}, {"(B)+=hit", "abi", true}, {"(B)+=hit", "aba", false},
      {"(B)+A=hit", "abia", true}, {"(B)+A=hit", "abi'a", true}, {"(B)+A=hit", "abiva", false},
      {"(B)[=hit", "ab", true}, {"(B)[=hit", "abt", true}, {"(B)[=hit", "abh", false},
      {"(B)[=hit", "aba", false}, {"(B)[T=hit", "abt", true},
      {"(B)\\A=hit", "aba", true}, {"(B)\\A=hit", "absa", true}, {"(B)\\A=hit", "abta", false},
      {"(B)\\%=hit", "ab", true}, {"(B)\\%=hit", "abs", true},
      {"(B)O=hit", "abo", true}, {"(B)O=hit", "abu", false}, {"(B)O=hit", "ab", false},
      {"(B)'=hit", "ab'", true},
      // left context
      {"#(B)=hit", "ab", true}, {"#(B)=hit", "tbo", false}, {"#(B)=hit", "bo", false},
      {"%#(B)=hit", "aeb", true}, {"%#(B)=hit", "a'b", true}, {"%#(B)=hit", "taeb", false},
      {"%(B)=hit", "ba", true}, {"%(B)=hit", "aba", false},
      {"](B)=hit", "ab", true}, {"](B)=hit", "ob", true}, {"](B)=hit", "eb", false},
      {"](B)=hit", "a'b", true}, {"](B)=hit", "e'b", false}, {"](B)=hit", "bo", false},
      {"%](B)=hit", "ab", true}, {"%](B)=hit", "tab", false}, {"%](B)=hit", "a'b", true},
      {"_(B)=hit", "ba", true}, {"_(B)=hit", "aba", true}, {"_(B)=hit", "atba", false},
      {"_(B)=hit", "e'ba", true}, {"T_(B)=hit", "teba", true}, {"T_(B)=hit", "te'ba", true},
      {"|(B)=hit", "anba", true}, {"|(B)=hit", "arba", true}, {"|(B)=hit", "asba", true},
      {"|(B)=hit", "atba", false}, {"|(B)=hit", "ba", false}, {"A|(B)=hit", "anba", true},
      {"T(B)=hit", "atba", true}, {"T(B)=hit", "asba", false}, {"T(B)=hit", "ba", false},
      // both sides
      {"A(B)A=hit", "aba", true}, {"A(B)A=hit", "abe", false},
  };
  for (const ContextCase& c : cases) {
    SCOPED_TRACE(std::string(c.rule) + " on " + c.word);
    LoadRules(std::string(c.rule) + "|\n" + IdentityRules());
    const std::string out = tts::TranslateToPhonetic(c.word);
    EXPECT_EQ(out.find("hit") != std::string::npos, c.fires) << out;
  }
}

TEST_F(LetterToSoundTest, FirstMatchingRuleOfAListWins) {
  LoadRules("(A)B=1|\n(A)=2|\n(A)=3|\n(B)=b|");
  EXPECT_EQ(tts::TranslateToPhonetic("ab ba"), "[1/b][b/2]");
}

}  // namespace
