#include "support/sheet_writer.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "graphics/builtin_tables.h"
#include "graphics/bmp_bytes.h"
#include "platform/text.h"

namespace fs = std::filesystem;

namespace {

struct Layout {
  const char* file;
  int width, height, cellWidth, cellHeight;
};

// The sizes the game's drawing takes from each sheet: the character sheet
// in 8 x 16 cells, chara cells mirrored per 32 pixels, shots 8 x 30 cells
// of 16, icons in columns of 15, digits of the word sheet at y 128 and 160,
// the icon letters a to z of every font side by side in the symbol sheet,
// and full-screen pictures.
const Layout kLayouts[] = {
    {"bmp\\Debug.bmp", 128, 256, 8, 16},        {"bmp\\Block.bmp", 320, 480, 32, 32},
    {"bmp\\Character", 256, 256, 32, 32},        {"bmp\\Shot.bmp", 128, 480, 16, 16},
    {"bmp\\Item.bmp", 320, 480, 32, 32},         {"bmp\\Item_Mini.bmp", 320, 240, 16, 16},
    {"bmp\\Mark.bmp", 320, 480, 32, 32},         {"bmp\\Window.bmp", 640, 480, 32, 32},
    {"bmp\\StatusWindow.bmp", 640, 64, 32, 32},  {"bmp\\Title.bmp", 640, 480, 32, 32},
    {"bmp\\GameMode.bmp", 256, 192, 32, 32},     {"bmp\\Accessory.bmp", 128, 64, 16, 16},
    {"bmp\\Symbol.bmp", 832, 32, 16, 16},        {"bmp\\Word.bmp", 320, 192, 32, 32},
    {"bmp\\WorldMapChip.bmp", 160, 320, 32, 32}, {"bmp\\WorldEvent.bmp", 64, 320, 32, 32},
    {"bmp\\WorldBack.bmp", 640, 480, 32, 32},    {"", 640, 480, 32, 32},  // stage backgrounds
};

const Layout& LayoutOf(const std::string& file) {
  for (const Layout& l : kLayouts)
    if (*l.file && file.rfind(l.file, 0) == 0) return l;
  return kLayouts[sizeof(kLayouts) / sizeof(kLayouts[0]) - 1];
}

// 3 x 5 digit glyphs, one row per entry, bit 2 the left column.
const uint8_t kDigits[10][5] = {{7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7},
                                {5, 5, 7, 1, 1}, {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 1, 1},
                                {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7}};

uint32_t Hash24(uint32_t n) { return (n * 0x9E3779B1u) & 0xFFFFFFu; }

void DrawDigit(std::vector<std::vector<uint32_t>>& rows, int x, int y, int d, uint32_t ink) {
  for (int r = 0; r < 5; ++r)
    for (int c = 0; c < 3; ++c)
      if (kDigits[d][r] >> (2 - c) & 1) rows[static_cast<size_t>(y + r)][static_cast<size_t>(x + c)] = ink;
}

// The index in a row when it fits, else stacked, else left out.
void DrawIndex(std::vector<std::vector<uint32_t>>& rows, int x0, int y0, int cw, int ch, int index, uint32_t ink) {
  const std::string digits = std::to_string(index);
  const int n = static_cast<int>(digits.size());
  if (n * 4 - 1 <= cw - 2 && ch >= 7) {
    for (int i = 0; i < n; ++i) DrawDigit(rows, x0 + 1 + 4 * i, y0 + 1, digits[static_cast<size_t>(i)] - '0', ink);
  } else if (cw >= 4 && n * 5 <= ch) {
    for (int i = 0; i < n; ++i) DrawDigit(rows, x0 + 1, y0 + 5 * i, digits[static_cast<size_t>(i)] - '0', ink);
  }
}

std::vector<uint32_t> SheetPalette() {
  std::vector<uint32_t> pal(256);
  pal[0] = kSheetKey;
  for (uint32_t i = 1; i < 255; ++i) pal[i] = Hash24(i);
  pal[255] = kSheetInk;
  return pal;
}

bool WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::error_code ec;
  fs::create_directories(path.parent_path(), ec);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

fs::path OsPath(const std::string& root, const std::string& stored) {
  std::string rel = plat::Cp932ToUtf8(stored);
  for (char& c : rel)
    if (c == '\\') c = '/';
  return fs::path(root) / rel;
}

std::vector<uint8_t> BuildSheet(const BuiltInSheet& s, int bpp) {
  bmptest::Spec spec;
  spec.width = s.width;
  spec.height = s.height;
  spec.bitCount = bpp == 8 ? 8 : 24;
  if (bpp == 8) spec.palette = SheetPalette();
  const uint32_t ink = bpp == 8 ? 255u : kSheetInk;
  spec.rows.assign(static_cast<size_t>(s.height), std::vector<uint32_t>(static_cast<size_t>(s.width)));
  const int cols = s.width / s.cellWidth;
  for (int cy = 0; cy < s.height / s.cellHeight; ++cy) {
    for (int cx = 0; cx < cols; ++cx) {
      const int index = cy * cols + cx;
      const uint32_t color = bpp == 8 ? 1u + static_cast<uint32_t>(index % 254) : SheetCellColor(index);
      for (int y = 0; y < s.cellHeight; ++y)
        for (int x = 0; x < s.cellWidth; ++x)
          spec.rows[static_cast<size_t>(cy * s.cellHeight + y)][static_cast<size_t>(cx * s.cellWidth + x)] = color;
      DrawIndex(spec.rows, cx * s.cellWidth, cy * s.cellHeight, s.cellWidth, s.cellHeight, index, ink);
    }
  }
  return bmptest::Build(spec);
}

// The palette picture: 16 x 24 pixels, rows 0-7 in entry 0 (its top-left
// pixel gives the transparent colour), then the 16 x 16 grid with entry i at
// (i % 16, 8 + i / 16), where the displays without a hardware palette read
// the colours.
std::vector<uint8_t> BuildPaletteFile() {
  bmptest::Spec spec;
  spec.width = 16;
  spec.height = 24;
  spec.bitCount = 8;
  spec.palette = SheetPalette();
  for (uint32_t y = 0; y < 24; ++y) {
    spec.rows.emplace_back();
    for (uint32_t x = 0; x < 16; ++x) spec.rows.back().push_back(y < 8 ? 0 : (y - 8) * 16 + x);
  }
  return bmptest::Build(spec);
}

// The sheet palette as colour set n shows it: sets 0-11 turn rows 1-12
// (entries 16-207) by n rows, sets 12-23 fill them with row n - 11.
std::vector<uint32_t> ColourSetPalette(int n) {
  std::vector<uint32_t> pal = SheetPalette();
  if (n < 12) {
    std::rotate(pal.begin() + 16, pal.begin() + 16 + n * 16, pal.begin() + 208);
  } else {
    const int row = 16 * (n - 11);
    for (int r = 16; r < 208; r += 16)
      if (r != row) std::copy(pal.begin() + row, pal.begin() + row + 16, pal.begin() + r);
  }
  return pal;
}

std::vector<uint8_t> BuildBlendTable(int n) {
  const std::vector<uint32_t> pal = ColourSetPalette(n);
  auto channel = [](uint32_t c, int shift) { return static_cast<int>(c >> shift & 0xFF); };
  std::vector<uint8_t> table(65536);
  for (int under = 0; under < 256; ++under) {
    for (int over = 0; over < 256; ++over) {
      int mean[3];
      for (int k = 0; k < 3; ++k)
        mean[k] = (channel(pal[static_cast<size_t>(under)], 16 - 8 * k) + channel(pal[static_cast<size_t>(over)], 16 - 8 * k)) / 2;
      int best = 0, bestDistance = 1 << 30;
      // Entry 0 is the transparent colour and 255 the ink: never a blend.
      for (int i = 1; i < 255; ++i) {
        int d = 0;
        for (int k = 0; k < 3; ++k) {
          const int diff = channel(pal[static_cast<size_t>(i)], 16 - 8 * k) - mean[k];
          d += diff * diff;
        }
        if (d < bestDistance) {
          bestDistance = d;
          best = i;
        }
      }
      table[static_cast<size_t>(under * 256 + over)] = static_cast<uint8_t>(best);
    }
  }
  return table;
}

}  // namespace

bool WriteBlendTables(const std::string& root, int first, int last) {
  bool ok = true;
  for (int n = std::max(first, 0); n <= std::min(last, 23); ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "bmp\\hbt\\hbt%02d.dat", n);
    ok = WriteFile(OsPath(root, name), BuildBlendTable(n)) && ok;
  }
  return ok;
}

uint32_t SheetCellColor(int index) { return Hash24(1u + static_cast<uint32_t>(index)); }

const std::vector<BuiltInSheet>& BuiltInSheets() {
  static const std::vector<BuiltInSheet> sheets = [] {
    std::vector<BuiltInSheet> out;
    for (int i = 0; i < kBuiltInSurfaceCount; ++i) {
      const std::string file = g_SDDef[i].szFileName;
      if (file.empty() || file == "E" || file == "bmp\\plt\\Palette.bmp") continue;
      bool seen = false;
      for (const BuiltInSheet& s : out) seen = seen || s.file == file;
      if (seen) continue;
      const Layout& l = LayoutOf(file);
      out.push_back({file, l.width, l.height, l.cellWidth, l.cellHeight});
    }
    return out;
  }();
  return sheets;
}

bool WriteBuiltInSheets(const std::string& root, int bpp) {
  bool ok = WriteFile(OsPath(root, "bmp\\plt\\Palette.bmp"), BuildPaletteFile());
  for (const BuiltInSheet& s : BuiltInSheets()) ok = WriteFile(OsPath(root, s.file), BuildSheet(s, bpp)) && ok;
  return ok;
}
