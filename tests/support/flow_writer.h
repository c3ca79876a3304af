// Flows for the charas of test stages: a flow with its trigger and key
// triggers, and the commands the end-to-end tests need.
#pragma once
#include <initializer_list>
#include <string>
#include <utility>

#include "flow/cond_list.h"
#include "flow/ed_move.h"
#include "flow/flow_records.h"
#include "objects/ed_shot.h"
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

// Button 2 of a key trigger (button n is slot 10 + n).
constexpr int kKeyButton2 = 12;

// A command of `kind` lasting `timeTenths` tenths of a second.
inline cFlowCmd& AddCommand(cFlow& flow, int kind, int timeTenths = 0) {
  cFlowCmd& c = flow.m_vecCmd.emplace_back();
  c.m_byKind = static_cast<BYTE>(kind);
  c.m_sTime = static_cast<int16_t>(timeTenths);
  return c;
}

// The wait command: the flow stands for `tenths` tenths of a second.
inline cFlowCmd& AddWaitTenths(cFlow& flow, int tenths) { return AddCommand(flow, 1, tenths); }

// A walk along the ground that turns back at walls and edges, at
// `speedTenths` tenths of a pixel per frame.
inline cFlowCmd& AddGroundTurnMove(cFlow& flow, int speedTenths, int timeTenths) {
  cFlowCmd& c = AddCommand(flow, 3, timeTenths);
  CreateEdMove(c.m_pEdMove);
  c.m_pEdMove->m_sSpeed = static_cast<int16_t>(speedTenths);
  return c;
}

// A jump while the flow's key stays held (key mode 1), up to `halfBlocks`
// half blocks high; the hold that reaches full height lasts the command's
// `timeTenths`.
inline cFlowCmd& AddJump(cFlow& flow, int halfBlocks, int timeTenths) {
  cFlowCmd& c = AddCommand(flow, 10, timeTenths);
  c.m_vecParam = {1, 0, halfBlocks, 0, 1};
  return c;
}

// One shot straight ahead of the shooter (left, or right while it faces
// right), `speedTenths` tenths of a pixel per frame, gone after
// `rangeHalfBlocks`, dealing `attack`, passing through blocks.
inline cFlowCmd& AddShotAhead(cFlow& flow, int graphic, int speedTenths, int rangeHalfBlocks, int attack) {
  cFlowCmd& c = AddCommand(flow, 11, 0);
  CreateEdShot(c.m_pEdShot);
  cEdShot& s = *c.m_pEdShot;
  s.m_byShots = 1;
  // The facing gives the direction; any angle would be added to it.
  s.m_nAngle = 0;
  s.m_bMirrorAngle = 1;
  s.m_nGraphic = static_cast<int16_t>(graphic);
  s.m_nSpeed = static_cast<int16_t>(speedTenths);
  s.m_bRange = 1;
  s.m_nRange = static_cast<int16_t>(rangeHalfBlocks);
  s.m_nAttack = attack;
  s.m_byBlockPass = 1;
  return c;
}

// A message that does not hold the game, shown for `tenths` tenths of a
// second at `position` (0 the screen's centre, 1 over the chara, 4 over the
// hero).
inline cFlowCmd& AddTimedMessage(cFlow& flow, const std::string& text, int position, int tenths) {
  cFlowCmd& c = AddCommand(flow, 19, 0);
  c.m_strText = text;
  c.m_vecParam.assign(18, 0);
  c.m_vecParam[0] = position;
  c.m_vecParam[6] = 2;
  c.m_vecParam[7] = tenths;
  return c;
}

// Starts ScrEffect database entry `id` on the screen.
inline cFlowCmd& AddScreenEffect(cFlow& flow, int id) {
  cFlowCmd& c = AddCommand(flow, 31, 0);
  c.m_vecParam.assign(3, 0);
  c.m_vecParam[0] = id;
  return c;
}

// Plays Sound database entry `id`.
inline cFlowCmd& AddPlaySound(cFlow& flow, int id) {
  cFlowCmd& c = AddCommand(flow, 35, 0);
  c.m_vecParam.assign(1, id);
  c.m_bSoundOnScreen = 0;
  return c;
}

// The status command: status `field` of `object` (0 the chara itself, 1..4
// its links, 5 the system values) becomes `value`, invincibility or not.
// Setting a chara's own life (field 1) to 0 makes it die as if hit, with
// its score.
inline cFlowCmd& AddStatusSet(cFlow& flow, int object, int field, int value) {
  cFlowCmd& c = AddCommand(flow, 22, 0);
  c.m_vecParam.assign(18, 0);
  c.m_vecParam[3] = object;
  c.m_vecParam[4] = field;
  c.m_vecParam[7] = value;
  c.m_vecParam[16] = 1;
  return c;
}

// A distance condition (kind 7) reaching two half blocks out on the sides
// of area kind `area`, its area shown in colour 2 by display mode `mode` (0
// never, 1 always, 2 only in a test play), also before the chara appears
// and while it is hidden.
inline cCond DistanceArea(int mode, int area = 0) {
  cCond c;
  c.m_byKind = 7;
  c.m_nConst = 2;
  c.m_byLeftSource = static_cast<BYTE>(mode);
  c.m_byRightStatus = 2;
  c.m_byRightSource = 1;
  c.m_byRightTarget = 1;
  c.m_byDistanceMode = static_cast<BYTE>(area);
  return c;
}

}  // namespace t4test
