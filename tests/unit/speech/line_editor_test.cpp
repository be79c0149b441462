#include "speech/line_editor.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "console/console.h"
#include "speech/speech_state.h"
#include "unit/recorded/wav_fixture.h"
#include "unit/speech/sound_trace.h"

namespace {

class LineEditorTest : public wavtest::Fixture {
 protected:
  struct Outcome {
    int result = -1;
    std::string text;
  };

  Outcome Edit(const std::string& keys, std::string text = "", int maxLength = 255, int width = 78) {
    Backend().AppendKeys(keys);
    Outcome outcome;
    outcome.result = speech::EditField(text, 1, 1, width, maxLength);
    outcome.text = text;
    return outcome;
  }

  std::string Heard() { return soundtrace::HeardText(Backend()); }

  std::string ScreenRow(int row, int columns) {
    std::string text;
    for (int c = 1; c <= columns; ++c) text += static_cast<char>(console::ScreenCharAt(c, row));
    return text;
  }

  std::vector<std::string> LogLinesOf(const std::string& kind) { return LogOf(kind); }

  void WriteSettings(const std::string& contents) {
    std::filesystem::create_directories(root_ / "windows");
    std::ofstream(root_ / "windows" / "TALIRA.INI") << contents;
  }
};

TEST_F(LineEditorTest, TypedLettersAreHeardAndEnterEndsTheEdit) {
  const Outcome o = Edit("a b c Enter");
  EXPECT_EQ(o.result, 13);
  EXPECT_EQ(o.text, "abc");
  EXPECT_EQ(Heard(), "_97 _98 _99");
}

TEST_F(LineEditorTest, EndingKeysGiveTheirCodes) {
  struct Case {
    const char* keys;
    int result;
  };
  const Case cases[] = {{"Tab", 9},  {"Esc", 27},     {"Ctrl+Enter", 10}, {"Up", 72},
                        {"Ctrl+Up", 113}, {"F2", 60}, {"PgDn", 81},       {"Ctrl+F9", 102}};
  for (const Case& c : cases) {
    EXPECT_EQ(Edit(c.keys).result, c.result) << c.keys;
  }
}

TEST_F(LineEditorTest, AFullFieldRefusesTheNextCharacter) {
  const Outcome o = Edit("\"abc\" d Enter", "", 3);
  EXPECT_EQ(o.text, "abc");
  EXPECT_EQ(Heard(), "_97 _98 _99 beep");
}

TEST_F(LineEditorTest, LimitsOfTheCursorBeep) {
  const Outcome o = Edit("Left Backspace \"ab\" Right Enter", "", 2);
  EXPECT_EQ(o.text, "ab");
  EXPECT_EQ(Heard(), "beep beep _97 _98 beep");
}

TEST_F(LineEditorTest, ALongTextScrollsInsideTheField) {
  std::string typed;
  for (int i = 0; i < 100; ++i) typed += static_cast<char>('a' + i % 26);
  Backend().AppendKeys("\"" + typed + "\"");
  Backend().AppendKeys("Enter");
  std::string text;
  // Watch the screen just before Enter: the field shows the last 78 characters.
  speech::State().echo = false;
  EXPECT_EQ(speech::EditField(text, 1, 1, 78, 255), 13);
  EXPECT_EQ(text, typed);
  // The edit's end shows the text from its start again.
  EXPECT_EQ(ScreenRow(1, 78), typed.substr(0, 78));
}

TEST_F(LineEditorTest, ScrolledWindowKeepsTheCursorInTheField) {
  std::string typed(100, 'x');
  Backend().AppendKeys("\"" + typed + "\" y");
  speech::State().echo = false;
  std::string text;
  // The script ends while the editor waits: the window is closed.
  EXPECT_THROW(speech::EditField(text, 1, 1, 78, 255), platform::ProcessExit);
  EXPECT_EQ(console::CursorColumn(), 79);
  EXPECT_EQ(ScreenRow(1, 78), std::string(77, 'x') + "y");
}

TEST_F(LineEditorTest, EscInReadSpokenLineBlanksTheTypedText) {
  Backend().AppendKeys("\"abc\" Esc");
  console::Write("comente:");
  console::WriteLine();
  std::string text = "old";
  speech::ReadSpokenLine(text);
  EXPECT_EQ(text, "");
  EXPECT_EQ(ScreenRow(2, 3), "   ");
  EXPECT_EQ(console::CursorRow(), 3);
  EXPECT_EQ(console::CursorColumn(), 1);
}

TEST_F(LineEditorTest, F4TogglesTheEcho) {
  const Outcome o = Edit("F4 a b F4 c Enter");
  EXPECT_EQ(o.text, "abc");
  EXPECT_EQ(Heard(), "_FALDLG _FALACI _99");
  EXPECT_TRUE(speech::State().echo);
}

TEST_F(LineEditorTest, ShiftSelectsOnBackground8) {
  Backend().AppendKeys("\"abcdef\" Home Shift+Right Shift+Right Shift+Right");
  speech::State().echo = false;
  std::string text;
  EXPECT_THROW(speech::EditField(text, 1, 1, 78, 255), platform::ProcessExit);
  // The selection shows on background 8, the rest in the normal colours.
  for (int c = 1; c <= 3; ++c) EXPECT_EQ(console::ScreenAttrAt(c, 1) >> 4, 8) << c;
  EXPECT_EQ(console::ScreenAttrAt(4, 1) >> 4, 0);
}

TEST_F(LineEditorTest, ShiftDeleteRemovesTheSelectionAndDeleteOneCharacter) {
  const Outcome o = Edit("Home Shift+Right Shift+Right Shift+Right Shift+Del Enter", "abcdef");
  EXPECT_EQ(o.text, "def");
  EXPECT_EQ(Heard(), "_97 _98 _99 _DEL _97 _98 _99");

  Backend().ClearLog();
  const Outcome plain = Edit("Home Shift+Right Shift+Right Shift+Right Del Enter", "abcdef");
  EXPECT_EQ(plain.text, "abcef");
  EXPECT_EQ(Heard(), "_97 _98 _99 _DEL _100");
}

TEST_F(LineEditorTest, PasteReplacesTheSelection) {
  Backend().SetClipboardForTests(platform::ClipboardRead::Text, "XY\r\nrest");
  const Outcome o = Edit("End Left Left Shift+Left Shift+Left Shift+Left Ctrl+v Enter", "abcdef");
  // From position 5 three to the left selects 2..4, which becomes XY.
  EXPECT_EQ(o.text, "aXYef");
}

TEST_F(LineEditorTest, CopyPutsTheTextOnTheClipboard) {
  Edit("Ctrl+c Enter", "abc");
  auto clips = LogLinesOf("clipboard");
  ASSERT_EQ(clips.size(), 1u);
  EXPECT_EQ(clips[0], "clipboard\tabc\\r\\n");

  Backend().ClearLog();
  const std::string full(255, 'z');
  Edit("Ctrl+c Enter", full);
  clips = LogLinesOf("clipboard");
  ASSERT_EQ(clips.size(), 1u);
  EXPECT_EQ(clips[0], "clipboard\t" + full + "\\r\\n");
}

TEST_F(LineEditorTest, F1ReadsWordByWordAndSpellsAbbreviations) {
  const Outcome o = Edit("F1 F1 F1 F1 F1 Enter", "o CPF da casa");
  EXPECT_EQ(o.text, "o CPF da casa");
  // o, C P F spelled, da, casa, then the end: a beep.
  const auto heard = soundtrace::Heard(Backend());
  std::vector<std::string> marks;
  for (const auto& item : heard) {
    if (item != "speech") marks.push_back(item);
  }
  EXPECT_EQ(marks, (std::vector<std::string>{"_67", "_80", "_70", "beep"}));
}

TEST_F(LineEditorTest, F12OpensTheWordThroughTheSettings) {
  WriteSettings("[TALIRA]\nPROG.TXT=c:\\bin\\editor\n");
  Edit("Home Right Right Right Right F12 Enter", "ver <relatorio.txt>. agora");
  auto opens = LogLinesOf("open");
  ASSERT_EQ(opens.size(), 1u);
  EXPECT_EQ(opens[0], "open\tc:\\\\bin\\\\editor\trelatorio.txt");

  Backend().ClearLog();
  WriteSettings("[TALIRA]\n");
  Edit("F12 Enter", "(nota.doc),");
  opens = LogLinesOf("open");
  ASSERT_EQ(opens.size(), 1u);
  // No program for the type: the word itself is opened; the comma stays.
  EXPECT_EQ(opens[0], "open\tnota.doc),\t");

  Backend().ClearLog();
  Edit("F12 Enter", "---");
  EXPECT_TRUE(LogLinesOf("open").empty());
}

TEST_F(LineEditorTest, WordMovesAndCtrlBackspace) {
  const Outcome o = Edit("End Ctrl+Backspace Enter", "um dois tres");
  EXPECT_EQ(o.text, "um dois");
  const Outcome left = Edit("End Ctrl+Left Ctrl+Left x Enter", "um dois tres");
  EXPECT_EQ(left.text, "um xdois tres");
  const Outcome right = Edit("Ctrl+Right y Ctrl+Right Ctrl+Right z Enter", "um dois");
  EXPECT_EQ(right.text, "um ydoisz");
}

TEST_F(LineEditorTest, EditingCommands) {
  struct Case {
    const char* keys;
    const char* start;
    const char* text;
  };
  const Case cases[] = {
      {"Right Right Ctrl+d Enter", "abcdef", "ab"},
      {"Right Right Ctrl+s Enter", "abcdef", "cdef"},
      {"Ctrl+y Enter", "abcdef", ""},
      {"Del x Ctrl+u Enter", "abc", "abc"},
      {"Right Backspace Enter", "abc", "bc"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Edit(c.keys, c.start).text, c.text) << c.keys;
  }
}

TEST_F(LineEditorTest, ClockKeysAndDialling) {
  // The fixture's clock: 2026-01-01 00:00, a Thursday.
  EXPECT_EQ(Edit("F8 Enter").result, 13);
  EXPECT_EQ(Heard(), "_zero _hora");
  Backend().ClearLog();
  Edit("Ctrl+F8 Enter");
  EXPECT_EQ(Heard(), "_Quinta _primeir _de _Janeiro _de _dois _mil _e _vinte _e _seis");
  Backend().ClearLog();
  Edit("Ctrl+\\ Enter", "1,#x*");
  EXPECT_EQ(Heard(), "dtmf_1 dtmf_# dtmf_X");
}

TEST_F(LineEditorTest, TypingReplacesAProposedText) {
  const Outcome o = Edit("x Enter", "old");
  EXPECT_EQ(o.text, "x");
  EXPECT_EQ(Heard(), "click click _120");
}

}  // namespace
