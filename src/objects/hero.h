// STAND-IN until the hero issue: the player hero. Only its container exists
// so far.
#pragma once
#include "records/checked.h"

class cHero {};

// The player heroes; element 0 is player 1.
extern cCheckedVector<cHero> Player;
