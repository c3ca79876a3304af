// What the front-end scenes (world map, world-map menu, challenge select)
// share: the frame of a scene with a state table, the music and picture
// requests of their Enter, the fades, and a few drawing helpers.
//
// A scene using RunMenuSceneFrame holds `m_nState` (-1 before Enter, then
// an index into its state table) and a static `m_StateTable` of member
// handlers of type `StateHandler`: entry 0 the fade-in, the last entry the
// fade-out.
#pragma once
#include <cstdint>
#include <exception>
#include <functional>
#include <iterator>
#include <string>

#include "services/input.h"

class cFont;
struct DDSURFACEDATA;

// Player 0's input, or null when there is none.
cInput* MenuInput();
// Directions and buttons of player 0 as the scene's handlers read them.
uint16_t MenuDir();
uint16_t MenuButtons();

// The first steps of every front-end frame: key repeat on player 0's
// directions and one-shot presses of the buttons in `triggerMask`.
void PrepareMenuInput(int triggerMask);
// A failed Enter: the text goes to the debug log and the program closes.
void CloseAfterEnterFailure(const char* text);

template <class Scene>
void RunMenuSceneFrame(Scene& scene, int triggerMask) {
  PrepareMenuInput(triggerMask);
  if (scene.m_nState == -1) {
    try {
      scene.Enter();
    } catch (const std::exception& e) {
      CloseAfterEnterFailure(e.what());
    } catch (const char* text) {
      CloseAfterEnterFailure(text);
    }
    scene.m_nState = 0;
  }
  constexpr int count = static_cast<int>(std::size(Scene::m_StateTable));
  if (scene.m_nState < 0 || scene.m_nState >= count) return;
  const typename Scene::StateHandler handler = Scene::m_StateTable[scene.m_nState];
  if (handler) std::invoke(handler, scene);
}

// The scene's music slot (0 title, 1 world map, 2 challenge, 3 options):
// asks the main window for System.dat's music of the slot when it differs
// from the one last asked for, or when the slot has none (which stops it).
void RequestSceneMusic(int slot);
// Loads built-in pictures; a failure asks the main window to close.
bool LoadScenePictures(const int* indices, int count);
// Releases those pictures and every scene surface (g_vecSceneSD).
void ReleaseScenePictures(const int* indices, int count);
// Replaces the scene surfaces by one new surface of w x h; null (and the
// main window asked to close) when it cannot be made.
DDSURFACEDATA* CreateSceneSurface(int w, int h, int key);
// The scene surface, or null when there is none.
DDSURFACEDATA* SceneSurface();

// One step of the fades at the scene manager's speed; true on the call
// that completes the fade.
bool StepSceneFadeIn();
bool StepSceneFadeOut();
// The end of a fade-out: the back buffer filled with colour 16, the menu
// cursor reset when asked, and the switch to the requested scene.
void FinishSceneFadeOut(int ownType, bool resetCursor);

// Asks the main window to close.
void PostCloseToMainWindow();

// A window around `text` (the font's own measure) centred on x.
void DrawCentredWindowText(cFont& font, DDSURFACEDATA* dst, int centreX, int y, const std::string& text);
// The 16 x 16 list cursor (bmp\Accessory.bmp at (64, 0)) and the chosen-
// entry mark (at (80, 0)).
void DrawListCursor(int x, int y);
void DrawChosenMark(int x, int y);
