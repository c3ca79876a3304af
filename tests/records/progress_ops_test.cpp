// What stage play does to the progress record between stages: best scores,
// the stage-start snapshot, the carried hero state, the next world and the
// ranking kind shown; and the record's file with its upgrades.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "records/progress_data.h"
#include "records/stage_data.h"
#include "records/system_data.h"
#include "records/worldmap_data.h"
#include "services/game_threads.h"
#include "support/temp_folder.h"

namespace {

class ProgressOps : public ::testing::Test {
 protected:
  void SetUp() override {
    savedSystem_ = g_SystemData;
    savedMap_ = g_WorldMap;
    savedCmdLine_ = g_bCmdLineStage;
    g_dwDataVersion = kRecordDataVersion;
    g_SystemData = cSystemData();
    g_WorldMap = cWorldMapData();
    g_bCmdLineStage = 0;
  }
  void TearDown() override {
    g_SystemData = savedSystem_;
    g_WorldMap = savedMap_;
    g_bCmdLineStage = savedCmdLine_;
    g_dwDataVersion = kRecordDataVersion;
  }

 private:
  cSystemData savedSystem_;
  cWorldMapData savedMap_;
  int savedCmdLine_ = 0;
};

TEST_F(ProgressOps, BestScoresRiseOnlyAndKeepTheTotal) {
  cProgressData p;
  p.UpdateBestScore("a.", "a.", 0, 0, 0, 300);
  p.UpdateBestScore("b.", "b_c001_2.", 1, 1, 2, 500);
  ASSERT_EQ(p.m_vecBestScore.Size(), 2);
  EXPECT_EQ(p.m_nTotalScore, 800);
  EXPECT_EQ(p.m_vecBestScore[1].m_strStageFile, "b.");
  EXPECT_EQ(p.m_vecBestScore[1].m_bMapFlag, 1);
  EXPECT_EQ(p.m_vecBestScore[1].m_nMapY, 2);

  struct Case {
    const char* key;
    int score;
    int best, total;  // of "a." afterwards, and the total
  } cases[] = {
      {"a.", 200, 300, 800},   // lower: nothing
      {"a.", 300, 300, 800},   // equal: nothing
      {"a.", 450, 450, 950},   // higher: the difference
      {"A.", 999, 450, 1949},  // keys compare exactly: a new entry
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.score);
    p.UpdateBestScore("x", c.key, 0, 0, 0, c.score);
    EXPECT_EQ(p.GetBestScore("a."), c.best);
    EXPECT_EQ(p.m_nTotalScore, c.total);
  }
  EXPECT_EQ(p.m_vecBestScore.Size(), 3);
  EXPECT_EQ(p.GetBestScore("none"), 0);
}

TEST_F(ProgressOps, RestoreStageStartByModeAndSwitch) {
  g_SystemData.m_bRestoreStory = 1;
  g_SystemData.m_bRestoreChallenge = 0;
  g_SystemData.m_bRestoreFree = 0;
  g_SystemData.m_bRestoreTest = 1;
  struct Case {
    const char* what;
    int all, mode, cmdLine;
    bool vars, lives;
  } cases[] = {
      {"all", 1, 1, 0, true, true},
      {"story restores", 0, 0, 0, true, false},
      {"challenge does not", 0, 1, 0, false, false},
      {"free does not", 0, 2, 0, false, false},
      {"replay always", 0, 3, 0, true, false},
      {"command line by its own switch", 0, 2, 1, true, false},
      {"unknown mode", 0, 7, 0, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    g_bCmdLineStage = c.cmdLine;
    cProgressData p;
    p.m_vecVar.At(5) = 11;
    p.m_nLives = 3;
    p.m_nScore = 100;
    p.SaveStageStart();
    p.m_vecVar.At(5) = 99;
    p.m_nLives = 1;
    p.m_nScore = 700;
    p.RestoreStageStart(c.all, c.mode);
    EXPECT_EQ(p.m_vecVar.At(5), c.vars ? 11 : 99);
    EXPECT_EQ(p.m_nLives, c.lives ? 3 : 1);
    EXPECT_EQ(p.m_nScore, 100);  // in every case
  }

  // A replay restores its variables whatever the command line's switch says;
  // outside a replay that switch decides for a command-line stage.
  g_SystemData.m_bRestoreTest = 0;
  g_bCmdLineStage = 1;
  for (int mode : {0, 3}) {
    cProgressData p;
    p.m_vecVar.At(5) = 11;
    p.SaveStageStart();
    p.m_vecVar.At(5) = 99;
    p.RestoreStageStart(0, mode);
    EXPECT_EQ(p.m_vecVar.At(5), mode == 3 ? 11 : 99) << "mode " << mode;
  }

  // A restart of a new run before any snapshot keeps every variable.
  cProgressData fresh;
  fresh.m_vecVar.At(1000) = 4;
  fresh.Reset();
  fresh.RestoreStageStart(1, 0);
  EXPECT_EQ(fresh.m_vecVar.Size(), 1001);
}

TEST_F(ProgressOps, ClearScoreTotalsClearsTheFiveTotalsOnly) {
  cProgressData p;
  p.m_nScore = p.m_nTimeLeft = p.m_nClearTime = p.m_nResultLife = p.m_nResultSp = 5;
  p.m_nScoreGained = p.m_nTotalScore = p.m_nLives = 7;
  p.ClearScoreTotals();
  EXPECT_EQ(p.m_nScore + p.m_nTimeLeft + p.m_nClearTime + p.m_nResultLife + p.m_nResultSp, 0);
  EXPECT_EQ(p.m_nScoreGained, 7);
  EXPECT_EQ(p.m_nTotalScore, 7);
  EXPECT_EQ(p.m_nLives, 7);
}

TEST_F(ProgressOps, CarryStoresOnlySwitchedKindsAndRestoresOnlyMarkedOnes) {
  g_SystemData.m_vecCarryFlag.assign(kCarryKindCount, 0);
  for (int k : {0, 4, 13, 21, 11, 12, 22, 23, 24}) g_SystemData.m_vecCarryFlag.At(k) = 1;
  g_SystemData.m_vecCarryClear.assign(kCarryKindCount, 0);
  g_SystemData.m_vecCarryClear.At(11) = 1;

  cCharaData hero;
  hero.m_sGraphic = 0;  // restored as 1
  hero.m_byGraphicKind = 4;
  hero.m_nMaxHp = 55;
  hero.m_nMaxSp = 66;  // kind 14 is off
  hero.m_vecFlow.resize(2);
  cProgressData p;
  p.StoreCarry(0, hero, 40, 8, 12, 1, 2, 77, 4, 9);
  EXPECT_EQ(p.m_bCarryStored, 1);
  for (int k = 0; k < kCarryKindCount; ++k) EXPECT_EQ(p.m_vecCarryFlag.At(k), g_SystemData.m_vecCarryFlag.At(k)) << k;

  cCharaData next;
  next.m_nMaxSp = 3;
  cStageData stage;
  stage.m_nTimeLimit = 300;
  stage.m_nBgm = 1;
  p.m_nLives = 0;
  p.RestoreCarry(0, next, stage);
  EXPECT_EQ(next.m_sGraphic, 1);
  EXPECT_EQ(next.m_byGraphicKind, 4);
  EXPECT_EQ(next.m_nMaxHp, 55);
  EXPECT_EQ(next.m_nMaxSp, 3);
  EXPECT_EQ(next.m_vecFlow.size(), 2u);
  EXPECT_EQ(next.m_sStartEffect, 12);
  EXPECT_EQ(next.m_cStartEffectDir, 1);
  EXPECT_EQ(next.m_byStartEffectMode, 2);
  EXPECT_EQ(stage.m_nTimeLimit, 77);
  EXPECT_EQ(stage.m_nBgm, 9);
  EXPECT_EQ(p.m_nLives, 4);

  // Life and gauge come back only through RestoreCarryValues, each when
  // switched on and marked; a lost hero drops the marks System.dat names.
  int life = -1, sp = -1;
  p.ClearFlaggedCarry();
  EXPECT_EQ(p.m_vecCarryFlag.At(11), 0);
  EXPECT_EQ(p.m_vecCarryFlag.At(12), 1);
  p.RestoreCarryValues(0, life, sp);
  EXPECT_EQ(life, -1);
  EXPECT_EQ(sp, 8);

  // A kind switched off later is still given back while it is marked.
  g_SystemData.m_vecCarryFlag.At(13) = 0;
  cCharaData again;
  p.RestoreCarry(0, again, stage);
  EXPECT_EQ(again.m_nMaxHp, 55);

  // Nothing comes back before anything was stored.
  cProgressData fresh;
  cCharaData untouched;
  untouched.m_nMaxHp = 10;
  fresh.m_vecCarryFlag.Fill(1);
  fresh.RestoreCarry(0, untouched, stage);
  int l2 = -1, s2 = -1;
  fresh.RestoreCarryValues(0, l2, s2);
  EXPECT_EQ(untouched.m_nMaxHp, 10);
  EXPECT_EQ(l2, -1);
  EXPECT_EQ(s2, -1);
}

TEST_F(ProgressOps, NextWorldClearsItsFlagsAndPutsTheCursorOnTheStart) {
  g_WorldMap.m_nStartX = 4;
  g_WorldMap.m_nStartY = 6;
  cProgressData p;
  p.m_nWorld = 2;
  p.m_vecWorldFlag.Fill(1);
  p.m_nMapX = p.m_nMapY = 1;
  p.OnNextStage();
  EXPECT_EQ(p.m_nWorld, 3);
  EXPECT_EQ(p.m_vecWorldFlag.Size(), 1000);
  for (int f : p.m_vecWorldFlag) ASSERT_EQ(f, 0);
  EXPECT_EQ(p.m_nMapX, 4);
  EXPECT_EQ(p.m_nMapY, 6);
}

TEST_F(ProgressOps, RankingKindStepsOverTheEnabledKinds) {
  struct Case {
    std::vector<BYTE> kinds;
    int from, n, want;
  } cases[] = {
      {{0, 0, 1, 0, 0}, 0, 1, 2},        {{0, 0, 1, 0, 0}, 2, -7, 2},
      {{0, 0, 1, 0, 0}, 4, 0, 2},        {{0, 0, 1, 0, 0}, 2, INT_MAX, 2},
      {{1, 0, 1, 0, 1}, 0, 1, 2},        {{1, 0, 1, 0, 1}, 0, 2, 4},
      {{1, 0, 1, 0, 1}, 0, 3, 0},        {{1, 0, 1, 0, 1}, 0, -1, 4},
      {{1, 0, 1, 0, 1}, 0, -2, 2},       {{1, 0, 1, 0, 1}, 1, 0, 2},
      {{1, 0, 1, 0, 1}, 2, 0, 2},        {{1, 0, 1, 0, 1}, 3, -1, 2},
      {{1, 0, 1, 0, 1}, 1, 4, 2},        {{1, 0, 1, 0, 1}, 0, INT_MIN, 2},  // 2^31 = 2 (mod 3) steps back
      {{1, 0, 1, 0, 1}, 9, 0, 0},        {{0, 0, 0, 0, 0}, 3, 1, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "from " << c.from << " by " << c.n);
    g_SystemData.m_vecModeRanking.At(1).m_vecKind = c.kinds;
    cProgressData p;
    p.m_nRankingKind = c.from;
    p.StepRankingKind(1, c.n);
    EXPECT_EQ(p.m_nRankingKind, c.want);
  }
}

TEST_F(ProgressOps, SeriesFilesAreMarkedBySetStageFile) {
  struct Case {
    const char* name;
    int series;
  } cases[] = {{"data\\stg4\\c12-1.stg4", 1}, {"abc-10.stg4_001", 1}, {"town.stg4_002", 0}, {"a-2.stg4", 0}};
  for (const Case& c : cases) {
    cProgressData p;
    p.SetStageFile(c.name, 0, 0, 0);
    EXPECT_EQ(p.m_nSeriesNo, c.series) << c.name;
  }
}

// ---- the file ------------------------------------------------------------------

cProgressData SampleProgress() {
  cProgressData p;
  p.SetStageFile("data\\stg4\\c03-1.stg4", 1, 5, 12);
  p.m_nMapX = 3;
  p.m_nMapY = 4;
  p.m_nLives = 7;
  p.m_nScore = 1234;
  p.m_nTotalScore = 5678;
  p.m_nResultLife = 9;
  p.m_bStageBgmLoop = 0;
  p.m_nMapDir = 2;
  p.m_nPrevMapX = 1;
  p.m_nClearValue4 = 3;
  p.m_strRankingName = "xyz";
  p.m_vecCarryFlag.At(3) = 1;
  p.m_vecCharaSave.At(0).m_nCarry23 = 4;
  p.m_vecCharaSave.At(0).m_Chara.m_nMaxHp = 33;
  p.UpdateBestScore("a.", "a.", 0, 0, 0, 10);
  p.m_vecWorldFlag.At(999) = 1;
  p.m_vecVar.At(1000) = -5;
  return p;
}

TEST_F(ProgressOps, FileRoundTripsAndFitsTheChallengeList) {
  g_SystemData.m_nChallengeStages = 3;
  g_WorldMap.SetSize(20, 15);
  t4test::TempFolder dir(true);
  cProgressData p = SampleProgress();
  p.m_nChallengeOpen = 9;
  ASSERT_TRUE(p.SaveToFile("Challenge.dat"));
  EXPECT_EQ(p.m_vecChallenge.Size(), 3);  // fitted before the save
  EXPECT_EQ(p.m_nChallengeOpen, 3);

  cProgressData q;
  ASSERT_TRUE(q.LoadFromFile("Challenge.dat"));
  EXPECT_EQ(q.m_strStageFile, "data\\stg4\\c03.");
  EXPECT_EQ(q.m_strRankingKey, "data\\stg4\\c03_c005_12.");
  EXPECT_EQ(q.m_nSeriesNo, 1);
  EXPECT_EQ(q.m_nMapX, 3);
  EXPECT_EQ(q.m_nLives, 7);
  EXPECT_EQ(q.m_nScore, 1234);
  EXPECT_EQ(q.m_nTotalScore, 5678 + 10);
  EXPECT_EQ(q.m_nResultLife, 9);
  EXPECT_EQ(q.m_bStageBgmLoop, 0);
  EXPECT_EQ(q.m_nMapDir, 2);
  EXPECT_EQ(q.m_nPrevMapX, 1);
  EXPECT_EQ(q.m_nClearValue4, 3);
  EXPECT_EQ(q.m_strRankingName, "xyz");
  EXPECT_EQ(q.m_vecCarryFlag, p.m_vecCarryFlag);
  EXPECT_EQ(q.m_vecCharaSave.At(0).m_nCarry23, 4);
  EXPECT_EQ(q.m_vecCharaSave.At(0).m_Chara.m_nMaxHp, 33);
  EXPECT_EQ(q.GetBestScore("a."), 10);
  EXPECT_EQ(q.m_vecChallenge.Size(), 3);
  EXPECT_EQ(q.m_vecWorldFlag, p.m_vecWorldFlag);
  EXPECT_EQ(q.m_vecVar.Size(), 1001);
  EXPECT_EQ(q.m_vecVar.At(1000), -5);
}

TEST_F(ProgressOps, OlderFilesAreUpgraded) {
  g_WorldMap.SetSize(2, 2);  // the saved cursor (3, 4) lies outside
  g_WorldMap.m_nStartX = 1;
  g_WorldMap.m_nStartY = 0;
  t4test::TempFolder dir(true);
  for (uint32_t v : {160u, 170u, 400u}) {
    SCOPED_TRACE(v);
    // Written in the layout of that version; none of them has carry marks,
    // keyed stages or clear values, and they hold 1000 variables.
    g_dwDataVersion = v;
    cProgressData old = SampleProgress();
    old.m_vecVar.resize(1000);  // as files before 754 held them
    old.m_vecVar.At(999) = 8;
    old.m_nWorld = 6;
    old.m_bAutoSave = 1;
    old.m_bBackToMap = 1;
    ASSERT_TRUE(old.SaveToFile("old.dat"));
    g_dwDataVersion = kRecordDataVersion;

    cProgressData q;
    q.m_nResultLife = q.m_nMapDir = q.m_nPrevMapX = q.m_bBackToMap = 42;
    q.m_nClearValue4 = 42;
    ASSERT_TRUE(q.LoadFromFile("old.dat"));
    EXPECT_EQ(q.m_nWorld, 6);
    EXPECT_EQ(q.m_nLives, 7);
    EXPECT_EQ(q.m_bStageBgmLoop, v < 166 ? 1 : 0);
    EXPECT_EQ(q.m_bAutoSave, v < 169 ? 0 : 1);
    EXPECT_EQ(q.m_nResultLife, v < 182 ? 0 : 9);
    EXPECT_EQ(q.m_bBackToMap, v < 190 ? 0 : 1);
    EXPECT_EQ(q.m_nPrevMapX, v <= 190 ? 0 : 1);
    EXPECT_EQ(q.m_nMapDir, v < 194 ? 0 : 2);
    EXPECT_EQ(q.m_nClearValue4, 42);  // not in the file, kept
    EXPECT_EQ(q.m_vecCarryFlag.Size(), kCarryKindCount);
    for (int f : q.m_vecCarryFlag) EXPECT_EQ(f, 1);
    // Padded to the 1001 variables the scripts reach (variable 1000 too).
    EXPECT_EQ(q.m_vecVar.Size(), 1001);
    EXPECT_EQ(q.m_vecVar.At(999), 8);
    EXPECT_EQ(q.m_vecVar.At(1000), 0);
    EXPECT_EQ(q.m_vecVarStart.Size(), 1001);
    EXPECT_EQ(q.m_nMapX, 1);
    EXPECT_EQ(q.m_nMapY, 0);
  }
}

TEST_F(ProgressOps, ListsStoredShortComeBackAtTheirFullLength) {
  t4test::TempFolder dir(true);
  cProgressData p;
  p.m_vecVar.assign(3, 6);
  p.m_vecWorldFlag.assign(2, 1);
  p.m_vecCarryFlag.assign(2, 1);
  p.m_vecCharaSave.clear();
  ASSERT_TRUE(p.SaveToFile("short.dat"));

  cProgressData q;
  ASSERT_TRUE(q.LoadFromFile("short.dat"));
  EXPECT_EQ(q.m_vecVar.Size(), 1001);
  EXPECT_EQ(q.m_vecVar.At(2), 6);
  EXPECT_EQ(q.m_vecVar.At(1000), 0);
  EXPECT_EQ(q.m_vecWorldFlag.Size(), 1000);
  EXPECT_EQ(q.m_vecWorldFlag.At(1), 1);
  EXPECT_EQ(q.m_vecCarryFlag.Size(), kCarryKindCount);
  EXPECT_EQ(q.m_vecCarryFlag.At(1), 1);
  EXPECT_EQ(q.m_vecCarryFlag.At(24), 0);
  EXPECT_EQ(q.m_vecCharaSave.Size(), 1);
}

TEST_F(ProgressOps, RecountTotalCountsOnlyStagesTheMapStillHolds) {
  auto entry = [](const char* file, int keyed, int k1, int k2) {
    cWorldStageData e;
    e.m_nKind = kWorldStagePoint;
    e.m_strStageFile = file;
    e.m_bKeyedRanking = keyed;
    e.m_nKey1 = k1;
    e.m_nKey2 = k2;
    return e;
  };
  cWorldNodeData node;
  node.m_vecStage.push_back(entry("data\\stg4\\a.stg4", 0, 0, 0));
  node.m_vecStage.push_back(entry("data\\stg4\\b-1.stg4", 1, 3, 4));
  g_WorldMap.m_vecNode.push_back(node);

  struct Best {
    const char* name;
    int keyed, x, y, score;
    bool onMap;
  } bests[] = {
      {"data\\stg4\\a.", 0, 0, 0, 100, true},
      {"data\\stg4\\b.", 1, 3, 4, 200, true},
      {"data\\stg4\\b.", 1, 5, 5, 400, false},  // that position was removed
      {"data\\stg4\\gone.", 0, 0, 0, 800, false},
  };
  cProgressData p;
  int want = 0;
  for (const Best& b : bests) {
    std::string key = b.name;
    AppendMapPosition(key, b.keyed, b.x, b.y);
    p.UpdateBestScore(b.name, key, b.keyed, b.x, b.y, b.score);
    if (b.onMap) want += b.score;
  }
  EXPECT_EQ(p.m_nTotalScore, 1500);
  p.RecountTotal();
  EXPECT_EQ(p.m_nTotalScore, want);

  // Totals beyond the int range stay at its end instead of wrapping.
  cProgressData big;
  big.UpdateBestScore("data\\stg4\\a.", "k1", 0, 0, 0, INT_MAX);
  big.UpdateBestScore("data\\stg4\\a.", "k2", 0, 0, 0, INT_MAX);
  EXPECT_EQ(big.m_nTotalScore, INT_MAX);
  big.RecountTotal();
  EXPECT_EQ(big.m_nTotalScore, INT_MAX);
}

TEST_F(ProgressOps, AKeyedEntrySetsItsVariableWhenTheStageIsEntered) {
  struct Case {
    const char* what;
    int keyed, number, value;
    int changed;  // the variable that changes, -1 none
  } cases[] = {
      {"unkeyed entry", 0, 5, 7, -1},
      {"keyed entry", 1, 5, 7, 5},
      {"the last variable", 1, 1000, -3, 1000},
      {"past the variables", 1, 1001, 9, -1},
      {"negative number", 1, -1, 9, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    cProgressData p;
    p.SetStageFile("data\\stg4\\a.stg4", c.keyed, c.number, c.value);
    const std::vector<int> before = p.m_vecVar;
    p.SetStageEntryVariable();
    std::vector<int> want = before;
    if (c.changed >= 0) want[static_cast<size_t>(c.changed)] = c.value;
    EXPECT_EQ(std::vector<int>(p.m_vecVar), want);
  }
}

TEST_F(ProgressOps, AMapPositionOffTheMapComesBackAtTheStart) {
  g_WorldMap.SetSize(10, 8);
  g_WorldMap.m_nStartX = 2;
  g_WorldMap.m_nStartY = 3;
  struct Case {
    int x, y, wantX, wantY;
  } cases[] = {
      {0, 0, 0, 0}, {9, 7, 9, 7}, {10, 7, 2, 7}, {9, 8, 9, 3}, {-1, 5, 2, 5}, {4, INT_MIN, 4, 3},
  };
  t4test::TempFolder dir(true);
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.x << ", " << c.y);
    // Written while a map that holds every position is loaded (the save
    // keeps them as they are), read back with the small one.
    const cWorldMapData map = g_WorldMap;
    g_WorldMap = cWorldMapData();
    g_WorldMap.m_nWidth = g_WorldMap.m_nHeight = INT_MAX;
    cProgressData p;
    p.m_nMapX = c.x;
    p.m_nMapY = c.y;
    const bool saved = p.SaveToFile("map.dat");
    g_WorldMap = map;
    ASSERT_TRUE(saved);
    cProgressData q;
    ASSERT_TRUE(q.LoadFromFile("map.dat"));
    EXPECT_EQ(q.m_nMapX, c.wantX);
    EXPECT_EQ(q.m_nMapY, c.wantY);
  }
}

}  // namespace
