// Command dispatch: every command of a flow or of an item's command list is
// carried out by the executor its kind byte selects. Chara commands run one
// physics sub-step at a time under the flow runner; item commands run all at
// once on the hero when the item is taken.
#pragma once

class cCharaBase;
class cCmdState;
class cFlowCmd;

using CharaCmdFn = int (*)(cCharaBase* chara, cCmdState* state);
using ItemCmdFn = int (*)(cCharaBase* hero, cFlowCmd* cmd);

inline constexpr int kCharaCmdKinds = 40;
inline constexpr int kItemCmdKinds = 25;
// An item command's kind + this is its chara twin's kind (the unified kind).
inline constexpr int kItemKindOffset = 15;

extern const CharaCmdFn g_CharaCmdTable[kCharaCmdKinds];
extern const ItemCmdFn g_ItemCmdTable[kItemCmdKinds];

// The executor of the command `state` holds, with the chara; its result.
// A kind outside the table does nothing.
int RunCmd(cCharaBase* chara, cCmdState* state);
// The unified kind of a command: its kind, + 15 for an item command.
int UnifiedCmdKind(const cFlowCmd& cmd);
