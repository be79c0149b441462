// talira-say: speaks text the way the program speaks free text, with the same
// settings file and data: each line through the text reader, on the path the
// settings select (the diphone synthesizer), to the audio device or into a
// WAV file; or prints the letter-to-sound translation of each line.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "console/console.h"
#include "platform/headless/headless.h"
#include "platform/platform.h"
#include "platform/sdl/sdl_backend.h"
#include "platform/text_encoding.h"
#include "recorded/diphone_synth.h"
#include "recorded/wav_output.h"
#include "speech/settings_lookup.h"
#include "speech/speak_text.h"
#include "speech/speech_prompts.h"
#include "speech/speech_startup.h"
#include "speech/speech_state.h"
#include "tts/letter_to_sound.h"

namespace {

constexpr int kDataError = 1;
constexpr int kUsageError = 2;

constexpr const char* kUsage =
    "usage: talira-say [--speed N] [--phonetic] [--wav FILE] [--drive-c DIR] [TEXT | -f FILE]\n"
    "\n"
    "Speaks Brazilian Portuguese text as the TALIRA programs speak free text: each\n"
    "line through the text reader (numbers as recorded number words, words through\n"
    "the letter-to-sound rules into the diphone synthesizer, signs as pauses or\n"
    "recorded characters), with the settings file windows/TALIRA.INI and the data of\n"
    "drive C.\n"
    "\n"
    "  TEXT          the text to speak (UTF-8); several arguments are one line\n"
    "  -f FILE       speak the lines of FILE (UTF-8; \"-\" is the standard input);\n"
    "                without TEXT or -f the standard input is read\n"
    "  --speed N     speed 1 (slowest) to 5 (fastest); default: VELOCIDADE of\n"
    "                section TRADUTOR, else 3\n"
    "  --wav FILE    write the speech into one WAV file (11025 Hz, 8-bit, mono)\n"
    "                instead of playing it; takes only as long as the synthesis\n"
    "  --phonetic    print the letter-to-sound translation of each line instead\n"
    "                of speaking\n"
    "  --drive-c DIR the folder used as drive C (default: TALIRA_DRIVE_C, the\n"
    "                installed data, or data/drive_c of the source tree)\n"
    "  --help        this text\n"
    "\n"
    "Without --wav the sound goes to the audio device and a console window opens;\n"
    "a key pressed in it cuts the speech.\n"
    "Exit codes: 0 done, 1 settings or data missing, 2 bad arguments.\n";

struct SayOptions {
  int speed = 0;
  bool phonetic = false;
  std::string wavPath;
  std::string driveC;
  std::optional<std::string> text;
  std::optional<std::string> file;
};

int UsageError(const std::string& message) {
  std::fprintf(stderr, "talira-say: %s\n\n%s", message.c_str(), kUsage);
  return kUsageError;
}

int DataError(const std::string& message) {
  std::fprintf(stderr, "talira-say: %s\n", message.c_str());
  return kDataError;
}

// Returns 0 to go on, or the exit code.
int ParseArguments(int argc, char** argv, SayOptions& options) {
  std::vector<std::string> words;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= argc) return std::nullopt;
      return std::string(argv[++i]);
    };
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      std::exit(0);
    } else if (arg == "--phonetic") {
      options.phonetic = true;
    } else if (arg == "--speed" || arg == "--wav" || arg == "--drive-c" || arg == "-f") {
      const std::optional<std::string> v = value();
      if (!v) return UsageError("missing value after " + arg);
      if (arg == "--speed") {
        const std::optional<int> speed = speech::WholeNumber(*v);
        if (!speed || *speed < 1 || *speed > 5) return UsageError("the speed is a number from 1 to 5: " + *v);
        options.speed = *speed;
      } else if (arg == "--wav") {
        options.wavPath = *v;
      } else if (arg == "--drive-c") {
        options.driveC = *v;
      } else {
        options.file = *v;
      }
    } else if (arg == "--") {
      for (++i; i < argc; ++i) words.emplace_back(argv[i]);
    } else if (arg.size() > 1 && arg[0] == '-' && !(arg[1] >= '0' && arg[1] <= '9')) {
      return UsageError("unknown option " + arg);
    } else {
      words.push_back(arg);
    }
  }
  if (!words.empty()) {
    if (options.file) return UsageError("give either TEXT or -f FILE, not both");
    std::string text;
    for (const std::string& w : words) text += (text.empty() ? "" : " ") + w;
    options.text = text;
  }
  return 0;
}

bool ReadInput(const SayOptions& options, std::string& out, std::string& error) {
  if (options.text) {
    out = *options.text;
    return true;
  }
  const bool standardInput = !options.file || *options.file == "-";
  std::FILE* in = standardInput ? stdin : std::fopen(options.file->c_str(), "rb");
  if (in == nullptr) {
    error = "cannot read " + *options.file;
    return false;
  }
  out.clear();
  char chunk[4096];
  for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, in)) > 0;) out.append(chunk, got);
  const bool failed = std::ferror(in) != 0;
  if (!standardInput) std::fclose(in);
  if (failed) {
    error = "cannot read " + (standardInput ? std::string("the standard input") : *options.file);
    return false;
  }
  return true;
}

bool IsUtf8(std::string_view text) {
  std::size_t pos = 0;
  char32_t code = 0;
  while (pos < text.size()) {
    if (!platform::DecodeUtf8(text, pos, code)) return false;
  }
  return true;
}

// The lines of the input as cp1252 (UTF-8 converted; other bytes taken as cp1252).
std::vector<std::string> InputLines(const std::string& input) {
  const std::string text = IsUtf8(input) ? platform::Utf8ToCp1252(input) : input;
  std::vector<std::string> lines;
  std::istringstream stream(text);
  std::string line;
  while (std::getline(stream, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::string Utf8(std::string_view cp1252) { return platform::Cp1252ToUtf8(cp1252); }

void StartModules() {
  console::ConsoleStartUp();
  recorded::WavOutputStartUp();
  recorded::DiphoneSynthStartUp();
  speech::SpeechModuleStartUp();
}

void ShutDownModules() {
  speech::SpeechModuleShutDown();
  recorded::WavOutputShutDown();
  console::ConsoleShutDown();
}

// What SpeechInit needs, checked first so that a problem is told here with
// its cause instead of on the console window.
int CheckSettingsAndData(int speed) {
  if (speech::SettingsFile().empty()) {
    return DataError("no settings file: neither " + platform::NativePath("c:\\windows") +
                     "/TALIRA.INI nor TALIRA.INI in the working directory exists (use --drive-c DIR)");
  }
  const int resolved = speech::ResolveSpeed(speed);
  speech::ReadSpeedSettings(resolved);
  const int code = recorded::StartDiphoneSynth();
  const std::string problem = recorded::DiphoneStartError();
  recorded::StopDiphoneSynth();
  if (code != 0) {
    return DataError("the diphone voice of speed " + std::to_string(resolved) + " (database \"" +
                     Utf8(recorded::DiphoneDatabaseName()) + "\") cannot start, code " +
                     std::to_string(code) + ": " + Utf8(problem));
  }
  return 0;
}

int Run(const SayOptions& options, const std::vector<std::string>& lines) {
  if (const int code = CheckSettingsAndData(options.speed); code != 0) return code;
  speech::SpeechInit(options.speed, speech::LookupSetting("TEMBRIKA", "DIRTEMBRIKA"));
  if (options.phonetic) {
    for (const std::string& line : lines) {
      std::printf("%s\n", Utf8(tts::TranslateToPhonetic(line)).c_str());
    }
  } else {
    for (const std::string& line : lines) {
      speech::SpeakText(line);
      speech::WaitWhileSpeechBusy();
      if (console::KeyWaiting()) break;  // a key cut the speech: the rest is not said
    }
  }
  speech::SpeechShutdown();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  SayOptions options;
  if (const int code = ParseArguments(argc, argv, options); code != 0) return code;
  std::string input;
  std::string error;
  if (!ReadInput(options, input, error)) return DataError(error);
  const std::vector<std::string> lines = InputLines(input);

  if (!options.driveC.empty()) {
    std::error_code ignored;
    if (!std::filesystem::is_directory(options.driveC, ignored)) {
      return DataError("the drive C folder does not exist: " + options.driveC);
    }
    platform::SetDriveCRoot(std::filesystem::absolute(options.driveC, ignored).string());
  }

  platform::headless::HeadlessBackend* headless = nullptr;
  if (!options.wavPath.empty() || options.phonetic) {
    platform::headless::Options backend;
    backend.wavPath = options.wavPath;
    backend.virtualHoursLimit = 1000;
    backend.stepLimit = UINT64_MAX;
    headless = &platform::headless::Install(backend);
  } else {
    platform::sdl::Install();
  }

  int code = 0;
  try {
    StartModules();
    code = Run(options, lines);
  } catch (const platform::ProcessExit& exit) {
    code = exit.code;  // the window was closed
  }
  try {
    ShutDownModules();
  } catch (const platform::ProcessExit&) {
  }
  if (headless != nullptr && !options.wavPath.empty() && code == 0) {
    std::remove(options.wavPath.c_str());
    headless->WriteCollectedWav();
    std::error_code ignored;
    if (!std::filesystem::exists(options.wavPath, ignored)) {
      return DataError("cannot write " + options.wavPath);
    }
  }
  return code;
}
