#include "support/virtual_display.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace t4test {

namespace {

// True when the server of display number `num` accepts a connection.
bool Answers(const std::string& num) {
  std::string path = "/tmp/.X11-unix/X" + num;
  sockaddr_un addr{};
  if (path.size() >= sizeof addr.sun_path) return false;
  addr.sun_family = AF_UNIX;
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  int s = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (s < 0) return false;
  bool ok = connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  close(s);
  return ok;
}

}  // namespace

bool VirtualDisplay::Start(const std::string& screen) {
  for (int attempt = 0; attempt < 5; ++attempt) {
    if (StartOnce(screen)) return true;
    Stop();
    std::this_thread::sleep_for(std::chrono::milliseconds(100 * (attempt + 1)));
  }
  return false;
}

bool VirtualDisplay::StartWithScreenFile(const std::string& screen, const std::string& framebufferDir) {
  fbDir_ = framebufferDir;
  bool started = Start(screen);
  fbDir_.clear();
  return started;
}

bool VirtualDisplay::StartOnce(const std::string& screen) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return false;
  // Everything the child needs is made before the fork: it may only make
  // async-signal-safe calls until it execs.
  const std::string fdText = std::to_string(fds[1]);
  pid_ = fork();
  if (pid_ < 0) {
    close(fds[0]);
    close(fds[1]);
    return false;
  }
  if (pid_ == 0) {
    close(fds[0]);
    // The write end alone goes on to the server.
    if (fcntl(fds[1], F_SETFD, 0) != 0) _exit(127);
    signal(SIGPIPE, SIG_DFL);
    if (fbDir_.empty())
      execl("/usr/bin/Xvfb", "Xvfb", "-displayfd", fdText.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
            static_cast<char*>(nullptr));
    else
      execl("/usr/bin/Xvfb", "Xvfb", "-displayfd", fdText.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
            "-fbdir", fbDir_.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  // The server writes its number and then, in a second write, the end of
  // the line; the pipe stays open until the whole line is in, since a server
  // whose second write finds the pipe closed gives up and exits.
  std::string num;
  char c = 0;
  for (;;) {
    const ssize_t n = read(fds[0], &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0 || c == '\n' || num.size() > 15) break;
    num += c;
  }
  close(fds[0]);
  if (c != '\n') return false;
  if (!num.empty() && num.back() == '\r') num.pop_back();
  if (num.empty() || num.find_first_not_of("0123456789") != std::string::npos) return false;
  // The number is ours once the server still runs and answers on its socket.
  for (int i = 0; i < 100; ++i) {
    if (waitpid(pid_, nullptr, WNOHANG) != 0) {
      pid_ = -1;
      return false;
    }
    if (Answers(num)) {
      // A server that lost the number to another dies right after.
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      if (waitpid(pid_, nullptr, WNOHANG) != 0) {
        pid_ = -1;
        return false;
      }
      name_ = ":" + num;
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

void VirtualDisplay::Stop() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  pid_ = -1;
  name_.clear();
}

}  // namespace t4test
