// Headless runs that go through the title menu to play a stage file or
// watch a replay, and the state-log lines they leave, for the tests that
// record a play and watch it again.
#pragma once
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "support/headless_runner.h"

namespace t4test {

// The title menu is left alone until its fade-in is over; then the cursor
// goes down to the item and the first button chooses it. Frames from 60 to
// 60 + 4 x (rows + 1).
inline std::string TitleChoiceScript(int rows) {
  std::string s;
  int frame = 60;
  for (int i = 0; i < rows; ++i, frame += 4) s += std::to_string(frame) + " DOWN\n";
  s += std::to_string(frame) + " Z\n";
  return s;
}
// Free stage is the fourth title item, replay the fifth.
inline std::string TitleFreeStageScript() { return TitleChoiceScript(3); }
inline std::string TitleReplayScript() { return TitleChoiceScript(4); }

// One line of the state log: its frame, play counter and state, and the
// rest of the line (the whole state without the frame number).
struct PlayLine {
  long frame = -1, play = -1, state = -1;
  std::string rest;
};

inline long StateLogInt(const std::string& line, const char* name) {
  const std::regex re(std::string("\"") + name + "\":(-?[0-9]+)");
  std::smatch m;
  return std::regex_search(line, m, re) ? std::stol(m[1]) : -1;
}

inline std::vector<PlayLine> ReadPlayLines(const std::string& osPath) {
  std::vector<PlayLine> out;
  for (const std::string& l : ReadLines(osPath)) {
    PlayLine p;
    p.frame = StateLogInt(l, "frame");
    p.play = StateLogInt(l, "play");
    p.state = StateLogInt(l, "state");
    const size_t comma = l.find(',');
    p.rest = comma == std::string::npos ? l : l.substr(comma);
    out.push_back(p);
  }
  return out;
}

// Frame hashes by frame number (1-based; index 0 unused).
inline std::vector<std::string> ReadFrameHashes(const std::string& osPath) {
  std::vector<std::string> out(1);
  for (const std::string& l : ReadLines(osPath)) {
    const size_t space = l.find(' ');
    out.push_back(space == std::string::npos ? l : l.substr(space + 1));
  }
  return out;
}

// The frame numbers of the play frames of the first attempt: from the first
// frame after the one that entered state 2, while the play counter counts up
// from 1 without a break.
inline std::vector<long> FirstAttemptPlayFrames(const std::vector<PlayLine>& lines) {
  std::vector<long> frames;
  long want = 1;
  for (const PlayLine& l : lines) {
    if (l.play == want && l.state == 2) {
      frames.push_back(l.frame);
      ++want;
    } else if (!frames.empty()) {
      break;
    }
  }
  return frames;
}

}  // namespace t4test
