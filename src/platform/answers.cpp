#include "platform/answers.h"

#include <cctype>
#include <deque>
#include <fstream>
#include <mutex>

namespace plat {
namespace {
std::mutex g_lock;
std::deque<std::string> g_answers;
}  // namespace

bool LoadAnswers(const std::string& osPath, std::string* error) {
  std::ifstream in(osPath);
  if (!in) {
    if (error) *error = "cannot open answers file " + osPath;
    return false;
  }
  std::deque<std::string> answers;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    answers.push_back(line);
  }
  std::lock_guard<std::mutex> g(g_lock);
  g_answers = std::move(answers);
  return true;
}

bool NextAnswer(std::string* out) {
  std::lock_guard<std::mutex> g(g_lock);
  if (g_answers.empty()) return false;
  *out = g_answers.front();
  g_answers.pop_front();
  return true;
}

bool AnswerMatches(const std::string& answer, const char* label) {
  size_t i = 0;
  for (; label[i] && i < answer.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(answer[i])) != std::tolower(static_cast<unsigned char>(label[i])))
      return false;
  return label[i] == '\0' && i == answer.size();
}
}  // namespace plat
