#include <gtest/gtest.h>

#include "flow/cond_list.h"
#include "flow/ed_move.h"
#include "flow/flow_test_io.h"
#include "support/bytes.h"

namespace {

class CondMoveTest : public ::testing::Test {
 protected:
  void SetUp() override { g_dwDataVersion = kRecordDataVersion; }
};

// --- cCond ---------------------------------------------------------------------

TEST_F(CondMoveTest, CondBodyAt778FollowsTheFieldTable) {
  ByteBuilder b;
  b.I32(17).U8(4).I32(-5).I32(1).I32(9).U8(2).U8(3).U8(1).U8(1).I16(-7);
  b.U8(2).U8(4).U8(5).U8(1).I16(300).U8(6).U8(1).U8(3).I32(0);
  ASSERT_EQ(b.Size(), 36u);
  cCond c;
  ASSERT_TRUE(ReadBody(c, b.Bytes()));
  EXPECT_EQ(c.m_byKind, 4);
  EXPECT_EQ(c.m_nConst, -5);
  EXPECT_EQ(c.m_nRandMin, 1);
  EXPECT_EQ(c.m_nRandMax, 9);
  EXPECT_EQ(c.m_byTarget, 2);
  EXPECT_EQ(c.m_byStatus, 3);
  EXPECT_EQ(c.m_sVarIndex, -7);
  EXPECT_EQ(c.m_byRightStatus, 5);
  EXPECT_EQ(c.m_sRightVarIndex, 300);
  EXPECT_EQ(c.m_byRelation, 6);
  EXPECT_EQ(c.m_bPercent, 1);
  EXPECT_EQ(c.m_byDistanceMode, 3);
  EXPECT_EQ(BodyBytes(c), b.Bytes());
}

TEST_F(CondMoveTest, CondOfVersion100DropsTheTwoOldShortsAndUpgrades) {
  // kind, constant, two obsolete shorts, relation, percent, distance mode.
  ByteBuilder b;
  b.I32(7).U8(2).I32(123).I16(0x1111).I16(0x2222).U8(3).U8(1).U8(4).I32(0);
  cCond c;
  ASSERT_TRUE(ReadBody(c, b.Bytes(), 100));
  EXPECT_EQ(c.m_byKind, 2);
  EXPECT_EQ(c.m_nConst, 123);
  EXPECT_EQ(c.m_byRelation, 3);
  EXPECT_EQ(c.m_bPercent, 1);
  EXPECT_EQ(c.m_byDistanceMode, 4);
  EXPECT_EQ(c.m_nRandMin, 0);
  EXPECT_EQ(c.m_byTarget, 0);
  EXPECT_EQ(c.m_sVarIndex, 0);
  // Before version 43 the percent flag is not in the file either.
  ByteBuilder old;
  old.I32(6).U8(1).I32(5).I16(0).I16(0).U8(2).U8(6).I32(0);
  cCond o;
  ASSERT_TRUE(ReadBody(o, old.Bytes(), 42));
  EXPECT_EQ(o.m_byRelation, 2);
  EXPECT_EQ(o.m_bPercent, 0);
  EXPECT_EQ(o.m_byDistanceMode, 6);
}

TEST_F(CondMoveTest, CondOfVersion110HasEveryOperandAndIsUpgraded) {
  // A status test of the system (then target 2) comparing with a variable.
  ByteBuilder b;
  b.I32(17).U8(4).I32(8).I32(0).I32(0).U8(2).U8(12).U8(0).U8(0).I16(0);
  b.U8(3).U8(0).U8(0).U8(1).I16(42).U8(2).U8(0).U8(0).I32(0);
  cCond c;
  ASSERT_TRUE(ReadBody(c, b.Bytes(), 110));
  EXPECT_EQ(c.m_byKind, 4);
  EXPECT_EQ(c.m_byTarget, 5);   // the system moved behind link slots 2..4
  EXPECT_EQ(c.m_byStatus, 12);  // the system's items were not renumbered
  EXPECT_EQ(c.m_byRightSource, 3);
  EXPECT_EQ(c.m_byRightVarKind, 1);
  EXPECT_EQ(c.m_sRightVarIndex, 42);
  EXPECT_EQ(c.m_byRelation, 2);
}

struct CondUpgradeCase {
  const char* what;
  uint32_t version;
  cCond in;
  cCond want;
};

cCond MakeCond(int kind, int target, int status, int relation, int leftSource = 0, int rightSource = 0,
               int rightTarget = 0, int rightStatus = 0) {
  cCond c;
  c.m_byKind = BYTE(kind);
  c.m_byTarget = BYTE(target);
  c.m_byStatus = BYTE(status);
  c.m_byRelation = BYTE(relation);
  c.m_byLeftSource = BYTE(leftSource);
  c.m_byRightSource = BYTE(rightSource);
  c.m_byRightTarget = BYTE(rightTarget);
  c.m_byRightStatus = BYTE(rightStatus);
  return c;
}

TEST_F(CondMoveTest, CondUpgradesByVersion) {
  const CondUpgradeCase cases[] = {
      // kind 5 became distance (7); its target is then cleared and its operands set.
      {"v159 kind 5", 159, MakeCond(5, 3, 0, 0, 2), MakeCond(7, 0, 0, 0, 0, 1, 1)},
      {"v160 kind 6 status 2 inverts", 160, MakeCond(6, 0, 2, 0), MakeCond(6, 0, 2, 1)},
      {"v161 kind 6 kept", 161, MakeCond(6, 0, 2, 0), MakeCond(6, 0, 2, 0)},
      {"v167 status 10 shifts twice", 167, MakeCond(4, 0, 10, 0, 0, 2, 0, 12), MakeCond(4, 0, 12, 0, 0, 2, 0, 14)},
      {"v167 system untouched, then moved", 167, MakeCond(4, 2, 10, 0), MakeCond(4, 5, 10, 0)},
      {"v202 status 5", 202, MakeCond(4, 1, 5, 0), MakeCond(4, 1, 6, 0)},
      {"v209 kind 5 status 6", 209, MakeCond(5, 0, 6, 0), MakeCond(5, 0, 7, 0)},
      {"v656 distance target", 656, MakeCond(7, 3, 0, 1, 2, 0, 0), MakeCond(7, 0, 0, 1, 0, 1, 1)},
      {"v745 distance keeps left", 745, MakeCond(7, 3, 0, 1, 2, 0, 0), MakeCond(7, 3, 0, 1, 2, 1, 1)},
      {"v766 system target", 766, MakeCond(4, 2, 1, 0, 0, 2, 3, 1), MakeCond(4, 5, 1, 0, 0, 2, 6, 1)},
      {"v766 kind 5 target 1 kept", 766, MakeCond(5, 1, 1, 0), MakeCond(5, 1, 1, 0)},
      {"v767 nothing", 767, MakeCond(4, 2, 1, 0, 0, 2, 3, 1), MakeCond(4, 2, 1, 0, 0, 2, 3, 1)},
  };
  for (const CondUpgradeCase& k : cases) {
    cCond in = k.in;
    cCond got;
    ASSERT_TRUE(ReadBody(got, BodyBytes(in, k.version), k.version)) << k.what;
    cCond want = k.want;
    EXPECT_EQ(BodyBytes(got), BodyBytes(want)) << k.what;
  }
}

// --- cCondList -----------------------------------------------------------------

TEST_F(CondMoveTest, CondListStoresUseFlagThenModeThenConditions) {
  cCondList empty;
  EXPECT_EQ(BodyBytes(empty).size(), 14u);

  ByteBuilder b;
  b.I32(2).U8(1).U8(0).I32(0).I32(1);
  cCond blank;
  b.Append(BodyBytes(blank));
  cCondList l;
  ASSERT_TRUE(ReadBody(l, b.Bytes()));
  EXPECT_EQ(l.m_bUse, 1);
  EXPECT_EQ(l.m_byMode, 0);
  ASSERT_EQ(l.m_vecCond.size(), 1u);
  EXPECT_EQ(BodyBytes(l), b.Bytes());
}

TEST_F(CondMoveTest, CondListHoldsItsConditionsFromVersion766) {
  cCondList l;
  l.m_bUse = 1;
  l.m_byMode = 1;
  l.m_vecCond.resize(2);
  l.m_vecCond[1].m_byKind = 3;

  std::vector<uint8_t> at765 = BodyBytes(l, 765);
  EXPECT_EQ(at765.size(), 14u - 4u);
  cCondList old;
  ASSERT_TRUE(ReadBody(old, at765, 765));
  EXPECT_EQ(old.m_bUse, 1);
  EXPECT_EQ(old.m_byMode, 1);
  EXPECT_TRUE(old.m_vecCond.empty());

  cCondList now;
  ASSERT_TRUE(ReadBody(now, BodyBytes(l, 766), 766));
  ASSERT_EQ(now.m_vecCond.size(), 2u);
  EXPECT_EQ(now.m_vecCond[1].m_byKind, 3);
}

TEST_F(CondMoveTest, CondListCountBeyondTheBytesLeftFails) {
  ByteBuilder b;
  b.I32(2).U8(1).U8(0).I32(0).U32(0xFFFFFFFF);
  cCondList l;
  EXPECT_FALSE(ReadBody(l, b.Bytes()));
  b = ByteBuilder();
  b.I32(2).U8(1).U8(0).I32(0).I32(1000);
  EXPECT_FALSE(ReadBody(l, b.Bytes()));
}

// --- cEdMove -------------------------------------------------------------------

TEST_F(CondMoveTest, MoveSettingsDefaultsAndBodyOf61Bytes) {
  cPartHolder<cEdMove> h;
  CreateEdMove(h);
  ASSERT_TRUE(h);
  h->m_sSpeed = 99;
  h->m_bMirrorAngle = 0;
  // A second call replaces the settings by fresh ones.
  EXPECT_EQ(CreateEdMove(h), 1);
  const cEdMove& m = *h;
  EXPECT_EQ(m.m_bMirrorAngle, 1);
  EXPECT_EQ(m.m_bUseX, 1);
  EXPECT_EQ(m.m_bUseY, 1);
  EXPECT_EQ(m.m_bStopAtTarget, 1);
  EXPECT_EQ(m.m_bFlipX, 1);
  EXPECT_EQ(m.m_bFlipY, 0);
  EXPECT_EQ(m.m_bReverseWithFacing, 1);
  EXPECT_EQ(m.m_bHaltWhenArrived, 0);
  EXPECT_EQ(m.m_sSpeed, 10);
  EXPECT_EQ(m.m_dTurnBackFactor, 1.0);
  EXPECT_EQ(m.m_byTargetSlot, 0);
  EXPECT_EQ(BodyBytes(*h).size(), 61u);
}

TEST_F(CondMoveTest, MoveSettingsBodyFollowsTheFieldTable) {
  // Field k (1-based) holds k, the double 2.5.
  ByteBuilder b;
  b.I32(33);
  const char widths[] = "bbssbbbssssbbbbbbbbbbssssbssbsdbb";
  for (int k = 1; widths[k - 1]; ++k) {
    switch (widths[k - 1]) {
      case 'b': b.U8(uint8_t(k)); break;
      case 's': b.I16(int16_t(-k)); break;
      case 'd': b.F64(2.5); break;
    }
  }
  b.I32(0);
  ASSERT_EQ(b.Size(), 61u);
  cEdMove m;
  ASSERT_TRUE(ReadBody(m, b.Bytes()));
  EXPECT_EQ(m.m_byMode, 1);
  EXPECT_EQ(m.m_sAngle, -3);
  EXPECT_EQ(m.m_bMirrorAngle, 5);
  EXPECT_EQ(m.m_sTargetYDots, -11);
  EXPECT_EQ(m.m_bStopAtTarget, 13);
  EXPECT_EQ(m.m_bHaltWhenArrived, 19);
  EXPECT_EQ(m.m_bKeepFacing, 20);
  EXPECT_EQ(m.m_sSpeed, -22);
  EXPECT_EQ(m.m_byDistanceUnit, 26);
  EXPECT_EQ(m.m_sMaxSpeed, -30);
  EXPECT_EQ(m.m_dTurnBackFactor, 2.5);
  EXPECT_EQ(m.m_bKeepAnime, 32);
  EXPECT_EQ(m.m_byTargetSlot, 33);
  EXPECT_EQ(BodyBytes(m), b.Bytes());
}

TEST_F(CondMoveTest, MoveSettingsUpgrades) {
  struct Case {
    uint32_t version;
    size_t bytes;
    int mirror, unit, keepFacing, keepAnime;
  } cases[] = {
      {157, 56, 0, 0, 0, 0},
      {158, 57, 1, 0, 0, 0},
      {161, 58, 1, 1, 0, 0},
      {162, 60, 1, 1, 1, 1},
      {767, 61, 1, 1, 1, 1},
  };
  for (const Case& k : cases) {
    cEdMove src;
    src.m_byDistanceUnit = 1;
    src.m_bKeepFacing = 1;
    src.m_bKeepAnime = 1;
    std::vector<uint8_t> body = BodyBytes(src, k.version);
    EXPECT_EQ(body.size(), k.bytes) << k.version;
    // The target holds every switch on: the upgrade, not the default, decides.
    cEdMove m = src;
    ASSERT_TRUE(ReadBody(m, body, k.version)) << k.version;
    EXPECT_EQ(m.m_bMirrorAngle, k.mirror) << k.version;
    EXPECT_EQ(m.m_byDistanceUnit, k.unit) << k.version;
    EXPECT_EQ(m.m_bKeepFacing, k.keepFacing) << k.version;
    EXPECT_EQ(m.m_bKeepAnime, k.keepAnime) << k.version;
  }
}

TEST_F(CondMoveTest, InputDirectionToMoveDirection) {
  const int want[] = {kMoveDirLeft,   kMoveDirRight,    kMoveDirUp,      kMoveDirDown,
                      kMoveDirUpLeft, kMoveDirDownLeft, kMoveDirUpRight, kMoveDirDownRight};
  for (int i = 1; i <= 8; ++i) {
    EXPECT_EQ(InputDirToMoveDir(i, false), want[i - 1]);
    EXPECT_EQ(InputDirToMoveDir(i, true), want[i - 1]);
  }
  EXPECT_EQ(InputDirToMoveDir(0, false), kMoveDirLeft);
  EXPECT_EQ(InputDirToMoveDir(0, true), kMoveDirRight);
  EXPECT_EQ(InputDirToMoveDir(9, true), kMoveDirRight);
  EXPECT_EQ(InputDirToMoveDir(-3, false), kMoveDirLeft);
}

}  // namespace
