#include "frontend/menu_scene.h"

#include <algorithm>

#include "graphics/blit.h"
#include "graphics/bitmap_load.h"
#include "graphics/builtin_tables.h"
#include "graphics/fill.h"
#include "graphics/font.h"
#include "graphics/palette_fx.h"
#include "records/system_data.h"
#include "services/game_threads.h"
#include "services/log.h"
#include "services/window_requests.h"
#include "stage/menu_cursor.h"
#include "stage/scene_manager.h"
#include "stage/stage_surfaces.h"

namespace {
constexpr int kAccessorySheet = 49;
}  // namespace

cInput* MenuInput() { return g_vecInput.empty() ? nullptr : &g_vecInput.front(); }
uint16_t MenuDir() {
  const cInput* in = MenuInput();
  return in ? in->m_wDir : 0;
}
uint16_t MenuButtons() {
  const cInput* in = MenuInput();
  return in ? in->m_wButton : 0;
}

void PrepareMenuInput(int triggerMask) {
  cInput* in = MenuInput();
  if (!in) return;
  in->ApplyRepeat();
  in->ApplyTrigger(triggerMask);
}

void CloseAfterEnterFailure(const char* text) { WriteECLogfAndClose(g_hWnd.load(), "%s", text ? text : ""); }

void RequestSceneMusic(int slot) {
  const cCheckedVector<int>& list = g_SystemData.m_vecBgm;
  const int v = slot >= 0 && slot < list.Size() ? list[static_cast<size_t>(slot)] : 0;
  if (v != 0 && v == g_SceneManager.m_nBgm) return;
  g_SceneManager.m_nBgm = v;
  plat::SendMessage(g_hWnd.load(), WM_T4_PLAYBGM, static_cast<WPARAM>(slot), 0);
}

bool LoadScenePictures(const int* indices, int count) {
  if (DDLoadSurfaces(g_SD, indices, count)) return true;
  PostCloseToMainWindow();
  return false;
}

void ReleaseScenePictures(const int* indices, int count) {
  for (int i = 0; i < count; ++i)
    if (indices[i] >= 0 && indices[i] < kBuiltInSurfaceCount) DDReleaseSurface(&g_SD[indices[i]]);
  DDReleaseSurfaceVector(g_vecSceneSD);
  g_vecSceneSD.clear();
  g_vecSceneSDDef.clear();
}

DDSURFACEDATA* CreateSceneSurface(int w, int h, int key) {
  DDReleaseSurfaceVector(g_vecSceneSD);
  g_vecSceneSD.clear();
  g_vecSceneSDDef.clear();
  // Drawn into with text and blits: a render target in Direct3D.
  if (!DDAddSurface(g_vecSceneSD, g_vecSceneSDDef, w, h, key, 0, 0, nullptr)) {
    PostCloseToMainWindow();
    return nullptr;
  }
  return &g_vecSceneSD.back();
}

DDSURFACEDATA* SceneSurface() {
  if (g_vecSceneSD.empty()) return nullptr;
  DDSURFACEDATA* sd = &g_vecSceneSD.front();
  return sd->Pixels() ? sd : nullptr;
}

bool StepSceneFadeIn() {
  return DDFadeIn(g_PaletteWork, 0, 255, 0, 0, 0, static_cast<double>(g_SceneManager.m_nFadeSpeed), g_Palette, 0);
}

bool StepSceneFadeOut() {
  return DDFadeOut(g_PaletteWork, 0, 255, 0, 0, 0, static_cast<double>(g_SceneManager.m_nFadeSpeed), g_Palette, 0);
}

void FinishSceneFadeOut(int ownType, bool resetCursor) {
  DDFillSurface(&BackBuffer, 16);
  if (resetCursor) g_Cursor.Reset();
  g_SceneManager.m_nPrevScene = ownType;
  g_SceneManager.m_nScene = g_SceneManager.m_nNextScene;
}

void PostCloseToMainWindow() { plat::PostMessage(g_hWnd.load(), WM_CLOSE, 0, 0); }

void DrawCentredWindowText(cFont& font, DDSURFACEDATA* dst, int centreX, int y, const std::string& text) {
  const SIZE size = font.MeasureText(text);
  font.DrawWindowText(dst, centreX - size.cx / 2, y, size.cx, size.cy, text.c_str());
}

void DrawListCursor(int x, int y) { DDBlt(&BackBuffer, x, y, 16, 16, &g_SD[kAccessorySheet], 64, 0, 1); }
void DrawChosenMark(int x, int y) { DDBlt(&BackBuffer, x, y, 16, 16, &g_SD[kAccessorySheet], 80, 0, 1); }
