// Run-time parameter change: arrange entries applied to the commands that
// follow them, with their operators, ranges and the commands they skip.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "flow/cmd_dispatch.h"
#include "flow/cmd_executors.h"
#include "flow/flow_records.h"
#include "flow/flow_state.h"
#include "flow/param_change.h"
#include "objects/chara_base.h"
#include "objects/ed_shot.h"
#include "objects/hero.h"
#include "objects/stage_fixture.h"
#include "records/progress_data.h"
#include "services/log.h"
#include "support/headless_runner.h"
#include "support/temp_folder.h"

namespace {

cFlowCmd MoveCmd(int angle = 0) {
  cFlowCmd c;
  c.m_byKind = 2;
  CreateEdMove(c.m_pEdMove);
  c.m_pEdMove->m_sAngle = static_cast<int16_t>(angle);
  return c;
}

cFlowCmd ShotCmd() {
  cFlowCmd c;
  c.m_byKind = 11;
  CreateEdShot(c.m_pEdShot);
  return c;
}

cFlowCmd ArrangeCmd(int kind, int param, int op, int source, int index) {
  cFlowCmd c;
  c.m_byKind = 38;
  c.m_vecParam = {kind, param, op, source, index};
  return c;
}

class ParamChangeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedProgress_ = g_Progress;
    g_Progress.Reset();
    InitCmdParamTable();
    ASSERT_EQ(InitReportLog((dir_ / "Report_Game.txt").c_str()), 1);
    chara_.Reset(nullptr, 0, 0, 0, 0);
  }
  void TearDown() override { g_Progress = savedProgress_; }
  int& C(int i) { return g_Progress.m_vecVar[static_cast<size_t>(i)]; }
  int ErrLines() {
    const std::string r = t4test::ReadFile(dir_ / "Report_Game.txt");
    int n = 0;
    for (size_t at = r.find("err V["); at != std::string::npos; at = r.find("err V[", at + 1)) ++n;
    return n;
  }

  t4test::TempFolder dir_;
  t4test::StageFixture stage_;
  cCharaBase chara_;
  cProgressData savedProgress_;
};

TEST_F(ParamChangeTest, OperatorsRangesAndSources) {
  struct Case {
    const char* what;
    std::function<cFlowCmd()> make;
    ARRANGEENTRY entry;
    int operand;  // common variable 1 (stage variable 1, chara variable 0 alike)
    std::function<int(cFlowCmd&)> read;
    int want;
  };
  auto angle = [](cFlowCmd& c) { return int{c.m_pEdMove->m_sAngle}; };
  auto power = [](cFlowCmd& c) { return c.m_pEdShot->m_nAttack; };
  auto shotWith = [](int attack) {
    return [attack] {
      cFlowCmd c = ShotCmd();
      c.m_pEdShot->m_nAttack = attack;
      return c;
    };
  };
  const Case cases[] = {
      {"set an angle", [] { return MoveCmd(); }, {2, 4, 0, 0, 1}, 90, angle, 90},
      {"add past the range", [] { return MoveCmd(7000); }, {2, 4, 1, 0, 1}, 1000, angle, 7200},
      {"product saturates high", shotWith(50000), {11, 27, 3, 0, 1}, 50000, power, 999999},
      {"product saturates low", shotWith(50000), {11, 27, 3, 0, 1}, -50000, power, -999999},
      {"150 % of 7", shotWith(7), {11, 27, 6, 0, 1}, 150, power, 11},
      {"150 % of -7", shotWith(-7), {11, 27, 6, 0, 1}, 150, power, -11},
      {"divide by 0 keeps it", shotWith(7), {11, 27, 4, 0, 1}, 0, power, 7},
      {"remainder follows the value's sign", shotWith(-7), {11, 27, 5, 0, 1}, 4, power, -3},
      {"stage variable 1", shotWith(7), {11, 27, 0, 1, 1}, 33, power, 33},
      {"chara variable 0", shotWith(7), {11, 27, 0, 2, 0}, 44, power, 44},
      {"common variable 0 is no source", shotWith(7), {11, 27, 0, 0, 0}, 55, power, 7},
      {"stage variable 0 is no source", shotWith(7), {11, 27, 0, 1, 0}, 55, power, 7},
      {"another kind", shotWith(7), {12, 2, 0, 0, 1}, 55, power, 7},
      {"a formation parameter the formation lacks", [] { return ShotCmd(); }, {11, 3, 0, 0, 1}, 9,
       [](cFlowCmd& c) { return int{c.m_pEdShot->m_anFormation[1]}; }, 0},
      {"rows of a lightning formation", [] {
         cFlowCmd c = ShotCmd();
         c.m_pEdShot->m_byFormation = 3;
         return c;
       }, {11, 3, 0, 0, 1}, 99, [](cFlowCmd& c) { return int{c.m_pEdShot->m_anFormation[1]}; }, 50},
      {"a wave's start angle", [] {
         cFlowCmd c = ShotCmd();
         c.m_pEdShot->m_byTrajectory = 8;
         return c;
       }, {11, 17, 0, 0, 1}, 400, [](cFlowCmd& c) { return int{c.m_pEdShot->m_anTrajectory[2]}; }, 359},
      {"a shot without its settings", [] {
         cFlowCmd c;
         c.m_byKind = 11;
         return c;
       }, {11, 27, 0, 0, 1}, 5, [](cFlowCmd& c) { return c.m_pEdShot ? 1 : 0; }, 0},
      {"an impact is a signed byte", shotWith(0), {11, 28, 0, 0, 1}, -30,
       [](cFlowCmd& c) { return int{static_cast<int8_t>(c.m_pEdShot->m_byImpact)}; }, -20},
      {"a slot of the stage-clear item", [] {
         cFlowCmd c;
         c.m_byCategory = 1;
         c.m_byKind = 2;
         c.m_vecParam.assign(9, 0);
         return c;
       }, {17, 0, 0, 0, 1}, 150, [](cFlowCmd& c) { return c.m_vecParam[1]; }, 99},
      {"item kind 0 matches no entry", [] {
         cFlowCmd c;
         c.m_byCategory = 1;
         c.m_byKind = 0;
         c.m_vecParam.assign(4, 0);
         return c;
       }, {15, 0, 0, 0, 1}, 7, [](cFlowCmd& c) { return c.m_vecParam[0]; }, 0},
  };
  for (const Case& c : cases) {
    C(1) = c.operand;
    stage_.Scene().m_vecStageVar[1] = c.operand;
    chara_.m_vecVar[0] = c.operand;
    cFlowCmd cmd = c.make();
    ApplyParamChange(cmd, c.entry, &chara_);
    EXPECT_EQ(c.read(cmd), c.want) << c.what;
  }
  EXPECT_EQ(ErrLines(), 0);
}

TEST_F(ParamChangeTest, EntriesPastTheirListLeaveTheValueWithOneLine) {
  cFlowCmd move = MoveCmd(30);
  C(1) = 5;
  ApplyParamChange(move, {2, 6, 0, 0, 1}, &chara_);  // the list has 6 entries
  EXPECT_EQ(move.m_pEdMove->m_sAngle, 30);
  EXPECT_EQ(ErrLines(), 1);
  cFlowCmd ground;
  ground.m_byKind = 3;
  CreateEdMove(ground.m_pEdMove);
  ApplyParamChange(ground, {3, 0, 0, 0, 1}, &chara_);  // a kind without a list
  EXPECT_EQ(ErrLines(), 2);
}

TEST_F(ParamChangeTest, ArrangedChangesReachTheNextCommandOnlyAndStay) {
  cFlow flow;
  flow.m_vecCmd = {ArrangeCmd(2, 4, 0, 0, 1), ArrangeCmd(2, 4, 1, 0, 2), MoveCmd(5), MoveCmd(5)};
  C(1) = 100;
  C(2) = 20;
  cFlowState state;
  state.m_pFlow = &flow;
  for (cFlowCmd& c : flow.m_vecCmd) {
    cCmdState s;
    s.m_pCmd = &c;
    s.m_nDuration = 1;
    state.m_vecCmdState.push_back(s);
  }
  chara_.m_vecSwitchLatch.assign(27, 0);
  chara_.m_vecSwitchSet.assign(27, 0);
  chara_.m_vecSwitchFrame.assign(27, 0);
  stage_.Scene().m_pCurChara = &chara_;
  state.Start();
  for (int i = 0; i < 10 && !state.Step(); ++i) {
  }
  EXPECT_EQ(flow.m_vecCmd[2].m_pEdMove->m_sAngle, 120);  // both entries, in order
  EXPECT_EQ(flow.m_vecCmd[3].m_pEdMove->m_sAngle, 5);    // none left for the next one
  EXPECT_TRUE(state.m_lstArrange.empty());

  // An entry for another kind is dropped by the command after it all the same.
  flow.m_vecCmd = {ArrangeCmd(11, 27, 0, 0, 1), MoveCmd(5), ShotCmd()};
  for (size_t i = 0; i < state.m_vecCmdState.size(); ++i)
    state.m_vecCmdState[i].m_pCmd = i < flow.m_vecCmd.size() ? &flow.m_vecCmd[i] : nullptr;
  state.m_vecCmdState.resize(3);
  state.Start();
  for (int i = 0; i < 10 && !state.Step(); ++i) {
  }
  EXPECT_EQ(flow.m_vecCmd[2].m_pEdShot->m_nAttack, 0);
}

TEST_F(ParamChangeTest, ItemListsArrangeOnTheHero) {
  Player.clear();
  Player.resize(1);
  cFlowCmd arrange = ArrangeCmd(26, 1, 0, 0, 1);
  arrange.m_byCategory = 1;
  arrange.m_byKind = 23;
  C(1) = 12;
  EXPECT_EQ(g_ItemCmdTable[23](&chara_, &arrange), 0);  // whatever chara runs the list
  ASSERT_EQ(Player[0].m_lstArrange.size(), 1u);
  cFlowCmd graphic;
  graphic.m_byCategory = 1;
  graphic.m_byKind = 11;  // the item twin of kind 26
  graphic.m_vecParam.assign(3, 0);
  ApplyCharaArrangeList(&graphic, &Player[0]);
  EXPECT_EQ(graphic.m_vecParam[2], 12);
  ApplyCharaArrangeList(&graphic, &chara_);  // not a hero: no list
  Player.clear();
}

}  // namespace
