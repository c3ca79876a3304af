#include "graphics/circle_lens.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <emmintrin.h>

#include "graphics/batch.h"
#include "graphics/blit.h"
#include "graphics/color.h"
#include "platform/numeric.h"

using plat::TruncToInt;

namespace {

// floor(sqrt(n)) exactly, also where a double's square root would round up.
long long FloorSqrt(long long n) {
  if (n <= 0) return 0;
  long long s = static_cast<long long>(std::sqrt(static_cast<double>(n)));
  while (s > 0 && s * s > n) --s;
  while ((s + 1) * (s + 1) <= n) ++s;
  return s;
}

// ---- circular window ---------------------------------------------------------

struct CircleSpans {
  DDSURFACEDATA* dst;
  DDSURFACEDATA* src;
  long long cx, cy, scx, scy, radius;
  long long left, right;  // source columns the spans stay within
  int key;

  // One span (or band) of `rows` rows at offset k, its width from offset
  // `mid`.
  void Draw(long long k, long long rows, long long mid) const {
    const long long r2 = radius * radius, m2 = mid * mid;
    // A row outside the circle has no span (its root would be imaginary).
    if (m2 > r2) return;
    const long long s = std::min(FloorSqrt(r2 - m2), radius - 1);
    long long start = scx - s, x = cx - s, width = 2 * s;
    if (start < left) {
      x = cx + left - scx;
      width = scx + s - left;
      start = left;
    }
    if (start + width >= right) width = right - start;
    if (width <= 0) return;
    const long long y = cy + k, sy = scy + k;
    auto fits = [](long long v) { return v >= INT32_MIN && v <= INT32_MAX; };
    if (!fits(x) || !fits(y) || !fits(sy) || !fits(start) || !fits(width) || !fits(rows)) return;
    if (lpDTCon)
      DDStretchBlt(dst, static_cast<int>(x), static_cast<int>(y), static_cast<int>(width), static_cast<int>(rows),
                   src, static_cast<int>(start), static_cast<int>(sy), static_cast<int>(width),
                   static_cast<int>(rows), key);
    else
      DDBlt(dst, static_cast<int>(x), static_cast<int>(y), static_cast<int>(width), static_cast<int>(rows), src,
            static_cast<int>(start), static_cast<int>(sy), key);
  }
};

// ---- lens ----------------------------------------------------------------------

// The offsets t >= 0 for which c + t or c - t lies in [0, n), as [lo, hi]
// (lo > hi when there are none); the points in between may still miss.
void MirroredRange(long long c, long long n, long long* lo, long long* hi) {
  *lo = 1;
  *hi = 0;
  if (n - 1 - c >= 0) {  // c + t
    *lo = std::max(0LL, -c);
    *hi = n - 1 - c;
  }
  if (c >= 0) {  // c - t
    const long long l = std::max(0LL, c - n + 1);
    if (*lo > *hi) {
      *lo = l;
      *hi = c;
    } else {
      *lo = std::min(*lo, l);
      *hi = std::max(*hi, c);
    }
  }
}

// The pixels of a locked surface within its own size (a texture's buffer
// may be larger than the picture it holds).
struct View {
  uint8_t* bits;
  size_t pitch;  // bytes
  long long w, h;
};

View ViewOf(const cSurfaceLock& lock) {
  const DDSURFACEDATA* sd = lock.m_lpSD;
  const PixelBuffer* b = sd->Pixels();
  return View{lock.m_lpBits, static_cast<size_t>(b->pitch), std::min(sd->nWidth, b->width),
              std::min(sd->nHeight, b->height)};
}

enum class LensPath { Direct3D16, Direct3D32, Direct3D32Clear, DirectDraw };

// What each backend writes for a source pixel the lens shows (Put) and for a
// point it does not (Miss).
template <typename T, LensPath P>
struct LensWriter {
  uint32_t transmit = 0;  // DirectDraw colour key
  bool keyed = false;     // Direct3D 16-bit: leave transparent pixels out
  bool repack = false;    // Direct3D 16-bit into the full-screen back buffer

  void Put(T& d, uint32_t p) const {
    if constexpr (P == LensPath::Direct3D16) {
      if (keyed && (p & 0xA000u) == 0) return;
      d = static_cast<T>(repack ? RepackGreenDoubled(g_ColorBits, g_BackBufferColorBits, p) : p);
    } else if constexpr (P == LensPath::Direct3D32) {
      if ((p >> 24) != 0) d = static_cast<T>(p);
    } else if constexpr (P == LensPath::Direct3D32Clear) {
      d = (p >> 24) != 0 ? static_cast<T>(p) : T{0};
    } else {
      if (p != transmit) d = static_cast<T>(p);
    }
  }
  void Miss(T& d) const {
    if constexpr (P == LensPath::Direct3D32Clear) d = T{0};
  }
  static constexpr bool kWholeSquare = P == LensPath::Direct3D32Clear;
};

struct LensGeometry {
  long long cx, cy, r, v, r2, sphere2;  // sphere2 = R x R
  long long scx, scy;
};

template <typename T, LensPath P>
class LensKernel {
 public:
  LensKernel(const View& d, const View& s, const LensGeometry& g, const LensWriter<T, P>& w)
      : d_(d), s_(s), g_(g), w_(w) {}

  // One destination point at offset (i, j) whose source offsets are known.
  void Show(long long x, long long y, long long col, long long row) const {
    T& out = reinterpret_cast<T*>(d_.bits + static_cast<size_t>(y) * d_.pitch)[x];
    const long long sx = g_.scx + col, sy = g_.scy + row;
    if (sx < 0 || sy < 0 || sx >= s_.w || sy >= s_.h) {
      w_.Miss(out);
      return;
    }
    w_.Put(out, reinterpret_cast<const T*>(s_.bits + static_cast<size_t>(sy) * s_.pitch)[sx]);
  }
  void Miss(long long x, long long y) const {
    w_.Miss(reinterpret_cast<T*>(d_.bits + static_cast<size_t>(y) * d_.pitch)[x]);
  }

  // Rows top to bottom, columns left to right: needed when the lens reads
  // the surface it writes.
  void RunInOrder() const {
    const long long r = g_.r;
    const long long j0 = std::max(-r, -g_.cy), j1 = std::min(r, d_.h - 1 - g_.cy);
    const long long i0 = std::max(-r, -g_.cx), i1 = std::min(r, d_.w - 1 - g_.cx);
    for (long long j = j0; j <= j1; ++j) {
      for (long long i = i0; i <= i1; ++i) {
        const long long x = g_.cx + i, y = g_.cy + j;
        if (i * i + j * j > g_.r2) {
          if constexpr (LensWriter<T, P>::kWholeSquare) Miss(x, y);
          continue;
        }
        const double z = std::sqrt(static_cast<double>(g_.sphere2 - i * i - j * j));
        long long col = i, row = j;
        if (z != 0) {
          col = TruncToInt(static_cast<double>(i) * g_.v / z + 0.5);
          row = TruncToInt(static_cast<double>(j) * g_.v / z + 0.5);
        }
        Show(x, y, col, row);
      }
    }
  }

  // The four points (+-b, +-a) share their depth and, negated, their
  // quotients (IEEE negation and division are exact about sign), so each
  // square root and division serves up to four pixels with the same results
  // as the point-by-point walk.
  void RunByQuadrants() const {
    const long long r = g_.r, cx = g_.cx, cy = g_.cy;
    auto inX = [&](long long x) { return x >= 0 && x < d_.w; };
    auto inY = [&](long long y) { return y >= 0 && y < d_.h; };
    long long aLo, aHi, bLo, bHi0;
    MirroredRange(cy, d_.h, &aLo, &aHi);
    MirroredRange(cx, d_.w, &bLo, &bHi0);
    for (long long a = aLo; a <= std::min(aHi, r); ++a) {
      const long long yp = cy + a, ym = cy - a;
      const bool rowP = inY(yp), rowM = a > 0 && inY(ym);
      if (!rowP && !rowM) continue;
      const long long inside = FloorSqrt(g_.r2 - a * a);
      const long long bMax = LensWriter<T, P>::kWholeSquare ? r : inside;
      const long long bHi = std::min(bMax, bHi0);
      // The four points of offset b, with the source offsets they show.
      auto points = [&](long long b, long long cP, long long cM, long long rP, long long rM) {
        const long long xp = cx + b, xm = cx - b;
        const bool colP = inX(xp), colM = b > 0 && inX(xm);
        if (rowM && colM) Show(xm, ym, cM, rM);
        if (rowM && colP) Show(xp, ym, cP, rM);
        if (rowP && colM) Show(xm, yp, cM, rP);
        if (rowP && colP) Show(xp, yp, cP, rP);
      };
      const double av = static_cast<double>(a) * g_.v;
      const long long depth2 = g_.sphere2 - a * a;
      auto scalar = [&](long long b) {
        const double z = std::sqrt(static_cast<double>(depth2 - b * b));
        if (z == 0) return points(b, b, -b, a, -a);
        const double qb = static_cast<double>(b) * g_.v / z, qa = av / z;
        points(b, TruncToInt(qb + 0.5), TruncToInt(-qb + 0.5), TruncToInt(qa + 0.5), TruncToInt(-qa + 0.5));
      };
      const long long bIn = std::min(bHi, inside);
      long long b = bLo;
      // Two offsets at a time: the packed square root, division and
      // truncation round exactly as the scalar ones (out-of-range results
      // are INT_MIN in both).
      const __m128d half = _mm_set1_pd(0.5), num = _mm_set1_pd(av);
      for (; b + 1 <= bIn; b += 2) {
        const __m128d z = _mm_sqrt_pd(_mm_set_pd(static_cast<double>(depth2 - (b + 1) * (b + 1)),
                                                 static_cast<double>(depth2 - b * b)));
        if (_mm_movemask_pd(_mm_cmpeq_pd(z, _mm_setzero_pd())) != 0) {
          scalar(b);
          scalar(b + 1);
          continue;
        }
        const __m128d qb = _mm_div_pd(
            _mm_set_pd(static_cast<double>(b + 1) * g_.v, static_cast<double>(b) * g_.v), z);
        const __m128d qa = _mm_div_pd(num, z);
        alignas(16) int32_t cP[4], cM[4], rP[4], rM[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(cP), _mm_cvttpd_epi32(_mm_add_pd(qb, half)));
        _mm_store_si128(reinterpret_cast<__m128i*>(cM), _mm_cvttpd_epi32(_mm_sub_pd(half, qb)));
        _mm_store_si128(reinterpret_cast<__m128i*>(rP), _mm_cvttpd_epi32(_mm_add_pd(qa, half)));
        _mm_store_si128(reinterpret_cast<__m128i*>(rM), _mm_cvttpd_epi32(_mm_sub_pd(half, qa)));
        points(b, cP[0], cM[0], rP[0], rM[0]);
        points(b + 1, cP[1], cM[1], rP[1], rM[1]);
      }
      if (b <= bIn) scalar(b);
      // Beyond the circle (the whole square only): cleared.
      for (b = std::max(bLo, bIn + 1); b <= bHi; ++b) {
        const long long xp = cx + b, xm = cx - b;
        const bool colP = inX(xp), colM = b > 0 && inX(xm);
        if (rowP && colP) Miss(xp, yp);
        if (rowP && colM) Miss(xm, yp);
        if (rowM && colP) Miss(xp, ym);
        if (rowM && colM) Miss(xm, ym);
      }
    }
  }

 private:
  View d_, s_;
  LensGeometry g_;
  LensWriter<T, P> w_;
};

template <typename T, LensPath P>
void RunLens(const View& d, const View& s, const LensGeometry& g, const LensWriter<T, P>& w) {
  LensKernel<T, P> kernel(d, s, g, w);
  if (d.bits == s.bits)
    kernel.RunInOrder();
  else
    kernel.RunByQuadrants();
}

}  // namespace

int DDCircleBlt(DDSURFACEDATA* dst, int cx, int cy, int ex, int ey, int radius, int band, DDSURFACEDATA* src,
                int scx, int scy, int key) {
  if (radius <= 0 || band <= 0) return 0;
  if (!dst || !src) return 0;
  DDResolveBaseSD(&dst);
  DDResolveBaseSD(&src);
  const CircleSpans spans{dst, src, cx, cy, scx, scy, radius,
                          std::max(0LL, static_cast<long long>(scx) - ex),
                          std::min(static_cast<long long>(scx) + ex, static_cast<long long>(src->nWidth)), key};
  const long long r = radius, b = band, e = ey;
  DDBeginSpriteBatch(0);
  if (b == 1) {
    // Rows at or below the extent are skipped one by one in the walk from
    // the bottom of the circle; starting below them skips them at once.
    for (long long k = std::min(r - 1, e - 1); k >= -r; --k) {
      if (k < -e) break;
      spans.Draw(k, 1, k);
    }
  } else {
    long long k = r - b;
    if (k >= e) k -= ((k - e) / b + 1) * b;
    for (; k >= -r; k -= b) {
      if (k >= e) continue;
      if (k + b <= -e) break;
      if (k + b > e)
        k = e - b;
      else if (k < -e)
        k = -e;
      spans.Draw(k, b, (b >> 1) + k);
    }
  }
  DDEndSpriteBatch();
  return 1;
}

bool DDLensBlt(DDSURFACEDATA* dst, int cx, int cy, int radius, int depth, DDSURFACEDATA* src, int scx, int scy,
               int key, int clear) {
  if (depth < 0 || radius < 0) return false;
  const long long r = radius, v = depth;
  const long long sphere = TruncToInt(std::sqrt(static_cast<double>(r * r + v * v)));
  if (v >= sphere) return false;
  cSurfaceLock dl;
  if (!dl.Lock(dst)) return false;
  cSurfaceLock sl;
  if (!sl.Lock(src)) return false;  // dl lets go of the destination
  const View d = ViewOf(dl), s = ViewOf(sl);
  const LensGeometry g{cx, cy, r, v, r * r, sphere * sphere, scx, scy};
  const int bytes = g_nBpp / 8;
  if (dl.m_nBytes == bytes && sl.m_nBytes == bytes) {
    if (lpDTCon) {
      if (g_nBpp == 16) {
        LensWriter<uint16_t, LensPath::Direct3D16> w;
        w.keyed = key == 1;
        w.repack = DDIsFullScreenBack(dl.m_lpSD);
        RunLens(d, s, g, w);
      } else if (g_nBpp == 32) {
        if (clear)
          RunLens(d, s, g, LensWriter<uint32_t, LensPath::Direct3D32Clear>{});
        else
          RunLens(d, s, g, LensWriter<uint32_t, LensPath::Direct3D32>{});
      }
    } else if (g_nBpp == 8 || g_nBpp == 16 || g_nBpp == 32) {
      if (g_nBpp == 8) {
        LensWriter<uint8_t, LensPath::DirectDraw> w;
        w.transmit = g_dwTransmit;
        RunLens(d, s, g, w);
      } else if (g_nBpp == 16) {
        LensWriter<uint16_t, LensPath::DirectDraw> w;
        w.transmit = g_dwTransmit;
        RunLens(d, s, g, w);
      } else {
        LensWriter<uint32_t, LensPath::DirectDraw> w;
        w.transmit = g_dwTransmit;
        RunLens(d, s, g, w);
      }
    }
  }
  DDUnlock(sl);
  DDUnlock(dl);
  return true;
}
