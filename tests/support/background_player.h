// The player started as a child process without waiting for it, for tests
// that need two instances at once. A child still running at destruction is
// killed.
#pragma once
#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace t4test {

class BackgroundPlayer {
 public:
  // stdout goes nowhere; stderr to errFile when given.
  BackgroundPlayer(const std::vector<std::string>& args, const std::string& cwd,
                   const std::vector<std::string>& env = {}, const std::string& errFile = "");
  BackgroundPlayer(const BackgroundPlayer&) = delete;
  BackgroundPlayer& operator=(const BackgroundPlayer&) = delete;
  ~BackgroundPlayer();

  pid_t Pid() const { return pid_; }
  bool Running();
  // The exit code (128 + signal when killed), or -1 when still running after
  // the limit.
  int Wait(std::chrono::milliseconds limit);

 private:
  pid_t pid_ = -1;
  int exitCode_ = -1;
};

// Polls until pred() holds or the limit passes; returns pred()'s last value.
template <class Pred>
bool WaitUntil(Pred pred, std::chrono::milliseconds limit) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (!pred()) {
    if (std::chrono::steady_clock::now() >= deadline) return pred();
    struct timespec ts {0, 2'000'000};
    nanosleep(&ts, nullptr);
  }
  return true;
}

}  // namespace t4test
