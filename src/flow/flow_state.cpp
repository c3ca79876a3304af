#include "flow/flow_state.h"

#include <climits>

#include "flow/flow_records.h"
#include "objects/chara_base.h"
#include "platform/numeric.h"
#include "records/system_data.h"

namespace {

// The flow's switch goes to the chara's switch set: its update releases the
// latch of that switch afterwards.
void ReleaseSwitch(const cFlow* flow, cCharaBase* chara) {
  if (!flow || !chara) return;
  const int s = flow->m_bySwitch;
  if (s <= 0 || static_cast<size_t>(s) >= chara->m_vecSwitchSet.size()) return;
  chara->m_vecSwitchSet[static_cast<size_t>(s)] = 1;
  chara->m_bSwitchChanged = 1;
}

}  // namespace

void cFlowState::Stop(cCharaBase* chara) {
  if (!m_bRunning) return;
  m_bRunning = 0;
  m_lstArrange.clear();
  for (cCmdState& c : m_vecCmdState) c.m_nFramesLeft = 0;
  ReleaseSwitch(m_pFlow, chara);
}

void cFlowState::Halt(cCharaBase* chara) {
  m_bHalted = 1;
  if (!m_bRunning) return;
  for (cCmdState& c : m_vecCmdState) c.m_nFramesLeft = 0;
  ReleaseSwitch(m_pFlow, chara);
}

void ConvertMoveParams(cCmdState& state, const cFlowCmd& cmd, int cloneValue) {
  const cEdMove* move = cmd.m_pEdMove.get();
  if (!move) return;
  double distance = static_cast<double>(move->m_sDistancePerClone) * cloneValue + move->m_sDistance;
  if (move->m_byDistanceUnit != 1) distance *= 16;
  switch (move->m_bySpeedMode) {
    case 1:
      // A command of no duration covers its distance in one sub-step.
      state.m_dSpeed = distance / (state.m_nDuration != 0 ? state.m_nDuration : 1);
      break;
    case 2: {
      // Without a speed the time cannot follow from the distance.
      if (state.m_dSpeed == 0.0) break;
      int duration = plat::TruncToInt(distance / state.m_dSpeed);
      if (duration < 0 && !g_SystemData.m_bCompat695) duration = duration == INT_MIN ? INT_MAX : -duration;
      state.m_nDuration = duration;
      break;
    }
    default:
      break;
  }
}
