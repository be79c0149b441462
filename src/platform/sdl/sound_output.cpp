#include "platform/sdl/sound_output.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "platform/sdl/wav_image.h"

namespace platform::sdl {

namespace {

bool ValidFormat(const WaveFormat& f) {
  return (f.bits == 8 || f.bits == 16) && (f.channels == 1 || f.channels == 2) && f.rate >= 1000 &&
         f.rate <= 384000;
}

SDL_AudioSpec SpecFor(const WaveFormat& f) {
  SDL_AudioSpec want{};
  want.freq = f.rate;
  want.format = f.bits == 8 ? AUDIO_U8 : AUDIO_S16LSB;
  want.channels = static_cast<Uint8>(f.channels);
  // About 40 ms per callback: block-done notices and cuts stay prompt.
  Uint16 samples = 256;
  while (samples < 4096 && samples < f.rate / 25) samples = static_cast<Uint16>(samples * 2);
  want.samples = samples;
  return want;
}

}  // namespace

SDL_AudioDeviceID AudioOutputs::Open(const SDL_AudioSpec& want, SDL_AudioSpec* obtained) {
  const auto now = std::chrono::steady_clock::now();
  if (failed_ && now - failedAt_ < kRetryAfter) return 0;
  SDL_AudioDeviceID id = 0;
  if (SDL_WasInit(SDL_INIT_AUDIO) != 0 || SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
    SDL_AudioSpec have{};
    id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (obtained != nullptr) *obtained = have;
  }
  failed_ = id == 0;
  if (failed_) failedAt_ = now;
  return id;
}

// ------------------------------------------------------------ wave device

WaveDevice::WaveDevice(AudioOutputs& outputs, WaveQueue::DoneFunction done)
    : outputs_(outputs), done_(done), queue_(std::move(done)) {}

WaveDevice::~WaveDevice() { Close(); }

int WaveDevice::Open(const WaveFormat& format) {
  if (!ValidFormat(format)) return kWaveBadFormat;
  if (open_) return kWaveAllocated;
  format_ = format;
  silence_ = format.bits == 8 ? 128 : 0;
  SDL_AudioSpec want = SpecFor(format);
  want.callback = &WaveDevice::Callback;
  want.userdata = this;
  SDL_AudioSpec have{};
  device_ = outputs_.Open(want, &have);
  open_ = true;
  if (device_ != 0) {
    // What the callback hands over is heard about two buffers later.
    queue_.SetReportDelay(2 * static_cast<std::size_t>(have.size));
    SDL_PauseAudioDevice(device_, 0);
  } else {
    queue_.SetReportDelay(0);
    timerStop_ = false;
    timer_ = std::thread([this] { TimerLoop(); });
  }
  return kWaveOk;
}

int WaveDevice::Prepare(WaveBlock* block) {
  if (block == nullptr) return kWaveInvalidHandle;
  block->flags |= kBlockPrepared;
  return kWaveOk;
}

int WaveDevice::Unprepare(WaveBlock* block) {
  if (block == nullptr) return kWaveInvalidHandle;
  // A block that came back may be unprepared even after the device closed.
  if (queue_.IsQueued(block)) return kWaveStillPlaying;
  block->flags &= ~kBlockPrepared;
  return kWaveOk;
}

int WaveDevice::Write(WaveBlock* block) {
  if (block == nullptr) return kWaveInvalidHandle;
  if (queue_.IsQueued(block)) return kWaveStillPlaying;
  if (!open_) {
    // Nothing plays it, but its owner counts on getting it back.
    block->flags |= kBlockDone;
    done_(block);
    return kWaveInvalidHandle;
  }
  {
    std::lock_guard lock(timerMutex_);
    queue_.Push(block);
  }
  timerWake_.notify_all();
  return kWaveOk;
}

void WaveDevice::Reset() {
  queue_.ReturnAll();
  timerWake_.notify_all();
}

void WaveDevice::Close() {
  if (!open_) return;
  if (device_ != 0) SDL_CloseAudioDevice(device_);  // waits for the callback to end
  device_ = 0;
  StopTimer();
  open_ = false;
  // Blocks still queued come back, so that their owner is never left waiting.
  queue_.ReturnAll();
}

void WaveDevice::Callback(void* self, Uint8* stream, int length) {
  auto* device = static_cast<WaveDevice*>(self);
  device->queue_.Fill(stream, static_cast<std::size_t>(length), device->silence_);
}

void WaveDevice::StopTimer() {
  if (!timer_.joinable()) return;
  {
    std::lock_guard lock(timerMutex_);
    timerStop_ = true;
  }
  timerWake_.notify_all();
  timer_.join();
}

void WaveDevice::TimerLoop() {
  using Clock = std::chrono::steady_clock;
  constexpr auto kTick = std::chrono::milliseconds(20);
  const std::size_t frame = static_cast<std::size_t>(format_.channels * format_.bits / 8);
  const std::size_t bytesPerTick =
      std::max<std::size_t>(frame, static_cast<std::size_t>(format_.rate) * frame / 50 / frame * frame);
  std::vector<std::uint8_t> scratch(bytesPerTick);
  std::unique_lock lock(timerMutex_);
  auto next = Clock::now();
  while (!timerStop_) {
    if (queue_.QueuedBlocks() == 0) {
      timerWake_.wait(lock, [this] { return timerStop_ || queue_.QueuedBlocks() > 0; });
      next = Clock::now();
      continue;
    }
    lock.unlock();
    queue_.Fill(scratch.data(), scratch.size(), silence_);
    lock.lock();
    next += kTick;
    timerWake_.wait_until(lock, next, [this] { return timerStop_; });
  }
}

// ------------------------------------------------------------ looping sound

LoopingSound::~LoopingSound() { Stop(); }

void LoopingSound::Start(std::span<const std::uint8_t> wav) {
  Stop();
  const std::optional<WavImage> image = ParseWavImage(wav);
  if (!image || image->samples.empty()) return;
  samples_.assign(image->samples.begin(), image->samples.end());
  const std::size_t frame = static_cast<std::size_t>(image->format.channels * image->format.bits / 8);
  samples_.resize(samples_.size() / frame * frame);
  if (samples_.empty()) return;
  position_ = 0;
  SDL_AudioSpec want = SpecFor(image->format);
  want.callback = &LoopingSound::Callback;
  want.userdata = this;
  device_ = outputs_.Open(want);
  if (device_ == 0) {
    samples_.clear();  // no device: the tone is not heard
    return;
  }
  SDL_PauseAudioDevice(device_, 0);
}

void LoopingSound::Stop() {
  if (device_ != 0) SDL_CloseAudioDevice(device_);
  device_ = 0;
  samples_.clear();
  position_ = 0;
}

void LoopingSound::Callback(void* self, Uint8* stream, int length) {
  auto* sound = static_cast<LoopingSound*>(self);
  std::size_t written = 0;
  const std::size_t count = static_cast<std::size_t>(length);
  while (written < count) {
    const std::size_t take = std::min(count - written, sound->samples_.size() - sound->position_);
    std::memcpy(stream + written, sound->samples_.data() + sound->position_, take);
    written += take;
    sound->position_ += take;
    if (sound->position_ == sound->samples_.size()) sound->position_ = 0;
  }
}

// ------------------------------------------------------------ beep

Beeper::~Beeper() { Close(); }

void Beeper::Close() {
  if (device_ != 0) SDL_CloseAudioDevice(device_);
  device_ = 0;
}

void Beeper::Beep() {
  constexpr int kRate = 11025;
  if (device_ == 0) {
    SDL_AudioSpec want = SpecFor({kRate, 8, 1});
    device_ = outputs_.Open(want);  // no callback: the samples are queued
    if (device_ == 0) return;
    SDL_PauseAudioDevice(device_, 0);
  }
  // 120 ms of an 880 Hz square wave, gentle in level.
  std::vector<std::uint8_t> tone(kRate * 120 / 1000);
  for (std::size_t i = 0; i < tone.size(); ++i) {
    tone[i] = (i * 880 * 2 / kRate) % 2 == 0 ? 104 : 152;
  }
  tone.back() = 128;
  SDL_ClearQueuedAudio(device_);
  SDL_QueueAudio(device_, tone.data(), static_cast<Uint32>(tone.size()));
}

}  // namespace platform::sdl
