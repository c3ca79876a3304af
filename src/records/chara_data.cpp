#include "records/chara_data.h"

#include <algorithm>

#include "services/game_threads.h"
#include "records/block_data.h"
#include "records/database.h"
#include "records/template_links.h"
#include "services/log.h"

const char* const g_szCharaControlNames[3] = {"プレイヤー", "コンピューター", ""};
const char* const g_szCharaFlightNames[5] = {"OFF", "ON (ブロックをすり抜ける)", "ON (ブロックに当たる)",
                                             "ON (ブロックに当たると即死)", ""};
const char* const g_szCharaInvincibleNames[4] = {"OFF", "ON (ショットが当たる)", "ON (ショットがすり抜ける)", ""};
const char* const g_szCharaSizeNames[11] = {"しない", "×4", "×9", "×16", "×25", "×36",
                                            "×49", "×64", "×81", "×100", ""};
const char* const g_szCharaSightNames[6] = {"画面内全て", "キャラを中心とした円形", "キャラの前方に円形",
                                            "キャラを中心とした正方形", "キャラの前方に正方形", ""};
const char* const g_szCharaHitRangeNames[5] = {"キャラ対キャラの当たり判定範囲（推奨）", "キャラ対ショットの当たり判定範囲",
                                               "ショット対キャラの当たり判定範囲", "32×32", ""};
const char* const g_szCharaActivityNames[5] = {"画面内", "X座標のみ画面内", "Y座標のみ画面内", "全範囲", ""};
const char* const g_szCharaActivationNames[4] = {
    "範囲かグループが真なら成立", "一度範囲かグループが真になると、以後無条件で成立", "範囲とグループが偽なら成立", ""};

namespace {
constexpr uint32_t kDefenceVersion = 168;
constexpr uint32_t kEffectDirVersion = 196;
constexpr uint32_t kHitRangeVersion = 201;
constexpr uint32_t kHitRangeRenumberVersion = 206;
constexpr uint32_t kScrollSyncVersion = 210;
constexpr uint32_t kInvincibleColorVersion = 285;

// Inheritance groups that later versions put in the middle of the numbering.
constexpr int kScrollSyncGroup = 21;
constexpr int kHitRangeGroup = 24;   // before the shift for auto-scroll sync
constexpr int kDefenceGroup = 27;    // before both later shifts

constinit const RecordField kCharaFields[] = {
    T4_FIELD(cCharaData, m_byInheritSource),
    T4_FIELD(cCharaData, m_sInheritIndex),
    T4_FIELD(cCharaData, m_byCondMode),
    T4_FIELD(cCharaData, m_bCondLatch),
    T4_FIELD(cCharaData, m_byFacing),
    T4_FIELD(cCharaData, m_cExtraCopies),
    T4_FIELD(cCharaData, m_sCopyOffsetX),
    T4_FIELD(cCharaData, m_sCopyStepX),
    T4_FIELD(cCharaData, m_sCopyOffsetY),
    T4_FIELD(cCharaData, m_sCopyStepY),
    T4_FIELD(cCharaData, m_bMirrorX),
    T4_FIELD(cCharaData, m_bMirrorY),
    T4_FIELD(cCharaData, m_sGraphic),
    T4_FIELD(cCharaData, m_byGraphicKind),
    T4_FIELD(cCharaData, m_sGraphicFrame),
    T4_FIELD(cCharaData, m_sAnimeSet),
    T4_FIELD(cCharaData, m_byZ),
    T4_FIELD(cCharaData, m_bTransparent),
    T4_FIELD(cCharaData, m_sStartEffect),
    T4_FIELD(cCharaData, m_cStartEffectDir).From(kEffectDirVersion),
    T4_FIELD(cCharaData, m_byStartEffectMode),
    T4_FIELD(cCharaData, m_sDeathEffect),
    T4_FIELD(cCharaData, m_cDeathEffectDir).From(kEffectDirVersion),
    T4_FIELD(cCharaData, m_bMark),
    T4_FIELD(cCharaData, m_sMark),
    T4_FIELD(cCharaData, m_byControl),
    T4_FIELD(cCharaData, m_byPlayer),
    T4_FIELD(cCharaData, m_byFaction),
    T4_FIELD(cCharaData, m_byCharaId),
    T4_FIELD(cCharaData, m_byFlight),
    T4_FIELD(cCharaData, m_bFixedDirection),
    T4_FIELD(cCharaData, m_byInvincible),
    T4_FIELD(cCharaData, m_byInvincibleColor).From(kInvincibleColorVersion),
    T4_FIELD(cCharaData, m_bBlockChara),
    T4_FIELD(cCharaData, m_cSize),
    T4_FIELD(cCharaData, m_bScrollSync).From(kScrollSyncVersion),
    T4_FIELD(cCharaData, m_bySightShape),
    T4_FIELD(cCharaData, m_bySightRange),
    T4_FIELD(cCharaData, m_nMaxHp),
    T4_FIELD(cCharaData, m_nMaxSp),
    T4_FIELD(cCharaData, m_sStopEase),
    T4_FIELD(cCharaData, m_byHitRange).From(kHitRangeVersion),
    T4_FIELD(cCharaData, m_nBodyPower),
    T4_FIELD(cCharaData, m_byBodyImpact),
    T4_FIELD(cCharaData, m_sBodyEffect),
    T4_FIELD(cCharaData, m_nDefence).From(kDefenceVersion),
    T4_FIELD(cCharaData, m_cImpactResist),
    T4_FIELD(cCharaData, m_nScore),
    T4_FIELD(cCharaData, m_byReserved),
    T4_FIELD(cCharaData, m_bGroup),
    T4_FIELD(cCharaData, m_sGroup),
    T4_FIELD(cCharaData, m_byActivityRange),
    T4_FIELD(cCharaData, m_byActivation),
    T4_FIELD(cCharaData, m_strName),
};

// A version that added an inheritable field put its group at `group`: the
// flags from there on move up by one (the last one falls off) and the new
// group is switched on, so old files take the new value from their entry.
void InsertInheritGroup(std::vector<uint8_t>& flags, int group) {
  flags.resize(cCharaData::kInheritGroupCount, 0);
  for (int i = cCharaData::kInheritGroupCount - 1; i > group; --i) flags[size_t(i)] = flags[size_t(i - 1)];
  flags[size_t(group)] = 1;
}

bool IsEmptyFlow(const cFlow& f) {
  return f.m_byGroup == 0 && f.m_bySwitch == 0 && f.m_byTrigger == 0 && f.m_vecCond.empty() &&
         f.m_vecKeyTrigger.empty() && f.m_vecCmd.empty();
}
}  // namespace

bool LoadFlowList(cCheckedVector<cFlow>& flows, cRecordReader& in) {
  in.List("", flows);
  return in.Ok();
}

cCharaData::cCharaData() { Init(); }

void cCharaData::Init() {
  const int32_t carried = m_nCarryItem;
  Clear();
  m_nCarryItem = carried;
  m_sX = 0;
  m_sY = 0;
  m_vecInheritFlag.assign(kInheritGroupCount, 0);
  m_vecCond.clear();
  m_vecFlow.clear();
  m_byGraphicKind = kGraphicKindChara;
  m_byZ = 3;
  m_byStartEffectMode = 1;
  m_byControl = kCharaControlComputer;
  m_byFaction = 1;
  m_bFixedDirection = 1;
  m_cSize = 1;
  m_nMaxHp = 10;
  m_sStopEase = 10;
  m_byReserved = 1;
}

RecordFieldTable cCharaData::FieldTable() const { return kCharaFields; }

void cCharaData::Appended(cRecordIO& io) {
  io.Value("m_sX", m_sX);
  io.Value("m_sY", m_sY);
  io.Value("m_nCarryItem", m_nCarryItem);
  io.Bytes("m_vecInheritFlag", m_vecInheritFlag);
  io.List("m_vecCond", m_vecCond);
  io.List("m_vecFlow", m_vecFlow);
}

bool cCharaData::Load(cRecordReader& in) {
  if (!cRecord::Load(in)) return false;
  if (!g_bTestPlay && !g_bKeepTestPlayFlows) RemoveTestPlayFlows(m_vecFlow);
  Upgrade(in.Version());
  Inherit();
  Validate();
  return true;
}

void cCharaData::Save(cRecordWriter& out) {
  Validate();
  cRecord::Save(out);
}

void cCharaData::Upgrade(uint32_t v) {
  if (v >= kRecordDataVersion) return;
  if (v < kDefenceVersion) {
    m_nDefence = 0;
    InsertInheritGroup(m_vecInheritFlag, kDefenceGroup);
  }
  if (v < kEffectDirVersion) {
    m_cStartEffectDir = 0;
    m_cDeathEffectDir = 0;
  }
  if (v < kHitRangeVersion) {
    m_byHitRange = 0;
    InsertInheritGroup(m_vecInheritFlag, kHitRangeGroup);
  }
  if (v < kHitRangeRenumberVersion && m_byHitRange >= 2) m_byHitRange++;
  if (v < kScrollSyncVersion) {
    m_bScrollSync = 0;
    InsertInheritGroup(m_vecInheritFlag, kScrollSyncGroup);
  }
  UpgradeShotGraphic(m_byGraphicKind, m_sGraphic, v);
  if (v < kInvincibleColorVersion) m_byInvincibleColor = 1;
}

void cCharaData::Inherit() { ApplyInheritance(*this, PaletteCharaList(m_byInheritSource)); }

void cCharaData::CopyInheritGroup(int group, const cCharaData& e) {
  switch (group) {
    case 0: m_strName = e.m_strName; break;
    case 1:
      m_byControl = e.m_byControl;
      m_byPlayer = e.m_byPlayer;
      break;
    case 2: m_byFaction = e.m_byFaction; break;
    case 3: m_byCharaId = e.m_byCharaId; break;
    case 4:
      m_vecCond = e.m_vecCond;
      m_byCondMode = e.m_byCondMode;
      m_bCondLatch = e.m_bCondLatch;
      break;
    case 5: m_byFacing = e.m_byFacing; break;
    case 6: m_cExtraCopies = e.m_cExtraCopies; break;
    case 7:
      m_sCopyOffsetX = e.m_sCopyOffsetX;
      m_sCopyStepX = e.m_sCopyStepX;
      m_bMirrorX = e.m_bMirrorX;
      break;
    case 8:
      m_sCopyOffsetY = e.m_sCopyOffsetY;
      m_sCopyStepY = e.m_sCopyStepY;
      m_bMirrorY = e.m_bMirrorY;
      break;
    case 9:
      m_byGraphicKind = e.m_byGraphicKind;
      m_sGraphic = e.m_sGraphic;
      m_sGraphicFrame = e.m_sGraphicFrame;
      break;
    case 10: m_sAnimeSet = e.m_sAnimeSet; break;
    case 11: m_byZ = e.m_byZ; break;
    case 12: m_bTransparent = e.m_bTransparent; break;
    case 13:
      m_sStartEffect = e.m_sStartEffect;
      m_cStartEffectDir = e.m_cStartEffectDir;
      m_byStartEffectMode = e.m_byStartEffectMode;
      break;
    case 14:
      m_sDeathEffect = e.m_sDeathEffect;
      m_cDeathEffectDir = e.m_cDeathEffectDir;
      break;
    case 15:
      m_bMark = e.m_bMark;
      m_sMark = e.m_sMark;
      break;
    case 16: m_bFixedDirection = e.m_bFixedDirection; break;
    case 17: m_byFlight = e.m_byFlight; break;
    case 18:
      m_byInvincible = e.m_byInvincible;
      m_byInvincibleColor = e.m_byInvincibleColor;
      break;
    case 19: m_bBlockChara = e.m_bBlockChara; break;
    case 20: m_cSize = e.m_cSize; break;
    case 21: m_bScrollSync = e.m_bScrollSync; break;
    case 22:
      m_bySightShape = e.m_bySightShape;
      m_bySightRange = e.m_bySightRange;
      break;
    case 23: m_nMaxHp = e.m_nMaxHp; break;
    case 24: m_nMaxSp = e.m_nMaxSp; break;
    case 25: m_byHitRange = e.m_byHitRange; break;
    case 26: m_nBodyPower = e.m_nBodyPower; break;
    case 27: m_byBodyImpact = e.m_byBodyImpact; break;
    case 28: m_sBodyEffect = e.m_sBodyEffect; break;
    case 29: m_nDefence = e.m_nDefence; break;
    case 30: m_cImpactResist = e.m_cImpactResist; break;
    case 31: m_sStopEase = e.m_sStopEase; break;
    case 32:
      m_byActivityRange = e.m_byActivityRange;
      m_byActivation = e.m_byActivation;
      break;
    case 33:
      m_bGroup = e.m_bGroup;
      m_sGroup = e.m_sGroup;
      break;
    case 34: m_nScore = e.m_nScore; break;
    case 35: m_byReserved = e.m_byReserved; break;
    case 36:
      m_vecFlow = e.m_vecFlow;
      if (m_vecFlow.empty()) m_vecFlow.emplace_back();
      break;
    default: break;
  }
}

void cCharaData::Validate() {
  ClearBrokenPaletteLink(m_byInheritSource, m_sInheritIndex, PaletteCharaList(m_byInheritSource));
  const cDatabase& db = g_Database;
  if (m_byGraphicKind == kGraphicKindCharaBmp && PaletteIndexOutside(m_sGraphic, db.m_vecBmpCharaExc.Size()))
    m_sGraphic = 1;
  if (m_cSize <= 0) m_cSize = 1;
  if (PaletteIndexOutside(m_sAnimeSet, db.m_vecAnimeSet.Size())) m_sAnimeSet = 0;
  if (PaletteIndexOutside(m_sStartEffect, db.m_vecCharaEffect.Size())) m_sStartEffect = 0;
  if (PaletteIndexOutside(m_sDeathEffect, db.m_vecCharaEffect.Size())) m_sDeathEffect = 0;
  if (PaletteIndexOutside(m_sBodyEffect, db.m_vecEffect.Size())) m_sBodyEffect = 0;
  if (m_byControl == kCharaControlPlayer) {
    m_bBlockChara = 0;
    m_cExtraCopies = 0;
  }
  for (size_t i = 0; i < m_vecFlow.size();) {
    m_vecFlow[i].Validate();
    if (IsEmptyFlow(m_vecFlow[i]))
      m_vecFlow.erase(m_vecFlow.begin() + static_cast<std::ptrdiff_t>(i));
    else
      ++i;
  }
}

void cCharaData::ValidatePaletteRefs() {
  const cPaletteListSizes sizes = CurrentPaletteListSizes();
  for (cFlow& f : m_vecFlow) f.ValidatePaletteRefs(sizes);
}

bool cCharaData::ValidateCarriedItem(int placedItems) {
  if (m_nCarryItem >= -1 && m_nCarryItem < placedItems) return false;
  WriteReport("配置キャラの所持アイテム番号 %d が範囲外のため所持なしにしました", m_nCarryItem);
  m_nCarryItem = -1;
  return true;
}

double cCharaData::GetCloneOffsetX(int n, int facing) const {
  const double d = static_cast<double>(n) * m_sCopyStepX + m_sCopyOffsetX;
  return facing == 1 && m_bMirrorX ? -d : d;
}

double cCharaData::GetCloneOffsetY(int n, int facing) const {
  const double d = static_cast<double>(n) * m_sCopyStepY + m_sCopyOffsetY;
  return facing == 1 && m_bMirrorY ? -d : d;
}
