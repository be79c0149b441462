// Numbers in Brazilian Portuguese words, and their speaking from recorded
// word pieces joined into one sound.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace recorded {

// Samples of the joined sound of SpeakNumberWords (11025 Hz, 8-bit mono).
inline constexpr std::uint32_t kNumberPieceSamples = 30000;

// The words of n (cp1252): 1230 gives "mil e duzentos e trinta", 1000 gives
// "mil " (groups above the units end with a space). A negative n gives
// "menos " followed by the words of its magnitude.
std::string NumberToWords(std::int32_t n);

// The piece name of one word ("_" + word, "ã"/"õ" without accent, cut to 8
// characters; "dezessete" becomes "_dezeset").
std::string NumberPieceName(std::string_view word, bool feminineLast);

// Plays the words of a text (words separated by spaces) from the pieces in
// the letters folder, joined into sounds of at most 30000 samples; returns
// when heard or cut by a key. With feminine, a final "um" plays as "uma" and a
// final "dois" as "duas".
void SpeakNumberWords(std::string_view words, bool feminine);

// SpeakNumberWords(NumberToWords(n), feminine).
void SpeakNumber(std::int32_t n, bool feminine = false);

}  // namespace recorded
