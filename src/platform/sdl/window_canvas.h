// The window's image: a persistent surface that every drawing operation
// paints on, so that paints accumulate as on a real window, copied to the
// window (the changed part only) when the program next looks at its messages.
// The caret is drawn on the copy, never on the image itself.
#pragma once

#include <cstdint>
#include <string_view>

#include <SDL.h>

#include "platform/platform.h"
#include "platform/sdl/console_font.h"

namespace platform::sdl {

class WindowCanvas {
 public:
  WindowCanvas() = default;
  WindowCanvas(const WindowCanvas&) = delete;
  WindowCanvas& operator=(const WindowCanvas&) = delete;
  ~WindowCanvas();

  // Makes the image at least width x height (black), keeping what it shows.
  bool Resize(int width, int height);
  void Free();
  int Width() const { return image_ == nullptr ? 0 : image_->w; }
  int Height() const { return image_ == nullptr ? 0 : image_->h; }

  void DrawCells(int x, int y, std::string_view cells, Rgb foreground, Rgb background, ConsoleFont& font);
  void Fill(const Rect& rect, Rgb colour);
  // Moves the pixels of area up by the given distance (what lands above the
  // image is lost; the strip the area leaves behind keeps its pixels).
  void ScrollUp(const Rect& area, int pixels);

  // The magnifier: a copy of the image's top-left width x height, then parts
  // of that copy stretched over the image.
  void Capture(int width, int height);
  void Stretch(const Rect& source, const Rect& target);
  void ReleaseCapture();

  // The caret: a bar shown in inverted colours.
  void SetCaret(bool shown, const Rect& rect);

  // Marks everything for the next copy to the window (after an expose).
  void MarkAllChanged();
  // Copies the changed part to the window.
  void Present(SDL_Window* window);

  // The image's pixel at (x, y) as RGB (tests, and the magnifier's copy).
  Rgb PixelAt(int x, int y) const;

 private:
  void MarkChanged(const Rect& rect);
  Rect ClipToImage(const Rect& rect) const;

  SDL_Surface* image_ = nullptr;
  SDL_Surface* capture_ = nullptr;
  Rect changed_{};
  bool anyChange_ = false;
  bool caretShown_ = false;
  Rect caret_{};
};

}  // namespace platform::sdl
