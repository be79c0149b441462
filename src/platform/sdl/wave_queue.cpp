#include "platform/sdl/wave_queue.h"

#include <algorithm>
#include <cstring>

namespace platform::sdl {

namespace {
void MarkDone(WaveBlock* block) {
  block->flags = (block->flags & ~kBlockQueued) | kBlockDone;
}
}  // namespace

void WaveQueue::SetReportDelay(std::size_t bytes) {
  std::lock_guard lock(mutex_);
  delay_ = bytes;
}

void WaveQueue::Push(WaveBlock* block) {
  std::lock_guard lock(mutex_);
  block->flags = (block->flags & ~kBlockDone) | kBlockQueued;
  if ((block->length == 0 || block->data == nullptr) && blocks_.empty()) {
    // Nothing to play: it is heard when everything before it is.
    finished_.push_back({block, position_ + delay_});
    ReportPlayed();
    return;
  }
  blocks_.push_back(block);
}

void WaveQueue::ReportPlayed() {
  while (!finished_.empty() && finished_.front().doneAt <= position_) {
    WaveBlock* block = finished_.front().block;
    finished_.pop_front();
    MarkDone(block);
    done_(block);
  }
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
    finished_.push_back({block, position_ + written + delay_});
  }
  std::memset(out + written, silence, count - written);
  position_ += count;
  ReportPlayed();
  return written;
}

void WaveQueue::ReturnAll() {
  std::lock_guard lock(mutex_);
  for (const Finished& f : finished_) {
    MarkDone(f.block);
    done_(f.block);
  }
  finished_.clear();
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
  return std::find(blocks_.begin(), blocks_.end(), block) != blocks_.end() ||
         std::any_of(finished_.begin(), finished_.end(), [block](const Finished& f) { return f.block == block; });
}

std::size_t WaveQueue::QueuedBlocks() {
  std::lock_guard lock(mutex_);
  return blocks_.size() + finished_.size();
}

std::size_t WaveQueue::QueuedBytes() {
  std::lock_guard lock(mutex_);
  std::size_t total = 0;
  for (const WaveBlock* b : blocks_) total += b->data == nullptr ? 0 : b->length;
  return total - offset_;
}

}  // namespace platform::sdl
