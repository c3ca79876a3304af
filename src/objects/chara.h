// STAND-IN until the charas issue: a computer-operated chara of the running
// stage, so far only its chara base.
#pragma once
#include "objects/chara_base.h"
#include "records/checked.h"

class cChara : public cCharaBase {};

// The charas of the running stage.
extern cCheckedList<cChara> g_lstChara;
