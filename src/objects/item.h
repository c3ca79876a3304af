// STAND-IN until the items issue: an item of the running stage. Only its
// container exists so far.
#pragma once
#include "records/checked.h"

class cItem {};

// The items of the running stage.
extern cCheckedList<cItem> g_lstItem;
