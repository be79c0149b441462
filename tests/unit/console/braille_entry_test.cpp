// Six-key braille entry: chords typed on the simulator's keyboard, the
// number and capital signs of mode 2, the resets, and the mode switches
// with their tones.
#include <string>
#include <vector>

#include "console_test_support.h"

namespace console_test {
namespace {

using platform::Message;

Message Msg(std::uint32_t id, std::uintptr_t a) {
  Message m;
  m.id = id;
  m.a = a;
  return m;
}

class BrailleEntryTest : public HeadlessConsoleTest {
 protected:
  void StartMode(int mode) {
    console::EnsureConsole();
    console::SetBrailleMode(mode);
    Backend().ClearLog();
  }
  std::vector<std::string> Tones() const {
    std::vector<std::string> tones;
    for (const std::string& line : backend_->LogLines()) {
      if (line.rfind("tone", 0) == 0) tones.push_back(line);
    }
    return tones;
  }
  static std::vector<int> Chars(const std::string& text) {
    std::vector<int> codes;
    for (const char c : text) codes.push_back(static_cast<std::uint8_t>(c));
    return codes;
  }
};

struct ChordCase {
  std::string keys;
  std::string typed;
};

TEST_F(BrailleEntryTest, ModeOneTypesTheCellsOfTheTable) {
  const ChordCase cases[] = {
      {"chord:fd", "b"},
      {"chord:df", "b"},
      {"chord:f chord:fs chord:fdsjkl", "ak\xe9"},
      {"chord:fj chord:fdj chord:djk", "cfj"},
      {"chord:fsjkl chord:s chord:jl chord:sjkl", "y'{#"},  // no signs in mode 1
      {"chord:sjk chord:fdjkl chord:dsjkl", "\xe3\xef\xfa"},
      {"Space", " "},
      {"q", " "},  // a letter that is not a chord key releases an empty chord
      {"1 , Enter", "1,\r"},
      {"Ctrl+c", "\x03"},
  };
  for (const ChordCase& c : cases) {
    StartMode(1);
    EXPECT_EQ(CodesOf(c.keys), Chars(c.typed)) << c.keys;
  }
}

TEST_F(BrailleEntryTest, TheWholeTableThroughChords) {
  StartMode(1);
  const char keys[6] = {'f', 'd', 's', 'j', 'k', 'l'};
  for (int dots = 1; dots < 64; ++dots) {
    std::string chord = "chord:";
    for (int bit = 0; bit < 6; ++bit) {
      if (dots & (1 << bit)) chord += keys[bit];
    }
    EXPECT_EQ(CodesOf(chord), (std::vector<int>{console::detail::BrailleCell(dots)})) << chord;
  }
  EXPECT_EQ(console::detail::BrailleCell(0), ' ');
  EXPECT_EQ(console::detail::BrailleCell(3), 'b');
  EXPECT_EQ(console::detail::BrailleCell(40), '{');
  EXPECT_EQ(console::detail::BrailleCell(60), '#');
  EXPECT_EQ(console::detail::BrailleCell(24), 172);
  EXPECT_EQ(console::detail::BrailleCell(50), 255);
}

TEST_F(BrailleEntryTest, SpaceWithACellTypesAControlCharacter) {
  StartMode(2);
  const auto press = [](std::uintptr_t vk) { console::ConsoleWindowProc(Msg(platform::kMsgKeyDown, vk)); };
  const auto release = [](std::uintptr_t vk) { console::ConsoleWindowProc(Msg(platform::kMsgKeyUp, vk)); };
  press(' ');
  press('F');
  release('F');
  EXPECT_EQ(console::QueuedKeyCount(), 0);  // Space is still held
  release(' ');
  press(' ');
  press('F');
  press('D');
  release(' ');
  release('D');
  release('F');
  ASSERT_EQ(console::QueuedKeyCount(), 2);
  EXPECT_EQ(console::GetKey(), 1);   // a & 31
  EXPECT_EQ(console::GetKey(), 2);   // b & 31
}

TEST_F(BrailleEntryTest, ModeTwoSigns) {
  const ChordCase cases[] = {
      {"chord:sjkl chord:f", "1"},
      {"chord:sjkl chord:f chord:fd chord:djk chord:s", "120."},
      {"chord:sjkl chord:k chord:f", "~a"},               // ~ ends number mode
      {"chord:sjkl chord:fs chord:f", "k1"},              // a letter beyond j keeps it
      {"chord:jl chord:f chord:f", "Aa"},                 // capital once
      {"chord:jl chord:jl chord:f chord:fd Space chord:f", "AB a"},  // twice: until a space
      {"chord:jl chord:jl chord:f chord:fk chord:f", "AEA"},
      {"chord:sjkl Enter chord:f", "\ra"},                // a non-letter key-up ends number mode
      {"chord:jl chord:jl Enter chord:f", "\ra"},         // and the capital state
      {"chord:jl Ctrl+a chord:f", "\x01" "a"},
      {"chord:sjkl chord:jl chord:f", "1"},               // number mode wins over capital
      {"chord:jl 1 chord:f", "1a"},
  };
  for (const ChordCase& c : cases) {
    StartMode(2);
    console::detail::Braille().numberMode = false;
    console::detail::Braille().capital = false;
    console::detail::Braille().capsLock = false;
    EXPECT_EQ(CodesOf(c.keys), Chars(c.typed)) << c.keys;
  }
}

TEST_F(BrailleEntryTest, LettersAndSpaceTypeNothingThroughTheCharacterPath) {
  StartMode(1);
  console::ConsoleWindowProc(Msg(platform::kMsgChar, 'a'));
  console::ConsoleWindowProc(Msg(platform::kMsgChar, 'Z'));
  console::ConsoleWindowProc(Msg(platform::kMsgChar, ' '));
  EXPECT_EQ(console::QueuedKeyCount(), 0);
  console::ConsoleWindowProc(Msg(platform::kMsgChar, '7'));
  console::ConsoleWindowProc(Msg(platform::kMsgChar, 0xE7));
  EXPECT_EQ(console::QueuedKeyCount(), 2);
}

TEST_F(BrailleEntryTest, AFullQueueDropsTheCellAndResetsTheChord) {
  StartMode(1);
  for (int i = 0; i < 64; ++i) console::ConsoleWindowProc(Msg(platform::kMsgChar, '5'));
  console::ConsoleWindowProc(Msg(platform::kMsgKeyDown, 'F'));
  console::ConsoleWindowProc(Msg(platform::kMsgKeyUp, 'F'));
  EXPECT_EQ(console::QueuedKeyCount(), 64);
  EXPECT_EQ(console::detail::Braille().dots, 0);
  EXPECT_EQ(console::detail::Braille().keysDown, 0);
}

TEST_F(BrailleEntryTest, ModeSwitchesSoundTheirTones) {
  console::EnsureConsole();
  Backend().ClearLog();
  console::SetBrailleMode(0);  // already off: silent
  EXPECT_TRUE(Tones().empty());
  console::SetBrailleMode(1);
  EXPECT_EQ(Tones(), (std::vector<std::string>{"tone\t800", "tone-stop", "tone\t1600", "tone-stop"}));
  Backend().ClearLog();
  const std::uint64_t before = Backend().VirtualMillis();
  console::SetBrailleMode(2);
  EXPECT_EQ(Tones(), (std::vector<std::string>{"tone\t800", "tone-stop", "tone\t400", "tone-stop"}));
  EXPECT_EQ(Backend().VirtualMillis() - before, 400u);
  Backend().ClearLog();
  console::SetBrailleMode(0);
  EXPECT_EQ(Tones(), (std::vector<std::string>{"tone\t100", "tone-stop"}));
  console::SetBrailleMode(3);
  EXPECT_EQ(console::BrailleMode(), 1);
}

TEST_F(BrailleEntryTest, SwitchingOffClearsTheChordStateButOnDoesNot) {
  StartMode(2);
  console::detail::Braille().numberMode = true;
  console::detail::Braille().dots = 5;
  console::SetBrailleMode(1);
  EXPECT_TRUE(console::detail::Braille().numberMode);
  EXPECT_EQ(console::detail::Braille().dots, 5);
  console::SetBrailleMode(0);
  EXPECT_FALSE(console::detail::Braille().numberMode);
  EXPECT_EQ(console::detail::Braille().dots, 0);
}

TEST_F(BrailleEntryTest, CtrlAltF11CyclesAndCtrlAltF12SwitchesOff) {
  console::EnsureConsole();
  const int expected[] = {1, 2, 1, 2};
  for (const int mode : expected) {
    EXPECT_TRUE(CodesOf("Ctrl+Alt+F11").empty());
    EXPECT_EQ(console::BrailleMode(), mode);
  }
  EXPECT_TRUE(CodesOf("Ctrl+Alt+F12").empty());
  EXPECT_EQ(console::BrailleMode(), 0);
  EXPECT_EQ(CodesOf("a"), (std::vector<int>{'a'}));
}

TEST_F(BrailleEntryTest, TheSettingsModeIsAppliedWhenTheWindowOpens) {
  drive_.WriteSettings("[BRAILLE]\nMODO=2\n");
  console::EnsureConsole();
  EXPECT_EQ(console::BrailleMode(), 2);
  EXPECT_EQ(Tones(), (std::vector<std::string>{"tone\t800", "tone-stop", "tone\t400", "tone-stop"}));

  console::ResetConsoleForTests();
  Install({});
  drive_.WriteSettings("[BRAILLE]\nMODO=3\n");
  console::EnsureConsole();
  EXPECT_EQ(console::BrailleMode(), 1);
}

}  // namespace
}  // namespace console_test
