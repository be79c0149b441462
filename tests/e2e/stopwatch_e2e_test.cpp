// The stopwatch as a user meets it, through tembrika-sim on the shipped data:
// each test runs the simulator in a folder of its own with a key script and
// checks its log, its screen, its exit code and the events file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "sim_harness.h"

namespace {

using namespace simharness;

const char* kClock = "2024-05-20T14:03:09.57";
const std::string kEnd = "w:Fim do programa\\r\\n";

TEST_F(StopwatchE2E, FirstStartGreetsAndEscEndsWithoutAQuestion) {
  const SimRun run = Run("Esc", kClock);
  EXPECT_EQ(run.code, 0);
  const auto log = Short(run.log);
  EXPECT_TRUE(InOrder(log, {"p:tbtembri", "w:Sua opcao", "p:tbsuaopc", "key:Esc", kEnd, "p:tbfim", "exit"}));
  EXPECT_EQ(Count(log, "w:Eventos recuperados\\r\\n"), 0);
  EXPECT_EQ(Count(log, "w:Evento aberto\\r\\n"), 0);
  EXPECT_EQ(Count(log, "p:tbapaeve"), 0);
  for (const std::string& line : run.log) EXPECT_NE(line.rfind("missing", 0), 0u) << line;
  EXPECT_EQ(run.screen[0], "*****  *****  *   *  ****   ****   *****  *   *   ***");
  EXPECT_EQ(run.screen[8], "Sua opcao");
  EXPECT_EQ(run.screen[9], "Fim do programa");
  EXPECT_FALSE(EventsFile().has_value());
}

TEST_F(StopwatchE2E, TwoF7sWithTheClockMovedSpeakTheElapsedTime) {
  const SimRun run = Run("@2024-05-20T14:03:09.57 F7 +1m @2024-05-20T14:04:39.57 F7 Esc", kClock);
  EXPECT_EQ(run.code, 0);
  const auto log = Short(run.log);
  EXPECT_TRUE(InOrder(log, {"key:F7", "w:j\xC3\xA1... ", "p:tbja", "key:F7", "w:\\x00", "w:\\r\\n", "w:Tempo\\r\\n",
                            "p:tbtempo", "buffer", "p:tbminu", "buffer", "p:tbsegus", "w:Sua opcao"}));
  EXPECT_EQ(Count(log, "p:tbcents"), 0);
  EXPECT_EQ(FileLines(*EventsFile())[0], "0 0 124 5 20 14 3 9 57");
  EXPECT_EQ(run.screen[8], "Sua opcao");
  EXPECT_EQ(run.screen[9], "j\xC3\xA1...");
  EXPECT_EQ(run.screen[10], "Tempo");
}

TEST_F(StopwatchE2E, FilingReadingBackAndASecondStartThatRestoresEverything) {
  // First run: an event of 1 min 12.40 s filed under B with a comment, read
  // back, its comment spoken with F4; then a new event left open with F2.
  SimRun run = Run("@2024-05-20T14:03:09.57 F7 @2024-05-20T14:04:21.97 F7 B \"volta um\" Enter B F4 F1 F7 F2", kClock);
  EXPECT_EQ(run.code, 0);
  auto log = Short(run.log);
  EXPECT_TRUE(InOrder(log, {"w:Tempo\\r\\n", "key:B", "w:comente:\\r\\n", "p:tbcoment", "key:Enter",
                            "w:guardado\\r\\n", "p:tbguarda"}));
  EXPECT_TRUE(InOrder(log, {"p:tbguarda", "key:B", "p:tbevento", "buffer", "buffer", "buffer", "p:tbminu", "buffer",
                            "p:tbsegus", "buffer", "p:tbcents"}));
  EXPECT_TRUE(InOrder(log, {"key:F4", "w:volta um"}));
  EXPECT_TRUE(InOrder(log, {"key:F1", "w:F7 assinala inicio e fim do evento\\r\\n", "w:Esc (termina)\\r\\n", "p:tbaju1",
                            "p:tbaju4", "p:tbaju2", "p:tbaju3"}));
  EXPECT_TRUE(InOrder(log, {"key:F2", "w:Evento aberto\\r\\n", "w:eventos guardados\\r\\n", "p:tbeabert",
                            "p:tbeguard", kEnd, "p:tbfim"}));
  std::vector<std::string> lines = FileLines(*EventsFile());
  ASSERT_EQ(lines.size(), 53u);
  EXPECT_EQ(lines[0].substr(0, 4), "1 1 ");
  EXPECT_EQ(lines[3], "1 1 0 0 1 12 40 ");
  EXPECT_EQ(lines[4], "volta um");

  // Second run: restored with the open event, which F7 ends at once.
  run = Run("@2024-05-20T16:30:00.00 F7 C Enter A Esc Esc", kClock);
  log = Short(run.log);
  EXPECT_TRUE(InOrder(log, {"p:tbtembri", "w:Eventos recuperados\\r\\n", "p:tbevecar", "w:Evento aberto\\r\\n",
                            "p:tbeabert", "w:Sua opcao", "key:F7", "w:Tempo\\r\\n", "p:tbtempo", "buffer",
                            "p:tbhoras"}));
  EXPECT_EQ(Count(log, "p:tbja"), 0);
  // C files the new duration with order 2; A is free and files nothing more ("nada").
  EXPECT_TRUE(InOrder(log, {"key:C", "w:comente:\\r\\n", "w:guardado\\r\\n", "key:A", "w:nada\\r\\n", "p:tbnada"}));
  EXPECT_TRUE(InOrder(log, {"key:Esc", "w:confirma apagamento de eventos?\\r\\n", "w:sim ou n\xC3\xA3o\\r\\n",
                            "p:tbapaeve", "p:tbsimnao", "key:Esc", kEnd}));
  lines = FileLines(*EventsFile());
  ASSERT_EQ(lines.size(), 53u);
  EXPECT_EQ(lines[0].substr(0, 4), "0 2 ");
  EXPECT_EQ(lines[5].substr(0, 4), "1 2 ");
  EXPECT_EQ(lines[3], "1 1 0 0 1 12 40 ") << "B kept";
}

TEST_F(StopwatchE2E, DeleteClearAndSave) {
  Run("@2024-05-20T14:00:00.00 F7 @2024-05-20T14:00:01.00 F7 A Enter "
      "@2024-05-20T14:01:00.00 F7 @2024-05-20T14:01:02.00 F7 B Enter "
      "@2024-05-20T14:02:00.00 F7 @2024-05-20T14:02:03.00 F7 C Enter F2",
      kClock);
  SimRun run = Run("0 b 0 b 0 9 F2", kClock);
  auto log = Short(run.log);
  EXPECT_TRUE(InOrder(log, {"w:qual a memoria a apagar?\\r\\n", "p:tbzeraum", "key:b", "w:Sua opcao", "key:0",
                            "key:b", "w:nada\\r\\n", "p:tbnada", "key:9", "w:Tecla invalida\\r\\n", "p:tbtecinv",
                            "w:Eventos guardados\\r\\n", "p:tbeguard", kEnd}));
  std::vector<std::string> lines = FileLines(*EventsFile());
  EXPECT_EQ(lines[0].substr(0, 4), "0 2 ");
  EXPECT_EQ(lines[1], "1 1 0 0 0 1 0 ");
  EXPECT_EQ(lines[3], "0 2 0 0 0 2 0 ") << "B free, its fields kept";
  EXPECT_EQ(lines[5], "1 2 0 0 0 3 0 ") << "C moved up to order 2";

  run = Run("* s F2", kClock);
  EXPECT_TRUE(InOrder(Short(run.log), {"w:Deseja zerar eventos? - sim ou nao?\\r\\n", "p:tbzerato", "p:tbsimnao",
                                        "key:s", "w:Eventos guardados\\r\\n"}));
  lines = FileLines(*EventsFile());
  ASSERT_EQ(lines.size(), 53u);
  EXPECT_EQ(lines[0].substr(0, 4), "0 0 ");
  for (int k = 1; k <= 26; ++k) EXPECT_EQ(lines[static_cast<std::size_t>(2 * k - 1)].substr(0, 2), "0 ") << k;
}

TEST_F(StopwatchE2E, EscWithStoredEventsErasesTheFileOnYes) {
  Run("F7 +1s F7 A Enter F2", kClock);
  ASSERT_TRUE(EventsFile().has_value());
  SimRun run = Run("Esc n", kClock);
  EXPECT_TRUE(InOrder(Short(run.log), {"p:tbapaeve", "key:n", kEnd}));
  EXPECT_TRUE(EventsFile().has_value());
  run = Run("Esc S", kClock);
  EXPECT_EQ(run.code, 0);
  EXPECT_TRUE(InOrder(Short(run.log), {"p:tbapaeve", "key:S", kEnd}));
  EXPECT_FALSE(EventsFile().has_value());
}

TEST_F(StopwatchE2E, ClockMovedBackEndsThroughTheSequenceDialogue) {
  Run("F7 F2", kClock);  // an event left open at 14:03:09.57
  const std::string open = *EventsFile();
  SimRun run = Run("F7 n", "2024-05-20T13:00:00.00");
  EXPECT_EQ(run.code, 0);
  EXPECT_TRUE(InOrder(Short(run.log), {"w:Tempo\\r\\n", "p:tbtempo", "w:erro de sequ\xC3\xAAncia de data ou hora\\r\\n",
                                        "w:deseja apagar eventos?\\r\\n", "w:sim ou nao?\\r\\n", "p:tberrodh",
                                        "p:tbdesapa", "p:tbsimnao", "key:n", kEnd, "p:tbfim"}));
  EXPECT_EQ(EventsFile(), open) << "the open event is still open";
  run = Run("F7 s", "2024-05-19T15:00:00.00");
  EXPECT_TRUE(InOrder(Short(run.log), {"p:tberrodh", "key:s", kEnd}));
  EXPECT_FALSE(EventsFile().has_value());
}

TEST_F(StopwatchE2E, CommentLeftWithEscIsEmpty) {
  const SimRun run = Run("@2024-05-20T14:03:00.00 F7 @2024-05-20T14:03:05.00 F7 C \"abc\" Esc F4 F2", kClock);
  EXPECT_EQ(run.code, 0);
  const std::vector<std::string> lines = FileLines(*EventsFile());
  EXPECT_EQ(lines[5], "1 1 0 0 0 5 0 ");
  EXPECT_EQ(lines[6], "");
}

TEST_F(StopwatchE2E, UrgentKeysCutWhatIsPlaying) {
  // Esc arrives while the greeting plays: it is cut and the program ends.
  const SimRun run = Run("!Esc", kClock);
  EXPECT_EQ(run.code, 0);
  EXPECT_TRUE(InOrder(Short(run.log), {"p:tbtembri", "key:!Esc", "cut", kEnd}));
  // F1 cut in the middle of its help: the next key is read at once.
  const SimRun help = Run("F1 !F2", kClock);
  EXPECT_TRUE(InOrder(Short(help.log), {"key:F1", "p:tbaju1", "key:!F2", "cut", "w:Eventos guardados\\r\\n"}));
  EXPECT_EQ(Count(Short(help.log), "p:tbaju3"), 0);
}

TEST_F(StopwatchE2E, EventsFileNamedByTheFirstArgumentCutTo40) {
  const std::string name(50, 'n');
  SimRun run = Run("F7 F2", kClock, {name, "ignored"});
  EXPECT_EQ(run.code, 0);
  EXPECT_TRUE(EventsFile(name.substr(0, 40)).has_value());
  EXPECT_FALSE(EventsFile(name).has_value());
  EXPECT_FALSE(EventsFile().has_value());
  run = Run("F7 F2", kClock, {"corrida.tpo"});
  EXPECT_TRUE(EventsFile("corrida.tpo").has_value());
}

TEST_F(StopwatchE2E, MalformedEventsFileStopsWithError106) {
  const std::string bad = "0 1 124 5 20 14 3 9 57\r\n1 x 0 0 1 12 40 \r\n";
  std::ofstream(dir_ / "eventos.tpo", std::ios::binary) << bad;
  const SimRun run = Run("Esc", kClock);
  EXPECT_EQ(run.code, 106);
  EXPECT_NE(run.errors.find("106"), std::string::npos) << run.errors;
  EXPECT_NE(run.errors.find("eventos.tpo"), std::string::npos) << run.errors;
  EXPECT_NE(run.errors.find("mantido como estava"), std::string::npos) << run.errors;
  bool onScreen = false;
  for (const std::string& row : run.screen) onScreen = onScreen || row.find("106") != std::string::npos;
  EXPECT_TRUE(onScreen);
  EXPECT_EQ(Count(Short(run.log), "w:Sua opcao"), 0);
  EXPECT_EQ(EventsFile(), bad);
}

TEST_F(StopwatchE2E, EventsFileThatCannotBeWrittenEndsTheProgram) {
  const SimRun run = Run("F7", kClock, {"sem\\pasta.tpo"});
  EXPECT_EQ(run.code, 0);
  EXPECT_TRUE(InOrder(Short(run.log), {"p:tbja", "w:Erro de grava\xC3\xA7\xC3\xA3o no sem\\\\pasta.tpo\\r\\n", kEnd,
                                        "p:tbfim"}));
  EXPECT_FALSE(fs::exists(dir_ / "sem"));
}

TEST_F(StopwatchE2E, KeysFromAFileAndEverySoundInOneWav) {
  std::ofstream(dir_ / "keys.txt", std::ios::binary) << "@2024-05-20T14:03:09.57 F7\n"
                                                         "@2024-05-20T14:03:19.57 F7\r\nF2\n";
  const std::string command = "cd " + Quote(dir_.string()) + " && " + Quote(TEMBRIKA_SIM) +
                              " --keys-file keys.txt --wav all.wav --log log.txt --drive-c " +
                              Quote(TEMBRIKA_SOURCE_DRIVE_C) + " >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const auto log = Short(SplitLines(*ReadFile(dir_ / "log.txt")));
  EXPECT_TRUE(InOrder(log, {"w:Tempo\\r\\n", "buffer", "p:tbsegus", "w:Eventos guardados\\r\\n", "exit"}));
  const std::string wav = ReadFile(dir_ / "all.wav").value_or("");
  ASSERT_GT(wav.size(), 44u);
  EXPECT_EQ(wav.substr(0, 4), "RIFF");
  EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
  const auto byte = [&](std::size_t at) { return static_cast<unsigned>(static_cast<unsigned char>(wav[at])); };
  EXPECT_EQ(byte(24) | byte(25) << 8 | byte(26) << 16, 11025u);
  EXPECT_EQ(byte(34), 8u);
  EXPECT_EQ(FileLines(*EventsFile())[0], "0 0 124 5 20 14 3 9 57");
}

}  // namespace
