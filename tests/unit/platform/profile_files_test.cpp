// Profile files and the registry file, read with the rules of profile files.
#include "platform_fixture.h"

namespace platform {
namespace {

using ProfileTest = DriveCFixture;

// A literal with its NUL bytes.
template <std::size_t N>
std::string Bytes(const char (&literal)[N]) {
  return std::string(literal, N - 1);
}

struct ProfileCase {
  const char* name;
  std::string contents;
  const char* section;
  const char* key;
  const char* expected;  // the default is "def"
};

TEST_F(ProfileTest, ValuesFollowTheRulesOfProfileFiles) {
  const ProfileCase cases[] = {
      {"plain", "[VIDEO]\nCOR=7\n", "VIDEO", "COR", "7"},
      {"case of names", "[Video]\ncor=7\n", "VIDEO", "COR", "7"},
      {"blanks trimmed", "  [ VIDEO ]  \r\n  COR  =   7 e 8  \r\n", "VIDEO", "COR", "7 e 8"},
      {"first key wins", "[V]\nK=1\nK=2\n", "V", "K", "1"},
      {"first section wins", "[V]\nA=1\n[V]\nK=2\n", "V", "K", "def"},
      {"other section", "[A]\nK=1\n[B]\nK=2\n", "B", "K", "2"},
      {"missing key", "[V]\nX=1\n", "V", "K", "def"},
      {"missing section", "[W]\nK=1\n", "V", "K", "def"},
      {"key before any section", "K=1\n[V]\n", "V", "K", "def"},
      {"empty value", "[V]\nK=\n", "V", "K", ""},
      {"comment", "[V]\n;K=1\nK=2\n", "V", "K", "2"},
      {"quotes removed", "[V]\nK=\" a b \"\n", "V", "K", " a b "},
      {"one quote kept", "[V]\nK=\"a\n", "V", "K", "\"a"},
      {"equals in value", "[V]\nK=a=b\n", "V", "K", "a=b"},
      {"no line end", "[V]\nK=last", "V", "K", "last"},
      {"cp1252 bytes", "[V]\nK=Fun\xE7\xE3o\n", "V", "K", "Fun\xE7\xE3o"},
      {"cp1252 section case", "[A\xC7\xC3O]\nK=1\n", "a\xE7\xE3o", "K", "1"},
      {"CR only lines", "[V]\rK=1\r", "V", "K", "1"},
      {"UTF-8 file", "\xEF\xBB\xBF[V]\nK=Fun\xC3\xA7\xC3\xA3o \xE2\x82\xAC \xE4\xB8\x80\n", "V", "K",
       "Fun\xE7\xE3o \x80 ?"},
      {"UTF-16 file", Bytes("\xFF\xFE[\0V\0]\0\n\0K\0=\0\xE7\0\xAC\x20\x3D\xD8\x00\xDE\n\0"), "V", "K",
       "\xE7\x80?"},
      {"UTF-16 big-endian file", Bytes("\xFE\xFF\0[\0V\0]\0\n\0K\0=\0\xE7"), "V", "K", "\xE7"},
      {"odd UTF-16 tail", Bytes("\xFF\xFE[\0V\0]\0\n\0K\0=\0a\0b"), "V", "K", "a"},
      {"empty file", "", "V", "K", "def"},
      {"binary", Bytes("\x00\xFF[V\x00]\n\x01K=\x02\n[V]\nK=1\n\x00"), "V", "K", "1"},
      {"unclosed section", "[V\nK=1\n", "V", "K", "1"},
      {"long line", "[V]\nK=" + std::string(100000, 'x') + "\nL=2\n", "V", "L", "2"},
  };
  for (const ProfileCase& c : cases) {
    Put("windows/TALIRA.INI", c.contents);
    EXPECT_EQ(GetProfileString(c.section, c.key, "def", "TALIRA.INI", 255), c.expected) << c.name;
  }
}

TEST_F(ProfileTest, ResultIsCutToTheBufferAndTheFileIsFoundByItsPath) {
  Put("windows/talira.ini", "[V]\nK=0123456789\n");
  EXPECT_EQ(GetProfileString("V", "K", "", "TALIRA.INI", 255), "0123456789");
  EXPECT_EQ(GetProfileString("V", "K", "", "TALIRA.INI", 5), "0123");
  EXPECT_EQ(GetProfileString("V", "K", "", "TALIRA.INI", 1), "");
  EXPECT_EQ(GetProfileString("V", "K", "", "TALIRA.INI", 0), "");
  EXPECT_EQ(GetProfileString("V", "X", "defaultvalue", "TALIRA.INI", 4), "def");
  Put("windows/TALIRA.INI", "[V]\nK=" + std::string(300, 'y') + "\n");
  EXPECT_EQ(GetProfileString("V", "K", "", "TALIRA.INI", 255), std::string(254, 'y'));

  Put("prog/Local.ini", "[V]\nK=local\n");
  EXPECT_EQ(GetProfileString("V", "K", "", "c:\\prog\\local.ini", 255), "local");
  EXPECT_EQ(GetProfileString("V", "K", "none", "c:\\prog\\missing.ini", 255), "none");
  EXPECT_EQ(GetProfileString("V", "K", "none", "missing.ini", 255), "none");
  EXPECT_EQ(GetProfileString("V", "K", "none", "c:\\prog", 255), "none");  // a folder
}

TEST_F(ProfileTest, RegistryValuesComeFromTheRegistryFile) {
  Put("windows/registry.ini",
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\TCTS\\Mbrola\\databases\\BR4]\n"
      "@=c:\\quiral\\dezizede\\br4\n"
      "Nome = voz\n"
      "[HKLM\\Software\\Outro]\n"
      "X=1\n");
  EXPECT_EQ(ReadRegistryString("HKEY_LOCAL_MACHINE\\SOFTWARE\\TCTS\\Mbrola\\databases\\BR4\\", ""),
            "c:\\quiral\\dezizede\\br4");
  EXPECT_EQ(ReadRegistryString("hkey_local_machine\\software\\tcts\\mbrola\\databases\\br4", "NOME"), "voz");
  EXPECT_EQ(ReadRegistryString("HKLM\\SOFTWARE\\TCTS\\Mbrola\\databases\\BR4", "nome"), "voz");
  EXPECT_EQ(ReadRegistryString("HKEY_LOCAL_MACHINE\\SOFTWARE\\Outro", "X"), "1");
  EXPECT_EQ(ReadRegistryString("HKEY_LOCAL_MACHINE\\SOFTWARE\\Outro", "Y"), std::nullopt);
  EXPECT_EQ(ReadRegistryString("HKEY_LOCAL_MACHINE\\SOFTWARE\\Nada", "X"), std::nullopt);
  std::filesystem::remove(root_ + "/windows/registry.ini");
  EXPECT_EQ(ReadRegistryString("HKEY_LOCAL_MACHINE\\SOFTWARE\\Outro", "X"), std::nullopt);
}

}  // namespace
}  // namespace platform
