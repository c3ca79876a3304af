#include "flow/ed_move.h"

#include <utility>

namespace {
constexpr uint32_t kMirrorAngleVersion = 158;
constexpr uint32_t kDistanceUnitVersion = 159;
constexpr uint32_t kKeepFacingVersion = 162;
constexpr uint32_t kTargetSlotVersion = 767;

constinit const RecordField kEdMoveFields[] = {
    T4_FIELD(cEdMove, m_byMode),
    T4_FIELD(cEdMove, m_byDirection),
    T4_FIELD(cEdMove, m_sAngle),
    T4_FIELD(cEdMove, m_sAnglePerClone),
    T4_FIELD(cEdMove, m_bMirrorAngle).From(kMirrorAngleVersion),
    T4_FIELD(cEdMove, m_bUseX),
    T4_FIELD(cEdMove, m_bUseY),
    T4_FIELD(cEdMove, m_sTargetXBlocks),
    T4_FIELD(cEdMove, m_sTargetYBlocks),
    T4_FIELD(cEdMove, m_sTargetXDots),
    T4_FIELD(cEdMove, m_sTargetYDots),
    T4_FIELD(cEdMove, m_byCoordBase),
    T4_FIELD(cEdMove, m_bStopAtTarget),
    T4_FIELD(cEdMove, m_bLockX),
    T4_FIELD(cEdMove, m_bLockY),
    T4_FIELD(cEdMove, m_bFlipX),
    T4_FIELD(cEdMove, m_bFlipY),
    T4_FIELD(cEdMove, m_bReverseWithFacing),
    T4_FIELD(cEdMove, m_bHaltWhenArrived),
    T4_FIELD(cEdMove, m_bKeepFacing).From(kKeepFacingVersion),
    T4_FIELD(cEdMove, m_bySpeedMode),
    T4_FIELD(cEdMove, m_sSpeed),
    T4_FIELD(cEdMove, m_sSpeedPerClone),
    T4_FIELD(cEdMove, m_sDistance),
    T4_FIELD(cEdMove, m_sDistancePerClone),
    T4_FIELD(cEdMove, m_byDistanceUnit).From(kDistanceUnitVersion),
    T4_FIELD(cEdMove, m_sSlowness),
    T4_FIELD(cEdMove, m_sSlownessPerClone),
    T4_FIELD(cEdMove, m_bInertia),
    T4_FIELD(cEdMove, m_sMaxSpeed),
    T4_FIELD(cEdMove, m_dTurnBackFactor),
    T4_FIELD(cEdMove, m_bKeepAnime).From(kKeepFacingVersion),
    T4_FIELD(cEdMove, m_byTargetSlot).From(kTargetSlotVersion),
};
}  // namespace

cEdMove::cEdMove() {
  Clear();
  m_bMirrorAngle = 1;
  m_bUseX = 1;
  m_bUseY = 1;
  m_bStopAtTarget = 1;
  m_bFlipX = 1;
  m_bReverseWithFacing = 1;
  m_sSpeed = 10;
  m_dTurnBackFactor = 1.0;
}

RecordFieldTable cEdMove::FieldTable() const { return kEdMoveFields; }

bool cEdMove::Load(cRecordReader& in) {
  if (!cRecord::Load(in)) return false;
  Upgrade(in.Version());
  return true;
}

void cEdMove::Upgrade(uint32_t v) {
  if (v >= kRecordDataVersion) return;
  // Older moves behaved as these switches being off, whatever a new record holds.
  if (v < kMirrorAngleVersion) m_bMirrorAngle = 0;
  if (v < kDistanceUnitVersion) m_byDistanceUnit = 0;
  if (v < kKeepFacingVersion) {
    m_bKeepFacing = 0;
    m_bKeepAnime = 0;
  }
}

int CreateEdMove(cPartHolder<cEdMove>& holder) {
  holder.reset(std::make_unique<cEdMove>());
  return 1;
}

int InputDirToMoveDir(int inputDir, bool facingRight) {
  static constexpr int kByInput[8] = {kMoveDirLeft,     kMoveDirRight,    kMoveDirUp,      kMoveDirDown,
                                      kMoveDirUpLeft,   kMoveDirDownLeft, kMoveDirUpRight, kMoveDirDownRight};
  if (inputDir >= 1 && inputDir <= 8) return kByInput[inputDir - 1];
  return facingRight ? kMoveDirRight : kMoveDirLeft;
}
