// Key presses and typed text in, the program's key messages out.
#include "platform/sdl/keyboard_translation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace platform::sdl {
namespace {

constexpr Modifiers kNone{};
constexpr Modifiers kShift{true, false, false};
constexpr Modifiers kCtrl{false, true, false};
constexpr Modifiers kAlt{false, false, true};
constexpr Modifiers kCtrlAlt{false, true, true};

// "down:65 char:97" for the messages produced.
std::string Describe(const std::vector<KeyedMessage>& messages) {
  std::string out;
  for (const KeyedMessage& m : messages) {
    if (!out.empty()) out += ' ';
    switch (m.msg.id) {
      case kMsgKeyDown: out += "down:"; break;
      case kMsgKeyUp: out += "up:"; break;
      case kMsgSysKeyDown: out += "sysdown:"; break;
      case kMsgSysKeyUp: out += "sysup:"; break;
      case kMsgChar: out += "char:"; break;
      default: out += "other:"; break;
    }
    out += std::to_string(m.msg.a);
  }
  return out;
}

struct PressCase {
  const char* what;
  int vk;
  Modifiers mods;
  const char* text;  // what the keyboard types after the key-down (nullptr: nothing)
  const char* expected;
};

TEST(KeyboardTranslation, KeyDownAndItsCharacter) {
  const PressCase cases[] = {
      {"letter", kVkA, kNone, "a", "down:65 char:97"},
      {"shifted letter", kVkA, kShift, "A", "down:65 char:65"},
      {"digit", '1', kNone, "1", "down:49 char:49"},
      {"space", kVkSpace, kNone, " ", "down:32 char:32"},
      {"accented letter key", 186, kNone, "\xC3\xA7", "down:186 char:231"},
      {"euro sign", 187, kNone, "\xE2\x82\xAC", "down:187 char:128"},
      {"no cp1252 form", 187, kNone, "\xC5\x82", "down:187 char:63"},
      {"Enter", kVkReturn, kNone, nullptr, "down:13 char:13"},
      {"Ctrl+Enter stays 13", kVkReturn, kCtrl, nullptr, "down:13 char:13"},
      {"Ctrl+Backspace stays 8", kVkBack, kCtrl, nullptr, "down:8 char:8"},
      {"Tab", kVkTab, kNone, "\t", "down:9 char:9"},
      {"Esc", kVkEscape, kNone, "\x1b", "down:27 char:27"},
      {"Ctrl+C", 'C', kCtrl, nullptr, "down:67 char:3"},
      {"Ctrl+Shift+C", 'C', Modifiers{true, true, false}, nullptr, "down:67 char:3"},
      {"Ctrl+backslash", 220, kCtrl, nullptr, "down:220 char:28"},
      {"Ctrl+bracket types nothing", 219, kCtrl, nullptr, "down:219"},
      {"Ctrl+Tab types nothing", kVkTab, kCtrl, nullptr, "down:9"},
      {"Ctrl+Esc types nothing", kVkEscape, kCtrl, nullptr, "down:27"},
      {"Ctrl+Space", kVkSpace, kCtrl, nullptr, "down:32 char:32"},
      {"Ctrl+digit types nothing", '1', kCtrl, "1", "down:49"},
      {"Alt+letter is a system key", kVkA, kAlt, "a", "sysdown:65"},
      {"Alt+Enter types nothing", kVkReturn, kAlt, nullptr, "sysdown:13"},
      {"Ctrl+Alt+letter is a plain key", kVkA, kCtrlAlt, "a", "down:65"},
      {"Alt+F4", kVkF4, kAlt, nullptr, "sysdown:115"},
      {"F10 is always a system key", kVkF10, kNone, nullptr, "sysdown:121"},
      {"F1", kVkF1, kNone, nullptr, "down:112"},
      {"Ctrl+F1", kVkF1, kCtrl, nullptr, "down:112"},
      {"Insert", kVkInsert, kShift, nullptr, "down:45"},
      {"arrow", kVkLeft, kNone, nullptr, "down:37"},
      {"Shift alone", kVkShift, kShift, nullptr, "down:16"},
      {"Alt alone", kVkMenu, kAlt, nullptr, "sysdown:18"},
      {"dead key", 219, kNone, nullptr, "down:219"},
      {"key we have no code for", 0, kNone, "\xC3\xA9", "down:0 char:233 up:0"},
      {"two characters from one key", kVkA, kNone, "ab", "down:65 char:97 down:0 char:98 up:0"},
  };
  for (const PressCase& c : cases) {
    KeyboardTranslator t;
    std::vector<KeyedMessage> out;
    t.KeyDown(c.vk, c.mods, out);
    if (c.text != nullptr) t.Text(c.text, out);
    EXPECT_EQ(Describe(out), c.expected) << c.what;
  }
}

TEST(KeyboardTranslation, MessagesCarryTheModifiersOfTheirKey) {
  KeyboardTranslator t;
  std::vector<KeyedMessage> out;
  t.KeyDown(kVkA, kShift, out);
  t.Text("A", out);
  t.KeyDown(kVkF1, kCtrl, out);
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[0].mods, kShift);
  EXPECT_EQ(out[1].mods, kShift);
  EXPECT_EQ(out[2].mods, kCtrl);
}

TEST(KeyboardTranslation, TextBelongsToAKeyOnlyRightAfterItsKeyDown) {
  KeyboardTranslator t;
  std::vector<KeyedMessage> out;
  t.KeyDown(kVkA, kNone, out);
  t.OtherEvent();  // a focus change, a mouse move, ...
  t.Text("a", out);
  EXPECT_EQ(Describe(out), "down:65 down:0 char:97 up:0");

  // Text typed with no key at all (an input method, a script).
  out.clear();
  t.Text("\xC3\x89", out);
  EXPECT_EQ(Describe(out), "down:0 char:201 up:0");

  // A dead key types nothing; the next key types the composed letter.
  out.clear();
  t.KeyDown(219, kNone, out);
  t.KeyDown('E', kNone, out);
  t.Text("\xC3\xA9", out);
  EXPECT_EQ(Describe(out), "down:219 down:69 char:233");

  // A Ctrl key's text is dropped once, and the next key's text counts again.
  out.clear();
  t.KeyDown('1', kCtrl, out);
  t.Text("1", out);
  t.KeyDown('2', kNone, out);
  t.Text("2", out);
  EXPECT_EQ(Describe(out), "down:49 down:50 char:50");
}

TEST(KeyboardTranslation, KeyUps) {
  struct UpCase {
    int vk;
    Modifiers mods;
    const char* expected;
  } const cases[] = {
      {kVkA, kNone, "up:65"},
      {kVkA, kAlt, "sysup:65"},
      {kVkA, kCtrlAlt, "up:65"},
      {kVkF10, kNone, "sysup:121"},
      {kVkMenu, kNone, "sysup:18"},  // Alt itself: its own state is already released
      {kVkMenu, kCtrl, "up:18"},
      {0, kNone, ""},
  };
  for (const UpCase& c : cases) {
    KeyboardTranslator t;
    std::vector<KeyedMessage> out;
    t.KeyUp(c.vk, c.mods, out);
    EXPECT_EQ(Describe(out), c.expected) << c.vk;
  }
}

}  // namespace
}  // namespace platform::sdl
