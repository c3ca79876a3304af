#include "flow/cmd_dispatch.h"

#include "flow/cmd_executors.h"
#include "flow/flow_records.h"
#include "flow/flow_state.h"
#include "stage/game_scene.h"

namespace {

int CmdNone(cCharaBase*, cCmdState*) { return 0; }

// Kinds 17..38 run the shared executors with the command itself.
template <int (*Exec)(cCharaBase*, cFlowCmd*)>
int CmdShared(cCharaBase* chara, cCmdState* state) {
  return Exec(chara, state->m_pCmd);
}

int CmdStageClear(cCharaBase* chara, cCmdState* state) {
  const int request = ExecStageClear(chara, state->m_pCmd);
  if (g_pGameScene) g_pGameScene->m_nStageClearRequest = request;
  return request;
}

int CmdMessage(cCharaBase* chara, cCmdState* state) {
  cFlowState* flow = g_pGameScene ? g_pGameScene->m_pCurFlow : nullptr;
  int scratch = 0;
  return ExecMessage(chara, state->m_pCmd, flow ? &flow->m_bMessageWait : &scratch);
}

int CmdPlaySound(cCharaBase* chara, cCmdState* state) { return ExecPlaySound(state->m_pCmd, chara); }
int CmdPlayBgm(cCharaBase*, cCmdState* state) { return ExecPlayBgm(state->m_pCmd); }

int ItemCmdNone(cCharaBase*, cFlowCmd*) { return 0; }
int ItemCmdFlowChange(cCharaBase* hero, cFlowCmd* cmd) {
  ExecFlowChange(hero, cmd, 0);
  return 0;
}
int ItemCmdStageClear(cCharaBase* hero, cFlowCmd* cmd) {
  ExecStageClear(hero, cmd);
  return 1;
}
int ItemCmdMessage(cCharaBase* hero, cFlowCmd* cmd) {
  int scratch = 0;
  int* shown = g_pGameScene ? &g_pGameScene->m_bMessageShown : &scratch;
  ExecMessage(hero, cmd, shown);
  *shown = 1;
  return 0;
}
template <int (*Exec)(cCharaBase*, cFlowCmd*)>
int ItemShared(cCharaBase* hero, cFlowCmd* cmd) {
  Exec(hero, cmd);
  return 0;
}
int ItemCmdPlaySound(cCharaBase* hero, cFlowCmd* cmd) {
  ExecPlaySound(cmd, hero);
  return 0;
}
int ItemCmdPlayBgm(cCharaBase*, cFlowCmd* cmd) {
  ExecPlayBgm(cmd);
  return 0;
}

}  // namespace

const CharaCmdFn g_CharaCmdTable[kCharaCmdKinds] = {
    CmdNone,                            // 0
    CmdNone,                            // 1 wait: lasts its duration
    ExecStraightMove,                   // 2
    ExecGroundTurnMove,                 // 3
    ExecCircleMove,                     // 4
    ExecChargeMove,                     // 5
    ExecHomingMove,                     // 6
    ExecAvoidOffscreenMove,             // 7
    ExecDisableMove,                    // 8
    ExecChangeDirection,                // 9
    ExecJump,                           // 10
    ExecShot,                           // 11
    ExecSword,                          // 12
    ExecSummonBlock,                    // 13
    ExecSummonChara,                    // 14
    ExecSummonItem,                     // 15
    ExecFlowOperation,                  // 16
    CmdStageClear,                      // 17
    CmdShared<ExecGameWait>,            // 18
    CmdMessage,                         // 19
    CmdShared<ExecWarp>,                // 20
    CmdShared<ExecSetTarget>,           // 21
    CmdShared<ExecStatusOp>,            // 22
    CmdShared<ExecStatusOp2>,           // 23
    CmdShared<ExecVanish>,              // 24
    CmdShared<ExecGetItem>,             // 25
    CmdShared<ExecChangeGraphic>,       // 26
    CmdShared<ExecChangeBaseAnimeSet>,  // 27
    CmdShared<ExecRunAnime>,            // 28
    CmdShared<ExecRunEffect>,           // 29
    CmdShared<ExecRunCharaEffect>,      // 30
    CmdShared<ExecRunScrEffect>,        // 31
    CmdShared<ExecShowPicture>,         // 32
    CmdShared<ExecChangeScreenColor>,   // 33
    CmdShared<ExecChangeBackground>,    // 34
    CmdPlaySound,                       // 35
    CmdPlayBgm,                         // 36
    CmdShared<ExecRunCode>,             // 37
    CmdShared<ExecArrange>,             // 38
    CmdNone,                            // 39 loop: expanded when the flow is inserted
};

const ItemCmdFn g_ItemCmdTable[kItemCmdKinds] = {
    ItemCmdNone,                         // 0
    ItemCmdFlowChange,                   // 1
    ItemCmdStageClear,                   // 2: ends the list with 1
    ItemShared<ExecGameWait>,            // 3
    ItemCmdMessage,                      // 4
    ItemShared<ExecWarp>,                // 5
    ItemShared<ExecSetTarget>,           // 6
    ItemShared<ExecStatusOp>,            // 7
    ItemShared<ExecStatusOp2>,           // 8
    ItemShared<ExecVanish>,              // 9
    ItemShared<ExecGetItem>,             // 10
    ItemShared<ExecChangeGraphic>,       // 11
    ItemShared<ExecChangeBaseAnimeSet>,  // 12
    ItemShared<ExecRunAnime>,            // 13
    ItemShared<ExecRunEffect>,           // 14
    ItemShared<ExecRunCharaEffect>,      // 15
    ItemShared<ExecRunScrEffect>,        // 16
    ItemShared<ExecShowPicture>,         // 17
    ItemShared<ExecChangeScreenColor>,   // 18
    ItemShared<ExecChangeBackground>,    // 19
    ItemCmdPlaySound,                    // 20
    ItemCmdPlayBgm,                      // 21
    ItemShared<ExecRunCode>,             // 22
    ItemShared<ExecArrange>,             // 23
    ItemCmdNone,                         // 24 loop
};

int RunCmd(cCharaBase* chara, cCmdState* state) {
  if (!state || !state->m_pCmd) return 0;
  const int kind = state->m_pCmd->m_byKind;
  if (kind < 0 || kind >= kCharaCmdKinds) return 0;
  return g_CharaCmdTable[kind](chara, state);
}

int UnifiedCmdKind(const cFlowCmd& cmd) {
  return cmd.m_byCategory == 1 ? cmd.m_byKind + kItemKindOffset : cmd.m_byKind;
}
