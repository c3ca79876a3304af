// The chara-side condition kinds: flags compared with a constant, the state
// of a linked chara, and whether a chara stands within an area around this
// one.
#include <cmath>

#include "flow/cond_list.h"
#include "flow/status_values.h"
#include "objects/chara_base.h"
#include "objects/hero.h"
#include "records/stage_data.h"

namespace {

enum : int { kAreaSides = 0, kAreaFront, kAreaBack, kAreaVertical, kAreaFrontY, kAreaBackY, kAreaCircle };

// Target 0 is the chara itself (kind 7: the hero); 1..4 its link slots.
cCharaBase* LinkSlot(const cCharaBase& self, int slot) {
  if (slot < 1 || static_cast<size_t>(slot) > self.m_vecLink.size()) return nullptr;
  return self.m_vecLink[static_cast<size_t>(slot - 1)];
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
      case 3: holds = who->m_nTeam != 0 ? who->m_bActive != 0 : who->IsOnScreen() != 0; break;
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
  const int r = c.m_nConst * 16 + c.m_sRightVarIndex;
  bool inside = false;
  const int area = c.m_byDistanceMode;
  if (area == kAreaCircle) {
    const double dx = (target->m_dX + target->m_nW / 2.0) - (m_dX + m_nW / 2.0);
    const double dy = (target->m_dY + target->m_nH / 2.0) - (m_dY + m_nH / 2.0);
    inside = std::sqrt(dx * dx + dy * dy) <= r;
  } else if (area >= kAreaSides && area <= kAreaBackY) {
    UpdateScreenRect();
    const bool right = m_bRight != 0;
    int back = 0, front = 0, whole = 0;
    switch (area) {
      case kAreaSides:
      case kAreaVertical: back = front = r; whole = 1; break;
      case kAreaFront: (right ? front : back) = r; break;
      case kAreaBack: (right ? back : front) = r; break;
      case kAreaFrontY: (right ? front : back) = r; break;  // facing right: below
      case kAreaBackY: (right ? back : front) = r; break;   // facing right: above
      default: break;
    }
    const RECT& t = target->m_rcScreen;
    if (area <= kAreaBack)
      inside = TestAreaOverlap(m_rcScreen.left, m_nImgW, t.left, t.right, target->m_nImgOffX, back, front, whole, 0, *target);
    else
      inside = TestAreaOverlap(m_rcScreen.top, m_nImgH, t.top, t.bottom, target->m_nImgOffY, back, front, whole, 1, *target);
  } else {
    return 0;
  }
  return c.m_byRelation == 0 ? inside : !inside;
}
