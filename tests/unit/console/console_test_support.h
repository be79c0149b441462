// Fixtures shared by the console tests: an empty drive C of its own (so no
// settings file of the source tree leaks in), the simulator backend or the
// recording backend, and a console reset to its start state.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "console/console.h"
#include "console/console_internal.h"
#include "platform/headless/headless.h"
#include "recording_backend.h"

namespace console_test {

// A temporary folder used as drive C, removed at the end of the test.
class TempDriveC {
 public:
  TempDriveC() {
    static std::atomic<int> counter{0};
    std::random_device random;
    root_ = std::filesystem::temp_directory_path() /
            ("tembrika-console-" + std::to_string(random()) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(root_ / "windows");
  }
  ~TempDriveC() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  TempDriveC(const TempDriveC&) = delete;
  TempDriveC& operator=(const TempDriveC&) = delete;

  // Writes windows/TALIRA.INI with these exact bytes.
  void WriteSettings(const std::string& bytes) const {
    std::ofstream out(root_ / "windows" / "TALIRA.INI", std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  const std::filesystem::path& Root() const { return root_; }

 private:
  std::filesystem::path root_;
};

// Runs body and returns the exit code it ended the program with, or -1.
template <typename Body>
int ExitCodeOf(Body body) {
  try {
    body();
  } catch (const platform::ProcessExit& exit) {
    return exit.code;
  }
  return -1;
}

// The console on the simulator backend.
class HeadlessConsoleTest : public ::testing::Test {
 protected:
  void SetUp() override { Install({}); }
  void TearDown() override { console::ResetConsoleForTests(); }

  void Install(const platform::headless::Options& options) {
    console::ResetConsoleForTests();
    backend_ = &platform::headless::Install(options);
    platform::SetDriveCRoot(drive_.Root().string());
  }
  platform::headless::HeadlessBackend& Backend() { return *backend_; }

  // Every code the keys of script queue, read with GetKey. A Tab typed
  // after them marks the end: its code is the last one, read when the
  // script is used up.
  std::vector<int> CodesOf(const std::string& script) {
    Backend().AppendKeys(script + " Tab");
    std::vector<int> codes;
    for (int guard = 0; guard < 300; ++guard) {
      const std::uint8_t c = console::GetKey();
      if (c == 9 && console::QueuedKeyCount() == 0 && Backend().PendingScriptItems() == 0) return codes;
      codes.push_back(c);
    }
    ADD_FAILURE() << "no end mark after " << script;
    return codes;
  }

  TempDriveC drive_;
  platform::headless::HeadlessBackend* backend_ = nullptr;
};

// The console on the recording backend, for what is drawn.
class RecordingConsoleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    console::ResetConsoleForTests();
    auto backend = std::make_unique<RecordingBackend>();
    rec_ = backend.get();
    platform::InstallBackend(std::move(backend));
    platform::SetDriveCRoot(drive_.Root().string());
  }
  void TearDown() override { console::ResetConsoleForTests(); }

  // Creates the window and forgets what creating it drew.
  void Open() {
    console::EnsureConsole();
    rec_->draws.clear();
    rec_->invalidations.clear();
    rec_->events.clear();
  }

  // Row (1-based) of the screen buffer as text, trailing blanks kept.
  static std::string Row(int row) {
    std::string text;
    for (int column = 1; column <= console::kColumns; ++column) {
      text += static_cast<char>(console::ScreenCharAt(column, row));
    }
    return text;
  }
  static std::string RowStart(int row, std::size_t n) { return Row(row).substr(0, n); }


  TempDriveC drive_;
  RecordingBackend* rec_ = nullptr;
};

}  // namespace console_test
