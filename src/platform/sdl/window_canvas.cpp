#include "platform/sdl/window_canvas.h"

#include <algorithm>
#include <cstring>

namespace platform::sdl {

namespace {

constexpr Uint32 kFormat = SDL_PIXELFORMAT_XRGB8888;

Uint32 Pack(Rgb c) {
  return 0xFF000000u | static_cast<Uint32>(c.r) << 16 | static_cast<Uint32>(c.g) << 8 | c.b;
}

bool IsEmpty(const Rect& r) { return r.right <= r.left || r.bottom <= r.top; }

Rect Union(const Rect& a, const Rect& b) {
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

Uint32* Row(SDL_Surface* s, int y) {
  return reinterpret_cast<Uint32*>(static_cast<std::uint8_t*>(s->pixels) + static_cast<std::ptrdiff_t>(y) * s->pitch);
}

}  // namespace

WindowCanvas::~WindowCanvas() { Free(); }

void WindowCanvas::Free() {
  ReleaseCapture();
  if (image_ != nullptr) SDL_FreeSurface(image_);
  image_ = nullptr;
  anyChange_ = false;
  caretShown_ = false;
}

bool WindowCanvas::Resize(int width, int height) {
  width = std::max(width, Width());
  height = std::max(height, Height());
  if (width <= 0 || height <= 0) return false;
  if (image_ != nullptr && width == image_->w && height == image_->h) return true;
  SDL_Surface* grown = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, kFormat);
  if (grown == nullptr) return false;
  SDL_FillRect(grown, nullptr, Pack({}));
  if (image_ != nullptr) {
    SDL_SetSurfaceBlendMode(image_, SDL_BLENDMODE_NONE);
    SDL_BlitSurface(image_, nullptr, grown, nullptr);
    SDL_FreeSurface(image_);
  }
  image_ = grown;
  MarkAllChanged();
  return true;
}

Rect WindowCanvas::ClipToImage(const Rect& r) const {
  return {std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, Width()), std::min(r.bottom, Height())};
}

void WindowCanvas::MarkChanged(const Rect& rect) {
  const Rect r = ClipToImage(rect);
  if (IsEmpty(r)) return;
  changed_ = anyChange_ ? Union(changed_, r) : r;
  anyChange_ = true;
}

void WindowCanvas::MarkAllChanged() { MarkChanged({0, 0, Width(), Height()}); }

void WindowCanvas::DrawCells(int x, int y, std::string_view cells, Rgb foreground, Rgb background,
                             ConsoleFont& font) {
  if (image_ == nullptr || cells.empty()) return;
  const FontMetrics& m = font.Metrics();
  const int cw = m.averageWidth;
  const int ch = m.height + m.externalLeading;
  const Uint32 fg = Pack(foreground);
  const Uint32 bg = Pack(background);
  for (std::size_t i = 0; i < cells.size(); ++i) {
    const int left = x + static_cast<int>(i) * cw;
    if (left >= image_->w) break;
    const std::vector<std::uint8_t>& glyph = font.Glyph(static_cast<std::uint8_t>(cells[i]));
    for (int row = 0; row < ch; ++row) {
      const int py = y + row;
      if (py < 0 || py >= image_->h) continue;
      Uint32* line = Row(image_, py);
      const bool inGlyph = row < m.height;
      for (int col = 0; col < cw; ++col) {
        const int px = left + col;
        if (px < 0 || px >= image_->w) continue;
        const bool ink = inGlyph && glyph[static_cast<std::size_t>(row * cw + col)] != 0;
        line[px] = ink ? fg : bg;
      }
    }
  }
  MarkChanged({x, y, x + static_cast<int>(cells.size()) * cw, y + ch});
}

void WindowCanvas::Fill(const Rect& rect, Rgb colour) {
  if (image_ == nullptr) return;
  const Rect r = ClipToImage(rect);
  if (IsEmpty(r)) return;
  SDL_Rect sr{r.left, r.top, r.right - r.left, r.bottom - r.top};
  SDL_FillRect(image_, &sr, Pack(colour));
  MarkChanged(r);
}

void WindowCanvas::ScrollUp(const Rect& area, int pixels) {
  if (image_ == nullptr || pixels <= 0) return;
  const Rect source = ClipToImage(area);
  if (IsEmpty(source)) return;
  const int width = source.right - source.left;
  // Rows from the top down, so that each row is read before it is overwritten.
  for (int y = source.top; y < source.bottom; ++y) {
    const int to = y - pixels;
    if (to < 0) continue;
    std::memmove(Row(image_, to) + source.left, Row(image_, y) + source.left,
                 static_cast<std::size_t>(width) * sizeof(Uint32));
  }
  MarkChanged({source.left, std::max(0, source.top - pixels), source.right, source.bottom - pixels});
}

void WindowCanvas::Capture(int width, int height) {
  ReleaseCapture();
  if (image_ == nullptr || width <= 0 || height <= 0) return;
  capture_ = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, kFormat);
  if (capture_ == nullptr) return;
  SDL_FillRect(capture_, nullptr, Pack({}));
  SDL_SetSurfaceBlendMode(image_, SDL_BLENDMODE_NONE);
  SDL_Rect from{0, 0, std::min(width, image_->w), std::min(height, image_->h)};
  SDL_BlitSurface(image_, &from, capture_, nullptr);
}

void WindowCanvas::Stretch(const Rect& source, const Rect& target) {
  if (image_ == nullptr || capture_ == nullptr || IsEmpty(source) || IsEmpty(target)) return;
  // Nearest-pixel stretch; parts of the source outside the copy are black.
  const Rect t = ClipToImage(target);
  const int sw = source.right - source.left;
  const int sh = source.bottom - source.top;
  const int tw = target.right - target.left;
  const int th = target.bottom - target.top;
  for (int y = t.top; y < t.bottom; ++y) {
    const int sy = source.top + static_cast<int>(static_cast<long long>(y - target.top) * sh / th);
    Uint32* line = Row(image_, y);
    const Uint32* from = sy >= 0 && sy < capture_->h ? Row(capture_, sy) : nullptr;
    for (int x = t.left; x < t.right; ++x) {
      const int sx = source.left + static_cast<int>(static_cast<long long>(x - target.left) * sw / tw);
      line[x] = from != nullptr && sx >= 0 && sx < capture_->w ? from[sx] : Pack({});
    }
  }
  MarkChanged(t);
}

void WindowCanvas::ReleaseCapture() {
  if (capture_ != nullptr) SDL_FreeSurface(capture_);
  capture_ = nullptr;
}

void WindowCanvas::SetCaret(bool shown, const Rect& rect) {
  if (caretShown_) MarkChanged(caret_);
  caretShown_ = shown;
  caret_ = rect;
  if (caretShown_) MarkChanged(caret_);
}

void WindowCanvas::Present(SDL_Window* window) {
  if (window == nullptr || image_ == nullptr || !anyChange_) return;
  SDL_Surface* screen = SDL_GetWindowSurface(window);
  if (screen == nullptr) return;
  Rect r = changed_;
  if (caretShown_) r = Union(r, ClipToImage(caret_));  // the caret is drawn afresh on each copy
  r = {std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, screen->w), std::min(r.bottom, screen->h)};
  anyChange_ = false;
  if (IsEmpty(r)) return;
  SDL_Rect sr{r.left, r.top, r.right - r.left, r.bottom - r.top};
  SDL_SetSurfaceBlendMode(image_, SDL_BLENDMODE_NONE);
  SDL_Rect dr = sr;
  SDL_BlitSurface(image_, &sr, screen, &dr);
  if (caretShown_) {
    const Rect c{std::max(caret_.left, 0), std::max(caret_.top, 0), std::min(caret_.right, screen->w),
                 std::min(caret_.bottom, screen->h)};
    if (!IsEmpty(c) && screen->format->BytesPerPixel == 4 && SDL_LockSurface(screen) == 0) {
      const Uint32 invert = screen->format->Rmask | screen->format->Gmask | screen->format->Bmask;
      for (int y = c.top; y < c.bottom; ++y) {
        Uint32* line = Row(screen, y);
        for (int x = c.left; x < c.right; ++x) line[x] ^= invert;
      }
      SDL_UnlockSurface(screen);
    }
  }
  SDL_UpdateWindowSurfaceRects(window, &sr, 1);
}

Rgb WindowCanvas::PixelAt(int x, int y) const {
  if (image_ == nullptr || x < 0 || y < 0 || x >= image_->w || y >= image_->h) return {};
  const Uint32 p = Row(image_, y)[x];
  return {static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8), static_cast<std::uint8_t>(p)};
}

}  // namespace platform::sdl
