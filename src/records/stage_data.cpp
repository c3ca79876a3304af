#include "records/stage_data.h"

#include <algorithm>
#include <cstring>

#include "platform/messages.h"
#include "records/database.h"
#include "records/template_links.h"
#include "services/log.h"

const char* const g_szScrollModeNames[3] = {"主人公の位置に合わせてスクロール", "オートスクロール", ""};
const char* const g_szHitLevelNames[20] = {
    "レベル1 (速度制限=60)",  "レベル2 (速度制限=120)", "レベル3 (速度制限=180)", "レベル4 (速度制限=240)",
    "レベル5 (速度制限=300)", "レベル6 (速度制限=360)", "レベル7 (速度制限=420)", "レベル8 (速度制限=480)",
    "レベル9 (速度制限=540)", "レベル10 (速度制限=600)", "レベル1 (速度制限=600)", "レベル2 (速度制限=600)",
    "レベル3 (速度制限=600)", "レベル4 (速度制限=600)", "レベル5 (速度制限=600)", "レベル6 (速度制限=600)",
    "レベル7 (速度制限=600)", "レベル8 (速度制限=600)", "レベル9 (速度制限=600)", "",
};
const char* const g_szShotTestStepNames[7] = {
    "最大 (当たり判定レベルと同じ)", "1 (対応速度=60)",      "2 (対応速度=最大120)", "3 (対応速度=最大180)",
    "4 (対応速度=最大240)",          "5 (対応速度=最大300)", "",
};
const char* const g_szBoxPlaceNames[3] = {"中央", "下", ""};
const char* const g_szBoxPlaceShortNames[3] = {"中", "下", ""};
const char* const g_szBoxShowNames[4] = {"表示しない", "表示する", "枠のみ表示", ""};
const char* const g_szBoxColorNames[9] = {"赤", "緑", "青", "黄", "赤紫", "青紫", "黒", "虹", ""};
const char* const g_szStageResizeXNames[3] = {"右方向へ拡張（または右を削除）", "左方向へ拡張（または左を削除）", ""};
const char* const g_szStageResizeYNames[3] = {"下方向へ拡張（または下を削除）", "上方向へ拡張（または上を削除）", ""};
const char* const g_szStageAxisNames[3] = {"水平方向", "垂直方向", ""};

namespace {
// Source 2 names the played stage's palette from before the program starts.
const bool g_bStageInstalled =
    (SetPaletteLists(kPaletteSourceStage, {&g_Stage.m_vecPaletteBlock, &g_Stage.m_vecPaletteChara,
                                           &g_Stage.m_vecPaletteItem}),
     true);

constinit const RecordField kQuadFields[] = {
    T4_FIELD(cStageQuad, m_bLeft),
    T4_FIELD(cStageQuad, m_bRight).From(125),
    T4_FIELD(cStageQuad, m_bTop).From(125),
    T4_FIELD(cStageQuad, m_bBottom).From(125),
    T4_FIELD(cStageQuad, m_nLeftMargin),
    T4_FIELD(cStageQuad, m_nRightMargin),
    T4_FIELD(cStageQuad, m_nTopMargin),
    T4_FIELD(cStageQuad, m_nBottomMargin),
};

constinit const RecordField kBackgroundFields[] = {
    T4_FIELD(cBackgroundData, m_bShow).From(62),
    T4_FIELD(cBackgroundData, m_bFill),
    T4_FIELD(cBackgroundData, m_nFillColor),
    T4_FIELD(cBackgroundData, m_nPlane),
    T4_FIELD(cBackgroundData, m_dFactorX).From(61),
    T4_DISCARDED(4).Until(60),
    T4_FIELD(cBackgroundData, m_dFactorY).From(61),
    T4_DISCARDED(4).Until(60),
    T4_FIELD(cBackgroundData, m_bAutoScrollX).From(61),
    T4_FIELD(cBackgroundData, m_bAutoScrollY).From(61),
    T4_FIELD(cBackgroundData, m_dOffsetX).From(62),
    T4_DISCARDED(4).From(61).Until(61),
    T4_FIELD(cBackgroundData, m_dOffsetY).From(62),
    T4_DISCARDED(4).From(61).Until(61),
    T4_FIELD(cBackgroundData, m_strPicture),
};

constinit const RecordField kStageStringFields[] = {
    T4_FIELD(cStageString, m_strName),
};

constinit const RecordField kStageFields[] = {
    T4_FIELD(cStageData, m_nWidth),
    T4_FIELD(cStageData, m_nUnused1),
    T4_FIELD(cStageData, m_nUnused2),
    T4_FIELD(cStageData, m_nHeight),
    T4_FIELD(cStageData, m_bScrollLimitLeft),
    T4_FIELD(cStageData, m_bScrollLimitRight),
    T4_FIELD(cStageData, m_bScrollLimitTop),
    T4_FIELD(cStageData, m_bScrollLimitBottom),
    T4_FIELD(cStageData, m_nScrollLimitLeft),
    T4_FIELD(cStageData, m_nScrollLimitRight),
    T4_FIELD(cStageData, m_nScrollLimitTop),
    T4_FIELD(cStageData, m_nScrollLimitBottom),
    T4_FIELD(cStageData, m_nFps),
    T4_FIELD(cStageData, m_bTimeLimit),
    T4_FIELD(cStageData, m_nTimeLimit),
    T4_FIELD(cStageData, m_nTimeWarning),
    T4_FIELD(cStageData, m_nScrollModeX),
    T4_FIELD(cStageData, m_nScrollModeY),
    T4_FIELD(cStageData, m_nAutoScrollSpeedX),
    T4_FIELD(cStageData, m_nAutoScrollSpeedY),
    T4_FIELD(cStageData, m_dGravity),
    T4_FIELD(cStageData, m_nHitLevel),
    T4_FIELD(cStageData, m_nShotTestSteps),
    T4_FIELD(cStageData, m_nBgm),
    T4_FIELD(cStageData, m_bBgmLoop).From(166),
    T4_FIELD(cStageData, m_bBgmKeep).From(199),
    T4_FIELD(cStageData, m_bLayeredDraw),
    T4_FIELD(cStageData, m_bTakeOverHero),
    T4_FIELD(cStageData, m_bStoreHero),
    T4_FIELD(cStageData, m_bStatusLine).From(183),
    T4_FIELD(cStageData, m_bSkipResults).From(184),
    T4_FIELD(cStageData, m_bStageBanner),
    T4_FIELD(cStageData, m_bStartBanner).From(225),
    T4_FIELD(cStageData, m_bClearBanner),
    T4_FIELD(cStageData, m_bGameOverBanner),
    T4_FIELD(cStageData, m_nHeroBlockW).From(200),
    T4_FIELD(cStageData, m_nHeroBlockH).From(200),
    T4_FIELD(cStageData, m_nHeroBlockFlyW).From(200),
    T4_FIELD(cStageData, m_nHeroBlockFlyH).From(200),
    T4_FIELD(cStageData, m_nHeroCharaW),
    T4_FIELD(cStageData, m_nHeroCharaH),
    T4_FIELD(cStageData, m_nHeroCharaFlyW).From(155),
    T4_FIELD(cStageData, m_nHeroCharaFlyH).From(155),
    T4_FIELD(cStageData, m_nHeroShotW),
    T4_FIELD(cStageData, m_nHeroShotH),
    T4_FIELD(cStageData, m_nHeroItemW),
    T4_FIELD(cStageData, m_nHeroItemH),
    T4_FIELD(cStageData, m_bHeroBlockBottom).From(200),
    T4_FIELD(cStageData, m_bHeroBlockFlyBottom).From(200),
    T4_FIELD(cStageData, m_bHeroCharaBottom).From(155),
    T4_FIELD(cStageData, m_bHeroCharaFlyBottom).From(155),
    T4_FIELD(cStageData, m_nHeroBlockShow).From(200),
    T4_FIELD(cStageData, m_nHeroCharaShow),
    T4_FIELD(cStageData, m_nHeroShotShow),
    T4_FIELD(cStageData, m_nHeroItemShow),
    T4_FIELD(cStageData, m_nHeroBlockColor).From(200),
    T4_FIELD(cStageData, m_nHeroCharaColor),
    T4_FIELD(cStageData, m_nHeroShotColor),
    T4_FIELD(cStageData, m_nHeroItemColor),
    T4_FIELD(cStageData, m_nCharaBlockW).From(200),
    T4_FIELD(cStageData, m_nCharaBlockH).From(200),
    T4_FIELD(cStageData, m_nCharaBlockFlyW).From(200),
    T4_FIELD(cStageData, m_nCharaBlockFlyH).From(200),
    T4_FIELD(cStageData, m_nCharaCharaW),
    T4_FIELD(cStageData, m_nCharaCharaH),
    T4_FIELD(cStageData, m_nCharaCharaFlyW).From(155),
    T4_FIELD(cStageData, m_nCharaCharaFlyH).From(155),
    T4_FIELD(cStageData, m_nCharaShotW),
    T4_FIELD(cStageData, m_nCharaShotH),
    T4_FIELD(cStageData, m_bCharaBlockBottom).From(200),
    T4_FIELD(cStageData, m_bCharaBlockFlyBottom).From(200),
    T4_FIELD(cStageData, m_bCharaCharaBottom).From(155),
    T4_FIELD(cStageData, m_bCharaCharaFlyBottom).From(155),
    T4_FIELD(cStageData, m_nItemW),
    T4_FIELD(cStageData, m_nItemH),
    T4_FIELD(cStageData, m_nHeroBulletW),
    T4_FIELD(cStageData, m_nHeroBulletH),
    T4_FIELD(cStageData, m_nUnusedSize1W),
    T4_FIELD(cStageData, m_nUnusedSize1H),
    T4_FIELD(cStageData, m_nCharaBulletW),
    T4_FIELD(cStageData, m_nCharaBulletH),
    T4_FIELD(cStageData, m_nUnusedSize2W),
    T4_FIELD(cStageData, m_nUnusedSize2H),
    T4_FIELD(cStageData, m_nUnusedSizeFlag),
    T4_FIELD(cStageData, m_nPixelWidth),
    T4_FIELD(cStageData, m_nPixelHeight),
    T4_FIELD(cStageData, m_nSubSteps),
    T4_FIELD(cStageData, m_dSubSteps),
    T4_FIELD(cStageData, m_dSubStepsSquared),
    T4_FIELD(cStageData, m_dSpeedLimit),
    T4_FIELD(cStageData, m_dStepGravity),
    T4_FIELD(cStageData, m_dStepSpeedLimit),
    T4_FIELD(cStageData, m_nSubStepsX8),
    T4_FIELD(cStageData, m_bOnScreenOnly),
    T4_FIELD(cStageData, m_nHeroHitCooldown),
    T4_FIELD(cStageData, m_nHeroInvincible),
    T4_FIELD(cStageData, m_nCharaHitCooldown),
    T4_FIELD(cStageData, m_nCharaInvincible),
    T4_FIELD(cStageData, m_strName),
};

// The smallest body a list element can have: two counts.
constexpr size_t kMinBodyBytes = 8;

cPaletteLists StagePaletteLists(cStageData& s) {
  return cPaletteLists{&s.m_vecPaletteBlock, &s.m_vecPaletteChara, &s.m_vecPaletteItem};
}

// A stage is read on the loading thread: quitting stops the reader before
// its next record, and the load fails.
bool GoOnReading(cRecordReader& in) {
  if (in.Failed()) return false;
  if (plat::QuitRequested()) return in.Fail("読み込みが中断されました");
  return true;
}

// A list of the stage file. Placed lists carry a 32-bit word before every
// entry, written 0 and ignored when read. Reading makes n default entries
// first, so each entry reads with the list as it stands (earlier entries
// read, later ones default).
template <class T>
void StageList(cRecordIO& io, const char* name, cCheckedVector<T>& v, bool placed) {
  switch (io.GetMode()) {
    case cRecordIO::Mode::Read: {
      auto& in = static_cast<cRecordReader&>(io);
      int32_t n = 0;
      if (!GoOnReading(in) || !in.ReadCount(n, kMinBodyBytes + (placed ? 4 : 0))) return;
      DestroyRecordVector(v);
      v.resize(static_cast<size_t>(n));
      for (T& e : v) {
        uint32_t ignored = 0;
        if (!GoOnReading(in) || (placed && !in.ReadUInt32(ignored)) || !e.Load(in)) return;
      }
      return;
    }
    case cRecordIO::Mode::Write: {
      auto& out = static_cast<cRecordWriter&>(io);
      out.WriteInt32(static_cast<int32_t>(v.size()));
      for (T& e : v) {
        if (placed) out.WriteInt32(0);
        e.Save(out);
      }
      return;
    }
    case cRecordIO::Mode::Dump:
      io.List(name, v);
      return;
  }
}

// The registered fields and the name of one stage record into another.
void CopyRegisteredFields(cStageData& to, const cStageData& from) {
  auto& src = const_cast<cStageData&>(from);
  for (const RecordField& f : kStageFields) {
    if (!f.InVersion(CurrentDataVersion())) continue;
    if (f.kind == FieldKind::String)
      *static_cast<std::string*>(f.Address(to)) = *static_cast<const std::string*>(f.Address(src));
    else
      std::memcpy(f.Address(to), f.Address(src), f.Bytes());
  }
}

int ClampInt(int64_t v, int64_t lo, int64_t hi) { return static_cast<int>(std::clamp(v, lo, hi)); }
}  // namespace

// --- removal ranges, backgrounds, variable names ---------------------------------

RecordFieldTable cStageQuad::FieldTable() const { return kQuadFields; }

void cStageQuad::Set(int left, int right, int top, int bottom, int leftMargin, int rightMargin, int topMargin,
                     int bottomMargin) {
  m_bLeft = left;
  m_bRight = right;
  m_bTop = top;
  m_bBottom = bottom;
  m_nLeftMargin = leftMargin;
  m_nRightMargin = rightMargin;
  m_nTopMargin = topMargin;
  m_nBottomMargin = bottomMargin;
}

RecordFieldTable cBackgroundData::FieldTable() const { return kBackgroundFields; }

void cBackgroundData::Init() {
  Clear();
  m_bShow = 1;
  m_nFillColor = 16;
  m_dFactorX = 0.1;
  m_dFactorY = 0.1;
}

RecordFieldTable cStageString::FieldTable() const { return kStageStringFields; }

// --- the stage ---------------------------------------------------------------------

RecordFieldTable cStageData::FieldTable() const { return kStageFields; }

cStageData::cStageData() { Reset(); }

void cStageData::Appended(cRecordIO& io) {
  io.Ints("m_vecRanking", m_vecRanking);
  static const char* const kQuadNames[kQuadCount] = {"m_QuadChara", "m_QuadBlockChara", "m_QuadItem", "m_QuadHeroShot",
                                                     "m_QuadOtherShot"};
  for (int i = 0; i < kQuadCount; ++i) io.Record(kQuadNames[i], m_Quad[i]);
  StageList(io, "m_vecPaletteBlock", m_vecPaletteBlock, false);
  StageList(io, "m_vecPaletteChara", m_vecPaletteChara, false);
  StageList(io, "m_vecPaletteItem", m_vecPaletteItem, false);
  // The palette's default entries, before the placed objects inherit.
  if (io.Reading() && io.Ok()) ResetPaletteFirstEntries();
  StageList(io, "m_vecBlock", m_vecBlock, true);
  StageList(io, "m_vecChara", m_vecChara, true);
  StageList(io, "m_vecItem", m_vecItem, true);
  StageList(io, "m_vecBackground", m_vecBackground, false);
  StageList(io, "m_vecStageString", m_vecStageString, false);
  if (io.GetMode() == cRecordIO::Mode::Dump) return;
  uint32_t marker = kStageEndMarker;
  // Files before 173 end without it.
  if (!io.Reading() || io.Version() >= 173) io.Value("m_dwEndMarker", marker);
}

void cStageData::ResetPaletteFirstEntries() {
  if (!m_vecPaletteBlock.empty()) m_vecPaletteBlock.front().Init();
  if (!m_vecPaletteChara.empty()) {
    m_vecPaletteChara.front().m_nCarryItem = 0;
    m_vecPaletteChara.front().Init();
  }
  if (!m_vecPaletteItem.empty()) m_vecPaletteItem.front().Init();
}

bool cStageData::Load(cRecordReader& in) {
  // Entries with source 2 inherit from this record's palette as it is read.
  cScopedPaletteLists stage(kPaletteSourceStage, StagePaletteLists(*this));
  if (!GoOnReading(in) || !LoadFields(in)) return false;
  Appended(in);
  if (!in.Ok()) return false;
  if (in.Version() < kRecordDataVersion) Upgrade(in.Version());
  Normalize();
  return true;
}

void cStageData::Upgrade(uint32_t v) {
  if (v < 155) {
    m_nHeroCharaFlyW = m_nHeroCharaW;
    m_nHeroCharaFlyH = m_nHeroCharaH;
    m_nCharaCharaFlyW = m_nCharaCharaW;
    m_nCharaCharaFlyH = m_nCharaCharaH;
    m_bHeroCharaBottom = m_bHeroCharaFlyBottom = 0;
    m_bCharaCharaBottom = m_bCharaCharaFlyBottom = 0;
  }
  if (v < 166) m_bBgmLoop = 1;
  if (v < 181) {
    m_vecRanking.resize(5, 0);
    m_vecRanking[3] = m_vecRanking[4] = 0;
  }
  if (v < 183) m_bStatusLine = 1;
  if (v < 184) m_bSkipResults = 0;
  if (v < 199) m_bBgmKeep = 0;
  if (v < 200) {
    m_nHeroBlockW = 16;
    m_nHeroBlockH = 24;
    m_nHeroBlockFlyW = 16;
    m_nHeroBlockFlyH = 16;
    m_bHeroBlockBottom = 1;
    m_bHeroBlockFlyBottom = 0;
    m_nHeroBlockShow = 0;
    m_nHeroBlockColor = 5;
    m_nCharaBlockW = 16;
    m_nCharaBlockH = 30;
    m_nCharaBlockFlyW = 16;
    m_nCharaBlockFlyH = 30;
    m_bCharaBlockBottom = 1;
    m_bCharaBlockFlyBottom = 1;
  }
  if (v < 225) m_bStartBanner = 0;
  if (v < 754) m_vecStageString.resize(kStageVariableCount);
}

void cStageData::Save(cRecordWriter& out) {
  Normalize();
  cRecord::Save(out);
}

void cStageData::SaveForReplay(cRecordWriter& out, cStageData& source) {
  Normalize();
  source.SaveFields(out);
  out.Ints("m_vecRanking", source.m_vecRanking);
  for (cStageQuad& q : source.m_Quad) q.Save(out);
  StageList(out, "", m_vecPaletteBlock, false);
  StageList(out, "", m_vecPaletteChara, false);
  StageList(out, "", m_vecPaletteItem, false);
  StageList(out, "", m_vecBlock, true);
  StageList(out, "", m_vecChara, true);
  StageList(out, "", m_vecItem, true);
  StageList(out, "", source.m_vecBackground, false);
  StageList(out, "", source.m_vecStageString, false);
  uint32_t marker = kStageEndMarker;
  out.Value("", marker);
}

void cStageData::Reset() {
  Clear();
  DestroyRecordVector(m_vecBlock);
  DestroyRecordVector(m_vecChara);
  DestroyRecordVector(m_vecItem);
  m_vecPaletteBlock.assign(1, cBlockData());
  m_vecPaletteChara.assign(1, cCharaData());
  m_vecPaletteItem.assign(1, cItemData());

  m_nFps = 60;
  m_nTimeLimit = 200;
  m_nTimeWarning = 20;
  m_dGravity = 0.4;
  m_nHitLevel = 10;
  m_bLayeredDraw = 1;
  m_bStatusLine = 1;
  m_bStartBanner = 1;
  m_bClearBanner = 1;
  m_bGameOverBanner = 1;
  m_bOnScreenOnly = 1;
  m_nHeroHitCooldown = 30;
  m_nHeroInvincible = 0;
  m_nCharaHitCooldown = 30;
  m_nCharaInvincible = 0;

  // The default stage shows a screen filled with colour 16.
  m_vecBackground.assign(1, cBackgroundData());
  m_vecBackground.front().m_bFill = 1;

  m_vecRanking.assign(5, 1);

  m_Quad[kQuadChara].Set(0, 0, 0, 0, 0, 0, 0, 0);
  m_Quad[kQuadBlockChara].Set(0, 0, 0, 0, 0, 0, 0, 0);
  m_Quad[kQuadItem].Set(0, 0, 0, 0, 0, 0, 0, 0);
  m_Quad[kQuadHeroShot].Set(1, 1, 1, 1, 0, 0, 0, 0);
  m_Quad[kQuadOtherShot].Set(1, 1, 1, 1, 10, 10, 10, 10);
  SetStandardSizes();
  m_nUnusedSizeFlag = 1;
}

void cStageData::SetStandardSizes() {
  m_nHeroBlockW = 16;
  m_nHeroBlockH = 24;
  m_nHeroBlockFlyW = 16;
  m_nHeroBlockFlyH = 16;
  m_nHeroCharaW = 16;
  m_nHeroCharaH = 24;
  m_nHeroCharaFlyW = 16;
  m_nHeroCharaFlyH = 16;
  m_nHeroShotW = 12;
  m_nHeroShotH = 8;
  m_nHeroItemW = 16;
  m_nHeroItemH = 16;
  m_bHeroBlockBottom = 1;
  m_bHeroBlockFlyBottom = 0;
  m_bHeroCharaBottom = 1;
  m_bHeroCharaFlyBottom = 0;
  m_nCharaBlockW = 16;
  m_nCharaBlockH = 24;
  m_nCharaBlockFlyW = 16;
  m_nCharaBlockFlyH = 16;
  m_nCharaCharaW = 12;
  m_nCharaCharaH = 24;
  m_nCharaCharaFlyW = 12;
  m_nCharaCharaFlyH = 16;
  m_nCharaShotW = 30;
  m_nCharaShotH = 30;
  m_bCharaBlockBottom = 1;
  m_bCharaBlockFlyBottom = 0;
  m_bCharaCharaBottom = 1;
  m_bCharaCharaFlyBottom = 0;
  m_nItemW = 28;
  m_nItemH = 28;
  m_nHeroBulletW = 16;
  m_nHeroBulletH = 16;
  m_nUnusedSize1W = 16;
  m_nUnusedSize1H = 16;
  m_nCharaBulletW = 16;
  m_nCharaBulletH = 16;
  m_nUnusedSize2W = 16;
  m_nUnusedSize2H = 16;
}

void cStageData::Normalize() {
  cScopedPaletteLists stage(kPaletteSourceStage, StagePaletteLists(*this));
  // The view's scroll limits stay inside the map; a map smaller than the
  // screen (20 x 15 cells) has all of them at 0, never before column or row 0.
  const int64_t w = m_nWidth, h = m_nHeight;
  m_nScrollLimitLeft = ClampInt(std::min<int64_t>(m_nScrollLimitLeft, w - 20), 0, INT32_MAX);
  m_nScrollLimitRight = ClampInt(std::min<int64_t>(m_nScrollLimitRight, w - 1), 0, INT32_MAX);
  m_nScrollLimitTop = ClampInt(std::min<int64_t>(m_nScrollLimitTop, h - 15), 0, INT32_MAX);
  m_nScrollLimitBottom = ClampInt(std::min<int64_t>(m_nScrollLimitBottom, h - 1), 0, INT32_MAX);

  // The editor offers 1-19; higher levels keep their meaning up to a bound
  // that keeps the sub-step loop finite.
  if (m_nHitLevel < kMinHitLevel || m_nHitLevel > kMaxHitLevel) {
    const int level = std::clamp(m_nHitLevel, kMinHitLevel, kMaxHitLevel);
    WriteReport("ステージ %s : 当たり判定レベル %d は範囲外のため %d にしました", m_strPath.c_str(), m_nHitLevel, level);
    m_nHitLevel = level;
  }
  SetHitLevel(m_nHitLevel);

  if (m_nBgm < 0 || m_nBgm >= g_Database.m_vecBgm.Size()) m_nBgm = 0;

  if (m_vecPaletteBlock.size() < 2) m_vecPaletteBlock.resize(2);
  if (m_vecPaletteChara.size() < 2) m_vecPaletteChara.resize(2);
  if (m_vecPaletteItem.size() < 2) m_vecPaletteItem.resize(2);

  for (cBlockData& b : m_vecPaletteBlock) {
    b.Validate();
    b.ValidateItemLink();
  }
  for (cCharaData& c : m_vecPaletteChara) {
    c.Validate();
    c.ValidatePaletteRefs();
  }
  for (cItemData& i : m_vecPaletteItem) {
    i.Validate();
    i.ValidatePaletteRefs();
  }
  for (cBlockData& b : m_vecBlock) {
    b.Validate();
    b.ValidateItemLink();
  }
  for (cCharaData& c : m_vecChara) {
    c.Validate();
    c.ValidatePaletteRefs();
    // Stage set-up hands the chara the placed item with this index.
    c.ValidateCarriedItem(m_vecItem.Size());
  }
  for (cItemData& i : m_vecItem) {
    i.Validate();
    i.ValidatePaletteRefs();
  }
}

void cStageData::SetHitLevel(int level) {
  m_nHitLevel = level;
  // Levels 11-19 are 1-9 sub-steps with the speed limit of level 10.
  const bool limited = level >= 11 && level <= 19;
  // No sub-step count below one: the divisions below need it.
  const int b = std::max(1, limited ? level - 10 : level);
  m_nSubSteps = b;
  m_dSubSteps = b;
  m_dSubStepsSquared = double(b) * double(b);
  m_nSubStepsX6 = 6 * b;
  m_nSubStepsX8 = 8 * b;
  m_dSpeedLimit = limited ? 60.0 : 6.0 * b;
  m_dStepSpeedLimit = m_dSpeedLimit / b;
  m_dStepGravity = m_dGravity / (double(b) * double(b));
}

int cStageData::FindHero() const {
  for (int i = 0; i < m_vecChara.Size(); ++i) {
    const cCharaData& c = m_vecChara[static_cast<size_t>(i)];
    if (c.m_sGraphic != 0 && c.m_byControl == kCharaControlPlayer) return i;
  }
  return -1;
}

void cStageData::RestoreSettingsFrom(const cStageData& from) {
  if (&from == this) return;
  CopyRegisteredFields(*this, from);
  m_nSubStepsX6 = 6 * m_nSubSteps;
  CopyRecordVector(m_vecBackground, from.m_vecBackground);
  CopyRecordVector(m_vecStageString, from.m_vecStageString);
  for (int i = 0; i < kQuadCount; ++i) m_Quad[i] = from.m_Quad[i];
  m_vecRanking = from.m_vecRanking;
}

void cStageData::CopySettingsFrom(const cStageData& from) {
  if (&from == this) return;
  RestoreSettingsFrom(from);
  DestroyRecordVector(m_vecBlock);
  DestroyRecordVector(m_vecChara);
  DestroyRecordVector(m_vecItem);
  DestroyRecordVector(m_vecPaletteBlock);
  DestroyRecordVector(m_vecPaletteChara);
  DestroyRecordVector(m_vecPaletteItem);
}
