// The console's look and behaviour from the settings file: colours, font,
// scrolling, magnifier, window placement and braille entry mode.
#include <limits>

#include "console/console_internal.h"

namespace console {
namespace detail {

namespace {

SettingsState g_settings;

constexpr std::string_view kSettingsFile = "TALIRA.INI";
constexpr std::size_t kValueBuffer = 80;

std::string ReadValue(std::string_view section, std::string_view key, std::string_view defaultValue,
                      std::size_t bufferSize = kValueBuffer) {
  return platform::GetProfileString(section, key, defaultValue, kSettingsFile, bufferSize);
}

bool IsYes(const std::string& value) { return !value.empty() && (value[0] == 'S' || value[0] == 's'); }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string_view TrimBlanksAndControls(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
  return s;
}

}  // namespace

SettingsState& Settings() { return g_settings; }

IntegerValue ParseInteger(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  bool hex = false;
  if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  // Decimal values stop before they leave the signed 32-bit range;
  // hexadecimal ones may use all 32 bits.
  const std::int64_t limit = hex ? std::int64_t{0xFFFFFFFF}
                                 : std::int64_t{std::numeric_limits<std::int32_t>::max()} + (negative ? 1 : 0);
  std::int64_t value = 0;
  std::size_t digits = 0;
  while (i < text.size()) {
    const int d = hex ? HexDigit(text[i]) : (text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : -1);
    if (d < 0) break;
    const std::int64_t next = value * (hex ? 16 : 10) + d;
    if (next > limit) break;
    value = next;
    ++digits;
    ++i;
  }
  if (negative) value = -value;
  IntegerValue result;
  result.value = static_cast<std::int32_t>(static_cast<std::uint32_t>(value & 0xFFFFFFFF));
  result.whole = digits > 0 && i == text.size();
  return result;
}

void ParseColourTable(std::string_view value, std::uint8_t (&map)[16]) {
  std::string s(value);
  s += ',';
  for (int i = 0; i < 16; ++i) {
    const std::size_t comma = s.find(',');
    if (comma == std::string::npos) return;
    // The comma is found in the text as it is, the item cut from its trimmed
    // form, so a blank after a comma shifts the item onto the next comma.
    const std::string_view item = TrimBlanksAndControls(s).substr(0, comma);
    const IntegerValue number = ParseInteger(item);
    map[i] = static_cast<std::uint8_t>(number.value & 0xFF);
    if (!number.whole) return;
    s.erase(0, comma + 1);
  }
}

}  // namespace detail

using namespace detail;

void ReadDisplaySettings() {
  DisplaySettings& d = Settings().values;
  d.coloursFixed = false;
  d.slowScroll = false;
  d.maximise = false;
  std::int32_t background = 0;
  std::int32_t foreground = 7;

  const platform::Rect work = platform::WorkArea();
  const int workWidth = work.right - work.left;
  const int workHeight = work.bottom - work.top;

  std::string v = ReadValue("VIDEO", "TABCORES", "0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15");
  if (!v.empty()) ParseColourTable(v, d.colourMap);

  d.coloursFixed = IsYes(ReadValue("VIDEO", "CORESFIXAS", "N"));
  d.slowScroll = IsYes(ReadValue("VIDEO", "LENTO", "N"));

  v = ReadValue("VIDEO", "CORFUNDO", "0");
  background = v.empty() ? 0 : ParseInteger(v).value;
  v = ReadValue("VIDEO", "CORLETRA", "15");
  foreground = v.empty() ? 7 : ParseInteger(v).value;
  // On the low bytes: a foreground above 15 spills into the background nibble.
  d.attribute = static_cast<std::uint8_t>(((static_cast<std::uint8_t>(background) * 16) |
                                           static_cast<std::uint8_t>(foreground)) & 0xFF);
  Screen().currentAttribute = d.attribute;

  v = ReadValue("BRAILLE", "MODO", "0");
  d.brailleMode = v.empty() ? 0 : (static_cast<unsigned char>(v[0]) & 3);

  v = ReadValue("VIDEO", "AMPLIF", "2", 2);
  d.magnification = v.empty() ? 2 : (static_cast<unsigned char>(v[0]) & 7);

  d.fontFace = ReadValue("VIDEO", "FONTE", "Lucida Console");

  v = ReadValue("VIDEO", "LARGURALETRA", "");
  d.fontWidth = v.empty() ? (13 * workWidth) / 1024 : ParseInteger(v).value;
  v = ReadValue("VIDEO", "ALTURALETRA", "");
  d.fontHeight = v.empty() ? (28 * workHeight) / 734 : ParseInteger(v).value;

  // A weight only when the file sets one: without it the face's normal
  // weight is used.
  v = ReadValue("VIDEO", "PESOLETRA", "");
  d.fontWeight = v.empty() ? 0 : ParseInteger(v).value;

  v = ReadValue("VIDEO", "CANTOTELA", "SIM");
  d.maximise = !v.empty() && !IsYes(v);

  WindowState& w = Window();
  if (w.fontExists) platform::DeleteConsoleFont();
  w.fontExists = platform::CreateConsoleFont({d.fontFace, d.fontWidth, d.fontHeight, d.fontWeight});
}

const DisplaySettings& CurrentDisplaySettings() { return Settings().values; }

}  // namespace console
