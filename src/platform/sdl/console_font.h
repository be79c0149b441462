// The console font: a face found through fontconfig, rendered with SDL2_ttf
// into one bitmap per cp1252 byte, each exactly one cell (average width by
// height) so that a run of cells is drawn cell by cell on the grid.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include <SDL_ttf.h>

#include "platform/platform.h"

namespace platform::sdl {

class ConsoleFont {
 public:
  ConsoleFont() = default;
  ConsoleFont(const ConsoleFont&) = delete;
  ConsoleFont& operator=(const ConsoleFont&) = delete;
  ~ConsoleFont();

  // Loads the face asked for, or, when no monospaced face of that name is
  // installed, a monospaced substitute (DejaVu Sans Mono at last). False when
  // no face at all could be loaded: the stock font is then in use.
  bool Create(const FontSpec& spec);
  // Back to the stock font (DejaVu Sans Mono, 16 pixels high).
  void Delete();

  const FontMetrics& Metrics();
  // Cell-sized coverage of the byte's glyph, row by row: 1 = ink, 0 = background.
  const std::vector<std::uint8_t>& Glyph(std::uint8_t byte);
  // The font file in use (empty when none).
  const std::string& File() const { return file_; }

 private:
  bool Load(const FontSpec& spec);
  void Close();
  void EnsureLoaded();

  TTF_Font* font_ = nullptr;
  bool attempted_ = false;  // a font (console or stock) was loaded or tried
  std::string file_;
  FontMetrics metrics_;
  int naturalAdvance_ = 0;
  int topPad_ = 0;
  std::array<std::vector<std::uint8_t>, 256> glyphs_;
  std::array<bool, 256> rendered_{};
};

// The font file fontconfig gives for a face name and weight: the face itself
// when installed, else a monospaced substitute. Empty when none is found.
std::string ResolveFontFile(const std::string& faceUtf8, int weight, int& faceIndex);

}  // namespace platform::sdl
