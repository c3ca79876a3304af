// Building the run states of a chara's flows: loop expansion and the
// per-kind set-up of commands that precomputes their run words.
#pragma once
#include "records/checked.h"

class cCharaBase;
class cCmdState;
class cFlowCmd;

// Expands the first loop command of the list: 1 when one was expanded, 0
// when none is left, -1 when the expansion would not fit in memory.
int ExpandOneRepeatCommand(cCheckedVector<cFlowCmd>& list);
// Expands every loop command; false when an expansion would not fit.
bool ExpandRepeatCommands(cCheckedVector<cFlowCmd>& list);

using CmdSetupFn = void (*)(cCmdState& state, cCharaBase& chara);
inline constexpr int kCmdSetupKinds = 40;
extern const CmdSetupFn g_CmdSetupTable[kCmdSetupKinds];

void SetupMoveCmd(cCmdState& state, cCharaBase& chara);
void SetupCircleMoveCmd(cCmdState& state, cCharaBase& chara);
void SetupHomingMoveCmd(cCmdState& state, cCharaBase& chara);
void SetupJumpCmd(cCmdState& state, cCharaBase& chara);

// Removes the animations a flow started from the chara's running ones.
void RemoveEffectsOfFlow(cCharaBase& chara, int flowId);
