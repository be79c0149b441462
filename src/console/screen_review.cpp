// The screen review mode: a key loop of its own over a review position that
// reads the screen back cell by cell through the speech front end.
#include "console/screen_review.h"

#include <string>
#include <string_view>

#include "console/console.h"
#include "platform/platform.h"
#include "speech/speak_text.h"
#include "speech/speech_prompts.h"
#include "speech/speech_state.h"

namespace console {

namespace {

struct ReviewState {
  int row = 1;
  int column = 1;  // 81 means just after the last column
  int fieldFirst = 0;
  int fieldLast = 0;
  std::string searchText;
};

ReviewState& Review() {
  static ReviewState state;
  return state;
}

constexpr std::uint8_t kBlank = 32;

std::uint8_t ReviewCharAt(int row, int column) {
  if (row < 1 || row > kRows || column < 1 || column > kColumns) return kBlank;
  return ScreenCharAt(column, row);
}

std::uint8_t ReviewAttrAt(int row, int column) {
  if (row < 1 || row > kRows || column < 1 || column > kColumns) return 0;
  return ScreenAttrAt(column, row);
}

bool UsingSpeechEngine() { return speech::State().usingSpeechEngine; }

void DiscardWaitingKeys() {
  while (KeyWaiting()) GetKey();
}

void RefuseKey() {
  speech::PlayBeep();
  speech::PlayClick();
  speech::PlayBeep();
}

std::string RowText(int row, int from, int to) {
  std::string text;
  for (int column = from; column <= to; ++column) {
    text += static_cast<char>(ReviewCharAt(row, column));
  }
  return text;
}

// Review column := 1 + the column of the last non-blank character of the row.
void GoToLineEnd() {
  ReviewState& s = Review();
  int last = 0;
  for (int column = kColumns; column >= 1; --column) {
    if (ReviewCharAt(s.row, column) != kBlank) {
      last = column;
      break;
    }
  }
  s.column = last + 1;
}

// Speaks the next word from the review column and moves past it.
void ReadWord() {
  ReviewState& s = Review();
  while (s.column <= kColumns && ReviewCharAt(s.row, s.column) == kBlank) ++s.column;
  if (s.column > kColumns) return;
  std::string word;
  do {
    MoveCursor(s.column, s.row);
    word += static_cast<char>(ReviewCharAt(s.row, s.column));
    ++s.column;
  } while (s.column <= kColumns && IsWordChar(ReviewCharAt(s.row, s.column)));
  if (word.size() == 1) {
    // A run of one mark is spoken as at most three of them.
    const auto mark = static_cast<std::uint8_t>(word[0]);
    while (s.column <= kColumns && ReviewCharAt(s.row, s.column) == mark) {
      ++s.column;
      if (word.size() < 3) word += static_cast<char>(mark);
    }
    speech::SpeakText(word);
  } else if (IsConsonantsOnly(word)) {
    speech::SpellText(word);
  } else {
    speech::SpeakText(word);
  }
}

void ReadRange(int fromRow, int fromColumn, int toRow, int toColumn, bool restore) {
  ReviewState& s = Review();
  if (fromRow == toRow && toColumn < fromColumn) {
    speech::PlayBeep();
    return;
  }
  const int savedRow = s.row;
  const int savedColumn = s.column;
  s.column = fromColumn;
  for (int r = fromRow; r <= toRow; ++r) {
    s.row = r;
    const int last = r == toRow ? toColumn : kColumns;
    if (UsingSpeechEngine()) {
      speech::SpeakText(s.column <= last ? RowText(r, s.column, last) : std::string());
    } else if (s.column <= last) {
      do {
        ReadWord();
        while (s.column <= last && ReviewCharAt(s.row, s.column) == kBlank) ++s.column;
      } while (s.column <= last && !KeyWaiting());
    }
    if (KeyWaiting()) break;
    s.column = 1;
    speech::PlayClick();
  }
  speech::SpeechBusy();
  if (toColumn >= kColumns) GoToLineEnd();
  if (restore) {
    s.row = savedRow;
    s.column = savedColumn;
  }
}

void ReadLine() { ReadRange(Review().row, 1, Review().row, kColumns, true); }

// The field around the review column: a run of cells of one attribute
// without separators. A separator under the column gives an empty field.
void FindField() {
  ReviewState& s = Review();
  const int column = s.column;
  if (column < 1 || column > kColumns || IsFieldSeparator(ReviewCharAt(s.row, column))) {
    s.fieldFirst = column + 1;
    s.fieldLast = column - 1;
    return;
  }
  const std::uint8_t attr = ReviewAttrAt(s.row, column);
  auto inField = [&](int c) {
    return c >= 1 && c <= kColumns && ReviewAttrAt(s.row, c) == attr &&
           !IsFieldSeparator(ReviewCharAt(s.row, c));
  };
  int first = column;
  while (inField(first - 1)) --first;
  int last = column;
  while (inField(last + 1)) ++last;
  s.fieldFirst = first;
  s.fieldLast = last;
}

void PreviousWordStart() {
  ReviewState& s = Review();
  --s.column;
  while (s.column >= 1 && ReviewCharAt(s.row, s.column) == kBlank) --s.column;
  if (s.column < 1) {
    speech::PlayBeep();
    s.column = 1;
    return;
  }
  while (s.column >= 1 && ReviewCharAt(s.row, s.column) != kBlank) --s.column;
  if (s.column < 1) {
    speech::PlayBeep();
  } else {
    speech::PlayClick();
  }
  ++s.column;
}

void NextWordStart() {
  ReviewState& s = Review();
  while (s.column <= kColumns && ReviewCharAt(s.row, s.column) != kBlank) ++s.column;
  while (s.column <= kColumns && ReviewCharAt(s.row, s.column) == kBlank) ++s.column;
  if (s.column == kColumns + 1) {
    speech::PlayBeep();
    GoToLineEnd();
  } else {
    speech::PlayClick();
  }
}

bool IsAsciiLetter(std::uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

std::uint8_t AsciiUpper(std::uint8_t c) {
  return (c >= 'a' && c <= 'z') ? static_cast<std::uint8_t>(c - 32) : c;
}

// Moves to the first letter of the screen (or the last, scanning backwards
// from the bottom right), then reads its line; with no letter the position
// stays.
void LetterOnScreen(bool last) {
  ReviewState& s = Review();
  for (int i = 0; i < kRows * kColumns; ++i) {
    const int cell = last ? kRows * kColumns - 1 - i : i;
    const int r = cell / kColumns + 1;
    const int c = cell % kColumns + 1;
    if (IsAsciiLetter(ReviewCharAt(r, c))) {
      s.row = r;
      s.column = c;
      break;
    }
  }
  ReadLine();
}

// F6: four digits give the row and the column.
void GoToLineAndColumn() {
  speech::SpeakText("Entre linha e coluna");
  int digits[4] = {0, 0, 0, 0};
  for (int& digit : digits) {
    const std::uint8_t key = GetKey();
    if (key < '0' || key > '9') {
      speech::PlayBeep();
      speech::PlayBeep();
      return;
    }
    speech::SpeakChar(key);
    digit = key - '0';
  }
  Review().row = 10 * digits[0] + digits[1];
  Review().column = 10 * digits[2] + digits[3];
}

// Finds SearchText after the review position, row by row down to the last,
// exactly and without wrapping.
void SearchAgain() {
  ReviewState& s = Review();
  if (s.searchText.empty()) {
    speech::PlayBeep();
    speech::PlayBeep();
    return;
  }
  for (int r = s.row; r <= kRows; ++r) {
    std::string text = RowText(r, 1, kColumns);
    if (r == s.row) {
      const int hidden = CursorColumn() < kColumns ? CursorColumn() : kColumns;
      for (int i = 0; i < hidden; ++i) text[static_cast<std::size_t>(i)] = '\0';
    }
    const std::size_t at = text.find(s.searchText);
    if (at != std::string::npos) {
      s.row = r;
      s.column = static_cast<int>(at) + 1;
      speech::PlayClick();
      return;
    }
  }
  speech::PlayBeep();
  speech::PlayBeep();
}

void Search() {
  ReviewState& s = Review();
  speech::SpeakText("Qual texto");
  s.searchText.clear();
  for (;;) {
    const std::uint8_t key = GetKey();
    if (key == 27) return;
    if (key == 8) {
      if (!s.searchText.empty()) {
        speech::PlayPrompt("_DEL");
        speech::SpeakChar(static_cast<std::uint8_t>(s.searchText.back()));
        s.searchText.pop_back();
      }
      continue;
    }
    if (key == 13) {
      SearchAgain();
      return;
    }
    s.searchText += static_cast<char>(key);
    speech::SpeakChar(key);
  }
}

void CopyScreen() {
  std::string text;
  for (int r = 1; r <= kRows; ++r) {
    text += RowText(r, 1, kColumns);
    text += "\r\n";
  }
  CopyToClipboard(text);
}

// I, T, F or L (as T), then T, L or C: reads a range around the position.
void LetterCommand(std::uint8_t first) {
  ReviewState& s = Review();
  std::uint8_t from = AsciiUpper(first);
  if (from == 'L') from = 'T';
  if (from != 'I' && from != 'T' && from != 'F') {
    RefuseKey();
    return;
  }
  const std::uint8_t what = AsciiUpper(GetKey());
  if (what != 'T' && what != 'L' && what != 'C') {
    RefuseKey();
    return;
  }
  if (what == 'C') FindField();
  const int row = s.row;
  const int column = s.column;
  switch (from) {
    case 'I':
      if (what == 'T') ReadRange(1, 1, row, column - 1, false);
      if (what == 'L') ReadRange(row, 1, row, column - 1, true);
      if (what == 'C') ReadRange(row, s.fieldFirst, row, column, true);
      break;
    case 'T':
      if (what == 'T') ReadRange(1, 1, kRows, kColumns, false);
      if (what == 'L') ReadRange(row, 1, row, kColumns, true);
      if (what == 'C') ReadRange(row, s.fieldFirst, row, s.fieldLast, true);
      break;
    default:  // 'F'
      if (what == 'T') ReadRange(row, column, kRows, kColumns, false);
      if (what == 'L') ReadRange(row, column, row, kColumns, true);
      if (what == 'C') ReadRange(row, column, row, s.fieldLast, true);
      break;
  }
}

void ExtendedCommand(std::uint8_t code) {
  ReviewState& s = Review();
  switch (code) {
    case 15:  // Shift+Tab: to just before the field
      FindField();
      s.column = s.fieldFirst - 2;
      speech::PlayClick();
      break;
    case 59:  // F1: next word
      if (!(KeyWaiting() && UsingSpeechEngine())) ReadWord();
      if (s.column >= kColumns) {
        speech::PlayClick();
        GoToLineEnd();
      }
      break;
    case 63: Search(); break;
    case 64: GoToLineAndColumn(); break;
    case 71: s.column = 1; break;
    case 72:
      --s.row;
      s.column = 1;
      if (s.row >= 1) {
        ReadLine();
      } else {
        speech::PlayBeep();
        s.row = 1;
      }
      break;
    case 73:
      s.row = 1;
      s.column = 1;
      ReadLine();
      break;
    case 75:
      if (s.column > 1) {
        speech::SpeakChar(ReviewCharAt(s.row, s.column - 1));
      } else {
        speech::PlayBeep();
      }
      --s.column;
      break;
    case 77:
      speech::SpeakChar(ReviewCharAt(s.row, s.column));
      ++s.column;
      break;
    case 79: GoToLineEnd(); break;
    case 80:
      ++s.row;
      s.column = 1;
      speech::PlayClick();
      if (s.row <= kRows) {
        ReadLine();
      } else {
        speech::PlayBeep();
        s.row = kRows;
      }
      break;
    case 81:
      s.row = kRows;
      s.column = 1;
      ReadLine();
      break;
    case 94:
      FindField();
      ReadRange(s.row, s.fieldFirst, s.row, s.fieldLast, true);
      break;
    case 98: SearchAgain(); break;
    case 115: PreviousWordStart(); break;
    case 116: NextWordStart(); break;
    case 118: LetterOnScreen(true); break;
    case 132: LetterOnScreen(false); break;
    default: RefuseKey(); break;
  }
}

void PlainCommand(std::uint8_t key) {
  ReviewState& s = Review();
  switch (key) {
    case 27: break;
    case 32: ReadLine(); break;
    case 13:
      ++s.row;
      s.column = 1;
      speech::PlayClick();
      break;
    case 8: ExtendedCommand(75); break;
    case 9:
      // Shift+Tab arrives as a Tab typed with Shift held: the previous field.
      if (platform::IsKeyDown(platform::kVkShift)) {
        ExtendedCommand(15);
        break;
      }
      FindField();
      s.column = s.fieldLast + 2;
      if (s.column > kColumns) {
        GoToLineEnd();
      } else {
        speech::PlayClick();
      }
      break;
    case 3: CopyScreen(); break;
    case 11:
    case 12: speech::SpeakText(std::to_string(s.row) + " " + std::to_string(s.column)); break;
    default:
      if (IsAsciiLetter(key)) {
        LetterCommand(key);
      } else {
        RefuseKey();
      }
      break;
  }
}

// Puts the review position back on the screen after a command.
void KeepInBounds() {
  ReviewState& s = Review();
  if (s.column < 1) {
    speech::PlayBeep();
    DiscardWaitingKeys();
    s.column = 1;
  }
  if (s.column > kColumns + 1) {
    speech::PlayBeep();
    DiscardWaitingKeys();
    s.column = kColumns;
  }
  if (s.row < 1) {
    speech::PlayBeep();
    DiscardWaitingKeys();
    s.row = 1;
  }
  if (s.row > kRows) {
    speech::PlayBeep();
    DiscardWaitingKeys();
    s.row = kRows;
  }
}

}  // namespace

bool IsWordChar(std::uint8_t c) {
  if ((c >= '0' && c <= '9') || IsAsciiLetter(c)) return true;
  switch (c) {
    case 192: case 193: case 194: case 195: case 199: case 201: case 202: case 205:
    case 209: case 211: case 212: case 213: case 218: case 224: case 225: case 226:
    case 227: case 231: case 233: case 234: case 237: case 241: case 243: case 244:
    case 245: case 250:
      return true;
    default:
      return false;
  }
}

bool IsConsonantsOnly(const std::string& text) {
  constexpr std::string_view kConsonants = "BCDFGHJKLMNPQRSTVWXYZbcdfghjklmnpqrstvwxyz";
  for (char c : text) {
    if (kConsonants.find(c) == std::string_view::npos) return false;
  }
  return true;
}

bool IsFieldSeparator(std::uint8_t c) {
  return c == 33 || c == 58 || c == 63 || c == 124 || (c >= 176 && c <= 223);
}

const std::string& ReviewSearchText() { return Review().searchText; }

void ResetScreenReviewForTests() { Review() = ReviewState{}; }

void ReviewScreen() {
  ReviewState& s = Review();
  speech::PlayBeep();
  s.row = CursorRow();
  s.column = CursorColumn();
  const int savedRow = s.row;
  const int savedColumn = s.column;
  std::uint8_t key = 0;
  do {
    MoveCursor(s.column, s.row);
    key = GetKey();
    if (key == 0) {
      ExtendedCommand(GetKey());
    } else {
      PlainCommand(key);
    }
    KeepInBounds();
  } while (key != 27);
  speech::PlayBeep();
  speech::PlayBeep();
  MoveCursor(savedColumn, savedRow);
}

}  // namespace console
