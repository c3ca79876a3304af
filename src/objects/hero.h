// STAND-IN until the hero issue: the player hero, so far only its chara base.
#pragma once
#include "objects/chara_base.h"
#include "records/checked.h"

class cHero : public cCharaBase {};

// The player heroes; element 0 is player 1.
extern cCheckedVector<cHero> Player;
