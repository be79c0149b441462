// Elapsed time between two clock readings, in days and hundredths, and the
// durations spoken from recorded number pieces.
#include "app/elapsed_time.h"

#include <algorithm>

#include "console/console.h"
#include "recorded/number_words.h"
#include "speech/speech_prompts.h"

namespace app {

namespace {

std::int32_t TimeOfDay(std::int32_t hour, std::int32_t minute, std::int32_t second, std::int32_t hundredths) {
  return hour * kHundredthsPerHour + minute * kHundredthsPerMinute + second * 100 + hundredths;
}

std::int32_t StartTimeOfDay(const StartStamp& s) { return TimeOfDay(s.hour, s.minute, s.second, s.hundredths); }

std::int32_t EndTimeOfDay(const ClockStamp& e, std::int32_t hour) {
  return TimeOfDay(hour, e.minute, e.second, e.hundredths);
}

// A number and its unit prompt, skipped when the number is 0.
void SpeakPart(std::uint16_t value, bool feminine, const char* one, const char* many) {
  if (value == 0) return;
  recorded::SpeakNumberWords(recorded::NumberToWords(value), feminine);
  speech::PlayPrompt(value == 1 ? one : many);
}

}  // namespace

std::int32_t DayNumber(std::uint16_t day, std::uint16_t month, std::uint16_t year) {
  const std::int32_t y = year;
  std::int32_t n = day;
  // A month past December (only a damaged events file holds one) counts as
  // December instead of reading past the table.
  if (month > 1) n += kCumulativeMonthDays[std::min<std::uint16_t>(month, 12) - 1];
  if (y % 4 == 0 && month > 2) n += 1;
  n += (y - 1) * 365 + (y - 1) / 4;
  return n;
}

void CheckSequence(std::int32_t earlier, std::int32_t later) {
  if (later > earlier) return;
  console::WriteLine("erro de sequ\xEAncia de data ou hora");
  console::WriteLine("deseja apagar eventos?");
  console::WriteLine("sim ou nao?");
  speech::PlayPrompt("tberrodh");
  speech::PlayPrompt("tbdesapa");
  speech::PlayPrompt("tbsimnao");
  if (ReadYes()) EraseEventsFile();
  EndProgram();
}

std::uint16_t DaysBetween(const StartStamp& start, const ClockStamp& end, std::int32_t& endHour) {
  const std::int32_t ds = DayNumber(start.day, start.month, start.year);
  const std::int32_t de = DayNumber(end.day, end.month, end.year);
  CheckSequence(ds, de);
  auto count = static_cast<std::uint16_t>(de - ds);
  if (EndTimeOfDay(end, endHour) < StartTimeOfDay(start)) {
    --count;
    endHour += 24;
  }
  return count;
}

Duration ElapsedBetween(const StartStamp& start, const ClockStamp& end) {
  std::uint16_t days = 0;
  std::int32_t endHour = end.hour;
  const bool sameDate = end.year == start.year && end.month == start.month && end.day == start.day;
  if (!sameDate) days = DaysBetween(start, end, endHour);
  const std::int32_t from = StartTimeOfDay(start);
  const std::int32_t to = EndTimeOfDay(end, endHour);
  // Whole days with the same time of day (to == from) are a duration too; the
  // end must be later than the start only within the last day.
  if (days == 0) CheckSequence(from, to);
  std::int32_t d = to - from;
  Duration result;
  result.days = days;
  result.hours = static_cast<std::uint16_t>(d / kHundredthsPerHour);
  d %= kHundredthsPerHour;
  result.minutes = static_cast<std::uint16_t>(d / kHundredthsPerMinute);
  d %= kHundredthsPerMinute;
  result.seconds = static_cast<std::uint16_t>(d / 100);
  result.hundredths = static_cast<std::uint16_t>(d % 100);
  return result;
}

void CloseEvent(const ClockStamp& end) {
  EventsState& e = Events();
  e.lastDuration = ElapsedBetween(e.log.startStamp, end);
  SpeakDuration(e.lastDuration);
  e.log.openFlag = 0;
  SaveEvents();
}

void SpeakDays(std::uint16_t count) { SpeakPart(count, false, "tbdia", "tbdias"); }

void SpeakTimeParts(std::uint16_t hours, std::uint16_t minutes, std::uint16_t seconds,
                    std::uint16_t hundredths) {
  const bool feminineHours = hours == 1 || hours == 2 || hours == 21 || hours == 22;
  SpeakPart(hours, feminineHours, "tbhora", "tbhoras");
  SpeakPart(minutes, false, "tbminu", "tbminus");
  SpeakPart(seconds, false, "tbsegu", "tbsegus");
  SpeakPart(hundredths, false, "tbcent", "tbcents");
}

void SpeakDuration(const Duration& duration) {
  SpeakDays(duration.days);
  SpeakTimeParts(duration.hours, duration.minutes, duration.seconds, duration.hundredths);
}

}  // namespace app
