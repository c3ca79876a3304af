// Moving toward a point, with and without the automatic scroll, and the
// target searches.
#include "objects/move_toward.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <list>

#include "objects/stage_fixture.h"
#include "records/system_data.h"

namespace {

class MoveTowardTest : public ::testing::Test {
 protected:
  void SetUp() override { savedSystem_ = g_SystemData; }
  void TearDown() override { g_SystemData = savedSystem_; }
  t4test::StageFixture stage_;
  cSystemData savedSystem_;
};

TEST_F(MoveTowardTest, VelocityTowardAPoint) {
  struct Case {
    const char* what;
    double ox, oy, tx, ty, speed;
    int fixedDiagonalOff;
    double vx, vy;
    int dir, arrived;
  };
  const double r = 2 * 0.7071067811865476;
  const Case cases[] = {
      {"on the point", 50, 50, 50, 50, 3, 0, 0, 0, 0, 1},
      {"straight right", 0, 0, 30, 40, 5, 0, 3, 4, 2, 0},
      {"one step away", 0, 0, -2, 1, 3, 0, 3 * -2 / std::sqrt(5.0), 3 * 1 / std::sqrt(5.0), 1, 1},
      {"negative speed goes away along a diagonal", 100, 100, 50, 40, -2, 0, r, r, 2, 0},
      {"negative speed without the diagonal goes straight back", 0, 0, 30, 40, -5, 1, -3, -4, 1, 0},
  };
  for (const Case& c : cases) {
    double vx = 9, vy = 9;
    int dir = 9;
    const int arrived = ComputeMoveVelocity(vx, vy, dir, nullptr, c.ox, c.oy, c.tx, c.ty, c.speed, 0,
                                            c.fixedDiagonalOff, 1);
    EXPECT_NEAR(vx, c.vx, 1e-12) << c.what;
    EXPECT_NEAR(vy, c.vy, 1e-12) << c.what;
    EXPECT_EQ(dir, c.dir) << c.what;
    EXPECT_EQ(arrived, c.arrived) << c.what;
  }
}

TEST_F(MoveTowardTest, AMoverRidingTheScrollKeepsItsSpeedAndHeadsForThePoint) {
  stage_.Scene().m_ScrollX.m_dAutoStep = 1.5;
  stage_.Scene().m_ScrollY.m_dAutoStep = -0.5;
  cCharaBase rider;
  rider.m_bScrollLock = 1;
  const struct { double dx, dy; } targets[] = {{30, 40}, {-50, 10}, {5, -80}, {-20, -20}};
  for (const auto& t : targets) {
    double vx, vy;
    int dir;
    ComputeMoveVelocity(vx, vy, dir, &rider, 0, 0, t.dx, t.dy, 4, 0, 0, 0);
    EXPECT_NEAR(std::hypot(vx, vy), 4.0, 1e-9) << t.dx << "," << t.dy;
    // Less the scroll, the velocity points at the target.
    const double rx = vx - 1.5, ry = vy + 0.5;
    EXPECT_NEAR(rx * t.dy - ry * t.dx, 0.0, 1e-9);
    EXPECT_GT(rx * t.dx + ry * t.dy, 0.0);
  }
  // A speed the scroll outruns has no solution: the plain velocity stays.
  double vx, vy;
  int dir;
  ComputeMoveVelocity(vx, vy, dir, &rider, 0, 0, -30, 0, 0.4, 0, 0, 0);
  EXPECT_DOUBLE_EQ(vx, -0.4);
  EXPECT_DOUBLE_EQ(vy, 0.0);
  EXPECT_FALSE(std::isnan(vx));
  // Relative to the view, a mover that does not ride the scroll subtracts it.
  cCharaBase walker;
  ComputeMoveVelocity(vx, vy, dir, &walker, 0, 0, 30, 40, 5, 1, 0, 0);
  EXPECT_DOUBLE_EQ(vx, 3 - 1.5);
  EXPECT_DOUBLE_EQ(vy, 4 + 0.5);
  // Held at a scroll limit, the axis carries nothing.
  stage_.Scene().m_ScrollX.m_bAtLimit = 1;
  ComputeMoveVelocity(vx, vy, dir, &walker, 0, 0, 30, 40, 5, 1, 0, 0);
  EXPECT_DOUBLE_EQ(vx, 3);
  // With the carry-off switch every mover gets the scroll added.
  g_SystemData.m_bCompat214 = 1;
  ComputeMoveVelocity(vx, vy, dir, nullptr, 0, 0, 30, 40, 5, 0, 0, 0);
  EXPECT_DOUBLE_EQ(vy, 4 - 0.5);
}

TEST_F(MoveTowardTest, OneAxisMovesAndArrival) {
  cCharaBase c;
  double vx, vy;
  int dir;
  EXPECT_EQ(c.ComputeMoveVelocityX(vx, vy, dir, &c, 100, 101, 3, 0, 1), 1);
  EXPECT_EQ(vx, 3);
  EXPECT_EQ(dir, 2);
  EXPECT_EQ(c.ComputeMoveVelocityX(vx, vy, dir, &c, 100, 103, 3, 0, 1), 0);  // strictly within one step
  EXPECT_EQ(c.ComputeMoveVelocityX(vx, vy, dir, &c, 100, 100, 3, 0, 1), 1);
  EXPECT_EQ(vx, -3);
  EXPECT_EQ(dir, 1);
  EXPECT_EQ(c.ComputeMoveVelocityY(vx, vy, dir, &c, 10, 0, 2, 0, 0), 0);
  EXPECT_EQ(vy, -2);
  EXPECT_EQ(vx, 0);
}

TEST_F(MoveTowardTest, ArrivingWithStopOnArrivalPutsTheCharaOnThePoint) {
  cCharaBase c;
  c.m_nImgW = c.m_nImgH = 32;
  c.m_dX = 330;
  c.m_dY = 330;
  c.m_bNoGravity = 1;
  c.UpdateScreenRect();  // image at (10, 10), centre (26, 26)
  cFlowCmd cmd;
  CreateEdMove(cmd.m_pEdMove);
  cmd.m_pEdMove->m_bStopAtTarget = 1;
  cCmdState s;
  s.m_pCmd = &cmd;
  s.m_dSpeed = 5;
  EXPECT_EQ(c.MoveToward(s, &c, 100, 100, 0, 1), 0);
  EXPECT_GT(s.m_dVX, 0);
  EXPECT_EQ(c.MoveToward(s, &c, 29, 24, 0, 1), 1);
  EXPECT_EQ(c.m_dX, 333);
  EXPECT_EQ(c.m_dY, 328);
  EXPECT_EQ(s.m_dVX, 0);
  EXPECT_EQ(s.m_dSpeed, 0);
  // The target point: the aim point and the offset, on the free axes only.
  s.m_nTargetX = 5;
  s.m_nTargetY = -7;
  cmd.m_pEdMove->m_bLockY = 1;
  double x = -1, y = -1;
  c.UpdateScreenRect();
  c.GetTargetPoint(x, y, s);
  EXPECT_EQ(x, c.m_rcScreen.left + 16 + 5);
  EXPECT_EQ(y, -1);
}

TEST_F(MoveTowardTest, SearchesFilterAndBreakTiesByListOrder) {
  std::list<cCharaBase> charas(5);
  int id = 0;
  for (cCharaBase& c : charas) {
    c.m_nId = id++;
    c.m_bAppeared = 1;
    c.m_bActive = c.m_bOnScreen = 1;
    c.m_vecVar.assign(9, 0);
    c.m_nImgW = c.m_nImgH = 32;
    c.m_rcScreen = RECT{100 * c.m_nId, 0, 100 * c.m_nId + 31, 31};
  }
  auto at = [&](int i) { return &*std::next(charas.begin(), i); };
  at(0)->m_bDead = 1;
  at(1)->m_Data.m_byInvincible = 2;
  at(2)->m_Data.m_byCharaId = 7;
  at(3)->m_vecVar[4] = 12;

  CHARAFILTER f;
  EXPECT_EQ(FindCharaInList(charas, f), at(1));  // the dead one is skipped
  f.bSkipInvincible2 = 1;
  EXPECT_EQ(FindCharaInList(charas, f), at(2));
  f.bExcludeId = 1;
  f.nExcludeId = 2;
  EXPECT_EQ(FindCharaInList(charas, f), at(3));
  CHARAFILTER team;
  team.bTeam = 1;
  team.nTeam = 7;
  EXPECT_EQ(FindCharaInList(charas, team), at(2));
  const struct { int relation, value; cCharaBase* want; } vars[] = {
      {0, 12, at(3)}, {6, 5, at(1)}, {6, 0, at(1)}, {7, 0, nullptr}, {7, 5, at(3)}, {4, 11, at(3)}, {9, 0, nullptr}};
  for (const auto& v : vars) {
    CHARAFILTER var;
    var.bVariable = 1;
    var.nVarIndex = 4;
    var.nRelation = v.relation;
    var.nValue = v.value;
    EXPECT_EQ(FindCharaInList(charas, var), v.want) << v.relation << " " << v.value;
  }
  CHARAFILTER outside;
  outside.bVariable = 1;
  outside.nVarIndex = -1;
  EXPECT_EQ(FindCharaInList(charas, outside), nullptr);

  // Pointers work the same way; the vector search runs backwards.
  std::vector<std::pair<cCharaBase*, int>> tagged = {{at(1), 3}, {at(2), 3}, {at(4), 9}};
  EXPECT_EQ(FindCharaInVector(tagged, 3, CHARAFILTER{}), at(2));
  EXPECT_EQ(FindCharaInVector(tagged, 5, CHARAFILTER{}), nullptr);

  // Nearest by the aim points (x 16, 116, 216, ...); ties go to the first.
  CHARAFILTER none;
  EXPECT_EQ(FindNearestChara(316.0, 16.0, charas, 0, none), at(3));
  EXPECT_EQ(FindNearestChara(266.0, 16.0, charas, 0, none), at(2));  // 50 from both 2 and 3
  at(2)->m_bOnScreen = 0;
  at(3)->m_bOnScreen = 0;
  at(4)->m_bOnScreen = 0;
  at(1)->m_Data.m_byInvincible = 0;
  EXPECT_EQ(FindNearestChara(316.0, 16.0, charas, 0, none), at(1));  // an active one first
  EXPECT_EQ(FindNearestChara(316.0, 16.0, charas, 1, none), at(3));
  at(1)->m_bOnScreen = 0;
  EXPECT_EQ(FindNearestChara(316.0, 16.0, charas, 0, none), at(3));  // then the inactive ones
  EXPECT_EQ(FindNearestChara(316.0, 16.0, charas, 2, none), nullptr);
  EXPECT_EQ(FindNearestChara(316.0, 16.0, charas, 3, none), nullptr);
}

}  // namespace
