#include "records/cmd_entry.h"

#include <utility>

#include "services/log.h"

namespace {
constinit const RecordField kCmdFields[] = {
    T4_FIELD(cCmd, m_bEnable),
    T4_FIELD(cCmd, m_strCaption),
};
}  // namespace

RecordFieldTable cCmd::FieldTable() const { return kCmdFields; }

cCmd::cCmd() {
  Clear();
  m_bEnable = 1;
}

cCmd::cCmd(int enable, std::string caption) : cCmd() {
  m_bEnable = enable;
  m_strCaption = std::move(caption);
}

int cCmd::GetCmdCount(const cCheckedVector<cCmd>& list) {
  int count = 0;
  for (int j = 0; j < list.Size(); ++j)
    if (list.At(j).m_bEnable) ++count;
  return count;
}

int cCmd::GetCmdNum(int n, const cCheckedVector<cCmd>& list) {
  int c = 0;
  for (int j = 0; j < list.Size(); ++j) {
    if (!list.At(j).m_bEnable) continue;
    if (c == n) return j;
    ++c;
  }
  DebugErrorBoxf("cCmd::GetCmdNum 番号が不正です！");
  return 0;
}
