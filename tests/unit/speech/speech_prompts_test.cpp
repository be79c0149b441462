#include "speech/speech_prompts.h"

#include <gtest/gtest.h>

#include "console/console.h"
#include "recorded/wav_output.h"
#include "speech/speech_state.h"
#include "unit/recorded/wav_fixture.h"

namespace {

using wavtest::MakeWav;
using wavtest::Ramp;

std::uint32_t Le32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
         (static_cast<std::uint32_t>(b[at + 2]) << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::uint16_t Le16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

TEST(FillWavHeader, FillsTheTemplate) {
  struct Case {
    std::uint32_t length, rate;
    std::uint16_t bits, channels;
    std::uint32_t riff, byteRate;
  };
  const Case cases[] = {
      {512, 11025, 8, 1, 548, 11025},
      {1000, 22050, 16, 2, 1036, 88200},
      {0, 16000, 16, 1, 36, 32000},
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> header(44, 0xEE);
    ASSERT_TRUE(speech::FillWavHeader(header, c.length, c.rate, c.bits, c.channels));
    EXPECT_EQ(std::string(header.begin(), header.begin() + 4), "RIFF");
    EXPECT_EQ(Le32(header, 4), c.riff);
    EXPECT_EQ(std::string(header.begin() + 8, header.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(Le32(header, 16), 16u);
    EXPECT_EQ(Le16(header, 20), 1);
    EXPECT_EQ(Le16(header, 22), c.channels);
    EXPECT_EQ(Le32(header, 24), c.rate);
    EXPECT_EQ(Le32(header, 28), c.byteRate);
    EXPECT_EQ(Le16(header, 32), 1);  // block alignment stays as in the template
    EXPECT_EQ(Le16(header, 34), c.bits);
    EXPECT_EQ(std::string(header.begin() + 36, header.begin() + 40), "data");
    EXPECT_EQ(Le32(header, 40), c.length);
  }
  std::vector<std::uint8_t> tooShort(43);
  EXPECT_FALSE(speech::FillWavHeader(tooShort, 1, 11025, 8, 1));
}

TEST(Click, SameNoiseEveryRunThenSilence) {
  const auto first = speech::BuildClickSamples();
  EXPECT_EQ(first, speech::BuildClickSamples());
  int distinct = 0;
  for (std::size_t i = 0; i < 64; ++i) {
    EXPECT_GE(first[i], 128);
    EXPECT_LE(first[i], 187);
    if (i > 0 && first[i] != first[i - 1]) ++distinct;
  }
  EXPECT_GT(distinct, 32);  // noise, not a constant
  for (std::size_t i = 64; i < 256; ++i) EXPECT_EQ(first[i], 128);
}

class SpeechPromptsTest : public wavtest::Fixture {};

TEST_F(SpeechPromptsTest, FileNames) {
  WritePiece("letras/_48.wav", 40);
  WritePiece("letras/_DEL.wav", 41);
  WritePiece("tembrika/tbfim.wav", 42);
  speech::SpeakChar(48);
  speech::SpeakChar(0);  // no such recording: silent
  speech::PlayPrompt("_DEL");
  speech::PlayPrompt("tbfim");
  const auto plays = LogOf("play");
  ASSERT_EQ(plays.size(), 3u);
  EXPECT_EQ(plays[0].rfind("play\tletras/_48.wav\t200\t11025\t8\t1", 0), 0u) << plays[0];
  EXPECT_NE(plays[1].find("letras/_DEL.wav"), std::string::npos);
  EXPECT_NE(plays[2].find("tembrika/tbfim.wav"), std::string::npos);
  ASSERT_EQ(LogOf("missing").size(), 1u);
  EXPECT_NE(LogOf("missing")[0].find("_0.wav"), std::string::npos);
  EXPECT_EQ(speech::DtmfFile('#'), "c:\\letras\\dtmf_#.wav");
}

TEST_F(SpeechPromptsTest, PromptsPlayInOrderWithoutGaps) {
  WritePiece("tembrika/tba.wav", 40, 1103);
  WritePiece("tembrika/tbb.wav", 41, 1103);
  WritePiece("tembrika/tbc.wav", 42, 1103);
  for (const char* name : {"tba", "tbb", "tbc"}) speech::PlayPrompt(name);
  EXPECT_EQ(Heard({{40, "a"}, {41, "b"}, {42, "c"}}), (std::vector<std::string>{"a", "b", "c"}));
  // Each prompt waits for its own end: three tenths of a second in all.
  EXPECT_NEAR(static_cast<double>(Backend().VirtualMillis()), 3 * 1103 * 1000.0 / 11025, 30);
}

TEST_F(SpeechPromptsTest, KeyDuringTheFirstPromptCutsAllThree) {
  for (const char* name : {"tba", "tbb", "tbc"}) WritePiece(std::string("tembrika/") + name + ".wav", 40, 22050);
  Backend().AppendKeys("!q");
  for (const char* name : {"tba", "tbb", "tbc"}) speech::PlayPrompt(name);
  EXPECT_EQ(LogOf("play").size(), 1u);
  EXPECT_FALSE(LogOf("cut").empty());
  EXPECT_LT(Backend().VirtualMillis(), 2000u);
  EXPECT_EQ(console::GetKey(), 'q');  // the key is the next one read
}

TEST_F(SpeechPromptsTest, SpeechBusyStopsEverythingWhenAKeyWaits) {
  std::vector<std::uint8_t> sound = MakeWav(Ramp(22050));
  recorded::PlayWavBuffer(sound);
  EXPECT_TRUE(speech::SpeechBusy());
  speech::State().stopRequested = false;
  TypeNow('k');
  EXPECT_FALSE(speech::SpeechBusy());
  EXPECT_FALSE(recorded::WavDeviceOpen());
  EXPECT_TRUE(speech::State().stopRequested);
  EXPECT_EQ(console::QueuedKeyCount(), 1);  // the key stays queued
  // StopSpeech left its wake-up message behind for a pending wait.
  bool woken = false;
  for (platform::Message msg; platform::PeekMessage(msg);) {
    if (msg.id == platform::kMsgSpeechStopped) woken = true;
  }
  EXPECT_TRUE(woken);
}

TEST_F(SpeechPromptsTest, BeepDropsTypedAheadKeysAndPlaysItsCycle) {
  TypeNow('a');
  TypeNow('b');
  TypeNow('c');
  speech::PlayBeep();
  EXPECT_EQ(console::QueuedKeyCount(), 0);
  const auto blocks = Backend().TakeWrittenBlocks();
  ASSERT_EQ(blocks.size(), 1u);
  ASSERT_EQ(blocks[0].bytes.size(), 512u);
  const std::uint8_t cycle[] = {128, 112, 96, 80, 64, 80, 96, 112};
  for (std::size_t i = 0; i < 511; ++i) ASSERT_EQ(blocks[0].bytes[i], cycle[i % 8]) << i;
  EXPECT_EQ(blocks[0].bytes[511], 128);
  EXPECT_EQ(LogOf("buffer"), std::vector<std::string>{"buffer\t512\t11025\t8\t1"});
}

TEST_F(SpeechPromptsTest, ClickPlaysUnshortenedAndRestoresTheSwitch) {
  recorded::SetShortenSpeech(true);
  speech::PlayClick();
  EXPECT_TRUE(recorded::ShortenSpeech());
  const auto blocks = Backend().TakeWrittenBlocks();
  ASSERT_EQ(blocks.size(), 1u);
  const auto samples = speech::BuildClickSamples();
  EXPECT_EQ(blocks[0].bytes, std::vector<std::uint8_t>(samples.begin(), samples.end()));
  EXPECT_NEAR(static_cast<double>(Backend().VirtualMillis()), 256 * 1000.0 / 11025, 2);
}

TEST_F(SpeechPromptsTest, DtmfDigitsWithPausesAndPlainRate) {
  for (const char* key : {"1", "2", "3", "#", "X"}) WritePiece(std::string("letras/dtmf_") + key + ".wav", 40, 1103);
  recorded::SetRaisedRate(true);
  speech::PlayDtmfDigits("12,3#a*");
  EXPECT_TRUE(recorded::RaisedRate());
  const auto plays = LogOf("play");
  ASSERT_EQ(plays.size(), 5u);
  const char* order[] = {"dtmf_1", "dtmf_2", "dtmf_3", "dtmf_#", "dtmf_X"};
  for (std::size_t i = 0; i < 5; ++i) EXPECT_NE(plays[i].find(order[i]), std::string::npos) << plays[i];
  for (const auto& block : Backend().TakeWrittenBlocks()) EXPECT_EQ(block.format.rate, 11025);
  // Five tones of a tenth of a second, 100 ms after each, one second for ",".
  EXPECT_NEAR(static_cast<double>(Backend().VirtualMillis()), 5 * 100.0 + 5 * 100 + 1000, 30);
}

TEST_F(SpeechPromptsTest, ReadKeySpokenEchoesTheKey) {
  WritePiece("letras/_97.wav", 40);
  Backend().AppendKeys("a");
  EXPECT_EQ(speech::ReadKeySpoken(), 'a');
  ASSERT_EQ(LogOf("play").size(), 1u);
  EXPECT_NE(LogOf("play")[0].find("_97.wav"), std::string::npos);
}

}  // namespace
