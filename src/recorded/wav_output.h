// The wave output: plays uncompressed PCM from WAV files and from in-memory
// sounds (a WAV header followed by the samples) through the platform's wave
// device, in four rotating blocks, and stops as soon as a key is waiting.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/platform.h"

namespace recorded {

inline constexpr std::uint32_t kWavBlockBytes = 65534;  // one slot's data buffer
inline constexpr int kWavSlots = 4;
inline constexpr std::uint32_t kWavMinBlockBytes = 256;

// ---- module life ------------------------------------------------------------
void WavOutputStartUp();   // allocates the read buffer and the four slots
void WavOutputShutDown();  // closes the device (without a reset), frees all
void ResetWavOutputForTests();

// ---- playing ----------------------------------------------------------------
// Plays a WAV file and waits for its end (or a key). -1: the file cannot be
// opened or is not a RIFF file with "fmt " and "data" chunks, or its data end
// early; 0: played, cut, or skipped because a key was already waiting; other
// values: the device's error code.
int PlayWavFile(const std::string& path);

// Starts an in-memory sound and returns once its last block is queued. The
// samples are copied; with ShortenSpeech set they are rewritten in place.
// Nothing is played when the header is not a valid RIFF/fmt/data image.
void PlayWavBuffer(std::span<std::uint8_t> sound);

// Pumps messages; stops (and closes the device) when a key is waiting or no
// block is queued. True while blocks are queued.
bool WavPlaying();

// Resets and closes the device if it is open.
void StopWav();

// ---- speed options ------------------------------------------------------------
// Every sound opened at 1.5 times its rate.
void SetRaisedRate(bool on);
bool RaisedRate();
// Mono sounds pass through ShortenPeriods (16-bit mono is played as 8-bit).
void SetShortenSpeech(bool on);
bool ShortenSpeech();

// ---- the parts, for the speech front end, the synthesizers and tests ----------
// Plays samples in blocks; 0 or the low 16 bits of the device's error code.
std::uint16_t PlayPcm(std::uint8_t* samples, std::uint32_t length, std::int64_t rate, int bits,
                      int channels);
int SetWavFormat(int rate, int bits, int channels);
int OpenWavDevice();
bool QueueWavBlock(const std::uint8_t* samples, std::uint32_t length);
void WavBlockDone(platform::WaveBlock* block);

// Drops about half of each voiced period, in place; returns the new length.
// 16-bit samples are first reduced to their unsigned high bytes.
std::uint32_t ShortenPeriods(std::uint8_t* buffer, std::uint32_t length, int bits, int rate);

// The parts of an in-memory sound, within the buffer's real length.
struct ParsedWav {
  int channels = 0;
  std::int64_t rate = 0;
  int bits = 0;
  std::size_t dataOffset = 0;
  std::uint32_t dataLength = 0;  // cut to what the buffer holds
};
std::optional<ParsedWav> ParseWavBuffer(std::span<const std::uint8_t> sound);

// Observers for tests and the simulator.
bool WavDeviceOpen();
int QueuedWavBlocks();
platform::WaveFormat CurrentWavFormat();

}  // namespace recorded
