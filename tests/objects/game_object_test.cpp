// The object base on a small running stage: clamps with their edge codes,
// clamped moves, screen rectangles, the block probes and the range test.
#include "objects/game_object.h"

#include <gtest/gtest.h>

#include <climits>

#include "objects/stage_fixture.h"
#include "records/stage_data.h"

namespace {

// Counts the kinds' hooks the base calls.
class CountingObject : public cGameObject {
 public:
  void OnScaleChanged(int) override { ++scaleChanged; }
  void AdjustYForScale(int, int) override { ++adjustY; }
  void UpdateHitRectX() override { ++hitX; }
  void UpdateHitRectY() override { ++hitY; }
  int scaleChanged = 0, adjustY = 0, hitX = 0, hitY = 0;
};

class GameObjectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A 40 x 20 stage: the stage spans 320..1600 across and 320..960 down,
    // the world 0..1920 and 0..1280; the view scrolls within narrower bounds
    // so that every edge code can be told apart.
    cScrollAxis& x = stage_.Scene().m_ScrollX;
    x.m_nMin = 400;
    x.m_nMax = 1500;
    cScrollAxis& y = stage_.Scene().m_ScrollY;
    y.m_nMin = 400;
    y.m_nMax = 900;
    obj_.SetParams(7, 1, 0, 0, 0, nullptr, 0, 2, 4, 20, 28, 32, 32, 1, kPlaceWalk, 0);
  }
  t4test::StageFixture stage_{40, 20, 2, 1.0};
  CountingObject obj_;
};

TEST_F(GameObjectTest, SetParamsWritesEveryBaseValueAndThePlacementMode) {
  EXPECT_EQ(obj_.m_nId, 7);
  EXPECT_EQ(obj_.m_nLifeTime, INT_MAX);
  EXPECT_EQ(obj_.m_nW, 20);
  EXPECT_EQ(obj_.m_nBaseW, 20);
  EXPECT_EQ(obj_.m_nImgOffY, 4);
  EXPECT_EQ(obj_.m_nBaseImgH, 32);
  EXPECT_EQ(obj_.m_bRight, 1);
  const struct { int mode, noGravity, blockMode; } modes[] = {{0, 0, 1}, {1, 1, 0}, {2, 1, 1}, {3, 1, 2}};
  for (const auto& m : modes) {
    obj_.SetPlacementMode(m.mode);
    EXPECT_EQ(obj_.m_bNoGravity, m.noGravity) << m.mode;
    EXPECT_EQ(obj_.m_byBlockMode, m.blockMode) << m.mode;
  }
  obj_.SetPlacementMode(9);  // unknown: unchanged
  EXPECT_EQ(obj_.m_byBlockMode, 2);
}

TEST_F(GameObjectTest, ClampXCodesAndPositions) {
  // Box width 20: the far edge is x + 19.
  const struct {
    int mode;
    double x;
    double wantX;
    int code;
  } cases[] = {
      {0, 390, 400, 0},      {0, 1490, 1480, 0},   {0, 800, 800, 0},
      {1, 300, 320, 0},      {1, 1590, 1580, 0},   // partly outside the stage: snapped, code 0
      {1, 390, 390, 1},      {1, 1490, 1490, 1},   {1, 800, 800, 0},
      {2, -0.5, 0, 3},       {2, 1905, 1900, 3},   {2, 300, 300, 2},
      {2, 1590, 1590, 2},    {2, 390, 390, 1},     {2, 1490, 1490, 1},
      {2, 800, 800, 0},      {7, -50, -50, 0},
  };
  for (const auto& c : cases) {
    obj_.m_dX = c.x;
    EXPECT_EQ(obj_.ClampX(c.mode), c.code) << c.mode << " " << c.x;
    EXPECT_EQ(obj_.m_dX, c.wantX) << c.mode << " " << c.x;
    EXPECT_EQ(obj_.m_dRight, c.wantX + 19);
  }
}

TEST_F(GameObjectTest, ClampYTellsTheTwoSidesApart) {
  // Box height 28: the bottom is y + 27.
  const struct {
    int mode;
    double y;
    double wantY;
    int code;
  } cases[] = {
      {0, 390, 400, 0},  {0, 890, 872, 0},
      {1, 300, 320, 0},  {1, 950, 932, 0},  {1, 390, 390, 1}, {1, 880, 880, 4}, {1, 500, 500, 0},
      {2, -0.5, 0, 3},   {2, 1260, 1252, 6}, {2, 300, 300, 2}, {2, 950, 950, 5},
      {2, 390, 390, 1},  {2, 880, 880, 4},  {2, 500, 500, 0},
  };
  for (const auto& c : cases) {
    obj_.m_dY = c.y;
    EXPECT_EQ(obj_.ClampY(c.mode), c.code) << c.mode << " " << c.y;
    EXPECT_EQ(obj_.m_dY, c.wantY) << c.mode << " " << c.y;
    EXPECT_EQ(obj_.m_dBottom, c.wantY + 27);
    EXPECT_EQ(obj_.m_nCellT, static_cast<int>(c.wantY) >> 5);
    EXPECT_EQ(obj_.m_nCellB, static_cast<int>(c.wantY + 27) >> 5);
  }
  EXPECT_GT(obj_.hitY, 0);
}

TEST_F(GameObjectTest, AClampedMoveStoresTheMaximumSpeed) {
  // Hit level 2: a speed limit of 12 pixels a frame, 6 per sub-step.
  const double max = g_Stage.m_dStepSpeedLimit;
  ASSERT_EQ(max, 6.0);
  obj_.m_dX = 800;
  obj_.m_dVX = 1.5 * max;
  obj_.MoveXClamped(2);
  EXPECT_EQ(obj_.m_dVX, max);
  EXPECT_EQ(obj_.m_dX, 806);
  obj_.m_dY = 500;
  obj_.m_dVY = -100;
  obj_.MoveYClamped(2);
  EXPECT_EQ(obj_.m_dVY, -max);
  EXPECT_EQ(obj_.m_dY, 494);
}

TEST_F(GameObjectTest, DecelerationStopsExactlyAtZero) {
  obj_.m_dDecel = 0.5;
  const struct { double v; int enable; double want; } cases[] = {
      {0.3, 1, 0.0}, {-0.3, 1, 0.0}, {2.0, 1, 1.5}, {-2.0, 1, -1.5}, {0.0, 1, 0.0}, {2.0, 0, 2.0}};
  for (const auto& c : cases) {
    double v = c.v;
    obj_.ApplyDeceleration(v, c.enable);
    EXPECT_EQ(v, c.want) << c.v;
  }
}

TEST_F(GameObjectTest, OverlapsCountTouchingEdgesAndTheViewTest) {
  obj_.m_dX = 500;
  obj_.m_dY = 500;
  obj_.ClampX(9);
  obj_.ClampY(9);
  EXPECT_EQ(obj_.OverlapsRect(519, 527, 600, 600), 1);  // touching at the corner
  EXPECT_EQ(obj_.OverlapsRect(520, 500, 600, 600), 0);
  EXPECT_EQ(obj_.OverlapsRect(400, 400, 500, 500), 1);
  EXPECT_EQ(obj_.OverlapsRect(400, 400, 499.5, 600), 0);
  // The view at (320, 320) is 640 x 480.
  obj_.m_dX = 960;
  obj_.ClampX(9);
  EXPECT_EQ(obj_.IsOnScreen(), 0);
  EXPECT_EQ(obj_.IsOnScreenAxes(1, 0), 1);
  obj_.m_dX = 941;  // right edge 960: still inside? 320 + 640 > 941
  obj_.ClampX(9);
  EXPECT_EQ(obj_.IsOnScreen(), 1);
}

TEST_F(GameObjectTest, ScalingKeepsTheCentreAndCallsTheHooksOnlyOnAChange) {
  obj_.m_dX = 800;
  obj_.SetScale(2, 2);
  EXPECT_EQ(obj_.scaleChanged + obj_.adjustY + obj_.hitX, 0);
  EXPECT_EQ(obj_.m_nW, 20);
  obj_.SetScale(2, 1);
  EXPECT_EQ(obj_.m_nW, 40);
  EXPECT_EQ(obj_.m_nImgOffY, 8);
  EXPECT_EQ(obj_.m_nImgW, 64);
  EXPECT_EQ(obj_.m_dX, 790);  // moved left by (2 - 1) x (20 >> 1)
  EXPECT_EQ(obj_.scaleChanged, 1);
  EXPECT_EQ(obj_.adjustY, 1);
  EXPECT_EQ(obj_.hitX, 1);
}

TEST_F(GameObjectTest, ScreenRectangleFollowsTheScrollAsTheObjectRidesIt) {
  cScrollAxis& x = stage_.Scene().m_ScrollX;
  cScrollAxis& y = stage_.Scene().m_ScrollY;
  x.m_dPos = 330.75;
  y.m_dPos = 340.5;
  obj_.m_dX = 400.6;
  obj_.m_dY = 500.3;
  struct Case {
    const char* what;
    int noGravity, scrollLock;
    double autoX, autoY;
    int left, top;
  };
  const Case cases[] = {
      // trunc((400.6 - 2) - 330) = 68, trunc((500.3 - 4) - 340) = 156
      {"walking", 0, 0, 0.0, 0.0, 68, 156},
      // trunc(400.6) - 330 - 2 = 68, trunc(500.3) - 340 - 4 = 156
      {"flying, still view", 1, 0, 0.0, 0.0, 68, 156},
      // trunc(400.6 - 330.75) - 2 = 67, trunc(500.3 - 340.5) - 4 + 1 = 156
      {"flying, riding an auto-scroll", 1, 1, 0.5, 0.5, 67, 156},
      // not riding: trunc((400.6 - 2) - 330) = 68
      {"flying, auto-scroll, not riding", 1, 0, 0.5, 0.0, 68, 156},
  };
  for (const Case& c : cases) {
    obj_.m_bNoGravity = c.noGravity;
    obj_.m_bScrollLock = c.scrollLock;
    x.m_dAutoStep = c.autoX;
    y.m_dAutoStep = c.autoY;
    obj_.UpdateScreenRect();
    EXPECT_EQ(obj_.m_rcScreen.left, c.left) << c.what;
    EXPECT_EQ(obj_.m_rcScreen.top, c.top) << c.what;
    EXPECT_EQ(obj_.m_rcScreen.right, c.left + 31) << c.what;
    EXPECT_EQ(obj_.m_rcScreen.bottom, c.top + 31) << c.what;
  }
  // Held at a scroll limit the axis counts as still.
  x.m_bAtLimit = 1;
  obj_.m_bScrollLock = 1;
  x.m_dAutoStep = 0.5;
  obj_.UpdateScreenRect();
  EXPECT_EQ(obj_.m_rcScreen.left, 68);
}

TEST_F(GameObjectTest, CornerProbesFindBlocksOfOtherSidesOnly) {
  obj_.m_dX = 20 * 32 + 5;   // cells 20..20 across (box 20 wide)
  obj_.m_dY = 15 * 32 + 2;   // cells 15..15 down (box 28 high)
  obj_.ClampX(9);
  obj_.ClampY(9);
  EXPECT_EQ(obj_.HitsBlockAtCorners(), 0);
  stage_.SetBlock(20, 15).m_cPassFaction = 3;
  EXPECT_EQ(obj_.HitsBlockAtCorners(), 1);
  obj_.m_nBlockSide = 3;  // the block lets this side pass
  EXPECT_EQ(obj_.HitsBlockAtCorners(), 0);
  obj_.m_nBlockSide = 0;
  stage_.Cell(20, 15).m_byHitKind = kBlockHitDeadly;
  EXPECT_EQ(obj_.HitsBlockAtCorners(), 1);
}

TEST_F(GameObjectTest, RangeTestRemovesOnlyOffScreenObjectsOutsideTheirRange) {
  cStageQuad range;
  range.Set(1, 1, 1, 1, 2, 2, 2, 2);
  // View at (320, 320); left limit trunc(320 - 64) = 256 >= right edge.
  obj_.m_dX = 200;
  obj_.m_dY = 500;
  obj_.ClampX(9);
  obj_.ClampY(9);
  EXPECT_EQ(obj_.IsInActiveRange(range), 1);
  obj_.m_dX = 237;  // right edge 256: still out
  obj_.ClampX(9);
  EXPECT_EQ(obj_.IsInActiveRange(range), 1);
  obj_.m_dX = 238;
  obj_.ClampX(9);
  EXPECT_EQ(obj_.IsInActiveRange(range), 0);
  range.Set(0, 0, 0, 0, 0, 0, 0, 0);
  obj_.m_dX = 0;  // the world's edge counts whatever the switches
  obj_.ClampX(9);
  EXPECT_EQ(obj_.IsInActiveRange(range), 1);
  obj_.m_bActive = 1;  // conditions met do not keep an object in play
  EXPECT_EQ(obj_.IsInActiveRange(range), 1);
  obj_.m_bOnScreen = 1;  // the on-screen flag does, even beyond the world
  obj_.m_dX = -5000;
  obj_.ClampX(9);
  EXPECT_EQ(obj_.IsInActiveRange(range), 0);
}

TEST_F(GameObjectTest, CopiesCarryEveryFieldAndTheAnimation) {
  static const int kPattern[] = {5, 2, 0, 6, 2, 0, -2, 0, 0};
  static const int* const kPatterns[] = {kPattern, nullptr};
  obj_.SetParams(3, 0, 1, 2, 9, kPatterns, 0, 1, 2, 3, 4, 5, 6, 0, kPlaceFly, -4);
  obj_.m_dVX = 1.25;
  obj_.m_nReserved2 = 77;
  obj_.m_Anime.Step();
  obj_.m_Anime.Step();
  cGameObject copy(obj_);
  EXPECT_EQ(copy.m_nId, 3);
  EXPECT_EQ(copy.m_nCloneValue, -4);
  EXPECT_EQ(copy.m_dVX, 1.25);
  EXPECT_EQ(copy.m_nReserved2, 77);
  EXPECT_EQ(copy.m_byBlockMode, 1);
  EXPECT_EQ(copy.m_Anime.GetStep(), obj_.m_Anime.GetStep());
  EXPECT_EQ(copy.m_Anime.GetValue(), obj_.m_Anime.GetValue());
  cGameObject other;
  other.Copy(obj_);
  EXPECT_EQ(other.m_nBaseImgH, 6);
  EXPECT_EQ(other.m_Anime.PatternCount(), 1);
}

}  // namespace
