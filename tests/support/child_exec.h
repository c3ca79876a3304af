// What a forked child of a test needs to start another program, prepared
// before the fork: the test process may have threads, and a child of a
// threaded process may only make async-signal-safe calls until it execs
// (no allocation, no putenv).
#pragma once
#include <string>
#include <vector>

namespace t4test {

class ChildExec {
 public:
  // env holds extra NAME=VALUE settings added to (or replacing in) this
  // process's environment; a bare NAME removes that variable.
  ChildExec(std::string program, const std::vector<std::string>& args, std::string cwd,
            const std::vector<std::string>& env);
  // A budget of processor seconds for the program: past it the kernel ends
  // it with SIGXCPU. 0 sets none.
  void SetCpuSeconds(long seconds) { cpuSeconds_ = seconds; }
  // In the child: default signal dispositions the test process changed
  // (SIGPIPE), the processor budget, the working folder, then the program.
  // Returns only on failure.
  void Exec() const;

 private:
  std::string program_, cwd_;
  long cpuSeconds_ = 0;
  std::vector<std::string> argStore_, envStore_;
  std::vector<char*> argv_, envp_;
};

}  // namespace t4test
