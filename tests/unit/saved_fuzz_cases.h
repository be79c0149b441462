// The inputs saved from fuzzing runs in a folder of tests/data, in name order,
// for the tests that replay them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace testdata {

struct SavedCase {
  std::string name;
  std::vector<std::uint8_t> bytes;
};

inline std::vector<SavedCase> SavedFuzzCases(const std::string& folder) {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(TEMBRIKA_TEST_DATA) / folder)) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  std::vector<SavedCase> cases;
  for (const auto& file : files) {
    std::ifstream in(file, std::ios::binary);
    std::vector<std::uint8_t> bytes;
    for (char c; in.get(c);) bytes.push_back(static_cast<std::uint8_t>(c));
    cases.push_back({file.filename().string(), std::move(bytes)});
  }
  return cases;
}

}  // namespace testdata
