// The data inspection tool run on the ten databases of a fresh project: the
// JSON it prints is worked out here from the element field tables.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/project_writer.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

std::string DumpToolPath() { return (fs::path(T4_PLAYER_PATH).parent_path() / "tools/dump/tarvamo4-dump").string(); }

// Runs the tool on one file; stdout and the exit code.
std::pair<int, std::string> RunDumpTool(const std::string& file) {
  const std::string cmd = "'" + DumpToolPath() + "' '" + file + "' 2>/dev/null";
  std::string out;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return {-1, out};
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
  const int status = pclose(p);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

std::string U8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

std::string Twice(const std::string& element) { return "[" + element + "," + element + "]"; }

std::string AnimeJson(const std::string& name) {
  return R"({"m_sSettingA":0,"m_bFlagB":1,"m_sSettingC":0,"m_strName":")" + name +
         R"(","m_vecFrame":[{"m_nGraphic":0,"m_nTime":1,"m_nLock":0}]})";
}

TEST(DatabaseDump, TheToolPrintsEveryDefaultDatabaseAsJson) {
  ASSERT_TRUE(fs::exists(DumpToolPath())) << "tarvamo4-dump is built with the tests";
  TempFolder dir;
  ASSERT_TRUE(WriteProject(dir.path()));

  const std::string media = R"({"m_nReserved":0,"m_strName":"","m_strFile":""})";
  const std::string kind = R"({"m_nKind":1,"m_nParam":[0,0,0,0,0],"m_strName":""})";
  const struct {
    const char* file;
    std::string json;
  } cases[] = {
      {"AnimeSet.dat",
       R"([{"m_nInvincibleOffset":4,"m_nBlockCharaOffset":8,"m_nFlightOffset":0,"m_strName":"","m_vecAnime":[)" +
           AnimeJson(U8(u8"立ち")) + "," + AnimeJson(U8(u8"立ち移動")) + "," + AnimeJson(U8(u8"飛行")) + "," +
           AnimeJson(U8(u8"飛行移動")) + "]}]"},
      {"Anime.dat", "[" + AnimeJson(U8(u8"なし")) + "," + AnimeJson(U8(u8"アクションA")) + "]"},
      {"Bmp_CharaExc.dat",
       Twice(R"({"m_nReserved":0,"m_bLargeCells":0,"m_nCellSize":2,"m_strName":"","m_strFile":""})")},
      {"SwordType.dat",
       R"([{"m_nReserved":0,"m_strName":"","m_strLeftImage":"","m_strRightImage":"","m_vecFrame":[)"
       R"({"m_nX":0,"m_nY":0,"m_bMirrorX":1,"m_bMirrorY":0,"m_nPosition":0,"m_nSrcX":0,"m_nSrcY":0,)"
       R"("m_nWidth":0,"m_nHeight":0,"m_nTime":1}]}])"},
      {"Effect.dat", Twice(R"({"m_nReserved":0,"m_nCellWidth":32,"m_nCellHeight":32,"m_bScaleWithSize":0,)"
                           R"("m_strName":"","m_strFile":"","m_vecFrame":[]})")},
      {"CharaEffect.dat", Twice(kind)},
      {"ScrEffect.dat", Twice(kind)},
      {"Picture.dat", Twice(media)},
      {"Sound.dat", Twice(media)},
      {"Bgm.dat", Twice(media)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    auto [code, out] = RunDumpTool(dir / (std::string("data/database/") + c.file));
    EXPECT_EQ(code, 0);
    EXPECT_EQ(out, c.json + "\n");
  }
}

}  // namespace
