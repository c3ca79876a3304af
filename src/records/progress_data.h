// The progress record of the game being played: what a run carries from
// stage to stage and from one play to the next (world-map position, stage,
// lives, scores and results, best scores, challenge records, the carried
// hero state, the script variables), its file layout with the version
// gates and upgrades, and the operations stage play calls between stages.
// The save slots and the scenes that read and write the files live with
// the front end.
#pragma once
#include <cstdint>
#include <string>

#include "records/chara_data.h"
#include "records/checked.h"
#include "records/progress_records.h"
#include "records/record.h"

class cStageData;

constexpr int kUnlimitedLives = 999999;

class cProgressData : public cRecordOf<cProgressData> {
 public:
  // --- registered fields, in file order (strings go to the string list) ---
  int m_bCarryStored = 0;   // StoreCarry ran; the carry restores do nothing while 0
  int m_nMapX = 0;          // world-map cursor column
  int m_nMapY = 0;          // and row
  // The entry being played: its index in the stage entries of the node
  // under the map cursor. Only meaningful while that stage runs.
  int m_nMapStage = 0;
  int m_nWorld = 0;         // worlds passed
  // The stem of the current stage file ("data\stg4\town." for
  // "data\stg4\town.stg4_002", "data\stg4\c03." for the series file
  // "data\stg4\c03-1.stg4"): the stage's name in rankings and best scores,
  // and the base the next stage of a series is named from.
  std::string m_strStageFile;
  std::string m_strRankingKey;  // the stem, with the key numbers for a keyed stage
  int m_bMapStage = 0;          // keyed ranking (from the world-map entry)
  int m_nStageX = 0;            // first key number
  int m_nStageY = 0;            // second key number
  // The stage's number: the world-map entry's clear flag, the challenge
  // stage (index + 1), or 1.
  int m_nStageNo = 0;
  int m_nStageCount = 0;        // number of the current stage within its series
  int m_nStartLives = 0;        // lives at the start of the run
  int m_nLives = 0;             // remaining lives; kUnlimitedLives = unlimited
  int m_nScoreGained = 0;       // the stage score: what the running stage earned
  int m_nScore = 0;             // total score of the run
  // Sum of the best scores of the best-score list (story), or of the
  // challenge records' best scores (challenge).
  int m_nTotalScore = 0;
  // The run's result totals, added at every stage clear.
  int m_nTimeLeft = 0;          // seconds
  int m_nClearTime = 0;         // hundredths of a second
  int m_nResultLife = 0;
  int m_nResultSp = 0;
  int m_nSeriesNo = 0;          // non-zero: the stage file is the first of a series ("-1")
  int m_nStageBgm = 0;
  int m_bStageBgmLoop = 0;
  int m_nMapDir = 0;            // hero facing on the map: 0 down, 1 up, 2 left, 3 right
  int m_bBackToMap = 0;         // the last stage was left through the pause or retry menu
  int m_nPrevMapX = 0;          // map position before the last cursor move
  int m_nPrevMapY = 0;
  int m_nChallengeOpen = 0;     // challenge stages open
  int m_nSaveSlot = 0;          // story slot in use, -1 = none yet
  int m_bAutoSave = 0;
  std::string m_strRankingName;  // the player's ranking name
  int m_bShowRanking = 0;
  int m_nRankingKind = 0;       // ranking kind shown, 0..4
  // The start position the stage-clear command gives the next stage: the
  // switch, cell x and y, and the facing.
  int m_nClearValue1 = 0;
  int m_nClearValue2 = 0;
  int m_nClearValue3 = 0;
  int m_nClearValue4 = 0;

  // --- appended after the record body ---
  uint16_t m_stSaveTime[8] = {};        // the save time, as the slot header shows it
  cCheckedVector<int> m_vecCarryFlag;   // stored mark per carry kind (25)
  cCheckedVector<cCharaSave> m_vecCharaSave;   // carried hero state per hero
  cCheckedVector<cStageSave> m_vecBestScore;   // in order of first clear
  cCheckedVector<cIntPairData> m_vecChallenge; // per challenge stage: cleared, best score
  cCheckedVector<int> m_vecWorldFlag;   // stage-clear flags of the world (1000)
  cCheckedVector<int> m_vecVar;         // the common variables (1001)

  // --- never saved: the snapshot taken when a stage starts ---
  cCheckedVector<int> m_vecVarStart;
  int m_nLivesStart = 0;
  int m_nScoreStart = 0;

  cProgressData();
  RecordFieldTable FieldTable() const override;
  void Appended(cRecordIO& io) override;
  // The body, the upgrades of older files, then Normalize.
  bool Load(cRecordReader& in) override;
  // Normalize, then the body.
  void Save(cRecordWriter& out) override;

  // A new run: fields cleared, no carry, no clear flag but entry 0, every
  // variable 0, one challenge stage open, no slot, ranking name "aaa".
  void Reset();
  // A map position outside the world map goes back to its start; the
  // challenge list fits System.dat's challenge stage count.
  void Normalize();
  // The lists every reader indexes freely get their full length back after a
  // file that stored them shorter: 25 carry marks, one carried hero, 1000
  // world flags, 1001 variables.
  void FitLists();
  // Stores the stage file (cut to its stem) and the key numbers, and forms
  // the ranking key. A series file "x-1..." has the stem "x." and sets
  // the series flag.
  void SetStageFile(const std::string& name, int mapStage, int x, int y);

  // --- between stages ---
  // The best score of the stage with that key: a new key adds an entry and
  // its score to the total; a higher score raises the entry and the total.
  void UpdateBestScore(const std::string& name, const std::string& key, int mapStage, int x, int y, int score);
  int GetBestScore(const std::string& key) const;
  void SaveStageStart();
  // all: variables, total score and lives back to the stage start. Else the
  // variables only when game mode `gameMode` restores them (a replay always,
  // a stage from the command line by its own switch), and the total score.
  int RestoreStageStart(int all, int gameMode);
  // The total of the best scores, counting only stages the world map still
  // holds (a stage removed from the map no longer adds to it).
  void RecountTotal();
  // A keyed world-map entry sets common variable m_nStageX to m_nStageY
  // when its stage is entered; a number outside the variables is ignored.
  void SetStageEntryVariable();
  void ClearScoreTotals();
  // The carried kinds System.dat switches on, into hero entry `chara`.
  void StoreCarry(int chara, const cCharaData& hero, int life, int sp, int effect, int effectParam1, int effectParam2,
                  int sceneValue, int lives, int stageBgm);
  // Every stored kind back into the hero's template, the stage (remaining
  // time, music) and the lives.
  void RestoreCarry(int chara, cCharaData& hero, cStageData& stage);
  // Life and second gauge, each when System.dat carries it and it was stored.
  void RestoreCarryValues(int chara, int& life, int& sp);
  // The marks of the kinds System.dat drops when the hero is lost.
  void ClearFlaggedCarry();
  // The next world: counted, its clear flags cleared, the cursor on the start.
  void OnNextStage();
  // Moves the ranking kind shown by n kinds enabled for the game mode.
  void StepRankingKind(int mode, int n);
  // What follows clearing the world-map stage being played
  // (kAfterClearNothing when there is no such entry).
  int MapStageClearAction() const;
};

// With `mapStage` set: "_c", x as three digits, "_" and y are appended to
// the key, keeping a final '.' at the end.
void AppendMapPosition(std::string& key, int mapStage, int x, int y);

extern cProgressData g_Progress;
extern cProgressData g_ProgressReplay;      // taken at the start of the current attempt
extern cProgressData g_ProgressReplayPrev;  // taken at the start of the previous attempt
