// The play state, one JSON line per presented frame while the play scene is
// current: for tests, and for finding where two runs part.
#pragma once
#include <cstdint>
#include <string>

// Opens (truncates) the log; false when it cannot be written.
bool OpenStateLog(const std::string& osPath);
void CloseStateLog();
// Writes the line of presented frame `frame` when a log is open and the
// play scene is the scene being run.
void WriteStateLog(uint64_t frame);
// The line itself, without its newline.
std::string FormatStateLine(uint64_t frame);
