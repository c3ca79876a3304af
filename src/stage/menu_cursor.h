// The menu cursor: one stack of cursor positions shared by every menu
// (title, options, world map, world-map menu, challenge select, pause
// menu). A sub-menu works on a new top entry, so the menu below keeps its
// own position.
#pragma once
#include <cstdint>

#include "records/checked.h"

// One cursor position; x and y are recomputed by every move.
struct MENUCURSOR {
  int32_t nCol = 0;
  int32_t nRow = 0;
  int32_t nX = 0;
  int32_t nY = 0;
};

class cMenuCursor {
 public:
  // Exactly one zeroed entry, current; no previous entry.
  cMenuCursor();
  // The pointers point into the stack: a copy would share them.
  cMenuCursor(const cMenuCursor&) = delete;
  cMenuCursor& operator=(const cMenuCursor&) = delete;

  // Grid move by the direction bits of an input (1 left, 2 right, 4 up,
  // 8 down; left wins over right, up over down), wrapping within the
  // counts; then x = x0 + dx * column and y = y0 + dy * row. Nothing when a
  // count is negative; an axis with a count of 0 does not move.
  void Move(int input, int x0, int y0, int dx, int dy, int columns, int rows);
  // A scrolled list without wrap-around. The index is the row of a
  // vertical list, else the column; `top` (the caller's) is the first
  // visible index. Up and down step the index, scrolling the window at its
  // edges; with `page`, right and left move the window and the index by
  // visible - 1 (right on the last window goes to the last entry, left on
  // the first to the first). The index then stays within the list and the
  // window within max(0, total - visible). The moving coordinate becomes
  // pos0 + step * (index - top), the other one `other`.
  void MoveList(int input, int vertical, int* top, int pos0, int step, int other, int visible, int total, int page);
  // Leaves exactly one zeroed entry and makes it current.
  void Reset();
  // A new top entry: zeroed, or with mode 1 a copy of the old top.
  void Push(int mode);
  // Drops the top entry unless it is the only one; the new top is then
  // zeroed (mode 0), kept (1) or given the dropped entry's values (2).
  void Pop(int mode);

  MENUCURSOR* m_lpCur = nullptr;   // the top entry
  MENUCURSOR* m_lpPrev = nullptr;  // the entry below it, or null
  cCheckedVector<MENUCURSOR> m_vecStack;  // bottom first

 private:
  // The pointers after the stack changed size (it may have moved).
  void Refresh();
};

extern cMenuCursor g_Cursor;
