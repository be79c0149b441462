// l2s-probe: reads cp1252 text lines on standard input and prints the phonetic
// text of each, one line each, with the shipped letter rules or the files given.
//
//   l2s-probe [RULES [EXCEPTIONS]]
//
// Paths are program paths (a leading "/" is a native path); the defaults are
// the diphone voice's "c:\quiral\som\difones\regras.rgr" and "portug.exc".
#include <cstdio>
#include <iostream>
#include <string>

#include "tts/letter_to_sound.h"

int main(int argc, char** argv) {
  const std::string rules = argc > 1 ? argv[1] : "c:\\quiral\\som\\difones\\regras.rgr";
  const std::string exceptions = argc > 2 ? argv[2] : "c:\\quiral\\som\\difones\\portug.exc";
  if (!tts::LoadLetterRules(rules)) {
    std::fprintf(stderr, "l2s-probe: cannot read the rules file %s\n", rules.c_str());
    return 1;
  }
  if (!tts::LoadWordExceptions(exceptions)) {
    std::fprintf(stderr, "l2s-probe: cannot read the exceptions file %s\n", exceptions.c_str());
    return 1;
  }
  std::string line;
  while (std::getline(std::cin, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::cout << tts::TranslateToPhonetic(line) << '\n';
  }
  tts::ReleaseLetterRules();
  return 0;
}
