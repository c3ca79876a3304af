#include "records/effect_data.h"

#include "records/effect_schema.h"

namespace {
constexpr uint32_t kReservedVersion = 151;
constexpr uint32_t kReservedKeptVersion = 153;
constexpr uint32_t kSwordMirrorVersion = 138;

constinit const RecordField kSwordFrameFields[] = {
    T4_FIELD(cSwordFrameData, m_nX),
    T4_FIELD(cSwordFrameData, m_nY),
    T4_FIELD(cSwordFrameData, m_bMirrorX).From(kSwordMirrorVersion),
    T4_FIELD(cSwordFrameData, m_bMirrorY).From(kSwordMirrorVersion),
    T4_FIELD(cSwordFrameData, m_nPosition),
    T4_FIELD(cSwordFrameData, m_nSrcX),
    T4_FIELD(cSwordFrameData, m_nSrcY),
    T4_FIELD(cSwordFrameData, m_nWidth),
    T4_FIELD(cSwordFrameData, m_nHeight),
    T4_FIELD(cSwordFrameData, m_nTime),
};

constinit const RecordField kSwordTypeFields[] = {
    T4_FIELD(cSwordTypeData, m_strName),
    T4_FIELD(cSwordTypeData, m_strLeftImage),
    T4_FIELD(cSwordTypeData, m_strRightImage),
    T4_FIELD(cSwordTypeData, m_nReserved).From(kReservedVersion),
};

constinit const RecordField kEffectFrameFields[] = {
    T4_FIELD(cEffectFrameData, m_nGraphic),
    T4_FIELD(cEffectFrameData, m_nTime),
};

constinit const RecordField kEffectFields[] = {
    T4_FIELD(cEffectData, m_strName),
    T4_FIELD(cEffectData, m_strFile),
    T4_FIELD(cEffectData, m_nReserved).From(kReservedVersion),
    T4_FIELD(cEffectData, m_nCellWidth),
    T4_FIELD(cEffectData, m_nCellHeight),
    T4_FIELD(cEffectData, m_bScaleWithSize),
};

constinit const RecordField kEffectKindFields[] = {
    T4_FIELD(cEffectKindData, m_strName),
    T4_FIELD(cEffectKindData, m_nKind),
    T4_FIELD(cEffectKindData, m_nParam),
};

// A parameter that files up to version 510 lack: {kind, parameter index}.
struct AddedParam {
  int kind;
  int param;
};
constexpr AddedParam kCharaEffectAddedParams[] = {{4, 4}, {5, 4}, {10, 3}};
constexpr AddedParam kScrEffectAddedParams[] = {{6, 4}, {7, 4}, {10, 3}};

template <size_t N>
void GiveAddedParams(cEffectKindData& e, const AddedParam (&added)[N], const EFFECTKINDDEF* schema) {
  for (const AddedParam& a : added)
    if (e.m_nKind == a.kind) e.m_nParam[a.param] = schema[a.kind].params[a.param].nDefault;
}
}  // namespace

// --- swords --------------------------------------------------------------------

cSwordFrameData::cSwordFrameData() {
  Clear();
  m_bMirrorX = 1;
}
RecordFieldTable cSwordFrameData::FieldTable() const { return kSwordFrameFields; }

cSwordTypeData::cSwordTypeData() {
  Clear();
  m_vecFrame.assign(1, cSwordFrameData());
  m_vecFrame.At(0).m_nTime = 1;
}
RecordFieldTable cSwordTypeData::FieldTable() const { return kSwordTypeFields; }
void cSwordTypeData::Appended(cRecordIO& io) { io.List("m_vecFrame", m_vecFrame); }

bool cSwordTypeData::Load(cRecordReader& in) {
  if (!cRecord::Load(in)) return false;
  if (in.Version() < kReservedKeptVersion) m_nReserved = 0;
  return true;
}

// --- effects -------------------------------------------------------------------

cEffectFrameData::cEffectFrameData() {
  Clear();
  m_nTime = 1;
}
RecordFieldTable cEffectFrameData::FieldTable() const { return kEffectFrameFields; }

cEffectData::cEffectData() {
  Clear();
  m_nCellWidth = 32;
  m_nCellHeight = 32;
  m_bScaleWithSize = 0;
}
RecordFieldTable cEffectData::FieldTable() const { return kEffectFields; }
void cEffectData::Appended(cRecordIO& io) { io.List("m_vecFrame", m_vecFrame); }

bool cEffectData::Load(cRecordReader& in) {
  if (!cRecord::Load(in)) return false;
  if (in.Version() < kReservedKeptVersion) m_nReserved = 0;
  return true;
}

// --- chara and screen effects --------------------------------------------------

RecordFieldTable cEffectKindData::FieldTable() const { return kEffectKindFields; }

cCharaEffectData::cCharaEffectData() {
  Clear();
  m_nKind = 1;
}

bool cCharaEffectData::Load(cRecordReader& in) {
  if (!cRecord::Load(in)) return false;
  if (in.Version() <= kLastVersionBeforeNewParams) GiveAddedParams(*this, kCharaEffectAddedParams, g_CharaEffectSchema);
  return true;
}

cScrEffectData::cScrEffectData() {
  Clear();
  m_nKind = 1;
}

bool cScrEffectData::Load(cRecordReader& in) {
  if (!cRecord::Load(in)) return false;
  if (in.Version() <= kLastVersionBeforeNewParams) GiveAddedParams(*this, kScrEffectAddedParams, g_ScrEffectSchema);
  return true;
}
