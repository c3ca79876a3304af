#include <gtest/gtest.h>

#include <map>
#include <string>

#include "flow/cmd_param_table.h"

namespace {

bool SameTable(const cCheckedVector<cCheckedVector<PARAMDESC>>& a,
               const cCheckedVector<cCheckedVector<PARAMDESC>>& b) {
  if (a.size() != b.size()) return false;
  for (size_t k = 0; k < a.size(); ++k) {
    if (a[k].size() != b[k].size()) return false;
    for (size_t i = 0; i < a[k].size(); ++i)
      if (a[k][i].m_strName != b[k][i].m_strName || a[k][i].m_nMin != b[k][i].m_nMin ||
          a[k][i].m_nMax != b[k][i].m_nMax)
        return false;
  }
  return true;
}

TEST(CmdParamTable, FortyListsWithTheirCounts) {
  InitCmdParamTable();
  ASSERT_EQ(g_CmdParamTable.Size(), 40);
  // Every kind not named here has an empty list.
  const std::map<int, int> counts = {
      {2, 6},  {5, 6},  {6, 6},  {11, 29}, {12, 4}, {13, 6}, {14, 8}, {15, 7}, {17, 5}, {19, 5},
      {20, 6}, {21, 3}, {22, 2}, {24, 1},  {26, 2}, {29, 5}, {32, 6}, {33, 4}, {34, 1},
  };
  for (int kind = 0; kind < 40; ++kind) {
    auto it = counts.find(kind);
    EXPECT_EQ(g_CmdParamTable.At(kind).Size(), it == counts.end() ? 0 : it->second) << "kind " << kind;
  }
}

TEST(CmdParamTable, EntriesHoldShiftJisNamesAndRanges) {
  InitCmdParamTable();
  // Names written as raw CP932 bytes, independent of how the build converts
  // literals; the second byte of "能" is 0x5C, which a wrong code page breaks.
  struct Case {
    int kind, index;
    std::string name;
    int32_t min, max;
  } cases[] = {
      {11, 27, "\x88\xd0\x97\xcd", -999999, 999999},  // power of a shot
      {6, 0, "\x97\x55\x93\xb1\x90\xab\x94\x5c\x82\xcc\x88\xab\x82\xb3", 0, 10},
      {11, 28, "\x8f\xd5\x8c\x82", -20, 20},  // last entry of the longest list
      {11, 2, "\x83\x74\x83\x48\x81\x5b\x83\x81\x81\x5b\x83\x56\x83\x87\x83\x93\x8c\xc5\x97\x4c\x31", 0,
       2147483647},
      {20, 4, "\x96\xda\x95\x57\x58\x82\xcc\x83\x59\x83\x8c(dot)", -640, 640},
      {33, 3, "%", 0, 100},
  };
  for (const Case& c : cases) {
    const PARAMDESC& d = g_CmdParamTable.At(c.kind).At(c.index);
    EXPECT_EQ(d.m_strName, c.name) << c.kind << "/" << c.index;
    EXPECT_EQ(d.m_nMin, c.min) << c.kind << "/" << c.index;
    EXPECT_EQ(d.m_nMax, c.max) << c.kind << "/" << c.index;
  }
  // The straight and charge moves share one list.
  cCheckedVector<cCheckedVector<PARAMDESC>> twins = {g_CmdParamTable.At(2), g_CmdParamTable.At(5)};
  cCheckedVector<cCheckedVector<PARAMDESC>> once = {g_CmdParamTable.At(2), g_CmdParamTable.At(2)};
  EXPECT_TRUE(SameTable(twins, once));
}

TEST(CmdParamTable, SetWithNullNameGivesEmptyName) {
  PARAMDESC d;
  d.Set("x", 1, 2);
  d.Set(nullptr, -3, 4);
  EXPECT_EQ(d.m_strName, "");
  EXPECT_EQ(d.m_nMin, -3);
  EXPECT_EQ(d.m_nMax, 4);
}

TEST(CmdParamTable, RebuildingRestoresTheTable) {
  InitCmdParamTable();
  const auto fresh = g_CmdParamTable;

  g_CmdParamTable.At(11).At(27).Set("x", 0, 1);     // an entry changed
  g_CmdParamTable.At(12).pop_back();                // a list cut short
  g_CmdParamTable.At(6).emplace_back();             // a list grown
  g_CmdParamTable.At(0).emplace_back();             // an empty kind given an entry
  g_CmdParamTable.resize(45);                       // surplus lists
  InitCmdParamTable();
  EXPECT_TRUE(SameTable(g_CmdParamTable, fresh));

  g_CmdParamTable.resize(3);  // too few lists
  InitCmdParamTable();
  EXPECT_TRUE(SameTable(g_CmdParamTable, fresh));
}

}  // namespace
