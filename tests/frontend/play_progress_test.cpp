// What entering a stage takes from the run: the keyed entry's variable and
// the stage's ranking, read before play begins.
#include <gtest/gtest.h>

#include <string>

#include "platform/paths.h"
#include "records/progress_data.h"
#include "records/ranking_data.h"
#include "stage/game_scene.h"
#include "stage/scene_manager.h"
#include "support/project_writer.h"

namespace {

class PlayProgress : public ::testing::Test {
 protected:
  void SetUp() override {
    g_dwDataVersion = kRecordDataVersion;
    saved_.progress = g_Progress;
    saved_.ranking = g_Ranking;
    saved_.choice = g_SceneManager.m_nTitleChoice;
    saved_.mode = g_SceneManager.m_nGameMode;
    saved_.ranked = g_SceneManager.m_bRanking;
    g_Progress = cProgressData();
    g_Ranking = cRankingData();
    ASSERT_TRUE(plat::CreateDirectory("user_data"));
    ASSERT_TRUE(plat::CreateDirectory("user_data\\story"));
    // The stored ranking of town. at the keyed entry (1, 5, 12).
    cRankingData stored;
    stored.SetDefault();
    stored.m_vecList.At(0).Insert("ace", 9000);
    ASSERT_TRUE(SaveRanking(stored, 0, "data\\stg4\\town.", 1, 5, 12));
    g_Progress.SetStageFile("data\\stg4\\town.stg4_001", 1, 5, 12);
  }
  void TearDown() override {
    g_Progress = saved_.progress;
    g_Ranking = saved_.ranking;
    g_SceneManager.m_nTitleChoice = saved_.choice;
    g_SceneManager.m_nGameMode = saved_.mode;
    g_SceneManager.m_bRanking = saved_.ranked;
  }

  t4test::TempFolder dir_{true};
  ReportLogCapture report_{dir_.path()};
  struct {
    cProgressData progress;
    cRankingData ranking;
    int choice = 0, mode = 0, ranked = 0;
  } saved_;
};

TEST_F(PlayProgress, EnteringAStageSetsTheEntrysVariableAndReadsItsRanking) {
  struct Case {
    const char* what;
    int titleChoice, ranking;
    int variable;        // variable 5 afterwards
    const char* first;   // first name of the score list afterwards
  } cases[] = {
      {"a story stage with ranking", 0, 1, 12, "ace"},
      {"ranking off leaves the ranking as it was", 0, 0, 12, "old"},
      {"a replay keeps its variables", 4, 1, 0, "ace"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    g_SceneManager.m_nTitleChoice = c.titleChoice;
    g_SceneManager.m_nGameMode = 0;
    g_SceneManager.m_bRanking = c.ranking;
    g_Progress.m_vecVar.At(5) = 0;
    g_Ranking.SetDefault();
    g_Ranking.m_vecList.At(0).Insert("old", 1);
    cGameScene scene;
    scene.ResetPlayState();
    EXPECT_EQ(g_Progress.m_vecVar.At(5), c.variable);
    EXPECT_EQ(g_Ranking.m_vecList.At(0).m_vecEntry.At(0).m_strName, c.first);
    EXPECT_EQ(g_Ranking.m_vecList.Size(), 5);
  }
}

}  // namespace
