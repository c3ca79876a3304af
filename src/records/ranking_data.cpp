#include "records/ranking_data.h"

#include <algorithm>
#include <cstdint>

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

void cRankingList::SetDefault() { m_vecEntry.assign(kRankingPlaces, cRankingEntry()); }

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
  // Five lists without places until a ranking is loaded or reset.
  m_vecList.assign(kRankingKindCount, cRankingList());
  for (int k = 0; k < kRankingKindCount; ++k) m_vecList[static_cast<size_t>(k)].m_bHighFirst = kDefaultHighFirst[k];
}

void cRankingData::Appended(cRecordIO& io) { io.List("m_vecList", m_vecList); }

void cRankingData::SetDefault() {
  m_vecList.clear();
  FitLists();
}

void cRankingData::FitLists() {
  const int had = m_vecList.Size();
  m_vecList.resize(kRankingKindCount);
  for (int k = 0; k < kRankingKindCount; ++k) {
    cRankingList& list = m_vecList[static_cast<size_t>(k)];
    if (k >= had) {
      list.SetDefault();
      list.m_bHighFirst = kDefaultHighFirst[k];
    }
    list.m_vecEntry.resize(kRankingPlaces);
  }
}

bool cRankingData::Load(cRecordReader& in) {
  if (!cRecord::Load(in)) return false;
  const int had = m_vecList.Size();
  // Lists 3 and 4 came with 181; older files ranked them the other way.
  if (in.Version() <= 180)
    for (int k = 3; k < kRankingKindCount && k < had; ++k) m_vecList[static_cast<size_t>(k)].m_bHighFirst = 1;
  // The results screen and the displays index five lists of 20 places.
  FitLists();
  return true;
}

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

bool LoadRanking(cRankingData& ranking, int mode, const std::string& stem, int mapStage, int x, int y) {
  std::string file;
  if (MakeRankingFileName(file, mode, stem, mapStage, x, y) && ranking.LoadFromFile(file.c_str())) return true;
  ranking.SetDefault();
  return false;
}

bool SaveRanking(cRankingData& ranking, int mode, const std::string& stem, int mapStage, int x, int y) {
  std::string file;
  if (!MakeRankingFileName(file, mode, stem, mapStage, x, y)) return false;
  return ranking.SaveToFile(file.c_str());
}

void FormatNumber(std::string& out, int value, int width, int zeroPad, int sign) {
  // |INT_MIN| needs 64 bits; a width beyond any int's digits only adds blanks
  // or zeros, so it is held to a line's worth.
  constexpr int kMaxWidth = 64;
  const int64_t v = value;
  std::string digits = std::to_string(v < 0 ? -v : v);
  const int w = std::clamp(width, 0, kMaxWidth);
  if (static_cast<int>(digits.size()) < w) digits.insert(0, static_cast<size_t>(w) - digits.size(), '0');
  if (!zeroPad)
    for (size_t i = 0; i + 1 < digits.size() && digits[i] == '0'; ++i) digits[i] = ' ';
  out.clear();
  if (v < 0)
    out = "-";
  else if (v > 0 && sign)
    out = "+";
  out += digits;
}

void FormatTime(std::string& out, int hundredths) {
  std::string minutes, seconds, rest;
  FormatNumber(minutes, hundredths / 6000, 2, 1, 0);
  FormatNumber(seconds, (hundredths / 100) % 60, 2, 1, 0);
  FormatNumber(rest, hundredths % 100, 2, 1, 0);
  out = minutes + ":" + seconds + "." + rest;
}

int GetDigitCount(int value) {
  int64_t v = value;
  if (v < 0) v = -v;
  int n = 1;
  while (v >= 10) {
    v /= 10;
    ++n;
  }
  return n;
}

int CountValue(const std::vector<int>& values, int v) {
  int n = 0;
  for (int x : values)
    if (x == v) ++n;
  return n;
}
