// STAND-INS for the five front-end scenes; see placeholder_scenes.h.
#include "app/placeholder_scenes.h"

#include <algorithm>

#include "app/globals.h"
#include "app/main_window.h"
#include "stage/game_scene.h"
#include "stage/scene_manager.h"
#include "graphics/display.h"
#include "graphics/fill.h"
#include "graphics/font.h"
#include "graphics/screen_fade.h"
#include "services/input.h"


cScene* CreateScene(int type) {
  switch (type) {
    case SCENE_TITLE: return new cTitleScene;
    case SCENE_WORLDMAP: return new cWorldMapScene;
    case SCENE_WORLDMENU: return new cWorldMenuScene;
    case SCENE_CHALLENGE: return new cChallengeScene;
    case SCENE_GAME: return new cGameScene;
    case SCENE_OPTION: return new cOptionScene;
    default: return nullptr;
  }
}

void cPlaceholderScene::Update() {
  if (!g_vecInput.empty()) {
    g_vecInput[0].ApplyRepeat();
    g_vecInput[0].ApplyTrigger(3);
  }
  if (m_nState == -1) {
    Enter();
    m_nState = 0;
  }
  switch (m_nState) {
    case 0: FadeIn(); break;
    case 1: Run(); break;
    case 2: FadeOut(); break;
    default: break;
  }
}

void cPlaceholderScene::Enter() {
  m_dAngle = 0;
  // Buttons still held from the scene before do not count as presses.
  m_wPrevButton = 0xFFFF;
}

void cPlaceholderScene::Draw() {
  DDFillSurface(&BackBuffer, 16);
  if (!g_TextRenderer[0].hFont.IsValid()) return;
  // Without icons: the font's letters a to z stand for icons of a sheet
  // that only the real scenes load.
  g_TextRenderer[0].DrawText(&BackBuffer, 32, 32, m_szName, 1);
  if (m_nType == SCENE_TITLE) g_TextRenderer[0].DrawText(&BackBuffer, 32, 64, "C: stage file   V: replay", 1);
}

bool cPlaceholderScene::RequestFile(uint32_t msg, int gameMode, int titleChoice) {
  if (!SendWindowRequest(msg)) return false;
  g_SceneManager.m_nGameMode = gameMode;
  g_SceneManager.m_nTitleChoice = titleChoice;
  g_SceneManager.m_nNextScene = SCENE_GAME;
  return true;
}

void cPlaceholderScene::FadeIn() {
  Draw();
  if (FadeStepStandIn(&m_dAngle, g_SceneManager.m_nFadeSpeed, true)) {
    m_dAngle = 90;
    m_nState = 1;
  }
  ShadeFrame(m_dAngle);
}

void cPlaceholderScene::Run() {
  Draw();
  const uint16_t buttons = g_vecInput.empty() ? 0 : g_vecInput[0].m_wButton;
  const uint16_t pressed = buttons & ~m_wPrevButton;
  m_wPrevButton = buttons;
  if (m_nType == SCENE_TITLE && (pressed & 4)) {
    // Free stage: game mode 2, title choice 3.
    if (!RequestFile(WM_T4_LOADSTAGE, 2, 3)) return;
  } else if (m_nType == SCENE_TITLE && (pressed & 8)) {
    // Replay: game mode 3, title choice 4.
    if (!RequestFile(WM_T4_LOADREPLAY, 3, 4)) return;
  } else if (buttons & 1)
    g_SceneManager.m_nNextScene = (m_nType + 1) % SCENE_TYPES;
  else if ((buttons & 2) && m_nType != SCENE_TITLE)
    g_SceneManager.m_nNextScene = SCENE_TITLE;
  else
    return;
  m_nState = 2;
}

void cPlaceholderScene::FadeOut() {
  Draw();
  if (!FadeStepStandIn(&m_dAngle, g_SceneManager.m_nFadeSpeed, false)) {
    ShadeFrame(m_dAngle);
    return;
  }
  DDFillSurface(&BackBuffer, 16);
  ShadeFrame(0);
  g_SceneManager.m_nPrevScene = m_nType;
  g_SceneManager.m_nScene = g_SceneManager.m_nNextScene;
  m_nState = -1;
}
