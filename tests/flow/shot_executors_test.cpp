// The shot and sword commands run by their flow: a shot command fires its
// pattern on the first sub-step of every frame it lasts; a sword command
// swings one sword per run that follows its owner, never a target; a sword
// type without frames swings nothing.
#include <gtest/gtest.h>

#include <string>

#include "flow/cmd_executors.h"
#include "flow/flow_records.h"
#include "flow/flow_state.h"
#include "objects/chara.h"
#include "objects/chara_base.h"
#include "objects/ed_shot.h"
#include "objects/fire_pattern.h"
#include "objects/shot.h"
#include "objects/stage_fixture.h"
#include "records/database.h"
#include "records/effect_data.h"
#include "services/log.h"
#include "support/headless_runner.h"
#include "support/temp_folder.h"

namespace {

constexpr int kSubSteps = 3;

// A flying 32 x 32 chara whose image lies at world pixel (x, y).
void MakeChara(cCharaBase& c, int id, double x, double y, int facing) {
  c.Reset(nullptr, 0, 0, 0, 0);
  c.SetParams(id, 1, 0, 1, 0, nullptr, 0, 0, 0, 32, 32, 32, 32, facing, kPlaceFly, 0);
  c.m_bActive = c.m_bOnScreen = c.m_bAppeared = 1;
  c.m_nLife = 10;
  c.m_dX = x;
  c.m_dY = y;
  c.ClampX(2);
  c.ClampY(2);
  c.UpdateScreenRect();
}

class ShotExecTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(InitReportLog((dir_.path() + "/Report_Game.txt").c_str()), 1);
    savedSwords_ = g_Database.m_vecSwordType;
    g_lstChara.clear();
    cmd_.m_sSound = 0;
    CreateEdShot(cmd_.m_pEdShot);
    state_.m_pCmd = &cmd_;
  }
  void TearDown() override {
    Scene().m_lstShot.clear();
    for (auto& team : Scene().m_vecTeamShot) team.clear();
    Scene().m_pCurChara = nullptr;
    g_lstChara.clear();
    g_Database.m_vecSwordType = savedSwords_;
  }
  cGameScene& Scene() { return stage_.Scene(); }
  cEdShot& Settings() { return *cmd_.m_pEdShot; }
  int ErrLines() {
    const std::string r = t4test::ReadFile(dir_.path() + "/Report_Game.txt");
    int n = 0;
    for (size_t at = r.find("err V["); at != std::string::npos; at = r.find("err V[", at + 1)) ++n;
    return n;
  }
  // Runs the command from its start as its flow does, for `subSteps`
  // sub-steps (at least one); the number of shots on the stage after each.
  std::vector<int> RunFor(cCharaBase& chara, int subSteps) {
    Scene().m_pCurChara = &chara;
    state_.m_nDuration = subSteps;
    state_.Reset();
    std::vector<int> counts;
    for (;;) {
      const int done = state_.Run();
      counts.push_back(static_cast<int>(Scene().m_lstShot.size()));
      if (done) break;
    }
    Scene().m_pCurChara = nullptr;
    return counts;
  }

  t4test::TempFolder dir_;
  t4test::StageFixture stage_{60, 40, kSubSteps, 1.0};
  cCheckedVector<cSwordTypeData> savedSwords_;
  cFlowCmd cmd_;
  cCmdState state_;
};

TEST_F(ShotExecTest, AShotCommandFiresOnTheFirstSubStepOfEachFrame) {
  cCharaBase shooter;
  MakeChara(shooter, 7, 1000, 600, 1);
  cmd_.m_byKind = kShotKindShot;
  Settings().m_byShots = 2;
  Settings().m_nSpeed = 30;

  // Two frames: volleys on sub-steps 0 and 3.
  EXPECT_EQ(RunFor(shooter, 2 * kSubSteps), (std::vector<int>{2, 2, 2, 4, 4, 4}));
  // A command without duration still fires once.
  Scene().m_lstShot.clear();
  for (auto& team : Scene().m_vecTeamShot) team.clear();
  EXPECT_EQ(RunFor(shooter, 0), std::vector<int>{2});

  // The counter runs round the frame whether or not there is anything to
  // fire with.
  cCmdState bare;
  for (int i = 1; i <= 2 * kSubSteps; ++i) {
    ExecShot(&shooter, &bare);
    EXPECT_EQ(bare.m_nSubStep, i % kSubSteps);
    ExecShot(nullptr, &state_);
  }
  EXPECT_EQ(ExecShot(&shooter, nullptr), 0);
}

TEST_F(ShotExecTest, ASwordCommandSwingsOneSwordPerRunBesideItsOwner) {
  cSwordTypeData type;
  cSwordFrameData f;
  f.m_nWidth = 24;
  f.m_nHeight = 8;
  f.m_nTime = 1;
  type.m_vecFrame = {f};
  g_Database.m_vecSwordType = {cSwordTypeData(), type};

  cChara& owner = g_lstChara.emplace_back();
  MakeChara(owner, 7, 1000, 600, 1);
  cChara& target = g_lstChara.emplace_back();
  MakeChara(target, 8, 1200, 600, 0);
  owner.m_vecLink[0] = &target;
  cmd_.m_byKind = kShotKindSword;
  Settings().m_byTrajectory = 1;  // the sword type
  Settings().m_byTargetSlot = 0;
  Scene().m_nShotId = 30;

  // However long the command lasts, one sword.
  EXPECT_EQ(RunFor(owner, 5 * kSubSteps), std::vector<int>(5 * kSubSteps, 1));
  EXPECT_EQ(state_.m_nSubStep, 5 * kSubSteps);
  EXPECT_EQ(Scene().m_nShotId, 31);
  cShot& sword = Scene().m_lstShot.front();
  EXPECT_EQ(sword.m_bFree, 0);
  EXPECT_EQ(sword.m_nId, 30);
  EXPECT_EQ(sword.m_pShooter, &owner);
  EXPECT_EQ(sword.m_pTarget, nullptr);
  EXPECT_TRUE(target.m_vecShotLink.empty());
  EXPECT_EQ(owner.m_vecShotLink, (std::vector<SHOTLINK>{{&sword, 4}}));
  EXPECT_EQ(Scene().m_vecTeamShot[1].size(), 1u);

  // It follows the owner: in front of it, vertically centred.
  ASSERT_EQ(sword.ApplyTrajectory(), 0);
  EXPECT_DOUBLE_EQ(sword.m_dX, 1000 + 32);
  EXPECT_DOUBLE_EQ(sword.m_dY, 600 + 16 - 8 / 2);
  owner.m_dX = 900;
  owner.ClampX(2);
  owner.UpdateScreenRect();
  ASSERT_EQ(sword.ApplyTrajectory(), 0);
  EXPECT_DOUBLE_EQ(sword.m_dX, 900 + 32);

  // Running the command again swings another.
  RunFor(owner, 2);
  EXPECT_EQ(Scene().m_lstShot.size(), 2u);
  EXPECT_EQ(owner.m_vecShotLink.size(), 2u);
}

TEST_F(ShotExecTest, ASwordTypeWithNothingToSwingMakesNoSword) {
  cSwordTypeData empty;
  empty.m_vecFrame.clear();
  g_Database.m_vecSwordType = {empty};
  cChara& owner = g_lstChara.emplace_back();
  MakeChara(owner, 7, 1000, 600, 1);
  cmd_.m_byKind = kShotKindSword;
  for (int entry : {0, 1, 255}) {
    SCOPED_TRACE(testing::Message() << "sword type " << entry);
    Settings().m_byTrajectory = static_cast<BYTE>(entry);
    const int before = ErrLines();
    RunFor(owner, 3);
    EXPECT_TRUE(Scene().m_lstShot.empty());
    EXPECT_EQ(Scene().m_nShotId, 0);
    EXPECT_TRUE(owner.m_vecShotLink.empty());
    EXPECT_EQ(ErrLines(), before + 1);  // said once, not every sub-step
  }

  // A command without settings or chara swings nothing either.
  cCmdState bare;
  ExecSword(&owner, &bare);
  ExecSword(nullptr, &state_);
  EXPECT_EQ(ExecSword(&owner, nullptr), 0);
  EXPECT_TRUE(Scene().m_lstShot.empty());
}

}  // namespace
