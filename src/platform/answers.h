// Scripted answers for boxes and dialogs in headless runs: one answer per
// line, used in order ("yes", "no", "ok", "cancel", or text for an entry).
#pragma once
#include <string>

namespace plat {
bool LoadAnswers(const std::string& osPath, std::string* error);
// The next scripted answer; false when the script is used up or absent.
bool NextAnswer(std::string* out);
// Case-insensitive comparison of an answer with a button's label.
bool AnswerMatches(const std::string& answer, const char* label);
}  // namespace plat
