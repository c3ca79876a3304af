// The scene manager: owns the six scenes and runs one frame of the current
// one for each turn of the game loop, on the game thread (frame pacing, the
// DirectDraw lost-surface restore, the input poll of player 0, the scene
// switch, the scene's update, the frame-rate overlay and the present).
#pragma once
#include <cstdint>
#include <vector>

#include "stage/game_scene.h"
#include "stage/scene.h"
#include "graphics/bitmap_load.h"
#include "graphics/display.h"

class cInput;

class cSceneManager {
 public:
  // Title (type 0), world map (1), world-map menu (2), challenge select (3),
  // option (5), stage play (4); null when the scene does not exist.
  cScene* m_lpScene[SCENE_TYPES] = {};
  int m_nScene = 0;       // type run by Frame
  int m_nNextScene = 0;   // type requested by the running scene
  int m_nPrevScene = 0;   // type of the scene that faded out last
  int m_nTitleChoice = 0; // 0 new story .. 6 quit
  int m_nGameMode = 0;    // 0 story, 1 challenge, 2 free stage, 3 replay
  int m_nChallengeTop = 0;     // list top (page) of the challenge select
  int m_nChallengeCursor = 0;  // cursor row of the challenge select
  int m_bRanking = 0;     // ranking of the current game mode
  int m_nFps = 0;         // target frame rate
  int m_nFadeSpeed = 0;   // fade step of the scenes, degrees per frame
  int m_nBgm = 0;         // music last requested by the menu scenes; 0 forces the next

  cSceneManager() = default;
  cSceneManager(const cSceneManager&) = delete;
  cSceneManager& operator=(const cSceneManager&) = delete;
  // The teardown (also run by the shutdown): deletes every scene. Running
  // it twice is harmless.
  ~cSceneManager();
  void DeleteScenes();

  // One frame; 1, or 0 when the DirectDraw surfaces could not be restored
  // (the game loop then closes the program).
  int Frame();
  // Makes the scene of that type the only existing one. The running scene
  // requested again is kept, neither deleted nor made anew. A type outside
  // 0-5 deletes every scene.
  void SetScene(int type);
  // The scene of a type, or null.
  cScene* Scene(int type) const;
  void Present();
  // 1 when nothing was lost or everything was restored; 0 on failure.
  int RestoreSurfaces();
  void PollInput(std::vector<cInput>& input);

  // Where each type's scene pointer is kept in m_lpScene; -1 for a bad type.
  static int SlotOf(int type);
};

extern cSceneManager g_SceneManager;
// DirectDraw full screen: 1 when the present copies the back buffer
// instead of flipping. Set by start-up.
extern int g_bBlitPresent;

// DirectDraw frame pacing: FrameLimit(m_nFps) polled with 1 ms sleeps.
void WaitFrame();

// Makes the scene of a type (0-5) with its constructor only (the shell's
// scene_manager.cpp, which knows every scene class).
cScene* CreateScene(int type);
// Tests: scenes are made by `factory` instead (null restores CreateScene).
using SceneFactory = cScene* (*)(int type);
void SetSceneFactoryForTest(SceneFactory factory);

// Restores one collection of stage or scene surfaces after a DirectDraw
// loss: a lost surface is restored; in video memory (type 0) it is marked
// lost and its bitmap reloaded at the display depth. A surface created
// empty has no bitmap: it is only marked, for its owner to redraw. 0 when a
// reload failed.
template <class C>
int RestoreSurfaceCollection(C& surfaces) {
  for (DDSURFACEDATA& sd : surfaces) {
    if (!DDIsSurfaceLost(&sd)) continue;
    DDRestoreSurfacePart(&sd);
    if (sd.dwMemType != 0) continue;
    sd.bLost = 1;
    if (DDIsEmptySurfaceName(sd.szFileName)) continue;
    if (!DDReloadSurface(&sd, g_nBpp)) return 0;
  }
  return 1;
}
