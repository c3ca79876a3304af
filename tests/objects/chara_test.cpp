// Charas: set-up from a template, their moves with the edge codes stage play
// acts on, activation and appearance, the update's flow pass and the jump.
#include "objects/chara.h"

#include <gtest/gtest.h>

#include "flow/flow_records.h"
#include "graphics/display_fixture.h"
#include "objects/stage_fixture.h"
#include "records/progress_data.h"
#include "records/stage_data.h"
#include "records/system_data.h"

namespace {

class CharaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedSystem_ = g_SystemData;
    savedProgress_ = g_Progress;
  }
  void TearDown() override {
    g_Progress = savedProgress_;
    g_SystemData = savedSystem_;
  }
  static cCharaData Template(int flight = kFlightOff) {
    cCharaData t;
    t.m_byFlight = static_cast<BYTE>(flight);
    t.m_nMaxHp = 10;
    return t;
  }
  t4test::StageFixture stage_{40, 20, 2, 1.0};
  cSystemData savedSystem_;
  cProgressData savedProgress_;
};

TEST_F(CharaTest, SpawnTakesItsBoxesFromTheStageAndTheTemplate) {
  struct Case {
    const char* what;
    int flight, blockChara, hitRange, size;
    int w, h, imgOffY;             // collision box
    int charaW, charaH, charaOffY;  // chara rectangle (scale 1)
    int shotW;
  };
  const cStageData& s = g_Stage;
  const Case cases[] = {
      {"walking, foot aligned", kFlightOff, 0, kHitRangeCharaChara, 1, s.m_nCharaBlockW, s.m_nCharaBlockH,
       32 - s.m_nCharaBlockH, s.m_nCharaCharaW, s.m_nCharaCharaH, 32 - (32 - s.m_nCharaBlockH) - s.m_nCharaCharaH,
       s.m_nCharaShotW},
      {"flying, centred", kFlightBlocked, 0, kHitRangeCharaChara, 1, s.m_nCharaBlockFlyW, s.m_nCharaBlockFlyH,
       (32 - s.m_nCharaBlockFlyH) / 2, s.m_nCharaCharaFlyW, s.m_nCharaCharaFlyH,
       16 - (32 - s.m_nCharaBlockFlyH) / 2 - s.m_nCharaCharaFlyH / 2, s.m_nCharaShotW},
      {"hit range of shots", kFlightOff, 0, kHitRangeCharaShot, 1, s.m_nCharaBlockW, s.m_nCharaBlockH,
       32 - s.m_nCharaBlockH, s.m_nCharaShotW, s.m_nCharaShotH, 16 - (32 - s.m_nCharaBlockH) - s.m_nCharaShotH / 2,
       s.m_nCharaShotW},
      // A block chara meets others as a block: no chara rectangle at scale 1.
      {"a block chara fills its cell", kFlightOff, 1, kHitRangeCharaChara, 1, 32, 32, 0, 0, 0, 0, 32},
      {"scale 0 counts as 1", kFlightOff, 1, kHitRangeCharaChara, 0, 32, 32, 0, 0, 0, 0, 32},
      {"scale 2", kFlightOff, 1, kHitRange32, 2, 64, 64, 0, 64, 64, 0, 64},
  };
  for (const Case& c : cases) {
    cCharaData t = Template(c.flight);
    t.m_bBlockChara = static_cast<BYTE>(c.blockChara);
    t.m_byHitRange = static_cast<BYTE>(c.hitRange);
    t.m_cSize = static_cast<int8_t>(c.size);
    cChara ch;
    ch.Spawn(7, &t, nullptr, 400, 400, 0, 0);
    EXPECT_EQ(ch.m_nW, c.w) << c.what;
    EXPECT_EQ(ch.m_nH, c.h) << c.what;
    EXPECT_EQ(ch.m_nImgOffY, c.imgOffY * (c.size > 1 ? c.size : 1)) << c.what;
    EXPECT_EQ(ch.m_HitChara.nW, c.charaW) << c.what;
    EXPECT_EQ(ch.m_HitChara.nH, c.charaH) << c.what;
    EXPECT_EQ(ch.m_HitChara.nOffY, c.charaOffY) << c.what;
    EXPECT_EQ(ch.m_HitShot.nW, c.shotW) << c.what;
    EXPECT_EQ(ch.m_nId, 7) << c.what;
    EXPECT_EQ(ch.m_bNoGravity, c.flight != kFlightOff ? 1 : 0) << c.what;
    EXPECT_EQ(ch.m_Anime.GetPattern(), c.flight != kFlightOff ? 0 : 1) << c.what;
    if (c.size == 0) { EXPECT_EQ(t.m_cSize, 1) << "the template itself is mended"; }
  }
}

TEST_F(CharaTest, EdgeCodesOfTheMoves) {
  cCharaData walker = Template();
  cChara w;
  w.Spawn(1, &walker, nullptr, 0, 0, 0, 0);
  // Falling below the stage's bottom.
  w.m_dX = 400;
  w.m_dY = (20 + 10) * 32 - 4;
  w.m_dVY = 8;
  w.OnMovedX();
  EXPECT_EQ(w.MoveY(), 7);

  cCharaData flyer = Template(kFlightThrough);
  cChara f;
  f.Spawn(2, &flyer, nullptr, 0, 0, 0, 0);
  f.m_dX = 400;
  f.m_dY = 2;
  f.m_dVY = -8;
  EXPECT_EQ(f.MoveY(), 8);  // out of the world at the top
  f.m_dY = 400;
  f.m_dVY = 0;
  f.m_dX = 4;
  f.m_dVX = -8;
  EXPECT_EQ(f.MoveX(), 4);  // the world's side reads 4, not 3

  // A forced velocity replaces the velocity for the move.
  f.m_dX = 400;
  f.m_dVX = 0;
  f.m_dForcedVX = 3;
  f.MoveX();
  EXPECT_DOUBLE_EQ(f.m_dX, 403);
}

TEST_F(CharaTest, ActivationAndAppearance) {
  cCharaData t = Template(kFlightThrough);
  t.m_byActivityRange = kActivityXOnScreen;
  t.m_bGroup = 1;
  t.m_sGroup = 5;
  cChara c;
  c.Spawn(1, &t, nullptr, 0, 0, 0, 0);
  EXPECT_EQ(c.m_bIgnoreY, 1);
  // Far above the view, within its columns.
  c.m_dX = 400;
  c.m_dY = 40;
  c.OnMovedX();
  c.OnMovedY();
  std::vector<BYTE> switches(60, 0);
  EXPECT_EQ(c.UpdateActiveFlag(switches), 1);
  EXPECT_EQ(switches[5], 1);
  EXPECT_EQ(c.TryAppear(switches), 1);
  EXPECT_EQ(c.m_bAppearedC, 1);

  cCharaData hidden = Template(kFlightThrough);
  hidden.m_bGroup = 1;
  hidden.m_sGroup = 5;
  hidden.m_byActivation = kActivationOnceThenAlways;
  cChara d;
  d.Spawn(2, &hidden, nullptr, 0, 0, 0, 0);
  d.m_dX = 4000;  // off screen
  d.m_dY = 40;
  d.OnMovedX();
  std::vector<BYTE> none(60, 0);
  EXPECT_EQ(d.UpdateActiveFlag(none), 0);
  EXPECT_EQ(d.TryAppear(none), 0);
  EXPECT_EQ(d.TryAppear(switches), 1);  // its group's switch brings it in
  EXPECT_EQ(d.m_bIgnoreX, 1);           // and it stays active from now on
  EXPECT_EQ(d.m_bIgnoreY, 1);
  // A bad group number is ignored.
  hidden.m_sGroup = 600;
  cChara e;
  e.Spawn(3, &hidden, nullptr, 0, 0, 0, 0);
  e.m_dX = 400;
  e.m_dY = 400;
  e.OnMovedX();
  e.OnMovedY();
  EXPECT_EQ(e.UpdateActiveFlag(none), 1);
}

cFlowCmd Code(const char* text) {
  cFlowCmd c;
  c.m_byKind = 37;
  c.m_strText = text;
  return c;
}

TEST_F(CharaTest, UpdateStopsAfterAVanishingFlowAndLeavesNoCurrentChara) {
  cCharaData t = Template(kFlightThrough);
  cFlowCmd vanish;
  vanish.m_byKind = 23;
  vanish.m_vecParam = {0, 0, 0};
  cFlow first, second;
  first.m_vecCmd = {Code("C1 = C1 + 1")};
  second.m_vecCmd = {vanish};
  cFlow third;
  third.m_vecCmd = {Code("C2 = C2 + 1")};
  t.m_vecFlow = {first, second, third};
  cChara c;
  c.Spawn(1, &t, nullptr, 400, 400, 0, 0);
  for (cFlowState& s : c.m_vecFlowState) {
    stage_.Scene().m_pCurChara = &c;
    s.Start();
  }
  g_Progress.m_vecVar[1] = g_Progress.m_vecVar[2] = 0;
  EXPECT_EQ(c.Update(0), 1);
  EXPECT_EQ(g_Progress.m_vecVar[1], 1);
  EXPECT_EQ(g_Progress.m_vecVar[2], 0);  // the flow after the vanish did not run
  EXPECT_EQ(stage_.Scene().m_pCurChara, nullptr);
  EXPECT_EQ(stage_.Scene().m_pCurFlow, nullptr);
  EXPECT_EQ(stage_.Scene().m_pCurCmd, nullptr);

  // Idle: the pattern of standing still, and the scroll carry.
  cChara idle;
  idle.Spawn(2, &t, nullptr, 400, 400, 0, 0);
  idle.m_bScrollLock = 1;
  idle.m_Anime.Clear();  // no anime set whose locked steps refuse the change
  stage_.Scene().m_ScrollX.m_dAutoStep = 1.5;
  EXPECT_EQ(idle.Update(1), 0);  // dying: only death flows run
  EXPECT_EQ(idle.m_dVX, 1.5);
  EXPECT_EQ(idle.m_Anime.GetPattern(), 2);
}

TEST_F(CharaTest, AJumpWaitsForSolidGroundAndGivesUpAfterFourFrames) {
  cCharaData t = Template();
  cChara c;
  c.Spawn(1, &t, nullptr, 400, 400, 0, 0);
  cFlowCmd cmd;
  cmd.m_byKind = 10;
  cCmdState r;
  r.m_pCmd = &cmd;
  r.m_dSpeed = -6;
  r.m_nFramesLeft = 100;
  c.m_bFalling = 0;
  c.Jump(&r);
  EXPECT_EQ(c.m_dVY, -6);
  EXPECT_EQ(c.m_bJumping, 1);
  EXPECT_EQ(r.m_bFirst, 1);
  // Back on a block: the command ends.
  stage_.SetBlock(22, 22);
  c.m_pFootBlock = &stage_.Cell(22, 22);
  c.Jump(&r);
  EXPECT_EQ(r.m_nFramesLeft, 0);

  // Still falling: it waits 4 frames of sub-steps, then gives up.
  cChara d;
  d.Spawn(2, &t, nullptr, 400, 400, 0, 0);
  d.m_bFalling = 1;
  cCmdState w;
  w.m_pCmd = &cmd;
  w.m_dSpeed = -6;
  w.m_nFramesLeft = 100;
  w.m_nSubStep = 4 * StageSubSteps() - 1;
  d.Jump(&w);
  EXPECT_EQ(w.m_bFirst, 0);
  ++w.m_nSubStep;
  d.Jump(&w);
  EXPECT_EQ(w.m_bFirst, 1);
  EXPECT_EQ(w.m_nFramesLeft, 0);
  EXPECT_NE(d.m_dVY, -6);
  // The older rule starts at once or not at all.
  g_SystemData.m_bCompat749 = 1;
  cCmdState o;
  o.m_pCmd = &cmd;
  o.m_nSubStep = 100;
  o.m_nFramesLeft = 100;
  d.Jump(&o);
  EXPECT_EQ(o.m_bFirst, 0);
  EXPECT_EQ(o.m_nFramesLeft, 100);
}

}  // namespace

namespace {

class BalloonTest : public DisplayTest {};

TEST_F(BalloonTest, TheDropItemsIconShowsFor32OfEvery96Frames) {
  ASSERT_TRUE(Init(kDisplayModes[2]));
  t4test::StageFixture stage;
  cCharaData t;
  t.m_nMaxHp = 1;
  cItem drop;
  drop.m_bPresent = 1;
  cChara c;
  c.Spawn(1, &t, &drop, 400, 400, 0, 0);
  c.m_bActive = 1;
  int shown = 0;
  for (int frame = 0; frame < 96; ++frame) {
    c.DrawBalloonMark(&BackBuffer);
    if (c.m_nBalloonCount >= 64) ++shown;
  }
  EXPECT_EQ(shown, 32);
  EXPECT_EQ(c.m_nBalloonCount, 0);
  // Nothing to show: no count either.
  cChara bare;
  bare.Spawn(2, &t, nullptr, 400, 400, 0, 0);
  bare.m_bActive = 1;
  bare.DrawBalloonMark(&BackBuffer);
  EXPECT_EQ(bare.m_nBalloonCount, 0);
  EXPECT_EQ(bare.m_DropItem.m_nGraphic, 0);
}

}  // namespace
