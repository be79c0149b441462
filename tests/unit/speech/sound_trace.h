// Test support: what a run was heard saying, from the simulator's log. Each
// recording played or missing gives its name without folder and ".wav"
// ("_97", "_DEL"); a 512-byte sound is the beep, a 256-byte one the click;
// any other in-memory sound is "speech".
#pragma once

#include <string>
#include <vector>

#include "platform/headless/headless.h"

namespace soundtrace {

inline std::vector<std::string> Heard(const platform::headless::HeadlessBackend& backend) {
  std::vector<std::string> heard;
  for (const std::string& line : backend.LogLines()) {
    const std::size_t tab = line.find('\t');
    const std::string kind = line.substr(0, tab);
    const std::string rest = tab == std::string::npos ? "" : line.substr(tab + 1);
    if (kind == "play" || kind == "missing") {
      std::string file = rest.substr(0, rest.find('\t'));
      file = file.substr(file.find_last_of("/\\") + 1);
      if (file.size() > 4 && file.compare(file.size() - 4, 4, ".wav") == 0) file.resize(file.size() - 4);
      heard.push_back(file);
    } else if (kind == "buffer") {
      const std::string bytes = rest.substr(0, rest.find('\t'));
      heard.push_back(bytes == "512" ? "beep" : bytes == "256" ? "click" : "speech");
    }
  }
  return heard;
}

// The sounds heard, joined by blanks, with runs of "speech" folded into one.
inline std::string HeardText(const platform::headless::HeadlessBackend& backend) {
  std::string text;
  std::string previous;
  for (const std::string& item : Heard(backend)) {
    if (item == "speech" && previous == "speech") continue;
    if (!text.empty()) text += ' ';
    text += item;
    previous = item;
  }
  return text;
}

}  // namespace soundtrace
