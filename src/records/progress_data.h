// STAND-IN until the player-progress issue: the progress record of the game
// being played, with only what the shell and free play touch so far (the
// reset, the stage file and its key, the stage counters and the lives).
// The record's other members, its file with the version upgrades, the save
// slots and the stage-to-stage operations come with that issue.
#pragma once
#include <string>

#include "records/checked.h"
#include "records/record.h"

constexpr int kUnlimitedLives = 999999;

class cProgressData : public cRecordOf<cProgressData> {
 public:
  // The stem of the current stage file ("data\stg4\town." for
  // "data\stg4\town.stg4_002"): the stage's name in rankings and best scores.
  std::string m_strStageFile;
  std::string m_strRankingKey;  // the stem, with the map position for a map stage
  int m_bMapStage = 0;          // started from a world-map node
  int m_nStageX = 0;            // that node's column
  int m_nStageY = 0;            // and row
  int m_nStageNo = 0;           // number of the stage
  int m_nStageCount = 0;        // stages played in this run
  int m_nStartLives = 0;        // lives at the start of the run
  int m_nLives = 0;             // remaining lives; kUnlimitedLives = unlimited
  int m_nChallengeOpen = 0;     // challenge stages open
  int m_nSaveSlot = 0;          // story slot in use, -1 = none yet
  std::string m_strRankingName;  // the player's ranking name
  int m_nScore = 0;             // total score of the run, 0..999999
  cCheckedVector<int> m_vecCarryFlag;  // carry mark per carry kind (25)
  cCheckedVector<int> m_vecWorldFlag;  // stage-clear flags of the world (1000)
  cCheckedVector<int> m_vecVar;        // the common variables (1001)

  cProgressData();
  RecordFieldTable FieldTable() const override;

  // A new run: fields cleared, no carry, no clear flag but entry 0, every
  // variable 0, one challenge stage open, no slot, ranking name "aaa".
  void Reset();
  // Stores the stage file (cut to its stem) and the map position, and forms
  // the ranking key. A series file "x-1..." has the stem "x.".
  void SetStageFile(const std::string& name, int mapStage, int x, int y);
};

// With `mapStage` set: "_c", x as three digits, "_" and y are appended to
// the key, keeping a final '.' at the end.
void AppendMapPosition(std::string& key, int mapStage, int x, int y);

extern cProgressData g_Progress;
extern cProgressData g_ProgressReplay;      // taken at the start of the current attempt
extern cProgressData g_ProgressReplayPrev;  // taken at the start of the previous attempt
