#include "objects/chara_base.h"

#include <algorithm>

#include "graphics/builtin_tables.h"
#include "flow/flow_records.h"
#include "graphics/display.h"
#include "objects/chara.h"
#include "objects/hero.h"
#include "objects/sprite_source.h"
#include "platform/numeric.h"
#include "records/database.h"
#include "records/system_data.h"
#include "services/sound.h"

namespace {

constexpr int kSwitchCount = 27;
constexpr int kLinkSlots = 4;
constexpr int kParentSlot = 4;
constexpr int kVarCount = 9;

void AddBackRef(cCharaBase* target, cCharaBase* from, int slot) {
  const LINKPAIR pair{from, slot};
  if (std::find(target->m_vecBackRef.begin(), target->m_vecBackRef.end(), pair) == target->m_vecBackRef.end())
    target->m_vecBackRef.push_back(pair);
}

void RemoveBackRef(cCharaBase* target, cCharaBase* from, int slot) {
  std::erase(target->m_vecBackRef, LINKPAIR{from, slot});
}

// The four words that keep a command moving.
void StopMoveWords(cCmdState* state) {
  if (!state) return;
  state->m_dSpeed = 0.0;
  state->m_dVX = 0.0;
  state->m_dVY = 0.0;
  state->m_nFacingReq = 0;
}

DDSURFACEDATA* g_pMarkSD = nullptr;
DDSURFACEDATA* g_pWork1SD = nullptr;
DDSURFACEDATA* g_pWork2SD = nullptr;

}  // namespace

cCharaBase::cCharaBase() = default;

cCharaBase::cCharaBase(const cCharaBase& other) : cGameObject(other) {
  CopyFrom(other);
  m_bUnlinked = 1;
}

cCharaBase::~cCharaBase() {
  if (!m_bUnlinked) ClearLinks();
}

void cCharaBase::Reset(const cCharaData* templ, double homeX, double homeY, int cloneValue, int spare) {
  // 1: links
  m_nCloneValue = static_cast<int16_t>(cloneValue);
  m_vecBackRef.clear();
  m_vecShotLink.clear();
  m_vecLink.assign(kLinkSlots, nullptr);
  m_pParent = nullptr;
  m_nNextFlowId = 0;
  // 2: switches, home
  m_vecSwitchLatch.assign(kSwitchCount, 0);
  m_vecSwitchSet.assign(kSwitchCount, 0);
  m_vecSwitchFrame.assign(kSwitchCount, 0);
  m_bSwitchChanged = 0;
  m_bFlowDeleted = 0;
  m_dHomeX = homeX;
  m_dHomeY = homeY;
  // 3: motion and contact state
  m_dForcedVX = m_dForcedVY = 0.0;
  m_bKnockedBack = 0;
  m_dPrevForcedVY = 0.0;
  m_bGravityHold = 0;
  m_bRising = m_bJumping = 0;
  m_bWorld1 = 0;
  m_bJumpBlocked = 0;
  m_bAirState2 = 0;
  m_pFootBlock = nullptr;
  m_nContact = m_nPrevContact = 0;
  m_nFlowLockTimer = 0;
  m_bFixedScreenX = m_nFixedScreenX = m_bFixedScreenY = m_nFixedScreenY = 0;
  m_bDead = 0;
  m_nDeathWait = 0;
  LRUD = LRUDFLAGS{};
  m_bStopHit = 0;
  m_bOnChara = 0;
  m_nWorld2 = 0;
  m_nLife = m_nSP = 0;
  m_LifeGauge = GAUGEANIM{};
  m_SPGauge = GAUGEANIM{};
  m_nWallSide = -1;
  m_bFalling = 1;
  // 4: variables
  m_vecVar.assign(kVarCount, 0);
  // 5: the template copy
  if (templ) {
    m_Data = *templ;
    m_nLife = m_Data.m_nMaxHp;
    m_nSP = m_Data.m_nMaxSp;
  }
  // 6
  m_bVanish = 0;
  m_bHidden2 = 0;
  m_bScrollLock = m_Data.m_bScrollSync;
  m_nSightRadius = BlockToHalfBlock(static_cast<int8_t>(m_Data.m_bySightRange));
  m_dDecel = PercentToFrameStep(m_Data.m_sStopEase);
  // 7: the default chara effect
  m_EffectState = cCharaEffectState{};
  if (m_Data.m_sStartEffect != 0)
    m_EffectState.Start(m_Data.m_sStartEffect, m_Data.m_cStartEffectDir, m_Data.m_byStartEffectMode);
  // 8
  m_nInvincible = 0;
  m_lstCooldown.clear();
  m_lstAnime.clear();
  SetAnimeSet(m_Data.m_sAnimeSet, 1);
  // 9
  m_bCreditParent = 0;
  m_byCreditValue = 0;
}

void cCharaBase::CopyFrom(const cCharaBase& s) {
  if (&s == this) return;
  CopyFields(s);
  m_vecLink = s.m_vecLink;
  m_pParent = s.m_pParent;
  m_vecBackRef = s.m_vecBackRef;
  m_vecShotLink = s.m_vecShotLink;
  m_bCreditParent = s.m_bCreditParent;
  m_byCreditValue = s.m_byCreditValue;
  m_Data = s.m_Data;
  m_nNextFlowId = s.m_nNextFlowId;
  AssignFlowStates(s.m_vecFlowState);
  m_vecSwitchLatch = s.m_vecSwitchLatch;
  m_vecSwitchSet = s.m_vecSwitchSet;
  m_vecSwitchFrame = s.m_vecSwitchFrame;
  m_bSwitchChanged = s.m_bSwitchChanged;
  m_bFlowDeleted = s.m_bFlowDeleted;
  m_dHomeX = s.m_dHomeX;
  m_dHomeY = s.m_dHomeY;
  m_bMoved = s.m_bMoved;
  m_dForcedVX = s.m_dForcedVX;
  m_dForcedVY = s.m_dForcedVY;
  m_bKnockedBack = s.m_bKnockedBack;
  m_dPrevForcedVY = s.m_dPrevForcedVY;
  m_bGravityHold = s.m_bGravityHold;
  m_nWallSide = s.m_nWallSide;
  m_bFalling = s.m_bFalling;
  m_bRising = s.m_bRising;
  m_bJumping = s.m_bJumping;
  m_bWorld1 = s.m_bWorld1;
  m_bJumpBlocked = s.m_bJumpBlocked;
  m_bAirState2 = s.m_bAirState2;
  m_pFootBlock = s.m_pFootBlock;
  m_nContact = s.m_nContact;
  m_nPrevContact = s.m_nPrevContact;
  m_nFlowLockTimer = s.m_nFlowLockTimer;
  m_bFixedScreenX = s.m_bFixedScreenX;
  m_nFixedScreenX = s.m_nFixedScreenX;
  m_bFixedScreenY = s.m_bFixedScreenY;
  m_nFixedScreenY = s.m_nFixedScreenY;
  m_bDead = s.m_bDead;
  m_nDeathWait = s.m_nDeathWait;
  LRUD = s.LRUD;
  m_bStopHit = s.m_bStopHit;
  m_bOnChara = s.m_bOnChara;
  m_nCarrierId = s.m_nCarrierId;
  std::copy(std::begin(s.m_rcCarrier), std::end(s.m_rcCarrier), std::begin(m_rcCarrier));
  m_nWorld2 = s.m_nWorld2;
  std::copy(std::begin(s.m_aWorld3), std::end(s.m_aWorld3), std::begin(m_aWorld3));
  std::copy(std::begin(s.m_rcPrev), std::end(s.m_rcPrev), std::begin(m_rcPrev));
  m_nLife = s.m_nLife;
  m_LifeGauge = s.m_LifeGauge;
  m_nSP = s.m_nSP;
  m_SPGauge = s.m_SPGauge;
  m_vecVar = s.m_vecVar;
  m_nInvincible = s.m_nInvincible;
  m_lstCooldown = s.m_lstCooldown;
  m_lstAnime = s.m_lstAnime;
  m_EffectState = s.m_EffectState;
  m_bVanish = s.m_bVanish;
  m_nSightRadius = s.m_nSightRadius;
  m_bHidden2 = s.m_bHidden2;
  m_HitChara = s.m_HitChara;
  m_HitShot = s.m_HitShot;
}

void cCharaBase::SetParentLink(cCharaBase* parent) {
  if (m_vecLink.size() < kLinkSlots) m_vecLink.resize(kLinkSlots, nullptr);
  cCharaBase* hero = Player.empty() ? nullptr : &Player[0];
  m_vecLink[0] = hero;
  if (hero) AddBackRef(hero, this, 0);
  m_pParent = parent;
  if (parent) AddBackRef(parent, this, kParentSlot);
}

void cCharaBase::ClearLinks() {
  for (const LINKPAIR& ref : m_vecBackRef) {
    cCharaBase* other = ref.pChara;
    if (!other) continue;
    if (ref.nSlot >= 0 && ref.nSlot < kLinkSlots && static_cast<size_t>(ref.nSlot) < other->m_vecLink.size())
      other->m_vecLink[static_cast<size_t>(ref.nSlot)] = nullptr;
    else if (ref.nSlot == kParentSlot)
      other->m_pParent = nullptr;
  }
  m_vecBackRef.clear();
  for (size_t i = 0; i < m_vecLink.size() && i < kLinkSlots; ++i) {
    if (!m_vecLink[i]) continue;
    RemoveBackRef(m_vecLink[i], this, static_cast<int>(i));
    m_vecLink[i] = nullptr;
  }
  if (m_pParent) {
    RemoveBackRef(m_pParent, this, kParentSlot);
    m_pParent = nullptr;
  }
  // The shots that aim at or were fired by this chara forget it.
  ClearShotLinks();
}

void cCharaBase::SetAnimeSet(int16_t id, int force) {
  if (!force && id == m_Data.m_sAnimeSet) return;
  m_Data.m_sAnimeSet = id;
  m_Anime.Clear();
  const cCheckedVector<cAnimeSetData>& sets = g_Database.m_vecAnimeSet;
  int index = static_cast<uint16_t>(id);
  if ((index & 0x8000) || index >= sets.Size()) {
    ReportBadVectorIndex(id, sets.Size(), static_cast<int>(sizeof(cAnimeSetData)));
    index = 0;
  }
  if (sets.empty()) return;
  const cAnimeSetData& set = sets[static_cast<size_t>(index)];
  std::vector<std::vector<int>> steps;
  steps.reserve(set.m_vecAnime.size());
  for (const cAnimeData& anime : set.m_vecAnime) {
    std::vector<int> s;
    s.reserve(anime.m_vecFrame.size() * 3 + 3);
    for (const cAnimeFrameData& f : anime.m_vecFrame) {
      s.push_back(f.m_nGraphic);
      s.push_back(f.m_nTime * 6);
      s.push_back(1);
    }
    s.insert(s.end(), {-2, 0, 1});
    steps.push_back(std::move(s));
  }
  std::vector<const int*> lists;
  for (const std::vector<int>& s : steps) lists.push_back(s.data());
  lists.push_back(nullptr);
  m_Anime.Create(lists.data());
}

int cCharaBase::GetGraphicOffset() const {
  if (!g_SystemData.m_bGraphicOffset) return 0;
  const cCheckedVector<cAnimeSetData>& sets = g_Database.m_vecAnimeSet;
  if (sets.empty()) return 0;
  const cAnimeSetData& set = sets.At(m_Data.m_sAnimeSet);
  int offset = 0;
  if (m_Data.m_byFlight != 0) offset += set.m_nFlightOffset;
  if (m_Data.m_bBlockChara) offset += set.m_nBlockCharaOffset;
  if (m_Data.m_byInvincible != 0) offset += set.m_nInvincibleOffset;
  return offset;
}

void cCharaBase::SetHitBoxCentred(int footAligned, int width, int height) {
  HITRECT& r = m_HitChara;
  r.nBaseOffX = r.nOffX = 16 - m_nImgOffX - width / 2;
  r.nBaseOffY = r.nOffY = footAligned ? 32 - m_nImgOffY - height : 16 - m_nImgOffY - height / 2;
  r.nBaseW = r.nW = width;
  r.nBaseH = r.nH = height;
}

void cCharaBase::AdjustYForScale(int newFactor, int oldFactor) {
  if (newFactor == oldFactor) return;
  const int d = newFactor - oldFactor;
  if (g_SystemData.m_bCompat261)
    m_dY -= static_cast<double>(d) * m_nBaseH;
  else
    m_dY = m_dY - static_cast<double>(d) * m_nBaseImgH + static_cast<double>(d) * m_nBaseImgOffY;
  OnMovedY();
}

void cCharaBase::SetCenterX(int x) {
  const int c = m_rcScreen.left + m_nImgW / 2;
  m_dX += x - c;
  OnMovedX();
}

void cCharaBase::SetCenterY(int y) {
  const int c = m_rcScreen.top + m_nImgH / 2;
  m_dY += y - c;
  OnMovedY();
}

void cCharaBase::SetCenter(int x, int y) {
  SetCenterX(x);
  SetCenterY(y);
}

void cCharaBase::SetCenterStopMove(int x, int y, cCmdState* state) {
  SetCenter(x, y);
  StopMoveWords(state);
}

void cCharaBase::SetCenterXStopMove(int x, cCmdState* state) {
  SetCenterX(x);
  StopMoveWords(state);
}

void cCharaBase::SetCenterYStopMove(int y, cCmdState* state) {
  SetCenterY(y);
  StopMoveWords(state);
}

void SelectSpriteSurfaces() {
  const bool first = UseFirstSheetSet();
  g_pMarkSD = MarkSheetSurface();
  g_pWork1SD = &g_SD[first ? 67 : 68];
  g_pWork2SD = &g_SD[g_bD3D ? 70 : 68];
}

DDSURFACEDATA* SelectedMarkSurface() { return g_pMarkSD; }
DDSURFACEDATA* SelectedWorkSurface1() { return g_pWork1SD; }
DDSURFACEDATA* SelectedWorkSurface2() { return g_pWork2SD; }

int PickSheetSurface(int entry, int second) {
  if (g_bD3D || entry < 0 || entry + kSheetCharaSecond >= kBuiltInSurfaceCount) return entry;
  auto has = [](int e) { return g_SD[e].lpDD != nullptr || g_SD[e].lpDT != nullptr; };
  if (second == 0 && !has(entry)) return entry + kSheetCharaSecond;
  if (second == 1 && has(entry + kSheetCharaSecond)) return entry + kSheetCharaSecond;
  return entry;
}

void PlayCmdSound(const cCharaBase& chara, const cFlowCmd& cmd) {
  if (cmd.m_sSound == 0) return;
  if (cmd.m_bSoundOnScreen && !OnScreenFlag(chara)) return;
  PlayDbSE(cmd.m_sSound);
}

void HITRECT::PlaceX(double x) {
  dLeft = static_cast<double>(plat::TruncToInt(x)) + nOffX;
  dRight = dLeft + nW - 1;
}

void HITRECT::PlaceY(double y) {
  dTop = static_cast<double>(plat::TruncToInt(y)) + nOffY;
  dBottom = dTop + nH - 1;
}
