// tembrika-sim: the stopwatch on the headless backend, driven by a key script
// and a virtual clock, with a log of what it writes and plays.
//
//   tembrika-sim [--keys SCRIPT | --keys-file FILE] [--clock YYYY-MM-DDTHH:MM:SS.cc]
//                [--log FILE] [--screen FILE] [--wav FILE] [--drive-c DIR] [--] [program arguments]
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/program_modules.h"
#include "console/console.h"
#include "platform/headless/headless.h"
#include "platform/platform.h"
#include "platform/text_encoding.h"

namespace {

constexpr int kUsageError = 2;

struct SimOptions {
  platform::headless::Options backend;
  std::string screenPath;
  std::string driveC;
  std::vector<std::string> programArguments;
};

void PrintUsage() {
  std::fputs(
      "usage: tembrika-sim [--keys SCRIPT | --keys-file FILE] [--clock YYYY-MM-DDTHH:MM:SS.cc]\n"
      "                    [--log FILE] [--screen FILE] [--wav FILE] [--drive-c DIR] [--] [program arguments]\n"
      "The clock starts at 2000-01-01T00:00:00.00 unless --clock sets it.\n",
      stderr);
}

bool Fail(const std::string& message) {
  std::fprintf(stderr, "tembrika-sim: %s\n", message.c_str());
  PrintUsage();
  return false;
}

bool ReadTextFile(const std::string& path, std::string& out) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  out.clear();
  char chunk[4096];
  std::size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) out.append(chunk, got);
  const bool ok = std::ferror(file) == 0;
  std::fclose(file);
  return ok;
}

// A program argument as the program sees it: cp1252 when the UTF-8 text fits,
// the bytes as given otherwise.
std::string ProgramText(const std::string& utf8) {
  return platform::Utf8FitsCp1252(utf8) ? platform::Utf8ToCp1252(utf8) : utf8;
}

bool ParseArguments(int argc, char** argv, SimOptions& options) {
  std::string script;
  int i = 1;
  for (; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--") {
      ++i;
      break;
    }
    if (arg.size() < 2 || arg.compare(0, 2, "--") != 0) break;
    if (arg == "--help") {
      PrintUsage();
      std::exit(0);
    }
    if (i + 1 >= argc) return Fail("missing value after " + arg);
    const std::string value = argv[++i];
    if (arg == "--keys") {
      script += " " + value;
    } else if (arg == "--keys-file") {
      std::string text;
      if (!ReadTextFile(value, text)) return Fail("cannot read key script " + value);
      script += " " + text;
    } else if (arg == "--clock") {
      if (!platform::headless::ParseClock(value, options.backend.clock)) return Fail("bad clock " + value);
    } else if (arg == "--log") {
      options.backend.logPath = value;
    } else if (arg == "--screen") {
      options.screenPath = value;
    } else if (arg == "--wav") {
      options.backend.wavPath = value;
    } else if (arg == "--drive-c") {
      options.driveC = value;
    } else {
      return Fail("unknown option " + arg);
    }
  }
  for (; i < argc; ++i) options.programArguments.push_back(ProgramText(argv[i]));
  // Key scripts may span lines (a file): line ends separate tokens like blanks.
  for (char& c : script) {
    if (c == '\n' || c == '\r' || c == '\t') c = ' ';
  }
  std::vector<platform::headless::ScriptItem> items;
  std::string error;
  if (!platform::headless::ParseKeyScript(script, items, error)) return Fail("key script: " + error);
  options.backend.keyScript = script;
  return true;
}

// The 25 rows of the screen, trailing blanks cut, UTF-8.
bool WriteScreen(const std::string& path) {
  std::string text;
  for (int row = 1; row <= console::kRows; ++row) {
    std::string cells;
    for (int column = 1; column <= console::kColumns; ++column) {
      cells += static_cast<char>(console::ScreenCharAt(column, row));
    }
    const std::size_t last = cells.find_last_not_of(' ');
    cells.erase(last == std::string::npos ? 0 : last + 1);
    text += platform::Cp1252ToUtf8(cells);
    text += '\n';
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.flush();
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  SimOptions options;
  if (!ParseArguments(argc, argv, options)) return kUsageError;
  // The log is appended to; each run starts a new one.
  if (!options.backend.logPath.empty()) std::remove(options.backend.logPath.c_str());
  if (!options.driveC.empty()) {
    std::error_code error;
    const std::filesystem::path root = std::filesystem::absolute(options.driveC, error);
    platform::SetDriveCRoot(error ? options.driveC : root.string());
  }
  platform::headless::HeadlessBackend& backend = platform::headless::Install(options.backend);
  const int code = app::RunProgram(options.programArguments);
  if (!options.screenPath.empty() && !WriteScreen(options.screenPath)) {
    std::fprintf(stderr, "tembrika-sim: cannot write %s\n", options.screenPath.c_str());
  }
  backend.WriteCollectedWav();
  backend.Log("exit\t" + std::to_string(code));
  return code;
}
