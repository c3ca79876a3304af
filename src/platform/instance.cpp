#include "platform/instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

namespace plat {

std::string InstanceLockPath(const std::string& name) {
  if (const char* over = std::getenv("T4_INSTANCE_LOCK"); over && *over) return over;
  if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run && *run) return std::string(run) + "/" + name + ".lock";
  // /tmp is shared by every user: the user id keeps the locks apart.
  return "/tmp/" + name + "-" + std::to_string(getuid()) + ".lock";
}

InstanceLock::~InstanceLock() { Release(); }

bool InstanceLock::TryLock() {
  if (flock(fd_, LOCK_EX | LOCK_NB) != 0) return false;
  held_ = true;
  std::string pid = std::to_string(getpid()) + "\n";
  if (ftruncate(fd_, 0) == 0) (void)!pwrite(fd_, pid.data(), pid.size(), 0);
  return true;
}

InstanceLock::Result InstanceLock::Acquire(const std::string& path) {
  Release();
  // No following links: in a shared folder a planted link must not make us
  // truncate someone else's file.
  fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd_ < 0) return Result::kUnavailable;
  return TryLock() ? Result::kAcquired : Result::kHeld;
}

int InstanceLock::HolderPid() const {
  if (fd_ < 0) return 0;
  char buf[32] = {};
  ssize_t n = pread(fd_, buf, sizeof buf - 1, 0);
  if (n <= 0) return 0;
  char* end = nullptr;
  long v = std::strtol(buf, &end, 10);
  if (end == buf || (*end != '\n' && *end != '\0') || v <= 0 || v > 0x7FFFFFFF) return 0;
  return static_cast<int>(v);
}

bool InstanceLock::WaitAcquire(int timeoutMs) {
  if (held_) return true;
  if (fd_ < 0) return false;
  // Real time even in headless runs: the other process ends in real time.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (TryLock()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

void InstanceLock::Release() {
  if (fd_ < 0) return;
  if (held_) flock(fd_, LOCK_UN);
  close(fd_);
  fd_ = -1;
  held_ = false;
}

}  // namespace plat
