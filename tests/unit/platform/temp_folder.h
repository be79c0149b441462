// A fresh folder under the system's temporary folder, for one test.
#pragma once

#include <filesystem>
#include <random>
#include <string>

namespace platform {

inline std::string MakeTempFolder(const std::string& prefix) {
  std::random_device entropy;
  for (;;) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / (prefix + std::to_string(entropy()) + std::to_string(entropy()));
    if (std::filesystem::create_directory(folder)) return folder.string();
  }
}

}  // namespace platform
