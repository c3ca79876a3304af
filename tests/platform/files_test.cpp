#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <csignal>

#include "platform/paths.h"
#include "support/temp_folder.h"

using t4test::TempFolder;

namespace {

std::string ReadText(const std::string& stored) {
  std::vector<uint8_t> bytes;
  if (!plat::ReadWholeFile(stored, bytes)) return "<unreadable>";
  return std::string(bytes.begin(), bytes.end());
}

std::vector<std::string> AllEntries(const std::string& stored) {
  std::vector<std::string> all = plat::ListDirectory(stored, true, true);
  return all;
}

TEST(AtomicWriter, WritesAndReplacesLeavingNoTemporary) {
  const std::string long250(250, 'n');
  struct Case {
    std::string name;
    bool existing;
  } cases[] = {{"Option.dat", false}, {"Boot.dat", true}, {long250, false}, {long250.substr(0, 200) + ".dat", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name.substr(0, 20));
    TempFolder dir;
    ASSERT_TRUE(dir.ok());
    if (c.existing) {
      ASSERT_TRUE(dir.MakeFile(c.name, "old contents"));
    }
    const std::string target = dir.path() + "\\" + c.name;
    ASSERT_TRUE(plat::WriteFileAtomic(target, "new", 3));
    EXPECT_EQ(ReadText(target), "new");
    ASSERT_TRUE(plat::WriteFileAtomic(target, "", 0));
    EXPECT_EQ(ReadText(target), "");
    EXPECT_EQ(AllEntries(dir.path()), std::vector<std::string>{c.name});
  }
}

TEST(AtomicWriter, AFailedSaveLeavesTheOldFileAndNoTemporary) {
  TempFolder tmp;
  ASSERT_TRUE(tmp.ok());
  ASSERT_TRUE(tmp.MakeFile("Save.dat", "old contents"));
  ASSERT_TRUE(tmp.MakeDir("IsAFolder"));
  const std::string base = tmp.path() + "\\";

  // Target folder missing, and a target that is a folder.
  EXPECT_FALSE(plat::WriteFileAtomic(base + "NoSuchFolder\\Save.dat", "new", 3));
  EXPECT_FALSE(plat::WriteFileAtomic(base + "isafolder", "new", 3));
  EXPECT_FALSE(plat::WriteFileAtomic("", "new", 3));

  // A write that fails half-way (the file size limit stands in for a full
  // disk, which even root cannot write past).
  std::string big(1 << 16, 'b');
  struct sigaction ignore {}, old {};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(sigaction(SIGXFSZ, &ignore, &old), 0);
  rlimit oldLimit{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &oldLimit), 0);
  rlimit small = oldLimit;
  small.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  bool wrote = plat::WriteFileAtomic(base + "SAVE.DAT", big.data(), big.size());
  setrlimit(RLIMIT_FSIZE, &oldLimit);
  sigaction(SIGXFSZ, &old, nullptr);
  EXPECT_FALSE(wrote);

  EXPECT_EQ(ReadText(base + "save.dat"), "old contents");

  // A file the user made read-only is kept, by root as well: the permission
  // bits decide, as opening it for writing would.
  ASSERT_TRUE(tmp.MakeFile("ReadOnly.dat", "kept"));
  ASSERT_EQ(::chmod((tmp / "ReadOnly.dat").c_str(), 0444), 0);
  EXPECT_FALSE(plat::WriteFileAtomic(base + "READONLY.DAT", "new", 3));
  EXPECT_EQ(ReadText(base + "ReadOnly.dat"), "kept");
  ::chmod((tmp / "ReadOnly.dat").c_str(), 0644);
  EXPECT_TRUE(plat::WriteFileAtomic(base + "ReadOnly.dat", "new", 3)) << "writable again";
  EXPECT_EQ(ReadText(base + "ReadOnly.dat"), "new");

  EXPECT_EQ(AllEntries(tmp.path()), (std::vector<std::string>{"IsAFolder", "ReadOnly.dat", "Save.dat"}));
}

TEST(AtomicWriter, LeftoversOfWritesCutShortAreRemovedAndNothingElse) {
  TempFolder tmp;
  ASSERT_TRUE(tmp.ok());
  const std::vector<std::string> leftovers = {"Story01.dat.tmp-aB3dE9", ".t4save.tmp-XXXXXX", "Option.dat.tmp-000000"};
  const std::vector<std::string> others = {"Story01.dat", "a.tmp-12345", "a.tmp-1234567", ".tmp-abcdef",
                                           "Story01.tmp-ab!def"};
  for (const std::string& n : leftovers) ASSERT_TRUE(tmp.MakeFile(n));
  for (const std::string& n : others) ASSERT_TRUE(tmp.MakeFile(n));
  ASSERT_TRUE(tmp.MakeDir("Dir.tmp-abcdef"));
  plat::RemoveWriteLeftovers(tmp.path());
  std::vector<std::string> expected = others;
  expected.push_back("Dir.tmp-abcdef");
  std::sort(expected.begin(), expected.end());
  std::vector<std::string> left = AllEntries(tmp.path());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, expected);
}

TEST(WholeFileReader, ReadsFilesAndRefusesWhatIsNotOne) {
  TempFolder tmp;
  ASSERT_TRUE(tmp.ok());
  std::string content("a\0b\xff", 4);
  ASSERT_TRUE(tmp.MakeFile("Data.BIN", content));
  ASSERT_TRUE(tmp.MakeDir("Folder"));
  std::vector<uint8_t> bytes{1, 2, 3};
  EXPECT_TRUE(plat::ReadWholeFile(tmp.path() + "\\data.bin", bytes));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), content);
  bytes = {7};
  EXPECT_FALSE(plat::ReadWholeFile(tmp.path() + "\\missing.bin", bytes));
  EXPECT_FALSE(plat::ReadWholeFile(tmp.path() + "\\folder", bytes));
  EXPECT_EQ(bytes, std::vector<uint8_t>{7});  // untouched on failure
}

}  // namespace
