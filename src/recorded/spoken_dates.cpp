#include "recorded/spoken_dates.h"

#include <array>

#include "console/console.h"
#include "recorded/number_words.h"
#include "speech/speech_prompts.h"

namespace recorded {

namespace {

constexpr std::array<const char*, 7> kWeekdayPieces = {
    "_Domingo", "_Segunda", "_Terca", "_Quarta", "_Quinta", "_Sexta", "_Sabado"};

// Month names cut to their first 7 characters, behind the "_".
constexpr std::array<const char*, 12> kMonthPieces = {
    "_Janeiro", "_Feverei", "_Marco",   "_Abril",   "_Maio",    "_Junho",
    "_Julho",   "_Agosto",  "_Setembr", "_Outubro", "_Novembr", "_Dezembr"};

}  // namespace

int DayOfWeek(int day, int month, int year) {
  // Counting from March makes February the last month of the year, so leap
  // days fall at a year's end.
  static constexpr std::array<int, 12> kMonthOffset = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  if (month < 3) --year;
  const int y = year;
  const int weekday = (y + y / 4 - y / 100 + y / 400 + kMonthOffset[static_cast<std::size_t>(month - 1)] + day) % 7;
  return (weekday + 7) % 7;
}

void SpeakDate(std::uint16_t day, std::uint16_t month, std::uint16_t year) {
  const bool monthKnown = month >= 1 && month <= 12;
  if (monthKnown) {
    speech::PlayPrompt(kWeekdayPieces[static_cast<std::size_t>(DayOfWeek(day, month, year))]);
  }
  if (day == 1) {
    speech::PlayPrompt("_primeir");
  } else {
    SpeakNumberWords(NumberToWords(day), false);
  }
  speech::PlayPrompt("_de");
  if (monthKnown) speech::PlayPrompt(kMonthPieces[static_cast<std::size_t>(month - 1)]);
  speech::PlayPrompt("_de");
  if (year >= 2000) SpeakNumberWords(NumberToWords(2000), false);
  if (year > 2000) speech::PlayPrompt("_e");
  if (year % 100 != 0) SpeakNumberWords(NumberToWords(year % 100), false);
}

void SpeakTime(std::uint16_t hour, std::uint16_t minute) {
  SpeakNumberWords(NumberToWords(hour), true);
  speech::PlayPrompt(hour <= 1 ? "_hora" : "_horas");
  if (minute != 0) {
    SpeakNumberWords(NumberToWords(minute), false);
    speech::PlayPrompt(minute == 1 ? "_minuto" : "_minutos");
  }
}

void SpeakDateNow() {
  std::uint16_t year = 0, month = 0, day = 0, dayOfWeek = 0;
  console::GetDate(year, month, day, dayOfWeek);
  SpeakDate(day, month, year);
}

void SpeakTimeNow() {
  std::uint16_t hour = 0, minute = 0, second = 0, hundredths = 0;
  console::GetTime(hour, minute, second, hundredths);
  SpeakTime(hour, minute);
}

}  // namespace recorded
