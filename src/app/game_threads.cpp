#include "services/game_threads.h"

int g_bTestPlay = 0;
std::string g_strCmdLineStage;
std::atomic<int> g_bRunning{0};
std::atomic<int> g_bActive{0};
std::atomic<HWND> g_hWnd{nullptr};
int g_bWindowMode = 0;
int g_bCmdLineStage = 0;
int g_bChallengePlay = 0;

void SuspendGameThreads() {
  for (cThread* t : {&thGame, &thPause, &thRanking, &thLoad})
    if (t->IsRunning()) t->Suspend();
}

void ResumeGameThreads() {
  for (cThread* t : {&thGame, &thPause, &thRanking, &thLoad})
    if (t->IsRunning()) t->Resume();
}
