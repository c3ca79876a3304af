#include "records/ranking_data.h"

#include "records/path_table.h"
#include "records/progress_data.h"
#include "services/log.h"
#include "services/strings.h"

namespace {
constinit const RecordField kRankingEntryFields[] = {
    T4_FIELD(cRankingEntry, m_bValid),
    T4_FIELD(cRankingEntry, m_strName),
    T4_FIELD(cRankingEntry, m_nValue),
};
constinit const RecordField kRankingListFields[] = {
    T4_FIELD(cRankingList, m_bHighFirst),
};
// Clear time (kind 2) ranks the lower value first.
constexpr int kDefaultHighFirst[kRankingKindCount] = {1, 1, 0, 1, 1};
}  // namespace

cRankingEntry::cRankingEntry() { Clear(); }
RecordFieldTable cRankingEntry::FieldTable() const { return kRankingEntryFields; }

cRankingList::cRankingList() { Clear(); }
RecordFieldTable cRankingList::FieldTable() const { return kRankingListFields; }
void cRankingList::Appended(cRecordIO& io) { io.List("m_vecEntry", m_vecEntry); }

int cRankingList::FindInsertPos(int value) const {
  for (int i = 0; i < m_vecEntry.Size(); ++i) {
    const cRankingEntry& e = m_vecEntry[static_cast<size_t>(i)];
    if (!e.m_bValid) return i;
    if (m_bHighFirst ? e.m_nValue < value : value < e.m_nValue) return i;
  }
  return m_vecEntry.Size();
}

void cRankingList::Insert(const std::string& name, int value) {
  cRankingEntry entry;
  entry.m_bValid = 1;
  entry.m_strName = name;
  entry.m_nValue = value;
  const int pos = FindInsertPos(value);
  m_vecEntry.insert(m_vecEntry.begin() + pos, entry);
  m_vecEntry.pop_back();
}

cRankingData::cRankingData() {
  Clear();
  m_vecList.assign(kRankingKindCount, cRankingList());
  for (int k = 0; k < kRankingKindCount; ++k) m_vecList[static_cast<size_t>(k)].m_bHighFirst = kDefaultHighFirst[k];
}

void cRankingData::Appended(cRecordIO& io) { io.List("m_vecList", m_vecList); }

int MakeRankingFileName(std::string& out, int mode, const std::string& stem, int mapStage, int x, int y) {
  // Path-table entries 38-40: user_data\story\, user_data\challenge\, user_data\free\.
  constexpr int kFirstRankingFolder = 38;
  constexpr int kRankingExtension = 3;
  out.clear();
  if (mode < 0 || mode > 2) return 0;
  std::string name = stem;
  if (mode == 0) AppendMapPosition(name, mapStage, x, y);
  StripPath(name);
  FormatString(&out, "%s%s%s", g_szPathTable[kFirstRankingFolder + mode], name.c_str(), g_szExtTable[kRankingExtension]);
  return 1;
}

bool SaveRanking(cRankingData& ranking, int mode, const std::string& stem, int mapStage, int x, int y) {
  std::string file;
  if (!MakeRankingFileName(file, mode, stem, mapStage, x, y)) return false;
  return ranking.SaveToFile(file.c_str());
}
