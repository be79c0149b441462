// Checks the shipped diphone voice databases (DIFONES1..DIFONES5 under
// quiral/som/difones of drive C) as the synthesizer reads them: 15-byte index records
// in length-prefixed byte order, upper-case names of at most 8 characters, every unit
// inside the sample file and audible, and every key that the letter-to-sound rules ask
// for (tools/diphones/keys.txt) found, or reached through the synthesizer's fallbacks
// without ending in noise or in silence; and the same for what the shipped letter rules
// make of real text (sentences here, and the Brazilian word list when it is installed),
// so that a change of the rules that needs new units is caught.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <set>
#include <vector>

#include "platform/text_encoding.h"
#include "tts/letter_to_sound.h"

namespace {

namespace fs = std::filesystem;

const fs::path kDriveC = TEMBRIKA_SOURCE_DRIVE_C;
const fs::path kFolder = kDriveC / "quiral" / "som" / "difones";
const fs::path kKeyList = kDriveC / ".." / ".." / "tools" / "diphones" / "keys.txt";
const fs::path kWordList = "/usr/share/dict/brazilian";
constexpr const char* kDatabases[] = {"DIFONES1", "DIFONES2", "DIFONES3", "DIFONES4",
                                      "DIFONES5"};
constexpr std::size_t kRecordSize = 15;
constexpr std::size_t kMaxName = 8;
// The synthesizer's key buffer.
constexpr std::size_t kMaxKey = 12;
// Bursts and fricatives are quiet; a unit whose samples never stray further than this
// from 128 is silence in 8 bits.
constexpr int kAudible = 6;

std::vector<std::uint8_t> ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint16_t Le16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

std::uint32_t Le32(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
         (static_cast<std::uint32_t>(b[at + 2]) << 16) |
         (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

struct Record {
  std::string name;
  std::uint16_t length = 0;
  std::uint32_t offset = 0;
};

// Byte order over the shorter name, the shorter first when it is a prefix.
bool NameLess(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const auto ca = static_cast<unsigned char>(a[i]);
    const auto cb = static_cast<unsigned char>(b[i]);
    if (ca != cb) return ca < cb;
  }
  return a.size() < b.size();
}

struct Database {
  std::string name;
  std::vector<std::uint8_t> index_bytes;
  std::vector<std::uint8_t> samples;
  std::vector<Record> records;

  // The synthesizer's lookup: a-z raised to upper case, binary search by the index order.
  const Record* Find(std::string key) const {
    for (char& c : key) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    const auto it = std::lower_bound(
        records.begin(), records.end(), key,
        [](const Record& r, const std::string& k) { return NameLess(r.name, k); });
    if (it == records.end() || it->name != key) return nullptr;
    return &*it;
  }
};

Database Load(const std::string& name) {
  Database db;
  db.name = name;
  db.index_bytes = ReadFile(kFolder / (name + ".IND"));
  db.samples = ReadFile(kFolder / (name + ".DIF"));
  const std::span<const std::uint8_t> bytes(db.index_bytes);
  for (std::size_t at = 0; at + kRecordSize <= bytes.size(); at += kRecordSize) {
    Record r;
    const std::size_t length = std::min<std::size_t>(bytes[at], kMaxName);
    r.name.assign(reinterpret_cast<const char*>(bytes.data() + at + 1), length);
    r.length = Le16(bytes, at + 9);
    r.offset = Le32(bytes, at + 11);
    db.records.push_back(r);
  }
  return db;
}

const std::vector<Database>& Databases() {
  static const std::vector<Database> all = [] {
    std::vector<Database> v;
    for (const char* name : kDatabases) v.push_back(Load(name));
    return v;
  }();
  return all;
}

bool IsVowel(char c) { return std::string_view("AEIOUaeiouwy").find(c) != std::string_view::npos; }

bool EndsWith(std::string_view s, std::string_view tail) {
  return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

// Follows the synthesizer's ConcatDiphone for a key: true when everything it plays comes
// from found units; otherwise `why` tells which key ended in noise or silence.
bool Reaches(const Database& db, std::string key, std::string& why) {
  if (key.size() > kMaxKey) key.resize(kMaxKey);
  if (db.Find(key) != nullptr) return true;
  const std::size_t n = key.size();
  if (n <= 2) {
    why = key + " (noise)";
    return false;
  }
  if (IsVowel(key.back())) {
    return Reaches(db, key.substr(0, n - 1), why) && Reaches(db, "$" + key.substr(n - 1), why);
  }
  if (EndsWith(key, "CIRC") && n > 6) {
    return Reaches(db, key.substr(0, n - 5), why) && Reaches(db, "$" + key.substr(n - 5), why);
  }
  if (EndsWith(key, "TIL")) {
    const std::string base = key.substr(0, n - 3);
    const char last = base.empty() ? '\0' : base.back();
    const bool high = last == 'I' || last == 'i' || last == 'U' || last == 'u';
    return Reaches(db, high ? base : base + "CIRC", why) && Reaches(db, "$nn", why);
  }
  why = key + " (silent)";
  return false;
}

// ---- what the synthesizer asks for: tokens, pieces and keys of a phonetic text ----

bool IsConsonant(char c) {
  return std::string_view("bcdfgjklmnpqrstvxz").find(c) != std::string_view::npos;
}
bool IsGlide(char c) { return c == 'w' || c == 'y'; }

// NextPhoneticToken over a whole text; punctuation pauses are left out.
std::vector<std::string> Tokens(std::string_view text) {
  std::vector<std::string> tokens;
  std::size_t pos = 0;
  while (pos < text.size()) {
    if (text[pos] == '[') ++pos;
    std::string token;
    while (pos < text.size() && text[pos] != ' ' && text[pos] != ']') {
      const char c = text[pos];
      if (c == '/') {
        if (token.size() > 8) break;
        ++pos;
        continue;
      }
      if (c == '_') {
        token += '_';
        if (pos + 1 < text.size()) token += text[pos + 1];
        pos += 2;
        continue;
      }
      token = c == '|' ? std::string("_TRACO") : token + c;
      ++pos;
    }
    ++pos;
    if (token.size() > 40) token.resize(40);
    if (token != "_," && token != "_." && token != "_:" && token != "_;") tokens.push_back(token);
  }
  return tokens;
}

// SpeakPhoneticWord: the pieces a token is played as, in order.
void Pieces(const std::string& w, std::vector<std::string>& out) {
  const std::size_t n = w.size();
  if (n == 0) return;
  if (n == 1) {
    out.push_back(w);
  } else if (n > 2 && IsConsonant(w[0]) && IsConsonant(w[1]) && w.compare(0, 2, "dj") != 0 &&
             w.compare(0, 2, "nh") != 0 && w.compare(0, 2, "rr") != 0 &&
             w.compare(0, 2, "ks") != 0 && w.compare(0, 3, "tch") != 0) {
    out.push_back(w.substr(0, 1));
    Pieces(w.substr(1), out);
  } else if (n > 2 && EndsWith(w, "rr")) {
    Pieces(w.substr(0, n - 2), out);
    out.push_back("rr");
  } else if (n > 2 && IsConsonant(w[n - 1])) {
    Pieces(w.substr(0, n - 1), out);
    Pieces(w.substr(n - 1), out);
  } else if (IsGlide(w[n - 1]) && IsVowel(w[n - 2]) && n > 2) {
    Pieces(w.substr(0, n - 1), out);
    out.push_back(w.substr(n - 2));
  } else if (IsGlide(w[n - 1]) && (w[n - 2] == '^' || w[n - 2] == '~')) {
    if (n > 3) {
      Pieces(w[n - 2] == '~' ? w.substr(0, n - 2) + "^" : w.substr(0, n - 1), out);
      out.push_back({w[n - 3], w[n - 1], w[n - 2]});
    } else if (n == 3) {
      out.push_back({w[0], w[2], w[1]});
    }
  } else if (w != "_s" && w[n - 1] == 's') {
    Pieces(w.substr(0, n - 1), out);
    out.push_back("s");
  } else {
    out.push_back(w);
  }
}

// SpeakPhoneticPiece: the diphone keys of a piece (recorded letters left out).
void PieceKeys(std::string p, std::set<std::string>& keys) {
  if (p.size() > kMaxKey) p.resize(kMaxKey);
  if (p.empty() || p[0] == '_') return;
  std::string key = "$";
  for (char c : p) {
    if (c == '^' || c == '~') {
      keys.insert(key + (c == '^' ? "CIRC" : "TIL"));
      key = "$";
    } else if (key.size() < kMaxKey) {
      key += c;
    }
  }
  if (key != "$") keys.insert(key);
}

// The keys the shipped letter rules lead the synthesizer to ask for when it speaks
// the given cp1252 texts.
std::set<std::string> KeysOfTexts(const std::vector<std::string>& texts) {
  std::set<std::string> keys;
  tts::ResetLetterToSoundForTests();
  const std::vector<std::uint8_t> rules = ReadFile(kFolder / "regras.rgr");
  const std::vector<std::uint8_t> exceptions = ReadFile(kFolder / "portug.exc");
  if (!tts::LoadLetterRules(rules) || !tts::LoadWordExceptions(exceptions)) {
    ADD_FAILURE() << "the shipped regras.rgr or portug.exc did not load";
    return keys;
  }
  std::vector<std::string> pieces;
  for (const std::string& text : texts) {
    for (const std::string& token : Tokens(tts::TranslateToPhonetic(text))) {
      pieces.clear();
      Pieces(token, pieces);
      for (const std::string& piece : pieces) PieceKeys(piece, keys);
    }
  }
  tts::ReleaseLetterRules();
  tts::ResetLetterToSoundForTests();
  return keys;
}

// The keys of tools/diphones/keys.txt: lines KEY<TAB>COUNT[<TAB>note], keys in upper case.
// Glides go back to lower case, as the translator writes them: the synthesizer's
// fallbacks count w and y as vowels only in lower case.
std::vector<std::string> KeyList() {
  std::ifstream in(kKeyList);
  std::vector<std::string> keys;
  std::string line;
  while (std::getline(in, line)) {
    std::string key = line.substr(0, line.find('\t'));
    while (!key.empty() && (key.back() == '\r' || key.back() == ' ')) key.pop_back();
    if (key.empty() || key[0] != '$') continue;
    for (char& c : key) {
      if (c == 'W') c = 'w';
      if (c == 'Y') c = 'y';
    }
    keys.push_back(key);
  }
  return keys;
}

TEST(DiphoneDatabase, IndexRecordsAreWellFormedSortedAndInsideTheSampleFile) {
  for (const Database& db : Databases()) {
    SCOPED_TRACE(db.name);
    ASSERT_FALSE(db.index_bytes.empty()) << "missing or empty " << db.name << ".IND";
    EXPECT_EQ(db.index_bytes.size() % kRecordSize, 0u);
    ASSERT_FALSE(db.samples.empty()) << "missing or empty " << db.name << ".DIF";
    for (std::size_t i = 0; i < db.records.size(); ++i) {
      const Record& r = db.records[i];
      const std::size_t at = i * kRecordSize;
      EXPECT_LE(db.index_bytes[at], kMaxName) << "record " << i;
      EXPECT_GE(r.name.size(), 2u) << "record " << i;
      EXPECT_EQ(r.name.substr(0, 1), "$") << r.name;
      for (char c : r.name) {
        EXPECT_FALSE(c >= 'a' && c <= 'z') << r.name << " is not upper case";
        EXPECT_TRUE(c == '$' || (c >= 'A' && c <= 'Z')) << r.name;
      }
      EXPECT_GT(r.length, 0u) << r.name;
      EXPECT_LE(std::uint64_t{r.offset} + r.length, db.samples.size()) << r.name;
      if (i > 0) {
        EXPECT_TRUE(NameLess(db.records[i - 1].name, r.name))
            << db.records[i - 1].name << " before " << r.name;
      }
    }
  }
}

TEST(DiphoneDatabase, NameOrderIsLengthPrefixedByteOrder) {
  EXPECT_TRUE(NameLess("$K", "$KA"));
  EXPECT_FALSE(NameLess("$KA", "$K"));
  EXPECT_TRUE(NameLess("$KACIRC", "$KB"));
  EXPECT_TRUE(NameLess("$A", "$B"));
  EXPECT_FALSE(NameLess("$A", "$A"));
}

TEST(DiphoneDatabase, EveryUnitIsAudible) {
  for (const Database& db : Databases()) {
    SCOPED_TRACE(db.name);
    for (const Record& r : db.records) {
      if (std::uint64_t{r.offset} + r.length > db.samples.size()) continue;  // reported above
      const auto first = db.samples.begin() + r.offset;
      const auto [low, high] = std::minmax_element(first, first + r.length);
      EXPECT_GT(std::max(128 - *low, *high - 128), kAudible) << r.name << " is silent";
    }
  }
}

TEST(DiphoneDatabase, TheUnitsTheFallbacksNeedArePresent) {
  // A nasal vowel that is missing falls back to its closed vowel and the murmur $NN;
  // every plain vowel is the last step of the vowel fallback.
  for (const Database& db : Databases()) {
    SCOPED_TRACE(db.name);
    for (const char* key : {"$NN", "$A", "$E", "$I", "$O", "$U", "$ACIRC", "$ECIRC",
                            "$OCIRC", "$W", "$Y"}) {
      EXPECT_NE(db.Find(key), nullptr) << key;
    }
  }
}

TEST(DiphoneDatabase, FallbackWalkFollowsTheSynthesizer) {
  // A small index: the walk must find, peel vowels, split CIRC and TIL as the synthesizer.
  Database db;
  for (const char* name : {"$A", "$ACIRC", "$K", "$KA", "$KACIRC", "$NN", "$TI", "$Z"}) {
    db.records.push_back({name, 1, 0});
  }
  std::sort(db.records.begin(), db.records.end(),
            [](const Record& a, const Record& b) { return NameLess(a.name, b.name); });
  std::string why;
  EXPECT_TRUE(Reaches(db, "$ka", why));
  EXPECT_TRUE(Reaches(db, "$kaA", why));         // $ka, then $A
  EXPECT_TRUE(Reaches(db, "$KATIL", why));       // $KACIRC, then $nn
  EXPECT_TRUE(Reaches(db, "$TITIL", why));       // $TI (i is not closed), then $nn
  EXPECT_TRUE(Reaches(db, "$KAACIRC", why));     // $KA, then $ACIRC
  why.clear();
  EXPECT_FALSE(Reaches(db, "$KAZA", why));       // $KAZ is silent
  EXPECT_EQ(why, "$KAZ (silent)");
  EXPECT_FALSE(Reaches(db, "$Q", why));
  EXPECT_EQ(why, "$Q (noise)");
}

// Each key found in every database, or falling back to found units; the
// first 20 failures of a database are named, followed by the hint.
template <typename Keys>
void ExpectEveryKeyReachesFoundUnits(const Keys& keys, const char* hint) {
  for (const Database& db : Databases()) {
    SCOPED_TRACE(db.name);
    std::size_t failures = 0;
    for (const std::string& key : keys) {
      std::string why;
      if (!Reaches(db, key, why) && ++failures <= 20) {
        ADD_FAILURE() << key << " ends in " << why << hint;
      }
    }
    EXPECT_EQ(failures, 0u) << "keys that end in noise or silence";
  }
}

TEST(DiphoneDatabase, EveryKeyTheTranslatorAsksForIsFoundOrFallsBackToFoundUnits) {
  const std::vector<std::string> keys = KeyList();
  ASSERT_FALSE(keys.empty()) << "no keys in " << kKeyList;
  ExpectEveryKeyReachesFoundUnits(keys, "");
}

TEST(DiphoneDatabase, WhatTheShippedRulesMakeOfRealTextIsFoundOrFallsBackToFoundUnits) {
  std::vector<std::string> texts;
  for (const char* utf8 : {
           "o cronômetro marcou cinco minutos e trinta segundos",
           "À noite, vovô Kowalsky vê o ímã cair no pé do pingüim queixoso e vovó põe "
           "açúcar no chá de tâmaras do jabuti feliz.",
           "Um pequeno jabuti xereta viu dez cegonhas felizes; hoje é terça-feira, "
           "treze de março: são quatro horas da tarde.",
           "evento memória gravado apagado intervalo início fim parado contagem regressiva "
           "Tembrika talira relógio hora data semana mês ano dia",
           "exceção táxi tórax chuva lhama ninho carro rato honra tia dia leite tchau "
           "guerra quase água pão mãe bem põe muito ruim psicologia advogado"}) {
    texts.push_back(platform::Utf8ToCp1252(utf8));
  }
  std::ifstream words(kWordList);
  std::string line;
  while (std::getline(words, line)) {
    if (!line.empty() && platform::Utf8FitsCp1252(line)) texts.push_back(platform::Utf8ToCp1252(line));
  }
  const std::set<std::string> keys = KeysOfTexts(texts);
  ASSERT_FALSE(keys.empty());
  ExpectEveryKeyReachesFoundUnits(keys,
                                  ": list the keys again and rebuild the voice "
                                  "(tools/diphones/make_diphones.py --refresh-keys)");
}

}  // namespace
