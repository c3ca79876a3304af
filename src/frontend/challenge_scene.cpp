#include "frontend/challenge_scene.h"

#include <algorithm>

#include "frontend/menu_scene.h"
#include "graphics/blit.h"
#include "graphics/builtin_tables.h"
#include "graphics/display.h"
#include "graphics/fill.h"
#include "graphics/font.h"
#include "records/path_table.h"
#include "records/progress_data.h"
#include "records/ranking_data.h"
#include "records/stage_data.h"
#include "records/system_data.h"
#include "services/log.h"
#include "services/sound.h"
#include "services/strings.h"
#include "stage/hbt_palette.h"
#include "stage/menu_cursor.h"
#include "stage/ranking_view.h"
#include "stage/scene_manager.h"
#include "stage/stage_load.h"

namespace {

constexpr int kChallengeMode = 1;
constexpr int kMusicSlot = 2;
constexpr int kAccessorySheet = 49;
constexpr int kPictures[] = {kAccessorySheet, 45};
constexpr int kPictureCount = static_cast<int>(sizeof kPictures / sizeof kPictures[0]);
constexpr int kChallengePathEntry = 37;  // data\stg4\c
constexpr int kStageExtension = 1;       // stg4

constexpr int kPageRows = 10;
constexpr int kListX = 32, kListY = 160, kRowStep = 32;
constexpr int kRankingX = 292, kRankingY = 108;
constexpr int kChallengeTitleItem = 2;
// System texts.
constexpr int kTextStage = 0, kTextHighScore = 3, kTextTotal = 4;

constexpr int kButtonConfirm = 1, kButtonCancel = 2, kButtonRanking = 4, kButtonRankingKind = 8;
constexpr int kSoundCursor = 0, kSoundConfirm = 1, kSoundCancel = 2, kSoundError = 3, kSoundRanking = 6;

int RankingOn() {
  const cCheckedVector<cSystemFlagListData>& modes = g_SystemData.m_vecModeRanking;
  return kChallengeMode < modes.Size() ? modes[kChallengeMode].m_bRanking : 0;
}

bool ShowBestScores() { return !g_Progress.m_bShowRanking && g_SystemData.m_bSelectShowHighScore; }

}  // namespace

const cChallengeScene::StateHandler cChallengeScene::m_StateTable[3] = {
    &cChallengeScene::FadeIn, &cChallengeScene::StateStageList, &cChallengeScene::FadeOut};

cChallengeScene::cChallengeScene() = default;

cChallengeScene::~cChallengeScene() { ReleaseScenePictures(kPictures, kPictureCount); }

void cChallengeScene::Update() { RunMenuSceneFrame(*this, 15); }

std::string cChallengeScene::StageFileName(int n) {
  return Format("%s%02d-1.%s", g_szPathTable[kChallengePathEntry], n, g_szExtTable[kStageExtension]);
}

void cChallengeScene::CountStages() {
  m_nStageCount = g_SystemData.m_bChallengeAllOpen ? g_SystemData.m_nChallengeStages : g_Progress.m_nChallengeOpen;
  m_nStageCount = std::max(0, m_nStageCount);
  // A page kept from a longer list starts on its last stage.
  m_nListTop = std::clamp(m_nListTop, 0, std::max(0, m_nStageCount - 1));
  m_nListRows = std::min(kPageRows, m_nStageCount - m_nListTop);
}

void cChallengeScene::LoadStageInfo(int n) {
  g_Progress.SetStageFile(StageFileName(n), 0, 0, 0);
  if (g_SceneManager.m_bRanking)
    LoadRanking(g_Ranking, g_SceneManager.m_nGameMode, g_Progress.m_strStageFile, 0, 0, 0);
}

void cChallengeScene::Enter() {
  RequestSceneMusic(kMusicSlot);
  LoadScenePictures(kPictures, kPictureCount);
  g_Cursor.Reset();
  g_Cursor.m_lpCur->nRow = g_SceneManager.m_nChallengeCursor;
  m_nListTop = g_SceneManager.m_nChallengeTop;
  CountStages();
  LoadStageInfo(g_Cursor.m_lpCur->nRow + 1);
  CreateSceneSurface(640, 480, 0);
  DrawList();
  m_nSubState = 0;
}

void cChallengeScene::DrawList() {
  DDSURFACEDATA* sd = SceneSurface();
  if (!sd) return;
  cFont& large = g_TextRenderer[2];
  cFont& small = g_TextRenderer[1];
  const cProgressData& p = g_Progress;
  DDFillSurface(sd, 16);
  large.DrawWindow(sd, 1, 1, 638, 478);

  const std::string& title = g_SystemData.m_vecTitleMenu.At(kChallengeTitleItem).m_strCaption;
  large.DrawTextF(sd, 320 - GetCharCount(title) * 16, 32, "%s", title.c_str());

  if (g_SystemData.m_bSelectShowTotal && p.m_nTotalScore > 0) {
    const std::string text = Format("%s%d", g_SystemData.m_vecText.At(kTextTotal).c_str(), p.m_nTotalScore);
    small.DrawText(sd, 320 - GetCharCount(text) * 16 / 2, 88, text.c_str());
  }
  const bool best = ShowBestScores();
  if (best) large.DrawTextF(sd, 32, 128, "         %s", g_SystemData.m_vecText.At(kTextHighScore).c_str());

  const std::string& label = g_SystemData.m_vecText.At(kTextStage);
  const int chars = GetCharCount(label);
  for (int i = 0; i < m_nListRows; ++i) {
    const int y = kListY + kRowStep * i;
    const int f = m_nListTop + i;
    large.DrawTextF(sd, 64, y, "%s%d", label.c_str(), f + 1);
    // A stage beyond the run's records has neither mark nor score.
    const bool known = f >= 0 && f < p.m_vecChallenge.Size();
    if (known && p.m_vecChallenge[static_cast<size_t>(f)].m_nFirst)
      DDBlt(sd, (chars + 4) * 32, y, 32, 32, &g_SD[kAccessorySheet], 96, 0, 1);
    if (best) large.DrawTextF(sd, chars * 32 + 192, y, "%d", known ? p.m_vecChallenge[static_cast<size_t>(f)].m_nSecond : 0);
  }
  if (RankingOn() && p.m_bShowRanking) DrawRanking(g_Ranking, sd, kRankingX, kRankingY, p.m_nRankingKind, -1);
  sd->bLost = 0;
}

void cChallengeScene::FadeIn() {
  if (!g_bD3D && g_nBpp == 8) DrawList();
  if (DDSURFACEDATA* sd = SceneSurface()) DDBlt(&BackBuffer, 0, 0, 640, 480, sd, 0, 0, 0);
  if (StepSceneFadeIn()) m_nState = 1;
}

void cChallengeScene::StateStageList() {
  const uint16_t dir = MenuDir();
  const uint16_t buttons = MenuButtons();
  MENUCURSOR& c = *g_Cursor.m_lpCur;
  CountStages();
  g_Cursor.MoveList(dir, 1, &m_nListTop, kListY, kRowStep, kListX, m_nListRows, m_nStageCount, 1);
  PlayCursorSE(&dir, 3, kSoundCursor);
  if (dir & 15) {
    CountStages();
    LoadStageInfo(c.nRow + 1);
    DrawList();
  }

  if ((buttons & kButtonConfirm) && c.nRow < m_nStageCount) {
    const std::string file = StageFileName(c.nRow + 1);
    if (!LoadPlayStage(file, 1, &g_StageStart)) {
      PlaySE(kSoundError);
      ErrorBoxf("ステージファイル %s が読み込めません！", file.c_str());
    } else {
      PlaySE(kSoundConfirm);
      cProgressData& p = g_Progress;
      p.SetStageFile(g_Stage.m_strPath, 0, 0, 0);
      p.m_nStageCount = 1;
      p.m_nStageNo = c.nRow + 1;
      if (g_SystemData.m_vecInfiniteLives.At(kChallengeMode)) {
        p.m_nStartLives = p.m_nLives = kUnlimitedLives;
      } else {
        p.m_nStartLives = g_SystemData.m_vecStartLives.At(kChallengeMode);
        p.m_nLives = p.m_nStartLives - 1;
      }
      p.m_nSeriesNo = 1;
      g_SceneManager.m_nChallengeCursor = c.nRow;
      g_SceneManager.m_nChallengeTop = m_nListTop;
      g_SceneManager.m_nNextScene = SCENE_GAME;
      m_nState = 2;
    }
  } else if (buttons & kButtonCancel) {
    PlaySE(kSoundCancel);
    g_SceneManager.m_nNextScene = SCENE_TITLE;
    m_nState = 2;
  } else if (buttons & (kButtonRanking | kButtonRankingKind)) {
    cProgressData& p = g_Progress;
    if (buttons & kButtonRanking) {
      if (RankingOn()) {
        PlaySE(kSoundRanking);
        p.m_bShowRanking = p.m_bShowRanking ? 0 : 1;
      } else {
        p.m_bShowRanking = 0;
      }
    }
    if ((buttons & kButtonRankingKind) && RankingOn() && g_SystemData.CountSetFlags(kChallengeMode) >= 2) {
      PlaySE(kSoundRanking);
      p.StepRankingKind(kChallengeMode, 1);
    }
    DrawList();
  }

  DDSURFACEDATA* sd = SceneSurface();
  if (sd && sd->bLost) DrawList();
  if (sd) DDBlt(&BackBuffer, 0, 0, 640, 480, sd, 0, 0, 0);
  CycleColors();
  DDBlt(&BackBuffer, c.nX, c.nY, 32, 32, &g_SD[kAccessorySheet], 0, 0, 1);
}

void cChallengeScene::FadeOut() {
  if (!StepSceneFadeOut()) return;
  FinishSceneFadeOut(SCENE_CHALLENGE, true);
}
