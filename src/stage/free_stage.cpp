#include "stage/free_stage.h"

#include <string>

#include "services/game_threads.h"
#include "records/progress_data.h"
#include "records/stage_data.h"
#include "records/system_data.h"
#include "services/log.h"
#include "services/strings.h"
#include "stage/stage_load.h"

namespace {
constexpr int kFreePlayMode = 2;  // the game mode of System.dat's lives lists
}

int StartFreeStage(const char* path, int numbered) {
  std::string stage = path ? path : "";
  // The path has a 260-character buffer of its own: a longer one is refused
  // instead of being cut.
  if (stage.size() >= kMaxPath) {
    ReportError("「%s」の読み込みに失敗しました！", stage.c_str());
    return 0;
  }
  g_Progress.Reset();
  if (!LoadPlayStage(stage, numbered, &g_StageStart)) return 0;
  g_Progress.m_nStageNo = 1;
  g_Progress.m_nStageCount = 1;
  if (g_bCmdLineStage || g_SystemData.m_vecInfiniteLives.At(kFreePlayMode)) {
    g_Progress.m_nStartLives = g_Progress.m_nLives = kUnlimitedLives;
  } else {
    g_Progress.m_nStartLives = g_SystemData.m_vecStartLives.At(kFreePlayMode);
    g_Progress.m_nLives = g_Progress.m_nStartLives - 1;
  }
  AbsToRelPath(stage);
  g_Progress.SetStageFile(stage, 0, 0, 0);
  return 1;
}
