// The engine dispatcher's busy test and stop, as the rest of the speech front
// end calls them. They forward to the engine selected at start; while no
// engine has been started there is nothing to forward to: the busy test says
// silent and stopping does nothing.
#pragma once

#include <string>
#include <string_view>

namespace speech {

// Starts the engine of the given kind with voice, rate and pitch (speaking to
// outputFile when it is not empty); true once it is ready and idle. No engine
// can be started yet, so this returns false and free text stays with the
// diphone synthesizer.
bool EngineStart(int voice, int rate, int pitch, const std::string& outputFile, int kind);

// Releases the engine started by EngineStart.
void EngineFinish();

// Hands text to the engine; returns before it has been spoken.
void EngineSpeak(std::string_view text);

// True while the selected engine is speaking. Pumps pending messages first.
bool EngineBusy(bool starting);

// Drops queued and current engine speech at once.
void EngineStop();

}  // namespace speech
