// One fuzz input for the diphone synthesizer: the first two bytes give the
// length of an index file (.IND), the bytes after it are that index, and the
// rest is a phonetic text. The index is loaded from a drive C of its own (with
// a fixed sample file, letter rules and one recorded letter) and the text is
// spoken on the headless backend, once as the text reader speaks it and once
// with punctuation spelled.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "console/console.h"
#include "platform/headless/headless.h"
#include "platform/platform.h"
#include "recorded/diphone_synth.h"
#include "recorded/wav_output.h"
#include "speech/speech_state.h"

namespace fuzzing {

inline void WriteDiphoneFuzzFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A folder removed when the process ends.
struct DiphoneFuzzFolder {
  std::filesystem::path path;
  ~DiphoneFuzzFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
};

// The drive C of the fuzz runs, made once per process.
inline const std::filesystem::path& DiphoneFuzzDrive() {
  static const DiphoneFuzzFolder root{[] {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("tembrika-diphone-fuzz-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir / "windows");
    std::filesystem::create_directories(dir / "letras");
    std::filesystem::create_directories(dir / "difones");
    const std::string ini = "[TRADUTOR]\r\nDIRLETRAS=c:\\letras\r\nDIRDIFONES=c:\\difones\r\n";
    WriteDiphoneFuzzFile(dir / "windows" / "TALIRA.INI",
                         std::span(reinterpret_cast<const std::uint8_t*>(ini.data()), ini.size()));
    const std::string rules = "(A)=a|\r\n(K)=k|\r\n";
    WriteDiphoneFuzzFile(dir / "difones" / "regras.rgr",
                         std::span(reinterpret_cast<const std::uint8_t*>(rules.data()), rules.size()));
    WriteDiphoneFuzzFile(dir / "difones" / "portug.exc", {});
    const std::vector<std::uint8_t> samples(3000, 100);
    WriteDiphoneFuzzFile(dir / "difones" / "DIFONES2.DIF", samples);
    // "_98.wav": RIFF, fmt of 16 bytes, data of 40 samples.
    std::vector<std::uint8_t> wav = {'R', 'I', 'F', 'F', 76, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
                                     16, 0, 0, 0, 1, 0, 1, 0, 0x11, 0x2B, 0, 0, 0x11, 0x2B, 0, 0, 1, 0, 8, 0,
                                     'd', 'a', 't', 'a', 40, 0, 0, 0};
    wav.resize(wav.size() + 40, 90);
    WriteDiphoneFuzzFile(dir / "letras" / "_98.wav", wav);
    return dir;
  }()};
  return root.path;
}

inline void RunDiphoneInput(std::span<const std::uint8_t> data) {
  const std::filesystem::path& root = DiphoneFuzzDrive();
  static bool installed = false;
  if (!installed) {
    installed = true;
    platform::headless::Options options;
    options.virtualHoursLimit = 1e9;
    options.stepLimit = UINT64_MAX;
    platform::headless::Install(options);
  }
  platform::SetDriveCRoot(root.string());
  std::size_t indexSize = data.size() >= 2 ? (data[0] | (data[1] << 8)) : 0;
  data = data.size() >= 2 ? data.subspan(2) : std::span<const std::uint8_t>();
  indexSize = std::min(indexSize, data.size());
  WriteDiphoneFuzzFile(root / "difones" / "DIFONES2.IND", data.first(indexSize));
  const auto text = data.subspan(indexSize);
  const std::string phonetic(reinterpret_cast<const char*>(text.data()), text.size());

  console::ResetConsoleForTests();
  recorded::ResetWavOutputForTests();
  speech::ResetSpeechStateForTests();
  recorded::ResetDiphoneSynthForTests();
  if (recorded::StartDiphoneSynth() == 0) {
    recorded::SpeakPhonetic(phonetic, false);
    recorded::SpeakPhonetic(phonetic, true);
  }
  recorded::StopDiphoneSynth();
}

}  // namespace fuzzing
