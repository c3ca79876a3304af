// STAND-IN until the replay issue: the replay record and its files, with
// the operations the main window's messages call. Loading and saving
// replays is not built yet: both fail with a report line.
#pragma once
#include <string>

#include "records/record.h"

class cStageData;
class cProgressData;

class cReplayData : public cRecordOf<cReplayData> {
 public:
  int m_nVersion = 0;  // the record's one field

  cReplayData();
  RecordFieldTable FieldTable() const override;
  // 1 when the replay, its stage and its progress were read.
  int LoadFile(const char* path, cStageData* stage, cStageData* stageStart, cProgressData* progress);
  // 1 when the replay was written.
  int SaveFile(const char* path, const cProgressData& progress, const cStageData& stage,
               const cStageData& stageStart);
};

extern cReplayData g_Replay;      // being recorded or played back
extern cReplayData g_ReplayPrev;  // the previous attempt

// The save-replay chooser: 1 with the chosen path (stored form) in *path,
// 0 when cancelled. `defaultName` is the current stage's name.
int ShowSaveReplayDialog(std::string* path, const char* defaultName);
