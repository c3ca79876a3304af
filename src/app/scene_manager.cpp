#include "stage/scene_manager.h"

#include "app/globals.h"
#include "frontend/challenge_scene.h"
#include "frontend/option_scene.h"
#include "frontend/title_scene.h"
#include "frontend/world_map_scene.h"
#include "frontend/world_menu_scene.h"
#include "records/start_option.h"
#include "graphics/font.h"
#include "graphics/restore.h"
#include "platform/messages.h"
#include "records/checked.h"
#include "records/stage_data.h"
#include "services/input.h"
#include "services/keyconfig.h"
#include "services/log.h"
#include "services/timing.h"

cSceneManager g_SceneManager;
int g_bBlitPresent = 0;

namespace {

// The main window's private message that restores the Direct3D device.
constexpr uint32_t kMsgRestoreDevice = WM_USER + 100;  // 1124

SceneFactory g_factory = nullptr;

// The frame-rate overlay: processing times of the last 16 frames.
struct FpsOverlay {
  int ring[16] = {};
  int index = 0;
  int average = 0;
};
FpsOverlay g_overlay;

}  // namespace

void SetSceneFactoryForTest(SceneFactory factory) { g_factory = factory; }

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

int cSceneManager::SlotOf(int type) {
  // The option scene is kept before the stage-play scene.
  static const int kSlot[SCENE_TYPES] = {0, 1, 2, 3, 5, 4};
  return type >= 0 && type < SCENE_TYPES ? kSlot[type] : -1;
}

cScene* cSceneManager::Scene(int type) const {
  int slot = SlotOf(type);
  return slot < 0 ? nullptr : m_lpScene[slot];
}

cSceneManager::~cSceneManager() { DeleteScenes(); }

void cSceneManager::DeleteScenes() {
  for (cScene*& scene : m_lpScene) {
    if (scene == g_pGameScene) g_pGameScene = nullptr;
    delete scene;
    scene = nullptr;
  }
}

void cSceneManager::SetScene(int type) {
  static const int kDeleteOrder[SCENE_TYPES] = {SCENE_TITLE,     SCENE_WORLDMENU, SCENE_WORLDMAP,
                                                SCENE_CHALLENGE, SCENE_GAME,      SCENE_OPTION};
  for (int t : kDeleteOrder) {
    if (t == type) continue;
    cScene*& scene = m_lpScene[SlotOf(t)];
    if (!scene) continue;
    if (scene == g_pGameScene) g_pGameScene = nullptr;
    delete scene;
    scene = nullptr;
  }
  int slot = SlotOf(type);
  if (slot < 0 || m_lpScene[slot]) return;
  m_lpScene[slot] = g_factory ? g_factory(type) : CreateScene(type);
  if (type == SCENE_GAME) g_pGameScene = dynamic_cast<cGameScene*>(m_lpScene[slot]);
}

void WaitFrame() {
  if (g_bD3D) return;  // Direct3D paces inside DDPresent
  while (!FrameLimit(g_SceneManager.m_nFps)) {
    if (plat::QuitRequested()) break;
    plat::Sleep(1);
  }
}

int cSceneManager::RestoreSurfaces() {
  if (g_bD3D) return 1;
  if (!DDIsSurfaceLost(&g_PrimarySD)) return 1;
  if (!DDRestore()) return 0;
  if (!RestoreSurfaceCollection(g_vecCharaExcSD) || !RestoreSurfaceCollection(g_vecEffectSD) ||
      !RestoreSurfaceCollection(g_vecSwordSD) || !RestoreSurfaceCollection(g_lstPictureSD) ||
      !RestoreSurfaceCollection(g_vecSceneSD) || !RestoreSurfaceCollection(Off_Msg))
    return 0;
  for (int i = 0; i < 3; ++i) {
    DDSURFACEDATA* sd = &g_NumberSD[i];
    if (!DDIsSurfaceLost(sd)) continue;
    DDRestoreSurfacePart(sd);
    if (sd->dwMemType == 0) DrawDigitsToSurface(sd, &g_TextRenderer[i]);
  }
  if (!Off_Msg.empty())
    WriteECLogf("if ( !RestoreSurface(Off_Msg) ) Off_Msg[0].bLost = %d", Off_Msg.front().bLost);
  return 1;
}

void cSceneManager::PollInput(std::vector<cInput>& input) {
  if (input.empty()) {
    // The checked access of player 0: reported, and the program closes.
    ReportBadVectorIndex(0, 0, static_cast<int>(sizeof(cInput)));
    return;
  }
  if (g_KeyConfig.use)
    input[0].PollKeyConfig(1, 60);
  else
    input[0].Poll(0, 3, 60);
}

void cSceneManager::Present() {
  if (g_bD3D) {
    if (!DDPresent(m_nFps, 0, nullptr) && g_bWindowed)
      plat::SendMessage(plat::MainWindowHandle(), kMsgRestoreDevice, 0, 0);
    return;
  }
  // Above 60 frames a second the present must not wait for the display.
  const bool fastStage = Scene(SCENE_GAME) && g_Stage.m_nFps > 60;
  if (g_bWindowed) {
    if (!fastStage) DDWaitForVerticalBlank();
    DDBltToPrimary();
  } else if (!g_bBlitPresent && !fastStage)
    DDFlip();
  else
    DDCopyBackToPrimary();
}

int cSceneManager::Frame() {
  WaitFrame();
  TimerStart();
  if (!g_bD3D && !RestoreSurfaces()) return 0;
  PollInput(g_vecInput);
  SetScene(m_nScene);
  if (cScene* scene = Scene(m_nScene)) scene->Update();
  const int fps = static_cast<int>(GetFPS(1));
  const int elapsed = static_cast<int>(TimerElapsed(1));
  if (const int show = g_StartOption.ShowFps) {
    g_overlay.ring[g_overlay.index] = elapsed;
    if (++g_overlay.index >= 16) {
      g_overlay.index = 0;
      int sum = 0;
      for (int t : g_overlay.ring) sum += t;
      g_overlay.average = sum >> 4;
    }
    if (show == 2)
      g_TextRenderer[0].DrawTextF(&BackBuffer, 549, 469, "FPS%2d(%2d)", fps, g_overlay.average);
    else
      g_TextRenderer[1].DrawWindowTextF(&BackBuffer, 495, 463, 0, 0, "FPS%2d(%2d)", fps, g_overlay.average);
  }
  Present();
  return 1;
}
