#include "objects/move_toward.h"

#include <cmath>
#include <cstdint>

#include "platform/numeric.h"
#include "records/stage_data.h"
#include "records/system_data.h"
#include "stage/game_scene.h"

using plat::TruncToInt;

double g_dHalfSqrt2 = 0.7071067811865476;

namespace {

// The project's switch that adds the automatic scroll to every move.
bool ScrollCarryOff() { return g_SystemData.m_bCompat214 != 0; }

double CarryX() { return g_pGameScene ? g_pGameScene->m_ScrollX.CarrySpeed() : 0.0; }
double CarryY() { return g_pGameScene ? g_pGameScene->m_ScrollY.CarrySpeed() : 0.0; }

// Re-solves (vx, vy) so that its length is `speed` and, less the scroll's
// own speed (sx, sy), it points along (dx, dy); a and b are the axis with
// the larger distance and the other one. False when no such velocity exists
// (a zero divisor or no real root): the caller keeps its velocity.
bool SolveAgainstScroll(double da, double db, double sa, double sb, double speed, double& va, double& vb) {
  if (da == 0) return false;
  const double ratio2 = db * db / (da * da);
  const double A = ratio2 + 1;
  const double Y = (2 * sa * db * db - 2 * db * da * sb) / (da * da);
  const double r = db * sa - da * sb;
  const double C = r * r / (da * da) - speed * speed;
  const double disc = Y * Y - 4 * A * C;
  if (!(disc >= 0)) return false;
  const double root = std::sqrt(disc);
  const double a = (Y + (da < 0 ? -root : root)) / (2 * A);
  if (sa - a == 0) return false;
  const double t = -da / (sa - a);
  if (t == 0) return false;
  va = a;
  vb = (db + t * sb) / t;
  return true;
}

bool CompareRelation(long long v, long long b, int relation) {
  switch (relation) {
    case 0: return v == b;
    case 1: return v != b;
    case 2: return v >= b;
    case 3: return v <= b;
    case 4: return v > b;
    case 5: return v < b;
    case 6: return b == 0 || v % b == 0;
    case 7: return b != 0 && v % b != 0;
    default: return false;
  }
}

}  // namespace

int ComputeMoveVelocity(double& vx, double& vy, int& dir, const cCharaBase* mover, double ownX, double ownY,
                        double targetX, double targetY, double speed, int relative, int fixedDiagonalOff,
                        int checkArrival) {
  vx = vy = 0;
  const double dx = targetX - ownX, dy = targetY - ownY;
  const bool awayDiagonal = speed < 0 && !fixedDiagonalOff;
  if (awayDiagonal) {
    const double s = speed * g_dHalfSqrt2;
    vx = targetX <= ownX ? -s : s;
    vy = targetY <= ownY ? -s : s;
  } else {
    double d = std::sqrt(dx * dx + dy * dy);
    if (d == 0) d = 1;
    vx = speed * dx / d;
    vy = speed * dy / d;
  }

  const double sx = CarryX(), sy = CarryY();
  if (ScrollCarryOff()) {
    vx += sx;
    vy += sy;
  } else if (mover) {
    const bool rides = mover->m_bScrollLock != 0;
    if ((relative && !rides) || (awayDiagonal && !relative && rides)) {
      vx -= sx;
      vy -= sy;
    } else if (!relative && rides && speed >= 0) {
      double nx = vx, ny = vy;
      const bool solved = std::fabs(dy) >= std::fabs(dx) ? SolveAgainstScroll(dy, dx, sy, sx, speed, ny, nx)
                                                         : SolveAgainstScroll(dx, dy, sx, sy, speed, nx, ny);
      if (!solved) {
        dir = vx < 0 ? 1 : (vx > 0 ? 2 : 0);
        return 0;
      }
      vx = nx;
      vy = ny;
    }
  }

  dir = vx < 0 ? 1 : (vx > 0 ? 2 : 0);
  if (!checkArrival) return 0;
  return std::fabs(speed) >= std::fabs(dx) && std::fabs(speed) >= std::fabs(dy) ? 1 : 0;
}

int cCharaBase::ComputeMoveVelocityX(double& vx, double& vy, int& dir, const cCharaBase* mover, double ownX,
                                     double targetX, double speed, int relative, int checkArrival) const {
  if (ownX >= targetX) {
    vx = -speed;
    dir = 1;
  } else {
    vx = speed;
    dir = 2;
  }
  vy = 0;
  if (!relative && mover && mover->m_bScrollLock && ScrollCarryOff()) vx += CarryX();
  return checkArrival && std::fabs(speed) > std::fabs(ownX - targetX) ? 1 : 0;
}

int cCharaBase::ComputeMoveVelocityY(double& vx, double& vy, int& dir, const cCharaBase* mover, double ownY,
                                     double targetY, double speed, int relative, int checkArrival) const {
  vy = ownY >= targetY ? -speed : speed;
  vx = 0;
  dir = 0;
  if (!relative && mover && mover->m_bScrollLock && ScrollCarryOff()) vy += CarryY();
  return checkArrival && std::fabs(speed) > std::fabs(ownY - targetY) ? 1 : 0;
}

double AimX(const cGameObject& o) { return o.m_rcScreen.left + o.m_nImgW / 2; }
double AimY(const cGameObject& o) { return o.m_rcScreen.top + o.m_nImgH / 2; }

double CityBlockFromAim(const cGameObject& o, double x, double y) {
  return std::fabs(AimX(o) - x) + std::fabs(AimY(o) - y);
}

int StageHomingOnlyActive() { return g_Stage.m_bOnScreenOnly; }

void cCharaBase::GetTargetPoint(double& x, double& y, const cCmdState& state) const {
  const cEdMove* move = state.m_pCmd ? state.m_pCmd->m_pEdMove.get() : nullptr;
  const bool xFixed = move && move->m_bLockX;
  const bool yFixed = move && move->m_bLockY;
  if (!xFixed) x = AimX(*this) + state.m_nTargetX;
  if (!yFixed) y = AimY(*this) + state.m_nTargetY;
}

namespace {
bool StopsOnArrival(const cCmdState& state) {
  const cEdMove* move = state.m_pCmd ? state.m_pCmd->m_pEdMove.get() : nullptr;
  return move && move->m_bStopAtTarget;
}
}  // namespace

int cCharaBase::MoveToward(cCmdState& state, cCharaBase* mover, double targetX, double targetY, int relative,
                           int checkArrival) {
  const int arrived = ComputeMoveVelocity(state.m_dVX, state.m_dVY, state.m_nFacingReq, mover, AimX(*this),
                                          AimY(*this), targetX, targetY, state.m_dSpeed, relative, 0, checkArrival);
  if (arrived && StopsOnArrival(state)) {
    UpdateScreenRect();
    if (mover && mover != this) mover->UpdateScreenRect();
    SetCenterStopMove(TruncToInt(targetX), TruncToInt(targetY), &state);
  }
  return arrived;
}

int cCharaBase::MoveTowardX(cCmdState& state, cCharaBase* mover, double targetX, int relative, int checkArrival) {
  const int arrived = ComputeMoveVelocityX(state.m_dVX, state.m_dVY, state.m_nFacingReq, mover, AimX(*this), targetX,
                                           state.m_dSpeed, relative, checkArrival);
  if (arrived && StopsOnArrival(state)) {
    UpdateScreenRect();
    if (mover && mover != this) mover->UpdateScreenRect();
    SetCenterXStopMove(TruncToInt(targetX), &state);
  }
  return arrived;
}

int cCharaBase::MoveTowardY(cCmdState& state, cCharaBase* mover, double targetY, int relative, int checkArrival) {
  const int arrived = ComputeMoveVelocityY(state.m_dVX, state.m_dVY, state.m_nFacingReq, mover, AimY(*this), targetY,
                                           state.m_dSpeed, relative, checkArrival);
  if (arrived && StopsOnArrival(state)) {
    UpdateScreenRect();
    if (mover && mover != this) mover->UpdateScreenRect();
    SetCenterYStopMove(TruncToInt(targetY), &state);
  }
  return arrived;
}

int PassesCharaFilter(const cCharaBase& c, const CHARAFILTER& f) {
  if (c.m_bDead) return 0;
  if (f.bTeam && c.m_Data.m_byCharaId != f.nTeam) return 0;
  if (f.bExcludeId && c.m_nId == f.nExcludeId) return 0;
  if (f.bSkipInvincible1 && c.m_Data.m_byInvincible == 1) return 0;
  if (f.bSkipInvincible2 && c.m_Data.m_byInvincible == 2) return 0;
  // A block chara is met as a block, not touched as a chara.
  if (f.bSkipNoContact && c.m_Data.m_bBlockChara) return 0;
  if (f.bVariable) {
    // A variable outside the chara's list fails the test.
    if (f.nVarIndex < 0 || static_cast<size_t>(f.nVarIndex) >= c.m_vecVar.size()) return 0;
    if (!CompareRelation(c.m_vecVar[static_cast<size_t>(f.nVarIndex)], f.nValue, f.nRelation)) return 0;
  }
  return 1;
}

cCharaBase* FindCharaInVector(const std::vector<std::pair<cCharaBase*, int>>& entries, int wantedId,
                              const CHARAFILTER& filter) {
  for (auto it = entries.rbegin(); it != entries.rend(); ++it)
    if (it->second == wantedId && it->first && PassesCharaFilter(*it->first, filter)) return it->first;
  return nullptr;
}
