// The simulator's collected sound: blocks converted to 11025 Hz 8-bit mono.
#include "platform/headless/collected_sound.h"

#include <algorithm>
#include <cstdio>

namespace platform::headless {

namespace {

std::uint32_t ReadLe32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
         static_cast<std::uint32_t>(bytes[at + 2]) << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

std::uint16_t ReadLe16(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

void PutLe32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void PutLe16(std::vector<std::uint8_t>& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

bool Tag(std::span<const std::uint8_t> bytes, std::size_t at, const char* tag) {
  for (int i = 0; i < 4; ++i) {
    char c = static_cast<char>(bytes[at + static_cast<std::size_t>(i)]);
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    char t = tag[i];
    if (t >= 'A' && t <= 'Z') t = static_cast<char>(t + 32);
    if (c != t) return false;
  }
  return true;
}

// The mono 8-bit value of one frame.
std::uint8_t FrameValue(std::span<const std::uint8_t> bytes, std::size_t frame, const WaveFormat& format) {
  int bytesPerSample = format.bits / 8;
  std::size_t at = frame * static_cast<std::size_t>(bytesPerSample * format.channels);
  int sum = 0;
  for (int ch = 0; ch < format.channels; ++ch) {
    std::size_t p = at + static_cast<std::size_t>(ch * bytesPerSample);
    if (format.bits == 16) {
      auto sample = static_cast<std::int16_t>(ReadLe16(bytes, p));
      sum += (sample >> 8) + 128;
    } else {
      sum += bytes[p];
    }
  }
  return static_cast<std::uint8_t>(sum / format.channels);
}

}  // namespace

bool ParseWavImage(std::span<const std::uint8_t> wav, WaveFormat& format,
                   std::span<const std::uint8_t>& data) {
  if (wav.size() < 20 || !Tag(wav, 0, "RIFF") || !Tag(wav, 8, "WAVE")) return false;
  std::size_t at = 12;
  bool haveFormat = false;
  while (at + 8 <= wav.size()) {
    std::uint32_t size = ReadLe32(wav, at + 4);
    std::size_t body = at + 8;
    if (Tag(wav, at, "fmt ")) {
      if (size < 16 || body + 16 > wav.size()) return false;
      if (ReadLe16(wav, body) != 1) return false;
      format.channels = ReadLe16(wav, body + 2);
      format.rate = static_cast<int>(std::min<std::uint32_t>(ReadLe32(wav, body + 4), 1'000'000));
      format.bits = ReadLe16(wav, body + 14);
      haveFormat = true;
    } else if (Tag(wav, at, "data")) {
      if (!haveFormat) return false;
      std::size_t length = std::min<std::size_t>(size, wav.size() - body);
      data = wav.subspan(body, length);
      return format.rate > 0 && (format.bits == 8 || format.bits == 16) &&
             (format.channels == 1 || format.channels == 2);
    }
    if (size > wav.size() - body) return false;
    at = body + size + (size & 1);
  }
  return false;
}

void CollectedSound::AddBlock(std::span<const std::uint8_t> bytes, const WaveFormat& format) {
  if (!enabled_ || format.rate <= 0 || (format.bits != 8 && format.bits != 16) ||
      (format.channels != 1 && format.channels != 2)) {
    return;
  }
  if (format.rate != runFormat_.rate || format.bits != runFormat_.bits || format.channels != runFormat_.channels) {
    runFormat_ = format;
    runSourceFrames_ = 0;
    runOutputSamples_ = 0;
  }
  std::size_t frameBytes = static_cast<std::size_t>(format.bits / 8 * format.channels);
  std::uint64_t frames = bytes.size() / frameBytes;
  if (frames == 0) return;
  auto rate = static_cast<std::uint64_t>(format.rate);
  std::uint64_t endOutput = (runSourceFrames_ + frames) * kRate / rate;
  for (std::uint64_t k = runOutputSamples_; k < endOutput; ++k) {
    if (samples_.size() >= kLimit) break;
    std::uint64_t source = k * rate / kRate;
    std::uint64_t inBlock = source >= runSourceFrames_ ? source - runSourceFrames_ : 0;
    if (inBlock >= frames) inBlock = frames - 1;
    samples_.push_back(FrameValue(bytes, static_cast<std::size_t>(inBlock), format));
  }
  runSourceFrames_ += frames;
  runOutputSamples_ = endOutput;
}

void CollectedSound::AddLoopedWav(std::span<const std::uint8_t> wav, std::uint64_t micros) {
  if (!enabled_) return;
  WaveFormat format;
  std::span<const std::uint8_t> data;
  if (!ParseWavImage(wav, format, data) || data.empty()) return;
  std::size_t frameBytes = static_cast<std::size_t>(format.bits / 8 * format.channels);
  std::uint64_t frames = micros * static_cast<std::uint64_t>(format.rate) / 1'000'000;
  // No more than the collection has room for.
  std::uint64_t room = kLimit - std::min(kLimit, samples_.size());
  std::uint64_t maxFrames = (room * static_cast<std::uint64_t>(format.rate) + kRate - 1) / kRate;
  frames = std::min(frames, maxFrames);
  std::vector<std::uint8_t> looped;
  looped.reserve(static_cast<std::size_t>(frames * frameBytes));
  while (looped.size() < frames * frameBytes) {
    std::size_t take = std::min<std::size_t>(data.size(), static_cast<std::size_t>(frames * frameBytes - looped.size()));
    looped.insert(looped.end(), data.begin(), data.begin() + static_cast<std::ptrdiff_t>(take));
  }
  AddBlock(looped, format);
}

bool CollectedSound::WriteWav(const std::string& nativePath) const {
  auto length = static_cast<std::uint32_t>(samples_.size());
  std::vector<std::uint8_t> header;
  header.insert(header.end(), {'R', 'I', 'F', 'F'});
  PutLe32(header, length + 36);
  header.insert(header.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  PutLe32(header, 16);
  PutLe16(header, 1);      // PCM
  PutLe16(header, 1);      // mono
  PutLe32(header, kRate);  // samples per second
  PutLe32(header, kRate);  // bytes per second
  PutLe16(header, 1);      // block align
  PutLe16(header, 8);      // bits per sample
  header.insert(header.end(), {'d', 'a', 't', 'a'});
  PutLe32(header, length);
  std::FILE* file = std::fopen(nativePath.c_str(), "wb");
  if (file == nullptr) return false;
  bool ok = std::fwrite(header.data(), 1, header.size(), file) == header.size() &&
            std::fwrite(samples_.data(), 1, samples_.size(), file) == samples_.size();
  ok = std::fclose(file) == 0 && ok;
  return ok;
}

}  // namespace platform::headless
