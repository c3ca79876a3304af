#include "objects/chara.h"

#include "flow/flow_records.h"
#include "flow/flow_state.h"
#include "objects/sprite_source.h"
#include "platform/numeric.h"
#include "records/stage_data.h"
#include "records/system_data.h"
#include "stage/game_scene.h"

namespace {

// The chara rectangle of a hit-range kind: the size and whether it sits on
// the cell bottom.
struct HITSIZE {
  int w = 32, h = 32, foot = 0;
};

HITSIZE CharaHitSize(int kind, bool flying, int imgW, int imgH) {
  const cStageData& s = g_Stage;
  switch (kind) {
    case kHitRangeCharaChara:
      return flying ? HITSIZE{s.m_nCharaCharaFlyW, s.m_nCharaCharaFlyH, s.m_bCharaCharaFlyBottom}
                    : HITSIZE{s.m_nCharaCharaW, s.m_nCharaCharaH, s.m_bCharaCharaBottom};
    case kHitRangeCharaShot: return {s.m_nCharaShotW, s.m_nCharaShotH, 0};
    case kHitRangeShotChara: return {s.m_nCharaBulletW, s.m_nCharaBulletH, 0};
    default: return {imgW, imgH, 0};
  }
}

bool ValidSwitch(int s, size_t count) { return s >= 0 && static_cast<size_t>(s) < count; }

}  // namespace

cChara::cChara(const cChara& other) : cCharaBase(other) {
  m_bAnimateInactive = other.m_bAnimateInactive;
  m_DropItem = other.m_DropItem;
  m_nBalloonCount = other.m_nBalloonCount;
  m_bIgnoreX = other.m_bIgnoreX;
  m_bIgnoreY = other.m_bIgnoreY;
  m_bAppearedC = other.m_bAppearedC;
}

void cChara::Spawn(int id, cCharaData* t, const cItem* dropItem, double hx, double hy, int cloneValue, int spare) {
  if (t && t->m_cSize == 0) t->m_cSize = 1;
  Reset(t, hx, hy, cloneValue, spare);
  const cCharaData& d = m_Data;
  const bool flying = d.m_byFlight != kFlightOff;
  const cStageData& s = g_Stage;
  int w = 32, h = 32, offX = 0, offY = 0;
  if (!d.m_bBlockChara) {
    w = flying ? s.m_nCharaBlockFlyW : s.m_nCharaBlockW;
    h = flying ? s.m_nCharaBlockFlyH : s.m_nCharaBlockH;
    const int foot = flying ? s.m_bCharaBlockFlyBottom : s.m_bCharaBlockBottom;
    offX = (32 - w) / 2;
    offY = foot ? 32 - h : (32 - h) / 2;
  }
  SetParams(id, d.m_byControl, d.m_byPlayer, d.m_byFaction, d.m_sGraphic, nullptr, 0, offX, offY, w, h, 32, 32,
            d.m_byFacing, d.m_byFlight, cloneValue);
  if (d.m_bBlockChara) {
    m_HitChara.Set(0, 0, 0, 0);
    m_HitShot.Set(0, 0, 32, 32);
  } else {
    const HITSIZE c = CharaHitSize(d.m_byHitRange, flying, m_nImgW, m_nImgH);
    SetHitBoxCentred(c.foot, c.w, c.h);
    m_HitShot.Set(16 - s.m_nCharaShotW / 2 - m_nImgOffX, 16 - s.m_nCharaShotH / 2 - m_nImgOffY, s.m_nCharaShotW,
            s.m_nCharaShotH);
  }
  SetScale(d.m_cSize, 1);
  m_bAnimateInactive = 0;
  m_nBalloonCount = 0;
  if (dropItem) m_DropItem = *dropItem;
  else m_DropItem.m_nGraphic = 0;
  switch (d.m_byActivityRange) {
    case kActivityXOnScreen: m_bIgnoreX = 0, m_bIgnoreY = 1; break;
    case kActivityYOnScreen: m_bIgnoreX = 1, m_bIgnoreY = 0; break;
    case kActivityEverywhere: m_bIgnoreX = 1, m_bIgnoreY = 1; break;
    default: m_bIgnoreX = 0, m_bIgnoreY = 0; break;
  }
  m_bAppearedC = 0;
  m_Anime.SetPattern(flying ? 0 : 1, 1);
  InsertFlows(m_Data.m_vecFlow, 0, -1);
}

void cChara::PlaceAtCell(int x, int y) {
  m_dX = (x + 10) * 32 + m_nBaseImgOffX + 0.5;
  m_dY = (y + 10) * 32 + m_nBaseImgOffY;
  ShiftXForScale(m_Data.m_cSize, 1);
  OnMovedX();
  OnMovedY();
}

void cChara::OnScaleChanged(int factor) {
  if (m_Data.m_bBlockChara) {
    m_HitChara.Set(0, 0, m_nW, m_nH);
    m_HitShot.Set(0, 0, m_nW, m_nH);
    return;
  }
  m_HitChara.Scale(factor);
  m_HitShot.Scale(factor);
}

void cChara::UpdateHitRectX() {
  m_HitChara.PlaceX(m_dX);
  m_HitShot.PlaceX(m_dX);
}

void cChara::UpdateHitRectY() {
  m_HitChara.PlaceY(m_dY);
  m_HitShot.PlaceY(m_dY);
}

int cChara::OnMovedX() { return ClampX(2); }
int cChara::OnMovedY() { return ClampY(2); }

int cChara::MoveX() {
  if (m_dForcedVX != 0) {
    m_dVX = m_dForcedVX;
  } else if (m_dAX != 0) {
    ApplyDeceleration(m_dAX, m_bDecelX);
    m_dVX += m_dAX;
  }
  const int code = MoveXClamped(2);
  OnMovedX();
  return code == 3 ? 4 : code;
}

int cChara::MoveY() {
  ApplyForcedVelocity();
  if (m_dForcedVY == 0 && m_bNoGravity && m_dAY != 0) {
    ApplyDeceleration(m_dAY, m_bDecelY);
    m_dVY += m_dAY;
  }
  const int code = MoveYClamped(2);
  OnMovedY();
  if (m_bNoGravity) return code == 3 || code == 6 ? 8 : code;
  return code == 5 || code == 6 ? 7 : code;
}

int cChara::Update(int dying) {
  cGameScene* scene = g_pGameScene;
  BeginUpdate();

  const bool flying = m_bNoGravity != 0;
  if (g_SystemData.m_bCompat214) {
    m_dVX = 0;
    if (flying) m_dVY = 0;
  } else if (m_bScrollLock && scene) {
    m_dVX = scene->m_ScrollX.CarrySpeed();
    if (flying) m_dVY = scene->m_ScrollY.CarrySpeed();
  } else {
    m_dVX = 0;
    if (flying) m_dVY = 0;
  }
  PrepareFlowPass();

  if (StepFlows(dying, 1)) return EndFlowPass(1);
  EndFlowPass(0);
  ApplyFlowEdits();
  SettleIdlePose();
  return m_nLife <= 0 ? 1 : 0;
}

void cChara::Jump(cCmdState* r) {
  if (!r) return;
  const bool canStart = !m_bFalling && !m_bJumpBlocked && !m_bKnockedBack && !m_bAirState2;
  auto start = [this, r] {
    r->m_bFirst = 1;
    if (r->m_pCmd) PlayCmdSound(*this, *r->m_pCmd);
    m_dVY = r->m_dSpeed;
    m_bJumping = m_bRising = 1;
    m_bOnChara = 0;
  };
  auto end = [this, r] {
    m_bJumpBlocked = 0;
    m_bKnockedBack = 0;
    r->m_nFramesLeft = 0;
  };
  // The older rule starts at once or not at all.
  if (g_SystemData.m_bCompat749) {
    if (canStart) start();
    return;
  }
  if (!r->m_bFirst) {
    if (canStart) {
      start();
    } else if (r->m_nSubStep >= 4 * StageSubSteps()) {
      r->m_bFirst = 1;
      end();
    }
    return;
  }
  if (IsOnGround()) end();
}

int OnScreenFlag(const cCharaBase& c) {
  if (const cChara* chara = dynamic_cast<const cChara*>(&c)) return chara->OnScreen();
  return c.IsOnScreen();
}

int cChara::UpdateActiveFlag(std::vector<BYTE>& switches) {
  if (IsOnScreenAxes(m_bIgnoreX, m_bIgnoreY)) {
    m_bOnScreen = 1;
    if (m_Data.m_bGroup && ValidSwitch(m_Data.m_sGroup, switches.size()))
      switches[static_cast<size_t>(m_Data.m_sGroup)] = 1;
    return 1;
  }
  m_bOnScreen = 0;
  return 0;
}

int cChara::TryAppear(const std::vector<BYTE>& switches) {
  const bool bySwitch =
      m_Data.m_bGroup && ValidSwitch(m_Data.m_sGroup, switches.size()) && switches[static_cast<size_t>(m_Data.m_sGroup)];
  const bool byFall = !m_bNoGravity && (m_bJumping || (m_bAppearedC && m_bFalling));
  if (!m_bOnScreen && !bySwitch && !byFall) return 0;
  m_bAppearedC = 1;
  if (m_Data.m_byActivation == kActivationOnceThenAlways) m_bIgnoreX = m_bIgnoreY = 1;
  UpdateScreenRect();
  return 1;
}

void cChara::DrawBalloonMark(DDSURFACEDATA* t) {
  const cItem& item = m_DropItem;
  if (!item.m_bPresent || !m_bActive || m_Data.m_bTransparent || item.m_Data.m_bHidden) return;
  if (++m_nBalloonCount >= 96) m_nBalloonCount = 0;
  if (m_nBalloonCount >= 64) {
    const int x = m_rcScreen.left + m_nImgW / 2 - item.m_nImgW / 4;
    const int y = m_rcScreen.top - item.m_nImgH / 2;
    DrawSmallIcon(t, x, y, item.m_Data.m_byGraphicKind, item.m_Data.m_sGraphic, item.m_Data.m_sGraphicFrame);
  }
}
