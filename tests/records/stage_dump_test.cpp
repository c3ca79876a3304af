#include <gtest/gtest.h>

#include <filesystem>

#include "records/database.h"
#include "records/palette_data.h"
#include "records/record_dump.h"
#include "support/headless_runner.h"
#include "support/project_writer.h"
#include "support/stage_writer.h"

namespace fs = std::filesystem;

namespace {

std::string DumpTool() { return (fs::path(T4_PLAYER_PATH).parent_path() / "tools/dump/tarvamo4-dump").string(); }

TEST(StageDump, StageFilesAreKnownByTheirNumberedExtension) {
  for (const char* name : {"data\\stg4\\x.stg4_778", "/p/X.STG4_000", "a.b.stg4_120"}) {
    SCOPED_TRACE(name);
    ASSERT_NE(FindRecordFileType(name), nullptr);
    EXPECT_STREQ(FindRecordFileType(name)->fileName, "*.stg4_[0-9][0-9][0-9]");
  }
  for (const char* name : {"x.stg4_1000", "x.stg4_12", "x.stg4", "x.stg4_abc", "x.stg4_778.bak"})
    EXPECT_EQ(FindRecordFileType(name), nullptr) << name;
  ASSERT_NE(FindRecordFileType("data\\commonpalette.CPLT4"), nullptr);
  EXPECT_STREQ(FindRecordFileType("data\\commonpalette.CPLT4")->fileName, "CommonPalette.cplt4");
}

TEST(StageDump, ToolPrintsAStageAndTheCommonPalette) {
  if (!fs::exists(DumpTool())) GTEST_SKIP() << "tarvamo4-dump not built";
  TempFolder dir{true};
  ASSERT_TRUE(WriteProject(dir.path()));
  ASSERT_TRUE(WriteTestStage("data\\stg4\\x.stg4_778", "dumped"));

  t4test::RunResult stage = t4test::RunProgram(DumpTool(), {"data/stg4/x.stg4_778"}, dir.path());
  EXPECT_EQ(stage.exitCode, 0) << stage.err;
  for (const char* key : {"\"m_strName\":\"dumped\"", "\"m_nHitLevel\":10", "\"m_vecRanking\":[1,1,1,1,1]",
                          "\"m_QuadOtherShot\":{", "\"m_vecPaletteChara\":[", "\"m_vecChara\":[{",
                          "\"m_vecBackground\":[{", "\"m_vecStageString\":[]"})
    EXPECT_NE(stage.out.find(key), std::string::npos) << key << "\n" << stage.out.substr(0, 400);

  t4test::RunResult palette = t4test::RunProgram(DumpTool(), {"data/CommonPalette.cplt4"}, dir.path());
  EXPECT_EQ(palette.exitCode, 0) << palette.err;
  for (const char* key : {"\"m_vecBlock\":[{", "\"m_vecChara\":[{", "\"m_vecItem\":[{"})
    EXPECT_NE(palette.out.find(key), std::string::npos) << key;

  // A damaged stage fails on stderr, naming the file.
  std::string cut = t4test::ReadFile(dir / "data/stg4/x.stg4_778");
  ASSERT_TRUE(t4test::WriteFile(dir / "data/stg4/y.stg4_778", cut.substr(0, cut.size() / 2)));
  t4test::RunResult damaged = t4test::RunProgram(DumpTool(), {"data/stg4/y.stg4_778"}, dir.path());
  EXPECT_EQ(damaged.exitCode, 1);
  EXPECT_NE(damaged.err.find("y.stg4_778"), std::string::npos) << damaged.err;
}

// The tool reads a stage of a project with that project's databases and
// common palette, so indices and links the player keeps are printed as kept.
TEST(StageDump, StageOfAProjectIsCheckedAgainstItsDatabasesAndPalette) {
  if (!fs::exists(DumpTool())) GTEST_SKIP() << "tarvamo4-dump not built";
  TempFolder dir{true};
  ASSERT_TRUE(WriteProject(dir.path()));
  g_dwDataVersion = kRecordDataVersion;
  cDatabase db;
  db.m_vecBgm.resize(4);
  ASSERT_TRUE(db.SaveAll("data\\database"));
  cPaletteData common;
  common.m_vecChara.resize(3);
  common.m_vecChara[2].m_nMaxHp = 77;
  ASSERT_TRUE(WriteCommonPalette(common));

  // Written while this process holds the same project.
  const auto savedBgm = g_Database.m_vecBgm;
  g_Database.m_vecBgm = db.m_vecBgm;
  g_CommonPalette.m_vecChara = common.m_vecChara;
  cStageData stage = MakeTestStage(20, 15, "linked");
  PlaceHero(stage, 1, 13);
  stage.m_nBgm = 3;
  stage.m_vecPaletteChara.resize(2);
  stage.m_vecPaletteChara[1].m_byInheritSource = 1;
  stage.m_vecPaletteChara[1].m_sInheritIndex = 2;
  const bool written = WriteStage("data\\stg4\\x.stg4_778", stage);
  g_Database.m_vecBgm = savedBgm;
  g_CommonPalette = cPaletteData();
  ASSERT_TRUE(written);

  t4test::RunResult r = t4test::RunProgram(DumpTool(), {dir / "data/stg4/x.stg4_778"}, dir.path());
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("\"m_nBgm\":3"), std::string::npos);
  EXPECT_NE(r.out.find("\"m_byInheritSource\":1,\"m_sInheritIndex\":2"), std::string::npos) << r.out.substr(0, 2000);
}

}  // namespace
