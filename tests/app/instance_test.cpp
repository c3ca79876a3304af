// Two players on one lock: the second asks, and closes the first in order
// or leaves.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "support/background_player.h"
#include "platform/instance.h"
#include "support/headless_runner.h"
#include "support/project_writer.h"

using namespace std::chrono_literals;
using t4test::BackgroundPlayer;
using t4test::ReadFile;
using t4test::ReadLines;
using t4test::TempFolder;
using t4test::WaitUntil;

namespace {

const std::string kQuestion = reinterpret_cast<const char*>(u8"[二重起動] 既に起動しています。");
const std::string kFailed = reinterpret_cast<const char*>(u8"[二重起動] プログラムの終了に失敗しました。");

struct TwoPlayers : ::testing::Test {
  TempFolder dir;
  std::string first, second;
  std::vector<std::string> env;

  void SetUp() override {
    first = dir / "first";
    second = dir / "second";
    ASSERT_TRUE(WriteProject(first));
    ASSERT_TRUE(WriteProject(second));
    env = {"T4_INSTANCE_LOCK=" + (dir / "instance.lock")};
  }

  // The first instance, once it holds the lock and presents frames.
  std::unique_ptr<BackgroundPlayer> StartFirst() {
    auto p = std::make_unique<BackgroundPlayer>(
        std::vector<std::string>{"--headless", "--frames", "100000000", "--frame-hashes", "h.txt"}, first, env,
        first + "/stderr.txt");
    bool up = WaitUntil(
        [&] {
          return ReadFile(dir / "instance.lock") == std::to_string(p->Pid()) + "\n" &&
                 !ReadFile(first + "/h.txt").empty();
        },
        20s);
    EXPECT_TRUE(up) << ReadFile(first + "/stderr.txt");
    return p;
  }

  void Answer(const std::string& folder, const std::string& lines) {
    ASSERT_TRUE(t4test::WriteFile(folder + "/answers.txt", lines));
  }

  static bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
  }
};

// Every frame line of an orderly close is whole.
void ExpectWholeHashLines(const std::string& file) {
  std::string text = ReadFile(file);
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.back(), '\n');
}

}  // namespace

TEST_F(TwoPlayers, SecondAnsweredNoLeavesAndTheFirstRunsOn) {
  auto older = StartFirst();
  Answer(second, "no\n");
  auto r = t4test::RunPlayer({"--headless", "--frames", "30", "--answers", "answers.txt", "--frame-hashes", "h.txt"},
                             second, 30s, env);
  ASSERT_FALSE(r.timedOut);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  std::string report = ReadFile(second + "/Report_Game.txt");
  EXPECT_TRUE(Contains(report, kQuestion)) << report;
  EXPECT_TRUE(Contains(report, "Running this program now. Restart?")) << report;
  EXPECT_TRUE(ReadFile(second + "/h.txt").empty()) << "the declined instance showed frames";

  EXPECT_TRUE(older->Running());
  size_t before = ReadLines(first + "/h.txt").size();
  EXPECT_TRUE(WaitUntil([&] { return ReadLines(first + "/h.txt").size() > before; }, 10s));
  // The lock still names the first instance.
  EXPECT_EQ(ReadFile(dir / "instance.lock"), std::to_string(older->Pid()) + "\n");

  // A plain SIGTERM closes it in order too.
  ASSERT_EQ(kill(older->Pid(), SIGTERM), 0);
  EXPECT_EQ(older->Wait(5s), 0) << ReadFile(first + "/stderr.txt");
  ExpectWholeHashLines(first + "/h.txt");
}

TEST_F(TwoPlayers, SecondAnsweredYesClosesTheFirstInOrderWithinASecond) {
  auto older = StartFirst();
  Answer(second, "yes\n");
  BackgroundPlayer newer({"--headless", "--frames", "30", "--answers", "answers.txt", "--frame-hashes", "h.txt"},
                         second, env, second + "/stderr.txt");
  ASSERT_TRUE(WaitUntil([&] { return Contains(ReadFile(second + "/Report_Game.txt"), kQuestion); }, 20s))
      << ReadFile(second + "/stderr.txt");
  // The question is answered at once; from its line the first has a second.
  EXPECT_EQ(older->Wait(1000ms), 0) << ReadFile(first + "/stderr.txt");

  std::vector<std::string> report = ReadLines(first + "/Report_Game.txt");
  ASSERT_GE(report.size(), 8u);
  EXPECT_EQ(report[0], "App : ver 778");
  EXPECT_EQ(report[7].rfind("HD Free : ", 0), 0u);
  ExpectWholeHashLines(first + "/h.txt");

  EXPECT_EQ(newer.Wait(30s), 0) << ReadFile(second + "/stderr.txt");
  EXPECT_EQ(ReadLines(second + "/h.txt").size(), 30u);
  EXPECT_FALSE(Contains(ReadFile(second + "/Report_Game.txt"), kFailed));
}

// A holder that cannot be asked to close: pid 1 is never ours to signal, a
// finished process no longer exists.
TEST_F(TwoPlayers, AHolderThatCannotBeSignalledEndsTheNewStart) {
  pid_t gone = fork();
  if (gone == 0) _exit(0);
  ASSERT_GT(gone, 0);
  waitpid(gone, nullptr, 0);

  for (pid_t holder : {pid_t{1}, gone}) {
    SCOPED_TRACE(holder);
    int fd = open((dir / "instance.lock").c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
    std::string pid = std::to_string(holder) + "\n";
    ASSERT_EQ(write(fd, pid.data(), pid.size()), static_cast<ssize_t>(pid.size()));

    Answer(second, "yes\n");
    auto r = t4test::RunPlayer({"--headless", "--frames", "30", "--answers", "answers.txt", "--frame-hashes", "h.txt"},
                               second, 30s, env);
    close(fd);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::string report = ReadFile(second + "/Report_Game.txt");
    EXPECT_TRUE(Contains(report, kQuestion));
    EXPECT_TRUE(Contains(report, kFailed)) << report;
    EXPECT_TRUE(ReadFile(second + "/h.txt").empty());
  }
}

TEST(InstanceLock, OneHolderAtATimeAndItsPidIsReadable) {
  TempFolder dir;
  std::string path = dir / "l.lock";
  plat::InstanceLock a, b;
  ASSERT_EQ(a.Acquire(path), plat::InstanceLock::Result::kAcquired);
  ASSERT_EQ(b.Acquire(path), plat::InstanceLock::Result::kHeld);
  EXPECT_EQ(b.HolderPid(), getpid());
  EXPECT_FALSE(b.WaitAcquire(20));
  a.Release();
  EXPECT_TRUE(b.WaitAcquire(1000));
  EXPECT_EQ(plat::InstanceLock().Acquire(dir / "no-such-folder/l.lock"), plat::InstanceLock::Result::kUnavailable);
}
