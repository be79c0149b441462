#include "platform/sdl/shell_open.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/platform.h"
#include "platform/text_encoding.h"

namespace platform::sdl {

namespace {

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

bool IsAddress(const std::string& s) {
  return StartsWith(s, "http://") || StartsWith(s, "https://") || StartsWith(s, "www.") ||
         StartsWith(s, "mailto:") || StartsWith(s, "ftp://");
}

// A name with a drive, a folder or a separator is a path; a bare name is
// looked up in PATH.
bool LooksLikePath(const std::string& s) {
  return s.find('\\') != std::string::npos || s.find('/') != std::string::npos ||
         (s.size() >= 2 && s[1] == ':');
}

bool IsExecutableFile(const std::string& native) {
  struct stat st {};
  return ::stat(native.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(native.c_str(), X_OK) == 0;
}

std::string FindInPath(const std::string& name, const std::string& dirs) {
  std::size_t start = 0;
  while (start <= dirs.size()) {
    std::size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    const std::string dir = end > start ? dirs.substr(start, end - start) : std::string(".");
    const std::string candidate = dir + "/" + name;
    if (IsExecutableFile(candidate)) return candidate;
    start = end + 1;
  }
  return {};
}

// A document name: its native path when it names a file or folder that
// exists, otherwise the text itself (an address, or a name for xdg-open).
std::string DocumentArgument(const std::string& text) {
  if (IsAddress(text)) return Cp1252ToUtf8(text);
  const std::string native = NativePath(text);
  struct stat st {};
  if (::stat(native.c_str(), &st) == 0) return native;
  return Cp1252ToUtf8(text);
}

}  // namespace

std::string ProgramSearchPath() {
  const char* path = std::getenv("PATH");
  return path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
}

std::vector<std::string> ShellOpenCommand(const std::string& program, const std::string& parameter,
                                          const std::string& searchPath) {
  const std::string opener = FindInPath("xdg-open", searchPath);
  if (program.empty()) {
    if (parameter.empty() || opener.empty()) return {};
    return {opener, DocumentArgument(parameter)};
  }
  std::string executable;
  if (!IsAddress(program)) {
    if (LooksLikePath(program)) {
      const std::string native = NativePath(program);
      if (IsExecutableFile(native)) executable = native;
    } else {
      executable = FindInPath(Cp1252ToUtf8(program), searchPath);
    }
  }
  if (!executable.empty()) {
    std::vector<std::string> argv{executable};
    if (!parameter.empty()) argv.push_back(DocumentArgument(parameter));
    return argv;
  }
  // Not a program: a document or an address, opened by the desktop's choice;
  // a name that is neither (a program not installed) starts nothing.
  if (opener.empty()) return {};
  if (!IsAddress(program)) {
    struct stat st {};
    if (::stat(NativePath(program).c_str(), &st) != 0) return {};
  }
  return {opener, DocumentArgument(program)};
}

bool StartDetached(const std::vector<std::string>& argv, const std::string& workingFolder) {
  if (argv.empty()) return false;
  // Everything the child needs is made before fork: after it, only calls that
  // are safe in a child of a threaded process.
  std::vector<char*> args;
  args.reserve(argv.size() + 1);
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  const char* folder = workingFolder.empty() ? nullptr : workingFolder.c_str();

  const pid_t child = ::fork();
  if (child < 0) return false;
  if (child == 0) {
    // The middle process starts the program and ends at once, so the program
    // is nobody's child here and never lingers as a zombie.
    ::setsid();
    const pid_t grandchild = ::fork();
    if (grandchild != 0) ::_exit(grandchild < 0 ? 1 : 0);
    if (folder != nullptr && ::chdir(folder) != 0) {
      // stays in the current folder
    }
    const int devnull = ::open("/dev/null", O_RDONLY);
    if (devnull >= 0) {
      ::dup2(devnull, STDIN_FILENO);
      if (devnull != STDIN_FILENO) ::close(devnull);
    }
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace platform::sdl
