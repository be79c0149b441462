// The simulator's log: one event a line, fields separated by tabs, UTF-8;
// kept in memory and appended to a file as it happens.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace platform::headless {

// A program text (cp1252) as the log shows it: UTF-8, with the backslash and
// control bytes escaped (\\ \r \n \t \xNN) so that one event stays one line.
std::string EscapeForLog(std::string_view cp1252);

// A program file as the log names it: relative to drive C with forward
// slashes when it lies inside drive C, else its native path.
std::string LogFileName(const std::string& programPath);

class SimLog {
 public:
  SimLog() = default;
  ~SimLog();
  SimLog(const SimLog&) = delete;
  SimLog& operator=(const SimLog&) = delete;

  // Appends to this file from now on; false when it cannot be opened.
  bool OpenFile(const std::string& nativePath);
  void Add(const std::string& line);
  const std::vector<std::string>& Lines() const { return lines_; }
  void Clear() { lines_.clear(); }

 private:
  std::vector<std::string> lines_;
  std::FILE* file_ = nullptr;
};

}  // namespace platform::headless
