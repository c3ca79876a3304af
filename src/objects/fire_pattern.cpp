#include "objects/fire_pattern.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "flow/ed_move.h"
#include "flow/flow_records.h"
#include "flow/flow_state.h"
#include "objects/chara.h"
#include "objects/chara_base.h"
#include "objects/ed_shot.h"
#include "objects/hero.h"
#include "objects/item.h"
#include "objects/move_toward.h"
#include "objects/shot.h"
#include "platform/numeric.h"
#include "records/palette_data.h"
#include "records/stage_data.h"
#include "records/system_data.h"
#include "services/strings.h"
#include "stage/game_scene.h"

using plat::TruncToInt;

namespace {

// The game's degree constant (not the nearest double to pi/180): the move
// commands turn by the same one, and replays depend on it.
constexpr double kDegToRad = 0.017453292519943278;
constexpr double kRadToDeg = 57.29577951308239;

enum : int { kKindSummonBlock = 13, kKindSummonChara = 14, kKindSummonItem = 15 };
enum : int { kCentreAimSlot = 0, kCentreHero = 1, kCentreShooter = 2 };
enum : int { kFactionOfTemplate = 0, kFactionOfCaller = 1, kFactionOfSettings = 2 };

// The link-shot kinds of a chara's shot-link list.
constexpr int kLinkTarget = 0;
constexpr int kLinkShooter = 4;

constexpr int kScreenW = 640;
constexpr int kScreenH = 480;

double ViewX() { return g_pGameScene->m_ScrollX.m_dPos; }
double ViewY() { return g_pGameScene->m_ScrollY.m_dPos; }
int ViewLeft() { return TruncToInt(ViewX()); }
int ViewTop() { return TruncToInt(ViewY()); }

// An object's image rectangle in world pixels.
struct WORLDBOX {
  int left = 0, top = 0, right = 0, bottom = 0, w = 0, h = 0;
  int CentreX() const { return left + w / 2; }
  int CentreY() const { return top + h / 2; }
};

WORLDBOX WorldBoxOf(const cGameObject& o) {
  const int vx = ViewLeft(), vy = ViewTop();
  WORLDBOX b;
  b.left = o.m_rcScreen.left + vx;
  b.top = o.m_rcScreen.top + vy;
  b.right = o.m_rcScreen.right + vx;
  b.bottom = o.m_rcScreen.bottom + vy;
  b.w = o.m_nImgW;
  b.h = o.m_nImgH;
  return b;
}

// Link slots 0..3; any other slot is an empty one.
cCharaBase* LinkedChara(const cCharaBase& c, int slot) {
  if (slot < 0 || slot >= 4 || static_cast<size_t>(slot) >= c.m_vecLink.size()) return nullptr;
  return c.m_vecLink[static_cast<size_t>(slot)];
}

// The chara the "落雷" and "包囲" formations centre on; null fires nothing.
cCharaBase* CentreChara(cCharaBase* shooter, const cEdShot& s) {
  switch (s.m_byCentre) {
    case kCentreAimSlot: return LinkedChara(*shooter, s.m_byAimSlot);
    case kCentreHero: return Player.empty() ? nullptr : &Player[0];
    case kCentreShooter: return shooter;
    default: return nullptr;
  }
}

bool IsDiagonal(int dir) { return dir >= kMoveDirUpLeft && dir <= kMoveDirDownRight; }
int SignX(int dir) { return dir == kMoveDirUpLeft || dir == kMoveDirDownLeft ? -1 : 1; }
int SignY(int dir) { return dir == kMoveDirUpLeft || dir == kMoveDirUpRight ? -1 : 1; }

void VelocityOfAngle(SHOTLAUNCH& l, double degrees) {
  const double a = degrees * kDegToRad;
  l.dVX = -l.dSpeed * std::cos(a);
  l.dVY = -l.dSpeed * std::sin(a);
}

// The velocity straight along a direction; the diagonals share the speed
// between the axes.
void VelocityOfDirection(SHOTLAUNCH& l, int dir) {
  const double v = l.dSpeed, k = g_dHalfSqrt2;
  l.dVX = l.dVY = 0.0;
  switch (dir) {
    case kMoveDirLeft: l.dVX = -v; break;
    case kMoveDirRight: l.dVX = v; break;
    case kMoveDirUp: l.dVY = -v; break;
    case kMoveDirDown: l.dVY = v; break;
    default:
      if (IsDiagonal(dir)) {
        l.dVX = SignX(dir) * v * k;
        l.dVY = SignY(dir) * v * k;
      }
      break;
  }
}

// Each formation call lays out afresh: nothing of the previous clone's
// placement carries over.
void ClearPlacement(SHOTLAUNCH& l) {
  l.nX = l.nY = 0;
  l.nBaseX = l.nBaseY = 0;
  l.nStepX = l.nStepY = 0;
  l.nColStepX = l.nColStepY = 0;
  l.dVX = l.dVY = 0.0;
}

bool IsAngled(const cEdShot& s, const SHOTLAUNCH& l) { return l.nAngle != 0 || s.m_bAim; }

// The aim at the object about to sit at the base point (its centre, the
// launch offsets included: where it will actually start from).
int AimFromBase(cCharaBase* shooter, const cEdShot& s, SHOTLAUNCH& l, int withOffsets) {
  const int x = l.nBaseX + l.nW / 2 + (withOffsets ? l.nOffX : 0);
  const int y = l.nBaseY + l.nH / 2 + (withOffsets ? l.nOffY : 0);
  return GetAimAngle(x, y, shooter, s, l);
}

// The firing angle of a row or column: the direction's, or with aim the
// aim's, turned by the launch angle.
double FiringAngle(cCharaBase* shooter, const cEdShot& s, SHOTLAUNCH& l, int aimX, int aimY) {
  if (s.m_bAim) return GetAimAngle(aimX, aimY, shooter, s, l) + l.nAngle;
  return GetDirectionAngle(l.nDir) + static_cast<double>(l.nAngle);
}

// The point on the shooter's rim that faces `theta`: the object's top-left
// there.
void PlaceOnRim(const cCharaBase& shooter, double theta, SHOTLAUNCH& l) {
  const int W = shooter.m_nImgW, H = shooter.m_nImgH, w = l.nW, h = l.nH;
  const double k = g_dHalfSqrt2;
  const double r = k * (H - H / 2 + h / 2);
  const double t = k * (W - W / 2 + w / 2);
  const double phi = (theta + 225) * kDegToRad;
  const double vx = ViewLeft(), vy = ViewTop();
  l.nBaseX = TruncToInt(shooter.m_rcScreen.left + W / 2 + vx + r * std::sin(phi) + t * std::cos(phi) - w / 2);
  l.nBaseY = TruncToInt(shooter.m_rcScreen.top + H / 2 + vy + t * std::sin(phi) - r * std::cos(phi) - h / 2);
}

// Turns a row of n around the base point so that it lies across `theta`.
void TurnRow(double theta, int n, const cEdShot& s, SHOTLAUNCH& l) {
  const int S = s.m_anFormation[0] * 16, half = s.m_anFormation[0] * 8;
  const int w = l.nW, h = l.nH;
  const double a = theta * kDegToRad;
  const double sn = std::sin(a), cs = std::cos(a);
  if ((sn >= 0) == (cs >= 0)) {
    l.nBaseX = TruncToInt(l.nBaseX - sn * (half + w / 2) * (n - 1));
    l.nStepX = TruncToInt(sn * (S + w));
    l.nBaseY = TruncToInt(l.nBaseY + cs * (half + h / 2) * (n - 1));
    l.nStepY = TruncToInt(-cs * (S + h));
  } else {
    l.nBaseX = TruncToInt(l.nBaseX + sn * (half + w / 2) * (n - 1));
    l.nStepX = TruncToInt(-sn * (S + w));
    l.nBaseY = TruncToInt(l.nBaseY - cs * (half + h / 2) * (n - 1));
    l.nStepY = TruncToInt(cs * (S + h));
  }
}

// Formation 0's row beside the shooter for an angle of 0 without aim.
void PlaceRowBeside(const cCharaBase& shooter, const cEdShot& s, SHOTLAUNCH& l) {
  const WORLDBOX b = WorldBoxOf(shooter);
  const int n = s.m_byShots;
  const int S = s.m_anFormation[0] * 16, half = s.m_anFormation[0] * 8;
  const int w = l.nW, h = l.nH;
  const double v = l.dSpeed;
  const int cx = b.CentreX(), cy = b.CentreY();
  switch (l.nDir) {
    case kMoveDirLeft:
    case kMoveDirRight:
      l.nBaseX = l.nDir == kMoveDirLeft ? b.left - w + 1 : b.right + 1;
      l.nBaseY = cy - (n - 1) * half - n * (h / 2);
      l.nStepX = 0;
      l.nStepY = S + h;
      l.dVX = l.nDir == kMoveDirLeft ? -v : v;
      l.dVY = 0.0;
      return;
    case kMoveDirUp:
    case kMoveDirDown:
      l.nBaseX = cx - (n - 1) * half - n * (w / 2);
      l.nBaseY = l.nDir == kMoveDirUp ? b.top - h : b.bottom + 1;
      l.nStepX = S + w;
      l.nStepY = 0;
      l.dVX = 0.0;
      l.dVY = l.nDir == kMoveDirUp ? -v : v;
      return;
    default: break;
  }
  if (!IsDiagonal(l.nDir)) return;
  const double k = g_dHalfSqrt2;
  const int ux = SignX(l.nDir), uy = SignY(l.nDir), sign = ux * uy;
  const int W = b.w, H = b.h;
  const double ex = ux > 0 ? k * (W - W / 2 + w / 2) : -k * (W / 2 + w / 2 - 1);
  const double ey = uy > 0 ? k * (H - H / 2 + h / 2) : -k * (H / 2 + h / 2);
  l.nBaseX = TruncToInt(TruncToInt(cx - w / 2 + ex) - k * (n - 1) * (half + w / 2));
  l.nBaseY = TruncToInt(TruncToInt(cy - h / 2 + ey) + sign * k * (n - 1) * (half + h / 2));
  l.nStepX = TruncToInt(k * (S + w));
  l.nStepY = TruncToInt(-sign * k * (S + h));
  l.dVX = ux * v * k;
  l.dVY = uy * v * k;
}

// n objects from the base point, one step apart.
void SpawnLine(cGameScene* shots, cCharaBase* shooter, cCmdState* state, const cEdShot& s, SHOTLAUNCH& l, int n) {
  l.nX = l.nBaseX;
  l.nY = l.nBaseY;
  for (int i = 0; i < n; ++i) {
    SpawnPatternObject(shots, l, shooter, state, s);
    l.nX += l.nStepX;
    l.nY += l.nStepY;
  }
}

// Mirrored for a shooter facing right, then the random spread.
int LaunchAngle(const cEdShot& s, int angle, bool facingRight) {
  if (s.m_bMirrorAngle && facingRight) angle = 360 - angle;
  if (s.m_nSpread != 0) angle += GetRandom(-s.m_nSpread, s.m_nSpread);
  return angle;
}

// The screen rectangle the placement reads, refreshed as the object base
// does it (the hero's own rounding is not used here).
void RefreshScreenRect(cCharaBase& c) { static_cast<cGameObject&>(c).UpdateScreenRect(); }

// Formation 3 lays its columns this close when the project asks for it.
bool PackedLightning() { return g_SystemData.m_bCompat555 != 0; }

// A palette list by the settings' palette byte (0 common, else the stage's).
template <class T>
cCheckedVector<T>& PaletteList(cCheckedVector<T>& common, cCheckedVector<T>& stage, const cEdShot& s) {
  return s.m_byPalette == 0 ? common : stage;
}
cCheckedVector<cCharaData>& CharaList(const cEdShot& s) {
  return PaletteList(g_CommonPalette.m_vecChara, g_Stage.m_vecPaletteChara, s);
}
cCheckedVector<cItemData>& ItemList(const cEdShot& s) {
  return PaletteList(g_CommonPalette.m_vecItem, g_Stage.m_vecPaletteItem, s);
}
cCheckedVector<cBlockData>& BlockList(const cEdShot& s) {
  return PaletteList(g_CommonPalette.m_vecBlock, g_Stage.m_vecPaletteBlock, s);
}

// A template number outside its list (negative too) names nothing.
template <class T>
bool HasTemplate(const cCheckedVector<T>& list, int index) {
  return index >= 0 && index < list.Size();
}

int TemplateSize(int8_t scale) { return (scale > 0 ? scale : 1) * 32; }

// One formation of a summon: speed 1, no angle, the first clone's offsets.
void FireSummon(cCharaBase* caller, cCmdState* state, const cEdShot& s, int size) {
  SHOTLAUNCH l;
  l.nW = l.nH = size;
  l.nDir = GetPatternDirection(*caller, s);
  l.dSpeed = 1.0;
  const bool right = caller->m_bRight != 0;
  l.nOffX = s.GetOffsetX(0, right);
  l.nOffY = s.GetOffsetY(0, right);
  RefreshScreenRect(*caller);
  RunFormation(nullptr, caller, state, s, l);
}

const FORMATIONFN kFormations[kFormationCount] = {FireStraightA, FireStraightB, FireFan,
                                                  FireLightning, FireBurst,     FireSurround};

}  // namespace

int GetPatternDirection(const cCharaBase& shooter, const cEdShot& s) {
  const bool right = shooter.m_bRight != 0;
  switch (s.m_byDirection) {
    case kMoveDirFront: return right ? kMoveDirRight : kMoveDirLeft;
    case kMoveDirBack: return right ? kMoveDirLeft : kMoveDirRight;
    case kMoveDirFrontY: return right ? kMoveDirDown : kMoveDirUp;
    case kMoveDirBackY: return right ? kMoveDirUp : kMoveDirDown;
    case kMoveDirInput: {
      const int input = g_pGameScene && g_pGameScene->m_pCurFlow ? g_pGameScene->m_pCurFlow->m_nInputDir : 0;
      return InputDirToMoveDir(input, right);
    }
    default: return s.m_byDirection;
  }
}

int GetDirectionAngle(int dir) {
  static constexpr int kAngles[12] = {0, 0, 0, 180, 0, 0, 90, 270, 45, 315, 135, 225};
  return dir >= 0 && dir < 12 ? kAngles[dir] : 0;
}

int GetAimAngle(int x, int y, cCharaBase* shooter, const cEdShot& s, SHOTLAUNCH& launch) {
  const cCharaBase* aimed = LinkedChara(*shooter, s.m_byAimSlot);
  if (!aimed) return shooter->m_bRight ? 180 : 0;
  const cScrollAxis& ax = g_pGameScene->m_ScrollX;
  const cScrollAxis& ay = g_pGameScene->m_ScrollY;
  const int vx = ViewLeft(), vy = ViewTop();
  const bool scrolling = ax.ScrollsByItself() || ay.ScrollsByItself();
  if (!scrolling || s.m_bRideScroll || !aimed->m_bScrollLock) {
    const double cx = AimX(*aimed) + vx, cy = AimY(*aimed) + vy;
    return TruncToInt(std::atan2(cy - y, cx - x) * kRadToDeg + 180 + 0.5);
  }
  // The course a shot that does not ride the scroll must take to meet a
  // chara that does. The shot itself would be the mover, but one that does
  // not ride the scroll changes nothing in the course, so none is passed.
  const int n = StageSubSteps();
  const double speed = (s.m_nSpeed + s.m_nSpeedPerClone * launch.nClone) * 0.1 / n;
  double vX = 0, vY = 0;
  int dir = 0;
  ComputeMoveVelocity(vX, vY, dir, nullptr, x - vx, y - vy, AimX(*aimed), AimY(*aimed), speed, 0, 1, 0);
  launch.dSpeed = std::sqrt(vX * vX + vY * vY) * n;
  return TruncToInt(std::atan2(vY, vX) * kRadToDeg + 180);
}

void FireStraightA(cGameScene* shots, cCharaBase* shooter, cCmdState* state, const cEdShot& s, SHOTLAUNCH& l) {
  ClearPlacement(l);
  const int n = s.m_byShots;
  if (!IsAngled(s, l) || !s.m_bTurnLine) {
    PlaceRowBeside(*shooter, s, l);
    l.nBaseX += l.nOffX;
    l.nBaseY += l.nOffY;
    if (IsAngled(s, l)) VelocityOfAngle(l, FiringAngle(shooter, s, l, l.nBaseX + l.nW / 2, l.nBaseY + l.nH / 2));
  } else {
    const WORLDBOX b = WorldBoxOf(*shooter);
    double theta = FiringAngle(shooter, s, l, b.CentreX() + l.nOffX, b.CentreY() + l.nOffY);
    PlaceOnRim(*shooter, theta, l);
    if (s.m_bAim) theta = AimFromBase(shooter, s, l, 1) + l.nAngle;
    TurnRow(theta, n, s, l);
    l.nBaseX += l.nOffX;
    l.nBaseY += l.nOffY;
    VelocityOfAngle(l, theta);
  }
  SpawnLine(shots, shooter, state, s, l, n);
}

void FireStraightB(cGameScene* shots, cCharaBase* shooter, cCmdState* state, const cEdShot& s, SHOTLAUNCH& l) {
  ClearPlacement(l);
  const WORLDBOX b = WorldBoxOf(*shooter);
  const int S = s.m_anFormation[0] * 16;
  bool leftSide = false;
  switch (l.nDir) {
    case kMoveDirLeft:
    case kMoveDirUpLeft:
    case kMoveDirDownLeft: leftSide = true; break;
    case kMoveDirRight:
    case kMoveDirUpRight:
    case kMoveDirDownRight: leftSide = false; break;
    default: leftSide = shooter->m_bRight == 0; break;
  }
  l.nBaseX = leftSide ? b.left - l.nW + 1 : b.right + 1;
  l.nBaseY = b.bottom - l.nH + 1;
  l.nStepX = 0;
  l.nStepY = -(S + l.nH);
  VelocityOfDirection(l, l.nDir);
  l.nBaseX += l.nOffX;
  l.nBaseY += l.nOffY;
  if (IsAngled(s, l)) VelocityOfAngle(l, FiringAngle(shooter, s, l, l.nBaseX + l.nW / 2, l.nBaseY + l.nH / 2));
  SpawnLine(shots, shooter, state, s, l, s.m_byShots);
}

void FireFan(cGameScene* shots, cCharaBase* shooter, cCmdState* state, const cEdShot& s, SHOTLAUNCH& l) {
  ClearPlacement(l);
  const WORLDBOX b = WorldBoxOf(*shooter);
  const int n = s.m_byShots;
  const int w = l.nW, h = l.nH;
  if (s.m_bTurnLine && IsAngled(s, l)) {
    PlaceOnRim(*shooter, FiringAngle(shooter, s, l, b.CentreX() + l.nOffX, b.CentreY() + l.nOffY), l);
  } else {
    switch (l.nDir) {
      case kMoveDirLeft:
        l.nBaseX = b.left - w + 1;
        l.nBaseY = b.CentreY() - h / 2;
        break;
      case kMoveDirRight:
        l.nBaseX = b.right + 1;
        l.nBaseY = b.CentreY() - h / 2;
        break;
      case kMoveDirUp:
        l.nBaseX = b.CentreX() - w / 2;
        l.nBaseY = b.top - h;
        break;
      case kMoveDirDown:
        l.nBaseX = b.CentreX() - w / 2;
        l.nBaseY = b.bottom + 1;
        break;
      default:
        // The diagonals start where their direction leaves the rim.
        PlaceOnRim(*shooter, GetDirectionAngle(l.nDir), l);
        break;
    }
  }
  l.nBaseX += l.nOffX;
  l.nBaseY += l.nOffY;
  const double base = s.m_bAim ? AimFromBase(shooter, s, l, 0) : GetDirectionAngle(l.nDir);
  const int step = s.m_anFormation[0];
  const double lead = n % 2 != 0 ? n / 2 : n / 2 - 0.5;
  double angle = base + l.nAngle - step * lead;
  l.nX = l.nBaseX;
  l.nY = l.nBaseY;
  for (int i = 0; i < n; ++i) {
    VelocityOfAngle(l, angle);
    SpawnPatternObject(shots, l, shooter, state, s);
    angle += step;
  }
}

void FireLightning(cGameScene* shots, cCharaBase* shooter, cCmdState* state, const cEdShot& s, SHOTLAUNCH& l) {
  ClearPlacement(l);
  cCharaBase* centre = CentreChara(shooter, s);
  if (!centre) return;
  const int n = s.m_byShots;
  // The editor allows 50 columns; a damaged record must not make millions
  // of objects in one frame.
  const int columns = s.m_anFormation[1] < 50 ? s.m_anFormation[1] : 50;
  const int S = s.m_anFormation[0] * 16, c = s.m_anFormation[2] * 16;
  const int w = l.nW, h = l.nH;
  const double v = l.dSpeed, k = g_dHalfSqrt2;
  const bool packed = PackedLightning();
  const bool several = columns >= 2;
  const int f = several ? (columns - 1) / 2 * c + (columns % 2 == 0 ? c / 2 : 0) : 0;
  const double vx = ViewX(), vy = ViewY();
  const WORLDBOX cb = WorldBoxOf(*centre);

  switch (l.nDir) {
    case kMoveDirLeft:
    case kMoveDirRight: {
      const bool left = l.nDir == kMoveDirLeft;
      l.nBaseX = TruncToInt(left ? vx + kScreenW - w : vx);
      l.nBaseY = cb.CentreY() - h / 2 - f;
      const int step = packed ? w : w + S;
      l.nStepX = left ? -step : step;
      l.nColStepY = several ? c : 0;
      l.dVX = left ? -v : v;
      break;
    }
    case kMoveDirUp:
    case kMoveDirDown: {
      const bool up = l.nDir == kMoveDirUp;
      l.nBaseX = cb.CentreX() - w / 2 - f;
      l.nBaseY = TruncToInt(up ? vy + kScreenH - h : vy);
      const int step = packed ? h : h + S;
      l.nStepY = up ? -step : step;
      l.nColStepX = several ? c : 0;
      l.dVY = up ? -v : v;
      break;
    }
    default: {
      if (!IsDiagonal(l.nDir)) break;
      // The row enters where the diagonal through the centre chara meets
      // the screen edge behind the flight, the nearer of the two edges.
      const int X = centre->m_rcScreen.left + centre->m_nImgW / 2;
      const int Y = centre->m_rcScreen.top + centre->m_nImgH / 2;
      const int dL = X, dR = kScreenW - X, dT = Y, dB = kScreenH - Y;
      const int ux = SignX(l.nDir), uy = SignY(l.nDir);
      double bx = 0, by = 0;
      switch (l.nDir) {
        case kMoveDirUpLeft:
          if (dR < dB) bx = vx + kScreenW - w, by = vy + Y + dR - h;
          else bx = vx + X + dB - w, by = vy + kScreenH - h;
          break;
        case kMoveDirDownLeft:
          if (dR < dT) bx = vx + kScreenW - w, by = vy + Y - dR;
          else bx = vx + X + dT - w, by = vy;
          break;
        case kMoveDirUpRight:
          if (dL < dB) bx = vx, by = vy + Y + dL - h;
          else bx = vx + X - dB, by = vy + kScreenH - h;
          break;
        default:
          if (dL < dT) bx = vx, by = vy + Y - dL;
          else bx = vx + X - dT, by = vy;
          break;
      }
      l.nBaseX = TruncToInt(bx);
      l.nBaseY = TruncToInt(by);
      l.nStepX = TruncToInt(ux * (packed ? w : S + w) * k);
      l.nStepY = TruncToInt(uy * (packed ? h : S + h) * k);
      l.dVX = ux * v * k;
      l.dVY = uy * v * k;
      if (several) {
        // Columns run across the flight: (c, -c) when both signs agree.
        const int across = ux * uy > 0 ? -1 : 1;
        l.nColStepX = TruncToInt(c * k);
        l.nColStepY = TruncToInt(across * c * k);
        const int shift = TruncToInt(f * k);
        l.nBaseX -= shift;
        l.nBaseY += across < 0 ? shift : -shift;
      }
      break;
    }
  }
  if (l.nAngle != 0) VelocityOfAngle(l, GetDirectionAngle(l.nDir) + static_cast<double>(l.nAngle));
  l.nBaseX += l.nOffX;
  l.nBaseY += l.nOffY;

  int rowX = l.nBaseX, rowY = l.nBaseY;
  for (int i = 0; i < n; ++i) {
    l.nX = rowX;
    l.nY = rowY;
    for (int j = 0; j < columns; ++j) {
      SpawnPatternObject(shots, l, shooter, state, s);
      l.nX += l.nColStepX;
      l.nY += l.nColStepY;
    }
    rowX += l.nStepX;
    rowY += l.nStepY;
  }
}

void FireBurst(cGameScene* shots, cCharaBase* shooter, cCmdState* state, const cEdShot& s, SHOTLAUNCH& l) {
  ClearPlacement(l);
  const WORLDBOX b = WorldBoxOf(*shooter);
  const int n = s.m_byShots;
  l.nBaseX = b.CentreX() - l.nW / 2 + l.nOffX;
  l.nBaseY = b.CentreY() - l.nH / 2 + l.nOffY;
  const double first = GetDirectionAngle(l.nDir) + static_cast<double>(l.nAngle);
  for (int k = 0; k < n; ++k) {
    l.nX = l.nBaseX;
    l.nY = l.nBaseY;
    VelocityOfAngle(l, first + k * 360.0 / n);
    SpawnPatternObject(shots, l, shooter, state, s);
  }
}

void FireSurround(cGameScene* shots, cCharaBase* shooter, cCmdState* state, const cEdShot& s, SHOTLAUNCH& l) {
  ClearPlacement(l);
  cCharaBase* centre = CentreChara(shooter, s);
  if (!centre) return;
  const WORLDBOX cb = WorldBoxOf(*centre);
  const int n = s.m_byShots;
  const int r = s.m_anFormation[0] * 16;
  l.nBaseX = cb.CentreX() - l.nW / 2 + l.nOffX;
  l.nBaseY = cb.CentreY() - l.nH / 2 + l.nOffY;
  const double first = GetDirectionAngle(l.nDir) + static_cast<double>(l.nAngle);
  for (int k = 0; k < n; ++k) {
    const double theta = first + k * 360.0 / n;
    const double a = theta * kDegToRad;
    l.nX = l.nBaseX + TruncToInt(r * std::cos(a) + 0.5);
    l.nY = l.nBaseY + TruncToInt(r * std::sin(a) + 0.5);
    VelocityOfAngle(l, theta);
    SpawnPatternObject(shots, l, shooter, state, s);
  }
}

void RunFormation(cGameScene* shots, cCharaBase* shooter, cCmdState* state, const cEdShot& s, SHOTLAUNCH& l) {
  if (s.m_byFormation >= kFormationCount) return;
  kFormations[s.m_byFormation](shots, shooter, state, s, l);
}

void SpawnPatternObject(cGameScene* shots, const SHOTLAUNCH& l, cCharaBase* shooter, cCmdState* state,
                        const cEdShot& s) {
  if (!state || !state->m_pCmd || !g_pGameScene) return;
  cGameScene& scene = *g_pGameScene;
  const bool right = shooter->m_bRight != 0;
  switch (state->m_pCmd->m_byKind) {
    case kShotKindShot: {
      if (!shots) return;
      cShot fired;
      fired.Setup(shots->m_nShotId, shooter, kShotKindShot, s, l);
      // The links name the stored shot, never the copy made here.
      cShot* shot = AddShotToScene(*shots, fired);
      ++shots->m_nShotId;
      const int trajectory = s.m_byTrajectory;
      if ((trajectory == 3 || trajectory == 6) && shot->m_pTarget) {
        const SHOTLINK pair{shot, kLinkTarget};
        if (!HasShotLink(shot->m_pTarget->m_vecShotLink, pair)) shot->m_pTarget->m_vecShotLink.push_back(pair);
      } else {
        shot->m_pTarget = nullptr;
      }
      if (shot->m_pShooter) {
        const SHOTLINK pair{shot, kLinkShooter};
        if (!HasShotLink(shot->m_pShooter->m_vecShotLink, pair)) shot->m_pShooter->m_vecShotLink.push_back(pair);
      }
      return;
    }
    case kKindSummonBlock: {
      const cBlockData& block = BlockList(s).At(s.m_nTemplate);
      scene.SummonBlock(l.nX, l.nY, right ? 1 : 0, s, block);
      return;
    }
    case kKindSummonChara: {
      const cCharaData& templ = CharaList(s).At(s.m_nTemplate);
      BYTE facing = right ? 1 : 0;
      if (s.m_bFaceOpposite) facing = facing ? 0 : 1;
      BYTE faction = templ.m_byFaction;
      if (s.m_byFactionSource == kFactionOfCaller) faction = shooter->m_Data.m_byFaction;
      else if (s.m_byFactionSource == kFactionOfSettings) faction = s.m_byFaction;
      scene.SpawnChara(g_lstChara, l.nX, l.nY, faction, facing, right ? 1 : 0, s, templ, scene.m_nCharaId, shooter);
      return;
    }
    case kKindSummonItem: {
      cItemData& templ = ItemList(s).At(s.m_nTemplate);
      scene.SpawnItem(g_lstItem, l.nX, l.nY, right ? 1 : 0, s, templ, scene.m_nItemId);
      return;
    }
    default: return;  // the sword makes its one object itself
  }
}

void FireShotPattern(cGameScene& scene, cCharaBase* shooter, cCmdState* state, const cEdShot& s) {
  if (!shooter || !g_pGameScene) return;
  SHOTLAUNCH l;
  const int scale = s.m_byScale != 0 ? s.m_byScale : 1;
  l.nW = l.nH = 16 * scale;
  l.nDir = GetPatternDirection(*shooter, s);
  RefreshScreenRect(*shooter);
  for (int slot : {static_cast<int>(s.m_byAimSlot), static_cast<int>(s.m_byTargetSlot)}) {
    cCharaBase* linked = LinkedChara(*shooter, slot);
    if (linked && linked->m_nTeam == 1) RefreshScreenRect(*linked);
  }
  const bool right = shooter->m_bRight != 0;
  l.nAngle = LaunchAngle(s, s.m_nAngle, right);
  l.dSpeed = s.m_nSpeed * 0.1;
  l.nDistance = s.m_nRange;
  l.nLife = s.m_nExistTime;
  for (int c = 0; c <= s.m_byClones; ++c) {
    l.nClone = c;
    l.nOffX = s.GetOffsetX(c, right);
    l.nOffY = s.GetOffsetY(c, right);
    RunFormation(&scene, shooter, state, s, l);
    // The next clone's values; the spread is drawn again for each.
    l.dSpeed += s.m_nSpeedPerClone * 0.1;
    l.nAngle = LaunchAngle(s, s.m_nAngle + s.m_nAnglePerClone * (c + 1), right);
    l.nDistance += s.m_nRangePerClone;
    l.nLife += s.m_nExistTimePerClone;
  }
}

void FireCharaPattern(cCharaBase* caller, cCmdState* state, const cEdShot& s) {
  if (!caller || !g_pGameScene) return;
  const cCheckedVector<cCharaData>& list = CharaList(s);
  if (!HasTemplate(list, s.m_nTemplate)) return;
  const cCharaData& templ = list[static_cast<size_t>(s.m_nTemplate)];
  if (templ.m_byControl != kCharaControlComputer) return;
  FireSummon(caller, state, s, TemplateSize(templ.m_cSize));
}

void FireItemPattern(cCharaBase* caller, cCmdState* state, const cEdShot& s) {
  if (!caller || !g_pGameScene) return;
  const cCheckedVector<cItemData>& list = ItemList(s);
  if (!HasTemplate(list, s.m_nTemplate)) return;
  FireSummon(caller, state, s, TemplateSize(list[static_cast<size_t>(s.m_nTemplate)].m_cSize));
}

void FireBlockPattern(cCharaBase* caller, cCmdState* state, const cEdShot& s) {
  if (!caller || !g_pGameScene) return;
  if (!HasTemplate(BlockList(s), s.m_nTemplate)) return;
  // The scene's toggle list lasts one attempt (stage set-up empties it): a
  // cell toggles once in it, so nothing is renewed before a toggle summon.
  FireSummon(caller, state, s, 32);
}
