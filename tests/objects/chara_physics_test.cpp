// Chara physics on a running stage: jump speeds and rise times against the
// formulas, landing and ceilings, life and SP with their gauges, knockback
// and the forced velocity.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "objects/chara_base.h"
#include "objects/shot.h"
#include "objects/stage_fixture.h"

namespace {

// The jump speed for h pixels as the test works it out: the root of the
// rise under gravity g, scaled for the player's side.
double ExpectedJumpSpeed(double h, double g, double setting, int team) {
  if (g <= 0 || h < 0) return 0.0;
  double v = (-g - std::sqrt(g * (g + 8 * h))) / 2;
  if (team == 0) v *= 0.99 - 0.025 * setting;
  return v;
}

TEST(CharaPhysics, JumpSpeedAndRiseTimeForHeightsGravitiesAndHitLevels) {
  const int heights[] = {0, 1, 4, 10, -3};
  const double gravities[] = {0.5, 1.0, 2.0, 0.0, -1.0};
  const int levels[] = {1, 2, 4};
  for (int level : levels) {
    for (double G : gravities) {
      t4test::StageFixture stage(40, 20, level, G);
      const int n = level;
      const double g = G / (n * n);
      for (int team : {0, 1}) {
        cCharaBase c;
        c.m_nTeam = team;
        for (int h : heights) {
          const double want = ExpectedJumpSpeed(h * 16.0, g, G, team);
          const double got = c.JumpSpeedForHeight(static_cast<int8_t>(h));
          EXPECT_DOUBLE_EQ(got, want) << "N " << n << " G " << G << " team " << team << " h " << h;
          EXPECT_FALSE(std::isnan(got));
          const int wantTime = g > 0 ? static_cast<int>(n - want / g) : n;
          EXPECT_EQ(c.JumpTime(got), wantTime) << "N " << n << " G " << G << " h " << h;
          EXPECT_EQ(c.JumpHeightToFrames(static_cast<int8_t>(h)), wantTime / n / 6 + 1);
        }
      }
    }
  }
}

TEST(CharaPhysics, JumpEdgeCases) {
  t4test::StageFixture stage(40, 20, 2, 1.0);
  cCharaBase c;
  c.m_nTeam = 1;
  const double g = 0.25;  // 1 / (2 x 2)
  EXPECT_DOUBLE_EQ(c.JumpSpeedForHeight(0), -g);
  const double other = c.JumpSpeedForHeight(3);
  c.m_nTeam = 0;
  EXPECT_DOUBLE_EQ(c.JumpSpeedForHeight(3), other * 0.965);
}

TEST(CharaPhysics, ASimulatedJumpRisesToItsHeight) {
  t4test::StageFixture stage(40, 20, 3, 1.5);
  cCharaBase c;
  c.m_nTeam = 1;
  const double g = 1.5 / 9;
  for (int h : {1, 3, 8}) {
    double v = c.JumpSpeedForHeight(static_cast<int8_t>(h));
    double y = 0, top = 0;
    // Each sub-step gravity acts first, then the chara moves.
    for (v += g; v < 0; v += g) {
      y += v;
      top = std::min(top, y);
    }
    // The discrete rise reaches h x 16 pixels within one sub-step of gravity.
    EXPECT_NEAR(-top, h * 16.0, g + 1e-9) << h;
  }
}

TEST(CharaPhysics, LandingAndCeilingsSnapToTheCellLines) {
  t4test::StageFixture stage;
  cCharaBase c;
  c.m_nH = 30;
  const struct { double bottom, wantBottom; } lands[] = {{95.7, 63.7}, {64.0, 63.0}, {127.0, 95.0}};
  for (const auto& l : lands) {
    c.m_dY = l.bottom - 29;
    c.m_dBottom = l.bottom;
    c.m_dVY = 3;
    c.m_bFalling = c.m_bJumping = c.m_bRising = c.m_bKnockedBack = 1;
    c.m_bJumpBlocked = 1;
    c.m_nTeam = 0;
    c.OnLand();
    EXPECT_DOUBLE_EQ(c.m_dY + 29, l.wantBottom) << l.bottom;
    EXPECT_EQ(c.m_dVY, 0);
    EXPECT_EQ(c.LRUD.d, 1);
    EXPECT_EQ(c.m_bFalling + c.m_bJumping + c.m_bRising + c.m_bKnockedBack, 0);
    EXPECT_EQ(c.m_bJumpBlocked, 1);  // only the computer's side may jump again
  }
  c.m_nTeam = 1;
  c.OnLand();
  EXPECT_EQ(c.m_bJumpBlocked, 0);

  c.m_dY = 70.5;
  c.OnHitCeiling();
  EXPECT_DOUBLE_EQ(c.m_dY, 96.5);
  EXPECT_EQ(c.LRUD.u, 1);
  EXPECT_EQ(c.m_bJumpBlocked, 1);
  EXPECT_EQ(c.m_bRising, 1);
  c.ClearMoveRequests();
  EXPECT_EQ(c.LRUD.u + c.LRUD.d + c.LRUD.l + c.LRUD.r, 0);
}

TEST(CharaPhysics, LifeChangesAndGauges) {
  t4test::StageFixture stage;
  cCharaBase c;
  c.m_Data.m_nMaxHp = 100;
  c.m_nLife = 90;
  EXPECT_EQ(c.ChangeLife(100, 0, 1), 0);
  EXPECT_EQ(c.m_nLife, 100);
  EXPECT_EQ(c.m_LifeGauge.nFrames, 120);
  EXPECT_DOUBLE_EQ(c.m_LifeGauge.dChange, 10 * 50 / 100.0);  // +10, not +100
  EXPECT_EQ(c.m_LifeGauge.nWidth, 50);

  c.m_Data.m_byInvincible = 1;
  EXPECT_EQ(c.ChangeLife(-5, 0, 1), 0);
  EXPECT_EQ(c.m_nLife, 100);
  EXPECT_EQ(c.ChangeLife(-5, 1, 1), 0);
  EXPECT_EQ(c.m_nLife, 95);
  c.m_Data.m_byInvincible = 0;

  // 30 of 120: a quarter of the bar.
  c.m_Data.m_nMaxHp = 120;
  c.m_nLife = 40;
  c.ChangeLife(-10, 0, 1);
  EXPECT_EQ(c.m_LifeGauge.nWidth, 30 * 50 / 120);
  EXPECT_DOUBLE_EQ(c.m_LifeGauge.dChange, -10 * 50 / 120.0);
  EXPECT_DOUBLE_EQ(c.m_LifeGauge.dStep, c.m_LifeGauge.dChange * (1.0 / 60));

  // Death: life 0, result 1, no new gauge animation.
  c.m_LifeGauge = GAUGEANIM{};
  EXPECT_EQ(c.ChangeLife(INT_MIN, 0, 1), 1);
  EXPECT_EQ(c.m_nLife, 0);
  EXPECT_EQ(c.m_LifeGauge.nFrames, 0);

  // Huge values neither overflow nor leave the bar.
  c.m_Data.m_nMaxHp = INT_MAX;
  c.m_nLife = INT_MAX - 1;
  EXPECT_EQ(c.ChangeLife(INT_MAX, 0, 1), 0);
  EXPECT_EQ(c.m_nLife, INT_MAX);
  EXPECT_EQ(c.m_LifeGauge.nWidth, 50);
  c.m_Data.m_nMaxHp = 0;
  c.m_nLife = 5;
  c.StartLifeGaugeAnim(3);
  EXPECT_EQ(c.m_LifeGauge.nWidth, 0);
  EXPECT_EQ(c.m_LifeGauge.dChange, 0);
}

TEST(CharaPhysics, SecondGaugeReportsOnlyAMissingMaximum) {
  t4test::StageFixture stage;
  cCharaBase c;
  c.m_Data.m_nMaxSp = 20;
  c.m_nSP = 5;
  EXPECT_EQ(c.ChangeGauge2(-9, 1), 0);  // reaching 0 is not reported
  EXPECT_EQ(c.m_nSP, 0);
  EXPECT_EQ(c.ChangeGauge2(50, 1), 0);
  EXPECT_EQ(c.m_nSP, 20);
  EXPECT_DOUBLE_EQ(c.m_SPGauge.dChange, 20 * 50 / 20.0);
  c.m_Data.m_nMaxSp = 0;
  c.m_SPGauge = GAUGEANIM{};
  EXPECT_EQ(c.ChangeGauge2(3, 1), 1);
  EXPECT_EQ(c.m_SPGauge.nFrames, 0);
}

TEST(CharaPhysics, KnockbackStrengthAndDistance) {
  t4test::StageFixture stage(40, 20, 2, 1.0);
  const double n = 2;
  auto speedFor = [n](double c) {
    return c > 0 ? (std::sqrt(1 + 128 * n * c) - 1) / (2 * n) : -(std::sqrt(1 - 128 * n * c) - 1) / (2 * n);
  };
  const struct { int impact, resist; double dx, dy; int t; } cases[] = {
      {30, 5, 1, 0, 20},  // capped at 20 half blocks
      {10, 4, -2, 2, 6}, {-30, 5, 1, 0, -20}, {-6, 2, 0, 3, -4}, {3, 10, 1, 1, 0},
      // A negative resistance from a file: the strength is worked out in
      // full ints, so 127 - (-10) is 137, the most there is, and does not
      // wrap to -119 in a byte (which would knock back nothing).
      {127, -10, 1, 0, 20}, {-128, -10, -1, 0, -20},
  };
  for (const auto& k : cases) {
    cCharaBase c;
    c.m_Data.m_cImpactResist = static_cast<int8_t>(k.resist);
    c.m_dForcedVX = c.m_dForcedVY = 99;
    c.ApplyKnockback(static_cast<int8_t>(k.impact), k.dx, k.dy);
    const double f = std::fabs(k.dx) + std::fabs(k.dy);
    if (k.t == 0) {
      EXPECT_EQ(c.m_dForcedVX, 99) << k.impact;  // nothing written
    } else {
      const double cx = k.t * k.dx / f, cy = k.t * k.dy / f;
      EXPECT_DOUBLE_EQ(c.m_dForcedVX, cx == 0 ? 0 : speedFor(cx)) << k.impact;
      EXPECT_DOUBLE_EQ(c.m_dForcedVY, cy == 0 ? 0 : speedFor(cy)) << k.impact;
    }
    EXPECT_EQ(c.m_bKnockedBack, 1);
  }
  // The speed decays by 1/N a sub-step and covers t half blocks.
  cCharaBase c;
  c.ApplyKnockback(5, 1, 0);
  double x = 0;
  while (c.m_dForcedVX != 0) {
    x += c.m_dForcedVX;
    c.DecayForcedVX();
  }
  EXPECT_NEAR(x, 5 * 16, 1.0);
  // An acceleration against the push is dropped.
  cCharaBase d;
  d.m_dAX = 0.5;
  d.m_dVY = 2;
  d.ApplyKnockback(4, -1, -1);
  EXPECT_EQ(d.m_dAX, 0);
  EXPECT_EQ(d.m_dVY, 0);
}

TEST(CharaPhysics, ForcedVelocityAndGravity) {
  t4test::StageFixture stage(40, 20, 1, 0.5);
  cCharaBase c;
  // Free of gravity: the forced part adds.
  c.m_bNoGravity = 1;
  c.m_dVY = 1;
  c.m_dForcedVY = 2;
  c.ApplyForcedVelocity();
  EXPECT_EQ(c.m_dVY, 3);
  EXPECT_EQ(c.m_dPrevForcedVY, 2);
  // Falling: the new forced part replaces the last one, gravity's share stays.
  c.m_bNoGravity = 0;
  c.m_dVY = 2.5;  // 2 forced + 0.5 gravity
  c.m_dForcedVY = 1.5;
  c.ApplyForcedVelocity();
  EXPECT_EQ(c.m_dVY, 2.0);
  // Standing on a block: a downward push ends.
  stage.SetBlock(12, 12);
  c.m_pFootBlock = &stage.Cell(12, 12);
  c.ApplyForcedVelocity();
  EXPECT_EQ(c.m_dForcedVY, 0);
  EXPECT_EQ(c.IsOnGround(), 1);

  const struct { int noGravity, onChara, hold; double forced; double want; } gravity[] = {
      {0, 0, 0, 0.0, 1.5}, {1, 0, 0, 0.0, 1.0}, {0, 1, 0, 0.0, 1.0}, {0, 0, 1, 0.0, 1.0},
      {0, 0, 0, -0.1, 1.0}, {0, 0, 0, 0.1, 1.5}};
  for (const auto& g : gravity) {
    cCharaBase d;
    d.m_dVY = 1;
    d.m_bNoGravity = g.noGravity;
    d.m_bOnChara = g.onChara;
    d.m_bGravityHold = g.hold;
    d.m_dForcedVY = g.forced;
    d.ApplyGravityIfFree();
    EXPECT_EQ(d.m_dVY, g.want);
  }
  // Decay crosses zero exactly.
  c.m_dForcedVX = 0.3;
  c.DecayForcedVX();
  EXPECT_EQ(c.m_dForcedVX, 0);
  c.m_dForcedVX = -2.5;
  c.DecayForcedVX();
  EXPECT_EQ(c.m_dForcedVX, -1.5);
}

TEST(CharaPhysics, ConversionsAndPlacement) {
  t4test::StageFixture stage(40, 20, 4, 1.0);
  EXPECT_EQ(BlockToHalfBlock(3), 48);
  EXPECT_EQ(BlockToHalfBlock(-3), -48);
  EXPECT_DOUBLE_EQ(PercentToFrameStep(50), 50 * 0.01 / 16);
  EXPECT_DOUBLE_EQ(PerSecondToPerFrame(120), 120.0 / 4 * (1.0 / 60));
  cCharaBase c;
  c.m_nBaseImgOffX = 6;
  c.m_nBaseImgOffY = 2;
  c.m_nW = c.m_nBaseW = 20;
  c.m_nH = 30;
  c.PlaceAtCell(3, 5);
  EXPECT_EQ(c.m_dX, 13 * 32 + 6 + 0.5);
  EXPECT_EQ(c.m_dY, 15 * 32 + 2);
}

TEST(CharaPhysics, WaveStepsFollowTheSine) {
  t4test::StageFixture stage(40, 20, 2, 1.0);
  const double n = 2, h = 3 * 0.017453292519943295;
  double angle = 10;
  EXPECT_DOUBLE_EQ(WaveStep(40, 3, angle, 700, 0.5), h * std::cos(h * (10 / n + 0.5)) * 40 / n);
  EXPECT_DOUBLE_EQ(angle, 710 - 720 + 720);  // below 360 x N: kept
  EXPECT_DOUBLE_EQ(WaveStep2(40, 3, angle, 100, 0), -(h * std::sin(h * (710 / n)) * (h / n) * 40) / n);
  EXPECT_DOUBLE_EQ(angle, 810 - 720);
}

}  // namespace

TEST(CharaPhysics, KnockbackFollowsAShotsFlightOrASwordsFacing) {
  t4test::StageFixture stage(40, 20, 1, 0.5);
  auto pushed = [](double dx, double dy) {
    cCharaBase want;
    want.ApplyKnockback(3, dx, dy);
    return std::pair<double, double>{want.m_dForcedVX, want.m_dForcedVY};
  };
  cShot shot;
  shot.m_Settings.m_byImpact = 3;
  shot.m_dVX = -2;
  shot.m_dVY = 1;
  cCharaBase c;
  c.KnockbackFromShot(shot);
  EXPECT_EQ((std::pair<double, double>{c.m_dForcedVX, c.m_dForcedVY}), pushed(-2, 1));
  EXPECT_NE(c.m_dForcedVX, 0);
  shot.m_bFree = 0;  // a sword swung to the right
  shot.m_bRight = 1;
  cCharaBase d;
  d.KnockbackFromShot(shot);
  EXPECT_EQ((std::pair<double, double>{d.m_dForcedVX, d.m_dForcedVY}), pushed(1, 0));
  EXPECT_GT(d.m_dForcedVX, 0);

  // A walking attacker's small downward speed does not push down.
  cCharaBase attacker;
  attacker.m_Data.m_byBodyImpact = 3;
  attacker.m_dVX = 1.5;
  attacker.m_dVY = 0.5;
  cCharaBase e;
  e.KnockbackFromChara(attacker);
  EXPECT_EQ((std::pair<double, double>{e.m_dForcedVX, e.m_dForcedVY}), pushed(1.5, 0));
}
