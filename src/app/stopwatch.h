// The stopwatch program's spine: banner, start-up, the single-key command
// loop, timing an event, the questions and the end of the program.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace app {

// The date and time read at an F7 press; year counted from 1900.
struct ClockStamp {
  std::uint16_t day = 0, month = 0, year = 0, dayOfWeek = 0;
  std::uint16_t hour = 0, minute = 0, second = 0, hundredths = 0;
};

// The console's time first, then its date.
ClockStamp ReadClockStamp();

// The seven lines of the banner, 54 characters each.
inline constexpr int kBannerLines = 7;
inline constexpr std::size_t kBannerWidth = 54;
extern const char* const kBanner[kBannerLines];

// ShowBanner, ProgramStartUp, CommandLoop: never returns.
[[noreturn]] void RunStopwatch(const std::vector<std::string>& arguments);

void ShowBanner();
void ProgramStartUp(const std::vector<std::string>& arguments);
[[noreturn]] void CommandLoop();

// One pass of the command loop: "Sua opcao", one command, its action.
void CommandLoopPass();

// Waits for the end of an event (F7), starting one first when none is open;
// returns the end stamp. F2 and Esc end the program instead.
ClockStamp TimeEvent();

[[noreturn]] void EndProgram();
[[noreturn]] void QuitAskingToErase();

// Reads one key, echoes and speaks it (not Enter), writes lineEnds line ends,
// returns it upper-cased (a..z only).
std::uint8_t ReadKeyEchoed(int lineEnds);

// ReadKeyEchoed(1) with the echo drawn on background colour 4.
std::uint8_t ReadAnswer();

// A yes/no question's answer: ReadAnswer, with the second code of an extended
// key taken too so that it is not read as the next command. True on S.
bool ReadYes();

}  // namespace app
