// The status condition (condition kind 4).
#pragma once

class cCond;
class cCharaBase;

// The chara's status, a linked chara's, a system value or a variable
// against an operand; `chara` is the hero for blocks and items.
bool TestStatusCond(const cCond& cond, cCharaBase* chara);
