// The headers of the story save slots 01 to 99: whether each slot file
// exists. (The save time and the slot files themselves come with the
// save-slot issue.)
#pragma once
#include "records/checked.h"
#include "records/record.h"

constexpr int kSaveSlotCount = 99;

class cSaveSlot : public cRecordOf<cSaveSlot> {
 public:
  int m_bExists = 0;  // the slot file was found

  cSaveSlot();
  RecordFieldTable FieldTable() const override;
};

// Slot i (from 0) is file number i + 1.
extern cCheckedVector<cSaveSlot> g_vecSaveSlot;
