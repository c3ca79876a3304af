#include "graphics/sheet_text.h"

#include <cstdarg>
#include <string>

#include "graphics/batch.h"
#include "graphics/blit.h"
#include "graphics/display.h"

SheetCell SheetCellOf(unsigned char byte) {
  const int column = byte & 15;
  const int high = byte >> 4;
  if (byte >= 0xA6 && byte <= 0xBF) return {column, high - 10};
  if (byte >= 0xC0 && byte <= 0xDD) return {column, high - 4};
  return {column, high};
}

void DDDrawSheetText(DDSURFACEDATA* dst, int x, int y, int cw, int ch, DDSURFACEDATA* sheet, std::string_view text) {
  DDBeginSpriteBatch(0);
  int offset = 0;
  for (char c : text) {
    if (c == '\n') {
      y += ch;
      offset = 0;
      continue;
    }
    const SheetCell cell = SheetCellOf(static_cast<unsigned char>(c));
    DDBlt(dst, x + offset, y, cw, ch, sheet, cell.column * cw, cell.row * ch, 1);
    offset += cw;
    // Without a display there is no right edge to wrap at.
    if (g_nScreenWidth > 0 && offset >= g_nScreenWidth) {
      y += ch;
      offset = 0;
    }
  }
  DDEndSpriteBatch();
}

void DDDrawSheetTextF(DDSURFACEDATA* dst, int x, int y, int cw, int ch, DDSURFACEDATA* sheet, const char* format,
                      ...) {
  va_list args;
  va_start(args, format);
  std::string text = FormatStringV(format, args);
  va_end(args);
  DDDrawSheetText(dst, x, y, cw, ch, sheet, text);
}

void DDDrawFrameOverlay(DDSURFACEDATA* sheet, const char* text) {
  DDDrawSheetTextF(&BackBuffer, 0, 16, 8, 16, sheet, "%s", text ? text : "");
}
