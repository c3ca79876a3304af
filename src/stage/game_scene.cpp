#include "stage/game_scene.h"

#include "objects/chara.h"
#include "objects/chara_base.h"
#include "objects/effect.h"
#include "objects/message.h"
#include "objects/shot.h"
#include "records/block_data.h"
#include "records/stage_data.h"
#include "stage/block_cell.h"

cGameScene* g_pGameScene = nullptr;

cGameScene::cGameScene() {
  m_ScrollX.m_nAxis = 0;
  m_ScrollX.m_nView = 640;
  m_ScrollY.m_nAxis = 1;
  m_ScrollY.m_nView = 480;
  m_vecStageVar.assign(kStageVariableCount, 0);
}

cGameScene::~cGameScene() {
  if (m_bSurfacesLoaded) ReleaseEnteredSurfaces();
  if (g_pGameScene == this) {
    g_pGameScene = nullptr;
    SetBlockAppearanceTest(nullptr);
  }
}

void cGameScene::SetUpAxes(int width, int height) {
  cScrollAxis& x = m_ScrollX;
  x.m_nCells = width + 20;
  x.m_nOuter = width * 32 + 640;
  int shift = 0;
  while ((1 << shift) <= width + 19) ++shift;
  x.m_nRowShift = shift;
  x.m_nRowWidth = 1 << shift;
  x.m_nBaseMin = x.m_nMin = 320;
  x.m_nBaseMax = x.m_nMax = (width + 10) * 32 > 0 ? (width + 10) * 32 : 0;
  x.m_dPos = 320.0;

  cScrollAxis& y = m_ScrollY;
  y.m_nCells = height + 20;
  y.m_nRowWidth = y.m_nCells;
  y.m_nRowShift = 0;
  y.m_nOuter = height * 32 + 640;
  y.m_nBaseMin = y.m_nMin = 320;
  y.m_nBaseMax = y.m_nMax = (height + 10) * 32 > 0 ? (height + 10) * 32 : 0;
  y.m_dPos = 320.0;
}

int StageSubSteps() { return g_Stage.m_nSubSteps > 0 ? g_Stage.m_nSubSteps : 1; }
double StageStepGravity() { return g_Stage.m_dStepGravity; }
double StageStepSpeedLimit() { return g_Stage.m_dStepSpeedLimit; }
double StageGravitySetting() { return g_Stage.m_dGravity; }

// Object lists by team

std::list<cCharaBase*>* cGameScene::TeamCharas(int team) {
  if (team < 0 || static_cast<size_t>(team) >= m_vecTeamChara.size()) return nullptr;
  return &m_vecTeamChara[static_cast<size_t>(team)];
}

std::list<cShot*>* cGameScene::TeamShots(int team) {
  if (team < 0 || static_cast<size_t>(team) >= m_vecTeamShot.size()) return nullptr;
  return &m_vecTeamShot[static_cast<size_t>(team)];
}

void cGameScene::RemoveShot(cShot* shot) {
  if (!shot) return;
  if (m_ShotWalk.nDepth > 0) {
    shot->m_bRemoved = 1;
    return;
  }
  // Every team list, not only the shot's own: its team may have changed
  // since it joined.
  for (std::list<cShot*>& team : m_vecTeamShot) team.remove(shot);
  m_lstShot.remove_if([shot](const cShot& s) { return &s == shot; });
}

void cGameScene::SweepRemovedShots() {
  if (m_ShotWalk.nDepth > 0) return;
  for (std::list<cShot*>& team : m_vecTeamShot) team.remove_if([](const cShot* s) { return s->m_bRemoved != 0; });
  SweepRemoved(m_lstShot, m_ShotWalk, [](const cShot& s) { return s.m_bRemoved != 0; });
}

int cGameScene::IsBlockedAt(const cCharaBase* chara) {
  if (!chara) return 0;
  // An object that flies through blocks is never in the way of one.
  if (chara->IsSyncedToScroll() && chara->m_byBlockMode == 0) return 0;
  const int shift = m_ScrollX.m_nRowShift;
  const long long rowWidth = 1LL << shift;
  const long long cells = static_cast<long long>(g_vecBlockMap.size());
  const int corners[4][2] = {{chara->m_nCellL, chara->m_nCellT},
                             {chara->m_nCellR, chara->m_nCellT},
                             {chara->m_nCellL, chara->m_nCellB},
                             {chara->m_nCellR, chara->m_nCellB}};
  for (const auto& c : corners) {
    const long long index = c[0] + (static_cast<long long>(c[1]) << shift);
    if (c[0] < 0 || c[0] >= rowWidth || c[1] < 0 || index >= cells) return 1;
    if (g_vecBlockMap[static_cast<size_t>(index)].GetHitKind(chara->m_nBlockSide) != 0) return 1;
  }
  return HitsBlockChara(chara, g_lstChara);
}

