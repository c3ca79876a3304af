// The summon commands run by a chara's flow, the flow operation on a chara's
// flows and on a target's, and the flow change an item makes on the hero.
#include <gtest/gtest.h>

#include <algorithm>
#include <list>
#include <string>
#include <vector>

#include "flow/cmd_executors.h"
#include "flow/cmd_param_table.h"
#include "flow/cond_list.h"
#include "flow/flow_records.h"
#include "flow/flow_state.h"
#include "objects/chara.h"
#include "objects/chara_base.h"
#include "objects/ed_shot.h"
#include "objects/fire_pattern.h"
#include "objects/hero.h"
#include "objects/item.h"
#include "objects/stage_fixture.h"
#include "records/block_data.h"
#include "records/palette_data.h"

namespace {

enum { kStart = 0, kEnd = 1, kPause = 2, kResume = 3, kDelete = 4, kHalt = 5 };
enum { kThisFlow = 0, kOtherFlows = 1, kById = 2 };
constexpr int kTriggerBeforeStage = 21;

cFlowCmd Wait(int tenths) {
  cFlowCmd c;
  c.m_byKind = 1;
  c.m_sTime = static_cast<int16_t>(tenths);
  return c;
}
cFlowCmd FlowOp(int op, int scope, int id, int object, int parallel = 0) {
  cFlowCmd c;
  c.m_byKind = 16;
  c.m_bParallel = static_cast<BYTE>(parallel);
  c.m_vecParam = {op, scope, id, object};
  return c;
}
cFlow FlowOf(std::vector<cFlowCmd> cmds, int group = 0, int trigger = 0) {
  cFlow f;
  f.m_byGroup = static_cast<BYTE>(group);
  f.m_byTrigger = static_cast<BYTE>(trigger);
  f.m_vecCmd = cmds;
  return f;
}
// The flow change of an item's command list.
cFlowCmd FlowChange(int op, int group, std::vector<cFlow> flows) {
  cFlowCmd c;
  c.m_byCategory = 1;
  c.m_byKind = 1;
  c.m_vecParam = {op, group};
  c.m_vecFlow = flows;
  return c;
}

class FlowOperationTest : public ::testing::Test {
 protected:
  explicit FlowOperationTest(int level = 1) : stage_(60, 40, level, 1.0) {}
  void SetUp() override { InitCmdParamTable(); }

  cChara& Make(std::vector<cFlow> flows) {
    cChara& c = charas_.emplace_back();
    c.Reset(nullptr, 0, 0, 0, 0);
    c.SetParams(next_++, 1, 0, 0, 0, nullptr, 0, 0, 0, 32, 32, 32, 32, 0, kPlaceFly, 0);
    c.m_bActive = c.m_bAppeared = 1;
    c.m_nLife = 10;
    c.m_Data.m_vecFlow = flows;
    c.InsertFlows(c.m_Data.m_vecFlow, 0, -1);
    return c;
  }
  // Flow 0 runs the operation; the others (groups 5, 5, 6, 5) are running,
  // one command in, each with a finished and an unfinished animation.
  cChara& MakeWithGroups(const cFlowCmd& op) {
    cChara& c = Make({FlowOf({op, Wait(10)}), FlowOf({Wait(10), Wait(10)}, 5), FlowOf({Wait(10), Wait(10)}, 5),
                      FlowOf({Wait(10), Wait(10)}, 6), FlowOf({Wait(10), Wait(10)}, 5)});
    for (cFlowState& s : c.m_vecFlowState) {
      s.Start();
      if (s.m_nIndex == 0) continue;
      s.m_nCurCmd = 1;
      AddAnime(c, s.m_nId, 0);
      AddAnime(c, s.m_nId, 10);
    }
    return c;
  }
  static void AddAnime(cCharaBase& c, int flowId, int framesLeft) {
    RUNNINGANIME a;
    a.nFlowId = flowId;
    a.bTimed = 1;
    a.nFramesLeft = framesLeft;
    c.m_lstAnime.push_back(std::move(a));
  }
  static int Animes(const cCharaBase& c, int flowId, int paused = -1) {
    return static_cast<int>(std::count_if(c.m_lstAnime.begin(), c.m_lstAnime.end(), [&](const RUNNINGANIME& a) {
      return a.nFlowId == flowId && (paused < 0 || a.bPaused == paused);
    }));
  }
  // Runs command `cmd` of flow `flow` of the chara as the flow runner would.
  int Run(cChara& c, int flow = 0, int cmd = 0) {
    cFlowState& s = c.m_vecFlowState[static_cast<size_t>(flow)];
    cCmdState& st = s.m_vecCmdState[static_cast<size_t>(cmd)];
    Scene().m_pCurChara = &c;
    Scene().m_pCurFlow = &s;
    Scene().m_pCurCmd = &st;
    const int r = ExecFlowOperation(&c, &st);
    Scene().m_pCurChara = nullptr;
    Scene().m_pCurFlow = nullptr;
    Scene().m_pCurCmd = nullptr;
    return r;
  }
  static std::string Groups(const cCharaBase& c) {
    std::string s;
    for (const cFlowState& f : c.m_vecFlowState) s += static_cast<char>('0' + f.m_pFlow->m_byGroup);
    return s;
  }
  cGameScene& Scene() { return stage_.Scene(); }

  t4test::StageFixture stage_;
  std::list<cChara> charas_;
  int next_ = 100;
};

TEST_F(FlowOperationTest, EachOperationOnTheFlowsOfAnId) {
  struct Want {
    int running, paused, halted, mark, interrupted, curCmd, animes, pausedAnimes;
  };
  const struct {
    const char* what;
    int op;
    Want want;
  } cases[] = {
      {"start restarts from the first command", kStart, {1, 0, 0, 0, 1, 0, 0, 0}},
      {"end stops and keeps the position", kEnd, {0, 0, 0, 0, 1, 1, 0, 0}},
      {"pause drops finished animations and holds the rest", kPause, {1, 1, 0, 0, 1, 1, 1, 1}},
      {"resume lets held animations run on", kResume, {1, 0, 0, 0, 0, 1, 2, 0}},
      {"delete marks the flows of the running chara", kDelete, {1, 0, 0, 1, 1, 1, 2, 0}},
      {"halt", kHalt, {1, 0, 1, 0, 1, 1, 0, 0}},
      {"operations above 5 do nothing", 6, {1, 0, 0, 0, 0, 1, 2, 0}},
  };
  for (const auto& k : cases) {
    cChara& c = MakeWithGroups(FlowOp(k.op, kById, 5, 0));
    if (k.op == kResume) {
      for (cFlowState& s : c.m_vecFlowState) s.Pause();
      for (RUNNINGANIME& a : c.m_lstAnime) a.bPaused = 1;
    }
    Run(c);
    for (int i = 1; i <= 4; ++i) {
      const cFlowState& s = c.m_vecFlowState[static_cast<size_t>(i)];
      const bool hit = i != 3;
      const Want& w = hit ? k.want : Want{1, k.op == kResume, 0, 0, 0, 1, 2, k.op == kResume ? 2 : 0};
      const std::string what = std::string(k.what) + ", flow " + std::to_string(i);
      EXPECT_EQ(s.m_bRunning, w.running) << what;
      EXPECT_EQ(s.m_bPaused, w.paused) << what;
      EXPECT_EQ(s.m_bHalted, w.halted) << what;
      EXPECT_EQ(s.m_bDeleteMark, w.mark) << what;
      EXPECT_EQ(s.m_bInterrupted, w.interrupted) << what;
      EXPECT_EQ(s.m_nCurCmd, w.curCmd) << what;
      EXPECT_EQ(Animes(c, s.m_nId), w.animes) << what;
      EXPECT_EQ(Animes(c, s.m_nId, 1), w.pausedAnimes) << what;
    }
    // The running flow is not one of them.
    EXPECT_EQ(c.m_vecFlowState[0].m_bInterrupted, 0) << k.what;
    EXPECT_EQ(c.m_vecFlowState[0].m_bDeleteMark, 0) << k.what;
    EXPECT_EQ(c.m_bFlowDeleted, k.op == kDelete ? 1 : 0) << k.what;
    // Marked flows go with the chara's update; three of the same id, two of
    // them in a row, leave none behind.
    c.ApplyFlowEdits();
    EXPECT_EQ(Groups(c), k.op == kDelete ? "06" : "05565") << k.what;
  }
}

TEST_F(FlowOperationTest, WhichFlowsTheScopeReaches) {
  constexpr int kTarget = 1, kEmptySlot = 2;
  struct Cond {
    int use, mode;
    std::vector<int> values;  // chara variable 1 must equal each
  };
  const struct {
    const char* what;
    int scope, id, object;
    Cond cond;
    const char* stopped;        // per flow of the chara: 1 stopped
    const char* targetStopped;  // per flow of the chara in target slot 1
  } cases[] = {
      {"this flow", kThisFlow, 0, 0, {}, "10000", "00000"},
      {"this flow, a target named", kThisFlow, 0, kTarget, {}, "10000", "00000"},
      {"all others: the chara's own, a target named", kOtherFlows, 0, kTarget, {}, "01111", "00000"},
      {"by id", kById, 5, 0, {}, "01101", "00000"},
      {"by id in the target", kById, 5, kTarget, {}, "00000", "01101"},
      {"id 0 matches nothing, not even flows without an id", kById, 0, 0, {}, "00000", "00000"},
      {"an id nobody has", kById, 9, 0, {}, "00000", "00000"},
      {"an empty target slot, by id", kById, 5, kEmptySlot, {}, "00000", "00000"},
      {"an empty target slot, all others", kOtherFlows, 0, kEmptySlot, {}, "00000", "00000"},
      {"a target slot past the four", kById, 5, 5, {}, "00000", "00000"},
      {"an unknown scope", 3, 5, 0, {}, "00000", "00000"},
      {"every condition must hold", kById, 6, 0, {1, 0, {1, 2}}, "00000", "00000"},
      {"one condition is enough", kById, 6, 0, {1, 1, {1, 2}}, "00010", "00000"},
      {"conditions not in use", kById, 6, 0, {0, 0, {2}}, "00010", "00000"},
  };
  auto stoppedOf = [](const cCharaBase& c) {
    std::string s;
    for (const cFlowState& f : c.m_vecFlowState) s += f.m_bRunning ? '0' : '1';
    return s;
  };
  for (const auto& k : cases) {
    cFlowCmd op = FlowOp(kEnd, k.scope, k.id, k.object);
    if (!k.cond.values.empty()) {
      CreateCondList(op.m_pCondList);
      op.m_pCondList->m_bUse = static_cast<BYTE>(k.cond.use);
      op.m_pCondList->m_byMode = static_cast<BYTE>(k.cond.mode);
      for (int v : k.cond.values) {
        cCond cond;
        cond.m_byKind = 3;
        cond.m_sVarIndex = 1;
        cond.m_nConst = v;
        op.m_pCondList->m_vecCond.push_back(cond);
      }
    }
    cChara& c = MakeWithGroups(op);
    cChara& target = MakeWithGroups(op);
    c.SetTargetLink(0, &target);
    c.m_vecVar[1] = 1;
    Run(c);
    EXPECT_EQ(stoppedOf(c), k.stopped) << k.what;
    EXPECT_EQ(stoppedOf(target), k.targetStopped) << k.what;
  }
}

TEST_F(FlowOperationTest, DeletingByIdInATargetRemovesEveryMatchAtOnce) {
  const std::vector<cFlow> flows = {FlowOf({Wait(10)}, 5), FlowOf({Wait(10)}, 5), FlowOf({Wait(10)}, 6),
                                    FlowOf({Wait(10)}, 5), FlowOf({Wait(10)}, 5)};
  cChara& a = Make({FlowOf({FlowOp(kDelete, kById, 5, 1)})});
  cChara& b = Make(flows);
  for (cFlowState& s : b.m_vecFlowState) {
    s.Start();
    AddAnime(b, s.m_nId, 10);
  }
  const int keptId = b.m_vecFlowState[2].m_nId;
  a.SetTargetLink(0, &b);
  a.m_vecFlowState[0].Start();
  Run(a);
  ASSERT_EQ(Groups(b), "6");
  const cFlowState& kept = b.m_vecFlowState[0];
  EXPECT_EQ(kept.m_nId, keptId);
  EXPECT_EQ(kept.m_nIndex, 0);
  EXPECT_EQ(kept.m_pFlow, &b.m_Data.m_vecFlow[0]);
  EXPECT_EQ(kept.m_bRunning, 1);
  EXPECT_EQ(kept.m_bInterrupted, 0);
  EXPECT_EQ(b.m_bFlowDeleted, 0);
  ASSERT_EQ(b.m_lstAnime.size(), 1u);
  EXPECT_EQ(b.m_lstAnime.front().nFlowId, keptId);

  // A target slot holding the chara itself reaches the running chara: its
  // flows are only marked.
  cChara& self = Make(flows);
  self.m_Data.m_vecFlow.push_back(FlowOf({FlowOp(kDelete, kById, 5, 1)}));
  self.InsertFlows(self.m_Data.m_vecFlow, 0, -1);
  self.SetTargetLink(0, &self);
  self.m_vecFlowState[5].Start();
  Run(self, 5);
  EXPECT_EQ(Groups(self), "556550");
  EXPECT_EQ(self.m_bFlowDeleted, 1);
  self.ApplyFlowEdits();
  EXPECT_EQ(Groups(self), "60");
}

TEST_F(FlowOperationTest, AFlowThatDeletesItselfIsRemovedAfterTheUpdate) {
  // Wait, then delete this flow by its own id; the flow's commands after the
  // deletion never run.
  for (int scope : {kThisFlow, kById}) {
    cChara& c = Make({FlowOf({Wait(1), FlowOp(kDelete, scope, 4, 0), Wait(10)}, 4), FlowOf({Wait(10)}, 1)});
    c.m_vecFlowState[0].Start();
    c.m_vecFlowState[1].Start();
    for (int i = 0; i < 6; ++i) ASSERT_EQ(c.Update(0), 0);
    EXPECT_EQ(Groups(c), "41") << scope;
    ASSERT_EQ(c.Update(0), 0);
    EXPECT_EQ(Groups(c), "1") << scope;
    EXPECT_EQ(c.m_vecFlowState[0].m_bRunning, 1) << scope;
    EXPECT_EQ(c.m_vecFlowState[0].m_vecCmdState[0].m_nFramesLeft, 60 - 7) << scope;
    EXPECT_EQ(c.m_bFlowDeleted, 0) << scope;
  }
}

TEST_F(FlowOperationTest, RestartingTheRunningFlowWalksItAgainOnce) {
  // A flow started by its trigger, one letter per sub-step: A and C are
  // run-code commands that append a digit to chara variable 1, R the restart
  // of this flow (the flow was started again in that sub-step), _ a running
  // flow that did nothing seen, . a flow that no longer runs. The finished
  // restart counts as done in the fresh walk: the flow goes on behind it.
  constexpr int kTriggerBlockHit = 9;
  auto code = [](const char* text) {
    cFlowCmd c;
    c.m_byKind = 37;
    c.m_strText = text;
    return c;
  };
  const cFlowCmd a = code("v1 = v1 * 10 + 1");
  const cFlowCmd c3 = code("v1 = v1 * 10 + 3");
  const cFlowCmd restart = FlowOp(kStart, kThisFlow, 0, 0);
  const struct {
    const char* what;
    std::vector<cFlowCmd> cmds;
    const char* trace;
  } cases[] = {
      {"[A, restart, C]", {a, restart, c3}, "ARAC...."},
      {"[A, restart]: the restart ends the flow", {a, restart}, "AR......"},
      {"[A, wait, restart, C]", {a, Wait(0), restart, c3}, "A_RA_C.."},
  };
  for (const auto& k : cases) {
    cChara& c = Make({FlowOf(k.cmds, 0, kTriggerBlockHit)});
    c.RunFlowsByTrigger(kTriggerBlockHit);
    const cFlowState& s = c.m_vecFlowState[0];
    std::string trace;
    for (int step = 0; step < 8; ++step) {
      const int before = c.m_vecVar[1];
      c.ResetFlowTriggerFlags();
      ASSERT_EQ(c.Update(0), 0) << k.what;
      const int now = c.m_vecVar[1];
      if (now != before) trace += now % 10 == 1 ? 'A' : 'C';
      else if (s.m_bStarted) trace += 'R';
      else trace += s.m_bRunning ? '_' : '.';
    }
    EXPECT_EQ(trace, k.trace) << k.what;
  }
}

TEST_F(FlowOperationTest, ABeforeStageFlowStartedByIdThatDeletesItselfIsOnlyMarked) {
  // A starts B's before-stage flow, which runs its commands inside its start
  // and deletes itself through A's target slot: B's flow is walked right
  // then, so it goes with B's update, not under its own walk.
  cChara& a = Make({FlowOf({FlowOp(kStart, kById, 7, 1)})});
  cChara& b = Make({FlowOf({FlowOp(kDelete, kById, 7, 1, 1)}, 7, kTriggerBeforeStage), FlowOf({Wait(10)}, 2)});
  a.SetTargetLink(0, &b);
  a.m_vecFlowState[0].Start();
  Run(a);
  EXPECT_EQ(Groups(b), "72");
  EXPECT_EQ(b.m_vecFlowState[0].m_bDeleteMark, 1);
  EXPECT_EQ(b.m_vecFlowState[0].m_bRunning, 0);
  b.ApplyFlowEdits();
  EXPECT_EQ(Groups(b), "2");
}

TEST_F(FlowOperationTest, ABeforeStageFlowThatStartsItselfDoesNotRecurse) {
  cChara& c = Make({FlowOf({FlowOp(kStart, kThisFlow, 0, 0, 1), Wait(1)}, 0, kTriggerBeforeStage)});
  Scene().m_pCurChara = &c;
  c.m_vecFlowState[0].Start();
  Scene().m_pCurChara = nullptr;
  EXPECT_EQ(c.m_vecFlowState[0].m_bRunning, 0);
}

// --- summons ----------------------------------------------------------------

enum { kSummonBlock = 13, kSummonChara = 14, kSummonItem = 15 };

// One object of template 1 of the common palette, in a column in front of
// the summoner.
cFlowCmd SummonCmd(int kind, int tenths, int parallel = 0) {
  cFlowCmd c;
  c.m_byKind = static_cast<BYTE>(kind);
  c.m_sTime = static_cast<int16_t>(tenths);
  c.m_bParallel = static_cast<BYTE>(parallel);
  CreateEdShot(c.m_pEdShot);
  c.m_pEdShot->m_byFormation = kFormationStraightB;
  c.m_pEdShot->m_byShots = 1;
  c.m_pEdShot->m_nTemplate = 1;
  return c;
}

class SummonTest : public FlowOperationTest {
 protected:
  static constexpr int kN = 2;  // sub-steps per frame

  SummonTest() : FlowOperationTest(kN) {}
  void SetUp() override {
    FlowOperationTest::SetUp();
    savedPalette_ = g_CommonPalette;
    ClearSummons();
    cCharaData summoned;
    summoned.m_byControl = kCharaControlComputer;
    summoned.m_byFaction = 1;
    g_CommonPalette.m_vecChara = {cCharaData(), summoned};
    g_CommonPalette.m_vecItem.assign(2, cItemData());
    cBlockData block;
    block.m_sGraphic = 9;
    block.m_byHitKind = kBlockHitSolid;
    g_CommonPalette.m_vecBlock = {cBlockData(), block};
  }
  void TearDown() override {
    ClearSummons();
    g_CommonPalette = savedPalette_;
  }
  void ClearSummons() {
    for (auto& team : Scene().m_vecTeamChara) team.clear();
    g_lstChara.clear();
    g_lstItem.clear();
  }
  // A summoner facing right with its image at world pixel (1000, 600).
  cChara& Summoner(std::vector<cFlow> flows) {
    cChara& c = Make(flows);
    c.SetParams(next_++, 1, 0, 1, 0, nullptr, 0, 0, 0, 32, 32, 32, 32, 1, kPlaceFly, 0);
    c.m_dX = 1000;
    c.m_dY = 600;
    c.ClampX(2);
    c.ClampY(2);
    c.UpdateScreenRect();
    for (cFlowState& f : c.m_vecFlowState) f.Start();
    return c;
  }

  cPaletteData savedPalette_;
};

TEST_F(SummonTest, APatternIsSummonedOncePerFrameWhileTheCommandLasts) {
  for (int kind : {kSummonChara, kSummonItem}) {
    ClearSummons();
    cChara& c = Summoner({FlowOf({SummonCmd(kind, 1)})});
    auto count = [kind] { return static_cast<int>(kind == kSummonChara ? g_lstChara.size() : g_lstItem.size()); };
    const int subSteps = 1 * 6 * kN;
    for (int i = 1; i <= subSteps; ++i) {
      c.Update(0);
      // In the first sub-step of each frame.
      EXPECT_EQ(count(), (i + kN - 1) / kN) << kind << ", sub-step " << i;
    }
    EXPECT_EQ(c.m_vecFlowState[0].m_bRunning, 0) << kind;
    c.Update(0);
    EXPECT_EQ(count(), subSteps / kN) << kind;
    if (kind == kSummonChara) {
      // The summoner's children, placed in front of it.
      const cChara& first = g_lstChara.front();
      EXPECT_EQ(first.m_pParent, &c);
      EXPECT_DOUBLE_EQ(first.m_dX - first.m_nImgOffX, 1032);
    }
  }

  // A block goes into the cell under the area in front of the summoner.
  cChara& c = Summoner({FlowOf({SummonCmd(kSummonBlock, 1)})});
  c.Update(0);
  EXPECT_EQ(stage_.Cell(1048 >> 5, 616 >> 5).m_sGraphic, 9);

  // Without settings nothing is summoned, and the command still lasts.
  cFlowCmd bare = SummonCmd(kSummonItem, 1);
  bare.m_pEdShot.reset();
  ClearSummons();
  cChara& none = Summoner({FlowOf({bare})});
  for (int i = 0; i < 3; ++i) none.Update(0);
  EXPECT_TRUE(g_lstItem.empty());
  EXPECT_EQ(none.m_vecFlowState[0].m_bRunning, 1);
}

TEST_F(SummonTest, ASummonLoopThatDeletesItsOwnFlow) {
  // Three times: summon for a tenth of a second, then delete the flow. The
  // flow goes after the first round; the other flow runs on.
  const struct {
    const char* what;
    cFlowCmd del;
    int parallel;
    int summons;
  } cases[] = {
      {"this flow", FlowOp(kDelete, kThisFlow, 0, 0), 0, 6},
      {"by its id", FlowOp(kDelete, kById, 3, 0), 0, 6},
      {"by its id through a target slot holding the chara", FlowOp(kDelete, kById, 3, 1), 0, 6},
      {"summon and delete in the same sub-step", FlowOp(kDelete, kThisFlow, 0, 0, 1), 1, 1},
  };
  for (const auto& k : cases) {
    ClearSummons();
    cFlowCmd loop;
    loop.m_byKind = 39;
    loop.m_vecParam = {3, 2};
    cChara& c = Summoner({FlowOf({loop, SummonCmd(kSummonChara, 1, k.parallel), k.del}, 3), FlowOf({Wait(10)}, 1)});
    c.SetTargetLink(0, &c);
    ASSERT_EQ(c.m_vecFlowState[0].m_vecCmdState.Size(), 6) << k.what;
    for (int i = 0; i < 30; ++i) ASSERT_EQ(c.Update(0), 0) << k.what;
    EXPECT_EQ(static_cast<int>(g_lstChara.size()), k.summons) << k.what;
    EXPECT_EQ(Groups(c), "1") << k.what;
    EXPECT_EQ(c.m_vecFlowState[0].m_bRunning, 1) << k.what;
    EXPECT_EQ(c.m_vecFlowState[0].m_vecCmdState[0].m_nFramesLeft, 10 * 6 * kN - 30) << k.what;
  }
}

// --- the flow change of items ---------------------------------------------

class FlowChangeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitCmdParamTable();
    NewHero();
  }
  // A hero with flows of groups 1, 2, 2 and 3.
  void NewHero() {
    Player.clear();
    Player.resize(1);
    cHero& h = Hero();
    h.Reset(nullptr, 0, 0, 0, 0);
    h.SetParams(1, 0, 0, 0, 0, nullptr, 0, 0, 0, 32, 32, 32, 32, 1, kPlaceFly, 0);
    h.m_bActive = h.m_bAppeared = 1;
    h.m_nLife = 10;
    h.m_Data.m_vecFlow = {FlowOf({Wait(1)}, 1), FlowOf({Wait(1)}, 2), FlowOf({Wait(1)}, 2), FlowOf({Wait(1)}, 3)};
    h.InsertFlows(h.m_Data.m_vecFlow, 0, -1);
  }
  void TearDown() override { Player.clear(); }
  cHero& Hero() { return Player[0]; }
  std::string Groups() {
    std::string s;
    for (const cFlowState& f : Hero().m_vecFlowState) {
      EXPECT_EQ(f.m_pFlow, &Hero().m_Data.m_vecFlow[static_cast<size_t>(f.m_nIndex)]);
      s += static_cast<char>('0' + f.m_pFlow->m_byGroup);
    }
    return s;
  }

  t4test::StageFixture stage_{40, 20, 1, 1.0};
};

TEST_F(FlowChangeTest, AddReplaceAndDelete) {
  const std::vector<cFlow> added = {FlowOf({Wait(1)}, 8), FlowOf({Wait(1)}, 9)};
  const struct {
    const char* what;
    int op, group;
    const char* want;
  } cases[] = {
      {"add appends", 0, 2, "122389"},
      {"replace puts the new flows where the group was", 1, 2, "1893"},
      {"replace of a group nobody has appends", 1, 7, "122389"},
      {"replace of group 0 replaces every flow", 1, 0, "89"},
      {"delete", 2, 2, "13"},
      {"delete of group 0 deletes every flow", 2, 0, ""},
      {"an unknown operation", 3, 2, "1223"},
  };
  for (const auto& k : cases) {
    NewHero();
    cFlowCmd cmd = FlowChange(k.op, k.group, added);
    ExecFlowChange(&Hero(), &cmd, 0);
    EXPECT_EQ(Groups(), k.want) << k.what;
    EXPECT_TRUE(Hero().m_vecPendingFlowCmd.empty()) << k.what;
  }
}

TEST_F(FlowChangeTest, NewFlowsGetNewIdsAndDoNotFireOnAKeyAlreadyDown) {
  cFlowCmd cmd = FlowChange(0, 0, {FlowOf({Wait(1)}, 8)});
  ExecFlowChange(&Hero(), &cmd, 1);
  ASSERT_EQ(Hero().m_vecFlowState.Size(), 5);
  EXPECT_EQ(Hero().m_vecFlowState[4].m_nId, 4);
  EXPECT_EQ(Hero().m_vecFlowState[4].m_bKeyHeld, 1);
  EXPECT_EQ(Hero().m_vecFlowState[4].m_vecCmdState[0].m_pCmd, &Hero().m_Data.m_vecFlow[4].m_vecCmd[0]);
}

TEST_F(FlowChangeTest, AChangeWhileTheHeroRunsItsFlowsWaitsForTheEndOfItsUpdate) {
  cFlowCmd cmd = FlowChange(2, 2, {});
  stage_.Scene().m_pCurChara = &Hero();
  ExecFlowChange(&Hero(), &cmd, 0);
  stage_.Scene().m_pCurChara = nullptr;
  EXPECT_EQ(Groups(), "1223");
  ASSERT_EQ(Hero().m_vecPendingFlowCmd.size(), 1u);
  Hero().Update(0);
  EXPECT_EQ(Groups(), "13");
  EXPECT_TRUE(Hero().m_vecPendingFlowCmd.empty());
  // Asked for by the hero's own flow, through an item command list it runs.
  cFlowCmd add = FlowChange(0, 0, {FlowOf({Wait(1)}, 8)});
  Hero().m_Data.m_vecFlow.clear();
  Hero().m_Data.m_vecFlow.push_back(FlowOf({}));
  Hero().InsertFlows(Hero().m_Data.m_vecFlow, 0, -1);
  cCheckedVector<cFlowCmd> list{add};
  stage_.Scene().m_pCurChara = &Hero();
  Hero().RunCommandList(list);
  stage_.Scene().m_pCurChara = nullptr;
  EXPECT_EQ(Groups(), "0");
  Hero().Update(0);
  EXPECT_EQ(Groups(), "08");
}

}  // namespace
