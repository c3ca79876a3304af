#include "stage/menu_cursor.h"

#include <algorithm>

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

cMenuCursor::cMenuCursor() : m_vecStack(1) { Refresh(); }

void cMenuCursor::Refresh() {
  // The stack is never left empty: a top entry is always there to move.
  if (m_vecStack.empty()) m_vecStack.emplace_back();
  const int n = m_vecStack.Size();
  m_lpCur = &m_vecStack.At(n - 1);
  m_lpPrev = n >= 2 ? &m_vecStack.At(n - 2) : nullptr;
}

void cMenuCursor::Move(int input, int x0, int y0, int dx, int dy, int columns, int rows) {
  if (columns < 0 || rows < 0) return;
  MENUCURSOR& c = *m_lpCur;
  Step(&c.nCol, input & kDirLeft, input & kDirRight, columns);
  Step(&c.nRow, input & kDirUp, input & kDirDown, rows);
  c.nX = x0 + dx * c.nCol;
  c.nY = y0 + dy * c.nRow;
}

void cMenuCursor::MoveList(int input, int vertical, int* top, int pos0, int step, int other, int visible, int total,
                           int page) {
  MENUCURSOR& c = *m_lpCur;
  int32_t& index = vertical ? c.nRow : c.nCol;
  int first = *top;
  if (input & kDirUp) {
    if (index - first < 1) --first;
    --index;
  } else if (input & kDirDown) {
    if (index - first >= visible - 1) ++first;
    ++index;
  }
  if (page) {
    const int jump = visible - 1;
    if (input & kDirRight) {
      if (first == total - visible) {
        index = total - 1;
      } else {
        first += jump;
        index += jump;
      }
    } else if (input & kDirLeft) {
      if (first != 0) {
        first -= jump;
        index -= jump;
      } else {
        index = 0;
      }
    }
  }
  // An empty list leaves index and window at 0.
  index = std::max(0, std::min(index, total - 1));
  first = std::max(0, std::min(first, std::max(0, total - visible)));
  *top = first;
  const int moving = pos0 + step * (index - first);
  if (vertical) {
    c.nY = moving;
    c.nX = other;
  } else {
    c.nX = moving;
    c.nY = other;
  }
}

void cMenuCursor::Reset() {
  m_vecStack.assign(1, MENUCURSOR{});
  Refresh();
}

void cMenuCursor::Push(int mode) {
  const bool copy = mode == 1 && !m_vecStack.empty();
  const MENUCURSOR top = copy ? m_vecStack.At(m_vecStack.Size() - 1) : MENUCURSOR{};
  m_vecStack.push_back(top);
  Refresh();
}

void cMenuCursor::Pop(int mode) {
  const int n = m_vecStack.Size();
  if (n < 2) return;
  const MENUCURSOR removed = m_vecStack.At(n - 1);
  m_vecStack.pop_back();
  MENUCURSOR& now = m_vecStack.At(n - 2);
  if (mode == 0)
    now = MENUCURSOR{};
  else if (mode == 2)
    now = removed;
  Refresh();
}
