// The screen effects: each frame the running effect takes the frame drawn so
// far and draws it again moved, shaken, blinking or zoomed, then advances.
#include <algorithm>
#include <cstdlib>

#include "graphics/blit.h"
#include "graphics/builtin_tables.h"
#include "graphics/display.h"
#include "graphics/fill.h"
#include "objects/chara_base.h"
#include "objects/hero.h"
#include "platform/numeric.h"
#include "records/database.h"
#include "records/effect_data.h"
#include "stage/game_scene.h"

namespace {

using plat::TruncToInt;

constexpr int kScreenW = 640;
constexpr int kScreenH = 480;
constexpr DWORD kEmptyColor = 16;
constexpr double kTenthPerFrame = 1.0 / 6.0;

constexpr int kScreenWork = 67;  // the 640x480 work surface

DDSURFACEDATA* Work() { return &g_SD[kScreenWork]; }

// Step 1 of every transforming kind: the frame drawn so far goes aside.
void CopyFrameToWork(DDSURFACEDATA* work) { DDBlt(work, 0, 0, kScreenW, kScreenH, &BackBuffer, 0, 0, 0); }

void FillScreen() { DDFillRect(&BackBuffer, 0, 0, kScreenW, kScreenH, kEmptyColor); }

// The centre of hero 0's picture on the screen; the screen centre without
// a hero.
void HeroScreenCentre(int* cx, int* cy) {
  if (Player.empty()) {
    *cx = kScreenW / 2;
    *cy = kScreenH / 2;
    return;
  }
  const cHero& h = Player[0];
  *cx = h.m_rcScreen.left + (h.m_nImgW >> 1);
  *cy = h.m_rcScreen.top + (h.m_nImgH >> 1);
}

using Handler = int (cGameScene::*)(int frozen);
constexpr Handler kHandlers[] = {
    &cGameScene::ScrEffectNone,   &cGameScene::ScrEffectMove,   &cGameScene::ScrEffectShakeX,
    &cGameScene::ScrEffectShakeY, &cGameScene::ScrEffectSlideX, &cGameScene::ScrEffectSlideY,
    &cGameScene::ScrEffectWaveX,  &cGameScene::ScrEffectWaveY,  &cGameScene::ScrEffectBlink,
    &cGameScene::ScrEffectRotate, &cGameScene::ScrEffectCircle, &cGameScene::ScrEffectZoom,
    &cGameScene::ScrEffectLens,   &cGameScene::ScrEffectMosaic,
};
constexpr int kHandlerCount = static_cast<int>(sizeof(kHandlers) / sizeof(kHandlers[0]));

// The five parameters of the running effect: the entry it was started
// from, or for a reversed run the reverse copy.
const int* Params(const cScrEffectState& s) { return s.m_pEntry ? s.m_pEntry->m_nParam : nullptr; }

// The advance of the kinds that run a value from p2 to p3. Run times below
// one tenth would make the step infinite or point it away from the end, so
// such an effect takes one tenth.
int StepRange(cScrEffectState& s, const int* p) {
  double step = s.m_dStep;
  if (p[0] < 1 && !s.m_bConstant)
    step = static_cast<double>(std::llabs(static_cast<long long>(p[2]) - p[1])) / 6.0;
  return s.Step(p[1], p[2], step);
}

// The kinds whose blits the graphics layer does not offer yet keep their
// timing and leave the frame as it was drawn.
int AdvanceRangeOnly(cScrEffectState& s, int frozen) {
  const int* p = Params(s);
  if (!p) return 1;
  if (frozen) return 0;
  return StepRange(s, p);
}

}  // namespace

void cGameScene::InitDrawState() {
  m_ScrEffect = cScrEffectState();
  m_bTinted = 0;
  m_byTintR = m_byTintG = m_byTintB = 0;
  m_nTintPercent = 0;
  m_bTintRestore = 0;
  m_nTintDuration = 0;
  m_bTintFlash = 0;
  m_nTintRepeat = 0;
  m_bTintActive = 0;
  m_nTintFrame = 0;
  m_nTintRepeatCount = 0;
  m_nTintWeight = 0;
  m_byTintPrevR = m_byTintPrevG = m_byTintPrevB = 0;
  m_nTintPrevPercent = 0;
  m_nTintPrevWeight = 255;
}

void cGameScene::RunScrEffect(int frozen) {
  if (m_ScrEffect.m_nId == 0) return;
  const int kind = g_Database.m_vecScrEffect.At(m_ScrEffect.m_nId).m_nKind;
  // A kind without a handler ends at once rather than holding the
  // virtual back buffer on for good.
  const int ended = (kind >= 0 && kind < kHandlerCount) ? (this->*kHandlers[kind])(frozen) : 1;
  if (ended) {
    m_ScrEffect.m_nId = 0;
    DDSetVirtualBackBuffer(0);
  }
}

int cGameScene::ScrEffectNone(int) {
  if (lpDTCon && lpDTCon->bVirBackBuffer) DDSetVirtualBackBuffer(0);
  return 0;
}

int cGameScene::ScrEffectMove(int frozen) {
  cScrEffectState& s = m_ScrEffect;
  const int* p = Params(s);
  if (!p) return 1;
  DDSURFACEDATA* work = Work();
  CopyFrameToWork(work);
  FillScreen();
  DDSetAlphaOp(1);
  DDBlt(&BackBuffer, s.m_nInt1, s.m_nInt2, kScreenW, kScreenH, work, 0, 0, 0);
  DDResetAlphaOp();
  if (frozen) return 0;
  const double v = s.m_dCurrent;
  if (p[0] > 0) {
    s.m_nInt1 = TruncToInt(p[1] + (static_cast<double>(p[3]) - p[1]) / p[0] * v);
    s.m_nInt2 = TruncToInt(p[2] + (static_cast<double>(p[4]) - p[2]) / p[0] * v);
  } else {
    // No run time: the picture stands at the end point.
    s.m_nInt1 = p[3];
    s.m_nInt2 = p[4];
  }
  return s.Step(0, p[0], s.m_dStep);
}

namespace {

// The shake of kinds 2 and 3: the offset swings between -p2 and p2, p3
// times over the run time.
void Shake(cScrEffectState& s, const int* p) {
  const double stepTime = 6.0 * std::max(p[0], 1);
  const double rate = static_cast<double>(4LL * p[1] * p[2]) / stepTime;
  if (s.m_nInt1 == 0) {
    s.m_dSecond += rate;
    if (s.m_dSecond >= p[1]) {
      s.m_dSecond = p[1];
      s.m_nInt1 = 1;
    }
  } else {
    s.m_dSecond -= rate;
    if (s.m_dSecond <= -static_cast<double>(p[1])) {
      s.m_dSecond = -static_cast<double>(p[1]);
      s.m_nInt1 = 0;
    }
  }
}

}  // namespace

int cGameScene::ScrEffectShakeX(int frozen) {
  cScrEffectState& s = m_ScrEffect;
  const int* p = Params(s);
  if (!p) return 1;
  DDSURFACEDATA* work = Work();
  CopyFrameToWork(work);
  // Only the strip the shifted picture leaves open needs the fill.
  const double o = s.m_dSecond;
  if (o > 0.0)
    DDFillRect(&BackBuffer, 0, 0, TruncToInt(o + 1), kScreenH, kEmptyColor);
  else if (o < 0.0)
    DDFillRect(&BackBuffer, TruncToInt(o + kScreenW), 0, TruncToInt(1 - o), kScreenH, kEmptyColor);
  DDSetAlphaOp(1);
  DDBlt(&BackBuffer, TruncToInt(o), 0, kScreenW, kScreenH, work, 0, 0, 0);
  DDResetAlphaOp();
  if (frozen) return 0;
  Shake(s, p);
  return s.Step(0, p[0], s.m_dStep);
}

int cGameScene::ScrEffectShakeY(int frozen) {
  cScrEffectState& s = m_ScrEffect;
  const int* p = Params(s);
  if (!p) return 1;
  DDSURFACEDATA* work = Work();
  CopyFrameToWork(work);
  FillScreen();
  DDSetAlphaOp(1);
  DDBlt(&BackBuffer, 0, TruncToInt(s.m_dSecond), kScreenW, kScreenH, work, 0, 0, 0);
  DDResetAlphaOp();
  if (frozen) return 0;
  Shake(s, p);
  return s.Step(0, p[0], s.m_dStep);
}

// Bands shifted alternately (DDSplitBlt) are not in the graphics layer yet.
int cGameScene::ScrEffectSlideX(int frozen) { return AdvanceRangeOnly(m_ScrEffect, frozen); }
int cGameScene::ScrEffectSlideY(int frozen) { return AdvanceRangeOnly(m_ScrEffect, frozen); }

// The waves (DDWaveBlt) are not in the graphics layer yet; the phase runs
// all the same, so that the picture continues where it would.
int cGameScene::ScrEffectWaveX(int frozen) {
  cScrEffectState& s = m_ScrEffect;
  const int* p = Params(s);
  if (!p) return 1;
  if (frozen) return 0;
  if (++s.m_nInt1 >= 360) s.m_nInt1 = 0;
  return StepRange(s, p);
}

int cGameScene::ScrEffectWaveY(int frozen) { return ScrEffectWaveX(frozen); }

int cGameScene::ScrEffectBlink(int frozen) {
  cScrEffectState& s = m_ScrEffect;
  const int* p = Params(s);
  if (!p) return 1;
  // Covering the frame with the backgrounds hides blocks, objects and
  // pictures; the status line, drawn later, stays.
  if (s.m_nInt2 == 0) {
    DrawBackgrounds(&BackBuffer, 0);
    DrawBackgrounds(&BackBuffer, 1);
  }
  if (s.m_nInt1 >= p[1]) {
    s.m_nInt1 = 0;
    s.m_nInt2 = !s.m_nInt2;
  }
  if (frozen) return 0;
  ++s.m_nInt1;
  return s.Step(0, p[0], kTenthPerFrame);
}

// Rotation (DDRotateBlt), the circular window (DDCircleBlt), the lens
// (DDLensBlt) and the mosaic (DDMosaicBlt) are not in the graphics layer
// yet.
int cGameScene::ScrEffectRotate(int frozen) { return AdvanceRangeOnly(m_ScrEffect, frozen); }
int cGameScene::ScrEffectCircle(int frozen) { return AdvanceRangeOnly(m_ScrEffect, frozen); }

int cGameScene::ScrEffectZoom(int frozen) {
  cScrEffectState& s = m_ScrEffect;
  const int* p = Params(s);
  if (!p) return 1;
  DDSURFACEDATA* work = SelectedWorkSurface1();
  if (!work) work = Work();
  CopyFrameToWork(work);
  const double z = s.m_dCurrent * 0.0015625;
  // Zoomed in, the picture covers the whole screen: no fill.
  if (z < 1.0) FillScreen();
  DDSetAlphaOp(1);
  if (z >= 1.0) {
    int cx, cy;
    HeroScreenCentre(&cx, &cy);
    // The part of the screen around the hero that fills the screen, kept
    // inside the screen.
    const double sw = kScreenW / z, sh = kScreenH / z;
    int sx = TruncToInt(cx - sw * 0.5);
    if (sx + TruncToInt(sw) >= kScreenW)
      sx = TruncToInt(kScreenW - sw);
    else if (sx < 0)
      sx = 0;
    int sy = TruncToInt(cy - sh * 0.5);
    if (sy + TruncToInt(sh) >= kScreenH)
      sy = TruncToInt(kScreenH - sh);
    else if (sy < 0)
      sy = 0;
    DDStretchBlt(&BackBuffer, 0, 0, kScreenW, kScreenH, work, sx, sy, TruncToInt(sw), TruncToInt(sh), 1);
  } else {
    const int w = TruncToInt(kScreenW * z), h = TruncToInt(kScreenH * z);
    const int x = TruncToInt((kScreenW - kScreenW * z) * 0.5), y = TruncToInt((kScreenH - kScreenH * z) * 0.5);
    if (w > 0 && h > 0) DDStretchBlt(&BackBuffer, x, y, w, h, work, 0, 0, kScreenW, kScreenH, 1);
  }
  DDResetAlphaOp();
  if (frozen) return 0;
  return StepRange(s, p);
}

int cGameScene::ScrEffectLens(int frozen) { return AdvanceRangeOnly(m_ScrEffect, frozen); }
int cGameScene::ScrEffectMosaic(int frozen) { return AdvanceRangeOnly(m_ScrEffect, frozen); }
