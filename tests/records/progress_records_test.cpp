#include <gtest/gtest.h>

#include "records/progress_records.h"
#include "records/record_test_types.h"
#include "support/bytes.h"

namespace {

class ProgressRecords : public ::testing::Test {
 protected:
  void SetUp() override {
    g_dwDataVersion = kRecordDataVersion;
    g_bDeleteCR = 0;
  }
};

template <class T>
bool LoadBody(T& r, const ByteBuilder& b, uint32_t version) {
  cRecordReader in(b.Bytes(), "body");
  in.SetVersion(version);
  return r.Load(in) && in.Remaining() == 0;
}

TEST_F(ProgressRecords, StageSaveBodyByVersion) {
  // 778: map flag, x, y, best score; stage file, stage key.
  ByteBuilder now;
  now.I32(4).I32(1).I32(3).I32(-2).I32(5000).I32(2).Str("stg\\a.stg4_778").Str("a.3,-2");
  cStageSave s;
  ASSERT_TRUE(LoadBody(s, now, 778));
  EXPECT_EQ(s.m_bMapFlag, 1);
  EXPECT_EQ(s.m_nMapX, 3);
  EXPECT_EQ(s.m_nMapY, -2);
  EXPECT_EQ(s.m_nBestScore, 5000);
  EXPECT_EQ(s.m_strStageFile, "stg\\a.stg4_778");
  EXPECT_EQ(s.m_strStageKey, "a.3,-2");

  cRecordWriter w;
  s.Save(w);
  EXPECT_EQ(w.Data(), now.Bytes());

  // Below 759: best score and stage file only; the key is the file, no map flag.
  for (uint32_t v : {700u, 758u}) {
    ByteBuilder old;
    old.I32(1).I32(1200).I32(1).Str("b.stg4_700");
    cStageSave o;
    o.m_bMapFlag = 1;
    o.m_nMapX = 4;
    ASSERT_TRUE(LoadBody(o, old, v)) << v;
    EXPECT_EQ(o.m_nBestScore, 1200);
    EXPECT_EQ(o.m_strStageKey, "b.stg4_700");
    EXPECT_EQ(o.m_bMapFlag, 0);
    EXPECT_EQ(o.m_nMapX, 4);  // kept

    cRecordWriter again;
    o.Save(again);
    cStageSave back;
    ASSERT_TRUE(LoadBody(back, ByteBuilder().Append(again.Data()), 778));
    EXPECT_EQ(back.m_strStageKey, "b.stg4_700");
    EXPECT_EQ(back.m_bMapFlag, 0);
  }
  // Version 759 already holds the key.
  ByteBuilder gate;
  gate.I32(4).I32(0).I32(0).I32(0).I32(9).I32(2).Str("f").Str("k");
  cStageSave g;
  ASSERT_TRUE(LoadBody(g, gate, 759));
  EXPECT_EQ(g.m_strStageKey, "k");
}

TEST_F(ProgressRecords, IntPairAndSet) {
  cIntPairData p;
  ByteBuilder b;
  b.I32(2).I32(1).I32(777).I32(0);
  ASSERT_TRUE(LoadBody(p, b, 500));
  EXPECT_EQ(p.m_nFirst, 1);
  EXPECT_EQ(p.m_nSecond, 777);

  cStageSave s;
  s.Set(10, "file", "key", 1, 2, 3);
  EXPECT_EQ(s.m_nBestScore, 10);
  EXPECT_EQ(s.m_strStageFile, "file");
  EXPECT_EQ(s.m_strStageKey, "key");
  EXPECT_EQ(s.m_bMapFlag, 1);
  EXPECT_EQ(s.m_nMapX, 2);
  EXPECT_EQ(s.m_nMapY, 3);
}

TEST_F(ProgressRecords, CharaSaveIsFiveValuesThenTheWholeNestedChara) {
  using cTestCharaSave = cCharaSaveOf<cTestRecord>;
  cTestCharaSave c;
  EXPECT_EQ(c.m_nCarry11, 0);
  c.m_nCarry11 = 11;
  c.m_nCarry12 = 12;
  c.m_nCarry22 = 22;
  c.m_nCarry23 = 23;
  c.m_nCarry24 = 24;
  c.m_Chara.m_strE = "hero";
  c.m_Chara.m_vecItem.resize(1);

  cRecordWriter w;
  c.Save(w);
  cRecordWriter chara;
  c.m_Chara.Save(chara);
  ByteBuilder expected;
  expected.I32(5).I32(11).I32(12).I32(22).I32(23).I32(24).I32(0).Append(chara.Data());
  EXPECT_EQ(w.Data(), expected.Bytes());

  cTestCharaSave back;
  ASSERT_TRUE(LoadBody(back, expected, 778));
  EXPECT_EQ(back.m_nCarry24, 24);
  EXPECT_EQ(back.m_Chara.m_strE, "hero");

  // Copies are deep: changing the copy's chara leaves the source alone.
  cTestCharaSave copy = back;
  copy.m_Chara.m_strE = "other";
  copy.m_Chara.m_vecItem.clear();
  EXPECT_EQ(back.m_Chara.m_strE, "hero");
  EXPECT_EQ(back.m_Chara.m_vecItem.size(), 1u);
}

}  // namespace
