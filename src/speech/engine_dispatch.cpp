#include "speech/engine_dispatch.h"

#include "console/console.h"

namespace speech {

// No engine has been started: nothing speaks, nothing to stop. The messages
// are still pumped, as every busy test does.
bool EngineBusy(bool /*starting*/) {
  console::PumpMessages();
  return false;
}

void EngineStop() {}

}  // namespace speech
