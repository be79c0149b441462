// The spoken line editor.
#pragma once

#include <string>

namespace speech {

// Edits a line that starts empty at the cursor's position (at most 255
// characters); Esc gives an empty text. A line end is written afterwards.
void ReadSpokenLine(std::string& text);

}  // namespace speech
