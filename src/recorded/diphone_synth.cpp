#include "recorded/diphone_synth.h"

#include <algorithm>
#include <array>
#include <optional>

#include "platform/platform.h"
#include "recorded/wav_output.h"
#include "speech/speech_prompts.h"
#include "tts/letter_to_sound.h"

namespace recorded {

namespace {

constexpr std::uint32_t kRate = 11025;
constexpr std::size_t kProfileBuffer = kMaxFolderLength + 1;

// Pauses of the punctuation tokens, in samples.
constexpr std::size_t kPauseComma = 4000;
constexpr std::size_t kPauseFullStop = 8000;
constexpr std::size_t kPauseColon = 8000;
constexpr std::size_t kPauseSemicolon = 6000;

struct DiphoneSynthState {
  std::string databaseName = "DIFONES2";
  std::string lettersFolder;
  std::string diphoneFolder;
  std::vector<DiphoneRecord> index;
  std::optional<platform::InputFile> sampleFile;
  std::vector<std::uint8_t> output;  // the 64000-byte buffer while started
  std::size_t writePos = kSpeechHeaderBytes;
  std::string_view text;  // the phonetic text being spoken
  std::size_t readPos = 0;  // 0-based position in text
  int stressLevel = 1;
  DiphoneTiming timing;
  bool spellPunctuation = false;
  std::uint32_t noise = 0x9E3779B9u;
  std::vector<SynthEvent>* trace = nullptr;
  std::string startError;
  bool ready = false;
};

DiphoneSynthState& S() {
  static DiphoneSynthState state;
  return state;
}

// ---- character classes of the phonetic text -------------------------------------
bool IsVowel(char c) {
  switch (c) {
    case 'A': case 'E': case 'I': case 'O': case 'U':
    case 'a': case 'e': case 'i': case 'o': case 'u': case 'w': case 'y':
      return true;
    default:
      return false;
  }
}
bool IsStressedVowel(char c) { return c == 'A' || c == 'E' || c == 'I' || c == 'O' || c == 'U'; }
bool IsConsonant(char c) {
  return c >= 'a' && c <= 'z' && c != 'a' && c != 'e' && c != 'h' && c != 'i' && c != 'o' &&
         c != 'u' && c != 'w' && c != 'y';
}
bool IsGlide(char c) { return c == 'w' || c == 'y'; }
bool IsMark(char c) { return c == '^' || c == '~'; }

bool EndsWith(std::string_view s, std::string_view tail) {
  return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

std::string Cut(std::string_view s, std::size_t limit) {
  return std::string(s.substr(0, std::min(s.size(), limit)));
}

// a followed by b (appended in place: no temporaries to copy between).
std::string Joined(std::string_view a, std::string_view b) {
  std::string out;
  out.reserve(a.size() + b.size());
  out.append(a);
  out.append(b);
  return out;
}

std::string WithBackslash(std::string folder) {
  if (!folder.empty() && folder.back() != '\\') folder.push_back('\\');
  return folder;
}

// A program path with the native path it maps to, for error texts.
std::string Located(const std::string& path) { return path + " (" + platform::NativePath(path) + ")"; }

void Trace(SynthEvent::Kind kind, std::string key, std::size_t samples) {
  if (S().trace != nullptr) S().trace->push_back(SynthEvent{kind, std::move(key), samples});
}

std::uint32_t NextNoise() {
  std::uint32_t& x = S().noise;
  x ^= x << 13;
  x ^= x >> 17;
  x ^= x << 5;
  return x;
}

std::uint32_t ReadLe32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint32_t>(bytes[at]) | (static_cast<std::uint32_t>(bytes[at + 1]) << 8) |
         (static_cast<std::uint32_t>(bytes[at + 2]) << 16) |
         (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

std::uint16_t ReadLe16(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

// ---- the output buffer --------------------------------------------------------------
void EnsureBuffer() {
  DiphoneSynthState& s = S();
  if (s.output.size() != kSpeechBufferBytes) s.output.assign(kSpeechBufferBytes, 128);
}

void FlushSpeech() {
  DiphoneSynthState& s = S();
  if (s.writePos <= kSpeechHeaderBytes) return;
  const auto data = static_cast<std::uint32_t>(s.writePos - kSpeechHeaderBytes);
  speech::FillWavHeader(s.output, data, kRate, 8, 1);
  speech::PlayBufferAndWait(std::span<std::uint8_t>(s.output.data(), s.writePos));
  s.writePos = kSpeechHeaderBytes;
}

// Makes room for n more samples: the buffer is played first when they would
// not fit. n never exceeds one part (callers cut longer pieces).
void EnsureRoom(std::size_t n) {
  if (S().writePos + n >= kSpeechBufferBytes) {
    FlushSpeech();
    speech::WaitWhileSpeechBusy();
  }
}

void AppendSilence(std::size_t n) {
  DiphoneSynthState& s = S();
  const std::size_t blocks = n / kSilenceStep;
  for (std::size_t i = 0; i < blocks; ++i) {
    EnsureRoom(kSilenceStep);
    std::fill_n(s.output.begin() + static_cast<std::ptrdiff_t>(s.writePos), kSilenceStep, 128);
    s.writePos += kSilenceStep;
  }
  if (blocks > 0) Trace(SynthEvent::Kind::Silence, {}, blocks * kSilenceStep);
}

void AppendNoise() {
  DiphoneSynthState& s = S();
  EnsureRoom(kNoiseSamples);
  for (std::size_t i = 0; i < kNoiseSamples; ++i) {
    s.output[s.writePos++] = static_cast<std::uint8_t>(88 + NextNoise() % 80);
  }
  Trace(SynthEvent::Kind::Noise, {}, kNoiseSamples);
}

// Appends up to count samples read from file at its current position; the
// samples actually read.
std::size_t AppendFromFile(platform::InputFile& file, std::size_t count) {
  DiphoneSynthState& s = S();
  count = std::min(count, kSpeechPartSamples);
  EnsureRoom(count);
  const std::size_t got = file.Read(std::span<std::uint8_t>(s.output.data() + s.writePos, count));
  s.writePos += got;
  return got;
}

// ---- diphones and recorded letters ---------------------------------------------------
const DiphoneRecord* FindRecord(const std::string& key) {
  const std::vector<DiphoneRecord>& index = S().index;
  std::size_t low = 0;
  std::size_t high = index.size();
  while (low < high) {
    const std::size_t mid = low + (high - low) / 2;
    if (index[mid].name == key) return &index[mid];
    if (DiphoneNameLess(index[mid].name, key)) {
      low = mid + 1;
    } else {
      high = mid;
    }
  }
  return nullptr;
}

bool FindDiphone(std::string key, int level, double share) {
  DiphoneSynthState& s = S();
  for (char& c : key) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  const DiphoneRecord* record = FindRecord(key);
  if (record == nullptr) return false;
  const std::int64_t length = record->length;
  std::int64_t kept = length;
  if (level < 2 && key.size() > 2) {
    kept = length - s.timing.cut;
    if (kept < s.timing.minimum) kept = length < s.timing.minimum ? length : s.timing.minimum;
  }
  const auto wanted = static_cast<std::int64_t>(static_cast<double>(kept) * share);
  std::size_t got = 0;
  if (wanted > 0 && s.sampleFile && s.sampleFile->Seek(record->offset)) {
    got = AppendFromFile(*s.sampleFile, static_cast<std::size_t>(wanted));
  }
  Trace(SynthEvent::Kind::Diphone, key, got);
  return true;
}

// The size of the "data" chunk of a RIFF file, the file left at its first
// sample; 0 when the file is not such a file or ends early.
std::uint32_t FindWavData(platform::InputFile& file) {
  std::array<std::uint8_t, 20> head{};
  if (file.Read(head) != head.size()) return 0;
  const auto tagIs = [](std::span<const std::uint8_t> at, std::string_view tag) {
    for (std::size_t i = 0; i < 4; ++i) {
      const auto upper = [](std::uint8_t c) { return c >= 'a' && c <= 'z' ? c - 32 : c; };
      if (upper(at[i]) != upper(static_cast<std::uint8_t>(tag[i]))) return false;
    }
    return true;
  };
  const std::span<const std::uint8_t> bytes(head);
  if (!tagIs(bytes.subspan(0, 4), "RIFF") || !tagIs(bytes.subspan(12, 4), "fmt ")) return 0;
  if (!file.Skip(ReadLe32(bytes, 16))) return 0;
  for (;;) {
    std::array<std::uint8_t, 8> chunk{};
    if (file.Read(chunk) != chunk.size()) return 0;
    const std::uint32_t size = ReadLe32(chunk, 4);
    if (tagIs(std::span<const std::uint8_t>(chunk).subspan(0, 4), "data")) return size;
    if (!file.Skip(size) || file.Position() > file.Size()) return 0;
  }
}

bool AppendLetterPiece(const std::string& key) {
  std::optional<platform::InputFile> file = platform::InputFile::Open(S().lettersFolder + key + ".wav");
  if (!file) return false;
  const std::uint32_t size = FindWavData(*file);
  if (size == 0) return false;
  const std::size_t got = AppendFromFile(*file, size);
  Trace(SynthEvent::Kind::Letter, key, got);
  return true;
}

void ConcatDiphone(std::string_view keyIn, int level, double share) {
  const std::string key = Cut(keyIn, kMaxDiphoneKey);
  const std::size_t n = key.size();
  if (n == 0) return;
  const bool found = key.front() == '_' ? AppendLetterPiece(key) : FindDiphone(key, level, share);
  if (found) return;
  if (n <= 2) {
    AppendNoise();
    return;
  }
  if (IsVowel(key.back())) {
    ConcatDiphone(std::string_view(key).substr(0, n - 1), level, 0.9 * share);
    ConcatDiphone(Joined("$", std::string_view(key).substr(n - 1)), level, share);
  } else if (EndsWith(key, "CIRC") && n > 6) {
    ConcatDiphone(std::string_view(key).substr(0, n - 5), level, 0.9 * share);
    ConcatDiphone(Joined("$", std::string_view(key).substr(n - 5)), level, share);
  } else if (EndsWith(key, "TIL")) {
    const std::string stem = key.substr(0, n - 3);
    const char last = stem.back();
    if (last == 'I' || last == 'i' || last == 'U' || last == 'u') {
      ConcatDiphone(stem, level, 0.9 * share);
    } else {
      ConcatDiphone(Joined(stem, "CIRC"), 2, 0.9 * share);
    }
    ConcatDiphone("$nn", 1, 0.9);
  }
}

// ---- pieces, words and tokens -----------------------------------------------------------
void SpeakPhoneticPiece(std::string_view pieceIn, double share) {
  DiphoneSynthState& s = S();
  const std::string piece = Cut(pieceIn, kMaxPhoneticPiece);
  if (piece.empty()) return;
  if (piece.front() == '_') {
    if (piece.size() < 2) return;  // "_" with nothing to spell
    ConcatDiphone(Joined("_", std::to_string(static_cast<std::uint8_t>(piece[1]))), s.stressLevel, share);
    return;
  }
  bool stressed = false;
  std::string key = "$";
  for (const char c : piece) {
    if (IsStressedVowel(c)) {
      stressed = true;
      s.stressLevel = 2;
    }
    if (c == '^') {
      ConcatDiphone(Joined(key, "CIRC"), s.stressLevel, share);
      key.assign(1, '$');
    } else if (c == '~') {
      ConcatDiphone(Joined(key, "TIL"), s.stressLevel, share);
      key.assign(1, '$');
    } else if (key.size() < kMaxDiphoneKey) {
      key.push_back(c);
    }
  }
  if (key != "$") ConcatDiphone(key, s.stressLevel, share);
  if (stressed) s.stressLevel = 0;
}

void SpeakPhoneticWord(std::string_view w, double share) {
  const std::size_t n = w.size();
  if (n == 0) return;
  if (n == 1) {
    SpeakPhoneticPiece(w, share);
    return;
  }
  const std::string_view two = w.substr(0, 2);
  if (n > 2 && IsConsonant(w[0]) && IsConsonant(w[1]) && two != "dj" && two != "nh" &&
      two != "rr" && two != "ks" && w.substr(0, 3) != "tch") {
    SpeakPhoneticPiece(w.substr(0, 1), 1.0);
    SpeakPhoneticWord(w.substr(1), share);
    return;
  }
  if (n > 2 && EndsWith(w, "rr")) {
    SpeakPhoneticWord(w.substr(0, n - 2), share);
    SpeakPhoneticPiece("rr", share);
    return;
  }
  const char last = w[n - 1];
  const char before = w[n - 2];
  if (n > 2 && IsConsonant(last)) {
    SpeakPhoneticWord(w.substr(0, n - 1), share);
    SpeakPhoneticWord(w.substr(n - 1), share);
    return;
  }
  if (IsGlide(last) && IsVowel(before) && n > 2) {
    SpeakPhoneticWord(w.substr(0, n - 1), 0.6);
    SpeakPhoneticPiece(w.substr(n - 2), share);
    return;
  }
  if (IsGlide(last) && IsMark(before)) {
    if (n > 3) {
      if (before == '~') {
        SpeakPhoneticWord(Joined(w.substr(0, n - 2), "^"), 0.6);
      } else {
        SpeakPhoneticWord(w.substr(0, n - 1), 0.6);
      }
      SpeakPhoneticPiece(std::string{w[n - 3], last, before}, share);
    } else if (n == 3) {
      SpeakPhoneticPiece(std::string{w[0], w[2], w[1]}, share);
    }
    // Two characters, a mark and a glide: no vowel to carry them.
    return;
  }
  if (w != "_s" && last == 's') {
    SpeakPhoneticWord(w.substr(0, n - 1), 0.7);
    SpeakPhoneticPiece("s", share);
    return;
  }
  SpeakPhoneticPiece(w, share);
}

std::string NextPhoneticToken() {
  DiphoneSynthState& s = S();
  const std::string_view text = s.text;
  std::size_t& r = s.readPos;
  if (r < text.size() && text[r] == '[') {
    s.stressLevel = 1;
    ++r;
  }
  std::string token;
  const auto add = [&token](char c) {
    if (token.size() < kMaxPhoneticToken) token.push_back(c);
  };
  while (r < text.size() && text[r] != ' ' && text[r] != ']') {
    const char c = text[r];
    if (c == '/') {
      if (token.size() > kDiphoneNameMax) break;
      ++r;
    } else if (c == '_') {
      add('_');
      ++r;
      if (r < text.size()) add(text[r++]);
    } else if (c == '|') {
      token = "_TRACO";
      ++r;
    } else {
      add(c);
      ++r;
    }
  }
  if (r < text.size()) ++r;  // the delimiter
  if (!s.spellPunctuation) {
    std::size_t pause = 0;
    if (token == "_,") pause = kPauseComma;
    if (token == "_.") pause = kPauseFullStop;
    if (token == "_:") pause = kPauseColon;
    if (token == "_;") pause = kPauseSemicolon;
    if (pause > 0) {
      AppendSilence(pause);
      token.clear();
    }
  }
  return token;
}

}  // namespace

// ---- the index ------------------------------------------------------------------------------
std::vector<DiphoneRecord> ParseDiphoneIndex(std::span<const std::uint8_t> bytes) {
  std::vector<DiphoneRecord> records;
  const std::size_t count = bytes.size() / kDiphoneRecordSize;
  records.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::span<const std::uint8_t> raw = bytes.subspan(i * kDiphoneRecordSize, kDiphoneRecordSize);
    const std::size_t length = std::min<std::size_t>(raw[0], kDiphoneNameMax);
    DiphoneRecord record;
    record.name.assign(reinterpret_cast<const char*>(raw.data() + 1), length);
    record.length = ReadLe16(raw, 9);
    record.offset = ReadLe32(raw, 11);
    records.push_back(std::move(record));
  }
  return records;
}

bool DiphoneNameLess(std::string_view a, std::string_view b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const auto x = static_cast<std::uint8_t>(a[i]);
    const auto y = static_cast<std::uint8_t>(b[i]);
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

// ---- module life ------------------------------------------------------------------------------
void DiphoneSynthStartUp() {
  DiphoneSynthState& s = S();
  s.databaseName = "DIFONES2";
  s.index.clear();
  s.sampleFile.reset();
  s.output.clear();
  s.output.shrink_to_fit();
  s.ready = false;
  SetDiphoneTiming(400, 0, 100, false, false);
}

void ResetDiphoneSynthForTests() {
  S() = DiphoneSynthState{};
  DiphoneSynthStartUp();
}

bool LoadDiphoneVoice() {
  DiphoneSynthState& s = S();
  s.index.clear();
  s.sampleFile.reset();
  s.lettersFolder = platform::GetProfileString("TRADUTOR", "DIRLETRAS", "c:\\quiral\\som\\letras",
                                               "TALIRA.INI", kProfileBuffer);
  if (!platform::FolderExists(s.lettersFolder)) {
    s.startError = "the letters folder does not exist: " + Located(s.lettersFolder);
    return false;
  }
  s.lettersFolder = WithBackslash(s.lettersFolder);
  s.diphoneFolder = platform::GetProfileString("TRADUTOR", "DIRDIFONES", "c:\\quiral\\som\\difones",
                                               "TALIRA.INI", kProfileBuffer);
  if (!platform::FolderExists(s.diphoneFolder)) {
    s.startError = "the diphone folder does not exist: " + Located(s.diphoneFolder);
    return false;
  }
  s.diphoneFolder = WithBackslash(s.diphoneFolder);
  const std::string indexPath = s.diphoneFolder + s.databaseName + ".IND";
  const std::optional<std::vector<std::uint8_t>> indexBytes = platform::ReadWholeFile(indexPath);
  if (!indexBytes) {
    s.startError = "cannot read " + Located(indexPath);
    return false;
  }
  s.index = ParseDiphoneIndex(*indexBytes);
  const std::string samplePath = s.diphoneFolder + s.databaseName + ".DIF";
  s.sampleFile = platform::InputFile::Open(samplePath);
  if (!s.sampleFile) {
    s.index.clear();
    s.startError = "cannot open " + Located(samplePath);
    return false;
  }
  return true;
}

int StartDiphoneSynth() {
  DiphoneSynthState& s = S();
  s.startError.clear();
  if (s.databaseName.empty()) {
    s.startError = "no voice database name (key DIFONES of section SINTETIZADOR)";
    return 1;
  }
  if (!LoadDiphoneVoice()) return 1;
  const std::string rules = s.diphoneFolder + "regras.rgr";
  if (!tts::LoadLetterRules(rules)) {
    s.startError = "cannot read the letter rules " + Located(rules);
    return 2;
  }
  const std::string exceptions = s.diphoneFolder + "portug.exc";
  if (!tts::LoadWordExceptions(exceptions)) {
    s.startError = "cannot read the word exceptions " + Located(exceptions);
    return 2;
  }
  EnsureBuffer();
  s.writePos = kSpeechHeaderBytes;
  s.ready = true;
  return 0;
}

void StopDiphoneSynth() {
  DiphoneSynthState& s = S();
  s.output.clear();
  s.output.shrink_to_fit();
  tts::ReleaseLetterRules();
  s.sampleFile.reset();
  s.index.clear();
  s.ready = false;
}

bool DiphoneSynthReady() { return S().ready; }
const std::string& DiphoneStartError() { return S().startError; }

// ---- settings -------------------------------------------------------------------------------------
void SetDiphoneTiming(std::int32_t cut, std::int32_t minimum, std::int32_t wordGap,
                      bool shortenSpeech, bool raisedRate) {
  DiphoneSynthState& s = S();
  s.timing.cut = std::max(cut, 0);
  s.timing.minimum = std::max(minimum, 0);
  s.timing.wordGap = std::max(wordGap, 0);
  SetShortenSpeech(shortenSpeech);
  SetRaisedRate(raisedRate);
}

DiphoneTiming CurrentDiphoneTiming() { return S().timing; }

void SetDiphoneDatabaseName(std::string_view name) { S().databaseName = Cut(name, kDatabaseNameMax); }
const std::string& DiphoneDatabaseName() { return S().databaseName; }
const std::string& DiphoneLettersFolder() { return S().lettersFolder; }
const std::string& DiphoneFolder() { return S().diphoneFolder; }
std::size_t DiphoneRecordCount() { return S().index.size(); }

void SetSynthTrace(std::vector<SynthEvent>* trace) { S().trace = trace; }

// ---- speaking ------------------------------------------------------------------------------------
void SpeakPhonetic(std::string_view phonetic, bool spellPunctuation) {
  DiphoneSynthState& s = S();
  EnsureBuffer();
  s.text = phonetic;
  s.spellPunctuation = spellPunctuation;
  s.writePos = kSpeechHeaderBytes;
  s.readPos = 0;
  s.stressLevel = 1;
  while (s.readPos < s.text.size()) {
    const std::string token = NextPhoneticToken();
    SpeakPhoneticWord(token, 1.0);
    if (s.readPos < s.text.size() && s.readPos > 0 && s.text[s.readPos - 1] != ' ') {
      AppendSilence(static_cast<std::size_t>(s.timing.wordGap));
    }
  }
  FlushSpeech();
  s.text = {};
}

}  // namespace recorded
