// STAND-INS: executors whose commands come with the charas, combat, effects
// and flow-operation work. Until each lands here it does nothing, so its
// command only lasts its duration. Each is removed from this file when its
// real executor is written.
#include "flow/cmd_executors.h"

int ExecShot(cCharaBase*, cCmdState*) { return 0; }
int ExecSword(cCharaBase*, cCmdState*) { return 0; }
int ExecSummonBlock(cCharaBase*, cCmdState*) { return 0; }
int ExecSummonChara(cCharaBase*, cCmdState*) { return 0; }
int ExecSummonItem(cCharaBase*, cCmdState*) { return 0; }
int ExecFlowOperation(cCharaBase*, cCmdState*) { return 0; }
int ExecStageClear(cCharaBase*, cFlowCmd*) { return 0; }
int ExecGameWait(cCharaBase*, cFlowCmd*) { return 0; }
int ExecMessage(cCharaBase*, cFlowCmd*, int*) { return 0; }
int ExecChangeGraphic(cCharaBase*, cFlowCmd*) { return 0; }
int ExecChangeBaseAnimeSet(cCharaBase*, cFlowCmd*) { return 0; }
int ExecRunAnime(cCharaBase*, cFlowCmd*) { return 0; }
int ExecRunEffect(cCharaBase*, cFlowCmd*) { return 0; }
int ExecRunCharaEffect(cCharaBase*, cFlowCmd*) { return 0; }
int ExecRunScrEffect(cCharaBase*, cFlowCmd*) { return 0; }
int ExecShowPicture(cCharaBase*, cFlowCmd*) { return 0; }
int ExecChangeScreenColor(cCharaBase*, cFlowCmd*) { return 0; }
int ExecChangeBackground(cCharaBase*, cFlowCmd*) { return 0; }
int ExecPlaySound(cFlowCmd*, cCharaBase*) { return 0; }
int ExecPlayBgm(cFlowCmd*) { return 0; }
int ExecFlowChange(cCharaBase*, cFlowCmd*, int) { return 0; }
