#include "support/child_exec.h"

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstring>
#include <utility>

extern char** environ;

namespace t4test {

namespace {

// Test processes never die of a write to a pipe or socket whose reader has
// gone: such a write fails with EPIPE instead. Children get the default back.
const bool kPipeSignalIgnored = [] {
  ::signal(SIGPIPE, SIG_IGN);
  return true;
}();

bool SameName(const char* a, const std::string& b) {
  const size_t eq = b.find('=');
  const size_t len = eq == std::string::npos ? b.size() : eq;
  return std::strncmp(a, b.c_str(), len) == 0 && a[len] == '=';
}

}  // namespace

ChildExec::ChildExec(std::string program, const std::vector<std::string>& args, std::string cwd,
                     const std::vector<std::string>& env)
    : program_(std::move(program)), cwd_(std::move(cwd)) {
  (void)kPipeSignalIgnored;
  argStore_.push_back(program_);
  argStore_.insert(argStore_.end(), args.begin(), args.end());
  for (char** e = environ; e && *e; ++e) {
    bool replaced = false;
    for (const std::string& extra : env) replaced = replaced || SameName(*e, extra);
    if (!replaced) envStore_.emplace_back(*e);
  }
  for (const std::string& extra : env)
    if (extra.find('=') != std::string::npos) envStore_.push_back(extra);  // a bare NAME only removes
  for (std::string& a : argStore_) argv_.push_back(a.data());
  argv_.push_back(nullptr);
  for (std::string& e : envStore_) envp_.push_back(e.data());
  envp_.push_back(nullptr);
}

void ChildExec::Exec() const {
  ::signal(SIGPIPE, SIG_DFL);
  if (cpuSeconds_ > 0) {
    const rlimit cpu{static_cast<rlim_t>(cpuSeconds_), static_cast<rlim_t>(cpuSeconds_ + 5)};
    ::setrlimit(RLIMIT_CPU, &cpu);
  }
  if (!cwd_.empty() && ::chdir(cwd_.c_str()) != 0) return;
  ::execve(program_.c_str(), argv_.data(), envp_.data());
}

}  // namespace t4test
