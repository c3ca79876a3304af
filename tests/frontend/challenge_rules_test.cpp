// The challenge list's rules that need no screen: the stage files it
// names and how many stages and rows it lists.
#include <gtest/gtest.h>

#include "frontend/challenge_scene.h"
#include "records/progress_data.h"
#include "records/system_data.h"

namespace {

TEST(ChallengeList, StageFilesAreNumberedFromOneWithTwoDigits) {
  EXPECT_EQ(cChallengeScene::StageFileName(1), "data\\stg4\\c01-1.stg4");
  EXPECT_EQ(cChallengeScene::StageFileName(12), "data\\stg4\\c12-1.stg4");
  EXPECT_EQ(cChallengeScene::StageFileName(100), "data\\stg4\\c100-1.stg4");
}

TEST(ChallengeList, TheListHoldsTheOpenStagesOrAllWhenAllAreOpenTenAPage) {
  const int savedStages = g_SystemData.m_nChallengeStages, savedAll = g_SystemData.m_bChallengeAllOpen;
  const int savedOpen = g_Progress.m_nChallengeOpen;
  struct Case {
    int stages, allOpen, open, top;
    int count, rows, topAfter;
  } cases[] = {
      {40, 0, 1, 0, 1, 1, 0},     // one open stage: one row
      {40, 1, 1, 0, 40, 10, 0},   // all open: the System.dat count
      {15, 1, 3, 9, 15, 6, 9},    // the last page is short
      {40, 0, 12, 30, 12, 1, 11}, // a page kept from a longer list
      {0, 1, 5, 0, 0, 0, 0},      // no challenge stages at all
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.stages << "/" << c.allOpen << "/" << c.open << "/" << c.top);
    g_SystemData.m_nChallengeStages = c.stages;
    g_SystemData.m_bChallengeAllOpen = c.allOpen;
    g_Progress.m_nChallengeOpen = c.open;
    cChallengeScene scene;
    scene.m_nListTop = c.top;
    scene.CountStages();
    EXPECT_EQ(scene.m_nStageCount, c.count);
    EXPECT_EQ(scene.m_nListRows, c.rows);
    EXPECT_EQ(scene.m_nListTop, c.topAfter);
  }
  g_SystemData.m_nChallengeStages = savedStages;
  g_SystemData.m_bChallengeAllOpen = savedAll;
  g_Progress.m_nChallengeOpen = savedOpen;
}

}  // namespace
