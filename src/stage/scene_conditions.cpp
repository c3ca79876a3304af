#include "flow/cond_list.h"
#include "flow/flow_records.h"
#include "flow/flow_state.h"
#include "stage/game_scene.h"

bool cGameScene::CheckFlowCondList(cFlowState& state, cCharaBase* chara) {
  const cFlow* flow = state.m_pFlow;
  if (!flow || flow->m_vecCond.empty()) return true;
  if (flow->m_bCondLatch && state.m_bCondHeld) return true;
  if (!CheckCondList(flow->m_vecCond, flow->m_byCondMode, chara)) return false;
  state.m_bCondHeld = 1;
  return true;
}

bool cGameScene::CheckCondList(const std::vector<cCond>& conds, int mode, cCharaBase* chara) {
  if (mode == 0) {
    for (const cCond& c : conds)
      if (!CheckCond(c, chara)) return false;
    return true;
  }
  if (mode == 1) {
    for (const cCond& c : conds)
      if (CheckCond(c, chara)) return true;
    return false;
  }
  return false;
}
