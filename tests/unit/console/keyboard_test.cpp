// Key translation through the simulator's keyboard, the key queue and its
// limits, waiting, pumping, pauses, tones, clipboard, date and time.
#include <string>
#include <vector>

#include "console_test_support.h"

namespace console_test {
namespace {

using platform::Message;

Message Msg(std::uint32_t id, std::uintptr_t a = 0) {
  Message m;
  m.id = id;
  m.a = a;
  return m;
}

class KeyboardTest : public HeadlessConsoleTest {};

struct KeyCase {
  std::string keys;
  std::vector<int> codes;
};

TEST_F(KeyboardTest, SpecialKeysGiveZeroAndTheirCode) {
  const KeyCase cases[] = {
      {"F1", {0, 59}},         {"Ctrl+F1", {0, 94}},      {"F2", {0, 60}},         {"Ctrl+F2", {0, 95}},
      {"F3", {0, 61}},         {"Ctrl+F3", {0, 96}},      {"F4", {0, 62}},         {"Ctrl+F4", {0, 97}},
      {"F5", {0, 63}},         {"Ctrl+F5", {0, 98}},      {"F6", {0, 64}},         {"Ctrl+F6", {0, 99}},
      {"F7", {0, 65}},         {"Ctrl+F7", {0, 100}},     {"F8", {0, 66}},         {"Ctrl+F8", {0, 101}},
      {"F9", {0, 67}},         {"Ctrl+F9", {0, 102}},     {"F11", {0, 69}},
      {"Ctrl+F11", {0, 104}},  {"F12", {0, 70}},          {"Ctrl+F12", {0, 105}},  {"Ins", {0, 82}},
      {"Shift+Ins", {0, 254}}, {"Ctrl+Ins", {0, 255}},    {"Ctrl+Shift+Ins", {0, 255}},
      {"Del", {0, 83}},        {"Ctrl+Del", {0, 83}},     {"Shift+Del", {0, 83}},  {"Home", {0, 71}},
      {"Ctrl+Home", {0, 119}}, {"End", {0, 79}},          {"Ctrl+End", {0, 117}},  {"PgUp", {0, 73}},
      {"Ctrl+PgUp", {0, 132}}, {"PgDn", {0, 81}},         {"Ctrl+PgDn", {0, 118}}, {"Up", {0, 72}},
      {"Ctrl+Up", {0, 113}},   {"Down", {0, 80}},         {"Ctrl+Down", {0, 114}}, {"Left", {0, 75}},
      {"Ctrl+Left", {0, 115}}, {"Right", {0, 77}},        {"Ctrl+Right", {0, 116}}, {"Shift+F1", {0, 59}},
      {"Alt+Left", {0, 75}},   {"Alt+Right", {0, 77}},    {"Ctrl+Alt+F9", {0, 102}},
  };
  for (const KeyCase& c : cases) EXPECT_EQ(CodesOf(c.keys), c.codes) << c.keys;
}

TEST_F(KeyboardTest, CtrlAltLettersAndDigitsGiveTheAltCodes) {
  const int letters[26] = {30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,
                           49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44};
  for (int i = 0; i < 26; ++i) {
    const std::string key = std::string("Ctrl+Alt+") + static_cast<char>('a' + i);
    EXPECT_EQ(CodesOf(key), (std::vector<int>{0, letters[i]})) << key;
  }
  for (int d = 0; d <= 9; ++d) {
    const std::string key = "Ctrl+Alt+" + std::to_string(d);
    EXPECT_EQ(CodesOf(key), (std::vector<int>{0, d == 0 ? 129 : 119 + d})) << key;
  }
}

TEST_F(KeyboardTest, CharactersAndTheirCtrlForms) {
  const KeyCase cases[] = {
      {"a", {'a'}},          {"A", {'A'}},          {"Enter", {13}},   {"Ctrl+Enter", {10}},
      {"Backspace", {8}},    {"Ctrl+Backspace", {127}}, {"Tab", {9}},  {"Esc", {27}},
      {"Space", {32}},       {"Ctrl+c", {3}},       {"*", {'*'}},      {"\"\xc3\xa7\xc3\xa3\"", {0xE7, 0xE3}},
      // System keys queue nothing: Alt with a letter, F10; a modifier alone neither.
      // F10 is always a system key, so even Ctrl+F10 never reaches the queue.
      {"Alt+a", {}},         {"F10", {}},           {"Ctrl+F10", {}},  {"Alt+F9", {}},
  };
  for (const KeyCase& c : cases) EXPECT_EQ(CodesOf(c.keys), c.codes) << c.keys;
}

TEST_F(KeyboardTest, AltF4ClosesTheWindowAndEndsTheProgramWithZero) {
  EXPECT_EQ(ExitCodeOf([&] { CodesOf("Alt+F4"); }), 0);
  EXPECT_FALSE(platform::ConsoleWindowExists());
}

TEST_F(KeyboardTest, CloseWhileWaitingForAKeyEndsWithZero) {
  EXPECT_EQ(ExitCodeOf([] { console::GetKey(); }), 0);
  EXPECT_FALSE(platform::ConsoleWindowExists());
}

TEST_F(KeyboardTest, CtrlBreakEndsWith255) {
  Backend().AppendKeys("Ctrl+Break");
  EXPECT_EQ(ExitCodeOf([] { console::GetKey(); }), 255);
  EXPECT_EQ(Backend().WindowTitle(), "Programa terminado");
}

TEST_F(KeyboardTest, QuitMetByAPumpEndsWith255) {
  console::EnsureConsole();
  platform::PostQuit(0);
  EXPECT_EQ(ExitCodeOf([] { console::PumpWindowMessages(); }), -1);  // not the window's
  EXPECT_EQ(ExitCodeOf([] { console::PumpMessages(); }), 255);
}

TEST_F(KeyboardTest, AFullQueueDropsKeysWhole) {
  console::EnsureConsole();
  for (int i = 0; i < 63; ++i) console::ConsoleWindowProc(Msg(platform::kMsgChar, 'a' + i % 26));
  console::ConsoleWindowProc(Msg(platform::kMsgKeyDown, platform::kVkLeft));  // needs two slots
  EXPECT_EQ(console::QueuedKeyCount(), 63);
  console::ConsoleWindowProc(Msg(platform::kMsgChar, 'z'));
  EXPECT_EQ(console::QueuedKeyCount(), 64);
  console::ConsoleWindowProc(Msg(platform::kMsgChar, 'y'));
  EXPECT_EQ(console::QueuedKeyCount(), 64);
  // Codes come out in order; the last is the one that fitted.
  for (int i = 0; i < 63; ++i) ASSERT_EQ(console::GetKey(), 'a' + i % 26);
  EXPECT_EQ(console::GetKey(), 'z');
  EXPECT_EQ(console::QueuedKeyCount(), 0);
}

TEST_F(KeyboardTest, KeyWaitingCreatesTheWindowAndPumps) {
  EXPECT_FALSE(console::KeyWaiting());
  EXPECT_TRUE(platform::ConsoleWindowExists());
  platform::PostMessage(platform::kMsgChar, 'q');
  EXPECT_TRUE(console::KeyWaiting());
  EXPECT_EQ(console::GetKey(), 'q');
}

TEST_F(KeyboardTest, PauseSleepsThenPumps) {
  console::EnsureConsole();
  const std::uint64_t before = Backend().VirtualMillis();
  platform::PostMessage(platform::kMsgChar, 'p');
  console::Pause(250);
  EXPECT_EQ(Backend().VirtualMillis() - before, 250u);
  EXPECT_EQ(console::QueuedKeyCount(), 1);
}

TEST_F(KeyboardTest, ToneBufferFor100Hz) {
  const std::vector<std::uint8_t> wave = console::detail::BuildToneWave(100);
  ASSERT_EQ(wave.size(), 11071u);
  auto le32 = [&](std::size_t at) {
    return std::uint32_t{wave[at]} | std::uint32_t{wave[at + 1]} << 8 | std::uint32_t{wave[at + 2]} << 16 |
           std::uint32_t{wave[at + 3]} << 24;
  };
  auto le16 = [&](std::size_t at) { return std::uint32_t{wave[at]} | std::uint32_t{wave[at + 1]} << 8; };
  EXPECT_EQ(std::string(wave.begin(), wave.begin() + 4), "RIFF");
  EXPECT_EQ(std::string(wave.begin() + 8, wave.begin() + 16), "WAVEfmt ");
  EXPECT_EQ(std::string(wave.begin() + 36, wave.begin() + 40), "data");
  // P = 110, h = 55; period k starts at 44 + k * 11025 / 100 (110.25 on
  // average), and 100 periods fill the data, which ends on a boundary.
  EXPECT_EQ(le32(40), 11025u);
  EXPECT_EQ(le32(4), 11061u);
  EXPECT_EQ(le32(16), 16u);
  EXPECT_EQ(le16(20), 1u);
  EXPECT_EQ(le16(22), 1u);
  EXPECT_EQ(le32(24), 11025u);
  EXPECT_EQ(le32(28), 11025u);
  EXPECT_EQ(le16(32), 1u);
  EXPECT_EQ(le16(34), 8u);
  for (std::size_t k = 0; k < 100; ++k) {
    const std::size_t b = 44 + (k * 11025) / 100;
    const std::size_t next = 44 + ((k + 1) * 11025) / 100;
    for (std::size_t at = b; at < next; ++at) {
      if (at == 11068) continue;
      ASSERT_EQ(wave[at], at - b < 55 ? 96 : 160) << "period " << k << " sample " << at - b;
    }
  }
  EXPECT_EQ(wave[11068], 128);
}

TEST_F(KeyboardTest, TonePeriodsDoNotDriftWhenTheRateIsNotAMultiple) {
  for (const std::uint16_t f : {std::uint16_t{400}, std::uint16_t{800}, std::uint16_t{1600}, std::uint16_t{3001}}) {
    SCOPED_TRACE(f);
    const std::vector<std::uint8_t> wave = console::detail::BuildToneWave(f);
    const int period = 11025 / f;
    const int half = period / 2;
    int k = 0;
    while ((k * 11025) / f <= 11025 - period) ++k;
    const std::size_t end = 44 + static_cast<std::size_t>((k * 11025) / f);
    EXPECT_EQ(std::uint32_t{wave[40]} | std::uint32_t{wave[41]} << 8, end - 44);
    EXPECT_EQ(wave[end - 1], 128);
    for (int j = 0; j < k; ++j) {
      const std::size_t b = 44 + static_cast<std::size_t>((j * 11025) / f);
      ASSERT_EQ(wave[b], 96) << j;
      ASSERT_EQ(wave[b + static_cast<std::size_t>(half) - 1], 96) << j;
      ASSERT_EQ(wave[b + static_cast<std::size_t>(half)], 160) << j;
      if (j > 0) {
        ASSERT_EQ(wave[b - 1], 160) << j;
      }
    }
  }
}

TEST_F(KeyboardTest, TonesPlayAsALoopingSoundUntilStopped) {
  console::StartTone(800);
  console::StartTone(400);  // replaces the first
  console::StopTone();
  console::StopTone();  // nothing left to stop
  console::StartTone(0);  // no period: silent
  EXPECT_EQ(Backend().LogLines(), (std::vector<std::string>{"tone\t800", "tone-stop", "tone\t400", "tone-stop"}));
  EXPECT_TRUE(console::detail::Tone().buffer.empty());
}

TEST_F(KeyboardTest, CopyToClipboardStopsAtTheFirstNul) {
  console::CopyToClipboard("abc");
  console::CopyToClipboard(std::string("row\r\n\0rest", 10));
  EXPECT_EQ(Backend().LogLines(), (std::vector<std::string>{"clipboard\tabc", "clipboard\trow\\r\\n"}));
  Backend().SetClipboardForTests(platform::ClipboardRead::Unavailable, "");
  console::CopyToClipboard("lost");
  EXPECT_EQ(Backend().LogLines().size(), 2u);
}

struct PasteCase {
  const char* name;
  platform::ClipboardRead state;
  std::string text;
  std::int32_t size;
  std::string expected;  // the buffer's C string afterwards ("untouched" keeps "old")
};

TEST_F(KeyboardTest, PasteFromClipboardCuts) {
  const std::string longText(5000, 'w');
  const PasteCase cases[] = {
      {"size 1 gives an empty string", platform::ClipboardRead::Text, "abc", 1, ""},
      {"text shorter than the buffer", platform::ClipboardRead::Text, "abc", 8, "abc"},
      {"text that just fits", platform::ClipboardRead::Text, "abc", 4, "abc"},
      {"text cut to size - 1", platform::ClipboardRead::Text, "abcdef", 4, "abc"},
      {"a long clipboard", platform::ClipboardRead::Text, longText, 256, longText.substr(0, 255)},
      {"no text empties the buffer", platform::ClipboardRead::NoText, "", 8, ""},
      {"an unavailable clipboard leaves it", platform::ClipboardRead::Unavailable, "", 8, "old"},
      {"size 0 leaves it", platform::ClipboardRead::Text, "abc", 0, "old"},
      {"a negative size leaves it", platform::ClipboardRead::Text, "abc", -5, "old"},
  };
  for (const PasteCase& c : cases) {
    SCOPED_TRACE(c.name);
    Backend().SetClipboardForTests(c.state, c.text);
    std::vector<char> buffer(300, 'x');
    buffer[0] = 'o';
    buffer[1] = 'l';
    buffer[2] = 'd';
    buffer[3] = 0;
    const std::vector<char> before = buffer;
    console::PasteFromClipboard(buffer.data(), c.size);
    EXPECT_EQ(std::string(buffer.data()), c.expected);
    // Nothing is written past the size given.
    if (c.size > 0) {
      EXPECT_EQ(buffer[static_cast<std::size_t>(c.size)], before[static_cast<std::size_t>(c.size)]);
    }
  }
}

TEST_F(KeyboardTest, DateAndTimeFromTheClock) {
  platform::headless::Options options;
  ASSERT_TRUE(platform::headless::ParseClock("2024-05-20T12:34:56", options.clock));
  options.clock.millisecond = 789;
  Install(options);
  std::uint16_t hour = 0, minute = 0, second = 0, hundredths = 0;
  console::GetTime(hour, minute, second, hundredths);
  EXPECT_EQ(hour, 12);
  EXPECT_EQ(minute, 34);
  EXPECT_EQ(second, 56);
  EXPECT_EQ(hundredths, 78);
  std::uint16_t year = 0, month = 0, day = 0, weekday = 9;
  console::GetDate(year, month, day, weekday);
  EXPECT_EQ(year, 2024);
  EXPECT_EQ(month, 5);
  EXPECT_EQ(day, 20);
  EXPECT_EQ(weekday, 1);  // a Monday
}

}  // namespace
}  // namespace console_test
