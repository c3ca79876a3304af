#include "frontend/save_slot.h"

namespace {
constinit const RecordField kSaveSlotFields[] = {
    T4_FIELD(cSaveSlot, m_bExists),
};
}  // namespace

cSaveSlot::cSaveSlot() { Clear(); }
RecordFieldTable cSaveSlot::FieldTable() const { return kSaveSlotFields; }
