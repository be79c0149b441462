// Calendar arithmetic of the simulator's virtual clock.
#include <cctype>
#include <string>

#include "platform/headless/headless.h"

namespace platform::headless {

namespace {

bool IsLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

// Reads exactly `count` digits at text[pos].
bool Digits(const std::string& text, std::size_t& pos, std::size_t count, int& value) {
  if (pos + count > text.size()) return false;
  value = 0;
  for (std::size_t i = 0; i < count; ++i) {
    char c = text[pos + i];
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    value = value * 10 + (c - '0');
  }
  pos += count;
  return true;
}

bool Expect(const std::string& text, std::size_t& pos, char c) {
  if (pos >= text.size() || text[pos] != c) return false;
  ++pos;
  return true;
}

}  // namespace

std::int64_t DaysFromCivil(int year, int month, int day) {
  std::int64_t y = year - (month <= 2 ? 1 : 0);
  std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  std::int64_t yoe = y - era * 400;
  std::int64_t mp = (month + 9) % 12;
  std::int64_t doy = (153 * mp + 2) / 5 + day - 1;
  std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

LocalTime LocalTimeFromMillis(std::int64_t millis) {
  constexpr std::int64_t kDay = 86'400'000;
  std::int64_t days = millis >= 0 ? millis / kDay : -((-millis + kDay - 1) / kDay);
  std::int64_t inDay = millis - days * kDay;
  std::int64_t z = days + 719468;
  std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  std::int64_t doe = z - era * 146097;
  std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  std::int64_t mp = (5 * doy + 2) / 153;
  LocalTime t;
  t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  t.year = static_cast<int>(yoe + era * 400 + (t.month <= 2 ? 1 : 0));
  t.dayOfWeek = static_cast<int>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
  t.hour = static_cast<int>(inDay / 3'600'000);
  t.minute = static_cast<int>(inDay / 60'000 % 60);
  t.second = static_cast<int>(inDay / 1000 % 60);
  t.millisecond = static_cast<int>(inDay % 1000);
  return t;
}

std::int64_t MillisFromLocalTime(const LocalTime& t) {
  return DaysFromCivil(t.year, t.month, t.day) * 86'400'000 +
         ((static_cast<std::int64_t>(t.hour) * 60 + t.minute) * 60 + t.second) * 1000 + t.millisecond;
}

bool ParseClock(const std::string& text, LocalTime& out) {
  std::size_t pos = 0;
  LocalTime t;
  if (!Digits(text, pos, 4, t.year) || !Expect(text, pos, '-') || !Digits(text, pos, 2, t.month) ||
      !Expect(text, pos, '-') || !Digits(text, pos, 2, t.day) || !Expect(text, pos, 'T') ||
      !Digits(text, pos, 2, t.hour) || !Expect(text, pos, ':') || !Digits(text, pos, 2, t.minute) ||
      !Expect(text, pos, ':') || !Digits(text, pos, 2, t.second)) {
    return false;
  }
  t.millisecond = 0;
  if (pos < text.size()) {
    // A fraction of a second: hundredths as written ("57"), or tenths or milliseconds.
    if (!Expect(text, pos, '.')) return false;
    std::size_t digits = text.size() - pos;
    if (digits < 1 || digits > 3) return false;
    int fraction = 0;
    if (!Digits(text, pos, digits, fraction)) return false;
    t.millisecond = digits == 1 ? fraction * 100 : digits == 2 ? fraction * 10 : fraction;
  }
  if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > DaysInMonth(t.year, t.month) || t.hour > 23 ||
      t.minute > 59 || t.second > 59) {
    return false;
  }
  t.dayOfWeek = LocalTimeFromMillis(MillisFromLocalTime(t)).dayOfWeek;
  out = t;
  return true;
}

}  // namespace platform::headless
