// The player's command line.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct CommandLine {
  std::string project;       // folder to run in; empty = the current folder
  bool headless = false;
  uint64_t frames = 0;       // close after this many presented frames; 0 = run on
  std::string inputScript;
  std::string answers;
  std::vector<std::pair<uint64_t, std::string>> screenshots;
  std::string frameHashes;
  std::string stateLog;     // JSON Lines of the play state, one per presented frame
  std::string audioOut;     // WAV file of everything the mixer plays
  std::string soundFont;     // SoundFont for MIDI music; empty = the system's default
  bool testPlay = false;
  std::string editorSocket;  // Unix datagram socket for the test play's notices
  bool help = false;
  std::string stageFile;     // a plain argument: a stage file to play
};

// False with a message in *error when the command line is not understood.
bool ParseCommandLine(int argc, char** argv, CommandLine* out, std::string* error);
const char* UsageText();
