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

// No engine can be started: the caller keeps speaking with the diphone
// synthesizer and calls none of the other operations.
bool EngineStart(int /*voice*/, int /*rate*/, int /*pitch*/, const std::string& /*outputFile*/,
                 int /*kind*/) {
  return false;
}

void EngineFinish() {}

void EngineSpeak(std::string_view /*text*/) {}

}  // namespace speech
