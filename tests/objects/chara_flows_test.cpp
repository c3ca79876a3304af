// A chara's flows: loop expansion, inserting flows with their run states,
// command durations and speeds, the animation schedule, removal, and the
// set-up of circle, move and jump commands.
#include "objects/chara_flows.h"

#include <gtest/gtest.h>

#include <string>

#include "flow/flow_records.h"
#include "objects/chara_base.h"
#include "objects/stage_fixture.h"
#include "records/database.h"
#include "records/system_data.h"
#include "platform/video.h"
#include "services/log.h"
#include "support/headless_runner.h"
#include "support/temp_folder.h"

namespace {

// Commands are told apart by their sound number.
cFlowCmd Wait(int tag, int tenths = 1) {
  cFlowCmd c;
  c.m_byKind = 1;
  c.m_sSound = static_cast<int16_t>(tag);
  c.m_sTime = static_cast<int16_t>(tenths);
  return c;
}
cFlowCmd Loop(int times, int length) {
  cFlowCmd c;
  c.m_byKind = 39;
  c.m_vecParam = {times, length};
  return c;
}
std::string Tags(const cCheckedVector<cFlowCmd>& list) {
  std::string s;
  for (const cFlowCmd& c : list) s += c.m_byKind == 39 ? 'L' : static_cast<char>('A' + c.m_sSound);
  return s;
}

TEST(CharaFlows, LoopExpansion) {
  const struct {
    const char* what;
    std::vector<cFlowCmd> list;
    const char* want;
  } cases[] = {
      {"times 3 length 2", {Loop(3, 2), Wait(0), Wait(1), Wait(2)}, "ABABABC"},
      {"length past the end", {Wait(3), Loop(2, 5), Wait(0), Wait(1)}, "DABAB"},
      {"times 0 leaves the block once", {Loop(0, 2), Wait(0), Wait(1)}, "AB"},
      {"times 1", {Loop(1, 1), Wait(0)}, "A"},
      {"length 0", {Loop(4, 0), Wait(0)}, "A"},
      {"nested, outermost first", {Loop(2, 3), Loop(2, 1), Wait(0), Wait(1)}, "AABAAB"},
  };
  for (const auto& c : cases) {
    cCheckedVector<cFlowCmd> list(c.list);
    EXPECT_TRUE(ExpandRepeatCommands(list)) << c.what;
    EXPECT_EQ(Tags(list), c.want) << c.what;
  }
  // An item list's loop is kind 24.
  cFlowCmd itemLoop = Loop(2, 1);
  itemLoop.m_byCategory = 1;
  itemLoop.m_byKind = 24;
  cCheckedVector<cFlowCmd> items{itemLoop, Wait(0)};
  items[1].m_byCategory = 1;
  EXPECT_TRUE(ExpandRepeatCommands(items));
  EXPECT_EQ(items.size(), 2u);
}

class CharaFlowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedAnime_ = g_Database.m_vecAnime;
    savedTable_ = g_AnimePatternTable;
    chara_.Reset(nullptr, 0, 0, 0, 0);
  }
  void TearDown() override {
    g_Database.m_vecAnime = savedAnime_;
    g_AnimePatternTable = savedTable_;
  }
  static cFlow FlowOf(std::vector<cFlowCmd> cmds, int group = 0) {
    cFlow f;
    f.m_byGroup = static_cast<BYTE>(group);
    f.m_vecCmd = cmds;
    return f;
  }
  t4test::StageFixture stage_{40, 20, 2, 1.0};
  cCharaBase chara_;
  cCheckedVector<cAnimeData> savedAnime_;
  cPatternTable savedTable_;
};

TEST_F(CharaFlowsTest, AHostileLoopFailsTheSetUpWithTheMemoryMessage) {
  t4test::TempFolder dir;
  ASSERT_EQ(InitReportLog((dir / "Report_Game.txt").c_str()), 1);
  chara_.m_Data.m_vecFlow = {FlowOf({Loop(2000000, 1), Wait(0)})};
  const bool wasHeadless = plat::IsHeadless();
  plat::SetHeadless(true);  // the box answers itself and shows in the log
  EXPECT_EQ(chara_.InsertFlows(chara_.m_Data.m_vecFlow, 0, -1), 0);
  plat::SetHeadless(wasHeadless);
  EXPECT_TRUE(chara_.m_vecFlowState.empty());
  const std::string log = t4test::ReadFile(dir / "Report_Game.txt");
  EXPECT_NE(log.find(t4test::U8(u8"メモリ不足により、ステージの初期設定に失敗しました！")), std::string::npos);
}

TEST_F(CharaFlowsTest, DurationsAndSpeedsFollowTheCloneValueAndSubSteps) {
  chara_.m_nCloneValue = 3;
  cFlowCmd move = Wait(0, 10);
  move.m_byKind = 2;
  move.m_sTimePerClone = 2;
  CreateEdMove(move.m_pEdMove);
  move.m_pEdMove->m_sSpeed = 15;
  move.m_pEdMove->m_sSpeedPerClone = -1;
  move.m_pEdMove->m_bInertia = 1;
  move.m_pEdMove->m_sMaxSpeed = 40;
  move.m_pEdMove->m_byDirection = 3;
  chara_.m_Data.m_vecFlow = {FlowOf({move})};
  ASSERT_EQ(chara_.InsertFlows(chara_.m_Data.m_vecFlow, 0, -1), 1);
  const cCmdState& s = chara_.m_vecFlowState[0].m_vecCmdState[0];
  EXPECT_EQ(s.m_nDuration, (2 * 3 + 10) * 2 * 6);  // 192
  EXPECT_DOUBLE_EQ(s.m_dSpeed, (-1 * 3 + 15) * 0.1 / 2);
  EXPECT_DOUBLE_EQ(s.m_dSpeed2, 40 * 0.1 / 2);
  EXPECT_EQ(s.m_byDir, 3);
  EXPECT_EQ(s.m_pCmd, &chara_.m_Data.m_vecFlow[0].m_vecCmd[0]);
}

TEST_F(CharaFlowsTest, InsertingInFrontOfAPositionMovesTheLaterFlowsBehind) {
  cCheckedVector<cFlow> own;
  for (int i = 0; i < 5; ++i) own.push_back(FlowOf({Wait(i)}));
  chara_.m_Data.m_vecFlow = own;
  ASSERT_EQ(chara_.InsertFlows(chara_.m_Data.m_vecFlow, 0, -1), 5);
  chara_.m_vecFlowState[3].m_bRunning = 1;  // a state travels with its flow
  {
    cCheckedVector<cFlow> added{FlowOf({Wait(10)}), FlowOf({Wait(11)})};
    added[0].m_bKeyRepeat = 1;
    EXPECT_EQ(chara_.InsertFlows(added, 1, 2), 2);
  }  // the source goes: the states must point at the chara's own copies
  ASSERT_EQ(chara_.m_vecFlowState.Size(), 7);
  std::string order;
  for (int i = 0; i < 7; ++i) {
    const cFlowState& s = chara_.m_vecFlowState[static_cast<size_t>(i)];
    EXPECT_EQ(s.m_nIndex, i);
    EXPECT_EQ(s.m_pFlow, &chara_.m_Data.m_vecFlow[static_cast<size_t>(i)]);
    order += static_cast<char>('A' + s.m_vecCmdState[0].m_pCmd->m_sSound);
  }
  EXPECT_EQ(order, "ABKLCDE");
  EXPECT_EQ(chara_.m_vecFlowState[5].m_bRunning, 1);
  EXPECT_EQ(chara_.m_vecFlowState[2].m_nId, 5);  // ids go on
  EXPECT_EQ(chara_.m_vecFlowState[2].m_bKeyHeld, 0);  // repeats while held
  EXPECT_EQ(chara_.m_vecFlowState[3].m_bKeyHeld, 1);
  // Appended when the position is past the end.
  cCheckedVector<cFlow> more{FlowOf({Wait(12)})};
  EXPECT_EQ(chara_.InsertFlows(more, 1, 99), 1);
  EXPECT_EQ(chara_.m_vecFlowState[7].m_vecCmdState[0].m_pCmd->m_sSound, 12);
}

TEST_F(CharaFlowsTest, ACommandAnimationEndsWhenItsCommandStarts) {
  // Animation 1: 1.2 s before its held pose (frames of 5 and 7 tenths,
  // then a locked frame).
  g_Database.m_vecAnime.assign(2, cAnimeData());
  cAnimeData& a = g_Database.m_vecAnime[1];
  a.m_vecFrame.assign(3, cAnimeFrameData());
  a.m_vecFrame[0].m_nTime = 5;
  a.m_vecFrame[1].m_nTime = 7;
  a.m_vecFrame[2].m_nTime = 3;
  a.m_vecFrame[2].m_nLock = 1;
  t4test::StageFixture oneStep(40, 20, 1, 1.0);
  cFlowCmd third = Wait(2, 4);
  third.m_sAnime = 1;
  cFlowCmd first = Wait(0, 4);
  first.m_sAnime = 1;
  chara_.m_Data.m_vecFlow = {FlowOf({Wait(0, 10), Wait(1, 10), third}), FlowOf({first, Wait(1)})};
  ASSERT_EQ(chara_.InsertFlows(chara_.m_Data.m_vecFlow, 0, -1), 2);
  const auto& sched = chara_.m_vecFlowState[0].m_vecAnimeSchedule;
  ASSERT_EQ(sched.size(), 1u);
  EXPECT_EQ(sched[0].nStart, 120 - 72);  // during the second command
  EXPECT_EQ(sched[0].sLength, 72);
  EXPECT_EQ(sched[0].sSkip, 0);
  EXPECT_EQ(sched[0].sHoldFrames, 24);
  EXPECT_EQ(sched[0].bHold, 1);
  // With nothing before it the animation starts with the flow, its
  // beginning left out.
  const auto& early = chara_.m_vecFlowState[1].m_vecAnimeSchedule;
  ASSERT_EQ(early.size(), 1u);
  EXPECT_EQ(early[0].nStart, 0);
  EXPECT_EQ(early[0].sSkip, 72);
  EXPECT_EQ(early[0].sLength, 0);

  // Playing it: the held pose lasts through the command.
  BuildAnimePatternTable(g_AnimePatternTable, g_Database);
  cFlowState& s = chara_.m_vecFlowState[0];
  s.m_bRunning = 1;
  s.m_nSubStep = 48;
  chara_.ApplyFlowAnimations();
  ASSERT_EQ(chara_.m_lstAnime.size(), 1u);
  RUNNINGANIME& run = chara_.m_lstAnime.front();
  EXPECT_EQ(run.nFlowId, s.m_nId);
  EXPECT_EQ(run.nFramesLeft, 72);
  for (int i = 0; i < 72; ++i) run.Pattern.Step();
  EXPECT_EQ(run.Pattern.GetStep(), 2);  // the pose
  // The pose shows 3 tenths + 24 - 1 frames: 41 in all.
  for (int i = 0; i < 40; ++i) run.Pattern.Step();
  EXPECT_EQ(run.Pattern.GetStep(), 2);
  run.Pattern.Step();
  EXPECT_EQ(run.Pattern.GetStep(), 3);
}

TEST_F(CharaFlowsTest, RemovingFlowsAndGroups) {
  chara_.m_Data.m_vecFlow = {FlowOf({Wait(0)}, 1), FlowOf({Wait(1)}, 2), FlowOf({Wait(2)}, 1), FlowOf({Wait(3)})};
  ASSERT_EQ(chara_.InsertFlows(chara_.m_Data.m_vecFlow, 0, -1), 4);
  chara_.m_vecFlowState[2].m_bRunning = 1;
  RUNNINGANIME anime;
  anime.nFlowId = chara_.m_vecFlowState[2].m_nId;
  chara_.m_lstAnime.push_back(anime);
  EXPECT_EQ(chara_.RemoveFlowGroup(7), -1);
  EXPECT_EQ(chara_.RemoveFlowGroup(1), 0);
  ASSERT_EQ(chara_.m_vecFlowState.Size(), 2);
  EXPECT_TRUE(chara_.m_lstAnime.empty());
  EXPECT_EQ(chara_.m_vecFlowState[1].m_pFlow, &chara_.m_Data.m_vecFlow[1]);
  EXPECT_EQ(chara_.m_vecFlowState[1].m_vecCmdState[0].m_pCmd->m_sSound, 3);
  chara_.RemoveFlow(0);
  ASSERT_EQ(chara_.m_vecFlowState.Size(), 1);
  EXPECT_EQ(chara_.m_vecFlowState[0].m_nIndex, 0);
  chara_.m_vecFlowState[0].m_bRunning = 1;
  EXPECT_EQ(chara_.RemoveFlowGroup(0), 0);
  EXPECT_TRUE(chara_.m_vecFlowState.empty());
  EXPECT_TRUE(chara_.m_Data.m_vecFlow.empty());
}

TEST_F(CharaFlowsTest, CopiesRelinkToTheirOwnFlows) {
  chara_.m_Data.m_vecFlow = {FlowOf({Wait(0), Wait(1)})};
  chara_.InsertFlows(chara_.m_Data.m_vecFlow, 0, -1);
  chara_.m_vecFlowState[0].m_nCurCmd = 1;
  cCharaBase copy(chara_);
  EXPECT_EQ(copy.m_vecFlowState[0].m_nCurCmd, 1);
  EXPECT_EQ(copy.m_vecFlowState[0].m_pFlow, &copy.m_Data.m_vecFlow[0]);
  EXPECT_EQ(copy.m_vecFlowState[0].m_vecCmdState[1].m_pCmd, &copy.m_Data.m_vecFlow[0].m_vecCmd[1]);
}

TEST_F(CharaFlowsTest, CircleAndMoveSetUpNeverDivideByZero) {
  cCmdState s;
  cFlowCmd cmd;
  CreateEdMove(cmd.m_pEdMove);
  cEdMove& m = *cmd.m_pEdMove;
  s.m_pCmd = &cmd;
  // A circle from 0 to 90 degrees at N = 2.
  m.m_sAngle = 0;
  m.m_sSlowness = 90;
  m.m_sDistance = 3;
  m.m_bySpeedMode = 0;
  s.m_nDuration = 60;
  SetupCircleMoveCmd(s, chara_);
  EXPECT_EQ(s.m_nRadius, 3 * 16 * 2);
  EXPECT_EQ(s.m_nStartAngle, 0);
  EXPECT_EQ(s.m_nArc, 180);
  EXPECT_DOUBLE_EQ(s.m_dSpeed, 180.0 / 60 / 2);
  s.m_nDuration = 0;
  SetupCircleMoveCmd(s, chara_);
  EXPECT_EQ(s.m_dSpeed, 0.0);
  m.m_bySpeedMode = 1;
  s.m_dSpeed = 0.0;
  s.m_nDuration = 77;
  SetupCircleMoveCmd(s, chara_);
  EXPECT_EQ(s.m_nDuration, 0);
  s.m_dSpeed = -0.75;
  SetupCircleMoveCmd(s, chara_);
  EXPECT_EQ(s.m_nDuration, 120);  // |180 / -0.75 / 2|
  // A chara facing right at the start mirrors the circle.
  chara_.m_Data.m_byFacing = 1;
  m.m_bFlipX = 1;
  m.m_bFlipY = 0;
  s.m_byDir = 0;
  SetupCircleMoveCmd(s, chara_);
  EXPECT_EQ(s.m_byDir, 1);
  EXPECT_EQ(s.m_nStartAngle, 360);
  m.m_sDistance = 50;  // the radius stays within 20 half blocks
  SetupCircleMoveCmd(s, chara_);
  EXPECT_EQ(s.m_nRadius, 20 * 16 * 2);

  // Moves: speed from time with no time, time from no speed.
  m.m_sDistance = 4;
  m.m_byDistanceUnit = 0;
  m.m_bySpeedMode = 1;
  s.m_nDuration = 0;
  ConvertMoveParams(s, cmd, 0);
  EXPECT_DOUBLE_EQ(s.m_dSpeed, 64.0);  // covered in one sub-step
  m.m_bySpeedMode = 2;
  s.m_dSpeed = 0.0;
  s.m_nDuration = 33;
  ConvertMoveParams(s, cmd, 0);
  EXPECT_EQ(s.m_nDuration, 33);
  s.m_dSpeed = -2.0;
  ConvertMoveParams(s, cmd, 0);
  EXPECT_EQ(s.m_nDuration, 32);  // 64 / -2, made positive
}

TEST_F(CharaFlowsTest, AJumpCommandKeepsItsRiseTimeAsItsDuration) {
  cFlowCmd jump = Wait(0, 1);
  jump.m_byKind = 10;
  jump.m_vecParam = {0, 0, 6, 0, 0};
  chara_.m_nTeam = 1;
  chara_.m_Data.m_vecFlow = {FlowOf({jump})};
  chara_.InsertFlows(chara_.m_Data.m_vecFlow, 0, -1);
  const cCmdState& s = chara_.m_vecFlowState[0].m_vecCmdState[0];
  EXPECT_DOUBLE_EQ(s.m_dSpeed, chara_.JumpSpeedForHeight(6));
  const int tenths = chara_.JumpHeightToFrames(6);
  EXPECT_EQ(chara_.m_Data.m_vecFlow[0].m_vecCmd[0].m_sTime, tenths);
  EXPECT_EQ(s.m_nDuration, tenths * 2 * 6);
}

}  // namespace
