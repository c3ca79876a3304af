#include "stage/game_scene.h"

#include "records/stage_data.h"

cGameScene* g_pGameScene = nullptr;

cGameScene::cGameScene() {
  m_ScrollX.m_nAxis = 0;
  m_ScrollX.m_nView = 640;
  m_ScrollY.m_nAxis = 1;
  m_ScrollY.m_nView = 480;
  m_vecStageVar.assign(kStageVariableCount, 0);
}

cGameScene::~cGameScene() {
  if (g_pGameScene == this) g_pGameScene = nullptr;
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

