#include "app/stopwatch.h"

#include <gtest/gtest.h>

#include <cstring>

#include "app/elapsed_time.h"
#include "app/events_file.h"
#include "unit/app/app_fixture.h"

namespace {

using apptest::InOrder;
using apptest::RunToExit;
using Entries = std::vector<std::string>;

const std::string kPrompt = "w:Sua opcao";
const std::string kEnd = "w:Fim do programa\\r\\n";

TEST(Banner, SevenLinesOf54) {
  for (const char* line : app::kBanner) {
    EXPECT_EQ(std::strlen(line), app::kBannerWidth);
    EXPECT_EQ(std::strspn(line, "* "), app::kBannerWidth);
  }
}

class StopwatchTest : public apptest::StopwatchFixture {
 protected:
  // Runs the command loop over the keys; the script's end closes the window.
  std::optional<int> Loop(const std::string& keys) {
    Keys(keys);
    return RunToExit([] { app::CommandLoop(); });
  }
};

TEST_F(StopwatchTest, BannerOnTheScreen) {
  app::ShowBanner();
  for (int row = 1; row <= 7; ++row) {
    EXPECT_EQ(ScreenRow(row), std::string(app::kBanner[row - 1]).substr(0, ScreenRow(row).size()));
    EXPECT_EQ(console::ScreenAttrAt(1, row) >> 4, 1) << "background colour 1";
  }
  EXPECT_EQ(ScreenRow(8), "");
  EXPECT_EQ(console::CursorRow(), 9);
}

TEST_F(StopwatchTest, KeysAreEchoedSpokenAndUpperCased) {
  Keys("a Enter F7");
  EXPECT_EQ(app::ReadKeyEchoed(0), 'A');
  EXPECT_EQ(app::ReadAnswer(), 13);
  EXPECT_EQ(app::ReadKeyEchoed(2), 0);
  EXPECT_EQ(console::GetKey(), 65);
  EXPECT_EQ(Heard(), (Entries{"w:a", "p:_97", "w:\\r", "w:\\r\\n", "w:\\x00", "w:\\r\\n", "w:\\r\\n"}));
  EXPECT_EQ(console::CurrentAttribute() >> 4, 0);
  // The 0 of the extended key is not heard: its second code already waits.
}

TEST_F(StopwatchTest, AnswerEchoIsOnBackground4) {
  Keys("s");
  EXPECT_TRUE(app::ReadYes());
  EXPECT_EQ(console::ScreenAttrAt(1, 1) >> 4, 4);
  Keys("N Esc Enter F7 S");
  EXPECT_FALSE(app::ReadYes());
  EXPECT_FALSE(app::ReadYes());
  EXPECT_FALSE(app::ReadYes());
  EXPECT_FALSE(app::ReadYes()) << "an extended key is a no, both its codes taken";
  EXPECT_TRUE(app::ReadYes());
}

TEST_F(StopwatchTest, PlainKeysRefusedAndHelp) {
  EXPECT_EQ(Loop("Enter 5 F1 F3"), 0);
  const Entries heard = Heard();
  EXPECT_TRUE(InOrder(heard, {kPrompt, "p:tbsuaopc", "w:\\r", "w:\\r\\n", "w:tecla invalida\\r\\n",
                              "p:tbtecinv"}));
  EXPECT_EQ(std::count(heard.begin(), heard.end(), "p:_13"), 0) << "Enter is not spoken";
  EXPECT_TRUE(InOrder(heard, {"w:5", "p:_53", "w:\\r\\n", "w:tecla invalida\\r\\n", "p:tbtecinv"}));
  EXPECT_TRUE(InOrder(heard, {"w:F7 assinala inicio e fim do evento\\r\\n", "w:F4 (fala comentario)\\r\\n",
                              "w:Letra (aciona memoria)\\r\\n",
                              "w:0 (apaga memoria), * (apaga todas as memorias)\\r\\n",
                              "w:F2 (salva eventos e encerra)\\r\\n", "w:Esc (termina)\\r\\n", "p:tbaju1",
                              "p:tbaju4", "p:tbaju2", "p:tbaju3"}));
  EXPECT_TRUE(InOrder(heard, {"w:Fun\xC3\xA7\xC3\xA3o invalida\\r\\n", "p:tbfuninv"}));
}

TEST_F(StopwatchTest, TwoF7sTimeAnEventAndALetterFilesIt) {
  EXPECT_EQ(Loop("F7 +1m +12s +400ms F7 B \"volta um\" Enter B"), 0);
  const Entries heard = Heard();
  EXPECT_TRUE(InOrder(heard, {"w:j\xC3\xA1... ", "p:tbja", "w:Tempo\\r\\n", "p:tbtempo", "p:_um", "p:tbminu",
                              "p:_doze", "p:tbsegus", "p:_quarent", "p:tbcents"}));
  EXPECT_TRUE(InOrder(heard, {"w:comente:\\r\\n", "p:tbcoment", "w:guardado\\r\\n", "p:tbguarda"}));
  // B again reads the memory back: its order, a beep, the duration.
  EXPECT_TRUE(InOrder(heard, {"p:tbguarda", "p:_66", "p:tbevento", "p:_um", "buffer", "p:_um", "p:tbminu"}));
  const app::EventMemory& b = app::Events().log.memories[1];
  EXPECT_EQ(b, (app::EventMemory{1, 1, 0, 0, 1, 12, 40, "volta um"}));
  const std::string file = *ReadEventsFile();
  EXPECT_EQ(file.substr(0, file.find("\r\n")), "0 1 124 5 20 14 3 9 57");
}

TEST_F(StopwatchTest, WaitForTheSecondF7RefusesOtherKeys) {
  EXPECT_EQ(Loop("F7 c * 0 F4 F1 F2"), 0);
  const Entries heard = Heard();
  EXPECT_EQ(std::count(heard.begin(), heard.end(), "w:tecla invalida\\r\\n"), 3);
  EXPECT_TRUE(InOrder(heard, {"w:Fun\xC3\xA7\xC3\xA3o inv\xC3\xA1lida\\r\\n", "p:tbfuninv"}));
  EXPECT_TRUE(InOrder(heard, {"w:F7 assinala inicio e fim do evento\\r\\n", "w:F2 salva eventos e encerra\\r\\n",
                              "p:tbaju1", "p:tbaju3", "w:Evento aberto\\r\\n", "w:eventos guardados\\r\\n",
                              "p:tbeabert", "p:tbeguard", kEnd, "p:tbfim"}));
  EXPECT_EQ(std::count(heard.begin(), heard.end(), kPrompt), 1) << "no \"Sua opcao\" while waiting";
  EXPECT_EQ(ReadEventsFile()->substr(0, 2), "1 ") << "the open event is in the file";
}

TEST_F(StopwatchTest, F7WithARestoredOpenEventEndsItAtOnce) {
  app::Events().log.openFlag = 1;
  app::Events().log.startStamp = {124, 5, 20, 13, 3, 9, 57};
  EXPECT_EQ(Loop("F7"), 0);
  const Entries heard = Heard();
  EXPECT_TRUE(InOrder(heard, {"w:Tempo\\r\\n", "p:tbtempo", "p:_uma", "p:tbhora"}));
  EXPECT_EQ(std::count(heard.begin(), heard.end(), "p:tbja"), 0);
  EXPECT_EQ(app::Events().log.openFlag, 0);
}

TEST_F(StopwatchTest, SameHundredthEndsThroughTheSequenceDialogue) {
  EXPECT_EQ(Loop("F7 F7 n"), 0);
  EXPECT_TRUE(InOrder(Heard(), {"w:erro de sequ\xC3\xAAncia de data ou hora\\r\\n", "p:tberrodh", kEnd}));
  EXPECT_TRUE(ReadEventsFile().has_value());
}

TEST_F(StopwatchTest, DeletingOneMemory) {
  app::EventLog& log = app::Events().log;
  log.storedCount = 2;
  log.memories[0] = {1, 1, 0, 0, 0, 1, 0, ""};
  log.memories[2] = {2, 1, 0, 0, 0, 3, 0, ""};
  EXPECT_EQ(Loop("0 b 0 5 0 Esc 0 F7 0 a"), 0);
  const Entries heard = Heard();
  EXPECT_TRUE(InOrder(heard, {"w:qual a memoria a apagar?\\r\\n", "p:tbzeraum", "w:b", "w:nada\\r\\n",
                              "p:tbnada", "w:Tecla invalida\\r\\n", "p:tbtecinv"}));
  // F7 at the question is refused; its second code is not taken as the letter A.
  EXPECT_TRUE(InOrder(heard, {"w:Tecla invalida\\r\\n", "w:Tecla invalida\\r\\n", kPrompt, "w:0"}));
  EXPECT_EQ(std::count(heard.begin(), heard.end(), "p:tbevento"), 0);
  EXPECT_EQ(log.memories[0].used, 0);
  EXPECT_EQ(log.memories[2].order, 1);
  EXPECT_EQ(log.storedCount, 1);
  EXPECT_FALSE(ReadEventsFile().has_value());
}

TEST_F(StopwatchTest, ClearingAllThenF2SavesThemFree) {
  app::EventLog& log = app::Events().log;
  log.storedCount = 2;
  log.memories[0] = {1, 1, 0, 0, 0, 1, 0, "um"};
  log.memories[1] = {2, 1, 0, 0, 0, 2, 0, "dois"};
  app::Events().durationFiled = true;
  EXPECT_EQ(Loop("* n * s F2"), 0);
  const Entries heard = Heard();
  EXPECT_TRUE(InOrder(heard, {"w:Deseja zerar eventos? - sim ou nao?\\r\\n", "p:tbzerato", "p:tbsimnao", "w:n",
                              "w:Deseja zerar eventos? - sim ou nao?\\r\\n", "w:s", "w:Eventos guardados\\r\\n",
                              "p:tbeguard", kEnd, "p:tbfim"}));
  EXPECT_EQ(log.storedCount, 0);
  EXPECT_FALSE(app::Events().durationFiled);
  const std::string file = *ReadEventsFile();
  EXPECT_EQ(file.substr(0, file.find("\r\n")), "0 0 0 0 0 0 0 0 0");
  EXPECT_NE(file.find("0 1 0 0 0 1 0 \r\num\r\n"), std::string::npos) << "orders and comments stay";
}

TEST_F(StopwatchTest, EscWithoutStoredEventsEndsWithoutAQuestion) {
  WriteEventsFile("1 0 124 5 20 14 3 9 57\r\n");
  EXPECT_EQ(Loop("Esc"), 0);
  const Entries heard = Heard();
  EXPECT_TRUE(InOrder(heard, {"w:\\x1B", "p:_27", "w:\\r\\n", kEnd, "p:tbfim"}));
  EXPECT_EQ(std::count(heard.begin(), heard.end(), "p:tbapaeve"), 0);
  EXPECT_EQ(ReadEventsFile(), "1 0 124 5 20 14 3 9 57\r\n");
}

TEST_F(StopwatchTest, EscWithStoredEventsAsksToErase) {
  for (const char* answer : {"n", "s"}) {
    RestartConsole();
    WriteEventsFile("0 1 124 5 20 14 3 9 57\r\n");
    app::Events().log.storedCount = 1;
    EXPECT_EQ(Loop(std::string("Esc ") + answer), 0);
    EXPECT_TRUE(InOrder(Heard(), {"w:confirma apagamento de eventos?\\r\\n", "w:sim ou n\xC3\xA3o\\r\\n",
                                  "p:tbapaeve", "p:tbsimnao", kEnd, "p:tbfim"}));
    EXPECT_EQ(ReadEventsFile().has_value(), std::string(answer) == "n");
  }
}

TEST_F(StopwatchTest, FreeLetterBeforeAnyEventFilesZero) {
  EXPECT_EQ(Loop("D Enter F4 d F4"), 0);
  const app::EventMemory& d = app::Events().log.memories[3];
  EXPECT_EQ(d.used, 1);
  EXPECT_EQ(d.order, 1);
  EXPECT_EQ(app::Duration({d.days, d.hours, d.minutes, d.seconds, d.hundredths}), app::Duration{});
  // F4 after filing speaks memory A (the save set it back to 1): free, "nada".
  const Entries heard = Heard();
  EXPECT_TRUE(InOrder(heard, {"w:guardado\\r\\n", "w:nada\\r\\n", "p:tbnada", "p:tbevento"}));
}

}  // namespace
