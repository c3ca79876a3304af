// One play frame: the input of player 0 (live, recorded or replayed), the
// timers, N physics sub-steps over the world in a fixed order, and the
// drawing of the frame in its fixed order. Objects earlier in the order see
// the world before the later ones move; the order is part of the game.
#include <climits>

#include "graphics/batch.h"
#include "graphics/builtin_tables.h"
#include "graphics/display.h"
#include "graphics/font.h"
#include "graphics/surface.h"
#include "objects/chara.h"
#include "objects/effect.h"
#include "objects/hero.h"
#include "objects/item.h"
#include "objects/message.h"
#include "services/strings.h"
#include "stage/hbt_palette.h"
#include "objects/shot.h"
#include "objects/sprite_source.h"
#include "platform/messages.h"
#include "records/progress_data.h"
#include "records/stage_data.h"
#include "records/system_data.h"
#include "services/game_threads.h"
#include "services/input.h"
#include "services/log.h"
#include "services/sound.h"
#include "stage/game_scene.h"
#include "stage/replay_data.h"
#include "stage/scene_manager.h"

namespace {

bool Crushed(const cCharaBase& c) { return (c.LRUD.l && c.LRUD.r) || (c.LRUD.u && c.LRUD.d); }

bool OnLayer(int objectLayer, int layer, int layers) { return layers == 1 || objectLayer == layer; }

}  // namespace

// Removal ---------------------------------------------------------------

void cGameScene::RemoveChara(cChara* chara) {
  if (!chara || chara->m_bRemoved) return;
  chara->ClearLinks();
  for (std::list<cCharaBase*>& team : m_vecTeamChara) team.remove(chara);
  chara->m_bRemoved = 1;
  if (m_CharaWalk.nDepth == 0) g_lstChara.remove_if([chara](const cChara& c) { return &c == chara; });
}

void cGameScene::RemoveItem(cItem* item) {
  if (!item || item->m_bRemoved) return;
  item->m_bRemoved = 1;
  if (m_ItemWalk.nDepth == 0) g_lstItem.remove_if([item](const cItem& i) { return &i == item; });
}

void cGameScene::SweepRemovedObjects() {
  SweepRemoved(g_lstChara, m_CharaWalk, [](const cChara& c) { return c.m_bRemoved != 0; });
  SweepRemoved(g_lstItem, m_ItemWalk, [](const cItem& i) { return i.m_bRemoved != 0; });
  SweepRemovedShots();
}

// Activation ------------------------------------------------------------

void cGameScene::UpdateActiveObjects() {
  if (!Player.empty()) {
    Player[0].m_bActive = 1;
    Player[0].m_bOnScreen = 1;
  }
  std::fill(m_vecGroupFlag.begin(), m_vecGroupFlag.end(), 0);
  for (cChara& c : g_lstChara) {
    if (c.m_bRemoved) continue;
    if (CheckCharaCondList(c)) {
      c.m_bActive = 1;
      c.m_bOnScreen = c.IsOnScreen();
      c.UpdateActiveFlag(m_vecGroupFlag);
    } else {
      c.m_bActive = 0;
      c.m_bOnScreen = 0;
    }
  }
  for (cChara& c : g_lstChara) {
    if (c.m_bRemoved) continue;
    c.m_bAppeared = c.m_bActive ? c.TryAppear(m_vecGroupFlag) : 0;
  }
  for (cItem& item : g_lstItem) {
    if (item.m_bRemoved) continue;
    if (CheckItemCondList(item)) {
      item.m_bActive = 1;
      item.m_bOnScreen = item.IsOnScreen();
    } else {
      item.m_bActive = 0;
      item.m_bOnScreen = 0;
    }
  }
  for (cShot& s : m_lstShot) {
    if (s.m_bRemoved) continue;
    s.m_bActive = 1;
    s.m_bOnScreen = s.IsOnScreen();
  }
}

// The play frame ----------------------------------------------------------

void cGameScene::ApplyInputLocks(cInput& in) {
  if (!Player.empty()) {
    if (Player[0].m_bDirInputLock) in.ClearDir();
    if (Player[0].m_bButtonInputLock) in.ClearButtons();
  }
  if (in.m_wButton == 0) m_bButtonLock = 0;
  if (m_bButtonLock) in.ClearButtons();
}

void cGameScene::StatePlay() {
  if (m_bQuit.load()) {
    plat::PostMessage(g_hWnd.load(), WM_CLOSE, 0, 0);
    return;
  }
  if (CheckPauseKey()) {
    m_nSubState = 0;
    m_nState = 3;
    return;
  }
  if (CheckReplayKeys()) return;
  ++m_nFrameCounter;

  if (!g_vecInput.empty()) {
    cInput& in = g_vecInput[0];
    if (g_SceneManager.m_nTitleChoice != 4) {
      ApplyInputLocks(in);
      // The code is derived from the bits left after the locks, as playback
      // derives it, so a recording replays the same code.
      in.m_nDirCode = GetDirCode(in.m_wDir);
      in.RecordHistory();
      in.RecordPressHistory();
      if (g_SystemData.m_bReplay) g_Replay.RecordFrame(in);
    } else {
      in.ClearDir();
      in.ClearButtons();
      if (g_Replay.PlayFrame(in)) {
        g_Progress.RestoreStageStart(1, g_SceneManager.m_nGameMode);
        SetStage(1, 1);
        m_nState = 1;
        return;
      }
      in.m_nDirCode = GetDirCode(in.m_wDir);
      in.RecordHistory();
      in.RecordPressHistory();
    }
  }

  cHero& hero = Player[0];
  CountPlayTime();
  if (CountDownTimeLimit(-1) && !hero.m_bDead) {
    PlaySE(8);
    if (hero.Die()) {
      BeginStageEnd();
      m_nState = 4;
    }
    return;
  }

  hero.ResetFlowTriggerFlags();
  hero.m_bFixedScreenX = hero.m_bFixedScreenY = 0;
  for (cChara& c : g_lstChara) {
    if (!c.m_bDead) c.ResetFlowTriggerFlags();
    c.m_bFixedScreenX = c.m_bFixedScreenY = 0;
  }

  const int n = g_Stage.m_nSubSteps;
  for (int b = 1; b <= n; ++b) {
    const int r = RunSubStep(b);
    if (r == kSubStepStageEnd) {
      BeginStageEnd();
      m_nState = 4;
      return;
    }
    if (r != kSubStepGoOn) return;
  }
  Draw(1, 0, 1, 1);
}

int cGameScene::HeroDeath(const char* text) {
  if (text) WriteECLog(text);
  PlaySE(8);
  if (Player[0].Die()) return kSubStepStageEnd;
  return kSubStepFrameEnd;
}

int cGameScene::RunSubStep(int b) {
  m_nSubStepIndex = b;
  ++m_nSubStepCount;
  UpdateActiveObjects();
  cHero& hero = Player[0];

  ++m_CharaWalk.nDepth;
  ++m_ItemWalk.nDepth;
  ++m_ShotWalk.nDepth;
  GatherBlockCharas();
  const int r = RunSubStepWalks(b, hero);
  m_BlockCharas.bValid = false;
  --m_ShotWalk.nDepth;
  --m_ItemWalk.nDepth;
  --m_CharaWalk.nDepth;
  SweepRemovedObjects();
  return r;
}

int cGameScene::RunSubStepWalks(int b, cHero& hero) {
  if (!hero.m_bDead) {
    for (cChara& c : g_lstChara) {
      if (c.m_bRemoved || c.m_bDead || c.m_nLifeTime == INT_MAX) continue;
      if (--c.m_nLifeTime < 0) RemoveChara(&c);
    }
    for (cItem& item : g_lstItem) {
      if (item.m_bRemoved || item.m_nLifeTime == INT_MAX) continue;
      if (--item.m_nLifeTime < 0) RemoveItem(&item);
    }
  }

  for (cChara& c : g_lstChara) {
    if (c.m_bRemoved) continue;
    c.UpdateInvincibility();
    c.ClearMoveRequests();
    c.SavePrevPosition();
  }
  hero.UpdateInvincibility();
  hero.ClearMoveRequests();
  hero.SavePrevPosition();
  hero.SavePrevDirection();
  hero.SavePrevState();

  m_ScrollX.Step();
  m_ScrollY.Step();

  if (!hero.m_bDead) {
    for (cChara& c : g_lstChara) {
      if (c.m_bRemoved || !c.m_Data.m_bBlockChara || c.m_bDead || !c.m_bActive || !c.m_bAppeared) continue;
      const int r = StepChara(c, 1);
      if (r != kSubStepGoOn) return r;
    }
    const int r = StepHero(hero);
    if (r != kSubStepGoOn) return r;
    for (cChara& c : g_lstChara) {
      if (c.m_bRemoved || c.m_Data.m_bBlockChara || c.m_bDead || !c.m_bActive || !c.m_bAppeared) continue;
      const int rc = StepChara(c, 0);
      if (rc != kSubStepGoOn) return rc;
    }
  }

  for (cShot& s : m_lstShot) {
    if (s.m_bRemoved) continue;
    if (s.ApplyTrajectory()) {
      RemoveShot(&s);
      continue;
    }
    s.ApplyGravity();
    s.MoveY();
    s.MoveX();
    if (b == 1 && s.IsOutOfRange()) {
      RemoveShot(&s);
      continue;
    }
    if (s.HitBlocks()) RemoveShot(&s);
  }

  if (b == 1 && !hero.m_bDead) {
    if (m_bRemoveRange[0])
      for (cChara& c : g_lstChara)
        if (!c.m_bRemoved && !c.m_Data.m_bBlockChara && !c.m_bDead && c.m_bActive && c.IsInActiveRange(g_Stage.m_Quad[0]))
          RemoveChara(&c);
    if (m_bRemoveRange[1])
      for (cChara& c : g_lstChara)
        if (!c.m_bRemoved && c.m_Data.m_bBlockChara && !c.m_bDead && c.m_bActive && c.IsInActiveRange(g_Stage.m_Quad[1]))
          RemoveChara(&c);
    if (m_bRemoveRange[2])
      for (cItem& item : g_lstItem)
        if (!item.m_bRemoved && item.IsInActiveRange(g_Stage.m_Quad[2])) RemoveItem(&item);
  }

  if (!hero.m_bDead) {
    int r = StageResult(ApplyBlockItem(hero));
    if (r == kSubStepGoOn) r = StageResult(StepCharas());
    if (r == kSubStepGoOn) r = StageResult(PickUpItems(hero));
    return r;
  }
  return kSubStepGoOn;
}

int cGameScene::StageResult(int result) {
  if (result == 1) return kSubStepStageEnd;
  if (result == 2) return HeroDeath(nullptr);
  return kSubStepGoOn;
}

// A chara whose update said it must go. KillCharaAndSettle has acted on
// its result already (stage end, the hero's death): any result but 0 only
// ends the frame.
int cGameScene::SettleGoneChara(cChara& c) {
  const int r = KillCharaAndSettle(&c);
  if (g_SystemData.m_bKeepDeadChara) {
    if (r == 1) {
      RemoveChara(&c);
      return kSubStepFrameEnd;
    }
    PlaySE(9);
  } else {
    RemoveChara(&c);
  }
  return r == 0 ? kSubStepGoOn : kSubStepFrameEnd;
}

int cGameScene::SettleDyingChara(cChara& c) {
  PlaySE(9);
  const int r = KillCharaAndSettle(&c);
  if (r == 1) RemoveChara(&c);
  return r == 0 ? kSubStepGoOn : kSubStepFrameEnd;
}

int cGameScene::StepHero(cHero& hero) {
  hero.RunFlowsByTrigger(0);
  m_bHeroDeathCheck = 0;
  if (hero.Update(0)) return HeroDeath(nullptr);
  if (m_nStageClearRequest == 1) return kSubStepStageEnd;
  if (m_nStageClearRequest == 2) return HeroDeath(nullptr);
  if (m_bHeroDeathCheck && CheckHeroDeath()) return kSubStepFrameEnd;
  const int effect = ApplyBlockEffect(hero);
  if (effect == 1) return kSubStepStageEnd;
  if (effect == 2) return HeroDeath(nullptr);
  CarryRiders(&hero, g_lstChara);

  const char* death = nullptr;
  const int moved = MoveHeroThroughMap(&hero, &death);
  if (moved == 2) return HeroDeath(death);
  const int contact = HitCharas(&hero, g_lstChara);
  const int settled = SettleHeroAfterContacts(&hero, contact, &death);
  if (settled == 2) return HeroDeath(death);
  hero.DecayForcedVX();
  hero.DecayForcedVY();
  return kSubStepGoOn;
}

// A block chara steps before the hero and only against the map; the
// other charas step after it, ride, and meet the block charas too.
int cGameScene::StepChara(cChara& c, int blockChara) {
  c.RunFlowsByTrigger(0);
  m_bHeroDeathCheck = 0;
  if (c.Update(0)) {
    if (!blockChara && c.m_bVanish) {
      RemoveChara(&c);
      return kSubStepGoOn;
    }
    return SettleGoneChara(c);
  }
  if (m_bHeroDeathCheck && CheckHeroDeath()) return kSubStepFrameEnd;
  if (!blockChara) CarryRiders(&c, g_lstChara);
  int die = 0, remove = 0;
  if (c.MoveX() == 4) remove = 1;
  if (HitBlocksX(&c) == 2) die = 1;
  c.ApplyGravityIfFree();
  const int my = c.MoveY();
  if (my == 7) die = 1;
  if (my == 8) remove = 1;
  if (HitBlocksY(&c) == 2) die = 1;
  if (!blockChara) {
    if (HitCharas(&c, g_lstChara) == 2) die = 1;
    CheckBlocksX(&c);
    CheckBlocksY(&c);
    if (Crushed(c)) die = 1;
  }
  if (die) return SettleDyingChara(c);
  if (remove) {
    RemoveChara(&c);
    return kSubStepGoOn;
  }
  c.DecayForcedVX();
  c.DecayForcedVY();
  return kSubStepGoOn;
}

// Drawing -----------------------------------------------------------------

void cGameScene::Draw(int live, int frozen, int timeWarning, int hint) {
  if (g_SD[63].bLost || g_SD[64].bLost) {
    BuildTileSheets();
    g_SD[63].bLost = g_SD[64].bLost = 0;
  }
  if (m_ScrEffect.m_nId != 0) DDSetVirtualBackBuffer(1);
  ScrollBackgrounds();
  DDSURFACEDATA* target = &BackBuffer;
  DrawBackgrounds(target, 0);
  if (!live && m_nState == 3 && g_SystemData.m_bPauseHideStage) {
    DrawBackgrounds(target, 1);
    DrawScreenTint(1);
    return;
  }
  DrawPictures(target, 0, frozen);
  DrawBlockMap(target, 0);
  const int layers = g_Stage.m_bLayeredDraw ? 8 : 1;
  ++m_CharaWalk.nDepth;
  for (int layer = 0; layer < layers; ++layer) {
    if (!Player.empty() && OnLayer(Player[0].m_Data.m_byZ, layer, layers)) DrawHero(frozen);
    DrawItems(target, layer, layers, frozen);
    for (cChara& c : g_lstChara) {
      if (c.m_bRemoved || !OnLayer(c.m_Data.m_byZ, layer, layers)) continue;
      if (DrawChara(c, frozen)) RemoveChara(&c);
    }
    DDBeginSpriteBatch(0);
    for (cShot& s : m_lstShot) {
      if (s.m_bRemoved || !OnLayer(s.m_Settings.m_byLayer, layer, layers) || !s.IsOnScreen()) continue;
      s.UpdateScreenRect();
      s.Draw(target, frozen);
    }
    DDEndSpriteBatch();
  }
  --m_CharaWalk.nDepth;
  SweepRemovedObjects();
  DrawBlockMap(target, 1);
  DrawBackgrounds(target, 1);
  // The pass runs in every play; marks meant only for a test play hold
  // themselves back outside one.
  DrawEditorOnlyOverlays(target);
  if (!Player.empty()) Player[0].DrawSightPicture(target);
  DrawPictures(target, 1, frozen);
  DrawEffects(target, frozen);
  UpdateMessageList(target, frozen);
  RunScrEffect(frozen);
  DrawStatusBar(target);
  DrawTimeLimit(target, timeWarning);
  if (hint) {
    int text = -1;
    if (g_bCmdLineStage)
      text = 27;
    else if (g_bTestPlay)
      text = 26;
    if (text >= 0) {
      const std::string& s = g_SystemData.m_vecText.At(text);
      g_TextRenderer[1].DrawText(target, 320 - 16 * GetCharCount(s) / 2, 456, s.c_str());
    }
  }
  CycleColors();
  DrawScreenTint(0);
}

void cGameScene::DrawItems(DDSURFACEDATA* target, int layer, int layers, int frozen) {
  // One batch ordered by the item sheet: in Direct3D an item's mark, from
  // another sheet, lies beneath the item.
  DDBeginSpriteBatch(1);
  DDSetSpriteOrder(&g_SD[kSheetItem]);
  for (cItem& item : g_lstItem) {
    if (item.m_bRemoved || !item.m_bOnScreen || !OnLayer(0, layer, layers)) continue;
    item.UpdateScreenRect();
    item.Draw(target, !frozen);
  }
  DDEndSpriteBatch();
}

void cGameScene::DrawHero(int frozen) {
  cHero& hero = Player[0];
  hero.UpdateScreenRect();
  if (!hero.m_bDead) {
    hero.Draw(&BackBuffer, frozen);
    hero.DrawLifeGauge(&BackBuffer);
    hero.DrawGauge2(&BackBuffer);
    return;
  }
  if (!hero.DrawEffectStep(&BackBuffer, frozen)) return;
  if (g_SceneManager.m_nTitleChoice == 4) {
    g_Progress.RestoreStageStart(1, g_SceneManager.m_nGameMode);
    SetStage(1, 1);
    m_nState = 1;
    return;
  }
  if (!UseLife()) {
    m_nState = 6;
    return;
  }
  if (g_Stage.m_bTakeOverHero) g_Progress.ClearFlaggedCarry();
  g_Progress.RestoreStageStart(0, g_SceneManager.m_nGameMode);
  if (g_SceneManager.m_nGameMode == 0 && g_SystemData.m_bStoryRetry) {
    m_nSubState = 0;
    m_nState = 5;
    return;
  }
  SetStage(1, 0);
  m_nState = 1;
}

int cGameScene::DrawChara(cChara& c, int frozen) {
  DDSURFACEDATA* target = &BackBuffer;
  if (c.m_bDead) {
    c.UpdateScreenRect();
    return c.DrawEffectStep(target, frozen) ? 1 : 0;
  }
  if (c.m_bOnScreen) {
    // A hidden chara's drawing only runs its effects.
    c.UpdateScreenRect();
    c.Draw(target, frozen);
    c.DrawLifeGauge(target);
    c.DrawGauge2(target);
    c.DrawBalloonMark(target);
    return 0;
  }
  if (c.m_bAppeared) {
    c.UpdateScreenRect();
    c.UpdateEffectInstances(frozen);
    c.DrawEffectOnly(frozen);
  }
  return 0;
}
