// Reading the suite's settings file "TALIRA.INI": which file is read, one
// value of it, and the "@" marker by which a value points into the suite's
// installation folder.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace speech {

// Values are read with a buffer of 255 characters: at most 254 are kept.
inline constexpr std::size_t kSettingBufferSize = 255;
// Expansions of "@" done for one value; a suite folder that itself holds
// "@\" would otherwise be inserted again and again.
inline constexpr int kMaxSettingExpansions = 16;

// The file LookupSetting reads: "TALIRA.INI" (the Windows folder's) when it
// exists there, else the start folder's "TALIRA.INI"; empty when neither
// exists.
std::string SettingsFile();

// The value of key in section ("TALIRA" when section is empty) after "@"
// expansion; empty when the file, the section or the key is missing.
std::string LookupSetting(std::string_view section, std::string_view key);

// The expansion alone, reading the suite folder ("PGMTALIRA" of section
// "TALIRA") from the given settings file.
std::string ExpandSuiteFolder(std::string value, const std::string& settingsFile);

}  // namespace speech
