#include "console/screen_review.h"

#include <gtest/gtest.h>

#include <string>

#include "console/console.h"
#include "unit/recorded/wav_fixture.h"
#include "unit/speech/sound_trace.h"

namespace {

class ScreenReviewTest : public wavtest::Fixture {
 protected:
  void SetUp() override {
    wavtest::Fixture::SetUp();
    console::ResetScreenReviewForTests();
    console::EnsureConsole();
  }

  void Put(int column, int row, const std::string& text) {
    console::MoveCursor(column, row);
    console::Write(text);
  }

  // Runs the review mode from the cursor at (column, row) with the keys,
  // which must end with Esc; returns what was heard.
  std::string Review(const std::string& keys, int column = 1, int row = 1) {
    console::MoveCursor(column, row);
    Backend().ClearLog();
    Backend().AppendKeys(keys);
    console::ReviewScreen();
    return soundtrace::HeardText(Backend());
  }
};

// No voice is loaded in these tests, so words are silent; recorded pieces,
// clicks and beeps are heard.
TEST_F(ScreenReviewTest, SpaceReadsTheLineInPiecesAndClicksAtItsEnd) {
  Put(1, 3, "Total: 42 itens");
  EXPECT_EQ(Review("Space Esc", 1, 3), "beep _58 _quarent _e _dois click beep beep");
  // The console cursor is back where the mode began.
  EXPECT_EQ(console::CursorColumn(), 1);
  EXPECT_EQ(console::CursorRow(), 3);
}

TEST_F(ScreenReviewTest, ARunOfMarksIsReadAsThreeAndPassedWhole) {
  Put(1, 1, std::string(30, '-'));
  // F1 reads the run as three dashes; Right then speaks the blank after it.
  const std::string heard = Review("F1 Right Esc");
  EXPECT_EQ(heard, "beep _45 _45 _45 _32 beep beep");
}

TEST_F(ScreenReviewTest, ConsonantWordsAreSpelled) {
  Put(1, 1, "XYZ casa");
  EXPECT_EQ(Review("F1 F1 Esc"), "beep _88 _89 _90 beep beep");
}

TEST_F(ScreenReviewTest, MovingPastTheEdgesBeeps) {
  Put(1, 1, "abc");
  // End goes after the three letters; Right there speaks a blank.
  EXPECT_EQ(Review("End Right Esc"), "beep _32 beep beep");
  // Left at column 1: a beep for the edge, and the bounds step beeps again.
  EXPECT_EQ(Review("Left Esc"), "beep beep beep beep beep");
  // Down on row 25 clicks, then beeps, and stays without reading.
  EXPECT_EQ(Review("Down Esc", 1, 25), "beep click beep beep beep");
}

TEST_F(ScreenReviewTest, F6GoesToALineAndColumn) {
  Put(40, 12, "Q");
  EXPECT_EQ(Review("F6 1 2 4 0 Right Esc"), "beep speech _49 _50 _52 _48 _81 beep beep");
  EXPECT_EQ(Review("F6 1 x Right Esc"), "beep speech _49 beep beep _32 beep beep");
}

TEST_F(ScreenReviewTest, FirstAndLastLetterOfTheScreen) {
  Put(5, 3, "1 b");
  Put(60, 20, "z 9");
  // Each reads its line (the number is heard, the letter is a silent word
  // here), then Right speaks the letter found.
  EXPECT_EQ(Review("Ctrl+PgUp Right Esc", 1, 10), "beep _um click _98 beep beep");
  EXPECT_EQ(Review("Ctrl+PgDn Right Esc", 1, 10), "beep _nove click _122 beep beep");
}

TEST_F(ScreenReviewTest, SearchFindsTheNextOccurrencesWithoutWrapping) {
  Put(1, 1, "uma casa");
  Put(1, 5, "outra casa");
  const std::string heard = Review("F5 \"casa\" Enter Right Ctrl+F5 Right Ctrl+F5 Esc");
  // Found on row 1 (Right speaks its c), then on row 5, then nothing more.
  EXPECT_EQ(heard.substr(heard.find("_97 click")),
            "_97 click _99 click _99 beep beep beep beep");
  EXPECT_EQ(console::ReviewSearchText(), "casa");
}

TEST_F(ScreenReviewTest, EmptyRangesAndFieldsBeep) {
  Put(1, 1, "nome: valor");
  // T C on the colon: an empty field.
  EXPECT_EQ(Review("t c Esc", 5, 1), "beep beep beep beep");
  EXPECT_EQ(Review("i t Esc"), "beep beep beep beep");
  EXPECT_EQ(Review("i l Esc"), "beep beep beep beep");
  EXPECT_EQ(Review("q Esc"), "beep beep click beep beep beep");
}

TEST_F(ScreenReviewTest, CtrlCCopiesTheWholeScreen) {
  Put(1, 1, "linha um");
  Review("Ctrl+c Esc");
  std::string clip;
  for (const std::string& line : Backend().LogLines()) {
    if (line.rfind("clipboard\t", 0) == 0) clip = line;
  }
  std::string expected = "clipboard\tlinha um" + std::string(72, ' ') + "\\r\\n";
  for (int r = 2; r <= 25; ++r) expected += std::string(80, ' ') + "\\r\\n";
  EXPECT_EQ(clip, expected);
}

TEST_F(ScreenReviewTest, ShiftTabGoesBeforeTheField) {
  Put(1, 1, "um:dois");
  // At column 6 (inside "dois"), Shift+Tab moves to two before its first
  // column 4: the m of the field before.
  EXPECT_EQ(Review("Shift+Tab Right Esc", 6, 1), "beep click _109 beep beep");
}

}  // namespace
