// STAND-IN until the player-progress issue: the progress record of the game
// being played, with only what the shell and free play touch so far.
#pragma once
#include <string>

#include "records/record.h"

class cProgressData : public cRecordOf<cProgressData> {
 public:
  std::string m_strStageFile;  // the current stage file (stored path)
  int m_nStage = 0;            // stage counter
  int m_nLife = 0;             // lives; 999999 = unlimited
  std::string m_strRankingName = "aaa";

  cProgressData();
  RecordFieldTable FieldTable() const override;
};

extern cProgressData g_Progress;
extern cProgressData g_ProgressReplay;      // taken at the start of the current attempt
extern cProgressData g_ProgressReplayPrev;  // taken at the start of the previous attempt
