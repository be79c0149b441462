// Drive C: the mapping of the program's Windows paths to native paths.

#include <cstdlib>

#include "platform_fixture.h"

namespace platform {
namespace {

using DriveCTest = DriveCFixture;

TEST_F(DriveCTest, ProgramPathsMapToDriveCWithoutRegardToCase) {
  Put("Quiral/Som/Letras/_65.wav", "a");
  Put("windows/TALIRA.INI", "");
  Put("windows/talira.ini", "");  // a second file that differs only in case
  struct Case {
    const char* program;
    std::string native;
  } cases[] = {
      {"c:\\quiral\\som\\letras\\_65.wav", root_ + "/Quiral/Som/Letras/_65.wav"},
      {"C:\\QUIRAL\\SOM\\LETRAS\\_65.WAV", root_ + "/Quiral/Som/Letras/_65.wav"},
      {"c:/Quiral/Som/Letras/_65.wav", root_ + "/Quiral/Som/Letras/_65.wav"},
      {"c:\\windows\\talira.ini", root_ + "/windows/talira.ini"},  // the exact name first
      {"c:\\windows\\TALIRA.INI", root_ + "/windows/TALIRA.INI"},
      {"c:\\WINDOWS\\TALIRA.INI", root_ + "/windows/TALIRA.INI"},
      {"c:\\windows\\\\.\\TALIRA.INI", root_ + "/windows/TALIRA.INI"},
      {"c:\\quiral\\som\\", root_ + "/Quiral/Som"},
      {"c:\\Nada\\Novo.txt", root_ + "/Nada/Novo.txt"},  // missing names are kept as written
      {"c:\\..\\windows", root_ + "/windows"},            // nothing above the drive's root
      {"c:", root_},
      {"\\quiral\\som", root_ + "/Quiral/Som"},           // rooted on the current drive
      {"c:\\a\xE7\xE3o.txt", root_ + "/a\xC3\xA7\xC3\xA3o.txt"},  // cp1252 names become UTF-8
  };
  for (const Case& c : cases) EXPECT_EQ(NativePath(c.program), c.native) << c.program;
  EXPECT_EQ(WindowsFolder(), "c:\\windows");
}

TEST_F(DriveCTest, NativeAndRelativePaths) {
  Put("Work/Eventos.TPO", "x");
  std::string saved = CurrentDirectory();
  std::filesystem::current_path(root_ + "/Work");
  EXPECT_EQ(NativePath("eventos.tpo"), "Eventos.TPO");
  EXPECT_EQ(NativePath("sub\\novo.tpo"), "sub/novo.tpo");
  EXPECT_TRUE(FileExists("EVENTOS.tpo"));
  EXPECT_EQ(NativePath(root_ + "/work\\eventos.tpo"), root_ + "/Work/Eventos.TPO");
  EXPECT_EQ(NativePath(CurrentDirectory() + "\\TALIRA.INI"), CurrentDirectory() + "/TALIRA.INI");
  EXPECT_EQ(NativePath("/"), "/");
  EXPECT_EQ(NativePath(""), ".");
  std::filesystem::current_path(saved);
}

TEST_F(DriveCTest, RootComesFromTheOverrideThenTheEnvironment) {
  EXPECT_EQ(DriveCRoot(), root_);
  SetDriveCRoot("");
  const char* old = std::getenv("TALIRA_DRIVE_C");
  std::string saved = old ? old : "";
  ::setenv("TALIRA_DRIVE_C", "/tmp/elsewhere/", 1);
  EXPECT_EQ(DriveCRoot(), "/tmp/elsewhere");
  ::unsetenv("TALIRA_DRIVE_C");
  EXPECT_NE(DriveCRoot(), "/tmp/elsewhere");
  EXPECT_FALSE(DriveCRoot().empty());
  if (old) ::setenv("TALIRA_DRIVE_C", saved.c_str(), 1);
  SetDriveCRoot(root_ + "/");
  EXPECT_EQ(DriveCRoot(), root_);
}

TEST_F(DriveCTest, FilesAndFolders) {
  Put("dados/arquivo.bin", std::string("\x01\x02\x03\x04\x05", 5));
  EXPECT_TRUE(FileExists("c:\\DADOS\\Arquivo.bin"));
  EXPECT_FALSE(FileExists("c:\\dados"));
  EXPECT_TRUE(FolderExists("c:\\dados"));
  EXPECT_FALSE(FolderExists("c:\\dados\\arquivo.bin"));
  EXPECT_FALSE(FileExists("c:\\dados\\outro.bin"));

  std::optional<std::vector<std::uint8_t>> bytes = ReadWholeFile("c:\\dados\\arquivo.bin");
  ASSERT_TRUE(bytes);
  EXPECT_EQ(*bytes, (std::vector<std::uint8_t>{1, 2, 3, 4, 5}));
  EXPECT_FALSE(ReadWholeFile("c:\\dados"));
  EXPECT_FALSE(ReadWholeFile("c:\\nada"));

  std::optional<InputFile> file = InputFile::Open("c:\\dados\\ARQUIVO.BIN");
  ASSERT_TRUE(file);
  EXPECT_EQ(file->Size(), 5u);
  std::uint8_t buffer[3] = {};
  EXPECT_EQ(file->Read(buffer), 3u);
  EXPECT_EQ(buffer[2], 3);
  EXPECT_TRUE(file->Skip(1));
  EXPECT_EQ(file->Position(), 4u);
  EXPECT_EQ(file->Read(buffer), 1u);
  EXPECT_EQ(buffer[0], 5);
  EXPECT_EQ(file->Read(buffer), 0u);
  EXPECT_FALSE(file->Seek(6));  // past the end
  EXPECT_FALSE(file->Skip(UINT64_MAX));
  EXPECT_TRUE(file->Seek(1));
  InputFile moved = std::move(*file);
  EXPECT_EQ(moved.Read(buffer), 3u);
  EXPECT_EQ(buffer[0], 2);
  EXPECT_FALSE(InputFile::Open("c:\\dados"));

  EXPECT_TRUE(DeleteFile("c:\\Dados\\arquivo.BIN"));
  EXPECT_FALSE(FileExists("c:\\dados\\arquivo.bin"));
  EXPECT_FALSE(DeleteFile("c:\\dados\\arquivo.bin"));
  EXPECT_FALSE(DeleteFile("c:\\dados"));
}

TEST_F(DriveCTest, ReplaceFileWritesAndKeepsTheOldFileOnAFullDisk) {
  Put("dados/eventos.tpo", "old contents");
  std::string native = root_ + "/dados/eventos.tpo";
  const std::string text = "new contents, longer than the old";
  std::vector<std::uint8_t> contents(text.begin(), text.end());

  SetWriteQuotaForTests(10);
  EXPECT_EQ(ReplaceFile("c:\\dados\\EVENTOS.TPO", contents), ENOSPC);
  EXPECT_EQ(Read(native), "old contents");
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(root_ + "/dados")) {
    names.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(names, std::vector<std::string>{"eventos.tpo"});  // no temporary file left

  SetWriteQuotaForTests(std::nullopt);
  EXPECT_EQ(ReplaceFile("c:\\dados\\EVENTOS.TPO", contents), 0);
  EXPECT_EQ(Read(native), text);
  EXPECT_EQ(ReplaceFile("c:\\dados\\novo.tpo", {}), 0);
  EXPECT_TRUE(FileExists("c:\\dados\\novo.tpo"));
  EXPECT_EQ(ReplaceFile("c:\\nada\\x.tpo", contents), ENOENT);
  EXPECT_EQ(ReplaceFile("c:\\dados", contents), EISDIR);

  const std::string longName(250, 'n');
  EXPECT_EQ(ReplaceFile("c:\\dados\\" + longName, contents), 0);
  EXPECT_EQ(Read(root_ + "/dados/" + longName), text);

  // The quota counts every byte written since it was set.
  SetWriteQuotaForTests(40);
  EXPECT_EQ(ReplaceFile("c:\\dados\\a.tpo", contents), 0);
  EXPECT_EQ(ReplaceFile("c:\\dados\\b.tpo", contents), ENOSPC);
  EXPECT_FALSE(FileExists("c:\\dados\\b.tpo"));
}

TEST_F(DriveCTest, LibrariesAndTheProcess) {
  EXPECT_EQ(LoadSharedLibrary("nao-existe.dll"), nullptr);
  EXPECT_EQ(LoadSharedLibrary(""), nullptr);
  void* libc = LoadSharedLibrary("libc.so.6");
  ASSERT_NE(libc, nullptr);
  EXPECT_NE(FindSymbol(libc, "strlen"), nullptr);
  EXPECT_EQ(FindSymbol(libc, "no_such_symbol_here"), nullptr);
  FreeSharedLibrary(libc);
  EXPECT_NE(ExecutablePath().find("unit_platform"), std::string::npos);
  try {
    ExitProcess(7);
  } catch (const ProcessExit& exit) {
    EXPECT_EQ(exit.code, 7);
  }
}

}  // namespace
}  // namespace platform
