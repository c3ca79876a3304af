#include "records/record_test_types.h"

constinit const RecordField kTestItemFields[] = {
    T4_FIELD(cTestItem, m_nValue),
    T4_FIELD(cTestItem, m_strLabel),
};
RecordFieldTable cTestItem::FieldTable() const { return kTestItemFields; }

constinit const RecordField kTestRecordFields[] = {
    T4_FIELD(cTestRecord, m_nA),
    T4_DISCARDED(4).From(221).Until(258),
    T4_FIELD(cTestRecord, m_anB).From(259),
    T4_FIELD(cTestRecord, m_bC),
    T4_FIELD(cTestRecord, m_strE),
    T4_FIELD(cTestRecord, m_dD),
    T4_FIELD(cTestRecord, m_strF).From(300),
    T4_FIELD(cTestRecord, m_uLate).From(800),
};
RecordFieldTable cTestRecord::FieldTable() const { return kTestRecordFields; }

void cTestRecord::Appended(cRecordIO& io) {
  io.List("m_vecItem", m_vecItem);
  if (io.Version() >= 300) io.Bytes("m_vecFlag", m_vecFlag);
}

cTestRecord::cTestRecord() {
  Clear();
  m_nA = 5;
  m_strE = "default";
}
