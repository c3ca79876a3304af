// Generated stand-ins for the built-in bitmap sheets: every file the
// built-in surface table names, each cell in a colour of its own with its
// index drawn in, so a captured frame shows which cell was drawn.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct BuiltInSheet {
  std::string file;  // as the table stores it (CP932, backslashes)
  int width, height;
  int cellWidth, cellHeight;
};

// One entry per distinct file of the table (work surfaces have none), in
// table order.
const std::vector<BuiltInSheet>& BuiltInSheets();

// The colour of cell `index` as a 24-bit file holds it (0x00RRGGBB). An
// 8-bit file holds cell k in palette entry 1 + k % 254 of that same colour.
uint32_t SheetCellColor(int index);
// The index ink (white) and the transparent colour (black: the top-left
// pixel of "bmp\plt\Palette.bmp").
constexpr uint32_t kSheetInk = 0xFFFFFF;
constexpr uint32_t kSheetKey = 0x000000;

// Writes every sheet under `root` (an OS path) at 8 or 24 bits per pixel;
// the palette bitmap is 8-bit in both variants. False when a file could not
// be written.
bool WriteBuiltInSheets(const std::string& root, int bpp);

// The 24 colour sets of 8-bit DirectDraw: blend table n
// ("bmp\hbt\hbtNN.dat", 65536 bytes) gives, at under x 256 + over, the
// entry of set n's palette nearest to the mean of the two colours. Writes
// sets first..last under `root`; false when a file could not be written.
bool WriteBlendTables(const std::string& root, int first, int last);
