#include "stage/system_menu.h"

#include <algorithm>
#include <string>

#include "records/cmd_entry.h"
#include "services/strings.h"

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

namespace {
int LongestEnabledCaption(const cCheckedVector<cCmd>& list) {
  int longest = 0;
  for (const cCmd& c : list)
    if (c.m_bEnable) longest = std::max(longest, GetCharCount(c.m_strCaption));
  return longest;
}
}  // namespace

void DrawCmdMenu(cFont& font, DDSURFACEDATA* dst, int x, int y, const cCheckedVector<cCmd>& list) {
  const int longest = LongestEnabledCaption(list);
  if (longest == 0) return;
  const int rows = cCmd::GetCmdCount(list);
  font.DrawWindow(dst, x, y, (longest + 1) * 16, rows * 16);
  for (int n = 0; n < rows; ++n)
    font.DrawText(dst, x + 16, y + n * 16, list.At(cCmd::GetCmdNum(n, list)).m_strCaption.c_str());
}

int GetCmdMenuLeft(int centreX, const cCheckedVector<cCmd>& list) {
  const int longest = LongestEnabledCaption(list);
  if (longest == 0) return centreX;
  return centreX - (longest + 1) * 16 / 2;
}
