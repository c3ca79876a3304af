// The hero: its set-up, the view that follows it, its moves and the jump
// whose height follows the jump key.
#include "objects/hero.h"

#include <gtest/gtest.h>

#include <cmath>

#include "flow/flow_records.h"
#include "flow/flow_state.h"
#include "graphics/display_fixture.h"
#include "graphics/draw_helpers.h"
#include "objects/stage_fixture.h"
#include "records/stage_data.h"
#include "records/system_data.h"
#include "services/input.h"

namespace {

class HeroTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedSystem_ = g_SystemData;
    savedInput_ = g_vecInput;
    g_vecInput.assign(2, cInput());
    for (cInput& in : g_vecInput) in.TrimPressHistory();
    Player.clear();
    Player.resize(1);
  }
  void TearDown() override {
    Player.clear();
    g_vecInput = savedInput_;
    g_SystemData = savedSystem_;
  }
  cHero& Init(int flight = kFlightOff, int player = 0) {
    templ_ = cCharaData();
    templ_.m_byControl = kCharaControlPlayer;
    templ_.m_byFlight = static_cast<BYTE>(flight);
    templ_.m_byPlayer = static_cast<BYTE>(player);
    templ_.m_byFacing = 1;
    templ_.m_nMaxHp = 10;
    cHero& h = Player[0];
    h.InitFromTemplate(1, &templ_, 0, 0, 0);
    return h;
  }
  // A jump command of `time` tenths of a second as the flow set-up leaves
  // it: its speed and its frame count in sub-steps.
  static cCmdState JumpState(cFlowCmd& cmd, double speed, int subSteps, int mode) {
    cmd.m_byKind = 10;
    cmd.m_vecParam = {mode, 0, 4, 0, 1};
    cCmdState r;
    r.m_pCmd = &cmd;
    r.m_dSpeed = speed;
    r.m_nDuration = subSteps;
    r.m_nFramesLeft = subSteps;
    return r;
  }

  t4test::StageFixture stage_{100, 60, 2, 1.0};
  cCharaData templ_;
  cSystemData savedSystem_;
  std::vector<cInput> savedInput_;
};

TEST_F(HeroTest, SetUpFromItsTemplateAndTheStagesHeroSizes) {
  const cStageData& s = g_Stage;
  cHero& h = Init(kFlightOff, 1);
  EXPECT_EQ(h.m_nW, s.m_nHeroBlockW);
  EXPECT_EQ(h.m_nH, s.m_nHeroBlockH);
  EXPECT_EQ(h.m_nImgOffY, 32 - s.m_nHeroBlockH);  // on the cell bottom
  EXPECT_EQ(h.m_HitItem.nW, s.m_nHeroItemW);
  EXPECT_EQ(h.m_HitItem.nOffX, 16 - s.m_nHeroItemW / 2 - h.m_nImgOffX);
  EXPECT_EQ(h.m_HitShot.nW, s.m_nHeroShotW);
  EXPECT_EQ(h.m_pInput, &g_vecInput[1]);
  EXPECT_EQ(h.m_bRight, 1);
  EXPECT_EQ(h.m_bJumpReady, 1);
  EXPECT_DOUBLE_EQ(h.m_dJumpDecelBase, 4.0 / StageSubSteps());
  // The overlays: largest box first.
  ASSERT_EQ(h.m_vecOverlay.size(), 4u);
  for (size_t i = 1; i < h.m_vecOverlay.size(); ++i)
    EXPECT_GE(h.m_vecOverlay[i - 1].nW * h.m_vecOverlay[i - 1].nH, h.m_vecOverlay[i].nW * h.m_vecOverlay[i].nH);

  // Taking off: the flying box, a short lock of the flows.
  h.m_dVX = 3;
  h.ApplyCharaTemplate(kFlightBlocked, 0);
  EXPECT_EQ(h.m_nH, s.m_nHeroBlockFlyH);
  EXPECT_EQ(h.m_nFlowLockTimer, 2);
  EXPECT_EQ(h.m_dVX, 3);
  // Landing again loses every speed.
  h.ApplyCharaTemplate(kFlightOff, 0);
  EXPECT_EQ(h.m_dVX, 0);
}

TEST_F(HeroTest, TheViewKeepsTheHeroCentredWithinItsBounds) {
  cHero& h = Init(kFlightThrough);
  cScrollAxis& x = stage_.Scene().m_ScrollX;
  struct Case {
    double heroX;
    double view;
  };
  const int w = h.m_nW;
  const Case cases[] = {
      {2000, static_cast<double>(2000 - (320 - w / 2))},
      {330, static_cast<double>(x.m_nMin)},                 // held at the left bound
      {4000, static_cast<double>(x.m_nMax - 640)},          // and at the right
  };
  for (const Case& c : cases) {
    h.m_dX = c.heroX;
    h.OnMovedX();
    EXPECT_DOUBLE_EQ(x.m_dPos, c.view) << c.heroX;
  }
  // An axis that scrolls by itself is left alone.
  x.m_dPos = 1000;
  x.m_dAutoStep = 0.5;
  h.m_dX = 2000;
  h.OnMovedX();
  EXPECT_DOUBLE_EQ(x.m_dPos, 1000);
  // Its screen x is then rounded part by part.
  h.m_dX = 1100.7;
  x.m_dPos = 1000.6;
  h.UpdateScreenRect();
  EXPECT_EQ(h.m_rcScreen.left, 1100 - 1000 - h.m_nImgOffX);
  x.m_dAutoStep = 0;
  h.UpdateScreenRect();
  EXPECT_EQ(h.m_rcScreen.left, static_cast<int>(1100.7 - 1000.6 - h.m_nImgOffX));
}

TEST_F(HeroTest, TheJumpFollowsTheKey) {
  const int n = StageSubSteps();
  cHero& h = Init();
  stage_.SetBlock(30, 30);
  cFlowCmd cmd;
  // Mode 0: the key counts as held; the rise ends at full height.
  cCmdState r = JumpState(cmd, -6.0, 5, 0);
  h.m_pFootBlock = &stage_.Cell(30, 30);
  h.m_bFalling = 0;
  h.Jump(&r);
  EXPECT_EQ(h.m_dVY, -6.0);
  EXPECT_EQ(r.m_bFirst, 1);
  EXPECT_EQ(h.m_bJumpHandled, 1);
  h.Jump(&r);  // once per sub-step
  EXPECT_EQ(h.m_nJumpHold, 1);
  h.m_pFootBlock = nullptr;
  for (int i = 0; i < 4; ++i) {
    h.m_bJumpHandled = 0;
    h.Jump(&r);
  }
  EXPECT_EQ(h.m_nJumpHold, 5);
  EXPECT_EQ(h.m_bRising, 1);  // full height
  EXPECT_EQ(h.m_bJumpReady, 0);
  EXPECT_EQ(h.m_dVY, -6.0);   // not cut

  // Mode 1 with a key step asking for button 1: released after 3 sub-steps
  // the rise is cut to 30 %.
  cHero& k = Init();
  cFlow flow;
  cKeyTrigger button;
  button.m_vecKey.assign(19, 0);
  button.m_vecKey[11] = 1;
  flow.m_vecKeyTrigger = {button};
  cFlowState fs;
  fs.m_pFlow = &flow;
  fs.m_vecKeyTrigger = {&flow.m_vecKeyTrigger[0]};
  stage_.Scene().m_pCurFlow = &fs;
  cFlowCmd cmd1;
  cCmdState r1 = JumpState(cmd1, -6.0, 10 * n, 1);
  k.m_bFalling = 0;
  k.m_pFootBlock = &stage_.Cell(30, 30);
  g_vecInput[0].m_wButton = 1;
  g_vecInput[0].RecordPressHistory();
  for (int i = 0; i < 3; ++i) {
    k.m_bJumpHandled = 0;
    k.Jump(&r1);
    k.m_pFootBlock = nullptr;
  }
  EXPECT_EQ(k.m_dVY, -6.0);
  g_vecInput[0].m_wButton = 0;
  g_vecInput[0].RecordPressHistory();
  k.m_bJumpHandled = 0;
  k.Jump(&r1);
  EXPECT_DOUBLE_EQ(k.m_dVY, -6.0 * 0.3);
  EXPECT_EQ(k.m_bRising, 1);
  EXPECT_EQ(k.m_nJumpHold, 0);
  stage_.Scene().m_pCurFlow = nullptr;
}

TEST_F(HeroTest, AJumpFromAnotherCharasHeadWaitsForTheFramesLastSubStep) {
  const int n = StageSubSteps();
  ASSERT_GT(n, 1);
  cHero& h = Init();
  cFlowCmd cmd;
  cCmdState r = JumpState(cmd, -6.0, 5 * n, 0);
  h.m_bOnChara = 1;
  h.m_bFalling = 0;
  stage_.Scene().m_nSubStepIndex = 1;
  h.Jump(&r);
  EXPECT_EQ(r.m_bFirst, 0);
  EXPECT_EQ(h.m_dVY, 0);
  stage_.Scene().m_nSubStepIndex = n;
  h.m_bJumpHandled = 0;
  h.Jump(&r);
  EXPECT_EQ(r.m_bFirst, 1);
  EXPECT_EQ(h.m_bOnChara, 0);
  EXPECT_DOUBLE_EQ(h.m_dVY, -6.0 * 1.0199999809265137);
  EXPECT_FLOAT_EQ(static_cast<float>(h.m_dVY / -6.0), 1.02f);
}

TEST_F(HeroTest, MovesUpdateAndTheContactList) {
  cHero& h = Init(kFlightThrough);
  h.m_dX = 2000;
  h.m_dY = 1000;
  h.m_dAX = 100;  // far past the speed limit
  h.MoveX();
  EXPECT_DOUBLE_EQ(h.m_dVX, StageStepSpeedLimit());
  EXPECT_DOUBLE_EQ(h.m_dX, 2000 + StageStepSpeedLimit());

  // A speed block brakes the run-up harder.
  h.m_dVX = 0;
  h.m_dAX = 1.0;
  h.m_dDecel = 0;
  h.m_bOnEffectBlock = 1;
  h.m_nBlockEffect = 3;
  h.m_dBlockFactor = 0.5;
  h.MoveX();
  EXPECT_DOUBLE_EQ(h.m_dAX, 1.0 - PerSecondToPerFrame(h.m_dJumpDecelBase) * 0.5);

  // Without a jump command in the sub-step the jump words reset.
  h.m_nJumpHold = 4;
  h.m_bJumpReady = 0;
  h.m_dAX = 0;
  EXPECT_EQ(h.Update(0), 0);
  EXPECT_EQ(h.m_nJumpHold, 0);
  EXPECT_EQ(h.m_bJumpReady, 1);
  EXPECT_EQ(h.m_nFrameCount, 1);
  EXPECT_EQ(stage_.Scene().m_pCurChara, nullptr);
  h.m_nLife = 0;
  EXPECT_EQ(h.Update(0), 1);

  cCharaBase other;
  h.m_lstContact = {&other, &other};
  EXPECT_EQ(h.IsNotInContactList(&other), 0);
  h.RemoveFromContactList(&other);
  EXPECT_EQ(h.IsNotInContactList(&other), 1);
}

class HeroOverlayTest : public DisplayTest {};

TEST_F(HeroOverlayTest, FramesAndFilledBoxesAtTheirRectangles) {
  ASSERT_TRUE(Init(kDisplayModes[0]));
  t4test::StageFixture stage;
  cStageData& s = g_Stage;
  s.m_nHeroBlockShow = 1;   // frame
  s.m_nHeroItemShow = 2;    // filled
  s.m_nHeroCharaShow = 0;
  s.m_nHeroShotShow = 0;
  s.m_nHeroBlockColor = 1;
  s.m_nHeroItemColor = 3;
  Player.clear();
  Player.resize(1);
  cCharaData t;
  t.m_nMaxHp = 1;
  cHero& h = Player[0];
  h.InitFromTemplate(1, &t, 0, 0, 0);
  h.m_rcScreen = {100, 100, 131, 131};
  drawtest::FillAll(BackBuffer, 0);
  h.DrawOverlays(&BackBuffer);
  const int bx = 100 + h.m_nImgOffX, by = 100 + h.m_nImgOffY;
  EXPECT_EQ(drawtest::Get(BackBuffer, bx, by + h.m_nH - 4), 212u);  // the box frame below the item box
  EXPECT_EQ(drawtest::Get(BackBuffer, bx + 4, by + h.m_nH - 4), 0u);
  const int ix = bx + h.m_HitItem.nOffX + 1, iy = by + h.m_HitItem.nOffY + 1;
  EXPECT_EQ(drawtest::Get(BackBuffer, ix, iy), 220u);  // inside the filled item box
  Player.clear();
}

}  // namespace
