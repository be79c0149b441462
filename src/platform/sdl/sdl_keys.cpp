#include "platform/sdl/sdl_keys.h"

namespace platform::sdl {

namespace {

// The keypad's keys: digits with Num Lock, moving keys without it.
int KeypadKey(SDL_Scancode sc, bool numLock) {
  struct Pad {
    SDL_Scancode scancode;
    int digitKey;   // with Num Lock
    int movingKey;  // without
  };
  static constexpr Pad kPad[] = {
      {SDL_SCANCODE_KP_0, 96, kVkInsert},  {SDL_SCANCODE_KP_1, 97, kVkEnd},
      {SDL_SCANCODE_KP_2, 98, kVkDown},    {SDL_SCANCODE_KP_3, 99, kVkPageDown},
      {SDL_SCANCODE_KP_4, 100, kVkLeft},   {SDL_SCANCODE_KP_5, 101, 12},
      {SDL_SCANCODE_KP_6, 102, kVkRight},  {SDL_SCANCODE_KP_7, 103, kVkHome},
      {SDL_SCANCODE_KP_8, 104, kVkUp},     {SDL_SCANCODE_KP_9, 105, kVkPageUp},
      {SDL_SCANCODE_KP_PERIOD, 110, kVkDelete},
  };
  for (const Pad& p : kPad) {
    if (p.scancode == sc) return numLock ? p.digitKey : p.movingKey;
  }
  return -1;
}

}  // namespace

int VirtualKeyFromSdl(const SDL_Keysym& key) {
  const SDL_Scancode sc = key.scancode;
  const SDL_Keycode sym = key.sym;
  if (sym >= SDLK_a && sym <= SDLK_z) return kVkA + (sym - SDLK_a);
  // A letter position whose layout types no ASCII letter keeps its position.
  if (sc >= SDL_SCANCODE_A && sc <= SDL_SCANCODE_Z) return kVkA + (sc - SDL_SCANCODE_A);
  if (sc >= SDL_SCANCODE_1 && sc <= SDL_SCANCODE_9) return '1' + (sc - SDL_SCANCODE_1);
  if (sc == SDL_SCANCODE_0) return '0';
  if (sc >= SDL_SCANCODE_F1 && sc <= SDL_SCANCODE_F12) return kVkF1 + (sc - SDL_SCANCODE_F1);
  if (sc >= SDL_SCANCODE_F13 && sc <= SDL_SCANCODE_F24) return kVkF1 + 12 + (sc - SDL_SCANCODE_F13);
  const int pad = KeypadKey(sc, (key.mod & KMOD_NUM) != 0);
  if (pad >= 0) return pad;
  switch (sc) {
    case SDL_SCANCODE_RETURN: case SDL_SCANCODE_RETURN2: case SDL_SCANCODE_KP_ENTER: return kVkReturn;
    case SDL_SCANCODE_BACKSPACE: return kVkBack;
    case SDL_SCANCODE_TAB: return kVkTab;
    case SDL_SCANCODE_ESCAPE: return kVkEscape;
    case SDL_SCANCODE_SPACE: return kVkSpace;
    case SDL_SCANCODE_LSHIFT: case SDL_SCANCODE_RSHIFT: return kVkShift;
    case SDL_SCANCODE_LCTRL: case SDL_SCANCODE_RCTRL: return kVkControl;
    case SDL_SCANCODE_LALT: case SDL_SCANCODE_RALT: case SDL_SCANCODE_MODE: return kVkMenu;
    case SDL_SCANCODE_PAGEUP: return kVkPageUp;
    case SDL_SCANCODE_PAGEDOWN: return kVkPageDown;
    case SDL_SCANCODE_END: return kVkEnd;
    case SDL_SCANCODE_HOME: return kVkHome;
    case SDL_SCANCODE_LEFT: return kVkLeft;
    case SDL_SCANCODE_UP: return kVkUp;
    case SDL_SCANCODE_RIGHT: return kVkRight;
    case SDL_SCANCODE_DOWN: return kVkDown;
    case SDL_SCANCODE_INSERT: return kVkInsert;
    case SDL_SCANCODE_DELETE: return kVkDelete;
    // Ctrl+Pause is Break.
    case SDL_SCANCODE_PAUSE: return (key.mod & KMOD_CTRL) != 0 ? kVkCancel : 19;
    case SDL_SCANCODE_CANCEL: return kVkCancel;
    case SDL_SCANCODE_CAPSLOCK: return 20;
    case SDL_SCANCODE_PRINTSCREEN: return 44;
    case SDL_SCANCODE_LGUI: return 91;
    case SDL_SCANCODE_RGUI: return 92;
    case SDL_SCANCODE_APPLICATION: return 93;
    case SDL_SCANCODE_KP_MULTIPLY: return 106;
    case SDL_SCANCODE_KP_PLUS: return 107;
    case SDL_SCANCODE_KP_MINUS: return 109;
    case SDL_SCANCODE_KP_DIVIDE: return 111;
    case SDL_SCANCODE_NUMLOCKCLEAR: return 144;
    case SDL_SCANCODE_SCROLLLOCK: return 145;
    // Punctuation keys: 186..222.
    case SDL_SCANCODE_SEMICOLON: return 186;
    case SDL_SCANCODE_EQUALS: return 187;
    case SDL_SCANCODE_COMMA: return 188;
    case SDL_SCANCODE_MINUS: return 189;
    case SDL_SCANCODE_PERIOD: return 190;
    case SDL_SCANCODE_SLASH: return 191;
    case SDL_SCANCODE_GRAVE: return 192;
    case SDL_SCANCODE_INTERNATIONAL1: return 193;  // the Brazilian keyboard's "/?" key
    case SDL_SCANCODE_KP_COMMA: return 194;        // its keypad "."
    case SDL_SCANCODE_LEFTBRACKET: return 219;
    case SDL_SCANCODE_BACKSLASH: case SDL_SCANCODE_NONUSBACKSLASH: return 220;
    case SDL_SCANCODE_RIGHTBRACKET: return 221;
    case SDL_SCANCODE_APOSTROPHE: case SDL_SCANCODE_NONUSHASH: return 222;
    default: break;
  }
  return 0;
}

Modifiers ModifiersFromSdl(Uint16 mod) {
  Modifiers m;
  m.shift = (mod & KMOD_SHIFT) != 0;
  m.ctrl = (mod & KMOD_CTRL) != 0;
  m.alt = (mod & KMOD_ALT) != 0;
  return m;
}

}  // namespace platform::sdl
