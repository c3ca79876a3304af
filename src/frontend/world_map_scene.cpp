#include "frontend/world_map_scene.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include "frontend/menu_scene.h"
#include "frontend/save_slot.h"
#include "graphics/batch.h"
#include "graphics/blit.h"
#include "graphics/builtin_tables.h"
#include "graphics/display.h"
#include "graphics/fill.h"
#include "graphics/font.h"
#include "records/progress_data.h"
#include "records/ranking_data.h"
#include "records/stage_data.h"
#include "records/system_data.h"
#include "records/worldmap_data.h"
#include "services/log.h"
#include "services/sound.h"
#include "stage/hbt_palette.h"
#include "stage/ranking_view.h"
#include "stage/scene_manager.h"
#include "stage/stage_load.h"
#include "stage/system_menu.h"

namespace {

constexpr int kStoryMode = 0;
constexpr int kMusicSlot = 1;
// The pictures in their load order: background, chips, node icons,
// accessories, window skin, and the work surface holding the composed map.
constexpr int kBackSheet = 54, kChipSheet = 52, kEventSheet = 53, kAccessorySheet = 49, kWorkSurface = 67;
constexpr int kPictures[] = {kBackSheet, kChipSheet, kEventSheet, kAccessorySheet, 45, kWorkSurface};
constexpr int kPictureCount = static_cast<int>(sizeof kPictures / sizeof kPictures[0]);

constexpr int kViewCols = 20, kViewRows = 15, kCell = 32;
// The hero stands on view cell (9, 7).
constexpr int kHeroCol = 9, kHeroRow = 7;
constexpr int kHeroX = kHeroCol * kCell, kHeroY = kHeroRow * kCell;
constexpr int kRankingX = 367, kRankingY = 64, kRankingW = 272, kRankingH = 352;
constexpr int kQuestionCentreX = 304, kQuestionY = 260;
constexpr int kQuestionText = 10;  // "ステージに挑む", "やっぱりやめる"
constexpr int kBestScoreText = 2;
constexpr int kInfoCentreX = 304;

constexpr int kDirLeft = 1, kDirRight = 2, kDirUp = 4, kDirDown = 8;
constexpr int kButtonConfirm = 1, kButtonCancel = 2, kButtonRanking = 4, kButtonRankingKind = 8;
constexpr int kSoundCursor = 0, kSoundConfirm = 1, kSoundCancel = 2, kSoundOpenMenu = 4, kSoundRanking = 6;

int CommonVariable(int n) {
  const cCheckedVector<int>& v = g_Progress.m_vecVar;
  return n >= 0 && n < v.Size() ? v[static_cast<size_t>(n)] : 0;
}

int RankingOn(int mode) {
  const cCheckedVector<cSystemFlagListData>& modes = g_SystemData.m_vecModeRanking;
  return mode >= 0 && mode < modes.Size() ? modes[static_cast<size_t>(mode)].m_bRanking : 0;
}

// Pixel offset of cell n of a sheet; false for a cell no sheet can hold
// (a damaged map's number must not overflow the offset).
bool SheetOffset(int64_t n, int* out) {
  if (n < 0 || n > (int64_t{1} << 20)) return false;
  *out = static_cast<int>(n * kCell);
  return true;
}

const cWorldChipData& ChipAt(int x, int y) {
  const int kind = g_WorldMap.m_vecCell.At(g_WorldMap.CellIndex(x, y));
  return g_WorldMap.m_vecChip.At(kind);
}

}  // namespace

int cWorldMapScene::s_nDrawnOriginX = -1;
int cWorldMapScene::s_nDrawnOriginY = -1;
int cWorldMapScene::s_nWalkCounter = 0;

const cWorldMapScene::StateHandler cWorldMapScene::m_StateTable[4] = {
    &cWorldMapScene::FadeIn, &cWorldMapScene::StateMap, &cWorldMapScene::StateConfirm, &cWorldMapScene::FadeOut};

int WorldFlagSet(int n) {
  const cCheckedVector<int>& flags = g_Progress.m_vecWorldFlag;
  return n >= 0 && n < flags.Size() && flags[static_cast<size_t>(n)] != 0 ? 1 : 0;
}

int FindAvailableStage(const cWorldNodeData& node) {
  for (int i = 0; i < node.m_vecStage.Size(); ++i) {
    const cWorldStageData& e = node.m_vecStage.At(i);
    if (e.m_nShowFlag > 0 && !WorldFlagSet(e.m_nShowFlag)) continue;
    if (e.m_nTestVar != 0 && !e.PassesVariableTest(CommonVariable(e.m_nTestVar))) continue;
    if (g_Progress.m_nTotalScore < e.m_nScoreNeeded) continue;
    return i;
  }
  return -1;
}

cWorldMapScene::cWorldMapScene() = default;

cWorldMapScene::~cWorldMapScene() { ReleaseScenePictures(kPictures, kPictureCount); }

void cWorldMapScene::Update() { RunMenuSceneFrame(*this, 15); }

// ---- look-ups -------------------------------------------------------------------

void cWorldMapScene::LookUpStage() {
  m_pNode = g_WorldMap.FindNodeAt(g_Cursor);
  m_pStage = nullptr;
  m_nStageIndex = -1;
  if (!m_pNode) return;
  m_nStageIndex = FindAvailableStage(*m_pNode);
  if (m_nStageIndex >= 0) m_pStage = &m_pNode->m_vecStage.At(m_nStageIndex);
}

bool cWorldMapScene::IsPlayable() const { return m_pStage && m_pStage->m_nKind == kWorldStagePoint; }
bool cWorldMapScene::IsCleared() const { return m_pStage && WorldFlagSet(m_pStage->m_nClearFlag); }
bool cWorldMapScene::IsOpen() const { return m_pStage && (IsCleared() || m_pStage->m_bPassUncleared); }

void cWorldMapScene::LoadStageInfo() {
  if (!m_pStage) return;
  const cWorldStageData& e = *m_pStage;
  g_Progress.SetStageFile(e.m_strStageFile, e.m_bKeyedRanking, e.m_nKey1, e.m_nKey2);
  m_nBestScore = g_Progress.GetBestScore(g_Progress.m_strRankingKey);
  if (!g_SceneManager.m_bRanking) return;
  const int mode = g_SceneManager.m_nGameMode;
  LoadRanking(g_Ranking, mode, g_Progress.m_strStageFile, e.m_bKeyedRanking, e.m_nKey1, e.m_nKey2);
  g_Progress.StepRankingKind(mode, 0);
  RedrawRanking();
}

void cWorldMapScene::StartMapStage() {
  if (!m_pStage) return;
  const cWorldStageData& e = *m_pStage;
  cProgressData& p = g_Progress;
  p.m_nMapStage = m_nStageIndex;
  p.SetStageFile(g_Stage.m_strPath, e.m_bKeyedRanking, e.m_nKey1, e.m_nKey2);
  p.m_nStageCount = 1;
  p.m_nStageNo = e.m_nClearFlag;
  if (g_SystemData.m_bKeepLives) {
    // The record's lives carry over; stage play takes one on entering.
    p.m_nStartLives = g_SystemData.m_vecInfiniteLives.At(kStoryMode)
                          ? kUnlimitedLives
                          : static_cast<int>(std::min<int64_t>(int64_t{p.m_nLives} + 1, INT32_MAX));
  } else {
    p.m_nStartLives = g_SystemData.m_vecStartLives.At(kStoryMode);
  }
}

// ---- entering -------------------------------------------------------------------

void cWorldMapScene::Enter() {
  RequestSceneMusic(kMusicSlot);
  std::snprintf(g_SDDef[kBackSheet].szFileName, sizeof g_SDDef[kBackSheet].szFileName, "%s",
                g_WorldMap.m_strBackPicture.c_str());
  LoadScenePictures(kPictures, kPictureCount);

  g_Cursor.Reset();
  g_Progress.RecountTotal();
  MENUCURSOR& c = *g_Cursor.m_lpCur;
  // A position off the map (a damaged save) starts where a new story does,
  // as a position beyond the map's size already does when the record loads.
  c.nCol = g_Progress.m_nMapX >= 0 && g_Progress.m_nMapX < g_WorldMap.m_nWidth ? g_Progress.m_nMapX : g_WorldMap.m_nStartX;
  c.nRow = g_Progress.m_nMapY >= 0 && g_Progress.m_nMapY < g_WorldMap.m_nHeight ? g_Progress.m_nMapY : g_WorldMap.m_nStartY;
  c.nX = kHeroX;
  c.nY = kHeroY;
  m_nOriginX = c.nCol - kHeroCol;
  m_nOriginY = c.nRow - kHeroRow;
  m_nFacing = g_Progress.m_nMapDir;

  LookUpStage();
  m_SavedCursor = c;

  CreateSceneSurface(kRankingW, kRankingH, 1);
  RedrawRanking();
  if (IsPlayable()) {
    LoadStageInfo();
    m_InfoCursor = c;
  }

  if (g_Progress.m_bAutoSave && g_SceneManager.m_nPrevScene == SCENE_GAME && g_Progress.m_nSaveSlot >= 0 &&
      !SaveStorySlot(g_Progress.m_nSaveSlot))
    PlaySE(3);

  ComposeMap();
  m_nSubState = 0;
}

// ---- drawing --------------------------------------------------------------------

void cWorldMapScene::ComposeMap() {
  DDSURFACEDATA* work = &g_SD[kWorkSurface];
  const int ox = m_nOriginX, oy = m_nOriginY;
  DDFillSurface(work, static_cast<DWORD>(g_WorldMap.m_nBackColor));
  // The background picture's top left lies under map cell (0, 0).
  if (g_WorldMap.m_bBackPicture)
    DDBlt(work, std::max(0, -ox) * kCell, std::max(0, -oy) * kCell, 640, 480, &g_SD[kBackSheet],
          std::max(0, ox) * kCell, std::max(0, oy) * kCell, 0);

  DDBeginSpriteBatch(0);
  for (int vy = 0; vy < kViewRows; ++vy) {
    const int y = oy + vy;
    if (y < 0 || y >= g_WorldMap.m_nHeight) continue;
    for (int vx = 0; vx < kViewCols; ++vx) {
      const int x = ox + vx;
      if (x < 0 || x >= g_WorldMap.m_nWidth) continue;
      const int p = ChipAt(x, y).m_nPicture;
      int sx = 0, sy = 0;
      if (!SheetOffset(p % 5, &sx) || !SheetOffset(p / 5, &sy)) continue;
      DDBlt(work, vx * kCell, vy * kCell, kCell, kCell, &g_SD[kChipSheet], sx, sy, 1);
    }
  }
  DDEndSpriteBatch();

  DDBeginSpriteBatch(0);
  for (int i = 0; i < g_WorldMap.m_vecNode.Size(); ++i) {
    const cWorldNodeData& node = g_WorldMap.m_vecNode.At(i);
    // Only nodes in view; the surface would clip the others anyway.
    if (node.m_nX < ox || node.m_nX >= ox + kViewCols || node.m_nY < oy || node.m_nY >= oy + kViewRows) continue;
    const int n = FindAvailableStage(node);
    if (n < 0) continue;
    const cWorldStageData& e = node.m_vecStage.At(n);
    int sy = 0;
    if (!SheetOffset(e.m_nMarkRow, &sy)) continue;
    DDBlt(work, (node.m_nX - ox) * kCell, (node.m_nY - oy) * kCell, kCell, kCell, &g_SD[kEventSheet],
          WorldFlagSet(e.m_nClearFlag) ? kCell : 0, sy, 1);
  }
  DDEndSpriteBatch();

  work->bLost = 0;
  s_nDrawnOriginX = ox;
  s_nDrawnOriginY = oy;
}

void cWorldMapScene::FollowCursor() {
  const MENUCURSOR& c = *g_Cursor.m_lpCur;
  m_nOriginX = c.nCol - kHeroCol;
  m_nOriginY = c.nRow - kHeroRow;
  if (m_nOriginX != s_nDrawnOriginX || m_nOriginY != s_nDrawnOriginY) ComposeMap();
}

void cWorldMapScene::RedrawRanking() {
  DDSURFACEDATA* sd = SceneSurface();
  if (!sd) return;
  DDFillSurface(sd, 0);
  DrawRanking(g_Ranking, sd, 0, 0, g_Progress.m_nRankingKind, -1);
}

void cWorldMapScene::DrawFrame(int info) {
  DDSURFACEDATA* work = &g_SD[kWorkSurface];
  if (work->bLost) ComposeMap();
  DDBlt(&BackBuffer, 0, 0, 640, 480, work, 0, 0, 0);

  // Two walking pictures, 40 frames each.
  if (++s_nWalkCounter > 80) s_nWalkCounter = 1;
  const int sy = (m_nFacing == 0 || m_nFacing == 1) ? 64 : 96;
  const int sx = ((m_nFacing == 0 || m_nFacing == 3) ? 0 : 64) + (s_nWalkCounter > 40 ? kCell : 0);
  DDBlt(&BackBuffer, kHeroX, kHeroY, kCell, kCell, &g_SD[kAccessorySheet], sx, sy, 1);

  cFont& font = g_TextRenderer[1];
  if (g_SystemData.m_bMapShowLives) {
    const int lives = g_Progress.m_nLives;
    char text[16];
    const int digits = lives == kUnlimitedLives ? 1 : std::snprintf(text, sizeof text, "%d", lives);
    const int x = 605 - digits * 16;
    font.DrawWindow(&BackBuffer, x, 17, (digits + 1) * 16, 20);
    DDBlt(&BackBuffer, x, 19, 16, 16, &g_SD[kAccessorySheet], 0, 48, 1);
    if (lives == kUnlimitedLives)
      font.DrawText(&BackBuffer, x + 16, 19, "∞");
    else
      font.DrawText(&BackBuffer, x + 16, 19, text);
  }

  if (info && IsPlayable()) {
    if (RankingOn(kStoryMode) && g_Progress.m_bShowRanking)
      if (DDSURFACEDATA* ranking = SceneSurface())
        DDBlt(&BackBuffer, kRankingX, kRankingY, kRankingW, kRankingH, ranking, 0, 0, 1);
    const bool best = g_SystemData.m_bMapShowScore && m_nBestScore > 0;
    const int y = best ? 184 : 204;
    if (!m_pStage->m_strTitle.empty()) DrawCentredWindowText(font, &BackBuffer, kInfoCentreX, y, m_pStage->m_strTitle);
    if (best)
      DrawCentredWindowText(font, &BackBuffer, kInfoCentreX, y + 20,
                            Format("%s%d", g_SystemData.m_vecText.At(kBestScoreText).c_str(), m_nBestScore));
  }
  CycleColors();
}

void cWorldMapScene::HandleRankingKeys(uint16_t buttons) {
  if (buttons & kButtonRanking) {
    if (RankingOn(kStoryMode)) {
      PlaySE(kSoundRanking);
      g_Progress.m_bShowRanking = g_Progress.m_bShowRanking ? 0 : 1;
    } else {
      g_Progress.m_bShowRanking = 0;
    }
    RedrawRanking();
  }
  if (buttons & kButtonRankingKind) {
    if (g_SystemData.CountSetFlags(kStoryMode) >= 2) {
      PlaySE(kSoundRanking);
      g_Progress.StepRankingKind(kStoryMode, 1);
    }
    RedrawRanking();
  }
}

// ---- states ---------------------------------------------------------------------

void cWorldMapScene::FadeIn() {
  // An 8-bit picture's colours follow the palette the fade changes.
  if (!g_bD3D && g_nBpp == 8) RedrawRanking();
  DrawFrame(g_Progress.m_bBackToMap ? 0 : 1);
  if (!StepSceneFadeIn()) return;
  m_nState = 1;
  if (!IsPlayable()) return;
  MENUCURSOR& c = *g_Cursor.m_lpCur;
  if (g_Progress.m_bBackToMap) {
    // Left through the pause or retry menu: off a stage still to be won.
    g_Progress.m_bBackToMap = 0;
    if (!IsCleared()) {
      c.nCol = std::clamp(g_Progress.m_nPrevMapX, 0, std::max(0, g_WorldMap.m_nWidth - 1));
      c.nRow = std::clamp(g_Progress.m_nPrevMapY, 0, std::max(0, g_WorldMap.m_nHeight - 1));
      m_nOriginX = c.nCol - kHeroCol;
      m_nOriginY = c.nRow - kHeroRow;
      ComposeMap();
      LookUpStage();
    }
  } else if (g_SceneManager.m_nPrevScene != SCENE_WORLDMENU && !IsOpen()) {
    // Standing on a stage that must be played: it starts at once.
    const std::string& file = m_pStage->m_strStageFile;
    if (LoadPlayStage(file, 1, &g_StageStart)) {
      StartMapStage();
      g_Progress.m_nPrevMapX = c.nCol;
      g_Progress.m_nPrevMapY = c.nRow;
      g_SceneManager.m_nNextScene = SCENE_GAME;
      m_nState = 3;
    } else {
      ErrorBoxf("ステージファイル %s が読み込めません！", file.c_str());
      PostCloseToMainWindow();
    }
  }
}

void cWorldMapScene::StateMap() {
  const uint16_t dir = MenuDir();
  const uint16_t buttons = MenuButtons();
  MENUCURSOR& c = *g_Cursor.m_lpCur;

  if (dir & 15) {
    g_Progress.m_nPrevMapX = c.nCol;
    g_Progress.m_nPrevMapY = c.nRow;
    m_SavedCursor = c;
    if (dir & kDirLeft) {
      --c.nCol;
      m_nFacing = 2;
    } else if (dir & kDirRight) {
      ++c.nCol;
      m_nFacing = 3;
    } else if (dir & kDirUp) {
      --c.nRow;
      m_nFacing = 1;
    } else if (dir & kDirDown) {
      ++c.nRow;
      m_nFacing = 0;
    }
    c.nCol = std::clamp(c.nCol, 0, std::max(0, g_WorldMap.m_nWidth - 1));
    c.nRow = std::clamp(c.nRow, 0, std::max(0, g_WorldMap.m_nHeight - 1));
    LookUpStage();
    // A wall, or blocked ground without a stage to stand on: the hero only
    // turns.
    const bool refused = m_pStage ? m_pStage->m_nKind == kWorldWall : ChipAt(c.nCol, c.nRow).m_bImpassable != 0;
    if (refused) {
      c = m_SavedCursor;
    } else {
      FollowCursor();
      g_Progress.m_nMapDir = m_nFacing;
    }
  }
  c.nX = kHeroX;
  c.nY = kHeroY;
  PlayCursorSE(&dir, 3, kSoundCursor);
  LookUpStage();

  if (IsPlayable()) {
    if (c.nCol != m_InfoCursor.nCol || c.nRow != m_InfoCursor.nRow) {
      LoadStageInfo();
      m_InfoCursor = c;
    }
    const bool replayBarred = IsCleared() && !m_pStage->m_bReplayable;
    if (!IsOpen() || ((buttons & kButtonConfirm) && !replayBarred)) {
      g_Progress.m_nMapX = c.nCol;
      g_Progress.m_nMapY = c.nRow;
      g_Cursor.Push(0);
      m_nSubState = 0;
      m_nState = 2;
      DrawFrame(1);
      return;
    }
  }
  HandleRankingKeys(buttons);
  if (buttons & kButtonCancel) {
    PlaySE(kSoundOpenMenu);
    g_Progress.m_nMapX = c.nCol;
    g_Progress.m_nMapY = c.nRow;
    g_SceneManager.m_nNextScene = SCENE_WORLDMENU;
    m_nState = 3;
  }
  DrawFrame(1);
}

void cWorldMapScene::StateConfirm() {
  const uint16_t dir = MenuDir();
  const uint16_t buttons = MenuButtons();
  if (m_nSubState == 0) {
    PlaySE(kSoundConfirm);
    m_bStageLoaded = m_pStage && LoadPlayStage(m_pStage->m_strStageFile, 1, &g_StageStart) ? 1 : 0;
    if (!m_bStageLoaded)
      ErrorBoxf("ステージファイル %s が読み込めません！", m_pStage ? m_pStage->m_strStageFile.c_str() : "");
    g_Cursor.m_lpCur->nRow = 1;
    m_nSubState = 1;
  }
  const int x = g_SystemData.GetSystemMenuLeft(kQuestionCentreX, kQuestionText, 2, 1);
  g_Cursor.Move(dir, x, kQuestionY, 0, 16, 1, 2);
  PlayCursorSE(&dir, 2, kSoundCursor);

  bool close = false;
  if (buttons & kButtonConfirm) {
    PlaySE(kSoundConfirm);
    if (g_Cursor.m_lpCur->nRow == 0 && m_bStageLoaded) {
      g_Progress.m_nMapDir = m_nFacing;
      StartMapStage();
      m_nSubState = 0;
      m_nState = 3;
      g_SceneManager.m_nNextScene = SCENE_GAME;
      DrawFrame(1);
      return;
    }
    close = true;
  } else if (buttons & kButtonCancel) {
    PlaySE(kSoundCancel);
    close = true;
  }
  if (close) {
    const bool open = IsOpen();
    g_Cursor.Pop(1);
    if (!open) {
      // The hero steps back off the stage it would not play.
      *g_Cursor.m_lpCur = m_SavedCursor;
      FollowCursor();
      LookUpStage();
    }
    m_nSubState = 0;
    m_nState = 1;
    DrawFrame(1);
    return;
  }
  HandleRankingKeys(buttons);
  DrawFrame(1);
  DrawSystemMenu(g_SystemData, g_TextRenderer[1], &BackBuffer, x, kQuestionY, kQuestionText, 2, 1);
  DrawListCursor(g_Cursor.m_lpCur->nX, g_Cursor.m_lpCur->nY);
}

void cWorldMapScene::FadeOut() {
  DrawFrame(1);
  if (!StepSceneFadeOut()) return;
  FinishSceneFadeOut(SCENE_WORLDMAP, true);
}
