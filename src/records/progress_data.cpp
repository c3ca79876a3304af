#include "records/progress_data.h"

#include <cstdio>

#include "records/system_data.h"

namespace {
// The members this stand-in holds, in the order of the full record.
constinit const RecordField kProgressFields[] = {
    T4_FIELD(cProgressData, m_strStageFile),   T4_FIELD(cProgressData, m_strRankingKey),
    T4_FIELD(cProgressData, m_bMapStage),      T4_FIELD(cProgressData, m_nStageX),
    T4_FIELD(cProgressData, m_nStageY),        T4_FIELD(cProgressData, m_nStageNo),
    T4_FIELD(cProgressData, m_nStageCount),    T4_FIELD(cProgressData, m_nStartLives),
    T4_FIELD(cProgressData, m_nLives),         T4_FIELD(cProgressData, m_nChallengeOpen),
    T4_FIELD(cProgressData, m_nSaveSlot),      T4_FIELD(cProgressData, m_strRankingName),
    T4_FIELD(cProgressData, m_nScore),
};
constexpr int kWorldFlags = 1000;
constexpr int kVariables = 1001;
}  // namespace

cProgressData::cProgressData() { Reset(); }
RecordFieldTable cProgressData::FieldTable() const { return kProgressFields; }

void cProgressData::Reset() {
  Clear();
  m_vecCarryFlag.assign(kCarryKindCount, 0);
  m_vecWorldFlag.assign(kWorldFlags, 0);
  m_vecWorldFlag[0] = 1;
  m_vecVar.assign(kVariables, 0);
  m_nChallengeOpen = 1;
  m_nSaveSlot = -1;
  m_strRankingName = "aaa";
}

void cProgressData::SetStageFile(const std::string& name, int mapStage, int x, int y) {
  m_bMapStage = mapStage;
  m_nStageX = x;
  m_nStageY = y;
  // Searched from the end: a '-' followed by '1' marks a series file. Both
  // bytes are below the range of double-byte trail bytes.
  size_t series = std::string::npos;
  for (size_t i = name.size(); i-- > 0;) {
    if (name[i] == '-' && i + 1 < name.size() && name[i + 1] == '1') {
      series = i;
      break;
    }
  }
  if (series != std::string::npos) {
    m_strStageFile = name.substr(0, series) + ".";
  } else {
    const size_t dot = name.rfind('.');
    m_strStageFile = dot == std::string::npos ? name : name.substr(0, dot + 1);
  }
  m_strRankingKey = m_strStageFile;
  AppendMapPosition(m_strRankingKey, mapStage, x, y);
}

void AppendMapPosition(std::string& key, int mapStage, int x, int y) {
  if (!mapStage) return;
  const bool dot = !key.empty() && key.back() == '.';
  if (dot) key.pop_back();
  char buf[40];
  std::snprintf(buf, sizeof(buf), "_c%03d_%d", x, y);
  key += buf;
  if (dot) key += '.';
}
