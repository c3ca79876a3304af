#include "stage/system_menu.h"

#include <string>

void DrawSystemMenu(const cSystemData& system, cFont& font, DDSURFACEDATA* dst, int x, int y, int start, int count,
                    int cursor) {
  if (count <= 0) return;
  const int w = system.GetSystemMenuWidth(start, count, cursor);
  std::string text;
  for (int i = start; i < start + count; ++i) {
    if (cursor) text += ' ';
    text += system.m_vecText.At(i);
    text += '\n';
  }
  font.DrawWindowText(dst, x, y, w * 16, count * 16, text.c_str());
}
