#include "flow/cond_list.h"
#include "flow/flow_records.h"
#include "flow/flow_state.h"
#include "flow/status_ops.h"
#include "flow/status_values.h"
#include "objects/chara_base.h"
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

bool cGameScene::CheckCond(const cCond& c, cCharaBase* chara) {
  switch (c.m_byKind) {
    case 1: return CompareValue(VariableRef(0, c.m_sVarIndex), c.m_nConst, c.m_byRelation);
    case 2: return CompareValue(VariableRef(1, c.m_sVarIndex), c.m_nConst, c.m_byRelation);
    case 3: return chara && CompareValue(ReadStatus(*chara, kStatusVar, c.m_sVarIndex), c.m_nConst, c.m_byRelation);
    case 4: return TestStatusCond(c, chara);
    case 5: return chara && chara->TestVariableCondition(c);
    case 6: return chara && chara->TestLinkCondition(c);
    case 7: return chara && chara->TestPositionCondition(c);
    default: return false;
  }
}
