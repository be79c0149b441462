// Test support for the end-to-end tests: runs tembrika-sim in a folder of
// its own with a key script and reads back its log, screen and files.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace simharness {


namespace fs = std::filesystem;

inline std::string Quote(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  return out + "'";
}

inline std::optional<std::string> ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

struct SimRun {
  int code = -1;                    // the process's exit code
  std::vector<std::string> log;     // the log's lines
  std::vector<std::string> screen;  // the 25 rows
  std::string errors;               // the standard error stream
};

class StopwatchE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() / ("tembrika-e2e-" + std::string(info->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ignored;
    if (!HasFailure()) fs::remove_all(dir_, ignored);
  }

  SimRun Run(const std::string& keys, const std::string& clock, const std::vector<std::string>& arguments = {}) {
    std::string command = "cd " + Quote(dir_.string()) + " && " + Quote(TEMBRIKA_SIM) + " --keys " + Quote(keys) +
                          " --clock " + clock + " --log log.txt --screen screen.txt --drive-c " +
                          Quote(TEMBRIKA_SOURCE_DRIVE_C) + " --";
    for (const std::string& argument : arguments) command += " " + Quote(argument);
    command += " 2>stderr.txt; echo $? > rc.txt";
    EXPECT_EQ(std::system(command.c_str()), 0);
    SimRun run;
    run.code = std::stoi(ReadFile(dir_ / "rc.txt").value_or("-1"));
    run.log = SplitLines(ReadFile(dir_ / "log.txt").value_or(""));
    run.screen = SplitLines(ReadFile(dir_ / "screen.txt").value_or(""));
    run.errors = ReadFile(dir_ / "stderr.txt").value_or("");
    EXPECT_EQ(run.screen.size(), 25u);
    EXPECT_FALSE(run.log.empty());
    if (!run.log.empty()) {
      EXPECT_EQ(run.log.back(), "exit\t" + std::to_string(run.code));
    }
    return run;
  }

  std::optional<std::string> EventsFile(const std::string& name = "eventos.tpo") const {
    return ReadFile(dir_ / name);
  }

  fs::path dir_;
};

// The log in short: "w:<text>" for what was written (one log line may hold
// several line ends), "p:<prompt>" for each recording played, "key:<token>",
// and "cut", "buffer", "missing:<file>" as logged.
inline std::vector<std::string> Short(const std::vector<std::string>& log) {
  std::vector<std::string> out;
  for (const std::string& line : log) {
    const std::size_t tab = line.find('\t');
    const std::string kind = line.substr(0, tab);
    const std::string rest = tab == std::string::npos ? "" : line.substr(tab + 1);
    if (kind == "write") {
      out.push_back("w:" + rest);
    } else if (kind == "play") {
      std::string file = rest.substr(0, rest.find('\t'));
      file = file.substr(file.rfind('/') + 1);
      out.push_back("p:" + file.substr(0, file.size() - 4));
    } else if (kind == "key") {
      out.push_back("key:" + rest);
    } else if (kind == "missing") {
      out.push_back("missing:" + rest);
    } else {
      out.push_back(kind);
    }
  }
  return out;
}

inline bool InOrder(const std::vector<std::string>& have, const std::vector<std::string>& want) {
  std::size_t at = 0;
  for (const std::string& entry : have) {
    if (at < want.size() && entry == want[at]) ++at;
  }
  if (at < want.size()) ADD_FAILURE() << "not found in order: " << want[at];
  return at == want.size();
}

inline int Count(const std::vector<std::string>& have, const std::string& entry) {
  return static_cast<int>(std::count(have.begin(), have.end(), entry));
}

inline std::vector<std::string> FileLines(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = text.find("\r\n", at);
    if (end == std::string::npos) {
      lines.push_back(text.substr(at) + "<no CR LF>");
      break;
    }
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}


}  // namespace simharness
