// The stopwatch: banner, start-up, the command loop, timing an event, the
// questions and the end of the program.
#include "app/stopwatch.h"

#include "app/elapsed_time.h"
#include "app/events_file.h"
#include "console/console.h"
#include "recorded/number_words.h"
#include "speech/settings_lookup.h"
#include "speech/speech_prompts.h"
#include "speech/speech_startup.h"

namespace app {

namespace {

// Extended codes of the keys the loops act on (the second code after 0).
constexpr std::uint8_t kScanF1 = 59;
constexpr std::uint8_t kScanF2 = 60;
constexpr std::uint8_t kScanF4 = 62;
constexpr std::uint8_t kScanF7 = 65;
constexpr std::uint8_t kEsc = 27;
constexpr std::uint8_t kEnter = 13;

void Say(const char* text, const char* prompt) {
  console::WriteLine(text);
  speech::PlayPrompt(prompt);
}

void InvalidKey() { Say("tecla invalida", "tbtecinv"); }

void MainHelp() {
  console::WriteLine("F7 assinala inicio e fim do evento");
  console::WriteLine("F4 (fala comentario)");
  console::WriteLine("Letra (aciona memoria)");
  console::WriteLine("0 (apaga memoria), * (apaga todas as memorias)");
  console::WriteLine("F2 (salva eventos e encerra)");
  console::WriteLine("Esc (termina)");
  for (const char* prompt : {"tbaju1", "tbaju4", "tbaju2", "tbaju3"}) speech::PlayPrompt(prompt);
}

// "*": clear every memory after a yes.
void AskClearAll() {
  console::WriteLine("Deseja zerar eventos? - sim ou nao?");
  speech::PlayPrompt("tbzerato");
  speech::PlayPrompt("tbsimnao");
  if (ReadYes()) ClearAllMemories();
}

// "0": free one memory.
void AskDeleteOne() {
  Say("qual a memoria a apagar?", "tbzeraum");
  const std::uint8_t key = ReadAnswer();
  if (key == kEsc) return;
  // The second code of an extended key answers nothing and is not a command.
  if (key == 0) console::GetKey();
  const int memory = MemoryOfLetter(key);
  if (memory == 0) {
    Say("Tecla invalida", "tbtecinv");
    return;
  }
  Events().currentMemory = memory;
  if (CurrentMemory().used == 0) {
    Say("nada", "tbnada");
    return;
  }
  DeleteMemory();
}

// A letter: file the last duration in a free memory, or read a used one back.
void LetterCommand(int memory) {
  Events().currentMemory = memory;
  const EventMemory& m = CurrentMemory();
  if (m.used == 0) {
    StoreLastDuration();
    return;
  }
  speech::PlayPrompt("tbevento");
  recorded::SpeakNumberWords(recorded::NumberToWords(m.order), false);
  speech::PlayBeep();
  SpeakDays(m.days);
  SpeakTimeParts(m.hours, m.minutes, m.seconds, m.hundredths);
}

void ExtendedCommand(std::uint8_t scan) {
  switch (scan) {
    case kScanF1:
      MainHelp();
      break;
    case kScanF2:
      SaveEvents();
      Say("Eventos guardados", "tbeguard");
      EndProgram();
    case kScanF4:
      SpeakComment();
      break;
    case kScanF7: {
      const ClockStamp end = TimeEvent();
      CloseEvent(end);
      Events().durationFiled = false;
      break;
    }
    default:
      Say("Fun\xE7\xE3o invalida", "tbfuninv");
      break;
  }
}

}  // namespace

const char* const kBanner[kBannerLines] = {
    "*****  *****  *   *  ****   ****   *****  *   *   *** ",
    "  *    *      ** **  *   *  *   *    *    *  *   *   *",
    "  *    *      * * *  *   *  *   *    *    * *    *   *",
    "  *    ****   *   *  ****   ****     *    **     *****",
    "  *    *      *   *  *   *  * *      *    * *    *   *",
    "  *    *      *   *  *   *  *  *     *    *  *   *   *",
    "  *    *****  *   *  ****   *   *  *****  *   *  *   *",
};

ClockStamp ReadClockStamp() {
  ClockStamp s;
  console::GetTime(s.hour, s.minute, s.second, s.hundredths);
  std::uint16_t year = 0;
  console::GetDate(year, s.month, s.day, s.dayOfWeek);
  s.year = static_cast<std::uint16_t>(year - 1900);
  return s;
}

std::uint8_t ReadKeyEchoed(int lineEnds) {
  const std::uint8_t key = console::GetKey();
  console::Write(std::string(1, static_cast<char>(key)));
  if (key != kEnter) speech::SpeakChar(key);
  for (int i = 0; i < lineEnds; ++i) console::WriteLine();
  if (key >= 'a' && key <= 'z') return static_cast<std::uint8_t>(key - 32);
  return key;
}

std::uint8_t ReadAnswer() {
  console::SetBackground(4);
  const std::uint8_t key = ReadKeyEchoed(1);
  console::SetBackground(0);
  return key;
}

bool ReadYes() {
  const std::uint8_t key = ReadAnswer();
  if (key == 0) console::GetKey();
  return key == 'S';
}

void ShowBanner() {
  console::ClearScreen();
  console::SetBackground(1);
  for (const char* line : kBanner) console::WriteLine(line);
  console::SetBackground(0);
  console::ClearToLineEnd();
  console::WriteLine();
}

void ProgramStartUp(const std::vector<std::string>& arguments) {
  const std::string promptFolder = speech::LookupSetting("TEMBRIKA", "DIRTEMBRIKA");
  speech::SpeechInit(0, promptFolder);
  speech::PlayPrompt("tbtembri");
  Events().fileName = EventsFileName(arguments);
  LoadEvents();
}

void CommandLoopPass() {
  console::SetBackground(1);
  console::Write("Sua opcao");
  console::SetBackground(0);
  speech::PlayPrompt("tbsuaopc");
  const std::uint8_t key = ReadAnswer();
  if (key == 0) {
    ExtendedCommand(console::GetKey());
  } else if (key == kEsc) {
    QuitAskingToErase();
  } else if (key == '*') {
    AskClearAll();
  } else if (key == '0') {
    AskDeleteOne();
  } else if (const int memory = MemoryOfLetter(key); memory != 0) {
    LetterCommand(memory);
  } else {
    InvalidKey();
  }
}

void CommandLoop() {
  for (;;) CommandLoopPass();
}

void RunStopwatch(const std::vector<std::string>& arguments) {
  ShowBanner();
  ProgramStartUp(arguments);
  CommandLoop();
}

ClockStamp TimeEvent() {
  ClockStamp stamp = ReadClockStamp();
  if (Events().log.openFlag != 0) {
    Say("Tempo", "tbtempo");
    return stamp;
  }
  console::Write("j\xE1... ");
  speech::PlayPrompt("tbja");
  OpenEvent(stamp);
  for (;;) {
    const std::uint8_t key = ReadAnswer();
    if (key == kEsc) QuitAskingToErase();
    if (key != 0) {
      InvalidKey();
      continue;
    }
    switch (console::GetKey()) {
      case kScanF1:
        console::WriteLine("F7 assinala inicio e fim do evento");
        console::WriteLine("F2 salva eventos e encerra");
        speech::PlayPrompt("tbaju1");
        speech::PlayPrompt("tbaju3");
        break;
      case kScanF2:
        console::WriteLine("Evento aberto");
        console::WriteLine("eventos guardados");
        speech::PlayPrompt("tbeabert");
        speech::PlayPrompt("tbeguard");
        EndProgram();
      case kScanF7:
        stamp = ReadClockStamp();
        Say("Tempo", "tbtempo");
        return stamp;
      default:
        Say("Fun\xE7\xE3o inv\xE1lida", "tbfuninv");
        break;
    }
  }
}

void EndProgram() {
  Say("Fim do programa", "tbfim");
  speech::SpeechShutdown();
  console::CloseConsole();
}

void QuitAskingToErase() {
  if (Events().log.storedCount == 0) EndProgram();
  console::WriteLine("confirma apagamento de eventos?");
  console::WriteLine("sim ou n\xE3o");
  speech::PlayPrompt("tbapaeve");
  speech::PlayPrompt("tbsimnao");
  if (ReadYes()) EraseEventsFile();
  EndProgram();
}

}  // namespace app
