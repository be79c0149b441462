#include "speech/settings_lookup.h"

#include "platform/platform.h"
#include "speech/speech_state.h"

namespace speech {

namespace {

constexpr std::string_view kSettingsName = "TALIRA.INI";
constexpr std::string_view kSuiteSection = "TALIRA";

std::string ReadValue(std::string_view section, std::string_view key, const std::string& file) {
  return platform::GetProfileString(section, key, "", file, kSettingBufferSize);
}

// The suite folder that replaces an "@": "PGMTALIRA", unless it is empty or
// itself begins with "@"; then the start folder.
std::string SuiteFolder(const std::string& file) {
  std::string base = ReadValue(kSuiteSection, "PGMTALIRA", file);
  if (base.empty() || base.front() == '@') base = State().startFolder;
  return base;
}

}  // namespace

std::string SettingsFile() {
  std::string windows = platform::WindowsFolder();
  if (windows.empty() || windows.back() != '\\') windows.push_back('\\');
  if (platform::FileExists(windows + std::string(kSettingsName))) return std::string(kSettingsName);
  std::string local = State().startFolder + "\\" + std::string(kSettingsName);
  if (platform::FileExists(local)) return local;
  return {};
}

std::string ExpandSuiteFolder(std::string value, const std::string& settingsFile) {
  for (int expansions = 0; !value.empty() && expansions < kMaxSettingExpansions; ++expansions) {
    if (value.front() == '@') {
      value = SuiteFolder(settingsFile) + value.substr(1);
      continue;
    }
    const std::size_t inner = value.find("@\\");
    if (inner == std::string::npos) break;
    value = value.substr(0, inner) + SuiteFolder(settingsFile) + value.substr(inner + 1);
  }
  return value;
}

std::string LookupSetting(std::string_view section, std::string_view key) {
  const std::string file = SettingsFile();
  if (file.empty()) return {};
  const std::string value = ReadValue(section.empty() ? kSuiteSection : section, key, file);
  return ExpandSuiteFolder(value, file);
}

}  // namespace speech
