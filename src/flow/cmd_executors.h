// The executors of the flow commands, shared by the chara and item command
// tables. Movement, shot, summon and flow-operation executors run only in
// chara flows and take the command's run state; the others take the command.
#pragma once

class cCharaBase;
class cCmdState;
class cFlowCmd;

// Chara commands 2..16.
int ExecStraightMove(cCharaBase* chara, cCmdState* state);
int ExecGroundTurnMove(cCharaBase* chara, cCmdState* state);
int ExecCircleMove(cCharaBase* chara, cCmdState* state);
int ExecChargeMove(cCharaBase* chara, cCmdState* state);
int ExecHomingMove(cCharaBase* chara, cCmdState* state);
int ExecAvoidOffscreenMove(cCharaBase* chara, cCmdState* state);
int ExecDisableMove(cCharaBase* chara, cCmdState* state);
int ExecChangeDirection(cCharaBase* chara, cCmdState* state);
int ExecJump(cCharaBase* chara, cCmdState* state);
int ExecShot(cCharaBase* chara, cCmdState* state);
int ExecSword(cCharaBase* chara, cCmdState* state);
int ExecSummonBlock(cCharaBase* chara, cCmdState* state);
int ExecSummonChara(cCharaBase* chara, cCmdState* state);
int ExecSummonItem(cCharaBase* chara, cCmdState* state);
int ExecFlowOperation(cCharaBase* chara, cCmdState* state);

// Shared by both tables.
int ExecStageClear(cCharaBase* chara, cFlowCmd* cmd);  // the stage-clear request
int ExecGameWait(cCharaBase* chara, cFlowCmd* cmd);
int ExecMessage(cCharaBase* chara, cFlowCmd* cmd, int* waitFlag);
int ExecWarp(cCharaBase* chara, cFlowCmd* cmd);
int ExecSetTarget(cCharaBase* chara, cFlowCmd* cmd);
int ExecStatusOp(cCharaBase* chara, cFlowCmd* cmd);
int ExecStatusOp2(cCharaBase* chara, cFlowCmd* cmd);
int ExecVanish(cCharaBase* chara, cFlowCmd* cmd);
int ExecGetItem(cCharaBase* chara, cFlowCmd* cmd);
int ExecChangeGraphic(cCharaBase* chara, cFlowCmd* cmd);
int ExecChangeBaseAnimeSet(cCharaBase* chara, cFlowCmd* cmd);
int ExecRunAnime(cCharaBase* chara, cFlowCmd* cmd);
int ExecRunEffect(cCharaBase* chara, cFlowCmd* cmd);
int ExecRunCharaEffect(cCharaBase* chara, cFlowCmd* cmd);
int ExecRunScrEffect(cCharaBase* chara, cFlowCmd* cmd);
int ExecShowPicture(cCharaBase* chara, cFlowCmd* cmd);
int ExecChangeScreenColor(cCharaBase* chara, cFlowCmd* cmd);
int ExecChangeBackground(cCharaBase* chara, cFlowCmd* cmd);
int ExecPlaySound(cFlowCmd* cmd, cCharaBase* chara);
int ExecPlayBgm(cFlowCmd* cmd);
// Tests: the modal waits of the game-wait, message, effect and picture
// commands call `wait` in place of the frame loop on thPause (null restores it).
class cGameScene;
void SetCmdModalWaitForTest(int (*wait)(cGameScene& scene, int post));
int ExecRunCode(cCharaBase* chara, cFlowCmd* cmd);
int ExecArrange(cCharaBase* chara, cFlowCmd* cmd);
// The item list's own flow change: replaces or adds flows on the hero.
int ExecFlowChange(cCharaBase* hero, cFlowCmd* cmd, int immediate);

// Applies the recorded parameter changes of `list` to `cmd` before it
// starts (the arrange command's effect).
class cFlowState;
void ApplyArrangeList(cFlowCmd* cmd, cCharaBase* chara, cFlowState* flow);
void ApplyCharaArrangeList(cFlowCmd* cmd, cCharaBase* hero);
