// STAND-IN until the charas issue: a computer-operated chara of the running
// stage. Only its container exists so far.
#pragma once
#include "records/checked.h"

class cChara {};

// The charas of the running stage.
extern cCheckedList<cChara> g_lstChara;
