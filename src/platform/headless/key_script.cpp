// The simulator's key script: tokens to the messages a keyboard would give
// (key-down, character, key-up), clock settings and clock advances.
#include <array>
#include <cctype>
#include <optional>
#include <string>

#include "platform/headless/headless.h"
#include "platform/text_encoding.h"

namespace platform::headless {

namespace {

// A key of the (US) layout that types characters: its virtual key and the
// characters without and with Shift.
struct TypingKey {
  int vk;
  char normal;
  char shifted;
};

constexpr std::array<TypingKey, 21> kTypingKeys = {{
    {48, '0', ')'}, {49, '1', '!'}, {50, '2', '@'}, {51, '3', '#'}, {52, '4', '$'},
    {53, '5', '%'}, {54, '6', '^'}, {55, '7', '&'}, {56, '8', '*'}, {57, '9', '('},
    {186, ';', ':'}, {187, '=', '+'}, {188, ',', '<'}, {189, '-', '_'}, {190, '.', '>'},
    {191, '/', '?'}, {192, '`', '~'}, {219, '[', '{'}, {220, '\\', '|'}, {221, ']', '}'},
    {222, '\'', '"'},
}};

constexpr int kVkPause = 19;
constexpr int kVkBackslash = 220;

struct NamedKey {
  const char* name;
  int vk;
  int character;  // -1: none
};

constexpr std::array<NamedKey, 33> kNamedKeys = {{
    {"F1", 112, -1}, {"F2", 113, -1}, {"F3", 114, -1}, {"F4", 115, -1}, {"F5", 116, -1},
    {"F6", 117, -1}, {"F7", 118, -1}, {"F8", 119, -1}, {"F9", 120, -1}, {"F10", 121, -1},
    {"F11", 122, -1}, {"F12", 123, -1},
    {"Esc", kVkEscape, 27}, {"Escape", kVkEscape, 27}, {"Enter", kVkReturn, 13}, {"Return", kVkReturn, 13},
    {"Tab", kVkTab, 9}, {"Backspace", kVkBack, 8}, {"Space", kVkSpace, 32},
    {"Up", kVkUp, -1}, {"Down", kVkDown, -1}, {"Left", kVkLeft, -1}, {"Right", kVkRight, -1},
    {"Home", kVkHome, -1}, {"End", kVkEnd, -1}, {"PgUp", kVkPageUp, -1}, {"PgDn", kVkPageDown, -1},
    {"Ins", kVkInsert, -1}, {"Insert", kVkInsert, -1}, {"Del", kVkDelete, -1}, {"Delete", kVkDelete, -1},
    {"Break", kVkPause, -1}, {"Pause", kVkPause, -1},
}};

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualNoCase(text.substr(0, prefix.size()), prefix);
}

Message KeyMessage(std::uint32_t id, int value) {
  Message msg;
  msg.id = id;
  msg.a = static_cast<std::uintptr_t>(value);
  return msg;
}

// Adds the messages of one key press and release, by the rules of the keyboard:
// Alt without Ctrl (and F10 always) gives system keys; Alt suppresses characters.
void AddPress(ScriptItem& item, int vk, std::optional<std::uint8_t> character) {
  bool system = (item.alt && !item.ctrl) || vk == kVkF10;
  item.messages.push_back(KeyMessage(system ? kMsgSysKeyDown : kMsgKeyDown, vk));
  if (character && !item.alt) item.messages.push_back(KeyMessage(kMsgChar, *character));
  item.messages.push_back(KeyMessage(system ? kMsgSysKeyUp : kMsgKeyUp, vk));
}

// The key that types cp1252 byte c, and whether Shift is needed for it.
struct KeyOfChar {
  int vk = 0;  // 0: no key of its own
  bool shift = false;
  const TypingKey* typing = nullptr;
};

KeyOfChar FindKeyOfChar(std::uint8_t c) {
  KeyOfChar key;
  if (c >= 'a' && c <= 'z') {
    key.vk = c - 'a' + kVkA;
  } else if (c >= 'A' && c <= 'Z') {
    key.vk = c - 'A' + kVkA;
    key.shift = true;
  } else if (c == ' ') {
    key.vk = kVkSpace;
  } else {
    for (const TypingKey& typing : kTypingKeys) {
      if (static_cast<std::uint8_t>(typing.normal) == c || static_cast<std::uint8_t>(typing.shifted) == c) {
        key.vk = typing.vk;
        key.shift = static_cast<std::uint8_t>(typing.shifted) == c;
        key.typing = &typing;
        break;
      }
    }
  }
  return key;
}

// One character key with the item's modifiers (Shift may come from the character itself).
void AddCharacterKey(ScriptItem& item, std::uint8_t c) {
  KeyOfChar key = FindKeyOfChar(c);
  item.shift = item.shift || key.shift;
  std::optional<std::uint8_t> typed;
  if (key.vk >= kVkA && key.vk <= kVkA + 25) {
    std::uint8_t lower = static_cast<std::uint8_t>('a' + (key.vk - kVkA));
    typed = item.shift ? static_cast<std::uint8_t>(lower - 32) : lower;
    if (item.ctrl) typed = static_cast<std::uint8_t>(lower & 31);
  } else if (key.vk == kVkSpace) {
    typed = std::uint8_t{32};
  } else if (key.typing != nullptr) {
    typed = static_cast<std::uint8_t>(item.shift ? key.typing->shifted : key.typing->normal);
    if (item.ctrl) {
      if (key.vk == kVkBackslash && !item.shift) {
        typed = std::uint8_t{28};
      } else {
        typed.reset();
      }
    }
  } else if (!item.ctrl) {
    typed = c;  // a character with no key of its own
  }
  AddPress(item, key.vk, typed);
}

bool AddNamedKey(ScriptItem& item, std::string_view name) {
  for (const NamedKey& named : kNamedKeys) {
    if (!EqualNoCase(name, named.name)) continue;
    int vk = named.vk;
    std::optional<std::uint8_t> typed;
    if (named.character >= 0) typed = static_cast<std::uint8_t>(named.character);
    if (item.ctrl && (vk == kVkTab || vk == kVkEscape)) typed.reset();
    if (vk == kVkPause && item.ctrl) vk = kVkCancel;
    AddPress(item, vk, typed);
    return true;
  }
  return false;
}

// A script is UTF-8; one that is not (a file saved as cp1252) is taken as cp1252.
bool ScriptTextToCp1252(std::string_view text, std::string& out) {
  if (!IsValidUtf8(text)) {
    out = std::string(text);
    return true;
  }
  if (!Utf8FitsCp1252(text)) return false;
  out = Utf8ToCp1252(text);
  return true;
}

// One character as a cp1252 byte; false when it is not exactly one such character.
bool SingleCharacter(std::string_view text, std::uint8_t& out) {
  if (text.size() == 1) {
    out = static_cast<std::uint8_t>(text[0]);
    return true;
  }
  std::size_t pos = 0;
  char32_t cp = 0;
  if (text.empty() || !DecodeUtf8(text, pos, cp) || pos != text.size()) return false;
  int byte = UnicodeToCp1252(cp);
  if (byte < 0) return false;
  out = static_cast<std::uint8_t>(byte);
  return true;
}

bool ParseAdvance(std::string_view text, std::uint64_t& millis) {
  std::size_t digits = 0;
  std::uint64_t number = 0;
  while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits]))) {
    number = number * 10 + static_cast<std::uint64_t>(text[digits] - '0');
    if (number > 1'000'000'000'000ULL) return false;
    ++digits;
  }
  if (digits == 0) return false;
  std::string_view unit = text.substr(digits);
  std::uint64_t scale = 0;
  if (unit == "ms") scale = 1;
  else if (unit == "s") scale = 1000;
  else if (unit == "m") scale = 60'000;
  else if (unit == "h") scale = 3'600'000;
  else if (unit == "d") scale = 86'400'000;
  else return false;
  millis = number * scale;
  return true;
}

std::string LogTokenOfChar(std::uint8_t c) {
  if (c == ' ') return "Space";
  return Cp1252ToUtf8(std::string(1, static_cast<char>(c)));
}

// Parses one token that is not quoted text; false when it is not valid.
bool ParseToken(std::string_view token, bool urgent, std::vector<ScriptItem>& out) {
  ScriptItem item;
  item.urgent = urgent;
  item.token = std::string(urgent ? "!" : "") + (IsValidUtf8(token) ? std::string(token) : Cp1252ToUtf8(token));
  if (token.size() > 1 && token[0] == '@') {
    item.kind = ScriptItem::Kind::SetClock;
    if (!ParseClock(std::string(token.substr(1)), item.clock)) return false;
    out.push_back(item);
    return true;
  }
  if (token.size() > 1 && token[0] == '+') {
    item.kind = ScriptItem::Kind::Advance;
    if (!ParseAdvance(token.substr(1), item.advanceMillis)) return false;
    out.push_back(item);
    return true;
  }
  if (StartsWithNoCase(token, "chord:")) {
    std::string_view keys = token.substr(6);
    if (keys.empty()) return false;
    std::vector<int> vks;
    for (char k : keys) {
      if (k == '_') {
        vks.push_back(kVkSpace);
      } else if (std::isalpha(static_cast<unsigned char>(k))) {
        vks.push_back(std::toupper(static_cast<unsigned char>(k)));
      } else {
        return false;
      }
    }
    for (int vk : vks) {
      item.messages.push_back(KeyMessage(kMsgKeyDown, vk));
      item.messages.push_back(KeyMessage(kMsgChar, vk == kVkSpace ? 32 : vk + 32));
    }
    for (int vk : vks) item.messages.push_back(KeyMessage(kMsgKeyUp, vk));
    out.push_back(item);
    return true;
  }
  std::string_view rest = token;
  for (;;) {
    if (rest.size() > 5 && StartsWithNoCase(rest, "ctrl+")) {
      item.ctrl = true;
      rest.remove_prefix(5);
    } else if (rest.size() > 4 && StartsWithNoCase(rest, "alt+")) {
      item.alt = true;
      rest.remove_prefix(4);
    } else if (rest.size() > 6 && StartsWithNoCase(rest, "shift+")) {
      item.shift = true;
      rest.remove_prefix(6);
    } else {
      break;
    }
  }
  std::uint8_t c = 0;
  if (SingleCharacter(rest, c)) {
    AddCharacterKey(item, c);
  } else if (!AddNamedKey(item, rest)) {
    return false;
  }
  out.push_back(item);
  return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

bool ParseKeyScript(const std::string& script, std::vector<ScriptItem>& out, std::string& error) {
  std::vector<ScriptItem> items;
  std::size_t i = 0;
  const std::size_t n = script.size();
  while (i < n) {
    while (i < n && IsBlank(script[i])) ++i;
    if (i >= n) break;
    std::size_t start = i;
    bool urgent = false;
    if (script[i] == '!' && i + 1 < n && !IsBlank(script[i + 1])) {
      urgent = true;
      ++i;
    }
    if (script[i] == '"' && i + 1 < n && !IsBlank(script[i + 1])) {
      // Quoted text: every character is a key of its own.
      std::string text;
      std::size_t j = i + 1;
      bool closed = false;
      while (j < n) {
        if (script[j] == '\\' && j + 1 < n && (script[j + 1] == '"' || script[j + 1] == '\\')) {
          text += script[j + 1];
          j += 2;
        } else if (script[j] == '"') {
          closed = true;
          ++j;
          break;
        } else {
          text += script[j++];
        }
      }
      std::string typed;
      if (!closed || text.empty() || (j < n && !IsBlank(script[j])) || !ScriptTextToCp1252(text, typed)) {
        std::size_t end = j;
        while (end < n && !IsBlank(script[end])) ++end;
        error = "bad key token: " + script.substr(start, end - start);
        return false;
      }
      for (char c : typed) {
        ScriptItem item;
        item.urgent = urgent;
        item.token = (urgent ? "!" : "") + LogTokenOfChar(static_cast<std::uint8_t>(c));
        AddCharacterKey(item, static_cast<std::uint8_t>(c));
        items.push_back(item);
      }
      i = j;
      continue;
    }
    std::size_t end = i;
    while (end < n && !IsBlank(script[end])) ++end;
    if (!ParseToken(std::string_view(script).substr(i, end - i), urgent, items)) {
      error = "bad key token: " + script.substr(start, end - start);
      return false;
    }
    i = end;
  }
  out.insert(out.end(), items.begin(), items.end());
  return true;
}

}  // namespace platform::headless
