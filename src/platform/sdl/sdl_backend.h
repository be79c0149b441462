// The real window's backend: an SDL2 window drawn with SDL2_ttf (the face
// found through fontconfig), SDL2 audio for the wave device and the tones,
// the SDL clipboard, and fork/exec for the shell's "open".
//
// Sound never stops the program: when no audio device can be opened, the
// wave device still opens and reports each block done after its playing time
// (a timer thread stands in for the device), and the tones are silent.
#pragma once

namespace platform::sdl {

// Creates the backend and installs it (platform::InstallBackend). SDL's event
// subsystem starts here; video starts with the first window or screen query,
// audio with the first sound.
void Install();

}  // namespace platform::sdl
