// A temporary drive C for the tests of the platform's file services.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/headless/headless.h"
#include "temp_folder.h"

namespace platform {

class DriveCFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::Install();
    root_ = MakeTempFolder("tembrika-c-");
    SetDriveCRoot(root_);
  }

  void TearDown() override {
    SetDriveCRoot("");
    SetWriteQuotaForTests(std::nullopt);
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }

  // Writes a file below the drive C root (native relative path).
  void Put(const std::string& relative, const std::string& contents) {
    std::filesystem::path path = std::filesystem::path(root_) / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << contents;
  }

  std::string Read(const std::string& native) {
    std::ifstream in(native, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

  std::string root_;
};

}  // namespace platform
