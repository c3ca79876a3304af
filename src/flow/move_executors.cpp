// The moving commands of charas: straight, walking and turning back at
// walls and ledges, circling, charging and homing on a linked chara, keeping
// inside the view, stopping, turning and jumping. They run once per physics
// sub-step and never move the chara themselves: they leave a displacement
// for this sub-step (the chara's m_dVX / m_dVY, which its update clears
// before the flows run and its move applies after them) or, under inertia,
// change the velocity the chara keeps between sub-steps (m_dAX / m_dAY).
#include <climits>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "flow/cmd_executors.h"
#include "flow/ed_move.h"
#include "flow/flow_records.h"
#include "flow/flow_state.h"
#include "objects/chara.h"
#include "objects/chara_base.h"
#include "objects/hero.h"
#include "objects/move_toward.h"
#include "platform/numeric.h"
#include "records/system_data.h"
#include "services/input.h"
#include "stage/block_cell.h"
#include "stage/game_scene.h"

using plat::TruncToInt;

namespace {

constexpr double kDegToRad = 0.017453292519943278;
constexpr double kRadToDeg = 57.29577951308239;
constexpr double kTiny = 1e-8;

// Facing requests of the run state.
enum : int { kFaceNone = 0, kFaceLeft = 1, kFaceRight = 2 };

// Senses of the circle move's direction setting.
enum : int { kCircleClockwise = 0, kCircleCounter = 1, kCircleClockwiseWhenLeft = 2, kCircleCounterWhenLeft = 3 };

// Coordinate bases of a target point.
enum : int { kBaseHome = 0, kBaseRelative = 1, kBaseStage = 2, kBaseScreen = 3 };

const cEdMove* MoveOf(const cCmdState& state) { return state.m_pCmd ? state.m_pCmd->m_pEdMove.get() : nullptr; }

bool IsFlying(const cCharaBase& c) { return c.m_bNoGravity != 0; }

// The linked chara of a target slot 0..3; any other slot is empty.
cCharaBase* LinkedTarget(const cCharaBase& c, int slot) {
  if (slot < 0 || slot >= 4 || static_cast<size_t>(slot) >= c.m_vecLink.size()) return nullptr;
  return c.m_vecLink[static_cast<size_t>(slot)];
}

int FacingRequestOfDir(int dir) {
  switch (dir) {
    case kMoveDirLeft:
    case kMoveDirUpLeft:
    case kMoveDirDownLeft: return kFaceLeft;
    case kMoveDirRight:
    case kMoveDirUpRight:
    case kMoveDirDownRight: return kFaceRight;
    default: return kFaceNone;
  }
}

// The hero's present input direction (0 none, 1..8 as the press states).
int LiveInputDir() {
  if (Player.empty()) return 0;
  const int player = Player[0].m_nPlayer;
  if (player < 0 || static_cast<size_t>(player) >= g_vecInput.size()) return 0;
  return GetFirstPressedKey(g_vecInput[static_cast<size_t>(player)]);
}

// The sub-steps' travel time to a point, kept within an int.
int TravelFrames(double distance, double speed) {
  const double q = std::fabs(distance) / std::fabs(speed);
  if (!(q < static_cast<double>(INT_MAX))) return INT_MAX;
  return TruncToInt(q);
}

// Whether the block map holds a block the chara stands on at (column, row);
// cells outside the map hold none.
bool SolidAt(const cCharaBase& c, int column, int row) {
  if (!g_pGameScene || row < 0 || column < 0) return false;
  const long long index = column + (static_cast<long long>(row) << g_pGameScene->m_ScrollX.m_nRowShift);
  if (index < 0 || index >= static_cast<long long>(g_vecBlockMap.size())) return false;
  return g_vecBlockMap[static_cast<size_t>(index)].GetHitKind(c.m_nBlockSide) != 0;
}

// The block chara of the running stage with this id, when there is one.
const cCharaBase* FindBlockChara(int id) {
  for (const cChara& c : g_lstChara)
    if (c.m_nId == id && c.m_Data.m_bBlockChara && !c.m_bDead) return &c;
  return nullptr;
}

// The edges AvoidOffscreenStep watches for a direction.
struct WATCHEDGES {
  bool left = false, right = false, top = false, bottom = false;
};

WATCHEDGES EdgesOfDir(int dir) {
  WATCHEDGES e;
  switch (dir) {
    case kMoveDirLeft: e.right = true; break;
    case kMoveDirRight: e.left = true; break;
    case kMoveDirUp: e.bottom = true; break;
    case kMoveDirDown: e.top = true; break;
    case kMoveDirUpLeft: e.right = e.bottom = true; break;
    case kMoveDirDownLeft: e.right = e.top = true; break;
    case kMoveDirUpRight: e.left = e.bottom = true; break;
    case kMoveDirDownRight: e.left = e.top = true; break;
    default: break;
  }
  return e;
}

// One axis of the view-keeping rule: the velocity that brings an object
// whose near edge is at `lead` (watching the far side) or whose far edge is
// at `trail` (watching the near side) back inside, `view` being 640 or 480.
double KeepInside(const cScrollAxis& axis, int view, bool watchFar, bool watchNear, int lead, int trail, double s) {
  const double v = axis.m_dAutoStep;
  const double pos = axis.m_dPos;
  const int limit = axis.m_nOuter - view;
  const int farLine = view - 32;
  if (v == 0 || axis.m_bAtLimit) {
    if (watchFar && lead > farLine) return -s;
    if (watchNear && trail < 32) return s;
    return 0.0;
  }
  const double slack = std::fabs(v + 1);
  if (watchFar && lead > farLine - slack && pos > 0 && pos + v <= limit) return v - s;
  if (watchNear && trail < 32 + slack && pos + v > 0 && pos < limit) return v + s;
  return 0.0;
}

}  // namespace

void cCharaBase::ComputeMoveAngle(cCmdState& state) const {
  const cEdMove* mv = MoveOf(state);
  if (!mv) return;
  int angle = mv->m_sAnglePerClone * m_nCloneValue + mv->m_sAngle;
  if (mv->m_bMirrorAngle && m_Data.m_byFacing == 1) angle = 360 - angle;
  if (angle >= 360) angle %= 360;
  state.m_nAngle = angle;
}

void cCharaBase::ComputeMoveTargetOffset(cCmdState& state) const {
  const cEdMove* mv = MoveOf(state);
  if (!mv) return;
  int x = mv->m_sTargetXBlocks * 32 + mv->m_sTargetXDots;
  int y = mv->m_sTargetYBlocks * 32 + mv->m_sTargetYDots;
  if (m_Data.m_byFacing == 1) {
    if (mv->m_bFlipX) x = -x;
    if (mv->m_bFlipY) y = -y;
  }
  state.m_nTargetX = x;
  state.m_nTargetY = y;
}

int cCharaBase::ResolveMoveDir(int dir, int useLiveInput, int flying) const {
  const bool right = m_bRight != 0;
  switch (dir) {
    case kMoveDirFront: return right ? kMoveDirRight : kMoveDirLeft;
    case kMoveDirBack: return right ? kMoveDirLeft : kMoveDirRight;
    case kMoveDirFrontY: return right ? kMoveDirDown : kMoveDirUp;
    case kMoveDirBackY: return right ? kMoveDirUp : kMoveDirDown;
    case kMoveDirInput: {
      int input = 0;
      if (useLiveInput) input = LiveInputDir();
      else if (g_pGameScene && g_pGameScene->m_pCurFlow) input = g_pGameScene->m_pCurFlow->m_nInputDir;
      int d = InputDirToMoveDir(input, right);
      // On the ground a slanted key walks straight.
      if (!flying) {
        if (d == kMoveDirUpLeft || d == kMoveDirDownLeft) d = kMoveDirLeft;
        else if (d == kMoveDirUpRight || d == kMoveDirDownRight) d = kMoveDirRight;
      }
      return d;
    }
    default: return dir;
  }
}

void cCharaBase::DirToVelocity(cCmdState& state, int dir) const {
  const double s = state.m_dSpeed;
  const double k = g_dHalfSqrt2;
  const bool flying = IsFlying(*this);
  double vx = 0, vy = 0;
  switch (dir) {
    case kMoveDirLeft: vx = -s; break;
    case kMoveDirRight: vx = s; break;
    case kMoveDirUp: vy = -s; break;
    case kMoveDirDown: vy = s; break;
    case kMoveDirUpLeft: vx = -s * k, vy = -s * k; break;
    case kMoveDirDownLeft: vx = -s * k, vy = s * k; break;
    case kMoveDirUpRight: vx = s * k, vy = -s * k; break;
    case kMoveDirDownRight: vx = s * k, vy = s * k; break;
    default: break;
  }
  state.m_dVX = vx;
  state.m_dVY = flying ? vy : 0.0;
  if (!m_Data.m_bFixedDirection) state.m_nFacingReq = FacingRequestOfDir(dir);
}

void cCharaBase::DirAngleToVelocity(cCmdState& state, int dir) const {
  int base;
  switch (dir) {
    case kMoveDirLeft: base = 0; break;
    case kMoveDirRight: base = 180; break;
    case kMoveDirUp: base = 90; break;
    case kMoveDirDown: base = 270; break;
    case kMoveDirUpLeft: base = 45; break;
    case kMoveDirDownLeft: base = 315; break;
    case kMoveDirUpRight: base = 135; break;
    case kMoveDirDownRight: base = 225; break;
    default:
      // No course for a code that names no direction.
      state.m_dVX = state.m_dVY = 0.0;
      return;
  }
  const double s = state.m_dSpeed;
  const double a = (state.m_nAngle + base) * kDegToRad;
  state.m_dVX = -std::cos(a) * s;
  state.m_dVY = IsFlying(*this) ? -std::sin(a) * s : 0.0;
  if (!m_Data.m_bFixedDirection) state.m_nFacingReq = FacingRequestOfDir(dir);
}

void cCharaBase::TargetToVelocity(cCmdState& state) const {
  const cEdMove* mv = MoveOf(state);
  if (!mv || !g_pGameScene) return;
  const cScrollAxis& ax = g_pGameScene->m_ScrollX;
  const cScrollAxis& ay = g_pGameScene->m_ScrollY;
  const double cx = m_rcScreen.left + m_nImgW / 2 + ax.m_dPos;
  const double cy = m_rcScreen.top + m_nImgH / 2 + ay.m_dPos;
  auto offsetOnAxis = [&](const cScrollAxis& axis, int target, double home, double centre) {
    switch (mv->m_byCoordBase) {
      case kBaseHome: return target + home - centre;
      case kBaseRelative: return static_cast<double>(target);
      case kBaseStage: return axis.m_nMargin * 32 + target + 16 - centre;
      case kBaseScreen: return target + axis.m_dPos + 16 - centre;
      default: return 0.0;
    }
  };
  const double dx = mv->m_bUseX ? offsetOnAxis(ax, state.m_nTargetX, m_dHomeX, cx) : 0.0;
  const double dy = mv->m_bUseY ? offsetOnAxis(ay, state.m_nTargetY, m_dHomeY, cy) : 0.0;
  const double s = state.m_dSpeed;
  const double d = std::sqrt(dx * dx + dy * dy);
  if (d == 0) {
    state.m_dVX = state.m_dVY = 0.0;
  } else {
    state.m_dVX = mv->m_bLockX ? 0.0 : dx / d * s;
    state.m_dVY = mv->m_bLockY ? 0.0 : dy / d * s;
  }
  if (!m_Data.m_bFixedDirection)
    state.m_nFacingReq = state.m_dVX < -kTiny ? kFaceLeft : (state.m_dVX > kTiny ? kFaceRight : kFaceNone);
  if (mv->m_bStopAtTarget && s != 0) {
    state.m_nFramesLeft = TravelFrames(d, s);
    if (mv->m_bHaltWhenArrived && state.m_nFramesLeft <= 0) {
      if (mv->m_bUseX && !mv->m_bLockX) state.m_dVX = 0.0;
      if (mv->m_bUseY && !mv->m_bLockY) state.m_dVY = 0.0;
      state.m_nFacingReq = kFaceNone;
    }
  }
}

void cCharaBase::ApplyMoveVelocity(const cCmdState& state, double vx, double vy, int facingReq, int force) {
  const cEdMove* mv = MoveOf(state);
  const bool keepFacing = mv && mv->m_bKeepFacing;
  if (!keepFacing && (!m_Data.m_bFixedDirection || force)) {
    if (facingReq == kFaceLeft) m_bRight = 0;
    else if (facingReq == kFaceRight) m_bRight = 1;
  }
  if (mv && mv->m_bInertia) {
    const double max = state.m_dSpeed2;
    auto accelerate = [&](double& kept, int& braking, double wanted) {
      double gain = PerSecondToPerFrame(wanted);
      if ((kept > 0 && wanted < 0) || (kept < 0 && wanted > 0)) gain *= mv->m_dTurnBackFactor;
      else braking = 0;
      kept += gain;
      if (kept > max) kept = max;
      if (kept < -max) kept = -max;
    };
    accelerate(m_dAX, m_bDecelX, vx);
    accelerate(m_dAY, m_bDecelY, vy);
  } else {
    m_dVX += vx;
    m_dVY += vy;
  }
  if (!(mv && mv->m_bKeepAnime)) {
    m_bMoved = 1;
    m_Anime.ChangePattern(IsFlying(*this) ? 3 : 1, 0);
  }
}

void cCharaBase::GroundTurnStep(cCmdState& state) {
  const double s = state.m_dSpeed;
  state.m_dVY = 0.0;
  state.m_nFacingReq = kFaceNone;
  state.m_dVX = GetDirSign() * s;
  if (m_nWallSide >= 0) {
    state.m_nFacingReq = m_bRight ? kFaceLeft : kFaceRight;
    state.m_dVX = -state.m_dVX;
    if (m_bOnChara) {
      if (const cCharaBase* carrier = FindBlockChara(m_nCarrierId)) {
        const double d = carrier->m_dX - m_rcCarrier[0];
        // A platform running against the new course drags twice as hard.
        const bool against = (m_bRight && d < 0) || (!m_bRight && d > 0);
        state.m_dVX += against ? 2 * d : d;
      }
    }
    m_nWallSide = -1;
    return;
  }
  if (!g_pGameScene) return;
  int row = TruncToInt(m_dBottom + 1.1) / 32;
  const int lastRow = g_pGameScene->m_ScrollY.m_nCells - 1;
  if (row > lastRow) row = lastRow;
  const bool underLeft = SolidAt(*this, m_nCellL, row);
  const bool underRight = SolidAt(*this, m_nCellR, row);
  if (underLeft && !underRight) state.m_nFacingReq = kFaceLeft;
  else if (!underLeft && underRight) state.m_nFacingReq = kFaceRight;
}

void cCharaBase::AvoidOffscreenStep(cCmdState& state) const {
  state.m_dVX = state.m_dVY = 0.0;
  if (!g_pGameScene) return;
  int dir = state.m_byDir;
  if (dir == kMoveDirFront || dir == kMoveDirBack || dir == kMoveDirFrontY || dir == kMoveDirBackY)
    dir = ResolveMoveDir(dir, 0, IsFlying(*this));
  const WATCHEDGES e = EdgesOfDir(dir);
  const double s = state.m_dSpeed;
  state.m_dVX = KeepInside(g_pGameScene->m_ScrollX, 640, e.right, e.left, m_rcScreen.left, m_rcScreen.right, s);
  if (IsFlying(*this))
    state.m_dVY = KeepInside(g_pGameScene->m_ScrollY, 480, e.bottom, e.top, m_rcScreen.top, m_rcScreen.bottom, s);
}

int cCharaBase::MoveTowardByLocks(cCmdState& state, double x, double y) {
  const cEdMove* mv = MoveOf(state);
  const bool lockX = mv && mv->m_bLockX;
  const bool lockY = mv && mv->m_bLockY;
  // Both axes held: nowhere to go.
  if (lockX && lockY) {
    state.m_dVX = state.m_dVY = 0.0;
    return 0;
  }
  if (lockX) return MoveTowardY(state, this, y, 0, 0);
  if (lockY) return MoveTowardX(state, this, x, 0, 0);
  return MoveToward(state, this, x, y, 0, 0);
}

int ExecStraightMove(cCharaBase* chara, cCmdState* state) {
  if (!chara || !state) return 0;
  const cEdMove* mv = MoveOf(*state);
  if (!mv) return 0;
  const bool flying = IsFlying(*chara);
  if (!state->m_bFirst) {
    state->m_bFirst = 1;
    chara->ComputeMoveAngle(*state);
    if (mv->m_byMode == 1) {
      chara->ComputeMoveTargetOffset(*state);
      chara->TargetToVelocity(*state);
    } else {
      const int dir = chara->ResolveMoveDir(state->m_byDir, 0, flying);
      if (state->m_nAngle != 0) chara->DirAngleToVelocity(*state, dir);
      else chara->DirToVelocity(*state, dir);
    }
    if (!flying) state->m_dVY = 0.0;
  } else if (mv->m_bReverseWithFacing && chara->m_Data.m_bFixedDirection &&
             (chara->m_bRight != 0) != (state->m_nLastFacing != 0)) {
    state->m_dVX = -state->m_dVX;
    state->m_dVY = -state->m_dVY;
  }
  if (!g_SystemData.m_bCompat773) {
    if (mv->m_bLockX) state->m_dVX = 0.0;
    if (mv->m_bLockY) state->m_dVY = 0.0;
  }
  chara->ApplyMoveVelocity(*state, state->m_dVX, state->m_dVY, state->m_nFacingReq, 0);
  state->m_nLastFacing = chara->m_bRight;
  return 0;
}

int ExecGroundTurnMove(cCharaBase* chara, cCmdState* state) {
  if (!chara || !state || IsFlying(*chara)) return 0;
  chara->ClearMoveRequests();
  if (chara->m_dForcedVX != 0 || chara->m_dForcedVY != 0) {
    state->m_dVX = chara->GetDirSign() * state->m_dSpeed;
    state->m_dVY = 0.0;
    state->m_nFacingReq = kFaceNone;
  } else {
    chara->GroundTurnStep(*state);
  }
  chara->ApplyMoveVelocity(*state, state->m_dVX, state->m_dVY, state->m_nFacingReq, 1);
  return 0;
}

int ExecCircleMove(cCharaBase* chara, cCmdState* state) {
  if (!chara || !state || state->m_nRadius == 0) return 0;
  const cEdMove* mv = MoveOf(*state);
  if (!mv) return 0;
  if (!state->m_bFirst) {
    state->m_bFirst = 1;
    state->m_dAccX = state->m_nStartAngle;
    state->m_dAccY = state->m_nStartAngle;
  }
  bool clockwise;
  switch (state->m_byDir) {
    case kCircleClockwise: clockwise = true; break;
    case kCircleCounter: clockwise = false; break;
    case kCircleClockwiseWhenLeft: clockwise = !chara->m_bRight; break;
    case kCircleCounterWhenLeft: clockwise = chara->m_bRight != 0; break;
    default: clockwise = true; break;
  }
  const double s = state->m_dSpeed;
  const double d = StageSubSteps() * s;
  state->m_dVX = 0.0;
  state->m_dVY = 0.0;
  if (!mv->m_bLockX) state->m_dVX -= WaveStep(state->m_nRadius, 1, state->m_dAccX, d, 0) * s;
  if (!mv->m_bLockY && IsFlying(*chara))
    state->m_dVY -= WaveStep(state->m_nRadius, 1, state->m_dAccY, d, clockwise ? 270 : 90) * s;
  chara->ApplyMoveVelocity(*state, state->m_dVX, state->m_dVY, kFaceNone, 0);
  return 0;
}

int ExecChargeMove(cCharaBase* chara, cCmdState* state) {
  if (!chara || !state) return 0;
  const cEdMove* mv = MoveOf(*state);
  if (!mv) return 0;
  const bool flying = IsFlying(*chara);
  if (!state->m_bFirst) {
    state->m_bFirst = 1;
    chara->ComputeMoveAngle(*state);
    chara->ComputeMoveTargetOffset(*state);
    state->m_dVX = state->m_dVY = 0.0;
    state->m_nFacingReq = kFaceNone;
    cCharaBase* target = LinkedTarget(*chara, mv->m_byTargetSlot);
    if (target && !target->m_bDead) {
      if (flying) {
        double x = AimX(*chara), y = AimY(*chara);
        target->GetTargetPoint(x, y, *state);
        chara->MoveTowardByLocks(*state, x, y);
      } else {
        chara->MoveTowardX(*state, chara, AimX(*target) + state->m_nTargetX, 0, 0);
      }
      if (state->m_nAngle != 0) {
        const double s = state->m_dSpeed;
        int a;
        if (!g_SystemData.m_bCompat728) {
          a = static_cast<int16_t>(TruncToInt(std::atan2(state->m_dVY, state->m_dVX) * kRadToDeg + 180)) +
              state->m_nAngle;
          state->m_dVX = -std::cos(a * kDegToRad) * s;
          if (flying) state->m_dVY = -std::sin(a * kDegToRad) * s;
        } else {
          a = TruncToInt(std::atan2(state->m_dVX, state->m_dVY) * kRadToDeg + 90) + state->m_nAngle;
          state->m_dVX = std::cos(a * kDegToRad) * s;
          if (flying) state->m_dVY = -std::sin(a * kDegToRad) * s;
        }
      }
    }
  }
  if (!flying) state->m_dVY = 0.0;
  chara->ApplyMoveVelocity(*state, state->m_dVX, state->m_dVY, state->m_nFacingReq, 0);
  return 0;
}

int ExecHomingMove(cCharaBase* chara, cCmdState* state) {
  if (!chara || !state) return 0;
  const cEdMove* mv = MoveOf(*state);
  if (!mv) return 0;
  cCharaBase* target = LinkedTarget(*chara, mv->m_byTargetSlot);
  if (!target || target->m_bDead) return 0;
  const bool first = !state->m_bFirst;
  if (first) {
    state->m_bFirst = 1;
    chara->ComputeMoveTargetOffset(*state);
  }
  chara->ClearMoveRequests();
  const bool flying = IsFlying(*chara);
  if (!flying && mv->m_bLockX) return 0;

  // The point aimed at now, and the sampling that steers toward where the
  // target was one sampling earlier.
  auto present = [&]() -> std::pair<int, int> {
    if (!flying) return {TruncToInt(AimX(*target) + state->m_nTargetX), 0};
    double x = AimX(*chara), y = AimY(*chara);
    target->GetTargetPoint(x, y, *state);
    return {TruncToInt(x), TruncToInt(y)};
  };
  auto aim = [&](std::pair<int, int> p) {
    if (flying) chara->MoveTowardByLocks(*state, p.first, p.second);
    else chara->MoveTowardX(*state, chara, p.first, 0, 0);
  };
  const int n = state->m_nRadius;
  std::vector<std::pair<int, int>>& queue = state->m_vecHomingPoint;
  if (n <= 0) {
    aim(present());
  } else if (first) {
    queue.clear();
    const std::pair<int, int> p = present();
    aim(p);
    queue.push_back(p);
  } else if (state->m_nSubStep % n == 0) {
    const std::pair<int, int> p = present();
    aim(queue.empty() ? p : queue.front());
    queue.push_back(p);
    if (queue.size() > 1) queue.erase(queue.begin());
  }
  if (!flying) state->m_dVY = 0.0;
  chara->ApplyMoveVelocity(*state, state->m_dVX, state->m_dVY, state->m_nFacingReq, 0);
  ++state->m_nSubStep;
  return 0;
}

int ExecAvoidOffscreenMove(cCharaBase* chara, cCmdState* state) {
  if (!chara || !state) return 0;
  chara->AvoidOffscreenStep(*state);
  chara->ApplyMoveVelocity(*state, state->m_dVX, state->m_dVY, kFaceNone, 0);
  ++state->m_nSubStep;
  return 0;
}

int ExecDisableMove(cCharaBase* chara, cCmdState* state) {
  if (!chara) return 0;
  chara->m_dVX = chara->m_dVY = 0.0;
  chara->m_dAX = chara->m_dAY = 0.0;
  chara->m_bDecelX = chara->m_bDecelY = 0;
  chara->ClearMoveRequests();
  // Gravity too is held while the command lasts; the update releases it
  // every sub-step.
  chara->m_bGravityHold = 1;
  return 0;
}

int ExecChangeDirection(cCharaBase* chara, cCmdState* state) {
  if (!chara || !state || !state->m_pCmd || !chara->m_Data.m_bFixedDirection) return 0;
  // Once a frame, in its first sub-step.
  if (g_pGameScene && g_pGameScene->m_nSubStepIndex != 1) return 0;
  const cFlowCmd& cmd = *state->m_pCmd;
  PlayCmdSound(*chara, cmd);
  const int choice = cmd.m_vecParam.empty() ? 0 : cmd.m_vecParam[0];
  switch (choice) {
    case 0: chara->m_bRight = 0; break;
    case 1: chara->m_bRight = 1; break;
    case 10:
    case 11:
      if (chara->m_nWallSide == 0 || chara->m_nWallSide == 1) {
        const bool wallRight = chara->m_nWallSide == 1;
        chara->m_bRight = (choice == 10) == wallRight ? 1 : 0;
      }
      break;
    default:
      if (choice >= 2 && choice <= 9) {
        const cCharaBase* target = LinkedTarget(*chara, (choice - 2) / 2);
        if (!target) break;
        const bool targetRight = AimX(*target) > AimX(*chara);
        const bool toward = (choice - 2) % 2 == 0;
        chara->m_bRight = targetRight == toward ? 1 : 0;
      }
      break;
  }
  return 0;
}

int ExecJump(cCharaBase* chara, cCmdState* state) {
  if (!chara || !state) return 0;
  chara->ClearMoveRequests();
  chara->Jump(state);
  ++state->m_nSubStep;
  return 0;
}
