#include "records/block_data.h"

#include "records/item_data.h"
#include "records/template_links.h"

const char* const g_szGraphicKindNames[6] = {"ブロック", "キャラ", "アイテム", "ショット", "専用bmp", ""};
const char* const g_szBlockHitNames[4] = {"当たらない", "当たる", "主人公が当たると即死", ""};
const char* const g_szBlockEffectNames[7] = {
    "なし", "ジャンプ X=高さ(hbl)", "ジャンプ禁止", "移動速度変更 X=％", "左移動 X=移動速度", "右移動 X=移動速度", "",
};
const char* const g_szInheritSourceNames[4] = {"継承しない", "コモンパレット", "ステージパレット", ""};
const char* const g_szItemSourceNames[4] = {"なし", "コモンパレット", "ステージパレット", ""};
const char* const g_szPassingFactionNames[10] = {"なし", "0", "1", "2", "3", "4", "5", "6", "7", ""};

namespace {
constexpr uint32_t kShotSheetShiftVersion = 219;
constexpr int16_t kLastShotGraphic = 119;

constinit const RecordField kBlockFields[] = {
    T4_FIELD(cBlockData, m_byInheritSource),
    T4_FIELD(cBlockData, m_sInheritIndex),
    T4_FIELD(cBlockData, m_byCondMode),
    T4_FIELD(cBlockData, m_bCondLatch),
    T4_FIELD(cBlockData, m_sGraphic),
    T4_FIELD(cBlockData, m_byGraphicKind),
    T4_FIELD(cBlockData, m_sGraphicFrame),
    T4_FIELD(cBlockData, m_byLayer),
    T4_FIELD(cBlockData, m_bHidden),
    T4_FIELD(cBlockData, m_bIcon),
    T4_FIELD(cBlockData, m_sIcon),
    T4_FIELD(cBlockData, m_byHitKind),
    T4_FIELD(cBlockData, m_cPassFaction),
    T4_FIELD(cBlockData, m_byEffectKind),
    T4_FIELD(cBlockData, m_nEffectValue),
    T4_FIELD(cBlockData, m_byItemSource),
    T4_FIELD(cBlockData, m_sItemIndex),
    T4_FIELD(cBlockData, m_bSummonProof),
    T4_FIELD(cBlockData, m_strName),
};

BlockAppearanceTest g_pfnBlockAppearanceTest = nullptr;
}  // namespace

void UpgradeShotGraphic(BYTE graphicKind, int16_t& graphic, uint32_t fileVersion) {
  if (fileVersion >= kShotSheetShiftVersion || graphicKind != kGraphicKindShot) return;
  // One more, but never past the last cell of the sheet.
  graphic = graphic >= kLastShotGraphic ? kLastShotGraphic : static_cast<int16_t>(graphic + 1);
}

cBlockData::cBlockData() { Init(); }

void cBlockData::Init() {
  Clear();
  m_sX = 0;
  m_sY = 0;
  m_vecInheritFlag.assign(kInheritGroupCount, 0);
  m_vecCond.clear();
  m_byHitKind = kBlockHitSolid;
  m_cPassFaction = -1;
}

RecordFieldTable cBlockData::FieldTable() const { return kBlockFields; }

void cBlockData::Appended(cRecordIO& io) {
  io.Value("m_sX", m_sX);
  io.Value("m_sY", m_sY);
  io.Bytes("m_vecInheritFlag", m_vecInheritFlag);
  io.List("m_vecCond", m_vecCond);
}

bool cBlockData::Load(cRecordReader& in) {
  if (!cRecord::Load(in)) return false;
  UpgradeShotGraphic(m_byGraphicKind, m_sGraphic, in.Version());
  Inherit();
  Validate();
  return true;
}

void cBlockData::Save(cRecordWriter& out) {
  Validate();
  cRecord::Save(out);
}

void cBlockData::Inherit() { ApplyInheritance(*this, PaletteBlockList(m_byInheritSource)); }

void cBlockData::CopyInheritGroup(int group, const cBlockData& e) {
  switch (group) {
    case 0: m_strName = e.m_strName; break;
    case 1:
      m_vecCond = e.m_vecCond;
      m_byCondMode = e.m_byCondMode;
      m_bCondLatch = e.m_bCondLatch;
      break;
    case 2:
      m_byGraphicKind = e.m_byGraphicKind;
      m_sGraphic = e.m_sGraphic;
      m_sGraphicFrame = e.m_sGraphicFrame;
      break;
    case 3: m_byLayer = e.m_byLayer; break;
    case 4: m_bHidden = e.m_bHidden; break;
    case 5:
      m_bIcon = e.m_bIcon;
      m_sIcon = e.m_sIcon;
      break;
    case 6: m_byHitKind = e.m_byHitKind; break;
    case 7: m_cPassFaction = e.m_cPassFaction; break;
    case 8:
      m_byEffectKind = e.m_byEffectKind;
      m_nEffectValue = e.m_nEffectValue;
      break;
    case 9:
      m_byItemSource = e.m_byItemSource;
      m_sItemIndex = e.m_sItemIndex;
      break;
    case 10: m_bSummonProof = e.m_bSummonProof; break;
    default: break;
  }
}

void cBlockData::Validate() {
  ClearBrokenPaletteLink(m_byInheritSource, m_sInheritIndex, PaletteBlockList(m_byInheritSource));
  if (m_sGraphic == 0) {
    m_byHitKind = kBlockHitNone;
    m_bSummonProof = 0;
  }
}

void cBlockData::ValidateItemLink() {
  ClearBrokenPaletteLink(m_byItemSource, m_sItemIndex, PaletteItemList(m_byItemSource));
}

BYTE cBlockData::GetHitKind(int faction) {
  if (!m_vecCond.empty() && g_pfnBlockAppearanceTest && !g_pfnBlockAppearanceTest(*this)) return kBlockHitNone;
  if (m_cPassFaction == faction) return kBlockHitNone;
  return m_byHitKind;
}

void SetBlockAppearanceTest(BlockAppearanceTest test) { g_pfnBlockAppearanceTest = test; }
BlockAppearanceTest GetBlockAppearanceTest() { return g_pfnBlockAppearanceTest; }

