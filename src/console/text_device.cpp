// The standard text output and input bound to the console: output goes
// through a 128-byte buffer to WriteChars, input is read a line at a time
// from the key queue with echo.
#include "console/console_internal.h"

namespace console {
namespace detail {

namespace {
TextDeviceState g_text;
}  // namespace

TextDeviceState& TextDevice() { return g_text; }

// The output transfer: what the buffer holds goes to the screen (and to the
// simulator's log), then the window gets its messages.
void FlushOutput() {
  TextDeviceState& t = g_text;
  if (t.outputCount == 0) return;
  const std::string_view bytes(reinterpret_cast<const char*>(t.output.data()), t.outputCount);
  WriteChars(t.output.data(), static_cast<std::uint16_t>(t.outputCount));
  platform::TraceWrite(bytes);
  t.outputCount = 0;
  KeyWaiting();
}

}  // namespace detail

using namespace detail;

void Write(std::string_view text) {
  TextDeviceState& t = TextDevice();
  for (const char c : text) {
    if (t.outputCount == t.output.size()) FlushOutput();
    t.output[t.outputCount++] = static_cast<std::uint8_t>(c);
  }
  FlushOutput();
}

void WriteLine(std::string_view text) {
  std::string line(text);
  line += "\r\n";
  Write(line);
}

int ReadKeyboardLine(std::uint8_t* buffer, int capacity) {
  int count = 0;
  for (;;) {
    std::uint8_t c = GetKey();
    if (c == 13) break;
    if (c == 8) {
      if (count > 0) {
        WriteChars(&c, 1);
        --count;
      }
    } else if (c >= 32) {
      // Room is kept for the CR LF that ends the line.
      if (buffer != nullptr && count < capacity - 2) {
        buffer[count++] = c;
        WriteChars(&c, 1);
      }
    }
  }
  static constexpr std::uint8_t kLineEnd[2] = {13, 10};
  for (const std::uint8_t c : kLineEnd) {
    if (buffer != nullptr && count < capacity) buffer[count++] = c;
  }
  WriteChars(kLineEnd, 2);
  return count;
}

std::string ReadLine() {
  TextDeviceState& t = TextDevice();
  std::string line;
  for (;;) {
    if (t.inputPos >= t.inputEnd) {
      t.inputEnd = static_cast<std::size_t>(ReadKeyboardLine(t.input.data(), static_cast<int>(t.input.size())));
      t.inputPos = 0;
      if (t.inputEnd == 0) return line;
    }
    const std::uint8_t c = t.input[t.inputPos++];
    if (c == 13) {
      if (t.inputPos < t.inputEnd && t.input[t.inputPos] == 10) ++t.inputPos;
      return line;
    }
    if (c == 10) return line;
    line += static_cast<char>(c);
  }
}

}  // namespace console
