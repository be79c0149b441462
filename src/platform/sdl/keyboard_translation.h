// Turns physical key presses and typed text into the program's key messages:
// a key-down (or system key-down), the character it types right after it, and
// the key-up. Knows nothing of SDL: the SDL side reports virtual keys,
// modifiers and UTF-8 text, in the order the keyboard produced them.
#pragma once

#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace platform::sdl {

struct Modifiers {
  bool shift = false;
  bool ctrl = false;
  bool alt = false;
  bool operator==(const Modifiers&) const = default;
};

// A message for the program's queue with the modifier state of its key.
struct KeyedMessage {
  Message msg;
  Modifiers mods;
};

// The character a key-down types by itself (Enter, Backspace, Tab, Esc,
// Ctrl+letter, ...), or -1 when it types none or its character comes as text.
int ControlCharacter(int virtualKey, Modifiers mods);

// True when the key's character arrives as typed text after its key-down
// (letters, digits, punctuation, Space, keypad digits, keys we have no code for).
bool TypesText(int virtualKey, Modifiers mods);

class KeyboardTranslator {
 public:
  // virtualKey 0: a key with no virtual key of our own (its text, if any, still counts).
  void KeyDown(int virtualKey, Modifiers mods, std::vector<KeyedMessage>& out);
  void KeyUp(int virtualKey, Modifiers mods, std::vector<KeyedMessage>& out);
  // Text typed (UTF-8). The first character right after a printable key-down is
  // that key's character; any other character is typed without a key of its
  // own (virtual key 0).
  void Text(std::string_view utf8, std::vector<KeyedMessage>& out);
  // Any other event: a key-down's claim on the text that follows it ends.
  void OtherEvent();
  void Reset();

 private:
  enum class Claim { None, Expect, Discard };
  Claim claim_ = Claim::None;
  Modifiers claimMods_;
};

}  // namespace platform::sdl
