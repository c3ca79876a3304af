// The title's stage chooser (message 1026): while the chosen stage is read,
// the window thread goes on serving the window. The stage file is a pipe
// here, so the read lasts until the test lets it end. A reader may close the
// pipe before it has taken every byte: the feeder's write then fails with
// EPIPE (test processes ignore SIGPIPE, see support/child_exec.cpp) and it
// starts again for the next reader.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "app/main_window.h"
#include "platform/answers.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "platform/msgbox.h"
#include "platform/paths.h"
#include "records/progress_data.h"
#include "records/stage_data.h"
#include "services/file_chooser.h"
#include "services/game_threads.h"
#include "services/window_requests.h"
#include "support/box_route.h"
#include "support/stage_writer.h"
#include "support/temp_folder.h"

namespace {

using namespace std::chrono_literals;

HWND const kWnd = reinterpret_cast<HWND>(0x4712);

std::vector<uint8_t> g_stageBytes;
std::thread g_writer;
// Whether the window had taken a message posted while the loading thread
// waited for the stage's bytes, before those bytes came.
std::atomic<bool> g_servedWhileReading{false};
// Set once the test no longer needs the pipe fed.
std::atomic<bool> g_stopFeeding{false};

// Opens the pipe for writing once a reader has it open; -1 when the test
// is done with it, or after a minute (a loaded machine can be slow).
int OpenWhenRead(const std::string& path) {
  const auto end = std::chrono::steady_clock::now() + 60s;
  while (!g_stopFeeding.load() && std::chrono::steady_clock::now() < end) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) return fd;
    if (errno != ENXIO) return -1;
    std::this_thread::sleep_for(1ms);
  }
  return -1;
}

void Feed(const std::string& path) {
  const int fd = OpenWhenRead(path);
  if (fd < 0) return;
  size_t done = 0;
  while (done < g_stageBytes.size()) {
    const ssize_t n = ::write(fd, g_stageBytes.data() + done, g_stageBytes.size() - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
    } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
      break;
    }
  }
  ::close(fd);
}

// The chooser answers from the script; the file chosen then becomes a pipe
// fed by a thread of the test: the damage check reads it first; every later
// read (the loading thread's) is held back until the window has answered.
int ChooseThenMakeSlow(cFileChooser& chooser, const char* title) {
  const int chosen = RunHeadlessFileChooser(chooser, title);
  if (!chosen || chooser.Paths().empty()) return chosen;
  const std::string path = plat::ResolvePath(chooser.Paths()[0]);
  if (::unlink(path.c_str()) != 0 || ::mkfifo(path.c_str(), 0600) != 0) return chosen;
  g_writer = std::thread([path] {
    Feed(path);  // the damage check
    plat::PostMessage(kWnd, WM_ACTIVATEAPP, 1, 0);
    const auto end = std::chrono::steady_clock::now() + 60s;
    while (!g_bActive.load() && !g_stopFeeding.load() && std::chrono::steady_clock::now() < end)
      std::this_thread::sleep_for(1ms);
    g_servedWhileReading = g_bActive.load() == 1;
    while (!g_stopFeeding.load()) Feed(path);
  });
  return chosen;
}

int NoBox(std::string_view, std::string_view, unsigned type) { return plat::DefaultAnswer(type); }

class StageOpen : public ::testing::Test {
 protected:
  void SetUp() override {
    g_dwDataVersion = kRecordDataVersion;
    plat::RegisterMainThread();
    plat::ResetRuntimeForTest();
    g_MainWindow.ResetForTest();
    g_MainWindow.Setup(kWnd);
    g_hWnd = kWnd;
    g_bActive = 0;
    g_servedWhileReading = false;
    g_stopFeeding = false;
    ASSERT_TRUE(plat::CreateDirectory("data"));
    ASSERT_TRUE(plat::CreateDirectory("data\\stg4"));
    ASSERT_TRUE(WriteTestStage("data\\stg4\\slow.stg4_778", "slow"));
    ASSERT_TRUE(plat::ReadWholeFile("data\\stg4\\slow.stg4_778", g_stageBytes));
    ASSERT_TRUE(dir.MakeFile("answers.txt", "slow.stg4_778\n"));
    ASSERT_TRUE(plat::LoadAnswers(dir / "answers.txt", nullptr));
    SetFileChooserUi(ChooseThenMakeSlow);
  }
  void TearDown() override {
    g_stopFeeding = true;
    if (g_writer.joinable()) g_writer.join();
    SetFileChooserUi(nullptr);
    g_bActive = 0;
    g_hWnd = nullptr;
    g_MainWindow.ResetForTest();
    plat::ResetRuntimeForTest();
    g_Stage = cStageData();
    g_StageStart = cStageData();
    g_Progress = cProgressData();
  }

  // The drawn chooser runs only in a run with a display.
  t4test::BoxesToHandler boxes_{&NoBox};
  t4test::TempFolder dir{true};
};

TEST_F(StageOpen, TheWindowIsServedWhileTheChosenStageIsRead) {
  g_bReplyDone = 0;
  g_nReplyResult = 0;
  WndProc(kWnd, WM_T4_LOADSTAGE, 0, 0);
  ASSERT_TRUE(g_writer.joinable());
  g_stopFeeding = true;
  g_writer.join();
  EXPECT_TRUE(g_servedWhileReading.load());
  EXPECT_EQ(g_bReplyDone.load(), 1);
  EXPECT_EQ(g_nReplyResult.load(), 1);
  EXPECT_EQ(g_Stage.m_strName, "slow");
  EXPECT_EQ(g_StageStart.m_strName, "slow");
  EXPECT_FALSE(thLoad.IsRunning());
}

}  // namespace
