// Replays the saved fuzz cases of the letter-to-sound translator and runs a
// short seeded randomized load-and-translate round, so that memory faults in
// the loader or the translator show up under the sanitizer build.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "fuzz/letter_to_sound_fuzz_input.h"
#include "unit/saved_fuzz_cases.h"

namespace {

class LetterToSoundFuzzTest : public ::testing::Test {
 protected:
  void SetUp() override { tts::ResetLetterToSoundForTests(); }
  void TearDown() override { tts::ResetLetterToSoundForTests(); }
};

std::string RunInput(const std::string& input) { return fuzzing::RunLetterToSoundInput(fuzzing::AsBytes(input)); }

TEST_F(LetterToSoundFuzzTest, ReplaysSavedCases) {
  const auto cases = testdata::SavedFuzzCases("tts/letter_to_sound_fuzz");
  ASSERT_FALSE(cases.empty());
  for (const auto& saved : cases) {
    SCOPED_TRACE(saved.name);
    const std::string input(saved.bytes.begin(), saved.bytes.end());
    const std::string first = RunInput(input);
    EXPECT_EQ(RunInput(input), first);  // nothing of one translation leaks into the next
  }
}

// Pieces that rules files and texts are made of, plus arbitrary bytes.
std::string RandomText(std::mt19937& rng, std::size_t maxPieces) {
  static const std::string kPieces[] = {"(", ")", "=", "|", "\n", "\r\n", "\r", "#", "%", "&", "*", "+", "[",
                                        "\\", "]", "_", "A", "E", "I", "O", "U", "S", "QU", "NH", "'", "^",
                                        "~", "`", "\"", " ", "a", "s", "m", "x", "casa", "aqui", "\xe3", "\xe7",
                                        "\xe9", "\t", "d'", "w", "y", std::string(300, 'b')};
  std::uniform_int_distribution<std::size_t> count(0, maxPieces);
  std::uniform_int_distribution<std::size_t> pick(0, std::size(kPieces) - 1);
  std::uniform_int_distribution<int> byte(0, 255);
  std::bernoulli_distribution raw(0.15);
  std::string text;
  for (std::size_t n = count(rng); n > 0; --n) {
    if (raw(rng)) {
      text += static_cast<char>(byte(rng));
    } else {
      text += kPieces[pick(rng)];
    }
  }
  return text;
}

TEST_F(LetterToSoundFuzzTest, SeededRandomInputsLoadAndTranslateSafely) {
  std::mt19937 rng(20261211u);
  std::bernoulli_distribution builtinRules(0.3);
  for (int round = 0; round < 1500; ++round) {
    std::string input = builtinRules(rng) ? std::string() : RandomText(rng, 60);
    input += '\0';
    input += RandomText(rng, 20);
    input += '\0';
    input += RandomText(rng, 80);
    const std::string first = RunInput(input);
    ASSERT_EQ(RunInput(input), first) << "round " << round;
    ASSERT_EQ(tts::TranslateToPhonetic("   "), "");
  }
}

}  // namespace
