// The story mode's world map (data\WorldMap.dat): a grid of terrain cells
// with a power-of-two row pitch, the points (nodes) on it and each node's
// stage entries.
#pragma once
#include <cstdint>
#include <string>

#include "records/checked.h"
#include "records/record.h"

// One terrain kind; a cell's value indexes the map's list of kinds.
class cWorldChipData : public cRecordOf<cWorldChipData> {
 public:
  int m_nFirstValue = 0;  // carried through load and save, never read
  int m_bImpassable = 0;
  int m_nPicture = 0;     // cell of the chip sheet, five chips a row
  std::string m_strFirst;  // carried through load and save, never read
  std::string m_strName;

  cWorldChipData();
  RecordFieldTable FieldTable() const override;
};

// Entry kinds.
enum : int { kWorldStagePoint = 0, kWorldRoad = 1, kWorldWall = 2 };
// What follows clearing an entry's stage.
enum : int { kAfterClearNothing = 0, kAfterClearNewLap = 1, kAfterClearTitle = 2 };

// The editor's names of the entry kinds and after-clear values, each list
// ended by an empty string; the player shows none of them.
extern const char* const g_szWorldStageKindNames[4];
extern const char* const g_szWorldAfterClearNames[4];

// One stage entry of a node.
class cWorldStageData : public cRecordOf<cWorldStageData> {
 public:
  int m_nKind = kWorldStagePoint;
  int m_nMarkRow = 0;       // row of the event-mark sheet
  int m_nClearFlag = 0;     // progress flag marking the stage cleared
  int m_bPassUncleared = 0; // the point can be passed before its stage is cleared
  int m_bReplayable = 0;
  int m_nAfterClear = kAfterClearNothing;
  int m_nShowFlag = 0;      // > 0: present only while that progress flag is set
  int m_nTestVar = 0;       // != 0: present only while that variable passes the test
  int m_nTestOperand = 0;
  int m_nTestRelation = 0;  // 0 ==, 1 !=, 2 >=, 3 <=, 4 >, 5 <, 6 divisible, 7 not divisible
  int m_nScoreNeeded = 0;   // total of best scores needed
  int m_bKeyedRanking = 0;
  int m_nKey1 = 1;
  int m_nKey2 = 0;
  std::string m_strTitle;
  std::string m_strStageFile;

  cWorldStageData();
  void SetDefault();
  RecordFieldTable FieldTable() const override;
  bool Load(cRecordReader& in) override;

  // The variable test of the entry against the variable's value (the
  // presence rule of the world-map scene). Divisibility is taken in 64 bits,
  // so the smallest int is handled like any other.
  bool PassesVariableTest(int value) const;
};

// One point of the map with its stage entries in priority order.
class cWorldNodeData : public cRecordOf<cWorldNodeData> {
 public:
  int m_nX = 0;
  int m_nY = 0;
  std::string m_strName;
  cCheckedVector<cWorldStageData> m_vecStage;

  cWorldNodeData();
  void SetDefault();
  RecordFieldTable FieldTable() const override;
  void Appended(cRecordIO& io) override;
};

class cWorldMapData : public cRecordOf<cWorldMapData> {
 public:
  int m_nWidth = 0;
  int m_nHeight = 0;
  int m_nPitch = 0;       // cells per stored row: a power of two >= width
  int m_nPitchShift = 0;  // log2 of the pitch
  cCheckedVector<cWorldChipData> m_vecChip;
  cCheckedVector<int> m_vecCell;  // height x pitch, row after row
  cCheckedVector<cWorldNodeData> m_vecNode;
  cCheckedVector<cWorldNodeData> m_vecDefaultNode;  // kept for the editor, never consulted
  int m_nStartX = 0;
  int m_nStartY = 0;
  int m_nBackColor = 0;    // palette colour filling the screen
  int m_bBackPicture = 0;  // draw the background picture over the fill
  std::string m_strName;
  std::string m_strBackPicture;

  // The largest grid accepted (cells including the spare columns).
  static constexpr int64_t kMaxCells = int64_t(1) << 24;

  cWorldMapData();
  void SetDefault();
  RecordFieldTable FieldTable() const override;
  void Appended(cRecordIO& io) override;
  // Reads the body, refuses a non-positive size, rebuilds a grid that does
  // not fit its size, then Normalize.
  bool Load(cRecordReader& in) override;
  // Normalize first, so a save may drop nodes and clamp the start cell.
  void Save(cRecordWriter& out) override;

  // Sets the size and rebuilds the grid keeping the overlapping cells;
  // 0 (and nothing changed) for a size that is not positive or too large.
  int SetSize(int w, int h);
  // Clamps the start cell into the grid and drops nodes outside it.
  void Normalize();
  // The first node on cell (x, y), or null.
  cWorldNodeData* FindNode(int x, int y);
  // The node under a menu cursor: its current entry's column and row. The
  // cursor type belongs to the scenes, a layer above the records, so any
  // cursor with a current entry serves.
  template <class Cursor>
  cWorldNodeData* FindNodeAt(const Cursor& cursor) {
    return cursor.m_lpCur ? FindNode(cursor.m_lpCur->nCol, cursor.m_lpCur->nRow) : nullptr;
  }
  // The grid index of cell (x, y): x is kept inside the row and y below the
  // last row; a negative y leaves the row part out, so the index stays in
  // the grid whatever a caller passes.
  int CellIndex(int x, int y) const;
  // Whether a stage point names this stage (name normalised as the progress
  // record keeps it: path without extension or "-1" suffix, plus ".").
  int HasStage(const std::string& name, int keyed, int key1, int key2) const;

 private:
  // Pitch shift of a width: the smallest s with (1 << s) >= w.
  static int PitchShiftFor(int w);
  // Rebuilds the grid for the current size, keeping what the old layout
  // (old shift, old width and height) holds inside the vector.
  void RebuildGrid(int oldWidth, int oldHeight, int oldShift, const std::vector<int>& oldCells);
};

extern cWorldMapData g_WorldMap;  // data\WorldMap.dat
