#include "records/option_data.h"

#include <algorithm>

const int g_anSeVolumeTable[kSeVolumeStepCount] = {-10000, -3000, -2000, -1300, -800, -500,
                                                   -300,   -150,  -80,   -30,   0};

int GetSeVolume(int step) { return g_anSeVolumeTable[std::clamp(step, 0, kSeVolumeStepCount - 1)]; }

namespace {
constinit const RecordField kOptionFields[] = {
    T4_FIELD(cOptionData, m_nColorSet),
    T4_FIELD(cOptionData, m_bMusic),
    T4_FIELD(cOptionData, m_nSeVolume),
    T4_FIELD(cOptionData, m_nEntryMode),
    T4_FIELD(cOptionData, m_strPlayerName),
};
}  // namespace

RecordFieldTable cOptionData::FieldTable() const { return kOptionFields; }

cOptionData::cOptionData() {
  Clear();
  m_bMusic = 1;
  m_nSeVolume = 7;
  m_strPlayerName = "aaa";
}
