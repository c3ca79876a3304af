// The flows of a chara: inserting them with their run states, loop
// expansion, the command set-up, the animations commands play and the
// removal of flows.
#include "objects/chara_flows.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "flow/flow_records.h"
#include "objects/chara_base.h"
#include "platform/messages.h"
#include "platform/numeric.h"
#include "records/database.h"
#include "services/log.h"
#include "stage/game_scene.h"

using plat::TruncToInt;

namespace {

constexpr int kChara = 0, kItem = 1;
constexpr int kCharaLoop = 39, kItemLoop = 24;
constexpr int kCmdJump = 10, kCmdSword = 12;
// Loops expand without a limit on their count; only a list whose command
// records would pass this many bytes is refused. No flow a person writes
// comes near it (a loop of 50,000 x 2 plain commands takes some 13
// megabytes); a loop asking for more is a damaged or hostile file.
constexpr size_t kMaxExpandedBytes = size_t{64} << 20;

bool IsLoop(const cFlowCmd& c) {
  return (c.m_byCategory == kChara && c.m_byKind == kCharaLoop) ||
         (c.m_byCategory == kItem && c.m_byKind == kItemLoop);
}

size_t ListBytes(const cCheckedVector<cFlowCmd>& list, size_t from, size_t to);

// The memory one command record takes with everything it owns: its settings
// objects, parameters, text and the flows of a flow change.
size_t CmdBytes(const cFlowCmd& c) {
  size_t bytes = sizeof(cFlowCmd) + c.m_strText.size() + c.m_vecParam.size() * sizeof(int32_t);
  if (c.m_pEdMove) bytes += sizeof(cEdMove);
  if (c.m_pEdShot) bytes += sizeof(cEdShot);
  if (c.m_pCondList) bytes += sizeof(cCondList) + c.m_pCondList->m_vecCond.size() * sizeof(cCond);
  for (const cFlow& f : c.m_vecFlow) bytes += sizeof(cFlow) + ListBytes(f.m_vecCmd, 0, f.m_vecCmd.size());
  return bytes;
}

size_t ListBytes(const cCheckedVector<cFlowCmd>& list, size_t from, size_t to) {
  size_t bytes = 0;
  for (size_t i = from; i < to; ++i) bytes += CmdBytes(list[i]);
  return bytes;
}

void ReportSetupOutOfMemory() {
  ErrorBox("メモリ不足により、ステージの初期設定に失敗しました！");
  plat::PostMessage(plat::MainWindowHandle(), WM_CLOSE, 0, 0);
}

// Frames an animation plays before its held pose: the frame times up to
// the first locked frame (all of them when none is locked).
int FramesBeforePose(int16_t animeId) {
  const cAnimeData& anime = g_Database.m_vecAnime.At(animeId);
  long long tenths = 0;
  for (const cAnimeFrameData& f : anime.m_vecFrame) {
    if (f.m_nLock) break;
    tenths += f.m_nTime;
  }
  return static_cast<int>(std::clamp<long long>(tenths * 6, 0, INT32_MAX));
}

void BuildSchedule(cFlowState& state) {
  const int n = StageSubSteps();
  state.m_vecAnimeSchedule.clear();
  long long start = 0;
  const int count = state.m_vecCmdState.Size();
  for (int k = 0; k < count; ++k) {
    const cCmdState& cs = state.m_vecCmdState[static_cast<size_t>(k)];
    const cFlowCmd& cmd = *cs.m_pCmd;
    const cEdMove* move = cmd.m_pEdMove.get();
    if (cmd.m_sAnime != 0 && (!move || move->m_bKeepAnime)) {
      const int f = FramesBeforePose(cmd.m_sAnime);
      const long long g = static_cast<long long>(f) * n;
      ANIMESCHEDULE e;
      e.sAnime = cmd.m_sAnime;
      e.sHoldFrames = static_cast<int16_t>(std::clamp(cmd.m_sTime * 6, -32768, 32767));
      e.bHold = cmd.m_byKind == kCmdJump || cmd.m_byKind == kCmdSword ? 0 : 1;
      long long remainder = g;
      bool placed = false;
      for (int j = k - 1; j >= 0; --j) {
        const cCmdState& before = state.m_vecCmdState[static_cast<size_t>(j)];
        if (before.m_pCmd->m_bParallel) continue;
        remainder -= before.m_nDuration;
        if (remainder < 1) {
          placed = true;
          break;
        }
      }
      if (placed) {
        e.nStart = static_cast<int>(start - g);
        e.sSkip = 0;
        e.sLength = static_cast<int16_t>(std::min(f, 32767));
      } else {
        // The commands before it are too short: it starts with the flow and
        // leaves out its beginning.
        const long long skip = std::min<long long>(f, remainder / n);
        e.nStart = 0;
        e.sSkip = static_cast<int16_t>(std::clamp<long long>(skip, 0, 32767));
        e.sLength = static_cast<int16_t>(std::clamp<long long>(f - skip, 0, 32767));
      }
      state.m_vecAnimeSchedule.push_back(e);
    }
    if (!cmd.m_bParallel) start += cs.m_nDuration;
  }
}

void SetUpCmdState(cCmdState& cs, cFlowCmd& cmd, cCharaBase& chara) {
  const int n = StageSubSteps();
  const int clone = chara.m_nCloneValue;
  cs.m_pCmd = &cmd;
  const long long d = (static_cast<long long>(cmd.m_sTimePerClone) * clone + cmd.m_sTime) * n * 6;
  cs.m_nDuration = static_cast<int>(std::clamp<long long>(d, INT32_MIN, INT32_MAX));
  if (const cEdMove* move = cmd.m_pEdMove.get()) {
    cs.m_dSpeed = (static_cast<double>(move->m_sSpeedPerClone) * clone + move->m_sSpeed) * 0.1 / n;
    if (move->m_bInertia) cs.m_dSpeed2 = move->m_sMaxSpeed * 0.1 / n;
    cs.m_byDir = move->m_byDirection;
  }
  if (cmd.m_byCategory == kChara && cmd.m_byKind < kCmdSetupKinds && g_CmdSetupTable[cmd.m_byKind])
    g_CmdSetupTable[cmd.m_byKind](cs, chara);
}

}  // namespace

const CmdSetupFn g_CmdSetupTable[kCmdSetupKinds] = {
    nullptr, nullptr, SetupMoveCmd, SetupMoveCmd, SetupCircleMoveCmd, SetupMoveCmd, SetupHomingMoveCmd,
    SetupMoveCmd, nullptr, nullptr, SetupJumpCmd,
};

int ExpandOneRepeatCommand(cCheckedVector<cFlowCmd>& list) {
  auto it = std::find_if(list.begin(), list.end(), IsLoop);
  if (it == list.end()) return 0;
  const size_t at = static_cast<size_t>(it - list.begin());
  const int times = it->m_vecParam.At(0);
  long long length = it->m_vecParam.At(1);
  const long long after = static_cast<long long>(list.size() - at - 1);
  length = std::min(length, after);
  if (length > 0 && times > 1) {
    const long long added = (static_cast<long long>(times) - 1) * length;
    const size_t listBytes = ListBytes(list, 0, list.size());
    const size_t blockBytes = ListBytes(list, at + 1, at + 1 + static_cast<size_t>(length));
    if (listBytes > kMaxExpandedBytes ||
        static_cast<size_t>(times - 1) > (kMaxExpandedBytes - listBytes) / std::max<size_t>(blockBytes, 1))
      return -1;
    try {
      // The list before the loop, the block `times` times, then the rest;
      // the loop command itself is left out.
      cCheckedVector<cFlowCmd> out;
      out.reserve(list.size() + static_cast<size_t>(added) - 1);
      const auto blockBegin = list.begin() + static_cast<long>(at) + 1;
      const auto blockEnd = blockBegin + static_cast<long>(length);
      out.insert(out.end(), list.begin(), list.begin() + static_cast<long>(at));
      for (int t = 0; t < times; ++t) out.insert(out.end(), blockBegin, blockEnd);
      out.insert(out.end(), blockEnd, list.end());
      list = std::move(out);
    } catch (const std::bad_alloc&) {
      return -1;
    }
    return 1;
  }
  list.erase(list.begin() + static_cast<long>(at));
  return 1;
}

bool ExpandRepeatCommands(cCheckedVector<cFlowCmd>& list) {
  for (;;) {
    const int r = ExpandOneRepeatCommand(list);
    if (r == 0) return true;
    if (r < 0) return false;
  }
}

int cCharaBase::InsertFlows(cCheckedVector<cFlow>& src, int insert, int position) {
  for (cFlow& f : src) {
    if (!ExpandRepeatCommands(f.m_vecCmd)) {
      ReportSetupOutOfMemory();
      return 0;
    }
  }
  const int count = src.Size();
  const int old = m_vecFlowState.Size();
  int base = 0;
  if (insert == 1 && position != -1 && position >= 0 && position < m_Data.m_vecFlow.Size()) {
    m_Data.m_vecFlow.insert(m_Data.m_vecFlow.begin() + position, src.begin(), src.end());
    m_vecFlowState.insert(m_vecFlowState.begin() + position, static_cast<size_t>(count), cFlowState());
    base = position;
  } else if (insert == 1) {
    m_Data.m_vecFlow.insert(m_Data.m_vecFlow.end(), src.begin(), src.end());
    m_vecFlowState.resize(static_cast<size_t>(old + count));
    base = old;
  } else {
    m_vecFlowState.assign(static_cast<size_t>(count), cFlowState());
  }

  for (int j = 0; j < count; ++j) {
    cFlow& flow = src[static_cast<size_t>(j)];
    cFlowState& s = m_vecFlowState[static_cast<size_t>(base + j)];
    s.m_nIndex = base + j;
    s.m_pFlow = &flow;
    s.m_nId = m_nNextFlowId++;
    s.m_vecKeyTrigger.clear();
    for (cKeyTrigger& k : flow.m_vecKeyTrigger) s.m_vecKeyTrigger.push_back(&k);
    s.m_vecCmdState.assign(flow.m_vecCmd.size(), cCmdState());
    for (size_t k = 0; k < flow.m_vecCmd.size(); ++k) SetUpCmdState(s.m_vecCmdState[k], flow.m_vecCmd[k], *this);
    if (insert == 1) s.m_bKeyHeld = flow.m_bKeyRepeat == 0 ? 1 : 0;
  }
  if (insert == 1) RelinkFlowStates();
  if (count == 0) return 0;
  for (int j = 0; j < count; ++j) BuildSchedule(m_vecFlowState[static_cast<size_t>(base + j)]);
  return count;
}

void RemoveEffectsOfFlow(cCharaBase& chara, int flowId) {
  chara.m_lstAnime.remove_if([flowId](const RUNNINGANIME& a) { return a.nFlowId == flowId; });
}

void cCharaBase::RemoveFlow(int index) {
  if (index < 0 || index >= m_vecFlowState.Size() || index >= m_Data.m_vecFlow.Size()) {
    ReportBadVectorIndex(index, m_vecFlowState.Size(), static_cast<int>(sizeof(cFlowState)));
    return;
  }
  cFlowState& s = m_vecFlowState[static_cast<size_t>(index)];
  s.Stop(this);
  RemoveEffectsOfFlow(*this, s.m_nId);
  m_Data.m_vecFlow.erase(m_Data.m_vecFlow.begin() + index);
  m_vecFlowState.erase(m_vecFlowState.begin() + index);
  RelinkFlowStates();
}

int cCharaBase::RemoveFlowGroup(BYTE group) {
  if (group == 0) {
    for (cFlowState& s : m_vecFlowState) s.Stop(this);
    m_vecFlowState.clear();
    m_Data.m_vecFlow.clear();
    m_lstAnime.clear();
    return 0;
  }
  int first = -1;
  for (int i = 0; i < m_vecFlowState.Size() && i < m_Data.m_vecFlow.Size();) {
    if (m_Data.m_vecFlow[static_cast<size_t>(i)].m_byGroup != group) {
      ++i;
      continue;
    }
    cFlowState& s = m_vecFlowState[static_cast<size_t>(i)];
    s.Stop(this);
    RemoveEffectsOfFlow(*this, s.m_nId);
    m_vecFlowState.erase(m_vecFlowState.begin() + i);
    m_Data.m_vecFlow.erase(m_Data.m_vecFlow.begin() + i);
    RelinkFlowStates();
    if (first < 0) first = i;
  }
  return first;
}

void cCharaBase::AssignFlowStates(const cCheckedVector<cFlowState>& states) {
  m_vecFlowState = states;
  RelinkFlowStates();
}

void cCharaBase::RelinkFlowStates() {
  for (int i = 0; i < m_vecFlowState.Size(); ++i) {
    cFlowState& s = m_vecFlowState[static_cast<size_t>(i)];
    cFlow& flow = m_Data.m_vecFlow.At(i);
    s.m_nIndex = i;
    s.m_pFlow = &flow;
    s.m_vecKeyTrigger.clear();
    for (cKeyTrigger& k : flow.m_vecKeyTrigger) s.m_vecKeyTrigger.push_back(&k);
    for (int k = 0; k < s.m_vecCmdState.Size(); ++k) s.m_vecCmdState[static_cast<size_t>(k)].m_pCmd = &flow.m_vecCmd.At(k);
  }
}

void cCharaBase::ApplyFlowAnimations() {
  for (cFlowState& s : m_vecFlowState) {
    if (!s.m_bRunning || s.m_bPaused) continue;
    for (const ANIMESCHEDULE& e : s.m_vecAnimeSchedule) {
      if (e.nStart != s.m_nSubStep) continue;
      std::vector<int> triples;
      bool held = false;
      for (const ANIMEPATTERNSTEP& step : g_AnimePatternTable.At(e.sAnime)) {
        int time = step.nTime;
        // The held pose lasts through the command.
        if (!held && step.nLock && e.sHoldFrames > 1 && e.bHold) {
          time += e.sHoldFrames - 1;
          held = true;
        }
        triples.insert(triples.end(), {step.nValue, time, step.nLock});
      }
      if (triples.empty() || triples[triples.size() - 3] >= 0) triples.insert(triples.end(), {-1, 0, 0});
      const int* lists[] = {triples.data(), nullptr};
      RUNNINGANIME a;
      a.Pattern.Create(lists);
      a.Pattern.SetPattern(0, 1);
      a.bTimed = 1;
      a.nFramesLeft = e.sLength;
      a.nHoldFrames = e.sHoldFrames;
      a.nFlowId = s.m_nId;
      a.bPaused = 0;
      for (int k = 0; k < e.sSkip; ++k) a.Pattern.Step();
      m_lstAnime.push_front(std::move(a));
    }
  }
}

void SetupMoveCmd(cCmdState& state, cCharaBase& chara) {
  const cEdMove* move = state.m_pCmd ? state.m_pCmd->m_pEdMove.get() : nullptr;
  if (move && move->m_bySpeedMode != 0) ConvertMoveParams(state, *state.m_pCmd, chara.m_nCloneValue);
}

void SetupHomingMoveCmd(cCmdState& state, cCharaBase& chara) {
  const cEdMove* move = state.m_pCmd ? state.m_pCmd->m_pEdMove.get() : nullptr;
  if (move) {
    const long long r = (static_cast<long long>(chara.m_nCloneValue) * move->m_sSlownessPerClone + move->m_sSlowness) *
                        StageSubSteps();
    state.m_nRadius = static_cast<int>(std::clamp<long long>(r, INT32_MIN, INT32_MAX));
  }
  SetupMoveCmd(state, chara);
}

void SetupCircleMoveCmd(cCmdState& state, cCharaBase& chara) {
  const cEdMove* move = state.m_pCmd ? state.m_pCmd->m_pEdMove.get() : nullptr;
  if (!move) return;
  const int n = StageSubSteps();
  const int clone = chara.m_nCloneValue;
  // A chara that starts facing right mirrors the circle: each mirror flag
  // swaps the rotation sense, the first also turns the angles half round.
  bool turned = false;
  auto swapSense = [&state] {
    if (state.m_byDir == 0) state.m_byDir = 1;
    else if (state.m_byDir == 1) state.m_byDir = 0;
  };
  if (chara.m_Data.m_byFacing == 1) {
    if (move->m_bFlipX) {
      swapSense();
      turned = true;
    }
    if (move->m_bFlipY) swapSense();
  }
  const int r = std::clamp(clone * move->m_sDistancePerClone + move->m_sDistance, 0, 20);
  state.m_nRadius = r * 16 * n;
  state.m_nStartAngle = ((turned ? 180 : 0) + clone * move->m_sAnglePerClone + move->m_sAngle) * n;
  state.m_nArc = ((turned ? 180 : 0) + clone * move->m_sSlownessPerClone + move->m_sSlowness) * n;
  const int a = move->m_sAngle < move->m_sSlowness ? state.m_nArc - state.m_nStartAngle
                                                   : state.m_nStartAngle - state.m_nArc;
  if (move->m_bySpeedMode == 1) {
    // Without a speed the circle takes no time.
    const int d = state.m_dSpeed != 0.0 ? TruncToInt(a / state.m_dSpeed / n) : 0;
    state.m_nDuration = d == INT32_MIN ? INT32_MAX : std::abs(d);
  } else if (move->m_bySpeedMode == 0) {
    // Without a duration the circle has no speed.
    state.m_dSpeed = state.m_nDuration != 0 ? static_cast<double>(a) / state.m_nDuration / n : 0.0;
  }
}

void SetupJumpCmd(cCmdState& state, cCharaBase& chara) {
  cFlowCmd* cmd = state.m_pCmd;
  if (!cmd) return;
  const int8_t h = static_cast<int8_t>(cmd->m_vecParam.At(2));
  state.m_dSpeed = chara.JumpSpeedForHeight(h);
  const int tenths = chara.JumpHeightToFrames(h);
  cmd->m_sTime = static_cast<int16_t>(std::clamp(tenths, -32768, 32767));
  const long long d = static_cast<long long>(cmd->m_sTime) * StageSubSteps() * 6;
  state.m_nDuration = static_cast<int>(std::clamp<long long>(d, INT32_MIN, INT32_MAX));
}

int cCharaBase::StepFlows(int dying, int vanishCheck) {
  constexpr int kTriggerDeath = 3;
  for (int i = 0; i < m_vecFlowState.Size(); ++i) {
    cFlowState& s = m_vecFlowState[static_cast<size_t>(i)];
    if (!s.m_bRunning) continue;
    if (s.m_vecCmdState.empty()) {
      s.Stop(this);
      continue;
    }
    const int trigger = s.m_pFlow ? s.m_pFlow->m_byTrigger : 0;
    if (s.m_bPaused || s.m_bHalted || (dying && trigger != kTriggerDeath)) continue;
    if (s.Step()) s.Stop(this);
    if ((vanishCheck && m_bVanish) || (!dying && trigger != kTriggerDeath && m_nLife <= 0)) return 1;
  }
  return 0;
}

void cCharaBase::ApplyFlowEdits() {
  if (m_bFlowDeleted) {
    for (int i = m_vecFlowState.Size() - 1; i >= 0; --i)
      if (m_vecFlowState[static_cast<size_t>(i)].m_bDeleteMark) RemoveFlow(i);
    m_bFlowDeleted = 0;
  }
  if (m_bSwitchChanged) {
    for (size_t i = 0; i < m_vecSwitchSet.size(); ++i) {
      if (!m_vecSwitchSet[i]) continue;
      m_vecSwitchSet[i] = 0;
      if (i < m_vecSwitchLatch.size()) m_vecSwitchLatch[i] = 0;
    }
    m_bSwitchChanged = 0;
  }
}

void cCharaBase::BeginUpdate() {
  if (!g_pGameScene) return;
  g_pGameScene->m_pCurChara = this;
  g_pGameScene->m_bMessageShown = 0;
}

void cCharaBase::PrepareFlowPass() {
  m_bGravityHold = 0;
  m_bDecelX = m_bDecelY = 1;
  m_bHidden2 = 0;
  m_bMoved = 0;
  if (m_nFlowLockTimer > 0) --m_nFlowLockTimer;
  ApplyFlowAnimations();
}

int cCharaBase::EndFlowPass(int result) {
  if (g_pGameScene) {
    g_pGameScene->m_pCurChara = nullptr;
    g_pGameScene->m_pCurFlow = nullptr;
    g_pGameScene->m_pCurCmd = nullptr;
  }
  return result;
}

void cCharaBase::SettleIdlePose() {
  if (!m_bMoved && m_dAX == 0 && m_dAY == 0) m_Anime.ChangePattern(m_bNoGravity ? 2 : 0, 0);
}
