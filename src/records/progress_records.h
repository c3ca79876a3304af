// The small records the player's progress keeps in its lists: the hero
// state carried from stage to stage, the best score of each stage played,
// and one pair of integers per challenge stage.
#pragma once
#include <string>

#include "records/record.h"

// Best score of one stage, found by its stage key.
class cStageSave : public cRecordOf<cStageSave> {
 public:
  std::string m_strStageFile;  // the stage file when it was cleared
  std::string m_strStageKey;   // stage name, plus the map position when played from the world map
  int m_bMapFlag = 0;          // played from a world-map position
  int m_nMapX = 0;
  int m_nMapY = 0;
  int m_nBestScore = 0;

  cStageSave();
  RecordFieldTable FieldTable() const override;
  // Files older than 759 have no stage key: the stage file stands for it.
  bool Load(cRecordReader& in) override;
  void Set(int bestScore, std::string stageFile, std::string stageKey, int mapFlag, int mapX, int mapY);
};

// Two integers; in the challenge list, the cleared flag and the best score.
class cIntPairData : public cRecordOf<cIntPairData> {
 public:
  int m_nFirst = 0;
  int m_nSecond = 0;

  cIntPairData();
  RecordFieldTable FieldTable() const override;
};

// The hero state carried between stages: the hero's template values plus
// the five carry kinds that are plain numbers. The carried chara is a whole
// chara template record, nested after the five values.
//
// TChara is the chara template record class; the progress record uses
// cCharaSave, i.e. cCharaSaveOf<cCharaData>.
template <class TChara>
class cCharaSaveOf : public cRecordOf<cCharaSaveOf<TChara>> {
 public:
  TChara m_Chara;
  int m_nCarry11 = 0;
  int m_nCarry12 = 0;
  int m_nCarry22 = 0;
  int m_nCarry23 = 0;
  int m_nCarry24 = 0;

  // Clearing covers the five values only; the chara keeps its own defaults.
  cCharaSaveOf() { this->Clear(); }
  RecordFieldTable FieldTable() const override { return kFields; }
  void Appended(cRecordIO& io) override { io.Record("m_Chara", m_Chara); }

 private:
  static constexpr RecordField kFields[] = {
      T4_FIELD(cCharaSaveOf, m_nCarry11), T4_FIELD(cCharaSaveOf, m_nCarry12),
      T4_FIELD(cCharaSaveOf, m_nCarry22), T4_FIELD(cCharaSaveOf, m_nCarry23),
      T4_FIELD(cCharaSaveOf, m_nCarry24),
  };
};
