// The status condition, the two status commands and the run-code command.
#include "flow/cmd_executors.h"
#include "flow/cond_list.h"
#include "flow/flow_records.h"
#include "flow/run_code.h"
#include "flow/status_ops.h"
#include "flow/status_values.h"
#include "objects/chara_base.h"
#include "objects/hero.h"
#include "records/progress_data.h"
#include "records/stage_data.h"
#include "services/strings.h"
#include "stage/game_scene.h"

namespace {

constexpr int kObjectSystem = 5;

// Object 0 is the chara given (the hero for blocks and items), 1..4 its
// link slots; null for an empty slot.
cCharaBase* ObjectOf(cCharaBase* chara, int object) {
  if (object == 0) return chara;
  if (!chara || object < 1 || object > 4 || static_cast<size_t>(object) > chara->m_vecLink.size()) return nullptr;
  return chara->m_vecLink[static_cast<size_t>(object - 1)];
}

bool IsHero(const cCharaBase* c) { return dynamic_cast<const cHero*>(c) != nullptr; }

// A status the object may have: the sight belongs to the hero alone.
bool HasStatus(const cCharaBase* c, int field) { return field != kStatusSight || IsHero(c); }

struct OPERAND {
  int source;  // 0 constant, 1 random, 2 status or system value, 3 variable
  int constant;
  int randLo, randHi;
  int object, field;
  int varKind, varIndex;
};

// False when the operand names an empty slot or another chara's sight.
bool ReadOperand(cCharaBase* chara, const OPERAND& o, int& out) {
  switch (o.source) {
    case 0: out = o.constant; return true;
    case 1: out = GetRandom(o.randLo, o.randHi); return true;
    case 2: {
      if (o.object == kObjectSystem) {
        const bool noLimit = !g_pGameScene || g_pGameScene->m_bNoTimeLimit;
        out = o.field == kSystemTime && noLimit ? 0 : ReadSystemValue(o.field);
        return true;
      }
      cCharaBase* c = ObjectOf(chara, o.object);
      if (!c || !HasStatus(c, o.field)) return false;
      out = ReadStatus(*c, o.field, o.varIndex);
      return true;
    }
    case 3: out = VariableRef(o.varKind, o.varIndex); return true;
    default: out = 0; return true;
  }
}

void MarkDeathCheck() {
  if (g_pGameScene) g_pGameScene->m_bHeroDeathCheck = 1;
}

}  // namespace

bool TestStatusCond(const cCond& c, cCharaBase* chara) {
  const OPERAND o{c.m_byRightSource, c.m_nConst, c.m_nRandMin, c.m_nRandMax, c.m_byRightTarget,
                  c.m_byRightStatus, c.m_byRightVarKind, c.m_sRightVarIndex};
  int operand = 0;
  if (!ReadOperand(chara, o, operand)) return false;
  if (c.m_byLeftSource == 1) {
    if (c.m_bPercent) operand = 0;
    return CompareValue(VariableRef(c.m_byVarKind, c.m_sVarIndex), operand, c.m_byRelation);
  }
  if (c.m_byTarget == kObjectSystem) {
    const int which = c.m_byStatus;
    if (which >= kSystemCount) return true;
    if (which == kSystemLives && g_Progress.m_nLives == kUnlimitedLives) return false;
    if (c.m_bPercent) operand = 0;
    return CompareValue(ReadSystemValue(which), operand, c.m_byRelation);
  }
  cCharaBase* who = ObjectOf(chara, c.m_byTarget);
  if (!who) return false;
  const int field = c.m_byStatus;
  if (field >= kStatusCount) return true;
  if (!HasStatus(who, field)) return false;
  if (c.m_bPercent) {
    const int base = field == kStatusLife ? who->m_Data.m_nMaxHp : field == kStatusSP ? who->m_Data.m_nMaxSp : 0;
    const VALUERANGE r = StatusRange(field);
    operand = ClampValue(PercentOf(base, operand), r.lo, r.hi);
  }
  // Narrow fields compare in full width: 300 is no chara ID.
  return CompareValue(ReadStatus(*who, field, c.m_sVarIndex), operand, c.m_byRelation);
}

int ExecStatusOp(cCharaBase* chara, cFlowCmd* cmd) {
  auto P = [cmd](int i) { return cmd->Param(i); };
  const OPERAND o{P(6), P(7), P(8), P(9), P(12), P(13), P(10), P(11)};
  int v = 0;
  if (!ReadOperand(chara, o, v)) return 0;
  const int op = P(5);
  if (P(0) == 1) {
    int& var = VariableRef(P(1), P(2));
    if (P(14)) v = PercentOf(v, var);
    var = ApplyOperator(var, op, v, -kValueLimit, kValueLimit);
    return 0;
  }
  const int field = P(4);
  if (P(3) == kObjectSystem) {
    const int current = ReadSystemValue(field);
    if (P(14)) v = PercentOf(v, current);
    const VALUERANGE r = SystemRange(field);
    StoreSystemValue(field, ApplyOperator(current, op, v, r.lo, r.hi));
    return 0;
  }
  cCharaBase* who = ObjectOf(chara, P(3));
  if (!who) return 0;
  if (P(17) && who->m_Data.m_byInvincible != 0) return 0;
  if (field < 0 || field >= kStatusCount || !HasStatus(who, field)) return 0;
  if (field == kStatusLife || field == kStatusSP) {
    const int current = field == kStatusLife ? who->m_nLife : who->m_nSP;
    const int max = field == kStatusLife ? who->m_Data.m_nMaxHp : who->m_Data.m_nMaxSp;
    if (P(15) == 1) v = PercentOf(v, max);
    else if (P(15) == 2) v = PercentOf(v, current);
    const int next = ApplyOperator(current, op, v, 0, kValueLimit);
    if (field == kStatusLife) who->ChangeLife(next - current, P(16), 1);
    else who->ChangeGauge2(next - current, 1);
  } else {
    const int current = ReadStatus(*who, field, P(2));
    if (P(14)) v = PercentOf(v, current);
    const VALUERANGE r = StatusRange(field);
    const int next = ApplyOperator(current, op, v, r.lo, r.hi);
    StoreStatus(*who, field, P(2), next);
    if (field == kStatusMaxLife && who->m_nLife > next) who->m_nLife = next;
    if (field == kStatusMaxSP && who->m_nSP > next) who->m_nSP = next;
    if (field == kStatusSight) {
      who->m_nSightRadius = BlockToHalfBlock(static_cast<int8_t>(next));
      CreateSightMask(g_pGameScene);
    }
  }
  if (who != chara && who->m_nLife < 1) MarkDeathCheck();
  return 0;
}

int ExecStatusOp2(cCharaBase* chara, cFlowCmd* cmd) {
  auto P = [cmd](int i) { return cmd->Param(i); };
  const int which = P(1), value = P(2);
  if (P(0) == kObjectSystem) {
    if (which == 0) {
      g_Stage.m_nScrollModeX = value;
      if (g_pGameScene) g_pGameScene->m_ScrollX.SetAutoSpeed(value, g_Stage.m_nAutoScrollSpeedX);
    } else if (which == 1) {
      g_Stage.m_nScrollModeY = value;
      if (g_pGameScene) g_pGameScene->m_ScrollY.SetAutoSpeed(value, g_Stage.m_nAutoScrollSpeedY);
    }
    return 0;
  }
  cCharaBase* who = ObjectOf(chara, P(0));
  if (!who) return 0;
  cCharaData& d = who->m_Data;
  const BYTE flag = static_cast<BYTE>(value);
  switch (which) {
    case 0:
      if (IsHero(who)) who->m_nLife = 0;
      else who->m_bVanish = 1;
      if (who != chara) MarkDeathCheck();
      break;
    case 1: d.m_bTransparent = flag; break;
    case 2: d.m_bFixedDirection = flag; break;
    case 3:
      // The hero takes the new move type with its whole shape: gravity and
      // block mode, the flying or walking box at its present size, the
      // overlays.
      if (cHero* hero = dynamic_cast<cHero*>(who)) hero->ApplyCharaTemplate(flag, 1);
      break;
    case 4: d.m_byInvincible = flag; break;
    case 5: {
      // Scale factors run 1..10; anything else would give an empty or
      // oversized box.
      const int factor = ClampValue(value, 1, 10);
      who->SetScale(factor, d.m_cSize);
      d.m_cSize = static_cast<int8_t>(factor);
      if (cHero* hero = dynamic_cast<cHero*>(who)) hero->RebuildOverlayList();
      break;
    }
    case 6:
      d.m_bScrollSync = flag;
      who->m_bScrollLock = flag;
      break;
    default: break;
  }
  return 0;
}

int ExecRunCode(cCharaBase* chara, cFlowCmd* cmd) { return RunCode(cmd->m_strText, chara); }
