// Today's date and the time of day in Brazilian Portuguese, from recorded
// pieces (weekday and month names, small words) and spoken numbers.
#pragma once

#include <cstdint>

namespace recorded {

// Day of the week of a date of the Gregorian calendar, 0 = Sunday.
int DayOfWeek(int day, int month, int year);

// "quarta, primeiro de março de dois mil e seis": weekday, day, month, year.
void SpeakDate(std::uint16_t day, std::uint16_t month, std::uint16_t year);
// "vinte e uma horas trinta minutos".
void SpeakTime(std::uint16_t hour, std::uint16_t minute);
// The same for the console's clock now.
void SpeakDateNow();
void SpeakTimeNow();

}  // namespace recorded
