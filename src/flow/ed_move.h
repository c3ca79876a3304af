// Move settings of the movement, warp and jump commands.
#pragma once
#include <cstdint>

#include "flow/part_holder.h"
#include "records/record.h"

// Direction codes of the move and shot settings.
enum MoveDir : int {
  kMoveDirFront = 0,
  kMoveDirBack = 1,
  kMoveDirLeft = 2,
  kMoveDirRight = 3,
  kMoveDirFrontY = 4,
  kMoveDirBackY = 5,
  kMoveDirUp = 6,
  kMoveDirDown = 7,
  kMoveDirUpLeft = 8,
  kMoveDirDownLeft = 9,
  kMoveDirUpRight = 10,
  kMoveDirDownRight = 11,
  kMoveDirInput = 12,
};

class cEdMove : public cRecordOf<cEdMove> {
 public:
  BYTE m_byMode = 0;            // moves: 0 by direction, 1 to a target point; warp: 0..5
  BYTE m_byDirection = 0;       // direction code; circle moves: rotation sense
  int16_t m_sAngle = 0;         // degrees; circle moves: start angle
  int16_t m_sAnglePerClone = 0;
  BYTE m_bMirrorAngle = 1;      // angle becomes 360 - angle while facing right
  BYTE m_bUseX = 1;             // the target point uses x
  BYTE m_bUseY = 1;             // the target point uses y
  int16_t m_sTargetXBlocks = 0; // target = blocks * 32 + dots
  int16_t m_sTargetYBlocks = 0;
  int16_t m_sTargetXDots = 0;
  int16_t m_sTargetYDots = 0;
  BYTE m_byCoordBase = 0;       // 0 placement, 1 relative, 2 stage, 3 screen (warp: 0..2)
  BYTE m_bStopAtTarget = 1;     // the command lasts as long as the travel to the target
  BYTE m_bLockX = 0;            // velocity x held at 0
  BYTE m_bLockY = 0;            // velocity y held at 0
  BYTE m_bFlipX = 1;            // target x negated while facing right
  BYTE m_bFlipY = 0;            // target y negated while facing right
  BYTE m_bReverseWithFacing = 1;  // a straight move turns with a fixed-direction chara
  BYTE m_bHaltWhenArrived = 0;  // the moving axes stop once the travel time is used up
  BYTE m_bKeepFacing = 0;       // the move never turns the chara
  BYTE m_bySpeedMode = 0;       // 0 time and speed, 1 speed from distance, 2 time from distance
  int16_t m_sSpeed = 10;        // tenths of a pixel per frame
  int16_t m_sSpeedPerClone = 0;
  int16_t m_sDistance = 0;      // circle moves: radius in half blocks
  int16_t m_sDistancePerClone = 0;
  BYTE m_byDistanceUnit = 0;    // 1 pixels, anything else half blocks
  int16_t m_sSlowness = 0;      // homing: sub-steps between re-aims; circle: end angle
  int16_t m_sSlownessPerClone = 0;
  BYTE m_bInertia = 0;          // accelerate the chara instead of setting its velocity
  int16_t m_sMaxSpeed = 0;      // cap under inertia, tenths
  double m_dTurnBackFactor = 1.0;  // under inertia, against the current velocity
  BYTE m_bKeepAnime = 0;        // the command's own animation plays instead of walking
  BYTE m_byTargetSlot = 0;      // link slot 0..3 the charge and homing moves head for; any other is empty

  cEdMove();
  RecordFieldTable FieldTable() const override;
  bool Load(cRecordReader& in) override;
  void Upgrade(uint32_t fileVersion);
};

// Puts new move settings with their defaults into the holder; returns 1.
int CreateEdMove(cPartHolder<cEdMove>& holder);

// Input direction 1..8 (left, right, up, down, up-left, down-left, up-right,
// down-right) as a direction code; no input faces the chara's way.
int InputDirToMoveDir(int inputDir, bool facingRight);
