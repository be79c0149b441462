#include "speech/speech_startup.h"

#include <gtest/gtest.h>

#include "recorded/diphone_synth.h"
#include "recorded/wav_output.h"
#include "speech/speech_prompts.h"
#include "speech/speech_state.h"
#include "unit/recorded/diphone_fixture.h"

namespace {

class SpeechStartupTest : public diphonetest::SynthFixture {
 protected:
  void SetUp() override {
    SynthFixture::SetUp();
    std::filesystem::create_directories(root_ / "progs");
    speech::State().startFolder = (root_ / "progs").string();
    for (const char* name : {"DIFONES1", "DIFONES2", "DIFONES3", "DIFONES4", "DIFONES5"}) {
      WriteDatabase({{"$KA", 1000, 60}}, name);
    }
  }
  void TearDown() override {
    recorded::StopDiphoneSynth();
    SynthFixture::TearDown();
  }

  static std::string Synth(const std::string& lines) {
    return BaseSettings() + "[SINTETIZADOR]\r\n" + lines;
  }

  bool LogHas(const std::string& text) {
    for (const std::string& line : backend_->LogLines()) {
      if (line.find(text) != std::string::npos) return true;
    }
    return false;
  }
};

TEST_F(SpeechStartupTest, SpeedChoosesThePerSpeedKeys) {
  struct Case {
    std::string velocidade;  // empty: no key
    int argument;
    int speed;
  };
  const Case cases[] = {
      {"", 0, 3}, {"7", 0, 3}, {"2", 0, 2}, {"4 rapido", 0, 4}, {"0", 0, 3},
      {"abc", 0, 3}, {"2", 5, 5}, {"2", -1, 2}, {"1", 9, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.velocidade + " / " + std::to_string(c.argument));
    std::string settings = BaseSettings();
    if (!c.velocidade.empty()) settings += "VELOCIDADE=" + c.velocidade + "\r\n";
    settings += "[SINTETIZADOR]\r\n";
    for (int d = 1; d <= 5; ++d) {
      settings += "DIFONES" + std::to_string(d) + "=difones" + std::to_string(d) + "\r\n";
      settings += "PAUSAPONTO" + std::to_string(d) + "=" + std::to_string(100 * d) + "\r\n";
    }
    WriteSettings(settings);
    speech::SpeechInit(c.argument, "");
    EXPECT_EQ(speech::CurrentSpeedSettings().speed, c.speed);
    EXPECT_EQ(recorded::DiphoneDatabaseName(), "difones" + std::to_string(c.speed));
    EXPECT_EQ(speech::CurrentSpeedSettings().pauseFullStop, 100 * c.speed);
    EXPECT_TRUE(recorded::DiphoneSynthReady());
    speech::SpeechShutdown();
    EXPECT_FALSE(recorded::DiphoneSynthReady());
  }
}

TEST_F(SpeechStartupTest, PerSpeedValues) {
  struct Case {
    std::string lines;
    recorded::DiphoneTiming timing;
    bool shorten, raised;
    speech::SpeedSettings pauses;
  };
  const Case cases[] = {
      // Only the database: every other value takes its missing value.
      {"DIFONES3=DIFONES3\r\n", {0, 0, 0}, false, false, {3, 250, 150, 200}},
      {"DIFONES3=DIFONES3\r\nCORTEFON3=300ms\r\nSOBRAFON3=120\r\nINTERPAL3=250\r\n"
       "CORTAFALA3=Sim\r\nRAPIDINHO3=s\r\nPAUSAPONTO3=400\r\nPAUSAVIRG3=90\r\nPAUSADOISPONTOS3=333\r\n",
       {300, 120, 250}, true, true, {3, 400, 90, 333}},
      // Values that do not parse.
      {"DIFONES3=DIFONES3\r\nCORTEFON3=x1\r\nSOBRAFON3=12a\r\nINTERPAL3=-\r\nCORTAFALA3=Nao\r\n"
       "RAPIDINHO3=n\r\nPAUSAPONTO3=abc\r\nPAUSAVIRG3=1.5\r\nPAUSADOISPONTOS3=\r\n",
       {0, 0, 0}, false, false, {3, 250, 150, 200}},
      // Negative numbers are taken as 0 by the synthesizer.
      {"DIFONES3=DIFONES3\r\nSOBRAFON3=-40\r\nINTERPAL3=-100\r\nCORTEFON3=-5\r\n", {0, 0, 0}, false,
       false, {3, 250, 150, 200}},
      // Keys of another speed are not read; the name is cut to 8 characters.
      {"DIFONES3=DIFONES3XYZ\r\nCORTEFON2=999\r\nPAUSAPONTO2=1\r\n", {0, 0, 0}, false, false,
       {3, 250, 150, 200}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines);
    WriteSettings(Synth(c.lines));
    speech::SpeechInit(3, "c:\\quiral\\som\\tembrika");
    EXPECT_EQ(recorded::DiphoneDatabaseName(), "DIFONES3");
    const recorded::DiphoneTiming timing = recorded::CurrentDiphoneTiming();
    EXPECT_EQ(timing.cut, c.timing.cut);
    EXPECT_EQ(timing.minimum, c.timing.minimum);
    EXPECT_EQ(timing.wordGap, c.timing.wordGap);
    EXPECT_EQ(recorded::ShortenSpeech(), c.shorten);
    EXPECT_EQ(recorded::RaisedRate(), c.raised);
    EXPECT_EQ(speech::CurrentSpeedSettings().pauseFullStop, c.pauses.pauseFullStop);
    EXPECT_EQ(speech::CurrentSpeedSettings().pauseComma, c.pauses.pauseComma);
    EXPECT_EQ(speech::CurrentSpeedSettings().pauseColon, c.pauses.pauseColon);
    EXPECT_EQ(speech::State().promptFolder, "c:\\quiral\\som\\tembrika\\");
    speech::SpeechShutdown();
  }
}

TEST_F(SpeechStartupTest, FoldersOfTheRecordings) {
  WriteSettings(BaseSettings() + "DIRLETRAS=c:\\quiral\\som\\letras\r\n" + "[SINTETIZADOR]\r\nDIFONES3=DIFONES3\r\n");
  speech::SpeechInit(3, "");
  EXPECT_EQ(speech::State().promptFolder, "");
  EXPECT_EQ(speech::State().lettersFolder, "c:\\quiral\\som\\letras\\");
  speech::SpeechShutdown();

  // The letters folder comes from the Windows folder's file only: with the
  // settings in the start folder alone, its default is used.
  std::filesystem::remove(root_ / "windows" / "TALIRA.INI");
  WriteFile("progs/TALIRA.INI", "[TRADUTOR]\r\nDIRLETRAS=c:\\outras\\letras\\\r\n"
                                "[SINTETIZADOR]\r\nDIFONES3=DIFONES3\r\n");
  speech::SpeechInit(3, "c:\\p\\");
  EXPECT_EQ(speech::State().lettersFolder, "c:\\quiral\\som\\letras\\");
  EXPECT_EQ(speech::State().promptFolder, "c:\\p\\");
  EXPECT_EQ(recorded::DiphoneDatabaseName(), "DIFONES3");  // read through the lookup
  speech::SpeechShutdown();
}

TEST_F(SpeechStartupTest, ExternalEngineRequest) {
  struct Case {
    std::string sapi;  // empty: no key
    std::string servfala;
    bool requested;
    speech::EngineRequest request;
  };
  const Case cases[] = {
      {"", "TIPOSAPI=5\r\n", false, {}},
      {"Nao", "TIPOSAPI=5\r\n", false, {}},
      {"n", "TIPOSAPI=5\r\n", false, {}},
      {"Sim", "VOZ=2\r\nVELOCIDADE=50\r\nTOM=7\r\nTIPOSAPI=5\r\n", true, {2, 0, 7, 5}},
      {"Sim", "VOZ=2\r\nVELOCIDADE=50\r\nTOM=7\r\nTIPOSAPI=4\r\n", true, {2, 50, 7, 4}},
      {"S", "VELOCIDADE=10\r\nTIPOSAPI=3\r\n", true, {0, 10, 0, 3}},
      {"1", "VOZ=x\r\nTIPOSAPI=54abc\r\n", true, {0, 0, 0, 54}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sapi + " " + c.servfala);
    std::string settings = BaseSettings();
    if (!c.sapi.empty()) settings += "SAPI=" + c.sapi + "\r\n";
    settings += "[SERVFALA]\r\n" + c.servfala + "[SINTETIZADOR]\r\nDIFONES3=DIFONES3\r\n";
    WriteSettings(settings);
    speech::ResetSpeechStateForTests();
    speech::SpeechInit(3, "");
    const auto& request = speech::LastEngineRequest();
    ASSERT_EQ(request.has_value(), c.requested);
    // No engine can start here: free text stays with the diphone synthesizer.
    EXPECT_FALSE(speech::State().usingSpeechEngine);
    if (c.requested) {
      EXPECT_EQ(request->voice, c.request.voice);
      EXPECT_EQ(request->rate, c.request.rate);
      EXPECT_EQ(request->pitch, c.request.pitch);
      EXPECT_EQ(request->kind, c.request.kind);
      EXPECT_EQ(speech::State().selectedEngineKind, c.request.kind);
    } else {
      EXPECT_EQ(speech::State().selectedEngineKind, speech::kEngineKindDefault);
    }
    speech::SpeechShutdown();
  }
}

// Without section "SINTETIZADOR" the database name is empty and the voice
// cannot load: two lines, a wait for Enter, and the end of the program.
TEST_F(SpeechStartupTest, FatalStartWritesTwoLinesAndWaitsForEnter) {
  WriteSettings(BaseSettings());
  backend_->AppendKeys("a b Enter");
  int code = -1;
  try {
    speech::SpeechInit(0, "");
  } catch (const platform::ProcessExit& exit) {
    code = exit.code;
  }
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(LogHas("Erro de inicializa\xC3\xA7\xC3\xA3o: 1"));
  EXPECT_TRUE(LogHas("Banco de dados de voz: "));
  EXPECT_TRUE(LogHas("key\tEnter"));
  EXPECT_EQ(backend_->PendingScriptItems(), 0u);
  EXPECT_FALSE(backend_->TimedOut());
  EXPECT_FALSE(recorded::DiphoneSynthReady());
  for (const std::string& line : backend_->LogLines()) {
    EXPECT_NE(line.rfind("play\t", 0), 0u) << "nothing of this is spoken: " << line;
  }
}

TEST_F(SpeechStartupTest, FatalStartNamesTheDatabaseAndTheCode) {
  WriteSettings(Synth("DIFONES3=NENHUM\r\n"));
  backend_->AppendKeys("Enter");
  EXPECT_THROW(speech::SpeechInit(3, ""), platform::ProcessExit);
  EXPECT_TRUE(LogHas("Erro de inicializa\xC3\xA7\xC3\xA3o: 1"));
  EXPECT_TRUE(LogHas("Banco de dados de voz: NENHUM"));

  // The program has ended: a fresh console for the second run.
  backend_ = &platform::headless::Install({});
  console::ResetConsoleForTests();
  recorded::ResetWavOutputForTests();
  std::filesystem::remove(root_ / "quiral/som/difones/portug.exc");
  WriteSettings(Synth("DIFONES3=DIFONES3\r\n"));
  backend_->AppendKeys("Enter");
  EXPECT_THROW(speech::SpeechInit(3, ""), platform::ProcessExit);
  EXPECT_TRUE(LogHas("Erro de inicializa\xC3\xA7\xC3\xA3o: 2"));
  EXPECT_TRUE(LogHas("Banco de dados de voz: DIFONES3"));
  EXPECT_FALSE(backend_->TimedOut());
}

TEST_F(SpeechStartupTest, ShutdownLetsSpeechFinishUnlessAKeyCutsIt) {
  WriteSettings(Synth("DIFONES3=DIFONES3\r\n"));
  WriteBytes("quiral/som/tembrika/tbfim.wav", wavtest::MakeWav(wavtest::Constant(11025, 90)));
  speech::SpeechInit(3, "c:\\quiral\\som\\tembrika");
  const std::uint64_t before = backend_->VirtualMillis();
  speech::PlayPrompt("tbfim");
  speech::SpeechShutdown();
  EXPECT_GE(backend_->VirtualMillis() - before, 1000u);
  EXPECT_FALSE(recorded::WavPlaying());

  // A key cuts the wait; it stays queued.
  speech::SpeechInit(3, "c:\\quiral\\som\\tembrika");
  const std::uint64_t cutStart = backend_->VirtualMillis();
  backend_->AppendKeys("!a");
  speech::PlayPrompt("tbfim");
  speech::SpeechShutdown();
  EXPECT_LT(backend_->VirtualMillis() - cutStart, 1000u);
  EXPECT_TRUE(LogHas("cut"));
  EXPECT_TRUE(console::KeyWaiting());

  // Started again, with another speed.
  WriteSettings(Synth("DIFONES3=DIFONES3\r\nDIFONES5=DIFONES5\r\n"));
  speech::SpeechInit(5, "");
  EXPECT_EQ(recorded::DiphoneDatabaseName(), "DIFONES5");
  EXPECT_TRUE(recorded::DiphoneSynthReady());
}

}  // namespace
