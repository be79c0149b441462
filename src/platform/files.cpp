// Files of the program, reached through the drive C mapping: reading,
// existence tests, deletion, and the safe replacement of a file's contents.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <limits>
#include <string>

#include "platform/platform.h"

namespace platform {

namespace {

struct FileWriteState {
  std::optional<std::uint64_t> quota;  // bytes still writable before the disk is "full"
};

FileWriteState& WriteState() {
  static FileWriteState state;
  return state;
}

struct OpenFile {
  std::FILE* stream = nullptr;
  std::uint64_t size = 0;
  std::uint64_t position = 0;
};

OpenFile* AsFile(void* handle) { return static_cast<OpenFile*>(handle); }

bool StatNative(std::string_view programPath, struct stat& info) {
  std::string native = NativePath(programPath);
  return ::stat(native.c_str(), &info) == 0;
}

// Writes all bytes, honouring the test quota; 0 or an error number.
int WriteAll(int fd, std::span<const std::uint8_t> bytes) {
  FileWriteState& state = WriteState();
  std::size_t done = 0;
  while (done < bytes.size()) {
    std::size_t chunk = bytes.size() - done;
    if (state.quota) {
      if (*state.quota == 0) return ENOSPC;
      chunk = static_cast<std::size_t>(std::min<std::uint64_t>(chunk, *state.quota));
    }
    ssize_t written = ::write(fd, bytes.data() + done, chunk);
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (written == 0) return EIO;
    done += static_cast<std::size_t>(written);
    if (state.quota) *state.quota -= static_cast<std::uint64_t>(written);
  }
  return 0;
}

std::string FolderOf(const std::string& nativePath) {
  std::size_t slash = nativePath.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return nativePath.substr(0, slash);
}

}  // namespace

bool FileExists(std::string_view programPath) {
  struct stat info {};
  return StatNative(programPath, info) && S_ISREG(info.st_mode);
}

bool FolderExists(std::string_view programPath) {
  struct stat info {};
  return StatNative(programPath, info) && S_ISDIR(info.st_mode);
}

bool DeleteFile(std::string_view programPath) {
  if (!FileExists(programPath)) return false;
  return ::unlink(NativePath(programPath).c_str()) == 0;
}

std::optional<std::vector<std::uint8_t>> ReadWholeFile(std::string_view programPath) {
  std::optional<InputFile> file = InputFile::Open(programPath);
  if (!file) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  if (file->Size() > std::numeric_limits<std::size_t>::max() / 2) return std::nullopt;
  bytes.resize(static_cast<std::size_t>(file->Size()));
  std::size_t got = file->Read(bytes);
  bytes.resize(got);
  // A file that grew while it was read: take the rest as well.
  std::uint8_t more[4096];
  while (std::size_t n = file->Read(more)) bytes.insert(bytes.end(), more, more + n);
  return bytes;
}

std::optional<InputFile> InputFile::Open(std::string_view programPath) {
  std::string native = NativePath(programPath);
  std::FILE* stream = std::fopen(native.c_str(), "rb");
  if (stream == nullptr) return std::nullopt;
  struct stat info {};
  if (::fstat(::fileno(stream), &info) != 0 || !S_ISREG(info.st_mode)) {
    std::fclose(stream);
    return std::nullopt;
  }
  auto* file = new OpenFile{stream, static_cast<std::uint64_t>(info.st_size), 0};
  return InputFile(file);
}

InputFile::InputFile(InputFile&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }

InputFile& InputFile::operator=(InputFile&& other) noexcept {
  if (this != &other) {
    if (handle_ != nullptr) {
      std::fclose(AsFile(handle_)->stream);
      delete AsFile(handle_);
    }
    handle_ = other.handle_;
    other.handle_ = nullptr;
  }
  return *this;
}

InputFile::~InputFile() {
  if (handle_ != nullptr) {
    std::fclose(AsFile(handle_)->stream);
    delete AsFile(handle_);
  }
}

std::size_t InputFile::Read(std::span<std::uint8_t> into) {
  if (handle_ == nullptr || into.empty()) return 0;
  OpenFile* file = AsFile(handle_);
  std::size_t got = std::fread(into.data(), 1, into.size(), file->stream);
  file->position += got;
  return got;
}

bool InputFile::Seek(std::uint64_t position) {
  if (handle_ == nullptr) return false;
  OpenFile* file = AsFile(handle_);
  if (position > file->size || position > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) {
    return false;
  }
  if (::fseeko(file->stream, static_cast<off_t>(position), SEEK_SET) != 0) return false;
  file->position = position;
  return true;
}

bool InputFile::Skip(std::uint64_t count) {
  if (handle_ == nullptr) return false;
  std::uint64_t position = AsFile(handle_)->position;
  if (count > std::numeric_limits<std::uint64_t>::max() - position) return false;
  return Seek(position + count);
}

std::uint64_t InputFile::Size() const { return handle_ == nullptr ? 0 : AsFile(handle_)->size; }

std::uint64_t InputFile::Position() const { return handle_ == nullptr ? 0 : AsFile(handle_)->position; }

int ReplaceFile(std::string_view programPath, std::span<const std::uint8_t> contents) {
  std::string target = NativePath(programPath);
  struct stat old {};
  bool hadOld = ::stat(target.c_str(), &old) == 0;
  if (hadOld && !S_ISREG(old.st_mode)) return S_ISDIR(old.st_mode) ? EISDIR : EINVAL;

  std::string folder = FolderOf(target);
  std::string base = target.substr(target.rfind('/') == std::string::npos ? 0 : target.rfind('/') + 1);
  // The temporary name stays within the name length limit however long the file's name is.
  std::string temp = folder + "/." + base.substr(0, 200) + ".XXXXXX";
  int fd = ::mkstemp(temp.data());
  if (fd < 0) return errno;

  int error = WriteAll(fd, contents);
  if (error == 0) {
    // The new file keeps the old one's permissions; a new file gets the usual ones.
    mode_t mode = hadOld ? (old.st_mode & 07777) : 0644;
    if (::fchmod(fd, mode) != 0) error = errno;
  }
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(temp.c_str(), target.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temp.c_str());
    return error;
  }
  // Make the rename itself durable.
  int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
  return 0;
}

void SetWriteQuotaForTests(std::optional<std::uint64_t> bytes) { WriteState().quota = bytes; }

}  // namespace platform
