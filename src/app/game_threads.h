// The game-side threads and the flags the start-up sets.
#pragma once
#include <string>

#include "services/thread.h"

extern cThread thGame;
extern cThread thPause;
extern cThread thRanking;
extern cThread thLoad;

extern int g_bTestPlay;
extern std::string g_strCmdLineStage;
