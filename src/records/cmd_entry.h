// One entry of a menu: a caption and an enable switch. Menus show only the
// enabled entries, while the code acting on a choice dispatches on the
// entry's position in the full list; GetCmdCount and GetCmdNum translate
// between the two numberings.
#pragma once
#include <string>

#include "records/checked.h"
#include "records/record.h"

class cCmd : public cRecordOf<cCmd> {
 public:
  int m_bEnable = 1;
  std::string m_strCaption;

  // A new entry is enabled: the System file's default menus and its upgrade
  // of old world-map menus both rely on that.
  cCmd();
  cCmd(int enable, std::string caption);
  RecordFieldTable FieldTable() const override;

  // Number of enabled entries.
  static int GetCmdCount(const cCheckedVector<cCmd>& list);
  // Entry index of the n-th enabled entry (from 0); 0 when there is none.
  static int GetCmdNum(int n, const cCheckedVector<cCmd>& list);
};
