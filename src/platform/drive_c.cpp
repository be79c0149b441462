// Drive C and the mapping of the program's Windows paths to native paths.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/text_encoding.h"

namespace platform {

namespace {

struct DriveCState {
  std::string rootOverride;  // empty: environment, installed data, source tree
};

DriveCState& State() {
  static DriveCState state;
  return state;
}

bool NativeIsFolder(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool NativeExists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// A directory entry's name as cp1252, for comparing with a program path
// component: UTF-8 names are converted, other names compared as bytes.
std::string EntryNameAsCp1252(const std::string& name) {
  return Utf8FitsCp1252(name) ? Utf8ToCp1252(name) : name;
}

// The entry of folder whose name equals component without regard to case.
bool FindEntryNoCase(const std::string& folder, const std::string& component, std::string& found) {
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) return false;
  bool matched = false;
  while (dirent* entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (Cp1252EqualNoCase(EntryNameAsCp1252(name), component) || Cp1252EqualNoCase(name, component)) {
      found = name;
      matched = true;
      break;
    }
  }
  ::closedir(dir);
  return matched;
}

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

}  // namespace

std::string DriveCRoot() {
  const DriveCState& state = State();
  if (!state.rootOverride.empty()) return state.rootOverride;
  if (const char* env = std::getenv("TALIRA_DRIVE_C"); env != nullptr && *env != '\0') {
    return WithoutTrailingSlash(env);
  }
#ifdef TEMBRIKA_INSTALLED_DRIVE_C
  if (NativeIsFolder(TEMBRIKA_INSTALLED_DRIVE_C)) return WithoutTrailingSlash(TEMBRIKA_INSTALLED_DRIVE_C);
#endif
#ifdef TEMBRIKA_SOURCE_DRIVE_C
  return WithoutTrailingSlash(TEMBRIKA_SOURCE_DRIVE_C);
#else
  return WithoutTrailingSlash(CurrentDirectory() + "/drive_c");
#endif
}

// An empty folder brings back the default root.
void SetDriveCRoot(const std::string& nativeFolder) {
  State().rootOverride = nativeFolder.empty() ? std::string() : WithoutTrailingSlash(nativeFolder);
}

std::string WindowsFolder() { return "c:\\windows"; }

std::string CurrentDirectory() {
  std::vector<char> buffer(4096);
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE || buffer.size() > (1u << 20)) return ".";
    buffer.resize(buffer.size() * 2);
  }
  return buffer.data();
}

std::string NativePath(std::string_view programPath) {
  std::string start;  // native folder the components are walked from; "" = working directory
  std::string_view rest = programPath;
  bool fromDriveRoot = false;
  if (rest.size() >= 2 && (rest[0] == 'c' || rest[0] == 'C') && rest[1] == ':') {
    start = DriveCRoot();
    rest.remove_prefix(2);
    fromDriveRoot = true;
  } else if (!rest.empty() && rest[0] == '/') {
    start = "/";
  } else if (!rest.empty() && rest[0] == '\\') {
    // Rooted on the current drive, which is drive C for the program.
    start = DriveCRoot();
    fromDriveRoot = true;
  }

  std::string path = start;
  std::size_t rootLength = path.size();
  bool walking = true;  // false once a component does not exist: the rest is only appended
  std::size_t i = 0;
  while (i < rest.size()) {
    while (i < rest.size() && IsSeparator(rest[i])) ++i;
    std::size_t end = i;
    while (end < rest.size() && !IsSeparator(rest[end])) ++end;
    if (end == i) break;
    std::string component(rest.substr(i, end - i));
    i = end;
    if (component == ".") continue;
    if (component == ".." && fromDriveRoot && path.size() == rootLength) continue;  // no way above C:
    std::string chosen;
    if (walking) {
      std::string utf8 = Cp1252ToUtf8(component);
      if (NativeExists(Join(path, component))) {
        chosen = component;
      } else if (utf8 != component && NativeExists(Join(path, utf8))) {
        chosen = utf8;
      } else if (component != ".." && FindEntryNoCase(path, component, chosen)) {
        // matched without regard to case
      } else {
        chosen = utf8;
        walking = false;
      }
    } else {
      chosen = Cp1252ToUtf8(component);
    }
    path = Join(path, chosen);
  }
  if (path.empty()) return ".";
  return path;
}

}  // namespace platform
