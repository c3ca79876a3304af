// The summon commands (blocks, charas and items laid out in a fire pattern
// once per frame), the flow operation that starts, ends, pauses, resumes,
// deletes or halts flows of a chara or of one of its targets, and the flow
// change an item makes on the hero.
#include <algorithm>
#include <vector>

#include "flow/cmd_executors.h"
#include "flow/cond_list.h"
#include "flow/flow_records.h"
#include "flow/flow_state.h"
#include "objects/chara_base.h"
#include "objects/chara_flows.h"
#include "objects/fire_pattern.h"
#include "objects/hero.h"
#include "stage/game_scene.h"

namespace {

enum : int { kOpStart = 0, kOpEnd = 1, kOpPause = 2, kOpResume = 3, kOpDelete = 4, kOpHalt = 5 };
enum : int { kScopeThisFlow = 0, kScopeOtherFlows = 1, kScopeById = 2 };
enum : int { kChangeAdd = 0, kChangeReplace = 1, kChangeDelete = 2 };
constexpr int kTargetSlots = 4;

// The flows whose start is under way. A before-stage flow runs its commands
// inside its start; one of them starting that flow again would recurse
// without end.
std::vector<const cFlowState*> g_vecStarting;

bool Owns(const cCharaBase& chara, const cFlowState* flow) {
  if (!flow) return false;
  for (const cFlowState& s : chara.m_vecFlowState)
    if (&s == flow) return true;
  return false;
}

// A chara whose flows are being walked right now: removing one of its flows
// would free the state the walk stands on, so its flows are only marked.
bool IsRunningChara(const cCharaBase* o, const cCharaBase* chara) {
  if (o == chara) return true;
  if (!g_pGameScene) return false;
  return o == g_pGameScene->m_pCurChara || Owns(*o, g_pGameScene->m_pCurFlow);
}

void StartFlow(cFlowState& s) {
  if (std::find(g_vecStarting.begin(), g_vecStarting.end(), &s) != g_vecStarting.end()) return;
  cGameScene* scene = g_pGameScene;
  cCharaBase* curChara = scene ? scene->m_pCurChara : nullptr;
  cFlowState* curFlow = scene ? scene->m_pCurFlow : nullptr;
  cCmdState* curCmd = scene ? scene->m_pCurCmd : nullptr;
  g_vecStarting.push_back(&s);
  s.Start();
  g_vecStarting.pop_back();
  // A before-stage flow's start runs its commands as the current ones; the
  // walk that ran this command goes on with its own.
  if (scene) {
    scene->m_pCurChara = curChara;
    scene->m_pCurFlow = curFlow;
    scene->m_pCurCmd = curCmd;
  }
}

// Carries out the operation on one flow of `owner`; a deletion only marks
// the flow.
void Operate(int op, cFlowState& s, cCharaBase& owner) {
  switch (op) {
    case kOpStart:
      s.Stop(&owner);
      RemoveEffectsOfFlow(owner, s.m_nId);
      s.m_bInterrupted = 1;
      StartFlow(s);
      break;
    case kOpEnd:
      s.Stop(&owner);
      RemoveEffectsOfFlow(owner, s.m_nId);
      s.m_bInterrupted = 1;
      break;
    case kOpPause:
      s.Pause();
      owner.RemoveFinishedEffectsOfFlow(s.m_nId);
      s.m_bInterrupted = 1;
      break;
    case kOpResume:
      s.Resume();
      owner.ResumeEffectsOfFlow(s.m_nId);
      break;
    case kOpDelete:
      s.m_bDeleteMark = 1;
      owner.m_bFlowDeleted = 1;
      s.m_bInterrupted = 1;
      break;
    case kOpHalt:
      s.Halt(&owner);
      RemoveEffectsOfFlow(owner, s.m_nId);
      s.m_bInterrupted = 1;
      break;
    default:
      break;
  }
}

using FIREFN = void (*)(cCharaBase* caller, cCmdState* state, const cEdShot& settings);

// The pattern is summoned in the first sub-step of every frame the command
// lasts.
int Summon(cCharaBase* chara, cCmdState* state, FIREFN fire) {
  if (!chara || !state || !state->m_pCmd) return 0;
  if (state->m_nSubStep == 0) {
    const cFlowCmd& cmd = *state->m_pCmd;
    PlayCmdSound(*chara, cmd);
    if (const cEdShot* settings = cmd.m_pEdShot.get()) fire(chara, state, *settings);
  }
  if (++state->m_nSubStep >= StageSubSteps()) state->m_nSubStep = 0;
  return 0;
}

cCharaBase* OperationObject(cCharaBase* chara, int object) {
  if (object == 0) return chara;
  if (object < 1 || object > kTargetSlots) return nullptr;
  const size_t slot = static_cast<size_t>(object - 1);
  return slot < chara->m_vecLink.size() ? chara->m_vecLink[slot] : nullptr;
}

}  // namespace

int ExecSummonBlock(cCharaBase* chara, cCmdState* state) { return Summon(chara, state, FireBlockPattern); }
int ExecSummonChara(cCharaBase* chara, cCmdState* state) { return Summon(chara, state, FireCharaPattern); }
int ExecSummonItem(cCharaBase* chara, cCmdState* state) { return Summon(chara, state, FireItemPattern); }

int ExecFlowOperation(cCharaBase* chara, cCmdState* state) {
  if (!chara || !state || !state->m_pCmd) return 0;
  cFlowCmd& cmd = *state->m_pCmd;
  if (const cCondList* conds = cmd.m_pCondList.get(); conds && conds->m_bUse) {
    if (!g_pGameScene || !g_pGameScene->CheckCondList(conds->m_vecCond, conds->m_byMode, chara)) return 0;
  }
  const int op = cmd.m_vecParam.At(0);
  const int scope = cmd.m_vecParam.At(1);
  const int id = cmd.m_vecParam.At(2);
  cCharaBase* o = OperationObject(chara, cmd.m_vecParam.At(3));
  if (!o || op < kOpStart || op > kOpHalt) return 0;
  cFlowState* current = g_pGameScene ? g_pGameScene->m_pCurFlow : nullptr;

  switch (scope) {
    case kScopeThisFlow:
      if (current) Operate(op, *current, *chara);
      break;
    case kScopeOtherFlows:
      // Always the chara's own other flows, whatever the object names.
      for (int i = 0; i < chara->m_vecFlowState.Size(); ++i) {
        cFlowState& s = chara->m_vecFlowState[static_cast<size_t>(i)];
        if (&s != current) Operate(op, s, *chara);
      }
      break;
    case kScopeById: {
      const int atOnce = IsRunningChara(o, chara) ? 0 : 1;
      for (int i = 0; i < o->m_vecFlowState.Size();) {
        cFlowState& s = o->m_vecFlowState[static_cast<size_t>(i)];
        const BYTE group = s.m_pFlow ? s.m_pFlow->m_byGroup : 0;
        if (group == 0 || group != id) {
          ++i;
          continue;
        }
        if (op == kOpDelete && atOnce) {
          // The next flow moves to this position and is looked at next.
          o->RemoveFlow(i);
          continue;
        }
        Operate(op, s, *o);
        ++i;
      }
      break;
    }
    default:
      break;
  }
  return 0;
}

int ExecFlowChange(cCharaBase* hero, cFlowCmd* cmd, int immediate) {
  if (!hero || !cmd) return 0;
  if (!immediate && g_pGameScene) {
    const cCharaBase* cur = g_pGameScene->m_pCurChara;
    // The hero's flows are being walked: changing its flow list now would
    // move the states under the walk, so the change waits for the end of
    // its update.
    if (cur && ((!Player.empty() && cur == &Player[0]) || cur == hero)) {
      cHero* queue = dynamic_cast<cHero*>(hero);
      if (!queue && !Player.empty()) queue = &Player[0];
      if (queue) {
        queue->m_vecPendingFlowCmd.push_back(*cmd);
        return 0;
      }
    }
  }
  switch (cmd->m_vecParam.At(0)) {
    case kChangeAdd:
      hero->InsertFlows(cmd->m_vecFlow, 1, -1);
      break;
    case kChangeReplace: {
      const int at = hero->RemoveFlowGroup(static_cast<BYTE>(cmd->m_vecParam.At(1)));
      hero->InsertFlows(cmd->m_vecFlow, 1, at);
      break;
    }
    case kChangeDelete:
      hero->RemoveFlowGroup(static_cast<BYTE>(cmd->m_vecParam.At(1)));
      break;
    default:
      break;
  }
  return 0;
}
