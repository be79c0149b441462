#include "app/elapsed_time.h"

#include <gtest/gtest.h>

#include "unit/app/app_fixture.h"

namespace {

using apptest::RunToExit;

// Calendar year, month, day, hour, minute, second, hundredths.
struct Moment {
  int year, month, day, hour, minute, second, hundredths;
};

app::StartStamp Start(const Moment& m) {
  return {static_cast<std::uint16_t>(m.year - 1900), static_cast<std::uint16_t>(m.month),
          static_cast<std::uint16_t>(m.day),         static_cast<std::uint16_t>(m.hour),
          static_cast<std::uint16_t>(m.minute),      static_cast<std::uint16_t>(m.second),
          static_cast<std::uint16_t>(m.hundredths)};
}

app::ClockStamp End(const Moment& m) {
  app::ClockStamp s;
  s.year = static_cast<std::uint16_t>(m.year - 1900);
  s.month = static_cast<std::uint16_t>(m.month);
  s.day = static_cast<std::uint16_t>(m.day);
  s.hour = static_cast<std::uint16_t>(m.hour);
  s.minute = static_cast<std::uint16_t>(m.minute);
  s.second = static_cast<std::uint16_t>(m.second);
  s.hundredths = static_cast<std::uint16_t>(m.hundredths);
  return s;
}

TEST(DayNumber, ConsecutiveDatesGetConsecutiveNumbers) {
  EXPECT_EQ(app::DayNumber(1, 1, 1), 1);  // 1 January 1901
  // Walk 1901..2099 day by day with every fourth year a leap year.
  const int monthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  std::int32_t expected = 1;
  for (int y = 1; y < 200; ++y) {
    for (int m = 1; m <= 12; ++m) {
      const int days = monthDays[m - 1] + (m == 2 && y % 4 == 0 ? 1 : 0);
      for (int d = 1; d <= days; ++d) {
        ASSERT_EQ(app::DayNumber(static_cast<std::uint16_t>(d), static_cast<std::uint16_t>(m),
                                 static_cast<std::uint16_t>(y)),
                  expected++)
            << y + 1900 << "-" << m << "-" << d;
      }
    }
  }
  // A damaged month past December reads no further than the table.
  EXPECT_EQ(app::DayNumber(1, 200, 124), app::DayNumber(1, 12, 124));
}

class ElapsedTimeTest : public apptest::StopwatchFixture {};

TEST_F(ElapsedTimeTest, DurationsBetweenClockReadings) {
  struct Case {
    const char* name;
    Moment start, end;
    app::Duration want;
  };
  const Case cases[] = {
      {"past midnight", {2024, 5, 20, 23, 59, 59, 50}, {2024, 5, 21, 0, 0, 0, 20}, {0, 0, 0, 0, 70}},
      {"one day borrowed", {2024, 5, 20, 10, 30, 0, 0}, {2024, 5, 21, 10, 10, 0, 0}, {0, 23, 40, 0, 0}},
      {"new year", {2023, 12, 31, 8, 0, 0, 0}, {2024, 1, 1, 9, 0, 0, 0}, {1, 1, 0, 0, 0}},
      {"leap February", {2024, 2, 28, 8, 0, 0, 0}, {2024, 3, 1, 9, 0, 0, 0}, {2, 1, 0, 0, 0}},
      {"common February", {2023, 2, 28, 8, 0, 0, 0}, {2023, 3, 1, 9, 0, 0, 0}, {1, 1, 0, 0, 0}},
      {"new year after a leap year", {2024, 12, 31, 8, 0, 0, 0}, {2025, 1, 1, 9, 0, 0, 0}, {1, 1, 0, 0, 0}},
      {"same day", {2024, 5, 20, 14, 3, 9, 57}, {2024, 5, 20, 15, 4, 10, 58}, {0, 1, 1, 1, 1}},
      {"one hundredth", {2024, 5, 20, 14, 3, 9, 57}, {2024, 5, 20, 14, 3, 9, 58}, {0, 0, 0, 0, 1}},
      {"whole days to the hundredth", {2024, 5, 20, 10, 0, 0, 0}, {2024, 5, 23, 10, 0, 0, 0}, {3, 0, 0, 0, 0}},
      {"many days", {2023, 5, 20, 10, 0, 0, 0}, {2024, 5, 20, 9, 59, 59, 99}, {365, 23, 59, 59, 99}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(app::ElapsedBetween(Start(c.start), End(c.end)), c.want);
  }
  EXPECT_TRUE(Heard().empty());
}

TEST_F(ElapsedTimeTest, ClockGoneBackRunsTheSequenceDialogue) {
  struct Case {
    Moment start, end;
  };
  const Case cases[] = {
      {{2024, 5, 20, 14, 3, 9, 57}, {2024, 5, 20, 14, 3, 9, 57}},  // the same hundredth
      {{2024, 5, 20, 14, 3, 9, 57}, {2024, 5, 20, 14, 3, 9, 56}},
      {{2024, 5, 20, 14, 3, 9, 57}, {2024, 5, 19, 18, 0, 0, 0}},  // an earlier date
  };
  for (const Case& c : cases) {
    RestartConsole();
    Keys("n");
    EXPECT_EQ(RunToExit([&] { app::ElapsedBetween(Start(c.start), End(c.end)); }), 0);
    EXPECT_EQ(Heard(), (std::vector<std::string>{
                           "w:erro de sequ\xC3\xAAncia de data ou hora\\r\\n", "w:deseja apagar eventos?\\r\\n",
                           "w:sim ou nao?\\r\\n", "p:tberrodh", "p:tbdesapa", "p:tbsimnao", "w:n", "p:_110",
                           "w:\\r\\n", "w:Fim do programa\\r\\n", "p:tbfim"}));
  }
}

TEST_F(ElapsedTimeTest, SequenceDialogueErasesTheFileOnYes) {
  WriteEventsFile("1 0 124 5 20 14 3 9 57\r\n");
  Keys("N");
  EXPECT_EQ(RunToExit([] { app::CheckSequence(5, 5); }), 0);
  EXPECT_TRUE(ReadEventsFile().has_value()) << "N keeps the file";
  RestartConsole();
  Keys("s");
  EXPECT_EQ(RunToExit([] { app::CheckSequence(5, 4); }), 0);
  EXPECT_FALSE(ReadEventsFile().has_value()) << "s erases it";
  EXPECT_EQ(RunToExit([] { app::CheckSequence(4, 5); }), std::nullopt);
}

TEST_F(ElapsedTimeTest, SpokenParts) {
  struct Case {
    app::Duration duration;
    std::vector<std::string> sounds;
  };
  const Case cases[] = {
      {{0, 1, 0, 5, 30}, {"_uma", "tbhora", "_cinco", "tbsegus", "_trinta", "tbcents"}},
      {{0, 2, 0, 0, 0}, {"_duas", "tbhoras"}},
      {{0, 12, 0, 0, 0}, {"_doze", "tbhoras"}},
      {{0, 21, 0, 0, 0}, {"_vinte", "_e", "_uma", "tbhoras"}},
      {{0, 22, 0, 0, 0}, {"_vinte", "_e", "_duas", "tbhoras"}},
      {{0, 0, 1, 0, 0}, {"_um", "tbminu"}},
      {{1, 0, 2, 1, 1}, {"_um", "tbdia", "_dois", "tbminus", "_um", "tbsegu", "_um", "tbcent"}},
      {{2, 0, 0, 0, 0}, {"_dois", "tbdias"}},
      {{0, 0, 0, 0, 70}, {"_setenta", "tbcents"}},
      {{0, 0, 0, 0, 0}, {}},
  };
  for (const Case& c : cases) {
    backend_->ClearLog();
    app::SpeakDuration(c.duration);
    EXPECT_EQ(Sounds(), c.sounds) << c.duration.days << "d " << c.duration.hours << "h";
  }
}

TEST_F(ElapsedTimeTest, CloseEventSpeaksKeepsAndSaves) {
  app::Events().log.openFlag = 1;
  app::Events().log.startStamp = Start({2024, 5, 20, 14, 3, 9, 57});
  app::CloseEvent(End({2024, 5, 20, 14, 4, 10, 57}));
  EXPECT_EQ(app::Events().lastDuration, (app::Duration{0, 0, 1, 1, 0}));
  EXPECT_EQ(app::Events().log.openFlag, 0);
  EXPECT_EQ(Sounds(), (std::vector<std::string>{"_um", "tbminu", "_um", "tbsegu"}));
  EXPECT_EQ(ReadEventsFile()->substr(0, 24), "0 0 124 5 20 14 3 9 57\r\n");
}

}  // namespace
