// Starting flows by their triggers and key sequences.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "flow/flow_records.h"
#include "objects/chara_base.h"
#include "objects/hero.h"
#include "objects/stage_fixture.h"
#include "records/system_data.h"
#include "services/input.h"

namespace {

// Key slots: direction states 0..9, then no button and buttons 1..8.
constexpr int kLeft = 1, kRight = 2, kDown = 4, kButton1 = 11;

cKeyTrigger Key(std::initializer_list<std::pair<int, int>> keys, int minHold = 1, int maxHold = 5) {
  cKeyTrigger k;
  k.m_vecKey.assign(19, 0);
  for (auto [slot, wanted] : keys) k.m_vecKey[static_cast<size_t>(slot)] = static_cast<uint8_t>(wanted);
  k.m_sHoldMin = static_cast<int16_t>(minHold);
  k.m_sHoldMax = static_cast<int16_t>(maxHold);
  return k;
}

class TriggerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedSystem_ = g_SystemData;
    savedInput_ = g_vecInput;
    g_vecInput.assign(1, cInput());
    g_vecInput[0].TrimPressHistory();
    Player.clear();
    Player.resize(1);
    Player[0].Reset(nullptr, 0, 0, 0, 0);
    chara_.Reset(nullptr, 0, 0, 0, 0);
    chara_.m_nTeam = 1;
  }
  void TearDown() override {
    chara_.RemoveFlowGroup(0);
    Player.clear();
    g_vecInput = savedInput_;
    g_SystemData = savedSystem_;
  }
  // A flow of one command lasting `subSteps`.
  void AddFlow(int trigger, std::vector<cKeyTrigger> keys = {}, int repeat = 0, int slack = 0) {
    cFlow f;
    f.m_byTrigger = static_cast<BYTE>(trigger);
    f.m_vecKeyTrigger = keys;
    f.m_bKeyRepeat = static_cast<BYTE>(repeat);
    f.m_byKeySlack = static_cast<BYTE>(slack);
    cFlowCmd wait;
    wait.m_byKind = 1;
    wait.m_sTime = 1;
    f.m_vecCmd.push_back(wait);
    // As at spawn: every flow gets a fresh state.
    chara_.m_Data.m_vecFlow.push_back(f);
    chara_.InsertFlows(chara_.m_Data.m_vecFlow, 0, -1);
  }
  // One frame of input: direction bits and button bits.
  void Frame(int dir, int buttons = 0) {
    g_vecInput[0].m_wDir = static_cast<uint16_t>(dir);
    g_vecInput[0].m_wButton = static_cast<uint16_t>(buttons);
    g_vecInput[0].RecordPressHistory();
  }
  cFlowState& State(int i = 0) { return chara_.m_vecFlowState[static_cast<size_t>(i)]; }

  t4test::StageFixture stage_;
  cCharaBase chara_;
  cSystemData savedSystem_;
  std::vector<cInput> savedInput_;
};

TEST_F(TriggerTest, ATriggerStartsItsFlowOncePerFrame) {
  AddFlow(9);
  AddFlow(13);
  chara_.RunFlowsByTrigger(9);
  EXPECT_EQ(State(0).m_bRunning, 1);
  EXPECT_EQ(State(1).m_bRunning, 0);
  State(0).Stop(&chara_);
  chara_.RunFlowsByTrigger(9);  // the same frame: not again
  EXPECT_EQ(State(0).m_bRunning, 0);
  chara_.ResetFlowTriggerFlags();
  chara_.RunFlowsByTrigger(9);
  EXPECT_EQ(State(0).m_bRunning, 1);
  EXPECT_EQ(stage_.Scene().m_pCurChara, nullptr);  // the pass leaves no current chara
}

TEST_F(TriggerTest, GroupsAndPartners) {
  AddFlow(4);
  chara_.m_Data.m_vecFlow[0].m_byGroup = 3;
  chara_.m_Data.m_vecFlow[0].m_bBindPartner = 1;
  chara_.m_Data.m_vecFlow[0].m_byPartnerSlot = 2;
  cCharaBase partner;
  partner.Reset(nullptr, 0, 0, 0, 0);
  chara_.StartFlowsByTrigger(4, &partner, 5);  // another group
  EXPECT_EQ(State().m_bRunning, 0);
  chara_.StartFlowsByTrigger(4, &partner, 3);
  EXPECT_EQ(State().m_bRunning, 1);
  EXPECT_EQ(chara_.m_vecLink[2], &partner);
  EXPECT_EQ(partner.m_vecBackRef, (std::vector<LINKPAIR>{{&chara_, 2}}));
  chara_.ClearLinks();
}

TEST_F(TriggerTest, AKeyPressStartsTheFlowOnceUntilTheKeysStopMatching) {
  AddFlow(0, {Key({{kButton1, 1}})});
  const struct { int buttons; int starts; } frames[] = {{1, 1}, {1, 0}, {1, 0}, {0, 0}, {1, 1}};
  int frame = 0;
  for (const auto& f : frames) {
    Frame(0, f.buttons);
    chara_.ResetFlowTriggerFlags();
    State().Stop(&chara_);
    chara_.RunFlowsByTrigger(0);
    EXPECT_EQ(State().m_bRunning, f.starts) << "frame " << frame++;
  }
  // Held for longer than the press time allows: no start.
  for (int i = 0; i < 6; ++i) Frame(0, 1);
  chara_.ResetFlowTriggerFlags();
  State().Stop(&chara_);
  State().m_bKeyHeld = 0;
  chara_.RunFlowsByTrigger(0);
  EXPECT_EQ(State().m_bRunning, 0);
}

TEST_F(TriggerTest, RepeatWhileHeldStartsAgainEachTimeItEnded) {
  AddFlow(0, {Key({{kButton1, 1}}, 1, 100)}, /*repeat=*/1);
  for (int i = 0; i < 3; ++i) {
    Frame(0, 1);
    chara_.ResetFlowTriggerFlags();
    State().Stop(&chara_);
    chara_.RunFlowsByTrigger(0);
    EXPECT_EQ(State().m_bRunning, 1) << i;
  }
}

TEST_F(TriggerTest, TwoStepSequencesAndTheirSlack) {
  // Down, then right together with button 1.
  const std::vector<cKeyTrigger> seq = {Key({{kDown, 1}}, 1, 30), Key({{kRight, 1}, {kButton1, 1}}, 1, 30)};
  struct Case {
    const char* what;
    int slack;
    int gap;  // neutral frames between the two steps
    int starts;
  };
  const Case cases[] = {
      {"released as the next press starts, no slack", 0, 0, 1},
      {"a gap without slack", 0, 2, 0},
      {"a gap of 3 within a slack of 3", 3, 3, 1},
      {"a gap of 4 beyond a slack of 3", 3, 4, 0},
      {"a gap of 5 beyond a slack of 3", 3, 5, 0},
  };
  for (const Case& c : cases) {
    SetUp();
    AddFlow(9, seq, 0, c.slack);
    Frame(0);
    for (int i = 0; i < 3; ++i) Frame(8);
    for (int i = 0; i < c.gap; ++i) Frame(0);
    Frame(2, 1);
    chara_.RunFlowsByTrigger(9);
    EXPECT_EQ(State().m_bRunning, c.starts) << c.what;
    TearDown();
  }
}

TEST_F(TriggerTest, AFacingRelativeStepMirrorsForACharaFacingLeft) {
  cKeyTrigger right = Key({{kRight, 1}});
  right.m_bMirror = 1;
  AddFlow(9, {right});
  Frame(1);  // left held
  chara_.m_bRight = 0;
  chara_.RunFlowsByTrigger(9);
  EXPECT_EQ(State().m_bRunning, 1);
  EXPECT_EQ(State().m_nInputDir, kLeft);  // the first key pressed when it started
  chara_.ResetFlowTriggerFlags();
  State().Stop(&chara_);
  State().m_bKeyHeld = 0;
  chara_.m_bRight = 1;
  chara_.RunFlowsByTrigger(9);
  EXPECT_EQ(State().m_bRunning, 0);
  EXPECT_EQ(GetFirstPressedKey(g_vecInput[0]), kLeft);
}

TEST_F(TriggerTest, KeyFlagsAndTimingCursors) {
  Frame(0, 1);
  Frame(0, 1);
  Frame(2, 0);
  const cInput& in = g_vecInput[0];
  EXPECT_EQ(chara_.TestKeyFlags(in, Key({{kRight, 1}})), 1);
  EXPECT_EQ(chara_.TestKeyFlags(in, Key({{kButton1, 1}})), 0);
  cKeyTrigger oneOf = Key({{kRight, 1}, {kButton1, 1}});
  oneOf.m_byCombination = 2;
  EXPECT_EQ(chara_.TestKeyFlags(in, oneOf), 1);
  oneOf.m_byCombination = 0;
  EXPECT_EQ(chara_.TestKeyFlags(in, oneOf), 0);

  cCharaBase::KEYCURSORS c;
  for (int i = 0; i < 19; ++i) {
    c.pos[i] = 0;
    c.frames[i] = in.ButtonPressHistory(1)[0].frames;
  }
  // Button 1: released 1 frame (newest), pressed 2 before it.
  c.frames[kButton1] = 1;
  chara_.TestKeyTiming(c, in, -2);
  EXPECT_EQ(c.pos[kButton1], 1);
  EXPECT_EQ(c.frames[kButton1], 1);
  chara_.TestKeyTiming(c, in, 2);
  EXPECT_EQ(c.pos[kButton1], 0);
  EXPECT_EQ(c.frames[kButton1], 1);
}

}  // namespace
