// The world map's rules that need no screen: which entry of a node is
// available, which cell a cursor names, and the cell index of the grid.
#include <gtest/gtest.h>

#include <climits>

#include "frontend/world_map_scene.h"
#include "records/progress_data.h"
#include "records/system_data.h"
#include "records/worldmap_data.h"
#include "stage/menu_cursor.h"

namespace {

class WorldMapRules : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_.m_vecVar = g_Progress.m_vecVar;
    saved_.m_vecWorldFlag = g_Progress.m_vecWorldFlag;
    saved_.m_nTotalScore = g_Progress.m_nTotalScore;
    g_Progress.Reset();
  }
  void TearDown() override {
    g_Progress.m_vecVar = saved_.m_vecVar;
    g_Progress.m_vecWorldFlag = saved_.m_vecWorldFlag;
    g_Progress.m_nTotalScore = saved_.m_nTotalScore;
  }
  cProgressData saved_;
};

// A node with a gated entry first and a plain one behind it: the lookup
// names the gated one exactly when its gate lets it through.
TEST_F(WorldMapRules, TheFirstEntryWhoseFlagVariableAndScoreAllowItIsAvailable) {
  struct Case {
    const char* name;
    int showFlag, flagSet;       // the entry's required flag, and whether the record sets it
    int var, varValue, op, operand;
    int scoreNeeded, total;
    bool gatedAvailable;
  } cases[] = {
      {"no gate", 0, 0, 0, 0, 0, 0, 0, 0, true},
      {"flag not set", 7, 0, 0, 0, 0, 0, 0, 0, false},
      {"flag set", 7, 1, 0, 0, 0, 0, 0, 0, true},
      {"flag past the list is unset", 5000, 0, 0, 0, 0, 0, 0, 0, false},
      {"var == 3", 0, 0, 9, 3, 0, 3, 0, 0, true},
      {"var != 3", 0, 0, 9, 3, 1, 3, 0, 0, false},
      {"var >= 4", 0, 0, 9, 3, 2, 4, 0, 0, false},
      {"var <= 4", 0, 0, 9, 3, 3, 4, 0, 0, true},
      {"var > 3", 0, 0, 9, 3, 4, 3, 0, 0, false},
      {"var < 4", 0, 0, 9, 3, 5, 4, 0, 0, true},
      {"-6 multiple of 3", 0, 0, 9, -6, 6, 3, 0, 0, true},
      {"multiple of 0 always", 0, 0, 9, 5, 6, 0, 0, 0, true},
      {"not a multiple of 0 never", 0, 0, 9, 5, 7, 0, 0, 0, false},
      {"7 not a multiple of 3", 0, 0, 9, 7, 7, 3, 0, 0, true},
      {"INT_MIN multiple of -1", 0, 0, 9, INT_MIN, 6, -1, 0, 0, true},
      {"unknown operator", 0, 0, 9, 3, 8, 3, 0, 0, false},
      {"variable past the list reads 0", 0, 0, 5000, 0, 0, 0, 0, 0, true},
      {"score short", 0, 0, 0, 0, 0, 0, 100, 99, false},
      {"score reached", 0, 0, 0, 0, 0, 0, 100, 100, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    g_Progress.Reset();
    cWorldNodeData node;
    node.m_vecStage.resize(2);
    cWorldStageData& gated = node.m_vecStage.At(0);
    gated.m_nShowFlag = c.showFlag;
    gated.m_nTestVar = c.var;
    gated.m_nTestRelation = c.op;
    gated.m_nTestOperand = c.operand;
    gated.m_nScoreNeeded = c.scoreNeeded;
    if (c.flagSet) g_Progress.m_vecWorldFlag.At(c.showFlag) = 1;
    if (c.var > 0 && c.var < g_Progress.m_vecVar.Size()) g_Progress.m_vecVar.At(c.var) = c.varValue;
    g_Progress.m_nTotalScore = c.total;
    EXPECT_EQ(FindAvailableStage(node), c.gatedAvailable ? 0 : 1);
    // With the plain entry gone, a closed gate leaves the node without one.
    node.m_vecStage.resize(1);
    EXPECT_EQ(FindAvailableStage(node), c.gatedAvailable ? 0 : -1);
  }
}

TEST_F(WorldMapRules, AFlagNumberOutsideTheListCountsAsUnset) {
  g_Progress.m_vecWorldFlag.At(999) = 1;
  EXPECT_EQ(WorldFlagSet(999), 1);
  EXPECT_EQ(WorldFlagSet(0), 1);  // a new run has flag 0 set
  EXPECT_EQ(WorldFlagSet(1000), 0);
  EXPECT_EQ(WorldFlagSet(-1), 0);
}

TEST(WorldMapGrid, FindNodeAtReadsTheCursorsCurrentEntry) {
  cWorldMapData map;
  map.SetSize(10, 8);
  for (int x : {2, 5}) {
    cWorldNodeData node;
    node.m_nX = x;
    node.m_nY = 3;
    map.m_vecNode.push_back(node);
  }
  cMenuCursor cursor;
  cursor.m_lpCur->nCol = 5;
  cursor.m_lpCur->nRow = 3;
  EXPECT_EQ(map.FindNodeAt(cursor), &map.m_vecNode.At(1));
  // A sub-menu's entry on top hides the map position below it.
  cursor.Push(0);
  EXPECT_EQ(map.FindNodeAt(cursor), nullptr);
  cursor.m_lpCur->nCol = 2;
  cursor.m_lpCur->nRow = 3;
  EXPECT_EQ(map.FindNodeAt(cursor), &map.m_vecNode.At(0));
  cursor.Pop(1);
  EXPECT_EQ(map.FindNodeAt(cursor), &map.m_vecNode.At(1));
}

TEST(WorldMapGrid, CellIndexStaysInsideTheGrid) {
  cWorldMapData map;
  map.SetSize(10, 8);  // pitch 16
  ASSERT_EQ(map.m_nPitchShift, 4);
  struct Case {
    int x, y, index;
  } cases[] = {
      {0, 0, 0}, {9, 0, 9}, {3, 2, 3 + 2 * 16}, {9, 7, 9 + 7 * 16},
      {12, 1, 9 + 16},  // x kept inside the row
      {-4, 1, 16},      // from the left too
      {3, 20, 3 + 7 * 16},  // y below the last row
      {3, -2, 3},       // a negative y leaves the row part out
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
    const int index = map.CellIndex(c.x, c.y);
    EXPECT_EQ(index, c.index);
    EXPECT_LT(index, map.m_vecCell.Size());
  }
}

}  // namespace
