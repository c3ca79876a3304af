#include "graphics/blit.h"

#include <emmintrin.h>

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "graphics/batch.h"
#include "graphics/color.h"
#include "graphics/display.h"
#include "services/log.h"

namespace {

// ---- pixel access by format --------------------------------------------------

template <PixelFormat F>
struct Fmt;
template <>
struct Fmt<PixelFormat::A8R8G8B8> {
  using T = uint32_t;
};
template <>
struct Fmt<PixelFormat::X8R8G8B8> {
  using T = uint32_t;
};
template <>
struct Fmt<PixelFormat::R5G6B5> {
  using T = uint16_t;
};
template <>
struct Fmt<PixelFormat::A1R5G5B5> {
  using T = uint16_t;
};
template <>
struct Fmt<PixelFormat::Index8> {
  using T = uint8_t;
};

template <PixelFormat F>
constexpr uint32_t FullAlphaOf(uint32_t p) {
  if constexpr (F == PixelFormat::A8R8G8B8) return p >> 24;
  if constexpr (F == PixelFormat::A1R5G5B5) return (p & 0x8000) ? 255 : 0;
  return 255;
}

long long FloorDiv(long long a, long long b) {
  long long q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

int Wrap(int v, int n) {
  if (n <= 0) return 0;
  v %= n;
  return v < 0 ? v + n : v;
}

// ---- the device's stage 0 and blending -------------------------------------

uint32_t Mul255(uint32_t a, uint32_t b) { return (a * b + 127) / 255; }

uint32_t StageOp(DWORD op, uint32_t tex, uint32_t diffuse) {
  switch (op) {
    case D3DTOP_DISABLE: return diffuse;
    case D3DTOP_SELECTARG1: return tex;
    case D3DTOP_SELECTARG2: return diffuse;
    case 5: return std::min(2 * Mul255(tex, diffuse), 255u);  // MODULATE2X
    case 6: return std::min(4 * Mul255(tex, diffuse), 255u);  // MODULATE4X
    case 7: return std::min(tex + diffuse, 255u);              // ADD
    case 10: return tex > diffuse ? tex - diffuse : 0u;        // SUBTRACT
    default: return Mul255(tex, diffuse);                      // MODULATE
  }
}

Rgba8 Blend(const Rgba8& src, const Rgba8& dst) {
  const uint32_t a = src.a, ia = 255 - src.a;
  return {(src.r * a + dst.r * ia + 127) / 255, (src.g * a + dst.g * ia + 127) / 255,
          (src.b * a + dst.b * ia + 127) / 255, (src.a * a + dst.a * ia + 127) / 255};
}

// True when stage 0 hands the texel through unchanged (the usual state).
bool PlainState(const QUADSTATE& s) {
  const bool colourPlain = s.dwColorOp == D3DTOP_SELECTARG1 ||
                           (s.dwColorOp == D3DTOP_MODULATE && (s.dwDrawColor & 0xFFFFFF) == 0xFFFFFF);
  const bool alphaPlain = s.dwAlphaOp == D3DTOP_SELECTARG1 ||
                          (s.dwAlphaOp == D3DTOP_MODULATE && (s.dwDrawColor >> 24) == 0xFF);
  return colourPlain && alphaPlain;
}

// floor((start + i * num) / den) for i = 0, 1, 2 ... (den > 0), stepped
// exactly without a division per pixel.
class FloorStepper {
 public:
  FloorStepper(long long start, long long num, long long den) : den_(den) {
    q_ = FloorDiv(start, den);
    r_ = start - q_ * den;
    stepQ_ = FloorDiv(num, den);
    stepR_ = num - stepQ_ * den;
  }
  int Next() {
    const long long v = q_;
    q_ += stepQ_;
    r_ += stepR_;
    if (r_ >= den_) {
      r_ -= den_;
      ++q_;
    }
    return static_cast<int>(v);
  }

 private:
  long long q_, r_, stepQ_, stepR_, den_;
};

// An opaque texel written into the destination format.
template <PixelFormat S, PixelFormat D>
inline typename Fmt<D>::T OpaqueTexel(uint32_t texel, const Repack565* repack) {
  using DT = typename Fmt<D>::T;
  // An opaque 32-bit texel is stored as it is in either 32-bit format.
  if constexpr (S == D || (S == PixelFormat::A8R8G8B8 && D == PixelFormat::X8R8G8B8)) {
    return static_cast<DT>(texel);
  } else if constexpr (S == PixelFormat::A1R5G5B5 && D == PixelFormat::R5G6B5) {
    return static_cast<DT>(repack->r[(texel >> 10) & 31] | repack->g[(texel >> 5) & 31] | repack->b[texel & 31]);
  } else {
    return static_cast<DT>(EncodePixel(D, DecodePixel(S, texel)));
  }
}

// Stage 0 and blending for one texel, the general case.
template <PixelFormat S, PixelFormat D>
inline void ShadeTexel(typename Fmt<D>::T& d, uint32_t texel, const QUADSTATE& state, const Rgba8& diffuse) {
  using DT = typename Fmt<D>::T;
  const Rgba8 t = DecodePixel(S, texel);
  Rgba8 c{StageOp(state.dwColorOp, t.r, diffuse.r), StageOp(state.dwColorOp, t.g, diffuse.g),
          StageOp(state.dwColorOp, t.b, diffuse.b), StageOp(state.dwAlphaOp, t.a, diffuse.a)};
  d = static_cast<DT>(EncodePixel(D, Blend(c, DecodePixel(D, d))));
}

// One texel in the usual state: transparent texels leave the destination,
// opaque ones replace it, the rest blend.
template <PixelFormat S, PixelFormat D>
inline void PlainTexel(typename Fmt<D>::T& d, uint32_t texel, const QUADSTATE& state, const Rgba8& diffuse,
                       const Repack565* repack) {
  const uint32_t a = FullAlphaOf<S>(texel);
  if (a == 255)
    d = OpaqueTexel<S, D>(texel, repack);
  else if (a != 0)
    ShadeTexel<S, D>(d, texel, state, diffuse);
}

// One stretched row: destination pixel i from source column cols[i]. The
// pointers do not overlap the column table (restrict keeps them in
// registers: an int table could otherwise alias 32-bit pixels).
template <typename T, bool Keyed>
inline void GatherRow(T* __restrict d, const T* __restrict s, const int* __restrict cols, int n, T k) {
#pragma GCC ivdep
  for (int i = 0; i < n; ++i) {
    const T p = s[cols[i]];
    if constexpr (Keyed) {
      const T m = static_cast<T>(0u - static_cast<unsigned>(p != k));
      d[i] = static_cast<T>((p & m) | (d[i] & ~m));
    } else {
      d[i] = p;
    }
  }
}

// True when an opaque texel is stored as it is (no repacking).
template <PixelFormat S, PixelFormat D>
constexpr bool kStoredAsIs = S == D || (S == PixelFormat::A8R8G8B8 && D == PixelFormat::X8R8G8B8);

// The AND of n texels of 2 or 4 bytes, sixty-four bytes a step; with `d`
// the texels are also copied there (repacked into R5G6B5 with `repack`).
template <typename T, bool Copy, bool Repack>
uint32_t AndOfRow(T* __restrict d, const T* __restrict s, int n) {
  constexpr int kLanes = 16 / sizeof(T);
  __m128i all = _mm_set1_epi32(-1);
  int i = 0;
  auto put = [&](int at, __m128i p) {
    if constexpr (Copy) {
      if constexpr (Repack) p = Repack565x8(p);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + at), p);
    }
  };
  for (; i + 4 * kLanes <= n; i += 4 * kLanes) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + kLanes));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 2 * kLanes));
    const __m128i e = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 3 * kLanes));
    put(i, a);
    put(i + kLanes, b);
    put(i + 2 * kLanes, c);
    put(i + 3 * kLanes, e);
    all = _mm_and_si128(all, _mm_and_si128(_mm_and_si128(a, b), _mm_and_si128(c, e)));
  }
  for (; i + kLanes <= n; i += kLanes) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    put(i, a);
    all = _mm_and_si128(all, a);
  }
  alignas(16) uint32_t lanes[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(lanes), all);
  uint32_t r = lanes[0] & lanes[1] & lanes[2] & lanes[3];
  if constexpr (sizeof(T) == 2) r &= r >> 16;
  const Repack565* table = Repack ? &Repack565Table() : nullptr;
  for (; i < n; ++i) {
    if constexpr (Copy) {
      if constexpr (Repack)
        d[i] = static_cast<T>(table->r[(s[i] >> 10) & 31] | table->g[(s[i] >> 5) & 31] | table->b[s[i] & 31]);
      else
        d[i] = s[i];
    }
    r &= s[i];
  }
  return r;
}

// True when every texel of the row is opaque.
template <PixelFormat S>
bool AllOpaque(const typename Fmt<S>::T* s, int n) {
  using T = typename Fmt<S>::T;
  if constexpr (S == PixelFormat::A8R8G8B8 || S == PixelFormat::A1R5G5B5)
    return FullAlphaOf<S>(AndOfRow<T, false, false>(nullptr, s, n)) == 255;
  return true;
}

// Where the copy is one pass (a texel stored as it is, or the device's
// repacking into R5G6B5): copies a row of texels into the destination format
// and tells whether every one was opaque. After a no the row is to be drawn
// the long way.
template <PixelFormat S, PixelFormat D>
constexpr bool kOnePassCopy = (kStoredAsIs<S, D> && (S == PixelFormat::A8R8G8B8 || S == PixelFormat::A1R5G5B5)) ||
                              (S == PixelFormat::A1R5G5B5 && D == PixelFormat::R5G6B5);
template <PixelFormat S, PixelFormat D>
bool CopyIfOpaque(typename Fmt<D>::T* __restrict d, const typename Fmt<S>::T* __restrict s, int n) {
  constexpr bool repack = !kStoredAsIs<S, D>;
  return FullAlphaOf<S>(AndOfRow<typename Fmt<S>::T, true, repack>(d, s, n)) == 255;
}

// A row of texels in the usual state, texel i onto destination pixel i.
template <PixelFormat S, PixelFormat D>
void PlainSpan(typename Fmt<D>::T* __restrict d, const typename Fmt<S>::T* __restrict s, int n,
               const QUADSTATE& state, const Rgba8& diffuse, const Repack565* repack) {
  if constexpr (kStoredAsIs<S, D> && S == PixelFormat::A8R8G8B8) {
    // A long row without a transparent texel is a plain copy (on a short
    // sprite row the extra look costs more than it saves; 16-bit rows are
    // quicker with the select below).
    if (n >= 64 && AllOpaque<S>(s, n)) {
      std::memcpy(d, s, static_cast<size_t>(n) * sizeof(*d));
      return;
    }
  }
  if constexpr (S == PixelFormat::A1R5G5B5 && (D == PixelFormat::A1R5G5B5 || D == PixelFormat::R5G6B5)) {
    // One alpha bit: every texel is either transparent or opaque; the bit
    // shifted across its word is the mask of the texels to copy (repacked
    // by the device's rule eight at a time for R5G6B5).
    int i = 0;
    for (; i + 8 <= n; i += 8) {
      __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
      const __m128i was = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
      const __m128i opaque = _mm_srai_epi16(p, 15);
      if constexpr (D == PixelFormat::R5G6B5) p = Repack565x8(p);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i),
                       _mm_or_si128(_mm_and_si128(opaque, p), _mm_andnot_si128(opaque, was)));
    }
    for (; i < n; ++i)
      if (s[i] & 0x8000) d[i] = OpaqueTexel<S, D>(s[i], repack);
  } else if constexpr (S == PixelFormat::A1R5G5B5) {
    // One alpha bit: every texel is either transparent or opaque.
#pragma GCC ivdep
    for (int i = 0; i < n; ++i) {
      const uint32_t p = s[i];
      const typename Fmt<D>::T m = static_cast<typename Fmt<D>::T>(0u - (p >> 15));
      d[i] = static_cast<typename Fmt<D>::T>((OpaqueTexel<S, D>(p, repack) & m) | (d[i] & ~m));
    }
  } else if constexpr (S == PixelFormat::A8R8G8B8) {
    // Opaque texels first; the rare half-transparent ones blend afterwards
    // with what was there (they are not written by the first pass).
    uint32_t partial = 0;
#pragma GCC ivdep
    for (int i = 0; i < n; ++i) {
      const uint32_t p = s[i];
      const uint32_t a = p >> 24;
      partial |= (a - 1u) < 254u;
      const typename Fmt<D>::T m = static_cast<typename Fmt<D>::T>(0u - static_cast<uint32_t>(a == 255));
      d[i] = static_cast<typename Fmt<D>::T>((OpaqueTexel<S, D>(p, repack) & m) | (d[i] & ~m));
    }
    if (partial) {
      for (int i = 0; i < n; ++i) {
        const uint32_t a = s[i] >> 24;
        if (a - 1u < 254u) ShadeTexel<S, D>(d[i], s[i], state, diffuse);
      }
    }
  } else {
    for (int i = 0; i < n; ++i) d[i] = OpaqueTexel<S, D>(s[i], repack);
  }
}

// A row of texels all known to be opaque, in the usual state: each replaces
// its pixel.
template <PixelFormat S, PixelFormat D>
void OpaqueSpan(typename Fmt<D>::T* __restrict d, const typename Fmt<S>::T* __restrict s, int n,
                const Repack565* repack) {
  if constexpr (kStoredAsIs<S, D>) {
    std::memcpy(d, s, static_cast<size_t>(n) * sizeof(*d));
  } else if constexpr (S == PixelFormat::A1R5G5B5 && D == PixelFormat::R5G6B5) {
    Repack565Row(d, s, n);
  } else {
    for (int i = 0; i < n; ++i) d[i] = OpaqueTexel<S, D>(s[i], repack);
  }
}

// Per-thread scratch rows, grown when a wider rectangle comes and then
// reused: drawing allocates nothing in the steady state.
template <typename T>
T* Scratch(std::vector<T>& v, int n) {
  if (v.size() < static_cast<size_t>(n)) v.resize(static_cast<size_t>(n));
  return v.data();
}
thread_local std::vector<int> t_columns;
thread_local std::vector<uint16_t> t_texels16;
thread_local std::vector<uint32_t> t_texels32;

// With `replace` the quad's rectangle is first cleared to `clear` (a pixel of
// the destination's format), as a device clear before the quad would: row by
// row, and only where a texel is not opaque, since opaque ones cover it.
template <PixelFormat S, PixelFormat D>
void TexturedQuad(PixelBuffer& dst, int x, int y, int w, int h, const PixelBuffer& src, int sx, int sy, int sw,
                  int sh, const QUADSTATE& state, bool replace = false, uint32_t clear = 0) {
  using ST = typename Fmt<S>::T;
  using DT = typename Fmt<D>::T;
  const int j0 = std::max(0, -y), j1 = std::min(h, dst.height - y);
  const int i0 = std::max(0, -x), i1 = std::min(w, dst.width - x);
  if (j0 >= j1 || i0 >= i1) return;
  const bool plain = PlainState(state);
  const Rgba8 diffuse = DecodePixel(PixelFormat::A8R8G8B8, state.dwDrawColor);
  const bool sameSize = sw == w && sh == h;
  const Repack565* repack = nullptr;
  if constexpr (S == PixelFormat::A1R5G5B5 && D == PixelFormat::R5G6B5) repack = &Repack565Table();
  // Same size and no texel column past the texture's edge: a straight span.
  // (A texture drawn onto itself reads each row before writing it.)
  const bool straight = sameSize && sx + i0 >= 0 && sx + i1 <= src.width && &dst != &src;
  int* columns = nullptr;
  ST* texels = nullptr;
  // The gathered texel row is reused while the rows read the same one.
  int prevTy = -1;
  bool opaqueRow = false;
  const DT* prevRow = nullptr;
  // Point sampling at the pixel centre; the texture wraps.
  FloorStepper rows(sameSize ? 0 : (2LL * j0 + 1) * sh, 2LL * sh, 2LL * h);
  for (int j = j0; j < j1; ++j) {
    const int ty = Wrap(sameSize ? sy + j : sy + rows.Next(), src.height);
    const ST* srow = reinterpret_cast<const ST*>(src.Row(ty));
    DT* drow = reinterpret_cast<DT*>(dst.Row(y + j)) + x;
    if (straight) {
      if (replace) {
        if constexpr (kOnePassCopy<S, D>) {
          // A copy that meets a transparent texel is drawn over again below.
          if (plain && CopyIfOpaque<S, D>(drow + i0, srow + sx + i0, i1 - i0)) continue;
        } else if (plain && AllOpaque<S>(srow + sx + i0, i1 - i0)) {
          OpaqueSpan<S, D>(drow + i0, srow + sx + i0, i1 - i0, repack);
          continue;
        }
        std::fill(drow + i0, drow + i1, static_cast<DT>(clear));
      }
      if (plain) {
        PlainSpan<S, D>(drow + i0, srow + sx + i0, i1 - i0, state, diffuse, repack);
      } else {
        for (int i = i0; i < i1; ++i) ShadeTexel<S, D>(drow[i], srow[sx + i], state, diffuse);
      }
      continue;
    }
    if (ty == prevTy && opaqueRow && prevRow) {
      // The same opaque texels as the row above: the same pixels.
      std::memcpy(drow + i0, prevRow + i0, static_cast<size_t>(i1 - i0) * sizeof(DT));
      prevRow = drow;
      continue;
    }
    if (!columns) {
      // The texel column of each destination column, once per quad.
      columns = Scratch(t_columns, i1 - i0);
      FloorStepper cols(sameSize ? 0 : (2LL * i0 + 1) * sw, 2LL * sw, 2LL * w);
      for (int i = i0; i < i1; ++i) {
        int tx = sameSize ? sx + i : sx + cols.Next();
        if (static_cast<unsigned>(tx) >= static_cast<unsigned>(src.width)) tx = Wrap(tx, src.width);
        columns[i - i0] = tx;
      }
      if constexpr (sizeof(ST) == 2)
        texels = Scratch(t_texels16, i1 - i0);
      else
        texels = Scratch(t_texels32, i1 - i0);
    }
    if (ty != prevTy) {
      GatherRow<ST, false>(texels, srow, columns, i1 - i0, 0);
      opaqueRow = plain && &dst != &src && AllOpaque<S>(texels, i1 - i0);
      prevTy = ty;
    }
    if (replace) {
      if (opaqueRow) {
        OpaqueSpan<S, D>(drow + i0, texels, i1 - i0, repack);
        prevRow = drow;
        continue;
      }
      std::fill(drow + i0, drow + i1, static_cast<DT>(clear));
    }
    if (plain) {
      PlainSpan<S, D>(drow + i0, texels, i1 - i0, state, diffuse, repack);
    } else {
      for (int i = i0; i < i1; ++i) ShadeTexel<S, D>(drow[i], texels[i - i0], state, diffuse);
    }
    prevRow = drow;
  }
}

// Calls fn with the format as a compile-time constant, for the four formats
// of 16 and 32 bits; nothing for the others.
template <class Fn>
void WithFormat(PixelFormat format, Fn&& fn) {
  switch (format) {
    case PixelFormat::A8R8G8B8: fn(std::integral_constant<PixelFormat, PixelFormat::A8R8G8B8>{}); break;
    case PixelFormat::X8R8G8B8: fn(std::integral_constant<PixelFormat, PixelFormat::X8R8G8B8>{}); break;
    case PixelFormat::R5G6B5: fn(std::integral_constant<PixelFormat, PixelFormat::R5G6B5>{}); break;
    case PixelFormat::A1R5G5B5: fn(std::integral_constant<PixelFormat, PixelFormat::A1R5G5B5>{}); break;
    default: break;
  }
}

// The textured quad of any texture and target format; `replace` as for
// TexturedQuad.
void AnyTexturedQuad(PixelBuffer& d, int x, int y, int w, int h, const PixelBuffer& s, int sx, int sy, int sw,
                     int sh, const QUADSTATE& state, bool replace, uint32_t clear) {
  WithFormat(s.format, [&](auto source) {
    WithFormat(d.format, [&](auto target) {
      TexturedQuad<decltype(source)::value, decltype(target)::value>(d, x, y, w, h, s, sx, sy, sw, sh, state, replace,
                                                                      clear);
    });
  });
}

template <PixelFormat D>
void ColorQuad(PixelBuffer& dst, int x, int y, int w, int h, D3DCOLOR color) {
  using DT = typename Fmt<D>::T;
  const int j0 = std::max(0, -y), j1 = std::min(h, dst.height - y);
  const int i0 = std::max(0, -x), i1 = std::min(w, dst.width - x);
  const Rgba8 c = DecodePixel(PixelFormat::A8R8G8B8, color);
  if (c.a == 0) return;
  const DT opaque = static_cast<DT>(EncodePixel(D, c));
  for (int j = j0; j < j1; ++j) {
    DT* row = reinterpret_cast<DT*>(dst.Row(y + j)) + x;
    if (c.a == 255) {
      std::fill(row + i0, row + i1, opaque);
    } else {
      for (int i = i0; i < i1; ++i) row[i] = static_cast<DT>(EncodePixel(D, Blend(c, DecodePixel(D, row[i]))));
    }
  }
}

// ---- the software copy (Direct3D surfaces that are no render targets) ------

template <typename T, bool Keyed, bool Repack>
void SoftwareCopy(PixelBuffer& dst, int x, int y, int w, int h, const PixelBuffer& src, int sx, int sy, int sw,
                  int sh) {
  const COLORBITS from = g_ColorBits, to = g_BackBufferColorBits;
  const bool sameSize = sw == w && sh == h;
  for (int j = 0; j < h; ++j) {
    const int dy = y + j;
    if (dy < 0 || dy >= dst.height) continue;
    // Read leftwards (upwards) from the start for a mirrored source.
    const int ry = sameSize ? sy + j : sy + static_cast<int>(static_cast<long long>(j) * sh / h) - (sh < 0 ? 1 : 0);
    if (ry < 0 || ry >= src.height) continue;
    const T* srow = reinterpret_cast<const T*>(src.Row(ry));
    T* drow = reinterpret_cast<T*>(dst.Row(dy));
    if (sameSize && !Keyed && !Repack) {
      const int i0 = std::max({0, -x, -sx}), i1 = std::min({w, dst.width - x, src.width - sx});
      if (i0 < i1) std::memmove(drow + x + i0, srow + sx + i0, static_cast<size_t>(i1 - i0) * sizeof(T));
      continue;
    }
    for (int i = 0; i < w; ++i) {
      const int dx = x + i;
      if (dx < 0 || dx >= dst.width) continue;
      const int rx =
          sameSize ? sx + i : sx + static_cast<int>(static_cast<long long>(i) * sw / w) - (sw < 0 ? 1 : 0);
      if (rx < 0 || rx >= src.width) continue;
      uint32_t p = srow[rx];
      if constexpr (Keyed) {
        if constexpr (sizeof(T) == 2) {
          if ((p & 0xA000) == 0) continue;
        } else {
          if ((p >> 24) == 0) continue;
        }
      }
      if constexpr (Repack) p = RepackGreenDoubled(from, to, p);
      drow[dx] = static_cast<T>(p);
    }
  }
}

// ---- DirectDraw copies on surfaces of the display format -------------------

// One same-size keyed row of distinct surfaces, sixteen bytes at a time:
// key pixels keep what is there, the others are copied. (Written out with
// SSE2 because the compiler turns the plain loop into conditional stores,
// which it does not vectorise.)
template <typename T>
inline void KeyedRow(T* d, const T* s, int n, T k) {
  constexpr int kLanes = 16 / sizeof(T);
  int i = 0;
  __m128i key;
  if constexpr (sizeof(T) == 1)
    key = _mm_set1_epi8(static_cast<char>(k));
  else if constexpr (sizeof(T) == 2)
    key = _mm_set1_epi16(static_cast<short>(k));
  else
    key = _mm_set1_epi32(static_cast<int>(k));
  for (; i + kLanes <= n; i += kLanes) {
    const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    const __m128i was = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
    __m128i isKey;
    if constexpr (sizeof(T) == 1)
      isKey = _mm_cmpeq_epi8(p, key);
    else if constexpr (sizeof(T) == 2)
      isKey = _mm_cmpeq_epi16(p, key);
    else
      isKey = _mm_cmpeq_epi32(p, key);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i),
                     _mm_or_si128(_mm_and_si128(isKey, was), _mm_andnot_si128(isKey, p)));
  }
  for (; i < n; ++i)
    if (s[i] != k) d[i] = s[i];
}

template <typename T, bool Keyed>
void DirectDrawCopy(PixelBuffer& dst, int x, int y, int w, int h, const PixelBuffer& src, int sx, int sy, int sw,
                    int sh, uint32_t key) {
  const bool sameSize = sw == w && sh == h;
  const T k = static_cast<T>(key);
  const bool overlapping = &dst == &src;
  const T* prevRow = nullptr;  // the destination row drawn last, and its source row
  int prevRy = -1;
  int* columns = nullptr;  // source column of each destination column (stretching)
  for (int jj = 0; jj < h; ++jj) {
    // An overlapping copy downwards walks the rows from the bottom.
    const int j = overlapping && y > sy ? h - 1 - jj : jj;
    const int ry = sameSize ? sy + j : sy + static_cast<int>(static_cast<long long>(j) * sh / h);
    const T* srow = reinterpret_cast<const T*>(src.Row(ry)) + sx;
    T* drow = reinterpret_cast<T*>(dst.Row(y + j)) + x;
    if (sameSize) {
      if constexpr (Keyed) {
        if (!overlapping) {
          KeyedRow<T>(drow, srow, w, k);
        } else {
          for (int i = 0; i < w; ++i)
            if (srow[i] != k) drow[i] = srow[i];
        }
      } else {
        std::memmove(drow, srow, static_cast<size_t>(w) * sizeof(T));
      }
      continue;
    }
    // An unkeyed stretch repeats the row above when it reads the same
    // source row.
    if (!Keyed && !overlapping && ry == prevRy) {
      std::memcpy(drow, prevRow, static_cast<size_t>(w) * sizeof(T));
      continue;
    }
    if (!columns) {
      columns = Scratch(t_columns, w);
      FloorStepper cols(0, sw, w);
      for (int i = 0; i < w; ++i) columns[i] = cols.Next();
    }
    if (!overlapping) {
      GatherRow<T, Keyed>(drow, srow, columns, w, k);
    } else {
      for (int i = 0; i < w; ++i) {
        const T p = srow[columns[i]];
        if constexpr (Keyed) {
          if (p == k) continue;
        }
        drow[i] = p;
      }
    }
    prevRy = ry;
    prevRow = drow;
  }
}

template <typename T>
void DirectDrawCopyBy(bool keyed, PixelBuffer& dst, int x, int y, int w, int h, const PixelBuffer& src, int sx,
                      int sy, int sw, int sh, uint32_t key) {
  if (keyed)
    DirectDrawCopy<T, true>(dst, x, y, w, h, src, sx, sy, sw, sh, key);
  else
    DirectDrawCopy<T, false>(dst, x, y, w, h, src, sx, sy, sw, sh, key);
}

// Cuts [s, s + n) to [0, limit); returns the amount cut at the start.
void CutToSurface(int* s, int* n, int limit) {
  if (*s < 0) {
    *n += *s;
    *s = 0;
  }
  if (*s + *n > limit) *n = limit - *s;
}

int DirectDrawBlt(DDSURFACEDATA* dst, int x, int y, int w, int h, DDSURFACEDATA* src, int sx, int sy, int sw,
                  int sh, int key) {
  if (!dst || !src || sw < 0 || sh < 0) return 0;
  if (!DDClipRect(dst, &x, &y, &w, &h, src, &sx, &sy, &sw, &sh)) return 0;
  PixelBuffer* d = dst->Pixels();
  PixelBuffer* s = src->Pixels();
  if (!d || !s || d->Empty() || s->Empty() || d->lost || s->lost) return 0;
  if (d->format != s->format) return 0;
  // The rectangles were cut to the records' sizes; the buffers bound them too.
  if (x + w > d->width || y + h > d->height || sx + sw > s->width || sy + sh > s->height) return 0;
  const bool keyed = key == 1 && s->hasColorKey;
  switch (BytesPerPixel(d->format)) {
    case 1: DirectDrawCopyBy<uint8_t>(keyed, *d, x, y, w, h, *s, sx, sy, sw, sh, s->colorKey); break;
    case 2: DirectDrawCopyBy<uint16_t>(keyed, *d, x, y, w, h, *s, sx, sy, sw, sh, s->colorKey); break;
    case 4: DirectDrawCopyBy<uint32_t>(keyed, *d, x, y, w, h, *s, sx, sy, sw, sh, s->colorKey); break;
    default: return 0;
  }
  return 1;
}

void SoftwareBlt(DDSURFACEDATA* dst, int x, int y, int w, int h, DDSURFACEDATA* src, int sx, int sy, int sw, int sh,
                 int key) {
  if (w <= 0 || h <= 0 || sw == 0 || sh == 0) return;
  cSurfaceLock dl;
  if (!dl.Lock(dst)) return;
  cSurfaceLock sl;
  if (!sl.Lock(src)) return;  // the destination lock is released with dl
  PixelBuffer* d = dl.m_lpSD->Pixels();
  PixelBuffer* s = sl.m_lpSD->Pixels();
  if (!d || !s || BytesPerPixel(d->format) != BytesPerPixel(s->format)) return;
  if (BytesPerPixel(d->format) == 2) {
    const bool repack = DDIsFullScreenBack(dl.m_lpSD);
    if (key == 1)
      repack ? SoftwareCopy<uint16_t, true, true>(*d, x, y, w, h, *s, sx, sy, sw, sh)
             : SoftwareCopy<uint16_t, true, false>(*d, x, y, w, h, *s, sx, sy, sw, sh);
    else
      repack ? SoftwareCopy<uint16_t, false, true>(*d, x, y, w, h, *s, sx, sy, sw, sh)
             : SoftwareCopy<uint16_t, false, false>(*d, x, y, w, h, *s, sx, sy, sw, sh);
  } else if (BytesPerPixel(d->format) == 4) {
    if (key == 1)
      SoftwareCopy<uint32_t, true, false>(*d, x, y, w, h, *s, sx, sy, sw, sh);
    else
      SoftwareCopy<uint32_t, false, false>(*d, x, y, w, h, *s, sx, sy, sw, sh);
  }
  DDUnlock(sl);
  DDUnlock(dl);
}

}  // namespace

// ---- device pieces ------------------------------------------------------------

bool DDIsRenderTarget(const DDSURFACEDATA* lpSD) {
  return lpSD && lpSD->lpDT && lpSD->lpDT->bRenderTarget && lpSD->lpDT->lpSurface;
}

bool DDResolveForQuad(DDSURFACEDATA** dst, DDSURFACEDATA** src) {
  DDResolveBaseSD(dst);
  DDResolveBaseSD(src);
  DDRedirectBackBuffer(dst);
  DDRedirectBackBuffer(src);
  const bool systemSource = (*src)->lpDT && (*src)->lpDT->dwMemType == DTMEMORYTYPE_SYSTEM;
  return DDIsRenderTarget(*dst) && !systemSource;
}

bool DDBeginTarget(DDSURFACEDATA* dst) { return DDBeginScene() && DDSetRenderTarget(0, dst); }

void DDEndTarget() { DDSetRenderTarget(0, lpDTCon->lpRenderTargetSD); }

bool DDIsFullScreenBack(const DDSURFACEDATA* lpSD) {
  return lpDTCon && lpSD == &BackBuffer && g_nBpp == 16 && !g_bWindowed;
}

D3DCOLOR DDKeyClearColor(const DDSURFACEDATA* target) {
  if (!lpDTCon) return 0;
  const bool back = target == &BackBuffer;
  if (g_nBpp == 16) {
    // The 16-bit clear values are packed pixels of the texture packing; the
    // device is given the colour they stand for.
    const WORD packed = back ? lpDTCon->wTransmitBack_16 : lpDTCon->wTransmit_16;
    const Rgba8 c = DecodePixel(PixelFormat::A1R5G5B5, packed);
    return c.a << 24 | c.r << 16 | c.g << 8 | c.b;
  }
  return back ? lpDTCon->dwTransmitARGB : lpDTCon->dwClearKey;
}

void DDDeviceClear(DDSURFACEDATA* target, int x, int y, int w, int h, D3DCOLOR argb) {
  PixelBuffer* b = target ? target->Pixels() : nullptr;
  if (!b || b->Empty()) return;
  const int x0 = std::max(0, x), y0 = std::max(0, y);
  const int x1 = std::min(b->width, x + std::max(0, w)), y1 = std::min(b->height, y + std::max(0, h));
  if (x0 >= x1 || y0 >= y1) return;
  const uint32_t v = EncodePixel(b->format, DecodePixel(PixelFormat::A8R8G8B8, argb));
  for (int j = y0; j < y1; ++j) {
    uint8_t* row = b->Row(j);
    switch (BytesPerPixel(b->format)) {
      case 2: std::fill_n(reinterpret_cast<uint16_t*>(row) + x0, x1 - x0, static_cast<uint16_t>(v)); break;
      case 4: std::fill_n(reinterpret_cast<uint32_t*>(row) + x0, x1 - x0, v); break;
      default: std::memset(row + x0, static_cast<int>(v & 0xFF), static_cast<size_t>(x1 - x0)); break;
    }
  }
}

void DDDrawTexturedQuad(DDSURFACEDATA* dst, int x, int y, int w, int h, DDSURFACEDATA* src, int sx, int sy, int sw,
                        int sh, const QUADSTATE& state) {
  PixelBuffer* d = dst ? dst->Pixels() : nullptr;
  // Without a texture of its own (the device back buffer) a surface cannot be
  // a blit's source.
  PixelBuffer* s = src && src->lpDT ? src->lpDT->lpTexture : nullptr;
  if (!d || !s || d->Empty() || s->Empty() || w <= 0 || h <= 0 || sw == 0 || sh == 0) return;
  AnyTexturedQuad(*d, x, y, w, h, *s, sx, sy, sw, sh, state, false, 0);
}

void DDClearAndDrawTexturedQuad(DDSURFACEDATA* dst, int x, int y, int w, int h, DDSURFACEDATA* src, int sx, int sy,
                                int sw, int sh, const QUADSTATE& state, D3DCOLOR clear) {
  PixelBuffer* d = dst ? dst->Pixels() : nullptr;
  PixelBuffer* s = src && src->lpDT ? src->lpDT->lpTexture : nullptr;
  // A texture drawn onto itself would read the cleared pixels: clear first.
  if (!d || !s || d == s || d->Empty() || s->Empty() || w <= 0 || h <= 0 || sw == 0 || sh == 0) {
    DDDeviceClear(dst, x, y, w, h, clear);
    DDDrawTexturedQuad(dst, x, y, w, h, src, sx, sy, sw, sh, state);
    return;
  }
  const uint32_t value = EncodePixel(d->format, DecodePixel(PixelFormat::A8R8G8B8, clear));
  AnyTexturedQuad(*d, x, y, w, h, *s, sx, sy, sw, sh, state, true, value);
}

void DDDrawColorQuad(DDSURFACEDATA* dst, int x, int y, int w, int h, D3DCOLOR color) {
  PixelBuffer* d = dst ? dst->Pixels() : nullptr;
  if (!d || d->Empty() || w <= 0 || h <= 0) return;
  WithFormat(d->format, [&](auto target) { ColorQuad<decltype(target)::value>(*d, x, y, w, h, color); });
}

// ---- scenes and render targets -------------------------------------------------

int DDBeginScene() {
  if (!lpDTCon) return 0;
  if (lpDTCon->bInScene) return 1;
  lpDTCon->bInScene = 1;
  return 1;
}

void DDEndScene() {
  if (lpDTCon && lpDTCon->bInScene) lpDTCon->bInScene = 0;
}

int DDSetRenderTarget(int, DDSURFACEDATA* lpSD) {
  if (!lpDTCon || !DDIsRenderTarget(lpSD)) return 0;
  return 1;
}

// ---- rectangles ------------------------------------------------------------------

void DDMirrorRect(DDSURFACEDATA* src, int* sx, int* sy, int* sw, int* sh) {
  if (!lpDTCon || !src || !src->lpBaseSD) return;
  if (const int n = src->nMirrorX; n > 0) {
    if (*sw == n) {
      *sx += n;
      *sw = -n;
    } else if (*sw < n) {
      *sx = *sx + n - 2 * (*sx % n);
      *sw = -*sw;
    }
  }
  if (const int n = src->nMirrorY; n > 0) {
    if (*sh == n) {
      *sy += n;
      *sh = -n;
    } else if (*sh < n) {
      *sy = *sy + n - 2 * (*sy % n);
      *sh = -*sh;
    }
  }
}

int DDClipRect(DDSURFACEDATA* dst, int* x, int* y, int* w, int* h, DDSURFACEDATA* src, int* sx, int* sy, int* sw,
               int* sh) {
  if (!dst || !src) return 0;
  if (*w <= 0 || *h <= 0 || *sw == 0 || *sh == 0) return 0;
  if (*sw == *w && *sh == *h) {
    // Same size: both edges of both rectangles are cut together, so every
    // pixel that is drawn still comes from the source pixel facing it, also
    // when a rectangle starts negative and sticks out on the far side too.
    auto cut = [](int* d, int* s, int* n, int dLimit, int sLimit) {
      const long long lo = std::max({0LL, -static_cast<long long>(*d), -static_cast<long long>(*s)});
      const long long hi = std::min({static_cast<long long>(*n), static_cast<long long>(dLimit) - *d,
                                     static_cast<long long>(sLimit) - *s});
      if (hi <= lo) return false;
      *d += static_cast<int>(lo);
      *s += static_cast<int>(lo);
      *n = static_cast<int>(hi - lo);
      return true;
    };
    if (!cut(x, sx, sw, dst->nWidth, src->nWidth) || !cut(y, sy, sh, dst->nHeight, src->nHeight)) return 0;
    *w = *sw;
    *h = *sh;
    return 1;
  }
  if (lpDTCon) {
    // The device clips the destination; only the source is cut, and the
    // destination shrinks by the fraction of the source that is left.
    auto cut = [](int* s, int* n, int* d, int limit) {
      const bool mirrored = *n < 0;
      int lo = mirrored ? *s + *n : *s, hi = mirrored ? *s : *s + *n;
      const int full = hi - lo;
      lo = std::max(lo, 0);
      hi = std::min(hi, limit);
      if (hi <= lo) return false;
      if (hi - lo != full) *d = static_cast<int>(static_cast<long long>(*d) * (hi - lo) / full);
      *s = mirrored ? hi : lo;
      *n = mirrored ? lo - hi : hi - lo;
      return *d > 0;
    };
    return cut(sx, sw, w, src->nWidth) && cut(sy, sh, h, src->nHeight);
  }
  if (*sw < 0 || *sh < 0) return 0;
  CutToSurface(sx, sw, src->nWidth);
  CutToSurface(sy, sh, src->nHeight);
  if (*sw <= 0 || *sh <= 0) return 0;
  if (*x >= dst->nWidth || *y >= dst->nHeight || *x + *w <= 0 || *y + *h <= 0) return 0;
  // A destination sticking out is cut and the source shortened in proportion.
  auto cutDest = [](int* d, int* n, int* s, int* sn, int limit) {
    const int n0 = *n, sn0 = *sn;
    if (*d < 0) {
      const int off = static_cast<int>(static_cast<long long>(-*d) * sn0 / n0);
      *s += off;
      *sn -= off;
      *n += *d;
      *d = 0;
    }
    if (*d + *n > limit) {
      const int over = *d + *n - limit;
      *sn -= static_cast<int>(static_cast<long long>(over) * sn0 / n0);
      *n -= over;
    }
  };
  cutDest(x, w, sx, sw, dst->nWidth);
  cutDest(y, h, sy, sh, dst->nHeight);
  return *w > 0 && *h > 0 && *sw > 0 && *sh > 0;
}

// ---- blits ---------------------------------------------------------------------

int DDStretchBlt(DDSURFACEDATA* dst, int x, int y, int w, int h, DDSURFACEDATA* src, int sx, int sy, int sw, int sh,
                 int key) {
  DDMirrorRect(src, &sx, &sy, &sw, &sh);
  if (!lpDTCon) return DirectDrawBlt(dst, x, y, w, h, src, sx, sy, sw, sh, key);
  if (!dst || !src) return 0;
  DDResolveBaseSD(&dst);
  DDResolveBaseSD(&src);
  if (lpDTCon->bVirCopy) {
    dst = &BackBuffer;
    src = &VirBackBuffer;
  } else {
    DDRedirectBackBuffer(&dst);
    DDRedirectBackBuffer(&src);
  }
  const bool systemSource = src->lpDT && src->lpDT->dwMemType == DTMEMORYTYPE_SYSTEM;
  if (DDIsRenderTarget(dst) && !systemSource) {
    if (!DDClipRect(dst, &x, &y, &w, &h, src, &sx, &sy, &sw, &sh)) return 0;
    if (DDSpriteBatchOpen()) {
      DDAppendSprite(dst, src, x, y, w, h, sx, sy, sw, sh, key);
      return 1;
    }
    DDBeginScene();
    DDSetRenderTarget(0, dst);
    // An unkeyed copy of a keyed texture replaces what is there: its
    // transparent pixels become transparent (or the key colour) too.
    const QUADSTATE state{lpDTCon->dwDrawColor, lpDTCon->dwColorOp, lpDTCon->dwAlphaOp};
    if (key == 0 && src->lpDT && src->lpDT->bTransmit)
      DDClearAndDrawTexturedQuad(dst, x, y, w, h, src, sx, sy, sw, sh, state, DDKeyClearColor(dst));
    else
      DDDrawTexturedQuad(dst, x, y, w, h, src, sx, sy, sw, sh, state);
    DDSetRenderTarget(0, lpDTCon->lpRenderTargetSD);
    return 1;
  }
  SoftwareBlt(dst, x, y, w, h, src, sx, sy, sw, sh, key);
  return 1;
}

namespace {

// True when rows [sy, sy + h) of columns [sx, sx + w) hold no transparent
// texel (no key colour for `keyed` DirectDraw surfaces).
template <typename T>
bool NoTransparentTexel(const PixelBuffer& b, int sx, int sy, int w, int h, bool directDraw) {
  for (int j = sy; j < sy + h; ++j) {
    const T* row = reinterpret_cast<const T*>(b.Row(j)) + sx;
    if (directDraw) {
      const T k = static_cast<T>(b.colorKey);
      bool key = false;
      for (int i = 0; i < w; ++i) key |= row[i] == k;
      if (key) return false;
      continue;
    }
    uint32_t all = ~0u;
    if constexpr (sizeof(T) > 1) all = AndOfRow<T, false, false>(nullptr, row, w);
    if (b.format == PixelFormat::A8R8G8B8 && (all >> 24) != 0xFF) return false;
    if (b.format == PixelFormat::A1R5G5B5 && !(all & 0x8000)) return false;
  }
  return true;
}

}  // namespace

bool DDIsOpaqueCopy(DDSURFACEDATA* dst, DDSURFACEDATA* src, int sx, int sy, int w, int h) {
  if (!dst || !src || w <= 0 || h <= 0 || sx < 0 || sy < 0) return false;
  if (sx + w > src->nWidth || sy + h > src->nHeight) return false;
  PixelBuffer* s = nullptr;
  bool directDraw = false;
  if (!lpDTCon) {
    // DirectDrawBlt: same formats, records within their buffers; a source
    // without a colour key copies whole whatever the key.
    PixelBuffer* d = dst->Pixels();
    s = src->Pixels();
    if (!d || !s || d == s || d->Empty() || s->Empty() || d->lost || s->lost || d->format != s->format)
      return false;
    if (dst->nWidth > d->width || dst->nHeight > d->height || sx + w > s->width || sy + h > s->height) return false;
    if (!s->hasColorKey) return true;
    directDraw = true;
  } else {
    // The textured quad, unmirrored, in the plain state, of a texture that
    // is not the destination.
    if (src->lpBaseSD || lpDTCon->bVirCopy) return false;
    if (!PlainState(QUADSTATE{lpDTCon->dwDrawColor, lpDTCon->dwColorOp, lpDTCon->dwAlphaOp})) return false;
    if (!DDResolveForQuad(&dst, &src)) return false;
    PixelBuffer* d = dst->Pixels();
    s = src->lpDT ? src->lpDT->lpTexture : nullptr;
    if (!d || !s || d == s || d->Empty() || s->Empty() || sx + w > s->width || sy + h > s->height) return false;
    if (s->format == PixelFormat::X8R8G8B8 || s->format == PixelFormat::R5G6B5) return true;
  }
  switch (BytesPerPixel(s->format)) {
    case 1: return NoTransparentTexel<uint8_t>(*s, sx, sy, w, h, directDraw);
    case 2: return NoTransparentTexel<uint16_t>(*s, sx, sy, w, h, directDraw);
    case 4: return NoTransparentTexel<uint32_t>(*s, sx, sy, w, h, directDraw);
    default: return false;
  }
}

int DDBlt(DDSURFACEDATA* dst, int x, int y, int w, int h, DDSURFACEDATA* src, int sx, int sy, int key) {
  return DDStretchBlt(dst, x, y, w, h, src, sx, sy, w, h, key);
}

void DDStretchBltMode(DDSURFACEDATA* dst, int x, int y, int w, int h, DDSURFACEDATA* src, int sx, int sy, int sw,
                      int sh, int key, BLTMODE mode) {
  if (lpDTCon) {
    DDSetDrawColor(mode.dwDrawColor);
    DDSetColorOp(mode.dwColorOp);
  }
  DDStretchBlt(dst, x, y, w, h, src, sx, sy, sw, sh, key);
  if (lpDTCon) {
    DDResetDrawColor();
    DDResetColorOp();
  }
}

void DDBltMode(DDSURFACEDATA* dst, int x, int y, int w, int h, DDSURFACEDATA* src, int sx, int sy, int key,
               BLTMODE mode) {
  DDStretchBltMode(dst, x, y, w, h, src, sx, sy, w, h, key, mode);
}
