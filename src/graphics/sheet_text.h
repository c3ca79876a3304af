// Text drawn from a character sheet: 16 columns of fixed-size cells, one
// cell per byte (half-width katakana folded into the rows the sheet has
// free), continuing on the next row at the display's right edge.
#pragma once
#include <string_view>

#include "graphics/surface.h"
#include "services/log.h"

// The sheet cell (column, row) of one byte.
struct SheetCell {
  int column;
  int row;
};
SheetCell SheetCellOf(unsigned char byte);

void DDDrawSheetText(DDSURFACEDATA* dst, int x, int y, int cw, int ch, DDSURFACEDATA* sheet, std::string_view text);
// Formats first; the text may be of any length.
void DDDrawSheetTextF(DDSURFACEDATA* dst, int x, int y, int cw, int ch, DDSURFACEDATA* sheet, const char* format,
                      ...) T4_PRINTF(7, 8);

// The frame pacer's overlay: the text on the back buffer at (0, 16) in
// 8 x 16 cells of the character sheet.
void DDDrawFrameOverlay(DDSURFACEDATA* sheet, const char* text);
