#include "speech/settings_lookup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "platform/headless/headless.h"
#include "platform/platform.h"
#include "speech/speech_state.h"

namespace {

class SettingsLookupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device entropy;
    root_ = std::filesystem::temp_directory_path() /
            ("tembrika-settings-" + std::to_string(entropy()) + std::to_string(entropy()));
    std::filesystem::create_directories(root_ / "c" / "windows");
    std::filesystem::create_directories(root_ / "progs");
    platform::headless::Install({});
    platform::SetDriveCRoot((root_ / "c").string());
    speech::ResetSpeechStateForTests();
    speech::State().startFolder = StartFolder();
  }
  void TearDown() override {
    platform::SetDriveCRoot("");
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  std::string StartFolder() const { return (root_ / "progs").string(); }
  void Write(const std::filesystem::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
  }
  void WindowsIni(const std::string& text) { Write(root_ / "c" / "windows" / "TALIRA.INI", text); }
  void StartIni(const std::string& text) { Write(root_ / "progs" / "TALIRA.INI", text); }

  std::filesystem::path root_;
};

TEST_F(SettingsLookupTest, WhichFileIsRead) {
  EXPECT_EQ(speech::SettingsFile(), "");
  EXPECT_EQ(speech::LookupSetting("TRADUTOR", "VELOCIDADE"), "");

  StartIni("[TRADUTOR]\r\nVELOCIDADE=2\r\nSAPI=S\r\n");
  EXPECT_EQ(speech::SettingsFile(), StartFolder() + "\\TALIRA.INI");
  EXPECT_EQ(speech::LookupSetting("TRADUTOR", "VELOCIDADE"), "2");

  // With both files, only the Windows folder's is read (no merging of keys).
  WindowsIni("[TRADUTOR]\r\nVELOCIDADE=4\r\n");
  EXPECT_EQ(speech::SettingsFile(), "TALIRA.INI");
  EXPECT_EQ(speech::LookupSetting("TRADUTOR", "VELOCIDADE"), "4");
  EXPECT_EQ(speech::LookupSetting("TRADUTOR", "SAPI"), "");
}

TEST_F(SettingsLookupTest, ValuesAndExpansion) {
  struct Case {
    const char* pgm;  // nullptr: no PGMTALIRA key
    std::string value;
    std::string expected;
  };
  const std::string start = StartFolder();
  const Case cases[] = {
      {"c:\\quiral", "@\\som", "c:\\quiral\\som"},
      {nullptr, "@\\som", start + "\\som"},
      {"", "@\\som", start + "\\som"},
      {"@elsewhere", "@\\som", start + "\\som"},
      {"c:\\quiral", "d:\\x;@\\som", "d:\\x;c:\\quiral\\som"},
      {"c:\\quiral", "@", "c:\\quiral"},
      {"c:\\quiral", "a@b", "a@b"},          // not at the start, no backslash after it
      {"c:\\quiral", "@@\\x", "c:\\quiralc:\\quiral\\x"},  // "@" first, then the "@\" left
      {"c:\\quiral", "", ""},
      {"c:\\q", "@\\a;@\\b", "c:\\q\\a;c:\\q\\b"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    std::string ini = "[TALIRA]\r\n";
    if (c.pgm != nullptr) ini += std::string("PGMTALIRA=") + c.pgm + "\r\n";
    ini += "[TEMBRIKA]\r\nDIRTEMBRIKA=" + c.value + "\r\n";
    WindowsIni(ini);
    EXPECT_EQ(speech::LookupSetting("TEMBRIKA", "DIRTEMBRIKA"), c.expected);
  }
}

TEST_F(SettingsLookupTest, SectionsKeysAndLength) {
  WindowsIni("[TALIRA]\r\nPROG.HTM=navegador\r\nLONGO=" + std::string(300, 'x') +
             "\r\n[VAZIO]\r\nCHAVE=\r\n");
  EXPECT_EQ(speech::LookupSetting("", "PROG.HTM"), "navegador");
  EXPECT_EQ(speech::LookupSetting("talira", "prog.htm"), "navegador");
  EXPECT_EQ(speech::LookupSetting("NENHUMA", "PROG.HTM"), "");
  EXPECT_EQ(speech::LookupSetting("TALIRA", "NENHUMA"), "");
  EXPECT_EQ(speech::LookupSetting("VAZIO", "CHAVE"), "");
  EXPECT_EQ(speech::LookupSetting("", "LONGO"), std::string(254, 'x'));
}

// A suite folder that itself holds "@\" is inserted again at every pass; the
// expansion stops after a bounded number of passes instead of looping.
TEST_F(SettingsLookupTest, SelfReferringSuiteFolderIsBounded) {
  WindowsIni("[TALIRA]\r\nPGMTALIRA=x@\\\r\nDIR=@\\som\r\n");
  const std::string got = speech::LookupSetting("", "DIR");
  EXPECT_EQ(got.substr(0, speech::kMaxSettingExpansions), std::string(speech::kMaxSettingExpansions, 'x'));
  EXPECT_LT(got.size(), 100u);

  // "@\" as the whole suite folder begins with "@": the start folder is used.
  WindowsIni("[TALIRA]\r\nPGMTALIRA=@\\\r\nDIR=@\\som\r\n");
  EXPECT_EQ(speech::LookupSetting("", "DIR"), StartFolder() + "\\som");
}

}  // namespace
