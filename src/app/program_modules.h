// The program's modules in dependency order, and the run of the whole program
// around the stopwatch: start-up steps, main sequence, shut-down steps in
// reverse, the run-time error report and the exit code.
#pragma once

#include <string>
#include <vector>

#include "app/run_time_error.h"

namespace app {

// Console, wave output, diphone synthesizer, stopwatch state, and the speech
// front end last. Each step runs once however often called.
void StartModules();
// The same steps in reverse order. runTimeError: the program ends on a
// run-time error (the console then leaves the window's title alone).
void ShutDownModules(bool runTimeError);

// Writes the report on the screen and on the standard error stream.
void ReportRunTimeError(const InputOutputError& error);

// Runs the program with its arguments (cp1252) on the installed backend and
// returns its exit code: 0 after EndProgram or a closed window, the error's
// number after a run-time error, 255 after a quit message or Ctrl+Break.
int RunProgram(const std::vector<std::string>& arguments);

// Forgets which modules were started (tests).
void ResetModulesForTests();

}  // namespace app
