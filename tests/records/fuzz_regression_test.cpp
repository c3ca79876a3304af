// Replays what the loader fuzzers (fuzz/, tools/fuzz.sh) found: every file
// under tests/fuzz_corpus/<target>/ goes to that target's loader entry, in
// process, through the same code the fuzz target runs. A file whose name
// starts with "bad-" must be refused, one starting with "ok-" must load;
// either way the result must keep the loader's promises and loading must
// never trip a checked container's bad index. The seeds the fuzzers start
// from must all load, or the fuzzers would start from refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz_entries.h"
#include "fuzz_seeds.h"
#include "platform/msgbox.h"
#include "records/record.h"
#include "support/project_writer.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

int QuietBox(std::string_view, std::string_view, unsigned type) { return plat::DefaultAnswer(type); }

std::vector<uint8_t> ReadAll(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

std::vector<fs::path> FilesUnder(const fs::path& dir) {
  std::vector<fs::path> files;
  if (fs::is_directory(dir))
    for (const auto& e : fs::recursive_directory_iterator(dir))
      if (e.is_regular_file()) files.push_back(e.path());
  std::sort(files.begin(), files.end());
  return files;
}

class FuzzRegression : public ::testing::Test {
 protected:
  void SetUp() override {
    m_uVersion = g_dwDataVersion;
    m_nDeleteCR = g_bDeleteCR;
    PrepareFuzzLoaders();
    plat::SetMessageBoxHandler(&QuietBox);
    ASSERT_TRUE(m_Scratch.ok());
  }
  void TearDown() override {
    plat::SetMessageBoxHandler(nullptr);
    g_dwDataVersion = m_uVersion;
    g_bDeleteCR = m_nDeleteCR;
  }

  // Runs every file of `root`/<target>/ and checks its outcome; returns the
  // number of files run.
  int ReplayAll(const fs::path& root, bool seeds) {
    int count = 0;
    for (const fs::path& file : FilesUnder(root)) {
      const std::string target = file.parent_path().filename().string();
      const std::string name = file.filename().string();
      SCOPED_TRACE(target + "/" + name);
      const FuzzEntry* entry = FindFuzzEntry(target);
      if (!entry) {
        ADD_FAILURE() << "no loader entry named " << target;
        continue;
      }
      const FuzzOutcome r = RunFuzzEntry(*entry, ReadAll(file), m_Scratch.path());
      EXPECT_EQ("", r.broken);
      if (seeds || name.rfind("ok-", 0) == 0) {
        EXPECT_TRUE(r.loaded);
      }
      if (name.rfind("bad-", 0) == 0) {
        EXPECT_FALSE(r.loaded);
      }
      ++count;
    }
    return count;
  }

  t4test::TempFolder m_Scratch;
  t4test::TempFolder m_LogFolder;
  ReportLogCapture m_Report{m_LogFolder.path()};

 private:
  uint32_t m_uVersion = 0;
  int m_nDeleteCR = 0;
};

bool IsBadIndexLine(const std::string& line) { return line.rfind("err V[", 0) == 0 || line.rfind("err L[", 0) == 0; }

TEST_F(FuzzRegression, EveryKeptFindingIsHandled) {
  const int count = ReplayAll(fs::path(T4_SOURCE_DIR) / "tests" / "fuzz_corpus", false);
  EXPECT_GT(count, 0);
  const std::vector<std::string> lines = m_Report.Lines();
  EXPECT_EQ(0, std::count_if(lines.begin(), lines.end(), IsBadIndexLine));
}

TEST_F(FuzzRegression, EverySeedLoads) {
  t4test::TempFolder seeds;
  std::string error;
  const int written = WriteFuzzSeeds(seeds.path(), &error);
  ASSERT_GT(written, 0) << error;
  EXPECT_EQ(written, ReplayAll(seeds.path(), true));
  // Every entry has seeds of its own.
  for (const FuzzEntry& e : FuzzEntries()) EXPECT_TRUE(fs::is_directory(fs::path(seeds.path()) / e.name)) << e.name;
  const std::vector<std::string> lines = m_Report.Lines();
  EXPECT_EQ(0, std::count_if(lines.begin(), lines.end(), IsBadIndexLine));
}

}  // namespace
