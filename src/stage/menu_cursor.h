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
  // Leaves exactly one zeroed entry and makes it current.
  void Reset();

  MENUCURSOR* m_lpCur = nullptr;   // the top entry
  MENUCURSOR* m_lpPrev = nullptr;  // the entry below it, or null
  cCheckedVector<MENUCURSOR> m_vecStack;  // bottom first
};

extern cMenuCursor g_Cursor;
