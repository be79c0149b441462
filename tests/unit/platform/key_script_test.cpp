// The key script: each token gives the messages a keyboard would give.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/headless/headless.h"

namespace platform::headless {
namespace {

// Messages written compactly: "D65" key-down 65, "C97" character 97, "U65"
// key-up, "SD"/"SU" system key-down/up.
std::string Describe(const std::vector<Message>& messages) {
  std::string out;
  for (const Message& msg : messages) {
    if (!out.empty()) out += ' ';
    switch (msg.id) {
      case kMsgKeyDown: out += "D"; break;
      case kMsgKeyUp: out += "U"; break;
      case kMsgSysKeyDown: out += "SD"; break;
      case kMsgSysKeyUp: out += "SU"; break;
      case kMsgChar: out += "C"; break;
      default: out += "?" + std::to_string(msg.id) + ":"; break;
    }
    out += std::to_string(msg.a);
  }
  return out;
}

struct TokenCase {
  const char* token;
  const char* messages;
  bool shift, ctrl, alt;
};

TEST(KeyScriptTest, TokensGiveTheMessagesOfTheKeyboard) {
  const TokenCase cases[] = {
      {"a", "D65 C97 U65", false, false, false},
      {"B", "D66 C66 U66", true, false, false},
      {"Shift+a", "D65 C65 U65", true, false, false},
      {"0", "D48 C48 U48", false, false, false},
      {"*", "D56 C42 U56", true, false, false},
      {"Shift+1", "D49 C33 U49", true, false, false},
      {"-", "D189 C45 U189", false, false, false},
      {"\xC3\xA9", "D0 C233 U0", false, false, false},  // é: no key of its own
      {"F1", "D112 U112", false, false, false},
      {"Ctrl+F1", "D112 U112", false, true, false},
      {"F10", "SD121 SU121", false, false, false},
      {"Ctrl+F10", "SD121 SU121", false, true, false},
      {"F12", "D123 U123", false, false, false},
      {"Esc", "D27 C27 U27", false, false, false},
      {"Enter", "D13 C13 U13", false, false, false},
      {"Ctrl+Enter", "D13 C13 U13", false, true, false},
      {"Tab", "D9 C9 U9", false, false, false},
      {"Backspace", "D8 C8 U8", false, false, false},
      {"Ctrl+Backspace", "D8 C8 U8", false, true, false},
      {"Space", "D32 C32 U32", false, false, false},
      {"Up", "D38 U38", false, false, false},
      {"Down", "D40 U40", false, false, false},
      {"Left", "D37 U37", false, false, false},
      {"Right", "D39 U39", false, false, false},
      {"Home", "D36 U36", false, false, false},
      {"End", "D35 U35", false, false, false},
      {"PgUp", "D33 U33", false, false, false},
      {"PgDn", "D34 U34", false, false, false},
      {"Ins", "D45 U45", false, false, false},
      {"Shift+Ins", "D45 U45", true, false, false},
      {"Del", "D46 U46", false, false, false},
      {"Ctrl+a", "D65 C1 U65", false, true, false},
      {"Ctrl+C", "D67 C3 U67", true, true, false},
      {"Ctrl+\\", "D220 C28 U220", false, true, false},
      {"Ctrl+1", "D49 U49", false, true, false},
      {"Alt+x", "SD88 SU88", false, false, true},
      {"Alt+F4", "SD115 SU115", false, false, true},
      {"Alt+Left", "SD37 SU37", false, false, true},
      {"Ctrl+Alt+F9", "D120 U120", false, true, true},
      {"ctrl+alt+a", "D65 U65", false, true, true},
      {"Ctrl+Break", "D3 U3", false, true, false},
      {"Ctrl++", "D187 U187", true, true, false},
      {"+", "D187 C43 U187", true, false, false},
      {"!", "D49 C33 U49", true, false, false},
      {"@", "D50 C64 U50", true, false, false},
      {"\"", "D222 C34 U222", true, false, false},
      {"chord:fd", "D70 C102 D68 C100 U70 U68", false, false, false},
      {"chord:f_", "D70 C102 D32 C32 U70 U32", false, false, false},
  };
  for (const TokenCase& c : cases) {
    std::vector<ScriptItem> items;
    std::string error;
    ASSERT_TRUE(ParseKeyScript(c.token, items, error)) << c.token << ": " << error;
    ASSERT_EQ(items.size(), 1u) << c.token;
    const ScriptItem& item = items[0];
    EXPECT_EQ(item.kind, ScriptItem::Kind::Key) << c.token;
    EXPECT_EQ(Describe(item.messages), c.messages) << c.token;
    EXPECT_EQ(item.shift, c.shift) << c.token;
    EXPECT_EQ(item.ctrl, c.ctrl) << c.token;
    EXPECT_EQ(item.alt, c.alt) << c.token;
    EXPECT_FALSE(item.urgent) << c.token;
    EXPECT_EQ(item.token, c.token);
  }
}

TEST(KeyScriptTest, QuotedTextTypesEachCharacterInCp1252) {
  std::vector<ScriptItem> items;
  std::string error;
  ASSERT_TRUE(ParseKeyScript("\"Já 1\" !\"ok\" \"a\\\"b\"", items, error)) << error;
  std::vector<std::string> tokens;
  for (const ScriptItem& item : items) tokens.push_back(item.token);
  EXPECT_EQ(tokens, (std::vector<std::string>{"J", "á", "Space", "1", "!o", "!k", "a", "\"", "b"}));
  EXPECT_EQ(Describe(items[1].messages), "D0 C225 U0");
  EXPECT_EQ(Describe(items[2].messages), "D32 C32 U32");
  EXPECT_TRUE(items[4].urgent);
  EXPECT_FALSE(items[6].urgent);
}

TEST(KeyScriptTest, ScriptSavedAsCp1252) {
  std::vector<ScriptItem> items;
  std::string error;
  ASSERT_TRUE(ParseKeyScript("\"a\xE7\xE3o\"", items, error)) << error;
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[1].token, "\xC3\xA7");  // logged as UTF-8
  EXPECT_EQ(items[1].messages[1].a, 0xE7u);
  items.clear();
  ASSERT_TRUE(ParseKeyScript("\xE9 !\xE9", items, error)) << error;
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].token, "\xC3\xA9");
  EXPECT_EQ(items[1].token, "!\xC3\xA9");
  EXPECT_EQ(Describe(items[0].messages), "D0 C233 U0");
}

TEST(KeyScriptTest, ClockTokensAndUrgentPrefix) {
  std::vector<ScriptItem> items;
  std::string error;
  ASSERT_TRUE(ParseKeyScript("@2024-05-20T14:03:09.57 +90s +250ms +5m +2h +1d !F7 !!", items, error)) << error;
  ASSERT_EQ(items.size(), 8u);
  EXPECT_EQ(items[0].kind, ScriptItem::Kind::SetClock);
  EXPECT_EQ(items[0].clock.year, 2024);
  EXPECT_EQ(items[0].clock.month, 5);
  EXPECT_EQ(items[0].clock.day, 20);
  EXPECT_EQ(items[0].clock.dayOfWeek, 1);  // a Monday
  EXPECT_EQ(items[0].clock.hour, 14);
  EXPECT_EQ(items[0].clock.minute, 3);
  EXPECT_EQ(items[0].clock.second, 9);
  EXPECT_EQ(items[0].clock.millisecond, 570);
  const std::uint64_t advances[] = {90'000, 250, 300'000, 7'200'000, 86'400'000};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(items[1 + i].kind, ScriptItem::Kind::Advance);
    EXPECT_EQ(items[1 + i].advanceMillis, advances[i]);
  }
  EXPECT_TRUE(items[6].urgent);
  EXPECT_EQ(items[6].token, "!F7");
  EXPECT_EQ(Describe(items[6].messages), "D118 U118");
  EXPECT_TRUE(items[7].urgent);
  EXPECT_EQ(Describe(items[7].messages), "D49 C33 U49");
}

TEST(KeyScriptTest, BadTokensAreRefusedWholeScript) {
  const char* bad[] = {"F13", "Ctrl+", "Foo", "+5x", "+s", "@2024-13-01T00:00:00", "@2023-02-29T00:00:00",
                       "@2024-05-20T24:00:00", "\"open", "chord:f1", "chord:", "\xE2\x82", "\xE4\xB8\x80"};
  for (const char* token : bad) {
    std::vector<ScriptItem> items;
    std::string error;
    std::string script = std::string("a ") + token;
    EXPECT_FALSE(ParseKeyScript(script, items, error)) << token;
    EXPECT_TRUE(items.empty()) << token;
    EXPECT_NE(error.find(token), std::string::npos) << error;
  }
}

TEST(KeyScriptTest, ClockParsing) {
  LocalTime t;
  ASSERT_TRUE(ParseClock("2000-02-29T23:59:59", t));
  EXPECT_EQ(t.dayOfWeek, 2);  // a Tuesday
  EXPECT_EQ(t.millisecond, 0);
  ASSERT_TRUE(ParseClock("1999-12-31T00:00:00.5", t));
  EXPECT_EQ(t.millisecond, 500);
  EXPECT_EQ(t.dayOfWeek, 5);
  EXPECT_FALSE(ParseClock("2024-05-20 14:03:09", t));
  EXPECT_FALSE(ParseClock("2024-05-20T14:03:09.", t));
  EXPECT_FALSE(ParseClock("2024-05-20T14:03:09.1234", t));
  EXPECT_FALSE(ParseClock("2024-5-20T14:03:09", t));
}

}  // namespace
}  // namespace platform::headless
