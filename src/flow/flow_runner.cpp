// The flow runner: starting a flow, walking its commands one physics
// sub-step at a time, and running one command through its executor.
#include "flow/cmd_dispatch.h"
#include "flow/cmd_executors.h"
#include "flow/flow_records.h"
#include "flow/flow_state.h"
#include "objects/chara_base.h"
#include "services/log.h"
#include "stage/game_scene.h"

namespace {

constexpr int kTriggerAlways = 0;
constexpr int kTriggerBeforeStage = 21;
constexpr int kCmdMessage = 19;
constexpr int kCmdArrange = 38;
// Commands of these kinds and above run in the pass before the stage starts.
constexpr int kFirstBeforeStageKind = 16;

// A message whose parameters 15 and 6 are both 0 waits for a key; the flow
// notes when one has just finished.
bool IsWaitingMessage(const cFlowCmd& cmd) {
  return cmd.m_byKind == kCmdMessage && cmd.m_vecParam.At(15) == 0 && cmd.m_vecParam.At(6) == 0;
}

bool ValidSwitch(int s, const std::vector<BYTE>& set) { return s > 0 && static_cast<size_t>(s) < set.size(); }

}  // namespace

void cFlowState::Start() {
  m_bRunning = 1;
  m_nCurCmd = 0;
  m_nSubStep = 0;
  m_bMessageWait = 0;
  for (cCmdState& c : m_vecCmdState) c.m_bDone = 0;
  m_bStarted = 1;
  if (!m_pFlow) return;

  cCharaBase* chara = g_pGameScene ? g_pGameScene->m_pCurChara : nullptr;
  const int s = m_pFlow->m_bySwitch;
  if (m_pFlow->m_byTrigger == kTriggerAlways && chara && ValidSwitch(s, chara->m_vecSwitchLatch) &&
      ValidSwitch(s, chara->m_vecSwitchFrame)) {
    chara->m_vecSwitchLatch[static_cast<size_t>(s)] = 1;
    chara->m_vecSwitchFrame[static_cast<size_t>(s)] = 1;
  }
  if (m_vecCmdState.empty()) return;

  if (m_pFlow->m_byTrigger == kTriggerBeforeStage) {
    if (g_pGameScene) g_pGameScene->m_pCurFlow = this;
    m_bInterrupted = 0;
    for (m_nCurCmd = 0; m_nCurCmd < m_vecCmdState.Size(); ++m_nCurCmd) {
      cCmdState& c = m_vecCmdState.At(m_nCurCmd);
      if (!c.m_pCmd || c.m_pCmd->m_byKind < kFirstBeforeStageKind || !c.m_pCmd->m_bParallel) continue;
      c.Reset();
      if (!c.Run()) DebugErrorBoxf("%s", "使用時間0なので、ここにくることはあり得ないはず！");
      if (m_bInterrupted) break;
      c.m_bDone = 1;
    }
    Stop(g_pGameScene ? g_pGameScene->m_pCurChara : chara);
  }
}

int cFlowState::Step() {
  if (g_pGameScene) g_pGameScene->m_pCurFlow = this;
  m_bInterrupted = 0;
  const int last = m_vecCmdState.Size() - 1;
  for (int i = 0; i <= m_nCurCmd && i <= last; ++i) {
    cCmdState& c = m_vecCmdState.At(i);
    if (c.m_bDone) continue;
    if (c.m_nFramesLeft == 0) c.Reset();
    const cFlowCmd* cmd = c.m_pCmd;
    const bool parallel = cmd && cmd->m_bParallel == 1;
    if (cmd && !IsWaitingMessage(*cmd) && !parallel) m_bMessageWait = 0;

    if (parallel) {
      if (c.Run()) {
        c.m_bDone = 1;
        if (i == last) return 1;
      }
      if (i == m_nCurCmd) ++m_nCurCmd;
      if (m_bInterrupted) return 0;
      continue;
    }

    if (!c.Run()) {
      if (m_bInterrupted) return 0;
      continue;
    }
    c.m_bDone = 1;
    if (cmd && IsWaitingMessage(*cmd)) m_bMessageWait = 1;
    if (i == last) return 1;
    ++m_nCurCmd;
    break;
  }
  if (last >= 0 && m_vecCmdState.At(last).m_bDone) return 1;
  ++m_nSubStep;
  return 0;
}

void cCmdState::Reset() {
  m_nFramesLeft = m_nDuration;
  m_bDone = 0;
  m_nSubStep = 0;
  m_bFirst = 0;
  m_dAccX = 0.0;
  m_dAccY = 0.0;
  if (m_pCmd && m_pCmd->m_byKind != kCmdArrange && g_pGameScene) {
    cFlowState* flow = g_pGameScene->m_pCurFlow;
    ApplyArrangeList(m_pCmd, g_pGameScene->m_pCurChara, flow);
    if (flow) flow->m_lstArrange.clear();
  }
}

int cCmdState::Run() {
  if (g_pGameScene) g_pGameScene->m_pCurCmd = this;
  RunCmd(g_pGameScene ? g_pGameScene->m_pCurChara : nullptr, this);
  --m_nFramesLeft;
  if (m_nFramesLeft > 0) return 0;
  m_nFramesLeft = 0;
  return 1;
}
