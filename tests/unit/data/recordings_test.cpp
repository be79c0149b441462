// Checks the shipped recordings under data/drive_c against their manifest and against
// the list of recordings the program plays: every file exists in the one format the
// players accept (canonical 44-byte header, 11025 Hz, 8-bit, mono), is audible, is
// trimmed so that pieces join without gaps, and the telephone tones are the right pairs.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <numbers>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <tuple>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kDriveC = TEMBRIKA_SOURCE_DRIVE_C;
const fs::path kManifest = kDriveC / ".." / ".." / "tools" / "recordings" / "manifest.tsv";
constexpr const char* kLetters = "quiral/som/letras/";
constexpr const char* kPrompts = "quiral/som/tembrika/";
constexpr std::uint32_t kRate = 11025;
constexpr std::size_t kHeaderSize = 44;
// A sample further than this from the midpoint 128 is sound, not quantisation noise.
constexpr int kAudible = 16;
// Pieces are joined back to back: at most this much quiet at either end.
constexpr double kMaxEdgeQuietSeconds = 0.015;

struct ManifestEntry {
  std::string file;  // relative to drive C, forward slashes
  std::string text;  // UTF-8 words, or "@dtmf LOW HIGH"
};

std::vector<ManifestEntry> ReadManifest() {
  std::ifstream in(kManifest);
  std::vector<ManifestEntry> entries;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    const auto tab = line.find('\t');
    if (tab == std::string::npos) {
      ADD_FAILURE() << "manifest line without a tab: " << line;
      continue;
    }
    entries.push_back({line.substr(0, tab), line.substr(tab + 1)});
  }
  return entries;
}

const std::vector<ManifestEntry>& Manifest() {
  static const std::vector<ManifestEntry> entries = ReadManifest();
  return entries;
}

std::optional<std::vector<std::uint8_t>> ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::optional<std::uint32_t> Le32(std::span<const std::uint8_t> b, std::size_t at) {
  if (at + 4 > b.size()) return std::nullopt;
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
         static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::optional<std::uint16_t> Le16(std::span<const std::uint8_t> b, std::size_t at) {
  if (at + 2 > b.size()) return std::nullopt;
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

bool TagAt(std::span<const std::uint8_t> b, std::size_t at, const std::string& tag) {
  if (at + tag.size() > b.size()) return false;
  for (std::size_t i = 0; i < tag.size(); ++i) {
    if (b[at + i] != static_cast<std::uint8_t>(tag[i])) return false;
  }
  return true;
}

// Returns an empty text when the file is a canonical 11025 Hz 8-bit mono PCM WAV whose
// header lengths match the file, else what is wrong.
std::string HeaderFault(std::span<const std::uint8_t> b) {
  if (b.size() <= kHeaderSize) return "shorter than a header and one sample";
  if (!TagAt(b, 0, "RIFF") || !TagAt(b, 8, "WAVE") || !TagAt(b, 12, "fmt ") || !TagAt(b, 36, "data"))
    return "chunk tags not RIFF/WAVE/fmt /data at 0/8/12/36";
  const auto size = static_cast<std::uint32_t>(b.size());
  if (Le32(b, 4) != size - 8) return "RIFF length is not the file size minus 8";
  if (Le32(b, 16) != 16u) return "fmt chunk is not 16 bytes";
  if (Le16(b, 20) != 1u) return "not PCM";
  if (Le16(b, 22) != 1u) return "not mono";
  if (Le32(b, 24) != kRate) return "sample rate is not 11025";
  if (Le32(b, 28) != kRate) return "bytes per second is not 11025";
  if (Le16(b, 32) != 1u) return "block alignment is not 1";
  if (Le16(b, 34) != 8u) return "not 8 bits per sample";
  if (Le32(b, 40) != size - kHeaderSize) return "data length is not the rest of the file";
  return {};
}

// Energy of one frequency in the samples (Goertzel), for telling tone pairs apart.
double Power(std::span<const std::uint8_t> samples, double hz) {
  const double k = 2.0 * std::cos(2.0 * std::numbers::pi * hz / kRate);
  double s1 = 0.0;
  double s2 = 0.0;
  for (const std::uint8_t u : samples) {
    const double s = (static_cast<double>(u) - 128.0) + k * s1 - s2;
    s2 = s1;
    s1 = s;
  }
  return s1 * s1 + s2 * s2 - k * s1 * s2;
}

// The recordings the program plays, by their names (without ".wav"), each with its folder.
std::vector<std::string> RecordingsThePlayerNames() {
  std::vector<std::string> names;
  for (const char* prompt :
       {"tbtembri", "tbsuaopc", "tbja",     "tbtempo",  "tbevecar", "tbeabert", "tbzerato",
        "tbsimnao", "tbzeraum", "tbtecinv", "tbnada",   "tbevento", "tbaju1",   "tbaju4",
        "tbaju2",   "tbaju3",   "tbfuninv", "tbeguard", "tbfim",    "tbapaeve", "tbcoment",
        "tbguarda", "tberrodh", "tbdesapa", "tbdia",    "tbdias",   "tbhora",   "tbhoras",
        "tbminu",   "tbminus",  "tbsegu",   "tbsegus",  "tbcent",   "tbcents"}) {
    names.push_back(std::string(kPrompts) + prompt);
  }
  for (int code = 0; code <= 255; ++code) names.push_back(kLetters + ("_" + std::to_string(code)));
  // Number words: "_" + word, "dezessete" made "dezeset", the whole name cut to 8.
  for (std::string word :
       {"zero",      "um",        "dois",         "tres",       "quatro",     "cinco",
        "seis",      "sete",      "oito",         "nove",       "dez",        "onze",
        "doze",      "treze",     "quatorze",     "quinze",     "dezesseis",  "dezessete",
        "dezoito",   "dezenove",  "vinte",        "trinta",     "quarenta",   "cinquenta",
        "sessenta",  "setenta",   "oitenta",      "noventa",    "cem",        "cento",
        "duzentos",  "trezentos", "quatrocentos", "quinhentos", "seiscentos", "setecentos",
        "oitocentos", "novecentos", "mil",        "milhao",     "milhoes",    "bilhao",
        "bilhoes",   "trilhao",   "trilhoes",     "e",          "uma",        "duas"}) {
    if (word == "dezessete") word = "dezeset";
    names.push_back(kLetters + ("_" + word).substr(0, 8));
  }
  for (const char* day : {"Domingo", "Segunda", "Terca", "Quarta", "Quinta", "Sexta", "Sabado"})
    names.push_back(kLetters + ("_" + std::string(day)));
  for (const char* month : {"Janeiro", "Fevereiro", "Marco", "Abril", "Maio", "Junho", "Julho",
                            "Agosto", "Setembro", "Outubro", "Novembro", "Dezembro"})
    names.push_back(kLetters + ("_" + std::string(month).substr(0, 7)));
  for (const char* piece : {"_primeir", "_de", "_e", "_hora", "_horas", "_minuto", "_minutos",
                            "_MENOS", "_DEL", "_APFCPO", "_APICPO", "_CPOAPA", "_FALACI",
                            "_FALDLG", "_VELOC"})
    names.push_back(kLetters + std::string(piece));
  for (int code = 'A'; code <= 'Z'; ++code) {
    names.push_back(kLetters + ("_FON" + std::to_string(code)));
    names.push_back(kLetters + ("_FON" + std::to_string(code + 32)));
  }
  for (const char* key : {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "#", "X"})
    names.push_back(kLetters + ("dtmf_" + std::string(key)));
  return names;
}

std::map<std::string, std::string> TextByFile() {
  std::map<std::string, std::string> texts;
  for (const auto& entry : Manifest()) texts[entry.file] = entry.text;
  return texts;
}

std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

TEST(Recordings, ManifestNamesEachFileOnceAndSaysSomething) {
  ASSERT_GT(Manifest().size(), 400u) << "manifest missing or cut short: " << kManifest;
  std::set<std::string> seen;
  for (const auto& entry : Manifest()) {
    // Names are matched without case on lookup, so two names may not differ by case alone.
    EXPECT_TRUE(seen.insert(Lower(entry.file)).second) << entry.file << " listed twice";
    EXPECT_FALSE(entry.text.empty()) << entry.file;
    EXPECT_TRUE(entry.file.ends_with(".wav")) << entry.file;
  }
}

TEST(Recordings, EveryRecordingThePlayerNamesIsInTheManifest) {
  const auto texts = TextByFile();
  for (const auto& name : RecordingsThePlayerNames()) {
    EXPECT_TRUE(texts.contains(name + ".wav")) << name << ".wav is played but not recorded";
  }
}

TEST(Recordings, EveryFileIsCanonicalAudibleAndTrimmed) {
  for (const auto& entry : Manifest()) {
    SCOPED_TRACE(entry.file);
    const auto bytes = ReadBytes(kDriveC / entry.file);
    ASSERT_TRUE(bytes.has_value()) << "missing";
    const std::string fault = HeaderFault(*bytes);
    ASSERT_EQ(fault, "");
    const std::span<const std::uint8_t> samples = std::span(*bytes).subspan(kHeaderSize);
    std::size_t first = samples.size();
    std::size_t last = 0;
    int loudest = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
      const int distance = std::abs(static_cast<int>(samples[i]) - 128);
      loudest = std::max(loudest, distance);
      if (distance > 1) {
        first = std::min(first, i);
        last = i;
      }
    }
    EXPECT_GT(loudest, kAudible) << "silent";
    ASSERT_LT(first, samples.size());
    EXPECT_LE(static_cast<double>(first) / kRate, kMaxEdgeQuietSeconds) << "leading silence";
    EXPECT_LE(static_cast<double>(samples.size() - 1 - last) / kRate, kMaxEdgeQuietSeconds)
        << "trailing silence";
  }
}

TEST(Recordings, NoRecordingOutsideTheManifestInItsFolders) {
  const auto texts = TextByFile();
  for (const char* folder : {kLetters, kPrompts}) {
    ASSERT_TRUE(fs::is_directory(kDriveC / folder)) << folder;
    for (const auto& item : fs::directory_iterator(kDriveC / folder)) {
      const std::string name = item.path().filename().string();
      if (Lower(item.path().extension().string()) != ".wav") continue;
      EXPECT_TRUE(texts.contains(folder + name)) << folder << name << " is not in the manifest";
    }
  }
}

TEST(Recordings, UpperAndLowerCaseLettersSayTheSame) {
  const auto texts = TextByFile();
  auto text = [&](const std::string& file) {
    const auto it = texts.find(kLetters + file);
    return it == texts.end() ? std::string("<missing " + file + ">") : it->second;
  };
  // A..Z and the cp1252 capitals 192..222 except the multiplication sign 215.
  for (int upper = 0; upper <= 255; ++upper) {
    if (!((upper >= 'A' && upper <= 'Z') || (upper >= 192 && upper <= 222 && upper != 215))) continue;
    const int lower = upper + 32;
    EXPECT_EQ(text("_" + std::to_string(upper) + ".wav"), text("_" + std::to_string(lower) + ".wav"))
        << "code " << upper;
    if (upper <= 'Z') {
      EXPECT_EQ(text("_FON" + std::to_string(upper) + ".wav"),
                text("_FON" + std::to_string(lower) + ".wav"))
          << "code " << upper;
    }
  }
}

TEST(Recordings, TelephoneTonesAreTheKeypadPairs) {
  const double low[] = {697, 770, 852, 941};
  const double high[] = {1209, 1336, 1477};
  // Key, row (low frequency) and column (high frequency) on the keypad.
  const std::vector<std::tuple<std::string, int, int>> keys = {
      {"1", 0, 0}, {"2", 0, 1}, {"3", 0, 2}, {"4", 1, 0}, {"5", 1, 1}, {"6", 1, 2},
      {"7", 2, 0}, {"8", 2, 1}, {"9", 2, 2}, {"X", 3, 0}, {"0", 3, 1}, {"#", 3, 2}};
  for (const auto& [key, row, column] : keys) {
    SCOPED_TRACE("dtmf_" + key);
    const auto bytes = ReadBytes(kDriveC / (std::string(kLetters) + "dtmf_" + key + ".wav"));
    ASSERT_TRUE(bytes.has_value());
    ASSERT_EQ(HeaderFault(*bytes), "");
    const auto samples = std::span(*bytes).subspan(kHeaderSize);
    const double seconds = static_cast<double>(samples.size()) / kRate;
    EXPECT_GE(seconds, 0.120);
    EXPECT_LE(seconds, 0.200);
    const double wanted_low = Power(samples, low[row]);
    const double wanted_high = Power(samples, high[column]);
    for (int r = 0; r < 4; ++r) {
      if (r != row) {
        EXPECT_GT(wanted_low, 20 * Power(samples, low[r])) << low[r] << " Hz";
      }
    }
    for (int c = 0; c < 3; ++c) {
      if (c != column) {
        EXPECT_GT(wanted_high, 20 * Power(samples, high[c])) << high[c] << " Hz";
      }
    }
    // Both tones at similar strength (a twist of a few dB at most).
    EXPECT_LT(std::max(wanted_low, wanted_high), 4 * std::min(wanted_low, wanted_high));
  }
}

}  // namespace
