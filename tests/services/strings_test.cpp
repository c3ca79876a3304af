#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <thread>

#include "platform/paths.h"
#include "platform/random.h"
#include "services/strings.h"
#include "support/temp_folder.h"

TEST(Random, FollowsTheRuntimeGeneratorFromSeedOne) {
  plat::SeedRand(1);
  const int expected[] = {41, 18467, 6334, 26500, 19169};
  for (int e : expected) EXPECT_EQ(plat::Rand(), e);
}

TEST(Random, EachThreadStartsAtSeedOne) {
  plat::SeedRand(12345);
  plat::Rand();
  int first = -1;
  std::thread t([&] { first = plat::Rand(); });
  t.join();
  EXPECT_EQ(first, 41);
}

TEST(Random, GetRandomStaysWithinItsBounds) {
  struct Case {
    int a, b;
  } cases[] = {{5, 3}, {3, 5}, {7, 7}, {-10, 10}, {INT_MIN, INT_MAX}, {INT_MAX - 1, INT_MAX}, {INT_MIN, INT_MIN + 2}};
  plat::SeedRand(1);
  for (const Case& c : cases) {
    int lo = std::min(c.a, c.b), hi = std::max(c.a, c.b);
    for (int i = 0; i < 200; ++i) {
      int r = GetRandom(c.a, c.b);
      ASSERT_GE(r, lo) << c.a << ".." << c.b;
      ASSERT_LE(r, hi) << c.a << ".." << c.b;
    }
  }
  EXPECT_EQ(GetRandom(7, 7), 7);
}

namespace {

using t4test::TempFolder;
using t4test::U8;

TEST(ShiftJisText, CountsCharactersAsTextsAreMeasured) {
  struct Case {
    std::string text;
    int count;
  } cases[] = {
      {"", 0},          {"ab", 2},        {"表示", 2},     {"a\nb", 2},   {"\r\n", 1},
      {"a\x81", 2},     {"\x81\x20", 2},  {"ｱｲ", 2},       {"表\\", 2},   {std::string("a\0b", 3), 3},
  };
  for (const Case& c : cases) EXPECT_EQ(GetCharCount(c.text), c.count) << c.text;

  EXPECT_TRUE(IsSJISChar("\x95\x5c"));
  EXPECT_TRUE(IsSJISChar("\xfc\xfc"));
  EXPECT_FALSE(IsSJISChar("\x95\x7f"));
  EXPECT_FALSE(IsSJISChar("\xa0\x40"));
  EXPECT_FALSE(IsSJISChar("\x81"));  // the terminator cannot trail
}

TEST(FileNameSurgery, StripPathKeepsTheNameAfterTheLastRealSeparator) {
  struct Case {
    std::string path, name;
  } cases[] = {
      {"bmp\\x.bmp", "x.bmp"},     {"表\\x.bmp", "x.bmp"},   // the folder ends in a 0x5C trail byte
      {"a\\表示.bmp", "表示.bmp"}, {"表示.bmp", "表示.bmp"},  // and the name holds one
      {"a/b\\c/d.txt", "d.txt"},   {"dir\\", ""},
      {"plain", "plain"},          {"", ""},
  };
  for (const Case& c : cases) {
    std::string p = c.path;
    StripPath(p);
    EXPECT_EQ(p, c.name) << c.path;
  }
}

TEST(FileNameSurgery, ExtensionsAreTakenFromTheFileNameOnly) {
  const std::string longName = std::string(250, 'n') + ".x";
  struct Case {
    std::string src;
    const char* ext;
    int result;
    std::string changed;
  } cases[] = {
      {"a.b.c", "txt", 1, "a.b.txt"},
      {"a.b.c", nullptr, 1, "a.b"},
      {"dir\\a.b", "", 1, "dir\\a."},
      {"noext", "txt", 0, "noext"},
      {"dir.d\\name", "txt", 0, "dir.d\\name"},  // a dot in a folder name is no extension
      {"表示.bmp", "png", 1, "表示.png"},
      {"表\\.hidden", nullptr, 1, "表\\"},
      {longName, "xxxxxxxxxx", 0, longName},  // the result would pass the path limit
  };
  for (const Case& c : cases) {
    std::string dst = "junk";
    EXPECT_EQ(ChangeExtension(dst, c.src, c.ext), c.result) << c.src;
    EXPECT_EQ(dst, c.changed) << c.src;

    std::string stripped = c.src, ext = "untouched";
    bool hasDot = c.src != "noext" && c.src != "dir.d\\name";
    EXPECT_EQ(StripExtension(stripped), hasDot ? 1 : 0) << c.src;
    EXPECT_EQ(GetExtension(ext, c.src), hasDot ? 1 : 0) << c.src;
    if (!hasDot) {
      EXPECT_EQ(stripped, c.src);
      EXPECT_EQ(ext, "untouched");
    }
  }
  std::string s = "a.b.c", e;
  StripExtension(s);
  GetExtension(e, "stage\\world.stg4");
  EXPECT_EQ(s, "a.b");
  EXPECT_EQ(e, "stg4");
}

TEST(FileNameSurgery, MakeNumberedFileNameInsertsTwoDigitsBeforeTheExtension) {
  struct Case {
    std::string src;
    int a, b, result;
    std::string dst;
  } cases[] = {
      {"replay.rpl4", 0, 7, 1, "replay_07.rpl4"},
      {"dir.x\\replay.rpl4", 9, 9, 1, "dir.x\\replay_99.rpl4"},
      {"a.b.c", 1, 2, 1, "a.b_12.c"},
      {"name." + std::string(31, 'e'), 1, 2, 1, "name_12." + std::string(31, 'e')},
      {"name." + std::string(32, 'e'), 1, 2, 0, "junk"},  // extension too long
      {"noext", 0, 1, 0, "junk"},
      {"dir.x\\replay", 0, 1, 0, "junk"},
      {"replay.rpl4", 10, 0, 0, "junk"},
      {"replay.rpl4", 0, -1, 0, "junk"},
      {std::string(253, 'r') + ".rpl4", 0, 1, 0, "junk"},  // past the path limit
  };
  for (const Case& c : cases) {
    std::string dst = "junk";
    EXPECT_EQ(MakeNumberedFileName(dst, c.src, c.a, c.b), c.result) << c.src;
    EXPECT_EQ(dst, c.dst) << c.src;
  }
}

TEST(NumberedFiles, FindsTheHighestNumberThroughTheResolver) {
  const std::string longExt(60, 'e');
  struct Case {
    std::vector<std::string> files;  // on disk, UTF-8
    std::string name;
    const char* ext;
    int result;
    std::string found;
  } cases[] = {
      {{"Stage.stg4_000", "Stage.stg4_005", "Stage.stg4_010x", "Other.stg4_009"}, "Stage.stg4", "stg4", 1, "Stage.stg4_005"},
      {{"Stage.stg4_999"}, "Stage.tmp", "stg4", 1, "Stage.stg4_999"},
      {{"STAGE.STG4_003", "stage.stg4_001"}, "Stage.stg4", "stg4", 1, "Stage.stg4_003"},
      {{"Data/Stage.stg4_002"}, "data\\STAGE.x", "stg4", 1, "data\\STAGE.stg4_002"},
      {{"Stage_004", "Stage.stg4_007"}, "Stage.stg4", nullptr, 1, "Stage_004"},
      {{"World_001"}, "World", "stg4", 1, "World_001"},  // no '.': the name as it is
      {{U8(u8"表示/面.stg4_001")}, "表示\\面.stg4", "stg4", 1, "表示\\面.stg4_001"},
      // A trail byte that looks like a letter does not fold: ア is 83 41, ヂ 83 61.
      {{U8(u8"ヂ.stg4_004")}, "ア.stg4", "stg4", 0, "untouched"},
      {{"Stage.stg4_0a1", "Stage.stg4_01", "Stage.stg4"}, "Stage.stg4", "stg4", 0, "untouched"},
      {{}, "Stage.stg4", "stg4", 0, "untouched"},
      {{std::string(200, 's') + ".stg4_001"}, std::string(200, 's') + ".stg4", longExt.c_str(), 0,
       "untouched"},  // the base would pass the path limit
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder tmp;
    ASSERT_TRUE(tmp.ok());
    for (const std::string& f : c.files) {
      if (auto slash = f.find('/'); slash != std::string::npos) tmp.MakeDir(f.substr(0, slash));
      ASSERT_TRUE(tmp.MakeFile(f));
    }
    ASSERT_TRUE(tmp.MakeDir("Stage.stg4_009"));  // folders are not stage files
    ASSERT_TRUE(tmp.Enter());
    std::string dst = "untouched";
    EXPECT_EQ(FindLastNumberedFile(dst, c.name, c.ext), c.result);
    EXPECT_EQ(dst, c.found);
  }
}

TEST(PathConversion, RelativeAndAbsolutePathsRoundTrip) {
  TempFolder tmp;
  ASSERT_TRUE(tmp.ok());
  ASSERT_TRUE(tmp.MakeDir(U8(u8"表示")));
  ASSERT_TRUE(tmp.MakeDir(U8(u8"表示/Game")));
  ASSERT_TRUE(tmp.Enter());
  ASSERT_TRUE(plat::SetCurrentDirectory("表示\\game"));
  const std::string cwd = tmp.path() + "/表示/Game";
  ASSERT_EQ(plat::GetCurrentDirectory(), cwd);

  struct Case {
    std::string rel, abs, back;
  } cases[] = {
      {"Report_Game.txt", cwd + "/Report_Game.txt", ".\\Report_Game.txt"},
      {".\\bmp\\a.bmp", cwd + "/bmp/a.bmp", ".\\bmp\\a.bmp"},
      {"bmp\\\\.\\x\\..\\a.bmp", cwd + "/bmp/a.bmp", ".\\bmp\\a.bmp"},
      {"..\\x.bmp", tmp.path() + "/表示/x.bmp", "..\\x.bmp"},
      {"..\\..\\y\\表示.bmp", tmp.path() + "/y/表示.bmp", "..\\..\\y\\表示.bmp"},
  };
  for (const Case& c : cases) {
    std::string p = c.rel;
    EXPECT_EQ(RelToAbsPath(p), 1) << c.rel;
    EXPECT_EQ(p, c.abs) << c.rel;
    EXPECT_EQ(AbsToRelPath(p), 1) << c.rel;
    EXPECT_EQ(p, c.back) << c.rel;
  }

  // Paths already in the wanted form stay as they are.
  std::string abs = "/elsewhere/x.bmp", rel = "bmp\\x.bmp";
  EXPECT_EQ(RelToAbsPath(abs), 1);
  EXPECT_EQ(abs, "/elsewhere/x.bmp");
  EXPECT_EQ(AbsToRelPath(rel), 1);
  EXPECT_EQ(rel, "bmp\\x.bmp");

  // Folder names compare without regard to case, as on the system projects come from.
  std::string upper = tmp.path() + "\\表示\\GAME\\Save\\A.DAT";
  EXPECT_EQ(AbsToRelPath(upper), 1);
  EXPECT_EQ(upper, ".\\Save\\A.DAT");
  std::string tooLong = cwd + "/" + std::string(300, 'z');
  EXPECT_EQ(AbsToRelPath(tooLong), 0);
  EXPECT_EQ(tooLong, cwd + "/" + std::string(300, 'z'));
}

}  // namespace
