// STAND-INS: executors whose commands come with the charas, combat, effects
// and flow-operation work. Until each lands here it does nothing, so its
// command only lasts its duration. Each is removed from this file when its
// real executor is written.
#include "flow/cmd_executors.h"

int ExecSummonBlock(cCharaBase*, cCmdState*) { return 0; }
int ExecSummonChara(cCharaBase*, cCmdState*) { return 0; }
int ExecSummonItem(cCharaBase*, cCmdState*) { return 0; }
