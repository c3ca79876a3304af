// Run-time parameter change: the arrange command records a change and the
// next command that starts in the same flow (or item command list) applies
// it to itself, for good: the command record is the chara's own copy.
#pragma once
#include <array>
#include <list>

#include "flow/cmd_param_table.h"

class cCharaBase;
class cFlowCmd;
struct ARRANGEENTRY;

// Per unified kind: reads parameter `index` of the command widened to 32
// bits (narrow fields are signed), or stores it truncated to the field's
// width. Kinds without changeable parameters have none (3, 4 and 7 have
// ones that do nothing). An index without a field does nothing.
using ParamGetter = void (*)(int& value, int index, cFlowCmd& cmd);
using ParamSetter = void (*)(int value, int index, cFlowCmd& cmd);
extern const std::array<ParamGetter, kCmdParamKindCount> g_CmdParamGetter;
extern const std::array<ParamSetter, kCmdParamKindCount> g_CmdParamSetter;

// Applies one recorded change to `cmd` when it is of the entry's kind and
// holds the part the parameter lives in; the operand comes from a common,
// stage or chara variable, the result stays within the parameter's range.
void ApplyParamChange(cFlowCmd& cmd, const ARRANGEENTRY& entry, cCharaBase* chara);
void ApplyEntries(cFlowCmd& cmd, const std::list<ARRANGEENTRY>& entries, cCharaBase* chara);
