#include "records/worldmap_data.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "services/log.h"
#include "services/strings.h"

namespace {
constinit const RecordField kChipFields[] = {
    T4_FIELD(cWorldChipData, m_nFirstValue),
    T4_FIELD(cWorldChipData, m_bImpassable),
    T4_FIELD(cWorldChipData, m_nPicture),
    T4_FIELD(cWorldChipData, m_strFirst),
    T4_FIELD(cWorldChipData, m_strName),
};

constinit const RecordField kStageFields[] = {
    T4_FIELD(cWorldStageData, m_nKind),
    T4_FIELD(cWorldStageData, m_nMarkRow),
    T4_FIELD(cWorldStageData, m_nClearFlag),
    T4_FIELD(cWorldStageData, m_bPassUncleared),
    T4_FIELD(cWorldStageData, m_bReplayable),
    T4_FIELD(cWorldStageData, m_nAfterClear),
    T4_FIELD(cWorldStageData, m_nShowFlag),
    T4_FIELD(cWorldStageData, m_nTestVar),
    T4_FIELD(cWorldStageData, m_nTestOperand),
    T4_FIELD(cWorldStageData, m_nTestRelation),
    T4_FIELD(cWorldStageData, m_nScoreNeeded).From(209),
    T4_FIELD(cWorldStageData, m_bKeyedRanking).From(758),
    T4_FIELD(cWorldStageData, m_nKey1).From(758),
    T4_FIELD(cWorldStageData, m_nKey2).From(758),
    T4_FIELD(cWorldStageData, m_strTitle),
    T4_FIELD(cWorldStageData, m_strStageFile),
};

constinit const RecordField kNodeFields[] = {
    T4_FIELD(cWorldNodeData, m_nX),
    T4_FIELD(cWorldNodeData, m_nY),
    T4_FIELD(cWorldNodeData, m_strName),
};

constinit const RecordField kMapFields[] = {
    T4_FIELD(cWorldMapData, m_nWidth),
    T4_FIELD(cWorldMapData, m_nHeight),
    T4_FIELD(cWorldMapData, m_nPitch),
    T4_FIELD(cWorldMapData, m_nPitchShift),
    T4_FIELD(cWorldMapData, m_nStartX),
    T4_FIELD(cWorldMapData, m_nStartY),
    T4_FIELD(cWorldMapData, m_nBackColor),
    T4_FIELD(cWorldMapData, m_bBackPicture),
    T4_FIELD(cWorldMapData, m_strName),
    T4_FIELD(cWorldMapData, m_strBackPicture),
};

constexpr int kDefaultChipCount = 10;
}  // namespace

const char* const g_szWorldStageKindNames[4] = {"ワールド", "道", "壁", ""};
const char* const g_szWorldAfterClearNames[4] = {"しない", "2周目へ突入", "タイトルへ戻る", ""};

// --- chip kinds ----------------------------------------------------------------

RecordFieldTable cWorldChipData::FieldTable() const { return kChipFields; }

cWorldChipData::cWorldChipData() { Clear(); }

// --- stage entries -------------------------------------------------------------

RecordFieldTable cWorldStageData::FieldTable() const { return kStageFields; }

cWorldStageData::cWorldStageData() { SetDefault(); }

void cWorldStageData::SetDefault() {
  Clear();
  m_nKey1 = 1;
}

bool cWorldStageData::Load(cRecordReader& in) {
  if (!cRecord::Load(in)) return false;
  if (in.Version() < 209) m_nScoreNeeded = 0;
  return true;
}

bool cWorldStageData::PassesVariableTest(int value) const {
  const int64_t v = value;
  const int64_t op = m_nTestOperand;
  switch (m_nTestRelation) {
    case 0: return v == op;
    case 1: return v != op;
    case 2: return v >= op;
    case 3: return v <= op;
    case 4: return v > op;
    case 5: return v < op;
    case 6: return op == 0 || std::llabs(v) % op == 0;
    case 7: return op != 0 && std::llabs(v) % op != 0;
    default: return false;
  }
}

// --- nodes ---------------------------------------------------------------------

RecordFieldTable cWorldNodeData::FieldTable() const { return kNodeFields; }

cWorldNodeData::cWorldNodeData() { SetDefault(); }

void cWorldNodeData::SetDefault() {
  Clear();
  m_vecStage.assign(1, cWorldStageData());
}

void cWorldNodeData::Appended(cRecordIO& io) { io.List("m_vecStage", m_vecStage); }

// --- the map -------------------------------------------------------------------

RecordFieldTable cWorldMapData::FieldTable() const { return kMapFields; }

cWorldMapData::cWorldMapData() { SetDefault(); }

void cWorldMapData::SetDefault() {
  Clear();
  m_strName = "ワールド";
  m_nStartX = 9;
  m_nStartY = 7;
  m_nBackColor = 16;
  m_bBackPicture = 0;
  m_vecChip.resize(kDefaultChipCount);
  for (int i = 0; i < kDefaultChipCount; ++i) {
    cWorldChipData& chip = m_vecChip.At(i);
    chip.m_nPicture = i;
    chip.m_bImpassable = i < 5 ? 1 : 0;
    chip.m_strName = i < 5 ? "通行不可" : "通行可";
  }
  SetSize(20, 15);
  m_vecNode.clear();
  m_vecDefaultNode.resize(1);
  m_vecDefaultNode.At(0).m_strName = "デフォルト";
}

void cWorldMapData::Appended(cRecordIO& io) {
  io.List("m_vecChip", m_vecChip);
  io.Ints("m_vecCell", m_vecCell);
  io.List("m_vecNode", m_vecNode);
  io.List("m_vecDefaultNode", m_vecDefaultNode);
}

int cWorldMapData::PitchShiftFor(int w) {
  int shift = 0;
  for (int n = w - 1; n != 0; n /= 2) ++shift;
  return shift;
}

void cWorldMapData::RebuildGrid(int oldWidth, int oldHeight, int oldShift, const std::vector<int>& oldCells) {
  const int64_t count = int64_t(m_nHeight) << m_nPitchShift;
  cCheckedVector<int> cells(static_cast<size_t>(count), 0);
  // A shift that cannot address a row leaves nothing to keep.
  if (oldShift >= 0 && oldShift < 31) {
    const int rows = std::min(oldHeight, m_nHeight);
    const int cols = std::min(oldWidth, m_nWidth);
    for (int i = 0; i < rows; ++i)
      for (int a = 0; a < cols; ++a) {
        const int64_t from = (int64_t(i) << oldShift) + a;
        if (from < 0 || from >= int64_t(oldCells.size())) continue;
        cells[size_t((int64_t(i) << m_nPitchShift) + a)] = oldCells[size_t(from)];
      }
  }
  m_vecCell.swap(cells);
}

int cWorldMapData::SetSize(int w, int h) {
  if (w == 0 || h == 0) {
    DebugErrorBoxf("SetSize()で 0 を指定しました！");
    return 0;
  }
  if (w < 0 || h < 0) {
    DebugErrorBoxf("SetSize()で負の大きさ (%d, %d) を指定しました！", w, h);
    return 0;
  }
  const int shift = PitchShiftFor(w);
  if ((int64_t(h) << shift) > kMaxCells) {
    DebugErrorBoxf("SetSize()の大きさ (%d, %d) が大きすぎます！", w, h);
    return 0;
  }
  std::vector<int> old;
  const int oldWidth = m_nWidth, oldHeight = m_nHeight, oldShift = m_nPitchShift;
  if (!m_vecCell.empty()) {
    DebugErrorBoxf("nBeforeWidth = %d,nBeforePitch = %d,nBeforePitch_Shift = %d", m_nWidth, m_nPitch, m_nPitchShift);
    old.swap(m_vecCell);
  }
  m_nWidth = w;
  m_nHeight = h;
  m_nPitchShift = shift;
  m_nPitch = 1 << shift;
  RebuildGrid(oldWidth, oldHeight, oldShift, old);
  return 1;
}

bool cWorldMapData::Load(cRecordReader& in) {
  if (!cRecord::Load(in)) return false;
  const char* file = in.FileName().c_str();
  // The grid is addressed through the size, pitch and shift the file
  // states: a size that is not positive cannot be drawn or walked, and one
  // whose grid does not match is rebuilt rather than trusted.
  if (m_nWidth <= 0 || m_nHeight <= 0) return in.Fail("ワールドマップの大きさが不正です");
  const int shift = PitchShiftFor(m_nWidth);
  const int64_t count = int64_t(m_nHeight) << shift;
  if (count > kMaxCells) return in.Fail("ワールドマップが大きすぎます");
  if (m_nPitchShift != shift || m_nPitch != (1 << shift) || int64_t(m_vecCell.size()) != count) {
    WriteReport("%s : マップの大きさ %d x %d にセル配列 (ピッチ %d, シフト %d, セル数 %zu) が合わないため、作り直しました",
                file, m_nWidth, m_nHeight, m_nPitch, m_nPitchShift, m_vecCell.size());
    std::vector<int> old;
    old.swap(m_vecCell);
    // The cells were laid out with the file's shift; without a usable one,
    // the shift its width calls for is the best guess.
    const int oldShift = (m_nPitchShift >= 0 && m_nPitchShift < 31) ? m_nPitchShift : shift;
    m_nPitchShift = shift;
    m_nPitch = 1 << shift;
    RebuildGrid(m_nWidth, m_nHeight, oldShift, old);
  }
  Normalize();
  return true;
}

void cWorldMapData::Save(cRecordWriter& out) {
  Normalize();
  cRecord::Save(out);
}

void cWorldMapData::Normalize() {
  if (m_nStartX >= m_nWidth) m_nStartX = m_nWidth - 1;
  if (m_nStartY >= m_nHeight) m_nStartY = m_nHeight - 1;
  // A damaged file's negative start would put the story's map position off
  // the grid; nodes there are never reached, so they may stay.
  if (m_nStartX < 0) m_nStartX = 0;
  if (m_nStartY < 0) m_nStartY = 0;
  for (int i = 0; i < m_vecNode.Size();) {
    const cWorldNodeData& node = m_vecNode.At(i);
    if (node.m_nX >= m_nWidth || node.m_nY >= m_nHeight)
      m_vecNode.erase(m_vecNode.begin() + i);
    else
      ++i;
  }
}

cWorldNodeData* cWorldMapData::FindNode(int x, int y) {
  for (int i = 0; i < m_vecNode.Size(); ++i) {
    cWorldNodeData& node = m_vecNode.At(i);
    if (node.m_nX == x && node.m_nY == y) return &node;
  }
  return nullptr;
}

int cWorldMapData::CellIndex(int x, int y) const {
  x = std::clamp(x, 0, std::max(0, m_nWidth - 1));
  y = std::min(y, m_nHeight - 1);
  if (y < 0 || m_nPitchShift < 0 || m_nPitchShift >= 31) return x;
  return x + (y << m_nPitchShift);
}

int cWorldMapData::HasStage(const std::string& name, int keyed, int key1, int key2) const {
  for (int i = 0; i < m_vecNode.Size(); ++i) {
    const cWorldNodeData& node = m_vecNode.At(i);
    for (int j = 0; j < node.m_vecStage.Size(); ++j) {
      const cWorldStageData& e = node.m_vecStage.At(j);
      if (e.m_nKind != kWorldStagePoint) continue;
      // "abc-1.ext" and "abc.ext" both stand for the stage "abc.".
      std::string stage = e.m_strStageFile;
      StripExtension(stage);
      size_t dash = stage.rfind("-1");
      if (dash != std::string::npos) stage.resize(dash);
      stage += '.';
      if (name != stage) continue;
      if (!keyed) {
        if (!e.m_bKeyedRanking) return 1;
      } else if (e.m_bKeyedRanking && e.m_nKey1 == key1 && e.m_nKey2 == key2) {
        return 1;
      }
    }
  }
  return 0;
}
