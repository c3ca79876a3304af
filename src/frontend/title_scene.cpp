#include "frontend/title_scene.h"

#include <algorithm>
#include <string>

#include "frontend/menu_scene.h"
#include "frontend/save_slot.h"
#include "graphics/blit.h"
#include "graphics/builtin_tables.h"
#include "graphics/fill.h"
#include "graphics/font.h"
#include "graphics/prim.h"
#include "graphics/surface.h"
#include "records/cmd_entry.h"
#include "records/progress_data.h"
#include "records/system_data.h"
#include "records/worldmap_data.h"
#include "services/input.h"
#include "services/sound.h"
#include "services/strings.h"
#include "services/window_requests.h"
#include "stage/hbt_palette.h"
#include "stage/menu_cursor.h"
#include "stage/scene_manager.h"

namespace {

constexpr int kWindowSheet = 45;     // bmp\Window.bmp: window frames
constexpr int kTitleSheet = 47;      // bmp\Title.bmp: the 640 x 480 background
constexpr int kGameModeSheet = 48;   // bmp\GameMode.bmp: item pictures, one 32-pixel row per kind
constexpr int kAccessorySheet = 49;  // bmp\Accessory.bmp: the cursors
constexpr int kTitlePictures[] = {kTitleSheet, kGameModeSheet, kAccessorySheet, kWindowSheet};

constexpr int kSaveListX = 160, kSaveListY = 160;
constexpr int kSaveListMaxRows = 10;
constexpr int kStoryMode = 0;
constexpr int kChallengeMode = 1;
constexpr int kFreeStageMode = 2;
constexpr int kReplayMode = 3;

void SetGameMode(int mode) {
  g_SceneManager.m_nGameMode = mode;
  g_SceneManager.m_bRanking = g_SystemData.m_vecModeRanking.At(mode).m_bRanking;
}

// The lives rule of a new run in a game mode.
void SetStartLives(int mode) {
  if (g_SystemData.m_vecInfiniteLives.At(mode)) {
    g_Progress.m_nStartLives = g_Progress.m_nLives = kUnlimitedLives;
  } else {
    g_Progress.m_nStartLives = g_SystemData.m_vecStartLives.At(mode);
    g_Progress.m_nLives = g_Progress.m_nStartLives - 1;
  }
}

}  // namespace

// ---- starting a run from the title -------------------------------------------

void StartNewStory() {
  g_Progress.Reset();
  g_Progress.m_nMapX = g_WorldMap.m_nStartX;
  g_Progress.m_nMapY = g_WorldMap.m_nStartY;
  g_Progress.m_nWorld = 0;
  SetStartLives(kStoryMode);
}

// ---- the title scene ------------------------------------------------------------

const cTitleScene::StateHandler cTitleScene::m_StateTable[4] = {
    &cTitleScene::FadeIn, &cTitleScene::StateMenu, &cTitleScene::StateSaveList, &cTitleScene::FadeOut};

cTitleScene::~cTitleScene() {
  ReleaseScenePictures(kTitlePictures, static_cast<int>(std::size(kTitlePictures)));
}

void cTitleScene::Update() { RunMenuSceneFrame(*this, 3); }

bool cTitleScene::PictureMenu() const { return g_SystemData.m_bTitleMenuCentre != 0; }

void cTitleScene::Enter() {
  RequestSceneMusic(0);
  LoadScenePictures(kTitlePictures, static_cast<int>(std::size(kTitlePictures)));
  g_Cursor.Reset();

  m_nItemCount = 0;
  const cCheckedVector<cCmd>& menu = g_SystemData.m_vecTitleMenu;
  for (int kind = 0; kind < TITLE_ITEM_KINDS && kind < menu.Size(); ++kind)
    if (menu.At(kind).m_bEnable) m_nItemKind[m_nItemCount++] = kind;
  if (m_nItemCount == 0) {
    m_nItemKind[0] = TITLE_NEW_STORY;
    m_nItemCount = 1;
  }

  // Back on the title, the cursor rests on the item chosen last. A kind
  // that is not listed leaves that number as the row; the first move wraps
  // it into the list.
  const int choice = g_SceneManager.m_nTitleChoice;
  int row = choice;
  for (int i = 0; i < m_nItemCount; ++i)
    if (m_nItemKind[i] == choice) row = i;
  g_Cursor.m_lpCur->nRow = row;

  if (PictureMenu()) m_nMenuX = 288 - g_SD[kGameModeSheet].nWidth / 2;
  BuildMenuSurface();
  m_nSubState = 0;
}

void cTitleScene::BuildMenuSurface() {
  int width;
  if (PictureMenu()) {
    width = g_SD[kGameModeSheet].nWidth + 32;
  } else {
    int longest = 0;
    for (int i = 0; i < m_nItemCount; ++i)
      longest = std::max(longest, GetCharCount(g_SystemData.m_vecTitleMenu.At(m_nItemKind[i]).m_strCaption));
    width = longest * 32 + 34;
  }
  if (CreateSceneSurface(width, m_nItemCount * 32 + 2, 1)) DrawMenuSurface();
}

void cTitleScene::DrawMenuSurface() {
  DDSURFACEDATA* menu = SceneSurface();
  if (!menu) return;
  DDSURFACEDATA* modes = &g_SD[kGameModeSheet];
  if (PictureMenu()) {
    DDFillSurface(menu, 0);
    for (int i = 0; i < m_nItemCount; ++i)
      DDBlt(menu, 32, i * 32, modes->nWidth, 32, modes, 0, m_nItemKind[i] * 32, 0);
  } else {
    DDBltWithFrame(menu, 1, 1, menu->nWidth - 2, menu->nHeight - 2, &g_SD[kWindowSheet], 1, 240);
    for (int i = 0; i < m_nItemCount; ++i)
      g_TextRenderer[2].DrawText(menu, 32, i * 32, g_SystemData.m_vecTitleMenu.At(m_nItemKind[i]).m_strCaption.c_str());
  }
  menu->bLost = 0;
}

void cTitleScene::DrawTitlePicture() {
  DDBlt(&BackBuffer, 0, 0, 640, 480, &g_SD[kTitleSheet], 0, 0, 0);
  if (DDSURFACEDATA* menu = SceneSurface()) {
    if (menu->bLost) DrawMenuSurface();
    DDBlt(&BackBuffer, m_nMenuX, m_nMenuY, menu->nWidth, menu->nHeight, menu, 0, 0, 1);
  }
  CycleColors();
}

void cTitleScene::DrawMenuFrame() {
  DrawTitlePicture();
  DDBlt(&BackBuffer, g_Cursor.m_lpCur->nX, g_Cursor.m_lpCur->nY, 32, 32, &g_SD[kAccessorySheet], 0, 0, 1);
}

void cTitleScene::FadeIn() {
  // The menu's colours come from the palette the fade is changing.
  if (!g_bD3D && g_nBpp == 8) DrawMenuSurface();
  DrawTitlePicture();
  if (StepSceneFadeIn()) m_nState = 1;
}

void cTitleScene::FadeOut() {
  if (StepSceneFadeOut()) FinishSceneFadeOut(SCENE_TITLE, true);
}

bool cTitleScene::RequestStageFile() { return SendWindowRequest(WM_T4_LOADSTAGE) != 0; }

bool cTitleScene::RequestLoadReplay() { return SendWindowRequest(WM_T4_LOADREPLAY) != 0; }

void cTitleScene::StateMenu() {
  const uint16_t dir = MenuDir();
  g_Cursor.Move(dir, m_nMenuX, m_nMenuY, 0, 32, 1, m_nItemCount);
  PlayCursorSE(&dir, 2, 0);
  if (!(MenuButtons() & 1)) {
    DrawMenuFrame();
    return;
  }
  PlaySE(1);
  const int row = g_Cursor.m_lpCur->nRow;
  const int kind = row >= 0 && row < m_nItemCount ? m_nItemKind[row] : TITLE_NEW_STORY;
  g_SceneManager.m_nTitleChoice = kind;
  int next;
  switch (kind) {
    case TITLE_NEW_STORY:
      SetGameMode(kStoryMode);
      StartNewStory();
      next = SCENE_WORLDMAP;
      break;
    case TITLE_CONTINUE:
      SetGameMode(kStoryMode);
      g_Cursor.Push(0);
      m_nState = 2;
      m_nSubState = 0;
      return;
    case TITLE_CHALLENGE:
      SetGameMode(kChallengeMode);
      if (!LoadChallenge()) {
        g_Progress.Reset();
        // A damaged System.dat may hold a negative count: no stages then.
        g_Progress.m_vecChallenge.assign(static_cast<size_t>(std::max(0, g_SystemData.m_nChallengeStages)),
                                         cIntPairData());
      }
      next = SCENE_CHALLENGE;
      break;
    case TITLE_FREE_STAGE:
      SetGameMode(kFreeStageMode);
      if (!RequestStageFile()) {
        DrawMenuFrame();
        return;
      }
      next = SCENE_GAME;
      break;
    case TITLE_REPLAY:
      SetGameMode(kReplayMode);
      if (!RequestLoadReplay()) {
        DrawMenuFrame();
        return;
      }
      next = SCENE_GAME;
      break;
    case TITLE_OPTIONS:
      next = SCENE_OPTION;
      break;
    case TITLE_QUIT:
      PostCloseToMainWindow();
      return;
    default:
      return;
  }
  g_SceneManager.m_nNextScene = next;
  m_nState = 3;
}

void cTitleScene::StateSaveList() {
  if (m_nSubState == 0) {
    *g_Cursor.m_lpCur = MENUCURSOR{};
    m_nListTop = 0;
    m_nSubState = 1;
    ScanSaveSlots(g_vecSaveSlot);
  } else if (m_nSubState != 1) {
    return;
  }
  const int slots = g_vecSaveSlot.Size();
  m_nListRows = std::min(slots, kSaveListMaxRows);
  const uint16_t dir = MenuDir();
  const uint16_t buttons = MenuButtons();
  g_Cursor.MoveList(dir, 1, &m_nListTop, kSaveListY, 16, kSaveListX, m_nListRows, slots, 1);
  PlayCursorSE(&dir, 3, 0);
  if (buttons & 1) {
    const int row = g_Cursor.m_lpCur->nRow;
    if (!g_vecSaveSlot.At(row).m_bExists) {
      PlaySE(3);
    } else if (LoadStorySlot(row)) {
      PlaySE(1);
      g_SceneManager.m_nNextScene = SCENE_WORLDMAP;
      m_nState = 3;
      return;
    }
  } else if (buttons & 2) {
    PlaySE(2);
    // The menu cursor comes back where it was before the list opened.
    g_Cursor.Pop(1);
    m_nState = 1;
    m_nSubState = 0;
    return;
  }
  DDBlt(&BackBuffer, 0, 0, 640, 480, &g_SD[kTitleSheet], 0, 0, 0);
  CycleColors();
  DrawSaveSlots(&BackBuffer, kSaveListX, kSaveListY, g_vecSaveSlot, m_nListTop, m_nListRows);
  DrawListCursor(g_Cursor.m_lpCur->nX, g_Cursor.m_lpCur->nY);
}
