// libFuzzer target: rules file, exceptions file and text from one input.
#include <cstddef>
#include <cstdint>

#include "fuzz/letter_to_sound_fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::RunLetterToSoundInput(std::span<const std::uint8_t>(data, size));
  return 0;
}
