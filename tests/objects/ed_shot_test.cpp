#include <gtest/gtest.h>

#include "flow/flow_test_io.h"
#include "objects/ed_shot.h"
#include "support/bytes.h"

namespace {

class EdShotTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_dwDataVersion = kRecordDataVersion;
    g_Database.m_vecEffect.assign(5, cEffectData());
  }
  ScopedDatabase keep;
};

// Widths of the 64 fields in file order: b byte, c signed byte, s short,
// S three shorts, i int.
constexpr const char kShotWidths[] = "bbSbbbbssbsbbssssbbsbbbbbbbbSbbssbsssbsbbssbbbbcisbsbsbbbbsbbbbb";

TEST_F(EdShotTest, BodyAt778FollowsTheFieldTable) {
  ASSERT_EQ(sizeof(kShotWidths) - 1, 64u);
  ByteBuilder b;
  b.I32(64);  // an array is one field
  for (int k = 1; kShotWidths[k - 1]; ++k) {
    switch (kShotWidths[k - 1]) {
      case 'b': b.U8(uint8_t(k)); break;
      case 'c': b.U8(0xFD); break;  // -3
      case 's': b.I16(k == 52 ? 4 : int16_t(-k)); break;
      case 'S': b.I16(int16_t(-k)).I16(int16_t(-k - 100)).I16(int16_t(-k - 200)); break;
      case 'i': b.I32(100000); break;
    }
  }
  b.I32(0);
  ASSERT_EQ(b.Size(), 105u);
  cEdShot s;
  ASSERT_TRUE(ReadBody(s, b.Bytes()));
  EXPECT_EQ(s.m_byShots, 1);
  EXPECT_EQ(s.m_anFormation[0], -3);
  EXPECT_EQ(s.m_anFormation[2], -203);
  EXPECT_EQ(s.m_byCentre, 4);
  EXPECT_EQ(s.m_byAimSlot, 7);
  EXPECT_EQ(s.m_bMirrorAngle, 10);
  EXPECT_EQ(s.m_nOffsetYPerClone, -17);
  EXPECT_EQ(s.m_nGraphic, -20);
  EXPECT_EQ(s.m_byScale, 26);
  EXPECT_EQ(s.m_byTrajectory, 28);
  EXPECT_EQ(s.m_anTrajectory[1], -129);
  EXPECT_EQ(s.m_byTargetSlot, 30);
  EXPECT_EQ(s.m_bRideScroll, 31);
  EXPECT_EQ(s.m_nAccelPerClone, -36);
  EXPECT_EQ(s.m_nRange, -37);
  EXPECT_EQ(s.m_bRange, 38);
  EXPECT_EQ(s.m_bPierce2, 46);
  EXPECT_EQ(s.m_byCancelPower, -3);
  EXPECT_EQ(s.m_nAttack, 100000);
  EXPECT_EQ(s.m_nExtra4, -50);
  EXPECT_EQ(s.m_nHitEffect, 4);
  EXPECT_EQ(s.m_byHitItemSource, 53);
  EXPECT_EQ(s.m_bySummonFlagB, 57);
  EXPECT_EQ(s.m_nTemplate, -59);
  EXPECT_EQ(s.m_bNoScore, 61);
  EXPECT_EQ(s.m_byCreditValue, 64);
  EXPECT_EQ(BodyBytes(s), b.Bytes());
}

TEST_F(EdShotTest, NewSettingsHaveTheirDefaults) {
  cPartHolder<cEdShot> h;
  EXPECT_EQ(CreateEdShot(h), 1);
  ASSERT_TRUE(h);
  EXPECT_EQ(h->m_bMirrorAngle, 1);
  EXPECT_EQ(h->m_bMirrorX, 1);
  EXPECT_EQ(h->m_bMirrorY, 0);
  EXPECT_EQ(h->m_bFactionOfUser, 1);
  EXPECT_EQ(h->m_byScale, 1);
  EXPECT_EQ(h->m_nSpeed, 0);
  EXPECT_EQ(BodyBytes(*h).size(), 105u);
}

TEST_F(EdShotTest, OlderVersionsUpgrade) {
  cEdShot src;
  src.m_bySummonFlagA = 1;
  src.m_bySummonFlagB = 0;
  src.m_byTrajectory = 5;  // homing
  src.m_bRideScroll = 0;
  src.m_bAccel = 1;
  src.m_nAccel = 7;
  src.m_nAccelPerClone = 2;
  src.m_bPierce = 1;
  src.m_bPierce2 = 0;
  src.m_byCentre = 2;

  struct Case {
    uint32_t version;
    size_t bytes;
    int mirror, flagB, ride, accel, pierce2, centre;
  } cases[] = {
      {150, 91, 0, 1, 1, 0, 1, 0},   {196, 92, 1, 1, 1, 0, 1, 0},  {197, 93, 1, 0, 1, 0, 1, 0},
      {211, 94, 1, 0, 1, 0, 1, 0},   {212, 94, 1, 0, 0, 0, 1, 0},  {213, 99, 1, 0, 0, 1, 1, 0},
      {635, 99, 1, 0, 0, 1, 1, 0},   {636, 100, 1, 0, 0, 1, 0, 0}, {670, 100, 1, 0, 0, 1, 0, 0},
      {671, 101, 1, 0, 0, 1, 0, 2},  {778, 105, 1, 0, 0, 1, 0, 2},
  };
  for (const Case& k : cases) {
    std::vector<uint8_t> body = BodyBytes(src, k.version);
    EXPECT_EQ(body.size(), k.bytes) << k.version;
    // Loaded over the source itself: an absent field keeps the source's
    // value, so only the upgrade can change it.
    cEdShot s = src;
    ASSERT_TRUE(ReadBody(s, body, k.version)) << k.version;
    EXPECT_EQ(s.m_bMirrorAngle, k.mirror) << k.version;
    EXPECT_EQ(s.m_bySummonFlagB, k.flagB) << k.version;
    EXPECT_EQ(s.m_bRideScroll, k.ride) << k.version;
    EXPECT_EQ(s.m_bAccel, k.accel) << k.version;
    EXPECT_EQ(s.m_nAccel, k.accel ? 7 : 0) << k.version;
    EXPECT_EQ(s.m_nAccelPerClone, k.accel ? 2 : 0) << k.version;
    EXPECT_EQ(s.m_bPierce2, k.pierce2) << k.version;
    EXPECT_EQ(s.m_byCentre, k.centre) << k.version;
  }
}

TEST_F(EdShotTest, ScrollRidingBefore212FollowsTheTrajectory) {
  for (int traj = 0; traj <= 9; ++traj) {
    cEdShot src;
    src.m_byTrajectory = BYTE(traj);
    src.m_bRideScroll = 1;
    cEdShot s;
    ASSERT_TRUE(ReadBody(s, BodyBytes(src, 211), 211));
    EXPECT_EQ(s.m_bRideScroll, (traj >= 4 && traj <= 7) ? 1 : 0) << traj;
    cEdShot kept;
    ASSERT_TRUE(ReadBody(kept, BodyBytes(src, 212), 212));
    EXPECT_EQ(kept.m_bRideScroll, 1) << traj;
  }
}

TEST_F(EdShotTest, ValidateRepairsScaleAndHitEffectOnLoadAndSave) {
  struct Case {
    int scale, wantScale;
    int effect, wantEffect;
  } cases[] = {
      {0, 1, 0, 0}, {1, 1, 4, 4}, {127, 127, 5, 0}, {128, 1, -1, 0}, {255, 1, 3, 3}, {5, 5, 32767, 0},
  };
  for (const Case& k : cases) {
    cEdShot s;
    s.m_byScale = BYTE(k.scale);
    s.m_nHitEffect = int16_t(k.effect);
    EXPECT_EQ(s.Validate(), k.effect);
    EXPECT_EQ(s.m_byScale, k.wantScale) << k.scale;
    EXPECT_EQ(s.m_nHitEffect, k.wantEffect) << k.effect;

    // Save repairs before writing; load repairs what another writer stored.
    cEdShot bad;
    bad.m_byScale = BYTE(k.scale);
    bad.m_nHitEffect = int16_t(k.effect);
    std::vector<uint8_t> saved = BodyBytes(bad);
    EXPECT_EQ(bad.m_byScale, k.wantScale);
    cEdShot back;
    ASSERT_TRUE(ReadBody(back, saved));
    EXPECT_EQ(back.m_byScale, k.wantScale);
    EXPECT_EQ(back.m_nHitEffect, k.wantEffect);
  }
  // A file that stores a bad scale and effect: field 26 and field 52.
  cEdShot good;
  good.m_byScale = 3;
  good.m_nHitEffect = 2;
  std::vector<uint8_t> body = BodyBytes(good);
  g_Database.m_vecEffect.assign(2, cEffectData());
  cEdShot back;
  ASSERT_TRUE(ReadBody(back, body));
  EXPECT_EQ(back.m_nHitEffect, 0);
}

TEST_F(EdShotTest, LaunchOffsetsMirrorWhenFacingRight) {
  cEdShot s;
  s.m_nOffsetX = 5;
  s.m_nOffsetXPerClone = 2;
  s.m_nOffsetY = -4;
  s.m_nOffsetYPerClone = 1;
  EXPECT_EQ(s.GetOffsetX(3, false), 11);
  EXPECT_EQ(s.GetOffsetX(3, true), -11);
  EXPECT_EQ(s.GetOffsetY(2, true), -2);
  s.m_bMirrorY = 1;
  EXPECT_EQ(s.GetOffsetY(2, true), 2);
  s.m_bMirrorX = 0;
  EXPECT_EQ(s.GetOffsetX(0, true), 5);
}

}  // namespace
