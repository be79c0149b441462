// One fuzz input for the letter-to-sound translator, shared by the libFuzzer
// target and the replay test: "<rules file>\0<exceptions file>\0<text>".
// Missing parts are empty; an empty rules part loads a small rule set that
// uses every context symbol, so that texts alone reach the context tests.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "tts/letter_to_sound.h"

namespace fuzzing {

inline constexpr std::string_view kEveryContextRules =
    "#(A)%=a|\n%](B)&=b|\n_(C)*=k|\n|(D)+=dj|\n(E)[=e|\n(F)\\=f|\n#_(G)#=g|\n"
    "](A')#%=A|\n(QU)+=k|\n(NH)=nh|\n(O)\\%=u|\nX(S)#=z|\n(\"Y)=y|\n(^)=^|\n( )=_|\n";

inline std::string TakePart(std::string_view& rest) {
  const std::size_t zero = rest.find('\0');
  std::string part(rest.substr(0, zero));
  rest = zero == std::string_view::npos ? std::string_view() : rest.substr(zero + 1);
  return part;
}

inline std::span<const std::uint8_t> AsBytes(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// Loads the parts and translates the text; returns the phonetic text.
inline std::string RunLetterToSoundInput(std::span<const std::uint8_t> input) {
  std::string_view rest(reinterpret_cast<const char*>(input.data()), input.size());
  std::string rules = TakePart(rest);
  const std::string exceptions = TakePart(rest);
  const std::string text(rest);
  if (rules.empty()) rules = kEveryContextRules;
  tts::LoadLetterRules(AsBytes(rules));
  tts::LoadWordExceptions(AsBytes(exceptions));
  std::string out = tts::TranslateToPhonetic(text);
  // The exceptions and the table may also be used for other texts.
  out += tts::TranslateToPhonetic(exceptions);
  return out;
}

}  // namespace fuzzing
