// Test support for the stopwatch: the headless backend, an empty drive C (so
// every prompt and piece shows in the log as "missing" with its name, in
// order, and takes no time), the modules the stopwatch uses, and the events
// file in a folder of its own.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/events_file.h"
#include "app/program_modules.h"
#include "app/stopwatch.h"
#include "console/console.h"
#include "platform/headless/headless.h"
#include "platform/platform.h"
#include "platform/text_encoding.h"
#include "recorded/diphone_synth.h"
#include "recorded/wav_output.h"
#include "speech/speech_state.h"

namespace apptest {

// Runs a piece of the program until it returns or ends the process; the exit
// code, or nullopt when it returned.
inline std::optional<int> RunToExit(const std::function<void()>& body) {
  try {
    body();
  } catch (const platform::ProcessExit& exit) {
    return exit.code;
  }
  return std::nullopt;
}

class StopwatchFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    root_ = std::filesystem::temp_directory_path() /
            ("tembrika-app-" + std::string(info->test_suite_name()) + "-" + info->name());
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_ / "drive_c");
    std::filesystem::create_directories(root_ / "work");

    platform::headless::Options options;
    options.clock = platform::LocalTime{2024, 5, 20, 1, 14, 3, 9, 570};
    backend_ = &platform::headless::Install(options);
    platform::SetDriveCRoot((root_ / "drive_c").string());
    platform::SetWriteQuotaForTests(std::nullopt);

    console::ResetConsoleForTests();
    recorded::ResetWavOutputForTests();
    recorded::ResetDiphoneSynthForTests();
    speech::ResetSpeechStateForTests();
    app::ResetEventsForTests();
    console::ConsoleStartUp();
    recorded::WavOutputStartUp();
    recorded::DiphoneSynthStartUp();
    app::EventsStartUp();
    speech::SpeechModuleStartUp();
    speech::State().promptFolder = "c:\\quiral\\som\\tembrika\\";
    app::Events().fileName = EventsPath();
    console::EnsureConsole();
    backend_->ClearLog();
  }

  void TearDown() override {
    platform::SetWriteQuotaForTests(std::nullopt);
    speech::SpeechModuleShutDown();
    app::EventsShutDown();
    recorded::WavOutputShutDown();
    console::ConsoleShutDown();
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }

  // After the program ended (its window is gone): a fresh console, as at start.
  void RestartConsole() {
    console::ResetConsoleForTests();
    console::ConsoleStartUp();
    console::EnsureConsole();
    backend_->ClearLog();
  }

  std::string EventsPath() const { return (root_ / "work" / "eventos.tpo").string(); }

  void WriteEventsFile(const std::string& bytes) const {
    std::ofstream out(EventsPath(), std::ios::binary | std::ios::trunc);
    out << bytes;
  }

  std::optional<std::string> ReadEventsFile() const {
    std::ifstream in(EventsPath(), std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  void Keys(const std::string& script) { backend_->AppendKeys(script); }

  // The log in short: "w:<text written>" (UTF-8), "p:<prompt or piece>" for a
  // sound asked for (played or missing), "beep"/"buffer" for in-memory sounds.
  std::vector<std::string> Heard() const {
    std::vector<std::string> out;
    for (const std::string& line : backend_->LogLines()) {
      const std::size_t tab = line.find('\t');
      const std::string kind = line.substr(0, tab);
      const std::string rest = tab == std::string::npos ? std::string() : line.substr(tab + 1);
      if (kind == "write") {
        out.push_back("w:" + rest);
      } else if (kind == "play" || kind == "missing") {
        std::string file = rest.substr(0, rest.find('\t'));
        file = file.substr(file.rfind('/') + 1);
        if (file.size() > 4 && file.compare(file.size() - 4, 4, ".wav") == 0) file.resize(file.size() - 4);
        out.push_back("p:" + file);
      } else if (kind == "buffer") {
        out.push_back("buffer");
      }
    }
    return out;
  }

  // Only the texts written, joined (line ends kept as written).
  std::string Written() const {
    std::string out;
    for (const std::string& entry : Heard()) {
      if (entry.rfind("w:", 0) == 0) out += entry.substr(2);
    }
    return out;
  }

  // Only the sounds asked for, in order.
  std::vector<std::string> Sounds() const {
    std::vector<std::string> out;
    for (const std::string& entry : Heard()) {
      if (entry.rfind("p:", 0) == 0) out.push_back(entry.substr(2));
    }
    return out;
  }

  std::string ScreenRow(int row) const {
    std::string cells;
    for (int column = 1; column <= console::kColumns; ++column) {
      cells += static_cast<char>(console::ScreenCharAt(column, row));
    }
    cells.erase(cells.find_last_not_of(' ') + 1);
    return platform::Cp1252ToUtf8(cells);
  }

  std::filesystem::path root_;
  platform::headless::HeadlessBackend* backend_ = nullptr;
};

// True when want appears in have in this order (other entries may come between).
inline bool InOrder(const std::vector<std::string>& have, const std::vector<std::string>& want) {
  std::size_t at = 0;
  for (const std::string& entry : have) {
    if (at < want.size() && entry == want[at]) ++at;
  }
  return at == want.size();
}

}  // namespace apptest
