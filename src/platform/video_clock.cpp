// The display's refresh clock. A real display is waited for by time: its
// refreshes are taken to come at its reported rate from a fixed start, which
// keeps a frame per refresh without tying the game thread to the window
// thread's presenting. The virtual display counts refreshes on the virtual
// clock, so headless runs never wait and stay repeatable.
#include <atomic>
#include <chrono>
#include <cmath>
#include <mutex>
#include <thread>

#include "platform/messages.h"
#include "platform/video.h"
#include "platform/video_window.h"

namespace plat {
namespace {

constexpr int kUsualRate = 60;

std::atomic<int> g_realRate{0};
std::atomic<int> g_virtualRate{kUsualRate};

struct RealClock {
  std::mutex lock;
  bool started = false;
  int rate = 0;
  std::chrono::steady_clock::time_point origin;
} g_real;

int VirtualRate() {
  const int hz = g_virtualRate.load();
  return hz > 0 ? hz : kUsualRate;
}

void WaitVirtual() {
  const uint64_t hz = static_cast<uint64_t>(VirtualRate());
  const uint64_t now = timeGetTime();
  // The next refresh strictly after now; its time is rounded up to the
  // clock's millisecond, which still lies before the refresh after it.
  const uint64_t next = now * hz / 1000 + 1;
  const uint64_t due = (next * 1000 + hz - 1) / hz;
  AdvanceVirtualClockTo(static_cast<uint32_t>(due));
}

void WaitReal() {
  int hz = g_realRate.load();
  if (hz <= 0) hz = kUsualRate;
  const auto now = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point due;
  {
    std::lock_guard<std::mutex> g(g_real.lock);
    if (!g_real.started || g_real.rate != hz) {
      g_real.started = true;
      g_real.rate = hz;
      g_real.origin = now;
    }
    const double periodNs = 1e9 / hz;
    const double elapsedNs = static_cast<double>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(now - g_real.origin).count());
    const double next = std::floor(elapsedNs / periodNs) + 1;
    due = g_real.origin + std::chrono::nanoseconds(static_cast<int64_t>(std::llround(next * periodNs)));
  }
  // The window thread answers the sends that arrive meanwhile at the latest
  // one refresh later.
  if (IsMainThread()) ServePendingSends();
  std::this_thread::sleep_until(due);
  if (IsMainThread()) ServePendingSends();
}

}  // namespace

namespace detail {
void SetRealRefreshRate(int hz) { g_realRate = hz > 0 ? hz : 0; }
}  // namespace detail

int DisplayRefreshRate() { return VirtualClockActive() ? VirtualRate() : g_realRate.load(); }

void WaitForVerticalBlank() {
  if (VirtualClockActive())
    WaitVirtual();
  else
    WaitReal();
}

uint64_t VirtualDisplayRefreshes() {
  return uint64_t{timeGetTime()} * static_cast<uint64_t>(VirtualRate()) / 1000;
}

void SetVirtualDisplayRate(int hz) { g_virtualRate = hz > 0 ? hz : kUsualRate; }

}  // namespace plat
