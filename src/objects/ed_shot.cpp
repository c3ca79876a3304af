#include "objects/ed_shot.h"

#include <utility>

#include "records/database.h"

namespace {
constexpr uint32_t kMirrorAngleVersion = 158;
constexpr uint32_t kSummonFlagBVersion = 197;
constexpr uint32_t kRideScrollVersion = 211;
constexpr uint32_t kRideScrollKeptVersion = 212;
constexpr uint32_t kAccelVersion = 213;
constexpr uint32_t kPierce2Version = 636;
constexpr uint32_t kCentreVersion = 671;
constexpr uint32_t kCreditVersion = 762;
constexpr uint32_t kSlotsVersion = 767;

constinit const RecordField kEdShotFields[] = {
    T4_FIELD(cEdShot, m_byShots),
    T4_FIELD(cEdShot, m_byFormation),
    T4_FIELD(cEdShot, m_anFormation),
    T4_FIELD(cEdShot, m_byCentre).From(kCentreVersion),
    T4_FIELD(cEdShot, m_byDirection),
    T4_FIELD(cEdShot, m_bAim),
    T4_FIELD(cEdShot, m_byAimSlot).From(kSlotsVersion),
    T4_FIELD(cEdShot, m_nAngle),
    T4_FIELD(cEdShot, m_nAnglePerClone),
    T4_FIELD(cEdShot, m_bMirrorAngle).From(kMirrorAngleVersion),
    T4_FIELD(cEdShot, m_nSpread),
    T4_FIELD(cEdShot, m_bTurnLine),
    T4_FIELD(cEdShot, m_byClones),
    T4_FIELD(cEdShot, m_nOffsetX),
    T4_FIELD(cEdShot, m_nOffsetXPerClone),
    T4_FIELD(cEdShot, m_nOffsetY),
    T4_FIELD(cEdShot, m_nOffsetYPerClone),
    T4_FIELD(cEdShot, m_bMirrorX),
    T4_FIELD(cEdShot, m_bMirrorY),
    T4_FIELD(cEdShot, m_nGraphic),
    T4_FIELD(cEdShot, m_byLayer),
    T4_FIELD(cEdShot, m_bInvisible),
    T4_FIELD(cEdShot, m_bFactionOfUser),
    T4_FIELD(cEdShot, m_byFaction),
    T4_FIELD(cEdShot, m_byExtra2),
    T4_FIELD(cEdShot, m_byScale),
    T4_FIELD(cEdShot, m_byExtra3),
    T4_FIELD(cEdShot, m_byTrajectory),
    T4_FIELD(cEdShot, m_anTrajectory),
    T4_FIELD(cEdShot, m_byTargetSlot).From(kSlotsVersion),
    T4_FIELD(cEdShot, m_bRideScroll).From(kRideScrollVersion),
    T4_FIELD(cEdShot, m_nSpeed),
    T4_FIELD(cEdShot, m_nSpeedPerClone),
    T4_FIELD(cEdShot, m_bAccel).From(kAccelVersion),
    T4_FIELD(cEdShot, m_nAccel).From(kAccelVersion),
    T4_FIELD(cEdShot, m_nAccelPerClone).From(kAccelVersion),
    T4_FIELD(cEdShot, m_nRange),
    T4_FIELD(cEdShot, m_bRange),
    T4_FIELD(cEdShot, m_nRangePerClone),
    T4_FIELD(cEdShot, m_bStopAtRange),
    T4_FIELD(cEdShot, m_bExistTime),
    T4_FIELD(cEdShot, m_nExistTime),
    T4_FIELD(cEdShot, m_nExistTimePerClone),
    T4_FIELD(cEdShot, m_byBlockPass),
    T4_FIELD(cEdShot, m_bPierce),
    T4_FIELD(cEdShot, m_bPierce2).From(kPierce2Version),
    T4_FIELD(cEdShot, m_bCancelShots),
    T4_FIELD(cEdShot, m_byCancelPower),
    T4_FIELD(cEdShot, m_nAttack),
    T4_FIELD(cEdShot, m_nExtra4),
    T4_FIELD(cEdShot, m_byImpact),
    T4_FIELD(cEdShot, m_nHitEffect),
    T4_FIELD(cEdShot, m_byHitItemSource),
    T4_FIELD(cEdShot, m_nHitItem),
    T4_FIELD(cEdShot, m_byBlockSummonMode),
    T4_FIELD(cEdShot, m_bySummonFlagA),
    T4_FIELD(cEdShot, m_bySummonFlagB).From(kSummonFlagBVersion),
    T4_FIELD(cEdShot, m_byPalette),
    T4_FIELD(cEdShot, m_nTemplate),
    T4_FIELD(cEdShot, m_byFactionSource),
    T4_FIELD(cEdShot, m_bNoScore),
    T4_FIELD(cEdShot, m_bFaceOpposite),
    T4_FIELD(cEdShot, m_bCreditShooter).From(kCreditVersion),
    T4_FIELD(cEdShot, m_byCreditValue).From(kCreditVersion),
};

bool IsHomingTrajectory(int t) { return t >= 4 && t <= 7; }
}  // namespace

cEdShot::cEdShot() {
  Clear();
  m_bMirrorAngle = 1;
  m_bMirrorX = 1;
  m_bFactionOfUser = 1;
  m_byScale = 1;
}

RecordFieldTable cEdShot::FieldTable() const { return kEdShotFields; }

bool cEdShot::Load(cRecordReader& in) {
  if (!cRecord::Load(in)) return false;
  Upgrade(in.Version());
  Validate();
  return true;
}

void cEdShot::Save(cRecordWriter& out) {
  Validate();
  cRecord::Save(out);
}

void cEdShot::Upgrade(uint32_t v) {
  if (v >= kRecordDataVersion) return;
  if (v < kMirrorAngleVersion) m_bMirrorAngle = 0;
  if (v < kSummonFlagBVersion) m_bySummonFlagB = m_bySummonFlagA;
  // Until 212 the homing shots always rode the scroll and no other shot did.
  if (v < kRideScrollKeptVersion) m_bRideScroll = IsHomingTrajectory(m_byTrajectory) ? 1 : 0;
  if (v < kAccelVersion) {
    m_bAccel = 0;
    m_nAccel = 0;
    m_nAccelPerClone = 0;
  }
  if (v < kPierce2Version) m_bPierce2 = m_bPierce;
  if (v < kCentreVersion) m_byCentre = 0;
}

int cEdShot::Validate() {
  const int oldEffect = m_nHitEffect;
  if (static_cast<int8_t>(m_byScale) <= 0) m_byScale = 1;
  if (m_nHitEffect < 0 || m_nHitEffect >= g_Database.m_vecEffect.Size()) m_nHitEffect = 0;
  return oldEffect;
}

int cEdShot::GetOffsetX(int cloneValue, bool facingRight) const {
  int x = cloneValue * m_nOffsetXPerClone + m_nOffsetX;
  return (facingRight && m_bMirrorX) ? -x : x;
}

int cEdShot::GetOffsetY(int cloneValue, bool facingRight) const {
  int y = cloneValue * m_nOffsetYPerClone + m_nOffsetY;
  return (facingRight && m_bMirrorY) ? -y : y;
}

int CreateEdShot(cPartHolder<cEdShot>& holder) {
  holder.reset(std::make_unique<cEdShot>());
  return 1;
}

namespace {
constexpr PARAMDEF kNone = {"", 0, 0, 0};
constexpr PARAMDEF kGap = {"間隔(hbl)", 0, 40, 0};
constexpr PARAMDEF kCourse = {"軌道変更(hbl)", 0, 40, 0};
constexpr PARAMDEF kHomingStart = {"誘導開始(hbl)", 0, 40, 0};
constexpr PARAMDEF kHomingEnd = {"誘導終了(hbl)", 0, 999, 999};
constexpr PARAMDEF kTargetFaction = {"対象勢力", 0, 7, 0};
}  // namespace

const PARAMDEF g_FormationSchema[kFormationCount][3] = {
    {kGap, kNone, kNone},
    {kGap, kNone, kNone},
    {{"角度", 0, 180, 30}, kNone, kNone},
    {kGap, {"列の数", 1, 50, 1}, {"列の間隔(hbl)", 0, 40, 0}},
    {kNone, kNone, kNone},
    {{"距離(hbl)", 0, 40, 6}, kNone, kNone},
};

const PARAMDEF g_TrajectorySchema[kTrajectoryCount][3] = {
    {kNone, kNone, kNone},
    {kCourse, kNone, kNone},
    {kCourse, kTargetFaction, kNone},
    {kCourse, kNone, kNone},
    {kHomingStart, kHomingEnd, kNone},
    {kHomingStart, kHomingEnd, kTargetFaction},
    {kHomingStart, kHomingEnd, kNone},
    {kHomingStart, kHomingEnd, kTargetFaction},
    {{"波の最大(hbl)", 0, 100, 4}, {"波の速度", 0, 100, 4}, {"開始角度", 0, 359, 0}},
    {kCourse, kNone, kNone},
};
