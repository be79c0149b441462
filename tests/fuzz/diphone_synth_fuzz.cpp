// libFuzzer target: the diphone synthesizer's index loading and phonetic
// text tokenizer (see diphone_synth_fuzz_input.h).
#include <cstddef>
#include <cstdint>

#include "fuzz/diphone_synth_fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::RunDiphoneInput(std::span<const std::uint8_t>(data, size));
  return 0;
}
