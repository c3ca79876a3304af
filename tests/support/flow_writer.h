// Flows for the charas of test stages: a flow with its trigger and key
// triggers, and the commands the end-to-end tests need.
#pragma once
#include <initializer_list>
#include <utility>

#include "flow/ed_move.h"
#include "flow/flow_records.h"
#include "records/chara_data.h"

namespace t4test {

// Key slots of a key trigger: direction states 0..9, then no button and
// buttons 1..8.
constexpr int kKeyLeft = 1, kKeyRight = 2, kKeyButton1 = 11;

inline cKeyTrigger KeyHeld(std::initializer_list<int> slots) {
  cKeyTrigger k;
  k.m_vecKey.assign(cKeyTrigger::kKeyStateCount, 0);
  for (int s : slots) k.m_vecKey[static_cast<size_t>(s)] = 1;
  k.m_sHoldMin = 1;
  k.m_sHoldMax = 5;
  k.m_bAnyHold = 1;
  return k;
}

// A flow of `trigger` (0: whenever its conditions hold) appended to the
// chara; with keys it starts on every frame they are held.
inline cFlow& AddFlow(cCharaData& chara, int trigger, std::initializer_list<cKeyTrigger> keys = {}) {
  cFlow& f = chara.m_vecFlow.emplace_back();
  f.m_byTrigger = static_cast<BYTE>(trigger);
  for (const cKeyTrigger& k : keys) f.m_vecKeyTrigger.push_back(k);
  f.m_bKeyRepeat = keys.size() ? 1 : 0;
  return f;
}

// A straight move by direction (kMoveDir...) at `speedTenths` tenths of a
// pixel per frame, lasting `timeTenths` tenths of a second.
inline cFlowCmd& AddStraightMove(cFlow& flow, int direction, int speedTenths, int timeTenths) {
  cFlowCmd& c = flow.m_vecCmd.emplace_back();
  c.m_byKind = 2;
  c.m_sTime = static_cast<int16_t>(timeTenths);
  CreateEdMove(c.m_pEdMove);
  c.m_pEdMove->m_byDirection = static_cast<BYTE>(direction);
  c.m_pEdMove->m_sSpeed = static_cast<int16_t>(speedTenths);
  return c;
}

// The stage-clear command: `mode` 0 next stage of the series, 3 the end.
inline cFlowCmd& AddStageClear(cFlow& flow, int mode) {
  cFlowCmd& c = flow.m_vecCmd.emplace_back();
  c.m_byKind = 17;
  c.m_vecParam.assign(5, 0);
  c.m_vecParam[0] = mode;
  return c;
}

// The game wait: play stops for `tenths` tenths of a second while the
// frames go on.
inline cFlowCmd& AddGameWait(cFlow& flow, int tenths) {
  cFlowCmd& c = flow.m_vecCmd.emplace_back();
  c.m_byKind = 18;
  c.m_vecParam.assign(1, tenths);
  return c;
}

}  // namespace t4test
