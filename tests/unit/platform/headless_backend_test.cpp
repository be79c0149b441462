// The simulator backend: delivery of scripted keys, the wave device in
// virtual time, the virtual clock, limits, window bookkeeping and the log.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/headless/headless.h"
#include "temp_folder.h"

namespace platform::headless {
namespace {

class HeadlessTest : public ::testing::Test {
 protected:
  HeadlessBackend& Start(Options options = {}) {
    options.collectSamples = true;
    backend_ = &Install(options);
    return *backend_;
  }

  // Takes every queued message.
  std::vector<Message> Drain() {
    std::vector<Message> out;
    Message msg;
    while (PeekMessage(msg)) out.push_back(msg);
    return out;
  }

  // Opens the device and queues one block of `bytes` bytes.
  WaveBlock* Play(std::size_t bytes, WaveFormat format = {}, std::uint8_t value = 200) {
    if (!WaveIsOpen()) {
      EXPECT_EQ(WaveOpen(format), kWaveOk);
    }
    data_.push_back(std::vector<std::uint8_t>(bytes, value));
    blocks_.push_back(std::make_unique<WaveBlock>());
    WaveBlock* block = blocks_.back().get();
    block->data = data_.back().data();
    block->length = static_cast<std::uint32_t>(bytes);
    EXPECT_EQ(WavePrepare(block), kWaveOk);
    EXPECT_EQ(WaveWrite(block), kWaveOk);
    return block;
  }

  bool LogHas(const std::string& line) const {
    for (const std::string& l : backend_->LogLines()) {
      if (l == line) return true;
    }
    return false;
  }

  HeadlessBackend* backend_ = nullptr;
  std::vector<std::vector<std::uint8_t>> data_;
  std::vector<std::unique_ptr<WaveBlock>> blocks_;
};

std::vector<std::uint32_t> Ids(const std::vector<Message>& messages) {
  std::vector<std::uint32_t> ids;
  for (const Message& m : messages) ids.push_back(m.id);
  return ids;
}

TEST_F(HeadlessTest, PlainKeyWaitsForTheSoundToEnd) {
  Options options;
  options.keyScript = "a";
  HeadlessBackend& sim = Start(options);
  WaveBlock* block = Play(11025);  // one second
  WaitMessage(WaitReason::Key);
  EXPECT_EQ(sim.VirtualMillis(), 1000u);
  std::vector<Message> messages = Drain();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].id, kMsgWaveDone);
  EXPECT_EQ(messages[0].b, reinterpret_cast<std::uintptr_t>(block));
  EXPECT_EQ(WaveUnprepare(block), kWaveOk);
  EXPECT_TRUE(sim.LogLines().empty());

  WaitMessage(WaitReason::Key);
  EXPECT_EQ(Ids(Drain()), (std::vector<std::uint32_t>{kMsgKeyDown, kMsgChar, kMsgKeyUp}));
  EXPECT_TRUE(LogHas("key\ta"));
  EXPECT_FALSE(LogHas("cut"));
  EXPECT_EQ(sim.CollectedSamples().size(), 11025u);
}

TEST_F(HeadlessTest, UrgentKeyArrivesAtTheNextWaitOfAnyKindAndCutsTheSound) {
  Options options;
  options.keyScript = "!x b";
  HeadlessBackend& sim = Start(options);
  Play(11025);
  Sleep(100);  // the urgent key comes at once, then the sleep passes
  EXPECT_EQ(sim.VirtualMillis(), 100u);
  EXPECT_TRUE(LogHas("key\t!x"));
  EXPECT_EQ(Ids(Drain()), (std::vector<std::uint32_t>{kMsgKeyDown, kMsgChar, kMsgKeyUp}));
  EXPECT_EQ(sim.QueuedWaveBlocks(), 1);

  WaveReset();
  EXPECT_TRUE(LogHas("cut"));
  EXPECT_EQ(sim.QueuedWaveBlocks(), 0);
  EXPECT_EQ(Ids(Drain()), (std::vector<std::uint32_t>{kMsgWaveDone}));
  EXPECT_EQ(sim.CollectedSamples().size(), 1102u);  // only the tenth of a second that played
  WaveClose();

  // The plain key is not delivered while something plays; with nothing playing it is.
  Play(1103);
  WaitMessage(WaitReason::Key);
  EXPECT_EQ(Ids(Drain()), (std::vector<std::uint32_t>{kMsgWaveDone}));
  EXPECT_EQ(sim.VirtualMillis(), 200u);
  WaitMessage(WaitReason::Key);
  EXPECT_TRUE(LogHas("key\tb"));
}

TEST_F(HeadlessTest, EndOfScriptClosesTheWindowAndAnIdleWaitTakesTheNextKey) {
  Options options;
  options.keyScript = "+90s q";
  HeadlessBackend& sim = Start(options);
  // A wait for anything with nothing that could wake the program: the next key comes.
  WaitMessage(WaitReason::Anything);
  EXPECT_EQ(sim.VirtualMillis(), 90'000u);
  EXPECT_EQ(Ids(Drain()), (std::vector<std::uint32_t>{kMsgKeyDown, kMsgChar, kMsgKeyUp}));
  WaitMessage(WaitReason::Key);
  EXPECT_EQ(Ids(Drain()), (std::vector<std::uint32_t>{kMsgClose}));
  EXPECT_EQ(sim.PendingScriptItems(), 0u);
}

TEST_F(HeadlessTest, WaitReturnsAtOnceWhileAMessageIsQueued) {
  Options options;
  options.keyScript = "a";
  HeadlessBackend& sim = Start(options);
  PostMessage(kMsgSpeechStopped);
  WaitMessage(WaitReason::Key);
  EXPECT_EQ(sim.PendingScriptItems(), 1u);
  EXPECT_EQ(Ids(Drain()), (std::vector<std::uint32_t>{kMsgSpeechStopped}));
}

TEST_F(HeadlessTest, BlocksPlayOneAfterAnotherForTheirLength) {
  HeadlessBackend& sim = Start();
  WaveFormat stereo16{22050, 16, 2};
  WaveBlock* first = Play(88200, stereo16);   // 1 s
  WaveBlock* second = Play(44100, stereo16);  // 0.5 s
  EXPECT_EQ(WaveUnprepare(first), kWaveStillPlaying);
  Sleep(999);
  EXPECT_TRUE(Drain().empty());
  WaitMessage();
  EXPECT_EQ(sim.VirtualMillis(), 1000u);
  std::vector<Message> done = Drain();
  ASSERT_EQ(done.size(), 1u);
  EXPECT_EQ(done[0].b, reinterpret_cast<std::uintptr_t>(first));
  WaitMessage();
  EXPECT_EQ(sim.VirtualMillis(), 1500u);
  done = Drain();
  ASSERT_EQ(done.size(), 1u);
  EXPECT_EQ(done[0].b, reinterpret_cast<std::uintptr_t>(second));
  EXPECT_FALSE(LogHas("cut"));
  // 1.5 s at 11025 Hz, 16-bit value 200|200<<8 -> high byte made unsigned.
  ASSERT_EQ(sim.CollectedSamples().size(), 16537u);
  EXPECT_EQ(sim.CollectedSamples()[0], static_cast<std::uint8_t>(static_cast<std::int8_t>(200) + 128));

  std::vector<HeadlessBackend::WrittenBlock> written = sim.TakeWrittenBlocks();
  ASSERT_EQ(written.size(), 2u);
  EXPECT_EQ(written[1].bytes.size(), 44100u);
  EXPECT_EQ(written[1].format.rate, 22050);
  EXPECT_TRUE(sim.TakeWrittenBlocks().empty());

  // A block queued after a pause starts when it is written.
  Sleep(500);
  WaveClose();
  Play(11025);
  WaitMessage();
  EXPECT_EQ(sim.VirtualMillis(), 3000u);
}

TEST_F(HeadlessTest, ResetReturnsEveryBlockAtOnce) {
  HeadlessBackend& sim = Start();
  Play(11025);
  Play(11025);
  Play(11025);
  WaveReset();
  EXPECT_EQ(sim.VirtualMillis(), 0u);
  EXPECT_EQ(Ids(Drain()), (std::vector<std::uint32_t>{kMsgWaveDone, kMsgWaveDone, kMsgWaveDone}));
  EXPECT_TRUE(LogHas("cut"));
  EXPECT_TRUE(sim.CollectedSamples().empty());
  sim.ClearLog();
  WaveReset();  // nothing queued: nothing cut
  EXPECT_TRUE(sim.LogLines().empty());

  // Closing with blocks queued stops them without reporting them; they can be unprepared.
  WaveBlock* block = Play(11025);
  Sleep(500);
  WaveClose();
  EXPECT_FALSE(WaveIsOpen());
  EXPECT_EQ(sim.LogLines(), std::vector<std::string>{"cut"});
  EXPECT_TRUE(Drain().empty());
  EXPECT_EQ(WaveUnprepare(block), kWaveOk);
  EXPECT_EQ(sim.CollectedSamples().size(), 5512u);
  WaitMessage();  // nothing plays any more: the window is closed, the script being empty
  EXPECT_EQ(sim.VirtualMillis(), 500u);
}

TEST_F(HeadlessTest, DeviceFailuresForTests) {
  HeadlessBackend& sim = Start();
  sim.SetWaveDeviceAvailable(false);
  EXPECT_EQ(WaveOpen({}), kWaveBadDevice);
  sim.SetWaveDeviceAvailable(true);
  sim.FailNextWaveOpen(kWaveAllocated, 2);
  EXPECT_EQ(WaveOpen({}), kWaveAllocated);
  EXPECT_EQ(WaveOpen({}), kWaveAllocated);
  EXPECT_EQ(WaveOpen({}), kWaveOk);
  EXPECT_EQ(WaveOpen({}), kWaveAllocated);  // one device
  WaveClose();
  EXPECT_EQ(WaveOpen(WaveFormat{11025, 12, 1}), kWaveBadFormat);
  WaveBlock* block = Play(300);
  WaitMessage();
  Drain();
  sim.FailNextUnprepare(kWaveNoMemory);
  EXPECT_EQ(WaveUnprepare(block), kWaveNoMemory);
  EXPECT_EQ(WaveUnprepare(block), kWaveOk);
  sim.FailNextPrepare(kWaveNoMemory);
  EXPECT_EQ(WavePrepare(block), kWaveNoMemory);
  EXPECT_NE(WaveWrite(block), kWaveOk);  // not prepared
}

TEST_F(HeadlessTest, VirtualClockMovesWithVirtualTime) {
  Options options;
  ASSERT_TRUE(ParseClock("2024-05-20T23:59:59.50", options.clock));
  options.keyScript = "@2024-02-28T12:00:00 +1d +2h a";
  Start(options);
  Sleep(600);
  LocalTime t = Now();
  EXPECT_EQ(t.year, 2024);
  EXPECT_EQ(t.month, 5);
  EXPECT_EQ(t.day, 21);
  EXPECT_EQ(t.dayOfWeek, 2);
  EXPECT_EQ(t.hour, 0);
  EXPECT_EQ(t.second, 0);
  EXPECT_EQ(t.millisecond, 100);
  WaitMessage(WaitReason::Key);
  t = Now();
  EXPECT_EQ(t.month, 2);
  EXPECT_EQ(t.day, 29);
  EXPECT_EQ(t.dayOfWeek, 4);
  EXPECT_EQ(t.hour, 14);
  EXPECT_EQ(backend_->VirtualMillis(), 600u + 26 * 3'600'000u);
}

TEST_F(HeadlessTest, VirtualTimeLimitEndsTheRunWith124) {
  Options options;
  options.virtualHoursLimit = 1;
  HeadlessBackend& sim = Start(options);
  Play(11025);
  try {
    for (int i = 0; i < 10; ++i) Sleep(1'000'000);
    FAIL() << "no timeout";
  } catch (const ProcessExit& exit) {
    EXPECT_EQ(exit.code, 124);
  }
  EXPECT_TRUE(sim.TimedOut());
  EXPECT_EQ(sim.LogLines().back(), "timeout");
  EXPECT_EQ(sim.VirtualMillis(), 3'600'000u);
  // The shut-down that follows does not hang on a wait.
  Play(11025);
  WaitMessage(WaitReason::Key);
  EXPECT_FALSE(Drain().empty());
}

TEST_F(HeadlessTest, StepLimitEndsALoopThatNeverWaitsForTime) {
  Options options;
  options.stepLimit = 1000;
  HeadlessBackend& sim = Start(options);
  int steps = 0;
  try {
    Message msg;
    for (;;) {
      PostMessage(kMsgEngineWake);
      WaitMessage();
      while (PeekMessage(msg)) {
      }
      ++steps;
    }
  } catch (const ProcessExit& exit) {
    EXPECT_EQ(exit.code, 124);
  }
  EXPECT_TRUE(sim.TimedOut());
  EXPECT_GT(steps, 100);
  EXPECT_TRUE(LogHas("timeout"));
}

TEST_F(HeadlessTest, ModifiersBelongToTheKeyBeingDelivered) {
  Options options;
  options.keyScript = "Ctrl+Alt+F9 x";
  Start(options);
  WaitMessage(WaitReason::Key);
  EXPECT_TRUE(IsKeyDown(kVkControl));
  EXPECT_TRUE(IsKeyDown(kVkMenu));
  EXPECT_FALSE(IsKeyDown(kVkShift));
  Drain();
  WaitMessage(WaitReason::Key);
  EXPECT_FALSE(IsKeyDown(kVkControl));
  EXPECT_FALSE(IsKeyDown(kVkMenu));
}

TEST_F(HeadlessTest, AltF4DefaultHandlingClosesTheWindow) {
  Options options;
  options.keyScript = "Alt+F4";
  Start(options);
  WaitMessage(WaitReason::Key);
  std::vector<Message> messages = Drain();
  ASSERT_EQ(Ids(messages), (std::vector<std::uint32_t>{kMsgSysKeyDown, kMsgSysKeyUp}));
  DefaultHandling(messages[0]);
  EXPECT_EQ(Ids(Drain()), (std::vector<std::uint32_t>{kMsgClose}));
}

TEST_F(HeadlessTest, WindowBookkeepingAndPaint) {
  HeadlessBackend& sim = Start();
  EXPECT_EQ(WorkArea().right, 1024);
  EXPECT_EQ(WorkArea().bottom, 734);
  sim.SetWorkArea(800, 600);
  EXPECT_EQ(WorkArea().right, 800);
  EXPECT_TRUE(CreateConsoleFont(FontSpec{"Courier", 0, 20, 0}));
  EXPECT_EQ(ConsoleFontMetrics().averageWidth, 8);
  EXPECT_EQ(ConsoleFontMetrics().height, 20);
  EXPECT_EQ(ConsoleFontMetrics().ascent, 15);
  FrameMetrics frame = GetFrameMetrics();
  EXPECT_EQ(frame.frameWidth + frame.frameHeight + frame.captionHeight, 0);

  CreateConsoleWindow("t", 640, 500, false);
  EXPECT_TRUE(ConsoleWindowExists());
  EXPECT_EQ(sim.ClientWidth(), 640);
  EXPECT_EQ(sim.ClientHeight(), 500);
  Rect r;
  ASSERT_TRUE(TakeInvalidRect(r));  // a new window needs painting
  EXPECT_FALSE(TakeInvalidRect(r));
  PostQuit(3);
  Invalidate(Rect{10, 20, 30, 40});
  Invalidate(Rect{0, 30, 5, 900});
  Message msg;
  ASSERT_TRUE(PeekMessage(msg, PeekFilter::ConsoleWindowOnly));
  EXPECT_EQ(msg.id, kMsgFocusGained);
  ASSERT_TRUE(PeekMessage(msg, PeekFilter::ConsoleWindowOnly));  // the quit message is the thread's
  EXPECT_EQ(msg.id, kMsgPaint);
  EXPECT_EQ(msg.rect.left, 0);
  EXPECT_EQ(msg.rect.top, 20);
  EXPECT_EQ(msg.rect.right, 30);
  EXPECT_EQ(msg.rect.bottom, 500);
  EXPECT_FALSE(PeekMessage(msg, PeekFilter::ConsoleWindowOnly));
  ASSERT_TRUE(PeekMessage(msg));
  EXPECT_EQ(msg.id, kMsgQuit);
  EXPECT_TRUE(msg.toThread);
  EXPECT_EQ(msg.a, 3u);
}

TEST_F(HeadlessTest, TracesToneClipboardAndShellInTheLog) {
  HeadlessBackend& sim = Start();
  TraceWrite("J\xE1 1\\2\r\n\t\x01\x80");
  TraceBuffer(1234, WaveFormat{16000, 16, 1});
  TraceEngine("sapi5", "ol\xE1");
  std::uint8_t tone[60] = {'R', 'I', 'F', 'F', 52, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0,
                           1, 0, 1, 0, 0x11, 0x2B, 0, 0, 0x11, 0x2B, 0, 0, 1, 0, 8, 0, 'd', 'a', 't', 'a', 16, 0, 0, 0};
  for (int i = 44; i < 60; ++i) tone[i] = i < 52 ? 96 : 160;
  StartLoopingSound(tone, 400);
  Sleep(200);
  StopLoopingSound();
  StopLoopingSound();
  EXPECT_TRUE(SetClipboardText("a\xE7\xE3o"));
  std::string text;
  EXPECT_EQ(GetClipboardText(text), ClipboardRead::Text);
  EXPECT_EQ(text, "a\xE7\xE3o");
  ShellOpen("http://x", "a b", "");
  EXPECT_EQ(sim.LogLines(), (std::vector<std::string>{
                                "write\tJ\xC3\xA1 1\\\\2\\r\\n\\t\\x01\xE2\x82\xAC",
                                "buffer\t1234\t16000\t16\t1",
                                "engine\tsapi5\tol\xC3\xA1",
                                "tone\t400",
                                "tone-stop",
                                "clipboard\ta\xC3\xA7\xC3\xA3o",
                                "open\thttp://x\ta b",
                            }));
  EXPECT_EQ(sim.CollectedSamples().size(), 2205u);  // 200 ms of the looping tone
  EXPECT_EQ(sim.CollectedSamples()[0], 96);
  EXPECT_EQ(sim.CollectedSamples()[8], 160);
  EXPECT_EQ(sim.CollectedSamples()[16], 96);

  sim.SetClipboardForTests(ClipboardRead::Unavailable, "");
  EXPECT_FALSE(SetClipboardText("x"));
  EXPECT_EQ(GetClipboardText(text), ClipboardRead::Unavailable);
  sim.SetClipboardForTests(ClipboardRead::NoText, "");
  EXPECT_EQ(GetClipboardText(text), ClipboardRead::NoText);
}

TEST_F(HeadlessTest, PlayAndMissingNameFilesRelativeToDriveC) {
  const std::string root = MakeTempFolder("tembrika-drive-");
  ASSERT_TRUE(std::filesystem::create_directory(root + "/Quiral"));
  { std::ofstream(root + "/Quiral/TbJa.wav") << "x"; }
  SetDriveCRoot(root);
  HeadlessBackend& sim = Start();
  TracePlay("c:\\quiral\\tbja.wav", 100, WaveFormat{});
  TraceMissing("C:\\quiral\\som\\_65.wav");
  TraceMissing("/elsewhere/x.wav");
  EXPECT_EQ(sim.LogLines(), (std::vector<std::string>{"play\tQuiral/TbJa.wav\t100\t11025\t8\t1",
                                                      "missing\tQuiral/som/_65.wav",
                                                      "missing\t/elsewhere/x.wav"}));
  SetDriveCRoot("");
  std::filesystem::remove_all(root);
}

TEST_F(HeadlessTest, LogFileAndWavFileAreWritten) {
  const std::string root = MakeTempFolder("tembrika-out-");
  Options options;
  options.logPath = root + "/sim.log";
  options.wavPath = root + "/sim.wav";
  options.keyScript = "a";
  HeadlessBackend& sim = Start(options);
  Play(100, WaveFormat{}, 7);
  WaitMessage(WaitReason::Key);
  Drain();
  WaitMessage(WaitReason::Key);
  sim.Log("exit\t0");
  sim.WriteCollectedWav();

  std::ifstream log(options.logPath);
  std::string all((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
  EXPECT_EQ(all, "key\ta\nexit\t0\n");
  std::ifstream wav(options.wavPath, std::ios::binary);
  std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(wav)), std::istreambuf_iterator<char>());
  ASSERT_EQ(bytes.size(), 144u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
  EXPECT_EQ(bytes[4], 136);  // data + 36
  EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 16), "WAVEfmt ");
  EXPECT_EQ(bytes[24] | bytes[25] << 8, 11025);
  EXPECT_EQ(bytes[34], 8);
  EXPECT_EQ(std::string(bytes.begin() + 36, bytes.begin() + 40), "data");
  EXPECT_EQ(bytes[40], 100);
  EXPECT_EQ(bytes[44], 7);
  std::filesystem::remove_all(root);
}

}  // namespace
}  // namespace platform::headless
