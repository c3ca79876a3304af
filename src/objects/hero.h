// STAND-IN until the hero issue: the player hero, so far only its chara base.
#pragma once
#include <list>

#include "objects/chara_base.h"
#include "records/checked.h"

class cHero : public cCharaBase {
 public:
  // Parameter changes the arrange command of an item's command list
  // recorded for the next command of such a list.
  std::list<ARRANGEENTRY> m_lstArrange;
};

// The player heroes; element 0 is player 1.
extern cCheckedVector<cHero> Player;
