// The spoken line editor. The text is kept padded with blanks to its maximum
// length while it is edited; a window of it is shown on one screen row and
// scrolls with the cursor. Positions are 1-based.
#include "speech/line_editor.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "console/console.h"
#include "console/screen_review.h"
#include "platform/platform.h"
#include "recorded/spoken_dates.h"
#include "speech/settings_lookup.h"
#include "speech/speak_text.h"
#include "speech/speech_prompts.h"
#include "speech/speech_startup.h"
#include "speech/speech_state.h"

namespace speech {

namespace {

constexpr char kBlank = ' ';

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Letters of the word movements: A-Z, a-z and every character from 128 up.
bool IsWordLetter(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u >= 128;
}

class LineEdit {
 public:
  LineEdit(std::string& text, int column, int row, int width, int maxLength)
      : result_(text), column_(column), row_(row) {
    maxLength_ = std::clamp(maxLength, 1, kMaxEditLength);
    width_ = std::clamp(width, 1, maxLength_);
    text_ = text.substr(0, static_cast<std::size_t>(maxLength_));
    text_.resize(static_cast<std::size_t>(maxLength_), kBlank);
    initial_ = text_;
  }

  int Run() {
    for (;;) {
      Show();
      std::uint8_t key = console::GetKey();
      StopSpeech();
      shift_ = platform::IsKeyDown(platform::kVkShift);
      bool ended = false;
      if (key == 0) {
        const std::uint8_t code = console::GetKey();
        if (code == 16 || code == 17 || code == 18) {
          // Alt+Q, Alt+W, Alt+E: the next key is handled, the result stays.
          lastCode_ = code;
          key = console::GetKey();
          if (key == 0) return Finish();
          ended = PlainKey(key, false);
        } else {
          ended = ExtendedKey(code);
        }
      } else {
        ended = PlainKey(key, true);
      }
      firstKey_ = false;
      if (ended) return Finish();
    }
  }

 private:
  char At(int pos) const { return text_[static_cast<std::size_t>(pos - 1)]; }

  int LastNonBlank() const {
    const std::size_t last = text_.find_last_not_of(kBlank);
    return last == std::string::npos ? 0 : static_cast<int>(last) + 1;
  }

  bool SelectionSet() const { return anchor_ >= 1 && selectionEnd_ >= 1; }
  void UnsetSelection() { anchor_ = selectionEnd_ = 0; }
  void OrderSelection() {
    if (anchor_ > selectionEnd_) std::swap(anchor_, selectionEnd_);
  }

  std::string Shown() const {
    return text_.substr(static_cast<std::size_t>(firstShown_ - 1), static_cast<std::size_t>(width_));
  }

  void WriteShownWindow() {
    console::MoveCursor(column_, row_);
    console::Write(Shown());
  }

  // One pass's display: the window of the text, the selection on background 8.
  void Show() {
    if (cursor_ < firstShown_) firstShown_ = cursor_;
    if (firstShown_ + width_ < cursor_) firstShown_ = cursor_ - width_;
    console::MoveCursor(column_, row_);
    const std::string shown = Shown();
    const int from = std::min(anchor_, selectionEnd_);
    const int to = std::max(anchor_, selectionEnd_);
    const int windowEnd = firstShown_ + width_;
    if (selectionEnd_ != 0 && anchor_ != 0 && from < windowEnd && to > firstShown_ && from < to) {
      const int a = std::max(from, firstShown_) - firstShown_;
      const int b = std::min(to, windowEnd) - firstShown_;
      const auto sa = static_cast<std::size_t>(a);
      const auto sb = static_cast<std::size_t>(b);
      console::Write(shown.substr(0, sa));
      const std::uint8_t background = console::CurrentAttribute() >> 4;
      console::SetBackground(8);
      console::Write(shown.substr(sa, sb - sa));
      console::SetBackground(background);
      console::Write(shown.substr(sb));
    } else {
      console::Write(shown);
    }
    if (width_ < console::kColumns) console::ClearToLineEnd();
    console::MoveCursor(column_ + cursor_ - firstShown_, row_);
  }

  int Finish() {
    console::MoveCursor(column_, row_);
    console::Write(text_.substr(0, static_cast<std::size_t>(width_)));
    console::MoveCursor(column_, row_);
    text_.resize(static_cast<std::size_t>(LastNonBlank()));
    result_ = text_;
    return lastCode_;
  }

  // A proposed text is announced by two clicks and replaced by typing.
  void FirstKeyRule(std::uint8_t key) {
    if (!firstKey_) return;
    if (text_.find_first_not_of(kBlank, static_cast<std::size_t>(cursor_ - 1)) == std::string::npos) return;
    PlayClick();
    PlayClick();
    if (key >= 32) BlankAll();
  }

  void BlankAll() { text_.assign(static_cast<std::size_t>(maxLength_), kBlank); }

  void InsertTypedChar(char c) {
    if (cursor_ > maxLength_) {
      PlayBeep();
      return;
    }
    text_.insert(static_cast<std::size_t>(cursor_ - 1), 1, c);
    text_.pop_back();
    console::MoveCursor(column_ + cursor_ - firstShown_, row_);
    console::Write(std::string(1, c));
    if (State().echo) SpeakChar(static_cast<std::uint8_t>(c));
    ++cursor_;
  }

  void DeleteCharAtCursor(bool announce) {
    if (cursor_ > maxLength_) {
      PlayBeep();
      return;
    }
    const char removed = At(cursor_);
    text_.erase(static_cast<std::size_t>(cursor_ - 1), 1);
    text_.push_back(kBlank);
    WriteShownWindow();
    if (announce) PlayPrompt("_DEL");
    SpeakChar(static_cast<std::uint8_t>(removed));
  }

  void WordRight() {
    const int length = maxLength_;
    text_ += " @";
    if (At(cursor_) != kBlank) {
      const bool digits = IsDigit(At(cursor_));
      ++cursor_;
      while (digits ? IsDigit(At(cursor_)) : IsWordLetter(At(cursor_))) ++cursor_;
    }
    if (At(cursor_) == kBlank) {
      while (At(cursor_) == kBlank) ++cursor_;
    }
    text_.resize(static_cast<std::size_t>(length));
    if (cursor_ > length + 1) {
      cursor_ = LastNonBlank() + 1;
      PlayBeep();
    } else {
      PlayClick();
    }
  }

  void WordLeft() {
    const std::string marked = " @" + text_;
    auto at = [&](int pos) { return marked[static_cast<std::size_t>(pos - 1)]; };
    int pos = cursor_ + 2 - 1;
    while (pos > 1 && at(pos) == kBlank) --pos;
    const bool digits = IsDigit(at(pos));
    if (pos > 1) --pos;
    while (pos > 1 && (digits ? IsDigit(at(pos)) : IsWordLetter(at(pos)))) --pos;
    // pos stands just before the word; its first character is pos + 1.
    const int first = pos + 1 - 2;
    if (first < 1) {
      cursor_ = 1;
      PlayBeep();
    } else {
      cursor_ = first;
      PlayClick();
    }
  }

  void DeleteWordBeforeCursor() {
    if (cursor_ > 1 && At(cursor_ - 1) != kBlank) WordLeft();
    const int a = cursor_;
    WordRight();
    const int b = cursor_;
    WordLeft();
    for (int i = 0; i < b - a; ++i) DeleteCharAtCursor(i == 0);
  }

  // F1: reads the word from the cursor on and moves past it.
  void SpeakWordAtCursor() {
    const int remembered = cursor_;
    text_.push_back('\0');
    while (At(cursor_) == kBlank) ++cursor_;
    const auto c = static_cast<unsigned char>(UpperCaseText(std::string(1, At(cursor_)))[0]);
    if (c == 0) {
      PlayBeep();
      cursor_ = remembered;
    } else if (IsDigit(static_cast<char>(c)) || c == '-') {
      const int start = cursor_++;
      while (IsDigit(At(cursor_))) ++cursor_;
      SpeakText(text_.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(cursor_ - start)));
    } else if ((c >= 'A' && c <= 'Z') || c >= 128) {
      const int start = cursor_;
      auto isLetter = [](char ch) {
        const auto u = static_cast<unsigned char>(UpperCaseText(std::string(1, ch))[0]);
        return (u >= 'A' && u <= 'Z') || u >= 128;
      };
      while (isLetter(At(cursor_))) ++cursor_;
      const std::string word =
          text_.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(cursor_ - start));
      const std::string upper = UpperCaseText(word);
      if (upper.find_first_not_of("BCDFGHJKLMNPQRSTVXZ") == std::string::npos) {
        SpellText(word);
      } else {
        SpeakText(word);
      }
    } else {
      SpellText(std::string(1, At(cursor_)));
      ++cursor_;
    }
    text_.pop_back();
  }

  void Copy() {
    if (SelectionSet()) {
      const int from = std::min(anchor_, selectionEnd_);
      const int to = std::max(anchor_, selectionEnd_);
      console::CopyToClipboard(text_.substr(static_cast<std::size_t>(from - 1), static_cast<std::size_t>(to - from)));
    } else {
      console::CopyToClipboard(text_.substr(0, static_cast<std::size_t>(LastNonBlank())) + "\r\n");
    }
  }

  void Paste() {
    std::vector<char> buffer(static_cast<std::size_t>(maxLength_) + 1, '\0');
    console::PasteFromClipboard(buffer.data(), static_cast<std::int32_t>(buffer.size()));
    std::string clip(buffer.data());
    const std::size_t lineEnd = clip.find_first_of("\r\n");
    if (lineEnd != std::string::npos) clip.resize(lineEnd);
    if (firstKey_) {
      PlayClick();
      PlayClick();
      BlankAll();
    }
    if (SelectionSet()) {
      OrderSelection();
      cursor_ = anchor_;
    } else {
      anchor_ = selectionEnd_ = cursor_;
    }
    std::string joined = text_.substr(0, static_cast<std::size_t>(anchor_ - 1)) + clip +
                         text_.substr(static_cast<std::size_t>(std::min(selectionEnd_, maxLength_ + 1) - 1));
    joined.resize(static_cast<std::size_t>(maxLength_), kBlank);
    text_ = joined;
    selectionEnd_ = anchor_ + static_cast<int>(clip.size());
  }

  // F12: the word under the cursor, stripped of marks, opened.
  void OpenWordUnderCursor() {
    int start = std::min(cursor_, maxLength_);
    while (start > 1 && At(start - 1) != kBlank) --start;
    int end = std::min(cursor_, maxLength_);
    while (At(end) != kBlank && end < maxLength_) ++end;
    if (At(end) == kBlank) --end;
    std::string word = end >= start ? text_.substr(static_cast<std::size_t>(start - 1),
                                                   static_cast<std::size_t>(end - start + 1))
                                    : std::string();
    constexpr std::string_view kStrip = "\"(*-.<=>[_{";
    const std::size_t first = word.find_first_not_of(kStrip);
    if (first == std::string::npos) {
      PlayBeep();
      return;
    }
    word = word.substr(first, word.find_last_not_of(kStrip) - first + 1);
    OpenLinkOrFile(word);
  }

  void ChangeSpeed() {
    PlayPrompt("_VELOC");
    std::uint8_t key = 0;
    do {
      key = ReadKeySpoken();
    } while (console::KeyWaiting());
    if (key != 27 && key != 13) {
      const std::string promptFolder = State().promptFolder;
      SpeechShutdown();
      SpeechInit(key - 48, promptFolder);
    }
  }

  // Returns true when the key ends the edit.
  bool PlainKey(std::uint8_t key, bool setsLastCode) {
    if (key != 3 && key != 22 && key != 222 && key != 223) UnsetSelection();
    if (setsLastCode) lastCode_ = key;
    switch (key) {
      case 3: Copy(); break;
      case 4:
        std::fill(text_.begin() + (cursor_ - 1), text_.end(), kBlank);
        PlayPrompt("_APFCPO");
        break;
      case 8:
        if (cursor_ == 1) {
          PlayBeep();
        } else {
          --cursor_;
          DeleteCharAtCursor(true);
        }
        break;
      case 9:
      case 10:
      case 13:
      case 27: return true;
      case 11: SpeakText(std::to_string(cursor_)); break;
      case 19:
        text_ = text_.substr(static_cast<std::size_t>(cursor_ - 1));
        text_.resize(static_cast<std::size_t>(maxLength_), kBlank);
        cursor_ = 1;
        PlayPrompt("_APICPO");
        break;
      case 21:
        text_ = initial_;
        cursor_ = 1;
        PlayBeep();
        PlayBeep();
        PlayBeep();
        break;
      case 22: Paste(); break;
      case 25:
        BlankAll();
        PlayPrompt("_CPOAPA");
        cursor_ = 1;
        break;
      case 28:
        for (char c : text_) PlayDtmfDigits(std::string(1, c));
        break;
      case 127: DeleteWordBeforeCursor(); break;
      case 222:
        WaitWhileSpeechBusy();
        SpeakText(text_);
        break;
      case 223: break;
      default:
        FirstKeyRule(key);
        if (key >= 32) InsertTypedChar(static_cast<char>(key));
        break;
    }
    return false;
  }

  bool ExtendedKey(std::uint8_t code) {
    if (shift_ && anchor_ == 0) anchor_ = cursor_;
    if (!shift_ && code != 254 && code != 255) UnsetSelection();
    lastCode_ = code;
    const bool alt = platform::IsKeyDown(platform::kVkMenu);
    switch (code) {
      case 59:
        if (alt) {
          lastCode_ = 104;
          return true;
        }
        SpeakWordAtCursor();
        break;
      case 62:
        State().echo = !State().echo;
        PlayPrompt(State().echo ? "_FALACI" : "_FALDLG");
        break;
      case 66: recorded::SpeakTimeNow(); break;
      case 70: OpenWordUnderCursor(); break;
      case 71: cursor_ = 1; break;
      case 75:
        if (cursor_ == 1) {
          PlayBeep();
        } else {
          --cursor_;
          SpeakChar(static_cast<std::uint8_t>(At(cursor_)));
        }
        break;
      case 77:
        if (cursor_ > maxLength_) {
          PlayBeep();
        } else {
          const auto c = static_cast<std::uint8_t>(At(cursor_));
          if (alt && ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) {
            PlayPrompt("_FON" + std::to_string(c));
          } else {
            SpeakChar(c);
          }
          ++cursor_;
        }
        break;
      case 79: cursor_ = LastNonBlank() + 1; break;
      case 83:
        if (SelectionSet()) {
          OrderSelection();
          const int count = selectionEnd_ - anchor_;
          cursor_ = anchor_;
          PlayPrompt("_DEL");
          for (int i = 0; i < count; ++i) DeleteCharAtCursor(false);
          selectionEnd_ = anchor_;
        } else {
          DeleteCharAtCursor(true);
        }
        break;
      case 94: SpeakText(text_); break;
      case 97: ChangeSpeed(); break;
      case 101: recorded::SpeakDateNow(); break;
      case 102:
        if (!alt) return true;
        console::ReviewScreen();
        break;
      case 115: WordLeft(); break;
      case 116: WordRight(); break;
      case 120: case 121: case 122: case 123: case 124:
      case 125: case 126: case 127: case 128: case 129: break;
      case 254: Paste(); break;
      case 255: Copy(); break;
      default: return true;
    }
    if (shift_) selectionEnd_ = cursor_;
    return false;
  }

  std::string& result_;
  std::string text_;
  std::string initial_;
  int column_;
  int row_;
  int width_ = 1;
  int maxLength_ = 1;
  int cursor_ = 1;
  int firstShown_ = 1;
  int anchor_ = 0;
  int selectionEnd_ = 0;
  bool firstKey_ = true;
  bool shift_ = false;
  int lastCode_ = kBlank;
};

bool BeginsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

int EditField(std::string& text, int column, int row, int width, int maxLength) {
  LineEdit edit(text, column, row, width, maxLength);
  return edit.Run();
}

int EditFieldAt(std::string& text, int column, int row, int maxLength) {
  return EditField(text, column, row, 79 - column, maxLength);
}

void ReadSpokenLine(std::string& text) {
  text.clear();
  const int result = EditFieldAt(text, console::CursorColumn(), console::CursorRow(), kSpokenLineLength);
  if (result == 27) {
    console::Write(std::string(text.size(), kBlank));
    text.clear();
  }
  console::WriteLine();
}

void OpenLinkOrFile(std::string_view word) {
  const std::string folder = platform::CurrentDirectory();
  std::string program;
  std::string parameter;
  if (BeginsWith(word, "http://") || BeginsWith(word, "https://") || BeginsWith(word, "www.")) {
    program = LookupSetting("TALIRA", "PROG.HTM");
    parameter = word;
  } else {
    const std::size_t dot = word.find('.');
    const std::string type =
        UpperCaseText(dot == std::string_view::npos ? word.substr(0, 3) : word.substr(dot + 1, 3));
    if (type == "EXE" || type == "COM") {
      const bool absolute = (word.size() >= 2 && word[1] == ':') || BeginsWith(word, "\\") ||
                            BeginsWith(word, "/");
      program = absolute ? std::string(word)
                         : folder + (folder.empty() || folder.back() == '\\' || folder.back() == '/' ? "" : "\\") +
                               std::string(word);
    } else {
      program = LookupSetting("TALIRA", "PROG." + type);
      if (program.empty()) {
        program = word;
      } else {
        parameter = word;
      }
    }
  }
  // An address with no browser set is opened through the platform's own
  // associations, like any document.
  if (program.empty()) std::swap(program, parameter);
  WaitWhileSpeechBusy();
  platform::ShellOpen(program, parameter, folder);
  WaitWhileSpeechBusy();
}

}  // namespace speech
