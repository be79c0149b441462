// Module start-up and shut-down in dependency order, and the program's run.
#include "app/program_modules.h"

#include <cstdio>

#include "app/events_file.h"
#include "app/stopwatch.h"
#include "console/console.h"
#include "platform/platform.h"
#include "platform/text_encoding.h"
#include "recorded/diphone_synth.h"
#include "recorded/wav_output.h"
#include "speech/speech_state.h"

namespace app {

namespace {

struct ModulesState {
  bool started = false;
};
ModulesState g_modules;

}  // namespace

void StartModules() {
  if (g_modules.started) return;
  g_modules.started = true;
  console::ConsoleStartUp();
  recorded::WavOutputStartUp();
  recorded::DiphoneSynthStartUp();
  EventsStartUp();
  speech::SpeechModuleStartUp();
}

void ShutDownModules(bool runTimeError) {
  if (!g_modules.started) return;
  g_modules.started = false;
  speech::SpeechModuleShutDown();
  EventsShutDown();
  recorded::WavOutputShutDown();
  console::ConsoleShutDown(runTimeError);
}

void ResetModulesForTests() { g_modules = ModulesState{}; }

void ReportRunTimeError(const InputOutputError& error) {
  const std::string report = RunTimeErrorReport(error);
  std::fputs((platform::Cp1252ToUtf8(report) + "\n").c_str(), stderr);
  std::fflush(stderr);
  try {
    if (platform::ConsoleWindowExists()) console::WriteLine(report);
  } catch (const platform::ProcessExit&) {
    // The window was closed while the report was written: the run ends anyway.
  }
}

int RunProgram(const std::vector<std::string>& arguments) {
  int code = 0;
  bool runTimeError = false;
  try {
    StartModules();
    RunStopwatch(arguments);
  } catch (const platform::ProcessExit& exit) {
    code = exit.code;
  } catch (const InputOutputError& error) {
    ReportRunTimeError(error);
    code = error.code;
    runTimeError = true;
  }
  try {
    ShutDownModules(runTimeError);
  } catch (const platform::ProcessExit& exit) {
    // Only the simulator's limits end a shut-down step; keep the first code
    // unless the run had ended normally.
    if (code == 0) code = exit.code;
  }
  return code;
}

}  // namespace app
