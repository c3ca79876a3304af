// The chara base: the per-spawn reset, links and their clearing, copies
// that never touch others' links, the animation set and the centring.
#include "objects/chara_base.h"

#include <gtest/gtest.h>

#include "objects/hero.h"
#include "objects/stage_fixture.h"
#include "records/database.h"
#include "records/system_data.h"
#include "support/stage_writer.h"
#include "support/temp_folder.h"

namespace {

class CharaBaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedSets_ = g_Database.m_vecAnimeSet;
    savedEffects_ = g_CharaEffectStates.forward;
    savedSystem_ = g_SystemData;
    // Two anime sets: the default one (four one-frame animations) and one
    // of two animations with two and three frames.
    g_Database.m_vecAnimeSet.assign(2, cAnimeSetData());
    cAnimeSetData& set = g_Database.m_vecAnimeSet[1];
    set.m_vecAnime.assign(2, cAnimeData());
    set.m_vecAnime[0].m_vecFrame.assign(2, cAnimeFrameData());
    set.m_vecAnime[1].m_vecFrame.assign(3, cAnimeFrameData());
    set.m_vecAnime[1].m_vecFrame[0].m_nGraphic = 7;
    set.m_vecAnime[1].m_vecFrame[0].m_nTime = 2;
    g_CharaEffectStates.forward.assign(4, cCharaEffectParams());
    Player.clear();
    Player.resize(1);
  }
  void TearDown() override {
    Player.clear();
    g_Database.m_vecAnimeSet = savedSets_;
    g_CharaEffectStates.forward = savedEffects_;
    g_SystemData = savedSystem_;
  }
  t4test::StageFixture stage_{40, 20, 2, 1.0};
  cCheckedVector<cAnimeSetData> savedSets_;
  cCheckedVector<cCharaEffectParams> savedEffects_;
  cSystemData savedSystem_;
};

cCharaData Template(int control) {
  cCharaData t;
  t.m_byControl = static_cast<BYTE>(control);
  t.m_nMaxHp = 30;
  t.m_nMaxSp = 5;
  t.m_bScrollSync = 1;
  t.m_bySightRange = 3;
  t.m_sStopEase = 50;
  t.m_sAnimeSet = 1;
  return t;
}

TEST_F(CharaBaseTest, ResetStartsEveryStateAfreshFromTheTemplate) {
  // The hero and a computer chara of a stage file written and read back.
  t4test::TempFolder dir;
  cStageData written = MakeTestStage();
  PlaceHero(written, 1, 13);
  PlaceChara(written, 5, 13);
  for (cCharaData& t : written.m_vecChara) {
    const cCharaData look = Template(t.m_byControl);
    t.m_nMaxHp = look.m_nMaxHp;
    t.m_nMaxSp = look.m_nMaxSp;
    t.m_bScrollSync = look.m_bScrollSync;
    t.m_bySightRange = look.m_bySightRange;
    t.m_sStopEase = look.m_sStopEase;
    t.m_sAnimeSet = look.m_sAnimeSet;
  }
  const std::string path = dir / "reset.stg4_001";
  ASSERT_TRUE(WriteStage(path, written));
  cStageData stage;
  ASSERT_TRUE(stage.LoadFromFile(path.c_str()));
  ASSERT_EQ(stage.m_vecChara.Size(), 2);
  for (const cCharaData& placed : stage.m_vecChara) {
    const int control = placed.m_byControl;
    for (int effect : {0, 2}) {
      cCharaData t = placed;
      t.m_sStartEffect = static_cast<int16_t>(effect);
      t.m_cStartEffectDir = 0;
      t.m_byStartEffectMode = 1;
      cCharaBase c;
      // Leftovers of an earlier life.
      c.m_dForcedVX = 3;
      c.m_bDead = 1;
      c.m_nInvincible = 9;
      c.LRUD.l = 1;
      c.m_lstAnime.emplace_back();
      c.m_vecVar.assign(3, 5);
      c.Reset(&t, 100.5, 200.25, -2, 0);
      EXPECT_EQ(c.m_nCloneValue, -2);
      EXPECT_EQ(c.m_vecLink, std::vector<cCharaBase*>(4, nullptr));
      EXPECT_EQ(c.m_vecSwitchLatch.size(), 27u);
      EXPECT_EQ(c.m_vecSwitchSet.size(), 27u);
      EXPECT_EQ(c.m_vecSwitchFrame.size(), 27u);
      EXPECT_EQ(c.m_dHomeX, 100.5);
      EXPECT_EQ(c.m_dHomeY, 200.25);
      EXPECT_EQ(c.m_dForcedVX, 0);
      EXPECT_EQ(c.m_bDead, 0);
      EXPECT_EQ(c.LRUD.l, 0);
      EXPECT_EQ(c.m_nWallSide, -1);
      EXPECT_EQ(c.m_bFalling, 1);
      EXPECT_EQ(c.m_vecVar, std::vector<int>(9, 0));
      EXPECT_EQ(c.m_nLife, 30);
      EXPECT_EQ(c.m_nSP, 5);
      EXPECT_EQ(c.m_bScrollLock, 1);
      EXPECT_EQ(c.m_nSightRadius, 3 * 16);
      EXPECT_DOUBLE_EQ(c.m_dDecel, 50 * 0.01 / 4);  // N = 2
      EXPECT_EQ(c.m_EffectState.m_nId, effect);
      EXPECT_EQ(c.m_nInvincible, 0);
      EXPECT_TRUE(c.m_lstAnime.empty());
      EXPECT_EQ(c.m_Anime.PatternCount(), 2);
      EXPECT_EQ(c.m_Anime.GetValue(), 0);
      EXPECT_EQ(c.m_Data.m_byControl, control);
      EXPECT_TRUE(c.m_vecFlowState.empty());  // the flows come after the reset
    }
  }
}

TEST_F(CharaBaseTest, AnimeSetsKeepOrRebuildAndABadIdFallsBackToTheFirst) {
  cCharaData t = Template(1);
  cCharaBase c;
  c.Reset(&t, 0, 0, 0, 0);
  c.m_Anime.SetPattern(1, 1);
  c.m_Anime.Step();
  const int step = c.m_Anime.GetStep();
  c.SetAnimeSet(1, 0);  // same set, not forced: the running animation stays
  EXPECT_EQ(c.m_Anime.GetPattern(), 1);
  EXPECT_EQ(c.m_Anime.GetStep(), step);
  c.SetAnimeSet(1, 1);  // forced: rebuilt from the start
  EXPECT_EQ(c.m_Anime.GetPattern(), 0);
  EXPECT_EQ(c.m_Anime.GetStep(), 0);
  // Frame time 2 tenths lasts 12 frames; then the next frame.
  c.m_Anime.SetPattern(1, 1);
  EXPECT_EQ(c.m_Anime.GetValue(), 7);
  for (int i = 0; i < 12; ++i) c.m_Anime.Step();
  EXPECT_EQ(c.m_Anime.GetStep(), 1);
  for (int16_t bad : {int16_t(5), int16_t(-1)}) {
    c.SetAnimeSet(bad, 0);
    EXPECT_EQ(c.m_Data.m_sAnimeSet, bad);
    EXPECT_EQ(c.m_Anime.PatternCount(), 4) << bad;  // entry 0's four animations
  }
}

TEST_F(CharaBaseTest, ParentLinksAreRegisteredOnceAndClearedBothWays) {
  cCharaBase parent, child, target;
  cCharaData t = Template(1);
  for (cCharaBase* c : {&parent, &child, &target}) c->Reset(&t, 0, 0, 0, 0);
  cHero& hero = Player[0];
  child.SetParentLink(&parent);
  child.SetParentLink(&parent);
  EXPECT_EQ(child.m_vecLink[0], &hero);
  EXPECT_EQ(child.m_pParent, &parent);
  EXPECT_EQ(parent.m_vecBackRef, (std::vector<LINKPAIR>{{&child, 4}}));
  EXPECT_EQ(hero.m_vecBackRef, (std::vector<LINKPAIR>{{&child, 0}}));
  // A second link to the child from another chara.
  target.m_vecLink[2] = &child;
  child.m_vecBackRef.push_back({&target, 2});

  child.ClearLinks();
  EXPECT_EQ(target.m_vecLink[2], nullptr);
  EXPECT_TRUE(parent.m_vecBackRef.empty());
  EXPECT_TRUE(hero.m_vecBackRef.empty());
  EXPECT_EQ(child.m_pParent, nullptr);
  EXPECT_EQ(child.m_vecLink[0], nullptr);
}

TEST_F(CharaBaseTest, ACopyLeavesTheOriginalsLinksIntactAndADestroyedCharaLeavesNoneDangling) {
  cCharaData t = Template(1);
  cCharaBase parent;
  parent.Reset(&t, 0, 0, 0, 0);
  {
    cCharaBase child;
    child.Reset(&t, 0, 0, 0, 0);
    child.SetParentLink(&parent);
    {
      cCharaBase copy(child);  // a trial copy
      EXPECT_EQ(copy.m_pParent, &parent);
      EXPECT_EQ(copy.m_bUnlinked, 1);
    }
    EXPECT_EQ(child.m_pParent, &parent);
    EXPECT_EQ(parent.m_vecBackRef.size(), 1u);
    EXPECT_EQ(Player[0].m_vecBackRef.size(), 1u);
  }
  // The child went: nobody points at it any more.
  EXPECT_TRUE(parent.m_vecBackRef.empty());
  EXPECT_TRUE(Player[0].m_vecBackRef.empty());
  // And a chara that goes clears the slots that pointed at it.
  cCharaBase watcher;
  watcher.Reset(&t, 0, 0, 0, 0);
  {
    cCharaBase prey;
    prey.Reset(&t, 0, 0, 0, 0);
    watcher.m_vecLink[1] = &prey;
    prey.m_vecBackRef.push_back({&watcher, 1});
  }
  EXPECT_EQ(watcher.m_vecLink[1], nullptr);
}

TEST_F(CharaBaseTest, CentringMovesTheImageCentreAndStopsTheMove) {
  cCharaBase c;
  c.m_nImgW = 32;
  c.m_nImgH = 48;
  c.m_rcScreen = RECT{100, 50, 131, 97};
  c.m_dX = 500.5;
  c.m_dY = 300.25;
  cCmdState s;
  s.m_dVX = 2;
  s.m_dVY = -1;
  s.m_dSpeed = 3;
  s.m_nFacingReq = 2;
  s.m_nFramesLeft = 9;
  c.SetCenterStopMove(200, 90, &s);
  EXPECT_EQ(c.m_dX, 500.5 + (200 - 116));
  EXPECT_EQ(c.m_dY, 300.25 + (90 - 74));
  EXPECT_EQ(s.m_dVX, 0);
  EXPECT_EQ(s.m_dVY, 0);
  EXPECT_EQ(s.m_dSpeed, 0);
  EXPECT_EQ(s.m_nFacingReq, 0);
  EXPECT_EQ(s.m_nFramesLeft, 9);  // the command itself goes on
}

TEST_F(CharaBaseTest, HitBoxesScaleAnchorsAndGraphicOffsets) {
  cCharaBase c;
  c.m_nImgOffX = 4;
  c.m_nImgOffY = 2;
  c.SetHitBoxCentred(1, 20, 24);
  EXPECT_EQ(c.m_HitChara.nOffX, 16 - 4 - 10);
  EXPECT_EQ(c.m_HitChara.nOffY, 32 - 2 - 24);
  c.SetHitBoxCentred(0, 20, 24);
  EXPECT_EQ(c.m_HitChara.nOffY, 16 - 2 - 12);
  EXPECT_EQ(c.m_HitChara.nBaseW, 20);

  c.m_nBaseH = 28;
  c.m_nBaseImgH = 32;
  c.m_nBaseImgOffY = 4;
  c.m_dY = 400;
  g_SystemData.m_bCompat261 = 0;
  c.AdjustYForScale(3, 1);
  EXPECT_EQ(c.m_dY, 400 - 2 * 32 + 2 * 4);
  g_SystemData.m_bCompat261 = 1;
  c.m_dY = 400;
  c.AdjustYForScale(3, 1);
  EXPECT_EQ(c.m_dY, 400 - 2 * 28);
  c.AdjustYForScale(2, 2);
  EXPECT_EQ(c.m_dY, 400 - 2 * 28);

  c.m_Data.m_sAnimeSet = 0;
  c.m_Data.m_byFlight = 1;
  c.m_Data.m_bBlockChara = 1;
  c.m_Data.m_byInvincible = 1;
  g_SystemData.m_bGraphicOffset = 0;
  EXPECT_EQ(c.GetGraphicOffset(), 0);
  g_SystemData.m_bGraphicOffset = 1;
  EXPECT_EQ(c.GetGraphicOffset(), 0 + 8 + 4);  // flight 0, block chara 8, invincible 4
  c.m_Data.m_byInvincible = 0;
  EXPECT_EQ(c.GetGraphicOffset(), 8);
}

}  // namespace
