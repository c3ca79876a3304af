#include "flow/cond_list.h"

#include <utility>

namespace {
constexpr uint32_t kPercentVersion = 43;
constexpr uint32_t kOperandsVersion = 110;
constexpr uint32_t kCondListEntriesVersion = 766;

constinit const RecordField kCondFields[] = {
    T4_FIELD(cCond, m_byKind),
    T4_FIELD(cCond, m_nConst),
    T4_FIELD(cCond, m_nRandMin).From(kOperandsVersion),
    T4_FIELD(cCond, m_nRandMax).From(kOperandsVersion),
    T4_FIELD(cCond, m_byTarget).From(kOperandsVersion),
    T4_FIELD(cCond, m_byStatus).From(kOperandsVersion),
    // Older files hold two 16-bit values here that nothing uses any more.
    T4_DISCARDED(2).Until(kOperandsVersion - 1),
    T4_DISCARDED(2).Until(kOperandsVersion - 1),
    T4_FIELD(cCond, m_byLeftSource).From(kOperandsVersion),
    T4_FIELD(cCond, m_byVarKind).From(kOperandsVersion),
    T4_FIELD(cCond, m_sVarIndex).From(kOperandsVersion),
    T4_FIELD(cCond, m_byRightSource).From(kOperandsVersion),
    T4_FIELD(cCond, m_byRightTarget).From(kOperandsVersion),
    T4_FIELD(cCond, m_byRightStatus).From(kOperandsVersion),
    T4_FIELD(cCond, m_byRightVarKind).From(kOperandsVersion),
    T4_FIELD(cCond, m_sRightVarIndex).From(kOperandsVersion),
    T4_FIELD(cCond, m_byRelation),
    T4_FIELD(cCond, m_bPercent).From(kPercentVersion),
    T4_FIELD(cCond, m_byDistanceMode),
};

constinit const RecordField kCondListFields[] = {
    T4_FIELD(cCondList, m_bUse),
    T4_FIELD(cCondList, m_byMode),
};

// Status numbers at or above `from` moved up by one when a status was added.
void ShiftStatusOperands(cCond& c, int from) {
  if (c.m_byLeftSource == 0 && c.m_byTarget != 2 && c.m_byStatus >= from) c.m_byStatus++;
  if (c.m_byRightSource == 2 && c.m_byRightTarget != 2 && c.m_byRightStatus >= from) c.m_byRightStatus++;
}
}  // namespace

RecordFieldTable cCond::FieldTable() const { return kCondFields; }

bool cCond::Load(cRecordReader& in) {
  if (!cRecord::Load(in)) return false;
  Upgrade(in.Version());
  return true;
}

void cCond::Upgrade(uint32_t v) {
  if (v >= kRecordDataVersion) return;
  // Each step speaks the kind numbers of its own time.
  if (v < 160 && m_byKind >= 5) m_byKind += 2;
  if (v < 161 && m_byKind == 6 && m_byStatus == 2 && m_byRelation <= 1) m_byRelation ^= 1;
  if (v < 168 && m_byKind == 4) ShiftStatusOperands(*this, 10);
  if (v < 203 && m_byKind == 4) ShiftStatusOperands(*this, 5);
  if (v < 210 && m_byKind == 5 && m_byTarget != 2 && m_byStatus >= 6) m_byStatus++;
  if (m_byKind == 7) {
    if (v < 657) m_byTarget = 0;
    if (v < 745) m_byLeftSource = 0;
    if (v < 746) {
      m_byRightSource = 1;
      m_byRightTarget = 1;
    }
  }
  // Links 2..4 were added behind link 1; the system moved from 2 to 5.
  if (v < 767 && (m_byKind == 4 || m_byKind == 5)) {
    if (m_byTarget >= 2) m_byTarget += 3;
    if (m_byRightTarget >= 2) m_byRightTarget += 3;
  }
}

RecordFieldTable cCondList::FieldTable() const { return kCondListFields; }

void cCondList::Appended(cRecordIO& io) {
  // Files before this version keep only the two bytes; the list stays empty.
  if (io.Version() >= kCondListEntriesVersion) io.List("m_vecCond", m_vecCond);
}

int CreateCondList(cPartHolder<cCondList>& holder) {
  holder.reset(std::make_unique<cCondList>());
  return 1;
}
