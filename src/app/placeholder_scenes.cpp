// STAND-INS for the six scenes; see placeholder_scenes.h.
#include "app/placeholder_scenes.h"

#include <algorithm>

#include "app/globals.h"
#include "app/main_window.h"
#include "app/scene_manager.h"
#include "graphics/display.h"
#include "graphics/fill.h"
#include "graphics/font.h"
#include "services/input.h"

namespace {

// Stand-in for the palette fades DDFadeIn / DDFadeOut of the screen
// effects: the angle and the moment of completion (ShadeFrame shows it).
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

BYTE Scaled(BYTE v, int level) { return static_cast<BYTE>(v * level >> 8); }

// The frame as a fade at `angle` shows it, from black at 0 to the picture
// at 90: in 8-bit DirectDraw through the working palette, as the real fades
// do; elsewhere the drawn frame is darkened.
void ShadeFrame(double angle) {
  const int level = std::clamp(static_cast<int>(angle * 256 / 90), 0, 256);
  if (!g_bD3D && g_nBpp == 8) {
    if (!g_lpDDPal) return;
    for (int i = 0; i < 256; ++i) {
      const PALETTEENTRY& e = g_Palette[i];
      g_PaletteWork[i] = PALETTEENTRY{Scaled(e.peRed, level), Scaled(e.peGreen, level), Scaled(e.peBlue, level),
                                      e.peFlags};
    }
    g_lpDDPal->SetEntries(0, 256, g_PaletteWork);
    return;
  }
  if (level >= 256) return;
  cSurfaceLock lock;
  if (!lock.Lock(&BackBuffer)) return;
  const COLORBITS cb = ColorBitsOfFormat(lock.m_Format);
  const uint64_t masks[3] = {uint64_t(cb.nMaskR) << cb.nShiftR, uint64_t(cb.nMaskG) << cb.nShiftG,
                             uint64_t(cb.nMaskB) << cb.nShiftB};
  const uint64_t keep = ~(masks[0] | masks[1] | masks[2]);
  // Each field scaled in place: the bits below a field that the product
  // leaves are cut by its mask.
  auto shade = [&](uint64_t p) {
    uint64_t out = p & keep;
    for (uint64_t m : masks) out |= ((p & m) * static_cast<uint64_t>(level) >> 8) & m;
    return out;
  };
  const DDSURFACEDATA* sd = lock.m_lpSD;
  const PixelBuffer* buffer = sd->Pixels();
  const int w = std::min(sd->nWidth, buffer->width), h = std::min(sd->nHeight, buffer->height);
  for (int y = 0; y < h; ++y) {
    if (lock.m_nBytes == 4) {
      uint32_t* row = lock.Row<uint32_t>(y);
      for (int x = 0; x < w; ++x) row[x] = static_cast<uint32_t>(shade(row[x]));
    } else if (lock.m_nBytes == 2) {
      uint16_t* row = lock.Row<uint16_t>(y);
      for (int x = 0; x < w; ++x) row[x] = static_cast<uint16_t>(shade(row[x]));
    }
  }
  DDUnlock(lock);
}

}  // namespace

cScene* CreateScene(int type) {
  switch (type) {
    case SCENE_TITLE: return new cTitleScene;
    case SCENE_WORLDMAP: return new cWorldMapScene;
    case SCENE_WORLDMENU: return new cWorldMenuScene;
    case SCENE_CHALLENGE: return new cChallengeScene;
    case SCENE_GAME: return new cStagePlayPlaceholder;
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
