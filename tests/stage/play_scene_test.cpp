// The play scene's own bookkeeping: the view axes' clamp and limits, the
// schedule of shot-test sub-steps, the modal-wait record, the time limit,
// the play time and the lives.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "objects/stage_fixture.h"
#include "records/progress_data.h"
#include "services/game_threads.h"
#include "services/timing.h"
#include "objects/chara.h"
#include "objects/item.h"
#include "objects/hero.h"
#include "services/input.h"
#include "stage/game_scene.h"
#include "stage/state_log.h"
#include "stage/scroll_axis.h"

namespace {

cScrollAxis Axis(int min, int max, int view) {
  cScrollAxis a;
  a.m_nMin = min;
  a.m_nMax = max;
  a.m_nView = view;
  return a;
}

TEST(ScrollAxis, ClampKeepsTheViewInsideAndTellsWhenABoundWasTouched) {
  struct Case {
    double pos;
    int min, max, view;
    double want;
    int atLimit;
  };
  const Case cases[] = {
      {100, 320, 1600, 640, 320, 1},   // below the lower bound
      {500, 320, 1600, 640, 500, 0},   // inside
      {960, 320, 1600, 640, 960, 1},   // pos + view = upper: at the limit without moving
      {1200, 320, 1600, 640, 960, 1},  // past the upper bound
      {400, 320, 800, 480, 320, 1},    // 15 rows high: one position only
      {900, 320, 700, 640, 320, 1},    // upper - view below the lower bound
  };
  for (const Case& c : cases) {
    cScrollAxis a = Axis(c.min, c.max, c.view);
    a.m_dPos = c.pos;
    a.Clamp(0);
    EXPECT_EQ(a.m_dPos, c.want) << c.pos;
    EXPECT_EQ(a.m_bAtLimit, c.atLimit) << c.pos;
  }
}

TEST(ScrollAxis, StepAddsTheAutomaticStepThenClamps) {
  cScrollAxis a = Axis(320, 1600, 640);
  a.m_dPos = 955.5;
  a.m_dAutoStep = 2.5;
  a.Step();
  EXPECT_EQ(a.m_dPos, 958.0);
  EXPECT_EQ(a.m_bAtLimit, 0);
  a.Step();
  EXPECT_EQ(a.m_dPos, 960.0);
  EXPECT_EQ(a.m_bAtLimit, 1);
}

TEST(ScrollAxis, BoundsFollowTheScrollLimitsOnlyWhereSwitchedOn) {
  cScrollAxis a;
  a.m_nBaseMin = 320;
  a.m_nBaseMax = 1600;
  a.SetBounds(3, 20, 1, 1);
  EXPECT_EQ(a.m_nMin, 320 + 3 * 32);
  EXPECT_EQ(a.m_nMax, 320 + 21 * 32);
  a.SetBounds(3, 20, 0, 0);
  EXPECT_EQ(a.m_nMin, 320);
  EXPECT_EQ(a.m_nMax, 1600);
  // A last column before the first keeps the upper bound at the lower one.
  a.SetBounds(10, 2, 1, 1);
  EXPECT_EQ(a.m_nMin, 640);
  EXPECT_EQ(a.m_nMax, 640);
}

TEST(ShotTestSchedule, SpreadsKTestsOverNSubSteps) {
  struct Case {
    int n, k;
    std::vector<int> want;
  };
  const Case cases[] = {
      {5, 0, {1, 1, 1, 1, 1}},
      {5, 2, {1, 0, 1, 0, 0}},  // step 2.5: 0 and 2
      {4, 3, {1, 1, 1, 0}},     // step 1.33
      {3, 5, {1, 1, 1}},        // K above N is taken as N
      {1, 1, {1}},
      {6, 4, {1, 1, 0, 1, 1, 0}},  // step 1.5: 0, 1, 3, 4
      {4, -2, {1, 1, 1, 1}},     // a negative K is taken as 0
      {0, 3, {}},                // no sub-steps: nothing divides by zero
  };
  for (const Case& c : cases) EXPECT_EQ(BuildShotTestSchedule(c.n, c.k), c.want) << c.n << " " << c.k;
}

TEST(WaitInfo, KeyDelayOnlyForAFreshMessageThatWaitsForAKey) {
  struct Case {
    int mode, keyWait, frames, continuing, delay;
  };
  const Case cases[] = {{1, 1, 0, 0, 10}, {1, 1, 0, 1, 0}, {1, 0, 30, 0, 0}, {0, 1, 0, 0, 0}, {2, 1, 5, 0, 0}};
  for (const Case& c : cases) {
    WAITINFO w;
    w.nLast = 7;
    w.Set(c.mode, c.keyWait, c.frames, c.continuing);
    EXPECT_EQ(w.nKeyDelay, c.delay);
    EXPECT_EQ(w.nMode, c.mode);
    EXPECT_EQ(w.bKeyWait, c.keyWait);
    EXPECT_EQ(w.nFrames, c.frames);
    EXPECT_EQ(w.nLast, 0);
  }
}

TEST(PlayScene, TimeLimitCountsOncePerSixtyFramesAndStopsAtZero) {
  t4test::StageFixture stage;
  cGameScene& scene = stage.Scene();
  scene.m_bNoTimeLimit = 0;
  scene.m_nTimeLimit = 2;
  CountFrames(0, 60);
  int reached = 0;
  for (int frame = 1; frame <= 200; ++frame) {
    if (scene.CountDownTimeLimit(-1)) ++reached;
    if (frame == 59) { EXPECT_EQ(scene.m_nTimeLimit, 2); }
    if (frame == 60) { EXPECT_EQ(scene.m_nTimeLimit, 1); }
  }
  EXPECT_EQ(scene.m_nTimeLimit, 0);
  // Reaching 0 and every later count report it; the counter never goes below.
  EXPECT_EQ(reached, 2);
  scene.m_nTimeLimit = 998;
  for (int frame = 0; frame < 180; ++frame) scene.CountDownTimeLimit(+1);
  EXPECT_EQ(scene.m_nTimeLimit, 999);

  scene.m_bNoTimeLimit = 1;
  scene.m_nTimeLimit = 999;
  for (int frame = 0; frame < 600; ++frame) EXPECT_EQ(scene.CountDownTimeLimit(-1), 0);
  EXPECT_EQ(scene.m_nTimeLimit, 999);
}

TEST(PlayScene, PlayTimeIsHundredthsAndStopsAt599999) {
  t4test::StageFixture stage;
  cGameScene& scene = stage.Scene();
  for (int i = 0; i < 61; ++i) scene.CountPlayTime();
  EXPECT_EQ(scene.m_nPlayFrames, 61);
  EXPECT_EQ(scene.m_nPlayTime, 61 * 100 / 60);
  scene.m_nPlayFrames = 359999;
  scene.CountPlayTime();
  EXPECT_EQ(scene.m_nPlayTime, 599999);
  scene.CountPlayTime();
  EXPECT_EQ(scene.m_nPlayFrames, 360000);
  EXPECT_EQ(scene.m_nPlayTime, 599999);
}

TEST(PlayScene, UseLifeTakesOneUnlessUnlimitedOrACommandLineStage) {
  t4test::StageFixture stage;
  cGameScene& scene = stage.Scene();
  const int savedCmdLine = g_bCmdLineStage;
  const int savedLives = g_Progress.m_nLives;
  struct Case {
    int cmdLine, lives, result, after;
  };
  const Case cases[] = {{0, 3, 1, 2}, {0, 1, 1, 0}, {0, 0, 0, 0}, {0, kUnlimitedLives, 1, kUnlimitedLives},
                        {1, 0, 1, 0}};
  for (const Case& c : cases) {
    g_bCmdLineStage = c.cmdLine;
    g_Progress.m_nLives = c.lives;
    EXPECT_EQ(scene.UseLife(), c.result) << c.lives;
    EXPECT_EQ(g_Progress.m_nLives, c.after) << c.lives;
  }
  g_bCmdLineStage = savedCmdLine;
  g_Progress.m_nLives = savedLives;
}

TEST(PlayScene, InputLocksClearTheHerosKeysAndHoldButtonsUntilAllAreUp) {
  t4test::StageFixture stage;
  cGameScene& scene = stage.Scene();
  Player.clear();
  Player.resize(1);
  struct Case {
    const char* what;
    int dirLock, buttonLock, sceneLock;
    uint16_t dir, button;
    uint16_t dirAfter, buttonAfter;
    int sceneLockAfter;
  };
  const Case cases[] = {
      {"no lock", 0, 0, 0, 2, 1, 2, 1, 0},
      {"the hero's direction lock", 1, 0, 0, 2 | 4, 1, 0, 1, 0},
      {"the hero's button lock", 0, 1, 0, 2, 3, 2, 0, 0},
      {"both of the hero's locks", 1, 1, 0, 1, 1, 0, 0, 0},
      {"the scene's lock holds while a button is down", 0, 0, 1, 1, 2, 1, 0, 1},
      {"and goes once every button is up", 0, 0, 1, 1, 0, 1, 0, 0},
      // The hero's button lock clears the bits first, so the scene's lock
      // sees no button down and is released.
      {"the hero's button lock releases the scene's", 0, 1, 1, 0, 2, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Player[0].m_bDirInputLock = c.dirLock;
    Player[0].m_bButtonInputLock = c.buttonLock;
    scene.m_bButtonLock = c.sceneLock;
    cInput in;
    in.m_wDir = c.dir;
    in.m_wButton = c.button;
    scene.ApplyInputLocks(in);
    EXPECT_EQ(in.m_wDir, c.dirAfter);
    EXPECT_EQ(in.m_wButton, c.buttonAfter);
    EXPECT_EQ(scene.m_bButtonLock, c.sceneLockAfter);
  }
  Player.clear();
}

}  // namespace

namespace {

TEST(StateLog, CharasAndItemsStillOnTheStageAreListedInOrder) {
  t4test::StageFixture stage;
  g_pGameScene->m_nFrameCounter = 7;
  cChara& a = g_lstChara.emplace_back();
  a.m_Data.m_sInheritIndex = 3;
  a.m_dX = 352.5;
  a.m_dY = 400;
  a.m_dVX = 0.1;
  a.m_nLife = 5;
  cChara& gone = g_lstChara.emplace_back();
  gone.m_bRemoved = 1;
  cItem& item = g_lstItem.emplace_back();
  item.m_Data.m_sInheritIndex = 2;
  item.m_dX = 384;
  item.m_dY = 416;
  g_pGameScene->m_ScrollX.m_dPos = 400.5;
  g_pGameScene->m_ScrollY.m_dPos = 320;
  const std::string line = FormatStateLine(12);
  EXPECT_NE(line.find("\"frame\":12,\"play\":7,"), std::string::npos) << line;
  EXPECT_NE(line.find(",\"view\":{\"x\":400.5,\"y\":320},\"charas\":"), std::string::npos) << line;
  EXPECT_NE(line.find("\"charas\":[{\"id\":3,\"x\":352.5,\"y\":400,\"vx\":0.10000000000000001,\"vy\":0,\"life\":5}],"
                      "\"items\":[{\"id\":2,\"x\":384,\"y\":416}],\"shots\":0,"),
            std::string::npos)
      << line;
  g_lstChara.clear();
  g_lstItem.clear();
}

}  // namespace
