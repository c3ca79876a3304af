#include "services/thread.h"

#include <chrono>
#include <system_error>
#include <thread>

#include "platform/messages.h"
#include "services/log.h"

struct cThread::Handle {
  std::thread thread;
  std::atomic<bool> finished{false};
};

namespace {
std::atomic<bool> g_failNextStart{false};
}

void cThread::FailNextStartForTest() { g_failNextStart = true; }

cThread::~cThread() { Exit(); }

int cThread::Start(Routine routine, void* arg) {
  plat::ThreadId id = plat::CreateThreadQueue();
  auto* h = new Handle;
  bool ok = !g_failNextStart.exchange(false);
  if (ok) {
    try {
      h->thread = std::thread([h, id, routine, arg] {
        plat::BindCurrentThread(id);
        routine(arg);
        h->finished = true;
      });
    } catch (const std::system_error&) {
      ok = false;
    }
  }
  if (!ok) {
    delete h;
    plat::ReleaseThreadQueue(id);
    ReportError("スレッドを作成できませんでした");
    plat::PostMessage(plat::MainWindowHandle(), WM_CLOSE, 0, 0);
    return 0;
  }
  m_dwThreadId = id;
  m_hThread = h;
  return 1;
}

void cThread::Finish() {
  std::lock_guard<std::mutex> g(m_lock);
  Handle* h = m_hThread.exchange(nullptr);
  if (!h) return;
  if (h->thread.joinable()) h->thread.join();
  delete h;
  plat::ReleaseThreadQueue(m_dwThreadId);
}

void cThread::Wait() {
  for (;;) {
    Handle* h = m_hThread.load();
    if (!h) return;
    if (h->finished.load()) break;
    plat::Sleep(1);
  }
  Finish();
}

bool cThread::Suspend() {
  if (!m_hThread.load()) return true;
  return plat::SuspendThread(m_dwThreadId) >= 0;
}

bool cThread::Resume() {
  if (!m_hThread.load()) return true;
  return plat::ResumeThread(m_dwThreadId) >= 0;
}

void cThread::Exit() {
  Handle* h = m_hThread.load();
  if (!h) return;
  while (plat::ResumeThread(m_dwThreadId) > 1) {
  }
  WriteECLog("Exit A");
  plat::RequestQuit(m_dwThreadId);
  plat::PostThreadMessage(m_dwThreadId, WM_QUIT, 0, 0);
  WriteECLog("Exit B");
  WriteECLog("Exit C");
  auto start = std::chrono::steady_clock::now();
  for (;;) {
    h = m_hThread.load();
    if (!h || h->finished.load()) break;
    plat::Sleep(1);
    plat::PostThreadMessage(m_dwThreadId, WM_QUIT, 0, 0);
    if (std::chrono::steady_clock::now() - start > std::chrono::milliseconds(kExitGraceMs)) {
      ReportError("スレッド %u が終了しないため、プログラムを終了します", m_dwThreadId);
      plat::HardExit(kStuckThreadExitCode);
    }
  }
  WriteECLog("Exit D");
  Finish();
  WriteECLog("Exit E");
}
