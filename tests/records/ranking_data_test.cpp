#include "records/ranking_data.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A list of `places` places; the first values.size() are taken.
cRankingList MakeList(int highFirst, const std::vector<int>& values, int places = 5) {
  cRankingList list;
  list.m_bHighFirst = highFirst;
  list.m_vecEntry.resize(static_cast<size_t>(places));
  for (size_t i = 0; i < values.size(); ++i) {
    list.m_vecEntry[i].m_bValid = 1;
    list.m_vecEntry[i].m_strName = "p" + std::to_string(i);
    list.m_vecEntry[i].m_nValue = values[i];
  }
  return list;
}

std::vector<int> Values(const cRankingList& list) {
  std::vector<int> v;
  for (const cRankingEntry& e : list.m_vecEntry) v.push_back(e.m_bValid ? e.m_nValue : -1);
  return v;
}

TEST(RankingList, InsertPutsTheValueInRankAndKeepsTheLength) {
  struct Case {
    const char* what;
    int highFirst;
    std::vector<int> before;
    int value;
    int pos;
    std::vector<int> after;  // -1: empty place
  } cases[] = {
      {"higher first: in the middle", 1, {90, 70, 50, 30, 10}, 60, 2, {90, 70, 60, 50, 30}},
      {"higher first: a tie goes after", 1, {90, 70, 50, 30, 10}, 70, 2, {90, 70, 70, 50, 30}},
      {"higher first: beats nobody", 1, {90, 70, 50, 30, 10}, 5, 5, {90, 70, 50, 30, 10}},
      {"higher first: the first empty place", 1, {90, 70}, 1, 2, {90, 70, 1, -1, -1}},
      {"lower first (clear time): a faster time", 0, {100, 200, 300, 400, 500}, 150, 1, {100, 150, 200, 300, 400}},
      {"lower first: a tie goes after", 0, {100, 200, 300, 400, 500}, 100, 1, {100, 100, 200, 300, 400}},
      {"lower first: an empty list", 0, {}, 999, 0, {999, -1, -1, -1, -1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    cRankingList list = MakeList(c.highFirst, c.before);
    EXPECT_EQ(list.FindInsertPos(c.value), c.pos);
    list.Insert("new", c.value);
    EXPECT_EQ(Values(list), c.after);
    if (c.pos < 5) {
      EXPECT_EQ(list.m_vecEntry[static_cast<size_t>(c.pos)].m_strName, "new");
      EXPECT_EQ(list.m_vecEntry[static_cast<size_t>(c.pos)].m_bValid, 1);
    }
  }
}

TEST(RankingList, AListWithoutPlacesStaysEmpty) {
  cRankingList list = MakeList(1, {}, 0);
  EXPECT_EQ(list.FindInsertPos(10), 0);
  list.Insert("new", 10);
  EXPECT_TRUE(list.m_vecEntry.empty());
}

}  // namespace
