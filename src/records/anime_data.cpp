#include "records/anime_data.h"

namespace {
// Files before this version hold no flight animations of their own.
constexpr uint32_t kFlightOffsetVersion = 119;
constexpr uint32_t kFreeAnimeCountVersion = 128;
constexpr uint32_t kReservedKeptVersion = 153;
constexpr size_t kBasicAnimeCount = 4;

constinit const RecordField kAnimeFrameFields[] = {
    T4_FIELD(cAnimeFrameData, m_nGraphic),
    T4_FIELD(cAnimeFrameData, m_nTime),
    T4_FIELD(cAnimeFrameData, m_nLock),
};

constinit const RecordField kAnimeFields[] = {
    T4_FIELD(cAnimeData, m_strName),
    T4_FIELD(cAnimeData, m_sSettingA).From(55),
    T4_FIELD(cAnimeData, m_bFlagB).From(55),
    T4_FIELD(cAnimeData, m_sSettingC).From(55),
};

constinit const RecordField kAnimeSetFields[] = {
    T4_FIELD(cAnimeSetData, m_strName),
    T4_FIELD(cAnimeSetData, m_nInvincibleOffset),
    T4_FIELD(cAnimeSetData, m_nBlockCharaOffset),
    T4_FIELD(cAnimeSetData, m_nFlightOffset).From(kFlightOffsetVersion),
};

constinit const RecordField kBmpCharaExcFields[] = {
    T4_FIELD(cBmpCharaExcData, m_strName),
    T4_FIELD(cBmpCharaExcData, m_strFile),
    T4_FIELD(cBmpCharaExcData, m_nReserved).From(152),
    T4_FIELD(cBmpCharaExcData, m_bLargeCells).From(172),
    T4_FIELD(cBmpCharaExcData, m_nCellSize).From(172),
};
}  // namespace

// --- cAnimeFrameData -----------------------------------------------------------

cAnimeFrameData::cAnimeFrameData() {
  Clear();
  m_nTime = 1;
}
RecordFieldTable cAnimeFrameData::FieldTable() const { return kAnimeFrameFields; }

// --- cAnimeData ----------------------------------------------------------------

cAnimeData::cAnimeData() {
  Clear();
  m_bFlagB = 1;
  m_vecFrame.assign(1, cAnimeFrameData());
}
RecordFieldTable cAnimeData::FieldTable() const { return kAnimeFields; }
void cAnimeData::Appended(cRecordIO& io) { io.List("m_vecFrame", m_vecFrame); }

// --- cAnimeSetData -------------------------------------------------------------

cAnimeSetData::cAnimeSetData() {
  Clear();
  m_nInvincibleOffset = 4;
  m_nBlockCharaOffset = 8;
  m_nFlightOffset = 0;
  m_vecAnime.assign(kBasicAnimeCount, cAnimeData());
  m_vecAnime.At(0).m_strName = "立ち";
  m_vecAnime.At(1).m_strName = "立ち移動";
  m_vecAnime.At(2).m_strName = "飛行";
  m_vecAnime.At(3).m_strName = "飛行移動";
}
RecordFieldTable cAnimeSetData::FieldTable() const { return kAnimeSetFields; }
void cAnimeSetData::Appended(cRecordIO& io) { io.List("m_vecAnime", m_vecAnime); }

bool cAnimeSetData::Load(cRecordReader& in) {
  if (!cRecord::Load(in)) return false;
  const uint32_t v = in.Version();
  // Older sets had only the four basic animations; the flight pair got its
  // names later.
  if (v < kFlightOffsetVersion) m_vecAnime.resize(kBasicAnimeCount);
  if (v < kFreeAnimeCountVersion) {
    m_vecAnime.resize(kBasicAnimeCount);
    m_vecAnime.At(2).m_strName = "飛行";
    m_vecAnime.At(3).m_strName = "飛行移動";
  }
  return true;
}

// --- cBmpCharaExcData ----------------------------------------------------------

cBmpCharaExcData::cBmpCharaExcData() {
  Clear();
  m_nCellSize = 2;
}
RecordFieldTable cBmpCharaExcData::FieldTable() const { return kBmpCharaExcFields; }

bool cBmpCharaExcData::Load(cRecordReader& in) {
  if (!cRecord::Load(in)) return false;
  if (in.Version() < kReservedKeptVersion) m_nReserved = 0;
  return true;
}

int cBmpCharaExcData::CellPixels() const {
  if (!m_bLargeCells) return 32;
  const int size = (m_nCellSize >= 1 && m_nCellSize <= 16) ? m_nCellSize : 1;
  return size * 32;
}

int cBmpCharaExcData::CellsPerRow() const { return 512 / CellPixels(); }

void cBmpCharaExcData::CellOrigin(int graphic, int* x, int* y) const {
  const int perRow = CellsPerRow();
  const int cell = CellPixels();
  const int g = graphic < 0 ? 0 : graphic;
  *x = (g % perRow) * cell;
  *y = (g / perRow) * cell;
}
