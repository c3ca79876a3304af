// The moving commands of charas: how far each carries a chara in a number
// of sub-steps, where it stops, how it turns with its facing and template,
// and how it follows or loses a linked target.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <vector>

#include "flow/cmd_executors.h"
#include "flow/ed_move.h"
#include "flow/flow_records.h"
#include "flow/flow_state.h"
#include "objects/chara.h"
#include "objects/chara_base.h"
#include "objects/stage_fixture.h"
#include "records/system_data.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
const double kDiag = std::sqrt(0.5);

using Exec = int (*)(cCharaBase*, cCmdState*);

// A move command of one kind with its run state, as the flow set-up
// prepares it: the speed in pixels per sub-step.
struct MoveRun {
  cFlowCmd cmd;
  cCmdState state;
  MoveRun(int kind, double speed) {
    cmd.m_byKind = static_cast<BYTE>(kind);
    CreateEdMove(cmd.m_pEdMove);
    state.m_pCmd = &cmd;
    state.m_dSpeed = speed;
    state.m_nFramesLeft = 1000;
  }
  MoveRun(const MoveRun&) = delete;
  cEdMove& Move() { return *cmd.m_pEdMove; }
};

class MoveExecTest : public ::testing::Test {
 protected:
  void SetUp() override { savedSystem_ = g_SystemData; }
  void TearDown() override {
    g_lstChara.clear();
    g_SystemData = savedSystem_;
  }

  // A 32x32 chara whose box lies at map (x, y); the view is at (320, 320).
  static void Place(cCharaBase& c, double x, double y, bool flying, bool right = false) {
    c.m_nW = c.m_nH = c.m_nBaseW = c.m_nBaseH = 32;
    c.m_nImgW = c.m_nImgH = c.m_nBaseImgW = c.m_nBaseImgH = 32;
    c.m_bNoGravity = flying ? 1 : 0;
    c.m_bRight = right ? 1 : 0;
    c.m_dX = x;
    c.m_dY = y;
    Refresh(c);
  }
  static void Refresh(cCharaBase& c) {
    c.ClampX(2);
    c.ClampY(2);
    c.UpdateScreenRect();
  }
  // Sub-steps as the chara's update runs them: the displacement starts at
  // 0, the command asks for one, the chara moves by it.
  static void Drive(cCharaBase& c, cCmdState& s, Exec exec, int steps) {
    for (int i = 0; i < steps; ++i) {
      c.m_dVX = c.m_dVY = 0;
      exec(&c, &s);
      c.m_dX += c.m_dVX;
      c.m_dY += c.m_dVY;
      Refresh(c);
    }
  }

  t4test::StageFixture stage_{60, 40};
  cSystemData savedSystem_;
};

TEST_F(MoveExecTest, RunAngleAndTargetOffsetFollowTheCloneValueAndTheTemplate) {
  const struct {
    const char* what;
    int angle, step, clone, mirror, facing, want;
  } angles[] = {
      {"clone steps add", 5, 10, 3, 0, 0, 35},
      {"reduced below a turn", 725, 0, 0, 0, 0, 5},
      {"a negative angle stays", -30, 0, 0, 0, 0, -30},
      {"mirrored for a template facing right", 30, 0, 0, 1, 1, 330},
      {"not mirrored for one facing left", 30, 0, 0, 1, 0, 30},
      {"mirrored past a turn stays negative", 400, 0, 0, 1, 1, -40},
  };
  for (const auto& c : angles) {
    cCharaBase chara;
    chara.m_nCloneValue = static_cast<int16_t>(c.clone);
    chara.m_Data.m_byFacing = static_cast<BYTE>(c.facing);
    MoveRun run(2, 1);
    run.Move().m_sAngle = static_cast<int16_t>(c.angle);
    run.Move().m_sAnglePerClone = static_cast<int16_t>(c.step);
    run.Move().m_bMirrorAngle = static_cast<BYTE>(c.mirror);
    chara.ComputeMoveAngle(run.state);
    EXPECT_EQ(run.state.m_nAngle, c.want) << c.what;
  }

  const struct {
    const char* what;
    int facing, flipX, flipY, wantX, wantY;
  } offsets[] = {
      {"facing left keeps the offset", 0, 1, 1, 2 * 32 + 5, -1 * 32 + 7},
      {"facing right flips x", 1, 1, 0, -(2 * 32 + 5), -1 * 32 + 7},
      {"facing right flips both", 1, 1, 1, -(2 * 32 + 5), -(-1 * 32 + 7)},
  };
  for (const auto& c : offsets) {
    cCharaBase chara;
    chara.m_Data.m_byFacing = static_cast<BYTE>(c.facing);
    MoveRun run(2, 1);
    run.Move().m_sTargetXBlocks = 2;
    run.Move().m_sTargetXDots = 5;
    run.Move().m_sTargetYBlocks = -1;
    run.Move().m_sTargetYDots = 7;
    run.Move().m_bFlipX = static_cast<BYTE>(c.flipX);
    run.Move().m_bFlipY = static_cast<BYTE>(c.flipY);
    chara.ComputeMoveTargetOffset(run.state);
    EXPECT_EQ(run.state.m_nTargetX, c.wantX) << c.what;
    EXPECT_EQ(run.state.m_nTargetY, c.wantY) << c.what;
  }
}

TEST_F(MoveExecTest, StraightMoveByDirectionCoversSpeedTimesSubSteps) {
  const double s = 2.0;
  const int steps = 5;
  auto ang = [](int deg) { return deg * 0.017453292519943278; };
  const struct {
    const char* what;
    int dir, angle, mirror, templFacing, flying, right, fixed, input;
    double vx, vy;
    int facingAfter;
  } cases[] = {
      {"right-up without an angle", kMoveDirUpRight, 0, 0, 0, 1, 0, 1, 0, s * kDiag, -s * kDiag, 0},
      {"right-up turned by 10 degrees", kMoveDirUpRight, 10, 0, 0, 1, 0, 1, 0, -std::cos(ang(145)) * s,
       -std::sin(ang(145)) * s, 0},
      {"front of a chara facing left", kMoveDirFront, 0, 0, 0, 0, 0, 1, 0, -s, 0, 0},
      {"front of a chara facing right", kMoveDirFront, 0, 0, 0, 0, 1, 1, 0, s, 0, 1},
      {"back of a chara facing right", kMoveDirBack, 0, 0, 0, 1, 1, 1, 0, -s, 0, 1},
      {"front-Y of a flyer facing left goes up", kMoveDirFrontY, 0, 0, 0, 1, 0, 1, 0, 0, -s, 0},
      {"a walker keeps only the diagonal's horizontal share", kMoveDirUpLeft, 0, 0, 0, 0, 0, 1, 0, -s * kDiag, 0, 0},
      {"a walker cannot go up", kMoveDirUp, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0},
      {"angle of a template facing left", kMoveDirLeft, 30, 1, 0, 1, 0, 1, 0, -std::cos(ang(30)) * s,
       -std::sin(ang(30)) * s, 0},
      {"angle mirrored for a template facing right", kMoveDirLeft, 30, 1, 1, 1, 0, 1, 0, -std::cos(ang(330)) * s,
       -std::sin(ang(330)) * s, 0},
      {"input up-right on a flyer", kMoveDirInput, 0, 0, 0, 1, 0, 1, 7, s * kDiag, -s * kDiag, 0},
      {"input up-right on a walker walks right", kMoveDirInput, 0, 0, 0, 0, 0, 1, 7, s, 0, 0},
      {"no input goes the way the chara faces", kMoveDirInput, 0, 0, 0, 0, 1, 1, 0, s, 0, 1},
      {"a free chara turns to its course", kMoveDirRight, 0, 0, 0, 0, 0, 0, 0, s, 0, 1},
      {"a free chara turns on a left diagonal", kMoveDirDownLeft, 0, 0, 0, 1, 1, 0, 0, -s * kDiag, s * kDiag, 0},
      {"a fixed-direction chara keeps its facing", kMoveDirRight, 0, 0, 0, 0, 0, 1, 0, s, 0, 0},
  };
  for (const auto& c : cases) {
    cCharaBase chara;
    Place(chara, 1000, 800, c.flying, c.right);
    chara.m_Data.m_byFacing = static_cast<BYTE>(c.templFacing);
    chara.m_Data.m_bFixedDirection = static_cast<BYTE>(c.fixed);
    cFlowState flow;
    flow.m_nInputDir = c.input;
    stage_.Scene().m_pCurFlow = &flow;
    MoveRun run(2, s);
    run.state.m_byDir = static_cast<BYTE>(c.dir);
    run.Move().m_sAngle = static_cast<int16_t>(c.angle);
    run.Move().m_bMirrorAngle = static_cast<BYTE>(c.mirror);
    Drive(chara, run.state, ExecStraightMove, steps);
    stage_.Scene().m_pCurFlow = nullptr;
    EXPECT_NEAR(chara.m_dX - 1000, steps * c.vx, 1e-9) << c.what;
    EXPECT_NEAR(chara.m_dY - 800, steps * c.vy, 1e-9) << c.what;
    EXPECT_EQ(chara.m_bRight, c.facingAfter) << c.what;
    EXPECT_EQ(chara.m_bMoved, 1) << c.what;
  }
}

TEST_F(MoveExecTest, StraightMoveTurnsWithAFixedCharaHonoursLocksAndInertia) {
  // A fixed-direction chara turned by another command reverses its course.
  {
    cCharaBase chara;
    Place(chara, 1000, 800, true);
    MoveRun run(2, 3);
    run.state.m_byDir = kMoveDirUpLeft;
    Drive(chara, run.state, ExecStraightMove, 2);
    chara.m_bRight = 1;
    Drive(chara, run.state, ExecStraightMove, 3);
    EXPECT_NEAR(chara.m_dX - 1000, (2 - 3) * -3 * kDiag, 1e-9);
    EXPECT_NEAR(chara.m_dY - 800, (2 - 3) * -3 * kDiag, 1e-9);
  }
  // Locked axes stay still, unless the project keeps the older rule.
  for (int older : {0, 1}) {
    g_SystemData.m_bCompat773 = older;
    cCharaBase chara;
    Place(chara, 1000, 800, true);
    MoveRun run(2, 3);
    run.state.m_byDir = kMoveDirDownRight;
    run.Move().m_bLockX = 1;
    Drive(chara, run.state, ExecStraightMove, 4);
    EXPECT_NEAR(chara.m_dX - 1000, older ? 4 * 3 * kDiag : 0.0, 1e-9) << older;
    EXPECT_NEAR(chara.m_dY - 800, 4 * 3 * kDiag, 1e-9) << older;
  }
  g_SystemData.m_bCompat773 = 0;
  // Under inertia the kept velocity gains a sixtieth of the speed per frame
  // up to the limit, and runs against itself by the turn-back factor.
  {
    t4test::StageFixture stage(40, 20, 2);  // 2 sub-steps a frame
    const double n = StageSubSteps();
    ASSERT_EQ(n, 2);
    cCharaBase chara;
    Place(chara, 1000, 800, true);
    chara.m_dAX = -0.05;
    chara.m_bDecelX = chara.m_bDecelY = 1;
    MoveRun run(2, 6);
    run.state.m_byDir = kMoveDirRight;
    run.state.m_dSpeed2 = 0.2;
    run.Move().m_bInertia = 1;
    run.Move().m_dTurnBackFactor = 2.0;
    const double gain = 6 / n * (1.0 / 60);
    chara.m_dVX = 0;
    ExecStraightMove(&chara, &run.state);
    EXPECT_DOUBLE_EQ(chara.m_dAX, -0.05 + 2 * gain);
    EXPECT_EQ(chara.m_bDecelX, 1);  // braking goes on while it turns back
    EXPECT_EQ(chara.m_bDecelY, 0);
    EXPECT_EQ(chara.m_dVX, 0.0);    // nothing is displaced directly
    ExecStraightMove(&chara, &run.state);
    EXPECT_DOUBLE_EQ(chara.m_dAX, -0.05 + 3 * gain);
    EXPECT_EQ(chara.m_bDecelX, 0);
    for (int i = 0; i < 20; ++i) ExecStraightMove(&chara, &run.state);
    EXPECT_DOUBLE_EQ(chara.m_dAX, 0.2);
  }
}

TEST_F(MoveExecTest, StraightMoveToATargetStopsThere) {
  // The chara's box at map (640, 480): its centre on the stage is
  // (320 + 16 + 320, 160 + 16 + 320) with the view at (320, 320).
  const double cx = 656, cy = 496;
  const double s = 3;
  const struct {
    const char* what;
    int base, xBlocks, xDots, yBlocks, yDots, templFacing, halt;
    double homeX, homeY;
    double dx, dy;  // to the target
  } cases[] = {
      {"relative", 1, 1, 28, 2, 16, 0, 0, 0, 0, 60, 80},
      {"relative, flipped for a template facing right", 1, 1, 28, 2, 16, 1, 0, 0, 0, -60, 80},
      {"from the placement", 0, 0, 0, 0, 0, 0, 0, 700, 400, 700 - cx, 400 - cy},
      {"stage coordinates", 2, 12, 0, 5, 0, 0, 0, 0, 0, 320 + 384 + 16 - cx, 320 + 160 + 16 - cy},
      {"screen coordinates", 3, 9, 28, 1, 0, 0, 0, 0, 0, 316 + 320 + 16 - cx, 32 + 320 + 16 - cy},
      {"on the target already", 2, 10, 0, 5, 0, 0, 0, 0, 0, 0, 0},
      {"nearer than a step, halting", 1, 0, 2, 0, 0, 0, 1, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    cCharaBase chara;
    chara.m_dHomeX = c.homeX;
    chara.m_dHomeY = c.homeY;
    Place(chara, 640, 480, true);
    chara.m_Data.m_byFacing = static_cast<BYTE>(c.templFacing);
    MoveRun run(2, s);
    cEdMove& m = run.Move();
    m.m_byMode = 1;
    m.m_byCoordBase = static_cast<BYTE>(c.base);
    m.m_sTargetXBlocks = static_cast<int16_t>(c.xBlocks);
    m.m_sTargetXDots = static_cast<int16_t>(c.xDots);
    m.m_sTargetYBlocks = static_cast<int16_t>(c.yBlocks);
    m.m_sTargetYDots = static_cast<int16_t>(c.yDots);
    m.m_bHaltWhenArrived = static_cast<BYTE>(c.halt);
    stage_.Scene().m_pCurChara = &chara;
    int steps = 0;
    bool done = false;
    while (!done && steps < 1000) {
      chara.m_dVX = chara.m_dVY = 0;
      done = run.state.Run();
      chara.m_dX += chara.m_dVX;
      chara.m_dY += chara.m_dVY;
      Refresh(chara);
      ++steps;
    }
    stage_.Scene().m_pCurChara = nullptr;
    const double d = std::hypot(c.dx, c.dy);
    const int travel = static_cast<int>(d / s);
    EXPECT_EQ(steps, travel > 0 ? travel : 1) << c.what;
    const double covered = c.halt || d == 0 ? 0.0 : travel * s;
    EXPECT_NEAR(chara.m_dX - 640, d == 0 ? 0.0 : covered * c.dx / d, 1e-9) << c.what;
    EXPECT_NEAR(chara.m_dY - 480, d == 0 ? 0.0 : covered * c.dy / d, 1e-9) << c.what;
  }
}

TEST_F(MoveExecTest, AnEndlessTravelTimeKeepsTheMoveGoing) {
  // A crawl so slow that the travel time leaves the int range: the command
  // must last as long as it can, not end at once.
  cCharaBase chara;
  Place(chara, 640, 480, true);
  MoveRun run(2, 1e-9);
  run.Move().m_byMode = 1;
  run.Move().m_byCoordBase = 1;
  run.Move().m_sTargetXDots = 100;
  run.Move().m_bHaltWhenArrived = 1;
  ExecStraightMove(&chara, &run.state);
  EXPECT_EQ(run.state.m_nFramesLeft, INT_MAX);
  EXPECT_DOUBLE_EQ(chara.m_dVX, 1e-9);
}

TEST_F(MoveExecTest, CircleMoveGoesRoundInTheSenseOfItsSettingAndFacing) {
  t4test::StageFixture stage(60, 40, 2);
  const int n = StageSubSteps();
  ASSERT_EQ(n, 2);
  const int r = 4;       // half blocks
  const double s = 1.5;  // degrees per sub-step
  const int start = 30;  // degrees
  const int steps = 60;  // a quarter turn
  const struct {
    const char* what;
    int sense, right, flying, lockY;
    bool clockwise, vertical;
  } cases[] = {
      {"clockwise", 0, 0, 1, 0, true, true},
      {"counter-clockwise", 1, 0, 1, 0, false, true},
      {"clockwise when facing left", 2, 0, 1, 0, true, true},
      {"counter-clockwise when facing right", 2, 1, 1, 0, false, true},
      {"counter-clockwise when facing left", 3, 0, 1, 0, false, true},
      {"a walker only sways", 0, 0, 0, 0, true, false},
      {"y locked", 1, 0, 1, 1, false, false},
  };
  for (const auto& c : cases) {
    cCharaBase chara;
    Place(chara, 1000, 800, c.flying, c.right);
    MoveRun run(4, s);
    run.state.m_byDir = static_cast<BYTE>(c.sense);
    run.state.m_nRadius = r * 16 * n;
    run.state.m_nStartAngle = start * n;
    run.Move().m_bLockY = static_cast<BYTE>(c.lockY);
    Drive(chara, run.state, ExecCircleMove, steps);
    // Each sub-step moves by the circle's tangent at the angle reached.
    const double h = kPi / 180;
    const double phase = c.clockwise ? 270 : 90;
    double wantX = 0, wantY = 0;
    for (int i = 0; i < steps; ++i) {
      const double deg = start + i * s;
      wantX -= h * std::cos(h * deg) * r * 16 * s;
      if (c.vertical) wantY -= h * std::cos(h * (deg + phase)) * r * 16 * s;
    }
    EXPECT_NEAR(chara.m_dX - 1000, wantX, 1e-6) << c.what;
    EXPECT_NEAR(chara.m_dY - 800, wantY, 1e-6) << c.what;
    // A quarter turn from 30 degrees: x by -R (sin 120 - sin 30) within one
    // step's length, y toward the sense's side.
    EXPECT_NEAR(chara.m_dX - 1000, -r * 16 * (std::sin(h * 120) - std::sin(h * 30)), r * 16 * h * s) << c.what;
    if (c.vertical) {
      EXPECT_EQ(chara.m_dY - 800 < 0, c.clockwise) << c.what;
    }
  }
  // No radius, no move.
  cCharaBase chara;
  Place(chara, 1000, 800, true);
  MoveRun run(4, s);
  Drive(chara, run.state, ExecCircleMove, 10);
  EXPECT_EQ(chara.m_dX, 1000);
  EXPECT_EQ(chara.m_dY, 800);
}

TEST_F(MoveExecTest, ChargeAndHomingHeadForTheLinkedTarget) {
  const double s = 2;
  auto aimX = [](const cCharaBase& c) { return c.m_rcScreen.left + c.m_nImgW / 2.0; };
  auto aimY = [](const cCharaBase& c) { return c.m_rcScreen.top + c.m_nImgH / 2.0; };
  auto heading = [](double dx, double dy, double speed) {
    const double d = std::hypot(dx, dy);
    return std::pair<double, double>{speed * dx / d, speed * dy / d};
  };

  // Charge: aims once at the target point plus the offset, then keeps the
  // course whatever the target does; the run angle turns it.
  const struct {
    const char* what;
    int flying, angle, olderAngles;
  } charges[] = {{"flying", 1, 0, 0}, {"walking", 0, 0, 0}, {"turned", 1, 90, 0}, {"turned, older rule", 1, 90, 1}};
  for (const auto& c : charges) {
    g_SystemData.m_bCompat728 = c.olderAngles;
    cCharaBase chara, target;
    Place(chara, 800, 800, c.flying);
    Place(target, 1100, 600, true);
    chara.SetTargetLink(2, &target);
    MoveRun run(5, s);
    run.Move().m_byTargetSlot = 2;
    run.Move().m_sTargetXDots = 10;
    run.Move().m_sAngle = static_cast<int16_t>(c.angle);
    run.Move().m_bMirrorAngle = 0;
    const double dx = aimX(target) + 10 - aimX(chara), dy = aimY(target) - aimY(chara);
    auto [vx, vy] = c.flying ? heading(dx, dy, s) : std::pair<double, double>{s, 0};
    if (c.angle) {
      const double deg = 57.29577951308239, rad = 0.017453292519943278;
      if (!c.olderAngles) {
        const int a = static_cast<int>(std::atan2(vy, vx) * deg + 180) + c.angle;
        vx = -std::cos(a * rad) * s;
        vy = -std::sin(a * rad) * s;
      } else {
        const int a = static_cast<int>(std::atan2(vx, vy) * deg + 90) + c.angle;
        vx = std::cos(a * rad) * s;
        vy = -std::sin(a * rad) * s;
      }
    }
    Drive(chara, run.state, ExecChargeMove, 3);
    target.m_dX -= 500;
    Refresh(target);
    Drive(chara, run.state, ExecChargeMove, 3);
    EXPECT_NEAR(chara.m_dX - 800, 6 * vx, 1e-9) << c.what;
    EXPECT_NEAR(chara.m_dY - 800, 6 * vy, 1e-9) << c.what;
    chara.SetTargetLink(2, nullptr);
  }
  g_SystemData.m_bCompat728 = 0;
  {
    cCharaBase chara;
    Place(chara, 800, 800, true);
    MoveRun run(5, s);
    Drive(chara, run.state, ExecChargeMove, 3);
    EXPECT_EQ(chara.m_dX, 800) << "no target, no course";
    EXPECT_EQ(chara.m_dY, 800);
  }

  // Homing with no sluggishness re-aims every sub-step; with n it steers
  // toward where the target was n sub-steps before; an emptied slot stops
  // the steering at once.
  for (int slowness : {0, 3}) {
    cCharaBase chara, target;
    Place(chara, 800, 800, true);
    Place(target, 1000, 900, true);
    chara.SetTargetLink(0, &target);
    MoveRun run(6, s);
    run.state.m_nRadius = slowness;
    std::vector<std::pair<double, double>> seen;  // the target's point at each call
    for (int i = 0; i < 7; ++i) {
      seen.emplace_back(aimX(target), aimY(target));
      const int aimedAt = slowness == 0 ? i : (i < slowness ? 0 : (i / slowness - 1) * slowness);
      const double fromX = aimX(chara), fromY = aimY(chara);
      chara.m_dVX = chara.m_dVY = 0;
      ExecHomingMove(&chara, &run.state);
      if (slowness == 0 || i % slowness == 0) {
        auto [wx, wy] = heading(seen[aimedAt].first - fromX, seen[aimedAt].second - fromY, s);
        EXPECT_NEAR(chara.m_dVX, wx, 1e-9) << slowness << " call " << i;
        EXPECT_NEAR(chara.m_dVY, wy, 1e-9) << slowness << " call " << i;
      }
      chara.m_dX += chara.m_dVX;
      chara.m_dY += chara.m_dVY;
      Refresh(chara);
      target.m_dY -= 40;  // the target flees upward
      Refresh(target);
    }
    chara.SetTargetLink(0, nullptr);
    chara.m_dVX = chara.m_dVY = 0;
    ExecHomingMove(&chara, &run.state);
    EXPECT_EQ(chara.m_dVX, 0.0) << "target lost " << slowness;
    EXPECT_EQ(chara.m_dVY, 0.0) << "target lost " << slowness;
  }
  {
    cCharaBase chara, target;
    Place(chara, 800, 800, false);
    Place(target, 600, 600, true);
    chara.SetTargetLink(0, &target);
    MoveRun run(6, s);
    ExecHomingMove(&chara, &run.state);
    EXPECT_EQ(chara.m_dVX, -s) << "a walker homes on x only";
    EXPECT_EQ(chara.m_dVY, 0.0);
    chara.m_dVX = 0;
    run.Move().m_bLockX = 1;
    ExecHomingMove(&chara, &run.state);
    EXPECT_EQ(chara.m_dVX, 0.0) << "a walker held on x stays";
    target.m_bDead = 1;
    run.Move().m_bLockX = 0;
    ExecHomingMove(&chara, &run.state);
    EXPECT_EQ(chara.m_dVX, 0.0) << "a dead target is no target";
    chara.SetTargetLink(0, nullptr);
  }
}

TEST_F(MoveExecTest, AvoidOffscreenMovesBackInsideTheView) {
  const double s = 2;
  // The view is at (320, 320); screen x = map x - 320.
  const struct {
    const char* what;
    int dir, right, flying;
    double screenX, screenY, autoX;
    double vx, vy;
  } cases[] = {
      {"left watches the right edge", kMoveDirLeft, 0, 1, 610, 200, 0, -s, 0},
      {"inside the edge nothing happens", kMoveDirLeft, 0, 1, 608, 200, 0, 0, 0},
      {"right watches the left edge", kMoveDirRight, 0, 1, -5, 200, 0, s, 0},
      {"front of a chara facing right is right", kMoveDirFront, 1, 1, -5, 200, 0, s, 0},
      {"back of a chara facing right is left", kMoveDirBack, 1, 1, 610, 200, 0, -s, 0},
      {"up watches the bottom edge", kMoveDirUp, 0, 1, 300, 450, 0, 0, -s},
      {"down watches the top edge", kMoveDirDown, 0, 1, 300, -10, 0, 0, s},
      {"a walker does not move up", kMoveDirUp, 0, 0, 300, 450, 0, 0, 0},
      {"a diagonal watches two edges", kMoveDirUpLeft, 0, 1, 610, 450, 0, -s, -s},
      {"with the scroll, the edge comes nearer by |v + 1|", kMoveDirLeft, 0, 1, 607, 200, 1, 1 - s, 0},
      {"with the scroll, short of that line", kMoveDirLeft, 0, 1, 606, 200, 1, 0, 0},
      {"with the scroll, at the left edge", kMoveDirRight, 0, 1, -2, 200, 1, 1 + s, 0},
  };
  for (const auto& c : cases) {
    stage_.Scene().m_ScrollX.m_dAutoStep = c.autoX;
    cCharaBase chara;
    Place(chara, 320 + c.screenX, 320 + c.screenY, c.flying, c.right);
    ASSERT_EQ(chara.m_rcScreen.left, static_cast<int>(c.screenX)) << c.what;
    MoveRun run(7, s);
    run.state.m_byDir = static_cast<BYTE>(c.dir);
    chara.m_dVX = chara.m_dVY = 0;
    ExecAvoidOffscreenMove(&chara, &run.state);
    EXPECT_DOUBLE_EQ(chara.m_dVX, c.vx) << c.what;
    EXPECT_DOUBLE_EQ(chara.m_dVY, c.vy) << c.what;
    EXPECT_EQ(run.state.m_nSubStep, 1) << c.what;
  }
  stage_.Scene().m_ScrollX.m_dAutoStep = 0;
}

TEST_F(MoveExecTest, GroundTurnMoveTurnsAtLedgesAndWalls) {
  const double s = 2;
  // A walker standing on row 30 (its feet on the line at 960), its box over
  // columns 20 and 21.
  const double x = 20 * 32 + 10, y = 960 - 32;
  const struct {
    const char* what;
    bool floorLeft, floorRight;
    int right, wallSide, fixed;
    double forcedVX, platformStep;  // platformStep: a ridden block chara's x now minus as seen
    double vx;
    int rightAfter;
  } cases[] = {
      {"on open ground it walks on", true, true, 1, -1, 1, 0, 0, s, 1},
      {"a ledge on the right turns it left", true, false, 1, -1, 1, 0, 0, s, 0},
      {"a ledge on the left turns it right", false, true, 0, -1, 1, 0, 0, -s, 1},
      {"a wall turns it back", true, true, 1, 1, 1, 0, 0, -s, 0},
      {"a wall turns a free chara too", true, true, 0, 0, 0, 0, 0, s, 1},
      {"a platform running against the new course drags twice", true, true, 1, 1, 1, 0, -3, -s - 6, 0},
      {"a platform running with it carries once", true, true, 1, 1, 1, 0, 3, -s + 3, 0},
      {"knocked back it does not turn", true, false, 1, -1, 1, 0.5, 0, s, 1},
  };
  for (const auto& c : cases) {
    t4test::StageFixture stage(60, 40);
    if (c.floorLeft) stage.SetBlock(20, 30);
    if (c.floorRight) stage.SetBlock(21, 30);
    cCharaBase chara;
    Place(chara, x, y, false, c.right);
    chara.m_Data.m_bFixedDirection = static_cast<BYTE>(c.fixed);
    chara.m_nWallSide = c.wallSide;
    chara.m_dForcedVX = c.forcedVX;
    if (c.platformStep != 0) {
      g_lstChara.emplace_back();
      cChara& platform = g_lstChara.back();
      platform.m_nId = 7;
      platform.m_Data.m_bBlockChara = 1;
      platform.m_dX = 500;
      chara.m_bOnChara = 1;
      chara.m_nCarrierId = 7;
      chara.m_rcCarrier[0] = 500 - c.platformStep;
    }
    chara.LRUD.l = 1;
    MoveRun run(3, s);
    chara.m_dVX = 0;
    ExecGroundTurnMove(&chara, &run.state);
    EXPECT_DOUBLE_EQ(chara.m_dVX, c.vx) << c.what;
    EXPECT_EQ(chara.m_dVY, 0.0) << c.what;
    EXPECT_EQ(chara.m_bRight, c.rightAfter) << c.what;
    EXPECT_EQ(chara.m_nWallSide, -1) << c.what;
    EXPECT_EQ(chara.LRUD.l, 0) << c.what;
    g_lstChara.clear();
  }
  // A flyer is left alone.
  cCharaBase flyer;
  Place(flyer, x, y, true, true);
  flyer.m_nWallSide = 1;
  MoveRun run(3, s);
  ExecGroundTurnMove(&flyer, &run.state);
  EXPECT_EQ(flyer.m_dVX, 0.0);
  EXPECT_EQ(flyer.m_bRight, 1);
  EXPECT_EQ(flyer.m_nWallSide, 1);
}

// Records the jump command's calls as the kinds' jump would see them.
class JumpRecorder : public cCharaBase {
 public:
  void Jump(cCmdState* state) override { seen.push_back(state->m_nSubStep); }
  std::vector<int> seen;
};

TEST_F(MoveExecTest, DisableTurnAndJump) {
  {
    cCharaBase chara;
    chara.m_dVX = 1, chara.m_dVY = 2, chara.m_dAX = 3, chara.m_dAY = 4;
    chara.m_bDecelX = chara.m_bDecelY = 1;
    chara.LRUD = {1, 1, 1, 1};
    MoveRun run(8, 0);
    ExecDisableMove(&chara, &run.state);
    EXPECT_EQ(chara.m_dVX, 0.0);
    EXPECT_EQ(chara.m_dVY, 0.0);
    EXPECT_EQ(chara.m_dAX, 0.0);
    EXPECT_EQ(chara.m_dAY, 0.0);
    EXPECT_EQ(chara.m_bDecelX + chara.m_bDecelY, 0);
    EXPECT_EQ(chara.LRUD.l + chara.LRUD.r + chara.LRUD.u + chara.LRUD.d, 0);
    EXPECT_EQ(chara.m_bGravityHold, 1);
    chara.ApplyGravityIfFree();
    EXPECT_EQ(chara.m_dVY, 0.0);
  }

  const struct {
    const char* what;
    int fixed, choice, right, targetSide, wallSide, rightAfter;  // targetSide: -1 left of it, 1 right, 0 none
  } turns[] = {
      {"a free chara is not turned", 0, 1, 0, 0, -1, 0},
      {"face left", 1, 0, 1, 0, -1, 0},
      {"face right", 1, 1, 0, 0, -1, 1},
      {"toward target 1 on the right", 1, 2, 0, 1, -1, 1},
      {"away from target 1 on the right", 1, 3, 1, 1, -1, 0},
      {"toward target 4 on the left", 1, 8, 1, -1, -1, 0},
      {"toward a missing target", 1, 4, 1, 0, -1, 1},
      {"toward the last wall, on the left", 1, 10, 1, 0, 0, 0},
      {"away from the last wall, on the left", 1, 11, 0, 0, 0, 1},
      {"no wall touched yet", 1, 10, 1, 0, -1, 1},
  };
  for (const auto& c : turns) {
    cCharaBase chara, target;
    Place(chara, 800, 800, true, c.right);
    chara.m_Data.m_bFixedDirection = static_cast<BYTE>(c.fixed);
    chara.m_nWallSide = c.wallSide;
    Place(target, 800 + 100 * c.targetSide, 500, true);
    if (c.targetSide) chara.SetTargetLink(c.choice >= 2 ? (c.choice - 2) / 2 : 0, &target);
    MoveRun run(9, 0);
    run.cmd.m_vecParam = {c.choice};
    ExecChangeDirection(&chara, &run.state);
    EXPECT_EQ(chara.m_bRight, c.rightAfter) << c.what;
    chara.ClearLinks();
  }
  // Only the first sub-step of each frame acts.
  {
    t4test::StageFixture stage(40, 20, 2);
    cCharaBase chara;
    MoveRun run(9, 0);
    run.cmd.m_vecParam = {0};
    std::vector<int> facing;
    for (int i = 0; i < 4; ++i) {
      stage.Scene().m_nSubStepIndex = 1 + i % 2;
      chara.m_bRight = 1;
      ExecChangeDirection(&chara, &run.state);
      facing.push_back(chara.m_bRight);
    }
    EXPECT_EQ(facing, (std::vector<int>{0, 1, 0, 1}));
  }

  JumpRecorder jumper;
  jumper.LRUD = {1, 1, 1, 1};
  MoveRun run(10, -5);
  for (int i = 0; i < 3; ++i) ExecJump(&jumper, &run.state);
  EXPECT_EQ(jumper.seen, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(run.state.m_nSubStep, 3);
  EXPECT_EQ(jumper.LRUD.u + jumper.LRUD.d, 0);
}

}  // namespace
