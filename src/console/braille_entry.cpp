// Six-key braille entry: F D S J K L are the six dots of a cell, pressed
// together as a chord; the cell's character is queued when every key is up.
#include "console/console_internal.h"

namespace console {
namespace detail {

namespace {

BrailleState g_braille;

constexpr std::uint8_t kCapitalSign = 123;
constexpr std::uint8_t kNumberSign = 35;
constexpr std::uint8_t kNoCharacter = 254;
constexpr std::uint8_t kSpaceBit = 64;

// Indexed by the dot mask: dots 1-3 give the column (0..7), dots 4-6 the row.
constexpr std::uint8_t kBrailleTable[64] = {
    32,  97,  44,  98,  39,  107, 59,  108,  // 0
    94,  99,  105, 102, 237, 109, 115, 112,  // 8
    126, 101, 58,  104, 42,  111, 33,  114,  // 16
    172, 100, 106, 103, 227, 110, 116, 113,  // 24
    253, 226, 63,  234, 45,  117, 34,  118,  // 32
    123, 238, 245, 224, 243, 120, 232, 231,  // 40
    36,  251, 255, 252, 125, 122, 61,  225,  // 48
    95,  244, 119, 239, 35,  121, 250, 233,  // 56
};

void ClearSigns() {
  g_braille.numberMode = false;
  g_braille.capital = false;
  g_braille.capsLock = false;
}

void Sound(std::uint16_t frequencyHz) {
  StartTone(frequencyHz);
  Pause(200);
  StopTone();
}

}  // namespace

BrailleState& Braille() { return g_braille; }

std::uint8_t BrailleCell(int dots) { return kBrailleTable[dots & 63]; }

std::uint8_t ChordBit(std::uint8_t virtualKey) {
  switch (virtualKey) {
    case 'F': return 1;
    case 'D': return 2;
    case 'S': return 4;
    case 'J': return 8;
    case 'K': return 16;
    case 'L': return 32;
    case ' ': return kSpaceBit;
    default: return 0;
  }
}

bool BrailleChordDown(std::uint8_t virtualKey) {
  const std::uint8_t bit = ChordBit(virtualKey);
  g_braille.dots |= bit;
  g_braille.keysDown |= bit;
  return bit != 0;
}

bool BrailleChordUp(std::uint8_t virtualKey) {
  BrailleState& b = g_braille;
  const bool letter = virtualKey >= 'A' && virtualKey <= 'Z';
  if (platform::IsKeyDown(platform::kVkControl) || (virtualKey != ' ' && !letter)) {
    ClearSigns();
    return false;
  }
  b.keysDown = static_cast<std::uint8_t>(b.keysDown & ~ChordBit(virtualKey));
  if (b.keysDown != 0) return true;  // the chord ends when its last key is up

  std::uint8_t c = kNoCharacter;
  if (b.dots >= kSpaceBit) {
    // Space alone types a blank; Space with a cell types a control character.
    ClearSigns();
    c = b.dots == kSpaceBit ? std::uint8_t{32} : static_cast<std::uint8_t>(BrailleCell(b.dots) & 31);
  } else {
    c = BrailleCell(b.dots);
    if (b.mode == 2) ApplyBrailleSigns(c);
  }
  if (c != kNoCharacter && FreeQueueSlots() >= 1) QueueCode(c);
  b.dots = 0;
  return true;
}

void ApplyBrailleSigns(std::uint8_t& c) {
  BrailleState& b = g_braille;
  if (b.numberMode) {
    if (c == 39) {
      c = 46;
    } else if (c >= 'a' && c <= 'i') {
      c = static_cast<std::uint8_t>('1' + (c - 'a'));
    } else if (c == 'j') {
      c = '0';
    } else if (c == 126) {
      b.numberMode = false;
    }
  }
  if ((b.capital || b.capsLock) && c >= 'a' && c <= 'z') c = static_cast<std::uint8_t>(c - 32);
  if (c == kNumberSign) {
    b.numberMode = true;
    c = kNoCharacter;
    return;
  }
  if (c == kCapitalSign) {
    if (b.capital) b.capsLock = true;
    b.capital = true;
    c = kNoCharacter;
    return;
  }
  b.capital = false;
}

}  // namespace detail

using namespace detail;

void SetBrailleMode(std::int32_t mode) {
  BrailleState& b = Braille();
  if (mode > 2) mode = 1;
  if (mode < 0) mode = 0;
  if (mode == 0) {
    b.dots = 0;
    b.keysDown = 0;
    ClearSigns();
    if (b.mode != 0) Sound(100);
  } else {
    Sound(800);
    Sound(mode == 1 ? 1600 : 400);
  }
  b.mode = mode;
}

std::int32_t BrailleMode() { return Braille().mode; }

}  // namespace console
