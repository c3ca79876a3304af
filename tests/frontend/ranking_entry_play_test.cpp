// Registering a cleared stage's results in its ranking, through the real
// program run headless: F3 on the results screen asks for the name (the
// name dialog, answered by the answers script), the name is cut to three
// characters, the ranking file is written, and the ranking display runs
// until the first button.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "flow/ed_move.h"
#include "records/ranking_data.h"
#include "records/stage_data.h"
#include "support/flow_writer.h"
#include "support/headless_runner.h"
#include "support/project_writer.h"
#include "support/stage_writer.h"

using t4test::ReadLines;
using t4test::RunPlayer;
using t4test::TempFolder;

namespace {

TEST(RankingEntryPlay, ANameTypedAfterAClearEntersTheRankingFile) {
  TempFolder dir;
  ASSERT_TRUE(WriteProject(dir.path()));
  cStageData stage = MakeTestStage(20, 15, "Stage1");
  for (int x = 0; x < 20; ++x) PlaceBlock(stage, x, 14);
  PlaceHero(stage, 1, 13);
  cCharaData& goal = PlaceChara(stage, 5, 13);
  t4test::AddStageClear(t4test::AddFlow(goal, 0), 3);
  ASSERT_TRUE(WriteStage(dir / "data/stg4/Stage1.stg4_778", stage));
  ASSERT_TRUE(t4test::WriteFile(dir / "answers.txt", "ok;1003=ABCD\n"));
  // F3 on the results screen; Z leaves the ranking display.
  ASSERT_TRUE(t4test::WriteFile(dir / "input.txt", "400 F3\n450-452 Z\n"));

  const t4test::RunResult run =
      RunPlayer({"--headless", "--frames", "520", "--answers", "answers.txt", "--input", "input.txt", "--state-log",
                 "state.jsonl", "data\\stg4\\Stage1.stg4"},
                dir.path(), std::chrono::seconds(120));
  ASSERT_FALSE(run.timedOut);
  ASSERT_EQ(run.exitCode, 0) << run.err;

  // A free-play stage's ranking: user_data\free\ and the stage's stem.
  cRankingData ranking;
  ASSERT_TRUE(ranking.LoadFromFile((dir / "user_data/free/Stage1.rkg").c_str()));
  ASSERT_EQ(ranking.m_vecList.Size(), 5);
  for (int kind = 0; kind < 5; ++kind) {
    SCOPED_TRACE(kind);
    const cRankingList& list = ranking.m_vecList.At(kind);
    ASSERT_EQ(list.m_vecEntry.Size(), 20);
    EXPECT_EQ(list.m_vecEntry.At(0).m_bValid, 1);
    EXPECT_EQ(list.m_vecEntry.At(0).m_strName, "ABC");
    EXPECT_EQ(list.m_vecEntry.At(1).m_bValid, 0);
  }
  // The dialog was shown once, with its label.
  // (The report log is UTF-8.)
  const std::string label = reinterpret_cast<const char*>(u8"登録名");
  int dialogs = 0;
  for (const std::string& line : ReadLines(dir / "Report_Game.txt"))
    if (line.find(label) != std::string::npos) ++dialogs;
  EXPECT_EQ(dialogs, 1);
}

}  // namespace
