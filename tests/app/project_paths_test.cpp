#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/project_paths.h"
#include "platform/msgbox.h"
#include "platform/paths.h"
#include "support/box_route.h"
#include "support/bytes.h"
#include "support/project_writer.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

int g_answer = IDYES;
int g_questions = 0;
int Answer(std::string_view, std::string_view, unsigned type) {
  ++g_questions;
  EXPECT_EQ(type & 0xF, unsigned(MB_YESNO));
  return g_answer;
}

class DefaultData : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::SetMessageBoxHandler(&Answer);
    g_answer = IDYES;
    g_questions = 0;
  }
  void TearDown() override { plat::SetMessageBoxHandler(nullptr); }
  static void Put(const std::string& path, const std::string& text) {
    if (fs::path(path).has_parent_path()) fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
  }
  static std::string Get(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
  }
  // A default\ folder with files at two depths and an empty folder.
  void MakeDefault() {
    Put("default/System.dat", "sys");
    Put("default/database/Anime.dat", std::string("a\0b", 3));
    fs::create_directories("default/stg4");
  }
  // The question reaches Answer whatever ran before in this process.
  t4test::BoxesToHandler boxes_{&Answer};
  TempFolder dir{true};
};

TEST_F(DefaultData, PresentDataIsUsedAsItIs) {
  MakeDefault();
  fs::create_directories("data");
  EXPECT_EQ(CreateDefaultData(nullptr), 1);
  EXPECT_EQ(g_questions, 0);
  EXPECT_FALSE(fs::exists("data/System.dat"));
}

TEST_F(DefaultData, NeitherFolderMeansFailureWithoutAQuestion) {
  EXPECT_EQ(CreateDefaultData(nullptr), 0);
  EXPECT_EQ(g_questions, 0);
}

TEST_F(DefaultData, YesCopiesTheWholeTreeNoCopiesNothing) {
  MakeDefault();
  g_answer = IDNO;
  EXPECT_EQ(CreateDefaultData(nullptr), 0);
  EXPECT_FALSE(fs::exists("data"));
  g_answer = IDYES;
  EXPECT_EQ(CreateDefaultData(nullptr), 1);
  EXPECT_EQ(g_questions, 2);
  EXPECT_EQ(Get("data/System.dat"), "sys");
  EXPECT_EQ(Get("data/database/Anime.dat"), std::string("a\0b", 3));
  EXPECT_TRUE(fs::is_directory("data/stg4"));
  EXPECT_EQ(Get("default/System.dat"), "sys");
}

TEST_F(DefaultData, AFileNamedDataIsNeverDeleted) {
  MakeDefault();
  Put("data", "player's own file");
  EXPECT_EQ(CreateDefaultData(nullptr), 0);
  EXPECT_EQ(Get("data"), "player's own file");
}

TEST_F(DefaultData, AFailedCopyRemovesOnlyWhatItMade) {
  MakeDefault();
  // An unreadable entry (a dangling link) makes the copy fail half-way.
  fs::create_symlink("nowhere", "default/database/zz_broken.dat");
  EXPECT_FALSE(CopyFolderTree("default\\", "data\\"));
  EXPECT_FALSE(fs::exists("data"));
  EXPECT_TRUE(fs::exists("default/database/Anime.dat"));
}

TEST_F(DefaultData, FoldersOfTheListAreCreatedAfterTheCopy) {
  MakeDefault();
  ASSERT_EQ(CreateDefaultData(nullptr), 1);
  CreateProjectFolders();
  int n = 0;
  for (const char* const* p = g_szFolderList; *p; ++p, ++n) EXPECT_TRUE(plat::DirectoryExists(*p)) << *p;
  EXPECT_EQ(n, 22);
  EXPECT_EQ(Get("data/System.dat"), "sys");  // existing folders are left alone
}

TEST(ProjectPaths, TablesHoldTheProjectLayout) {
  struct Case {
    int entry;
    const char* path;
  } cases[] = {{0, "data\\"}, {7, "data\\CommonPalette.cplt4"}, {15, "data\\database\\AnimeSet.dat"},
               {33, "data\\database\\Bgm.dat"}, {35, "data\\System.dat"}, {37, "data\\stg4\\c"},
               {41, "user_data\\story\\Story"}, {47, "user_data\\Window.dat"}};
  for (const Case& c : cases) EXPECT_STREQ(g_szPathTable[c.entry], c.path) << c.entry;
  // Each data file has its default twin right after it.
  for (int e = 13; e <= 35; e += 2)
    EXPECT_EQ("default" + std::string(g_szPathTable[e]).substr(4), g_szPathTable[e + 1]) << e;
  EXPECT_STREQ(g_szExtTable[1], "stg4");
  EXPECT_STREQ(g_szExtTable[3], "rkg");
  EXPECT_STREQ(g_szColourNameTable[10], "");
}

TEST(ProjectWriter, WritesTheProjectFolders) {
  TempFolder root;
  ASSERT_TRUE(WriteProject(root.path()));
  EXPECT_TRUE(fs::is_directory(root / "data/database"));
  EXPECT_TRUE(fs::is_directory(root / "user_data/rpl4"));
}

}  // namespace
