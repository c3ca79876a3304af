// The chara-side condition kinds: flags compared with a constant, the state
// of a linked chara, and whether a chara stands within an area around this
// one.
#include <cmath>

#include "flow/cond_list.h"
#include "flow/status_values.h"
#include "objects/chara_base.h"
#include "objects/hero.h"
#include "graphics/blit.h"
#include "graphics/fill.h"
#include "graphics/prim.h"
#include "graphics/surface.h"
#include "records/stage_data.h"
#include "records/system_data.h"
#include "services/game_threads.h"

namespace {

enum : int { kAreaSides = 0, kAreaFront, kAreaBack, kAreaVertical, kAreaFrontY, kAreaBackY, kAreaCircle };

// Target 0 is the chara itself (kind 7: the hero); 1..4 its link slots.
cCharaBase* LinkSlot(const cCharaBase& self, int slot) {
  if (slot < 1 || static_cast<size_t>(slot) > self.m_vecLink.size()) return nullptr;
  return self.m_vecLink[static_cast<size_t>(slot - 1)];
}

// The sense area of a distance condition kinds 0..5: the reaches toward
// lower and higher coordinates, whether it spans the whole extent, and the
// axis.
struct SENSEAREA {
  int back = 0;
  int front = 0;
  int whole = 0;
  int vertical = 0;
};

SENSEAREA AreaOf(int area, int r, bool facingRight) {
  SENSEAREA a;
  switch (area) {
    case kAreaSides:
    case kAreaVertical:
      a.back = a.front = r;
      a.whole = 1;
      break;
    case kAreaFront: (facingRight ? a.front : a.back) = r; break;
    case kAreaBack: (facingRight ? a.back : a.front) = r; break;
    case kAreaFrontY: (facingRight ? a.front : a.back) = r; break;  // facing right: below
    case kAreaBackY: (facingRight ? a.back : a.front) = r; break;   // facing right: above
    default: break;
  }
  a.vertical = area >= kAreaVertical;
  return a;
}

int ReachOf(const cCond& c) { return c.m_nConst * 16 + c.m_sRightVarIndex; }

// DirectDraw draws a large circle at radius 64 into a 129 x 129 scratch
// square of the key colour and stretches that to 2r x 2r.
void DrawStretchedCircle(DDSURFACEDATA* t, int cx, int cy, int r, DWORD colour) {
  constexpr int kSide = 129;
  DDSURFACEDATA scratch{};
  if (!DDCreateSurface(&scratch, kSide, kSide, 1, 1, 0, nullptr, 0)) return;
  DDFillRect(&scratch, 0, 0, kSide, kSide, 0);
  DDCircle(&scratch, kSide / 2, kSide / 2, kSide / 2, colour);
  DDStretchBlt(t, cx - r, cy - r, 2 * r, 2 * r, &scratch, 0, 0, kSide, kSide, 1);
  DDReleaseSurface(&scratch);
}

}  // namespace

int cCharaBase::TestVariableCondition(const cCond& c) {
  const int b = c.m_sVarIndex;
  int value = 0;
  if (c.m_byTarget == 5) {
    if (c.m_byStatus == 0) value = g_Stage.m_nScrollModeX;
    else if (c.m_byStatus == 1) value = g_Stage.m_nScrollModeY;
    else return 0;
    return CompareValue(value, b, c.m_byRelation);
  }
  const cCharaBase* who = c.m_byTarget == 0 ? this : LinkSlot(*this, c.m_byTarget);
  if (!who) return 0;
  const cCharaData& d = who->m_Data;
  switch (c.m_byStatus) {
    case 1: value = d.m_bTransparent; break;
    case 2: value = d.m_bFixedDirection; break;
    case 3: value = d.m_byFlight; break;
    case 4: value = d.m_byInvincible; break;
    case 5: value = d.m_cSize; break;
    case 6: value = d.m_bScrollSync; break;
    default: return 0;
  }
  return CompareValue(value, b, c.m_byRelation);
}

int cCharaBase::TestLinkCondition(const cCond& c) {
  const bool slot = c.m_byTarget >= 1 && c.m_byTarget <= 4;
  const cCharaBase* who = slot ? LinkSlot(*this, c.m_byTarget) : this;
  bool holds = false;
  if (c.m_byStatus == 4) {
    holds = !slot || (who && !who->m_bDead && who->m_nLife > 0);
  } else {
    if (!who) return 0;
    switch (c.m_byStatus) {
      case 0: holds = !who->m_bRight; break;
      case 1: holds = who->m_bRight != 0; break;
      case 2: holds = who->m_Data.m_byFlight == 0 && (who->m_bOnChara || (!who->m_bJumping && !who->m_bFalling)); break;
      case 3: holds = who->m_nTeam != 0 ? who->m_bOnScreen != 0 : who->IsOnScreen() != 0; break;
      default: return 0;
    }
  }
  return c.m_byRelation == 0 ? holds : !holds;
}

int cCharaBase::TestPositionCondition(const cCond& c) {
  const cCharaBase* target = nullptr;
  if (c.m_byTarget == 0) target = Player.empty() ? nullptr : &Player[0];
  else target = LinkSlot(*this, c.m_byTarget);
  if (!target) return 0;
  const int r = ReachOf(c);
  bool inside = false;
  const int area = c.m_byDistanceMode;
  if (area == kAreaCircle) {
    const double dx = (target->m_dX + target->m_nW / 2.0) - (m_dX + m_nW / 2.0);
    const double dy = (target->m_dY + target->m_nH / 2.0) - (m_dY + m_nH / 2.0);
    inside = std::sqrt(dx * dx + dy * dy) <= r;
  } else if (area >= kAreaSides && area <= kAreaBackY) {
    UpdateScreenRect();
    const SENSEAREA a = AreaOf(area, r, m_bRight != 0);
    const RECT& t = target->m_rcScreen;
    if (!a.vertical)
      inside = TestAreaOverlap(m_rcScreen.left, m_nImgW, t.left, t.right, target->m_nImgOffX, a.back, a.front, a.whole,
                               0, *target);
    else
      inside = TestAreaOverlap(m_rcScreen.top, m_nImgH, t.top, t.bottom, target->m_nImgOffY, a.back, a.front, a.whole,
                               1, *target);
  } else {
    return 0;
  }
  return c.m_byRelation == 0 ? inside : !inside;
}

void cCharaBase::DrawOverlayMark(DDSURFACEDATA* t, const cCond& c, int counter) {
  // Kind 7 keeps its overlay settings in fields the distance test does not
  // use: the display mode, whether to show before the chara appeared and
  // while it is hidden, and the colour 0..7.
  const int mode = c.m_byLeftSource;
  if (mode == 0 || (mode == 2 && !g_bTestPlay)) return;
  if (!c.m_byRightSource && !m_bAppeared) return;
  if (!c.m_byRightTarget && m_Data.m_bTransparent) return;
  const bool frozen = g_nBpp == 8 && !g_SystemData.m_bPaletteCycle;
  const DWORD colour = 208 + 4 * (c.m_byRightStatus & 7) + (frozen ? 0 : counter / 8);
  const int r = ReachOf(c);
  const int area = c.m_byDistanceMode;
  if (area == kAreaCircle) {
    const int cx = (m_rcScreen.left + m_rcScreen.right) / 2;
    const int cy = (m_rcScreen.top + m_rcScreen.bottom) / 2;
    if (!g_bD3D && r >= 65)
      DrawStretchedCircle(t, cx, cy, r, colour);
    else
      DDCircle(t, cx, cy, r, colour);
    return;
  }
  if (area < kAreaSides || area > kAreaBackY) return;
  const SENSEAREA a = AreaOf(area, r, m_bRight != 0);
  int lo = 0, hi = 0;
  if (!a.vertical) {
    SenseInterval(lo, hi, m_rcScreen.left, m_nImgW, a.back, a.front, a.whole);
    DDFillRect(t, lo, 0, 1, 480, colour);
    DDFillRect(t, hi, 0, 1, 480, colour);
  } else {
    SenseInterval(lo, hi, m_rcScreen.top, m_nImgH, a.back, a.front, a.whole);
    DDFillRect(t, 0, lo, 640, 1, colour);
    DDFillRect(t, 0, hi, 640, 1, colour);
  }
}
