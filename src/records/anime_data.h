// The animation databases: animations with their frames, animation sets and
// the dedicated chara bitmaps.
#pragma once
#include <cstdint>
#include <string>

#include "records/checked.h"
#include "records/record.h"

// One frame of an animation.
class cAnimeFrameData : public cRecordOf<cAnimeFrameData> {
 public:
  int32_t m_nGraphic = 0;  // cell of the chara's sheet
  int32_t m_nTime = 1;     // tenths of a second
  int32_t m_nLock = 0;     // non-zero: a one-shot run cannot be broken off from here on

  cAnimeFrameData();
  RecordFieldTable FieldTable() const override;
};

// One animation: an element of the Anime list and of every set's list.
class cAnimeData : public cRecordOf<cAnimeData> {
 public:
  std::string m_strName;
  int16_t m_sSettingA = 0;  // kept for the editor
  BYTE m_bFlagB = 1;        // kept for the editor
  int16_t m_sSettingC = 0;  // kept for the editor
  cCheckedVector<cAnimeFrameData> m_vecFrame;

  cAnimeData();
  RecordFieldTable FieldTable() const override;
  void Appended(cRecordIO& io) override;
};

// One animation set: entry 0 plays at rest, 1 moving, 2 in flight at rest,
// 3 in flight moving; later entries are selected by position.
class cAnimeSetData : public cRecordOf<cAnimeSetData> {
 public:
  std::string m_strName;
  int32_t m_nInvincibleOffset = 4;
  int32_t m_nBlockCharaOffset = 8;
  int32_t m_nFlightOffset = 0;
  cCheckedVector<cAnimeData> m_vecAnime;

  cAnimeSetData();
  RecordFieldTable FieldTable() const override;
  void Appended(cRecordIO& io) override;
  bool Load(cRecordReader& in) override;
};

// One dedicated chara bitmap ("専用bmp").
class cBmpCharaExcData : public cRecordOf<cBmpCharaExcData> {
 public:
  std::string m_strName;
  std::string m_strFile;
  int32_t m_nReserved = 0;
  int32_t m_bLargeCells = 0;  // 0: 32x32 cells, 16 per row
  int32_t m_nCellSize = 2;    // edge of a large cell in units of 32 pixels

  cBmpCharaExcData();
  RecordFieldTable FieldTable() const override;
  bool Load(cRecordReader& in) override;

  // Cell geometry with the values the drawing can use: a cell size outside
  // 1..16 is taken as 1 rather than dividing by zero.
  int CellPixels() const;
  int CellsPerRow() const;
  // Top-left pixel of graphic g in the 512-pixel-wide sheet.
  void CellOrigin(int graphic, int* x, int* y) const;
};
