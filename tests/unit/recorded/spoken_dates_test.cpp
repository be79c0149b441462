#include "recorded/spoken_dates.h"

#include <gtest/gtest.h>

#include "unit/recorded/wav_fixture.h"

namespace {

using Pieces = std::vector<std::string>;

TEST(DayOfWeek, KnownDates) {
  struct Case {
    int day, month, year, weekday;
  };
  const Case cases[] = {
      {1, 3, 2006, 3},   {15, 11, 2003, 6}, {1, 1, 2000, 6},  {29, 2, 2000, 2}, {1, 3, 2000, 3},
      {31, 12, 1999, 5}, {1, 1, 1900, 1},   {28, 2, 1900, 3}, {1, 3, 1900, 4},  {11, 12, 2026, 5},
      {29, 2, 2024, 4},  {1, 1, 2001, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(recorded::DayOfWeek(c.day, c.month, c.year), c.weekday)
        << c.day << "/" << c.month << "/" << c.year;
  }
}

class SpokenDatesTest : public wavtest::Fixture {
 protected:
  void SetUp() override {
    Fixture::SetUp();
    std::uint8_t value = 2;
    for (const char* piece :
         {"_Domingo", "_Segunda", "_Terca", "_Quarta", "_Quinta", "_Sexta", "_Sabado", "_Janeiro",
          "_Feverei", "_Marco", "_Abril", "_Maio", "_Junho", "_Julho", "_Agosto", "_Setembr", "_Outubro",
          "_Novembr", "_Dezembr", "_primeir", "_de", "_e", "_hora", "_horas", "_minuto", "_minutos",
          "_zero", "_um", "_uma", "_dois", "_duas", "_tres", "_seis", "_sete", "_quinze", "_vinte",
          "_trinta", "_oitenta", "_mil"}) {
      WritePiece(std::string("letras/") + piece + ".wav", value);
      names_[value] = piece;
      value += 3;
    }
  }
  Pieces Spoken() { return Heard(names_); }
  std::map<std::uint8_t, std::string> names_;
};

TEST_F(SpokenDatesTest, Dates) {
  struct Case {
    std::uint16_t day, month, year;
    Pieces pieces;
  };
  const Case cases[] = {
      {1, 3, 2006, {"_Quarta", "_primeir", "_de", "_Marco", "_de", "_dois", "_mil", "_e", "_seis"}},
      {15, 11, 2003, {"_Sabado", "_quinze", "_de", "_Novembr", "_de", "_dois", "_mil", "_e", "_tres"}},
      {2, 2, 2000, {"_Quarta", "_dois", "_de", "_Feverei", "_de", "_dois", "_mil"}},
      {7, 9, 1987, {"_Segunda", "_sete", "_de", "_Setembr", "_de", "_oitenta", "_e", "_sete"}},
      {20, 7, 2020, {"_Segunda", "_vinte", "_de", "_Julho", "_de", "_dois", "_mil", "_e", "_vinte"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.day << "/" << c.month << "/" << c.year);
    recorded::SpeakDate(c.day, c.month, c.year);
    EXPECT_EQ(Spoken(), c.pieces);
  }
}

TEST_F(SpokenDatesTest, Times) {
  struct Case {
    std::uint16_t hour, minute;
    Pieces pieces;
  };
  const Case cases[] = {
      {0, 0, {"_zero", "_hora"}},
      {1, 1, {"_uma", "_hora", "_um", "_minuto"}},
      {2, 0, {"_duas", "_horas"}},
      {21, 30, {"_vinte", "_e", "_uma", "_horas", "_trinta", "_minutos"}},
      {22, 2, {"_vinte", "_e", "_duas", "_horas", "_dois", "_minutos"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.hour << ":" << c.minute);
    recorded::SpeakTime(c.hour, c.minute);
    EXPECT_EQ(Spoken(), c.pieces);
  }
}

TEST_F(SpokenDatesTest, NowReadsTheClock) {
  platform::headless::Options options;
  ASSERT_TRUE(platform::headless::ParseClock("2006-03-01T21:30:00.00", options.clock));
  backend_ = &platform::headless::Install(options);
  console::ResetConsoleForTests();
  recorded::ResetWavOutputForTests();
  recorded::SpeakDateNow();
  EXPECT_EQ(Spoken(), (Pieces{"_Quarta", "_primeir", "_de", "_Marco", "_de", "_dois", "_mil", "_e", "_seis"}));
  recorded::SpeakTimeNow();
  EXPECT_EQ(Spoken(), (Pieces{"_vinte", "_e", "_uma", "_horas", "_trinta", "_minutos"}));
}

TEST_F(SpokenDatesTest, MissingPiecesAreNotHeard) {
  std::filesystem::remove(root_ / "letras" / "_primeir.wav");
  recorded::SpeakDate(1, 3, 2006);
  EXPECT_EQ(Spoken(), (Pieces{"_Quarta", "_de", "_Marco", "_de", "_dois", "_mil", "_e", "_seis"}));
  EXPECT_EQ(LogOf("missing").size(), 1u);
}

}  // namespace
