// The console module's start-up and shut-down steps, and its reset for tests.
#include "console/console_internal.h"
#include "platform/backend.h"

namespace console {
namespace detail {
namespace {

struct ModuleState {
  int startCount = 0;
};
ModuleState g_module;

}  // namespace
}  // namespace detail

using namespace detail;

void ConsoleStartUp() {
  if (g_module.startCount++ > 0) return;
  // No window yet: the first console operation creates it.
  WindowState& w = Window();
  w = WindowState{};
  w.title = ConsoleTitle(platform::ExecutablePath());
  Settings() = SettingsState{};
  Braille() = BrailleState{};
  // The standard text channels start empty.
  TextDevice() = TextDeviceState{};
}

void ConsoleShutDown(bool runTimeError) {
  if (g_module.startCount == 0 || --g_module.startCount > 0) return;
  ConsoleExitHandler(runTimeError);
  StopTone();
}

void ResetConsoleForTests() {
  if (!Tone().buffer.empty() && platform::HasBackend()) platform::StopLoopingSound();
  g_module = ModuleState{};
  Window() = WindowState{};
  Screen() = ScreenState{};
  Keyboard() = KeyboardState{};
  Tone() = ToneState{};
  TextDevice() = TextDeviceState{};
  Settings() = SettingsState{};
  Braille() = BrailleState{};
}

}  // namespace console
