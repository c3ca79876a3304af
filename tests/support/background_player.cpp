#include "support/background_player.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>

#include "support/headless_runner.h"

namespace t4test {

BackgroundPlayer::BackgroundPlayer(const std::vector<std::string>& args, const std::string& cwd,
                                   const std::vector<std::string>& env, const std::string& errFile) {
  std::string program = PlayerPath();
  pid_ = fork();
  if (pid_ == 0) {
    int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    int err = errFile.empty() ? null : open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(err < 0 ? null : err, 2);
    if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(127);
    for (const std::string& e : env) putenv(const_cast<char*>(e.c_str()));
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
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
