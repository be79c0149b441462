// Loading of the rules and exceptions files: delimiters, cuts, limits, order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/headless/headless.h"
#include "tts/letter_to_sound.h"

namespace {

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }
bool LoadRules(const std::string& text) { return tts::LoadLetterRules(std::span<const std::uint8_t>(Bytes(text))); }
bool LoadExceptions(const std::string& text) {
  return tts::LoadWordExceptions(std::span<const std::uint8_t>(Bytes(text)));
}

class LetterRulesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::headless::Install();
    tts::ResetLetterToSoundForTests();
  }
  void TearDown() override { tts::ResetLetterToSoundForTests(); }
};

struct RuleLineCase {
  const char* line;
  unsigned char list;
  const char* left;
  const char* match;
  const char* right;
  const char* output;
};

TEST_F(LetterRulesTest, SplitsEachLineIntoItsFourParts) {
  const RuleLineCase cases[] = {
      {"#(A)%=a|", 'A', "#", "A", "%", "a"},
      {"(NH)=nh", 'N', "", "NH", "", "nh"},  // no "|": output up to the line end
      {"L(AB", 'A', "L", "AB", "", ""},         // no ")": the rest is empty
      {"L(A)R", 'A', "L", "A", "R", ""},        // no "=": no output
      {"(A)==x|y", 'A', "", "A", "", "=x"},     // the first "=" ends the right context
      {"ABCDEFG(HIJKLMN)OPQRSTU=0123456789ABCDEF|", 'H', "ABCDE", "HIJKL", "OPQRS", "0123456789A"},
      {"(_)=_|", '_', "", "_", "", "_"},         // 95 is the last list
      {"( )=x|", ' ', "", " ", "", "x"},         // 32 the first
  };
  for (const RuleLineCase& c : cases) {
    SCOPED_TRACE(c.line);
    ASSERT_TRUE(LoadRules(c.line));
    ASSERT_EQ(tts::LetterRuleCount(), 1u);
    const auto& list = tts::LetterRulesStartingWith(c.list);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].left, c.left);
    EXPECT_EQ(list[0].match, c.match);
    EXPECT_EQ(list[0].right, c.right);
    EXPECT_EQ(list[0].output, c.output);
  }
}

TEST_F(LetterRulesTest, SkipsRulesThatMatchNothingOrAreNeverConsulted) {
  const char* lines[] = {"", "ABC=x|", "()=x|", "L()R=x|", "(a)=x|", "(`)=x|", "(\x7f)=x|", "(\x1f)=x|",
                         "(\xe1)=x|"};
  for (const char* line : lines) {
    SCOPED_TRACE(line);
    EXPECT_TRUE(LoadRules(line));
    EXPECT_EQ(tts::LetterRuleCount(), 0u);
  }
}

TEST_F(LetterRulesTest, KeepsFileOrderPerListAcrossLineEnds) {
  ASSERT_TRUE(LoadRules("(A)B=1|\r\n(B)=2|\n\n(A)=3|\r(A)C=4|"));
  const auto& a = tts::LetterRulesStartingWith('A');
  ASSERT_EQ(a.size(), 3u);
  EXPECT_EQ(a[0].output, "1");
  EXPECT_EQ(a[1].output, "3");
  EXPECT_EQ(a[2].output, "4");
  EXPECT_EQ(tts::LetterRulesStartingWith('B').size(), 1u);
  EXPECT_EQ(tts::LetterRulesStartingWith('a').size(), 0u);  // outside 32..95: never a list
}

TEST_F(LetterRulesTest, LoadingRulesReplacesTheTableAndClearsExceptions) {
  ASSERT_TRUE(LoadRules("(A)=a|\n(B)=b|"));
  ASSERT_TRUE(LoadExceptions("casa=kaza"));
  ASSERT_EQ(tts::WordExceptions().size(), 1u);
  ASSERT_TRUE(LoadRules("(C)=k|"));
  EXPECT_EQ(tts::LetterRuleCount(), 1u);
  EXPECT_TRUE(tts::LetterRulesStartingWith('A').empty());
  EXPECT_TRUE(tts::WordExceptions().empty());
}

TEST_F(LetterRulesTest, ReleaseFreesRulesButKeepsExceptions) {
  ASSERT_TRUE(LoadRules("(A)=a|"));
  ASSERT_TRUE(LoadExceptions("casa=kaza"));
  tts::ReleaseLetterRules();
  EXPECT_EQ(tts::LetterRuleCount(), 0u);
  EXPECT_TRUE(tts::LetterRulesStartingWith('A').empty());
  ASSERT_NE(tts::FindWordException("casa"), nullptr);
  EXPECT_EQ(*tts::FindWordException("casa"), "kaza");
}

TEST_F(LetterRulesTest, ParsesAndSortsExceptions) {
  ASSERT_TRUE(LoadExceptions("taxi=taksi|comentario\r\n\r\nexame=ezame\nsemigual\nabc=|\n=vazio\nzz=a=b\n"));
  const auto& table = tts::WordExceptions();
  ASSERT_EQ(table.size(), 6u);  // the empty line is skipped
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"", "vazio"}, {"abc", ""}, {"exame", "ezame"}, {"semigual|", ""}, {"taxi", "taksi"}, {"zz", "a=b"}};
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(table[i].word, expected[i].first) << i;
    EXPECT_EQ(table[i].replacement, expected[i].second) << i;
  }
  EXPECT_EQ(tts::FindWordException("semigual"), nullptr);
  EXPECT_EQ(tts::FindWordException("tax"), nullptr);
}

TEST_F(LetterRulesTest, SortsInByteOrderAndFirstDuplicateWins) {
  ASSERT_TRUE(LoadExceptions("\xe9=high\nz=low\nb=first\nb=second\n"));
  const auto& table = tts::WordExceptions();
  ASSERT_EQ(table.size(), 4u);
  EXPECT_EQ(table.front().word, "b");
  EXPECT_EQ(table.back().word, "\xe9");  // 233 sorts after 'z', not before it
  EXPECT_EQ(*tts::FindWordException("b"), "first");
}

TEST_F(LetterRulesTest, ExceptionLinesAreCutTo255Characters) {
  const std::string word(300, 'a');
  ASSERT_TRUE(LoadExceptions(word + "=x\n" + std::string(250, 'b') + "=cdefgh|\n"));
  const auto& table = tts::WordExceptions();
  ASSERT_EQ(table.size(), 2u);
  EXPECT_EQ(table[0].word, std::string(255, 'a') + "|");  // the "=" was cut off
  EXPECT_EQ(table[1].word, std::string(250, 'b'));
  EXPECT_EQ(table[1].replacement, "cdef");
}

TEST_F(LetterRulesTest, KeepsAtMost15000Exceptions) {
  std::string file;
  for (int i = 0; i < 15010; ++i) file += "w" + std::to_string(100000 + i) + "=r\n";
  ASSERT_TRUE(LoadExceptions(file));
  EXPECT_EQ(tts::WordExceptions().size(), tts::kMaxWordExceptions);
  EXPECT_NE(tts::FindWordException("w114999"), nullptr);
  EXPECT_EQ(tts::FindWordException("w115000"), nullptr);
}

TEST_F(LetterRulesTest, EmptyFilesLoadEmptyTables) {
  EXPECT_TRUE(LoadRules(""));
  EXPECT_TRUE(LoadExceptions(""));
  EXPECT_EQ(tts::LetterRuleCount(), 0u);
  EXPECT_TRUE(tts::WordExceptions().empty());
}

TEST_F(LetterRulesTest, MissingFilesFailAndLeaveTheTablesEmpty) {
  ASSERT_TRUE(LoadRules("(A)=a|"));
  ASSERT_TRUE(LoadExceptions("casa=kaza"));
  EXPECT_FALSE(tts::LoadLetterRules(std::string_view("/nonexistent/folder/regras.rgr")));
  EXPECT_EQ(tts::LetterRuleCount(), 0u);
  EXPECT_TRUE(tts::WordExceptions().empty());
  EXPECT_FALSE(tts::LoadWordExceptions(std::string_view("/nonexistent/folder/portug.exc")));
}

}  // namespace
