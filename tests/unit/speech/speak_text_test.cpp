#include "speech/speak_text.h"

#include <gtest/gtest.h>

#include "recorded/diphone_synth.h"
#include "speech/speech_startup.h"
#include "speech/speech_state.h"
#include "unit/recorded/diphone_fixture.h"

namespace {

// No recorded characters or number pieces exist here: each one asked for
// shows in the log as "missing" and takes no time, so the log gives the
// order of the pieces and the virtual clock gives the pauses.
class SpeakTextTest : public diphonetest::SynthFixture {
 protected:
  void SetUp() override {
    SynthFixture::SetUp();
    WriteDatabase({{"$A", 500, 62}, {"$KA", 1000, 60}, {"$I", 410, 63}, {"$U", 430, 64}});
    ASSERT_EQ(recorded::StartDiphoneSynth(), 0);
    backend_->ClearLog();
  }

  // The pieces heard: recordings by name, diphone speech as "speech", the click.
  std::vector<std::string> Pieces() {
    std::vector<std::string> pieces;
    for (const std::string& line : backend_->LogLines()) {
      const std::size_t tab = line.find('\t');
      const std::string kind = line.substr(0, tab);
      if (kind == "play" || kind == "missing") {
        std::string file = line.substr(tab + 1);
        file = file.substr(0, file.find('\t'));
        file = file.substr(file.find_last_of("/\\") + 1);
        pieces.push_back(file.substr(0, file.size() - 4));
      } else if (kind == "buffer") {
        pieces.push_back(std::stoul(line.substr(tab + 1)) == speech::kClickSamples ? "click" : "speech");
      }
    }
    backend_->ClearLog();
    return pieces;
  }
};

TEST_F(SpeakTextTest, TextToPieces) {
  using V = std::vector<std::string>;
  struct Case {
    std::string text;
    V pieces;
  };
  const Case cases[] = {
      {"007", {"_zero", "_zero", "_sete"}},
      {"2024", {"_dois", "_mil", "_e", "_vinte", "_e", "_quatro"}},
      {"1234567", {"_49", "_50", "_51", "_52", "_53", "_54", "_55"}},
      {"12-34", {"_49", "_50", "_45", "_51", "_52"}},
      {"-5", {"_MENOS", "_cinco"}},
      {"a - ka", {"speech", "_45", "speech"}},
      {"-a", {"_45", "speech"}},
      {"ka-ka", {"speech", "speech"}},
      {"3.5", {"_tres", "_46", "_cinco"}},
      {"ka.", {"speech", "_46"}},
      {"http://www.ka", {"speech", "_58", "_47", "_47", "_119", "_119", "_119", "_46", "speech"}},
      {"WwW.ka", {"_87", "_119", "_87", "_46", "speech"}},
      {"......", {"_46", "_46", "_46", "_46", "click", "click"}},
      // The fifth hyphen is a click and still a hyphen followed by a blank.
      {"-----", {"_45", "_45", "_45", "_45", "click", "_45"}},
      {"ka!?", {"speech", "_33", "_63"}},
      {"\t(ka)", {"_40", "speech", "_41"}},
      {"", {}},
      {"   ", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    speech::SpeakText(c.text);
    EXPECT_EQ(Pieces(), c.pieces);
  }
}

TEST_F(SpeakTextTest, WordsGoThroughTheTranslator) {
  TakeTrace();
  speech::SpeakText("ka ka");
  EXPECT_EQ(speech::LastPhoneticText(), tts::TranslateToPhonetic("ka ka "));
  EXPECT_EQ(TakeTrace(), (std::vector<recorded::SynthEvent>{diphonetest::D("$KA", 600), diphonetest::Quiet(100),
                                                            diphonetest::D("$KA", 600)}));
  // One run of letters and blanks is one piece of speech; the hyphen is not read.
  EXPECT_EQ(Pieces(), std::vector<std::string>{"speech"});
  speech::SpeakText("guarda-chuva");
  EXPECT_EQ(speech::LastPhoneticText(), tts::TranslateToPhonetic("chuva "));
  EXPECT_EQ(Pieces(), (std::vector<std::string>{"speech", "speech"}));
  // A run longer than 999 characters: only its first 999 are translated.
  const std::string longRun(1500, 'a');
  speech::SpeakText(longRun);
  EXPECT_EQ(speech::LastPhoneticText(), tts::TranslateToPhonetic(std::string(999, 'a')));
}

TEST_F(SpeakTextTest, PunctuationPauses) {
  WriteSettings(BaseSettings() + "[SINTETIZADOR]\r\nPAUSAPONTO3=300\r\nPAUSAVIRG3=120\r\nPAUSADOISPONTOS3=260\r\n");
  speech::ReadSpeedSettings(3);
  struct Case {
    std::string text;
    std::uint64_t millis;
  };
  const Case cases[] = {
      {", ", 100}, {",x", 0}, {". ", 300}, {".x", 0}, {": ", 250}, {";", 250},
      {"(", 250},  {")", 250}, {"- ", 100}, {"-x", 0}, {"!", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const std::uint64_t before = backend_->VirtualMillis();
    speech::PunctuationPause(c.text);
    EXPECT_EQ(backend_->VirtualMillis() - before, c.millis);
  }
  // The defaults when the keys are missing, through the text reader.
  WriteSettings(BaseSettings());
  speech::ReadSpeedSettings(3);
  const std::uint64_t before = backend_->VirtualMillis();
  speech::SpeakText(".");  // the full stop at the end counts as followed by a blank
  EXPECT_EQ(backend_->VirtualMillis() - before, 250u);

  std::uint64_t start = backend_->VirtualMillis();
  speech::PauseUnlessKey(49);
  EXPECT_EQ(backend_->VirtualMillis() - start, 0u);
  speech::PauseUnlessKey(149);
  EXPECT_EQ(backend_->VirtualMillis() - start, 100u);
  // A waiting key: no pause, and nothing read.
  Pieces();
  TypeKey('q');
  start = backend_->VirtualMillis();
  speech::PauseUnlessKey(1000);
  speech::PunctuationPause(". ");
  EXPECT_EQ(backend_->VirtualMillis() - start, 0u);
  EXPECT_TRUE(Pieces().empty());
}

TEST_F(SpeakTextTest, AKeyStopsTheText) {
  TypeKey('q');
  speech::SpeakText("ka ka, 2024 ... ka");
  EXPECT_TRUE(Pieces().empty());
  EXPECT_TRUE(console::KeyWaiting());
  EXPECT_EQ(console::GetKey(), 'q');

  // With an external engine running the text is handed over at once.
  speech::State().usingSpeechEngine = true;
  speech::State().awaitPending = false;
  speech::SpeakText("ka ka");
  EXPECT_TRUE(Pieces().empty());
  EXPECT_TRUE(speech::State().awaitPending);
}

TEST_F(SpeakTextTest, SpellingWritingAndUpperCase) {
  speech::SpellText("a1");
  EXPECT_EQ(Pieces(), (std::vector<std::string>{"_97", "_49"}));
  speech::WriteLineAndSpeak("ka");
  std::vector<std::string> kinds;
  for (const std::string& line : backend_->LogLines()) kinds.push_back(line.substr(0, line.find('\t')));
  ASSERT_GE(kinds.size(), 2u);
  EXPECT_EQ(kinds.front(), "write");
  EXPECT_EQ(backend_->LogLines().front(), "write\tka");
  EXPECT_EQ(backend_->LogLines().back(), "write\t\\r\\n");

  struct Case {
    std::string in, out;
  };
  const Case cases[] = {
      {"abc xyz", "ABC XYZ"}, {"\xE7\xE3\xE9", "\xC7\xC3\xC9"}, {"\xFF\xF7", "\xDF\xD7"},
      {"\xDF\xC0-1z", "\xDF\xC0-1Z"}, {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(speech::UpperCaseText(c.in), c.out);
}

}  // namespace
