// The command parameter table: which parameters of each command kind a flow
// may change while it runs, under which name and within which range. It is
// built once at start-up and read by the arrange command, which comes with
// the flow commands (their getters and setters bind each entry to a field).
#pragma once
#include <cstdint>
#include <string>

#include "records/checked.h"

// One changeable parameter. The name is Shift-JIS bytes, as shown to authors.
struct PARAMDESC {
  std::string m_strName;
  int32_t m_nMin = 0;
  int32_t m_nMax = 0;

  // A null name gives "".
  void Set(const char* name, int32_t min, int32_t max);
};

// Indexed by the unified command kind (chara kind, or item kind + 15).
inline constexpr int kCmdParamKindCount = 40;

extern cCheckedVector<cCheckedVector<PARAMDESC>> g_CmdParamTable;

// Brings g_CmdParamTable to its 40 lists with their fixed entries; calling it
// again restores the same table.
void InitCmdParamTable();
