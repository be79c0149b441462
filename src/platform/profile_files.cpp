// Reading profile files ("TALIRA.INI") and the read-only registry, which is a
// profile file of its own (windows/registry.ini on drive C, one section per key path).
#include <optional>
#include <string>

#include "platform/platform.h"
#include "platform/text_encoding.h"

namespace platform {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// The value of key in the first section named section, with the rules of
// profile files: names compared without regard to case, blanks trimmed,
// lines starting with ';' ignored, one pair of enclosing double quotes removed.
// Any bytes are accepted; lines end at CR or LF.
std::optional<std::string> FindProfileValue(std::string_view text, std::string_view section,
                                            std::string_view key) {
  section = Trim(section);
  key = Trim(key);
  bool inSection = false;
  bool sectionSeen = false;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = Trim(text.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      if (sectionSeen) return std::nullopt;  // only the first section of that name counts
      std::size_t close = line.find(']');
      std::string_view name = Trim(line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
      inSection = Cp1252EqualNoCase(name, section);
      sectionSeen = inSection;
      continue;
    }
    if (!inSection) continue;
    std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    if (!Cp1252EqualNoCase(Trim(line.substr(0, equals)), key)) continue;
    std::string_view value = Trim(line.substr(equals + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
  }
  return std::nullopt;
}

// The text of a profile file as cp1252: a file without a byte order mark is
// cp1252 already; one that starts with the mark of UTF-8 or UTF-16 (an editor's
// "Unicode" file) is converted, characters cp1252 lacks becoming '?'.
std::string ProfileText(const std::vector<std::uint8_t>& bytes) {
  std::string_view raw(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (raw.size() >= 3 && raw.substr(0, 3) == "\xEF\xBB\xBF") return Utf8ToCp1252(raw.substr(3));
  bool little = raw.size() >= 2 && raw.substr(0, 2) == "\xFF\xFE";
  bool big = raw.size() >= 2 && raw.substr(0, 2) == "\xFE\xFF";
  if (!little && !big) return std::string(raw);
  std::string text;
  std::size_t i = 2;
  auto unit = [&](std::size_t at) {
    auto first = static_cast<std::uint8_t>(raw[at]);
    auto second = static_cast<std::uint8_t>(raw[at + 1]);
    return static_cast<char32_t>(little ? (first | second << 8) : (first << 8 | second));
  };
  while (i + 1 < raw.size()) {
    char32_t cp = unit(i);
    i += 2;
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < raw.size()) {
      char32_t low = unit(i);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    int byte = UnicodeToCp1252(cp);
    text += byte < 0 ? '?' : static_cast<char>(byte);
  }
  return text;
}

std::optional<std::string> ReadProfileValue(std::string_view file, std::string_view section,
                                            std::string_view key) {
  std::optional<std::vector<std::uint8_t>> bytes = ReadWholeFile(file);
  if (!bytes) return std::nullopt;
  return FindProfileValue(ProfileText(*bytes), section, key);
}

// A name without a folder or a drive is a file of the Windows folder.
std::string ProfileFilePath(std::string_view file) {
  if (file.find_first_of("\\/:") == std::string_view::npos) {
    return WindowsFolder() + "\\" + std::string(file);
  }
  return std::string(file);
}

// "HKLM\..." and "HKEY_LOCAL_MACHINE\...\" name the same key.
std::string NormalKeyPath(std::string_view keyPath) {
  std::string path(Trim(keyPath));
  while (!path.empty() && path.back() == '\\') path.pop_back();
  static const std::pair<const char*, const char*> kRoots[] = {
      {"HKLM", "HKEY_LOCAL_MACHINE"}, {"HKCU", "HKEY_CURRENT_USER"}, {"HKCR", "HKEY_CLASSES_ROOT"},
      {"HKU", "HKEY_USERS"}};
  std::size_t slash = path.find('\\');
  std::string_view first = std::string_view(path).substr(0, slash);
  for (const auto& [shortName, longName] : kRoots) {
    if (Cp1252EqualNoCase(first, shortName)) {
      return std::string(longName) + (slash == std::string::npos ? "" : path.substr(slash));
    }
  }
  return path;
}

}  // namespace

std::string GetProfileString(std::string_view section, std::string_view key,
                             std::string_view defaultValue, std::string_view file,
                             std::size_t bufferSize) {
  if (bufferSize == 0) return std::string();
  std::optional<std::string> value = ReadProfileValue(ProfileFilePath(file), section, key);
  std::string result = value ? *value : std::string(defaultValue);
  if (result.size() > bufferSize - 1) result.resize(bufferSize - 1);
  return result;
}

// The key's default value (an empty value name) is written "@=...".
std::optional<std::string> ReadRegistryString(std::string_view keyPath, std::string_view valueName) {
  std::string name(Trim(valueName));
  if (name.empty()) name = "@";
  std::optional<std::vector<std::uint8_t>> bytes = ReadWholeFile(WindowsFolder() + "\\registry.ini");
  if (!bytes) return std::nullopt;
  std::string text = ProfileText(*bytes);
  // Sections may be written with either spelling of the root key; try the file's sections one by one.
  std::string wanted = NormalKeyPath(keyPath);
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = text.size();
    std::string_view line = Trim(std::string_view(text).substr(pos, end - pos));
    pos = end + 1;
    if (line.empty() || line.front() != '[') continue;
    std::size_t close = line.find(']');
    std::string_view sectionName = line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
    if (!Cp1252EqualNoCase(NormalKeyPath(sectionName), wanted)) continue;
    // The section starts at this line: read its value with the profile rules.
    std::string_view fromHere = std::string_view(text).substr(pos > text.size() ? text.size() : pos);
    std::string body = "[k]\n" + std::string(fromHere);
    return FindProfileValue(body, "k", name);
  }
  return std::nullopt;
}

}  // namespace platform
