// The console window: creation and its size, the window procedure's
// dispatch, the caret, the magnifier, and the ways the program ends.
#include <string>

#include "console_test_support.h"

namespace console_test {
namespace {

using console::detail::Window;
using platform::Message;

Message Msg(std::uint32_t id, std::uintptr_t a = 0, std::uintptr_t b = 0) {
  Message m;
  m.id = id;
  m.a = a;
  m.b = b;
  return m;
}

class ConsoleWindowTest : public RecordingConsoleTest {};

TEST_F(ConsoleWindowTest, WindowSizeAndSizeLimitsFollowTheFontAndFrame) {
  rec_->font = {9, 15, 1, 12, 2};
  rec_->frame = {4, 5, 20, 1024, 768};
  Open();
  EXPECT_EQ(rec_->createdWidth, 2 * 4 + 80 * 9);
  EXPECT_EQ(rec_->createdHeight, 2 * 5 + 25 * 16 + 20);
  const auto& w = Window();
  EXPECT_EQ(w.cellWidth, 9);
  EXPECT_EQ(w.cellHeight, 16);
  EXPECT_EQ(w.caretYOffset, 12);
  EXPECT_EQ(w.limits.maxWidth, 720 + 8);
  EXPECT_EQ(w.limits.maxHeight, 420 + 10);
  EXPECT_EQ(w.limits.minTrackWidth, 8 + 16 * 9);
  EXPECT_EQ(w.limits.minTrackHeight, 10 + 4 * 16 + 20);
  // The overhang shifts every text position.
  console::WriteChars("ab");
  ASSERT_EQ(rec_->draws.size(), 1u);
  EXPECT_EQ(rec_->draws[0].x, 2);
  console::MoveCursor(3, 2);
  console::WriteChars("c");
  EXPECT_EQ(rec_->draws.back().x, 2 * 9 + 2);
  EXPECT_EQ(rec_->draws.back().y, 16);
}

TEST_F(ConsoleWindowTest, SizeLimitsAreClampedToTheScreen) {
  rec_->font = {16, 40, 0, 30, 0};
  rec_->frame = {3, 3, 18, 800, 600};
  Open();
  EXPECT_EQ(Window().limits.maxWidth, 800 + 6);
  EXPECT_EQ(Window().limits.maxHeight, 600 + 6);
}

TEST_F(ConsoleWindowTest, CreationUsesTheSettingsAndTheExecutableTitle) {
  drive_.WriteSettings("[VIDEO]\nCANTOTELA=NAO\nCORFUNDO=1\nCORLETRA=14\n");
  Open();
  EXPECT_TRUE(rec_->createdMaximised);
  EXPECT_EQ(rec_->title, console::detail::ConsoleTitle(platform::ExecutablePath()));
  EXPECT_FALSE(rec_->title.empty());
  EXPECT_EQ(console::ScreenAttrAt(1, 1), 0x1E);
  EXPECT_EQ(console::ScreenCharAt(80, 25), ' ');
  // The font asked for is the computed one (work area 1024 x 734).
  ASSERT_TRUE(rec_->fontSpec.has_value());
  EXPECT_EQ(rec_->fontSpec->face, "Lucida Console");
  EXPECT_EQ(rec_->fontSpec->width, 13);
  EXPECT_EQ(rec_->fontSpec->height, 28);
  EXPECT_EQ(rec_->fontSpec->weight, 0);
}

TEST_F(ConsoleWindowTest, TitleIsTheCp1252PathCutTo79Characters) {
  using console::detail::ConsoleTitle;
  EXPECT_EQ(ConsoleTitle("/opt/caf\xC3\xA9/tembrika"), "/opt/caf\xE9/tembrika");
  EXPECT_EQ(ConsoleTitle("/x/\xE2\x82\xAC"), "/x/\x80");
  EXPECT_EQ(ConsoleTitle("/x/\xE4\xB8\xAD/\xFF"), "/x/?/?");
  EXPECT_EQ(ConsoleTitle(std::string(100, 'p')), std::string(79, 'p'));
}

TEST_F(ConsoleWindowTest, CaretShowsOnlyWhileGetKeyWaitsWithTheFocus) {
  Open();
  console::ConsoleWindowProc(Msg(platform::kMsgFocusGained));
  EXPECT_TRUE(rec_->events.empty());  // focused but not reading
  console::MoveCursor(3, 2);
  rec_->arriveOnWait = {Msg(platform::kMsgChar, 'k')};
  EXPECT_EQ(console::GetKey(), 'k');
  EXPECT_EQ(rec_->events,
            (std::vector<std::string>{"caret 8x2", "caret-at 16,28", "caret-show", "caret-destroy"}));
  EXPECT_FALSE(Window().reading);

  // Losing the focus while waiting hides the caret once.
  rec_->events.clear();
  rec_->arriveOnWait = {Msg(platform::kMsgFocusLost), Msg(platform::kMsgChar, 'm')};
  EXPECT_EQ(console::GetKey(), 'm');
  EXPECT_EQ(rec_->events, (std::vector<std::string>{"caret 8x2", "caret-at 16,28", "caret-show", "caret-destroy"}));

  // Without the focus there is no caret at all.
  rec_->events.clear();
  rec_->arriveOnWait = {Msg(platform::kMsgChar, 'n')};
  EXPECT_EQ(console::GetKey(), 'n');
  EXPECT_TRUE(rec_->events.empty());
}

TEST_F(ConsoleWindowTest, MagnifierKeepsThePointUnderThePointer) {
  Open();  // 640 x 400, factor 2
  console::ConsoleWindowProc(Msg(platform::kMsgMouseMove, 100, 50));  // not active: nothing
  console::ConsoleWindowProc(Msg(platform::kMsgRightButtonDown, 100, 50));
  console::ConsoleWindowProc(Msg(platform::kMsgRightButtonDown, 1, 1));  // already active
  console::ConsoleWindowProc(Msg(platform::kMsgMouseMove, 200, 100));
  console::ConsoleWindowProc(Msg(platform::kMsgRightButtonUp, 200, 100));
  EXPECT_EQ(rec_->events, (std::vector<std::string>{
                              "capture 640x400",
                              "stretch 50,25,370,225 -> 0,0,640,400",
                              "stretch 100,50,420,250 -> 0,0,640,400",
                              "release-image",
                          }));
  ASSERT_EQ(rec_->invalidations.size(), 1u);
  EXPECT_TRUE(rec_->invalidations[0].second);  // erased, so the text returns
  console::ConsoleWindowProc(Msg(platform::kMsgRightButtonUp));  // no second release
  EXPECT_EQ(rec_->events.size(), 4u);
}

TEST_F(ConsoleWindowTest, MagnifierFactorZeroShowsTheImageUnzoomed) {
  drive_.WriteSettings("[VIDEO]\nAMPLIF=8\n");
  Open();
  EXPECT_EQ(console::CurrentDisplaySettings().magnification, 0);
  console::ConsoleWindowProc(Msg(platform::kMsgRightButtonDown, 300, 200));
  EXPECT_EQ(rec_->events.back(), "stretch 0,0,640,400 -> 0,0,640,400");
}

TEST_F(ConsoleWindowTest, SystemKeysGoToDefaultHandlingExceptAltLeftAndRight) {
  Open();
  rec_->keysDown = {platform::kVkMenu};
  console::ConsoleWindowProc(Msg(platform::kMsgSysKeyDown, platform::kVkF4));
  console::ConsoleWindowProc(Msg(platform::kMsgSysKeyDown, 'A'));
  console::ConsoleWindowProc(Msg(platform::kMsgSysKeyDown, platform::kVkF10));
  EXPECT_EQ(rec_->defaultHandled.size(), 3u);
  EXPECT_EQ(console::QueuedKeyCount(), 0);
  console::ConsoleWindowProc(Msg(platform::kMsgSysKeyDown, platform::kVkLeft));
  console::ConsoleWindowProc(Msg(platform::kMsgSysKeyDown, platform::kVkRight));
  EXPECT_EQ(rec_->defaultHandled.size(), 3u);
  ASSERT_EQ(console::QueuedKeyCount(), 4);
  EXPECT_EQ(console::GetKey(), 0);
  EXPECT_EQ(console::GetKey(), 75);
  EXPECT_EQ(console::GetKey(), 0);
  EXPECT_EQ(console::GetKey(), 77);
}

TEST_F(ConsoleWindowTest, OtherMessagesGetTheDefaultHandling) {
  Open();
  for (const std::uint32_t id : {std::uint32_t{platform::kMsgSpeechStopped}, std::uint32_t{platform::kMsgEngineWake},
                                 std::uint32_t{platform::kMsgSysKeyUp}, std::uint32_t{platform::kMsgKeyUp},
                                 std::uint32_t{platform::kMsgWaveDone}}) {
    rec_->defaultHandled.clear();
    console::ConsoleWindowProc(Msg(id, 'A'));
    ASSERT_EQ(rec_->defaultHandled.size(), 1u) << id;
    EXPECT_EQ(rec_->defaultHandled[0].id, id);
  }
  EXPECT_EQ(console::QueuedKeyCount(), 0);
}

TEST_F(ConsoleWindowTest, WaveDoneGoesToTheInstalledHook) {
  Open();
  platform::WaveBlock block;
  std::uintptr_t seenA = 99;
  platform::WaveBlock* seenBlock = nullptr;
  console::SetWaveDoneHook([&](std::uintptr_t a, platform::WaveBlock* b) {
    seenA = a;
    seenBlock = b;
  });
  console::ConsoleWindowProc(Msg(platform::kMsgWaveDone, 0, reinterpret_cast<std::uintptr_t>(&block)));
  EXPECT_EQ(seenA, 0u);
  EXPECT_EQ(seenBlock, &block);
  EXPECT_TRUE(rec_->defaultHandled.empty());
}

TEST_F(ConsoleWindowTest, CloseDrainsTheKeysDestroysTheWindowAndExitsWithZero) {
  Open();
  console::ConsoleWindowProc(Msg(platform::kMsgChar, 'a'));
  rec_->queue.push_back(Msg(platform::kMsgChar, 'b'));
  rec_->queue.push_back(Msg(platform::kMsgClose));  // a second close while draining
  EXPECT_EQ(ExitCodeOf([] { console::ConsoleWindowProc(Msg(platform::kMsgClose)); }), 0);
  EXPECT_EQ(console::QueuedKeyCount(), 0);
  EXPECT_TRUE(rec_->queue.empty());
  EXPECT_FALSE(rec_->windowExists);
  EXPECT_FALSE(Window().created);
  EXPECT_EQ(rec_->events, (std::vector<std::string>{"delete-font", "destroy"}));
  // The exit handler found no window: the title stays.
  EXPECT_NE(rec_->title, "Programa terminado");
  // The console no longer handles the window's messages.
  console::ConsoleWindowProc(Msg(platform::kMsgChar, 'c'));
  EXPECT_EQ(console::QueuedKeyCount(), 0);
  EXPECT_EQ(rec_->defaultHandled.size(), 1u);
}

TEST_F(ConsoleWindowTest, TheScreenCanStillBeReadAfterTheWindowIsClosed) {
  Open();
  console::WriteChars("fim\r\nok");
  EXPECT_EQ(ExitCodeOf([] { console::CloseConsole(); }), 0);
  EXPECT_EQ(RowStart(1, 4), "fim ");
  EXPECT_EQ(RowStart(2, 2), "ok");
}

TEST_F(ConsoleWindowTest, AWindowOpenedAfterACloseHandlesMessagesAgain) {
  Open();
  EXPECT_EQ(ExitCodeOf([] { console::GetKey(); }), 0);
  rec_->arriveOnWait = {Msg(platform::kMsgChar, 'r')};
  EXPECT_EQ(console::GetKey(), 'r');
  EXPECT_TRUE(rec_->windowExists);
}

TEST_F(ConsoleWindowTest, CloseWhileWaitingForAKeyExitsWithZero) {
  Open();
  EXPECT_EQ(ExitCodeOf([] { console::GetKey(); }), 0);
  EXPECT_EQ(rec_->waits, 1);
}

TEST_F(ConsoleWindowTest, QuitMessageAbortsWith255AndRunsTheExitHandler) {
  Open();
  console::ConsoleWindowProc(Msg(platform::kMsgFocusGained));
  rec_->PostQuit(0);
  EXPECT_EQ(ExitCodeOf([] { console::KeyWaiting(); }), 255);
  EXPECT_EQ(rec_->title, "Programa terminado");
  EXPECT_EQ(rec_->events, (std::vector<std::string>{"enable-close"}));
  EXPECT_FALSE(Window().breakEnabled);
  // Detached: keys now get the default handling only.
  console::ConsoleWindowProc(Msg(platform::kMsgChar, 'x'));
  EXPECT_EQ(console::QueuedKeyCount(), 0);
  // The exit chain runs the handler once.
  rec_->title.clear();
  console::detail::ConsoleExitHandler();
  EXPECT_TRUE(rec_->title.empty());
}

TEST_F(ConsoleWindowTest, QuitWhileWaitingHidesTheCaret) {
  Open();
  console::ConsoleWindowProc(Msg(platform::kMsgFocusGained));
  Message quit = Msg(platform::kMsgQuit);
  quit.toThread = true;
  rec_->arriveOnWait = {quit};
  EXPECT_EQ(ExitCodeOf([] { console::GetKey(); }), 255);
  EXPECT_EQ(rec_->events, (std::vector<std::string>{"caret 8x2", "caret-at 0,12", "caret-show", "caret-destroy",
                                                    "enable-close"}));
}

TEST_F(ConsoleWindowTest, CtrlBreakAbortsWhileBreakIsEnabled) {
  Open();
  rec_->keysDown = {platform::kVkControl};
  EXPECT_EQ(ExitCodeOf([] { console::ConsoleWindowProc(Msg(platform::kMsgKeyDown, platform::kVkCancel)); }), 255);
}

TEST_F(ConsoleWindowTest, ShutDownRunsTheExitHandlerUnlessOnARunTimeError) {
  console::ConsoleStartUp();
  Open();
  console::ConsoleShutDown();
  EXPECT_EQ(rec_->title, "Programa terminado");
  EXPECT_FALSE(Window().breakEnabled);

  console::ResetConsoleForTests();
  console::ConsoleStartUp();
  Open();
  const std::string title = rec_->title;
  console::ConsoleShutDown(true);
  EXPECT_EQ(rec_->title, title);
  EXPECT_TRUE(Window().breakEnabled);
}

TEST_F(ConsoleWindowTest, DestroyReleasesTheBuffersAndPostsQuit) {
  Open();
  console::WriteChars("abc");
  console::detail::HandleDestroy();
  EXPECT_FALSE(Window().created);
  EXPECT_EQ(console::CursorColumn(), 1);
  EXPECT_EQ(console::ScreenCharAt(1, 1), ' ');
  EXPECT_EQ(ExitCodeOf([] { console::PumpMessages(); }), 255);
}

}  // namespace
}  // namespace console_test
