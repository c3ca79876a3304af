#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "records/record_dump.h"
#include "records/record_test_types.h"
#include "support/bytes.h"
#include "support/project_writer.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

TEST(RecordDump, PrintsEveryFieldByItsMemberName) {
  g_dwDataVersion = kRecordDataVersion;
  cTestRecord r;
  r.m_nA = -2;
  r.m_anB[0] = 0x1234;
  r.m_anB[1] = -1;
  r.m_bC = 0xAB;
  r.m_dD = 1.0199999809265137;
  r.m_strE = "なし\"\n";
  r.m_vecItem.resize(1);
  r.m_vecItem[0].m_nValue = 7;
  r.m_vecFlag = {1, 0};
  EXPECT_EQ(RecordToJson(r),
            reinterpret_cast<const char*>(
                u8R"({"m_nA":-2,"m_anB":[4660,-1],"m_bC":171,"m_dD":1.0199999809265137,"m_strE":"なし\"\n",)"
                u8R"("m_strF":"","m_vecItem":[{"m_nValue":7,"m_strLabel":""}],"m_vecFlag":[1,0]})"));
  std::vector<cTestItem> list(2);
  list[1].m_strLabel = "b";
  EXPECT_EQ(RecordListToJson(list), R"([{"m_nValue":0,"m_strLabel":""},{"m_nValue":0,"m_strLabel":"b"}])");
}

TEST(RecordDump, FileTypesAreFoundByNameWithoutRegardToCase) {
  ASSERT_NE(FindRecordFileType("data\\database\\AnimeSet.dat"), nullptr);
  EXPECT_STREQ(FindRecordFileType("/x/y/ANIME.DAT")->fileName, "Anime.dat");
  EXPECT_EQ(FindRecordFileType("data/System.txt"), nullptr);
}

struct ToolRun {
  int code = -1;
  std::string out, err;
};

ToolRun RunDump(const std::string& dir, const std::string& file) {
  std::string tool = fs::path(T4_PLAYER_PATH).parent_path() / "tools/dump/tarvamo4-dump";
  ToolRun r;
  std::string errPath = dir + "/stderr.txt";
  std::string cmd = "'" + tool + "' '" + file + "' 2>'" + errPath + "'";
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
  int status = pclose(p);
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream f(errPath);
  r.err.assign(std::istreambuf_iterator<char>(f), {});
  return r;
}

class DumpTool : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(fs::path(T4_PLAYER_PATH).parent_path() / "tools/dump/tarvamo4-dump"))
      GTEST_SKIP() << "tarvamo4-dump not built";
    ASSERT_TRUE(WriteProject(dir.path()));
  }
  TempFolder dir;
};

TEST_F(DumpTool, PrintsEveryDatabaseOfAFreshProject) {
  for (const char* name : {"AnimeSet.dat", "Anime.dat", "Bmp_CharaExc.dat", "SwordType.dat", "Effect.dat",
                           "CharaEffect.dat", "ScrEffect.dat", "Picture.dat", "Sound.dat", "Bgm.dat"}) {
    SCOPED_TRACE(name);
    ToolRun r = RunDump(dir.path(), dir / (std::string("data/database/") + name));
    EXPECT_EQ(r.code, 0) << r.err;
    ASSERT_FALSE(r.out.empty());
    EXPECT_EQ(r.out.front(), '[');
    EXPECT_EQ(r.out.substr(r.out.size() - 2), "]\n");
  }
  ToolRun anime = RunDump(dir.path(), dir / "data/database/Anime.dat");
  EXPECT_NE(anime.out.find(reinterpret_cast<const char*>(u8"\"なし\"")), std::string::npos) << anime.out;
}

TEST_F(DumpTool, DamagedOrUnknownFilesFailOnStderr) {
  std::string path = dir / "data/database/Anime.dat";
  std::vector<uint8_t> bytes = ReadOsFile(path);
  ASSERT_GT(bytes.size(), 12u);
  bytes.resize(bytes.size() - 3);
  ByteBuilder cut;
  cut.Append(bytes);
  ASSERT_TRUE(cut.WriteTo(path));
  ToolRun r = RunDump(dir.path(), path);
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(r.out.empty());
  EXPECT_NE(r.err.find("Anime.dat"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(reinterpret_cast<const char*>(u8"オフセット")), std::string::npos) << r.err;

  EXPECT_NE(RunDump(dir.path(), dir / "data/database/Missing.dat").code, 0);
  EXPECT_NE(RunDump(dir.path(), dir / "data/database/Bgm2.dat").code, 0);
}

}  // namespace
