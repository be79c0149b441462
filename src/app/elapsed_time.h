// Elapsed time of an event from two wall-clock readings, and spoken durations.
#pragma once

#include <cstdint>

#include "app/events_file.h"
#include "app/stopwatch.h"

namespace app {

inline constexpr std::int32_t kHundredthsPerHour = 360000;
inline constexpr std::int32_t kHundredthsPerMinute = 6000;

// Days in the months before month m of a common year, indexed by m - 1.
inline constexpr std::int32_t kCumulativeMonthDays[12] = {0,   31,  59,  90,  120, 151,
                                                          181, 212, 243, 273, 304, 334};

// Closes the open event at the end stamp: speaks the elapsed time, keeps it as
// lastDuration, clears the open flag and saves. A clock that went backwards
// runs the sequence-error dialogue, which ends the program.
void CloseEvent(const ClockStamp& end);

// What CloseEvent measures: the whole days and the time of day between the
// start and the end (no speech, no saving). The sequence-error dialogue runs
// when the end is not after the start.
Duration ElapsedBetween(const StartStamp& start, const ClockStamp& end);

// Whole days from the start date to the end date; when the end's time of day
// is earlier than the start's, one day is borrowed and 24 is added to endHour.
std::uint16_t DaysBetween(const StartStamp& start, const ClockStamp& end, std::int32_t& endHour);

// Serial day number; every year divisible by 4 is a leap year.
std::int32_t DayNumber(std::uint16_t day, std::uint16_t month, std::uint16_t year);

// Returns when later > earlier; otherwise the sequence-error dialogue, which
// ends the program.
void CheckSequence(std::int32_t earlier, std::int32_t later);

void SpeakDays(std::uint16_t count);
void SpeakTimeParts(std::uint16_t hours, std::uint16_t minutes, std::uint16_t seconds,
                    std::uint16_t hundredths);

// Days and time parts of a duration, as heard after F7 or a letter.
void SpeakDuration(const Duration& duration);

}  // namespace app
