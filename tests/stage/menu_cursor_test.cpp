#include "stage/menu_cursor.h"

#include <gtest/gtest.h>

namespace {

constexpr int L = 1, R = 2, U = 4, D = 8;

TEST(MenuCursor, MoveWrapsWithinTheCountsAndPlacesTheCursor) {
  struct Case {
    const char* what;
    int col, row;  // before
    int input, columns, rows;
    int wantCol, wantRow;
  } cases[] = {
      {"right", 0, 0, R, 3, 2, 1, 0},
      {"left from the first column wraps to the last", 0, 1, L, 3, 2, 2, 1},
      {"right from the last column wraps to the first", 2, 1, R, 3, 2, 0, 1},
      {"left wins over right", 1, 0, L | R, 3, 2, 0, 0},
      {"up wins over down", 0, 1, U | D, 1, 4, 0, 0},
      {"down from the last row wraps to the first", 0, 3, D, 1, 4, 0, 0},
      {"up from the first row wraps to the last", 0, 0, U, 1, 4, 0, 3},
      {"both axes at once", 1, 1, R | D, 3, 4, 2, 2},
      {"a row beyond a shorter list wraps to 0 without input", 0, 6, 0, 1, 4, 0, 0},
      {"an axis with no entries stays", 0, 2, D | R, 0, 0, 0, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    cMenuCursor cursor;
    cursor.m_lpCur->nCol = c.col;
    cursor.m_lpCur->nRow = c.row;
    cursor.Move(c.input, 100, 50, 40, 16, c.columns, c.rows);
    EXPECT_EQ(cursor.m_lpCur->nCol, c.wantCol);
    EXPECT_EQ(cursor.m_lpCur->nRow, c.wantRow);
    EXPECT_EQ(cursor.m_lpCur->nX, 100 + 40 * c.wantCol);
    EXPECT_EQ(cursor.m_lpCur->nY, 50 + 16 * c.wantRow);
  }
}

TEST(MenuCursor, ANegativeCountLeavesEverythingAsItWas) {
  for (int columns : {-1, 2}) {
    cMenuCursor cursor;
    *cursor.m_lpCur = MENUCURSOR{1, 1, 7, 9};
    cursor.Move(R | D, 100, 50, 40, 16, columns, columns == 2 ? -1 : 2);
    EXPECT_EQ(cursor.m_lpCur->nCol, 1);
    EXPECT_EQ(cursor.m_lpCur->nRow, 1);
    EXPECT_EQ(cursor.m_lpCur->nX, 7);
    EXPECT_EQ(cursor.m_lpCur->nY, 9);
  }
}

TEST(MenuCursor, ResetLeavesOneZeroedCurrentEntry) {
  cMenuCursor cursor;
  cursor.m_vecStack.assign(3, MENUCURSOR{2, 3, 4, 5});
  cursor.m_lpCur = &cursor.m_vecStack[2];
  cursor.m_lpPrev = &cursor.m_vecStack[1];
  cursor.Reset();
  ASSERT_EQ(cursor.m_vecStack.size(), 1u);
  EXPECT_EQ(cursor.m_lpCur, &cursor.m_vecStack[0]);
  EXPECT_EQ(cursor.m_lpPrev, nullptr);
  const MENUCURSOR& c = cursor.m_vecStack[0];
  EXPECT_EQ(c.nCol | c.nRow | c.nX | c.nY, 0);
  // The cursor moves from there.
  cursor.Move(D, 0, 0, 0, 16, 1, 3);
  EXPECT_EQ(cursor.m_vecStack[0].nY, 16);
}

}  // namespace
