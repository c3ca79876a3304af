// Drawing a chara in the stage view: the frame its animations show, the
// sprite through its chara effect, the mark, the death drawing and the two
// small gauges that show for a while after a change.
#include <algorithm>
#include <climits>

#include "graphics/blit.h"
#include "graphics/builtin_tables.h"
#include "objects/chara.h"
#include "objects/chara_base.h"
#include "objects/chara_effects.h"
#include "objects/hero.h"
#include "objects/sprite_source.h"
#include "platform/numeric.h"
#include "records/effect_data.h"
#include "records/system_data.h"
#include "stage/hbt_palette.h"
#include "stage/scene_manager.h"

using plat::TruncToInt;

namespace {

constexpr int kAnimeEnd = -4;          // a running animation's pattern is over
constexpr int kSheetAccessory = 49;    // "bmp\Accessory.bmp"
constexpr int kHighlightCount = 10;
constexpr int kGaugeLength = 50;
constexpr int kGaugeHeight = 2;
constexpr int kGaugeChangeFrames = 60; // the change part shows while more frames are left

int ScaleOf(const cCharaBase& c) { return c.m_Data.m_cSize > 0 ? c.m_Data.m_cSize : 1; }

// The sheet holds the frame at another size than the chara's: the frame is
// stretched from the chosen sheet.
bool NeedsWorkCopy(const SPRITESRC& src, int scale) {
  return src.bPreScaled ? src.byScale != scale : scale > 1;
}

// The sprite of the current frame, with `extra` (the running animation's
// value) added to the cell.
void PrepareSprite(const cCharaBase& c, SPRITESRC& src, cCharaBase::COLORPAIR& pair, int extra) {
  const int n = c.GetGraphicNumber(pair);
  src.Lookup(kSpriteModeFacing, c.m_Data.m_byGraphicKind, c.m_nGraphic, n, &c, extra);
}

}  // namespace

int cCharaBase::UpdateEffectInstances(int paused) {
  if (!paused) {
    m_Anime.Step();
    for (auto it = m_lstAnime.begin(); it != m_lstAnime.end();) {
      if (it->bPaused) {
        ++it;
        continue;
      }
      if (it->Pattern.Step() == kAnimeEnd) {
        it = m_lstAnime.erase(it);
        continue;
      }
      --it->nFramesLeft;
      ++it;
    }
  }
  // Timed animations give way to the one with the fewest frames left; once
  // two have run out, the one that ran out last wins. An animation of the
  // anime command shows only while no timed one does.
  const RUNNINGANIME* taken = nullptr;
  int bound = INT_MAX;
  bool expired = false;
  for (const RUNNINGANIME& a : m_lstAnime) {
    if (a.bPaused) continue;
    const int r = a.nFramesLeft;
    if (expired) {
      if (r <= 0 && bound <= 0 && r > bound) {
        taken = &a;
        bound = r;
      }
      continue;
    }
    if (a.bTimed) {
      if (r <= 0 && bound <= 0) {
        taken = &a;
        bound = r;
        expired = true;
      } else if (r < bound) {
        taken = &a;
        bound = r;
      }
    } else if (!taken) {
      taken = &a;
      bound = INT_MAX;
    }
  }
  return taken ? taken->Pattern.GetValue() : m_Anime.GetValue();
}

int cCharaBase::GetGraphicNumber(COLORPAIR& pair) const {
  int n = m_Data.m_sGraphicFrame + GetGraphicOffset();
  pair = COLORPAIR{};
  const int color = m_Data.m_byInvincibleColor;
  // The table has ten entries; a larger number from a file highlights
  // nothing rather than reading past it.
  if (m_Data.m_byInvincible != 0 && g_bD3D && g_SystemData.m_bGraphicOffset && color != 0 &&
      color < kHighlightCount) {
    pair.bOn = 1;
    pair.dwDrawColor = g_HighlightColor[color].dwColor;
    pair.dwColorOp = static_cast<DWORD>(g_HighlightColor[color].nOp);
  }
  return n;
}

int cCharaBase::DrawPlain(DDSURFACEDATA* target, const SPRITESRC* src, const COLORPAIR& pair, int paused,
                          int draw) {
  if (!draw || !target || !src) return 0;
  const int x = m_rcScreen.left, y = m_rcScreen.top;
  const BLTMODE mode{pair.dwDrawColor, pair.dwColorOp};
  if (NeedsWorkCopy(*src, ScaleOf(*this))) {
    if (!src->lpSD) return 0;
    const int k = src->byScale;
    if (pair.bOn)
      DDStretchBltMode(target, x, y, m_nImgW, m_nImgH, src->lpSD, src->nX, src->nY, k * m_nBaseImgW,
                       k * m_nBaseImgH, 1, mode);
    else
      DDStretchBlt(target, x, y, m_nImgW, m_nImgH, src->lpSD, src->nX, src->nY, k * m_nBaseImgW, k * m_nBaseImgH,
                   1);
  } else {
    if (!src->lpSD1) return 0;
    if (pair.bOn)
      DDBltMode(target, x, y, m_nImgW, m_nImgH, src->lpSD1, src->nX, src->nY, 1, mode);
    else
      DDBlt(target, x, y, m_nImgW, m_nImgH, src->lpSD1, src->nX, src->nY, 1);
  }
  return 0;
}

int cCharaBase::RunEffectRenderer(DDSURFACEDATA* target, const SPRITESRC* src, const COLORPAIR& pair, int paused,
                                  int draw) {
  return RunCharaEffectRenderer(*this, target, src, pair, paused, draw);
}

void cCharaBase::Draw(DDSURFACEDATA* target, int paused) {
  const int v = UpdateEffectInstances(paused);
  if (m_bHidden2 || m_Data.m_bTransparent) {
    DrawEffectOnly(paused);
    return;
  }
  UpdateScreenRect();
  if (m_bFixedScreenX) {
    m_rcScreen.left = m_nFixedScreenX;
    m_rcScreen.right = m_nFixedScreenX + m_nImgW - 1;
  }
  if (m_bFixedScreenY) {
    m_rcScreen.top = m_nFixedScreenY;
    m_rcScreen.bottom = m_nFixedScreenY + m_nImgH - 1;
  }
  SPRITESRC src;
  COLORPAIR pair;
  PrepareSprite(*this, src, pair, v);
  if (RunEffectRenderer(target, &src, pair, paused, 1) == 1) m_EffectState.m_nId = 0;
  if (m_Data.m_bMark != 1) return;
  // Marks run down columns of 15.
  const int d = m_Data.m_sMark;
  const int mx = (d / 15) * 32, my = (d % 15) * 32;
  const int x = m_rcScreen.left, y = m_rcScreen.top;
  if (ScaleOf(*this) <= 1) {
    DDBlt(target, x, y, 32, 32, &g_SD[kSheetMark], mx, my, 1);
  } else if (DDSURFACEDATA* marks = SelectedMarkSurface()) {
    DDStretchBlt(target, x, y, m_nImgW, m_nImgH, marks, mx, my, m_nBaseImgW, m_nBaseImgH, 1);
  }
}

int cCharaBase::DrawEffectOnly(int paused) {
  const int r = RunEffectRenderer(nullptr, nullptr, COLORPAIR{}, paused, 0);
  if (r == 1) m_EffectState.m_nId = 0;
  return r;
}

int cCharaBase::DrawEffectStep(DDSURFACEDATA* target, int paused) {
  SPRITESRC src;
  COLORPAIR pair;
  PrepareSprite(*this, src, pair, 0);
  const bool running = m_EffectState.m_nId != 0;
  if (m_nTeam != 0) {
    if (!running) return 1;
    if (RunEffectRenderer(target, &src, pair, paused, 1) != 1) return 0;
    m_EffectState.m_nId = 0;
    return 1;
  }
  if (running) {
    if (RunEffectRenderer(target, &src, pair, paused, 1) == 1) m_EffectState.m_nId = 0;
    return 0;
  }
  if (paused) return 0;
  ++m_nDeathWait;
  return m_nDeathWait > g_SceneManager.m_nFps ? 1 : 0;
}

void cCharaBase::DrawLifeGauge(DDSURFACEDATA* target) { DrawGaugeBar(target, m_LifeGauge, 0); }

void cCharaBase::DrawGauge2(DDSURFACEDATA* target) { DrawGaugeBar(target, m_SPGauge, 1); }

void cCharaBase::DrawGaugeBar(DDSURFACEDATA* target, GAUGEANIM& gauge, int which) {
  if (gauge.nFrames <= 0 || m_bDead) return;
  DDSURFACEDATA* sheet = &g_SD[kSheetAccessory];
  // A tall sheet packs the gauge rows 2 pixels apart.
  const bool packed = sheet->nHeight > 208;
  const int y0 = packed ? 208 : 128;
  const int step = packed ? 2 : 16;
  const int sx = which == 0 ? 0 : 64;
  const int x = m_rcScreen.left + m_nImgW / 2 - 25;
  const int y = m_rcScreen.top - (which == 0 ? 3 : 7);
  DDBlt(target, x, y, kGaugeLength, kGaugeHeight, sheet, sx, y0, 1);
  const int warn = which == 0 ? g_SystemData.CheckGaugeThreshold(2, m_nLife, m_Data.m_nMaxHp)
                              : g_SystemData.CheckGaugeThreshold(3, m_nSP, m_Data.m_nMaxSp);
  // Rows beside the gauge's 50 pixels belong to other pictures of the sheet.
  const int bar = std::clamp(gauge.nWidth, 0, kGaugeLength);
  DDBlt(target, x, y, bar, kGaugeHeight, sheet, sx, warn ? y0 + 2 * step : y0 + step, 1);
  // Held to the gauge's length before truncating: a change that is not a
  // number shows nothing instead of coming through as INT_MIN.
  const double d = gauge.dChange;
  const int change = d > 0 ? TruncToInt(std::min(d, double(kGaugeLength)))
                     : d < 0 ? TruncToInt(std::max(d, -double(kGaugeLength)))
                             : 0;
  if (change < 0) {
    const int w = std::min(-change, kGaugeLength - bar);
    DDBlt(target, x + bar, y, w, kGaugeHeight, sheet, sx, y0 + 3 * step, 1);
  } else if (change > 0) {
    const int w = std::min(change, bar);
    DDBlt(target, x + bar - w, y, w, kGaugeHeight, sheet, sx, y0 + 4 * step, 1);
  }
  --gauge.nFrames;
  if (gauge.nFrames < kGaugeChangeFrames)
    gauge.dChange = 0.0;
  else
    gauge.dChange -= gauge.dStep;
}

void cCharaBase::RemoveFinishedEffectsOfFlow(int flowId) {
  for (auto it = m_lstAnime.begin(); it != m_lstAnime.end();) {
    if (it->nFlowId != flowId) {
      ++it;
      continue;
    }
    if (static_cast<long long>(it->nHoldFrames) + it->nFramesLeft - 1 < 0) {
      it = m_lstAnime.erase(it);
      continue;
    }
    it->bPaused = 1;
    ++it;
  }
}

void cCharaBase::ResumeEffectsOfFlow(int flowId) {
  for (RUNNINGANIME& a : m_lstAnime)
    if (a.nFlowId == flowId) a.bPaused = 0;
}

cCharaBase* FindCharaByObject(int id) {
  for (cHero& h : Player)
    if (h.m_nId == id) return &h;
  // A chara taken off the stage is gone for whoever looks it up.
  for (cChara& c : g_lstChara)
    if (!c.m_bRemoved && c.m_nId == id) return &c;
  return nullptr;
}
