#include <gtest/gtest.h>

#include <filesystem>
#include <thread>
#include <vector>

#include "platform/answers.h"
#include "platform/video.h"
#include "services/log.h"
#include "support/headless_runner.h"

using t4test::ReadFile;
using t4test::ReadLines;
using t4test::TempFolder;
using t4test::U8;

TEST(Format, HasNoFixedLimit) {
  std::string big(20000, 'x');
  std::string out;
  FormatString(&out, "<%s|%d>", big.c_str(), 42);
  EXPECT_EQ(out.size(), big.size() + 5);
  EXPECT_EQ(out.substr(out.size() - 4), "|42>");
  EXPECT_EQ(Format("%05.1f", 2.25), "002.2");
}

// The debug log is the process's own: each test sets it up itself and
// leaves it off, writing nowhere.
class DebugLog : public ::testing::Test {
 protected:
  void TearDown() override { InitECLog(0, ""); }
};

TEST_F(DebugLog, OffWritesNothingOnFirstWriteTruncatesThenAppends) {
  TempFolder dir;
  std::string path = dir / "EC_Game.txt";
  ASSERT_TRUE(t4test::WriteFile(path, "older run\n"));
  InitECLog(0, path.c_str());
  EXPECT_EQ(WriteECLog("ignored"), 0);
  EXPECT_EQ(WriteECLogf("%s", "ignored"), 0);
  EXPECT_EQ(DebugErrorBoxf("%s", "never shown"), 0);
  EXPECT_EQ(ReadFile(path), "older run\n");

  InitECLog(1, path.c_str());
  EXPECT_EQ(WriteECLog("first"), 1);
  EXPECT_EQ(WriteECLogf("second %d", 2), 1);
  EXPECT_EQ(ReadFile(path), "first\nsecond 2\n");
  InitECLog(0, path.c_str());
}

TEST(ReportLog, LinesAreUtf8AndWholeUnderManyThreads) {
  TempFolder dir;
  std::string path = dir / "Report_Game.txt";
  ASSERT_TRUE(t4test::WriteFile(path, "previous run\n"));
  ASSERT_EQ(InitReportLog(path.c_str()), 1);
  EXPECT_EQ(ReadFile(path), "");
  EXPECT_EQ(WriteReport("App : ver %s", "778"), 1);
  EXPECT_EQ(ReportError("ステージファイル %s が破損しています！", "town.stg4_000"), 1);

  std::vector<std::thread> writers;
  for (int t = 0; t < 4; ++t)
    writers.emplace_back([t] {
      for (int i = 0; i < 300; ++i) WriteReport("thread %d line %03d %s", t, i, std::string(100, 'a' + t).c_str());
    });
  for (auto& w : writers) w.join();

  std::vector<std::string> lines = ReadLines(path);
  ASSERT_EQ(lines.size(), 2u + 4 * 300);
  EXPECT_EQ(lines[0], "App : ver 778");
  EXPECT_EQ(lines[1], U8(u8"ステージファイル town.stg4_000 が破損しています！"));
  for (size_t i = 2; i < lines.size(); ++i) {
    ASSERT_EQ(lines[i].size(), 18u + 100u) << lines[i];
    char c = lines[i][7];
    EXPECT_EQ(lines[i].substr(18), std::string(100, 'a' + (c - '0')));
  }
}

TEST(ReportLog, UnwritableReportFailsCleanly) {
  TempFolder dir;
  EXPECT_EQ(InitReportLog((dir / "no/such/folder/Report_Game.txt").c_str()), 0);
}

TEST(Boxes, HeadlessBoxesTakeScriptedOrDefaultAnswersAndAreLogged) {
  TempFolder dir;
  std::string path = dir / "Report_Game.txt";
  ASSERT_EQ(InitReportLog(path.c_str()), 1);
  plat::SetHeadless(true);
  ASSERT_TRUE(t4test::WriteFile(dir / "answers.txt", "no\nCancel\n"));
  ASSERT_TRUE(plat::LoadAnswers(dir / "answers.txt", nullptr));
  EXPECT_EQ(MesBox("続けますか？", "確認", MB_YESNO), IDNO);
  EXPECT_EQ(MesBox("a", "b", MB_YESNOCANCEL), IDCANCEL);
  // The script is used up: defaults from here on.
  EXPECT_EQ(MesBox("a", "b", MB_YESNO), IDYES);
  EXPECT_EQ(MesBox("a", "b", MB_YESNO | MB_DEFBUTTON2), IDNO);
  EXPECT_EQ(ErrorBox("メモリが不足しています！"), IDOK);
  plat::SetHeadless(false);
  std::vector<std::string> lines = ReadLines(path);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], U8(u8"[確認] 続けますか？"));
  EXPECT_EQ(lines[4], U8(u8"[エラー] メモリが不足しています！"));
}

TEST(SystemReport, DiskFreeIsCappedAt31Bits) {
  int free = GetDiskFree(nullptr);
  EXPECT_GT(free, 0);
  EXPECT_LE(free, 2147483647);
  CPUINFO cpu;
  GetCPUInfo(&cpu);
  EXPECT_NE(cpu.szVendor[0], '\0');
  EXPECT_TRUE(IsOSVersionAtLeast(6, 0));
}
