// Fonts: faces chosen by their Windows face name, measured and drawn from one
// set of hinted monochrome glyphs. Stands in for the GDI font calls
// (CreateFontA, GetTextExtentPoint32A, TextOutA) and the Direct3D font's
// DrawTextA; text is CP932 as everywhere in the program.
//
// Every face is one of three IPA files: IPAGothic for fixed-pitch faces,
// IPAPGothic for proportional ones, IPAMincho for Mincho (serif) faces;
// names we do not know take IPAGothic. A file that cannot be opened is
// reported once and another IPA file (or, when none opens, plain boxes)
// takes its place, so creating a font never fails.
//
// Drawing produces an 8-bit mask: 0 where the background shows, kGlyphInk
// where the text colour goes. There are no grey levels, so the text code can
// composite into any surface format with a colour key and no fringes.
//
// Threads: fonts may be created, measured and drawn from any thread at once.
// Glyphs are cached per face, size and character and never dropped.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

enum class IpaFont { Gothic, PGothic, Mincho };

// The pitch bits of CreateFontA's pitch-and-family argument.
constexpr int kDefaultPitch = 0;
constexpr int kFixedPitch = 1;
constexpr int kVariablePitch = 2;

// Which IPA file stands in for a face name (CP932, compared without regard
// to ASCII case). A fixed or variable pitch asked for switches between the
// two Gothic files; Mincho has no proportional stand-in.
IpaFont IpaFontForFace(std::string_view faceCp932, int pitchAndFamily = kDefaultPitch);
const char* IpaFontName(IpaFont font);  // "IPAGothic", "IPAPGothic", "IPAMincho"

// Where each file is read from. Fonts created afterwards use the new path;
// an empty path restores the installed one. Meant for tests and packaging.
std::string IpaFontPath(IpaFont font);
void SetIpaFontPath(IpaFont font, std::string osPath);

constexpr uint8_t kGlyphInk = 1;

// As CreateFontA takes them. height < 0: character (em) height in pixels;
// height > 0: cell height (ascent + descent); 0: a default size. width 0
// keeps the face's own proportions, otherwise it is the average (half-width)
// character width. The program only ever asks for regular upright text.
struct FontDesc {
  std::string face;  // CP932
  int height = 0;
  int width = 0;
  int pitchAndFamily = kDefaultPitch;
};

struct TextSize {
  int cx = 0;
  int cy = 0;
};

// A caller's 8-bit buffer; drawing clips to width x height.
struct MaskView {
  uint8_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  int pitch = 0;  // bytes per row
};

// A mask owning its pixels, rows of `width` bytes.
struct TextMask {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;
  uint8_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

class Font {
 public:
  Font() = default;  // no face: measures {0, 0} and draws nothing
  explicit Font(const FontDesc& desc);

  bool IsValid() const { return impl_ != nullptr; }
  // The file in use; empty when no IPA file could be opened (boxes).
  const std::string& FilePath() const;
  // Cell metrics in pixels: text drawn at y has its baseline at y + Ascent().
  int Ascent() const;
  int Descent() const;
  int CellHeight() const;

  // GetTextExtentPoint32A: the sum of the advances the drawing uses, and the
  // cell height. A double-byte character is one glyph; control bytes have
  // no width; a lone lead byte or a pair without a character draws the
  // face's missing-character box.
  TextSize Measure(std::string_view cp932) const;

  // TextOutA in transparent mode: (x, y) is the top left of the first cell.
  // Sets kGlyphInk where glyphs cover, leaves other bytes alone. Returns the
  // advance (the width Measure gives).
  int Draw(std::string_view cp932, const MaskView& dst, int x, int y) const;

  // The text drawn at (0, 0) into a fresh mask of its measured size.
  TextMask Render(std::string_view cp932) const;

  // The report lines (CP932) of the faces this font could not open, for the
  // caller's log; each failing file is named by one font only.
  const std::vector<std::string>& OpenReports() const { return openReports_; }

  struct Impl;

 private:
  std::shared_ptr<const Impl> impl_;
  std::vector<std::string> openReports_;
};

}  // namespace plat
