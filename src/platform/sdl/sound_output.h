// Sound on SDL audio: the wave device (blocks played in order, each reported
// done), the looping tone, and the default beep.
//
// When no audio device can be opened the program goes on silently: the wave
// device still opens, and a timer thread reads the blocks at their playing
// speed and reports each one done after its playing time; tones and beeps
// are then not heard.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include <SDL.h>

#include "platform/platform.h"
#include "platform/sdl/wave_queue.h"

namespace platform::sdl {

// Opens SDL audio outputs. After a failure it does not try again for a while:
// on a machine with no sound card every attempt costs time and fills the
// terminal with the sound library's complaints.
class AudioOutputs {
 public:
  // An output of exactly this format (SDL converts to the hardware's), or 0.
  SDL_AudioDeviceID Open(const SDL_AudioSpec& want, SDL_AudioSpec* obtained = nullptr);

 private:
  static constexpr std::chrono::seconds kRetryAfter{30};
  bool failed_ = false;
  std::chrono::steady_clock::time_point failedAt_{};
};

class WaveDevice {
 public:
  // done is called from the device's thread (or the program's, on a reset)
  // for every block that comes back; it must only post a message.
  WaveDevice(AudioOutputs& outputs, WaveQueue::DoneFunction done);
  WaveDevice(const WaveDevice&) = delete;
  WaveDevice& operator=(const WaveDevice&) = delete;
  ~WaveDevice();

  int Open(const WaveFormat& format);
  int Prepare(WaveBlock* block);
  int Unprepare(WaveBlock* block);
  int Write(WaveBlock* block);
  void Reset();
  void Close();
  bool IsOpen() const { return open_; }
  // True while the silent stand-in plays instead of an audio device.
  bool IsSilent() const { return open_ && device_ == 0; }

 private:
  static void Callback(void* self, Uint8* stream, int length);
  void TimerLoop();
  void StopTimer();

  AudioOutputs& outputs_;
  WaveQueue::DoneFunction done_;
  WaveQueue queue_;
  bool open_ = false;
  WaveFormat format_;
  SDL_AudioDeviceID device_ = 0;
  std::uint8_t silence_ = 0;
  // The silent stand-in.
  std::thread timer_;
  std::mutex timerMutex_;
  std::condition_variable timerWake_;
  bool timerStop_ = false;
};

// A whole WAV image played over and over until stopped.
class LoopingSound {
 public:
  explicit LoopingSound(AudioOutputs& outputs) : outputs_(outputs) {}
  LoopingSound(const LoopingSound&) = delete;
  LoopingSound& operator=(const LoopingSound&) = delete;
  ~LoopingSound();
  void Start(std::span<const std::uint8_t> wav);
  void Stop();
  bool IsPlaying() const { return device_ != 0; }

 private:
  static void Callback(void* self, Uint8* stream, int length);
  AudioOutputs& outputs_;
  SDL_AudioDeviceID device_ = 0;
  std::vector<std::uint8_t> samples_;
  std::size_t position_ = 0;  // touched by the callback only while playing
};

// A short tone for BEL.
class Beeper {
 public:
  explicit Beeper(AudioOutputs& outputs) : outputs_(outputs) {}
  Beeper(const Beeper&) = delete;
  Beeper& operator=(const Beeper&) = delete;
  ~Beeper();
  void Beep();
  void Close();

 private:
  AudioOutputs& outputs_;
  SDL_AudioDeviceID device_ = 0;
};

}  // namespace platform::sdl
