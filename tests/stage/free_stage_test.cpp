#include "stage/free_stage.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "services/game_threads.h"
#include "records/progress_data.h"
#include "platform/messages.h"
#include "platform/msgbox.h"
#include "platform/paths.h"
#include "records/stage_data.h"
#include "records/system_data.h"
#include "support/project_writer.h"
#include "support/stage_writer.h"
#include "support/temp_folder.h"

namespace {

std::vector<std::string> g_boxes;

int CaptureBox(std::string_view text, std::string_view caption, unsigned type) {
  g_boxes.push_back(std::string(caption) + "|" + std::string(text));
  return plat::DefaultAnswer(type);
}

class FreeStage : public ::testing::Test {
 protected:
  void SetUp() override {
    g_dwDataVersion = kRecordDataVersion;
    plat::RegisterMainThread();
    plat::ResetRuntimeForTest();
    g_boxes.clear();
    plat::SetMessageBoxHandler(&CaptureBox);
    savedSystem_ = g_SystemData;
    savedCmdLine_ = g_bCmdLineStage;
    ASSERT_TRUE(plat::CreateDirectory("data"));
    ASSERT_TRUE(plat::CreateDirectory("data\\stg4"));
    g_Stage = cStageData();
    g_StageStart = cStageData();
    // A run in progress that free play must not carry on.
    g_Progress.m_strRankingName = "zzz";
    g_Progress.m_vecVar.At(5) = 7;
    g_Progress.m_vecWorldFlag.At(3) = 1;
    g_Progress.m_nSaveSlot = 4;
    g_Progress.m_nStageNo = 9;
    report.NewLines();
  }
  void TearDown() override {
    plat::SetMessageBoxHandler(nullptr);
    plat::ResetRuntimeForTest();
    g_SystemData = savedSystem_;
    g_bCmdLineStage = savedCmdLine_;
    g_Stage = cStageData();
    g_StageStart = cStageData();
    g_Progress = cProgressData();
  }
  static void ExpectFreshRun() {
    EXPECT_EQ(g_Progress.m_strRankingName, "aaa");
    EXPECT_EQ(g_Progress.m_vecVar.At(5), 0);
    EXPECT_EQ(g_Progress.m_vecWorldFlag.At(3), 0);
    EXPECT_EQ(g_Progress.m_vecWorldFlag.At(0), 1);
    EXPECT_EQ(g_Progress.m_nSaveSlot, -1);
  }

  TempFolder dir{true};
  ReportLogCapture report{dir.path()};
  cSystemData savedSystem_;
  int savedCmdLine_ = 0;
};

TEST_F(FreeStage, TheNewestNumberedFileIsLoadedWithTheFreePlayLives) {
  ASSERT_TRUE(WriteTestStage("data\\stg4\\x.stg4_001", "old"));
  ASSERT_TRUE(WriteTestStage("data\\stg4\\x.stg4_002", "new"));
  struct Case {
    const char* what;
    int cmdLine, unlimited, lives;
    int wantStart, wantLives;
  } cases[] = {
      {"System.dat's free-play lives", 0, 0, 3, 3, 2},
      {"a command-line stage has unlimited lives", 1, 0, 3, 999999, 999999},
      {"free play set to unlimited lives", 0, 1, 3, 999999, 999999},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    g_bCmdLineStage = c.cmdLine;
    g_SystemData.m_vecInfiniteLives.At(2) = c.unlimited;
    g_SystemData.m_vecStartLives.At(2) = c.lives;
    // The story's settings are not the ones free play reads.
    g_SystemData.m_vecInfiniteLives.At(0) = 1 - c.unlimited;
    g_SystemData.m_vecStartLives.At(0) = 50;
    g_Stage = cStageData();
    g_StageStart = cStageData();
    ASSERT_EQ(StartFreeStage("data\\stg4\\x.stg4", 1), 1);
    EXPECT_EQ(g_Stage.m_strName, "new");
    EXPECT_EQ(g_StageStart.m_strName, "new");
    ExpectFreshRun();
    EXPECT_EQ(g_Progress.m_nStageNo, 1);
    EXPECT_EQ(g_Progress.m_nStageCount, 1);
    EXPECT_EQ(g_Progress.m_nStartLives, c.wantStart);
    EXPECT_EQ(g_Progress.m_nLives, c.wantLives);
    // The stage is known by its stem, without a map position.
    EXPECT_EQ(g_Progress.m_strStageFile, "data\\stg4\\x.");
    EXPECT_EQ(g_Progress.m_strRankingKey, "data\\stg4\\x.");
    EXPECT_EQ(g_Progress.m_bMapStage, 0);
  }
  EXPECT_TRUE(g_boxes.empty());
}

TEST_F(FreeStage, AnAbsolutePathChosenUnnumberedIsStoredRelative) {
  ASSERT_TRUE(WriteTestStage("data\\stg4\\y.stg4_778", "y"));
  const std::string absolute = plat::GetCurrentDirectory() + "/data/stg4/y.stg4_778";
  ASSERT_EQ(StartFreeStage(absolute.c_str(), 0), 1);
  EXPECT_EQ(g_StageStart.m_strName, "y");
  EXPECT_FALSE(plat::IsAbsolutePath(g_Progress.m_strStageFile)) << g_Progress.m_strStageFile;
  EXPECT_EQ(plat::ResolvePath(g_Progress.m_strStageFile + "stg4_778"), plat::ResolvePath("data\\stg4\\y.stg4_778"));
}

TEST_F(FreeStage, AStageThatCannotBeLoadedGivesZeroAndAFreshRun) {
  ASSERT_TRUE(WriteTestStage("data\\stg4\\x.stg4", "unnumbered"));  // not found by the numbered lookup
  struct Case {
    const char* what;
    std::string path;
    int numbered;
  } cases[] = {
      {"only an unnumbered file", "data\\stg4\\x.stg4", 1},
      {"no file at all", "data\\stg4\\none.stg4_001", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    g_Progress.m_strRankingName = "zzz";
    g_StageStart.m_strName = "untouched";
    EXPECT_EQ(StartFreeStage(c.path.c_str(), c.numbered), 0);
    EXPECT_EQ(g_StageStart.m_strName, "untouched");
    ExpectFreshRun();
  }
}

TEST_F(FreeStage, APathLongerThanTheProgramsBufferIsRefusedAndTheRunKept) {
  const std::string tooLong = "data\\stg4\\" + std::string(250, 'a') + ".stg4";
  EXPECT_EQ(StartFreeStage(tooLong.c_str(), 1), 0);
  EXPECT_EQ(g_Progress.m_strRankingName, "zzz");
  EXPECT_EQ(g_Progress.m_nStageNo, 9);
  const std::vector<std::string> lines = report.NewLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find(reinterpret_cast<const char*>(u8"の読み込みに失敗しました！")), std::string::npos) << lines[0];
}

}  // namespace
