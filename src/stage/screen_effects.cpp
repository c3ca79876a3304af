// The screen effects: each frame the running effect takes the frame drawn so
// far and draws it again moved, shaken, cut into sliding bands, waved,
// blinking, turned, windowed, zoomed, magnified or pixelated, then advances.
#include <algorithm>
#include <cstdlib>

#include "graphics/blit.h"
#include "graphics/blur_mosaic.h"
#include "graphics/builtin_tables.h"
#include "graphics/circle_lens.h"
#include "graphics/display.h"
#include "graphics/fill.h"
#include "graphics/raster_fx.h"
#include "graphics/rotate_blit.h"
#include "objects/chara_base.h"
#include "objects/chara_effects.h"
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
constexpr int kScreenWorkSystem = 68;  // its system-memory twin, for the effects that read pixels

DDSURFACEDATA* Work() { return &g_SD[kScreenWork]; }
DDSURFACEDATA* WorkSystem() { return &g_SD[kScreenWorkSystem]; }

// Step 1 of every transforming kind: the frame drawn so far goes aside.
void CopyFrameToWork(DDSURFACEDATA* work) { DDBlt(work, 0, 0, kScreenW, kScreenH, &BackBuffer, 0, 0, 0); }

void FillScreen() { DDFillRect(&BackBuffer, 0, 0, kScreenW, kScreenH, kEmptyColor); }

// The common frame of the transforming kinds: the frame goes aside into
// `work`, the screen is emptied when `fill` says so, and `draw` puts the
// picture back from `work` under the alpha operation.
template <class Draw>
void RedrawFrame(DDSURFACEDATA* work, bool fill, Draw draw) {
  CopyFrameToWork(work);
  if (fill) FillScreen();
  DDSetAlphaOp(1);
  draw(work);
  DDResetAlphaOp();
}

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

// The run time of the kinds that divide by it (the move and the shakes):
// below one tenth it counts as one tenth, for the rates and the end alike.
int RunTenths(const int* p) { return std::max(p[0], 1); }

// The advance of the kinds that run a value from p2 to p3. Run times below
// one tenth would make the step infinite or point it away from the end, so
// such an effect takes one tenth.
int StepRange(cScrEffectState& s, const int* p) {
  double step = s.m_dStep;
  if (p[0] < 1 && !s.m_bConstant)
    step = static_cast<double>(std::llabs(static_cast<long long>(p[2]) - p[1])) / 6.0;
  return s.Step(p[1], p[2], step);
}

// The reach of a picture centred at c on a screen side of `length`: the
// distance to the farther edge.
int FartherEdge(int c, int length) { return c >= length / 2 ? c : length - c; }

// Lines per band when the screen is cut into `count` bands, rounded up; a
// count below 1 (a damaged file) makes one band rather than divide by zero.
int BandOf(int length, int count) {
  count = std::max(count, 1);
  return (length + count - 1) / count;
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
  RedrawFrame(Work(), true, [&](DDSURFACEDATA* work) {
    DDBlt(&BackBuffer, s.m_nInt1, s.m_nInt2, kScreenW, kScreenH, work, 0, 0, 0);
  });
  if (frozen) return 0;
  const double v = s.m_dCurrent;
  const int t = RunTenths(p);
  s.m_nInt1 = TruncToInt(p[1] + (static_cast<double>(p[3]) - p[1]) / t * v);
  s.m_nInt2 = TruncToInt(p[2] + (static_cast<double>(p[4]) - p[2]) / t * v);
  return s.Step(0, t, s.m_dStep);
}

namespace {

// The shake of kinds 2 and 3: the offset swings between -p2 and p2, p3
// times over the run time.
void Shake(cScrEffectState& s, const int* p) {
  const double stepTime = 6.0 * RunTenths(p);
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
  return s.Step(0, RunTenths(p), s.m_dStep);
}

int cGameScene::ScrEffectShakeY(int frozen) {
  cScrEffectState& s = m_ScrEffect;
  const int* p = Params(s);
  if (!p) return 1;
  RedrawFrame(Work(), true, [&](DDSURFACEDATA* work) {
    DDBlt(&BackBuffer, 0, TruncToInt(s.m_dSecond), kScreenW, kScreenH, work, 0, 0, 0);
  });
  if (frozen) return 0;
  Shake(s, p);
  return s.Step(0, RunTenths(p), s.m_dStep);
}

int cGameScene::ScrEffectSlideX(int frozen) {
  cScrEffectState& s = m_ScrEffect;
  const int* p = Params(s);
  if (!p) return 1;
  RedrawFrame(Work(), true, [&](DDSURFACEDATA* work) {
    DDSplitBlt(&BackBuffer, 0, 0, kScreenW, kScreenH, BandOf(kScreenH, p[3]), TruncToInt(s.m_dCurrent), work, 0, 0, 0,
               0);
  });
  return frozen ? 0 : StepRange(s, p);
}

int cGameScene::ScrEffectSlideY(int frozen) {
  cScrEffectState& s = m_ScrEffect;
  const int* p = Params(s);
  if (!p) return 1;
  RedrawFrame(Work(), true, [&](DDSURFACEDATA* work) {
    DDSplitBlt(&BackBuffer, 0, 0, kScreenW, kScreenH, BandOf(kScreenW, p[3]), TruncToInt(s.m_dCurrent), work, 0, 0, 0,
               1);
  });
  return frozen ? 0 : StepRange(s, p);
}

namespace {

// Kinds 6 and 7: lines (rows, or columns when `vertical`) swing sideways
// along p4 waves, in bands of p5 lines; the phase moves on a degree a frame.
int Wave(cScrEffectState& s, int frozen, int vertical) {
  const int* p = Params(s);
  if (!p) return 1;
  RedrawFrame(Work(), true, [&](DDSURFACEDATA* work) {
    DDWaveBlt(&BackBuffer, 0, 0, kScreenW, kScreenH, p[3], s.m_dCurrent, s.m_nInt1, p[4], work, 0, 0, 0, vertical);
  });
  if (frozen) return 0;
  if (++s.m_nInt1 >= 360) s.m_nInt1 = 0;
  return StepRange(s, p);
}

}  // namespace

int cGameScene::ScrEffectWaveX(int frozen) { return Wave(m_ScrEffect, frozen, 0); }
int cGameScene::ScrEffectWaveY(int frozen) { return Wave(m_ScrEffect, frozen, 1); }

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

// The frame turned about the screen centre; read from the system-memory
// work surface, whose pixels the turn walks.
int cGameScene::ScrEffectRotate(int frozen) {
  cScrEffectState& s = m_ScrEffect;
  const int* p = Params(s);
  if (!p) return 1;
  RedrawFrame(WorkSystem(), true, [&](DDSURFACEDATA* work) {
    DDRotateBlt(&BackBuffer, kScreenW / 2, kScreenH / 2, kScreenW, kScreenH, kScreenW / 2, kScreenH / 2,
                TruncToInt(s.m_dCurrent), work, 0, 0, 0);
  });
  return frozen ? 0 : StepRange(s, p);
}

// Only the disc round the hero shows the picture.
int cGameScene::ScrEffectCircle(int frozen) {
  cScrEffectState& s = m_ScrEffect;
  const int* p = Params(s);
  if (!p) return 1;
  int cx, cy;
  HeroScreenCentre(&cx, &cy);
  RedrawFrame(Work(), true, [&](DDSURFACEDATA* work) {
    DDCircleBlt(&BackBuffer, cx, cy, FartherEdge(cx, kScreenW), FartherEdge(cy, kScreenH), TruncToInt(s.m_dCurrent),
                p[3], work, cx, cy, 0);
  });
  return frozen ? 0 : StepRange(s, p);
}

int cGameScene::ScrEffectZoom(int frozen) {
  cScrEffectState& s = m_ScrEffect;
  const int* p = Params(s);
  if (!p) return 1;
  DDSURFACEDATA* selected = SelectedWorkSurface1();
  const double z = s.m_dCurrent * 0.0015625;
  // Zoomed in, the picture covers the whole screen: no fill.
  RedrawFrame(selected ? selected : Work(), z < 1.0, [&](DDSURFACEDATA* work) {
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
  });
  return frozen ? 0 : StepRange(s, p);
}

// A lens over the point beside the hero, wide enough to reach the farthest
// screen corner.
int cGameScene::ScrEffectLens(int frozen) {
  cScrEffectState& s = m_ScrEffect;
  const int* p = Params(s);
  if (!p) return 1;
  int cx, cy;
  HeroScreenCentre(&cx, &cy);
  // The offsets come from the file: held to the screen so the sums stay
  // inside an int.
  cx += std::clamp(p[3], -kScreenW, kScreenW);
  cy += std::clamp(p[4], -kScreenH, kScreenH);
  const int reach = std::max(FartherEdge(cx, kScreenW), FartherEdge(cy, kScreenH));
  RedrawFrame(WorkSystem(), true, [&](DDSURFACEDATA* work) {
    DDLensBlt(&BackBuffer, cx, cy, TruncToInt(reach * g_dSqrt2), TruncToInt(s.m_dCurrent), work, cx, cy, 0, 0);
  });
  return frozen ? 0 : StepRange(s, p);
}

int cGameScene::ScrEffectMosaic(int frozen) {
  cScrEffectState& s = m_ScrEffect;
  const int* p = Params(s);
  if (!p) return 1;
  RedrawFrame(WorkSystem(), true, [&](DDSURFACEDATA* work) {
    DDMosaicBlt(&BackBuffer, 0, 0, kScreenW, kScreenH, TruncToInt(s.m_dCurrent), work, 0, 0, 0);
  });
  return frozen ? 0 : StepRange(s, p);
}
