#include <gtest/gtest.h>

#include "records/option_data.h"
#include "records/record_dump.h"
#include "records/system_data.h"
#include "records/worldmap_data.h"
#include "support/bytes.h"
#include "support/project_writer.h"
#include "support/temp_folder.h"
#include "support/project_writer_system.h"

namespace {

TEST(SystemFilesWriter, WritesLoadableDefaultFiles) {
  g_dwDataVersion = kRecordDataVersion;
  TempFolder dir{true};
  ASSERT_TRUE(WriteProject(dir.path()));
  ASSERT_TRUE(WriteSystemFiles());
  EXPECT_EQ(ReadOsFile(dir / "data/WorldMap.dat").size(), 2464u);
  EXPECT_EQ(ReadOsFile(dir / "user_data/Option.dat").size(), 36u);

  cSystemData s;
  s.m_nChallengeStages = 1;
  ASSERT_TRUE(s.LoadFromFile("data\\System.dat"));
  EXPECT_EQ(s.m_nChallengeStages, 40);
  EXPECT_EQ(s.m_vecText.size(), 29u);
  cWorldMapData m;
  ASSERT_TRUE(m.LoadFromFile("data\\WorldMap.dat"));
  cOptionData o;
  ASSERT_TRUE(o.LoadFromFile("user_data\\Option.dat"));
  EXPECT_EQ(o.m_strPlayerName, "aaa");
}

TEST(SystemFilesWriter, DumpToolKnowsTheThreeFiles) {
  g_dwDataVersion = kRecordDataVersion;
  for (const char* name : {"data\\System.dat", "data/WORLDMAP.DAT", "user_data\\Option.dat"})
    EXPECT_NE(FindRecordFileType(name), nullptr) << name;

  TempFolder dir{true};
  ASSERT_TRUE(WriteProject(dir.path()));
  ASSERT_TRUE(WriteSystemFiles());
  std::string json;
  ASSERT_TRUE(FindRecordFileType("Option.dat")->dump("user_data\\Option.dat", &json));
  EXPECT_EQ(json, R"({"m_nColorSet":0,"m_bMusic":1,"m_nSeVolume":7,"m_nEntryMode":0,"m_strPlayerName":"aaa"})");
  ASSERT_TRUE(FindRecordFileType("WorldMap.dat")->dump("data\\WorldMap.dat", &json));
  EXPECT_NE(json.find(R"("m_nWidth":20,"m_nHeight":15,"m_nPitch":32,"m_nPitchShift":5)"), std::string::npos) << json;
  EXPECT_NE(json.find(R"("m_vecDefaultNode":[{"m_nX":0)"), std::string::npos);
  ASSERT_TRUE(FindRecordFileType("System.dat")->dump("data\\System.dat", &json));
  EXPECT_NE(json.find(R"("m_nChallengeStages":40)"), std::string::npos);
  EXPECT_NE(json.find(R"("m_vecStartOption":[)"), std::string::npos);
}

}  // namespace
