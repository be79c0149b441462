// SDL key events in the program's terms: our virtual keys and modifiers.
#pragma once

#include <SDL.h>

#include "platform/sdl/keyboard_translation.h"

namespace platform::sdl {

// The virtual key of a physical key, or 0 when we have none for it. Letters
// follow the keyboard layout (the key that types 'a' is A); digits, keypad
// and punctuation keys their position.
int VirtualKeyFromSdl(const SDL_Keysym& key);

Modifiers ModifiersFromSdl(Uint16 mod);

}  // namespace platform::sdl
