// Small record classes with hand-checked field tables for the framework tests.
#pragma once
#include <string>
#include <vector>

#include "records/record.h"

// Numbers of every width, an array, a gated array, an obsolete field and two
// strings; a list of items appended.
class cTestItem : public cRecordOf<cTestItem> {
 public:
  int m_nValue = 0;
  std::string m_strLabel;
  RecordFieldTable FieldTable() const override;
};

class cTestRecord : public cRecordOf<cTestRecord> {
 public:
  int m_nA = 0;
  short m_anB[2] = {};   // from version 259
  BYTE m_bC = 0;
  double m_dD = 0;
  unsigned m_uLate = 0;  // from version 800 (newer than this program)
  std::string m_strE;
  std::string m_strF;    // from version 300
  std::vector<cTestItem> m_vecItem;
  std::vector<uint8_t> m_vecFlag;  // appended from version 300

  cTestRecord();
  RecordFieldTable FieldTable() const override;
  void Appended(cRecordIO& io) override;
};

class cEmptyRecord : public cRecordOf<cEmptyRecord> {};
