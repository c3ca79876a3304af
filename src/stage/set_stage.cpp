// Building a running stage from the loaded stage record: every attempt
// (the first, each restart, a watched replay's repeat) goes through here, in
// one fixed order, because that order decides the random numbers drawn.
#include <cstdint>
#include <new>

#include "graphics/display.h"
#include "graphics/surface.h"
#include "objects/chara.h"
#include "objects/effect.h"
#include "objects/hero.h"
#include "objects/item.h"
#include "objects/shot.h"
#include "platform/messages.h"
#include "platform/numeric.h"
#include "platform/random.h"
#include "records/database.h"
#include "records/palette_data.h"
#include "records/progress_data.h"
#include "records/stage_data.h"
#include "records/system_data.h"
#include "services/game_threads.h"
#include "services/input.h"
#include "services/log.h"
#include "services/timing.h"
#include "services/window_requests.h"
#include "stage/block_cell.h"
#include "stage/game_scene.h"
#include "stage/menu_cursor.h"
#include "stage/replay_data.h"
#include "stage/scene_manager.h"

namespace {

// The schedule of the sub-steps in which shots are tested against charas:
// K of the N sub-steps, spread evenly, every one when K is 0. K is taken
// within 0..N, and nothing divides by N when there are no sub-steps.
std::vector<int> ShotTestSchedule(int n, int k) {
  if (n <= 0) return {};
  if (k < 0) k = 0;
  if (k > n) k = n;
  std::vector<int> schedule(static_cast<size_t>(n), k == 0 ? 1 : 0);
  if (k == 0) return schedule;
  const double step = static_cast<double>(n) / k;
  double a = 0.0;
  int count = 0;
  do {
    schedule[static_cast<size_t>(plat::TruncToInt(a))] = 1;
    a += step;
    ++count;
  } while (plat::TruncToInt(a) < n);
  if (count < k) schedule[static_cast<size_t>(n - 1)] = 1;
  return schedule;
}

int BitsFor(int v) {
  int shift = 0;
  while (shift < 30 && (1 << shift) <= v) ++shift;
  return shift;
}

void AddOffset(cGameObject& o, double dx, double dy) {
  o.m_dX += dx;
  o.m_dY += dy;
  o.m_dRight += dx;
  o.m_dBottom += dy;
}

}  // namespace

std::vector<int> BuildShotTestSchedule(int n, int k) { return ShotTestSchedule(n, k); }

int cGameScene::SetStage(int restore, int restartMusic) {
  WriteECLog("In SetStage");
  m_nFrameCounter = 0;

  // Objects of the previous attempt.
  m_vecTeamShot.assign(kTeamCount, {});
  m_lstShot.clear();
  m_vecTeamChara.assign(kTeamCount, {});
  m_BlockCharas.bValid = false;
  g_lstChara.clear();
  g_lstItem.clear();

  if (restore) {
    // A replay that cannot be read again sends the player back to the
    // title from the ready state (the loader has shown why).
    if (g_SceneManager.m_nTitleChoice == 4) ReloadWatchedReplay();
    g_Stage.RestoreSettingsFrom(g_StageStart);
  }

  if (g_SceneManager.m_nTitleChoice == 4) {
    g_Replay.Rewind();
    m_nSeed = static_cast<unsigned>(g_Replay.m_nSeed);
  } else if (g_SystemData.m_bReplay) {
    g_ProgressReplayPrev = g_ProgressReplay;
    g_ProgressReplay = g_Progress;
    g_ReplayPrev = g_Replay;
    g_Replay.Reset();
    m_nSeed = plat::timeGetTime();
    g_Replay.m_nSeed = static_cast<int32_t>(m_nSeed);
  }
  plat::SeedRand(m_nSeed);

  const int heroIndex = g_Stage.FindHero();
  if (g_Stage.m_bTakeOverHero) g_Progress.RestoreCarry(0, g_Stage.m_vecChara.At(heroIndex), g_Stage);

  // Stage music.
  const int music = g_Stage.m_nBgm;
  const int loop = g_Stage.m_bBgmLoop;
  const int current = g_Progress.m_nStageBgm;
  if (!restartMusic) {
    if (current != music) PlayStageBgm(music, loop);
  } else if (!g_Stage.m_bBgmKeep || current != music) {
    PlayStageBgm(music, loop);
  } else if (music == 0) {
    PlayStageBgm(0, loop);
  }

  g_SceneManager.m_nBgm = 0;
  m_nCharaId = m_nItemId = m_nShotId = 0;
  g_Stage.SetHitLevel(g_Stage.m_nHitLevel);

  // The view's axes over the map: the stage with 10 cells of margin.
  const int width = g_Stage.m_nWidth, height = g_Stage.m_nHeight;
  cScrollAxis& x = m_ScrollX;
  x.m_nAxis = 0;
  x.m_nView = 640;
  x.m_nMargin = 10;
  x.m_nCells = width + 20;
  x.m_nOuter = g_Stage.m_nPixelWidth + 640;
  x.m_nRowShift = BitsFor(width + 19);
  x.m_nRowWidth = 1 << x.m_nRowShift;
  x.m_nBaseMin = 320;
  x.m_nBaseMax = (width + 10) * 32 > 0 ? (width + 10) * 32 : 0;
  x.SetAutoSpeed(g_Stage.m_nScrollModeX, g_Stage.m_nAutoScrollSpeedX);
  x.SetBounds(g_Stage.m_nScrollLimitLeft, g_Stage.m_nScrollLimitRight, g_Stage.m_bScrollLimitLeft,
              g_Stage.m_bScrollLimitRight);
  cScrollAxis& y = m_ScrollY;
  y.m_nAxis = 1;
  y.m_nView = 480;
  y.m_nMargin = 10;
  y.m_nOuter = g_Stage.m_nPixelHeight + 640;
  y.m_nRowShift = 0;
  y.m_nBaseMin = 320;
  y.m_nCells = height + 20;
  y.m_nRowWidth = y.m_nCells;
  y.m_nBaseMax = (height + 10) * 32 > 0 ? (height + 10) * 32 : 0;
  y.SetAutoSpeed(g_Stage.m_nScrollModeY, g_Stage.m_nAutoScrollSpeedY);
  y.SetBounds(g_Stage.m_nScrollLimitTop, g_Stage.m_nScrollLimitBottom, g_Stage.m_bScrollLimitTop,
              g_Stage.m_bScrollLimitBottom);

  // The block map.
  const long long cells = static_cast<long long>(height + 20) * x.m_nRowWidth;
  try {
    g_vecBlockMap.clear();
    g_vecBlockMap.assign(static_cast<size_t>(cells > 0 ? cells : 0), cBlockCell());
  } catch (const std::bad_alloc&) {
    ErrorBox("メモリ不足により、ステージの初期設定に失敗しました！");
    plat::PostMessage(g_hWnd.load(), WM_CLOSE, 0, 0);
    m_bFailed = 1;
    return 0;
  }
  for (cBlockCell& cell : g_vecBlockMap) {
    cell.m_sGraphic = 0;
    cell.m_byHitKind = 0;
    cell.m_bSummonProof = 0;
  }
  // The cells' hit kinds ask the scene whether a block is there.
  SetBlockAppearanceTest(&cGameScene::BlockAppearanceTest);
  for (const cBlockData& b : g_Stage.m_vecBlock) {
    const long long index = static_cast<long long>(b.m_sX + 10) + (static_cast<long long>(b.m_sY + 10) << x.m_nRowShift);
    if (b.m_sX + 10 < 0 || b.m_sX + 10 >= x.m_nRowWidth || index < 0 || index >= cells) {
      ReportBadVectorIndex(static_cast<int>(index), static_cast<int>(cells), static_cast<int>(sizeof(cBlockCell)));
      continue;
    }
    cBlockCell& cell = g_vecBlockMap[static_cast<size_t>(index)];
    static_cast<cBlockData&>(cell) = b;
    cell.m_byAppearLatch = 0;
  }

  // The hero.
  m_nHeroCount = 1;
  Player.assign(static_cast<size_t>(m_nHeroCount), cHero());
  WriteECLog("A");
  for (int i = 0; i < m_nHeroCount; ++i) {
    cHero& hero = Player[static_cast<size_t>(i)];
    cCharaData& r = g_Stage.m_vecChara.At(g_Stage.FindHero());
    const cProgressData& start = g_Progress;  // the stage-clear command's start position
    if (start.m_nClearValue1) r.m_byFacing = static_cast<BYTE>(start.m_nClearValue4);
    hero.InitFromTemplate(m_nCharaId, &r, (r.m_sX + 10) * 32 + 16, (r.m_sY + 10) * 32 + 16, 0);
    ++m_nCharaId;
    if (start.m_nClearValue1) {
      r.m_sX = static_cast<int16_t>(start.m_nClearValue2);
      r.m_sY = static_cast<int16_t>(start.m_nClearValue3);
    }
    hero.PlaceAtCell(r.m_sX, r.m_sY);
    AddOffset(hero, r.GetCloneOffsetX(0, r.m_byFacing), r.GetCloneOffsetY(0, r.m_byFacing));
    if (g_Stage.m_bTakeOverHero) g_Progress.RestoreCarryValues(i, hero.m_nLife, hero.m_nSP);
    hero.m_Anime.SetPattern(hero.m_bNoGravity ? 2 : 0, 0);
  }
  WriteECLog("B");

  cHero& hero0 = Player[0];
  x.m_dPos = hero0.m_dX - 320 + hero0.m_nW / 2;
  x.Clamp(1);
  y.m_dPos = hero0.m_dY - 240 + hero0.m_nH / 2;
  y.Clamp(1);
  hero0.UpdateScreenRect();
  if (hero0.m_Data.m_bySightShape != 0) CreateSightMask(this);

  m_vecStageVar.assign(kStageVariableCount, 0);
  WriteECLog("10");

  // Charas, with the items they carry; then the items lying on their own.
  std::vector<char> itemUsed(g_Stage.m_vecItem.size(), 0);
  for (cCharaData& r : g_Stage.m_vecChara) {
    if (r.m_byControl != kCharaControlComputer) continue;
    if (r.m_nCarryItem == -1) {
      PlaceStageCharas(g_lstChara, r.m_sX, r.m_sY, m_nCharaId, r, nullptr);
      continue;
    }
    cItem carried;
    carried.InitFromTemplate(m_nItemId, g_Stage.m_vecItem.At(r.m_nCarryItem), 1);
    ++m_nItemId;
    PlaceStageCharas(g_lstChara, r.m_sX, r.m_sY, m_nCharaId, r, &carried);
    if (r.m_nCarryItem >= 0 && static_cast<size_t>(r.m_nCarryItem) < itemUsed.size())
      itemUsed[static_cast<size_t>(r.m_nCarryItem)] = 1;
  }
  for (size_t k = 0; k < g_Stage.m_vecItem.size(); ++k) {
    if (itemUsed[k]) continue;
    const cItemData& r = g_Stage.m_vecItem[k];
    PlaceStageItems(g_lstItem, r.m_sX, r.m_sY, m_nItemId, r);
  }
  WriteECLog("11");
  WriteECLog("12");
  WriteECLog("C");
  WriteECLog("D");

  if (std::list<cCharaBase*>* team = TeamCharas(hero0.m_Data.m_byFaction)) team->push_back(&hero0);
  for (cChara& c : g_lstChara)
    if (std::list<cCharaBase*>* team = TeamCharas(c.m_Data.m_byFaction)) team->push_back(&c);

  for (int range = 0; range < 3; ++range) {
    const cStageQuad& q = g_Stage.m_Quad[range];
    m_bRemoveRange[range] = (q.m_bLeft || q.m_bRight || q.m_bTop || q.m_bBottom) ? 1 : 0;
  }

  ClearMessages();
  m_lstEffect.clear();
  InitDrawState();  // no screen effect, no tint
  m_Wait.nLast = 0;
  ReleaseStageBmps();
  ReleaseStageLists();

  m_vecShotTestStep = ShotTestSchedule(g_Stage.m_nSubSteps, g_Stage.m_nShotTestSteps);

  m_nStageClearRequest = 0;
  m_nBannerCount = m_nStartBannerCount = 0;
  if (g_Stage.m_bTimeLimit) {
    m_nTimeLimit = g_Stage.m_nTimeLimit;
    m_bNoTimeLimit = 0;
  } else {
    m_nTimeLimit = 999;
    m_bNoTimeLimit = 1;
  }
  m_nPlayFrames = m_nPlayTime = 0;
  m_vecGroupFlag.assign(60, 0);
  m_nNextStage = 0;
  m_nSubStepIndex = 0;
  m_nSubStepCount = 0;
  m_vecToggle.clear();
  m_lstItemContact.clear();
  g_Progress.m_nScoreGained = 0;

  const int testPlay = g_bTestPlay && g_bCmdLineStage;
  if (g_SceneManager.m_nTitleChoice == 4 || testPlay) g_Progress.ClearScoreTotals();
  g_Progress.SaveStageStart();

  for (cInput& input : g_vecInput) {
    input.ClearHistory();
    input.TrimPressHistory();
  }
  g_Cursor.Reset();
  CountFrames(0, g_Stage.m_nFps);

  for (cBackgroundData& bg : g_Stage.m_vecBackground) bg.m_dOffsetX = bg.m_dOffsetY = 0.0;

  if (!g_bD3D && g_nBpp == 8) {
    for (int i = 0; i < 256; ++i) g_PaletteWork[i] = g_Palette[i];
    if (g_lpDDPal) g_lpDDPal->SetEntries(0, 256, g_PaletteWork);
  }
  g_SceneManager.m_nFps = g_Stage.m_nFps;

  hero0.SetParentLink(nullptr);
  for (cChara& c : g_lstChara) c.SetParentLink(nullptr);

  // The flows that run before the stage starts.
  const int everyChara = g_SystemData.m_bCompat697;
  if (!everyChara) UpdateActiveObjects();
  hero0.RunFlowsByTrigger(21);
  ++m_CharaWalk.nDepth;
  for (cChara& c : g_lstChara) {
    if (c.m_bRemoved) continue;
    if (!everyChara && !c.m_bActive) continue;
    c.RunFlowsByTrigger(21);
    if (c.m_bVanish) {
      RemoveChara(&c);
    } else if (c.m_nLife <= 0) {
      KillCharaAndSettle(&c);
      RemoveChara(&c);
    }
  }
  --m_CharaWalk.nDepth;
  SweepRemovedObjects();
  UpdateActiveObjects();

  m_bStatusBar = g_Stage.m_bStatusLine;
  DDSetVirtualBackBuffer(0);
  WriteECLog("Out SetStage");
  return 1;
}

void cGameScene::PlaceStageCharas(std::list<cChara>& list, int cx, int cy, int& counter, const cCharaData& r,
                                  const cItem* item) {
  cCharaData local;
  local = r;
  for (int n = 0; n <= local.m_cExtraCopies; ++n) {
    // Built in its list node: links are only ever registered on the element
    // that stays.
    cChara& chara = list.emplace_back();
    chara.Spawn(counter, &local, item, ((cx + 10) * 32) | 16, ((cy + 10) * 32) | 16, n, 0);
    chara.PlaceAtCell(cx, cy);
    const double dx = local.GetCloneOffsetX(n, local.m_byFacing);
    const double dy = local.GetCloneOffsetY(n, local.m_byFacing);
    AddOffset(chara, dx, dy);
    if (!g_SystemData.m_bCompat768) {
      chara.m_dHomeX += dx;
      chara.m_dHomeY += dy;
    }
    if (!chara.IsInsideBounds(1)) {
      list.pop_back();
      continue;
    }
    chara.OnMovedX();
    chara.OnMovedY();
    chara.UpdateScreenRect();
    ++counter;
  }
}

void cGameScene::PlaceStageItems(std::list<cItem>& list, int cx, int cy, int& counter, const cItemData& r) {
  cItemData local;
  local = r;
  cItem& item = list.emplace_back();
  item.InitFromTemplate(counter, local, 0);
  item.PlaceAtCell(cx, cy);
  AddOffset(item, local.m_sOffsetX, local.m_sOffsetY);
  if (!item.IsInsideBounds(1)) {
    list.pop_back();
    return;
  }
  item.ClampX(2);
  item.ClampY(2);
  item.UpdateScreenRect();
  ++counter;
}
