#include "support/background_player.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>

#include "support/child_exec.h"
#include "support/headless_runner.h"

namespace t4test {

BackgroundPlayer::BackgroundPlayer(const std::vector<std::string>& args, const std::string& cwd,
                                   const std::vector<std::string>& env, const std::string& errFile) {
  const ChildExec child(PlayerPath(), args, cwd, env);
  const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
  const int err = errFile.empty() ? -1 : open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  pid_ = fork();
  if (pid_ == 0) {
    dup2(null, 0);
    dup2(null, 1);
    dup2(err < 0 ? null : err, 2);
    child.Exec();
    _exit(127);
  }
  if (null >= 0) close(null);
  if (err >= 0) close(err);
}

BackgroundPlayer::~BackgroundPlayer() {
  if (Running()) {
    kill(pid_, SIGKILL);
    Wait(std::chrono::seconds(10));
  }
}

bool BackgroundPlayer::Running() {
  if (pid_ <= 0 || exitCode_ >= 0) return false;
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) != pid_) return true;
  exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return false;
}

int BackgroundPlayer::Wait(std::chrono::milliseconds limit) {
  WaitUntil([&] { return !Running(); }, limit);
  return exitCode_;
}

}  // namespace t4test
