// The picture, sound-effect and music databases: a name and a file each.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "records/record.h"

class cMediaData : public cRecord {
 public:
  std::string m_strName;
  std::string m_strFile;  // used unchanged to open the file
  int32_t m_nReserved = 0;

  RecordFieldTable FieldTable() const override;
  bool Load(cRecordReader& in) override;

 protected:
  cMediaData() = default;
};

template <class T>
class cMediaDataOf : public cMediaData {
 public:
  cMediaDataOf() { Clear(); }
  std::unique_ptr<cRecord> CloneRecord() const override { return std::make_unique<T>(static_cast<const T&>(*this)); }
  void TakeRecord(cRecord& from) override { static_cast<T&>(*this) = std::move(static_cast<T&>(from)); }
};

class cPictureData final : public cMediaDataOf<cPictureData> {};
class cSoundData final : public cMediaDataOf<cSoundData> {};
class cBgmData final : public cMediaDataOf<cBgmData> {};
