#include "objects/shot.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

#include "graphics/blit.h"
#include "graphics/builtin_tables.h"
#include "objects/chara_base.h"
#include "objects/hero.h"
#include "objects/move_toward.h"
#include "objects/sprite_source.h"
#include "platform/numeric.h"
#include "records/database.h"
#include "records/effect_data.h"
#include "records/stage_data.h"
#include "records/system_data.h"
#include "services/log.h"
#include "stage/block_cell.h"
#include "stage/game_scene.h"
#include "stage/stage_surfaces.h"

using plat::TruncToInt;

namespace {

// Shot cells 0, 1, 2 once (the sword's pattern), and 0, 1 looping (a shot's).
const int kShotOnce[] = {0, 7, 0, 1, 7, 0, 2, 7, 0, -1, 0, 0};
const int kShotLoop[] = {0, 8, 0, 1, 8, 0, -2, 0, 0};
const int* const kShotPatterns[] = {kShotOnce, kShotLoop, nullptr};

constexpr int kLinkTarget = 0;
constexpr int kLinkShooter = 4;
constexpr double kPi = 3.141592653589793;

// The project's switch that takes the automatic scroll out of every move.
bool ScrollCarryOff() { return g_SystemData.m_bCompat214 != 0; }

// A count of sub-steps from a quotient that may lie beyond int: a slow shot
// over a long way must wait as long as it can, not turn into a negative
// count that the x86 conversion would make of it.
int SaturatingSteps(double q) {
  if (!(q < 2147483647.0)) return INT_MAX;
  if (q <= -2147483648.0) return INT_MIN;
  return TruncToInt(q);
}

// The sub-steps that `distance` pixels take at `speed` per sub-step; 0 when
// the shot does not move (it then aims or ends at once).
int StepsForDistance(double distance, double speed) {
  if (speed == 0) return 0;
  return SaturatingSteps(distance / speed);
}

cHero* FirstHero() { return Player.empty() ? nullptr : &Player[0]; }

void RefreshScreenRect(cCharaBase& c) {
  if (cHero* hero = dynamic_cast<cHero*>(&c)) hero->UpdateScreenRect();
  else c.UpdateScreenRect();
}

int ScaleOf(const cEdShot& s) { return s.m_byScale > 0 ? s.m_byScale : 1; }

}  // namespace

// The settings copy starts from its record's defaults: mirrored angle and x
// offset, the shooter's faction, scale 1, slots 0.
cShot::cShot() = default;

cShot::cShot(const cShot& o)
    : cGameObject(o),
      m_nOwnerId(o.m_nOwnerId),
      m_bFree(o.m_bFree),
      m_nRangeLeft(o.m_nRangeLeft),
      m_nLifeLeft(o.m_nLifeLeft),
      m_nTick(o.m_nTick),
      m_nStep(o.m_nStep),
      m_dAccel(o.m_dAccel),
      m_dSpeed(o.m_dSpeed),
      m_dOwnVX(o.m_dOwnVX),
      m_dOwnVY(o.m_dOwnVY),
      m_bAccelOn(o.m_bAccelOn),
      m_nSwitchStep(o.m_nSwitchStep),
      m_nEndStep(o.m_nEndStep),
      m_bTrajectoryDone(o.m_bTrajectoryDone),
      m_dWavePhase(o.m_dWavePhase),
      m_dWaveDirX(o.m_dWaveDirX),
      m_dWaveDirY(o.m_dWaveDirY),
      m_rcHit(o.m_rcHit),
      m_rcHitOffset(o.m_rcHitOffset),
      m_lstHit(o.m_lstHit),
      m_Settings(o.m_Settings),
      m_pTarget(o.m_pTarget),
      m_pShooter(o.m_pShooter),
      m_bFollowing(o.m_bFollowing),
      m_bCreditShooter(o.m_bCreditShooter),
      m_byCreditValue(o.m_byCreditValue),
      m_bRemoved(o.m_bRemoved) {}

cShot::~cShot() { UnlinkOwner(); }

void cShot::UnlinkOwner() {
  // Only pairs naming this very object go: a copy (the one handed to the
  // scene, say) leaves the stored shot's links alone.
  if (m_pTarget) std::erase(m_pTarget->m_vecShotLink, SHOTLINK{this, kLinkTarget});
  if (m_pShooter) std::erase(m_pShooter->m_vecShotLink, SHOTLINK{this, kLinkShooter});
  m_pTarget = nullptr;
  m_pShooter = nullptr;
}

const cSwordFrameData* cShot::SwordFrame(int step) const {
  const int entry = m_Settings.m_byTrajectory;
  const cCheckedVector<cSwordTypeData>& types = g_Database.m_vecSwordType;
  if (entry >= types.Size()) return nullptr;
  const cCheckedVector<cSwordFrameData>& frames = types[static_cast<size_t>(entry)].m_vecFrame;
  if (step < 0 || step >= frames.Size()) return nullptr;
  return &frames[static_cast<size_t>(step)];
}

int cShot::Setup(int id, cCharaBase* shooter, int kind, const cEdShot& settings, const SHOTLAUNCH& launch) {
  m_Settings = settings;
  if (m_Settings.m_byScale == 0) m_Settings.m_byScale = 1;
  m_bFree = kind != kShotKindSword ? 1 : 0;

  // A sword takes the size of its first frame. One without a frame to show
  // is not made at all: the report names the missing element as a bad index
  // would, but the game goes on.
  int w = 16, h = 16;
  int made = 1;
  if (!m_bFree) {
    const int entry = m_Settings.m_byTrajectory;
    const cCheckedVector<cSwordTypeData>& types = g_Database.m_vecSwordType;
    if (entry >= types.Size()) {
      ReportError("err V[%d] ( %d , %d )", entry, types.Size(), static_cast<int>(sizeof(cSwordTypeData)));
      made = 0;
    } else if (const cSwordFrameData* f = SwordFrame(0)) {
      w = f->m_nWidth;
      h = f->m_nHeight;
    } else {
      ReportError("err V[%d] ( %d , %d )", 0, 0, static_cast<int>(sizeof(cSwordFrameData)));
      made = 0;
    }
  }

  m_nOwnerId = shooter ? shooter->m_nId : 0;
  const int team = shooter ? shooter->m_nTeam : 0;
  int facing = 0;
  if (launch.dVX > 0) facing = 1;
  else if (launch.dVX == 0) facing = shooter ? shooter->m_bRight : 0;
  SetParams(id, team, shooter ? shooter->m_nPlayer : 0, m_Settings.m_byFaction, m_Settings.m_nGraphic, kShotPatterns,
            m_bFree ? 1 : 0, 0, 0, w, h, 16, 16, facing, kPlaceFree, launch.nClone);

  if (m_Settings.m_bFactionOfUser && shooter) {
    m_Settings.m_byFaction = static_cast<BYTE>(shooter->m_nBlockSide);
    m_nBlockSide = shooter->m_nBlockSide;
  }

  // A sword hits with all of itself; a shot with its side's hit size,
  // centred in its cell.
  SHOTHITOFFSET& hit = m_rcHitOffset;
  if (!m_bFree) {
    hit.nBaseOffX = hit.nBaseOffY = 0;
    hit.nBaseW = w;
    hit.nBaseH = h;
  } else {
    const int hw = team == 0 ? g_Stage.m_nHeroBulletW : g_Stage.m_nCharaBulletW;
    const int hh = team == 0 ? g_Stage.m_nHeroBulletH : g_Stage.m_nCharaBulletH;
    hit.nBaseOffX = 8 - hw / 2;
    hit.nBaseOffY = 8 - hh / 2;
    hit.nBaseW = hw;
    hit.nBaseH = hh;
  }
  hit.nOffX = hit.nBaseOffX;
  hit.nOffY = hit.nBaseOffY;
  hit.nW = hit.nBaseW;
  hit.nH = hit.nBaseH;

  SetScale(m_Settings.m_byScale, 1);
  m_dX = launch.nX;
  ClampToStage();
  m_dY = launch.nY;
  ClampY(2);

  const int n = StageSubSteps();
  m_dOwnVX = launch.dVX / n;
  m_dOwnVY = launch.dVY / n;

  m_dAX = m_dAY = 0.0;
  m_bAccelOn = 0;
  m_dAccel = 0.0;
  if (m_Settings.m_bAccel) {
    m_bAccelOn = 1;
    m_dAccel = (m_Settings.m_nAccel + m_Settings.m_nAccelPerClone * launch.nClone) * 0.1 / n;
    SetVelocityToward(launch.dVX, launch.dVY);
  }

  m_dVX = m_dVY = 0.0;
  m_bScrollLock = m_Settings.m_bRideScroll;

  // In 64 bits: the clones' lives add up.
  m_nLifeLeft = 0;
  if (m_Settings.m_bExistTime) {
    const long long life = static_cast<long long>(launch.nLife) * n * 6;
    m_nLifeLeft = static_cast<int>(std::clamp<long long>(life, INT_MIN, INT_MAX));
  }

  // A distance shorter than one frame's travel is flown in exactly one frame.
  m_nRangeLeft = 0;
  if (m_Settings.m_bRange) {
    double d = launch.nDistance * 16.0 - m_nW;
    if (d < 0) d = 0;
    const double v = std::fabs(launch.dSpeed) / n;
    if (d > 0 && v > 0) {
      m_nRangeLeft = SaturatingSteps(d / v);
    } else {
      m_nRangeLeft = n;
      if (m_nW < TruncToInt(v * n)) m_nRangeLeft = SaturatingSteps(m_nW / v);
    }
    if (m_nRangeLeft < n) {
      // Without a direction there is nothing to share the distance out on.
      const double sum = std::fabs(launch.dVX) + std::fabs(launch.dVY);
      m_dOwnVX = sum != 0 ? (d / n) * launch.dVX / sum : 0.0;
      m_dOwnVY = sum != 0 ? (d / n) * launch.dVY / sum : 0.0;
      m_nRangeLeft = n;
    }
  }

  m_nTick = m_nStep = m_nSwitchStep = m_nEndStep = m_bTrajectoryDone = 0;
  m_pTarget = nullptr;
  if (shooter && m_Settings.m_byTargetSlot < shooter->m_vecLink.size())
    m_pTarget = shooter->m_vecLink[m_Settings.m_byTargetSlot];
  m_pShooter = shooter;
  m_bFollowing = 0;
  m_bCreditShooter = m_Settings.m_bCreditShooter;
  m_byCreditValue = m_Settings.m_byCreditValue;
  return made;
}

void cShot::OnScaleChanged(int factor) {
  SHOTHITOFFSET& h = m_rcHitOffset;
  h.nOffX = factor * h.nBaseOffX;
  h.nOffY = factor * h.nBaseOffY;
  h.nW = factor * h.nBaseW;
  h.nH = factor * h.nBaseH;
}

void cShot::AdjustYForScale(int newFactor, int oldFactor) {
  if (newFactor == oldFactor) return;
  m_dY -= static_cast<double>((newFactor - oldFactor) * (m_nBaseH / 2));
  ClampY(2);
}

void cShot::UpdateHitRectX() {
  m_rcHit.dLeft = static_cast<double>(TruncToInt(m_dX)) + m_rcHitOffset.nOffX;
  m_rcHit.dRight = m_rcHit.dLeft + m_rcHitOffset.nW - 1;
}

void cShot::UpdateHitRectY() {
  m_rcHit.dTop = static_cast<double>(TruncToInt(m_dY)) + m_rcHitOffset.nOffY;
  m_rcHit.dBottom = m_rcHit.dTop + m_rcHitOffset.nH - 1;
}

void cShot::SetVelocityToward(double vx, double vy) {
  if (vx != 0 && vy != 0) {
    const double length = std::sqrt(vx * vx + vy * vy);
    m_dAX = PerSecondToPerFrame(vx / length * m_dAccel);
    m_dAY = PerSecondToPerFrame(vy / length * m_dAccel);
  } else if (vx != 0) {
    const double a = PerSecondToPerFrame(m_dAccel);
    m_dAX = vx > 0 ? a : -a;
    m_dAY = 0.0;
  } else if (vy != 0) {
    const double a = PerSecondToPerFrame(m_dAccel);
    m_dAX = 0.0;
    m_dAY = vy > 0 ? a : -a;
  } else {
    m_dAX = m_dAY = 0.0;
  }
}

int cShot::ClampToStage() {
  const int outer = g_pGameScene->m_ScrollX.m_nOuter;
  int code = 0;
  if (m_dX < 0) {
    m_dX = 0;
    code = 3;
  } else if (m_dX + (m_nW - 1) >= outer) {
    m_dX = outer - m_nW;
    code = 3;
  }
  m_dRight = m_dX + m_nW - 1;
  UpdateHitRectX();
  m_nCellL = TruncToInt(m_dX) >> 5;
  m_nCellR = TruncToInt(m_dRight) >> 5;
  return code;
}

void cShot::LimitSpeed(double& v) {
  const double max = StageStepSpeedLimit();
  if (v > max) v = max;
  else if (v < -max) v = -max;
}

int cShot::MoveX() {
  if (m_dAX != 0) m_dVX += m_dAX;
  if (m_dVX != 0) {
    LimitSpeed(m_dVX);
    m_dX += m_dVX;
    ClampToStage();
  }
  return 0;
}

int cShot::MoveY() {
  if (m_dAY != 0) m_dVY += m_dAY;
  if (m_dVY != 0) {
    MoveYClamped(2);
    ClampY(2);
  }
  return 0;
}

int cShot::ApplyTrajectory() {
  if (!m_bFree) return FollowOwner();

  // The velocity is rebuilt each sub-step: the scroll's carry, then the
  // shot's own.
  const cScrollAxis& ax = g_pGameScene->m_ScrollX;
  const cScrollAxis& ay = g_pGameScene->m_ScrollY;
  if (ScrollCarryOff() || !m_bScrollLock) {
    m_dVX = 0.0;
    if (m_bNoGravity) m_dVY = 0.0;
  } else {
    m_dVX = ax.CarrySpeed();
    if (m_bNoGravity) m_dVY = ay.CarrySpeed();
  }

  switch (m_Settings.m_byTrajectory) {
    case 1: TrajAimHero(); break;
    case 2: TrajAimNearest(); break;
    case 3: TrajAimTarget(); break;
    case 4: TrajHomeHero(); break;
    case 5:
    case 7: TrajHomeNearest(); break;
    case 6: TrajHomeTarget(); break;
    case 8: TrajWave(); break;
    case 9: TrajFall(); break;
    default: break;
  }

  if (m_bAccelOn) {
    m_dOwnVX += m_dAX;
    if (m_bNoGravity) m_dOwnVY += m_dAY;
    else m_dVY += m_dAY;
  }

  // A falling shot's vertical speed is gravity's.
  m_dVX += m_dOwnVX;
  if (m_bNoGravity) m_dVY += m_dOwnVY;

  if (m_Settings.m_bExistTime) {
    if (m_nLifeLeft <= 0) return 1;
    --m_nLifeLeft;
  }

  if (m_dVX != 0) m_bRight = m_dVX >= 0 ? 1 : 0;

  // At the end of its distance a shot vanishes, or stays where it is (on
  // the scroll it rides, unless that is held at its limit).
  if (m_Settings.m_bRange) {
    if (m_nRangeLeft > 0) {
      --m_nRangeLeft;
    } else {
      if (!m_Settings.m_bStopAtRange) return 1;
      m_dOwnVX = m_dOwnVY = 0.0;
      m_Settings.m_byTrajectory = 0;
      if (m_bScrollLock) {
        if (!ax.m_bAtLimit) m_dVX = ax.m_dAutoStep;
        if (m_bNoGravity && !ay.m_bAtLimit) m_dVY = ay.m_dAutoStep;
      } else {
        m_dVX = m_dVY = 0.0;
      }
    }
  }
  return 0;
}

// Trajectories

void cShot::PrepareAim() {
  m_dSpeed = (m_Settings.m_nSpeed + m_Settings.m_nSpeedPerClone * m_nCloneValue) * 0.1 / StageSubSteps();
  const int p1 = m_Settings.m_anTrajectory[0];
  m_nSwitchStep = p1 != 0 ? StepsForDistance(p1 * 16.0, m_dSpeed) : 0;
}

void cShot::AimOnce(const cCharaBase* chara) {
  if (!chara) return;
  int dir = 0;
  // The shot's scroll riding is the relative flag: the scroll correction
  // of the move velocity then leaves the aim as it is.
  ComputeMoveVelocity(m_dOwnVX, m_dOwnVY, dir, nullptr, AimX(*this), AimY(*this), AimX(*chara), AimY(*chara), m_dSpeed,
                      m_bScrollLock, 1, 0);
  if (m_bAccelOn) SetVelocityToward(m_dOwnVX, m_dOwnVY);
}

void cShot::AimAt(const cCharaBase* chara) {
  if (!chara) return;
  double vx = 0, vy = 0;
  int dir = 0;
  ComputeMoveVelocity(vx, vy, dir, nullptr, AimX(*this), AimY(*this), AimX(*chara), AimY(*chara), m_dSpeed,
                      m_bScrollLock, 1, 0);
  if (!m_bAccelOn) {
    m_dOwnVX = vx;
    m_dOwnVY = vy;
    return;
  }
  if (m_nSwitchStep == 0) {
    m_dOwnVX = vx;
    m_dOwnVY = vy;
  }
  SetVelocityToward(vx, vy);
}

namespace {

template <class Aim>
void AimAtSwitchStep(cShot& s, Aim aim) {
  if (s.m_bTrajectoryDone) return;
  if (s.m_nStep >= s.m_nSwitchStep) {
    s.UpdateScreenRect();
    aim();
    s.m_bTrajectoryDone = 1;
    return;
  }
  ++s.m_nStep;
}

bool IsLiving(const cCharaBase* c) { return c && !c->m_bDead; }

}  // namespace

void cShot::TrajAimHero() {
  if (!m_bTrajectoryDone && m_nStep == 0) PrepareAim();
  AimAtSwitchStep(*this, [this] { AimOnce(FirstHero()); });
}

void cShot::TrajAimNearest() {
  if (!m_bTrajectoryDone && m_nStep == 0) PrepareAim();
  AimAtSwitchStep(*this, [this] {
    std::list<cCharaBase*>* list = g_pGameScene->TeamCharas(m_Settings.m_anTrajectory[1]);
    if (list) AimOnce(FindNearestFromCentre(*this, *list));
  });
}

void cShot::TrajAimTarget() {
  if (!m_bTrajectoryDone && m_nStep == 0) PrepareAim();
  AimAtSwitchStep(*this, [this] {
    if (IsLiving(m_pTarget)) AimOnce(m_pTarget);
  });
}

template <class Pick>
void cShot::Home(Pick pick) {
  if (m_bTrajectoryDone) return;
  if (m_nStep == 0) {
    PrepareAim();
    const int p2 = m_Settings.m_anTrajectory[1];
    m_nEndStep = p2 != 0 ? StepsForDistance(p2 * 16.0, m_dSpeed) : 0;
  }
  if (m_nStep >= m_nEndStep) {
    m_bTrajectoryDone = 1;
    return;
  }
  if (m_nStep >= m_nSwitchStep) {
    UpdateScreenRect();
    AimAt(pick());
  }
  ++m_nStep;
}

void cShot::TrajHomeHero() {
  Home([] { return static_cast<const cCharaBase*>(FirstHero()); });
}

void cShot::TrajHomeNearest() {
  Home([this]() -> const cCharaBase* {
    std::list<cCharaBase*>* list = g_pGameScene->TeamCharas(m_Settings.m_anTrajectory[2]);
    return list ? FindNearestFromCentre(*this, *list) : nullptr;
  });
}

void cShot::TrajHomeTarget() {
  Home([this]() -> const cCharaBase* { return IsLiving(m_pTarget) ? m_pTarget : nullptr; });
}

void cShot::TrajWave() {
  const int amplitude = m_Settings.m_anTrajectory[0] * 16;
  const int speed = m_Settings.m_anTrajectory[1];
  if (m_nTick == 0) {
    m_nTick = 1;
    const int start = m_Settings.m_anTrajectory[2];
    const double f = m_bRight ? start : start + 180;
    // A wave without speed never advances: it starts at phase 0.
    m_dWavePhase = speed != 0 ? StageSubSteps() * f / speed : 0.0;
    const double w = WaveStep(amplitude, speed, m_dWavePhase, 1, 0);
    double angle = std::atan2(m_dOwnVY, m_dOwnVX);
    if (angle < 0) angle += 2 * kPi;
    const double across = angle - kPi / 2;
    m_dWaveDirX = std::cos(across);
    m_dWaveDirY = std::sin(across);
    m_dOwnVX += w * m_dWaveDirX;
    m_dOwnVY += w * m_dWaveDirY;
  } else {
    const double w = WaveStep2(amplitude, speed, m_dWavePhase, 1, 0);
    const double bx = m_dOwnVX, by = m_dOwnVY;
    m_dOwnVX += w * m_dWaveDirX;
    m_dOwnVY += w * m_dWaveDirY;
    if ((bx < 0 && m_dOwnVX > 0) || (bx > 0 && m_dOwnVX < 0)) m_dOwnVX = 0.0;
    if ((by < 0 && m_dOwnVY > 0) || (by > 0 && m_dOwnVY < 0)) m_dOwnVY = 0.0;
  }
  if (m_bAccelOn) SetVelocityToward(m_dOwnVX, m_dOwnVY);
}

void cShot::TrajFall() {
  if (m_bTrajectoryDone) return;
  if (m_nStep == 0) PrepareAim();
  if (m_nStep >= m_nSwitchStep) {
    m_dVY = m_dOwnVY;
    m_bNoGravity = 0;
    m_bTrajectoryDone = 1;
    return;
  }
  ++m_nStep;
}

// Swords

int cShot::FollowOwner() {
  cCharaBase* owner = FindCharaByObject(m_nOwnerId);
  if (!owner) return 1;
  const cSwordFrameData* f = SwordFrame(m_nStep);
  if (!f) return 1;
  RefreshScreenRect(*owner);
  m_bRight = owner->m_bRight;

  // Each frame brings its own size.
  const int scale = ScaleOf(m_Settings);
  if (m_nTick == 0) {
    m_nBaseW = m_nBaseImgW = f->m_nWidth;
    m_nBaseH = m_nBaseImgH = f->m_nHeight;
    m_nW = m_nImgW = scale * f->m_nWidth;
    m_nH = m_nImgH = scale * f->m_nHeight;
    SHOTHITOFFSET& hit = m_rcHitOffset;
    hit.nBaseOffX = hit.nBaseOffY = hit.nOffX = hit.nOffY = 0;
    hit.nBaseW = f->m_nWidth;
    hit.nBaseH = f->m_nHeight;
    hit.nW = m_nW;
    hit.nH = m_nH;
  }

  // Beside the owner's image in world pixels, in doubles: no frame offset of
  // a file can overflow them.
  const double sx = TruncToInt(g_pGameScene->m_ScrollX.m_dPos);
  const double sy = TruncToInt(g_pGameScene->m_ScrollY.m_dPos);
  const RECT& rc = owner->m_rcScreen;
  const double left = rc.left + sx, right = rc.right + sx;
  const double top = rc.top + sy, bottom = rc.bottom + sy;
  const double centreX = left + owner->m_nImgW / 2 - m_nW / 2;
  const double centreY = top + owner->m_nImgH / 2 - m_nH / 2;
  double x = left, y = centreY;
  switch (f->m_nPosition) {
    case 1:
      m_bRight = owner->m_bRight ? 0 : 1;
      x = m_bRight ? right + 1 : left - m_nW;
      break;
    case 2:
      x = centreX;
      y = top - m_nH;
      break;
    case 3:
      x = centreX;
      y = bottom + 1;
      break;
    default:
      x = m_bRight ? right + 1 : left - m_nW;
      break;
  }

  // Offsets marked as mirrored turn with an owner facing right.
  const double offX = static_cast<double>(scale) * f->m_nX;
  const double offY = static_cast<double>(scale) * f->m_nY;
  if (owner->m_bRight) {
    x += f->m_bMirrorX ? -offX : offX;
    y += f->m_bMirrorY ? -offY : offY;
  } else {
    x += offX;
    y += offY;
  }

  // A frame lasts its time in sub-steps and one call more.
  m_dX = x;
  ClampToStage();
  m_dY = y;
  ClampY(2);
  ++m_nTick;
  const long long frameCalls = static_cast<long long>(f->m_nTime) * StageSubSteps() * 6;
  if (frameCalls >= m_nTick) return 0;
  m_nTick = 0;
  ++m_nStep;
  return SwordFrame(m_nStep) ? 0 : 1;
}

// Blocks and range

int cShot::HitBlocks() {
  // A sword swings beside its owner through whatever is there; only shots
  // stop at blocks.
  if (!m_bFree || m_Settings.m_byBlockPass == 1) return 0;
  const int shift = g_pGameScene->m_ScrollX.m_nRowShift;
  const long long cells = static_cast<long long>(g_vecBlockMap.size());
  const long long rowWidth = 1LL << shift;
  const int faction = m_nBlockSide;
  // Cells off the map (a shot larger than the world) stop nothing.
  auto stops = [&](long long cx, long long cy) {
    if (cx < 0 || cx >= rowWidth || cy < 0) return false;
    const long long index = cx + (cy << shift);
    if (index >= cells) return false;
    return g_vecBlockMap[static_cast<size_t>(index)].GetHitKind(faction) != 0;
  };
  if (m_nW > 32) {
    // Samples every 32 pixels from the top-left, the last on the far edges,
    // meet each cell of the box once, row by row: walk the cells, within
    // the map.
    const long long rows = cells >> shift;
    const long long t = std::max<long long>(m_nCellT, 0), b = std::min<long long>(m_nCellB, rows - 1);
    const long long l = std::max<long long>(m_nCellL, 0), r = std::min<long long>(m_nCellR, rowWidth - 1);
    for (long long cy = t; cy <= b; ++cy)
      for (long long cx = l; cx <= r; ++cx)
        if (stops(cx, cy)) return 1;
    return 0;
  }
  const int corners[4][2] = {{m_nCellL, m_nCellT}, {m_nCellL, m_nCellB}, {m_nCellR, m_nCellT}, {m_nCellR, m_nCellB}};
  for (const auto& c : corners)
    if (stops(c[0], c[1])) return 1;
  return 0;
}

int cShot::IsOutOfRange() const {
  if (!m_bFree) return 0;
  return IsInActiveRange(g_Stage.m_Quad[m_nTeam == 0 ? kQuadHeroShot : kQuadOtherShot]);
}

// Drawing

void cShot::Draw(DDSURFACEDATA* target, int paused) {
  if (m_Settings.m_bInvisible) return;
  const int scale = ScaleOf(m_Settings);
  const int facing = m_bRight ? 1 : 0;
  if (m_bFree) {
    const int a = paused ? m_Anime.GetValue() : m_Anime.Step();
    const int g = m_nGraphic;
    const int sx = (a + (g / 30) * 2) * 16, sy = (g % 30) * 16;
    if (scale > 1) {
      DDSURFACEDATA* src = &g_SD[PickSheetSurface(20 + facing, UseFirstSheetSet() ? 0 : 1)];
      DDStretchBlt(target, m_rcScreen.left, m_rcScreen.top, m_nImgW, m_nImgH, src, sx, sy, 16, 16, 1);
    } else {
      DDSURFACEDATA* src = &g_SD[PickSheetSurface(20 + facing, 0)];
      DDBlt(target, m_rcScreen.left, m_rcScreen.top, m_nImgW, m_nImgH, src, sx, sy, 1);
    }
    return;
  }
  const cSwordFrameData* f = SwordFrame(m_nStep);
  if (!f) return;
  const bool stretch = scale > 1;
  const long long index =
      static_cast<long long>(m_Settings.m_byTrajectory) * 4 + facing + (stretch && !UseFirstSheetSet() ? 2 : 0);
  // A stage whose sword images did not load draws no sword.
  if (index >= g_vecSwordSD.Size()) return;
  DDSURFACEDATA* src = &g_vecSwordSD[static_cast<size_t>(index)];
  if (stretch)
    DDStretchBlt(target, m_rcScreen.left, m_rcScreen.top, m_nImgW, m_nImgH, src, f->m_nSrcX, f->m_nSrcY, m_nBaseImgW,
                 m_nBaseImgH, 1);
  else
    DDBlt(target, m_rcScreen.left, m_rcScreen.top, m_nImgW, m_nImgH, src, f->m_nSrcX, f->m_nSrcY, 1);
}

// The hit list

int cShot::IsInHitList(const cCharaBase* chara) const {
  return std::find(m_lstHit.begin(), m_lstHit.end(), chara) != m_lstHit.end() ? 1 : 0;
}

void cShot::AddToHitList(cCharaBase* chara) {
  if (!IsInHitList(chara)) m_lstHit.push_back(chara);
}

// The scene's lists

cShot* AddShotToScene(cGameScene& scene, const cShot& shot) {
  cShot& stored = scene.m_lstShot.emplace_back(shot);
  int faction = stored.m_nBlockSide;
  const int lists = static_cast<int>(scene.m_vecTeamShot.size());
  if (faction < 0 || faction >= lists) {
    ReportBadVectorIndex(faction, lists, static_cast<int>(sizeof(std::list<cShot*>)));
    faction = 0;
  }
  if (lists > 0) scene.m_vecTeamShot[static_cast<size_t>(faction)].push_back(&stored);
  return &stored;
}

std::list<cShot>::iterator EraseShot(cGameScene& scene, std::list<cShot>::iterator position) {
  if (position == scene.m_lstShot.end()) return position;
  cShot* shot = &*position;
  if (scene.m_ShotWalk.nDepth > 0) {
    shot->m_bRemoved = 1;
    return std::next(position);
  }
  // Every faction list: the shot's faction may have changed since it joined.
  for (std::list<cShot*>& team : scene.m_vecTeamShot) team.remove(shot);
  return scene.m_lstShot.erase(position);
}

int HasShotLink(const std::vector<SHOTLINK>& links, const SHOTLINK& pair) {
  return std::find(links.begin(), links.end(), pair) != links.end() ? 1 : 0;
}
