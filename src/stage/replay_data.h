// STAND-IN until the replay issue: the replay record (player 0's input of
// one attempt, run-length encoded per channel, with the attempt's random
// seed) and its files, with the operations the main window's messages
// call. Recording, playback and the replay files are not built yet: loading
// and saving fail with a report line.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "records/record.h"

class cStageData;
class cProgressData;
class cInput;

class cReplayData : public cRecordOf<cReplayData> {
 public:
  std::vector<uint16_t> m_vecDirValue;     // direction channel: values
  std::vector<uint16_t> m_vecButtonValue;  // button channel: values
  std::vector<int32_t> m_vecDirRun;        // frames each direction value holds
  std::vector<int32_t> m_vecButtonRun;     // frames each button value holds
  int32_t m_nSeed = 0;                     // the record's one field
  // Playback position (not in the file).
  int32_t m_nDirIndex = 0;
  int32_t m_nButtonIndex = 0;
  int32_t m_nDirCounter = 0;
  int32_t m_nButtonCounter = 0;

  cReplayData();
  RecordFieldTable FieldTable() const override;
  // Seed 0, both channels and their runs empty, playback at the start.
  void Reset();
  // Appends one frame of player 0's direction and button bits.
  void RecordFrame(const cInput& input);
  // 0 when the next frame went into the input's two channels, 1 at the end.
  int PlayFrame(cInput& input);
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

// F1 (this attempt) and F2 (the previous one) held during play: the replay
// is offered for saving through the main window. 1 when it was sent.
int CheckReplayKeys();
