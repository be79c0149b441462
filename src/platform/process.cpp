// The process and run-time libraries: ending the program, its executable,
// the component-object library (nothing to do here) and dlopen.
#include <dlfcn.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/platform.h"

namespace platform {

namespace {

bool EndsWithNoCase(const std::string& text, const std::string& suffix) {
  if (text.size() < suffix.size()) return false;
  for (std::size_t i = 0; i < suffix.size(); ++i) {
    char a = text[text.size() - suffix.size() + i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a + 32);
    if (a != suffix[i]) return false;
  }
  return true;
}

}  // namespace

void ExitProcess(int code) { throw ProcessExit{code}; }

std::string ExecutablePath() {
  std::vector<char> buffer(4096);
  for (;;) {
    ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return std::string();
    if (static_cast<std::size_t>(length) < buffer.size()) {
      return std::string(buffer.data(), static_cast<std::size_t>(length));
    }
    if (buffer.size() > (1u << 20)) return std::string();
    buffer.resize(buffer.size() * 2);
  }
}

void InitComponentLibrary() {}

// A program path with a folder goes through the drive C mapping; a Windows
// library name "x.dll" is also looked for as "libx.so" and "x.so".
void* LoadSharedLibrary(const std::string& name) {
  if (name.empty()) return nullptr;
  std::vector<std::string> candidates;
  if (name.find_first_of("\\/:") != std::string::npos) {
    candidates.push_back(NativePath(name));
  } else {
    candidates.push_back(name);
  }
  if (EndsWithNoCase(candidates.front(), ".dll")) {
    std::string stem = candidates.front().substr(0, candidates.front().size() - 4);
    std::size_t slash = stem.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : stem.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? stem : stem.substr(slash + 1);
    std::string lower;
    for (char c : base) lower += (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    candidates.push_back(folder + "lib" + lower + ".so");
    candidates.push_back(folder + lower + ".so");
  }
  for (const std::string& candidate : candidates) {
    if (void* library = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL)) return library;
  }
  return nullptr;
}

void* FindSymbol(void* library, const char* name) {
  if (library == nullptr || name == nullptr) return nullptr;
  return ::dlsym(library, name);
}

void FreeSharedLibrary(void* library) {
  if (library != nullptr) ::dlclose(library);
}

}  // namespace platform
