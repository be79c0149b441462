// The simulator's log and the forms of texts and file names it shows.
#include "platform/headless/sim_log.h"

#include <filesystem>

#include "platform/platform.h"
#include "platform/text_encoding.h"

namespace platform::headless {

namespace {

std::filesystem::path Canonical(const std::string& native) {
  std::error_code error;
  std::filesystem::path path = std::filesystem::weakly_canonical(std::filesystem::path(native), error);
  return error ? std::filesystem::path(native).lexically_normal() : path;
}

}  // namespace

std::string EscapeForLog(std::string_view cp1252) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(cp1252.size());
  for (char ch : cp1252) {
    auto c = static_cast<std::uint8_t>(ch);
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      default:
        // Controls, and the bytes cp1252 leaves undefined (they decode to C1 controls).
        if (c < 0x20 || c == 0x7F || c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D) {
          out += "\\x";
          out += kHex[c >> 4];
          out += kHex[c & 15];
        } else {
          AppendUtf8(out, Cp1252ToUnicode(c));
        }
    }
  }
  return out;
}

std::string LogFileName(const std::string& programPath) {
  std::string native = NativePath(programPath);
  if (native.empty() || native[0] != '/') native = CurrentDirectory() + "/" + native;
  std::string file = Canonical(native).string();
  std::string root = Canonical(DriveCRoot()).string();
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  std::string shown = file;
  if (file.size() > root.size() + 1 && file.compare(0, root.size(), root) == 0 && file[root.size()] == '/') {
    shown = file.substr(root.size() + 1);
  }
  return IsValidUtf8(shown) ? shown : Cp1252ToUtf8(shown);
}

SimLog::~SimLog() {
  if (file_ != nullptr) std::fclose(file_);
}

bool SimLog::OpenFile(const std::string& nativePath) {
  if (file_ != nullptr) std::fclose(file_);
  file_ = std::fopen(nativePath.c_str(), "a");
  return file_ != nullptr;
}

void SimLog::Add(const std::string& line) {
  lines_.push_back(line);
  if (file_ != nullptr) {
    std::fputs(line.c_str(), file_);
    std::fputc('\n', file_);
    std::fflush(file_);
  }
}

}  // namespace platform::headless
