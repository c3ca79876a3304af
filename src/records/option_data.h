// The player's own settings kept in user_data\Option.dat between runs.
#pragma once
#include <string>

#include "records/record.h"

// Sound-effect volume steps 0 (silent) to 10 (full), as attenuation in
// hundredths of a decibel.
inline constexpr int kSeVolumeStepCount = 11;
extern const int g_anSeVolumeTable[kSeVolumeStepCount];

// The attenuation of a volume step. The file is not validated, so a step
// outside 0..10 is taken as the nearest end of the table.
int GetSeVolume(int step);

class cOptionData : public cRecordOf<cOptionData> {
 public:
  int m_nColorSet = 0;   // blend table number of 8-bit display (0..23)
  int m_bMusic = 1;      // music on
  int m_nSeVolume = 7;   // volume step (0..10)
  int m_nEntryMode = 0;  // ranking registration mode (0..3)
  std::string m_strPlayerName = "aaa";

  cOptionData();
  RecordFieldTable FieldTable() const override;
};

extern cOptionData g_OptionData;  // user_data\Option.dat
