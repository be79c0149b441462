#include "app/events_file.h"

#include <gtest/gtest.h>

#include "app/run_time_error.h"
#include "unit/app/app_fixture.h"

namespace {

using apptest::RunToExit;

// The example log: closed event started 20 May 2024 14:03:09.57, A = 1 min
// 12.40 s "volta um" (order 1), B = 1 h 5 min 0.03 s without comment (order 2).
app::EventLog ExampleLog() {
  app::EventLog log;
  log.openFlag = 0;
  log.storedCount = 2;
  log.startStamp = {124, 5, 20, 14, 3, 9, 57};
  log.memories[0] = {1, 1, 0, 0, 1, 12, 40, "volta um"};
  log.memories[1] = {2, 1, 0, 1, 5, 0, 3, ""};
  return log;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find("\r\n", at);
    EXPECT_NE(end, std::string::npos) << "every line ends with CR LF";
    if (end == std::string::npos) break;
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

const std::string kFreeMemoryLine = "0 0 0 0 0 0 0 ";

TEST(EventsFileFormat, ExampleLayout) {
  const std::vector<std::string> lines = Lines(app::FormatEventsFile(ExampleLog()));
  ASSERT_EQ(lines.size(), 53u);
  EXPECT_EQ(lines[0], "0 2 124 5 20 14 3 9 57");
  EXPECT_EQ(lines[1], "1 1 0 0 1 12 40 ");
  EXPECT_EQ(lines[2], "volta um");
  EXPECT_EQ(lines[3], "1 2 0 1 5 0 3 ");
  EXPECT_EQ(lines[4], "");
  for (std::size_t k = 3; k <= 26; ++k) {
    EXPECT_EQ(lines[2 * k - 1], kFreeMemoryLine) << "memory " << k;
    EXPECT_EQ(lines[2 * k], "") << "memory " << k;
  }
}

TEST(EventsFileName, FirstArgumentCutTo40OrDefault) {
  const std::string fifty(50, 'n');
  EXPECT_EQ(app::EventsFileName({}), "eventos.tpo");
  EXPECT_EQ(app::EventsFileName({""}), "eventos.tpo");
  EXPECT_EQ(app::EventsFileName({"corrida.tpo", "other"}), "corrida.tpo");
  EXPECT_EQ(app::EventsFileName({fifty}), std::string(40, 'n'));
}

class EventsFileTest : public apptest::StopwatchFixture {};

TEST_F(EventsFileTest, MissingFileLoadsEmptyAndSilently) {
  app::Events().log.storedCount = 9;
  app::Events().currentMemory = 7;
  app::LoadEvents();
  EXPECT_EQ(app::Events().log, app::EventLog{});
  EXPECT_EQ(app::Events().currentMemory, 1);
  EXPECT_TRUE(Heard().empty());
  EXPECT_FALSE(ReadEventsFile().has_value());
}

TEST_F(EventsFileTest, SaveThenLoadGivesTheSameLog) {
  app::Events().log = ExampleLog();
  app::Events().log.openFlag = 1;
  app::Events().log.memories[25] = {3, 1, 400, 23, 59, 59, 99, "z\xE9 da \xE1rvore 1234567"};
  app::Events().currentMemory = 5;
  app::SaveEvents();
  EXPECT_EQ(app::Events().currentMemory, 1);
  app::EventLog saved = app::Events().log;
  saved.memories[25].comment = saved.memories[25].comment.substr(0, 16);

  app::ResetEventsForTests();
  app::Events().fileName = EventsPath();
  app::LoadEvents();
  EXPECT_EQ(app::Events().log, saved);
  EXPECT_EQ(Heard(), (std::vector<std::string>{"w:Eventos recuperados\\r\\n", "p:tbevecar",
                                               "w:Evento aberto\\r\\n", "p:tbeabert"}));
}

TEST_F(EventsFileTest, ReadingRules) {
  struct Case {
    const char* name;
    std::string file;
    std::function<void(const app::EventLog&)> check;
  };
  const Case cases[] = {
      {"cut short after line 1: memories free, missing numbers zero", "1 3 124 5 20\r\n",
       [](const app::EventLog& log) {
         EXPECT_EQ(log.openFlag, 1);
         EXPECT_EQ(log.storedCount, 3);
         EXPECT_EQ(log.startStamp, (app::StartStamp{124, 5, 20, 0, 0, 0, 0}));
         for (const app::EventMemory& m : log.memories) EXPECT_EQ(m, app::EventMemory{});
       }},
      {"comments keep their first 16 characters",
       "0 1 124 5 20 14 3 9 57\r\n1 1 0 0 1 12 40 \r\n12345678901234567890\r\n0 0 0 0 0 0 0 \r\nabc\r\n",
       [](const app::EventLog& log) {
         EXPECT_EQ(log.memories[0].comment, "1234567890123456");
         EXPECT_EQ(log.memories[1].comment, "abc");
       }},
      {"numbers may stand on several lines, with tabs, signs and LF alone",
       "\t0\n2\n+124 5 20 14 3 9 57 trailing words\n1\n1 0 0\n\n1 12 40\nvolta\n",
       [](const app::EventLog& log) {
         EXPECT_EQ(log.storedCount, 2);
         EXPECT_EQ(log.startStamp.year, 124);
         EXPECT_EQ(log.memories[0], (app::EventMemory{1, 1, 0, 0, 1, 12, 40, "volta"}));
       }},
      {"the low 8 or 16 bits are kept", "257 -1 65537 -2 99999999999999999999 0 0 0 0\r\n",
       [](const app::EventLog& log) {
         EXPECT_EQ(log.openFlag, 1);
         EXPECT_EQ(log.storedCount, 255);
         EXPECT_EQ(log.startStamp.year, 1);
         EXPECT_EQ(log.startStamp.month, 65534);
         EXPECT_EQ(log.startStamp.day, 65535);  // 99999999999999999999 mod 65536
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteEventsFile(c.file);
    app::ResetEventsForTests();
    app::Events().fileName = EventsPath();
    backend_->ClearLog();
    app::LoadEvents();
    c.check(app::Events().log);
    EXPECT_EQ(Heard().front(), "w:Eventos recuperados\\r\\n");
  }
}

TEST_F(EventsFileTest, MalformedNumberIsError106AndChangesNothing) {
  const char* bad[] = {
      "0 2 124 5 20 14 3 9 57\r\n1 x 0 0 1 12 40 \r\n",
      "0 2 12x4 5 20 14 3 9 57\r\n",
      "- 2 124 5 20 14 3 9 57\r\n",
      "0 2 124 5 20 14 3 9 57\r\n1 1 0 0 1 12 40 \r\nok\r\n1 1 0 0 1 12 4,5 \r\n",
  };
  for (const char* file : bad) {
    SCOPED_TRACE(file);
    WriteEventsFile(file);
    app::Events().log = ExampleLog();
    try {
      app::LoadEvents();
      ADD_FAILURE() << "no error";
    } catch (const app::InputOutputError& error) {
      EXPECT_EQ(error.code, 106);
      EXPECT_EQ(error.fileName, EventsPath());
      const std::string report = app::RunTimeErrorReport(error);
      EXPECT_NE(report.find("106"), std::string::npos);
      EXPECT_NE(report.find(EventsPath()), std::string::npos);
      EXPECT_NE(report.find("mantido como estava"), std::string::npos);
    }
    EXPECT_EQ(app::Events().log, ExampleLog());
    EXPECT_EQ(ReadEventsFile(), std::string(file));
  }
}

TEST_F(EventsFileTest, FailedSaveKeepsTheOldFileAndEndsTheProgram) {
  // The disk fills up in the middle of the save: the old file stays whole.
  const std::string old = app::FormatEventsFile(ExampleLog());
  WriteEventsFile(old);
  app::Events().log = ExampleLog();
  app::Events().log.storedCount = 3;
  platform::SetWriteQuotaForTests(100);
  EXPECT_EQ(RunToExit([] { app::SaveEvents(); }), 0);
  EXPECT_EQ(ReadEventsFile(), old);
  const std::string line = ("Erro de grava\xE7\xE3o no " + EventsPath()).substr(0, 60);
  EXPECT_EQ(Heard(), (std::vector<std::string>{"w:" + platform::Cp1252ToUtf8(line) + "\\r\\n",
                                               "w:Fim do programa\\r\\n", "p:tbfim"}));
  std::size_t entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(root_ / "work")) {
    (void)entry;
    ++entries;
  }
  EXPECT_EQ(entries, 1u) << "no temporary file is left behind";
}

TEST_F(EventsFileTest, UncreatableFileSaysSoCutTo60) {
  app::Events().fileName = (root_ / "no-such-folder" / "file.tpo").string();
  EXPECT_EQ(RunToExit([] { app::SaveEvents(); }), 0);
  const std::string line = "Erro de grava\xE7\xE3o no " + app::Events().fileName;
  EXPECT_EQ(Heard().front(), "w:" + platform::Cp1252ToUtf8(line.substr(0, 60)) + "\\r\\n");
}

TEST_F(EventsFileTest, DeletingRenumbersTheLaterOrders) {
  app::EventLog& log = app::Events().log;
  log.storedCount = 3;
  log.memories[0] = {1, 1, 0, 0, 0, 1, 0, "a"};
  log.memories[1] = {2, 1, 0, 0, 0, 2, 0, "b"};
  log.memories[2] = {3, 1, 0, 0, 0, 3, 0, "c"};
  log.memories[3] = {5, 0, 0, 0, 0, 4, 0, "free, stale order"};
  app::Events().currentMemory = 2;
  app::DeleteMemory();
  EXPECT_EQ(log.memories[0].order, 1);
  EXPECT_EQ(log.memories[1].used, 0);
  EXPECT_EQ(log.memories[1].comment, "b") << "the other fields stay";
  EXPECT_EQ(log.memories[2].order, 2);
  EXPECT_EQ(log.memories[3].order, 4) << "free memories are renumbered too";
  EXPECT_EQ(log.storedCount, 2);
  EXPECT_EQ(app::Events().currentMemory, 1);
  EXPECT_TRUE(Heard().empty());
  EXPECT_FALSE(ReadEventsFile().has_value()) << "deleting does not save";

  // The next duration filed gets order 3.
  app::Events().currentMemory = 4;
  Keys("Enter");
  app::StoreLastDuration();
  EXPECT_EQ(log.memories[3].order, 3);
  EXPECT_EQ(log.memories[3].used, 1);

  // A damaged file's count of 0 with a used memory does not wrap to 255.
  log.storedCount = 0;
  app::Events().currentMemory = 1;
  app::DeleteMemory();
  EXPECT_EQ(log.storedCount, 0);
}

TEST_F(EventsFileTest, FilingAsksForACommentSavesAndConfirms) {
  app::Events().lastDuration = {0, 1, 5, 0, 3};
  app::Events().currentMemory = 3;
  Keys("\"volta r\xC3\xA1pida demais\" Enter");
  app::StoreLastDuration();
  const app::EventMemory& c = app::Events().log.memories[2];
  EXPECT_EQ(c, (app::EventMemory{1, 1, 0, 1, 5, 0, 3, "volta r\xE1pida dem"}));
  EXPECT_TRUE(app::Events().durationFiled);
  EXPECT_EQ(app::Events().currentMemory, 1) << "the save sets it back to 1";
  EXPECT_TRUE(apptest::InOrder(Heard(), {"w:comente:\\r\\n", "p:tbcoment", "w:guardado\\r\\n", "p:tbguarda"}));
  const std::vector<std::string> lines = Lines(*ReadEventsFile());
  EXPECT_EQ(lines[0], "0 1 0 0 0 0 0 0 0");
  EXPECT_EQ(lines[5], "1 1 0 1 5 0 3 ");
  EXPECT_EQ(lines[6], "volta r\xE1pida dem");

  // A second letter for the same duration: "nada", nothing filed.
  backend_->ClearLog();
  app::Events().currentMemory = 4;
  app::StoreLastDuration();
  EXPECT_EQ(Heard(), (std::vector<std::string>{"w:nada\\r\\n", "p:tbnada"}));
  EXPECT_EQ(app::Events().log.memories[3].used, 0);
  EXPECT_EQ(app::Events().log.storedCount, 1);
}

TEST_F(EventsFileTest, CommentLeftWithEscIsEmpty) {
  app::Events().currentMemory = 2;
  Keys("a b Esc");
  app::StoreLastDuration();
  EXPECT_EQ(app::Events().log.memories[1].used, 1);
  EXPECT_EQ(app::Events().log.memories[1].comment, "");
  EXPECT_EQ(Lines(*ReadEventsFile())[4], "");
}

TEST_F(EventsFileTest, SpeakCommentSaysNadaForFreeOrEmpty) {
  app::EventLog& log = app::Events().log;
  log.memories[0] = {1, 1, 0, 0, 0, 1, 0, ""};
  log.memories[1] = {2, 0, 0, 0, 0, 1, 0, "stale"};
  for (int memory : {1, 2}) {
    backend_->ClearLog();
    app::Events().currentMemory = memory;
    app::SpeakComment();
    EXPECT_EQ(Heard(), (std::vector<std::string>{"w:nada\\r\\n", "p:tbnada"}));
  }
}

TEST_F(EventsFileTest, EraseRemovesTheFileAndToleratesAMissingOne) {
  WriteEventsFile("0 0 0 0 0 0 0 0 0\r\n");
  app::EraseEventsFile();
  EXPECT_FALSE(ReadEventsFile().has_value());
  EXPECT_NO_THROW(app::EraseEventsFile());
}

}  // namespace
