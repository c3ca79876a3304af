#include "flow/status_values.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "objects/chara_base.h"
#include "records/progress_data.h"
#include "records/stage_data.h"
#include "stage/game_scene.h"

namespace {

constexpr VALUERANGE kStatusRanges[kStatusCount] = {
    {-kValueLimit, kValueLimit, 32},  // chara variable
    {0, kValueLimit, 32},             // life
    {0, kValueLimit, 32},             // SP
    {0, kValueLimit, 32},             // max life
    {0, kValueLimit, 32},             // max SP
    {0, 99, 8},                       // chara ID
    {0, 7, 8},                        // Z
    {0, 119, 16},                     // mark
    {0, 40, 8},                       // sight
    {-kValueLimit, kValueLimit, 32},  // body attack
    {-20, 20, 8},                     // body impact
    {0, kValueLimit, 32},             // defence
    {0, 20, 8},                       // impact resistance
    {0, 200, 16},                     // stop-ease
    {-kValueLimit, kValueLimit, 32},  // score when defeated
};

constexpr VALUERANGE kSystemRanges[kSystemCount] = {
    {0, 999, 32}, {-480, 480, 32}, {-480, 480, 32}, {0, kValueLimit, 32}, {0, 99, 32},
};

int& CharaVar(cCharaBase& chara, int index) {
  // The chara variables are a plain vector: route a bad index through the
  // checked access so it reports like every other.
  if (index >= 0 && static_cast<size_t>(index) < chara.m_vecVar.size()) return chara.m_vecVar[static_cast<size_t>(index)];
  static cCheckedVector<int> none;
  none.assign(chara.m_vecVar.begin(), chara.m_vecVar.end());
  return none.At(index);
}

void RefreshBraking(cCharaBase& chara) { chara.m_dDecel = PercentToFrameStep(chara.m_Data.m_sStopEase); }

}  // namespace

VALUERANGE StatusRange(int field) {
  if (field < 0 || field >= kStatusCount) return {0, 0, 32};
  return kStatusRanges[field];
}

VALUERANGE SystemRange(int which) {
  if (which < 0 || which >= kSystemCount) return {0, 0, 32};
  if (which == kSystemLives && g_Progress.m_nLives == kUnlimitedLives) return {kUnlimitedLives, kUnlimitedLives, 32};
  return kSystemRanges[which];
}

int ReadStatus(cCharaBase& c, int field, int varIndex) {
  cCharaData& d = c.m_Data;
  switch (field) {
    case kStatusVar: return CharaVar(c, varIndex);
    case kStatusLife: return c.m_nLife;
    case kStatusSP: return c.m_nSP;
    case kStatusMaxLife: return d.m_nMaxHp;
    case kStatusMaxSP: return d.m_nMaxSp;
    case kStatusCharaId: return d.m_byCharaId;
    case kStatusZ: return d.m_byZ;
    case kStatusMark: return d.m_sMark;
    case kStatusSight: return d.m_bySightRange;
    case kStatusPower: return d.m_nBodyPower;
    case kStatusImpact: return static_cast<int8_t>(d.m_byBodyImpact);
    case kStatusDefence: return d.m_nDefence;
    case kStatusImpactResist: return d.m_cImpactResist;
    case kStatusStopEase: RefreshBraking(c); return d.m_sStopEase;
    case kStatusScore: return d.m_nScore;
    default: return 0;
  }
}

void StoreStatus(cCharaBase& c, int field, int varIndex, int v) {
  cCharaData& d = c.m_Data;
  switch (field) {
    case kStatusVar: CharaVar(c, varIndex) = v; break;
    case kStatusLife: c.m_nLife = v; break;
    case kStatusSP: c.m_nSP = v; break;
    case kStatusMaxLife: d.m_nMaxHp = v; break;
    case kStatusMaxSP: d.m_nMaxSp = v; break;
    case kStatusCharaId: d.m_byCharaId = static_cast<BYTE>(v); break;
    case kStatusZ: d.m_byZ = static_cast<BYTE>(v); break;
    case kStatusMark: d.m_sMark = static_cast<int16_t>(v); break;
    case kStatusSight: d.m_bySightRange = static_cast<BYTE>(v); break;
    case kStatusPower: d.m_nBodyPower = v; break;
    case kStatusImpact: d.m_byBodyImpact = static_cast<BYTE>(static_cast<int8_t>(v)); break;
    case kStatusDefence: d.m_nDefence = v; break;
    case kStatusImpactResist: d.m_cImpactResist = static_cast<int8_t>(v); break;
    case kStatusStopEase:
      d.m_sStopEase = static_cast<int16_t>(v);
      RefreshBraking(c);
      break;
    case kStatusScore: d.m_nScore = v; break;
    default: break;
  }
}

int ReadSystemValue(int which) {
  switch (which) {
    case kSystemTime: return g_pGameScene ? g_pGameScene->m_nTimeLimit : 0;
    case kSystemScrollX: return g_Stage.m_nAutoScrollSpeedX;
    case kSystemScrollY: return g_Stage.m_nAutoScrollSpeedY;
    case kSystemScore: return g_Progress.m_nScore;
    case kSystemLives: return g_Progress.m_nLives == kUnlimitedLives ? 0 : g_Progress.m_nLives;
    default: return 0;
  }
}

void StoreSystemValue(int which, int v) {
  switch (which) {
    case kSystemTime:
      if (g_pGameScene) g_pGameScene->m_nTimeLimit = v;
      break;
    case kSystemScrollX:
      g_Stage.m_nAutoScrollSpeedX = v;
      if (g_pGameScene) g_pGameScene->m_ScrollX.SetAutoSpeed(g_Stage.m_nScrollModeX, v);
      break;
    case kSystemScrollY:
      g_Stage.m_nAutoScrollSpeedY = v;
      if (g_pGameScene) g_pGameScene->m_ScrollY.SetAutoSpeed(g_Stage.m_nScrollModeY, v);
      break;
    case kSystemScore: g_Progress.m_nScore = v; break;
    case kSystemLives:
      if (g_Progress.m_nLives != kUnlimitedLives) g_Progress.m_nLives = v;
      break;
    default: break;
  }
}

int& VariableRef(int kind, int index) {
  if (kind == 0) return g_Progress.m_vecVar.At(index);
  static cCheckedVector<int> noScene;
  cCheckedVector<int>& vars = g_pGameScene ? g_pGameScene->m_vecStageVar : noScene;
  return vars.At(index);
}

bool CompareValue(int a, int b, int relation) {
  switch (relation) {
    case 0: return a == b;
    case 1: return a != b;
    case 2: return a >= b;
    case 3: return a <= b;
    case 4: return a > b;
    case 5: return a < b;
    // In 64 bits: |INT_MIN| and INT_MIN % -1 stay defined.
    case 6: return b == 0 || std::llabs(static_cast<long long>(a)) % b == 0;
    case 7: return b != 0 && std::llabs(static_cast<long long>(a)) % b != 0;
    default: return false;
  }
}

int ClampValue(long long v, int lo, int hi) { return static_cast<int>(std::clamp<long long>(v, lo, hi)); }

int RoundHalfAway(double x) {
  const double r = std::round(x);  // halves go away from zero
  if (!(r > INT_MIN - 1.0)) return INT_MIN;
  if (!(r < INT_MAX + 1.0)) return INT_MAX;
  return static_cast<int>(r);
}

int PercentOf(long long a, long long b) {
  const long long p = a * b;  // |a|, |b| < 2^31: fits
  long long q = p / 100;
  const long long rem = p % 100;
  if (rem >= 50) ++q;
  else if (rem <= -50) --q;
  return ClampValue(q, INT_MIN, INT_MAX);
}

int ApplyOperator(int current, int op, int operand, int lo, int hi) {
  const long long a = current, b = operand;
  long long v = a;
  switch (op) {
    case 0: v = b; break;
    case 1: v = a + b; break;
    case 2: v = a - b; break;
    case 3: v = a * b; break;
    case 4: if (b != 0) v = a / b; break;
    case 5: if (b != 0) v = a % b; break;
    case 6: v = PercentOf(a, b); break;
    default: break;
  }
  return ClampValue(v, lo, hi);
}

#include "platform/numeric.h"

int CalcPercent(int value, int percent) {
  // Below 2^38 in magnitude the product converts exactly, which covers every
  // result inside the int range; larger ones only decide the clamp.
  const double p = static_cast<double>(static_cast<long long>(value) * percent) * 0.01;
  const double r = p >= 0 ? p + 0.5 : p - 0.5;
  if (r >= 2147483648.0) return INT_MAX;
  if (r <= -2147483649.0) return INT_MIN;
  return plat::TruncToInt(r);
}
