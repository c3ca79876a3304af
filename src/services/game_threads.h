// The game-side threads and the process-wide flags the start-up sets.
#pragma once
#include <atomic>
#include <string>

#include "platform/messages.h"
#include "services/thread.h"

extern cThread thGame;     // runs the game loop
extern cThread thPause;    // modal sequences of stage play, while thGame waits
extern cThread thRanking;  // the ranking display after a registration
extern cThread thLoad;     // reads a stage file while its caller pumps

// 1 when started by the editor as its test play.
extern int g_bTestPlay;
// The stage path given on the command line (CP932), "" when none.
extern std::string g_strCmdLineStage;
// 1 once start-up succeeded; never cleared.
extern std::atomic<int> g_bRunning;
// The application-active flag: written by the window thread, read by the
// pump and the game loop.
extern std::atomic<int> g_bActive;
// The main window's handle; null before start-up and after WM_DESTROY.
extern std::atomic<HWND> g_hWnd;
// 1 when the start option WindowMode is non-zero.
extern int g_bWindowMode;
// 1 when start-up began free play of a stage path (command line or the
// FreeStage option).
extern int g_bCmdLineStage;
// 1 when the running stage was started from the challenge list.
extern int g_bChallengePlay;

// Suspend / resume thGame, thPause, thRanking and thLoad, in that order (a
// thread that is not running counts as done). The window thread calls them
// around a modal dialog that touches game data.
void SuspendGameThreads();
void ResumeGameThreads();
