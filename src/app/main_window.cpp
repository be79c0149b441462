// tembrika: the stopwatch in a real window (the SDL backend).
#include <string>
#include <vector>

#include "app/program_modules.h"
#include "platform/platform.h"
#include "platform/sdl/sdl_backend.h"
#include "platform/text_encoding.h"

int main(int argc, char** argv) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    arguments.push_back(platform::Utf8FitsCp1252(arg) ? platform::Utf8ToCp1252(arg) : arg);
  }
  platform::sdl::Install();
  return app::RunProgram(arguments);
}
