#include "records/progress_data.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ProgressData, SetStageFileKeepsTheStemAndKeysMapStagesByPosition) {
  struct Case {
    const char* name;
    int map, x, y;
    const char* stem;
    const char* key;
  } cases[] = {
      {"data\\stg4\\town.stg4_002", 0, 5, 12, "data\\stg4\\town.", "data\\stg4\\town."},
      {"data\\stg4\\town.stg4_002", 1, 5, 12, "data\\stg4\\town.", "data\\stg4\\town_c005_12."},
      {"data\\stg4\\c03-1.stg4", 0, 0, 0, "data\\stg4\\c03.", "data\\stg4\\c03."},
      {"data\\stg4\\a-2-10.stg4_001", 1, 123, 4, "data\\stg4\\a-2.", "data\\stg4\\a-2_c123_4."},
      {"noext", 1, 1, 2, "noext", "noext_c001_2"},
      {"", 0, 0, 0, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    cProgressData p;
    p.SetStageFile(c.name, c.map, c.x, c.y);
    EXPECT_EQ(p.m_strStageFile, c.stem);
    EXPECT_EQ(p.m_strRankingKey, c.key);
    EXPECT_EQ(p.m_bMapStage, c.map);
    EXPECT_EQ(p.m_nStageX, c.x);
    EXPECT_EQ(p.m_nStageY, c.y);
  }
}

}  // namespace
