// The shell's "open" on this machine: a document or address through
// xdg-open, a program by itself; started without a shell, detached.
#pragma once

#include <string>
#include <vector>

namespace platform::sdl {

// The command line ShellOpen starts (argv), native and UTF-8; empty when there
// is nothing to start. program and parameter are program texts (cp1252); a
// bare program name, and xdg-open, are looked up in searchPath (PATH's form).
std::vector<std::string> ShellOpenCommand(const std::string& program, const std::string& parameter,
                                          const std::string& searchPath);

// The process's PATH (a default one when it has none).
std::string ProgramSearchPath();

// Starts argv in the working folder (native; empty: the current one) as a
// process of its own, never through /bin/sh; does not wait for it.
bool StartDetached(const std::vector<std::string>& argv, const std::string& workingFolder);

}  // namespace platform::sdl
