#include "stage/replay_data.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records/progress_data.h"
#include "platform/paths.h"
#include "records/stage_data.h"
#include "support/project_writer.h"
#include "support/temp_folder.h"

namespace {

TEST(ReplayStandIn, LoadingAndSavingFailWithOneReportLineEach) {
  TempFolder dir{true};
  ReportLogCapture report{dir.path()};
  cReplayData replay;
  cStageData stage, start;
  cProgressData progress;
  stage.m_strName = "kept";
  EXPECT_EQ(replay.LoadFile("user_data\\rpl4\\a.rpl4_778", &stage, &start, &progress), 0);
  EXPECT_EQ(replay.SaveFile("user_data\\rpl4\\b.rpl4_778", progress, stage, start), 0);
  const std::vector<std::string> lines = report.NewLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find("a.rpl4_778"), std::string::npos) << lines[0];
  EXPECT_NE(lines[1].find("b.rpl4_778"), std::string::npos) << lines[1];
  EXPECT_EQ(stage.m_strName, "kept");
  EXPECT_FALSE(plat::FileExists("user_data\\rpl4\\b.rpl4_778"));
}

}  // namespace
