// Key translation into text-mode key codes, the 64-code key queue, the
// message pumps, waiting for a key, and pauses.
#include <algorithm>

#include "console/console_internal.h"

namespace console {
namespace detail {

namespace {

KeyboardState g_keyboard;

struct SpecialKey {
  std::uint16_t virtualKey;
  std::uint8_t plain;
  std::uint8_t ctrl;  // 255 also means: 254 with Shift
};

// Searched in this order; each gives 0 and then its code.
constexpr SpecialKey kSpecialKeys[] = {
    {112, 59, 94},  {113, 60, 95},  {114, 61, 96},  {115, 62, 97},  {116, 63, 98},
    {117, 64, 99},  {118, 65, 100}, {119, 66, 101}, {120, 67, 102}, {121, 68, 103},
    {122, 69, 104}, {123, 70, 105}, {45, 82, 255},  {46, 83, 83},   {36, 71, 119},
    {35, 79, 117},  {33, 73, 132},  {34, 81, 118},  {38, 72, 113},  {40, 80, 114},
    {37, 75, 115},  {39, 77, 116},
};

// The PC keyboard's scan codes of the letters A..Z, given with Alt.
constexpr std::uint8_t kAltLetters[26] = {
    30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,
    49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44,
};

std::uint8_t AltCode(std::uint8_t vk) {
  if (vk >= 'A' && vk <= 'Z') return kAltLetters[vk - 'A'];
  return vk == '0' ? std::uint8_t{129} : static_cast<std::uint8_t>(120 + (vk - '1'));
}

void QueuePair(std::uint8_t code) {
  QueueCode(0);
  QueueCode(code);
}

std::uint8_t TakeKey() {
  KeyboardState& k = g_keyboard;
  const std::uint8_t code = k.queue[0];
  std::copy(k.queue.begin() + 1, k.queue.begin() + k.count, k.queue.begin());
  --k.count;
  return code;
}

void Pump(platform::PeekFilter filter) {
  platform::Message msg;
  while (platform::PeekMessage(msg, filter)) {
    if (msg.id == platform::kMsgQuit) AbortProgram();
    ConsoleWindowProc(msg);
  }
}

}  // namespace

KeyboardState& Keyboard() { return g_keyboard; }

bool QueueCode(std::uint8_t code) {
  KeyboardState& k = g_keyboard;
  if (k.count >= kKeyQueueSize) return false;
  k.queue[static_cast<std::size_t>(k.count++)] = code;
  return true;
}

int FreeQueueSlots() { return kKeyQueueSize - g_keyboard.count; }

void DrainQueue() {
  while (KeyWaiting()) GetKey();
}

void QueueTypedChar(std::uint8_t c) {
  const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
  if (Braille().mode != 0 && (c == ' ' || letter)) return;  // chord keys type through chords
  if (FreeQueueSlots() < 1) return;
  if (c == 8 && platform::IsKeyDown(platform::kVkControl)) c = 127;
  if (c == 13 && platform::IsKeyDown(platform::kVkControl)) c = 10;
  QueueCode(c);
}

void TranslateKeyDown(std::uint8_t vk) {
  if (Window().breakEnabled && vk == platform::kVkCancel) AbortProgram();
  const bool alt = platform::IsKeyDown(platform::kVkMenu);
  const bool ctrl = platform::IsKeyDown(platform::kVkControl);
  if (alt) {
    if (ctrl && vk == 123) {
      SetBrailleMode(0);
      return;
    }
    if (ctrl && vk == 122) {
      SetBrailleMode(Braille().mode + 1);
      return;
    }
    if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')) {
      if (FreeQueueSlots() >= 2) QueuePair(AltCode(vk));
      return;
    }
  }
  if (!ctrl && Braille().mode != 0 && BrailleChordDown(vk)) return;
  if (FreeQueueSlots() < 2) return;  // a two-code key is dropped whole
  for (const SpecialKey& key : kSpecialKeys) {
    if (key.virtualKey != vk) continue;
    if (ctrl) {
      QueuePair(key.ctrl);
    } else if (key.ctrl == 255 && platform::IsKeyDown(platform::kVkShift)) {
      QueuePair(254);
    } else {
      QueuePair(key.plain);
    }
    return;
  }
}

}  // namespace detail

using namespace detail;

bool KeyWaiting() {
  EnsureConsole();
  PumpMessages();
  return Keyboard().count > 0;
}

std::uint8_t GetKey() {
  WindowState& w = Window();
  if (!KeyWaiting()) {
    w.reading = true;
    if (w.focused) ShowCaretAtCursor();
    do {
      platform::WaitMessage(platform::WaitReason::Key);
    } while (!KeyWaiting());
    if (w.focused) HideCaret();
    w.reading = false;
  }
  return TakeKey();
}

void PumpMessages() { Pump(platform::PeekFilter::AnyMessage); }

void PumpWindowMessages() { Pump(platform::PeekFilter::ConsoleWindowOnly); }

void Pause(std::uint16_t milliseconds) {
  platform::Sleep(milliseconds);
  PumpMessages();
  PumpWindowMessages();
}

int QueuedKeyCount() { return Keyboard().count; }

}  // namespace console
