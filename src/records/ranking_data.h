// The rankings of the stage or map currently chosen: five lists, one per
// ranking kind (0 score, 1 time left, 2 clear time, 3 remaining life,
// 4 remaining second gauge), and the search and insertion of a new result.
//
// STAND-IN beyond construction, FindInsertPos, Insert and SaveRanking:
// reading the ranking files (their old-version upgrade, LoadRanking) and
// the ranking display come with the rankings issue.
#pragma once
#include <string>

#include "records/checked.h"
#include "records/record.h"
#include "records/system_data.h"  // kRankingKindCount

class cRankingEntry : public cRecordOf<cRankingEntry> {
 public:
  int m_bValid = 0;  // 0: an empty place
  std::string m_strName;
  int m_nValue = 0;

  cRankingEntry();
  RecordFieldTable FieldTable() const override;
};

class cRankingList : public cRecordOf<cRankingList> {
 public:
  cCheckedVector<cRankingEntry> m_vecEntry;
  int m_bHighFirst = 0;  // 1: higher values rank first; 0: lower first

  cRankingList();
  RecordFieldTable FieldTable() const override;
  void Appended(cRecordIO& io) override;

  // The first place that is empty or whose value `value` beats (a tie goes
  // after the places already there); the list length when there is none.
  int FindInsertPos(int value) const;
  // Inserts a valid entry at FindInsertPos and drops the last place, so the
  // list keeps its length.
  void Insert(const std::string& name, int value);
};

class cRankingData : public cRecordOf<cRankingData> {
 public:
  cCheckedVector<cRankingList> m_vecList;  // index = ranking kind

  // Five empty lists with the order flags 1, 1, 0, 1, 1.
  cRankingData();
  void Appended(cRecordIO& io) override;
};

extern cRankingData g_Ranking;

// The ranking file of a stage: the game mode's folder (story, challenge,
// free play; other modes have none), the stage stem without its folders
// (in story mode with the key numbers appended) and "rkg". 0 when the mode
// has no ranking file.
int MakeRankingFileName(std::string& out, int mode, const std::string& stem, int mapStage, int x, int y);
// Writes the ranking to its file through the atomic writer; false when the
// mode has no file or the write failed (the old file then stays).
bool SaveRanking(cRankingData& ranking, int mode, const std::string& stem, int mapStage, int x, int y);
