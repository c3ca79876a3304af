#include "support/headless_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/child_exec.h"

namespace t4test {

std::string PlayerPath() { return T4_PLAYER_PATH; }

RunResult RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& cwd,
                     std::chrono::milliseconds limit, const std::vector<std::string>& env) {
  RunResult result;
  int outPipe[2], errPipe[2];
  if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0) return result;
  ChildExec child(program, args, cwd, env);
  // The limit is the program's own processor time, so a run on a loaded
  // machine is not cut short; the clock only ends a run that waits for
  // something that never comes (a hang uses no processor time).
  child.SetCpuSeconds(std::max<long>(1, static_cast<long>((limit.count() + 999) / 1000)));
  pid_t pid = fork();
  if (pid == 0) {
    dup2(outPipe[1], 1);
    dup2(errPipe[1], 2);
    child.Exec();
    _exit(127);
  }
  close(outPipe[1]);
  close(errPipe[1]);
  auto deadline = std::chrono::steady_clock::now() + limit * kHangFactor;
  pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
  int open = 2;
  while (open > 0) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      kill(pid, SIGKILL);
      result.timedOut = true;
      break;
    }
    if (poll(fds, 2, static_cast<int>(left.count())) <= 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
      char buf[4096];
      ssize_t n = read(fds[i].fd, buf, sizeof buf);
      if (n > 0) {
        (i == 0 ? result.out : result.err).append(buf, static_cast<size_t>(n));
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
  for (auto& f : fds)
    if (f.fd >= 0) close(f.fd);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!result.timedOut) result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  if (WIFSIGNALED(status) && (WTERMSIG(status) == SIGXCPU || WTERMSIG(status) == SIGKILL)) {
    result.timedOut = true;
    result.exitCode = -1;
  }
  return result;
}

RunResult RunPlayer(const std::vector<std::string>& args, const std::string& cwd, std::chrono::milliseconds limit,
                    const std::vector<std::string>& env) {
  // Players of tests that run side by side must not meet as a second
  // instance: each run gets its own lock unless the test names one.
  for (const std::string& e : env)
    if (e.rfind("T4_INSTANCE_LOCK=", 0) == 0) return RunProgram(PlayerPath(), args, cwd, limit, env);
  static std::atomic<unsigned> counter{0};
  std::string lock = (std::filesystem::temp_directory_path() /
                      ("t4-instance-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + ".lock"))
                         .string();
  std::vector<std::string> withLock = env;
  withLock.push_back("T4_INSTANCE_LOCK=" + lock);
  RunResult r = RunProgram(PlayerPath(), args, cwd, limit, withLock);
  std::error_code ec;
  std::filesystem::remove(lock, ec);
  return r;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
  return static_cast<bool>(out);
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

}  // namespace t4test
