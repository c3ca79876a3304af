#include "platform/signals.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <thread>

#include "platform/messages.h"

namespace plat {

namespace {

// Written by the handler; nothing else in it may be touched from a signal.
int g_wakeWrite = -1;
int g_wakeRead = -1;
// Never destroyed: an exit() that skips the uninstall must not meet a
// joinable std::thread's destructor.
std::thread* g_watcher = nullptr;
std::atomic<bool> g_waitingForWindow{false};

constexpr char kTerm = 'T';
constexpr char kStop = 'Q';

void OnTerm(int) {
  int saved = errno;
  char c = kTerm;
  // A full pipe already holds a wake-up; losing this byte changes nothing.
  if (g_wakeWrite >= 0) (void)!write(g_wakeWrite, &c, 1);
  errno = saved;
}

void Watch() {
  bool pending = false;
  for (;;) {
    pollfd p{g_wakeRead, POLLIN, 0};
    // While a close waits for the window, look again every 10 ms.
    int n = poll(&p, 1, pending ? 10 : -1);
    if (n > 0) {
      char buf[64];
      ssize_t got = read(g_wakeRead, buf, sizeof buf);
      for (ssize_t i = 0; i < got; ++i) {
        if (buf[i] == kStop) return;
        if (buf[i] == kTerm) pending = true;
      }
    }
    if (pending) {
      HWND hwnd = MainWindowHandle();
      if (hwnd && PostMessage(hwnd, WM_CLOSE, 0, 0)) pending = false;
      g_waitingForWindow = pending;
    }
  }
}

}  // namespace

bool InstallCloseOnTerm() {
  if (g_watcher) return true;
  int fds[2];
  if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  g_wakeRead = fds[0];
  g_wakeWrite = fds[1];
  g_watcher = new std::thread(Watch);
  struct sigaction sa {};
  sa.sa_handler = OnTerm;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &sa, nullptr);
  return true;
}

bool CloseRequestedBeforeWindow() { return g_waitingForWindow.load(); }

void UninstallCloseOnTerm() {
  if (!g_watcher) return;
  // Ignored rather than default, so a late signal cannot cut the orderly
  // end short while the process finishes its shutdown.
  struct sigaction sa {};
  sa.sa_handler = SIG_IGN;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGTERM, &sa, nullptr);
  char c = kStop;
  while (write(g_wakeWrite, &c, 1) < 0 && errno == EINTR) {
  }
  g_watcher->join();
  delete g_watcher;
  g_watcher = nullptr;
  close(g_wakeRead);
  close(g_wakeWrite);
  g_wakeRead = g_wakeWrite = -1;
}

bool RequestProcessClose(int pid) {
  // 0, -1 and our own id would signal a whole group or ourselves.
  if (pid <= 1 || pid == getpid()) return false;
  return kill(pid, SIGTERM) == 0;
}

}  // namespace plat
