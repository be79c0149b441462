// The line editor of the stopwatch's comment as a user meets it through
// tembrika-sim: the screen review entered from it, a comment typed in braille
// chords, and the speed change.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim_harness.h"

namespace {

using namespace simharness;

const char* kClock = "2026-12-11T10:00:00.00";

// The comment of memory A as the events file holds it.
std::string CommentOfA(const std::optional<std::string>& file) {
  if (!file) return "<no events file>";
  const std::vector<std::string> lines = FileLines(*file);
  return lines.size() == 53 ? lines[2] : "<" + std::to_string(lines.size()) + " lines>";
}

// The recordings played ("p:" and the name), the tones as logged, and the
// keys between them.
std::vector<std::string> Sounds(const std::vector<std::string>& log) {
  std::vector<std::string> out;
  for (const std::string& line : log) {
    if (line.rfind("tone", 0) == 0) {
      out.push_back(line);
      continue;
    }
    const std::string entry = Short({line}).front();
    if (entry.rfind("p:", 0) == 0 || entry.rfind("key:", 0) == 0) out.push_back(entry);
  }
  return out;
}

// The in-memory sounds: "beep" and "click" for the two signals, "speech" for
// any other, with the keys between them.
std::vector<std::string> Buffers(const std::vector<std::string>& log) {
  std::vector<std::string> out;
  for (const std::string& line : log) {
    if (line.rfind("buffer\t512\t", 0) == 0) {
      out.push_back("beep");
    } else if (line.rfind("buffer\t256\t", 0) == 0) {
      out.push_back("click");
    } else if (line.rfind("buffer\t", 0) == 0) {
      out.push_back("speech");
    } else if (line.rfind("key\t", 0) == 0) {
      out.push_back("key:" + line.substr(4));
    }
  }
  return out;
}

TEST_F(StopwatchE2E, ScreenReviewFromTheCommentEditor) {
  // File a duration under A, type a comment, review the screen: read the
  // line, search a word after going to the line start, hear the letter found,
  // go back to the editor and end the comment.
  const SimRun run = Run("a \"uma casa azul\" Ctrl+Alt+F9 Space Home F5 \"casa\" Enter Right Esc Enter F2", kClock);
  EXPECT_EQ(run.code, 0);
  const auto buffers = Buffers(run.log);
  EXPECT_TRUE(InOrder(buffers, {"key:Ctrl+Alt+F9", "beep", "key:Space", "speech", "speech", "speech", "click",
                                "key:Home", "key:F5", "speech", "key:Enter", "click", "key:Right", "key:Esc", "beep",
                                "beep", "key:Enter"}));
  EXPECT_TRUE(InOrder(Sounds(run.log), {"key:F5", "key:c", "p:_99", "key:a", "p:_97", "key:s", "p:_115", "key:a",
                                        "p:_97", "key:Enter", "key:Right", "p:_99", "key:Esc", "key:Enter",
                                        "p:tbguarda"}));
  EXPECT_EQ(CommentOfA(EventsFile()), "uma casa azul");
  EXPECT_EQ(run.screen[10], "uma casa azul");
}

TEST_F(StopwatchE2E, ACommentTypedInBrailleChordsWithSigns) {
  // Braille entry with signs (Ctrl+Alt+F11 twice), the memory letter as a
  // chord, then "Ana 12": the capital sign before a, n and a lower case, a
  // space chord, the number sign before a and b.
  const SimRun run = Run(
      "Ctrl+Alt+F11 Ctrl+Alt+F11 chord:f chord:jl chord:f chord:fsjk chord:f chord:_ chord:sjkl chord:f chord:fd "
      "Enter Ctrl+Alt+F12 F2",
      kClock);
  EXPECT_EQ(run.code, 0);
  EXPECT_TRUE(InOrder(Sounds(run.log), {"key:Ctrl+Alt+F11", "tone\t800", "tone-stop", "tone\t1600", "tone-stop",
                                        "key:Ctrl+Alt+F11", "tone\t800", "tone-stop", "tone\t400", "tone-stop",
                                        "key:chord:f", "p:_97", "p:tbcoment", "key:chord:jl", "key:chord:f", "p:_65",
                                        "p:_110", "p:_97", "p:_32", "key:chord:sjkl", "key:chord:f", "p:_49",
                                        "key:chord:fd", "p:_50", "key:Enter", "p:tbguarda", "key:Ctrl+Alt+F12",
                                        "tone\t100", "tone-stop"}));
  EXPECT_EQ(CommentOfA(EventsFile()), "Ana 12");
}

TEST_F(StopwatchE2E, CtrlF4ChangesTheSpeedOfTheSpeech) {
  // The same comment read with Ctrl+F1 at the settings' speed (3), then at
  // speed 1 and at speed 5: slower speeds take longer.
  const SimRun run = Run("a \"uma casa\" Ctrl+F1 Ctrl+F4 1 Ctrl+F1 Ctrl+F4 5 Ctrl+F1 Enter F2", kClock);
  EXPECT_EQ(run.code, 0);
  EXPECT_TRUE(InOrder(Sounds(run.log), {"key:Ctrl+F4", "p:_VELOC", "key:1", "p:_49", "key:Ctrl+F4", "p:_VELOC",
                                        "key:5", "p:_53"}));
  std::vector<long> readings;
  bool afterCtrlF1 = false;
  for (const std::string& line : run.log) {
    if (line == "key\tCtrl+F1") afterCtrlF1 = true;
    if (afterCtrlF1 && line.rfind("buffer\t", 0) == 0) {
      readings.push_back(std::stol(line.substr(7)));
      afterCtrlF1 = false;
    }
  }
  ASSERT_EQ(readings.size(), 3u);
  EXPECT_GT(readings[1], readings[0]);
  EXPECT_LT(readings[2], readings[0]);
}

}  // namespace
