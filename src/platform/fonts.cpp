#include "platform/fonts.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include <iconv.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <map>
#include <mutex>
#include <set>
#include <tuple>
#include <unordered_map>

#include "platform/text.h"

namespace plat {
namespace {

// --- CP932 characters ----------------------------------------------------------

// Code points of our own for bytes that are not characters.
constexpr char32_t kControl = 0xFFFFFFFEu;  // no width, nothing drawn
constexpr char32_t kMissing = 0xFFFFFFFFu;  // the missing-character glyph

bool IsLeadByte(unsigned b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool IsTrailByte(unsigned b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }

// Unicode of every double-byte code (lead << 8 | trail), 0 where CP932 has
// no character; built once with iconv.
const std::vector<char32_t>& DoubleByteTable() {
  static const std::vector<char32_t> table = [] {
    std::vector<char32_t> t(0x10000, 0);
    iconv_t cd = iconv_open("UTF-32LE", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) return t;
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
      if (!IsLeadByte(lead)) continue;
      for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
        if (!IsTrailByte(trail)) continue;
        char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        unsigned char out[8] = {};
        char* src = in;
        size_t srcLeft = 2;
        char* dst = reinterpret_cast<char*>(out);
        size_t dstLeft = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) == static_cast<size_t>(-1) || srcLeft != 0 ||
            sizeof out - dstLeft != 4)
          continue;
        t[lead << 8 | trail] = static_cast<char32_t>(out[0] | out[1] << 8 | out[2] << 16 | out[3] << 24);
      }
    }
    iconv_close(cd);
    return t;
  }();
  return table;
}

// The character at p; returns how many bytes it takes (1 or 2, never more
// than `left`).
size_t NextChar(const unsigned char* p, size_t left, char32_t* cp) {
  unsigned b = p[0];
  if (b < 0x20 || b == 0x7F) {
    *cp = kControl;
    return 1;
  }
  if (b < 0x7F) {
    *cp = b;
    return 1;
  }
  if (b >= 0xA1 && b <= 0xDF) {  // half-width katakana
    *cp = 0xFF61 + (b - 0xA1);
    return 1;
  }
  if (IsLeadByte(b) && left >= 2 && IsTrailByte(p[1])) {
    char32_t u = DoubleByteTable()[b << 8 | p[1]];
    *cp = u ? u : kMissing;
    return 2;
  }
  // 0x80, 0xA0, 0xFD..0xFF, and a lead byte without its trail byte: the
  // next byte is left to stand on its own.
  *cp = kMissing;
  return 1;
}

// Where a face has no glyph of its own the boxes stand in, half or full
// width as the character is in CP932.
bool IsHalfWidth(char32_t cp) { return cp < 0x7F || (cp >= 0xFF61 && cp <= 0xFF9F); }

// --- face names ------------------------------------------------------------------

// ASCII letters folded to lower case; trail bytes of double-byte characters
// are left as they are (0x41..0x5A is a trail byte range too).
std::string FoldFaceName(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  for (size_t i = 0; i < s.size();) {
    if (IsLeadByte(p[i]) && i + 1 < s.size()) {
      out.push_back(static_cast<char>(p[i]));
      out.push_back(static_cast<char>(p[i + 1]));
      i += 2;
    } else {
      unsigned char c = p[i++];
      out.push_back(static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c));
    }
  }
  return out;
}

bool ContainsAtCharBoundary(std::string_view s, std::string_view what) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  for (size_t i = 0; i + what.size() <= s.size(); i += (IsLeadByte(p[i]) && i + 1 < s.size()) ? 2 : 1)
    if (s.compare(i, what.size(), what) == 0) return true;
  return false;
}

struct FaceEntry {
  const char* name;
  IpaFont font;
};

// Proportional and serif faces of the project's face table (and the IPA
// names themselves). Fixed-pitch faces and anything unknown take IPAGothic.
const FaceEntry kFaceTable[] = {
    {"System", IpaFont::PGothic}, {"Script", IpaFont::PGothic}, {"Modern", IpaFont::PGothic},
    {"Small Fonts", IpaFont::PGothic}, {"MS Sans Serif", IpaFont::PGothic}, {"Arial", IpaFont::PGothic},
    {"Arial CE", IpaFont::PGothic}, {"Arial CYR", IpaFont::PGothic}, {"Arial Greek", IpaFont::PGothic},
    {"Arial TUR", IpaFont::PGothic}, {"Arial Baltic", IpaFont::PGothic},
    {"Lucida Sans Unicode", IpaFont::PGothic}, {"Verdana", IpaFont::PGothic},
    {"Arial Black", IpaFont::PGothic}, {"Comic Sans MS", IpaFont::PGothic}, {"Impact", IpaFont::PGothic},
    {"Franklin Gothic Medium", IpaFont::PGothic}, {"Tahoma", IpaFont::PGothic},
    {"Trebuchet MS", IpaFont::PGothic}, {"Estrangelo Edessa", IpaFont::PGothic},
    {"Gautami", IpaFont::PGothic}, {"Latha", IpaFont::PGothic}, {"Mangal", IpaFont::PGothic},
    {"MV Boli", IpaFont::PGothic}, {"Raavi", IpaFont::PGothic}, {"Shruti", IpaFont::PGothic},
    {"Tunga", IpaFont::PGothic}, {"ＭＳ Ｐゴシック", IpaFont::PGothic}, {"MS UI Gothic", IpaFont::PGothic},
    {"Microsoft Sans Serif", IpaFont::PGothic}, {"Gulim", IpaFont::PGothic}, {"Dotum", IpaFont::PGothic},
    {"Arial Narrow", IpaFont::PGothic}, {"Century Gothic", IpaFont::PGothic},
    {"HGPｺﾞｼｯｸE", IpaFont::PGothic}, {"HGSｺﾞｼｯｸE", IpaFont::PGothic},
    {"HGP創英角ｺﾞｼｯｸUB", IpaFont::PGothic}, {"HGS創英角ｺﾞｼｯｸUB", IpaFont::PGothic},
    {"HGP創英角ﾎﾟｯﾌﾟ体", IpaFont::PGothic}, {"HGS創英角ﾎﾟｯﾌﾟ体", IpaFont::PGothic},
    {"Kartika", IpaFont::PGothic}, {"Vrinda", IpaFont::PGothic}, {"メイリオ", IpaFont::PGothic},
    {"HGPｺﾞｼｯｸM", IpaFont::PGothic}, {"HGSｺﾞｼｯｸM", IpaFont::PGothic}, {"Sydnie", IpaFont::PGothic},
    {"IPAPGothic", IpaFont::PGothic}, {"IPA Pゴシック", IpaFont::PGothic}, {"IPAPゴシック", IpaFont::PGothic},

    {"Roman", IpaFont::Mincho}, {"MS Serif", IpaFont::Mincho}, {"Times New Roman", IpaFont::Mincho},
    {"Times New Roman CE", IpaFont::Mincho}, {"Times New Roman CYR", IpaFont::Mincho},
    {"Times New Roman Greek", IpaFont::Mincho}, {"Times New Roman TUR", IpaFont::Mincho},
    {"Times New Roman Baltic", IpaFont::Mincho}, {"Georgia", IpaFont::Mincho},
    {"Palatino Linotype", IpaFont::Mincho}, {"Sylfaen", IpaFont::Mincho}, {"Batang", IpaFont::Mincho},
    {"BatangChe", IpaFont::Mincho}, {"Gungsuh", IpaFont::Mincho}, {"GungsuhChe", IpaFont::Mincho},
    {"SimSun", IpaFont::Mincho}, {"NSimSun", IpaFont::Mincho}, {"SimSun-PUA", IpaFont::Mincho},
    {"MingLiU", IpaFont::Mincho}, {"PMingLiU", IpaFont::Mincho}, {"Book Antiqua", IpaFont::Mincho},
    {"Bookman Old Style", IpaFont::Mincho}, {"Century", IpaFont::Mincho}, {"Garamond", IpaFont::Mincho},
    {"HG正楷書体-PRO", IpaFont::Mincho}, {"HG行書体", IpaFont::Mincho}, {"HGP行書体", IpaFont::Mincho},
    {"HGS行書体", IpaFont::Mincho}, {"HG教科書体", IpaFont::Mincho}, {"HGP教科書体", IpaFont::Mincho},
    {"HGS教科書体", IpaFont::Mincho}, {"HG創英ﾌﾟﾚｾﾞﾝｽEB", IpaFont::Mincho},
    {"HGP創英ﾌﾟﾚｾﾞﾝｽEB", IpaFont::Mincho}, {"HGS創英ﾌﾟﾚｾﾞﾝｽEB", IpaFont::Mincho},
};

// --- glyphs and faces --------------------------------------------------------------

struct Glyph {
  int left = 0;  // from the pen position to the first column
  int top = 0;   // from the baseline up to the first row
  int width = 0;
  int rows = 0;
  int advance = 0;
  std::vector<uint8_t> bits;  // width x rows, 0 or kGlyphInk
};

// One file at one pixel size, with its glyphs. face is null for the boxes
// drawn when no font file can be opened.
struct SizedFace {
  FT_Face face = nullptr;
  std::string path;
  int ppemX = 0;
  int ppemY = 0;
  std::unordered_map<char32_t, std::unique_ptr<Glyph>> glyphs;
};

// What sizing needs of a file, in font units: the em, the cell (ascent and
// descent, both positive) and the average character width.
struct FileMetrics {
  long long em = 2048;
  long long ascent = 1802;
  long long descent = 246;
  long long averageWidth = 1024;
};
// The boxes drawn without any font file keep the IPA files' proportions.
constexpr FileMetrics kBoxMetrics{};

constexpr int kDefaultHeight = 12;  // CreateFontA's height 0
constexpr int kMaxPixelSize = 1024;

const char* const kInstalledPaths[] = {
    "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf",
    "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf",
    "/usr/share/fonts/opentype/ipafont-mincho/ipam.ttf",
};

// Everything FreeType is done under one lock: FreeType faces are not
// thread-safe, and the lock is only held while glyphs are looked up, not
// while they are drawn. Never destroyed, so a thread still drawing at exit
// finds its faces alive.
struct Registry {
  std::mutex lock;
  FT_Library library = nullptr;
  bool libraryFailed = false;
  std::string paths[3];
  std::set<std::string> badPaths;
  std::map<std::string, FileMetrics> goodPaths;
  std::map<std::tuple<std::string, int, int>, std::unique_ptr<SizedFace>> faces;
};

Registry& TheRegistry() {
  static Registry* registry = new Registry;
  return *registry;
}

int Clamp(long long v, int lo, int hi) { return static_cast<int>(std::clamp<long long>(v, lo, hi)); }
int RoundDiv(long long num, long long den) { return static_cast<int>((num + den / 2) / den); }

// Opens a file the first time it is asked for, to check it and read its
// metrics; null when it cannot be used (it is not tried again).
const FileMetrics* OpenFile(Registry& r, const std::string& path) {
  if (auto it = r.goodPaths.find(path); it != r.goodPaths.end()) return &it->second;
  if (r.badPaths.count(path)) return nullptr;
  if (!r.library && !r.libraryFailed) r.libraryFailed = FT_Init_FreeType(&r.library) != 0;
  FT_Face face = nullptr;
  if (!r.library || FT_New_Face(r.library, path.c_str(), 0, &face) != 0 || !FT_IS_SCALABLE(face)) {
    if (face) FT_Done_Face(face);
    r.badPaths.insert(path);
    return nullptr;
  }
  FileMetrics m;
  if (face->units_per_EM > 0 && face->ascender > 0 && face->descender <= 0) {
    m.em = face->units_per_EM;
    m.ascent = face->ascender;
    m.descent = -face->descender;
    m.averageWidth = m.em / 2;
  }
  if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2)); os2 && os2->xAvgCharWidth > 0)
    m.averageWidth = os2->xAvgCharWidth;
  FT_Done_Face(face);
  return &r.goodPaths.emplace(path, m).first->second;
}

SizedFace* FindSizedFace(Registry& r, const std::string& path, int ppemX, int ppemY) {
  auto key = std::make_tuple(path, ppemX, ppemY);
  auto it = r.faces.find(key);
  if (it != r.faces.end()) return it->second.get();
  auto sized = std::make_unique<SizedFace>();
  sized->path = path;
  sized->ppemX = ppemX;
  sized->ppemY = ppemY;
  if (!path.empty()) {
    if (FT_New_Face(r.library, path.c_str(), 0, &sized->face) != 0) return nullptr;
    if (FT_Set_Pixel_Sizes(sized->face, ppemX, ppemY) != 0) {
      FT_Done_Face(sized->face);
      return nullptr;
    }
  }
  SizedFace* p = sized.get();
  r.faces.emplace(std::move(key), std::move(sized));
  return p;
}

void MakeBox(const SizedFace& sf, char32_t cp, int ascent, Glyph* g) {
  if (cp == kControl) return;
  g->advance = IsHalfWidth(cp) ? std::max(1, sf.ppemX / 2) : sf.ppemX;
  if (cp == 0x20 || cp == 0x3000) return;
  g->width = std::max(1, g->advance - 2);
  g->rows = std::max(1, sf.ppemY - 2);
  g->left = 1;
  g->top = ascent - 1;
  g->bits.assign(static_cast<size_t>(g->width) * g->rows, 0);
  for (int y = 0; y < g->rows; ++y)
    for (int x = 0; x < g->width; ++x)
      if (y == 0 || y == g->rows - 1 || x == 0 || x == g->width - 1)
        g->bits[static_cast<size_t>(y) * g->width + x] = kGlyphInk;
}

void CopyBitmap(const FT_Bitmap& bm, Glyph* g) {
  g->width = static_cast<int>(bm.width);
  g->rows = static_cast<int>(bm.rows);
  g->bits.assign(static_cast<size_t>(g->width) * g->rows, 0);
  for (int y = 0; y < g->rows; ++y) {
    const unsigned char* row = bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch;
    for (int x = 0; x < g->width; ++x) {
      bool on = bm.pixel_mode == FT_PIXEL_MODE_MONO ? (row[x >> 3] >> (7 - (x & 7))) & 1 : row[x] >= 128;
      if (on) g->bits[static_cast<size_t>(y) * g->width + x] = kGlyphInk;
    }
  }
}

const Glyph* GetGlyph(SizedFace& sf, char32_t cp, int boxAscent) {
  auto it = sf.glyphs.find(cp);
  if (it != sf.glyphs.end()) return it->second.get();
  auto g = std::make_unique<Glyph>();
  if (!sf.face) {
    MakeBox(sf, cp, boxAscent, g.get());
  } else if (cp != kControl) {
    FT_UInt index = cp == kMissing ? 0 : FT_Get_Char_Index(sf.face, cp);
    FT_Error err = FT_Load_Glyph(sf.face, index, FT_LOAD_TARGET_MONO);
    if (err && index != 0) err = FT_Load_Glyph(sf.face, 0, FT_LOAD_TARGET_MONO);
    FT_GlyphSlot slot = sf.face->glyph;
    if (!err && slot->format != FT_GLYPH_FORMAT_BITMAP) err = FT_Render_Glyph(slot, FT_RENDER_MODE_MONO);
    if (!err) {
      g->advance = static_cast<int>((slot->advance.x + 32) >> 6);
      g->left = slot->bitmap_left;
      g->top = slot->bitmap_top;
      CopyBitmap(slot->bitmap, g.get());
    } else {
      g->advance = IsHalfWidth(cp) ? sf.ppemX / 2 : sf.ppemX;
    }
  }
  const Glyph* p = g.get();
  sf.glyphs.emplace(cp, std::move(g));
  return p;
}

}  // namespace

struct Font::Impl {
  SizedFace* sized = nullptr;  // owned by the registry, never freed
  int ascent = 0;
  int descent = 0;
};

// --- face names and files --------------------------------------------------------------

IpaFont IpaFontForFace(std::string_view faceCp932, int pitchAndFamily) {
  std::string folded = FoldFaceName(faceCp932);
  IpaFont font = IpaFont::Gothic;
  bool known = false;
  for (const FaceEntry& e : kFaceTable) {
    if (FoldFaceName(e.name) == folded) {
      font = e.font;
      known = true;
      break;
    }
  }
  if (!known && (ContainsAtCharBoundary(folded, "明朝") || ContainsAtCharBoundary(folded, "mincho")))
    font = IpaFont::Mincho;
  int pitch = pitchAndFamily & 3;
  if (pitch == kFixedPitch && font == IpaFont::PGothic) font = IpaFont::Gothic;
  if (pitch == kVariablePitch && font == IpaFont::Gothic) font = IpaFont::PGothic;
  return font;
}

const char* IpaFontName(IpaFont font) {
  switch (font) {
    case IpaFont::Gothic: return "IPAGothic";
    case IpaFont::PGothic: return "IPAPGothic";
    case IpaFont::Mincho: return "IPAMincho";
  }
  return "IPAGothic";
}

std::string IpaFontPath(IpaFont font) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> guard(r.lock);
  const std::string& p = r.paths[static_cast<int>(font)];
  return p.empty() ? kInstalledPaths[static_cast<int>(font)] : p;
}

void SetIpaFontPath(IpaFont font, std::string osPath) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> guard(r.lock);
  r.paths[static_cast<int>(font)] = std::move(osPath);
}

// --- Font ------------------------------------------------------------------------------

Font::Font(const FontDesc& desc) {
  IpaFont wanted = IpaFontForFace(desc.face, desc.pitchAndFamily);
  static const IpaFont kOrder[3][3] = {
      {IpaFont::Gothic, IpaFont::PGothic, IpaFont::Mincho},
      {IpaFont::PGothic, IpaFont::Gothic, IpaFont::Mincho},
      {IpaFont::Mincho, IpaFont::Gothic, IpaFont::PGothic},
  };
  Registry& r = TheRegistry();
  std::vector<std::string> reports;
  auto impl = std::make_shared<Impl>();
  {
    std::lock_guard<std::mutex> guard(r.lock);
    std::string path;
    const FileMetrics* metrics = nullptr;
    std::vector<std::string> failed;
    for (IpaFont f : kOrder[static_cast<int>(wanted)]) {
      const std::string& set = r.paths[static_cast<int>(f)];
      std::string candidate = set.empty() ? kInstalledPaths[static_cast<int>(f)] : set;
      bool triedBefore = r.badPaths.count(candidate) != 0;
      if ((metrics = OpenFile(r, candidate))) {
        path = candidate;
        break;
      }
      if (!triedBefore) failed.push_back(candidate);
    }
    const FileMetrics& m = metrics ? *metrics : kBoxMetrics;

    // GDI's heights: negative is the em, positive the cell.
    long long cellUnits = m.ascent + m.descent;
    int cell, ppemY;
    if (desc.height < 0) {
      ppemY = Clamp(-static_cast<long long>(desc.height), 1, kMaxPixelSize);
      cell = RoundDiv(ppemY * cellUnits, m.em);
    } else {
      cell = Clamp(desc.height == 0 ? kDefaultHeight : desc.height, 1, kMaxPixelSize);
      ppemY = Clamp(RoundDiv(cell * m.em, cellUnits), 1, kMaxPixelSize);
    }
    int ppemX = ppemY;
    if (desc.width != 0)
      ppemX = Clamp(RoundDiv(std::abs(static_cast<long long>(desc.width)) * m.em, m.averageWidth), 1, kMaxPixelSize);
    impl->ascent = RoundDiv(cell * m.ascent, cellUnits);
    impl->descent = cell - impl->ascent;
    impl->sized = FindSizedFace(r, path, ppemX, ppemY);
    if (!impl->sized) impl->sized = FindSizedFace(r, std::string(), ppemX, ppemY);

    std::string instead = path.empty() ? std::string("文字は枠で表示します。")
                                       : "代わりに " + Utf8ToCp932(path) + " で表示します。";
    for (const std::string& bad : failed)
      reports.push_back(Utf8ToCp932(bad) + " のフォントを開けません。" + instead);
  }
  openReports_ = std::move(reports);
  impl_ = std::move(impl);
}

const std::string& Font::FilePath() const {
  static const std::string kNone;
  return impl_ ? impl_->sized->path : kNone;
}

int Font::Ascent() const { return impl_ ? impl_->ascent : 0; }
int Font::Descent() const { return impl_ ? impl_->descent : 0; }
int Font::CellHeight() const { return impl_ ? impl_->ascent + impl_->descent : 0; }

namespace {

// Looks up the glyphs of a text in one go, so the lock is not held while
// they are drawn; cached glyphs never move or change.
void CollectGlyphs(const Font::Impl& impl, std::string_view text, std::vector<const Glyph*>* out) {
  out->clear();
  out->reserve(text.size());
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> guard(r.lock);
  for (size_t i = 0; i < text.size();) {
    char32_t cp;
    i += NextChar(p + i, text.size() - i, &cp);
    out->push_back(GetGlyph(*impl.sized, cp, impl.ascent));
  }
}

int SumAdvances(const std::vector<const Glyph*>& glyphs) {
  long long total = 0;
  for (const Glyph* g : glyphs) total += g->advance;
  return static_cast<int>(std::min<long long>(total, INT_MAX));
}

}  // namespace

TextSize Font::Measure(std::string_view cp932) const {
  if (!impl_) return {};
  std::vector<const Glyph*> glyphs;
  CollectGlyphs(*impl_, cp932, &glyphs);
  return {SumAdvances(glyphs), CellHeight()};
}

int Font::Draw(std::string_view cp932, const MaskView& dst, int x, int y) const {
  if (!impl_) return 0;
  std::vector<const Glyph*> glyphs;
  CollectGlyphs(*impl_, cp932, &glyphs);
  long long pen = x;
  long long baseline = static_cast<long long>(y) + impl_->ascent;
  for (const Glyph* g : glyphs) {
    long long gx = pen + g->left;
    long long gy = baseline - g->top;
    pen += g->advance;
    if (!dst.pixels || g->bits.empty()) continue;
    if (gx >= dst.width || gy >= dst.height || gx + g->width <= 0 || gy + g->rows <= 0) continue;
    int x0 = static_cast<int>(std::max<long long>(0, -gx));
    int x1 = static_cast<int>(std::min<long long>(g->width, dst.width - gx));
    int y0 = static_cast<int>(std::max<long long>(0, -gy));
    int y1 = static_cast<int>(std::min<long long>(g->rows, dst.height - gy));
    for (int row = y0; row < y1; ++row) {
      const uint8_t* src = g->bits.data() + static_cast<size_t>(row) * g->width;
      uint8_t* out = dst.pixels + static_cast<ptrdiff_t>(gy + row) * dst.pitch + (gx + x0);
      for (int col = x0; col < x1; ++col)
        if (src[col]) out[col - x0] = kGlyphInk;
    }
  }
  return static_cast<int>(std::clamp<long long>(pen - x, 0, INT_MAX));
}

TextMask Font::Render(std::string_view cp932) const {
  TextMask mask;
  if (!impl_) return mask;
  TextSize size = Measure(cp932);
  mask.width = size.cx;
  mask.height = size.cy;
  mask.pixels.assign(static_cast<size_t>(mask.width) * mask.height, 0);
  Draw(cp932, MaskView{mask.pixels.data(), mask.width, mask.height, mask.width}, 0, 0);
  return mask;
}

}  // namespace plat
