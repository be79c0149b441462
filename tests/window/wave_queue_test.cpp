// The wave device's block queue, the WAV image reader and the shell's
// command line: the parts of the real backend that need no device.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/sdl/shell_open.h"
#include "platform/sdl/wav_image.h"
#include "platform/sdl/wave_queue.h"

namespace platform::sdl {
namespace {

struct QueueFixture {
  std::vector<WaveBlock*> done;
  WaveQueue queue{[this](WaveBlock* b) { done.push_back(b); }};
};

TEST(WaveQueue, BlocksPlayInOrderAndEachComesBackOnceWhenRead) {
  QueueFixture f;
  const std::uint8_t a[] = {1, 2, 3};
  const std::uint8_t b[] = {4, 5};
  WaveBlock first{a, 3, 1, kBlockPrepared};
  WaveBlock second{b, 2, 2, kBlockPrepared};
  f.queue.Push(&first);
  f.queue.Push(&second);
  EXPECT_EQ(f.queue.QueuedBytes(), 5u);

  std::uint8_t out[4] = {};
  EXPECT_EQ(f.queue.Fill(out, 4, 128), 4u);
  EXPECT_EQ(std::vector<std::uint8_t>(out, out + 4), (std::vector<std::uint8_t>{1, 2, 3, 4}));
  EXPECT_EQ(f.done, std::vector<WaveBlock*>{&first});
  EXPECT_TRUE(f.queue.IsQueued(&second));

  EXPECT_EQ(f.queue.Fill(out, 4, 128), 1u);
  EXPECT_EQ(std::vector<std::uint8_t>(out, out + 4), (std::vector<std::uint8_t>{5, 128, 128, 128}));
  EXPECT_EQ(f.done, (std::vector<WaveBlock*>{&first, &second}));
  EXPECT_EQ(second.flags & (kBlockQueued | kBlockDone), kBlockDone);
  EXPECT_EQ(second.flags & kBlockPrepared, kBlockPrepared);

  // Nothing queued: silence, and no block comes back twice.
  EXPECT_EQ(f.queue.Fill(out, 4, 0), 0u);
  EXPECT_EQ(f.done.size(), 2u);
}

TEST(WaveQueue, ResetReturnsEveryQueuedBlockInOrder) {
  QueueFixture f;
  const std::uint8_t data[8] = {};
  WaveBlock blocks[3] = {{data, 8, 1, 0}, {data, 8, 2, 0}, {data, 8, 3, 0}};
  for (WaveBlock& b : blocks) f.queue.Push(&b);
  std::uint8_t out[4];
  f.queue.Fill(out, 4, 128);  // the first block is half read
  f.queue.ReturnAll();
  EXPECT_EQ(f.done, (std::vector<WaveBlock*>{&blocks[0], &blocks[1], &blocks[2]}));
  EXPECT_EQ(f.queue.QueuedBlocks(), 0u);
  EXPECT_EQ(f.queue.Fill(out, 4, 128), 0u);
  f.queue.ReturnAll();
  EXPECT_EQ(f.done.size(), 3u);

  // A block queued after the reset starts from its first byte.
  const std::uint8_t fresh[] = {9, 8};
  WaveBlock next{fresh, 2, 4, 0};
  f.queue.Push(&next);
  EXPECT_EQ(f.queue.Fill(out, 2, 128), 2u);
  EXPECT_EQ(out[0], 9);
}

TEST(WaveQueue, EmptyBlocksComeBackInTheirTurn) {
  QueueFixture f;
  WaveBlock empty{nullptr, 0, 1, 0};
  f.queue.Push(&empty);
  EXPECT_EQ(f.done, std::vector<WaveBlock*>{&empty});  // nothing ahead of it

  const std::uint8_t data[] = {7};
  WaveBlock full{data, 1, 2, 0};
  WaveBlock emptyBehind{nullptr, 0, 3, 0};
  f.queue.Push(&full);
  f.queue.Push(&emptyBehind);
  EXPECT_EQ(f.done.size(), 1u);  // waits behind the block with sound
  std::uint8_t out[2];
  f.queue.Fill(out, 2, 128);
  EXPECT_EQ(f.done, (std::vector<WaveBlock*>{&empty, &full, &emptyBehind}));
}

TEST(WaveQueue, ABlockIsDoneOnlyOnceTheDeviceHadTimeToPlayIt) {
  QueueFixture f;
  f.queue.SetReportDelay(8);  // the device holds 8 bytes after each hand-over
  const std::uint8_t data[6] = {1, 2, 3, 4, 5, 6};
  WaveBlock block{data, 6, 1, 0};
  WaveBlock empty{nullptr, 0, 2, 0};
  f.queue.Push(&block);
  f.queue.Push(&empty);
  std::uint8_t out[4];
  f.queue.Fill(out, 4, 128);
  f.queue.Fill(out, 4, 128);  // read to its end (byte 6), heard at byte 14
  EXPECT_TRUE(f.done.empty());
  EXPECT_TRUE(f.queue.IsQueued(&block));  // still playing: not to be unprepared
  EXPECT_EQ(f.queue.QueuedBlocks(), 2u);
  f.queue.Fill(out, 4, 128);
  EXPECT_TRUE(f.done.empty());
  f.queue.Fill(out, 4, 128);  // byte 16
  EXPECT_EQ(f.done, (std::vector<WaveBlock*>{&block, &empty}));
  EXPECT_FALSE(f.queue.IsQueued(&block));

  // A reset returns blocks still playing as well as those not read yet.
  WaveBlock again{data, 6, 3, 0};
  WaveBlock later{data, 6, 4, 0};
  f.queue.Push(&again);
  f.queue.Push(&later);
  std::uint8_t big[8];
  f.queue.Fill(big, 8, 128);
  f.queue.ReturnAll();
  EXPECT_EQ(f.done, (std::vector<WaveBlock*>{&block, &empty, &again, &later}));
}

std::vector<std::uint8_t> Wav(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                              std::vector<std::uint8_t> samples, std::uint32_t claimedData,
                              bool extraChunk = false) {
  std::vector<std::uint8_t> out;
  auto tag = [&](const char* t) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(t[i]));
  };
  auto u32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  auto u16 = [&](std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
  };
  tag("RIFF");
  u32(36 + claimedData);
  tag("WAVE");
  tag("fmt ");
  u32(16);
  u16(1);
  u16(channels);
  u32(rate);
  u32(rate * channels * bits / 8);
  u16(static_cast<std::uint16_t>(channels * bits / 8));
  u16(bits);
  if (extraChunk) {
    tag("LIST");
    u32(3);
    for (std::uint8_t b : {1, 2, 3}) out.push_back(b);
  }
  tag("data");
  u32(claimedData);
  for (std::uint8_t b : samples) out.push_back(b);
  return out;
}

TEST(WavImage, ReadsFormatAndSamples) {
  const auto plain = Wav(1, 11025, 8, {96, 160, 128}, 3);
  auto image = ParseWavImage(plain);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->format.rate, 11025);
  EXPECT_EQ(image->format.bits, 8);
  EXPECT_EQ(image->format.channels, 1);
  EXPECT_EQ(std::vector<std::uint8_t>(image->samples.begin(), image->samples.end()),
            (std::vector<std::uint8_t>{96, 160, 128}));

  const auto withList = Wav(2, 16000, 16, {1, 2, 3, 4}, 4, true);
  image = ParseWavImage(withList);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->format.channels, 2);
  EXPECT_EQ(image->samples.size(), 4u);

  // A data chunk that claims more than the image holds is cut to what is there.
  const auto lying = Wav(1, 11025, 8, {1, 2}, 5000);
  image = ParseWavImage(lying);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->samples.size(), 2u);
}

TEST(WavImage, RejectsWhatItCannotPlay) {
  auto notRiff = Wav(1, 11025, 8, {1}, 1);
  notRiff[0] = 'X';
  auto noData = Wav(1, 11025, 8, {}, 0);
  noData.resize(noData.size() - 8);
  const auto bits24 = Wav(1, 11025, 24, {1, 2, 3}, 3);
  const auto sixChannels = Wav(6, 11025, 8, {1}, 1);
  auto truncated = Wav(1, 11025, 8, {1}, 1);
  truncated.resize(30);
  for (const std::vector<std::uint8_t>* bytes :
       std::initializer_list<const std::vector<std::uint8_t>*>{&notRiff, &noData, &bits24, &sixChannels, &truncated}) {
    EXPECT_FALSE(ParseWavImage(*bytes));
  }
  EXPECT_FALSE(ParseWavImage({}));
}

// Programs and documents as the shell's "open" starts them, with a search
// path that holds a stand-in opener and viewer.
class ShellOpenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() / ("tembrika-shell-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(folder_);
    for (const char* name : {"xdg-open", "viewer"}) {
      const auto path = folder_ / name;
      std::ofstream(path) << "#!/bin/sh\n";
      std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    }
    std::ofstream(folder_ / "manual.txt") << "text\n";
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  std::string In(const char* name) const { return (folder_ / name).string(); }
  std::vector<std::string> Command(const std::string& program, const std::string& parameter) const {
    return ShellOpenCommand(program, parameter, folder_.string());
  }

  std::filesystem::path folder_;
};

TEST_F(ShellOpenTest, DocumentsAddressesAndPrograms) {
  using Argv = std::vector<std::string>;
  EXPECT_EQ(Command("", "https://example.org/a b"), (Argv{In("xdg-open"), "https://example.org/a b"}));
  EXPECT_EQ(Command("www.example.org", ""), (Argv{In("xdg-open"), "www.example.org"}));
  // A bare program name is found in the search path; its parameter stays one
  // argument, whatever it holds.
  EXPECT_EQ(Command("viewer", "a; rm -rf ~ | b"), (Argv{In("viewer"), "a; rm -rf ~ | b"}));
  EXPECT_EQ(Command("viewer", ""), (Argv{In("viewer")}));
  // A document given as the program is opened by the desktop's choice.
  EXPECT_EQ(Command(In("manual.txt"), ""), (Argv{In("xdg-open"), In("manual.txt")}));
  EXPECT_EQ(Command(In("viewer"), In("manual.txt")), (Argv{In("viewer"), In("manual.txt")}));
  // Program texts are cp1252; the command line is UTF-8.
  EXPECT_EQ(Command("", "ol\xE1"), (Argv{In("xdg-open"), "ol\xC3\xA1"}));
  EXPECT_TRUE(Command("", "").empty());
  // A program that is not installed, or a document that does not exist: nothing.
  EXPECT_TRUE(Command("missing-program", "x").empty());
  EXPECT_TRUE(Command(In("missing.txt"), "").empty());
}

TEST_F(ShellOpenTest, NothingToOpenWithoutAnOpener) {
  std::filesystem::remove(folder_ / "xdg-open");
  EXPECT_TRUE(Command("", "https://example.org").empty());
  EXPECT_EQ(Command("viewer", "x"), (std::vector<std::string>{In("viewer"), "x"}));
}

}  // namespace
}  // namespace platform::sdl
