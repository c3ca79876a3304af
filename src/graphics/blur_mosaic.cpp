#include "graphics/blur_mosaic.h"

#include <algorithm>
#include <array>

#include "graphics/color.h"
#include "graphics/display.h"
#include "services/log.h"

// ---- pixel access --------------------------------------------------------------

bool cEffectLocks::Lock(DDSURFACEDATA* lpDst, DDSURFACEDATA* lpSrc) {
  if (!m_Dst.Lock(lpDst)) return false;
  if (!m_Src.Lock(lpSrc)) {
    DDUnlock(m_Dst);
    return false;
  }
  return true;
}

EffectPath cEffectLocks::Path() const {
  const PixelBuffer* d = DstPixels();
  const PixelBuffer* s = SrcPixels();
  if (!d || !s) return EffectPath::None;
  const int bytes = BytesPerPixel(d->format);
  // A source of another depth would be read past its rows.
  if (bytes != BytesPerPixel(s->format)) return EffectPath::None;
  if (lpDTCon) {
    if (bytes == 2) return EffectPath::D3D16;
    if (bytes == 4) return EffectPath::D3D32;
    return EffectPath::None;
  }
  switch (bytes) {
    case 1: return EffectPath::DD8;
    case 2: return EffectPath::DD16;
    case 4: return EffectPath::DD32;
    default: return EffectPath::None;
  }
}

int cEffectLocks::DstWidth() const {
  const PixelBuffer* b = DstPixels();
  return b ? std::min(m_Dst.m_lpSD->nWidth, b->width) : 0;
}
int cEffectLocks::DstHeight() const {
  const PixelBuffer* b = DstPixels();
  return b ? std::min(m_Dst.m_lpSD->nHeight, b->height) : 0;
}
int cEffectLocks::SrcWidth() const {
  const PixelBuffer* b = SrcPixels();
  return b ? std::min(m_Src.m_lpSD->nWidth, b->width) : 0;
}
int cEffectLocks::SrcHeight() const {
  const PixelBuffer* b = SrcPixels();
  return b ? std::min(m_Src.m_lpSD->nHeight, b->height) : 0;
}

namespace {

// [lo, hi) of the offsets i in [0, n) whose destination point d + i lies in
// [0, dLimit) and whose source point (s + i, or s - 1 - i mirrored) lies in
// [0, sLimit). Worked in 64 bits: callers' rectangles may be anywhere.
void ClipAxis(long long d, long long n, long long dLimit, long long s, long long sLimit, bool mirror, int* lo,
              int* hi) {
  long long a = std::max({0LL, -d}), b = std::min(n, dLimit - d);
  if (mirror) {
    a = std::max(a, s - sLimit);
    b = std::min(b, s);
  } else {
    a = std::max(a, -s);
    b = std::min(b, sLimit - s);
  }
  *lo = static_cast<int>(std::clamp(a, 0LL, n));
  *hi = static_cast<int>(std::clamp(b, 0LL, n));
}

}  // namespace

EffectSpan ClipEffectRect(int dstW, int dstH, int dx, int dy, int w, int h, int srcW, int srcH, int sx, int sy,
                          bool mirrorX, bool mirrorY) {
  EffectSpan span{0, 0, 0, 0};
  if (w <= 0 || h <= 0) return span;
  ClipAxis(dx, w, dstW, sx, srcW, mirrorX, &span.i0, &span.i1);
  ClipAxis(dy, h, dstH, sy, srcH, mirrorY, &span.j0, &span.j1);
  return span;
}

namespace {

template <EffectPath P>
struct PixelOf {
  using T = uint32_t;
};
template <>
struct PixelOf<EffectPath::D3D16> {
  using T = uint16_t;
};
template <>
struct PixelOf<EffectPath::DD16> {
  using T = uint16_t;
};
template <>
struct PixelOf<EffectPath::DD8> {
  using T = uint8_t;
};

// The red, green and blue fields of a pixel: `g_ColorBits` at 16 bits, the
// bytes 2, 1 and 0 at 32 bits.
template <EffectPath P>
struct Channels {
  int sr = 16, sg = 8, sb = 0;
  uint32_t mr = 0xFF, mg = 0xFF, mb = 0xFF;
  Channels() {
    if constexpr (sizeof(typename PixelOf<P>::T) == 2) {
      const COLORBITS& cb = g_ColorBits;
      sr = cb.nShiftR, sg = cb.nShiftG, sb = cb.nShiftB;
      mr = static_cast<uint32_t>(cb.nMaskR), mg = static_cast<uint32_t>(cb.nMaskG),
      mb = static_cast<uint32_t>(cb.nMaskB);
    }
  }
  uint32_t R(uint32_t p) const {
    if constexpr (sizeof(typename PixelOf<P>::T) == 4) return p >> 16 & 0xFF;
    return p >> sr & mr;
  }
  uint32_t G(uint32_t p) const {
    if constexpr (sizeof(typename PixelOf<P>::T) == 4) return p >> 8 & 0xFF;
    return p >> sg & mg;
  }
  uint32_t B(uint32_t p) const {
    if constexpr (sizeof(typename PixelOf<P>::T) == 4) return p & 0xFF;
    return p >> sb & mb;
  }
};

// Averaged channels back into a pixel of the path. The full-screen 16-bit
// back buffer takes the texture fields at its own shifts with green doubled
// (5 bits to 6), unmasked and without an alpha bit.
template <EffectPath P, bool FullBack>
struct AveragePacker {
  const Channels<P>& ch;
  int br = 0, bg = 0, bb = 0;
  uint32_t alphaBit = 0;
  explicit AveragePacker(const Channels<P>& c) : ch(c) {
    br = g_BackBufferColorBits.nShiftR, bg = g_BackBufferColorBits.nShiftG, bb = g_BackBufferColorBits.nShiftB;
    alphaBit = (static_cast<uint32_t>(g_ColorBits.nMaskA) & 1u) << g_ColorBits.nShiftA;
  }
  uint32_t Pack(uint32_t r, uint32_t g, uint32_t b, uint32_t old) const {
    if constexpr (P == EffectPath::D3D16) {
      if constexpr (FullBack) return r << br | (g * 2) << bg | b << bb;
      return (r & ch.mr) << ch.sr | (g & ch.mg) << ch.sg | (b & ch.mb) << ch.sb | alphaBit;
    } else if constexpr (P == EffectPath::D3D32) {
      return 0xFF000000u | r << 16 | g << 8 | b;
    } else if constexpr (P == EffectPath::DD16) {
      return (r & ch.mr) << ch.sr | (g & ch.mg) << ch.sg | (b & ch.mb) << ch.sb;
    } else {
      return (old & 0xFF000000u) | r << 16 | g << 8 | b;
    }
  }
};

template <EffectPath P>
inline bool Transparent(uint32_t p, uint32_t key) {
  if constexpr (P == EffectPath::D3D16) return (p & 0xA000u) == 0;
  if constexpr (P == EffectPath::D3D32) return (p >> 24) == 0;
  return p == key;
}

// Division by a count that mostly repeats from one pixel to the next (the
// window is the same size away from the edges): the reciprocal is kept and
// the quotient taken as a 128-bit product, exact for 32-bit numerators and
// divisors above 1.
class RepeatedDivisor {
 public:
  void Set(uint32_t n) {
    if (n == n_) return;
    n_ = n;
    m_ = n > 1 ? ~0ULL / n + 1 : 0;
  }
  uint32_t Div(uint32_t x) const {
    if (n_ == 1) return x;
    return static_cast<uint32_t>((static_cast<unsigned __int128>(m_) * x) >> 64);
  }

 private:
  uint32_t n_ = 0;
  uint64_t m_ = 0;
};

struct BlurArgs {
  int dx, dy, w, h, rx, ry, sx, sy;
  bool keyed;
  uint32_t key;
};

// The clipped ranges of a blur: source columns [c0, c1) and rows [r0, r1) of
// the rectangle that lie inside the source, and the centres [k0, k1) x
// [j0, j1) whose source and destination points both lie inside.
struct BlurRanges {
  int c0, c1, r0, r1, k0, k1, j0, j1;
};

BlurRanges RangesOf(const cEffectLocks& lk, const BlurArgs& a) {
  BlurRanges g{};
  ClipAxis(0, a.w, a.w, a.sx, lk.SrcWidth(), false, &g.c0, &g.c1);
  ClipAxis(0, a.h, a.h, a.sy, lk.SrcHeight(), false, &g.r0, &g.r1);
  ClipAxis(a.dx, a.w, lk.DstWidth(), a.sx, lk.SrcWidth(), false, &g.k0, &g.k1);
  ClipAxis(a.dy, a.h, lk.DstHeight(), a.sy, lk.SrcHeight(), false, &g.j0, &g.j1);
  return g;
}

// The blur pixel by pixel in the plain order, for a rectangle drawn over its
// own source: each pixel reads the ones written before it.
template <EffectPath P, bool FullBack>
void BlurInPlace(const cEffectLocks& lk, const BlurArgs& a) {
  using T = typename PixelOf<P>::T;
  PixelBuffer& d = *lk.DstPixels();
  const PixelBuffer& s = *lk.SrcPixels();
  const Channels<P> ch;
  const AveragePacker<P, FullBack> pack(ch);
  const BlurRanges g = RangesOf(lk, a);
  for (int j = g.j0; j < g.j1; ++j) {
    for (int k = g.k0; k < g.k1; ++k) {
      if (a.keyed && Transparent<P>(reinterpret_cast<const T*>(s.Row(a.sy + j))[a.sx + k], a.key)) continue;
      const int top = static_cast<int>(std::max<long long>(g.r0, 0LL + j - a.ry));
      const int bottom = static_cast<int>(std::min<long long>(g.r1 - 1, 0LL + j + a.ry - 1));
      const int left = static_cast<int>(std::max<long long>(g.c0, 0LL + k - a.rx));
      const int right = static_cast<int>(std::min<long long>(g.c1 - 1, 0LL + k + a.rx - 1));
      uint64_t r = 0, gr = 0, b = 0, n = 0;
      for (int y = top; y <= bottom; ++y) {
        const T* row = reinterpret_cast<const T*>(s.Row(a.sy + y));
        for (int x = left; x <= right; ++x) {
          const uint32_t p = row[a.sx + x];
          if (a.keyed && Transparent<P>(p, a.key)) continue;
          r += ch.R(p), gr += ch.G(p), b += ch.B(p), ++n;
        }
      }
      if (n == 0) continue;
      T& out = reinterpret_cast<T*>(d.Row(a.dy + j))[a.dx + k];
      out = static_cast<T>(pack.Pack(static_cast<uint32_t>(r / n), static_cast<uint32_t>(gr / n),
                                     static_cast<uint32_t>(b / n), out));
    }
  }
}

// Per-thread column sums, grown to the widest rectangle and then reused.
template <typename S>
struct BlurScratch {
  std::vector<S> sums;  // red, green, blue of every column, one after another
  std::vector<uint32_t> counts;
};
template <typename S>
BlurScratch<S>& ScratchOf() {
  thread_local BlurScratch<S> scratch;
  return scratch;
}

// The blur with running sums: each column keeps the sums of the rows in the
// window, updated as rows enter and leave it, and each row slides a window
// over the columns. The integers are those of summing every window afresh.
// S holds a window's channel sum (32 bits while 255 x the pixels of the
// rectangle fit).
template <EffectPath P, bool FullBack, typename S>
void BlurRunning(const cEffectLocks& lk, const BlurArgs& a) {
  using T = typename PixelOf<P>::T;
  PixelBuffer& d = *lk.DstPixels();
  const PixelBuffer& s = *lk.SrcPixels();
  const Channels<P> ch;
  const AveragePacker<P, FullBack> pack(ch);
  const BlurRanges g = RangesOf(lk, a);
  if (g.k0 >= g.k1 || g.j0 >= g.j1) return;
  // The columns and rows any window of the drawn centres can reach.
  const int cLo = static_cast<int>(std::max<long long>(g.c0, 0LL + g.k0 - a.rx));
  const int cHi = static_cast<int>(std::min<long long>(g.c1, 0LL + g.k1 + a.rx));
  const int width = cHi - cLo;
  BlurScratch<S>& scratch = ScratchOf<S>();
  if (scratch.sums.size() < 3 * static_cast<size_t>(width)) scratch.sums.resize(3 * static_cast<size_t>(width));
  if (scratch.counts.size() < static_cast<size_t>(width)) scratch.counts.resize(static_cast<size_t>(width));
  S* colR = scratch.sums.data();
  S* colG = colR + width;
  S* colB = colG + width;
  uint32_t* colN = scratch.counts.data();
  std::fill_n(colR, 3 * static_cast<size_t>(width), S{0});
  std::fill_n(colN, width, 0u);

  auto addRow = [&](long long y, bool add) {
    const T* row = reinterpret_cast<const T*>(s.Row(static_cast<int>(a.sy + y))) + (a.sx + cLo);
    if (add) {
      for (int c = 0; c < width; ++c) {
        const uint32_t p = row[c];
        const uint32_t in = !(a.keyed && Transparent<P>(p, a.key));
        const uint32_t m = 0u - in;
        colR[c] += ch.R(p) & m, colG[c] += ch.G(p) & m, colB[c] += ch.B(p) & m, colN[c] += in;
      }
    } else {
      for (int c = 0; c < width; ++c) {
        const uint32_t p = row[c];
        const uint32_t in = !(a.keyed && Transparent<P>(p, a.key));
        const uint32_t m = 0u - in;
        colR[c] -= ch.R(p) & m, colG[c] -= ch.G(p) & m, colB[c] -= ch.B(p) & m, colN[c] -= in;
      }
    }
  };

  RepeatedDivisor div;
  // Rows [top, bottom] are in the column sums; the window only moves down.
  long long top = std::max<long long>(g.r0, 0LL + g.j0 - a.ry), bottom = top - 1;
  for (int j = g.j0; j < g.j1; ++j) {
    const long long wantTop = std::max<long long>(g.r0, 0LL + j - a.ry);
    const long long wantBottom = std::min<long long>(g.r1 - 1, 0LL + j + a.ry - 1);
    while (bottom < wantBottom) addRow(++bottom, true);
    while (top < wantTop) addRow(top++, false);

    // Indexed from the rows' starts: the rectangle may begin left of either.
    const T* centre = reinterpret_cast<const T*>(s.Row(a.sy + j));
    T* out = reinterpret_cast<T*>(d.Row(a.dy + j));
    // The window of the first centre, then slid one column at a time.
    S r = 0, gr = 0, b = 0;
    uint32_t n = 0;
    const long long firstRight = std::min<long long>(g.c1 - 1, 0LL + g.k0 + a.rx - 1);
    for (long long c = cLo; c <= firstRight; ++c)
      r += colR[c - cLo], gr += colG[c - cLo], b += colB[c - cLo], n += colN[c - cLo];
    for (int k = g.k0; k < g.k1; ++k) {
      if (k > g.k0) {
        if (const long long enter = 0LL + k + a.rx - 1; enter < g.c1)
          r += colR[enter - cLo], gr += colG[enter - cLo], b += colB[enter - cLo], n += colN[enter - cLo];
        if (const long long leave = 0LL + k - a.rx - 1; leave >= g.c0)
          r -= colR[leave - cLo], gr -= colG[leave - cLo], b -= colB[leave - cLo], n -= colN[leave - cLo];
      }
      if (n == 0 || (a.keyed && Transparent<P>(centre[a.sx + k], a.key))) continue;
      uint32_t ar, ag, ab;
      if constexpr (sizeof(S) == 4) {
        div.Set(n);
        ar = div.Div(r), ag = div.Div(gr), ab = div.Div(b);
      } else {
        ar = static_cast<uint32_t>(r / n), ag = static_cast<uint32_t>(gr / n), ab = static_cast<uint32_t>(b / n);
      }
      T& px = out[a.dx + k];
      px = static_cast<T>(pack.Pack(ar, ag, ab, px));
    }
  }
}

// True when the destination rectangle covers part of the source rectangle
// in the same pixels.
bool Overlaps(const cEffectLocks& lk, int dx, int dy, int sx, int sy, int w, int h) {
  if (lk.DstPixels() != lk.SrcPixels()) return false;
  const long long ax = dx, ay = dy, bx = sx, by = sy;
  return ax < bx + w && bx < ax + w && ay < by + h && by < ay + h;
}

template <EffectPath P, bool FullBack>
void BlurOn(const cEffectLocks& lk, const BlurArgs& a) {
  if (Overlaps(lk, a.dx, a.dy, a.sx, a.sy, a.w, a.h)) {
    BlurInPlace<P, FullBack>(lk, a);
    return;
  }
  const BlurRanges g = RangesOf(lk, a);
  const unsigned long long pixels =
      static_cast<unsigned long long>(std::max(0, g.c1 - g.c0)) * static_cast<unsigned long long>(std::max(0, g.r1 - g.r0));
  if (pixels * 255ULL <= 0xFFFFFFFFULL)
    BlurRunning<P, FullBack, uint32_t>(lk, a);
  else
    BlurRunning<P, FullBack, uint64_t>(lk, a);
}

// ---- mosaic ------------------------------------------------------------------------

struct MosaicArgs {
  int dx, dy, w, h, n, sx, sy;
  bool keyed;
  uint32_t key;
};

// Fills the block's pixels that lie in the destination surface.
template <typename T, bool KeepTopByte>
void FillBlock(PixelBuffer& d, int dstW, int dstH, long long x, long long y, long long bw, long long bh, uint32_t v) {
  const long long x0 = std::max(0LL, x), x1 = std::min<long long>(dstW, x + bw);
  const long long y0 = std::max(0LL, y), y1 = std::min<long long>(dstH, y + bh);
  for (long long yy = y0; yy < y1; ++yy) {
    T* row = reinterpret_cast<T*>(d.Row(static_cast<int>(yy)));
    if constexpr (KeepTopByte) {
      for (long long xx = x0; xx < x1; ++xx) row[xx] = (row[xx] & 0xFF000000u) | v;
    } else {
      std::fill(row + x0, row + x1, static_cast<T>(v));
    }
  }
}

template <EffectPath P, bool FullBack>
void MosaicOn(const cEffectLocks& lk, const MosaicArgs& a) {
  using T = typename PixelOf<P>::T;
  PixelBuffer& d = *lk.DstPixels();
  const PixelBuffer& s = *lk.SrcPixels();
  const int dstW = lk.DstWidth(), dstH = lk.DstHeight(), srcW = lk.SrcWidth(), srcH = lk.SrcHeight();
  const Channels<P> ch;
  // A block larger than the rectangle is the rectangle.
  const long long n = std::min<long long>(a.n, std::max(a.w, a.h));
  // Only blocks reaching into the destination surface write anything.
  int i0, i1, j0, j1;
  ClipAxis(a.dx, a.w, dstW, 0, a.w, false, &i0, &i1);
  ClipAxis(a.dy, a.h, dstH, 0, a.h, false, &j0, &j1);
  if (i0 >= i1 || j0 >= j1) return;
  // 0..255 scaled fields of 16-bit DirectDraw (masks of at most 8 bits).
  std::array<uint16_t, 256> to255R{}, to255G{}, to255B{};
  if constexpr (P == EffectPath::DD16) {
    for (uint32_t v = 0; v < 256; ++v) {
      to255R[v] = static_cast<uint16_t>(FieldTo255(v, static_cast<int>(ch.mr)));
      to255G[v] = static_cast<uint16_t>(FieldTo255(v, static_cast<int>(ch.mg)));
      to255B[v] = static_cast<uint16_t>(FieldTo255(v, static_cast<int>(ch.mb)));
    }
  }
  auto inSource = [&](long long x, long long y) { return x >= 0 && x < srcW && y >= 0 && y < srcH; };
  for (long long by = j0 / n * n; by < j1; by += n) {
    const long long bh = std::min<long long>(n, a.h - by);
    for (long long bx = i0 / n * n; bx < i1; bx += n) {
      const long long bw = std::min<long long>(n, a.w - bx);
      const long long sx = a.sx + bx, sy = a.sy + by;
      if constexpr (P == EffectPath::D3D16 || P == EffectPath::D3D32 || P == EffectPath::DD8) {
        if (!inSource(sx, sy)) continue;
        uint32_t p = reinterpret_cast<const T*>(s.Row(static_cast<int>(sy)))[sx];
        if (a.keyed && Transparent<P>(p, a.key)) continue;
        if constexpr (P == EffectPath::D3D16 && FullBack) p = RepackGreenDoubled(g_ColorBits, g_BackBufferColorBits, p);
        if constexpr (P == EffectPath::D3D32) p |= 0xFF000000u;
        FillBlock<T, false>(d, dstW, dstH, a.dx + bx, a.dy + by, bw, bh, p);
      } else {
        // The average of the block's pixels inside the source.
        uint64_t r = 0, g = 0, b = 0, count = 0;
        const long long x0 = std::max(0LL, sx), x1 = std::min<long long>(srcW, sx + bw);
        const long long y0 = std::max(0LL, sy), y1 = std::min<long long>(srcH, sy + bh);
        for (long long y = y0; y < y1; ++y) {
          const T* row = reinterpret_cast<const T*>(s.Row(static_cast<int>(y)));
          for (long long x = x0; x < x1; ++x) {
            const uint32_t p = row[x];
            if (a.keyed && p == a.key) continue;
            if constexpr (P == EffectPath::DD16) {
              r += to255R[ch.R(p) & 0xFF], g += to255G[ch.G(p) & 0xFF], b += to255B[ch.B(p) & 0xFF];
            } else {
              r += ch.R(p), g += ch.G(p), b += ch.B(p);
            }
            ++count;
          }
        }
        if (count == 0) continue;
        const uint32_t ar = static_cast<uint32_t>(r / count), ag = static_cast<uint32_t>(g / count),
                       ab = static_cast<uint32_t>(b / count);
        if constexpr (P == EffectPath::DD16) {
          const uint32_t v = (ScaleToField(ar, static_cast<int>(ch.mr)) & ch.mr) << ch.sr |
                             (ScaleToField(ag, static_cast<int>(ch.mg)) & ch.mg) << ch.sg |
                             (ScaleToField(ab, static_cast<int>(ch.mb)) & ch.mb) << ch.sb;
          if (a.keyed && v == a.key) continue;
          FillBlock<T, false>(d, dstW, dstH, a.dx + bx, a.dy + by, bw, bh, v);
        } else {
          const uint32_t v = ar << 16 | ag << 8 | ab;
          if (a.keyed && v == a.key) continue;
          FillBlock<T, true>(d, dstW, dstH, a.dx + bx, a.dy + by, bw, bh, v);
        }
      }
    }
  }
}

}  // namespace

// ---- the effects ---------------------------------------------------------------------

bool DDBlurBlt(DDSURFACEDATA* dst, int dx, int dy, int w, int h, int rx, int ry, DDSURFACEDATA* src, int sx, int sy,
               int transparent) {
  if (rx == 0 || ry == 0) return true;
  cEffectLocks lk;
  if (!lk.Lock(dst, src)) return false;
  const EffectPath path = lk.Path();
  if (path == EffectPath::DD8) {
    WriteECLog("8ビットぼかしは不可能！");
    return true;
  }
  // A negative radius leaves an empty window everywhere.
  if (path == EffectPath::None || rx < 0 || ry < 0 || w <= 0 || h <= 0) return true;
  // A radius past the rectangle reaches the same pixels as one of its size.
  const BlurArgs a{dx, dy, w, h, std::min(rx, w), std::min(ry, h), sx, sy, transparent == 1, g_dwTransmit};
  switch (path) {
    case EffectPath::D3D16:
      if (lk.DstIsFullScreenBack())
        BlurOn<EffectPath::D3D16, true>(lk, a);
      else
        BlurOn<EffectPath::D3D16, false>(lk, a);
      break;
    case EffectPath::D3D32: BlurOn<EffectPath::D3D32, false>(lk, a); break;
    case EffectPath::DD16: BlurOn<EffectPath::DD16, false>(lk, a); break;
    case EffectPath::DD32: BlurOn<EffectPath::DD32, false>(lk, a); break;
    default: break;
  }
  return true;
}

bool DDMosaicBlt(DDSURFACEDATA* dst, int dx, int dy, int w, int h, int n, DDSURFACEDATA* src, int sx, int sy,
                 int transparent) {
  if (n <= 0) return true;
  cEffectLocks lk;
  if (!lk.Lock(dst, src)) return false;
  if (w <= 0 || h <= 0) return true;
  const MosaicArgs a{dx, dy, w, h, n, sx, sy, transparent == 1, g_dwTransmit};
  switch (lk.Path()) {
    case EffectPath::D3D16:
      if (lk.DstIsFullScreenBack())
        MosaicOn<EffectPath::D3D16, true>(lk, a);
      else
        MosaicOn<EffectPath::D3D16, false>(lk, a);
      break;
    case EffectPath::D3D32: MosaicOn<EffectPath::D3D32, false>(lk, a); break;
    case EffectPath::DD8: MosaicOn<EffectPath::DD8, false>(lk, a); break;
    case EffectPath::DD16: MosaicOn<EffectPath::DD16, false>(lk, a); break;
    case EffectPath::DD32: MosaicOn<EffectPath::DD32, false>(lk, a); break;
    default: break;
  }
  return true;
}
