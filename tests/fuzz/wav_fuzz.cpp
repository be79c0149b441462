// libFuzzer target: the wave output's WAV parsing and playing (see wav_fuzz_input.h).
#include <cstddef>
#include <cstdint>

#include "fuzz/wav_fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::RunWavInput(std::span<const std::uint8_t>(data, size));
  return 0;
}
