// The single-instance lock: a lock file held (flock) from start to exit,
// holding the process id of the instance that runs.
#pragma once
#include <string>

namespace plat {

// Where the lock named `name` (UTF-8) lives: the environment variable
// T4_INSTANCE_LOCK when set, else "<name>.lock" in $XDG_RUNTIME_DIR, else
// "<name>-<uid>.lock" in /tmp.
std::string InstanceLockPath(const std::string& name);

class InstanceLock {
 public:
  enum class Result { kAcquired, kHeld, kUnavailable };

  InstanceLock() = default;
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;
  ~InstanceLock();

  // Opens (creating) the lock file and tries to take it without waiting.
  // kAcquired writes our process id into it; kHeld keeps the file open so
  // the holder's id can be read; kUnavailable when the file cannot be opened.
  Result Acquire(const std::string& path);
  // The process id the holder wrote; 0 when none can be read.
  int HolderPid() const;
  // Tries again until the holder lets go or timeoutMs of real time pass.
  bool WaitAcquire(int timeoutMs);
  bool Held() const { return held_; }
  // Lets go; the file stays so that no waiter is left on an unlinked one.
  void Release();

 private:
  bool TryLock();

  int fd_ = -1;
  bool held_ = false;
};

}  // namespace plat
