// The rankings of the stage or map currently chosen: five lists, one per
// ranking kind (0 score, 1 time left, 2 clear time, 3 remaining life,
// 4 remaining second gauge), the search and insertion of a new result, the
// ranking files, and the number and time texts the ranking displays use.
// (The displays themselves are stage/ranking_view.h.)
#pragma once
#include <string>
#include <vector>

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
  // 20 empty places.
  void SetDefault();
};

inline constexpr int kRankingPlaces = 20;

class cRankingData : public cRecordOf<cRankingData> {
 public:
  cCheckedVector<cRankingList> m_vecList;  // index = ranking kind

  // Five lists without places, with the order flags 1, 1, 0, 1, 1.
  cRankingData();
  void Appended(cRecordIO& io) override;
  // The file's lists, then the shape every user of the ranking relies on:
  // exactly five lists of exactly 20 places (missing lists are empty ones
  // with their kind's order; files of 180 or older rank lists 3 and 4
  // higher first).
  bool Load(cRecordReader& in) override;
  // Five lists of 20 empty places with the default order flags.
  void SetDefault();
  // Five lists of 20 places, keeping what there is.
  void FitLists();
};

extern cRankingData g_Ranking;

// The ranking file of a stage: the game mode's folder (story, challenge,
// free play; other modes have none), the stage stem without its folders
// (in story mode with the key numbers appended) and "rkg". 0 when the mode
// has no ranking file.
int MakeRankingFileName(std::string& out, int mode, const std::string& stem, int mapStage, int x, int y);
// Reads the ranking file of the stage; on any failure (a mode without
// ranking files, no file, a damaged one) the ranking is reset to its
// defaults and false is returned.
bool LoadRanking(cRankingData& ranking, int mode, const std::string& stem, int mapStage, int x, int y);
// Writes the ranking to its file through the atomic writer; false when the
// mode has no file or the write failed (the old file then stays).
bool SaveRanking(cRankingData& ranking, int mode, const std::string& stem, int mapStage, int x, int y);

// The decimal digits of |value|, at least `width` of them (0: as many as
// needed). Without zeroPad the leading zeros (never the last digit) are
// blanks. A negative value gets "-" in front, a positive one "+" with sign.
void FormatNumber(std::string& out, int value, int width, int zeroPad, int sign);
// Hundredths of a second as "mm:ss.hh" (minutes at least two digits); each
// negative part gets its own "-". 12345 gives "02:03.45".
void FormatTime(std::string& out, int hundredths);
// Decimal digits of |value|: 1 for 0, at most 10.
int GetDigitCount(int value);
// How many entries equal v.
int CountValue(const std::vector<int>& values, int v);
