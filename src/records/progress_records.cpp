#include "records/progress_records.h"

#include <utility>

namespace {
constinit const RecordField kStageSaveFields[] = {
    T4_FIELD(cStageSave, m_bMapFlag).From(759),
    T4_FIELD(cStageSave, m_nMapX).From(759),
    T4_FIELD(cStageSave, m_nMapY).From(759),
    T4_FIELD(cStageSave, m_nBestScore),
    T4_FIELD(cStageSave, m_strStageFile),
    T4_FIELD(cStageSave, m_strStageKey).From(759),
};

constinit const RecordField kIntPairFields[] = {
    T4_FIELD(cIntPairData, m_nFirst),
    T4_FIELD(cIntPairData, m_nSecond),
};
}  // namespace

RecordFieldTable cStageSave::FieldTable() const { return kStageSaveFields; }

cStageSave::cStageSave() { Clear(); }

bool cStageSave::Load(cRecordReader& in) {
  if (!cRecord::Load(in)) return false;
  if (in.Version() < 759) {
    m_strStageKey = m_strStageFile;
    m_bMapFlag = 0;
  }
  return true;
}

void cStageSave::Set(int bestScore, std::string stageFile, std::string stageKey, int mapFlag, int mapX, int mapY) {
  m_nBestScore = bestScore;
  m_strStageFile = std::move(stageFile);
  m_strStageKey = std::move(stageKey);
  m_bMapFlag = mapFlag;
  m_nMapX = mapX;
  m_nMapY = mapY;
}

RecordFieldTable cIntPairData::FieldTable() const { return kIntPairFields; }

cIntPairData::cIntPairData() { Clear(); }
