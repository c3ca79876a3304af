#include "objects/chara_effects.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "graphics/blend.h"
#include "graphics/blit.h"
#include "graphics/blur_mosaic.h"
#include "graphics/builtin_tables.h"
#include "graphics/circle_lens.h"
#include "graphics/display.h"
#include "graphics/fill.h"
#include "graphics/raster_fx.h"
#include "graphics/rotate_blit.h"
#include "graphics/tint_blit.h"
#include "objects/sprite_source.h"
#include "platform/numeric.h"
#include "records/effect_data.h"

using plat::TruncToInt;

const double g_dSqrt2 = std::sqrt(2.0);

namespace {

// Scratch surfaces of the built-in table the renderers stage their work in
// (work surfaces 1 and 2 are chosen per display mode by the stage).
constexpr int kScratchA = 68;
constexpr int kScratchB = 67;
constexpr int kScratchC = 69;
constexpr int kKindCount = 17;
constexpr BYTE kBlurTintColor = 31;  // an 8-bit screen tints instead of blurring
constexpr DWORD kClearColor = 0;

// A value from a data file held to what the surfaces can take, so the
// products and sums the renderers form stay inside an int.
int Held(long long v) { return static_cast<int>(std::clamp<long long>(v, -kMaxSurfaceSide, kMaxSurfaceSide)); }

// Our device renders into any surface made as a render target.
bool DeviceRendersToSurfaces() { return lpDTCon != nullptr; }

class cCharaEffectRenderer {
 public:
  cCharaEffectRenderer(cCharaBase& c, DDSURFACEDATA* target, const SPRITESRC* src, const cCharaBase::COLORPAIR& pair,
                       int paused, int draw)
      : c_(c), st_(c.m_EffectState), target_(target), src_(src), pair_(pair), paused_(paused) {
    draw_ = draw && target && src;
    const cCharaEffectData* e = st_.m_nId != 0 ? st_.m_pEntry : nullptr;
    kind_ = e ? e->m_nKind : 0;
    for (int i = 0; i < 5; ++i) p_[i] = e ? e->m_nParam[i] : 0;
    x_ = c.m_rcScreen.left;
    y_ = c.m_rcScreen.top;
    w_ = c.m_nImgW;
    h_ = c.m_nImgH;
    bw_ = c.m_nBaseImgW;
    bh_ = c.m_nBaseImgH;
    s_ = c.m_Data.m_cSize > 0 ? c.m_Data.m_cSize : 1;
    cx_ = x_ + w_ / 2;
    cy_ = y_ + h_ / 2;
    v_ = st_.m_dCurrent;
    if (src) {
      k_ = src->byScale;
      sx_ = src->nX;
      sy_ = src->nY;
      work_ = src->bPreScaled ? src->byScale != s_ : s_ > 1;
    }
    m_ = work_ ? s_ : 1;
    mode_ = BLTMODE{pair.dwDrawColor, pair.dwColorOp};
  }

  int Run() {
    if (kind_ <= 0 || kind_ >= kKindCount) return c_.DrawPlain(target_, src_, pair_, paused_, draw_);
    switch (kind_) {
      case 1: return RenderBurst();
      case 2: return RenderSplitH();
      case 3: return RenderSplitV();
      case 4: return RenderWaveH();
      case 5: return RenderWaveV();
      case 6: return RenderBlink();
      case 7: return RenderRotateA();
      case 8: return RenderRotateB();
      case 9: return RenderRotateDepth();
      case 10: return RenderCircle();
      case 11: return RenderZoom();
      case 12: return RenderLens();
      case 13: return RenderColorChange();
      case 14: return RenderTranslucent();
      case 15: return RenderMosaic();
      default: return RenderBlur();
    }
  }

 private:
  // Where an effect reads the frame: a work copy at (0, 0) or the sheet.
  struct Source {
    DDSURFACEDATA* sd;
    int x, y;
    bool straight;  // from the sheet (the colour pair goes around the blit)
  };

  int Trunc(double v) const { return TruncToInt(v); }
  DDSURFACEDATA* Work1() const { return SelectedWorkSurface1(); }
  DDSURFACEDATA* Work2() const { return SelectedWorkSurface2(); }

  // The frame at the chara's size into (0, 0) of `work`, unkeyed.
  void BlitToWork(DDSURFACEDATA* work) const {
    if (!work) return;
    if (work_) {
      const int sw = k_ * bw_, sh = k_ * bh_;
      if (pair_.bOn)
        DDStretchBltMode(work, 0, 0, w_, h_, src_->lpSD, sx_, sy_, sw, sh, 0, mode_);
      else
        DDStretchBlt(work, 0, 0, w_, h_, src_->lpSD, sx_, sy_, sw, sh, 0);
    } else if (pair_.bOn) {
      DDBltMode(work, 0, 0, w_, h_, src_->lpSD2, sx_, sy_, 0, mode_);
    } else {
      DDBlt(work, 0, 0, w_, h_, src_->lpSD2, sx_, sy_, 0);
    }
  }
  // The frame as the first set holds it into (0, 0) of `work`, unkeyed. A
  // draw colour of an unset pair would darken it, so without the pair the
  // device's own state draws it.
  void BlitScaled(DDSURFACEDATA* work) const {
    if (!work) return;
    if (pair_.bOn)
      DDBltMode(work, 0, 0, w_, h_, src_->lpSD1, sx_, sy_, 0, mode_);
    else
      DDBlt(work, 0, 0, w_, h_, src_->lpSD1, sx_, sy_, 0);
  }

  // The frame through `work` when the sheet does not hold it at the chara's
  // scale, else straight from `sheet`.
  Source Prepare(DDSURFACEDATA* work, DDSURFACEDATA* sheet) const {
    if (work_) {
      BlitToWork(work);
      return Source{work, 0, 0, false};
    }
    return Source{sheet, sx_, sy_, true};
  }

  // A blit straight from the sheet carries the invincible highlight.
  template <class F>
  void WithPair(bool straight, F&& blit) const {
    const bool on = straight && pair_.bOn;
    if (on) {
      DDSetDrawColor(pair_.dwDrawColor);
      DDSetColorOp(pair_.dwColorOp);
    }
    blit();
    if (on) {
      DDResetDrawColor();
      DDResetColorOp();
    }
  }

  // The end of every renderer: a paused stage holds the effect where it is.
  int Advance() {
    if (paused_) return 0;
    return st_.Step();
  }

  int RenderBurst() {
    if (draw_) {
      const Source s = Prepare(Work1(), src_->lpSD1);
      WithPair(s.straight, [&] {
        DDQuarterBlt(target_, x_, y_, w_, h_, s.sd, s.x, s.y, Trunc(m_ * v_), 1);
      });
    }
    return Advance();
  }

  // Stripes of ceil(length / count) lines; a count below 1 from a damaged
  // file makes one stripe instead of dividing by zero.
  int Split(int length, int horizontal) {
    if (draw_) {
      const int count = std::max(p_[3], 1);
      const int stripe = static_cast<int>((static_cast<long long>(length) + count - 1) / count);
      const Source s = Prepare(Work1(), src_->lpSD1);
      WithPair(s.straight, [&] {
        DDSplitBlt(target_, x_, y_, w_, h_, stripe, Trunc(m_ * v_), s.sd, s.x, s.y, 1, horizontal);
      });
    }
    return Advance();
  }
  int RenderSplitH() { return Split(h_, 0); }
  int RenderSplitV() { return Split(w_, 1); }

  // The waves draw into the back buffer whatever the target.
  int Wave(int horizontal) {
    if (draw_) {
      const Source s = Prepare(Work1(), src_->lpSD1);
      WithPair(s.straight, [&] {
        DDWaveBlt(&BackBuffer, x_, y_, w_, h_, p_[3], m_ * v_, st_.m_nPhase, Held(static_cast<long long>(m_) * p_[4]),
                  s.sd, s.x, s.y, 1, horizontal);
      });
    }
    if (paused_) return 0;
    if (++st_.m_nPhase >= 360) st_.m_nPhase = 0;
    return st_.Step();
  }
  int RenderWaveH() { return Wave(0); }
  int RenderWaveV() { return Wave(1); }

  // Kinds 6 and 14: the phase counter counts frames up to the interval, the
  // spare flag says which half of the blink is showing.
  template <class F>
  int Blink(bool drawWhileFlag, F&& drawFrame) {
    if (draw_ && (st_.m_bSpareFlag != 0) == drawWhileFlag) drawFrame();
    if (st_.m_nPhase >= p_[1]) {
      st_.m_nPhase = 0;
      st_.m_bSpareFlag = !st_.m_bSpareFlag;
    }
    if (paused_) return 0;
    ++st_.m_nPhase;
    return st_.Step();
  }
  int RenderBlink() {
    return Blink(true, [&] { c_.DrawPlain(target_, src_, pair_, paused_, 1); });
  }

  int RenderRotateA() {
    if (g_bD3D) return RenderRotateB();
    if (draw_) {
      const int angle = Trunc(v_);
      if (!work_) {
        DDRotateBlt(target_, cx_, cy_, w_, h_, w_ / 2, h_ / 2, angle, src_->lpSD2, sx_, sy_, 1);
      } else if (DDSURFACEDATA* work = Work1()) {
        // The frame turned at the sheet's size in a square that holds any
        // turn of it, then stretched to the chara's size in one blit.
        const int fw = k_ * bw_, fh = k_ * bh_;
        const int q = Trunc(g_dSqrt2 * fw);
        const int d = Trunc(g_dSqrt2 * w_);
        DDFillRect(work, 0, 0, q, q, kClearColor);
        DDRotateBlt(work, q / 2, q / 2, fw, fh, fw / 2, fh / 2, angle, src_->lpSD2, sx_, sy_, 0);
        DDStretchBlt(target_, cx_ - d / 2, cy_ - d / 2, d, d, work, 0, 0, q, q, 1);
      }
    }
    return Advance();
  }

  int RenderRotateB() {
    if (draw_) {
      const int angle = Trunc(v_);
      if (work_) {
        DDSURFACEDATA* scratch = &g_SD[g_bD3D ? kScratchB : kScratchA];
        BlitToWork(scratch);
        DDRotateBlt(target_, cx_, cy_, w_, h_, w_ / 2, h_ / 2, angle, scratch, 0, 0, 1);
      } else {
        WithPair(g_bD3D != 0, [&] {
          DDRotateBlt(target_, cx_, cy_, w_, h_, w_ / 2, h_ / 2, angle, src_->lpSD2, sx_, sy_, 1);
        });
      }
    }
    return Advance();
  }

  int RenderRotateDepth() {
    if (draw_) {
      DDSURFACEDATA* back = src_->lpRevSD ? src_->lpRevSD : src_->lpSD;
      WithPair(true, [&] {
        DDTurnBlt(target_, x_, y_, w_, h_, src_->lpSD, sx_, sy_, back, sx_, sy_, k_ * bw_, k_ * bh_, 1, Trunc(v_), 0);
      });
    }
    return Advance();
  }

  int RenderCircle() {
    if (draw_) {
      if (!g_bD3D && !work_) {
        DDCircleBlt(target_, cx_, cy_, w_ / 2, h_ / 2, Trunc(v_), p_[3], src_->lpSD1, sx_ + w_ / 2, sy_ + h_ / 2, 1);
      } else if (DDSURFACEDATA* work = Work1()) {
        BlitToWork(work);
        DDCircleBlt(target_, cx_, cy_, w_ / 2, h_ / 2, Trunc(s_ * v_), Held(static_cast<long long>(s_) * p_[3]), work,
                    w_ / 2, h_ / 2, 1);
      }
    }
    return Advance();
  }

  int RenderZoom() {
    if (draw_) {
      if (work_) {
        if (DDSURFACEDATA* work = Work1()) {
          BlitToWork(work);
          const int e = Held(Trunc((v_ - 32) * s_) / 2);
          DDStretchBlt(target_, x_ - e / 2, y_ - e / 2, w_ + e, h_ + e, work, 0, 0, w_, h_, 1);
        }
      } else {
        const int e = Held(Trunc(v_ - 32));
        WithPair(true, [&] {
          DDStretchBlt(target_, x_ - e / 2, y_ - e / 2, w_ + e, h_ + e, src_->lpSD2, sx_, sy_, w_, h_, 1);
        });
      }
    }
    return Advance();
  }

  int RenderLens() {
    DDSURFACEDATA* work = Work2();
    if (draw_ && work) {
      const int dx = Held(static_cast<long long>(s_) * p_[3]), dy = Held(static_cast<long long>(s_) * p_[4]);
      const int g = Trunc(g_dSqrt2 * (std::max(std::abs(dx), std::abs(dy)) + w_ / 2));
      const int side = !g_bD3D && g_nBpp != 16 ? 2 * g : 4 * g;
      DDFillRect(work, 0, 0, side, side, kClearColor);
      int depth;
      if (work_) {
        BlitToWork(work);
        depth = Held(static_cast<long long>(Trunc(v_)) * s_);
      } else {
        WithPair(true, [&] { DDBlt(work, 0, 0, w_, h_, src_->lpSD1, sx_, sy_, 0); });
        depth = Trunc(v_);
      }
      const int lx = dx + w_ / 2, ly = dy + h_ / 2;
      if (g_bD3D && (pair_.bOn || DeviceRendersToSurfaces())) {
        // Magnified in a scratch square, then laid on with the highlight.
        DDSURFACEDATA* scratch = &g_SD[kScratchC];
        DDFillRect(scratch, 0, 0, 4 * g, 4 * g, kClearColor);
        const int clear = pair_.bOn || (g_bWindowed && g_nBpp == 32) ? 1 : 0;
        DDLensBlt(scratch, g, g, g, depth, work, lx, ly, 1, clear);
        if (pair_.bOn)
          DDBltMode(target_, cx_ + dx - g, cy_ + dy - g, 2 * g, 2 * g, scratch, 0, 0, 1, mode_);
        else
          DDBlt(target_, cx_ + dx - g, cy_ + dy - g, 2 * g, 2 * g, scratch, 0, 0, 1);
      } else {
        DDLensBlt(target_, cx_ + dx, cy_ + dy, g, depth, work, lx, ly, 1, 0);
      }
    }
    return Advance();
  }

  // Kinds 13 and 14 read the frame from scratch surface A when it must be
  // scaled or highlighted first.
  Source TintSource(bool scaledWithPair) const {
    DDSURFACEDATA* scratch = &g_SD[kScratchA];
    if (work_) {
      BlitToWork(scratch);
      return Source{scratch, 0, 0, false};
    }
    if (scaledWithPair) {
      BlitScaled(scratch);
      return Source{scratch, 0, 0, false};
    }
    return Source{src_->lpSD2, sx_, sy_, true};
  }

  int RenderColorChange() {
    if (draw_) {
      const Source s = TintSource(pair_.bOn != 0);
      DDTintBlt(target_, x_, y_, w_, h_, s.sd, s.x, s.y, 1, g_PaletteWork, g_BlendTable, static_cast<BYTE>(p_[3]),
                Trunc(v_));
    }
    return Advance();
  }

  int RenderTranslucent() {
    return Blink(false, [&] {
      const Source s = TintSource(g_bD3D && pair_.bOn);
      DDHalfBlendBlt(target_, x_, y_, w_, h_, s.sd, s.x, s.y, 1, g_BlendTable);
    });
  }

  // Kinds 15 and 16: the effect writes either straight into the target or,
  // where the device must apply the highlight or draws better from a
  // surface of its own, into scratch surface C that is then laid on.
  template <class F>
  void Staged(F&& effect) {
    DDSURFACEDATA* work = Work2();
    DDSURFACEDATA* from = nullptr;
    int fx = 0, fy = 0;
    bool stage;
    if (work_) {
      if (!work) return;
      BlitToWork(work);
      from = work;
      stage = g_bD3D && (pair_.bOn || DeviceRendersToSurfaces());
    } else if (!g_bD3D) {
      from = src_->lpSD2;
      fx = sx_;
      fy = sy_;
      stage = false;
    } else {
      if (!work) return;
      BlitScaled(work);
      from = work;
      stage = true;
    }
    if (!stage) {
      effect(target_, x_, y_, from, fx, fy);
      return;
    }
    DDSURFACEDATA* scratch = &g_SD[kScratchC];
    DDFillRect(scratch, 0, 0, 2 * w_, 2 * h_, kClearColor);
    effect(scratch, 0, 0, from, fx, fy);
    if (pair_.bOn)
      DDBltMode(target_, x_, y_, w_, h_, scratch, 0, 0, 1, mode_);
    else
      DDBlt(target_, x_, y_, w_, h_, scratch, 0, 0, 1);
  }

  int RenderMosaic() {
    if (draw_) {
      const int n = Trunc(v_);
      Staged([&](DDSURFACEDATA* dst, int dx, int dy, DDSURFACEDATA* from, int fx, int fy) {
        DDMosaicBlt(dst, dx, dy, w_, h_, n, from, fx, fy, 1);
      });
    }
    return Advance();
  }

  int RenderBlur() {
    if (draw_) {
      const int n = Trunc(v_);
      if (!g_bD3D && g_nBpp == 8) {
        // No blur on a palette screen: a tint of the same strength, drawn
        // straight.
        const Source s = Prepare(Work2(), src_->lpSD2);
        if (s.sd)
          DDTintBlt(target_, x_, y_, w_, h_, s.sd, s.x, s.y, 1, g_PaletteWork, g_BlendTable, kBlurTintColor, n);
      } else {
        Staged([&](DDSURFACEDATA* dst, int dx, int dy, DDSURFACEDATA* from, int fx, int fy) {
          DDBlurBlt(dst, dx, dy, w_, h_, n, n, from, fx, fy, 1);
        });
      }
    }
    return Advance();
  }

  cCharaBase& c_;
  cCharaEffectState& st_;
  DDSURFACEDATA* target_;
  const SPRITESRC* src_;
  cCharaBase::COLORPAIR pair_;
  BLTMODE mode_{};
  int paused_;
  int draw_ = 0;
  int kind_ = 0;
  int p_[5] = {};
  int x_ = 0, y_ = 0, w_ = 0, h_ = 0, bw_ = 0, bh_ = 0, s_ = 1, k_ = 1, sx_ = 0, sy_ = 0, cx_ = 0, cy_ = 0;
  int m_ = 1;
  bool work_ = false;
  double v_ = 0.0;
};

}  // namespace

int RunCharaEffectRenderer(cCharaBase& chara, DDSURFACEDATA* target, const SPRITESRC* src,
                           const cCharaBase::COLORPAIR& pair, int paused, int draw) {
  return cCharaEffectRenderer(chara, target, src, pair, paused, draw).Run();
}
