#include "stage/menu_cursor.h"

#include <gtest/gtest.h>

#include "services/input.h"

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

TEST(MenuCursor, AHeldDirectionMovesAtOnceThenRepeatsAndWraps) {
  // Player input as the menus read it: the raw direction each frame, then
  // the key repeat of the start-up's setting (18 frames, then every 6).
  constexpr int kDelay = 18, kInterval = 6, kRows = 4, kFrames = 45;
  cInput in;
  in.SetRepeat(kDelay, kInterval);
  cMenuCursor cursor;
  int expectedRow = 0;
  for (int frame = 1; frame <= kFrames; ++frame) {
    in.m_wDir = D;
    in.ApplyRepeat();
    cursor.Move(in.m_wDir, 0, 0, 0, 16, 1, kRows);
    const int held = frame - 1;  // frames the key was already down
    if (frame == 1 || (held >= kDelay && held % kInterval == 0)) expectedRow = (expectedRow + 1) % kRows;
    ASSERT_EQ(cursor.m_lpCur->nRow, expectedRow) << "frame " << frame;
  }
  // Released and pressed again: at once.
  in.m_wDir = 0;
  in.ApplyRepeat();
  in.m_wDir = U;
  in.ApplyRepeat();
  cursor.Move(in.m_wDir, 0, 0, 0, 16, 1, kRows);
  EXPECT_EQ(cursor.m_lpCur->nRow, (expectedRow + kRows - 1) % kRows);
}

TEST(MenuCursor, PushAndPopKeepTheMenuBelowAndThePointersOnTheStack) {
  cMenuCursor cursor;
  // Pop on a one-entry stack changes nothing.
  *cursor.m_lpCur = MENUCURSOR{1, 2, 3, 4};
  cursor.Pop(2);
  ASSERT_EQ(cursor.m_vecStack.size(), 1u);
  EXPECT_EQ(cursor.m_lpCur->nRow, 2);
  EXPECT_EQ(cursor.m_lpPrev, nullptr);

  struct Case {
    const char* what;
    int pushMode, popMode;
    MENUCURSOR wantNewTop;  // after the pop; the sub-menu's entry was {7, 8, 9, 10}
  } cases[] = {
      {"push copy, pop keep", 1, 1, {1, 2, 3, 4}},
      {"push zeroed, pop keep", 0, 1, {1, 2, 3, 4}},
      {"pop zeroing", 1, 0, {0, 0, 0, 0}},
      {"pop taking the sub-menu's entry", 0, 2, {7, 8, 9, 10}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    cMenuCursor m;
    *m.m_lpCur = MENUCURSOR{1, 2, 3, 4};
    m.Push(c.pushMode);
    ASSERT_EQ(m.m_vecStack.size(), 2u);
    EXPECT_EQ(m.m_lpCur, &m.m_vecStack[1]);
    EXPECT_EQ(m.m_lpPrev, &m.m_vecStack[0]);
    EXPECT_EQ(m.m_lpCur->nRow, c.pushMode == 1 ? 2 : 0);
    *m.m_lpCur = MENUCURSOR{7, 8, 9, 10};
    m.Pop(c.popMode);
    ASSERT_EQ(m.m_vecStack.size(), 1u);
    EXPECT_EQ(m.m_lpCur, &m.m_vecStack[0]);
    EXPECT_EQ(m.m_lpPrev, nullptr);
    const MENUCURSOR& top = *m.m_lpCur;
    EXPECT_EQ(top.nCol, c.wantNewTop.nCol);
    EXPECT_EQ(top.nRow, c.wantNewTop.nRow);
    EXPECT_EQ(top.nX, c.wantNewTop.nX);
    EXPECT_EQ(top.nY, c.wantNewTop.nY);
  }

  // Deep stacks move the storage: the pointers follow it.
  for (int i = 0; i < 40; ++i) {
    cursor.Push(1);
    cursor.m_lpCur->nCol = i;
    ASSERT_EQ(cursor.m_lpCur, &cursor.m_vecStack.back());
    ASSERT_EQ(cursor.m_lpPrev, &cursor.m_vecStack[cursor.m_vecStack.size() - 2]);
  }
  cursor.Pop(1);
  EXPECT_EQ(cursor.m_lpCur->nCol, 38);
  EXPECT_EQ(cursor.m_lpPrev, &cursor.m_vecStack[cursor.m_vecStack.size() - 2]);
}

TEST(MenuCursor, ListMovesScrollPageAndStopAtTheEnds) {
  struct Case {
    const char* what;
    int total, visible;
    int index, top;  // before
    int input;
    int wantIndex, wantTop;
  } cases[] = {
      {"down inside the window", 99, 10, 3, 0, D, 4, 0},
      {"down on the window's last row scrolls", 99, 10, 9, 0, D, 10, 1},
      {"up on the window's first row scrolls", 99, 10, 5, 5, U, 4, 4},
      {"down on the last entry stops", 99, 10, 98, 89, D, 98, 89},
      {"up on the first entry stops", 99, 10, 0, 0, U, 0, 0},
      {"paging right from the top moves by visible - 1", 99, 10, 0, 0, R, 9, 9},
      {"paging right on the last window goes to the last entry", 99, 10, 90, 89, R, 98, 89},
      {"paging right near the end stops at the last window", 99, 10, 85, 85, R, 94, 89},
      {"paging left moves back by visible - 1", 99, 10, 12, 9, L, 3, 0},
      {"paging left on the first window goes to the first entry", 99, 10, 6, 0, L, 0, 0},
      {"a list shorter than its window keeps its top at 0", 5, 10, 4, 0, D, 4, 0},
      {"paging in a short list stays on it", 5, 10, 2, 0, R, 4, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (int vertical : {1, 0}) {
      cMenuCursor cursor;
      int32_t& index = vertical ? cursor.m_lpCur->nRow : cursor.m_lpCur->nCol;
      index = c.index;
      int top = c.top;
      cursor.MoveList(c.input, vertical, &top, 100, 16, 40, c.visible, c.total, 1);
      EXPECT_EQ(index, c.wantIndex) << vertical;
      EXPECT_EQ(top, c.wantTop) << vertical;
      const int moving = 100 + 16 * (c.wantIndex - c.wantTop);
      EXPECT_EQ(vertical ? cursor.m_lpCur->nY : cursor.m_lpCur->nX, moving);
      EXPECT_EQ(vertical ? cursor.m_lpCur->nX : cursor.m_lpCur->nY, 40);
    }
  }
  // Without paging, left and right do nothing.
  cMenuCursor cursor;
  cursor.m_lpCur->nRow = 3;
  int top = 0;
  cursor.MoveList(R, 1, &top, 0, 16, 0, 10, 99, 0);
  EXPECT_EQ(cursor.m_lpCur->nRow, 3);
  EXPECT_EQ(top, 0);
}

}  // namespace
