#include <gtest/gtest.h>

#include <cstring>

#include "flow/flow_words.h"

namespace {

TEST(FlowWords, CommandParameterCounts) {
  EXPECT_EQ(FindCmdName(0, 0)->m_nParamCount, 0);
  EXPECT_EQ(FindCmdName(0, 19)->m_nParamCount, 18);
  EXPECT_EQ(FindCmdName(1, 4)->m_nParamCount, 18);
  EXPECT_EQ(FindCmdName(1, 1)->m_nParamCount, 2);
  EXPECT_EQ(FindCmdName(0, 10)->m_nParamCount, 5);
  EXPECT_EQ(FindCmdName(0, 21)->m_nParamCount, 16);
  EXPECT_EQ(FindCmdName(0, 32)->m_nParamCount, 15);
  EXPECT_EQ(FindCmdName(0, 39)->m_nParamCount, 2);
  // Item kinds 2..24 are chara kinds 17..39, name and count.
  for (int k = 2; k < kItemCmdCount; ++k) {
    EXPECT_STREQ(g_ItemCmdName[k].m_szName, g_CharaCmdName[k + kItemKindOffset].m_szName) << k;
    EXPECT_EQ(g_ItemCmdName[k].m_nParamCount, g_CharaCmdName[k + kItemKindOffset].m_nParamCount) << k;
  }
  int total = 0;
  for (const CMDNAME& c : g_CharaCmdName) total += c.m_nParamCount;
  EXPECT_EQ(total, 1 + 5 + 4 + 9 + 1 + 18 + 16 + 18 + 3 + 3 + 2 + 3 + 1 + 1 + 8 + 3 + 3 + 15 + 8 + 2 + 1 + 2 + 5 + 2);
  EXPECT_EQ(std::strlen(g_CharaCmdName[0].m_szName), 0u);
}

TEST(FlowWords, KindsOutsideTheTablesHaveNoEntry) {
  for (auto [category, kind] : {std::pair{0, 40}, {0, -1}, {1, 25}, {1, -1}, {2, 0}, {-1, 0}})
    EXPECT_EQ(FindCmdName(category, kind), nullptr) << category << "/" << kind;
}

TEST(FlowWords, RunCodeWordSearchStopsAtTheEmptyEntry) {
  EXPECT_EQ(FindRunCodeWord(g_RunCodeFunctions, "rand"), 0);
  EXPECT_EQ(FindRunCodeWord(g_RunCodeObjects, "tg3"), 4);
  EXPECT_EQ(FindRunCodeWord(g_RunCodeObjects, "sys"), 7);
  EXPECT_EQ(FindRunCodeWord(g_RunCodeVariables, "S"), 1);
  EXPECT_EQ(FindRunCodeWord(g_RunCodeMembers, "getsc"), 21);
  EXPECT_EQ(FindRunCodeWord(g_RunCodeSystemValues, "life"), 4);
  EXPECT_EQ(FindRunCodeWord(g_RunCodeSystemValues, ""), -1);
  EXPECT_EQ(FindRunCodeWord(g_RunCodeMembers, "v9"), -1);
  EXPECT_EQ(FindRunCodeOperator("="), 0);
  EXPECT_EQ(g_RunCodeOperators[FindRunCodeOperator("%")].m_nPrecedence, 0);
  EXPECT_EQ(g_RunCodeOperators[FindRunCodeOperator("-")].m_nPrecedence, 1);
  EXPECT_EQ(FindRunCodeOperator("^"), -1);
}

}  // namespace
