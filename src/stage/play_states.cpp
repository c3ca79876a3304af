// The play scene's states around the play frame: entering, the fades, the
// ready banners, the pause menu, the results, the retry query and game
// over; the modal frame loops that run on thPause and thRanking while the
// game thread waits; and the small helpers (pause key, time limit, play
// time, lives, stage music).
#include <string>
#include <vector>

#include "graphics/blit.h"
#include "graphics/builtin_tables.h"
#include "graphics/fill.h"
#include "graphics/font.h"
#include "graphics/number.h"
#include "graphics/palette_fx.h"
#include "graphics/surface.h"
#include "objects/chara_base.h"
#include "objects/hero.h"
#include "platform/input.h"
#include "platform/messages.h"
#include "records/cmd_entry.h"
#include "records/option_data.h"
#include "records/progress_data.h"
#include "records/ranking_data.h"
#include "records/stage_data.h"
#include "records/system_data.h"
#include "services/game_threads.h"
#include "services/input.h"
#include "services/log.h"
#include "services/sound.h"
#include "services/strings.h"
#include "services/timing.h"
#include "services/window_requests.h"
#include "stage/free_stage.h"
#include "stage/game_scene.h"
#include "stage/menu_cursor.h"
#include "stage/ranking_view.h"
#include "stage/replay_data.h"
#include "stage/scene_manager.h"
#include "stage/stage_surfaces.h"
#include "stage/system_menu.h"

MENUANCHOR g_ptMenuAnchor[3];

void InitMenuAnchors() {
  g_ptMenuAnchor[0] = {320, 272, 0, 0};
  g_ptMenuAnchor[1] = {320, 272, 0, 0};
  g_ptMenuAnchor[2] = {184, 64, 0, 0};
}

namespace {

constexpr int kWordSheet = 51;       // "bmp\Word.bmp": the banners
constexpr int kAccessorySheet = 49;  // "bmp\Accessory.bmp": the menu cursor
constexpr int kBackgroundSlot = 55;  // the eight background slots 55..62

DDSURFACEDATA* Sheet(int index) { return &g_SD[index]; }

void DrawBanner(int sx, int sy, int w, int x, int y) { DDBlt(&BackBuffer, x, y, w, 32, Sheet(kWordSheet), sx, sy, 1); }

void DrawMenuCursor() {
  if (!g_Cursor.m_lpCur) return;
  DDBlt(&BackBuffer, g_Cursor.m_lpCur->nX, g_Cursor.m_lpCur->nY, 16, 16, Sheet(kAccessorySheet), 64, 0, 1);
}

int CursorRow() { return g_Cursor.m_lpCur ? g_Cursor.m_lpCur->nRow : 0; }
void SetCursorRow(int row) {
  if (g_Cursor.m_lpCur) g_Cursor.m_lpCur->nRow = row;
}

cInput* Player0Input() { return g_vecInput.empty() ? nullptr : &g_vecInput[0]; }

// A menu state's frame: its first frame puts the cursor on `row`; then
// player 0's input with its triggers and repeats. Null when the menu does
// not run this frame.
cInput* BeginMenuFrame(int& subState, int row) {
  if (subState == 0) {
    SetCursorRow(row);
    subState = 1;
  } else if (subState != 1) {
    return nullptr;
  }
  cInput* in = Player0Input();
  if (!in) return nullptr;
  in->ApplyTrigger(0);
  in->ApplyRepeat();
  return in;
}

void PostClose() { plat::PostMessage(g_hWnd.load(), WM_CLOSE, 0, 0); }

// The eight background slots take the pictures of the stage's backgrounds
// (an empty name where there is none), bitmaps larger than the screen in
// system memory. A hidden background is loaded too, so that a command can
// show it later: the shown switch decides only the drawing.
void FillBackgroundSlots() {
  for (int i = 0; i < 8; ++i) {
    DDSURFACEDEF& def = g_SDDef[kBackgroundSlot + i];
    const cBackgroundData* bg =
        static_cast<size_t>(i) < g_Stage.m_vecBackground.size() ? &g_Stage.m_vecBackground[static_cast<size_t>(i)] : nullptr;
    if (bg && !bg->m_strPicture.empty()) {
      std::snprintf(def.szFileName, sizeof def.szFileName, "%s", bg->m_strPicture.c_str());
      if (!g_bD3D) {
        int tooLarge = 0;
        DDCheckBitmapSize(&tooLarge, def.szFileName, 640, 480);
        def.dwDDMemType = tooLarge ? 1 : 0;
      }
    } else {
      def.szFileName[0] = '\0';
    }
  }
}

bool LoadBackgroundSlots() {
  int indices[8];
  for (int i = 0; i < 8; ++i) indices[i] = kBackgroundSlot + i;
  return DDLoadSurfaces(g_SD, indices, 8);
}

// The 65 built-in surfaces the play scene draws with: 2-47, 49-51, 55-70.
std::vector<int> SceneSurfaceIndices() {
  std::vector<int> indices;
  for (int i = 2; i <= 47; ++i) indices.push_back(i);
  for (int i = 49; i <= 51; ++i) indices.push_back(i);
  for (int i = 55; i <= 70; ++i) indices.push_back(i);
  return indices;
}

bool LoadSceneSurfaces() {
  const std::vector<int> indices = SceneSurfaceIndices();
  return DDLoadSurfaces(g_SD, indices.data(), static_cast<int>(indices.size()));
}

template <class C, class D>
void ReleaseSurfaces(C& surfaces, D& defs) {
  DDReleaseSurfaceVector(surfaces);
  surfaces.clear();
  defs.clear();
}

// The hint line of the results and the play frame, centred at y 456.
void DrawCentredText(int textIndex) {
  const std::string& text = g_SystemData.m_vecText.At(textIndex);
  g_TextRenderer[1].DrawText(&BackBuffer, 320 - 16 * GetCharCount(text) / 2, 456, text.c_str());
}

}  // namespace

void cGameScene::ReleaseEnteredSurfaces() {
  for (int i : SceneSurfaceIndices()) DDReleaseSurface(&g_SD[i]);
  ReleaseSurfaces(g_vecCharaExcSD, g_vecCharaExcSDDef);
  ReleaseSurfaces(g_vecSwordSD, g_vecSwordSDDef);
  ReleaseSurfaces(g_vecEffectSD, g_vecEffectSDDef);
  ReleaseSurfaces(g_vecSceneSD, g_vecSceneSDDef);
  ReleaseStageBmps();
  ReleaseStageLists();
  m_bSurfacesLoaded = 0;
}

void cGameScene::Update() {
  if (m_bFailed) return;
  if (m_nState == -1) {
    Enter();
    if (m_bFailed) return;
    m_nState = 0;
  }
  switch (m_nState) {
    case 0: FadeIn(); break;
    case 1: StateReady(); break;
    case 2: StatePlay(); break;
    case 3: StatePause(); break;
    case 4: StateStageClear(); break;
    case 5: StateRetryQuery(); break;
    case 6: StateGameOver(); break;
    case 7: FadeOut(); break;
    default: break;
  }
}

void cGameScene::Enter() {
  m_bResultHint = 0;
  m_vecRankPlace.resize(5, 0);
  m_vecResult.resize(5, 0);
  SelectSpriteSurfaces();
  FillBackgroundSlots();
  const int restart = g_SceneManager.m_nPrevScene == SCENE_GAME ? 1 : 0;
  if (!restart) {
    m_bSurfacesLoaded = 1;
    if (!LoadSceneSurfaces()) {
      PostClose();
      m_bFailed = 1;
      return;
    }
    BuildTileSheets();
    LoadStageCharaBmps();
    LoadStageSwords();
    LoadStageEffects();
    ResetPlayState();
    UseLife();
  } else if (!LoadBackgroundSlots()) {
    PostClose();
    m_bFailed = 1;
    return;
  }
  if (!SetStage(restart, 1)) {
    m_bFailed = 1;
    return;
  }
  g_Cursor.Reset();
  m_nSubState = 0;
}

void cGameScene::FadeIn() {
  Draw(0, 1, 0, 1);
  if (DDFadeIn(g_PaletteWork, 0, 255, 0, 0, 0, g_SceneManager.m_nFadeSpeed, g_Palette, 0)) m_nState = 1;
}

void cGameScene::StateReady() {
  if (g_SceneManager.m_nTitleChoice == 4 && TakeReplayReloadFailure()) {
    // The watched replay could not be read again: back to the title.
    Draw(0, 1, 0, 1);
    SetCursorRow(g_SceneManager.m_nTitleChoice);
    g_SceneManager.m_nNextScene = SCENE_TITLE;
    m_nSubState = 0;
    m_nState = 7;
    return;
  }
  Draw(0, 1, 0, 1);
  if (!(g_bTestPlay && g_bCmdLineStage)) {
    // The replay banner stands where the stage-number banner would; the
    // start banner follows either.
    if (g_SceneManager.m_nTitleChoice == 4) {
      if (++m_nBannerCount < 80) {
        DrawBanner(0, 32, 128, 256, 224);
        return;
      }
    } else if (g_Stage.m_bStageBanner && ++m_nBannerCount < 80) {
      DrawBanner(0, 0, 128, 256, 224);
      DDDrawNumber(&BackBuffer, 384, 224, 32, 32, Sheet(kWordSheet), 0, 128, 1, g_Progress.m_nStageNo, 0, 0);
      return;
    }
    if (g_Stage.m_bStartBanner && ++m_nStartBannerCount < 80) {
      DrawBanner(160, 0, 80, 280, 224);
      return;
    }
  }
  if (!Player.empty()) Player[0].m_Anime.SetPattern(Player[0].m_bScrollLock ? 2 : 0, 0);
  m_nBannerCount = 0;
  m_nState = 2;
}

void cGameScene::StatePause() {
  if (CheckReplayKeys()) return;
  // Rebuilt every frame: the captions may change with the language.
  m_vecPauseMenu.clear();
  for (int i = 0; i < 4; ++i) m_vecPauseMenu.push_back(cCmd(1, g_SystemData.m_vecText.At(19 + i)));
  const int mode = g_SceneManager.m_nGameMode;
  if (mode == 0) {
    const int stage = g_Progress.m_nStageNo;
    const int cleared =
        stage >= 0 && static_cast<size_t>(stage) < g_Progress.m_vecWorldFlag.size() && g_Progress.m_vecWorldFlag[static_cast<size_t>(stage)];
    if (!(g_SystemData.m_bPauseRetryStory && cleared)) m_vecPauseMenu[2].m_bEnable = 0;
    if (!(g_SystemData.m_bPauseMapStory && cleared)) m_vecPauseMenu[3].m_bEnable = 0;
  } else if (mode == 1) {
    const int pair = g_Progress.m_nStageNo - 1;
    const int played = pair >= 0 && static_cast<size_t>(pair) < g_Progress.m_vecChallenge.size() &&
                       g_Progress.m_vecChallenge[static_cast<size_t>(pair)].m_nFirst != 0;
    if (!(g_SystemData.m_bPauseRetryChallenge && played)) m_vecPauseMenu[2].m_bEnable = 0;
    m_vecPauseMenu[3].m_bEnable = 0;
  } else {
    m_vecPauseMenu[3].m_bEnable = 0;
  }

  cInput* in = BeginMenuFrame(m_nSubState, 1);
  if (!in) return;
  MENUANCHOR& anchor = g_ptMenuAnchor[0];
  anchor.x = GetCmdMenuLeft(320, m_vecPauseMenu);
  g_Cursor.Move(in->m_wDir, anchor.x, anchor.y, 0, 16, 1, cCmd::GetCmdCount(m_vecPauseMenu));
  PlayCursorSE(&in->m_wDir, 2, 0);

  if (in->m_wButton & 1) {
    switch (cCmd::GetCmdNum(CursorRow(), m_vecPauseMenu)) {
      case 0:  // quit
        PlaySE(1);
        m_nState = 7;
        if (g_bCmdLineStage) {
          PostClose();
        } else {
          SetCursorRow(g_SceneManager.m_nTitleChoice);
          g_SceneManager.m_nNextScene = SCENE_TITLE;
          m_nSubState = 0;
        }
        return;
      case 1:  // continue
        PlaySE(1);
        m_bButtonLock = 1;
        m_nState = m_nSavedState;
        m_nSubState = m_nSavedSubState;
        return;
      case 2:  // retry
        PlaySE(1);
        m_bButtonLock = 1;
        g_Progress.RestoreStageStart(1, g_SceneManager.m_nGameMode);
        SetStage(1, 0);
        m_nState = 1;
        m_nSubState = 0;
        return;
      case 3:  // back to the map
        PlaySE(1);
        m_bButtonLock = 1;
        g_Progress.RestoreStageStart(0, g_SceneManager.m_nGameMode);
        g_Progress.m_bBackToMap = 1;
        g_SceneManager.m_nNextScene = SCENE_WORLDMAP;
        m_nSubState = 0;
        m_nState = 7;
        return;
      default: break;
    }
  }
  if (in->m_wButton & 2) {
    PlaySE(2);
    m_bButtonLock = 1;
    m_nState = m_nSavedState;
    m_nSubState = m_nSavedSubState;
    return;
  }
  Draw(0, 1, 0, 1);
  DrawCmdMenu(g_TextRenderer[1], &BackBuffer, anchor.x, anchor.y, m_vecPauseMenu);
  DrawMenuCursor();
}

void cGameScene::StateStageClear() {
  const int skip = g_Stage.m_bSkipResults;
  const int manual = g_OptionData.m_nEntryMode == 0 || g_OptionData.m_nEntryMode == 1;
  if (!skip) {
    if (CheckPauseKey()) {
      m_nSubState = 0;
      m_nState = 3;
      return;
    }
    if (CheckReplayKeys()) return;
    if (manual && plat::IsKeyDown(VK_F3)) EnterRanking();
  }
  if (m_nSubState == 0) {
    m_nBannerCount = 0;
    m_nSubState = 1;
  } else if (m_nSubState != 1) {
    return;
  }
  cInput* in = Player0Input();
  if (in) {
    in->ApplyTrigger(0);
    in->ApplyRepeat();
  }
  const int pressed = in && (in->m_wButton & 1);
  if (m_nBannerCount >= 200 && (skip || pressed)) {
    if (!skip) {
      if (m_bRankingPossible && !manual)
        EnterRanking();
      else
        PlaySE(1);
    }
    g_SceneManager.m_nNextScene = GoToNextStage();
    m_nBannerCount = 0;
    m_nSubState = 0;
    m_nState = 7;
    return;
  }

  bool anyPlace = false;
  for (int p : m_vecRankPlace) anyPlace = anyPlace || p != -1;
  if (!skip && !m_bRankingEntered && anyPlace && manual) {
    Draw(0, 1, 0, 0);
    DrawCentredText(28);
  } else {
    Draw(0, 1, 0, 1);
  }

  if (g_Stage.m_bClearBanner) {
    m_nBannerCount += 4;
    if (m_nBannerCount < 100) {
      const int shift = 100 - m_nBannerCount;
      for (int row = 0; row < 32; row += 4) {
        const int dx = (row / 4) % 2 == 0 ? shift : -shift;
        DDBlt(&BackBuffer, 256 + dx, 192 + row, 128, 4, Sheet(kWordSheet), 0, 64 + row, 1);
      }
    } else {
      DrawBanner(0, 64, 128, 256, 192);
    }
  } else {
    m_nBannerCount = 200;
  }
  if (m_nBannerCount >= 200 && g_SceneManager.m_bRanking && !skip) DrawModeTotals(&BackBuffer, 336, 224, m_vecRankPlace);
}

void cGameScene::StateRetryQuery() {
  if (CheckReplayKeys()) return;
  cInput* in = BeginMenuFrame(m_nSubState, 0);
  if (!in) return;
  MENUANCHOR& anchor = g_ptMenuAnchor[1];
  anchor.x = g_SystemData.GetSystemMenuLeft(320, 23, 2, 1);
  g_Cursor.Move(in->m_wDir, anchor.x, anchor.y, 0, 16, 1, 2);
  PlayCursorSE(&in->m_wDir, 2, 0);
  if (in->m_wButton & 1) {
    PlaySE(1);
    if (CursorRow() == 0) {
      SetStage(1, 0);
      m_nState = 1;
    } else {
      g_Progress.m_bBackToMap = 1;
      g_SceneManager.m_nNextScene = SCENE_WORLDMAP;
      m_nSubState = 0;
      m_nState = 7;
    }
    return;
  }
  Draw(0, 1, 0, 1);
  DrawSystemMenu(g_SystemData, g_TextRenderer[1], &BackBuffer, anchor.x, anchor.y, 23, 2, 1);
  DrawMenuCursor();
}

void cGameScene::StateGameOver() {
  if (CheckPauseKey()) {
    m_nSubState = 0;
    m_nState = 3;
    return;
  }
  if (CheckReplayKeys()) return;
  cInput* in = Player0Input();
  if (in && (in->m_wButton & 1)) {
    PlaySE(1);
    g_SceneManager.m_nNextScene = SCENE_TITLE;
    m_nState = 7;
    return;
  }
  Draw(0, 1, 0, 1);
  if (g_Stage.m_bGameOverBanner) DrawBanner(0, 96, 144, 248, 224);
}

void cGameScene::FadeOut() {
  Draw(0, 1, 0, 1);
  if (!DDFadeOut(g_PaletteWork, 0, 255, 0, 0, 0, g_SceneManager.m_nFadeSpeed, g_Palette, 0)) return;
  DDFillSurface(&BackBuffer, 16);
  // A free stage starts afresh from its file. Not in a series: its next
  // stage is already loaded and the run (score, lives) goes on into it;
  // starting that file afresh would make it a single stage and the series
  // would never reach its third.
  if (g_SceneManager.m_nTitleChoice == 3 && !g_bChallengePlay && !(g_Progress.m_nSeriesNo && !g_bCmdLineStage)) {
    const std::string path = g_Stage.m_strPath;
    if (!StartFreeStage(path.c_str(), 0)) PostClose();
  }
  g_SceneManager.m_nFps = 60;
  g_SceneManager.m_nScene = g_SceneManager.m_nNextScene;
  g_SceneManager.m_nPrevScene = SCENE_GAME;
  m_nState = -1;
}

void cGameScene::ResetPlayState() {
  const int replaying = g_SceneManager.m_nTitleChoice == 4;
  if (!replaying) g_Progress.SetStageEntryVariable();
  g_Progress.m_nLives = g_Progress.m_nStartLives;
  g_Progress.m_nScoreGained = 0;
  g_Progress.m_nScore = 0;
  g_Progress.m_nTimeLeft = g_Progress.m_nClearTime = 0;
  g_Progress.m_nResultLife = g_Progress.m_nResultSp = 0;
  g_Progress.m_nClearValue1 = 0;
  m_ScrollX.m_dPos = 0.0;
  m_ScrollX.m_bAtLimit = 0;
  m_ScrollY.m_dPos = 0.0;
  m_ScrollY.m_bAtLimit = 0;
  m_nSubState = 0;
  m_nBannerCount = m_nStartBannerCount = 0;
  m_bButtonLock = 0;
  m_nTimeLimit = 0;
  m_bRankingEntered = 0;
  ClearMessages();
  if (!replaying) {
    g_Replay.Reset();
    g_ReplayPrev.Reset();
  }
  if (g_bCmdLineStage) g_Progress.m_nStageNo = 1;
  if (g_SceneManager.m_bRanking)
    LoadRanking(g_Ranking, g_SceneManager.m_nGameMode, g_Progress.m_strStageFile, g_Progress.m_bMapStage,
                g_Progress.m_nStageX, g_Progress.m_nStageY);
}

int cGameScene::UseLife() {
  if (g_bCmdLineStage) return 1;
  if (g_Progress.m_nLives == kUnlimitedLives) return 1;
  if (g_Progress.m_nLives >= 1) {
    --g_Progress.m_nLives;
    return 1;
  }
  return 0;
}

int cGameScene::CheckPauseKey() {
  if (!plat::IsKeyDown(VK_SPACE)) return 0;
  PlaySE(4);
  m_nSavedState = m_nState;
  m_nSavedSubState = m_nSubState;
  return 1;
}

int cGameScene::CountDownTimeLimit(int delta) {
  if (m_bNoTimeLimit) return 0;
  if (!CountFrames(1, 60)) return 0;
  m_nTimeLimit += delta;
  if (m_nTimeLimit > 999) m_nTimeLimit = 999;
  if (m_nTimeLimit <= 0) {
    m_nTimeLimit = 0;
    return 1;
  }
  return 0;
}

void cGameScene::CountPlayTime() {
  if (m_nPlayTime >= 599999) return;
  ++m_nPlayFrames;
  const long long t = static_cast<long long>(m_nPlayFrames) * 100 / 60;
  m_nPlayTime = t > 599999 ? 599999 : static_cast<int>(t);
}

int cGameScene::RunModalWait(int post) {
  if (!thPause.Start(PauseThreadProc, this)) return 0;
  if (post) {
    // The thread takes messages once its queue exists.
    while (!plat::PostThreadMessage(thPause.m_dwThreadId, WM_APP, 0, 0)) {
      if (!thPause.IsRunning()) break;
      plat::Sleep(0);
    }
  }
  thPause.Wait();
  return 1;
}

unsigned PauseThreadProc(void* arg) {
  cGameScene* scene = static_cast<cGameScene*>(arg);
  if (!scene || scene->m_bQuit.load()) return 0;
  std::vector<cInput> input = g_vecInput;
  if (input.empty()) return 0;
  input[0].ClearHistory();
  input[0].TrimPressHistory();
  input[0].ClearDir();
  input[0].ClearButtons();
  WAITINFO& wait = scene->m_Wait;
  uint32_t quitSeen = 0;
  int quitNoted = 0;
  uint16_t prevButtons = 0xFFFF;
  for (;;) {
    MSG msg;
    if (plat::PeekMessage(&msg, true) && msg.message == WM_QUIT) break;
    if (plat::QuitRequested()) break;
    if (!g_bActive.load()) {
      plat::Sleep(1);
      continue;
    }
    if (scene->m_bQuit.load()) {
      if (!quitNoted) {
        quitNoted = 1;
        quitSeen = plat::timeGetTime();
      } else if (static_cast<int32_t>(plat::timeGetTime() - quitSeen) >= 2000) {
        break;
      }
      plat::Sleep(1);
      continue;
    }
    WaitFrame();
    if (!g_SceneManager.RestoreSurfaces()) PostClose();
    g_SceneManager.PollInput(input);
    input[0].RecordHistory();
    input[0].ApplyTrigger(0);
    if (CheckReplayKeys()) continue;
    const uint16_t buttons = input[0].m_wButton;
    if (wait.nKeyDelay > 0) {
      --wait.nKeyDelay;
    } else if (wait.bKeyWait) {
      if ((buttons & 1) && !(prevButtons & 1)) {
        PlaySE(wait.nMode == 1 ? 12 : 1);
        scene->m_bButtonLock = 1;
        scene->m_bMesClosed = 1;
        break;
      }
    } else if (--wait.nFrames < 0) {
      break;
    }
    prevButtons = buttons;
    scene->Draw(0, 1, 0, 1);
    g_SceneManager.Present();
  }
  return 1;
}

unsigned RankingThreadProc(void* arg) {
  cGameScene* scene = static_cast<cGameScene*>(arg);
  if (!scene) return 0;
  g_Progress.StepRankingKind(g_SceneManager.m_nGameMode, 0);
  std::vector<cInput>& input = g_vecInput;
  if (input.empty()) return 0;
  for (;;) {
    MSG msg;
    if (plat::PeekMessage(&msg, true) && msg.message == WM_QUIT) return 1;
    if (plat::QuitRequested()) return 1;
    if (!g_bActive.load()) {
      plat::Sleep(1);
      continue;
    }
    WaitFrame();
    if (!g_SceneManager.RestoreSurfaces()) PostClose();
    g_SceneManager.PollInput(input);
    input[0].ApplyTrigger(0);
    input[0].ApplyRepeat();
    if (input[0].m_wButton & 1) {
      PlaySE(1);
      return 1;
    }
    if ((input[0].m_wButton & 8) && g_SystemData.CountSetFlags(g_SceneManager.m_nGameMode) >= 2) {
      PlaySE(6);
      g_Progress.StepRankingKind(g_SceneManager.m_nGameMode, 1);
    }
    scene->Draw(0, 1, 0, 1);
    const int kind = g_Progress.m_nRankingKind;
    const int place = kind >= 0 && static_cast<size_t>(kind) < scene->m_vecRankPlace.size()
                          ? scene->m_vecRankPlace[static_cast<size_t>(kind)]
                          : -1;
    DrawRanking(g_Ranking, &BackBuffer, g_ptMenuAnchor[2].x, g_ptMenuAnchor[2].y, kind, place);
    g_SceneManager.Present();
  }
}

void PlayStageBgm(int bgm, int loop) {
  g_bBgmLoop = loop;
  g_Progress.m_nStageBgm = bgm;
  g_Progress.m_bStageBgmLoop = loop;
  plat::SendMessage(g_hWnd.load(), WM_T4_PLAYBGM, 4, bgm);
}
