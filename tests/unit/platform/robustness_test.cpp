// Arbitrary bytes into the readers that take outside input (profile files,
// registry file, key scripts): no crash, no read out of bounds (run under the
// sanitizers), and the results keep their limits.
#include <random>

#include "platform_fixture.h"

namespace platform {
namespace {

// Bytes drawn from the characters the readers treat specially, plus any byte.
std::string RandomText(std::mt19937& random, std::size_t maxLength) {
  static const char kAlphabet[] = "[]=;\"\r\n \tKVk\\:+!@chord:Ctrl+Alt+F1\xC3\xA9\xFF";
  std::uniform_int_distribution<std::size_t> length(0, maxLength);
  std::uniform_int_distribution<int> pick(0, static_cast<int>(sizeof kAlphabet) + 15);
  std::string text;
  for (std::size_t n = length(random); n > 0; --n) {
    int i = pick(random);
    text += i < static_cast<int>(sizeof kAlphabet) - 1 ? kAlphabet[i] : static_cast<char>(random() & 0xFF);
  }
  return text;
}

using RobustnessTest = DriveCFixture;

TEST_F(RobustnessTest, ProfileAndRegistryReadersTakeAnyBytes) {
  std::mt19937 random(1234);
  for (int round = 0; round < 400; ++round) {
    std::string contents = RandomText(random, 200);
    Put("windows/TALIRA.INI", contents);
    Put("windows/registry.ini", contents);
    std::string value = GetProfileString("V", "K", "default-text", "TALIRA.INI", 8);
    EXPECT_LE(value.size(), 7u);
    EXPECT_EQ(value.find_first_of("\r\n"), std::string::npos) << "a value never spans lines";
    std::optional<std::string> registry = ReadRegistryString("V", "K");
    if (registry) {
      EXPECT_EQ(registry->find_first_of("\r\n"), std::string::npos);
    }
  }
}

TEST(KeyScriptRobustnessTest, ParserTakesAnyBytes) {
  std::mt19937 random(99);
  for (int round = 0; round < 3000; ++round) {
    std::string script = RandomText(random, 40);
    std::vector<headless::ScriptItem> items;
    std::string error;
    if (!headless::ParseKeyScript(script, items, error)) {
      EXPECT_TRUE(items.empty());
      EXPECT_FALSE(error.empty());
      continue;
    }
    for (const headless::ScriptItem& item : items) {
      if (item.kind != headless::ScriptItem::Kind::Key) continue;
      // Every key that goes down comes up again, after it went down.
      int down = 0;
      for (const Message& msg : item.messages) {
        if (msg.id == kMsgKeyDown || msg.id == kMsgSysKeyDown) ++down;
        if (msg.id == kMsgKeyUp || msg.id == kMsgSysKeyUp) --down;
        EXPECT_GE(down, 0) << script;
        if (msg.id == kMsgChar) {
          EXPECT_LE(msg.a, 255u);
        }
      }
      EXPECT_EQ(down, 0) << script;
      EXPECT_FALSE(item.messages.empty()) << script;
    }
  }
}

}  // namespace
}  // namespace platform
