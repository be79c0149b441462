#include "recorded/wav_output.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>
#include <vector>

#include "console/console.h"

namespace recorded {

namespace {

constexpr std::uint32_t kPieceAfterFullBlock = 65278;  // keeps a final piece >= 257 bytes
constexpr std::uint32_t kPieceRuleUpper = 65790;
constexpr int kOpenAttempts = 100;
constexpr int kSlotWaitRounds = 40;
constexpr std::int64_t kMaxRate = 1'000'000;

struct WavSlot {
  std::vector<std::uint8_t> data;
  platform::WaveBlock header;
  bool inFlight = false;  // handed to the device, not yet reported done
};

struct WavOutputState {
  int startUps = 0;
  bool deviceOpen = false;
  int rate = 0;
  int bits = 0;
  int channels = 0;
  int slotCursor = 0;  // slot used last, 1..4 (0 before the first)
  int queued = 0;
  int maxQueued = kWavSlots;
  std::vector<std::uint8_t> readBuffer;
  std::array<WavSlot, kWavSlots> slots;
  bool raisedRate = false;
  bool shortenSpeech = false;
};

WavOutputState& Wav() {
  static WavOutputState state;
  return state;
}

void Allocate(WavOutputState& s) {
  s.readBuffer.assign(kWavBlockBytes, 0);
  for (WavSlot& slot : s.slots) {
    slot.data.assign(kWavBlockBytes, 0);
    slot.header = platform::WaveBlock{};
    slot.inFlight = false;
  }
}

// Lazily runs the start-up step for callers that play before main started us.
WavOutputState& Started() {
  WavOutputState& s = Wav();
  if (s.startUps == 0) WavOutputStartUp();
  return s;
}

std::uint16_t ReadLe16(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

std::uint32_t ReadLe32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint32_t>(bytes[at]) | (static_cast<std::uint32_t>(bytes[at + 1]) << 8) |
         (static_cast<std::uint32_t>(bytes[at + 2]) << 16) |
         (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

// A four-character chunk tag, compared without regard to letter case.
bool TagIs(std::span<const std::uint8_t> bytes, std::size_t at, std::string_view tag) {
  if (at + 4 > bytes.size()) return false;
  for (std::size_t i = 0; i < 4; ++i) {
    auto lower = [](unsigned c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; };
    if (lower(bytes[at + i]) != lower(static_cast<unsigned char>(tag[i]))) return false;
  }
  return true;
}

bool FormatIsPlayable(std::int64_t rate, int bits, int channels) {
  return rate >= 1 && rate <= kMaxRate && (bits == 8 || bits == 16) &&
         (channels == 1 || channels == 2);
}

// Position of the largest sample in from..to (both included, cut to the
// buffer); the first of equal largest samples.
std::int64_t PeakIn(const std::uint8_t* buffer, std::int64_t length, std::int64_t from,
                    std::int64_t to) {
  from = std::max<std::int64_t>(from, 0);
  to = std::min<std::int64_t>(to, length - 1);
  std::int64_t best = from;
  for (std::int64_t i = from + 1; i <= to; ++i) {
    if (buffer[i] > buffer[best]) best = i;
  }
  return best;
}

void ForgetQueuedBlocks(WavOutputState& s) {
  for (WavSlot& slot : s.slots) slot.inFlight = false;
  s.queued = 0;
}

bool SkipExactly(platform::InputFile& file, std::uint64_t count) {
  if (count == 0) return true;
  if (file.Position() + count > file.Size()) return false;
  return file.Skip(count);
}

bool ReadExactly(platform::InputFile& file, std::span<std::uint8_t> into) {
  return file.Read(into) == into.size();
}

struct FileWavInfo {
  platform::WaveFormat format;
  std::int64_t rate = 0;
  std::uint32_t dataLength = 0;
};

// Reads the RIFF header, the fmt chunk and walks the chunks up to "data";
// the file is left at the first sample.
std::optional<FileWavInfo> ReadFileHeader(platform::InputFile& file) {
  std::array<std::uint8_t, 16> head{};
  if (!ReadExactly(file, std::span(head).first(12)) || !TagIs(head, 0, "RIFF")) return std::nullopt;
  if (!ReadExactly(file, std::span(head).first(8)) || !TagIs(head, 0, "fmt ")) return std::nullopt;
  const std::uint32_t fmtSize = ReadLe32(head, 4);
  // The three fields we need end at body offset 16; the rest of a larger
  // body is skipped without reading it into memory.
  if (fmtSize < 16 || !ReadExactly(file, head) || !SkipExactly(file, fmtSize - 16u)) {
    return std::nullopt;
  }
  FileWavInfo info;
  info.format.channels = ReadLe16(head, 2);
  info.rate = ReadLe32(head, 4);
  info.format.bits = ReadLe16(head, 14);
  info.format.rate = static_cast<int>(std::min<std::int64_t>(info.rate, INT32_MAX));
  for (;;) {
    std::array<std::uint8_t, 8> chunk{};
    if (!ReadExactly(file, chunk)) return std::nullopt;
    const std::uint32_t size = ReadLe32(chunk, 4);
    if (TagIs(chunk, 0, "data")) {
      info.dataLength = size;
      return info;
    }
    if (!SkipExactly(file, size)) return std::nullopt;
  }
}

const char* UnprepareErrorText(int code) {
  switch (code) {
    case platform::kWaveInvalidHandle: return "Specified device handle is invalid.";
    case platform::kWaveNoDriver: return "No device driver is present.";
    case platform::kWaveNoMemory: return "Unable to allocate or lock memory.";
    case platform::kWaveStillPlaying:
      return "The data block pointed to by the pwh parameter is still in queue";
    default: return nullptr;
  }
}

}  // namespace

// ---------------------------------------------------------------- module life

void WavOutputStartUp() {
  WavOutputState& s = Wav();
  if (s.startUps++ > 0) return;
  s.deviceOpen = false;
  s.rate = s.bits = s.channels = 0;
  s.slotCursor = 0;
  s.queued = 0;
  s.maxQueued = kWavSlots;
  s.raisedRate = false;
  s.shortenSpeech = false;
  Allocate(s);
}

void WavOutputShutDown() {
  WavOutputState& s = Wav();
  if (s.startUps == 0 || --s.startUps > 0) return;
  if (s.deviceOpen) {
    platform::WaveClose();
    s.deviceOpen = false;
  }
  ForgetQueuedBlocks(s);
  s.readBuffer = {};
  for (WavSlot& slot : s.slots) slot.data = {};
}

void ResetWavOutputForTests() {
  WavOutputState& s = Wav();
  s = WavOutputState{};
  WavOutputStartUp();
}

// ---------------------------------------------------------------- options

void SetRaisedRate(bool on) { Started().raisedRate = on; }
bool RaisedRate() { return Started().raisedRate; }
void SetShortenSpeech(bool on) { Started().shortenSpeech = on; }
bool ShortenSpeech() { return Started().shortenSpeech; }

bool WavDeviceOpen() { return Wav().deviceOpen; }
int QueuedWavBlocks() { return Wav().queued; }
platform::WaveFormat CurrentWavFormat() {
  const WavOutputState& s = Wav();
  return platform::WaveFormat{s.rate, s.bits, s.channels};
}

// ---------------------------------------------------------------- device

int OpenWavDevice() {
  WavOutputState& s = Started();
  if (s.deviceOpen) return 0;
  const platform::WaveFormat format{s.rate, s.bits, s.channels};
  console::SetWaveDoneHook(
      [](std::uintptr_t, platform::WaveBlock* block) { WavBlockDone(block); });
  int result = platform::WaveOpen(format);
  for (int attempt = 1; result == platform::kWaveAllocated && attempt < kOpenAttempts; ++attempt) {
    console::Pause(100);
    result = platform::WaveOpen(format);
  }
  s.deviceOpen = result == 0;
  return result;
}

int SetWavFormat(int rate, int bits, int channels) {
  WavOutputState& s = Started();
  if (rate != s.rate || bits != s.bits || channels != s.channels) {
    // Let the blocks of the old format finish (or a key cut them); this
    // leaves the device closed.
    while (WavPlaying()) platform::WaitMessage();
  }
  s.rate = rate;
  s.bits = bits;
  s.channels = channels;
  return OpenWavDevice();
}

void StopWav() {
  WavOutputState& s = Started();
  if (!s.deviceOpen) return;
  if (s.queued > 0) platform::WaveReset();
  console::PumpMessages();  // the returned blocks come back as messages
  platform::WaveClose();
  s.deviceOpen = false;
  // A closed device holds no blocks: a notice that comes late is ignored.
  ForgetQueuedBlocks(s);
  console::PumpMessages();
}

bool WavPlaying() {
  WavOutputState& s = Started();
  console::PumpMessages();
  if (console::KeyWaiting() || s.queued == 0) StopWav();
  return s.queued > 0;
}

bool QueueWavBlock(const std::uint8_t* samples, std::uint32_t length) {
  WavOutputState& s = Started();
  if (length == 0 || length > kWavBlockBytes || samples == nullptr) return false;
  for (int round = 0; s.queued >= s.maxQueued && round < kSlotWaitRounds; ++round) {
    console::PumpMessages();
    console::Pause(50);
  }
  if (s.queued >= s.maxQueued) return false;

  s.slotCursor = s.slotCursor % kWavSlots + 1;
  WavSlot& slot = s.slots[static_cast<std::size_t>(s.slotCursor - 1)];
  std::uint8_t* buffer = slot.data.data();
  const std::uint32_t blockLength = std::max(length, kWavMinBlockBytes);
  const bool mono8 = s.channels == 1 && s.bits == 8;
  if (length < kWavMinBlockBytes) {
    // A short sound is padded to the minimum block with silence of its format.
    std::memset(buffer + length, s.bits == 8 ? 128 : 0, kWavMinBlockBytes - length);
  }
  std::memmove(buffer, samples, length);
  // Ending on the silence level keeps the next block from starting with a click.
  if (mono8 && length != kWavBlockBytes) buffer[length - 1] = 128;

  slot.header = platform::WaveBlock{};
  slot.header.data = buffer;
  slot.header.length = blockLength;
  slot.header.user = static_cast<std::uintptr_t>(s.slotCursor);
  if (platform::WavePrepare(&slot.header) != 0) return false;
  slot.inFlight = true;
  ++s.queued;
  platform::WaveWrite(&slot.header);
  return true;
}

void WavBlockDone(platform::WaveBlock* block) {
  if (block == nullptr) return;
  WavOutputState& s = Wav();
  const std::uintptr_t number = block->user;
  if (number < 1 || number > kWavSlots) return;
  WavSlot& slot = s.slots[number - 1];
  if (&slot.header != block || !slot.inFlight) return;  // not ours, or already released
  const int result = platform::WaveUnprepare(block);
  if (result != 0) {
    if (const char* text = UnprepareErrorText(result)) console::Write(text);
    console::ReadLine();
  }
  slot.inFlight = false;
  if (s.queued > 0) --s.queued;
}

// ---------------------------------------------------------------- playing

std::uint16_t PlayPcm(std::uint8_t* samples, std::uint32_t length, std::int64_t rate, int bits,
                      int channels) {
  WavOutputState& s = Started();
  if (s.raisedRate) rate = rate * 3 / 2;
  if (!FormatIsPlayable(rate, bits, channels)) return platform::kWaveBadFormat;
  const int deviceRate = static_cast<int>(rate);
  const bool shortenMono = s.shortenSpeech && channels == 1;
  const int result = SetWavFormat(deviceRate, shortenMono && bits == 16 ? 8 : bits, channels);
  if (result != 0) return static_cast<std::uint16_t>(result & 0xFFFF);

  while (length > 0) {
    while (s.queued >= s.maxQueued) {
      if (console::KeyWaiting()) {
        StopWav();
        return 0;
      }
      console::Pause(10);
    }
    if (console::KeyWaiting()) {
      StopWav();
      return 0;
    }
    const std::uint32_t n = std::min(length, kWavBlockBytes);
    const std::uint32_t m = shortenMono ? ShortenPeriods(samples, n, bits, deviceRate) : n;
    if (m > 0) QueueWavBlock(samples, m);  // a dropped block: playback goes on
    samples += n;
    length -= n;
  }
  return 0;
}

std::uint32_t ShortenPeriods(std::uint8_t* buffer, std::uint32_t length, int bits, int rate) {
  if (bits == 16) {
    const std::uint32_t count = length / 2;
    for (std::uint32_t i = 0; i < count; ++i) buffer[i] = buffer[2 * i + 1] ^ 128;
    length = count;
  }
  if (length < 1000) return length;

  const bool base = rate == 11025;
  const std::int64_t start = base ? 200 : 800;
  const std::int64_t step = base ? 80 : 320;
  const std::int64_t window = base ? 50 : 200;
  const std::int64_t n = length;

  std::int64_t p = PeakIn(buffer, n, start, start + step + window);
  std::int64_t o = p;
  while (p < n - 2 * (step + window)) {
    const std::int64_t q = PeakIn(buffer, n, p + step, p + step + window);
    const std::int64_t r = PeakIn(buffer, n, q + step, q + step + window);
    const std::int64_t kept = r - q + 1;
    std::memmove(buffer + o, buffer + q, static_cast<std::size_t>(kept));
    o += kept;
    p = r;
  }
  // Finish at a point near the silence level, so the cut does not click.
  while (p < n && (buffer[o] > 148 || buffer[o] < 108)) {
    buffer[o] = buffer[p];
    ++o;
    ++p;
  }
  return static_cast<std::uint32_t>(o);
}

std::optional<ParsedWav> ParseWavBuffer(std::span<const std::uint8_t> sound) {
  if (sound.size() < 36 || !TagIs(sound, 0, "RIFF") || !TagIs(sound, 12, "fmt ")) {
    return std::nullopt;
  }
  const std::uint32_t fmtSize = ReadLe32(sound, 16);
  if (fmtSize < 16) return std::nullopt;
  ParsedWav parsed;
  parsed.channels = ReadLe16(sound, 22);
  parsed.rate = ReadLe32(sound, 24);
  parsed.bits = ReadLe16(sound, 34);
  std::uint64_t at = 20ull + fmtSize;
  while (at + 8 <= sound.size()) {
    const std::uint32_t size = ReadLe32(sound, static_cast<std::size_t>(at + 4));
    if (TagIs(sound, static_cast<std::size_t>(at), "data")) {
      parsed.dataOffset = static_cast<std::size_t>(at + 8);
      parsed.dataLength = static_cast<std::uint32_t>(
          std::min<std::uint64_t>(size, sound.size() - parsed.dataOffset));
      return parsed;
    }
    at += 8ull + size;
  }
  return std::nullopt;
}

void PlayWavBuffer(std::span<std::uint8_t> sound) {
  Started();
  const std::optional<ParsedWav> parsed = ParseWavBuffer(sound);
  if (!parsed) return;
  platform::TraceBuffer(parsed->dataLength,
                        platform::WaveFormat{static_cast<int>(std::min<std::int64_t>(
                                                 parsed->rate, INT32_MAX)),
                                             parsed->bits, parsed->channels});
  PlayPcm(sound.data() + parsed->dataOffset, parsed->dataLength, parsed->rate, parsed->bits,
          parsed->channels);
}

int PlayWavFile(const std::string& path) {
  WavOutputState& s = Started();
  if (console::KeyWaiting()) return 0;
  std::optional<platform::InputFile> file = platform::InputFile::Open(path);
  if (!file) {
    platform::TraceMissing(path);
    return -1;
  }
  int result = -1;
  if (const std::optional<FileWavInfo> info = ReadFileHeader(*file)) {
    platform::TracePlay(path, info->dataLength, info->format);
    std::uint32_t remaining = info->dataLength;
    result = 0;
    while (remaining > 0) {
      result = -1;
      const std::uint32_t piece = (remaining > kWavBlockBytes && remaining < kPieceRuleUpper)
                                      ? kPieceAfterFullBlock
                                      : std::min(remaining, kWavBlockBytes);
      remaining -= piece;
      const std::size_t got = file->Read(std::span(s.readBuffer).first(piece));
      if (got == 0) break;
      result = PlayPcm(s.readBuffer.data(), static_cast<std::uint32_t>(got), info->rate,
                       info->format.bits, info->format.channels);
      if (result != 0 || console::KeyWaiting()) break;
      if (got < piece) {  // the data end before the size the chunk gave
        result = -1;
        break;
      }
    }
  }
  file.reset();
  while (WavPlaying()) platform::WaitMessage();
  return result;
}

}  // namespace recorded
