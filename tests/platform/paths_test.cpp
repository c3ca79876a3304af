#include "platform/paths.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "platform/files.h"
#include "support/temp_folder.h"

using t4test::TempFolder;
using t4test::U8;

namespace {

// "表示" in CP932 is 95 5C 8E A6: its first trail byte is a backslash.
constexpr char kHyoujiRaw[] = "\x95\x5c\x8e\xa6";
// "ソフト" in CP932, another 0x5C trail byte; on disk as raw bytes.
constexpr char kSoftRaw[] = "\x83\x5c\x83\x74\x83\x67";

class ResolverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp.ok());
    ASSERT_TRUE(tmp.MakeDir("BMP"));
    ASSERT_TRUE(tmp.MakeFile("BMP/Chara.BMP"));
    ASSERT_TRUE(tmp.MakeDir(U8(u8"表示")));
    ASSERT_TRUE(tmp.MakeFile(U8(u8"表示/表示.bmp")));
    ASSERT_TRUE(tmp.MakeDir("pic"));
    ASSERT_TRUE(tmp.MakeFile(U8(u8"pic/表示.bmp")));
    ASSERT_TRUE(tmp.MakeDir("raw"));
    ASSERT_TRUE(tmp.MakeFile(std::string("raw/") + kHyoujiRaw + ".dat"));
    ASSERT_TRUE(tmp.MakeDir(kSoftRaw));
    ASSERT_TRUE(tmp.MakeFile(std::string(kSoftRaw) + "/In.txt"));
    ASSERT_TRUE(tmp.Enter());
  }
  TempFolder tmp;
};

TEST_F(ResolverTest, MapsStoredPathsToTheNamesOnDisk) {
  const std::string base = tmp.path().substr(tmp.path().rfind('/') + 1);
  const std::string raw = kHyoujiRaw;
  struct Case {
    std::string stored, os;
  } cases[] = {
      {"bmp\\chara.bmp", "BMP/Chara.BMP"},
      {"BMP\\Chara.BMP", "BMP/Chara.BMP"},
      {".\\bmp\\CHARA.bmp", "BMP/Chara.BMP"},
      {".\\\\bmp\\\\.\\chara.bmp\\", "BMP/Chara.BMP"},
      {"bmp/chara.bmp", "BMP/Chara.BMP"},
      {"pic\\..\\bmp\\chara.bmp", "BMP/Chara.BMP"},
      {"..\\" + base + "\\bmp\\chara.bmp", "../" + base + "/BMP/Chara.BMP"},
      {tmp.path() + "\\bmp\\chara.bmp", tmp.path() + "/BMP/Chara.BMP"},
      {"\\" + tmp.path().substr(1) + "\\.\\bmp\\chara.bmp", tmp.path() + "/BMP/Chara.BMP"},
      // A trail byte 0x5C in a folder name and in a file name.
      {"表示\\表示.bmp", U8(u8"表示/表示.bmp")},
      {"PIC\\表示.BMP", U8(u8"pic/表示.bmp")},
      // Names stored on disk as raw CP932 bytes.
      {"raw\\表示.dat", "raw/" + raw + ".dat"},
      {"RAW\\表示.DAT", "raw/" + raw + ".dat"},
      // Misses keep the converted spelling below the part that exists.
      {"bmp\\New.bmp", "BMP/New.bmp"},
      {"新規\\表示.bmp", U8(u8"新規/表示.bmp")},
      {"新規\\..\\bmp\\chara.bmp", "BMP/Chara.BMP"},
      {"bmp\\chara.bmp\\x", "BMP/Chara.BMP/x"},
      {"", ""},
      {".", "."},
      {".\\", "."},
      {std::string("bmp\\chara.bmp\0junk", 19), "BMP/Chara.BMP"},
  };
  for (const Case& c : cases) EXPECT_EQ(plat::ResolvePath(c.stored), c.os) << c.stored;
}

TEST_F(ResolverTest, ExistenceChecksGoThroughTheResolver) {
  EXPECT_TRUE(plat::FileExists("bmp\\chara.bmp"));
  EXPECT_FALSE(plat::FileExists("bmp"));
  EXPECT_TRUE(plat::DirectoryExists(".\\Bmp"));
  EXPECT_TRUE(plat::DirectoryExists("表示"));
  EXPECT_TRUE(plat::FileExists("ソフト\\in.TXT"));
  EXPECT_TRUE(plat::FileExists(".\\表示\\表示.BMP"));
  EXPECT_TRUE(plat::PathExists("raw\\表示.dat"));
  EXPECT_FALSE(plat::PathExists("bmp\\missing.bmp"));
}

// A miss is cached, but a file someone else makes later must be found,
// whether the folder was read just after a change or long after one.
TEST_F(ResolverTest, AMissDoesNotHideAFileMadeLater) {
  for (bool settled : {false, true}) {
    SCOPED_TRACE(settled ? "folder settled before it was read" : "folder read just after a change");
    const std::string dir = settled ? "old" : "fresh";
    ASSERT_TRUE(tmp.MakeDir(dir));
    if (settled) {
      timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
      ASSERT_EQ(::utimensat(AT_FDCWD, tmp.Os(dir).c_str(), times, 0), 0);
    }
    EXPECT_EQ(plat::ResolvePath(dir + "\\later.bmp"), dir + "/later.bmp");
    ASSERT_TRUE(tmp.MakeFile(dir + "/LATER.BMP"));
    EXPECT_EQ(plat::ResolvePath(dir + "\\later.bmp"), dir + "/LATER.BMP");
    EXPECT_TRUE(plat::FileExists(dir + "\\Later.bmp"));
  }
}

TEST_F(ResolverTest, TheProgramsOwnChangesRefreshTheCache) {
  ASSERT_TRUE(tmp.MakeFile("BMP/Old.dat"));
  EXPECT_EQ(plat::ResolvePath("bmp\\old.dat"), "BMP/Old.dat");
  ASSERT_TRUE(plat::DeleteFile("bmp\\OLD.DAT"));
  EXPECT_FALSE(plat::FileExists("bmp\\old.dat"));
  EXPECT_EQ(plat::ResolvePath("bmp\\old.dat"), "BMP/old.dat");

  const char data[] = "saved";
  ASSERT_TRUE(plat::WriteFileAtomic("bmp\\Save.DAT", data, 5));
  EXPECT_EQ(plat::ResolvePath("BMP\\save.dat"), "BMP/Save.DAT");
  // Replacing writes over the existing spelling instead of adding another.
  ASSERT_TRUE(plat::WriteFileAtomic("BMP\\SAVE.dat", data, 3));
  EXPECT_EQ(plat::ListDirectory("bmp", false, true), (std::vector<std::string>{"Chara.BMP", "Save.DAT"}));

  ASSERT_TRUE(plat::CreateDirectory("bmp\\Sub"));
  EXPECT_TRUE(plat::CreateDirectory("BMP\\SUB"));  // exists already: still true
  EXPECT_EQ(plat::ResolvePath("bmp\\sub\\x.bmp"), "BMP/Sub/x.bmp");
  EXPECT_FALSE(plat::CreateDirectory("none\\deeper"));
  EXPECT_FALSE(plat::DeleteFile("bmp\\missing.bmp"));
}

TEST_F(ResolverTest, ListsFolderEntriesInStoredForm) {
  EXPECT_EQ(plat::ListDirectory("PIC", false, true), std::vector<std::string>{"表示.bmp"});
  EXPECT_EQ(plat::ListDirectory("raw\\", false, true), std::vector<std::string>{std::string(kHyoujiRaw) + ".dat"});
  std::vector<std::string> dirs = plat::ListDirectory(".", true, false);
  EXPECT_EQ(dirs, (std::vector<std::string>{"BMP", "pic", "raw", "ソフト", "表示"}));
  EXPECT_TRUE(plat::ListDirectory("bmp\\chara.bmp", true, true).empty());
  EXPECT_TRUE(plat::ListDirectory("missing", true, true).empty());
}

TEST_F(ResolverTest, CurrentDirectoryRoundTripsThroughStoredForm) {
  ASSERT_TRUE(plat::SetCurrentDirectory(".\\表示"));
  std::string stored = plat::GetCurrentDirectory();
  EXPECT_EQ(stored, tmp.path() + "/表示");
  EXPECT_EQ(plat::ResolvePath(stored), tmp.path() + U8(u8"/表示"));
  EXPECT_EQ(plat::ResolvePath("表示.BMP"), U8(u8"表示.bmp"));
  EXPECT_TRUE(plat::IsAbsolutePath(stored));

  // A folder whose name is raw CP932 bytes comes back as those bytes.
  ASSERT_TRUE(plat::SetCurrentDirectory(tmp.path() + "\\ソフト"));
  EXPECT_EQ(plat::GetCurrentDirectory(), tmp.path() + "/" + kSoftRaw);
  EXPECT_EQ(plat::ResolvePath(plat::GetCurrentDirectory() + "\\in.txt"), tmp.path() + "/" + kSoftRaw + "/In.txt");
  EXPECT_FALSE(plat::SetCurrentDirectory("missing"));
}

TEST(Resolver, ARemovedCurrentDirectoryFindsNothingElsewhere) {
  TempFolder tmp;
  ASSERT_TRUE(tmp.ok());
  ASSERT_TRUE(tmp.Enter());
  ASSERT_EQ(::rmdir(tmp.path().c_str()), 0);
  // Relative names must not be looked up in "/" (which has a "tmp").
  EXPECT_EQ(plat::ResolvePath("TMP\\x"), "TMP/x");
  EXPECT_EQ(plat::ResolvePath("/TMP"), "/tmp");
}

TEST_F(ResolverTest, ResolvesFromSeveralThreadsWhileFilesAreWritten) {
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t, &wrong] {
      for (int i = 0; i < 50; ++i) {
        std::string name = "bmp\\T" + std::to_string(t) + "_" + std::to_string(i) + ".DAT";
        if (!plat::WriteFileAtomic(name, "x", 1)) ++wrong;
        std::string lower = name;
        std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) { return static_cast<char>(std::tolower(c)); });
        if (plat::ResolvePath(lower) != "BMP/T" + std::to_string(t) + "_" + std::to_string(i) + ".DAT") ++wrong;
        if (plat::ResolvePath("bmp\\chara.bmp") != "BMP/Chara.BMP") ++wrong;
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_EQ(plat::ListDirectory("bmp", false, true).size(), 201u);
}

}  // namespace
