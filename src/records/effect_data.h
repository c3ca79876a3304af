// The sword type, effect, chara-effect and screen-effect databases.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "records/checked.h"
#include "records/record.h"

// One frame of a sword: a rectangle of the sword image placed beside its owner.
class cSwordFrameData : public cRecordOf<cSwordFrameData> {
 public:
  int32_t m_nX = 0;        // added to the sword's x (times the size factor)
  int32_t m_nY = 0;        // added to the sword's y (times the size factor)
  int32_t m_bMirrorX = 1;  // non-zero: subtracted instead while the owner faces right
  int32_t m_bMirrorY = 0;
  int32_t m_nPosition = 0;  // 0 in front, 1 behind, 2 above, 3 below
  int32_t m_nSrcX = 0;
  int32_t m_nSrcY = 0;
  int32_t m_nWidth = 0;
  int32_t m_nHeight = 0;
  int32_t m_nTime = 0;  // tenths of a second

  cSwordFrameData();
  RecordFieldTable FieldTable() const override;
};

class cSwordTypeData : public cRecordOf<cSwordTypeData> {
 public:
  std::string m_strName;
  std::string m_strLeftImage;
  std::string m_strRightImage;
  int32_t m_nReserved = 0;
  cCheckedVector<cSwordFrameData> m_vecFrame;

  cSwordTypeData();
  RecordFieldTable FieldTable() const override;
  void Appended(cRecordIO& io) override;
  bool Load(cRecordReader& in) override;
};

// One frame of an effect: a cell of the effect sheet.
class cEffectFrameData : public cRecordOf<cEffectFrameData> {
 public:
  int32_t m_nGraphic = 0;
  int32_t m_nTime = 1;  // tenths of a second

  cEffectFrameData();
  RecordFieldTable FieldTable() const override;
};

class cEffectData : public cRecordOf<cEffectData> {
 public:
  std::string m_strName;
  std::string m_strFile;
  int32_t m_nReserved = 0;
  int32_t m_nCellWidth = 32;   // cells lie side by side in one row
  int32_t m_nCellHeight = 32;
  int32_t m_bScaleWithSize = 0;
  cCheckedVector<cEffectFrameData> m_vecFrame;

  cEffectData();
  RecordFieldTable FieldTable() const override;
  void Appended(cRecordIO& io) override;
  bool Load(cRecordReader& in) override;
};

// What chara effects and screen effects have in common: a kind and its five
// parameters (p0 is the time in tenths of a second).
class cEffectKindData : public cRecord {
 public:
  std::string m_strName;
  int32_t m_nKind = 1;  // 0 = no effect
  int32_t m_nParam[5] = {};

  RecordFieldTable FieldTable() const override;

 protected:
  cEffectKindData() = default;
  // Files up to this version lack parameters that later kinds gained.
  static constexpr uint32_t kLastVersionBeforeNewParams = 510;
};

class cCharaEffectData final : public cEffectKindData {
 public:
  cCharaEffectData();
  bool Load(cRecordReader& in) override;
  std::unique_ptr<cRecord> CloneRecord() const override { return std::make_unique<cCharaEffectData>(*this); }
  void TakeRecord(cRecord& from) override { *this = std::move(static_cast<cCharaEffectData&>(from)); }
};

class cScrEffectData final : public cEffectKindData {
 public:
  cScrEffectData();
  bool Load(cRecordReader& in) override;
  std::unique_ptr<cRecord> CloneRecord() const override { return std::make_unique<cScrEffectData>(*this); }
  void TakeRecord(cRecord& from) override { *this = std::move(static_cast<cScrEffectData&>(from)); }
};
