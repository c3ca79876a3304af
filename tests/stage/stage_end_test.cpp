// The end of a cleared stage: the tally with its extra lives, the ranking
// places, the ranking entry, the next stage of a series and where each kind
// of play goes after the clear screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "objects/hero.h"
#include "objects/message.h"
#include "objects/stage_fixture.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "records/option_data.h"
#include "records/progress_data.h"
#include "records/ranking_data.h"
#include "records/stage_data.h"
#include "records/system_data.h"
#include "records/worldmap_data.h"
#include "services/game_threads.h"
#include "services/thread.h"
#include "services/window_requests.h"
#include "stage/replay_data.h"
#include "stage/scene_manager.h"
#include "support/project_writer.h"
#include "support/stage_writer.h"

namespace {

constexpr uint32_t kPlaySoundMessage = 1029;

// What the window thread was asked for.
struct WindowLog {
  std::vector<int> sounds;
  int nameEntries = 0;
  std::string dialogName;  // what the name dialog "types"
};
WindowLog* g_log = nullptr;

LRESULT FakeWindow(HWND, uint32_t msg, WPARAM w, LPARAM) {
  if (!g_log) return 0;
  if (msg == kPlaySoundMessage) g_log->sounds.push_back(static_cast<int>(w));
  if (msg == WM_T4_NAMEENTRY) {
    ++g_log->nameEntries;
    if (g_pGameScene) g_pGameScene->m_strRankingName = g_log->dialogName;
    g_bNameDone = 1;
  }
  return 0;
}

// The extra-life notice's wait: what it saw, and a close on request.
struct NoticeLog {
  int waits = 0;
  int quitOnWait = 0;  // sets the quit flag during that wait (1-based)
  std::vector<int> frames, modes, kinds, anchors, counts;
};
NoticeLog* g_notices = nullptr;

int RecordNoticeWait(cGameScene& scene) {
  NoticeLog& n = *g_notices;
  ++n.waits;
  n.frames.push_back(scene.m_Wait.nFrames);
  n.modes.push_back(scene.m_Wait.nMode);
  n.counts.push_back(static_cast<int>(scene.m_lstMessage.size()));
  if (!scene.m_lstMessage.empty()) {
    n.kinds.push_back(scene.m_lstMessage.back().m_nKind);
    n.anchors.push_back(scene.m_lstMessage.back().m_nAnchor);
  }
  if (n.waits == n.quitOnWait) scene.m_bQuit = 1;
  return 1;
}

class StageEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.ok());
    g_dwDataVersion = kRecordDataVersion;
    saved_.progress = g_Progress;
    saved_.system = g_SystemData;
    saved_.ranking = g_Ranking;
    saved_.option = g_OptionData;
    saved_.map = g_WorldMap;
    saved_.start = g_StageStart;
    saved_.titleChoice = g_SceneManager.m_nTitleChoice;
    saved_.gameMode = g_SceneManager.m_nGameMode;
    saved_.rankingOn = g_SceneManager.m_bRanking;
    saved_.cmdLine = g_bCmdLineStage;
    saved_.testPlay = g_bTestPlay;
    saved_.active = g_bActive.load();

    g_Progress = cProgressData();
    g_SystemData = cSystemData();
    g_Ranking = cRankingData();
    for (cRankingList& list : g_Ranking.m_vecList) list.m_vecEntry.resize(20);
    g_OptionData = cOptionData();
    g_WorldMap = cWorldMapData();
    g_SceneManager.m_nTitleChoice = 3;
    g_SceneManager.m_nGameMode = 2;
    g_SceneManager.m_bRanking = 1;
    g_bCmdLineStage = 0;
    g_bTestPlay = 0;
    g_bActive = 1;
    g_Stage.m_vecRanking.assign(kRankingKindCount, 1);
    g_Stage.m_bStoreHero = 0;

    Player.clear();
    Player.resize(1);
    Player[0].m_nId = 7;
    Player[0].m_nLife = 6;
    Player[0].m_nSP = 2;

    plat::RegisterMainThread();
    plat::SetWindowProc(nullptr, FakeWindow);
    g_log = &window_;
    g_notices = &notices_;
    cGameScene::SetNoticeWaitForTest(RecordNoticeWait);
    ASSERT_TRUE(plat::CreateDirectory("data"));
    ASSERT_TRUE(plat::CreateDirectory("data\\stg4"));
    ASSERT_TRUE(plat::CreateDirectory("user_data"));
    ASSERT_TRUE(plat::CreateDirectory("user_data\\free"));
    ASSERT_TRUE(plat::CreateDirectory("user_data\\challenge"));
    report_.NewLines();
  }
  void TearDown() override {
    cGameScene::SetNoticeWaitForTest(nullptr);
    g_notices = nullptr;
    g_log = nullptr;
    plat::ResetRuntimeForTest();
    Player.clear();
    g_Progress = saved_.progress;
    g_SystemData = saved_.system;
    g_Ranking = saved_.ranking;
    g_OptionData = saved_.option;
    g_WorldMap = saved_.map;
    g_StageStart = saved_.start;
    g_SceneManager.m_nTitleChoice = saved_.titleChoice;
    g_SceneManager.m_nGameMode = saved_.gameMode;
    g_SceneManager.m_bRanking = saved_.rankingOn;
    g_bCmdLineStage = saved_.cmdLine;
    g_bTestPlay = saved_.testPlay;
    g_bActive = saved_.active;
  }

  cGameScene& Scene() { return stage_.Scene(); }
  int ClosesPosted() {
    int n = 0;
    MSG m;
    while (plat::PeekMessage(&m, true))
      if (m.message == WM_CLOSE) ++n;
    return n;
  }
  // A series c01 whose first file was started, with numbered files of its
  // second stage and of a bonus stage.
  void MakeSeries() {
    for (const char* f : {"data\\stg4\\c01-2.stg4_000", "data\\stg4\\c01-2.stg4_003", "data\\stg4\\bonus.stg4_001",
                          "data\\stg4\\bonus.stg4_007"})
      ASSERT_TRUE(WriteTestStage(f, f));
    g_Progress.SetStageFile("data\\stg4\\c01-1.stg4_002", 0, 0, 0);
  }

  t4test::TempFolder dir_{true};
  ReportLogCapture report_{dir_.path()};
  t4test::StageFixture stage_;
  WindowLog window_;
  NoticeLog notices_;

 private:
  struct {
    cProgressData progress;
    cSystemData system;
    cRankingData ranking;
    cOptionData option;
    cWorldMapData map;
    cStageData start;
    int titleChoice, gameMode, rankingOn, cmdLine, testPlay, active;
  } saved_;
};

// ---- the tally and the extra lives ------------------------------------------

TEST_F(StageEnd, ExtraLivesForEachScoreStepPassed) {
  struct Case {
    const char* what;
    int on, step, total, gained, lives;
    int wantLives, wantNotices;
  } cases[] = {
      {"250 -> 480 by 100", 1, 100, 250, 230, 3, 5, 480 / 100 - 250 / 100},
      {"98 lives stop at 99", 1, 100, 250, 230, 98, 99, 2},
      {"unlimited lives", 1, 100, 250, 230, kUnlimitedLives, kUnlimitedLives, 0},
      {"switched off", 0, 100, 250, 230, 3, 3, 0},
      {"no step", 1, 0, 250, 230, 3, 3, 0},
      {"a step below zero never gives", 1, -100, 250, 230, 3, 3, 0},
      {"more than 99 lives are never lowered", 1, 100, 250, 230, 150, 150, 2},
      {"a huge jump owes at most 99 notices", 1, 1, 0, 999999, 3, 99, 99},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    g_SystemData.m_bExtraLife = c.on;
    g_SystemData.m_nExtraLifeScore = c.step;
    g_Progress.m_nScore = c.total;
    g_Progress.m_nScoreGained = c.gained;
    g_Progress.m_nLives = c.lives;
    window_ = WindowLog();
    notices_ = NoticeLog();
    Scene().AwardExtraLives();
    EXPECT_EQ(g_Progress.m_nScore, c.total + c.gained);
    EXPECT_EQ(g_Progress.m_nLives, c.wantLives);
    EXPECT_EQ(notices_.waits, c.wantNotices);
    EXPECT_EQ(window_.sounds, std::vector<int>(static_cast<size_t>(c.wantNotices), 15));
    EXPECT_TRUE(Scene().m_lstMessage.empty());  // each notice goes after its wait
  }
}

TEST_F(StageEnd, TallyAddsTheStageToTheRunAndEachNoticeWaitsAtTheHero) {
  g_SystemData.m_bExtraLife = 1;
  g_SystemData.m_nExtraLifeScore = 100;
  g_Progress.m_nScore = 250;
  g_Progress.m_nScoreGained = 230;
  g_Progress.m_nLives = 3;
  g_Progress.m_nTimeLeft = 10;
  g_Progress.m_nClearTime = 1000;
  g_Progress.m_nResultLife = 1;
  g_Progress.m_nResultSp = 1;
  Scene().m_bNoTimeLimit = 0;
  Scene().m_nTimeLimit = 45;
  Scene().m_nPlayTime = 3210;
  Scene().BeginStageEnd();
  EXPECT_EQ(g_Progress.m_nTimeLeft, 55);
  EXPECT_EQ(g_Progress.m_nClearTime, 4210);
  EXPECT_EQ(g_Progress.m_nResultLife, 7);
  EXPECT_EQ(g_Progress.m_nResultSp, 3);
  EXPECT_EQ(window_.sounds, (std::vector<int>{14, 15, 15}));
  EXPECT_EQ(notices_.frames, (std::vector<int>{30, 30}));
  EXPECT_EQ(notices_.modes, (std::vector<int>{0, 0}));
  EXPECT_EQ(notices_.counts, (std::vector<int>{1, 1}));
  EXPECT_EQ(notices_.kinds, (std::vector<int>{kMessageSystemIcon, kMessageSystemIcon}));
  EXPECT_EQ(notices_.anchors, (std::vector<int>{7, 7}));

  // Without a time limit the counter shows 999, which is not added.
  Scene().m_bNoTimeLimit = 1;
  Scene().m_nTimeLimit = 999;
  Scene().BeginStageEnd();
  EXPECT_EQ(g_Progress.m_nTimeLeft, 55);
}

TEST_F(StageEnd, AClosedWindowEndsTheHandOut) {
  g_SystemData.m_bExtraLife = 1;
  g_SystemData.m_nExtraLifeScore = 100;
  g_Progress.m_nScore = 0;
  g_Progress.m_nScoreGained = 500;
  g_Progress.m_nLives = 1;
  ClosesPosted();
  notices_.quitOnWait = 2;
  Scene().AwardExtraLives();
  EXPECT_EQ(notices_.waits, 2);
  EXPECT_EQ(g_Progress.m_nLives, 3);
  EXPECT_EQ(ClosesPosted(), 1);
  EXPECT_TRUE(Scene().m_lstMessage.empty());
}

// ---- the next stage of a series ---------------------------------------------------

TEST_F(StageEnd, NextStageFileOfTheSeriesOrByName) {
  MakeSeries();
  struct Case {
    const char* what;
    const char* nextName;
    int number;
    const char* file;  // "" none
  } cases[] = {
      {"number 2 of the series", "", 2, "data\\stg4\\c01-2.stg4_003"},
      {"no such number", "", 3, ""},
      {"no number", "", 0, ""},
      {"by name", "data\\stg4\\bonus.", 2, "data\\stg4\\bonus.stg4_007"},
      {"a name without files", "data\\stg4\\none.", 2, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Scene().m_strNextStage = c.nextName;
    std::string out = "untouched";
    const int found = Scene().MakeStageFileName(out, c.number);
    EXPECT_EQ(found, *c.file ? 1 : 0);
    EXPECT_EQ(plat::ResolvePath(out), *c.file ? plat::ResolvePath(c.file) : "");
    EXPECT_EQ(Scene().IsFinalStage(c.number), found ? 0 : 1);
  }

  // A stage that is not the first of a series has no next stage.
  g_Progress.SetStageFile("data\\stg4\\c01-2.stg4_003", 0, 0, 0);
  Scene().m_strNextStage.clear();
  std::string out;
  EXPECT_EQ(Scene().MakeStageFileName(out, 2), 0);
  EXPECT_EQ(Scene().IsFinalStage(2), 1);
}

// ---- ranking places and the entry -------------------------------------------------

TEST_F(StageEnd, OnlyTheLastStageOfASeriesTakesRankingPlaces) {
  MakeSeries();
  g_SystemData.m_vecModeRanking.At(2).m_vecKind = std::vector<BYTE>{1, 1, 0, 1, 1};
  g_Stage.m_vecRanking = std::vector<int>{1, 1, 1, 1, 0};
  // Life rankings are full of better results.
  for (cRankingEntry& e : g_Ranking.m_vecList.At(3).m_vecEntry) {
    e.m_bValid = 1;
    e.m_nValue = 1000;
  }
  g_Progress.m_nScoreGained = 300;
  struct Case {
    const char* what;
    int next, rankingOn, testPlay, cmdLine;
    bool results;
    std::vector<int> places;
  } cases[] = {
      {"mid-series", 2, 1, 0, 0, false, {-1, -1, -1, -1, -1}},
      {"last of the series", 3, 1, 0, 0, true, {0, 0, -1, -1, -1}},
      {"ranking off", 3, 0, 0, 0, false, {-1, -1, -1, -1, -1}},
      {"test play", 3, 1, 1, 0, true, {-1, -1, -1, -1, -1}},
      {"command line mid-series", 2, 0, 0, 1, true, {0, 0, -1, -1, -1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    g_SceneManager.m_bRanking = c.rankingOn;
    g_bTestPlay = c.testPlay;
    g_bCmdLineStage = c.cmdLine;
    Scene().m_nNextStage = c.next;
    Scene().m_vecResult.assign(kRankingKindCount, -7);
    Scene().m_bRankingEntered = 1;
    Scene().BeginStageEnd();
    EXPECT_EQ(Scene().m_bRankingEntered, 0);
    EXPECT_EQ(Scene().m_vecRankPlace, c.places);
    EXPECT_EQ(Scene().m_bRankingPossible, c.places[0] != -1 ? 1 : 0);
    if (c.results) {
      EXPECT_EQ(Scene().m_vecResult,
                (std::vector<int>{g_Progress.m_nScore, g_Progress.m_nTimeLeft, g_Progress.m_nClearTime,
                                  g_Progress.m_nResultLife, g_Progress.m_nResultSp}));
    } else {
      EXPECT_EQ(Scene().m_vecResult, std::vector<int>(kRankingKindCount, -7));
    }
  }
}

TEST_F(StageEnd, RankingEntryRegistersOnceUnderTheModesName) {
  g_OptionData.m_strPlayerName = "FIX";
  g_Progress.m_strRankingName = "old";
  g_Progress.SetStageFile("data\\stg4\\town.stg4_001", 0, 0, 0);
  window_.dialogName = "new";
  struct Case {
    int entryMode;
    int dialogs;
    const char* name;
  } cases[] = {{0, 1, "new"}, {1, 0, "FIX"}, {2, 1, "new"}, {3, 0, "FIX"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entryMode);
    g_OptionData.m_nEntryMode = c.entryMode;
    g_Progress.m_strRankingName = "old";
    g_Ranking = cRankingData();
    for (cRankingList& list : g_Ranking.m_vecList) list.m_vecEntry.resize(20);
    std::remove(plat::ResolvePath("user_data\\free\\town.rkg").c_str());
    window_ = WindowLog();
    window_.dialogName = "new";
    Scene().m_bRankingEntered = 0;
    Scene().m_bRankingPossible = 1;
    Scene().m_vecResult = {500, 20, 3000, 4, 5};
    Scene().m_vecRankPlace = {0, -1, 0, -1, -1};
    // The ranking display is not run here.
    cThread::FailNextStartForTest();
    Scene().EnterRanking();
    EXPECT_EQ(window_.nameEntries, c.dialogs);
    EXPECT_EQ(g_Progress.m_strRankingName, c.dialogs ? "new" : "old");
    EXPECT_EQ(window_.sounds, std::vector<int>{16});
    EXPECT_EQ(Scene().m_bRankingEntered, 1);
    const cRankingEntry& score = g_Ranking.m_vecList.At(0).m_vecEntry[0];
    EXPECT_EQ(score.m_strName, c.name);
    EXPECT_EQ(score.m_nValue, 500);
    EXPECT_EQ(g_Ranking.m_vecList.At(2).m_vecEntry[0].m_nValue, 3000);
    EXPECT_EQ(g_Ranking.m_vecList.At(1).m_vecEntry[0].m_bValid, 0);
    cRankingData saved;
    ASSERT_TRUE(saved.LoadFromFile("user_data\\free\\town.rkg"));
    EXPECT_EQ(saved.m_vecList.At(0).m_vecEntry.At(0).m_strName, c.name);

    // Once per clear.
    window_ = WindowLog();
    Scene().EnterRanking();
    EXPECT_EQ(window_.nameEntries, 0);
    EXPECT_TRUE(window_.sounds.empty());
    ClosesPosted();
  }
}

TEST_F(StageEnd, RankingFilesAreNamedByModeAndStem) {
  struct Case {
    int mode, keyed;
    const char* file;
  } cases[] = {
      {0, 1, "user_data\\story\\town_c005_12.rkg"},
      {0, 0, "user_data\\story\\town.rkg"},
      {1, 1, "user_data\\challenge\\town.rkg"},
      {2, 1, "user_data\\free\\town.rkg"},
      {3, 1, ""},
  };
  for (const Case& c : cases) {
    std::string out = "untouched";
    EXPECT_EQ(MakeRankingFileName(out, c.mode, "data\\stg4\\town.", c.keyed, 5, 12), *c.file ? 1 : 0);
    EXPECT_EQ(out, c.file);
  }
}

// ---- leaving the clear screen -------------------------------------------------------

TEST_F(StageEnd, StoryClearMarksTheStageAndFollowsItsClearAction) {
  // The map entry being played: entry 1 of the node under the cursor.
  cWorldNodeData node;
  node.m_nX = 4;
  node.m_nY = 5;
  node.m_vecStage.resize(2);
  g_WorldMap.m_vecNode.push_back(node);
  g_WorldMap.m_nStartX = 9;
  g_WorldMap.m_nStartY = 7;
  struct Case {
    const char* what;
    int action;
    int scene;
    int world;
  } cases[] = {
      {"nothing", kAfterClearNothing, 1, 0},
      {"new lap", kAfterClearNewLap, 1, 1},
      {"back to the title", kAfterClearTitle, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    g_WorldMap.m_vecNode.At(0).m_vecStage.At(1).m_nAfterClear = c.action;
    g_Progress = cProgressData();
    g_Progress.SetStageFile("data\\stg4\\town.stg4_001", 1, 5, 12);
    g_Progress.m_nMapX = 4;
    g_Progress.m_nMapY = 5;
    g_Progress.m_nMapStage = 1;
    g_Progress.m_nStageNo = 17;
    g_Progress.m_nStageCount = 1;
    g_Progress.m_nScore = 800;
    g_SceneManager.m_nTitleChoice = 1;
    Scene().m_nNextStage = 0;
    EXPECT_EQ(Scene().GoToNextStage(), c.scene);
    EXPECT_EQ(g_Progress.GetBestScore("data\\stg4\\town_c005_12."), 800);
    EXPECT_EQ(g_Progress.m_nTotalScore, 800);
    EXPECT_EQ(g_Progress.m_nWorld, c.world);
    EXPECT_EQ(g_Progress.m_vecWorldFlag.At(17), c.world ? 0 : 1);
    EXPECT_EQ(g_Progress.m_nMapX, c.world ? 9 : 4);
    EXPECT_EQ(g_Progress.m_nStageCount, 1);
  }
}

TEST_F(StageEnd, ASeriesGoesOnWithItsNextStage) {
  MakeSeries();
  g_Progress.m_nStageNo = 17;
  g_Progress.m_nStageCount = 1;
  g_Progress.m_nScore = 800;
  g_Replay.m_nSeed = 5;
  g_ReplayPrev.m_nSeed = 6;
  struct Case {
    int choice;
  } cases[] = {{0}, {2}, {3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.choice);
    g_SceneManager.m_nTitleChoice = c.choice;
    g_Progress.m_nStageCount = 1;
    g_Replay.m_nSeed = 5;
    Scene().m_nNextStage = 2;
    EXPECT_EQ(Scene().GoToNextStage(), 4);
    EXPECT_EQ(g_Progress.m_nStageCount, 2);
    EXPECT_EQ(g_StageStart.m_strName, "data\\stg4\\c01-2.stg4_003");
    EXPECT_EQ(g_Replay.m_nSeed, 0);
    EXPECT_EQ(g_ReplayPrev.m_nSeed, 0);
    // A stage in the middle of a series is not recorded as cleared.
    EXPECT_EQ(g_Progress.m_vecWorldFlag.At(17), 0);
    EXPECT_TRUE(g_Progress.m_vecBestScore.empty());
  }

  // Past the last stage, free play ends at the title with the counter put back.
  g_SceneManager.m_nTitleChoice = 3;
  g_Progress.m_nStageCount = 1;
  Scene().m_nNextStage = 3;
  EXPECT_EQ(Scene().GoToNextStage(), 0);
  EXPECT_EQ(g_Progress.m_nStageCount, 1);
}

TEST_F(StageEnd, ChallengeClearKeepsTheBestAndOpensTheNextStage) {
  g_SystemData.m_nChallengeStages = 3;
  g_SceneManager.m_nTitleChoice = 2;
  g_SceneManager.m_nGameMode = 1;
  struct Case {
    const char* what;
    int stageNo, open, best, score;
    int wantBest, wantTotal, wantOpen;
  } cases[] = {
      {"first clear", 1, 1, 0, 400, 400, 400, 2},
      {"a better score", 2, 3, 300, 500, 500, 200, 3},
      {"a lower score", 2, 3, 300, 100, 300, 0, 3},
      {"the last stage", 3, 3, 0, 50, 50, 50, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    g_Progress = cProgressData();  // a new run: its challenge list is still empty
    if (c.best) {
      g_Progress.Normalize();
      g_Progress.m_vecChallenge.At(c.stageNo - 1).m_nSecond = c.best;
    }
    g_Progress.m_nStageNo = c.stageNo;
    g_Progress.m_nChallengeOpen = c.open;
    g_Progress.m_nScore = c.score;
    ClosesPosted();
    EXPECT_EQ(Scene().GoToNextStage(), 3);
    EXPECT_EQ(ClosesPosted(), 0);  // no bad index
    ASSERT_EQ(g_Progress.m_vecChallenge.Size(), 3);
    const cIntPairData& record = g_Progress.m_vecChallenge.At(c.stageNo - 1);
    EXPECT_EQ(record.m_nFirst, 1);
    EXPECT_EQ(record.m_nSecond, c.wantBest);
    EXPECT_EQ(g_Progress.m_nTotalScore, c.wantTotal);
    EXPECT_EQ(g_Progress.m_nChallengeOpen, c.wantOpen);
    cProgressData saved;
    ASSERT_TRUE(saved.LoadFromFile("user_data\\challenge\\Challenge.dat"));
    EXPECT_EQ(saved.m_vecChallenge.At(c.stageNo - 1).m_nSecond, c.wantBest);
    EXPECT_EQ(saved.m_nChallengeOpen, c.wantOpen);
  }
}

TEST_F(StageEnd, AChallengeFileThatCannotBeWrittenIsReported) {
  g_SystemData.m_nChallengeStages = 3;
  g_SceneManager.m_nTitleChoice = 2;
  // A file where the challenge folder should be: nothing can be written.
  ASSERT_TRUE(std::filesystem::remove(dir_.Os("user_data/challenge")));
  ASSERT_TRUE(dir_.MakeFile("user_data/challenge"));
  g_Progress.m_nStageNo = 1;
  g_Progress.m_nScore = 400;
  report_.NewLines();
  EXPECT_EQ(Scene().GoToNextStage(), 3);
  const std::vector<std::string> lines = report_.NewLines();
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                          [](const std::string& l) { return l.find("Challenge.dat") != std::string::npos; }))
      << (lines.empty() ? "" : lines.back());
  // The run's record itself is updated all the same.
  EXPECT_EQ(g_Progress.m_vecChallenge.At(0).m_nSecond, 400);
}

TEST_F(StageEnd, FreePlayReplayAndOtherChoices) {
  g_Progress.SetStageFile("data\\stg4\\town.stg4_001", 0, 0, 0);
  struct Case {
    const char* what;
    int choice, cmdLine;
    const char* file;
    int scene;
  } cases[] = {
      {"free play without a series starts again", 3, 0, "data\\stg4\\town.stg4_001", 4},
      {"a series from the command line starts again", 3, 1, "data\\stg4\\c01-1.stg4_002", 4},
      {"replay", 4, 0, "data\\stg4\\town.stg4_001", 4},
      {"options", 5, 0, "data\\stg4\\town.stg4_001", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    g_SceneManager.m_nTitleChoice = c.choice;
    g_bCmdLineStage = c.cmdLine;
    g_Progress.SetStageFile(c.file, 0, 0, 0);
    g_Progress.m_nClearValue1 = 1;
    g_Progress.m_nLives = 3;
    g_Progress.m_nScore = 100;
    g_Progress.m_vecVar.At(1) = 5;
    g_Progress.SaveStageStart();
    g_Progress.m_nLives = 1;
    g_Progress.m_nScore = 900;
    g_Progress.m_vecVar.At(1) = 8;
    Scene().m_nNextStage = 0;
    EXPECT_EQ(Scene().GoToNextStage(), c.scene);
    EXPECT_EQ(g_Progress.m_nClearValue1, c.choice == 3 ? 0 : 1);
    const bool restored = c.choice == 4;
    EXPECT_EQ(g_Progress.m_nLives, restored ? 3 : 1);
    EXPECT_EQ(g_Progress.m_nScore, restored ? 100 : 900);
    EXPECT_EQ(g_Progress.m_vecVar.At(1), restored ? 5 : 8);
  }
}

TEST_F(StageEnd, TheHeroStateIsStoredWhenTheStageAsksForIt) {
  g_SystemData.m_vecCarryFlag.assign(kCarryKindCount, 0);
  g_SystemData.m_vecCarryFlag.At(11) = g_SystemData.m_vecCarryFlag.At(22) = g_SystemData.m_vecCarryFlag.At(23) = 1;
  g_SceneManager.m_nTitleChoice = 5;
  g_Progress.m_nLives = 4;
  Scene().m_nTimeLimit = 61;
  EXPECT_EQ(Scene().GoToNextStage(), 3);
  EXPECT_EQ(g_Progress.m_bCarryStored, 0);

  g_Stage.m_bStoreHero = 1;
  EXPECT_EQ(Scene().GoToNextStage(), 3);
  EXPECT_EQ(g_Progress.m_bCarryStored, 1);
  const cCharaSave& save = g_Progress.m_vecCharaSave.At(0);
  EXPECT_EQ(save.m_nCarry11, 6);
  EXPECT_EQ(save.m_nCarry12, 0);  // kind 12 is off
  EXPECT_EQ(save.m_nCarry22, 61);
  EXPECT_EQ(save.m_nCarry23, 4);
}

}  // namespace
