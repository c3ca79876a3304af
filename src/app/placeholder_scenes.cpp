// STAND-INS for the six scenes; see placeholder_scenes.h.
#include "app/placeholder_scenes.h"

#include <algorithm>

#include "app/globals.h"
#include "app/main_window.h"
#include "app/scene_manager.h"
#include "graphics/color.h"
#include "graphics/fill.h"
#include "graphics/palette.h"
#include "platform/numeric.h"
#include "graphics/font.h"
#include "services/input.h"

namespace {

// Stand-in for the palette fades DDFadeIn / DDFadeOut of the screen
// effects: only the angle and the moment of completion, no colour change.
// Fading in, the angle rises by `step` to 90 and completion comes on the
// call after it got there; fading out it falls to 0 the same way.
bool FadeStepStandIn(double* angle, double step, bool fadeIn) {
  if (fadeIn) {
    if (*angle < 90) {
      *angle = std::min(90.0, *angle + step);
      return false;
    }
    *angle = 0;
    return true;
  }
  if (*angle > 0) {
    *angle = std::max(0.0, *angle - step);
    return false;
  }
  *angle = 90;
  return true;
}

// The stand-ins' backdrop: one dark blue in every drawing mode, as bright
// as the fade's level (0 black .. 1). Palette numbers would not do: 16- and
// 32-bit DirectDraw never load the palette, and the 8-bit palette is not
// faded by the stand-in.
void FillBackdrop(double level) {
  level = std::clamp(level, 0.0, 1.0);
  auto channel = [&](uint32_t c) { return static_cast<uint32_t>(plat::TruncToInt(c * level)); };
  const uint32_t r = channel(0x20), g = channel(0x30), b = channel(0x60);
  if (lpDTCon) {
    DDFillSurfaceColor(&BackBuffer, 0xFF000000u | r << 16 | g << 8 | b);
  } else if (g_nBpp == 8) {
    DDFillSurface(&BackBuffer, 16);
  } else {
    COLORBITS bits{};
    DDGetColorBits(&bits);
    DDFillSurfaceColor(&BackBuffer, PackScaled(bits, r, g, b));
  }
}

}  // namespace

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
  // Fading, the picture follows the fade's angle.
  FillBackdrop(m_nState == 1 ? 1.0 : m_dAngle / 90.0);
  cFont& font = g_TextRenderer[0];
  if (!font.hFont.IsValid()) return;
  // White on the backdrop whatever the project's palette holds (white has
  // the same value as a Direct3D and as a DirectDraw text colour).
  const DWORD color = font.dwColor;
  font.dwColor = 0xFFFFFFFFu;
  font.DrawText(&BackBuffer, 32, 32, m_szName);
  if (m_nType == SCENE_TITLE) font.DrawText(&BackBuffer, 32, 64, "C: stage file   V: replay");
  font.dwColor = color;
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
  if (!FadeStepStandIn(&m_dAngle, g_SceneManager.m_nFadeSpeed, false)) return;
  FillBackdrop(0.0);
  g_SceneManager.m_nPrevScene = m_nType;
  g_SceneManager.m_nScene = g_SceneManager.m_nNextScene;
  m_nState = -1;
}
