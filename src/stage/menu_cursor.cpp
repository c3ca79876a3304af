#include "stage/menu_cursor.h"

namespace {
constexpr int kDirLeft = 1, kDirRight = 2, kDirUp = 4, kDirDown = 8;

// One axis: decrement wins over increment; a value outside 0..count-1
// wraps to the other end.
void Step(int32_t* value, bool back, bool forward, int count) {
  if (count == 0) return;
  if (back)
    --*value;
  else if (forward)
    ++*value;
  if (*value < 0)
    *value = count - 1;
  else if (*value >= count)
    *value = 0;
}
}  // namespace

cMenuCursor::cMenuCursor() : m_vecStack(1) { m_lpCur = &m_vecStack.At(0); }

void cMenuCursor::Move(int input, int x0, int y0, int dx, int dy, int columns, int rows) {
  if (columns < 0 || rows < 0) return;
  MENUCURSOR& c = *m_lpCur;
  Step(&c.nCol, input & kDirLeft, input & kDirRight, columns);
  Step(&c.nRow, input & kDirUp, input & kDirDown, rows);
  c.nX = x0 + dx * c.nCol;
  c.nY = y0 + dy * c.nRow;
}

void cMenuCursor::Reset() {
  m_vecStack.assign(1, MENUCURSOR{});
  m_lpCur = &m_vecStack.At(0);
  m_lpPrev = nullptr;
}
