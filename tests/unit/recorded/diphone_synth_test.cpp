#include "recorded/diphone_synth.h"

#include <gtest/gtest.h>

#include <numeric>
#include <random>

#include "fuzz/diphone_synth_fuzz_input.h"
#include "unit/recorded/diphone_fixture.h"
#include "unit/saved_fuzz_cases.h"

namespace {

using diphonetest::D;
using diphonetest::Describe;
using diphonetest::Entry;
using diphonetest::L;
using diphonetest::Noise;
using diphonetest::Quiet;
using recorded::SynthEvent;

const std::vector<Entry> kVoice = {
    {"$KA", 1000, 60},   {"$ZA", 800, 61},    {"$A", 500, 62},      {"$P", 200, 63},
    {"$RA", 900, 64},    {"$MACIRC", 1000, 65}, {"$AWTIL", 700, 66}, {"$KE", 1000, 67},
    {"$KU", 300, 68},    {"$S", 400, 69},     {"$NN", 500, 70},     {"$RR", 600, 71},
    {"$O", 450, 72},     {"$TA", 700, 73},    {"$OYCIRC", 800, 74}, {"$PO", 900, 75},
};

class DiphoneSynthTest : public diphonetest::SynthFixture {
 protected:
  void Start() {
    WriteDatabase(kVoice);
    WriteLetter("_98", 250, 90);
    WriteLetter("_84", 150, 91);
    WriteLetter("_44", 120, 92);
    ASSERT_EQ(recorded::StartDiphoneSynth(), 0) << recorded::DiphoneStartError();
    TakeTrace();
  }
  std::vector<SynthEvent> Speak(const std::string& phonetic, bool spell = false) {
    recorded::SpeakPhonetic(phonetic, spell);
    return TakeTrace();
  }
};

TEST_F(DiphoneSynthTest, PhoneticTextToDiphones) {
  Start();
  struct Case {
    std::string phonetic;
    std::vector<SynthEvent> events;
  };
  const Case cases[] = {
      // Two tokens; the word gap only after the word, not at the end.
      {"[ka za][ka]", {D("$KA", 600), D("$ZA", 400), Quiet(100), D("$KA", 600)}},
      {"[ka za]", {D("$KA", 600), D("$ZA", 400)}},
      // Missing $KAZA: $KAZ (missing, silent), then $A at the caller's share, in full.
      {"[kaza]", {D("$A", 500)}},
      // Rule 3: p alone at full share, then ra.
      {"[pra]", {D("$P", 200), D("$RA", 500)}},
      // Rule 7: ma^ at 0.6, then aw~.
      {"[ma~w]", {D("$MACIRC", 360), D("$AWTIL", 300)}},
      // Rule 7 with ^: the glide word at 0.6 then vowel, glide, mark.
      // ($POCIRC is missing: $P at 0.6 x 0.9, and $OCIRC, missing too, is silent.)
      {"[po^y]", {D("$P", 108), D("$OYCIRC", 400)}},
      // A stressed piece plays in full; the next piece is unstressed again.
      {"[kA ka]", {D("$KA", 1000), D("$KA", 600)}},
      // A final consonant is a word of its own (rule 5) ...
      {"[kas]", {D("$KA", 600), D("$S", 400)}},
      // ... and in a two-character word the part before a final s plays at 0.7 (rule 8).
      {"[as]", {D("$A", 350), D("$S", 400)}},
      // Rule 4: a final rr.
      {"[karr]", {D("$KA", 600), D("$RR", 200)}},
      // A spelled letter from the letters folder, then the word gap.
      {"[ /_b][ka]", {L("_98", 250), Quiet(100), D("$KA", 600)}},
      {"[|]", {L("_84", 150)}},
      // Punctuation tokens are pauses, unless spelled.
      {"[ /_,]", {Quiet(4000)}},
      {"[ /_.]", {Quiet(8000)}},
      {"[ /_:]", {Quiet(8000)}},
      {"[ /_;]", {Quiet(6000)}},
      // Missing keys of one or two characters are noise: q, q, then $QE missing
      // gives $Q and $E, both missing too.
      {"[q]", {Noise()}},
      {"[qqqe]", {Noise(), Noise(), Noise(), Noise()}},
      // A nasal o with no $POTIL: $POCIRC, missing, falls back to $P at 0.9 x 0.9
      // (two characters: never shortened); then the murmur $NN at 0.9, unstressed.
      {"[po~]", {D("$P", 162), D("$NN", 90)}},
      // "/" is skipped while the token holds at most 8 characters; the first one
      // met after that ends the token and a word gap follows.
      {"[ka/ka/ka/ka/ka/ka]", {D("$A", 500), Quiet(100), D("$KA", 600)}},
      {"", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.phonetic);
    const std::vector<SynthEvent> got = Speak(c.phonetic);
    EXPECT_EQ(got, c.events) << Describe(got);
  }
  EXPECT_EQ(Speak("[ /_,]", true), (std::vector<SynthEvent>{L("_44", 120)}));
}

TEST_F(DiphoneSynthTest, ShorteningByCutAndMinimum) {
  Start();
  struct Case {
    std::int32_t cut, minimum;
    std::string phonetic;
    std::size_t samples;
  };
  const Case cases[] = {
      {400, 0, "[ke]", 600},  {400, 700, "[ke]", 700}, {400, 0, "[ku]", 0},
      {400, 700, "[ku]", 300}, {-50, 0, "[ke]", 1000}, {400, -9, "[ku]", 0},
      {2000, 0, "[kE]", 1000},  // stressed: never shortened
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.phonetic + " cut " + std::to_string(c.cut) + " min " + std::to_string(c.minimum));
    recorded::SetDiphoneTiming(c.cut, c.minimum, 100, false, false);
    const std::vector<SynthEvent> got = Speak(c.phonetic);
    ASSERT_EQ(got.size(), 1u) << Describe(got);
    EXPECT_EQ(got[0].samples, c.samples);
  }
  // The word gap is whole blocks of 100; a gap below 100 is none; negative is 0.
  for (const auto& [gap, silence] : std::vector<std::pair<int, std::size_t>>{{250, 200}, {99, 0}, {-5, 0}}) {
    recorded::SetDiphoneTiming(400, 0, gap, false, false);
    const std::vector<SynthEvent> got = Speak("[kA][kA]");
    const std::size_t quiet = std::count_if(got.begin(), got.end(), [](const SynthEvent& e) {
      return e.kind == SynthEvent::Kind::Silence;
    });
    EXPECT_EQ(quiet, silence == 0 ? 0u : 1u) << gap;
    if (silence > 0) {
      EXPECT_EQ(got[1], Quiet(silence));
    }
  }
  // The switches go to the wave output.
  recorded::SetDiphoneTiming(400, 0, 100, true, true);
  EXPECT_TRUE(recorded::ShortenSpeech());
  EXPECT_TRUE(recorded::RaisedRate());
}

TEST_F(DiphoneSynthTest, SamplesReachTheWaveDeviceInParts) {
  Start();
  std::string phonetic;
  for (int i = 0; i < 100; ++i) phonetic += "[kA]";
  recorded::SpeakPhonetic(phonetic, false);
  const std::vector<SynthEvent> events = TakeTrace();
  const std::size_t total = std::accumulate(events.begin(), events.end(), std::size_t{0},
                                            [](std::size_t sum, const SynthEvent& e) { return sum + e.samples; });
  EXPECT_EQ(total, 100u * 1000u + 99u * 100u);
  const std::vector<std::size_t> parts = BufferParts();
  ASSERT_GE(parts.size(), 2u);
  for (const std::size_t part : parts) EXPECT_LE(part, recorded::kSpeechPartSamples);
  EXPECT_EQ(std::accumulate(parts.begin(), parts.end(), std::size_t{0}), total);
  // The samples arrive as stored: the first diphone's value leads the sound.
  const std::vector<std::uint8_t>& heard = backend_->CollectedSamples();
  ASSERT_GE(heard.size(), 1000u);
  EXPECT_EQ(heard[0], 60);
  EXPECT_EQ(heard[999], 60);
  EXPECT_EQ(heard[1000], 128);
}

TEST_F(DiphoneSynthTest, APieceLongerThanThePartIsCut) {
  WriteDatabase({{"$KA", 65535, 60}});
  ASSERT_EQ(recorded::StartDiphoneSynth(), 0);
  TakeTrace();
  recorded::SpeakPhonetic("[kA][kA]", false);
  const std::vector<SynthEvent> events = TakeTrace();
  EXPECT_EQ(events, (std::vector<SynthEvent>{D("$KA", recorded::kSpeechPartSamples), Quiet(100),
                                             D("$KA", recorded::kSpeechPartSamples)}));
  // The word gap no longer fits after the first: it starts the second part,
  // and the second diphone needs a part of its own.
  EXPECT_EQ(BufferParts(), (std::vector<std::size_t>{recorded::kSpeechPartSamples, 100,
                                                     recorded::kSpeechPartSamples}));
}

TEST_F(DiphoneSynthTest, StartFailures) {
  struct Case {
    std::string what;
    std::function<void(DiphoneSynthTest&)> arrange;
    int code;
  };
  const Case cases[] = {
      {"no letters folder", [](DiphoneSynthTest& t) {
         t.WriteSettings("[TRADUTOR]\r\nDIRLETRAS=c:\\nada\r\nDIRDIFONES=c:\\quiral\\som\\difones\r\n");
       }, 1},
      {"no diphone folder", [](DiphoneSynthTest& t) {
         t.WriteSettings("[TRADUTOR]\r\nDIRLETRAS=c:\\quiral\\som\\letras\r\nDIRDIFONES=c:\\nada\r\n");
       }, 1},
      {"no index", [](DiphoneSynthTest& t) {
         std::filesystem::remove(t.root_ / "quiral/som/difones/DIFONES2.IND");
       }, 1},
      {"no samples", [](DiphoneSynthTest& t) {
         std::filesystem::remove(t.root_ / "quiral/som/difones/DIFONES2.DIF");
       }, 1},
      {"no rules", [](DiphoneSynthTest& t) {
         std::filesystem::remove(t.root_ / "quiral/som/difones/regras.rgr");
       }, 2},
      {"no exceptions", [](DiphoneSynthTest& t) {
         std::filesystem::remove(t.root_ / "quiral/som/difones/portug.exc");
       }, 2},
      {"empty name", [](DiphoneSynthTest&) { recorded::SetDiphoneDatabaseName(""); }, 1},
      {"binary rule files load what they hold", [](DiphoneSynthTest& t) {
         std::vector<std::uint8_t> junk(3000);
         std::mt19937 random(7);
         for (auto& b : junk) b = static_cast<std::uint8_t>(random());
         t.WriteBytes("quiral/som/difones/regras.rgr", junk);
         t.WriteBytes("quiral/som/difones/portug.exc", junk);
       }, 0},
      {"empty rule files", [](DiphoneSynthTest& t) {
         t.WriteFile("quiral/som/difones/regras.rgr", "");
         t.WriteFile("quiral/som/difones/portug.exc", "");
       }, 0},
      {"defaults when no settings file", [](DiphoneSynthTest& t) {
         std::filesystem::remove(t.root_ / "windows/TALIRA.INI");
       }, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    recorded::ResetDiphoneSynthForTests();
    WriteSettings(BaseSettings());
    WriteDatabase(kVoice);
    WriteFile("quiral/som/difones/regras.rgr", diphonetest::SimpleRules());
    WriteFile("quiral/som/difones/portug.exc", "voce=voce^|\r\n");
    c.arrange(*this);
    EXPECT_EQ(recorded::StartDiphoneSynth(), c.code);
    EXPECT_EQ(recorded::DiphoneStartError().empty(), c.code == 0) << recorded::DiphoneStartError();
    EXPECT_EQ(recorded::DiphoneSynthReady(), c.code == 0);
    recorded::StopDiphoneSynth();
    EXPECT_FALSE(recorded::DiphoneSynthReady());
  }
}

// Short, lying and malformed database files load what they hold and never
// read past their ends.
TEST_F(DiphoneSynthTest, DamagedDatabaseFiles) {
  std::vector<std::uint8_t> index, samples;
  diphonetest::BuildDatabase({{"$A", 500, 62}, {"$KA", 1000, 60}, {"$ZA", 800, 61}}, index, samples);
  // A record cut short is ignored.
  std::vector<std::uint8_t> cutIndex(index.begin(), index.end() - 8);
  EXPECT_EQ(recorded::ParseDiphoneIndex(cutIndex).size(), 2u);
  EXPECT_TRUE(recorded::ParseDiphoneIndex({}).empty());
  // A name length above 8 reads as 8.
  std::vector<std::uint8_t> longName(15, 'X');
  longName[0] = 200;
  EXPECT_EQ(recorded::ParseDiphoneIndex(longName).at(0).name, "XXXXXXXX");

  // The sample file ends in the middle of $KA (stored after $A): only what is there.
  samples.resize(500 + 300);
  WriteBytes("quiral/som/difones/DIFONES2.IND", index);
  WriteBytes("quiral/som/difones/DIFONES2.DIF", samples);
  ASSERT_EQ(recorded::StartDiphoneSynth(), 0);
  EXPECT_EQ(recorded::DiphoneRecordCount(), 3u);
  recorded::SetDiphoneTiming(0, 0, 100, false, false);
  TakeTrace();
  recorded::SpeakPhonetic("[ka][za]", false);
  EXPECT_EQ(TakeTrace(), (std::vector<SynthEvent>{D("$KA", 300), Quiet(100), D("$ZA", 0)}));
  recorded::StopDiphoneSynth();

  // An empty index loads: short keys are noise, longer ones fall back.
  WriteBytes("quiral/som/difones/DIFONES2.IND", {});
  ASSERT_EQ(recorded::StartDiphoneSynth(), 0);
  EXPECT_EQ(recorded::DiphoneRecordCount(), 0u);
  const std::size_t heardBefore = backend_->CollectedSamples().size();
  recorded::SpeakPhonetic("[ka]", false);
  EXPECT_EQ(TakeTrace(), (std::vector<SynthEvent>{Noise(), Noise()}));
  // Noise is uniform in 88..167 (the wave output silences a block's last sample).
  const std::vector<std::uint8_t>& heard = backend_->CollectedSamples();
  ASSERT_EQ(heard.size() - heardBefore, 2 * recorded::kNoiseSamples);
  int low = 255, high = 0;
  for (std::size_t i = heardBefore; i + 1 < heard.size(); ++i) {
    low = std::min<int>(low, heard[i]);
    high = std::max<int>(high, heard[i]);
  }
  EXPECT_GE(low, 88);
  EXPECT_LE(high, 167);
  EXPECT_LT(low, 100);
  EXPECT_GT(high, 155);

  // Recorded letters that are not RIFF files, or hold no data, are silent.
  WriteFile("quiral/som/letras/_98.wav", "not a wav file at all");
  WriteBytes("quiral/som/letras/_99.wav", wavtest::MakeWav({}));
  std::vector<std::uint8_t> lying = wavtest::MakeWav(wavtest::Constant(10, 90));
  lying[40] = 0xFF;  // data size far beyond the file
  WriteBytes("quiral/som/letras/_100.wav", lying);
  recorded::SpeakPhonetic("[ /_b][ /_c][ /_d]", false);
  EXPECT_EQ(TakeTrace(), (std::vector<SynthEvent>{Quiet(100), Quiet(100), L("_100", 10)}));
}

// Tokenizer and rules on awkward input: what comes out is bounded by what the
// database holds, and the parts played add up to what was appended.
TEST_F(DiphoneSynthTest, AwkwardPhoneticTextReplay) {
  Start();
  const std::string inputs[] = {
      "_", "[", "]", "[[[", "]]]", "/", std::string(60, '/'), "~w", "^y", "a^y", "|||",
      std::string(200, 'k'), std::string(200, 'a'), "[_", "[ /_", "_\xFF", "[\xE7\xE3o]",
      "[a~~~~~~~~~~~~~~w]", "[^^^^^^^^^^^^^^^^]", "[ka/" + std::string(50, '/') + "]", "w", "y~",
      std::string("[k\0a]", 5),
  };
  for (const std::string& input : inputs) {
    SCOPED_TRACE(input);
    recorded::SpeakPhonetic(input, false);
    recorded::SpeakPhonetic(input, true);
    for (const SynthEvent& e : TakeTrace()) {
      EXPECT_LE(e.samples, 8000u) << Describe({e});
      EXPECT_LE(e.key.size(), recorded::kMaxDiphoneKey);
    }
  }
}

// Inputs saved from fuzzing runs (index bytes and phonetic text), replayed.
TEST_F(DiphoneSynthTest, SavedFuzzCasesReplay) {
  const auto cases = testdata::SavedFuzzCases("recorded/diphone_synth_fuzz");
  for (const auto& saved : cases) {
    SCOPED_TRACE(saved.name);
    fuzzing::RunDiphoneInput(saved.bytes);
  }
  EXPECT_GE(cases.size(), 3u);
}

// A short seeded run of random index files and random phonetic texts.
TEST_F(DiphoneSynthTest, RandomIndexAndTextSeeded) {
  std::mt19937 random(20260101);
  const std::string alphabet = "[]/ _|^~aeiouAEIOUwyptkbdgmnszrlxj$,.:;";
  for (int round = 0; round < 40; ++round) {
    std::vector<std::uint8_t> index(random() % 200);
    for (auto& b : index) b = static_cast<std::uint8_t>(random() % 3 == 0 ? '$' : random());
    std::vector<std::uint8_t> samples(random() % 3000, 100);
    WriteBytes("quiral/som/difones/DIFONES2.IND", index);
    WriteBytes("quiral/som/difones/DIFONES2.DIF", samples);
    recorded::ResetDiphoneSynthForTests();
    recorded::SetSynthTrace(&trace_);
    ASSERT_EQ(recorded::StartDiphoneSynth(), 0);
    for (int text = 0; text < 10; ++text) {
      std::string phonetic(random() % 80, ' ');
      for (char& c : phonetic) c = alphabet[random() % alphabet.size()];
      backend_->ClearLog();
      recorded::SpeakPhonetic(phonetic, random() % 2 == 0);
      const std::vector<SynthEvent> events = TakeTrace();
      const std::size_t total = std::accumulate(events.begin(), events.end(), std::size_t{0},
                                                [](std::size_t sum, const SynthEvent& e) { return sum + e.samples; });
      const std::vector<std::size_t> parts = BufferParts();
      ASSERT_EQ(std::accumulate(parts.begin(), parts.end(), std::size_t{0}), total) << phonetic;
    }
    recorded::StopDiphoneSynth();
  }
}

}  // namespace
