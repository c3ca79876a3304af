// Runs the real player (or another built tool) as a child process, the way
// a user would, and collects what it leaves behind.
#pragma once
#include <chrono>
#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace t4test {

struct RunResult {
  int exitCode = -1;       // -1 when killed for running too long
  bool timedOut = false;
  std::string out, err;
};

// How many times its limit a run may last on the clock before it counts as
// hung: the limit itself is processor time, which a loaded machine does not
// stretch.
inline constexpr int kHangFactor = 10;

// Runs program with args in folder cwd; ends it once it has used `limit` of
// processor time, or after kHangFactor x limit on the clock (timedOut then
// set). env holds extra NAME=VALUE settings for the child.
RunResult RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& cwd,
                     std::chrono::milliseconds limit = std::chrono::seconds(60),
                     const std::vector<std::string>& env = {});
// The player built with these tests.
RunResult RunPlayer(const std::vector<std::string>& args, const std::string& cwd,
                    std::chrono::milliseconds limit = std::chrono::seconds(60),
                    const std::vector<std::string>& env = {});
std::string PlayerPath();

std::string ReadFile(const std::string& path);
bool WriteFile(const std::string& path, const std::string& bytes);
std::vector<std::string> ReadLines(const std::string& path);

}  // namespace t4test
