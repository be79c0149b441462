// The one fatal path of the stopwatch: a failed operation on a text file that
// the code does not handle where it happens. It is thrown as a typed error and
// caught by RunProgram, which reports it (screen and standard error), runs the
// module shut-down steps and ends the process with the error's number.
#pragma once

#include <string>

namespace app {

// Input/output error numbers of the run-time library.
inline constexpr int kIoFileNotFound = 2;
inline constexpr int kIoAccessDenied = 5;
inline constexpr int kIoDiskRead = 100;
inline constexpr int kIoBadNumber = 106;

struct InputOutputError {
  int code = 0;
  std::string fileName;  // cp1252, as the program named the file
};

// The report's text (cp1252), one line: the error number, what it means, the
// file, and that the file was kept as it was.
std::string RunTimeErrorReport(const InputOutputError& error);

}  // namespace app
