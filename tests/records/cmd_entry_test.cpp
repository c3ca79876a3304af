#include <gtest/gtest.h>

#include "records/cmd_entry.h"
#include "support/bytes.h"

namespace {

cCheckedVector<cCmd> Entries(std::initializer_list<int> enabled) {
  cCheckedVector<cCmd> list;
  for (int e : enabled) list.emplace_back(e, "x");
  return list;
}

TEST(CmdEntry, NewEntryIsEnabledWithAnEmptyCaption) {
  cCmd c;
  EXPECT_EQ(c.m_bEnable, 1);
  EXPECT_EQ(c.m_strCaption, "");
}

TEST(CmdEntry, CountAndRowToEntryIndex) {
  struct Case {
    std::initializer_list<int> enabled;
    int count;
    std::vector<std::pair<int, int>> rowToIndex;
  };
  const Case cases[] = {
      {{1, 0, 1, 1}, 3, {{0, 0}, {1, 2}, {2, 3}, {3, 0}, {-1, 0}}},
      {{}, 0, {{0, 0}, {1, 0}, {-1, 0}}},
      {{0, 0, 0}, 0, {{0, 0}, {2, 0}}},
      {{0, 5, 0, -1}, 2, {{0, 1}, {1, 3}, {2, 0}}},  // any nonzero flag enables
  };
  for (const Case& c : cases) {
    cCheckedVector<cCmd> list = Entries(c.enabled);
    EXPECT_EQ(cCmd::GetCmdCount(list), c.count);
    for (auto [row, index] : c.rowToIndex) EXPECT_EQ(cCmd::GetCmdNum(row, list), index) << "row " << row;
  }
}

TEST(CmdEntry, BodyIsOneFieldAndOneString) {
  g_dwDataVersion = kRecordDataVersion;
  cCmd c(1, "");
  cRecordWriter w;
  c.Save(w);
  ByteBuilder expected;
  expected.I32(1).I32(1).I32(1).U32(1);
  EXPECT_EQ(w.Data(), expected.Bytes()) << HexBytes(w.Data());

  ByteBuilder file;
  file.I32(1).I32(0).I32(1).Str("メニュー");
  cRecordReader in(file.Bytes(), "cmd");
  in.SetVersion(100);  // no version gates
  cCmd read;
  ASSERT_TRUE(read.Load(in));
  EXPECT_EQ(read.m_bEnable, 0);
  EXPECT_EQ(read.m_strCaption, "メニュー");
}

}  // namespace
