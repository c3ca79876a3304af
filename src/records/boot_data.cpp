#include "records/boot_data.h"

cBootData g_Boot;

namespace {
constinit const RecordField kBootFields[] = {
    T4_FIELD(cBootData, m_nDrawMode),
    T4_FIELD(cBootData, m_bNoAsk),
};
}  // namespace

RecordFieldTable cBootData::FieldTable() const { return kBootFields; }

cBootData::cBootData() {
  Clear();
  m_nDrawMode = 1;
}
