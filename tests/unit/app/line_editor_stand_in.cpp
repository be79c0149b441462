// A stand-in for the spoken line editor while the app tests link without it:
// typed characters are kept, Enter ends the line, Esc gives an empty text,
// and a line end is written afterwards. Weak, so the real editor wins when it
// is linked in.
#include <string>

#include "console/console.h"
#include "speech/line_editor.h"

namespace speech {

__attribute__((weak)) void ReadSpokenLine(std::string& text) {
  text.clear();
  for (;;) {
    const std::uint8_t key = console::GetKey();
    if (key == 13) break;
    if (key == 27) {
      text.clear();
      break;
    }
    if (key == 0) {
      console::GetKey();
      continue;
    }
    if (key >= 32 && text.size() < 255) {
      text += static_cast<char>(key);
      console::Write(std::string(1, static_cast<char>(key)));
    }
  }
  console::WriteLine();
}

}  // namespace speech
