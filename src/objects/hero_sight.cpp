#include <algorithm>

#include "objects/hero.h"
#include "stage/game_scene.h"

void cHero::DrawSightPicture(DDSURFACEDATA* target) {
  const int shape = m_Data.m_bySightShape;
  if (!target || shape == 0) return;
  cGameScene* scene = g_pGameScene;
  if (!scene || scene->m_nSightMaskW <= 0) return;
  // In 64 bits: a hero far off the screen or an absurd radius must still
  // land the window inside the mask.
  const long long w = scene->m_nSightMaskW;
  const long long h = scene->m_nSightMaskH;
  long long x = w / 2 - m_nImgW / 2 - static_cast<long long>(m_rcScreen.left);
  if (shape == 2 || shape == 4) {
    const long long sign = GetDirSign();
    x += sign * (m_nImgW / 2) - sign * std::max(m_nSightRadius, 0);
  }
  x = std::clamp(x, 0LL, w - 640);
  const long long y = std::clamp(h / 2 - m_nImgH / 2 - static_cast<long long>(m_rcScreen.top), 0LL, h - 480);
  scene->DrawSightWindow(target, static_cast<int>(x), static_cast<int>(y));
}
