#include "platform/messages.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>

namespace plat {
namespace {

struct ThreadState {
  ThreadId id = 0;
  std::mutex m;
  std::condition_variable cv;
  std::deque<MSG> queue;
  std::atomic<bool> quit{false};
  int suspendCount = 0;  // guarded by m
};

struct SendRequest {
  uint32_t msg;
  WPARAM w;
  LPARAM l;
  LRESULT result = 0;
  const std::function<void()>* fn = nullptr;
  bool done = false;
  bool cancelled = false;
};

struct Runtime {
  std::mutex registryLock;
  std::unordered_map<ThreadId, std::shared_ptr<ThreadState>> threads;
  ThreadId nextId = 2;

  std::shared_ptr<ThreadState> main;
  std::atomic<bool> mainRegistered{false};
  std::thread::id mainThread;

  // The window's queue lives in main->m: posted messages in main->queue,
  // waiting sends here.
  std::deque<SendRequest*> sends;
  std::atomic<bool> closing{false};
  std::atomic<WindowProc> proc{nullptr};
  std::atomic<HWND> hwnd{nullptr};
  std::atomic<SendCancelHandler> cancel{nullptr};
  std::condition_variable sendDone;
  int quitCode = 0;
  bool quitSeen = false;
  int sentDepth = 0;  // window thread only

  std::function<void(uint32_t)> waitEvents;
  std::function<void()> wakeEvents;

  std::atomic<bool> virtualClock{false};
  std::atomic<uint32_t> virtualNow{0};
};

Runtime& R() {
  // Never destroyed: threads that outlive main must still find it.
  static Runtime* rt = new Runtime;
  return *rt;
}

thread_local std::shared_ptr<ThreadState> t_current;

std::shared_ptr<ThreadState> Lookup(ThreadId id) {
  Runtime& rt = R();
  std::lock_guard<std::mutex> g(rt.registryLock);
  auto it = rt.threads.find(id);
  return it == rt.threads.end() ? nullptr : it->second;
}

void Wake() {
  Runtime& rt = R();
  if (rt.main) rt.main->cv.notify_all();
  if (rt.wakeEvents) rt.wakeEvents();
}

}  // namespace

void RegisterMainThread() {
  Runtime& rt = R();
  if (rt.mainRegistered.load()) return;
  auto st = std::make_shared<ThreadState>();
  st->id = 1;
  {
    std::lock_guard<std::mutex> g(rt.registryLock);
    rt.threads[1] = st;
  }
  rt.main = st;
  rt.mainThread = std::this_thread::get_id();
  t_current = st;
  rt.mainRegistered = true;
}

bool IsMainThread() {
  Runtime& rt = R();
  return rt.mainRegistered.load() && std::this_thread::get_id() == rt.mainThread;
}

ThreadId CurrentThreadId() { return t_current ? t_current->id : 0; }

ThreadId CreateThreadQueue() {
  Runtime& rt = R();
  auto st = std::make_shared<ThreadState>();
  std::lock_guard<std::mutex> g(rt.registryLock);
  st->id = rt.nextId++;
  rt.threads[st->id] = st;
  return st->id;
}

void BindCurrentThread(ThreadId id) { t_current = Lookup(id); }

void ReleaseThreadQueue(ThreadId id) {
  Runtime& rt = R();
  std::lock_guard<std::mutex> g(rt.registryLock);
  if (id != 1) rt.threads.erase(id);
}

bool PostThreadMessage(ThreadId id, uint32_t msg, WPARAM w, LPARAM l) {
  auto st = Lookup(id);
  if (!st) return false;
  {
    std::lock_guard<std::mutex> g(st->m);
    st->queue.push_back(MSG{nullptr, msg, w, l});
  }
  st->cv.notify_all();
  if (id == 1) Wake();
  return true;
}

void SuspendGate() {
  auto st = t_current;
  if (!st || st->id == 1) return;
  std::unique_lock<std::mutex> lk(st->m);
  st->cv.wait(lk, [&] { return st->suspendCount == 0 || st->quit.load() || R().closing.load(); });
}

bool PeekMessage(MSG* out, bool remove) {
  SuspendGate();
  auto st = t_current;
  if (!st) return false;
  std::lock_guard<std::mutex> g(st->m);
  if (st->queue.empty()) return false;
  *out = st->queue.front();
  if (remove) st->queue.pop_front();
  return true;
}

bool GetMessage(MSG* out) {
  auto st = t_current;
  if (!st) return false;
  SuspendGate();
  {
    std::unique_lock<std::mutex> lk(st->m);
    st->cv.wait(lk, [&] { return !st->queue.empty(); });
    *out = st->queue.front();
    st->queue.pop_front();
  }
  SuspendGate();
  return out->message != WM_QUIT;
}

void RequestQuit(ThreadId id) {
  auto st = Lookup(id);
  if (!st) return;
  st->quit = true;
  st->cv.notify_all();
}

bool QuitRequested() {
  if (R().closing.load()) return true;
  auto st = t_current;
  return st && st->quit.load();
}

int SuspendThread(ThreadId id) {
  auto st = Lookup(id);
  if (!st) return -1;
  std::lock_guard<std::mutex> g(st->m);
  return st->suspendCount++;
}

int ResumeThread(ThreadId id) {
  auto st = Lookup(id);
  if (!st) return -1;
  int before;
  {
    std::lock_guard<std::mutex> g(st->m);
    before = st->suspendCount;
    if (st->suspendCount > 0) --st->suspendCount;
  }
  st->cv.notify_all();
  return before;
}

void SetWindowProc(HWND hwnd, WindowProc proc) {
  R().hwnd = hwnd;
  R().proc = proc;
}

void SetSendCancelHandler(SendCancelHandler handler) { R().cancel = handler; }

HWND MainWindowHandle() { return R().hwnd.load(); }

bool PostMessage(HWND hwnd, uint32_t msg, WPARAM w, LPARAM l) {
  Runtime& rt = R();
  if (!rt.main) return false;
  {
    std::lock_guard<std::mutex> g(rt.main->m);
    rt.main->queue.push_back(MSG{hwnd, msg, w, l});
  }
  Wake();
  return true;
}

static LRESULT Cancelled(uint32_t msg, WPARAM w, LPARAM l) {
  SendCancelHandler h = R().cancel.load();
  return h ? h(msg, w, l) : 0;
}

LRESULT SendMessage(HWND hwnd, uint32_t msg, WPARAM w, LPARAM l) {
  Runtime& rt = R();
  if (IsMainThread()) {
    WindowProc p = rt.proc.load();
    return p ? p(hwnd, msg, w, l) : 0;
  }
  if (!rt.main) return Cancelled(msg, w, l);
  SendRequest req{msg, w, l};
  {
    std::unique_lock<std::mutex> lk(rt.main->m);
    if (rt.closing.load()) {
      lk.unlock();
      return Cancelled(msg, w, l);
    }
    rt.sends.push_back(&req);
  }
  Wake();
  {
    std::unique_lock<std::mutex> lk(rt.main->m);
    rt.sendDone.wait(lk, [&] { return req.done || req.cancelled; });
  }
  if (req.cancelled) return Cancelled(msg, w, l);
  return req.result;
}

bool CallOnMainThread(const std::function<void()>& fn) {
  Runtime& rt = R();
  if (IsMainThread()) {
    fn();
    return true;
  }
  if (!rt.main) return false;
  SendRequest req{WM_NULL, 0, 0};
  req.fn = &fn;
  {
    std::unique_lock<std::mutex> lk(rt.main->m);
    if (rt.closing.load()) return false;
    rt.sends.push_back(&req);
  }
  Wake();
  std::unique_lock<std::mutex> lk(rt.main->m);
  rt.sendDone.wait(lk, [&] { return req.done || req.cancelled; });
  return req.done;
}

void PostQuitMessage(int code) { PostMessage(nullptr, WM_QUIT, static_cast<WPARAM>(code), 0); }

void BeginClosing() {
  Runtime& rt = R();
  if (!rt.main) {
    rt.closing = true;
    return;
  }
  {
    std::lock_guard<std::mutex> g(rt.main->m);
    rt.closing = true;
    for (SendRequest* r : rt.sends) r->cancelled = true;
    rt.sends.clear();
  }
  rt.sendDone.notify_all();
  // Wake every thread parked in a suspend gate or a message wait.
  std::lock_guard<std::mutex> g(rt.registryLock);
  for (auto& [id, st] : rt.threads) st->cv.notify_all();
}

bool IsClosing() { return R().closing.load(); }

void ServePendingSends() {
  Runtime& rt = R();
  if (!rt.main || !IsMainThread()) return;
  for (;;) {
    SendRequest* req = nullptr;
    {
      std::lock_guard<std::mutex> g(rt.main->m);
      if (rt.sends.empty()) return;
      req = rt.sends.front();
      rt.sends.pop_front();
    }
    LRESULT result = 0;
    ++rt.sentDepth;
    if (req->fn) {
      (*req->fn)();
    } else if (WindowProc p = rt.proc.load()) {
      result = p(rt.hwnd.load(), req->msg, req->w, req->l);
    }
    --rt.sentDepth;
    {
      std::lock_guard<std::mutex> g(rt.main->m);
      req->result = result;
      req->done = true;
    }
    rt.sendDone.notify_all();
  }
}

bool PumpMessages(uint32_t timeoutMs) {
  Runtime& rt = R();
  if (!rt.main) return false;
  if (rt.quitSeen) return false;
  ServePendingSends();
  // Only what was posted before this round: a handler that posts again
  // (a deferred close) is served by the next round, not in a loop here.
  std::deque<MSG> batch;
  {
    std::lock_guard<std::mutex> g(rt.main->m);
    batch.swap(rt.main->queue);
  }
  bool handled = !batch.empty();
  while (!batch.empty()) {
    MSG m = batch.front();
    batch.pop_front();
    if (m.message == WM_QUIT) {
      rt.quitCode = static_cast<int>(m.wParam);
      rt.quitSeen = true;
      // Whatever came after the quit stays unhandled, as after a real quit.
      return false;
    }
    WindowProc p = rt.proc.load();
    if (p) p(m.hwnd ? m.hwnd : rt.hwnd.load(), m.message, m.wParam, m.lParam);
    ServePendingSends();
  }
  if (handled) return true;
  if (rt.waitEvents) {
    rt.waitEvents(timeoutMs);
  } else {
    std::unique_lock<std::mutex> lk(rt.main->m);
    rt.main->cv.wait_for(lk, std::chrono::milliseconds(timeoutMs),
                         [&] { return !rt.main->queue.empty() || !rt.sends.empty(); });
  }
  ServePendingSends();
  return true;
}

bool InSentMessage() { return IsMainThread() && R().sentDepth > 0; }

int RunMessageLoop() {
  while (PumpMessages(10)) {
  }
  return R().quitCode;
}

void SetEventSource(std::function<void(uint32_t)> waitAndDispatch, std::function<void()> wake) {
  R().waitEvents = std::move(waitAndDispatch);
  R().wakeEvents = std::move(wake);
}

uint32_t timeGetTime() {
  Runtime& rt = R();
  if (rt.virtualClock.load()) return rt.virtualNow.load();
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
  return static_cast<uint32_t>(ms);
}

void Sleep(uint32_t ms) {
  if (IsMainThread()) {
    Runtime& rt = R();
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    do {
      ServePendingSends();
      std::unique_lock<std::mutex> lk(rt.main->m);
      if (!rt.sends.empty()) continue;
      rt.main->cv.wait_until(lk, end, [&] { return !rt.sends.empty(); });
    } while (std::chrono::steady_clock::now() < end);
    ServePendingSends();
    return;
  }
  SuspendGate();
  if (ms == 0)
    std::this_thread::yield();
  else
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  SuspendGate();
}

void UseVirtualClock(uint32_t start) {
  R().virtualNow = start;
  R().virtualClock = true;
}

bool VirtualClockActive() { return R().virtualClock.load(); }

bool AdvanceVirtualClockTo(uint32_t t) {
  Runtime& rt = R();
  if (!rt.virtualClock.load()) return false;
  uint32_t now = rt.virtualNow.load();
  while (TimeDiff(t, now) > 0 && !rt.virtualNow.compare_exchange_weak(now, t)) {
  }
  return true;
}

void ResetRuntimeForTest() {
  Runtime& rt = R();
  if (rt.main) {
    std::lock_guard<std::mutex> g(rt.main->m);
    rt.main->queue.clear();
    rt.sends.clear();
    rt.closing = false;
  }
  rt.closing = false;
  rt.quitSeen = false;
  rt.quitCode = 0;
  rt.sentDepth = 0;
  rt.proc = nullptr;
  rt.hwnd = nullptr;
  rt.cancel = nullptr;
}

[[noreturn]] void HardExit(int code) {
  std::fflush(stdout);
  std::fflush(stderr);
  ::_exit(code);
}

}  // namespace plat
