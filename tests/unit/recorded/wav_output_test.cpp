#include "recorded/wav_output.h"

#include <gtest/gtest.h>

#include <numeric>

#include "console/console.h"
#include "unit/recorded/wav_fixture.h"

namespace {

using wavtest::Chunk;
using wavtest::Constant;
using wavtest::MakeWav;
using wavtest::Ramp;
using wavtest::WavSpec;

class WavOutputTest : public wavtest::Fixture {
 protected:
  void WaitForSilence() {
    while (recorded::WavPlaying()) platform::WaitMessage();
  }
  void PlayBufferToEnd(std::vector<std::uint8_t> image) {
    recorded::PlayWavBuffer(image);
    WaitForSilence();
  }
};

// What one block must hold after the minimum-length and last-sample rules.
TEST_F(WavOutputTest, BlockShapes) {
  struct Case {
    std::uint16_t bits, channels;
    std::size_t samples;
    std::size_t block;
    bool lastSilenced;
    std::uint8_t padding;
  };
  const Case cases[] = {
      {8, 1, 100, 256, true, 128},       // short mono: padded with silence
      {8, 1, 1, 256, true, 128},         // a single sample becomes silence
      {8, 1, 300, 300, true, 0},         // no padding above 256
      {8, 1, 65534, 65534, false, 0},    // a full block keeps its last sample
      {16, 1, 100, 256, false, 0},       // 16-bit: padding is 16-bit silence
      {8, 2, 100, 256, false, 128},      // stereo: no last-sample rule
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bits << "-bit, " << c.channels << " ch, " << c.samples);
    const std::vector<std::uint8_t> samples = Ramp(c.samples);
    WavSpec spec;
    spec.bits = c.bits;
    spec.channels = c.channels;
    PlayBufferToEnd(MakeWav(samples, spec));
    const auto blocks = Backend().TakeWrittenBlocks();
    ASSERT_EQ(blocks.size(), 1u);
    const std::vector<std::uint8_t>& bytes = blocks[0].bytes;
    ASSERT_EQ(bytes.size(), c.block);
    EXPECT_EQ(blocks[0].format.bits, c.bits);
    EXPECT_EQ(blocks[0].format.channels, c.channels);
    for (std::size_t i = 0; i + 1 < c.samples; ++i) ASSERT_EQ(bytes[i], samples[i]) << i;
    EXPECT_EQ(bytes[c.samples - 1], c.lastSilenced ? 128 : samples[c.samples - 1]);
    for (std::size_t i = c.samples; i < c.block; ++i) ASSERT_EQ(bytes[i], c.padding) << i;
  }
}

// Data just over one full block are split so that the last piece is not tiny.
TEST_F(WavOutputTest, FilePiecesFollowTheBlockRule) {
  struct Case {
    std::size_t data;
    std::vector<std::size_t> pieces;
  };
  const Case cases[] = {
      {65600, {65278, 322}},
      {200000, {65534, 65534, 65534, 3398}},
      {65534, {65534}},
      {65535, {65278, 257}},
      {65789, {65278, 511}},
      {65790, {65534, 256}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.data);
    const std::vector<std::uint8_t> samples = Ramp(c.data);
    WriteFile("letras/long.wav", MakeWav(samples));
    EXPECT_EQ(recorded::PlayWavFile("c:\\letras\\long.wav"), 0);
    const auto blocks = Backend().TakeWrittenBlocks();
    ASSERT_EQ(blocks.size(), c.pieces.size());
    std::size_t at = 0;
    for (std::size_t b = 0; b < blocks.size(); ++b) {
      ASSERT_EQ(blocks[b].bytes.size(), c.pieces[b]);
      const bool full = c.pieces[b] == recorded::kWavBlockBytes;
      for (std::size_t i = 0; i + 1 < c.pieces[b]; ++i) ASSERT_EQ(blocks[b].bytes[i], samples[at + i]);
      EXPECT_EQ(blocks[b].bytes.back(), full ? samples[at + c.pieces[b] - 1] : 128);
      at += c.pieces[b];
    }
    EXPECT_FALSE(recorded::WavDeviceOpen());
  }
  EXPECT_EQ(LogOf("play").size(), std::size(cases));
}

TEST_F(WavOutputTest, KeyAlreadyWaitingSkipsTheFileUntouched) {
  WritePiece("letras/_65.wav", 40);
  TypeNow('a');
  ASSERT_TRUE(console::KeyWaiting());
  EXPECT_EQ(recorded::PlayWavFile("c:\\letras\\_65.wav"), 0);
  EXPECT_EQ(recorded::PlayWavFile("c:\\letras\\nothing.wav"), 0);
  EXPECT_TRUE(LogOf("play").empty());
  EXPECT_TRUE(LogOf("missing").empty());
  EXPECT_TRUE(Backend().TakeWrittenBlocks().empty());
  EXPECT_TRUE(console::KeyWaiting());  // the key is still there for its reader
}

TEST_F(WavOutputTest, MissingFileReturnsAtOnceWithoutWaiting) {
  std::vector<std::uint8_t> playing = MakeWav(Constant(11025, 60));
  recorded::PlayWavBuffer(playing);
  const std::uint64_t before = Backend().VirtualMillis();
  EXPECT_EQ(recorded::PlayWavFile("c:\\letras\\nothing.wav"), -1);
  EXPECT_EQ(Backend().VirtualMillis(), before);
  EXPECT_TRUE(recorded::WavPlaying());  // the earlier sound goes on
  ASSERT_EQ(LogOf("missing").size(), 1u);
  EXPECT_NE(LogOf("missing")[0].find("nothing.wav"), std::string::npos);
}

// Chunks other than "data" are skipped, also when they (or the fmt body) are
// larger than the read buffer; tags match without regard to case.
TEST_F(WavOutputTest, OtherChunksAreSkipped) {
  const std::vector<std::uint8_t> samples = Ramp(500);
  WavSpec spec;
  spec.fmtSize = 70000;
  spec.before = {{"LIST", 10, Constant(10, 1)},
                 {"junk", 70000, Constant(70000, 2)},
                 {"fact", 0, {}}};
  spec.dataTag = "DATA";
  const std::vector<std::uint8_t> image = MakeWav(samples, spec);
  WriteFile("letras/chunky.wav", image);
  EXPECT_EQ(recorded::PlayWavFile("c:\\letras\\chunky.wav"), 0);
  std::vector<std::uint8_t> copy = image;
  recorded::PlayWavBuffer(copy);
  WaitForSilence();
  const auto blocks = Backend().TakeWrittenBlocks();
  ASSERT_EQ(blocks.size(), 2u);
  for (const auto& block : blocks) {
    ASSERT_EQ(block.bytes.size(), 500u);
    EXPECT_TRUE(std::equal(samples.begin(), samples.end() - 1, block.bytes.begin()));
  }
}

// A truncated or lying file gives -1; samples that were there still play.
TEST_F(WavOutputTest, BrokenFilesGiveMinusOne) {
  const std::vector<std::uint8_t> good = MakeWav(Ramp(300));
  auto with = [&](auto change) {
    std::vector<std::uint8_t> image = good;
    change(image);
    return image;
  };
  auto put32 = [](std::vector<std::uint8_t>& image, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) image[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  struct Case {
    const char* what;
    std::vector<std::uint8_t> image;
    std::size_t played;
  };
  WavSpec hugeChunk;
  hugeChunk.before = {{"junk", 0xFFFFFFF0u, Constant(8, 0)}};
  WavSpec shortData;
  shortData.declaredData = 100000;
  const Case cases[] = {
      {"empty", {}, 0},
      {"ten bytes", std::vector<std::uint8_t>(good.begin(), good.begin() + 10), 0},
      {"not RIFF", with([](auto& i) { i[0] = 'X'; }), 0},
      {"no fmt", with([](auto& i) { i[12] = 'X'; }), 0},
      {"fmt of 14", with([&](auto& i) { put32(i, 16, 14); }), 0},
      {"fmt beyond the end", with([&](auto& i) { put32(i, 16, 0xFFFFFFFFu); }), 0},
      {"header cut in the fmt body", std::vector<std::uint8_t>(good.begin(), good.begin() + 30), 0},
      {"no data chunk", with([](auto& i) { i[36] = 'X'; }), 0},
      {"skipped chunk beyond the end", MakeWav(Ramp(300), hugeChunk), 0},
      {"data end early", MakeWav(Ramp(300), shortData), 300},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFile("letras/broken.wav", c.image);
    EXPECT_EQ(recorded::PlayWavFile("c:\\letras\\broken.wav"), -1);
    const auto lengths = BlockLengths();
    if (c.played == 0) {
      EXPECT_TRUE(lengths.empty());
    } else {
      EXPECT_EQ(lengths, std::vector<std::size_t>{c.played});
    }
    // The same image in memory never reads past its end either.
    std::vector<std::uint8_t> copy = c.image;
    recorded::PlayWavBuffer(copy);
    WaitForSilence();
    const auto memoryLengths = BlockLengths();
    EXPECT_EQ(memoryLengths.size(), c.played == 0 ? 0u : 1u);
  }
}

TEST_F(WavOutputTest, ShortenSpeechChangesOnlyMonoSounds) {
  recorded::SetShortenSpeech(true);
  // 16-bit mono opens the device as 8-bit; 900 samples stay unshortened.
  std::vector<std::uint8_t> wide = Ramp(1800);
  WavSpec spec16;
  spec16.bits = 16;
  PlayBufferToEnd(MakeWav(wide, spec16));
  auto blocks = Backend().TakeWrittenBlocks();
  ASSERT_EQ(blocks.size(), 1u);
  EXPECT_EQ(blocks[0].format.bits, 8);
  ASSERT_EQ(blocks[0].bytes.size(), 900u);
  for (std::size_t i = 0; i + 1 < 900; ++i) ASSERT_EQ(blocks[0].bytes[i], wide[2 * i + 1] ^ 128) << i;

  // Stereo passes unchanged.
  WavSpec stereo;
  stereo.channels = 2;
  const std::vector<std::uint8_t> pairs = Ramp(3000);
  PlayBufferToEnd(MakeWav(pairs, stereo));
  blocks = Backend().TakeWrittenBlocks();
  ASSERT_EQ(blocks.size(), 1u);
  EXPECT_EQ(blocks[0].bytes, pairs);

  // Mono 8-bit under 1000 samples is not shortened.
  PlayBufferToEnd(MakeWav(Ramp(999)));
  EXPECT_EQ(BlockLengths(), std::vector<std::size_t>{999});
}

// A pulse every 100 samples at 11025 Hz: each kept stretch runs from one
// pulse to the next (101 samples), the stretch before it is dropped.
TEST_F(WavOutputTest, ShortenPeriodsDropsEveryOtherPeriod) {
  std::vector<std::uint8_t> pulses(2000, 128);
  for (std::size_t i = 0; i < pulses.size(); i += 100) pulses[i] = 200;
  std::vector<std::uint8_t> buffer = pulses;
  const std::uint32_t length = recorded::ShortenPeriods(buffer.data(), 2000, 8, 11025);
  ASSERT_EQ(length, 200u + 8 * 101);
  EXPECT_TRUE(std::equal(pulses.begin(), pulses.begin() + 200, buffer.begin()));
  for (std::size_t k = 0; k < 8; ++k) {
    const std::size_t at = 200 + 101 * k;
    EXPECT_EQ(buffer[at], 200);
    EXPECT_EQ(buffer[at + 100], 200);
    for (std::size_t i = 1; i < 100; ++i) ASSERT_EQ(buffer[at + i], 128);
  }

  // Other rates use the wider search; the first one may reach past a short
  // buffer and must stay within it (checked by the sanitizer builds).
  for (std::uint32_t n : {1000u, 1100u, 1319u, 1320u, 1321u, 2000u}) {
    std::vector<std::uint8_t> noise = Ramp(n);
    EXPECT_LE(recorded::ShortenPeriods(noise.data(), n, 8, 22050), n);
  }
  // The tail is copied on until the output sits near silence.
  std::vector<std::uint8_t> loud(1200, 250);
  EXPECT_LE(recorded::ShortenPeriods(loud.data(), 1200, 8, 11025), 1200u);
  // 16-bit input is reduced to high bytes first; one byte gives nothing.
  std::vector<std::uint8_t> one = {7};
  EXPECT_EQ(recorded::ShortenPeriods(one.data(), 1, 16, 11025), 0u);
}

TEST_F(WavOutputTest, SameFormatQueuesBehindAndNewFormatWaits) {
  std::vector<std::uint8_t> first = MakeWav(Constant(11025, 50));   // one second
  std::vector<std::uint8_t> second = MakeWav(Constant(11025, 60));
  recorded::PlayWavBuffer(first);
  const std::uint64_t start = Backend().VirtualMillis();
  recorded::PlayWavBuffer(second);  // same format: queued behind, no wait
  EXPECT_EQ(Backend().VirtualMillis(), start);
  EXPECT_EQ(recorded::QueuedWavBlocks(), 2);

  WavSpec spec16;
  spec16.bits = 16;
  std::vector<std::uint8_t> third = MakeWav(Ramp(1000), spec16);
  recorded::PlayWavBuffer(third);  // a new format: both seconds play first
  EXPECT_GE(Backend().VirtualMillis() - start, 2000u);
  WaitForSilence();
  const auto blocks = Backend().TakeWrittenBlocks();
  ASSERT_EQ(blocks.size(), 3u);
  EXPECT_EQ(blocks[0].format.bits, 8);
  EXPECT_EQ(blocks[1].format.bits, 8);
  EXPECT_EQ(blocks[2].format.bits, 16);
}

TEST_F(WavOutputTest, RaisedRateOpensAtOneAndAHalfTimes) {
  recorded::SetRaisedRate(true);
  PlayBufferToEnd(MakeWav(Ramp(400)));
  const auto blocks = Backend().TakeWrittenBlocks();
  ASSERT_EQ(blocks.size(), 1u);
  EXPECT_EQ(blocks[0].format.rate, 16537);
}

TEST_F(WavOutputTest, LongSoundsStreamThroughFourSlots) {
  std::vector<std::uint8_t> image = MakeWav(Ramp(6 * 65534));
  recorded::PlayWavBuffer(image);
  EXPECT_LE(recorded::QueuedWavBlocks(), 4);
  EXPECT_EQ(recorded::QueuedWavBlocks(), Backend().QueuedWaveBlocks());
  WaitForSilence();
  EXPECT_EQ(BlockLengths(), std::vector<std::size_t>(6, 65534));
  EXPECT_FALSE(recorded::WavDeviceOpen());
}

// A block the device will not prepare is dropped; the next one still plays.
TEST_F(WavOutputTest, RefusedBlockIsDroppedAndPlaybackGoesOn) {
  const std::vector<std::uint8_t> samples = Ramp(65534 + 1000);
  Backend().FailNextPrepare(platform::kWaveNoMemory);
  PlayBufferToEnd(MakeWav(samples));
  EXPECT_EQ(BlockLengths(), std::vector<std::size_t>{1000});
  EXPECT_EQ(recorded::QueuedWavBlocks(), 0);
  EXPECT_FALSE(recorded::WavDeviceOpen());
}

TEST_F(WavOutputTest, KeyCutsALongSound) {
  WriteFile("letras/long.wav", MakeWav(Ramp(200000)));  // about 18 seconds
  Backend().AppendKeys("!a");
  EXPECT_EQ(recorded::PlayWavFile("c:\\letras\\long.wav"), 0);
  EXPECT_LT(Backend().VirtualMillis(), 18000u);
  EXPECT_FALSE(recorded::WavDeviceOpen());
  EXPECT_FALSE(LogOf("cut").empty());
  EXPECT_TRUE(console::KeyWaiting());
  EXPECT_EQ(console::GetKey(), 'a');
}

TEST_F(WavOutputTest, BusyDeviceIsRetriedHundredTimes) {
  Backend().FailNextWaveOpen(platform::kWaveAllocated, 3);
  std::uint64_t start = Backend().VirtualMillis();
  EXPECT_EQ(recorded::SetWavFormat(11025, 8, 1), 0);
  EXPECT_EQ(Backend().VirtualMillis() - start, 300u);
  recorded::StopWav();

  Backend().FailNextWaveOpen(platform::kWaveAllocated, 150);
  start = Backend().VirtualMillis();
  EXPECT_EQ(recorded::SetWavFormat(22050, 8, 1), platform::kWaveAllocated);
  EXPECT_EQ(Backend().VirtualMillis() - start, 99u * 100);
  EXPECT_FALSE(recorded::WavDeviceOpen());

  // Any other failure is returned at once as the result of the play.
  WriteFile("letras/x.wav", MakeWav(Ramp(300)));
  Backend().FailNextWaveOpen(platform::kWaveBadDevice, 1);
  EXPECT_EQ(recorded::PlayWavFile("c:\\letras\\x.wav"), platform::kWaveBadDevice);
  EXPECT_TRUE(Backend().TakeWrittenBlocks().empty());
}

TEST_F(WavOutputTest, UnprepareFailuresAreReportedAndWaitForEnter) {
  struct Case {
    int code;
    const char* text;
  };
  const Case cases[] = {
      {platform::kWaveInvalidHandle, "Specified device handle is invalid."},
      {platform::kWaveNoDriver, "No device driver is present."},
      {platform::kWaveNoMemory, "Unable to allocate or lock memory."},
      {platform::kWaveStillPlaying, "The data block pointed to by the pwh parameter is still in queue"},
      {99, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    Backend().ClearLog();
    Backend().FailNextUnprepare(c.code);
    Backend().AppendKeys("Enter");
    PlayBufferToEnd(MakeWav(Ramp(300)));
    EXPECT_EQ(recorded::QueuedWavBlocks(), 0);
    bool written = false;
    for (const std::string& line : LogOf("write")) {
      if (c.text && line.find(c.text) != std::string::npos) written = true;
    }
    EXPECT_EQ(written, c.text != nullptr);
    EXPECT_FALSE(console::KeyWaiting());  // the Enter was read by the wait
  }
}

}  // namespace
