#include "objects/hero.h"

#include <algorithm>
#include <cmath>

#include "flow/cmd_executors.h"
#include "flow/flow_state.h"
#include "graphics/fill.h"
#include "graphics/prim.h"
#include "graphics/surface.h"
#include "platform/numeric.h"
#include "records/stage_data.h"
#include "records/system_data.h"
#include "services/input.h"
#include "stage/game_scene.h"

namespace {

// A rise started from another chara's head is 2% faster (as a float).
constexpr double kOffCharaJumpFactor = 1.0199999809265137;
constexpr double kJumpCutFactor = 0.3;

struct HITSIZE {
  int w = 32, h = 32, foot = 0;
};

// The view position that centres `pos` (size `size`), kept within the
// scroll bounds.
double FollowView(const cScrollAxis& a, double pos, int size) {
  double v = pos - (a.m_nView / 2 - size / 2);
  v = std::max(v, static_cast<double>(a.m_nMin));
  v = std::min(v, static_cast<double>(a.m_nMax - a.m_nView));
  return v;
}

const cInput* InputRecord(int player) {
  if (player < 0 || static_cast<size_t>(player) >= g_vecInput.size()) return g_vecInput.empty() ? nullptr : &g_vecInput[0];
  return &g_vecInput[static_cast<size_t>(player)];
}

}  // namespace

cHero::cHero(const cHero& other) : cCharaBase(other) { CopyHeroFields(other); }

cHero& cHero::operator=(const cHero& o) {
  if (this == &o) return *this;
  CopyFrom(o);
  CopyHeroFields(o);
  return *this;
}

void cHero::CopyHeroFields(const cHero& o) {
  m_pInput = o.m_pInput;
  m_nJumpHold = o.m_nJumpHold;
  m_bJumpReady = o.m_bJumpReady;
  m_bJumpKeyLock = o.m_bJumpKeyLock;
  m_dJumpDecelBase = o.m_dJumpDecelBase;
  m_bJumpHandled = o.m_bJumpHandled;
  m_nWorldH1 = o.m_nWorldH1;
  m_nWorldH2 = o.m_nWorldH2;
  m_nPrevFacing = o.m_nPrevFacing;
  m_lstContact = o.m_lstContact;
  m_nBlockEffect = o.m_nBlockEffect;
  m_dBlockFactor = o.m_dBlockFactor;
  m_nBlockArg = o.m_nBlockArg;
  m_bOnEffectBlock = o.m_bOnEffectBlock;
  m_nBlockWord = o.m_nBlockWord;
  m_nFrameCount = o.m_nFrameCount;
  m_HitItem = o.m_HitItem;
  m_vecOverlay = o.m_vecOverlay;
  m_vecPendingFlowCmd = o.m_vecPendingFlowCmd;
  m_lstArrange = o.m_lstArrange;
}

void cHero::InitFromTemplate(int id, cCharaData* t, double hx, double hy, int spare) {
  if (t && t->m_cSize == 0) t->m_cSize = 1;
  Reset(t, hx, hy, 0, spare);
  int offX = 0, offY = 0, w = 32, h = 32;
  SelectHitBoxSize(offX, offY, w, h);
  const cCharaData& d = m_Data;
  SetParams(id, d.m_byControl, d.m_byPlayer, d.m_byFaction, d.m_sGraphic, nullptr, 0, offX, offY, w, h, 32, 32, 1,
            kPlaceWalk, 0);
  m_pInput = InputRecord(d.m_byPlayer);
  ApplyCharaTemplate(d.m_byFlight, 0);
  SetScale(m_Data.m_cSize, 1);
  m_bRight = m_nPrevFacing = m_Data.m_byFacing;
  m_nJumpHold = 0;
  m_bJumpKeyLock = 0;
  m_nWorldH1 = m_nWorldH2 = 0;
  m_nBlockEffect = 0;
  m_dBlockFactor = 0.0;
  m_nBlockArg = 0;
  m_bOnEffectBlock = 0;
  m_nBlockWord = 0;
  m_nFrameCount = 0;
  m_bJumpReady = 1;
  m_dJumpDecelBase = 4.0 / StageSubSteps();
  RebuildOverlayList();
  m_lstContact.clear();
  InsertFlows(m_Data.m_vecFlow, 0, -1);
}

void cHero::SelectHitBoxSize(int& offX, int& offY, int& w, int& h) const {
  const cStageData& s = g_Stage;
  const bool flying = m_bNoGravity != 0;
  w = flying ? s.m_nHeroBlockFlyW : s.m_nHeroBlockW;
  h = flying ? s.m_nHeroBlockFlyH : s.m_nHeroBlockH;
  const int foot = flying ? s.m_bHeroBlockFlyBottom : s.m_bHeroBlockBottom;
  offX = (32 - w) / 2;
  offY = foot ? 32 - h : (32 - h) / 2;
}

void cHero::ApplyCharaTemplate(int moveType, int scaleIt) {
  m_Data.m_byFlight = static_cast<BYTE>(moveType);
  const int wasFlying = m_bNoGravity;
  SetPlacementMode(moveType);
  if (m_bNoGravity != wasFlying) {
    m_nFlowLockTimer = 2;
    if (!m_bNoGravity) m_dVX = m_dVY = m_dAX = m_dAY = 0.0;
  }
  int offX = 0, offY = 0, w = 32, h = 32;
  SelectHitBoxSize(offX, offY, w, h);
  m_nBaseImgOffX = m_nImgOffX = offX;
  m_nBaseImgOffY = m_nImgOffY = offY;
  m_nBaseW = m_nW = w;
  m_nBaseH = m_nH = h;
  m_nBaseImgW = m_nImgW = 32;
  m_nBaseImgH = m_nImgH = 32;

  const cStageData& s = g_Stage;
  const bool flying = m_bNoGravity != 0;
  HITSIZE c;
  switch (m_Data.m_byHitRange) {
    case kHitRangeCharaChara:
      c = flying ? HITSIZE{s.m_nHeroCharaFlyW, s.m_nHeroCharaFlyH, s.m_bHeroCharaFlyBottom}
                 : HITSIZE{s.m_nHeroCharaW, s.m_nHeroCharaH, s.m_bHeroCharaBottom};
      break;
    case kHitRangeCharaShot: c = {s.m_nHeroShotW, s.m_nHeroShotH, 0}; break;
    case kHitRangeShotChara: c = {s.m_nHeroBulletW, s.m_nHeroBulletH, 0}; break;
    default: c = {m_nImgW, m_nImgH, 0}; break;
  }
  SetHitBoxCentred(c.foot, c.w, c.h);
  m_HitShot.Set(16 - s.m_nHeroShotW / 2 - m_nImgOffX, 16 - s.m_nHeroShotH / 2 - m_nImgOffY, s.m_nHeroShotW,
          s.m_nHeroShotH);
  m_HitItem.Set(16 - s.m_nHeroItemW / 2 - m_nImgOffX, 16 - s.m_nHeroItemH / 2 - m_nImgOffY, s.m_nHeroItemW,
          s.m_nHeroItemH);
  if (scaleIt) {
    const int k = m_Data.m_cSize;
    m_nW = k * m_nBaseW;
    m_nH = k * m_nBaseH;
    m_nImgOffX = k * m_nBaseImgOffX;
    m_nImgOffY = k * m_nBaseImgOffY;
    m_nImgW = k * m_nBaseImgW;
    m_nImgH = k * m_nBaseImgH;
    OnScaleChanged(k);
  }
  RebuildOverlayList();
}

void cHero::RebuildOverlayList() {
  const cStageData& s = g_Stage;
  auto colour = [](int c) { return 208 + 4 * std::clamp(c, 0, 7); };
  m_vecOverlay.clear();
  m_vecOverlay.push_back({0, s.m_nHeroBlockShow, colour(s.m_nHeroBlockColor), 0, 0, m_nW, m_nH, 0});
  m_vecOverlay.push_back({2, s.m_nHeroItemShow, colour(s.m_nHeroItemColor), 0, 0, m_HitItem.nW, m_HitItem.nH, 0});
  m_vecOverlay.push_back({1, s.m_nHeroCharaShow, colour(s.m_nHeroCharaColor), 0, 0, m_HitChara.nW, m_HitChara.nH, 0});
  m_vecOverlay.push_back({3, s.m_nHeroShotShow, colour(s.m_nHeroShotColor), 0, 0, m_HitShot.nW, m_HitShot.nH, 0});
  // Smaller boxes are drawn over larger ones; equal areas keep their order.
  std::stable_sort(m_vecOverlay.begin(), m_vecOverlay.end(), [](const HITOVERLAY& a, const HITOVERLAY& b) {
    return static_cast<long long>(a.nW) * a.nH > static_cast<long long>(b.nW) * b.nH;
  });
}

int cHero::OnMovedX() {
  if (g_pGameScene) {
    cScrollAxis& a = g_pGameScene->m_ScrollX;
    if (!a.ScrollsAutomatically()) a.m_dPos = FollowView(a, m_dX, m_nW);
  }
  return ClampX(m_bNoGravity ? 0 : 1);
}

int cHero::OnMovedY() {
  if (g_pGameScene) {
    cScrollAxis& a = g_pGameScene->m_ScrollY;
    if (!a.ScrollsAutomatically()) a.m_dPos = FollowView(a, m_dY, m_nH);
  }
  return ClampY(m_bNoGravity ? 0 : 1);
}

void cHero::UpdateScreenRect() {
  if (!g_pGameScene) return;
  const cScrollAxis& ax = g_pGameScene->m_ScrollX;
  const cScrollAxis& ay = g_pGameScene->m_ScrollY;
  const int left = ax.ScrollsAutomatically() ? plat::TruncToInt(m_dX) - plat::TruncToInt(ax.m_dPos) - m_nImgOffX
                                       : plat::TruncToInt(m_dX - ax.m_dPos - m_nImgOffX);
  const int top = ay.ScrollsAutomatically() ? plat::TruncToInt(m_dY) - plat::TruncToInt(ay.m_dPos) - m_nImgOffY
                                      : plat::TruncToInt(m_dY - ay.m_dPos - m_nImgOffY);
  m_rcScreen.left = left;
  m_rcScreen.top = top;
  m_rcScreen.right = left + m_nImgW - 1;
  m_rcScreen.bottom = top + m_nImgH - 1;
}

void cHero::OnScaleChanged(int factor) {
  m_HitChara.Scale(factor);
  m_HitShot.Scale(factor);
  m_HitItem.Scale(factor);
}

void cHero::UpdateHitRectX() {
  m_HitChara.PlaceX(m_dX);
  m_HitShot.PlaceX(m_dX);
  m_HitItem.PlaceX(m_dX);
}

void cHero::UpdateHitRectY() {
  m_HitChara.PlaceY(m_dY);
  m_HitShot.PlaceY(m_dY);
  m_HitItem.PlaceY(m_dY);
}

int cHero::IsNotInContactList(const cCharaBase* chara) const {
  return std::find(m_lstContact.begin(), m_lstContact.end(), chara) == m_lstContact.end() ? 1 : 0;
}

void cHero::RemoveFromContactList(const cCharaBase* chara) { m_lstContact.remove(const_cast<cCharaBase*>(chara)); }

int cHero::MoveX() {
  if (m_dForcedVX != 0) {
    m_dVX = m_dForcedVX;
  } else if (m_dAX != 0) {
    ApplyDeceleration(m_dAX, m_bDecelX);
    if (m_bOnEffectBlock && m_nBlockEffect == 3) {
      // A speed block brakes a little more, the less speed it allows.
      const double extra = PerSecondToPerFrame(m_dJumpDecelBase) * (1.0 - m_dBlockFactor);
      if (m_dAX > 0) m_dAX = m_dAX - extra < 0 ? 0.0 : m_dAX - extra;
      else if (m_dAX < 0) m_dAX = m_dAX + extra > 0 ? 0.0 : m_dAX + extra;
    }
    m_dVX += m_dAX;
  }
  const double limit = StageStepSpeedLimit();
  m_dVX = std::clamp(m_dVX, -limit, limit);
  m_dX += m_dVX;
  OnMovedX();
  return 0;
}

int cHero::MoveY() {
  ApplyForcedVelocity();
  if (m_dForcedVY == 0 && m_bNoGravity) {
    ApplyDeceleration(m_dAY, m_bDecelY);
    m_dVY += m_dAY;
  }
  const int code = MoveYClamped(m_bNoGravity ? 0 : 2);
  OnMovedY();
  if (!m_bNoGravity && (code == 5 || code == 6)) return 7;
  return code;
}

int cHero::Update(int dying) {
  cGameScene* scene = g_pGameScene;
  BeginUpdate();
  m_nWorldH1 = m_nWorldH2 = 0;
  m_bJumpHandled = 0;

  const bool flying = m_bNoGravity != 0;
  const double autoX = scene ? scene->m_ScrollX.CarrySpeed() : 0.0;
  const double autoY = scene ? scene->m_ScrollY.CarrySpeed() : 0.0;
  if (g_SystemData.m_bCompat214) {
    if (flying) {
      m_dVX = autoX;
      m_dVY = autoY;
    } else {
      m_dVX = 0;
    }
  } else if (m_bScrollLock) {
    m_dVX = autoX;
    if (flying) m_dVY = autoY;
  } else {
    m_dVX = 0;
    if (flying) m_dVY = 0;
  }
  PrepareFlowPass();

  if (StepFlows(dying, 0)) return EndFlowPass(1);
  EndFlowPass(0);
  ApplyFlowEdits();
  // Flow changes asked for while the flows ran apply now that none runs.
  std::vector<cFlowCmd> pending;
  pending.swap(m_vecPendingFlowCmd);
  for (cFlowCmd& cmd : pending) ExecFlowChange(this, &cmd, 1);
  ++m_nFrameCount;
  if (!m_bJumpHandled) {
    m_nJumpHold = 0;
    m_bJumpReady = 1;
    m_bJumpBlocked = 0;
  }
  SettleIdlePose();
  return m_nLife <= 0 ? 1 : 0;
}

void cHero::Jump(cCmdState* r) {
  if (!r || m_bNoGravity || m_bJumpHandled) return;
  const cFlowCmd* cmd = r->m_pCmd;
  auto P = [cmd](int i) { return cmd ? cmd->Param(i) : 0; };
  const int mode = P(0);
  const cFlowState* flow = g_pGameScene ? g_pGameScene->m_pCurFlow : nullptr;
  const bool hasKeys = flow && !flow->m_vecKeyTrigger.empty() && flow->m_vecKeyTrigger.back();
  bool held = mode == 0;
  if (mode != 0 && hasKeys && m_pInput) held = TestKeyFlags(*m_pInput, *flow->m_vecKeyTrigger.back()) != 0;

  if (mode == 2) {
    // The run-up decides the height: full at the full-height speed, the
    // lowest at or below the lowest speed, in proportion between.
    const double a = std::fabs(m_dAX);
    const double t = 10.0 * StageSubSteps();
    const double full = P(1) / t;
    const double low = P(3) / t;
    int height = P(4);
    if (a >= full) height = P(2);
    else if (a > low) height = plat::TruncToInt((P(2) - P(4)) * (a / full) + P(4));
    r->m_dSpeed = JumpSpeedForDots(height * 16.0);
  }

  const int frames = r->m_nDuration;
  const int n = StageSubSteps();
  if (held && !m_bJumpKeyLock) {
    ++m_nJumpHold;
    const bool rising = !m_bRising || m_bOnChara;
    if (m_nJumpHold >= frames && rising && m_bJumpReady && !m_bJumpBlocked && (m_dVY < 0 || m_bOnChara)) {
      m_bRising = 1;  // full height: the rise ends
      m_bJumpReady = 0;
    } else if (m_nJumpHold <= n && !m_bFalling && rising && m_bJumpReady && !m_bJumpBlocked && !m_bKnockedBack &&
               !r->m_bFirst) {
      m_bJumping = 1;
      if (!m_bOnChara) {
        m_dVY = r->m_dSpeed;
        r->m_bFirst = 1;
        if (cmd) PlayCmdSound(*this, *cmd);
      } else if (g_pGameScene && g_pGameScene->m_nSubStepIndex == n) {
        m_bOnChara = 0;
        m_dVY = r->m_dSpeed * kOffCharaJumpFactor;
        r->m_bFirst = 1;
        if (cmd) PlayCmdSound(*this, *cmd);
      }
    }
  } else {
    if (m_nJumpHold > 0 && m_nJumpHold < frames && !m_bRising && !m_bJumpBlocked && !m_bJumpKeyLock &&
        !m_bKnockedBack) {
      if (!m_bOnChara && m_dVY < 0) m_dVY *= kJumpCutFactor;
      m_bRising = 1;
    }
    m_nJumpHold = 0;
    m_bJumpReady = 1;
    m_bJumpBlocked = 0;
  }

  if (IsOnGround() && m_dVY >= 0) {
    auto resetWords = [this] {
      m_nJumpHold = 0;
      m_bJumpReady = 1;
      m_bJumpBlocked = 0;
      m_bKnockedBack = 0;
    };
    if (!hasKeys) {
      resetWords();
      r->m_bFirst = 0;
      return;
    }
    if (!held) {
      resetWords();
      r->m_nFramesLeft = 0;
    }
  }
  m_bJumpHandled = 1;
}

void cHero::DrawOverlays(DDSURFACEDATA* t) {
  const bool frozen = g_nBpp == 8 && !g_SystemData.m_bPaletteCycle;
  for (HITOVERLAY& o : m_vecOverlay) {
    if (o.nMode != 1 && o.nMode != 2) continue;
    int x = m_rcScreen.left + m_nImgOffX;
    int y = m_rcScreen.top + m_nImgOffY;
    const HITRECT* r = o.nKind == 1 ? &m_HitChara : o.nKind == 2 ? &m_HitItem : o.nKind == 3 ? &m_HitShot : nullptr;
    if (r) {
      x += r->nOffX;
      y += r->nOffY;
    }
    const DWORD colour = o.nColor + (frozen ? 0 : o.nCounter / 8);
    if (o.nMode == 1) DDFrameRect(t, x, y, o.nW, o.nH, 1, colour);
    else DDFillRect(t, x, y, o.nW, o.nH, colour);
    o.nCounter = (o.nCounter + 1) % 32;
  }
}

void cHero::Draw(DDSURFACEDATA* target, int paused) {
  cCharaBase::Draw(target, paused);
  DrawOverlays(target);
}
