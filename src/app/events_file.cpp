// The 26 lettered memories and the events file.
#include "app/events_file.h"

#include <optional>

#include "app/bounded_text.h"
#include "app/run_time_error.h"
#include "app/stopwatch.h"
#include "console/console.h"
#include "platform/platform.h"
#include "speech/line_editor.h"
#include "speech/speak_text.h"
#include "speech/speech_prompts.h"

namespace app {

namespace {

EventsState g_events;

// Reads the events file a chunk at a time, as the text-file reader of the
// run-time library does: numbers and lines, with the end of the file reading
// as 0 and as an empty line.
class EventsReader {
 public:
  EventsReader(platform::InputFile& file, const std::string& name) : file_(file), name_(name) {}

  // Skips blanks, tabs and line ends, then reads one decimal integer (sign
  // accepted) up to the next blank or control character. Only the low 16
  // bits are kept, computed as the digits come, so a long run never
  // overflows. 0 at the end of the file.
  std::uint16_t ReadNumber() {
    int c = Peek();
    while (c >= 0 && c <= ' ') {
      Take();
      c = Peek();
    }
    if (c < 0) return 0;
    bool negative = false;
    if (c == '+' || c == '-') {
      negative = c == '-';
      Take();
      c = Peek();
    }
    std::uint32_t value = 0;
    int digits = 0;
    while (c > ' ') {
      if (c < '0' || c > '9') throw InputOutputError{kIoBadNumber, name_};
      value = (value * 10 + static_cast<std::uint32_t>(c - '0')) & 0xFFFF;
      ++digits;
      Take();
      c = Peek();
    }
    if (digits == 0) throw InputOutputError{kIoBadNumber, name_};
    if (negative) value = (0x10000 - value) & 0xFFFF;
    return static_cast<std::uint16_t>(value);
  }

  // Up to limit characters of the line from here; the rest of the line and
  // its end are not taken.
  std::string ReadLineStart(std::size_t limit) {
    std::string text;
    for (int c = Peek(); c >= 0 && c != '\r' && c != '\n' && text.size() < limit; c = Peek()) {
      text += static_cast<char>(c);
      Take();
    }
    return text;
  }

  // Skips to the start of the next line (after CR, LF or CR LF).
  void SkipLine() {
    for (int c = Peek(); c >= 0; c = Peek()) {
      Take();
      if (c == '\n') return;
      if (c == '\r') {
        if (Peek() == '\n') Take();
        return;
      }
    }
  }

 private:
  int Peek() {
    if (pos_ == end_ && !Fill()) return -1;
    return buffer_[pos_];
  }
  void Take() { ++pos_; }

  bool Fill() {
    if (file_.Position() >= file_.Size()) return false;
    pos_ = 0;
    end_ = file_.Read(buffer_);
    // A read that stops before the end the file announced is a disk error.
    if (end_ == 0) throw InputOutputError{kIoDiskRead, name_};
    return true;
  }

  platform::InputFile& file_;
  const std::string& name_;
  std::array<std::uint8_t, 4096> buffer_{};
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
};

std::uint8_t Low8(std::uint16_t value) { return static_cast<std::uint8_t>(value & 0xFF); }

void AppendNumber(std::string& out, unsigned value) { out += std::to_string(value); }

}  // namespace

EventsState& Events() { return g_events; }

void EventsStartUp() { g_events = EventsState{}; }

void EventsShutDown() {
  g_events.commentBuffer.clear();
  g_events.commentBuffer.shrink_to_fit();
}

void ResetEventsForTests() { g_events = EventsState{}; }

std::string EventsFileName(const std::vector<std::string>& arguments) {
  if (arguments.empty() || arguments.front().empty()) return kDefaultEventsFileName;
  return CutTo(arguments.front(), kEventsFileNameLength);
}

int MemoryOfLetter(std::uint8_t key) {
  if (key >= 'a' && key <= 'z') key = static_cast<std::uint8_t>(key - 32);
  if (key < 'A' || key > 'Z') return 0;
  return key - 'A' + 1;
}

EventMemory& CurrentMemory() {
  int index = g_events.currentMemory;
  if (index < 1 || index > kMemoryCount) index = 1;
  return g_events.log.memories[static_cast<std::size_t>(index - 1)];
}

std::string FormatEventsFile(const EventLog& log) {
  std::string out;
  out.reserve(1024);
  const StartStamp& s = log.startStamp;
  const unsigned first[] = {log.openFlag, log.storedCount, s.year,   s.month,     s.day,
                            s.hour,       s.minute,        s.second, s.hundredths};
  for (std::size_t i = 0; i < std::size(first); ++i) {
    if (i > 0) out += ' ';
    AppendNumber(out, first[i]);
  }
  out += "\r\n";
  for (const EventMemory& m : log.memories) {
    const unsigned fields[] = {m.used, m.order, m.days, m.hours, m.minutes, m.seconds, m.hundredths};
    for (unsigned field : fields) {
      AppendNumber(out, field);
      out += ' ';
    }
    out += "\r\n";
    out += m.comment;
    out += "\r\n";
  }
  return out;
}

void LoadEvents() {
  EventsState& e = g_events;
  std::optional<platform::InputFile> file = platform::InputFile::Open(e.fileName);
  if (!file) {
    e.log = EventLog{};
    e.currentMemory = 1;
    return;
  }
  // Everything is read into a copy first: an error leaves the state alone.
  EventLog log;
  EventsReader reader(*file, e.fileName);
  log.openFlag = Low8(reader.ReadNumber());
  log.storedCount = Low8(reader.ReadNumber());
  StartStamp& s = log.startStamp;
  for (std::uint16_t* field : {&s.year, &s.month, &s.day, &s.hour, &s.minute, &s.second, &s.hundredths}) {
    *field = reader.ReadNumber();
  }
  reader.SkipLine();
  for (EventMemory& m : log.memories) {
    m.used = Low8(reader.ReadNumber());
    m.order = Low8(reader.ReadNumber());
    for (std::uint16_t* field : {&m.days, &m.hours, &m.minutes, &m.seconds, &m.hundredths}) {
      *field = reader.ReadNumber();
    }
    reader.SkipLine();
    m.comment = reader.ReadLineStart(kCommentLength);
    reader.SkipLine();
  }
  e.log = log;
  e.currentMemory = 1;
  file.reset();

  console::WriteLine("Eventos recuperados");
  speech::PlayPrompt("tbevecar");
  if (e.log.openFlag == 1) {
    console::WriteLine("Evento aberto");
    speech::PlayPrompt("tbeabert");
  }
}

void SaveEvents() {
  EventsState& e = g_events;
  const std::string text = FormatEventsFile(e.log);
  const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  if (platform::ReplaceFile(e.fileName, bytes) != 0) {
    console::WriteLine(CutTo("Erro de grava\xE7\xE3o no " + e.fileName, kMessageLineLength));
    EndProgram();
  }
  e.currentMemory = 1;
}

void OpenEvent(const ClockStamp& stamp) {
  StartStamp& s = g_events.log.startStamp;
  s.year = stamp.year;
  s.month = stamp.month;
  s.day = stamp.day;
  s.hour = stamp.hour;
  s.minute = stamp.minute;
  s.second = stamp.second;
  s.hundredths = stamp.hundredths;
  g_events.log.openFlag = 1;
  SaveEvents();
}

void StoreLastDuration() {
  EventsState& e = g_events;
  if (e.durationFiled) {
    console::WriteLine("nada");
    speech::PlayPrompt("tbnada");
    return;
  }
  ++e.log.storedCount;
  EventMemory& m = CurrentMemory();
  m.days = e.lastDuration.days;
  m.hours = e.lastDuration.hours;
  m.minutes = e.lastDuration.minutes;
  m.seconds = e.lastDuration.seconds;
  m.hundredths = e.lastDuration.hundredths;
  m.order = e.log.storedCount;
  m.used = 1;
  e.durationFiled = true;
  AskComment();
  SaveEvents();
  console::WriteLine("guardado");
  speech::PlayPrompt("tbguarda");
}

void AskComment() {
  EventsState& e = g_events;
  console::WriteLine("comente:");
  speech::PlayPrompt("tbcoment");
  e.commentBuffer.clear();
  speech::ReadSpokenLine(e.commentBuffer);
  e.commentBuffer = CutTo(e.commentBuffer, kEditedLineLength);
  // A line break inside the comment would shift every later line of the
  // events file; the comment ends there.
  const std::size_t lineBreak = e.commentBuffer.find_first_of("\r\n");
  CurrentMemory().comment = CutTo(std::string_view(e.commentBuffer).substr(0, lineBreak), kCommentLength);
}

void DeleteMemory() {
  EventsState& e = g_events;
  EventMemory& current = CurrentMemory();
  const std::uint8_t k = current.order;
  current.used = 0;
  for (EventMemory& m : e.log.memories) {
    if (m.order > k) --m.order;
  }
  e.currentMemory = 1;
  // A damaged file may hold used memories with a count of 0: never below 0.
  if (e.log.storedCount > 0) --e.log.storedCount;
}

void ClearAllMemories() {
  EventsState& e = g_events;
  for (EventMemory& m : e.log.memories) m.used = 0;
  e.currentMemory = 1;
  e.durationFiled = false;
  e.log.storedCount = 0;
}

void SpeakComment() {
  const EventMemory& m = CurrentMemory();
  if (m.used == 0 || m.comment.empty()) {
    console::WriteLine("nada");
    speech::PlayPrompt("tbnada");
    return;
  }
  speech::WriteLineAndSpeak(m.comment);
}

void EraseEventsFile() {
  const std::string& name = g_events.fileName;
  if (!platform::FileExists(name)) return;
  if (!platform::DeleteFile(name)) throw InputOutputError{kIoAccessDenied, name};
}

std::string RunTimeErrorReport(const InputOutputError& error) {
  std::string meaning;
  switch (error.code) {
    case kIoFileNotFound: meaning = "arquivo n\xE3o encontrado"; break;
    case kIoAccessDenied: meaning = "acesso negado"; break;
    case kIoDiskRead: meaning = "erro de leitura do disco"; break;
    case kIoBadNumber: meaning = "formato num\xE9rico inv\xE1lido"; break;
    default: meaning = "falha de entrada e sa\xED" "da"; break;
  }
  return "Erro de entrada/sa\xED" "da " + std::to_string(error.code) + " (" + meaning + ") no arquivo " +
         error.fileName + "; o arquivo foi mantido como estava.";
}

}  // namespace app
