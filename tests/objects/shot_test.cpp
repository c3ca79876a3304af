// Shots and swords on a running stage: the set-up from the settings, each
// trajectory stepped in the stage's order against its formulas at two hit
// levels, the flight distance and life time, the activity range, the block
// test of large shots, the sword's frames beside its owner, the scene's shot
// lists, and settings that would divide by zero or overflow.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <functional>
#include <list>
#include <string>

#include "objects/chara.h"
#include "graphics/builtin_tables.h"
#include "graphics/display_fixture.h"
#include "graphics/draw_helpers.h"
#include "graphics/surface.h"
#include "objects/chara_base.h"
#include "objects/hero.h"
#include "objects/shot.h"
#include "objects/sprite_source.h"
#include "objects/stage_fixture.h"
#include "records/database.h"
#include "records/effect_data.h"
#include "records/stage_data.h"
#include "records/start_option.h"
#include "records/system_data.h"
#include "services/input.h"
#include "services/log.h"
#include "stage/stage_surfaces.h"
#include "support/headless_runner.h"
#include "support/temp_folder.h"

namespace {

constexpr double kView = 320.0;  // the fixture's view, both axes
constexpr double kPi = 3.141592653589793;

// Puts the box's top-left at world pixel (x, y) and refreshes its screen
// rectangle.
void Place(cCharaBase& c, double x, double y) {
  c.m_dX = x;
  c.m_dY = y;
  c.ClampX(2);
  c.ClampY(2);
  if (cHero* h = dynamic_cast<cHero*>(&c)) h->UpdateScreenRect();
  else c.UpdateScreenRect();
}

// A living 32 x 32 chara that searches see, at world pixel (x, y).
void MakeChara(cCharaBase& c, int id, int team, int faction, double x, double y, int facing = 0) {
  c.Reset(nullptr, 0, 0, 0, 0);
  c.SetParams(id, team, 0, faction, 0, nullptr, 0, 0, 0, 32, 32, 32, 32, facing, kPlaceFly, 0);
  c.m_bActive = c.m_bOnScreen = c.m_bAppeared = 1;
  c.m_nLife = 10;
  Place(c, x, y);
}

// One sub-step of a shot in the stage's order; 1 when the shot is erased.
int Step(cShot& s) {
  if (s.ApplyTrajectory()) return 1;
  s.ApplyGravity();
  s.MoveY();
  s.MoveX();
  return 0;
}

// The shot's image centre on the screen, as aiming measures from it (a
// flying 16 x 16 shot under a view that does not scroll by itself).
double CentreX(double x) { return std::trunc(x) - kView + 8; }
double CentreY(double y) { return std::trunc(y) - kView + 8; }
double AimCentreX(const cCharaBase& c) { return c.m_rcScreen.left + c.m_nImgW / 2; }
double AimCentreY(const cCharaBase& c) { return c.m_rcScreen.top + c.m_nImgH / 2; }

class ShotTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedSwords_ = g_Database.m_vecSwordType;
    savedSystem_ = g_SystemData;
    ASSERT_EQ(InitReportLog((dir_ / "Report_Game.txt").c_str()), 1);
    Player.clear();
    g_lstChara.clear();
  }
  void TearDown() override {
    Player.clear();
    g_lstChara.clear();
    g_Database.m_vecSwordType = savedSwords_;
    g_SystemData = savedSystem_;
  }
  int ErrLines() {
    const std::string r = t4test::ReadFile(dir_ / "Report_Game.txt");
    int n = 0;
    for (size_t at = r.find("err V["); at != std::string::npos; at = r.find("err V[", at + 1)) ++n;
    return n;
  }
  // The hero (id 1, player side) at world pixel (x, y).
  cHero& AddHero(double x, double y, int facing = 1) {
    Player.clear();
    Player.resize(1);
    cHero& h = Player[0];
    MakeChara(h, 1, 0, 0, x, y, facing);
    return h;
  }
  static SHOTLAUNCH Launch(int x, int y, double vx, double vy, double speed) {
    SHOTLAUNCH l;
    l.nX = x;
    l.nY = y;
    l.dVX = vx;
    l.dVY = vy;
    l.dSpeed = speed;
    return l;
  }

  t4test::TempFolder dir_;
  cCheckedVector<cSwordTypeData> savedSwords_;
  cSystemData savedSystem_;
};

TEST_F(ShotTest, SetupTakesTheShootersSideTheHitSizeAndTheLaunch) {
  struct Case {
    int level, team, scale, factionOfUser, slot;
    double vx;
    int shooterFacing, wantRight;
  };
  const Case cases[] = {
      {3, 0, 1, 1, 1, -2.4, 1, 0}, {4, 1, 2, 0, 1, 2.0, 0, 1}, {3, 1, 3, 1, 9, 0.0, 1, 1}, {4, 0, 2, 0, 0, 0.0, 0, 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << "level " << k.level << " team " << k.team << " scale " << k.scale);
    t4test::StageFixture stage(40, 20, k.level, 1.0);
    g_Stage.m_nHeroBulletW = 6;
    g_Stage.m_nHeroBulletH = 10;
    g_Stage.m_nCharaBulletW = 12;
    g_Stage.m_nCharaBulletH = 4;
    const int n = k.level;
    cCharaBase shooter, target;
    MakeChara(shooter, 7, k.team, 2, 600, 480, k.shooterFacing);
    MakeChara(target, 8, 1, 3, 900, 480);
    shooter.m_vecLink[1] = &target;

    cEdShot s;
    s.m_nGraphic = 33;
    s.m_byFaction = 5;
    s.m_bFactionOfUser = static_cast<BYTE>(k.factionOfUser);
    s.m_byScale = static_cast<BYTE>(k.scale);
    s.m_byTargetSlot = static_cast<BYTE>(k.slot);
    s.m_bAccel = 1;
    s.m_nAccel = 30;
    s.m_nAccelPerClone = 5;
    s.m_bExistTime = 1;
    s.m_bCreditShooter = 1;
    s.m_byCreditValue = 6;
    SHOTLAUNCH l = Launch(640, 480, k.vx, 1.2, 3.0);
    l.nClone = 2;
    l.nLife = 7;
    cShot shot;
    ASSERT_EQ(shot.Setup(42, &shooter, kShotKindShot, s, l), 1);

    EXPECT_EQ(shot.m_nId, 42);
    EXPECT_EQ(shot.m_nOwnerId, 7);
    EXPECT_EQ(shot.m_nTeam, k.team);
    EXPECT_EQ(shot.m_bFree, 1);
    EXPECT_EQ(shot.m_nGraphic, 33);
    EXPECT_EQ(shot.m_nCloneValue, 2);
    const int faction = k.factionOfUser ? 2 : 5;
    EXPECT_EQ(shot.m_nBlockSide, faction);
    EXPECT_EQ(shot.m_Settings.m_byFaction, faction);
    EXPECT_EQ(shot.m_bRight, k.wantRight);
    EXPECT_EQ(shot.m_Anime.GetPattern(), 1);
    EXPECT_EQ(shot.m_bNoGravity, 1);

    // The hit box of the shooter's side, centred in the 16 x 16 cell, scaled.
    const int hw = k.team == 0 ? 6 : 12, hh = k.team == 0 ? 10 : 4;
    EXPECT_EQ(shot.m_nW, 16 * k.scale);
    EXPECT_EQ(shot.m_nImgW, 16 * k.scale);
    EXPECT_EQ(shot.m_rcHitOffset.nBaseOffX, 8 - hw / 2);
    EXPECT_EQ(shot.m_rcHitOffset.nOffY, k.scale * (8 - hh / 2));
    EXPECT_EQ(shot.m_rcHitOffset.nW, k.scale * hw);
    EXPECT_DOUBLE_EQ(shot.m_dX, 640);
    EXPECT_DOUBLE_EQ(shot.m_dY, 480);
    EXPECT_DOUBLE_EQ(shot.m_rcHit.dLeft, 640 + k.scale * (8 - hw / 2));
    EXPECT_DOUBLE_EQ(shot.m_rcHit.dRight, 640 + k.scale * (8 - hw / 2) + k.scale * hw - 1);
    EXPECT_DOUBLE_EQ(shot.m_rcHit.dBottom, 480 + k.scale * (8 - hh / 2) + k.scale * hh - 1);

    EXPECT_DOUBLE_EQ(shot.m_dOwnVX, k.vx / n);
    EXPECT_DOUBLE_EQ(shot.m_dOwnVY, 1.2 / n);
    EXPECT_EQ(shot.m_dVX, 0.0);
    const double accel = (30 + 5 * 2) * 0.1 / n;
    EXPECT_DOUBLE_EQ(shot.m_dAccel, accel);
    if (k.vx != 0) {
      const double len = std::sqrt(k.vx * k.vx + 1.2 * 1.2);
      EXPECT_DOUBLE_EQ(shot.m_dAX, k.vx / len * accel / n / 60);
      EXPECT_DOUBLE_EQ(shot.m_dAY, 1.2 / len * accel / n / 60);
    } else {
      EXPECT_EQ(shot.m_dAX, 0.0);
      EXPECT_DOUBLE_EQ(shot.m_dAY, accel / n / 60);
    }
    EXPECT_EQ(shot.m_nLifeLeft, 7 * n * 6);
    EXPECT_EQ(shot.m_pTarget, k.slot == 1 ? &target : nullptr);
    EXPECT_EQ(shot.m_pShooter, &shooter);
    EXPECT_EQ(shot.m_bCreditShooter, 1);
    EXPECT_EQ(shot.m_byCreditValue, 6);
  }
}

TEST_F(ShotTest, StraightFlightCoversItsDistanceAndThenVanishesOrStops) {
  struct Case {
    const char* what;
    double speed, vx, vy;
    int distance, stop;
  };
  const Case cases[] = {
      {"long, right", 3, 3, 0, 10, 0},
      {"diagonal", 5, 3, -4, 6, 0},
      {"no distance beyond the shot", 2, 0, 2, 1, 0},
      {"shorter than a frame", 17, -17, 0, 2, 0},
      {"no distance, faster than the shot is wide", 20, 20, 0, 1, 0},
      {"stops at the end", 3, 3, 0, 4, 1},
  };
  for (int level : {3, 4}) {
    for (const Case& k : cases) {
      SCOPED_TRACE(testing::Message() << k.what << " at level " << level);
      t4test::StageFixture stage(40, 20, level, 1.0);
      const int n = level;
      cCharaBase shooter;
      MakeChara(shooter, 7, 1, 1, 600, 480);
      cEdShot s;
      s.m_bRange = 1;
      s.m_bStopAtRange = static_cast<BYTE>(k.stop);
      SHOTLAUNCH l = Launch(800, 600, k.vx, k.vy, k.speed);
      l.nDistance = k.distance;
      cShot shot;
      shot.Setup(1, &shooter, kShotKindShot, s, l);

      // The sub-steps of the distance, and the one-frame flight of a
      // distance shorter than a frame's travel.
      double d = k.distance * 16.0 - 16;
      if (d < 0) d = 0;
      const double v = std::fabs(k.speed) / n;
      int steps = n;
      if (d > 0 && v > 0) steps = static_cast<int>(d / v);
      else if (16 < static_cast<int>(v * n)) steps = static_cast<int>(16 / v);
      double ovx = k.vx / n, ovy = k.vy / n;
      if (steps < n) {
        ovx = (d / n) * k.vx / (std::fabs(k.vx) + std::fabs(k.vy));
        ovy = (d / n) * k.vy / (std::fabs(k.vx) + std::fabs(k.vy));
        steps = n;
      }
      EXPECT_EQ(shot.m_nRangeLeft, steps);
      for (int i = 1; i <= steps; ++i) {
        ASSERT_EQ(Step(shot), 0) << "sub-step " << i;
        EXPECT_NEAR(shot.m_dX, 800 + i * ovx, 1e-9) << "sub-step " << i;
        EXPECT_NEAR(shot.m_dY, 600 + i * ovy, 1e-9) << "sub-step " << i;
      }
      if (!k.stop) {
        EXPECT_EQ(Step(shot), 1);
        continue;
      }
      for (int i = 0; i < 3 * n; ++i) ASSERT_EQ(Step(shot), 0);
      EXPECT_NEAR(shot.m_dX, 800 + steps * ovx, 1e-9);
      EXPECT_EQ(shot.m_dOwnVX, 0.0);
      EXPECT_EQ(shot.m_Settings.m_byTrajectory, 0);
    }
  }

  // 30 tenths a frame at two sub-steps: 1.5 pixels a sub-step.
  t4test::StageFixture stage(40, 20, 2, 1.0);
  cCharaBase shooter;
  MakeChara(shooter, 7, 1, 1, 600, 480);
  cShot shot;
  shot.Setup(1, &shooter, kShotKindShot, cEdShot(), Launch(800, 600, 3.0, 0, 3.0));
  ASSERT_EQ(Step(shot), 0);
  EXPECT_DOUBLE_EQ(shot.m_dX, 801.5);
}

TEST_F(ShotTest, LifeTimeCountsSubStepsAndTheRangeTestGoesBySide) {
  for (int level : {3, 4}) {
    t4test::StageFixture stage(40, 20, level, 1.0);
    cCharaBase shooter;
    MakeChara(shooter, 7, 1, 1, 600, 480);
    cEdShot s;
    s.m_bExistTime = 1;
    SHOTLAUNCH l = Launch(800, 600, 1, 0, 1);
    l.nLife = 2;
    cShot shot;
    shot.Setup(1, &shooter, kShotKindShot, s, l);
    for (int i = 1; i <= 2 * level * 6; ++i) ASSERT_EQ(Step(shot), 0) << "level " << level << " sub-step " << i;
    EXPECT_EQ(Step(shot), 1) << "level " << level;
  }

  t4test::StageFixture stage;
  g_Stage.m_Quad[kQuadHeroShot].Set(1, 0, 0, 0, 1, 0, 0, 0);  // left side, one cell beyond the view
  g_Stage.m_Quad[kQuadOtherShot].Set(0, 0, 0, 0, 0, 0, 0, 0);
  struct Case {
    int team, free, onScreen;
    double x;
    int want;
  };
  // The view's left is 320; the hero side's limit is 320 - 32.
  const Case cases[] = {{0, 1, 0, 272, 1}, {0, 1, 0, 273.5, 0}, {1, 1, 0, 200, 0},
                        {0, 0, 0, 200, 0}, {0, 1, 1, 200, 0},   {1, 1, 0, 0, 1}};
  for (const Case& k : cases) {
    cShot shot;
    shot.SetParams(1, k.team, 0, 0, 0, nullptr, 0, 0, 0, 16, 16, 16, 16, 0, kPlaceFree, 0);
    shot.m_bFree = k.free;
    shot.m_bActive = 1;  // a shot's conditions always hold
    shot.m_bOnScreen = k.onScreen;
    shot.m_dX = k.x;
    shot.m_dY = 500;
    shot.ClampToStage();
    shot.ClampY(2);
    EXPECT_EQ(shot.IsOutOfRange(), k.want) << "team " << k.team << " free " << k.free << " x " << k.x;
  }
}

TEST_F(ShotTest, AimingTrajectoriesTurnOnceAtTheirSwitchStep) {
  // 1 the hero, 2 the nearest of faction list 3, 3 the shooter's target.
  struct Case {
    int kind, p1, level;
    bool targetDead;
  };
  const Case cases[] = {{1, 0, 3, false}, {1, 4, 4, false}, {2, 4, 3, false}, {2, 0, 4, false},
                        {3, 2, 3, false}, {3, 2, 4, true}};
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << k.kind << " p1 " << k.p1 << " level " << k.level);
    t4test::StageFixture stage(40, 20, k.level, 1.0);
    const int n = k.level;
    cHero& hero = AddHero(1000, 700);
    cCharaBase shooter, nearA, farB, otherList, target;
    MakeChara(shooter, 7, 1, 1, 600, 480);
    MakeChara(nearA, 20, 1, 3, 700, 300);
    MakeChara(farB, 21, 1, 3, 1200, 900);
    MakeChara(otherList, 22, 1, 4, 660, 480);
    MakeChara(target, 23, 1, 5, 500, 800);
    target.m_bDead = k.targetDead ? 1 : 0;
    stage.Scene().m_vecTeamChara[3] = {&farB, &nearA};
    stage.Scene().m_vecTeamChara[4] = {&otherList};
    shooter.m_vecLink[0] = &target;

    cEdShot s;
    s.m_byTrajectory = static_cast<BYTE>(k.kind);
    s.m_anTrajectory[0] = static_cast<int16_t>(k.p1);
    s.m_anTrajectory[1] = 3;
    s.m_nSpeed = 40;  // 4 pixels a frame
    cShot shot;
    shot.Setup(1, &shooter, kShotKindShot, s, Launch(640, 480, 4.0, 0, 4.0));

    const double speed = 4.0 / n;
    const int switchStep = k.p1 ? static_cast<int>(k.p1 * 16 / speed) : 0;
    const cCharaBase* aimed = k.kind == 1 ? &hero : k.kind == 2 ? &nearA : (k.targetDead ? nullptr : &target);
    double x = 640, y = 480, vx = speed, vy = 0;
    for (int call = 1; call <= switchStep + 3 * n; ++call) {
      if (call == switchStep + 1 && aimed) {
        // With p1 = 4 the turn comes after 64 pixels of flight.
        if (k.p1 == 4) {
          EXPECT_NEAR(x - 640, 64.0, 1e-9);
        }
        const double dx = AimCentreX(*aimed) - CentreX(x), dy = AimCentreY(*aimed) - CentreY(y);
        const double dist = std::sqrt(dx * dx + dy * dy);
        vx = speed * dx / dist;
        vy = speed * dy / dist;
      }
      ASSERT_EQ(Step(shot), 0);
      x += vx;
      y += vy;
      EXPECT_NEAR(shot.m_dOwnVX, vx, 1e-12) << "call " << call;
      EXPECT_NEAR(shot.m_dOwnVY, vy, 1e-12) << "call " << call;
      EXPECT_NEAR(shot.m_dX, x, 1e-9) << "call " << call;
      EXPECT_NEAR(shot.m_dY, y, 1e-9) << "call " << call;
    }
    EXPECT_EQ(shot.m_bTrajectoryDone, 1);
  }
}

TEST_F(ShotTest, HomingTrajectoriesSteerFromTheirStartToTheirEnd) {
  // 4 the hero, 5 and 7 the nearest of faction list 3 (again each sub-step),
  // 6 the shooter's target; with `dies` the aimed chara dies while homing.
  struct Case {
    int kind, level;
    bool dies;
  };
  const Case cases[] = {{4, 3, false}, {4, 4, false}, {5, 3, false}, {7, 4, false},
                        {6, 3, false}, {6, 4, true},  {5, 4, true},   {7, 3, true}};
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << k.kind << " level " << k.level << " dies " << k.dies);
    t4test::StageFixture stage(40, 20, k.level, 1.0);
    const int n = k.level;
    cHero& hero = AddHero(900, 640);
    cCharaBase shooter, nearA, farB, target;
    MakeChara(shooter, 7, 1, 1, 600, 480);
    MakeChara(nearA, 20, 1, 3, 760, 400);
    MakeChara(farB, 21, 1, 3, 1100, 800);
    MakeChara(target, 23, 1, 5, 700, 620);
    stage.Scene().m_vecTeamChara[3] = {&farB, &nearA};
    shooter.m_vecLink[2] = &target;

    cEdShot s;
    s.m_byTrajectory = static_cast<BYTE>(k.kind);
    s.m_anTrajectory[0] = 1;  // homing from 16 pixels
    s.m_anTrajectory[1] = 3;  // to 48 pixels
    s.m_anTrajectory[2] = 3;
    s.m_byTargetSlot = 2;
    s.m_nSpeed = 20;
    cShot shot;
    shot.Setup(1, &shooter, kShotKindShot, s, Launch(640, 480, 2.0, 0, 2.0));

    const double speed = 2.0 / n;
    const int from = static_cast<int>(16 / speed), to = static_cast<int>(48 / speed);
    const int deathCall = k.dies ? from + 6 : 0;
    double x = 640, y = 480, vx = speed, vy = 0;
    for (int call = 1; call <= to + 2 * n; ++call) {
      if (call == deathCall) (k.kind == 6 ? target : nearA).m_bDead = 1;
      const int step = call - 1;
      const cCharaBase* aimed = k.kind == 4   ? &hero
                                : k.kind == 6 ? (target.m_bDead ? nullptr : &target)
                                              : (nearA.m_bDead ? &farB : &nearA);
      if (step < to && step >= from && aimed) {
        const double dx = AimCentreX(*aimed) - CentreX(x), dy = AimCentreY(*aimed) - CentreY(y);
        const double dist = std::sqrt(dx * dx + dy * dy);
        vx = speed * dx / dist;
        vy = speed * dy / dist;
      }
      ASSERT_EQ(Step(shot), 0);
      x += vx;
      y += vy;
      ASSERT_NEAR(shot.m_dOwnVX, vx, 1e-12) << "call " << call;
      ASSERT_NEAR(shot.m_dOwnVY, vy, 1e-12) << "call " << call;
      ASSERT_NEAR(shot.m_dX, x, 1e-9) << "call " << call;
      ASSERT_NEAR(shot.m_dY, y, 1e-9) << "call " << call;
    }
    EXPECT_EQ(shot.m_bTrajectoryDone, 1);
  }

  // An end of 0 never homes: the shot flies straight from the first sub-step.
  t4test::StageFixture stage(40, 20, 3, 1.0);
  AddHero(640, 900);
  cCharaBase shooter;
  MakeChara(shooter, 7, 1, 1, 600, 480);
  cEdShot s;
  s.m_byTrajectory = 4;
  s.m_nSpeed = 20;
  cShot shot;
  shot.Setup(1, &shooter, kShotKindShot, s, Launch(640, 480, 2.0, 0, 2.0));
  for (int i = 0; i < 30; ++i) ASSERT_EQ(Step(shot), 0);
  EXPECT_EQ(shot.m_bTrajectoryDone, 1);
  EXPECT_DOUBLE_EQ(shot.m_dOwnVY, 0.0);
  EXPECT_DOUBLE_EQ(shot.m_dOwnVX, 2.0 / 3);
}

TEST_F(ShotTest, WaveAddsTheWaveStepsAcrossTheFlight) {
  struct Case {
    int level;
    double vx, vy;
    int p1, p2, p3;
  };
  const Case cases[] = {{3, 3, 0, 2, 4, 30}, {4, 3, 0, 2, 4, 30}, {3, -2, 1, 1, 7, 0}, {4, -2, 1, 1, 7, 0},
                        {4, 0, 2, 3, 12, 200}};
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << "level " << k.level << " vx " << k.vx << " p " << k.p1 << "," << k.p2 << ","
                                    << k.p3);
    t4test::StageFixture stage(40, 20, k.level, 1.0);
    const int n = k.level;
    cCharaBase shooter;
    MakeChara(shooter, 7, 1, 1, 600, 480, 1);
    cEdShot s;
    s.m_byTrajectory = 8;
    s.m_anTrajectory[0] = static_cast<int16_t>(k.p1);
    s.m_anTrajectory[1] = static_cast<int16_t>(k.p2);
    s.m_anTrajectory[2] = static_cast<int16_t>(k.p3);
    cShot shot;
    shot.Setup(1, &shooter, kShotKindShot, s, Launch(800, 640, k.vx, k.vy, 3));

    // a x sin(h t) per sub-step: its velocity first, then its acceleration,
    // the angle running on by one a sub-step and wrapping at 360 x N.
    const double A = k.p1 * 16.0, h = k.p2 * 0.017453292519943295;
    const bool right = k.vx > 0 || (k.vx == 0 && shooter.m_bRight);
    double phase = n * (right ? k.p3 : k.p3 + 180.0) / k.p2;
    auto advance = [&] {
      phase += 1;
      if (phase >= 360.0 * n) phase -= 360.0 * n;
    };
    double ox = k.vx / n, oy = k.vy / n;
    double angle = std::atan2(oy, ox);
    if (angle < 0) angle += 2 * kPi;
    const double ux = std::cos(angle - kPi / 2), uy = std::sin(angle - kPi / 2);
    for (int call = 1; call <= 5 * n; ++call) {
      if (call == 1) {
        const double w = h * std::cos(h * (phase / n)) * A / n;
        advance();
        ox += w * ux;
        oy += w * uy;
      } else {
        const double w = -(h * std::sin(h * (phase / n)) * (h / n) * A) / n;
        advance();
        const double bx = ox, by = oy;
        ox += w * ux;
        oy += w * uy;
        if ((bx < 0 && ox > 0) || (bx > 0 && ox < 0)) ox = 0;
        if ((by < 0 && oy > 0) || (by > 0 && oy < 0)) oy = 0;
      }
      ASSERT_EQ(Step(shot), 0);
      ASSERT_NEAR(shot.m_dWavePhase, phase, 1e-9) << "call " << call;
      ASSERT_NEAR(shot.m_dOwnVX, ox, 1e-12) << "call " << call;
      ASSERT_NEAR(shot.m_dOwnVY, oy, 1e-12) << "call " << call;
    }
  }
}

TEST_F(ShotTest, FallHandsTheShotToGravityAtItsSwitchStep) {
  for (int level : {3, 4}) {
    SCOPED_TRACE(testing::Message() << "level " << level);
    t4test::StageFixture stage(40, 20, level, 1.0);
    const int n = level;
    const double g = 1.0 / (n * n);
    cCharaBase shooter;
    MakeChara(shooter, 7, 1, 1, 600, 480);
    cEdShot s;
    s.m_byTrajectory = 9;
    s.m_anTrajectory[0] = 2;
    s.m_nSpeed = 20;
    cShot shot;
    shot.Setup(1, &shooter, kShotKindShot, s, Launch(640, 400, 2.0, -1.0, 2.0));
    const int switchStep = static_cast<int>(32 / (2.0 / n));
    double x = 640, y = 400, vy = -1.0 / n;
    for (int call = 1; call <= switchStep + 4 * n; ++call) {
      // Up to the switch the shot flies; from it gravity adds to the speed.
      if (call > switchStep) vy += g;
      ASSERT_EQ(Step(shot), 0);
      x += 2.0 / n;
      y += vy;
      EXPECT_EQ(shot.m_bNoGravity, call > switchStep ? 0 : 1) << "call " << call;
      ASSERT_NEAR(shot.m_dVY, vy, 1e-12) << "call " << call;
      ASSERT_NEAR(shot.m_dX, x, 1e-9) << "call " << call;
      ASSERT_NEAR(shot.m_dY, y, 1e-9) << "call " << call;
    }
  }
}

TEST_F(ShotTest, BlockTestCoversEveryCellUnderALargeShotAndTheCornersOfASmallOne) {
  t4test::StageFixture stage(40, 20, 1, 1.0);
  cCharaBase shooter;
  MakeChara(shooter, 7, 1, 2, 600, 480);
  struct Case {
    int scale, off;   // the shot at map cell 20 + off pixels
    int first, last;  // the map cells it covers on both axes
  };
  // 48 pixels from 660: samples at 660, 692 and 707, cells 20..22; 16 from
  // 664: cells 20 and 21.
  const Case cases[] = {{3, 20, 20, 22}, {1, 24, 20, 21}, {2, 0, 20, 20}};
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << "scale " << k.scale);
    cEdShot s;
    s.m_byScale = static_cast<BYTE>(k.scale);
    cShot shot;
    shot.Setup(1, &shooter, kShotKindShot, s, Launch(20 * 32 + k.off, 20 * 32 + k.off, 0, 0, 0));
    ASSERT_EQ(shot.m_nW, 16 * k.scale);
    for (int cy = k.first - 1; cy <= k.last + 1; ++cy) {
      for (int cx = k.first - 1; cx <= k.last + 1; ++cx) {
        const bool covered = cx >= k.first && cx <= k.last && cy >= k.first && cy <= k.last;
        cBlockCell saved = stage.Cell(cx, cy);
        stage.SetBlock(cx, cy);
        EXPECT_EQ(shot.HitBlocks(), covered ? 1 : 0) << "cell " << cx << "," << cy;
        shot.m_Settings.m_byBlockPass = 1;
        EXPECT_EQ(shot.HitBlocks(), 0);
        shot.m_Settings.m_byBlockPass = 0;
        stage.Cell(cx, cy).m_cPassFaction = 2;  // the shot's faction passes
        EXPECT_EQ(shot.HitBlocks(), 0);
        stage.Cell(cx, cy) = saved;
      }
    }
  }
}

TEST_F(ShotTest, SwordFollowsItsOwnerFrameByFrame) {
  cSwordTypeData type;
  cSwordFrameData f0, f1;
  f0.m_nX = 4, f0.m_nY = 2, f0.m_bMirrorX = 1, f0.m_bMirrorY = 0, f0.m_nWidth = 24, f0.m_nHeight = 8, f0.m_nTime = 1;
  f1.m_nX = -3, f1.m_nY = 5, f1.m_bMirrorX = 0, f1.m_bMirrorY = 1, f1.m_nWidth = 10, f1.m_nHeight = 30, f1.m_nTime = 0;
  struct Case {
    int level, pos0, pos1, facing, scale;
  };
  const Case cases[] = {{1, 0, 2, 1, 1}, {3, 0, 2, 0, 2}, {1, 1, 3, 1, 2}, {3, 1, 3, 0, 1},
                        {3, 2, 0, 1, 1}, {1, 3, 1, 0, 2}};
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << "level " << k.level << " positions " << k.pos0 << "," << k.pos1 << " facing "
                                    << k.facing << " scale " << k.scale);
    t4test::StageFixture stage(40, 20, k.level, 1.0);
    const int n = k.level;
    f0.m_nPosition = k.pos0;
    f1.m_nPosition = k.pos1;
    type.m_vecFrame = {f0, f1};
    g_Database.m_vecSwordType = {cSwordTypeData(), type};
    cHero& owner = AddHero(1000, 500, k.facing);
    cEdShot s;
    s.m_byTrajectory = 1;
    s.m_byScale = static_cast<BYTE>(k.scale);
    cShot sword;
    ASSERT_EQ(sword.Setup(5, &owner, kShotKindSword, s, Launch(0, 0, 0, 0, 0)), 1);
    EXPECT_EQ(sword.m_bFree, 0);
    EXPECT_EQ(sword.m_Anime.GetPattern(), 0);

    // The owner's box in world pixels: 1000..1031 x 500..531.
    auto expectAt = [&](const cSwordFrameData& f, int call) {
      const int sw = k.scale * f.m_nWidth, sh = k.scale * f.m_nHeight;
      const double cx = 1000 + 16 - sw / 2, cy = 500 + 16 - sh / 2;
      int right = k.facing;
      double x = 0, y = cy;
      switch (f.m_nPosition) {
        case 0: x = right ? 1032 : 1000 - sw; break;
        case 1: right = !right; x = right ? 1032 : 1000 - sw; break;
        case 2: x = cx; y = 500 - sh; break;
        default: x = cx; y = 532; break;
      }
      const double ox = k.scale * f.m_nX, oy = k.scale * f.m_nY;
      x += k.facing && f.m_bMirrorX ? -ox : ox;
      y += k.facing && f.m_bMirrorY ? -oy : oy;
      EXPECT_DOUBLE_EQ(sword.m_dX, x) << "call " << call;
      EXPECT_DOUBLE_EQ(sword.m_dY, y) << "call " << call;
      EXPECT_EQ(sword.m_nW, sw) << "call " << call;
      EXPECT_EQ(sword.m_nH, sh) << "call " << call;
      EXPECT_EQ(sword.m_nBaseW, f.m_nWidth) << "call " << call;
      EXPECT_EQ(sword.m_bRight, right) << "call " << call;
      // The hit box is the whole sword.
      EXPECT_DOUBLE_EQ(sword.m_rcHit.dLeft, std::trunc(x)) << "call " << call;
      EXPECT_DOUBLE_EQ(sword.m_rcHit.dBottom, std::trunc(y) + sh - 1) << "call " << call;
    };
    // The first frame lasts time x N x 6 + 1 sub-steps, the second (time 0)
    // one, at whose end the swing is over.
    const int firstCalls = 1 * n * 6 + 1;
    for (int call = 1; call <= firstCalls; ++call) {
      ASSERT_EQ(Step(sword), 0) << "call " << call;
      expectAt(f0, call);
    }
    EXPECT_EQ(Step(sword), 1);
    expectAt(f1, firstCalls + 1);
  }
}

TEST_F(ShotTest, SwordEndsWithItsOwnerAndFindsOwnersAmongTheCharas) {
  t4test::StageFixture stage(40, 20, 2, 1.0);
  cSwordTypeData type;
  cSwordFrameData f;
  f.m_nWidth = 20;
  f.m_nHeight = 20;
  f.m_nTime = 5;
  type.m_vecFrame = {f};
  g_Database.m_vecSwordType = {type};
  cEdShot s;

  cChara& chara = g_lstChara.emplace_back();
  MakeChara(chara, 55, 1, 1, 800, 600, 1);
  cShot sword;
  ASSERT_EQ(sword.Setup(5, &chara, kShotKindSword, s, Launch(0, 0, 0, 0, 0)), 1);
  ASSERT_EQ(Step(sword), 0);
  EXPECT_DOUBLE_EQ(sword.m_dX, 832);
  Place(chara, 700, 600);  // the sword keeps beside it
  ASSERT_EQ(Step(sword), 0);
  EXPECT_DOUBLE_EQ(sword.m_dX, 732);
  // The owner leaving the stage clears the sword's shooter link first.
  sword.m_pShooter = nullptr;
  g_lstChara.clear();
  EXPECT_EQ(Step(sword), 1);

  cHero& hero = AddHero(800, 600);
  cShot heroSword;
  ASSERT_EQ(heroSword.Setup(6, &hero, kShotKindSword, s, Launch(0, 0, 0, 0, 0)), 1);
  ASSERT_EQ(Step(heroSword), 0);
  heroSword.m_pShooter = nullptr;
  Player.clear();
  EXPECT_EQ(Step(heroSword), 1);
}

TEST_F(ShotTest, ASwordSwungIntoAWallLivesItsFullLengthAndAShotIsErased) {
  t4test::StageFixture stage(40, 20, 1, 1.0);
  const std::vector<cInput> savedInput = g_vecInput;
  g_vecInput.assign(2, cInput());
  // The hero flies at 576..607 x 480..511 facing right; the wall fills map
  // column 19 (608..639) around it.
  cHero& hero = AddHero(576, 480, 1);
  for (int row = 13; row <= 17; ++row) stage.SetBlock(19, row);
  cSwordTypeData type;
  cSwordFrameData f;
  f.m_nWidth = 24;
  f.m_nHeight = 8;
  f.m_nTime = 2;  // 2 x 1 x 6 = 12 sub-steps at one sub-step a frame
  type.m_vecFrame = {f};
  g_Database.m_vecSwordType = {type};
  cEdShot s;
  cGameScene& scene = stage.Scene();
  cShot* sword = nullptr;
  cShot* shot = nullptr;
  {
    cShot temp;
    ASSERT_EQ(temp.Setup(1, &hero, kShotKindSword, s, Launch(0, 0, 0, 0, 0)), 1);
    sword = AddShotToScene(scene, temp);
    cShot flying;
    ASSERT_EQ(flying.Setup(2, &hero, kShotKindShot, s, Launch(600, 488, 1, 0, 1)), 1);
    shot = AddShotToScene(scene, flying);
  }
  auto alive = [&](const cShot* which) {
    for (const cShot& x : scene.m_lstShot)
      if (&x == which) return true;
    return false;
  };
  int steps = 0;
  while (alive(sword) && steps < 40) {
    ASSERT_EQ(scene.RunSubStep(1), 0) << steps;
    ++steps;
    if (steps == 1) {
      // The sword stands in the wall beside the hero's front.
      EXPECT_DOUBLE_EQ(sword->m_dX, 608) << steps;
      EXPECT_FALSE(alive(shot)) << "a shot in the wall is erased at once";
    }
  }
  EXPECT_EQ(steps, 13) << "12 sub-steps of its one frame, gone in the next";
  scene.m_lstShot.clear();
  for (auto& l : scene.m_vecTeamShot) l.clear();
  g_vecInput = savedInput;
}

TEST_F(ShotTest, ASwordTypeWithoutFramesMakesNoSword) {
  t4test::StageFixture stage(40, 20, 2, 1.0);
  cSwordTypeData empty;
  empty.m_vecFrame.clear();
  g_Database.m_vecSwordType = {empty};
  cHero& hero = AddHero(800, 600);
  for (int entry : {0, 9}) {
    SCOPED_TRACE(testing::Message() << "entry " << entry);
    const int before = ErrLines();
    cEdShot s;
    s.m_byTrajectory = static_cast<BYTE>(entry);
    cShot sword;
    EXPECT_EQ(sword.Setup(5, &hero, kShotKindSword, s, Launch(0, 0, 0, 0, 0)), 0);
    EXPECT_EQ(ErrLines(), before + 1);
    EXPECT_EQ(Step(sword), 1);
    sword.Draw(nullptr, 0);  // nothing to draw from
    EXPECT_EQ(ErrLines(), before + 1);
  }
}

TEST_F(ShotTest, SceneListsAndTheLinksOfShots) {
  t4test::StageFixture stage;
  cGameScene& scene = stage.Scene();
  cCharaBase shooter, target;
  MakeChara(shooter, 7, 1, 3, 600, 480);
  MakeChara(target, 8, 1, 4, 900, 480);
  shooter.m_vecLink[0] = &target;
  cEdShot s;
  s.m_byTrajectory = 6;
  cShot* stored = nullptr;
  {
    cShot temp;
    temp.Setup(1, &shooter, kShotKindShot, s, Launch(640, 480, 1, 0, 1));
    stored = AddShotToScene(scene, temp);
  }
  ASSERT_EQ(scene.m_lstShot.size(), 1u);
  EXPECT_EQ(&scene.m_lstShot.front(), stored);
  EXPECT_EQ(scene.m_vecTeamShot[3], std::list<cShot*>{stored});
  EXPECT_EQ(stored->m_pTarget, &target);
  target.m_vecShotLink.push_back({stored, 0});
  shooter.m_vecShotLink.push_back({stored, 4});
  EXPECT_EQ(HasShotLink(target.m_vecShotLink, SHOTLINK{stored, 0}), 1);
  EXPECT_EQ(HasShotLink(target.m_vecShotLink, SHOTLINK{stored, 4}), 0);

  // A copy going leaves the stored shot's links alone.
  { cShot copy(*stored); }
  EXPECT_EQ(HasShotLink(shooter.m_vecShotLink, SHOTLINK{stored, 4}), 1);

  stored->AddToHitList(&target);
  stored->AddToHitList(&target);
  EXPECT_EQ(stored->m_lstHit.size(), 1u);
  EXPECT_EQ(stored->IsInHitList(&target), 1);
  EXPECT_EQ(stored->IsInHitList(&shooter), 0);

  // While the list is walked the shot is only marked.
  scene.m_ShotWalk.nDepth = 1;
  EXPECT_TRUE(EraseShot(scene, scene.m_lstShot.begin()) == scene.m_lstShot.end());
  EXPECT_EQ(stored->m_bRemoved, 1);
  EXPECT_EQ(scene.m_lstShot.size(), 1u);
  scene.m_ShotWalk.nDepth = 0;
  EXPECT_TRUE(EraseShot(scene, scene.m_lstShot.begin()) == scene.m_lstShot.end());
  EXPECT_TRUE(scene.m_lstShot.empty());
  EXPECT_TRUE(scene.m_vecTeamShot[3].empty());
  EXPECT_TRUE(target.m_vecShotLink.empty());
  EXPECT_TRUE(shooter.m_vecShotLink.empty());

  // A faction outside the lists is reported and joins list 0.
  const int before = ErrLines();
  cShot odd;
  odd.Setup(2, &shooter, kShotKindShot, s, Launch(640, 480, 1, 0, 1));
  odd.m_nBlockSide = 9;
  cShot* kept = AddShotToScene(scene, odd);
  EXPECT_EQ(ErrLines(), before + 1);
  EXPECT_EQ(scene.m_vecTeamShot[0], std::list<cShot*>{kept});
  // The stage's shots go before the charas they name.
  scene.m_vecTeamShot[0].clear();
  scene.m_lstShot.clear();
}

TEST_F(ShotTest, HostileSettingsNeitherDivideByZeroNorOverflow) {
  struct Case {
    const char* what;
    std::function<void(cEdShot&, SHOTLAUNCH&)> set;
    std::function<void(const cShot&)> check;  // after the first sub-step
  };
  const Case cases[] = {
      {"wave of speed 0",
       [](cEdShot& s, SHOTLAUNCH&) {
         s.m_byTrajectory = 8;
         s.m_anTrajectory[0] = 4;
         s.m_anTrajectory[1] = 0;
         s.m_anTrajectory[2] = 90;
       },
       [](const cShot& t) {
         EXPECT_DOUBLE_EQ(t.m_dWavePhase, 1.0);  // from 0, one step on
         EXPECT_DOUBLE_EQ(t.m_dOwnVX, 1.0 / 3);
         EXPECT_EQ(t.m_dOwnVY, 0.0);
       }},
      {"homing at speed 0",
       [](cEdShot& s, SHOTLAUNCH&) {
         s.m_byTrajectory = 4;
         s.m_anTrajectory[0] = 2;
         s.m_anTrajectory[1] = 5;
         s.m_nSpeed = 0;
       },
       [](const cShot& t) {
         EXPECT_EQ(t.m_nEndStep, 0);
         EXPECT_EQ(t.m_bTrajectoryDone, 1);
         EXPECT_DOUBLE_EQ(t.m_dOwnVX, 1.0 / 3);
       }},
      {"aiming at speed 0",
       [](cEdShot& s, SHOTLAUNCH&) {
         s.m_byTrajectory = 1;
         s.m_anTrajectory[0] = 3;
         s.m_nSpeed = 0;
       },
       [](const cShot& t) {
         EXPECT_EQ(t.m_nSwitchStep, 0);
         EXPECT_EQ(t.m_dOwnVX, 0.0);
       }},
      {"a distance without direction",
       [](cEdShot& s, SHOTLAUNCH& l) {
         s.m_bRange = 1;
         l.nDistance = 2;
         l.dSpeed = 40;
         l.dVX = l.dVY = 0;
       },
       [](const cShot& t) {
         EXPECT_EQ(t.m_nRangeLeft, 2 - 1);
         EXPECT_EQ(t.m_dOwnVX, 0.0);
         EXPECT_EQ(t.m_dOwnVY, 0.0);
       }},
      {"no speed, no distance",
       [](cEdShot& s, SHOTLAUNCH& l) {
         s.m_bRange = 1;
         l.dSpeed = 0;
       },
       [](const cShot& t) { EXPECT_EQ(t.m_nRangeLeft, 2 - 1); }},
      {"a long way at a crawl",
       [](cEdShot& s, SHOTLAUNCH& l) {
         s.m_bRange = 1;
         l.nDistance = 1000000;
         l.dSpeed = 0.001;
       },
       [](const cShot& t) { EXPECT_EQ(t.m_nRangeLeft, INT_MAX - 1); }},
      {"an endless life",
       [](cEdShot& s, SHOTLAUNCH& l) {
         s.m_bExistTime = 1;
         l.nLife = INT_MAX;
       },
       [](const cShot& t) { EXPECT_EQ(t.m_nLifeLeft, INT_MAX - 1); }},
      {"acceleration without a direction",
       [](cEdShot& s, SHOTLAUNCH& l) {
         s.m_bAccel = 1;
         s.m_nAccel = 50;
         l.dVX = l.dVY = 0;
       },
       [](const cShot& t) {
         EXPECT_EQ(t.m_dAX, 0.0);
         EXPECT_EQ(t.m_dAY, 0.0);
       }},
      {"scale 0", [](cEdShot& s, SHOTLAUNCH&) { s.m_byScale = 0; },
       [](const cShot& t) {
         EXPECT_EQ(t.m_Settings.m_byScale, 1);
         EXPECT_EQ(t.m_nW, 16);
       }},
      {"a trajectory beyond the table", [](cEdShot& s, SHOTLAUNCH&) { s.m_byTrajectory = 200; },
       [](const cShot& t) { EXPECT_DOUBLE_EQ(t.m_dX, 640 + 1.0 / 3); }},
      {"a nearest search in no faction list",
       [](cEdShot& s, SHOTLAUNCH&) {
         s.m_byTrajectory = 5;
         s.m_anTrajectory[1] = 9;
         s.m_anTrajectory[2] = 99;
         s.m_nSpeed = 10;
       },
       [](const cShot& t) { EXPECT_DOUBLE_EQ(t.m_dOwnVX, 1.0 / 3); }},
      {"a shot larger than the world", [](cEdShot& s, SHOTLAUNCH&) { s.m_byScale = 255; },
       [](const cShot& t) { EXPECT_EQ(t.m_nW, 16 * 255); }},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    t4test::StageFixture stage(40, 20, 2, 1.0);
    AddHero(900, 900);
    cCharaBase shooter;
    MakeChara(shooter, 7, 1, 1, 600, 480);
    stage.SetBlock(30, 30);
    cEdShot s;
    SHOTLAUNCH l = Launch(640, 480, 2.0 / 3, 0, 2.0 / 3);
    k.set(s, l);
    cShot shot;
    shot.Setup(1, &shooter, kShotKindShot, s, l);
    ASSERT_EQ(Step(shot), 0);
    k.check(shot);
    for (int i = 0; i < 40; ++i) {
      if (Step(shot)) break;
      shot.HitBlocks();
      ASSERT_FALSE(std::isnan(shot.m_dX) || std::isnan(shot.m_dY) || std::isnan(shot.m_dOwnVX) ||
                   std::isnan(shot.m_dOwnVY) || std::isnan(shot.m_dAX))
          << "sub-step " << i;
    }
  }

  // A frame time that overflows int when counted in sub-steps.
  t4test::StageFixture stage(40, 20, 100, 1.0);
  cSwordTypeData type;
  cSwordFrameData f;
  f.m_nWidth = 8;
  f.m_nHeight = 8;
  f.m_nTime = INT_MAX;
  type.m_vecFrame = {f};
  g_Database.m_vecSwordType = {type};
  cHero& hero = AddHero(800, 600);
  cShot sword;
  ASSERT_EQ(sword.Setup(5, &hero, kShotKindSword, cEdShot(), Launch(0, 0, 0, 0, 0)), 1);
  for (int i = 0; i < 10; ++i) ASSERT_EQ(Step(sword), 0);
}

// Drawing in 8-bit colour, where pixels are palette indexes: the shot sheet
// of each facing and set, and the sword images of one type, each with the
// cells it is drawn from filled with a colour of their own.
class ShotDrawTest : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    savedStretch_ = g_StartOption.DD_VideoStretch;
    savedSwords_ = g_Database.m_vecSwordType;
    g_StartOption.DD_VideoStretch = 0;  // DirectDraw draws stretched shots from the second set
    ASSERT_TRUE(Init(kDisplayModes[0]));
    // Graphic 31: column pair 1 (x 32 + 16 a), row 1 (y 16).
    const int sheets[] = {20, 21, 38, 39};
    for (int i = 0; i < 4; ++i) {
      Make(g_SD[sheets[i]], 128, 480);
      Fill(g_SD[sheets[i]], 32, 16, 16, 16, 3 + 2 * i);
      Fill(g_SD[sheets[i]], 48, 16, 16, 16, 4 + 2 * i);
    }
    // Sword type 0: left, right, and their stretch copies; its frame is
    // the 24 x 8 rectangle at (40, 8).
    g_vecSwordSD.resize(4);
    for (int i = 0; i < 4; ++i) {
      Make(g_vecSwordSD[static_cast<size_t>(i)], 128, 64);
      Fill(g_vecSwordSD[static_cast<size_t>(i)], 40, 8, 24, 8, 20 + i);
    }
    cSwordTypeData type;
    type.m_vecFrame[0].m_nSrcX = 40;
    type.m_vecFrame[0].m_nSrcY = 8;
    type.m_vecFrame[0].m_nWidth = 24;
    type.m_vecFrame[0].m_nHeight = 8;
    g_Database.m_vecSwordType = {type};
    Make(target_, 200, 200);
  }
  void TearDown() override {
    for (int e : {20, 21, 38, 39}) DDReleaseSurface(&g_SD[e]);
    for (DDSURFACEDATA& sd : g_vecSwordSD) DDReleaseSurface(&sd);
    g_vecSwordSD.clear();
    DDReleaseSurface(&target_);
    g_Database.m_vecSwordType = savedSwords_;
    g_StartOption.DD_VideoStretch = savedStretch_;
    DisplayTest::TearDown();
  }
  static void Make(DDSURFACEDATA& sd, int w, int h) {
    ASSERT_TRUE(DDCreateSurface(&sd, w, h, 0, 0, 0, nullptr, 0));
    drawtest::FillAll(sd, 0);
  }
  static void Fill(DDSURFACEDATA& sd, int x, int y, int w, int h, uint32_t v) {
    for (int j = 0; j < h; ++j)
      for (int i = 0; i < w; ++i) drawtest::Put(sd, x + i, y + j, v);
  }
  // A shot (or sword) of graphic 31 whose image starts at screen (10, 20).
  void Prepare(cShot& shot, int kind, int right, int scale, int invisible = 0) {
    cEdShot s;
    s.m_nGraphic = 31;
    s.m_byScale = static_cast<BYTE>(scale);
    s.m_bInvisible = static_cast<BYTE>(invisible);
    SHOTLAUNCH l;
    l.dVX = right ? 1 : -1;
    shot.Setup(1, nullptr, kind, s, l);
    if (kind == kShotKindSword) {
      // As the first sub-step of the swing sets them.
      shot.m_nBaseImgW = 24;
      shot.m_nBaseImgH = 8;
      shot.m_nImgW = 24 * scale;
      shot.m_nImgH = 8 * scale;
    }
    shot.m_dX = kView + 10;
    shot.m_dY = kView + 20;
    shot.UpdateScreenRect();
  }
  uint32_t At(int x, int y) { return drawtest::Get(target_, x, y); }
  // Whether exactly the w x h rectangle at (10, 20) holds v.
  void ExpectBlock(int w, int h, uint32_t v) {
    EXPECT_EQ(At(10, 20), v);
    EXPECT_EQ(At(10 + w - 1, 20 + h - 1), v);
    EXPECT_EQ(At(10 + w, 20), 0u);
    EXPECT_EQ(At(10, 20 + h), 0u);
  }

  t4test::StageFixture stage_;
  DDSURFACEDATA target_;
  int savedStretch_ = 0;
  cCheckedVector<cSwordTypeData> savedSwords_;
};

TEST_F(ShotDrawTest, ShotsDrawTheirCellByFacingAndScale) {
  struct Case {
    int right, scale;
    uint32_t colour;  // the sheet's colour for cell 0
  };
  // Plain: Shot.bmp of the facing; above scale 1: the second set, stretched.
  const Case cases[] = {{0, 1, 3}, {1, 1, 5}, {0, 2, 7}, {1, 3, 9}};
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << "right " << k.right << " scale " << k.scale);
    drawtest::FillAll(target_, 0);
    cShot shot;
    Prepare(shot, kShotKindShot, k.right, k.scale);
    ASSERT_EQ(shot.m_rcScreen.left, 10);
    shot.Draw(&target_, 0);
    ExpectBlock(16 * k.scale, 16 * k.scale, k.colour);
    // Cell 1 of the looping pattern after its eight ticks; paused draws
    // do not advance it.
    for (int i = 0; i < 20; ++i) shot.Draw(&target_, 1);
    EXPECT_EQ(shot.m_Anime.GetValue(), 0);
    for (int i = 0; i < 7; ++i) shot.Draw(&target_, 0);
    EXPECT_EQ(At(10, 20), k.colour + 1);
  }
  drawtest::FillAll(target_, 0);
  cShot hidden;
  Prepare(hidden, kShotKindShot, 1, 2, 1);
  hidden.Draw(&target_, 0);
  for (int y = 0; y < 200; y += 5)
    for (int x = 0; x < 200; x += 5) ASSERT_EQ(At(x, y), 0u) << "invisible, drawn at " << x << "," << y;
}

TEST_F(ShotDrawTest, SwordsDrawTheirFrameFromTheImageOfTheirFacing) {
  struct Case {
    int right, scale;
    uint32_t colour;
  };
  const Case cases[] = {{0, 1, 20}, {1, 1, 21}, {0, 2, 22}, {1, 2, 23}};
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << "right " << k.right << " scale " << k.scale);
    drawtest::FillAll(target_, 0);
    cShot sword;
    Prepare(sword, kShotKindSword, k.right, k.scale);
    sword.m_bRight = k.right;
    sword.Draw(&target_, 0);
    ExpectBlock(24 * k.scale, 8 * k.scale, k.colour);
  }
  // Images that did not load draw nothing.
  for (DDSURFACEDATA& sd : g_vecSwordSD) DDReleaseSurface(&sd);
  g_vecSwordSD.clear();
  drawtest::FillAll(target_, 0);
  cShot sword;
  Prepare(sword, kShotKindSword, 1, 1);
  sword.Draw(&target_, 0);
  EXPECT_EQ(At(10, 20), 0u);
}

}  // namespace
