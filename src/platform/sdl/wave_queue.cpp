#include "platform/sdl/wave_queue.h"

#include <algorithm>
#include <cstring>

namespace platform::sdl {

namespace {
void MarkDone(WaveBlock* block) {
  block->flags = (block->flags & ~kBlockQueued) | kBlockDone;
}
}  // namespace

void WaveQueue::Push(WaveBlock* block) {
  std::lock_guard lock(mutex_);
  block->flags = (block->flags & ~kBlockDone) | kBlockQueued;
  if (block->length == 0 || block->data == nullptr) {
    if (blocks_.empty()) {
      MarkDone(block);
      done_(block);
      return;
    }
  }
  blocks_.push_back(block);
}

std::size_t WaveQueue::Fill(std::uint8_t* out, std::size_t count, std::uint8_t silence) {
  std::lock_guard lock(mutex_);
  std::size_t written = 0;
  while (!blocks_.empty()) {
    WaveBlock* block = blocks_.front();
    const std::size_t length = block->data == nullptr ? 0 : block->length;
    const std::size_t take = std::min(length - offset_, count - written);
    if (take > 0) {
      std::memcpy(out + written, block->data + offset_, take);
      written += take;
      offset_ += take;
    }
    if (offset_ < length) break;  // out is full
    blocks_.pop_front();
    offset_ = 0;
    MarkDone(block);
    done_(block);
  }
  std::memset(out + written, silence, count - written);
  return written;
}

void WaveQueue::ReturnAll() {
  std::lock_guard lock(mutex_);
  while (!blocks_.empty()) {
    WaveBlock* block = blocks_.front();
    blocks_.pop_front();
    MarkDone(block);
    done_(block);
  }
  offset_ = 0;
}

bool WaveQueue::IsQueued(const WaveBlock* block) {
  std::lock_guard lock(mutex_);
  return std::find(blocks_.begin(), blocks_.end(), block) != blocks_.end();
}

std::size_t WaveQueue::QueuedBlocks() {
  std::lock_guard lock(mutex_);
  return blocks_.size();
}

std::size_t WaveQueue::QueuedBytes() {
  std::lock_guard lock(mutex_);
  std::size_t total = 0;
  for (const WaveBlock* b : blocks_) total += b->data == nullptr ? 0 : b->length;
  return total - offset_;
}

}  // namespace platform::sdl
