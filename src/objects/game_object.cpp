#include "objects/game_object.h"

#include <climits>

#include "platform/numeric.h"
#include "records/stage_data.h"
#include "records/system_data.h"
#include "stage/block_cell.h"
#include "stage/game_scene.h"

using plat::TruncToInt;

namespace {

const cScrollAxis& AxisX() { return g_pGameScene->m_ScrollX; }
const cScrollAxis& AxisY() { return g_pGameScene->m_ScrollY; }

}  // namespace

cGameObject::cGameObject(const cGameObject& other) {
  m_Anime.Clear();
  CopyFields(other);
}

cGameObject::~cGameObject() = default;

void cGameObject::Copy(const cGameObject& source) { CopyFields(source); }

void cGameObject::CopyFields(const cGameObject& s) {
  m_nId = s.m_nId;
  m_nLifeTime = s.m_nLifeTime;
  m_bRight = s.m_bRight;
  m_nCloneValue = s.m_nCloneValue;
  m_nGraphic = s.m_nGraphic;
  m_nGraphic2 = s.m_nGraphic2;
  m_Anime = s.m_Anime;
  m_rcScreen = s.m_rcScreen;
  m_nImgOffX = s.m_nImgOffX;
  m_nImgOffY = s.m_nImgOffY;
  m_nImgW = s.m_nImgW;
  m_nImgH = s.m_nImgH;
  m_nBaseImgOffX = s.m_nBaseImgOffX;
  m_nBaseImgOffY = s.m_nBaseImgOffY;
  m_nBaseImgW = s.m_nBaseImgW;
  m_nBaseImgH = s.m_nBaseImgH;
  m_nParam1 = s.m_nParam1;
  m_nTeam = s.m_nTeam;
  m_nPlayer = s.m_nPlayer;
  m_nBlockSide = s.m_nBlockSide;
  m_dX = s.m_dX;
  m_dY = s.m_dY;
  m_dRight = s.m_dRight;
  m_dBottom = s.m_dBottom;
  m_nCellL = s.m_nCellL;
  m_nCellT = s.m_nCellT;
  m_nCellR = s.m_nCellR;
  m_nCellB = s.m_nCellB;
  m_dVX = s.m_dVX;
  m_dVY = s.m_dVY;
  m_dAX = s.m_dAX;
  m_dAY = s.m_dAY;
  m_dDecel = s.m_dDecel;
  m_nReserved1 = s.m_nReserved1;
  m_nReserved2 = s.m_nReserved2;
  m_bDecelX = s.m_bDecelX;
  m_bDecelY = s.m_bDecelY;
  m_bScrollLock = s.m_bScrollLock;
  m_nW = s.m_nW;
  m_nH = s.m_nH;
  m_nBaseW = s.m_nBaseW;
  m_nBaseH = s.m_nBaseH;
  m_bNoGravity = s.m_bNoGravity;
  m_byBlockMode = s.m_byBlockMode;
  m_bAppeared = s.m_bAppeared;
  m_bActive = s.m_bActive;
  m_bOnScreen = s.m_bOnScreen;
  m_byCondLatch = s.m_byCondLatch;
}

void cGameObject::SetParams(int id, int team, int player, int blockSide, int graphic, const int* const* patterns,
                            int startPattern, int imgOffX, int imgOffY, int w, int h, int imgW, int imgH, int facing,
                            int placementMode, int cloneValue) {
  m_nId = id;
  m_nTeam = team;
  m_nPlayer = player;
  m_nBlockSide = blockSide;
  m_nGraphic = graphic;
  m_nLifeTime = INT_MAX;
  if (patterns) {
    m_Anime.Create(patterns);
    m_Anime.SetPattern(startPattern, 1);
  }
  m_nBaseImgOffX = m_nImgOffX = imgOffX;
  m_nBaseImgOffY = m_nImgOffY = imgOffY;
  m_nBaseW = m_nW = w;
  m_nBaseH = m_nH = h;
  m_nBaseImgW = m_nImgW = imgW;
  m_nBaseImgH = m_nImgH = imgH;
  m_dVX = m_dVY = m_dAX = m_dAY = 0.0;
  m_bAppeared = 0;
  m_bActive = 0;
  m_bOnScreen = 0;
  m_byCondLatch = 0;
  m_bRight = facing;
  m_nCloneValue = static_cast<int16_t>(cloneValue);
  SetPlacementMode(placementMode);
}

void cGameObject::SetPlacementMode(int mode) {
  switch (mode) {
    case kPlaceWalk: m_bNoGravity = 0; m_byBlockMode = 1; break;
    case kPlaceFree: m_bNoGravity = 1; m_byBlockMode = 0; break;
    case kPlaceFly: m_bNoGravity = 1; m_byBlockMode = 1; break;
    case kPlaceFlyThrough: m_bNoGravity = 1; m_byBlockMode = 2; break;
    default: break;
  }
}

void cGameObject::SetScale(int newFactor, int oldFactor) {
  if (newFactor == oldFactor) return;
  m_nW = newFactor * m_nBaseW;
  m_nH = newFactor * m_nBaseH;
  m_nImgOffX = newFactor * m_nBaseImgOffX;
  m_nImgOffY = newFactor * m_nBaseImgOffY;
  m_nImgW = newFactor * m_nBaseImgW;
  m_nImgH = newFactor * m_nBaseImgH;
  ShiftXForScale(newFactor, oldFactor);
  OnScaleChanged(newFactor);
}

void cGameObject::ShiftXForScale(int newFactor, int oldFactor) {
  if (newFactor == oldFactor) return;
  ShiftXToCentre(newFactor, oldFactor);
  AdjustYForScale(newFactor, oldFactor);
}

void cGameObject::ShiftXToCentre(int newFactor, int oldFactor) {
  if (newFactor == oldFactor) return;
  m_dX -= static_cast<double>((newFactor - oldFactor) * (m_nBaseW >> 1));
  ClampX(2);
}

int cGameObject::ClampX(int mode) {
  const cScrollAxis& a = AxisX();
  const double e = m_dX + (m_nW - 1);
  const int stageLeft = a.StageStart(), stageRight = a.StageEnd();
  int code = 0;
  switch (mode) {
    case 0:
      if (a.m_nMin > m_dX) m_dX = a.m_nMin;
      else if (e >= a.m_nMax) m_dX = a.m_nMax - m_nW;
      break;
    case 1:
      if (stageLeft > m_dX) m_dX = stageLeft;
      else if (e >= stageRight) m_dX = stageRight - m_nW;
      else if (a.m_nMin > m_dX || e >= a.m_nMax) code = 1;
      break;
    case 2:
      if (m_dX < 0) {
        m_dX = 0;
        code = 3;
      } else if (e >= a.m_nOuter) {
        m_dX = a.m_nOuter - m_nW;
        code = 3;
      } else if (m_dX < stageLeft || e >= stageRight) {
        code = 2;
      } else if (m_dX < a.m_nMin || e >= a.m_nMax) {
        code = 1;
      }
      break;
    default:
      break;
  }
  m_dRight = m_dX + m_nW - 1;
  UpdateHitRectX();
  m_nCellL = TruncToInt(m_dX) >> 5;
  m_nCellR = TruncToInt(m_dRight) >> 5;
  return code;
}

int cGameObject::ClampY(int mode) {
  const cScrollAxis& a = AxisY();
  const double e = m_dY + (m_nH - 1);
  const int stageTop = a.StageStart(), stageBottom = a.StageEnd();
  int code = 0;
  switch (mode) {
    case 0:
      if (a.m_nMin > m_dY) m_dY = a.m_nMin;
      else if (e >= a.m_nMax) m_dY = a.m_nMax - m_nH;
      break;
    case 1:
      if (stageTop > m_dY) m_dY = stageTop;
      else if (e >= stageBottom) m_dY = stageBottom - m_nH;
      else if (m_dY < a.m_nMin) code = 1;
      else if (e >= a.m_nMax) code = 4;
      break;
    case 2:
      if (m_dY < 0) {
        m_dY = 0;
        code = 3;
      } else if (e >= a.m_nOuter) {
        m_dY = a.m_nOuter - m_nH;
        code = 6;
      } else if (m_dY < stageTop) {
        code = 2;
      } else if (e >= stageBottom) {
        code = 5;
      } else if (m_dY < a.m_nMin) {
        code = 1;
      } else if (e >= a.m_nMax) {
        code = 4;
      }
      break;
    default:
      break;
  }
  m_dBottom = m_dY + m_nH - 1;
  UpdateHitRectY();
  m_nCellT = TruncToInt(m_dY) >> 5;
  m_nCellB = TruncToInt(m_dBottom) >> 5;
  return code;
}

namespace {
void ClampSpeed(double& v) {
  const double max = StageStepSpeedLimit();
  if (v > max) v = max;
  else if (v < -max) v = -max;
}
}  // namespace

int cGameObject::MoveXClamped(int mode) {
  ClampSpeed(m_dVX);
  m_dX += m_dVX;
  return ClampX(mode);
}

int cGameObject::MoveYClamped(int mode) {
  ClampSpeed(m_dVY);
  m_dY += m_dVY;
  return ClampY(mode);
}

void cGameObject::UpdateScreenRect() {
  const cScrollAxis& ax = AxisX();
  const cScrollAxis& ay = AxisY();
  const double sx = ax.m_dPos, sy = ay.m_dPos;
  int left, top;
  if (!m_bNoGravity) {
    left = TruncToInt((m_dX - m_nImgOffX) - TruncToInt(sx));
    top = TruncToInt((m_dY - m_nImgOffY) - TruncToInt(sy));
  } else {
    if (ax.ScrollsByItself())
      left = m_bScrollLock ? TruncToInt(m_dX - sx) - m_nImgOffX : TruncToInt((m_dX - m_nImgOffX) - TruncToInt(sx));
    else
      left = TruncToInt(m_dX) - TruncToInt(sx) - m_nImgOffX;
    if (ay.ScrollsByItself())
      top = TruncToInt(m_dY - sy) - m_nImgOffY + 1;
    else
      top = TruncToInt(m_dY) - TruncToInt(sy) - m_nImgOffY;
  }
  m_rcScreen.left = left;
  m_rcScreen.top = top;
  m_rcScreen.right = left + m_nImgW - 1;
  m_rcScreen.bottom = top + m_nImgH - 1;
}

int cGameObject::IsOnScreenAxes(int ignoreX, int ignoreY) const {
  const double sx = AxisX().m_dPos, sy = AxisY().m_dPos;
  if (!ignoreX && !(m_dRight >= sx && sx + 640 > m_dX)) return 0;
  if (!ignoreY && !(m_dBottom >= sy && sy + 480 > m_dY)) return 0;
  return 1;
}

int cGameObject::IsOnScreen() const { return IsOnScreenAxes(0, 0); }

int cGameObject::IsInsideBounds(int world) const {
  const cScrollAxis& ax = AxisX();
  const cScrollAxis& ay = AxisY();
  if (world == 1)
    return m_dX >= 0 && m_dRight < ax.m_nOuter && m_dY >= 0 && m_dBottom < ay.m_nOuter;
  return m_dX >= ax.StageStart() && m_dRight < ax.StageEnd() && m_dY >= ay.StageStart() && m_dBottom < ay.StageEnd();
}

int cGameObject::OverlapsRect(double left, double top, double right, double bottom) const {
  return m_dX <= right && m_dRight >= left && m_dY <= bottom && m_dBottom >= top;
}

void cGameObject::ApplyGravity() {
  if (!m_bNoGravity) m_dVY += StageStepGravity();
}

void cGameObject::ApplyDeceleration(double& component, int enable) const {
  if (!enable || component == 0.0) return;
  if (component > 0.0) {
    component -= m_dDecel;
    if (component < 0.0) component = 0.0;
  } else {
    component += m_dDecel;
    if (component > 0.0) component = 0.0;
  }
}

int cGameObject::HitsBlockAtCorners() const {
  const int shift = AxisX().m_nRowShift;
  const int cells[4][2] = {{m_nCellL, m_nCellT}, {m_nCellL, m_nCellB}, {m_nCellR, m_nCellT}, {m_nCellR, m_nCellB}};
  for (const auto& c : cells) {
    const int index = c[0] + (c[1] << shift);
    if (g_vecBlockMap.At(index).GetHitKind(m_nBlockSide) != 0) return 1;
  }
  return 0;
}

int cGameObject::IsInActiveRange(const cStageQuad& r) const {
  if (m_bOnScreen) return 0;
  const double sx = AxisX().m_dPos, sy = AxisY().m_dPos;
  if (r.m_bLeft && TruncToInt(sx - r.m_nLeftMargin * 32.0) >= m_dRight) return 1;
  if (r.m_bRight && TruncToInt(sx + r.m_nRightMargin * 32.0 + 640) <= m_dX) return 1;
  if (r.m_bBottom && TruncToInt(r.m_nBottomMargin * 32.0 + sy + 480) <= m_dY) return 1;
  if (r.m_bTop && TruncToInt(sy - r.m_nTopMargin * 32.0) >= m_dBottom) return 1;
  if (m_dX <= 0) return 1;
  if (m_dRight >= AxisX().m_nOuter - 1) return 1;
  if (m_dY <= 0) return 1;
  if (m_dBottom >= AxisY().m_nOuter - 1) return 1;
  return 0;
}

void SenseInterval(int& lo, int& hi, int start, int size, int back, int front, int whole) {
  const int half = size / 2;
  const int centre = start + half;
  if (whole && back == 0 && front == 0) {
    lo = start;
    hi = start + 2 * half;
    return;
  }
  lo = (back != 0 ? start : centre) - back;
  hi = (front != 0 ? centre + half : centre) + front;
}

int cGameObject::TestAreaOverlap(int start, int size, int targetStart, int targetEnd, int targetOffset, int back,
                                 int front, int whole, int vertical, const cGameObject& target) const {
  int lo = 0, hi = 0;
  SenseInterval(lo, hi, start, size, back, front, whole);
  int lowEnd = targetEnd - targetOffset;
  // The older rule (kept by a project switch) tests the box on both axes.
  if (vertical && !g_SystemData.m_bCompat733 && target.m_nH + target.m_nImgOffY + 1 >= target.m_nImgH)
    lowEnd = targetEnd;
  return lo <= lowEnd && targetStart + targetOffset <= hi;
}
