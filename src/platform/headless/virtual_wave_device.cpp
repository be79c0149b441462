// The simulator's wave device in virtual time.
#include "platform/headless/virtual_wave_device.h"

#include <algorithm>

namespace platform::headless {

namespace {

// Bookkeeping bits of WaveBlock::flags.
constexpr std::uint32_t kBlockDone = 0x01;
constexpr std::uint32_t kBlockPrepared = 0x02;
constexpr std::uint32_t kBlockInQueue = 0x10;

// Result of writing a block that was not prepared.
constexpr int kWaveUnprepared = 34;

// Bytes of written blocks kept for TakeWritten; older ones are dropped past this.
constexpr std::size_t kWrittenBlocksLimit = 64u << 20;

void MarkReturned(WaveBlock* block) { block->flags = (block->flags & ~kBlockInQueue) | kBlockDone; }

}  // namespace

int VirtualWaveDevice::Open(const WaveFormat& format) {
  if (failOpenTimes_ > 0) {
    --failOpenTimes_;
    return failOpenResult_;
  }
  if (!available_) return kWaveBadDevice;
  if (open_) return kWaveAllocated;
  if (format.rate <= 0 || (format.bits != 8 && format.bits != 16) || (format.channels != 1 && format.channels != 2)) {
    return kWaveBadFormat;
  }
  open_ = true;
  format_ = format;
  return kWaveOk;
}

int VirtualWaveDevice::Prepare(WaveBlock* block) {
  if (block == nullptr || !open_) return kWaveInvalidHandle;
  if (failPrepare_ != 0) {
    int result = failPrepare_;
    failPrepare_ = 0;
    return result;
  }
  block->flags |= kBlockPrepared;
  return kWaveOk;
}

// A block that has come back may be unprepared even after the device closed.
int VirtualWaveDevice::Unprepare(WaveBlock* block) {
  if (block == nullptr) return kWaveInvalidHandle;
  if (failUnprepare_ != 0) {
    int result = failUnprepare_;
    failUnprepare_ = 0;
    return result;
  }
  if ((block->flags & kBlockInQueue) != 0) return kWaveStillPlaying;
  block->flags &= ~kBlockPrepared;
  return kWaveOk;
}

int VirtualWaveDevice::Write(WaveBlock* block, std::uint64_t nowMicros) {
  if (block == nullptr || !open_) return kWaveInvalidHandle;
  if ((block->flags & kBlockPrepared) == 0) return kWaveUnprepared;
  if ((block->flags & kBlockInQueue) != 0) return kWaveStillPlaying;
  QueuedBlock queued;
  queued.block = block;
  if (block->data != nullptr && block->length > 0) queued.bytes.assign(block->data, block->data + block->length);
  queued.format = format_;
  queued.startMicros = queue_.empty() ? nowMicros : queue_.back().endMicros;
  const auto bytesPerSecond = static_cast<std::uint64_t>(format_.rate) * static_cast<std::uint64_t>(format_.channels) *
                              static_cast<std::uint64_t>(format_.bits / 8);
  queued.endMicros = queued.startMicros +
                     (static_cast<std::uint64_t>(queued.bytes.size()) * 1'000'000 + bytesPerSecond / 2) / bytesPerSecond;
  block->flags = (block->flags | kBlockInQueue) & ~kBlockDone;
  KeepWritten(queued.bytes, format_);
  queue_.push_back(std::move(queued));
  return kWaveOk;
}

std::vector<WaveBlock*> VirtualWaveDevice::Cut(std::uint64_t nowMicros) {
  std::vector<WaveBlock*> returned;
  for (QueuedBlock& queued : queue_) {
    if (queued.startMicros < nowMicros && queued.endMicros > queued.startMicros) {
      std::uint64_t played = (nowMicros - queued.startMicros) * queued.bytes.size() /
                             (queued.endMicros - queued.startMicros);
      queued.bytes.resize(std::min<std::size_t>(queued.bytes.size(), static_cast<std::size_t>(played)));
      sound_.AddBlock(queued.bytes, queued.format);
    }
    MarkReturned(queued.block);
    returned.push_back(queued.block);
  }
  queue_.clear();
  return returned;
}

bool VirtualWaveDevice::Close(std::uint64_t nowMicros) {
  bool cut = !Cut(nowMicros).empty();
  open_ = false;
  return cut;
}

WaveBlock* VirtualWaveDevice::FinishFirst() {
  QueuedBlock done = std::move(queue_.front());
  queue_.pop_front();
  sound_.AddBlock(done.bytes, done.format);
  MarkReturned(done.block);
  return done.block;
}

std::vector<WaveBlock*> VirtualWaveDevice::ReturnAll() {
  std::vector<WaveBlock*> returned;
  for (QueuedBlock& queued : queue_) {
    MarkReturned(queued.block);
    returned.push_back(queued.block);
  }
  queue_.clear();
  return returned;
}

std::vector<HeadlessBackend::WrittenBlock> VirtualWaveDevice::TakeWritten() {
  std::vector<HeadlessBackend::WrittenBlock> taken(std::make_move_iterator(written_.begin()),
                                                   std::make_move_iterator(written_.end()));
  written_.clear();
  writtenBytes_ = 0;
  return taken;
}

void VirtualWaveDevice::KeepWritten(const std::vector<std::uint8_t>& bytes, const WaveFormat& format) {
  written_.push_back(HeadlessBackend::WrittenBlock{bytes, format});
  writtenBytes_ += bytes.size();
  while (writtenBytes_ > kWrittenBlocksLimit && written_.size() > 1) {
    writtenBytes_ -= written_.front().bytes.size();
    written_.pop_front();
  }
}

}  // namespace platform::headless
