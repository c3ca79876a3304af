#include "flow/param_change.h"

#include <array>
#include <climits>
#include <cstdint>
#include <utility>

#include "flow/cmd_dispatch.h"
#include "flow/cmd_executors.h"
#include "flow/flow_records.h"
#include "flow/flow_state.h"
#include "flow/status_values.h"
#include "objects/chara_base.h"
#include "objects/ed_shot.h"
#include "objects/hero.h"
#include "records/progress_data.h"
#include "services/log.h"
#include "stage/game_scene.h"

namespace {

// Where a parameter lives: a signed field of 8, 16 or 32 bits.
struct PARAMFIELD {
  void* p = nullptr;
  int bits = 0;
};

PARAMFIELD F(int8_t& v) { return {&v, 8}; }
PARAMFIELD F(uint8_t& v) { return {&v, 8}; }
PARAMFIELD F(int16_t& v) { return {&v, 16}; }
PARAMFIELD F(int32_t& v) { return {&v, 32}; }

using ParamBinder = PARAMFIELD (*)(int index, cFlowCmd& cmd);

PARAMFIELD Slot(cFlowCmd& cmd, int slot) {
  if (slot < 0 || static_cast<size_t>(slot) >= cmd.m_vecParam.size()) return {};
  return F(cmd.m_vecParam[static_cast<size_t>(slot)]);
}

template <size_t N>
PARAMFIELD SlotOf(cFlowCmd& cmd, int index, const int (&slots)[N]) {
  if (index < 0 || static_cast<size_t>(index) >= N) return {};
  return Slot(cmd, slots[index]);
}

PARAMFIELD MoveTarget(cEdMove& m, int i) {
  switch (i) {
    case 0: return F(m.m_sTargetXBlocks);
    case 1: return F(m.m_sTargetXDots);
    case 2: return F(m.m_sTargetYBlocks);
    case 3: return F(m.m_sTargetYDots);
    default: return {};
  }
}

PARAMFIELD BindStraight(int i, cFlowCmd& cmd) {  // kinds 2 and 5
  if (!cmd.m_pEdMove) return {};
  cEdMove& m = *cmd.m_pEdMove;
  if (i == 4) return F(m.m_sAngle);
  if (i == 5) return F(m.m_sAnglePerClone);
  return MoveTarget(m, i);
}

PARAMFIELD BindHoming(int i, cFlowCmd& cmd) {  // kind 6
  if (!cmd.m_pEdMove) return {};
  cEdMove& m = *cmd.m_pEdMove;
  if (i == 0) return F(m.m_sSlowness);
  if (i == 1) return F(m.m_sSlownessPerClone);
  return MoveTarget(m, i - 2);
}

PARAMFIELD BindWarp(int i, cFlowCmd& cmd) {  // kind 20
  if (!cmd.m_pEdMove) return {};
  cEdMove& m = *cmd.m_pEdMove;
  switch (i) {
    case 0: return F(m.m_sDistance);
    case 1: return F(m.m_sDistancePerClone);
    case 2: return F(m.m_sTargetXBlocks);
    case 3: return F(m.m_sTargetYBlocks);
    case 4: return F(m.m_sTargetXDots);
    case 5: return F(m.m_sTargetYDots);
    default: return {};
  }
}

PARAMFIELD BindShot(int i, cFlowCmd& cmd) {  // kind 11
  if (!cmd.m_pEdShot) return {};
  cEdShot& s = *cmd.m_pEdShot;
  switch (i) {
    case 0: return F(s.m_nGraphic);
    case 1: return F(s.m_byLayer);
    case 2: case 3: case 4: return F(s.m_anFormation[i - 2]);
    case 5: return F(s.m_byShots);
    case 6: return F(s.m_byClones);
    case 7: return F(s.m_nAngle);
    case 8: return F(s.m_nAnglePerClone);
    case 9: return F(s.m_nSpread);
    case 10: return F(s.m_nOffsetX);
    case 11: return F(s.m_nOffsetXPerClone);
    case 12: return F(s.m_nOffsetY);
    case 13: return F(s.m_nOffsetYPerClone);
    case 14: return F(s.m_byFaction);
    case 15: case 16: case 17: return F(s.m_anTrajectory[i - 15]);
    case 18: return F(s.m_nSpeed);
    case 19: return F(s.m_nSpeedPerClone);
    case 20: return F(s.m_nAccel);
    case 21: return F(s.m_nAccelPerClone);
    case 22: return F(s.m_nRange);
    case 23: return F(s.m_nRangePerClone);
    case 24: return F(s.m_nExistTime);
    case 25: return F(s.m_nExistTimePerClone);
    case 26: return F(s.m_byCancelPower);
    case 27: return F(s.m_nAttack);
    case 28: return F(s.m_byImpact);
    default: return {};
  }
}

PARAMFIELD BindSword(int i, cFlowCmd& cmd) {  // kind 12
  if (!cmd.m_pEdShot) return {};
  cEdShot& s = *cmd.m_pEdShot;
  switch (i) {
    case 0: return F(s.m_byFaction);
    case 1: return F(s.m_byLayer);
    case 2: return F(s.m_nAttack);
    case 3: return F(s.m_byImpact);
    default: return {};
  }
}

// The summons' formation block: parameters 1..3, the count, the offsets.
PARAMFIELD SummonFormation(cEdShot& s, int i) {
  switch (i) {
    case 0: case 1: case 2: return F(s.m_anFormation[i]);
    case 3: return F(s.m_byShots);
    case 4: return F(s.m_nOffsetX);
    case 5: return F(s.m_nOffsetY);
    default: return {};
  }
}

PARAMFIELD BindSummonBlock(int i, cFlowCmd& cmd) {  // kind 13
  if (!cmd.m_pEdShot) return {};
  return SummonFormation(*cmd.m_pEdShot, i);
}

PARAMFIELD BindSummonChara(int i, cFlowCmd& cmd) {  // kind 14
  if (!cmd.m_pEdShot) return {};
  cEdShot& s = *cmd.m_pEdShot;
  if (i == 0) return F(s.m_nRange);  // the summon's lifetime in tenths
  if (i == 1) return F(s.m_byFaction);
  return SummonFormation(s, i - 2);
}

PARAMFIELD BindSummonItem(int i, cFlowCmd& cmd) {  // kind 15
  if (!cmd.m_pEdShot) return {};
  cEdShot& s = *cmd.m_pEdShot;
  if (i == 0) return F(s.m_nRange);
  return SummonFormation(s, i - 1);
}

constexpr int kStageClearSlots[] = {1, 6, 7, 3, 4};
constexpr int kMessageSlots[] = {13, 1, 2, 3, 4};
constexpr int kSetTargetSlots[] = {2, 10, 13};
constexpr int kStatusOpSlots[] = {8, 9};
constexpr int kVanishSlots[] = {1};
constexpr int kGraphicSlots[] = {1, 2};
constexpr int kEffectSlots[] = {2, 3, 4, 5, 6};
constexpr int kPictureSlots[] = {13, 2, 3, 4, 5, 7};
constexpr int kScreenColorSlots[] = {0, 1, 2, 3};
constexpr int kBackgroundSlots[] = {0};

template <const auto& Slots>
PARAMFIELD BindSlots(int i, cFlowCmd& cmd) {
  return SlotOf(cmd, i, Slots);
}

PARAMFIELD BindNothing(int, cFlowCmd&) { return {}; }

template <ParamBinder Bind>
void GetParam(int& value, int index, cFlowCmd& cmd) {
  const PARAMFIELD f = Bind(index, cmd);
  if (f.bits == 8) value = *static_cast<int8_t*>(f.p);
  else if (f.bits == 16) value = *static_cast<int16_t*>(f.p);
  else if (f.bits == 32) value = *static_cast<int32_t*>(f.p);
}

template <ParamBinder Bind>
void SetParam(int value, int index, cFlowCmd& cmd) {
  const PARAMFIELD f = Bind(index, cmd);
  if (f.bits == 8) *static_cast<int8_t*>(f.p) = static_cast<int8_t>(value);
  else if (f.bits == 16) *static_cast<int16_t*>(f.p) = static_cast<int16_t>(value);
  else if (f.bits == 32) *static_cast<int32_t*>(f.p) = value;
}

// An arrange may aim past a kind's list; the change is then dropped with
// one line, and the game goes on.
bool LookUpRange(int kind, int index, int& lo, int& hi) {
  if (kind < 0 || kind >= g_CmdParamTable.Size()) {
    ReportError("err V[%d] ( %d , %d )", kind, g_CmdParamTable.Size(), static_cast<int>(sizeof(cCheckedVector<PARAMDESC>)));
    return false;
  }
  const cCheckedVector<PARAMDESC>& list = g_CmdParamTable[static_cast<size_t>(kind)];
  if (index < 0 || index >= list.Size()) {
    ReportError("err V[%d] ( %d , %d )", index, list.Size(), static_cast<int>(sizeof(PARAMDESC)));
    return false;
  }
  lo = list[static_cast<size_t>(index)].m_nMin;
  hi = list[static_cast<size_t>(index)].m_nMax;
  return true;
}

// The formation or trajectory parameter a shot-settings index names, if any.
const PARAMDEF* SchemaOf(int kind, int index, const cEdShot& s) {
  int first = -1;
  if (kind == 11 || kind == 14) first = 2;
  else if (kind == 13) first = 0;
  else if (kind == 15) first = 1;
  if (first >= 0 && index >= first && index < first + 3) {
    if (s.m_byFormation >= kFormationCount) return nullptr;
    return &g_FormationSchema[s.m_byFormation][index - first];
  }
  if (kind == 11 && index >= 15 && index < 18) {
    if (s.m_byTrajectory >= kTrajectoryCount) return nullptr;
    return &g_TrajectorySchema[s.m_byTrajectory][index - 15];
  }
  return nullptr;
}

// A command without the part its parameters live in is left alone.
bool HasPart(int kind, const cFlowCmd& cmd) {
  switch (kind) {
    case 2: case 5: case 6: case 20: return static_cast<bool>(cmd.m_pEdMove);
    case 11: case 12: case 13: case 14: case 15: return static_cast<bool>(cmd.m_pEdShot);
    default: return true;
  }
}

bool ReadSource(int source, int i, cCharaBase* chara, int& v) {
  switch (source) {
    case 0:
      if (i < 1 || i >= g_Progress.m_vecVar.Size()) return false;
      v = g_Progress.m_vecVar[static_cast<size_t>(i)];
      return true;
    case 1:
      if (!g_pGameScene || i < 1 || i >= g_pGameScene->m_vecStageVar.Size()) return false;
      v = g_pGameScene->m_vecStageVar[static_cast<size_t>(i)];
      return true;
    case 2:
      if (!chara || i < 0 || static_cast<size_t>(i) >= chara->m_vecVar.size()) return false;
      v = chara->m_vecVar[static_cast<size_t>(i)];
      return true;
    default: return false;
  }
}

}  // namespace

namespace {

struct PARAMACCESS {
  ParamGetter get;
  ParamSetter set;
};

template <ParamBinder Bind>
constexpr PARAMACCESS Access() {
  return {&GetParam<Bind>, &SetParam<Bind>};
}
constexpr PARAMACCESS kNoAccess{nullptr, nullptr};

// Kinds 3, 4 and 7 take changes that reach no field.
constexpr PARAMACCESS kAccess[kCmdParamKindCount] = {
    kNoAccess,  // 0
    kNoAccess,  // 1
    Access<BindStraight>(),  // 2
    Access<BindNothing>(),  // 3
    Access<BindNothing>(),  // 4
    Access<BindStraight>(),  // 5
    Access<BindHoming>(),  // 6
    Access<BindNothing>(),  // 7
    kNoAccess,  // 8
    kNoAccess,  // 9
    kNoAccess,  // 10
    Access<BindShot>(),  // 11
    Access<BindSword>(),  // 12
    Access<BindSummonBlock>(),  // 13
    Access<BindSummonChara>(),  // 14
    Access<BindSummonItem>(),  // 15
    kNoAccess,  // 16
    Access<BindSlots<kStageClearSlots>>(),  // 17
    kNoAccess,  // 18
    Access<BindSlots<kMessageSlots>>(),  // 19
    Access<BindWarp>(),  // 20
    Access<BindSlots<kSetTargetSlots>>(),  // 21
    Access<BindSlots<kStatusOpSlots>>(),  // 22
    kNoAccess,  // 23
    Access<BindSlots<kVanishSlots>>(),  // 24
    kNoAccess,  // 25
    Access<BindSlots<kGraphicSlots>>(),  // 26
    kNoAccess,  // 27
    kNoAccess,  // 28
    Access<BindSlots<kEffectSlots>>(),  // 29
    kNoAccess,  // 30
    kNoAccess,  // 31
    Access<BindSlots<kPictureSlots>>(),  // 32
    Access<BindSlots<kScreenColorSlots>>(),  // 33
    Access<BindSlots<kBackgroundSlots>>(),  // 34
    kNoAccess,  // 35
    kNoAccess,  // 36
    kNoAccess,  // 37
    kNoAccess,  // 38
    kNoAccess,  // 39
};

template <size_t... K>
constexpr std::array<ParamGetter, kCmdParamKindCount> Getters(std::index_sequence<K...>) {
  return {kAccess[K].get...};
}
template <size_t... K>
constexpr std::array<ParamSetter, kCmdParamKindCount> Setters(std::index_sequence<K...>) {
  return {kAccess[K].set...};
}

}  // namespace

const std::array<ParamGetter, kCmdParamKindCount> g_CmdParamGetter = Getters(std::make_index_sequence<kCmdParamKindCount>());
const std::array<ParamSetter, kCmdParamKindCount> g_CmdParamSetter = Setters(std::make_index_sequence<kCmdParamKindCount>());

void ApplyParamChange(cFlowCmd& cmd, const ARRANGEENTRY& entry, cCharaBase* chara) {
  // Item kinds 0 and 1 have no chara twin: they match no entry.
  if (cmd.m_byCategory == 1 && cmd.m_byKind < 2) return;
  const int kind = UnifiedCmdKind(cmd);
  if (entry.nKind != kind || kind < 0 || kind >= kCmdParamKindCount) return;
  const ParamSetter set = g_CmdParamSetter[static_cast<size_t>(kind)];
  if (!set) return;
  if (!HasPart(kind, cmd)) return;
  int current = 0;
  g_CmdParamGetter[static_cast<size_t>(kind)](current, entry.nParam, cmd);
  int v = 0;
  if (!ReadSource(entry.nSource, entry.nVarIndex, chara, v)) return;
  int lo = 0, hi = 0;
  if (!LookUpRange(kind, entry.nParam, lo, hi)) return;
  if (cmd.m_pEdShot) {
    if (const PARAMDEF* def = SchemaOf(kind, entry.nParam, *cmd.m_pEdShot)) {
      lo = def->nMin;
      hi = def->nMax;
    }
  }
  set(ApplyOperator(current, entry.nOp, v, lo, hi), entry.nParam, cmd);
}

void ApplyEntries(cFlowCmd& cmd, const std::list<ARRANGEENTRY>& entries, cCharaBase* chara) {
  for (const ARRANGEENTRY& e : entries) ApplyParamChange(cmd, e, chara);
}

void ApplyArrangeList(cFlowCmd* cmd, cCharaBase* chara, cFlowState* flow) {
  if (!flow || !cmd) return;
  ApplyEntries(*cmd, flow->m_lstArrange, chara);
}

void ApplyCharaArrangeList(cFlowCmd* cmd, cCharaBase* chara) {
  cHero* hero = dynamic_cast<cHero*>(chara);
  if (!hero || !cmd) return;
  ApplyEntries(*cmd, hero->m_lstArrange, chara);
}

int ExecArrange(cCharaBase*, cFlowCmd* cmd) {
  auto P = [cmd](int i) { return cmd->Param(i); };
  const ARRANGEENTRY entry{P(0), P(1), P(2), P(3), P(4)};
  if (cmd->m_byCategory == 0) {
    cFlowState* flow = g_pGameScene ? g_pGameScene->m_pCurFlow : nullptr;
    if (flow) flow->m_lstArrange.push_back(entry);
  } else if (!Player.empty()) {
    Player[0].m_lstArrange.push_back(entry);
  }
  return 0;
}
