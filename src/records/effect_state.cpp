#include "records/effect_state.h"

#include <cstdlib>
#include <utility>

#include "platform/numeric.h"
#include "records/database.h"

namespace {
constexpr double kTenthPerFrame = 1.0 / 6.0;

// |to - from| / (time x 6), formed without integer overflow: the values come
// straight from the project's files.
double RangeStep(int from, int to, int time) {
  const double span = static_cast<double>(std::llabs(static_cast<long long>(to) - from));
  return span / (static_cast<double>(time) * 6.0);
}
}  // namespace

void cCharaEffectParams::Setup(int id, int reversed) {
  cDatabase& db = g_Database;
  m_nId = static_cast<int16_t>(id);
  cCharaEffectData& e = reversed ? db.m_vecCharaEffectRev.At(id) : db.m_vecCharaEffect.At(id);
  m_pEntry = &e;
  const int kind = e.m_nKind;
  int* p = e.m_nParam;
  if (kind < 1 || kind > 16) return;
  if (kind == 6 || kind == 14) {
    m_nStart = 0;
    m_nEnd = p[0];
    m_dCurrent = 0.0;
    m_dStep = kTenthPerFrame;
    m_nTime = p[0];
    m_nPhase = 0;
    m_bSpareFlag = 0;
  } else {
    m_nTime = p[0];
    if (reversed) std::swap(p[1], p[2]);
    m_nStart = p[1];
    m_nEnd = p[2];
    m_dCurrent = p[1];
    m_dStep = RangeStep(p[1], p[2], p[0]);
    if (kind == 4 || kind == 5) m_nPhase = 0;
  }
  if (m_nStart == m_nEnd) {
    m_dStep = kTenthPerFrame;
    m_dElapsed = 0.0;
  }
}

void cScrEffectParams::Setup(int id, int reversed) {
  cDatabase& db = g_Database;
  m_bConstant = 0;
  m_nId = static_cast<int16_t>(id);
  cScrEffectData& e = reversed ? db.m_vecScrEffectRev.At(id) : db.m_vecScrEffect.At(id);
  m_pEntry = &e;
  int* p = e.m_nParam;
  switch (e.m_nKind) {
    case 1:
      if (reversed) {
        std::swap(p[1], p[3]);
        std::swap(p[2], p[4]);
      }
      m_dCurrent = 0.0;
      m_dStep = kTenthPerFrame;
      m_nInt1 = p[1];
      m_nInt2 = p[2];
      break;
    case 2:
    case 3:
      m_dCurrent = 0.0;
      m_dSecond = 0.0;
      m_dStep = kTenthPerFrame;
      m_nInt1 = 0;
      break;
    case 8:
      m_dCurrent = 0.0;
      m_dStep = kTenthPerFrame;
      m_nInt1 = 0;
      m_nInt2 = 0;
      break;
    case 4: case 5: case 6: case 7: case 9: case 10: case 11: case 12: case 13:
      if (reversed) std::swap(p[1], p[2]);
      m_dCurrent = p[1];
      m_dStep = RangeStep(p[1], p[2], p[0]);
      if (e.m_nKind == 6 || e.m_nKind == 7) m_nInt1 = 0;
      if (p[1] == p[2]) {
        m_bConstant = 1;
        m_dStep = kTenthPerFrame;
        m_dElapsed = 0.0;
        m_nTime = p[0];
      }
      break;
    default:
      break;
  }
}

void BuildCharaEffectStates(cCheckedVector<cCharaEffectParams>& forward, cCheckedVector<cCharaEffectParams>& reverse) {
  const size_t n = g_Database.m_vecCharaEffect.size();
  forward.assign(n, cCharaEffectParams{});
  reverse.assign(n, cCharaEffectParams{});
  for (size_t i = 0; i < n; ++i) {
    forward[i].Setup(static_cast<int>(i), 0);
    reverse[i].Setup(static_cast<int>(i), 1);
  }
}

void BuildScrEffectStates(cCheckedVector<cScrEffectParams>& forward, cCheckedVector<cScrEffectParams>& reverse) {
  const size_t n = g_Database.m_vecScrEffect.size();
  forward.assign(n, cScrEffectParams{});
  reverse.assign(n, cScrEffectParams{});
  for (size_t i = 0; i < n; ++i) {
    forward[i].Setup(static_cast<int>(i), 0);
    reverse[i].Setup(static_cast<int>(i), 1);
  }
}

// --- playback states --------------------------------------------------------

namespace {
template <class P>
void CopyPrepared(P& state, const P& prepared) {
  // The state fields survive a restart; only the prepared values are taken.
  const int runMode = state.m_nRunMode, repeat = state.m_bRepeat, half = state.m_bReversedHalf,
            spare = state.m_nSpareCounter;
  const int16_t id = state.m_nId;
  state = prepared;
  state.m_nId = id;
  state.m_nRunMode = runMode;
  state.m_bRepeat = repeat;
  state.m_bReversedHalf = half;
  state.m_nSpareCounter = spare;
}
}  // namespace

void cCharaEffectState::Start(int id, int runMode, int repeat) {
  auto& table = runMode == EFFECT_RUN_REVERSED ? g_CharaEffectStates.reverse : g_CharaEffectStates.forward;
  static_cast<cCharaEffectParams&>(*this) = table.At(id);
  m_nId = static_cast<int16_t>(id);
  m_nRunMode = runMode;
  m_bRepeat = repeat;
  m_bReversedHalf = runMode == EFFECT_RUN_REVERSED ? 1 : 0;
  m_nSpareCounter = 0;
}

void cCharaEffectState::Restart() {
  if (m_nRunMode == EFFECT_RUN_THERE_AND_BACK) m_bReversedHalf = !m_bReversedHalf;
  auto& table = m_bReversedHalf ? g_CharaEffectStates.reverse : g_CharaEffectStates.forward;
  CopyPrepared<cCharaEffectParams>(*this, table.At(m_nId));
}

int cCharaEffectState::Step() {
  bool goesOn;
  if (m_nStart == m_nEnd) {
    m_dElapsed += m_dStep;
    goesOn = !(m_dElapsed > m_nTime);
  } else if (m_nEnd < m_nStart) {
    m_dCurrent -= m_dStep;
    goesOn = m_dCurrent >= m_nEnd;
  } else {
    m_dCurrent += m_dStep;
    goesOn = m_dCurrent <= m_nEnd;
  }
  if (goesOn) return 0;
  if (m_bRepeat || (m_nRunMode == EFFECT_RUN_THERE_AND_BACK && !m_bReversedHalf)) {
    Restart();
    return 0;
  }
  return 1;
}

void cScrEffectState::Start(int id, int runMode, int repeat) {
  auto& table = runMode == EFFECT_RUN_REVERSED ? g_ScrEffectStates.reverse : g_ScrEffectStates.forward;
  static_cast<cScrEffectParams&>(*this) = table.At(id);
  m_nId = static_cast<int16_t>(id);
  m_nRunMode = runMode;
  m_bRepeat = repeat;
  m_bReversedHalf = runMode == EFFECT_RUN_REVERSED ? 1 : 0;
  m_nSpareCounter = 0;
}

void cScrEffectState::Restart() {
  if (m_nRunMode == EFFECT_RUN_THERE_AND_BACK) m_bReversedHalf = !m_bReversedHalf;
  auto& table = m_bReversedHalf ? g_ScrEffectStates.reverse : g_ScrEffectStates.forward;
  CopyPrepared<cScrEffectParams>(*this, table.At(m_nId));
}

int cScrEffectState::Step(int start, int end, double step) {
  bool goesOn;
  if (m_bConstant) {
    m_dElapsed += m_dStep;
    goesOn = !(m_dElapsed > m_nTime);
  } else if (end < start) {
    m_dCurrent -= step;
    goesOn = plat::TruncToInt(m_dCurrent) >= end;
  } else {
    m_dCurrent += step;
    goesOn = end >= plat::TruncToInt(m_dCurrent);
  }
  if (goesOn) return 0;
  if (m_bRepeat || (m_nRunMode == EFFECT_RUN_THERE_AND_BACK && !m_bReversedHalf)) {
    Restart();
    return 0;
  }
  return 1;
}
