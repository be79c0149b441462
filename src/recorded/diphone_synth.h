// The diphone concatenation synthesizer: speaks the phonetic text of the
// letter-to-sound translator by gluing recorded diphones of a voice database
// (an index ".IND" of 15-byte records and a sample file ".DIF", 11025 Hz
// 8-bit mono) into one output buffer played through the wave output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace recorded {

inline constexpr std::size_t kDiphoneRecordSize = 15;
inline constexpr std::size_t kDiphoneNameMax = 8;
inline constexpr std::size_t kDatabaseNameMax = 8;
inline constexpr std::size_t kSpeechBufferBytes = 64000;
inline constexpr std::size_t kSpeechHeaderBytes = 44;
// The most samples one part of speech holds.
inline constexpr std::size_t kSpeechPartSamples = kSpeechBufferBytes - kSpeechHeaderBytes;
inline constexpr std::size_t kMaxFolderLength = 79;
inline constexpr std::size_t kMaxPhoneticToken = 40;
inline constexpr std::size_t kMaxPhoneticPiece = 12;
inline constexpr std::size_t kMaxDiphoneKey = 12;
inline constexpr std::size_t kNoiseSamples = 300;
inline constexpr std::size_t kSilenceStep = 100;

// One record of the index file.
struct DiphoneRecord {
  std::string name;  // upper-case key, at most 8 characters
  std::uint16_t length = 0;  // samples
  std::uint32_t offset = 0;  // position of the first sample in the .DIF file
};

// The records of an index file's bytes: size div 15 records; a name length
// above 8 is taken as 8.
std::vector<DiphoneRecord> ParseDiphoneIndex(std::span<const std::uint8_t> bytes);

// The order of the index: length-prefixed byte strings (a prefix comes first).
bool DiphoneNameLess(std::string_view a, std::string_view b);

// ---- module life --------------------------------------------------------------
// Start-up values: database "DIFONES2", timing (400, 0, 100, off, off).
void DiphoneSynthStartUp();
void ResetDiphoneSynthForTests();

// Loads the voice, the letter rules "regras.rgr" and the exceptions
// "portug.exc" of the diphone folder, and reserves the output buffer.
// 0: ready; 1: the voice was not loaded; 2: a letter-rule file was not loaded.
int StartDiphoneSynth();
// Releases the buffer, the letter rules, the sample file and the index.
void StopDiphoneSynth();
bool DiphoneSynthReady();
// What went wrong at the last start (a folder or file named), empty after success.
const std::string& DiphoneStartError();

// Reads the folders from the settings and opens the database files.
bool LoadDiphoneVoice();

// ---- settings -------------------------------------------------------------------
// Cut, minimum and word gap in samples (negative values count as 0), and the
// wave output's ShortenSpeech and RaisedRate switches.
void SetDiphoneTiming(std::int32_t cut, std::int32_t minimum, std::int32_t wordGap,
                      bool shortenSpeech, bool raisedRate);
struct DiphoneTiming {
  std::int32_t cut = 400;
  std::int32_t minimum = 0;
  std::int32_t wordGap = 100;
};
DiphoneTiming CurrentDiphoneTiming();

// The database name (cut to 8 characters), as the speech start-up sets it.
void SetDiphoneDatabaseName(std::string_view name);
const std::string& DiphoneDatabaseName();

// The folders read by LoadDiphoneVoice, each ending with a backslash.
const std::string& DiphoneLettersFolder();
const std::string& DiphoneFolder();
std::size_t DiphoneRecordCount();

// ---- speaking -------------------------------------------------------------------
// Speaks a phonetic text; returns when its last part has been played (or cut).
// With spellPunctuation the tokens "_," "_." "_:" "_;" are played as recorded
// characters instead of pauses.
void SpeakPhonetic(std::string_view phonetic, bool spellPunctuation);

// ---- observation, for tests and tools ----------------------------------------
struct SynthEvent {
  enum class Kind { Diphone, Letter, Noise, Silence };
  Kind kind = Kind::Diphone;
  std::string key;            // Diphone, Letter: the key found
  std::size_t samples = 0;    // samples appended
  bool operator==(const SynthEvent&) const = default;
};
// While set, every sound appended to the output buffer is also described here.
void SetSynthTrace(std::vector<SynthEvent>* trace);

}  // namespace recorded
