// Screen review: the user explores the 80 x 25 screen with the keyboard and
// hears it, by character, word, field, line or range, and searches it. The
// screen is not changed; the console cursor follows the review position and
// is put back at the end.
#pragma once

#include <cstdint>
#include <string>

namespace console {

// Runs the review mode's own key loop until Esc.
void ReviewScreen();

// Character classes of the review mode (code page 1252).
bool IsWordChar(std::uint8_t c);
bool IsConsonantsOnly(const std::string& text);
bool IsFieldSeparator(std::uint8_t c);

// The text searched for; it lives for the whole run of the program.
const std::string& ReviewSearchText();

void ResetScreenReviewForTests();

}  // namespace console
