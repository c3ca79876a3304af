#include <gtest/gtest.h>

#include "records/option_data.h"
#include "records/system_data.h"
#include "records/worldmap_data.h"
#include "support/bytes.h"
#include "support/project_writer.h"
#include "support/project_writer_system.h"

namespace {

TEST(SystemFilesWriter, WritesLoadableDefaultFiles) {
  g_dwDataVersion = kRecordDataVersion;
  ScratchDir dir("sysfiles", true);
  ASSERT_TRUE(WriteProject(dir.Path()));
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

}  // namespace
