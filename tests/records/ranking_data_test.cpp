#include "records/ranking_data.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/bytes.h"
#include "support/temp_folder.h"

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

// ---- number texts ----------------------------------------------------------

// One part of a time: its own "-" when negative, then two digits at least.
std::string TimePart(int v) {
  std::string digits = std::to_string(std::abs(static_cast<long long>(v)));
  if (digits.size() < 2) digits.insert(0, 2 - digits.size(), '0');
  return (v < 0 ? "-" : "") + digits;
}

TEST(RankingText, FormatTimeIsMinutesSecondsHundredths) {
  EXPECT_EQ([] { std::string t; FormatTime(t, 12345); return t; }(), "02:03.45");
  for (int v : {0, 1, 99, 100, 5999, 6000, 12345, 360000, 599999, 6000 * 123, -12345, -5, INT_MAX, INT_MIN}) {
    SCOPED_TRACE(v);
    std::string t;
    FormatTime(t, v);
    EXPECT_EQ(t, TimePart(v / 6000) + ":" + TimePart((v / 100) % 60) + "." + TimePart(v % 100));
  }
}

TEST(RankingText, FormatNumberWidthPaddingAndSign) {
  struct Case {
    int value, width, zeroPad, sign;
    const char* want;
  } cases[] = {
      {5, 3, 0, 0, "  5"},        {5, 3, 1, 0, "005"},   {0, 3, 0, 0, "  0"},
      {7, 2, 1, 0, "07"},         {-42, 4, 1, 0, "-0042"}, {-42, 4, 0, 0, "-  42"},
      {42, 0, 0, 1, "+42"},       {0, 0, 0, 1, "0"},     {1234, 2, 0, 0, "1234"},
      {INT_MIN, 0, 0, 0, "-2147483648"}, {INT_MAX, 0, 0, 1, "+2147483647"}, {3, -4, 0, 0, "3"},
  };
  for (const Case& c : cases) {
    std::string out = "old";
    FormatNumber(out, c.value, c.width, c.zeroPad, c.sign);
    EXPECT_EQ(out, c.want) << c.value << " width " << c.width;
  }
  for (int v : {0, 9, 10, -10, 99999, INT_MAX, INT_MIN})
    EXPECT_EQ(GetDigitCount(v), static_cast<int>(std::to_string(std::abs(static_cast<long long>(v))).size())) << v;
  EXPECT_EQ(CountValue({-1, 3, -1, -1, 0}, -1), 3);
  EXPECT_EQ(CountValue({}, 0), 0);
}

// ---- ranking files --------------------------------------------------------------

struct ListBytes {
  int highFirst;
  std::vector<std::pair<std::string, int>> entries;  // all valid
};

// A ranking file written byte by byte: version, the empty body of the
// ranking, the lists with their order flag and places.
std::vector<uint8_t> RankingFile(uint32_t version, const std::vector<ListBytes>& lists) {
  ByteBuilder b;
  b.U32(version).I32(0).I32(0).U32(static_cast<uint32_t>(lists.size()));
  for (const ListBytes& l : lists) {
    b.I32(1).I32(l.highFirst).I32(0).U32(static_cast<uint32_t>(l.entries.size()));
    for (const auto& [name, value] : l.entries) b.I32(2).I32(1).I32(value).I32(1).Str(name);
  }
  return b.Bytes();
}

class RankingFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    g_dwDataVersion = kRecordDataVersion;
    ASSERT_TRUE(dir_.MakeDir("user_data"));
    ASSERT_TRUE(dir_.MakeDir("user_data/story"));
    ASSERT_TRUE(dir_.MakeDir("user_data/challenge"));
  }
  // The story ranking of town. at (5, 12).
  std::string StoryFile() const { return dir_ / "user_data/story/town_c005_12.rkg"; }
  bool Load(cRankingData& r) { return LoadRanking(r, 0, "data\\stg4\\town.", 1, 5, 12); }

  t4test::TempFolder dir_{true};
};

void ExpectFullShape(const cRankingData& r) {
  ASSERT_EQ(r.m_vecList.Size(), 5);
  for (const cRankingList& l : r.m_vecList) EXPECT_EQ(l.m_vecEntry.Size(), 20);
}

TEST_F(RankingFiles, AShortFileComesBackAsFiveListsOfTwentyPlaces) {
  struct Case {
    uint32_t version;
    std::vector<ListBytes> lists;
    std::vector<int> highFirst;
  } cases[] = {
      // Three lists in an old file: lists 3 and 4 are added with their order.
      {150, {{1, {{"abc", 900}, {"def", 400}}}, {1, {}}, {0, {{"ghi", 3000}}}}, {1, 1, 0, 1, 1}},
      // Old files ranked lists 3 and 4 the other way.
      {180, {{1, {}}, {1, {}}, {0, {}}, {0, {}}, {0, {}}}, {1, 1, 0, 1, 1}},
      {778, {{1, {{"abc", 900}, {"def", 400}}}, {1, {}}, {0, {{"ghi", 3000}}}, {0, {}}, {0, {}}}, {1, 1, 0, 0, 0}},
      {778, {}, {1, 1, 0, 1, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "version " << c.version << ", " << c.lists.size() << " lists");
    ASSERT_TRUE(ByteBuilder().Append(RankingFile(c.version, c.lists)).WriteTo(StoryFile()));
    cRankingData r;
    r.m_vecList.resize(2);  // whatever the record held before
    ASSERT_TRUE(Load(r));
    ExpectFullShape(r);
    for (int k = 0; k < 5; ++k) EXPECT_EQ(r.m_vecList.At(k).m_bHighFirst, c.highFirst[static_cast<size_t>(k)]) << k;
    if (!c.lists.empty() && !c.lists[0].entries.empty()) {
      EXPECT_EQ(r.m_vecList.At(0).m_vecEntry.At(1).m_strName, "def");
      EXPECT_EQ(r.m_vecList.At(0).m_vecEntry.At(1).m_nValue, 400);
      EXPECT_EQ(r.m_vecList.At(0).m_vecEntry.At(2).m_bValid, 0);
    }
    // A new result then ranks in the list as in any other.
    r.m_vecList.At(0).Insert("new", 500);
    EXPECT_EQ(r.m_vecList.At(0).m_vecEntry.Size(), 20);
  }
}

TEST_F(RankingFiles, ClearTimesRankSmallestFirstAndSurviveTheFile) {
  cRankingData r;
  r.SetDefault();
  ExpectFullShape(r);
  cRankingList& times = r.m_vecList.At(2);
  for (int t : {4500, 12345, 3000, 3000, 99999}) times.Insert("p", t);
  ASSERT_TRUE(SaveRanking(r, 0, "data\\stg4\\town.", 1, 5, 12));

  cRankingData back;
  ASSERT_TRUE(Load(back));
  std::vector<int> got;
  for (const cRankingEntry& e : back.m_vecList.At(2).m_vecEntry)
    if (e.m_bValid) got.push_back(e.m_nValue);
  EXPECT_EQ(got, (std::vector<int>{3000, 3000, 4500, 12345, 99999}));
  EXPECT_EQ(back.m_vecList.At(2).m_bHighFirst, 0);
}

TEST_F(RankingFiles, ARankingThatCannotBeReadStartsEmpty) {
  // A full file, then the same cut short.
  std::vector<ListBytes> lists(5, ListBytes{1, {{"abc", 10}}});
  std::vector<uint8_t> whole = RankingFile(778, lists);
  std::vector<uint8_t> cut(whole.begin(), whole.end() - 6);
  struct Case {
    const char* what;
    int mode;
    const std::vector<uint8_t>* bytes;  // null: no file
  } cases[] = {
      {"no file", 0, nullptr},
      {"a file cut short", 0, &cut},
      {"replay mode has no ranking file", 3, &whole},
      {"a negative mode", -1, &whole},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ::unlink(StoryFile().c_str());
    if (c.bytes) { ASSERT_TRUE(ByteBuilder().Append(*c.bytes).WriteTo(StoryFile())); }
    cRankingData r;
    r.SetDefault();
    r.m_vecList.At(0).Insert("old", 5);
    r.m_vecList.At(3).m_bHighFirst = 0;
    EXPECT_FALSE(LoadRanking(r, c.mode, "data\\stg4\\town.", 1, 5, 12));
    ExpectFullShape(r);
    for (const cRankingList& l : r.m_vecList)
      for (const cRankingEntry& e : l.m_vecEntry) EXPECT_EQ(e.m_bValid, 0);
    EXPECT_EQ(r.m_vecList.At(3).m_bHighFirst, 1);
    EXPECT_EQ(r.m_vecList.At(2).m_bHighFirst, 0);
  }
  // Mode 3 cannot be saved either.
  cRankingData r;
  EXPECT_FALSE(SaveRanking(r, 3, "data\\stg4\\town.", 0, 0, 0));
}

}  // namespace
