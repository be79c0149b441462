// talira-say as a user runs it, on the shipped settings and data: the
// translation printed with --phonetic, speech written with --wav, and clear
// failures when the settings or the data are missing.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string Quote(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return {};
  std::string bytes(static_cast<std::size_t>(in.tellg()), '\0');
  in.seekg(0);
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

struct SayRun {
  int code = -1;
  std::vector<std::string> out;
  std::string errors;
};

class TaliraSayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device entropy;
    dir_ = fs::temp_directory_path() / ("talira-say-e2e-" + std::to_string(entropy()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  SayRun Say(const std::string& arguments, const std::string& input = "/dev/null") {
    const fs::path out = dir_ / "out.txt";
    const fs::path err = dir_ / "err.txt";
    const std::string command = Quote(TALIRA_SAY) + " --drive-c " + Quote(TEMBRIKA_SOURCE_DRIVE_C) +
                                " " + arguments + " >" + Quote(out.string()) + " 2>" +
                                Quote(err.string()) + " <" + Quote(input) + "; echo $? >" +
                                Quote((dir_ / "rc.txt").string());
    EXPECT_EQ(std::system(command.c_str()), 0);
    SayRun run;
    const std::string rc = ReadFile(dir_ / "rc.txt");
    run.code = rc.empty() ? -1 : std::stoi(rc);
    std::istringstream lines(ReadFile(out));
    for (std::string line; std::getline(lines, line);) run.out.push_back(line);
    run.errors = ReadFile(err);
    return run;
  }

  // Sample count of an 11025 Hz 8-bit mono WAV file; nullopt when it is not one.
  static std::optional<std::size_t> WavSamples(const fs::path& path) {
    const std::string bytes = ReadFile(path);
    if (bytes.size() < 44 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) {
      return std::nullopt;
    }
    const auto u = [&bytes](std::size_t at, int n) {
      std::uint32_t v = 0;
      for (int i = n - 1; i >= 0; --i) v = (v << 8) | static_cast<std::uint8_t>(bytes[at + i]);
      return v;
    };
    if (u(22, 2) != 1 || u(24, 4) != 11025 || u(34, 2) != 8) return std::nullopt;
    if (bytes.compare(36, 4, "data") != 0 || u(40, 4) != bytes.size() - 44) return std::nullopt;
    return bytes.size() - 44;
  }

  fs::path dir_;
};

TEST_F(TaliraSayTest, PhoneticPrintsOneLinePerInputLine) {
  const SayRun run = Say("--phonetic " + Quote("casa bonita"));
  ASSERT_EQ(run.code, 0) << run.errors;
  ASSERT_EQ(run.out.size(), 1u);
  EXPECT_EQ(run.out[0].front(), '[');
  EXPECT_EQ(run.out[0].back(), ']');
  EXPECT_NE(run.out[0].find("]["), std::string::npos) << run.out[0];  // two words

  std::ofstream(dir_ / "lines.txt") << "Olá, mundo.\r\n\r\nção\n";
  const SayRun lines = Say("--phonetic -f " + Quote((dir_ / "lines.txt").string()));
  ASSERT_EQ(lines.code, 0) << lines.errors;
  ASSERT_EQ(lines.out.size(), 3u);
  EXPECT_NE(lines.out[0].find("[ /_,]"), std::string::npos) << lines.out[0];
  EXPECT_EQ(lines.out[1], "");
  EXPECT_NE(lines.out[2], "");
}

TEST_F(TaliraSayTest, WavHoldsTheSpeech) {
  const std::string text =
      "O cronômetro falante diz o tempo decorrido em 2026, às 14 horas: bom dia, guarda-chuva!";
  std::optional<std::size_t> samples[6];
  for (int speed = 1; speed <= 5; ++speed) {
    const fs::path wav = dir_ / ("s" + std::to_string(speed) + ".wav");
    const SayRun run = Say("--speed " + std::to_string(speed) + " --wav " + Quote(wav.string()) + " " + Quote(text));
    ASSERT_EQ(run.code, 0) << run.errors;
    samples[speed] = WavSamples(wav);
    ASSERT_TRUE(samples[speed].has_value()) << speed;
    // Several seconds of speech, not silence.
    EXPECT_GT(*samples[speed], 11025u * 2) << speed;
    const std::string bytes = ReadFile(wav);
    std::size_t loud = 0;
    for (std::size_t i = 44; i < bytes.size(); ++i) {
      const int v = static_cast<std::uint8_t>(bytes[i]);
      if (v < 96 || v > 160) ++loud;
    }
    EXPECT_GT(loud, *samples[speed] / 20) << speed;
  }
  // Each speed gives shorter speech than the one before.
  for (int speed = 2; speed <= 5; ++speed) EXPECT_LT(*samples[speed], *samples[speed - 1]) << speed;

  // The same text read from the standard input gives the same sound.
  std::ofstream(dir_ / "text.txt") << text << "\n";
  const fs::path piped = dir_ / "piped.wav";
  const SayRun run = Say("--speed 3 --wav " + Quote(piped.string()) + " -f -", (dir_ / "text.txt").string());
  ASSERT_EQ(run.code, 0) << run.errors;
  EXPECT_EQ(ReadFile(piped), ReadFile(dir_ / "s3.wav"));
}

TEST_F(TaliraSayTest, MissingSettingsOrDataAreTold) {
  const fs::path empty = dir_ / "c";
  fs::create_directories(empty / "windows");
  SayRun run = Say("--drive-c " + Quote(empty.string()) + " --wav " + Quote((dir_ / "x.wav").string()) + " oi");
  EXPECT_EQ(run.code, 1);
  EXPECT_NE(run.errors.find("TALIRA.INI"), std::string::npos) << run.errors;
  EXPECT_FALSE(fs::exists(dir_ / "x.wav"));

  // Settings present, voice database missing: the database and the file are named.
  fs::copy_file(fs::path(TEMBRIKA_SOURCE_DRIVE_C) / "windows" / "TALIRA.INI", empty / "windows" / "TALIRA.INI");
  fs::create_directories(empty / "quiral" / "som" / "letras");
  fs::create_directories(empty / "quiral" / "som" / "difones");
  run = Say("--drive-c " + Quote(empty.string()) + " --speed 2 --wav " + Quote((dir_ / "x.wav").string()) + " oi");
  EXPECT_EQ(run.code, 1);
  EXPECT_NE(run.errors.find("DIFONES2"), std::string::npos) << run.errors;
  EXPECT_NE(run.errors.find(".IND"), std::string::npos) << run.errors;

  run = Say("--speed 0 oi");
  EXPECT_EQ(run.code, 2);
  run = Say("--help");
  EXPECT_EQ(run.code, 0);
  std::string help;
  for (const std::string& line : run.out) help += line + "\n";
  for (const char* option : {"--speed", "--phonetic", "--wav", "--drive-c", "-f FILE", "TEXT"}) {
    EXPECT_NE(help.find(option), std::string::npos) << option;
  }
}

}  // namespace
