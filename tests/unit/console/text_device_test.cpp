// The standard text channels bound to the console: output statements end
// with a flush to the screen and the log; line input with echo.
#include <string>
#include <vector>

#include "console_test_support.h"

namespace console_test {
namespace {

class TextDeviceTest : public HeadlessConsoleTest {
 protected:
  static std::string RowStart(int row, int n) {
    std::string text;
    for (int column = 1; column <= n; ++column) text += static_cast<char>(console::ScreenCharAt(column, row));
    return text;
  }
  std::vector<std::string> Writes() const {
    std::vector<std::string> writes;
    for (const std::string& line : backend_->LogLines()) {
      if (line.rfind("write\t", 0) == 0) writes.push_back(line.substr(6));
    }
    return writes;
  }
};

TEST_F(TextDeviceTest, AWriteStatementShowsAtOnce) {
  console::Write("abc");
  EXPECT_EQ(RowStart(1, 4), "abc ");
  EXPECT_EQ(console::CursorColumn(), 4);
  EXPECT_EQ(Writes(), (std::vector<std::string>{"abc"}));
  console::WriteLine("d");
  console::WriteLine();
  EXPECT_EQ(console::CursorRow(), 3);
  EXPECT_EQ(console::CursorColumn(), 1);
  EXPECT_EQ(Writes(), (std::vector<std::string>{"abc", "d\\r\\n", "\\r\\n"}));
}

TEST_F(TextDeviceTest, LongOutputGoesThroughTheBufferIn128ByteTransfers) {
  console::Write(std::string(300, 'k'));
  const std::vector<std::string> writes = Writes();
  ASSERT_EQ(writes.size(), 3u);
  EXPECT_EQ(writes[0].size(), 128u);
  EXPECT_EQ(writes[1].size(), 128u);
  EXPECT_EQ(writes[2].size(), 44u);
  EXPECT_EQ(console::CursorRow(), 4);
  EXPECT_EQ(console::CursorColumn(), 300 - 240 + 1);
}

TEST_F(TextDeviceTest, EachTransferLetsTheWindowQueueKeys) {
  console::EnsureConsole();
  platform::PostMessage(platform::kMsgChar, 'w');
  console::Write("x");
  EXPECT_EQ(console::QueuedKeyCount(), 1);
}

struct LineCase {
  const char* name;
  std::string keys;
  std::string bytes;  // what the buffer holds, CR LF included
  std::string shown;  // the start of row 1 afterwards
};

TEST_F(TextDeviceTest, ReadKeyboardLineCases) {
  const LineCase cases[] = {
      {"backspace removes the last character", "a b Backspace c Enter", "ac\r\n", "ac "},
      {"backspace on an empty line does nothing", "Backspace Backspace x Enter", "x\r\n", "x "},
      {"F1 inserts a semicolon", "F1 Enter", ";\r\n", "; "},
      {"control codes are ignored", "Tab Esc Ctrl+Enter q Enter", "q\r\n", "q "},
      {"an empty line", "Enter", "\r\n", "  "},
      {"cp1252 characters", "\"\xc3\xa9\" Enter", "\xe9\r\n", "\xe9 "},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(c.name);
    Install({});
    Backend().AppendKeys(c.keys);
    std::uint8_t buffer[128] = {};
    const int count = console::ReadKeyboardLine(buffer, 128);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(count)), c.bytes);
    EXPECT_EQ(RowStart(1, static_cast<int>(c.shown.size())), c.shown);
    EXPECT_EQ(console::CursorRow(), 2);
    EXPECT_EQ(console::CursorColumn(), 1);
  }
}

TEST_F(TextDeviceTest, ALineHoldsAtMost126TypedCharacters) {
  Backend().AppendKeys("\"" + std::string(130, 'm') + "\" Enter");
  std::uint8_t buffer[128] = {};
  const int count = console::ReadKeyboardLine(buffer, 128);
  ASSERT_EQ(count, 128);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer), 126), std::string(126, 'm'));
  EXPECT_EQ(buffer[126], 13);
  EXPECT_EQ(buffer[127], 10);
  // Only what was stored was echoed: 80 on the first row, 46 on the second.
  EXPECT_EQ(console::ScreenCharAt(46, 2), 'm');
  EXPECT_EQ(console::ScreenCharAt(47, 2), ' ');
  EXPECT_EQ(console::CursorRow(), 3);
}

TEST_F(TextDeviceTest, ATinyBufferNeverOverflows) {
  Backend().AppendKeys("a b Enter");
  std::uint8_t buffer[2] = {0xEE, 0xEE};
  EXPECT_EQ(console::ReadKeyboardLine(buffer, 1), 1);
  EXPECT_EQ(buffer[0], 13);
  EXPECT_EQ(buffer[1], 0xEE);
}

TEST_F(TextDeviceTest, ReadLineReturnsTheLineWithoutItsEnd) {
  Backend().AppendKeys("s i m Enter n Enter");
  EXPECT_EQ(console::ReadLine(), "sim");
  EXPECT_EQ(console::ReadLine(), "n");
}

TEST_F(TextDeviceTest, ReadLineEndsTheProgramWhenTheWindowIsClosed) {
  Backend().AppendKeys("a");
  EXPECT_EQ(ExitCodeOf([] { console::ReadLine(); }), 0);
}

}  // namespace
}  // namespace console_test
