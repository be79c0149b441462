// The simulator's wave device: one device, blocks queued one after another
// and played in virtual time (microseconds), with test hooks for failures.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "platform/headless/collected_sound.h"
#include "platform/headless/headless.h"

namespace platform::headless {

class VirtualWaveDevice {
 public:
  explicit VirtualWaveDevice(CollectedSound& sound) : sound_(sound) {}

  int Open(const WaveFormat& format);
  int Prepare(WaveBlock* block);
  int Unprepare(WaveBlock* block);
  // Queues the block behind the others; it starts at nowMicros when none is queued.
  int Write(WaveBlock* block, std::uint64_t nowMicros);
  // Stops every queued block at nowMicros (what has played is kept) and
  // returns them in order; empty when nothing was queued.
  std::vector<WaveBlock*> Cut(std::uint64_t nowMicros);
  // Closes the device; queued blocks stop without being reported. True when some were cut.
  bool Close(std::uint64_t nowMicros);
  bool IsOpen() const { return open_; }

  bool Playing() const { return !queue_.empty(); }
  std::uint64_t FirstEnd() const { return queue_.front().endMicros; }
  // Takes the first block, which has played to its end.
  WaveBlock* FinishFirst();
  // Returns every queued block at once, played or not (after a timeout).
  std::vector<WaveBlock*> ReturnAll();

  void FailNextOpen(int result, int times) {
    failOpenResult_ = result;
    failOpenTimes_ = times;
  }
  void FailNextPrepare(int result) { failPrepare_ = result; }
  void FailNextUnprepare(int result) { failUnprepare_ = result; }
  void SetAvailable(bool available) { available_ = available; }
  int QueuedBlocks() const { return static_cast<int>(queue_.size()); }
  std::vector<HeadlessBackend::WrittenBlock> TakeWritten();

 private:
  struct QueuedBlock {
    WaveBlock* block = nullptr;
    std::vector<std::uint8_t> bytes;
    WaveFormat format;
    std::uint64_t startMicros = 0;
    std::uint64_t endMicros = 0;
  };

  void KeepWritten(const std::vector<std::uint8_t>& bytes, const WaveFormat& format);

  CollectedSound& sound_;
  bool available_ = true;
  bool open_ = false;
  WaveFormat format_;
  int failOpenResult_ = 0;
  int failOpenTimes_ = 0;
  int failPrepare_ = 0;
  int failUnprepare_ = 0;
  std::deque<QueuedBlock> queue_;
  std::deque<HeadlessBackend::WrittenBlock> written_;
  std::size_t writtenBytes_ = 0;
};

}  // namespace platform::headless
