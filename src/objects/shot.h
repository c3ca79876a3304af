// STAND-IN until the shots issue: a fired shot or a swung sword, so far only
// what a hit chara reads of it for its knockback.
#pragma once
#include "objects/ed_shot.h"
#include "objects/game_object.h"

class cShot : public cGameObject {
 public:
  int m_bFree = 1;       // 1 a shot; 0 a sword, which follows its owner
  cEdShot m_Settings;    // the settings copy

  // read by the vanish command
  // (its team is m_nBlockSide, its activity m_bActive)
  int m_bRemoved = 0;    // leaves the stage once the walk over the shot list ends
};
