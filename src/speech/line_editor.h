// The spoken line editor: a one-line text field for a user who cannot see the
// screen. Every key is answered by speech.
#pragma once

#include <string>
#include <string_view>

namespace speech {

inline constexpr int kMaxEditLength = 2048;
inline constexpr int kSpokenLineLength = 255;

// Edits a line that starts empty at the cursor's position (at most 255
// characters); Esc gives an empty text. A line end is written afterwards.
void ReadSpokenLine(std::string& text);

// Edits text in a field starting at (column, row) that reaches column 78.
int EditFieldAt(std::string& text, int column, int row, int maxLength);

// Edits text in a field of width cells at (column, row). Returns the code of
// the key that ended the edit: 13 Enter, 10 Ctrl+Enter, 9 Tab, 27 Esc, or the
// extended code of a key the editor does not handle. On return the text has
// lost its trailing blanks.
int EditField(std::string& text, int column, int row, int width, int maxLength);

// Opens an address, a program or a document named by a word of the field.
void OpenLinkOrFile(std::string_view word);

}  // namespace speech
