// The engine dispatcher's busy test and stop, as the rest of the speech front
// end calls them. They forward to the engine selected at start; while no
// engine has been started there is nothing to forward to: the busy test says
// silent and stopping does nothing.
#pragma once

namespace speech {

// True while the selected engine is speaking. Pumps pending messages first.
bool EngineBusy(bool starting);

// Drops queued and current engine speech at once.
void EngineStop();

}  // namespace speech
