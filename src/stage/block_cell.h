// STAND-IN until the block-map issue: one cell of the running stage's block
// map. Only its container exists so far.
#pragma once
#include "records/checked.h"

struct cBlockCell {};

// The running stage's block map.
extern cCheckedVector<cBlockCell> g_vecBlockMap;
