#include "platform/sdl/console_font.h"

#include <fontconfig/fontconfig.h>

#include <cstdlib>
#include <cstring>

#include "platform/text_encoding.h"

namespace platform::sdl {

namespace {

constexpr int kStockHeight = 16;
constexpr const char* kFallbackFamily = "DejaVu Sans Mono";
constexpr const char* kFallbackFile = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";

bool EqualNoCaseAscii(const char* a, const std::string& b) {
  const std::size_t n = std::strlen(a);
  if (n != b.size()) return false;
  for (std::size_t i = 0; i < n; ++i) {
    const auto x = static_cast<unsigned char>(a[i]);
    const auto y = static_cast<unsigned char>(b[i]);
    if ((x >= 'A' && x <= 'Z' ? x + 32 : x) != (y >= 'A' && y <= 'Z' ? y + 32 : y)) return false;
  }
  return true;
}

struct Match {
  std::string file;
  int index = 0;
  bool familyMatches = false;
  bool monospaced = false;
};

Match MatchFace(const std::string& family, int weight) {
  Match out;
  FcPattern* pattern = FcPatternCreate();
  if (pattern == nullptr) return out;
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  // Prefer a monospaced face wherever fontconfig has to substitute one.
  FcPatternAddInteger(pattern, FC_SPACING, FC_MONO);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  if (weight > 0) FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight));
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (match == nullptr) return out;
  FcChar8* file = nullptr;
  if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file != nullptr) {
    out.file = reinterpret_cast<const char*>(file);
  }
  int index = 0;
  if (FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch) out.index = index;
  int spacing = FC_PROPORTIONAL;
  if (FcPatternGetInteger(match, FC_SPACING, 0, &spacing) == FcResultMatch) {
    out.monospaced = spacing == FC_MONO || spacing == FC_CHARCELL;
  }
  FcChar8* name = nullptr;
  for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
    if (name != nullptr && EqualNoCaseAscii(reinterpret_cast<const char*>(name), family)) {
      out.familyMatches = true;
    }
  }
  FcPatternDestroy(match);
  return out;
}

}  // namespace

std::string ResolveFontFile(const std::string& faceUtf8, int weight, int& faceIndex) {
  faceIndex = 0;
  const std::string family = faceUtf8.empty() ? std::string("monospace") : faceUtf8;
  Match m = MatchFace(family, weight);
  // The face asked for, if installed (even a proportional one: the user chose
  // it), else what fontconfig substitutes as long as it is monospaced.
  if (!m.file.empty() && (m.familyMatches || m.monospaced)) {
    faceIndex = m.index;
    return m.file;
  }
  m = MatchFace(kFallbackFamily, weight);
  if (!m.file.empty() && m.familyMatches) {
    faceIndex = m.index;
    return m.file;
  }
  return kFallbackFile;
}

ConsoleFont::~ConsoleFont() { Close(); }

void ConsoleFont::Close() {
  if (font_ != nullptr) TTF_CloseFont(font_);
  font_ = nullptr;
  file_.clear();
  metrics_ = FontMetrics{};
  naturalAdvance_ = 0;
  topPad_ = 0;
  for (auto& g : glyphs_) g.clear();
  rendered_.fill(false);
}

bool ConsoleFont::Create(const FontSpec& spec) {
  Close();
  attempted_ = true;
  if (Load(spec)) return true;
  Load(FontSpec{});  // the stock font
  return false;
}

void ConsoleFont::Delete() {
  Close();
  attempted_ = false;
}

void ConsoleFont::EnsureLoaded() {
  // The stock font is made on first use, so that a program that never draws
  // needs no font at all.
  if (attempted_) return;
  attempted_ = true;
  Load(FontSpec{});
}

bool ConsoleFont::Load(const FontSpec& spec) {
  if (TTF_WasInit() == 0 && TTF_Init() != 0) return false;
  int index = 0;
  const std::string file = ResolveFontFile(Cp1252ToUtf8(spec.face), spec.weight, index);
  // Heights as the program gives them: positive is the cell height, negative
  // the character height (the face's size), zero the stock height.
  const int asked = spec.height == 0 ? kStockHeight : spec.height;
  int size = asked > 0 ? asked : -asked;
  TTF_Font* font = TTF_OpenFontIndex(file.c_str(), size, index);
  if (font == nullptr && file != kFallbackFile) {
    font = TTF_OpenFontIndex(kFallbackFile, size, 0);
  }
  if (font == nullptr) return false;
  if (asked > 0) {
    // The largest size whose line fits in the cell.
    while (size > 1 && TTF_FontHeight(font) > asked) {
      --size;
      if (TTF_SetFontSize(font, size) != 0) break;
    }
  }
  TTF_SetFontHinting(font, TTF_HINTING_MONO);
  TTF_SetFontKerning(font, 0);
  if (spec.weight >= 600) {
    // fontconfig found the heaviest face it has; embolden a face that is not bold.
    const char* style = TTF_FontFaceStyleName(font);
    if (style == nullptr || std::strstr(style, "Bold") == nullptr) TTF_SetFontStyle(font, TTF_STYLE_BOLD);
  }
  int advance = 0;
  if (TTF_GlyphMetrics32(font, '0', nullptr, nullptr, nullptr, nullptr, &advance) != 0 || advance <= 0) {
    advance = (TTF_FontHeight(font) + 1) / 2;
  }
  font_ = font;
  file_ = file;
  naturalAdvance_ = advance;
  const int lineHeight = TTF_FontHeight(font);
  metrics_.height = asked > 0 ? asked : lineHeight;
  metrics_.averageWidth = spec.width != 0 ? std::abs(spec.width) : advance;
  metrics_.externalLeading = 0;
  metrics_.overhang = 0;
  topPad_ = metrics_.height > lineHeight ? (metrics_.height - lineHeight) / 2 : 0;
  metrics_.ascent = topPad_ + TTF_FontAscent(font);
  for (auto& g : glyphs_) g.clear();
  rendered_.fill(false);
  return true;
}

const FontMetrics& ConsoleFont::Metrics() {
  EnsureLoaded();
  return metrics_;
}

const std::vector<std::uint8_t>& ConsoleFont::Glyph(std::uint8_t byte) {
  EnsureLoaded();
  std::vector<std::uint8_t>& mask = glyphs_[byte];
  if (rendered_[byte]) return mask;
  rendered_[byte] = true;
  const int w = metrics_.averageWidth;
  const int h = metrics_.height;
  mask.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0);
  const char32_t code = Cp1252ToUnicode(byte);
  // Control characters (and the bytes cp1252 leaves undefined) are blank.
  if (font_ == nullptr || code < 0x20 || (code >= 0x7F && code < 0xA0)) return mask;
  SDL_Surface* surface = TTF_RenderGlyph32_Solid(font_, static_cast<Uint32>(code), SDL_Color{255, 255, 255, 255});
  if (surface == nullptr) return mask;
  if (SDL_LockSurface(surface) == 0) {
    const auto* pixels = static_cast<const std::uint8_t*>(surface->pixels);
    for (int y = 0; y < h; ++y) {
      const int sy = y - topPad_;
      if (sy < 0 || sy >= surface->h) continue;
      for (int x = 0; x < w; ++x) {
        // A width other than the face's own stretches the glyph to the cell.
        const int sx = w == naturalAdvance_ ? x : x * naturalAdvance_ / w;
        if (sx >= surface->w) continue;
        if (pixels[sy * surface->pitch + sx] != 0) mask[static_cast<std::size_t>(y * w + x)] = 1;
      }
    }
    SDL_UnlockSurface(surface);
  }
  SDL_FreeSurface(surface);
  return mask;
}

}  // namespace platform::sdl
