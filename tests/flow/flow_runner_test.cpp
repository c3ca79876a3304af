// The flow runner on hand-built flows: blocking and parallel commands, the
// end of a flow, the switch latches, key-wait messages and the pass before
// the stage starts.
#include <gtest/gtest.h>

#include "flow/cmd_dispatch.h"
#include "flow/flow_records.h"
#include "flow/flow_state.h"
#include "objects/chara_base.h"
#include "objects/stage_fixture.h"
#include "records/progress_data.h"

namespace {

struct Cmd {
  int kind;
  int subSteps;  // the run state's duration
  int parallel;
};

// A flow of the given commands with its run state linked to it, the way a
// chara's flows are after they were inserted.
class RunnerTest : public ::testing::Test {
 protected:
  void Build(std::initializer_list<Cmd> cmds, int trigger = 0, int sw = 0) {
    flow_.m_byTrigger = static_cast<BYTE>(trigger);
    flow_.m_bySwitch = static_cast<BYTE>(sw);
    flow_.m_vecCmd.clear();
    for (const Cmd& c : cmds) {
      cFlowCmd cmd;
      cmd.m_byKind = static_cast<BYTE>(c.kind);
      cmd.m_bParallel = static_cast<BYTE>(c.parallel);
      cmd.m_vecParam.assign(c.kind == 19 ? 18 : 0, 0);
      flow_.m_vecCmd.push_back(cmd);
    }
    state_.m_pFlow = &flow_;
    state_.m_vecCmdState.clear();
    size_t i = 0;
    for (const Cmd& c : cmds) {
      cCmdState s;
      s.m_pCmd = &flow_.m_vecCmd[i++];
      s.m_nDuration = c.subSteps;
      state_.m_vecCmdState.push_back(s);
    }
    chara_.m_vecSwitchLatch.assign(27, 0);
    chara_.m_vecSwitchSet.assign(27, 0);
    chara_.m_vecSwitchFrame.assign(27, 0);
    stage_.Scene().m_pCurChara = &chara_;
  }
  // Steps the flow as the chara's update does; the number of the sub-step
  // in which it ended (from 1), or 0 when it did not end within `limit`.
  int RunToEnd(int limit) {
    for (int n = 1; n <= limit; ++n) {
      if (state_.Step()) {
        state_.Stop(&chara_);
        return n;
      }
    }
    return 0;
  }

  t4test::StageFixture stage_;
  cCharaBase chara_;
  cFlow flow_;
  cFlowState state_;
};

TEST_F(RunnerTest, ABlockingWaitLastsItsSubSteps) {
  // A wait of one tenth of a second at 2 sub-steps a frame: 12 sub-steps.
  Build({{1, 12, 0}});
  state_.Start();
  EXPECT_EQ(RunToEnd(100), 12);
  EXPECT_EQ(state_.m_bRunning, 0);
  EXPECT_EQ(state_.m_vecCmdState[0].m_nFramesLeft, 0);
}

TEST_F(RunnerTest, AParallelCommandKeepsRunningWhileTheBlockingOnesFollowEachOther) {
  Build({{2, 300, 1}, {1, 60, 0}, {1, 60, 0}});
  state_.Start();
  ASSERT_EQ(state_.Step(), 0);
  // The first sub-step started the move and the first wait.
  EXPECT_EQ(state_.m_vecCmdState[0].m_nFramesLeft, 299);
  EXPECT_EQ(state_.m_vecCmdState[1].m_nFramesLeft, 59);
  EXPECT_EQ(state_.m_vecCmdState[2].m_nFramesLeft, 0);
  // The flow ends with the second wait, the move still unfinished.
  int n = 1;
  while (!state_.Step()) ++n;
  EXPECT_EQ(n + 1, 120);
  EXPECT_EQ(state_.m_vecCmdState[0].m_nFramesLeft, 180);
  EXPECT_EQ(state_.m_vecCmdState[0].m_bDone, 0);
  EXPECT_EQ(state_.m_vecCmdState[2].m_bDone, 1);
}

TEST_F(RunnerTest, EndsAndSubStepCounts) {
  struct Case {
    const char* what;
    std::initializer_list<Cmd> cmds;
    int endsIn;
  };
  const Case cases[] = {
      {"a lone parallel command of no duration", {{1, 0, 1}}, 1},
      {"a lone blocking command of no duration", {{1, 0, 0}}, 1},
      {"two blocking commands run one after the other", {{1, 3, 0}, {1, 4, 0}}, 7},
      {"a parallel command starts the next in the same sub-step", {{1, 10, 1}, {1, 4, 0}}, 4},
      {"a flow ends with its last command even when parallel", {{1, 5, 0}, {1, 2, 1}}, 7},
  };
  for (const Case& c : cases) {
    Build(c.cmds);
    state_.Start();
    EXPECT_EQ(RunToEnd(1000), c.endsIn) << c.what;
  }
}

TEST_F(RunnerTest, APausedFlowResumesWhereItStood) {
  Build({{1, 5, 0}, {1, 5, 0}});
  state_.Start();
  for (int i = 0; i < 7; ++i) ASSERT_EQ(state_.Step(), 0);
  state_.Pause();
  EXPECT_EQ(state_.m_nCurCmd, 1);
  EXPECT_EQ(state_.m_vecCmdState[1].m_nFramesLeft, 3);
  state_.Resume();
  EXPECT_EQ(RunToEnd(100), 3);
}

TEST_F(RunnerTest, AnAlwaysFlowLatchesItsSwitchUntilTheCharasUpdateReleasesIt) {
  Build({{1, 2, 0}}, /*trigger=*/0, /*switch=*/3);
  state_.Start();
  EXPECT_EQ(chara_.m_vecSwitchLatch[3], 1);
  EXPECT_EQ(chara_.m_vecSwitchFrame[3], 1);
  EXPECT_EQ(RunToEnd(10), 2);
  // Stopping marks the switch set; the latch stays for the rest of the update.
  EXPECT_EQ(chara_.m_vecSwitchSet[3], 1);
  EXPECT_EQ(chara_.m_bSwitchChanged, 1);
  EXPECT_EQ(chara_.m_vecSwitchLatch[3], 1);
  // A flow of another trigger latches nothing.
  Build({{1, 2, 0}}, /*trigger=*/9, /*switch=*/3);
  state_.Start();
  EXPECT_EQ(chara_.m_vecSwitchLatch[3], 0);
}

TEST_F(RunnerTest, AKeyWaitMessageMarksTheFlowWhenItEnds) {
  Build({{19, 2, 0}, {1, 3, 0}});
  state_.Start();
  EXPECT_EQ(state_.Step(), 0);
  EXPECT_EQ(state_.m_bMessageWait, 0);
  EXPECT_EQ(state_.Step(), 0);
  EXPECT_EQ(state_.m_bMessageWait, 1);
  // The next blocking command's first touch clears it.
  EXPECT_EQ(state_.Step(), 0);
  EXPECT_EQ(state_.m_bMessageWait, 0);
}

TEST_F(RunnerTest, ThePassBeforeTheStageRunsOnlyParallelCommandsOfKind16AndUp) {
  // Music (36) parallel: runs; jump (10) parallel: skipped; music without
  // the parallel byte: skipped.
  Build({{36, 0, 1}, {10, 0, 1}, {36, 0, 0}}, /*trigger=*/21);
  state_.Start();
  EXPECT_EQ(state_.m_bRunning, 0);
  EXPECT_EQ(state_.m_vecCmdState[0].m_bDone, 1);
  EXPECT_EQ(state_.m_vecCmdState[1].m_bDone, 0);
  EXPECT_EQ(state_.m_vecCmdState[2].m_bDone, 0);
}

TEST_F(RunnerTest, HaltingReleasesTheSwitchOfARunningFlowAndStaysFinal) {
  Build({{1, 5, 0}}, 0, 4);
  state_.Start();
  state_.Step();
  state_.Halt(&chara_);
  EXPECT_EQ(state_.m_bHalted, 1);
  EXPECT_EQ(state_.m_bRunning, 1);
  EXPECT_EQ(state_.m_vecCmdState[0].m_nFramesLeft, 0);
  EXPECT_EQ(chara_.m_vecSwitchSet[4], 1);
}

TEST_F(RunnerTest, RunCodeRunsOncePerSubStepOfItsCommand) {
  const int saved = g_Progress.m_vecVar[1];
  struct Case {
    int subSteps;
    int parallel;
    int runs;
  };
  const Case cases[] = {{0, 0, 1}, {1, 0, 1}, {5, 0, 5}, {5, 1, 5}};
  for (const Case& c : cases) {
    Build({{37, c.subSteps, c.parallel}, {1, 10, 0}});
    flow_.m_vecCmd[0].m_strText = "C1 = C1 + 1";
    g_Progress.m_vecVar[1] = 0;
    state_.Start();
    RunToEnd(100);
    EXPECT_EQ(g_Progress.m_vecVar[1], c.runs) << c.subSteps << " " << c.parallel;
  }
  g_Progress.m_vecVar[1] = saved;
}

TEST(CmdDispatch, KindsOutsideTheTableDoNothingAndItemKindsAreUnified) {
  cFlowCmd cmd;
  cmd.m_byKind = 200;
  cCmdState state;
  state.m_pCmd = &cmd;
  EXPECT_EQ(RunCmd(nullptr, &state), 0);
  cmd.m_byCategory = 1;
  cmd.m_byKind = 2;
  EXPECT_EQ(UnifiedCmdKind(cmd), 17);
  cmd.m_byCategory = 0;
  EXPECT_EQ(UnifiedCmdKind(cmd), 2);
}

}  // namespace
