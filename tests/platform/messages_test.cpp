// The message runtime under stress: every case must end well inside its
// time limit; a hang here is the fault being tested for.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "platform/messages.h"
#include "services/thread.h"

namespace {

using namespace std::chrono_literals;

constexpr uint32_t kMsgWork = WM_USER + 1;
constexpr uint32_t kMsgModal = WM_USER + 2;

std::atomic<int> g_served{0};
std::atomic<int> g_cancelled{0};
std::atomic<bool> g_inModal{false};
cThread* g_worker = nullptr;

LRESULT TestProc(HWND, uint32_t msg, WPARAM w, LPARAM) {
  switch (msg) {
    case kMsgWork:
      ++g_served;
      return static_cast<LRESULT>(w * 2);
    case kMsgModal:
      // A modal loop on the window thread: it pumps until closing begins.
      g_inModal = true;
      while (!plat::IsClosing() && plat::PumpMessages(1)) {
      }
      g_inModal = false;
      return 7;
    case WM_CLOSE:
      plat::BeginClosing();
      if (plat::InSentMessage()) {
        // The modal loop sees the close and returns; finish at the top.
        plat::PostMessage(nullptr, WM_CLOSE, 0, 0);
        return 0;
      }
      if (g_worker) g_worker->Exit();
      plat::PostQuitMessage(0);
      return 0;
  }
  return 0;
}

LRESULT CancelHandler(uint32_t, WPARAM, LPARAM) {
  ++g_cancelled;
  return -1;
}

class MessageRuntime : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::RegisterMainThread();
    plat::ResetRuntimeForTest();
    plat::SetWindowProc(nullptr, TestProc);
    plat::SetSendCancelHandler(CancelHandler);
    g_served = 0;
    g_cancelled = 0;
    g_inModal = false;
  }
  void TearDown() override {
    g_worker = nullptr;
    plat::ResetRuntimeForTest();
  }
  // Runs the window thread's loop with a deadline; fails the test on a hang.
  void RunLoopWithin(std::chrono::milliseconds limit) {
    auto end = std::chrono::steady_clock::now() + limit;
    while (plat::PumpMessages(5)) {
      ASSERT_LT(std::chrono::steady_clock::now(), end) << "message loop did not end";
    }
  }
};

unsigned BlockedSender(void*) {
  // Sends until closing refuses them; each answer must be right.
  for (int i = 0; !plat::QuitRequested(); ++i) {
    LRESULT r = plat::SendMessage(nullptr, kMsgWork, static_cast<WPARAM>(i), 0);
    if (r == -1) break;
    EXPECT_EQ(r, i * 2);
  }
  // The thread then sits in one more send that closing must cancel.
  plat::SendMessage(nullptr, kMsgWork, 1, 0);
  MSG m;
  while (plat::GetMessage(&m)) {
  }
  return 0;
}

}  // namespace

TEST_F(MessageRuntime, CloseWhileAGameThreadIsBlockedInASend) {
  cThread worker;
  g_worker = &worker;
  ASSERT_EQ(worker.Start(BlockedSender, nullptr), 1);
  // Let a few sends through, then close from the window thread.
  auto start = std::chrono::steady_clock::now();
  while (g_served < 50 && std::chrono::steady_clock::now() - start < 5s) plat::PumpMessages(1);
  plat::PostMessage(nullptr, WM_CLOSE, 0, 0);
  RunLoopWithin(3s);
  EXPECT_FALSE(worker.IsRunning());
  EXPECT_GE(g_served, 50);
}

TEST_F(MessageRuntime, CloseDuringANestedModalWait) {
  cThread worker;
  g_worker = &worker;
  std::atomic<LRESULT> modalResult{0};
  ASSERT_EQ(worker.Start(
                [](void* arg) -> unsigned {
                  auto* result = static_cast<std::atomic<LRESULT>*>(arg);
                  *result = plat::SendMessage(nullptr, kMsgModal, 0, 0);
                  // A send made while the modal loop runs is served by it.
                  while (!plat::QuitRequested()) plat::Sleep(1);
                  return 0;
                },
                &modalResult),
            1);
  auto start = std::chrono::steady_clock::now();
  std::thread closer([&] {
    while (!g_inModal && std::chrono::steady_clock::now() - start < 5s) std::this_thread::sleep_for(1ms);
    EXPECT_EQ(plat::SendMessage(nullptr, kMsgWork, 21, 0), 42);
    plat::PostMessage(nullptr, WM_CLOSE, 0, 0);
  });
  RunLoopWithin(4s);
  closer.join();
  EXPECT_EQ(modalResult.load(), 7);
  EXPECT_FALSE(worker.IsRunning());
}

TEST_F(MessageRuntime, ThousandsOfSendsFromTwoThreads) {
  constexpr int kEach = 5000;
  std::atomic<int> wrong{0};
  auto sender = [&](int base) {
    for (int i = 0; i < kEach; ++i)
      if (plat::SendMessage(nullptr, kMsgWork, static_cast<WPARAM>(base + i), 0) != (base + i) * 2) ++wrong;
  };
  std::thread a(sender, 0), b(sender, 100000);
  std::thread done([&] {
    a.join();
    b.join();
    plat::PostQuitMessage(0);
  });
  RunLoopWithin(20s);
  done.join();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_EQ(g_served.load(), 2 * kEach);
}

TEST_F(MessageRuntime, SendsAfterClosingBeganAreCancelledAtOnce) {
  plat::BeginClosing();
  auto f = std::async(std::launch::async, [] { return plat::SendMessage(nullptr, kMsgWork, 3, 0); });
  ASSERT_EQ(f.wait_for(2s), std::future_status::ready);
  EXPECT_EQ(f.get(), -1);
  EXPECT_EQ(g_cancelled.load(), 1);
  EXPECT_EQ(g_served.load(), 0);
  auto call = std::async(std::launch::async, [] { return plat::CallOnMainThread([] {}); });
  ASSERT_EQ(call.wait_for(2s), std::future_status::ready);
  EXPECT_FALSE(call.get());
}

TEST_F(MessageRuntime, ThreadQueueAcceptsTheFirstPostAndQuitEndsGetMessage) {
  cThread worker;
  std::atomic<int> got{0};
  ASSERT_EQ(worker.Start(
                [](void* arg) -> unsigned {
                  MSG m;
                  while (plat::GetMessage(&m))
                    if (m.message == WM_APP) ++*static_cast<std::atomic<int>*>(arg);
                  return 0;
                },
                &got),
            1);
  // The queue exists before the thread runs: no retry loop is needed.
  EXPECT_TRUE(plat::PostThreadMessage(worker.m_dwThreadId, WM_APP, 0, 0));
  worker.Exit();
  EXPECT_EQ(got.load(), 1);
  EXPECT_FALSE(worker.IsRunning());
}

TEST_F(MessageRuntime, SuspendHoldsAThreadAtItsNextWaitAndExitResumesIt) {
  cThread worker;
  std::atomic<int> ticks{0};
  ASSERT_EQ(worker.Start(
                [](void* arg) -> unsigned {
                  while (!plat::QuitRequested()) {
                    ++*static_cast<std::atomic<int>*>(arg);
                    plat::Sleep(1);
                  }
                  return 0;
                },
                &ticks),
            1);
  while (ticks < 3) std::this_thread::sleep_for(1ms);
  ASSERT_TRUE(worker.Suspend());
  std::this_thread::sleep_for(20ms);
  int held = ticks.load();
  std::this_thread::sleep_for(30ms);
  EXPECT_LE(ticks.load(), held + 1);
  auto t0 = std::chrono::steady_clock::now();
  worker.Exit();
  EXPECT_LT(std::chrono::steady_clock::now() - t0, 1s);
  EXPECT_FALSE(worker.IsRunning());
}

TEST(ThreadExitDeathTest, AThreadThatIgnoresItsQuitFlagEndsTheProcessThroughTheLoggedExit) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        plat::RegisterMainThread();
        static cThread stubborn;
        stubborn.Start(
            [](void*) -> unsigned {
              for (;;) std::this_thread::sleep_for(1ms);
            },
            nullptr);
        stubborn.Exit();
      },
      ::testing::ExitedWithCode(cThread::kStuckThreadExitCode), "");
}

TEST(ThreadStart, AFailedStartReportsAndAsksTheWindowToClose) {
  plat::RegisterMainThread();
  plat::ResetRuntimeForTest();
  static std::atomic<int> closes{0};
  plat::SetWindowProc(nullptr, [](HWND, uint32_t msg, WPARAM, LPARAM) -> LRESULT {
    if (msg == WM_CLOSE) ++closes;
    return 0;
  });
  cThread t;
  cThread::FailNextStartForTest();
  EXPECT_EQ(t.Start([](void*) -> unsigned { return 0; }, nullptr), 0);
  EXPECT_FALSE(t.IsRunning());
  EXPECT_FALSE(plat::PostThreadMessage(t.m_dwThreadId, WM_APP, 0, 0));
  plat::PumpMessages(0);
  EXPECT_EQ(closes.load(), 1);
  t.Wait();  // returns at once: there is nothing to wait for
  plat::ResetRuntimeForTest();
}
