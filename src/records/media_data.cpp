#include "records/media_data.h"

namespace {
constinit const RecordField kMediaFields[] = {
    T4_FIELD(cMediaData, m_strName),
    T4_FIELD(cMediaData, m_strFile),
    T4_FIELD(cMediaData, m_nReserved).From(151),
};
}  // namespace

RecordFieldTable cMediaData::FieldTable() const { return kMediaFields; }

bool cMediaData::Load(cRecordReader& in) {
  if (!cRecord::Load(in)) return false;
  // Files before 153 hold a value here that the editor no longer meant.
  if (in.Version() < 153) m_nReserved = 0;
  return true;
}
