// The stopwatch's saved state: the open event, the 26 lettered memories, and
// the events file that mirrors them (53 lines, CR LF), with the operations
// that change them.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace app {

struct ClockStamp;

inline constexpr int kMemoryCount = 26;
inline constexpr int kEventsFileLines = 53;
inline constexpr const char* kDefaultEventsFileName = "eventos.tpo";

// One lettered memory (memory 1 is A, 26 is Z).
struct EventMemory {
  std::uint8_t order = 0;  // the storedCount just after it was filled
  std::uint8_t used = 0;   // non-zero: holds a duration
  std::uint16_t days = 0;
  std::uint16_t hours = 0;
  std::uint16_t minutes = 0;
  std::uint16_t seconds = 0;
  std::uint16_t hundredths = 0;
  std::string comment;  // at most 16 characters, cp1252
  bool operator==(const EventMemory&) const = default;
};

// Start of the open event (also kept after it closes); year counted from 1900.
struct StartStamp {
  std::uint16_t year = 0, month = 0, day = 0;
  std::uint16_t hour = 0, minute = 0, second = 0, hundredths = 0;
  bool operator==(const StartStamp&) const = default;
};

struct EventLog {
  std::uint8_t openFlag = 0;     // non-zero while an event is open
  std::uint8_t storedCount = 0;  // memories in use
  StartStamp startStamp;
  std::array<EventMemory, kMemoryCount> memories{};
  bool operator==(const EventLog&) const = default;
};

// A duration: what the last closed event lasted, or a filed one.
struct Duration {
  std::uint16_t days = 0, hours = 0, minutes = 0, seconds = 0, hundredths = 0;
  bool operator==(const Duration&) const = default;
};

// The module's state: EventLog and what goes with it but is not saved.
struct EventsState {
  EventLog log;
  int currentMemory = 1;  // 1..26: what the comment question, F4 and deletion act on
  Duration lastDuration;
  bool durationFiled = false;
  std::string fileName = kDefaultEventsFileName;  // at most 40 characters
  std::string commentBuffer;  // the line editor's last text
};

EventsState& Events();
// Module start-up and shut-down (the comment buffer is released at the end).
void EventsStartUp();
void EventsShutDown();
void ResetEventsForTests();

// The events file's name from the program's arguments: the first one cut to
// 40 characters, or "eventos.tpo" when there is none or it is empty.
std::string EventsFileName(const std::vector<std::string>& arguments);

// The memory of a letter A..Z (either case), 1..26; 0 for anything else.
int MemoryOfLetter(std::uint8_t key);
EventMemory& CurrentMemory();

// The file's 53 lines for a log, CR LF after each.
std::string FormatEventsFile(const EventLog& log);

// Reads the events file into Events().log (start-up only). A missing file
// gives an empty log silently; a malformed number throws InputOutputError 106
// and a failed read 100, leaving the file as it was.
void LoadEvents();

// Rewrites the events file from Events().log, replacing it safely (a new file
// renamed over the old). On failure the old file stays whole, the line "Erro
// de gravação no " and the name is written and the program ends (EndProgram).
void SaveEvents();

// Makes the stamp the start of a new open event and saves.
void OpenEvent(const ClockStamp& stamp);

// Files lastDuration under the current (free) memory, asks for its comment,
// saves and confirms; "nada" when this duration was filed already.
void StoreLastDuration();

// Asks for the current memory's comment with the spoken line editor.
void AskComment();

// Frees the current (used) memory and closes the gap in the order numbers.
void DeleteMemory();

// Marks every memory free (the "*" command); nothing is saved.
void ClearAllMemories();

// Writes and speaks the current memory's comment, or "nada".
void SpeakComment();

// Erases the events file from the disk (Esc and the sequence-error dialogue).
// A file that is already gone counts as erased; one that cannot be removed
// throws InputOutputError 5.
void EraseEventsFile();

}  // namespace app
