#include "platform/sdl/keyboard_translation.h"

#include <cstddef>

#include "platform/text_encoding.h"

namespace platform::sdl {

namespace {

constexpr int kVkPause = 19;
constexpr int kVkCapsLock = 20;
constexpr int kVkPrintScreen = 44;
constexpr int kVkLeftWin = 91;
constexpr int kVkApps = 93;
constexpr int kVkNumLock = 144;
constexpr int kVkScrollLock = 145;
constexpr int kVkBackslash = 220;

bool IsSystemKey(int vk, Modifiers mods) { return vk == kVkF10 || (mods.alt && !mods.ctrl); }

// Keys whose key-down never types text of its own.
bool IsNonTextKey(int vk) {
  if (vk >= kVkF1 && vk <= kVkF1 + 23) return true;  // F1..F24
  switch (vk) {
    case kVkCancel: case kVkBack: case kVkTab: case kVkReturn:
    case kVkShift: case kVkControl: case kVkMenu:
    case kVkPause: case kVkCapsLock: case kVkEscape:
    case kVkPageUp: case kVkPageDown: case kVkEnd: case kVkHome:
    case kVkLeft: case kVkUp: case kVkRight: case kVkDown:
    case kVkPrintScreen: case kVkInsert: case kVkDelete:
    case kVkLeftWin: case kVkLeftWin + 1: case kVkApps:
    case 12:  // keypad 5 without Num Lock
    case kVkNumLock: case kVkScrollLock:
      return true;
    default:
      return false;
  }
}

void Push(std::vector<KeyedMessage>& out, std::uint32_t id, std::uintptr_t a, Modifiers mods) {
  KeyedMessage m;
  m.msg.id = id;
  m.msg.a = a;
  m.mods = mods;
  out.push_back(m);
}

// A character with no key of its own: key-down 0, the character, key-up 0.
void PushKeylessChar(std::vector<KeyedMessage>& out, std::uint8_t c) {
  Push(out, kMsgKeyDown, 0, {});
  Push(out, kMsgChar, c, {});
  Push(out, kMsgKeyUp, 0, {});
}

}  // namespace

int ControlCharacter(int vk, Modifiers mods) {
  if (mods.alt) return -1;  // Alt (with or without Ctrl) types nothing
  switch (vk) {
    case kVkReturn: return 13;  // also with Ctrl: the console makes it 10
    case kVkBack: return 8;     // also with Ctrl: the console makes it 127
    case kVkTab: return mods.ctrl ? -1 : 9;
    case kVkEscape: return mods.ctrl ? -1 : 27;
    default: break;
  }
  if (!mods.ctrl) return -1;
  if (vk >= kVkA && vk <= kVkA + 25) return vk & 31;
  switch (vk) {
    case kVkSpace: return 32;
    case kVkBackslash: return mods.shift ? -1 : 28;
    default: return -1;  // Ctrl with a digit or another punctuation key types nothing
  }
}

bool TypesText(int vk, Modifiers mods) {
  return !mods.alt && !mods.ctrl && !IsNonTextKey(vk);
}

void KeyboardTranslator::KeyDown(int vk, Modifiers mods, std::vector<KeyedMessage>& out) {
  claim_ = Claim::Discard;
  claimMods_ = mods;
  if (vk == 0) {
    // No key of ours: only its text, if it types any, reaches the program.
    claim_ = mods.alt || mods.ctrl ? Claim::Discard : Claim::None;
    return;
  }
  Push(out, IsSystemKey(vk, mods) ? kMsgSysKeyDown : kMsgKeyDown, static_cast<std::uintptr_t>(vk), mods);
  const int c = ControlCharacter(vk, mods);
  if (c >= 0) {
    Push(out, kMsgChar, static_cast<std::uintptr_t>(c), mods);
  } else if (TypesText(vk, mods)) {
    claim_ = Claim::Expect;
  }
}

void KeyboardTranslator::KeyUp(int vk, Modifiers mods, std::vector<KeyedMessage>& out) {
  claim_ = Claim::None;
  if (vk == 0) return;
  // Releasing Alt itself is still a system key, as its press was.
  const bool system = IsSystemKey(vk, mods) || (vk == kVkMenu && !mods.ctrl);
  Push(out, system ? kMsgSysKeyUp : kMsgKeyUp, static_cast<std::uintptr_t>(vk), mods);
}

void KeyboardTranslator::Text(std::string_view utf8, std::vector<KeyedMessage>& out) {
  const Claim claim = claim_;
  claim_ = Claim::None;
  if (claim == Claim::Discard) return;  // a Ctrl or Alt key's text, or a control key's
  bool first = true;
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    char32_t code = 0;
    const bool ok = DecodeUtf8(utf8, pos, code);
    const int mapped = ok ? UnicodeToCp1252(code) : -1;
    const std::uint8_t c = mapped >= 0 ? static_cast<std::uint8_t>(mapped) : static_cast<std::uint8_t>('?');
    if (c < 32 || c == 127) continue;  // control characters come from their keys
    if (first && claim == Claim::Expect) {
      Push(out, kMsgChar, c, claimMods_);
    } else {
      PushKeylessChar(out, c);
    }
    first = false;
  }
}

void KeyboardTranslator::OtherEvent() { claim_ = Claim::None; }

void KeyboardTranslator::Reset() {
  claim_ = Claim::None;
  claimMods_ = {};
}

}  // namespace platform::sdl
