// The blocks handed to the wave device, in playing order. The program's
// thread adds and takes them; the device's thread (the audio callback, or the
// timer that stands in for a missing device) reads their bytes. Every block
// comes back exactly once through the done function: once its last byte has
// been read and the device has had the time to play it (the report delay, in
// bytes of output), or at once when it is taken back by a reset.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/platform.h"

namespace platform::sdl {

// WaveBlock::flags bits kept by the device.
inline constexpr std::uint32_t kBlockPrepared = 1;
inline constexpr std::uint32_t kBlockQueued = 2;
inline constexpr std::uint32_t kBlockDone = 4;

class WaveQueue {
 public:
  using DoneFunction = std::function<void(WaveBlock*)>;
  explicit WaveQueue(DoneFunction done) : done_(std::move(done)) {}

  // How many bytes the device still holds after the callback hands them over:
  // a block is reported done only once that much more has been read after it,
  // so that closing the device right after the last notice cuts nothing.
  void SetReportDelay(std::size_t bytes);

  // Program's thread. A block without bytes is done at once.
  void Push(WaveBlock* block);
  // Device's thread: fills out with the queued bytes, then silence; reports
  // the blocks finished on the way. Returns the bytes of sound (not silence).
  std::size_t Fill(std::uint8_t* out, std::size_t count, std::uint8_t silence);
  // Program's thread: takes every block back (read or not) and reports each
  // done, in order.
  void ReturnAll();
  bool IsQueued(const WaveBlock* block);
  // Blocks not yet reported done (read or not).
  std::size_t QueuedBlocks();
  std::size_t QueuedBytes();

 private:
  void ReportPlayed();

  struct Finished {
    WaveBlock* block;
    std::uint64_t doneAt;  // output position at which it has been heard
  };
  DoneFunction done_;
  std::mutex mutex_;
  std::deque<WaveBlock*> blocks_;
  std::deque<Finished> finished_;  // read, still playing in the device
  std::size_t offset_ = 0;         // bytes of the front block already read
  std::uint64_t position_ = 0;     // bytes of output so far, silence included
  std::size_t delay_ = 0;
};

}  // namespace platform::sdl
