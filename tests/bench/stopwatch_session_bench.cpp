// Time the stopwatch spends in itself over a simulator session on the shipped
// data (the headless backend plays in virtual time, so the wall time measured
// is the program's own work): the start-up before the first sound, a start
// cut at the greeting, and a whole session with one event, one filed
// duration and F2.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "app/events_file.h"
#include "app/program_modules.h"
#include "app/stopwatch.h"
#include "console/console.h"
#include "platform/headless/headless.h"
#include "platform/platform.h"
#include "recorded/diphone_synth.h"
#include "recorded/wav_output.h"
#include "speech/settings_lookup.h"
#include "speech/speech_startup.h"
#include "speech/speech_state.h"

namespace {

namespace fs = std::filesystem;

const fs::path kFolder = fs::temp_directory_path() / "tembrika-bench";

std::string EventsPath() { return (kFolder / "eventos.tpo").string(); }

// Every module as at a fresh process start, and no events file.
platform::headless::HeadlessBackend& FreshProcess(const std::string& keys) {
  console::ResetConsoleForTests();
  recorded::ResetWavOutputForTests();
  recorded::ResetDiphoneSynthForTests();
  speech::ResetSpeechStateForTests();
  speech::ResetSpeechStartupForTests();
  app::ResetEventsForTests();
  app::ResetModulesForTests();
  fs::create_directories(kFolder);
  fs::remove(EventsPath());
  platform::headless::Options options;
  options.keyScript = keys;
  options.clock = platform::LocalTime{2024, 5, 20, 1, 14, 3, 9, 570};
  return platform::headless::Install(options);
}

// Module start-up, banner, settings and speech start: all that runs before
// the greeting is queued on the wave device.
void BM_StartUpBeforeFirstSound(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    FreshProcess("");
    state.ResumeTiming();
    app::StartModules();
    app::ShowBanner();
    speech::SpeechInit(0, speech::LookupSetting("TEMBRIKA", "DIRTEMBRIKA"));
    state.PauseTiming();
    speech::SpeechShutdown();
    app::ShutDownModules(false);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_StartUpBeforeFirstSound)->Unit(benchmark::kMillisecond)->UseRealTime();

// The whole program with Esc typed at its first wait: start-up, the greeting
// queued and cut, and the end.
void BM_StartCutAtGreeting(benchmark::State& state) {
  int code = -1;
  for (auto _ : state) {
    state.PauseTiming();
    FreshProcess("!Esc");
    state.ResumeTiming();
    code = app::RunProgram({EventsPath()});
  }
  state.counters["exit"] = code;
}
BENCHMARK(BM_StartCutAtGreeting)->Unit(benchmark::kMillisecond)->UseRealTime();

// Start-up to the greeting, one event, one filed duration with a comment, F2.
void BM_WholeSession(benchmark::State& state) {
  int code = -1;
  std::uint64_t virtualMillis = 0;
  for (auto _ : state) {
    state.PauseTiming();
    platform::headless::HeadlessBackend& backend = FreshProcess("F7 +65s F7 B \"volta\" Enter F2");
    state.ResumeTiming();
    code = app::RunProgram({EventsPath()});
    virtualMillis = backend.VirtualMillis();
  }
  state.counters["exit"] = code;
  state.counters["virtual_s"] = static_cast<double>(virtualMillis) / 1000.0;
}
BENCHMARK(BM_WholeSession)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
