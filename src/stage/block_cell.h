// One cell of the running stage's block map: a copy of the block template
// placed there (an empty cell has graphic 0, hit kind 0 and summon-proof 0)
// and the appearance latch of run-time summons.
#pragma once
#include "records/block_data.h"
#include "records/checked.h"

class cBlockCell : public cBlockData {
 public:
  BYTE m_byAppearLatch = 0;
};

// The running stage's block map: (stage height + 20) rows of the horizontal
// axis's row width; the cell of map cell (cx, cy) is cx + (cy << row shift).
extern cCheckedVector<cBlockCell> g_vecBlockMap;
