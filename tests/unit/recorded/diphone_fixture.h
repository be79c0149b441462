// Test support for the diphone synthesizer and the text reader: a temporary
// drive C with a settings file, a small voice database written by the test,
// letter rules and recorded letters, on the headless backend.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "console/console.h"
#include "platform/headless/headless.h"
#include "platform/platform.h"
#include "recorded/diphone_synth.h"
#include "recorded/wav_output.h"
#include "speech/speech_startup.h"
#include "speech/speech_state.h"
#include "tts/letter_to_sound.h"
#include "unit/recorded/wav_fixture.h"

namespace diphonetest {

using recorded::SynthEvent;

inline SynthEvent D(const std::string& key, std::size_t samples) {
  return {SynthEvent::Kind::Diphone, key, samples};
}
inline SynthEvent L(const std::string& key, std::size_t samples) {
  return {SynthEvent::Kind::Letter, key, samples};
}
inline SynthEvent Noise() { return {SynthEvent::Kind::Noise, "", recorded::kNoiseSamples}; }
inline SynthEvent Quiet(std::size_t samples) { return {SynthEvent::Kind::Silence, "", samples}; }

inline std::string Describe(const std::vector<SynthEvent>& events) {
  std::string out;
  for (const SynthEvent& e : events) {
    switch (e.kind) {
      case SynthEvent::Kind::Diphone: out += e.key; break;
      case SynthEvent::Kind::Letter: out += "letter " + e.key; break;
      case SynthEvent::Kind::Noise: out += "noise"; break;
      case SynthEvent::Kind::Silence: out += "silence"; break;
    }
    out += ":" + std::to_string(e.samples) + " ";
  }
  return out;
}

// One diphone of the fixture database: its key, length and sample value.
struct Entry {
  std::string name;
  std::uint16_t length;
  std::uint8_t value;
};

// The .IND image of the entries (sorted here), and the .DIF image.
inline void BuildDatabase(std::vector<Entry> entries, std::vector<std::uint8_t>& index,
                          std::vector<std::uint8_t>& samples) {
  std::sort(entries.begin(), entries.end(),
            [](const Entry& a, const Entry& b) { return recorded::DiphoneNameLess(a.name, b.name); });
  index.clear();
  samples.clear();
  for (const Entry& e : entries) {
    index.push_back(static_cast<std::uint8_t>(e.name.size()));
    std::string name = e.name;
    name.resize(8, '\0');
    index.insert(index.end(), name.begin(), name.end());
    wavtest::PutLe16(index, e.length);
    wavtest::PutLe32(index, static_cast<std::uint32_t>(samples.size()));
    samples.insert(samples.end(), e.length, e.value);
  }
}

// Rules that read each letter as itself (lower case), "ch" as "x", "lh" as "ly".
inline std::string SimpleRules() {
  std::string rules = "(CH)=x|\r\n(LH)=ly|\r\n";
  for (char c = 'A'; c <= 'Z'; ++c) {
    rules += std::string("(") + c + ")=" + static_cast<char>(c + 32) + "|\r\n";
  }
  return rules;
}

class SynthFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device entropy;
    root_ = std::filesystem::temp_directory_path() /
            ("tembrika-diphone-" + std::to_string(entropy()) + "-" + std::to_string(entropy()));
    std::filesystem::create_directories(root_ / "windows");
    std::filesystem::create_directories(root_ / "quiral" / "som" / "letras");
    std::filesystem::create_directories(root_ / "quiral" / "som" / "difones");
    std::filesystem::create_directories(root_ / "quiral" / "som" / "tembrika");
    platform::headless::Options options;
    options.clock.year = 2026;
    options.collectSamples = true;
    backend_ = &platform::headless::Install(options);
    platform::SetDriveCRoot(root_.string());
    console::ResetConsoleForTests();
    recorded::ResetWavOutputForTests();
    speech::ResetSpeechStateForTests();
    speech::ResetSpeechStartupForTests();
    recorded::ResetDiphoneSynthForTests();
    tts::ResetLetterToSoundForTests();
    speech::State().lettersFolder = "c:\\quiral\\som\\letras\\";
    speech::State().promptFolder = "c:\\quiral\\som\\tembrika\\";
    WriteSettings(BaseSettings());
    WriteFile("quiral/som/difones/regras.rgr", SimpleRules());
    WriteFile("quiral/som/difones/portug.exc", "voce=voce^|\r\n");
    recorded::SetSynthTrace(&trace_);
  }

  void TearDown() override {
    recorded::SetSynthTrace(nullptr);
    recorded::ResetDiphoneSynthForTests();
    recorded::ResetWavOutputForTests();
    tts::ResetLetterToSoundForTests();
    platform::SetDriveCRoot("");
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }

  // Helpers, public so that table-driven cases can call them.
 public:
  static std::string BaseSettings() {
    return "[TRADUTOR]\r\nDIRLETRAS=c:\\quiral\\som\\letras\\\r\n"
           "DIRDIFONES=c:\\quiral\\som\\difones\\\r\n";
  }

  void WriteFile(const std::string& relative, const std::string& text) {
    WriteBytes(relative, std::vector<std::uint8_t>(text.begin(), text.end()));
  }
  void WriteBytes(const std::string& relative, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(root_ / relative, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  void WriteSettings(const std::string& text) { WriteFile("windows/TALIRA.INI", text); }

  // Writes DIFONES2.IND/.DIF (or the given name) holding the entries.
  void WriteDatabase(const std::vector<Entry>& entries, const std::string& name = "DIFONES2") {
    std::vector<std::uint8_t> index, samples;
    BuildDatabase(entries, index, samples);
    WriteBytes("quiral/som/difones/" + name + ".IND", index);
    WriteBytes("quiral/som/difones/" + name + ".DIF", samples);
  }

  // A recorded letter of count samples of one value.
  void WriteLetter(const std::string& key, std::size_t count, std::uint8_t value) {
    WriteBytes("quiral/som/letras/" + key + ".wav", wavtest::MakeWav(wavtest::Constant(count, value)));
  }

  // Data bytes of every "buffer" line of the log (one per part of speech).
  std::vector<std::size_t> BufferParts() {
    std::vector<std::size_t> parts;
    for (const std::string& line : backend_->LogLines()) {
      if (line.rfind("buffer\t", 0) == 0) parts.push_back(std::stoul(line.substr(7)));
    }
    return parts;
  }

  // Types a key now: it is in the console's queue at the next pump.
  void TypeKey(char c) {
    const auto vk = static_cast<std::uintptr_t>(c >= 'a' && c <= 'z' ? c - 32 : c);
    platform::PostMessage(platform::kMsgKeyDown, vk);
    platform::PostMessage(platform::kMsgChar, static_cast<std::uint8_t>(c));
    platform::PostMessage(platform::kMsgKeyUp, vk);
  }

  std::vector<SynthEvent> TakeTrace() {
    std::vector<SynthEvent> events;
    events.swap(trace_);
    return events;
  }

  std::filesystem::path root_;
  platform::headless::HeadlessBackend* backend_ = nullptr;
  std::vector<SynthEvent> trace_;
};

}  // namespace diphonetest
