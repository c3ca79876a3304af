#include "graphics/rotate_blit.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "graphics/blit.h"
#include "graphics/color.h"
#include "graphics/display.h"
#include "platform/numeric.h"

using plat::TruncToInt;

namespace {

long long FloorDiv(long long a, long long b) {  // b > 0
  long long q = a / b;
  if (a % b != 0 && a < 0) --q;
  return q;
}
long long CeilDiv(long long a, long long b) { return -FloorDiv(-a, b); }  // b > 0

// Narrows [*lo, *hi] to the q with low <= a0 + slope x q < high. The
// fixed-point source coordinate is linear in the column, so each bound on it
// is a run of columns: the walk needs no test per pixel.
void Constrain(long long a0, long long slope, long long low, long long high, long long* lo, long long* hi) {
  if (slope > 0) {
    *lo = std::max(*lo, CeilDiv(low - a0, slope));
    *hi = std::min(*hi, CeilDiv(high - a0, slope) - 1);
  } else if (slope < 0) {
    const long long n = -slope;
    *hi = std::min(*hi, FloorDiv(a0 - low, n));
    *lo = std::max(*lo, FloorDiv(a0 - high, n) + 1);
  } else if (!(low <= a0 && a0 < high)) {
    *lo = 1;
    *hi = 0;
  }
}

// The pixels of a locked surface within its own size.
struct View {
  uint8_t* bits;
  size_t pitch;
  long long w, h;
};

View ViewOf(const cSurfaceLock& lock) {
  const DDSURFACEDATA* sd = lock.m_lpSD;
  const PixelBuffer* b = sd->Pixels();
  return View{lock.m_lpBits, static_cast<size_t>(b->pitch), std::min(sd->nWidth, b->width),
              std::min(sd->nHeight, b->height)};
}

struct Turn {
  long long x, y, w, h, cx, cy, sx, sy;
  long long c, s, sInv;  // cos, sin and sin of the negated angle, x 1024
};

template <typename T, bool Keyed>
void TurnPixels(const View& d, const View& src, const Turn& t, T key) {
  // The turned corners, widened by 2 on each side, bound the area visited.
  long long colMin = 0, colMax = 0, rowMin = 0, rowMax = 0;
  const long long px[4] = {0, t.w - 1, 0, t.w - 1}, py[4] = {0, 0, t.h - 1, t.h - 1};
  for (int k = 0; k < 4; ++k) {
    const long long dx = px[k] - t.cx, dy = py[k] - t.cy;
    const long long col = t.cx + ((t.c * dx - t.s * dy) >> 10);
    const long long row = t.cy + ((t.s * dx + t.c * dy) >> 10);
    if (k == 0 || col < colMin) colMin = col;
    if (k == 0 || col > colMax) colMax = col;
    if (k == 0 || row < rowMin) rowMin = row;
    if (k == 0 || row > rowMax) rowMax = row;
  }
  // Source columns and rows that exist in the rectangle and on the surface.
  const long long colLo = std::max(0LL, -t.sx), colHi = std::min(t.w, src.w - t.sx);
  const long long rowLo = std::max(0LL, -t.sy), rowHi = std::min(t.h, src.h - t.sy);
  if (colLo >= colHi || rowLo >= rowHi) return;
  const long long r0 = std::max(rowMin - 2, t.cy - t.y), r1 = std::min(rowMax + 2, t.cy - t.y + d.h);
  for (long long r = r0; r < r1; ++r) {
    long long qLo = std::max(colMin - 2, t.cx - t.x), qHi = std::min(colMax + 2, t.cx - t.x + d.w) - 1;
    // Source column = cx + (a >> 10) and row = cy + (b >> 10), with
    // a = a0 + c q and b = b0 + s' q.
    const long long a0 = -t.c * t.cx - t.sInv * (r - t.cy);
    const long long b0 = -t.sInv * t.cx + t.c * (r - t.cy);
    Constrain(a0, t.c, (colLo - t.cx) * 1024, (colHi - t.cx) * 1024, &qLo, &qHi);
    Constrain(b0, t.sInv, (rowLo - t.cy) * 1024, (rowHi - t.cy) * 1024, &qLo, &qHi);
    if (qLo > qHi) continue;
    T* out = reinterpret_cast<T*>(d.bits + static_cast<size_t>(t.y + r - t.cy) * d.pitch);
    const long long outX = t.x - t.cx;
    const long long srcX = t.sx + t.cx, srcY = t.sy + t.cy;
    long long a = a0 + t.c * qLo, b = b0 + t.sInv * qLo;
    for (long long q = qLo; q <= qHi; ++q, a += t.c, b += t.sInv) {
      const T* row = reinterpret_cast<const T*>(src.bits + static_cast<size_t>(srcY + (b >> 10)) * src.pitch);
      const T p = row[srcX + (a >> 10)];
      if constexpr (Keyed) {
        if (p == key) continue;
      }
      out[outX + q] = p;
    }
  }
}

template <typename T>
void TurnPixelsBy(bool keyed, const View& d, const View& s, const Turn& t) {
  if (keyed)
    TurnPixels<T, true>(d, s, t, static_cast<T>(g_dwTransmit));
  else
    TurnPixels<T, false>(d, s, t, T{0});
}

bool LockedPath(DDSURFACEDATA* dst, int x, int y, int w, int h, int cx, int cy, int angle, DDSURFACEDATA* src,
                int sx, int sy, int key) {
  cSurfaceLock dl;
  if (!dl.Lock(dst)) return false;
  cSurfaceLock sl;
  if (!sl.Lock(src)) return false;  // dl lets go of the destination
  const double radians = angle * kRotateDegToRad;
  // The inverse turn negates the angle as a double: negating INT_MIN as an
  // int would overflow.
  const double inverse = -static_cast<double>(angle) * kRotateDegToRad;
  const Turn t{x, y, w, h, cx, cy, sx, sy, TruncToInt(std::cos(radians) * 1024), TruncToInt(std::sin(radians) * 1024),
               TruncToInt(std::sin(inverse) * 1024)};
  const View d = ViewOf(dl), s = ViewOf(sl);
  const int bytes = g_nBpp / 8;
  if (w > 0 && h > 0 && dl.m_nBytes == bytes && sl.m_nBytes == bytes) {
    const bool keyed = key == 1;
    if (g_nBpp == 8 && !lpDTCon)
      TurnPixelsBy<uint8_t>(keyed, d, s, t);
    else if (g_nBpp == 16)
      TurnPixelsBy<uint16_t>(keyed, d, s, t);
    else if (g_nBpp == 32)
      TurnPixelsBy<uint32_t>(keyed, d, s, t);
  }
  DDUnlock(sl);
  DDUnlock(dl);
  return true;
}

// ---- the device's quad ---------------------------------------------------------

uint32_t Load(const PixelBuffer& b, long long x, long long y) {
  const uint8_t* row = b.Row(static_cast<int>(y));
  switch (BytesPerPixel(b.format)) {
    case 2: return reinterpret_cast<const uint16_t*>(row)[x];
    case 4: return reinterpret_cast<const uint32_t*>(row)[x];
    default: return row[x];
  }
}

void Store(PixelBuffer& b, long long x, long long y, uint32_t v) {
  uint8_t* row = b.Row(static_cast<int>(y));
  switch (BytesPerPixel(b.format)) {
    case 2: reinterpret_cast<uint16_t*>(row)[x] = static_cast<uint16_t>(v); break;
    case 4: reinterpret_cast<uint32_t*>(row)[x] = v; break;
    default: row[x] = static_cast<uint8_t>(v); break;
  }
}

long long Wrap(long long v, long long n) {
  v %= n;
  return v < 0 ? v + n : v;
}

// Stage 0 hands the texel through unchanged.
bool PlainState(const QUADSTATE& s) {
  const bool colour = s.dwColorOp == D3DTOP_SELECTARG1 ||
                      (s.dwColorOp == D3DTOP_MODULATE && (s.dwDrawColor & 0xFFFFFF) == 0xFFFFFF);
  const bool alpha = s.dwAlphaOp == D3DTOP_SELECTARG1 ||
                     (s.dwAlphaOp == D3DTOP_MODULATE && (s.dwDrawColor >> 24) == 0xFF);
  return colour && alpha;
}

// The quad's corners as the device gets them (single-precision sine and
// cosine, vertices stored as floats), then every pixel centre inside the
// parallelogram they span point-sampled from the source rectangle.
void RotatedQuad(DDSURFACEDATA* dst, int x, int y, int w, int h, int cx, int cy, int angle, DDSURFACEDATA* src,
                 int msx, int msy, int msw, int msh) {
  PixelBuffer* d = dst->Pixels();
  PixelBuffer* tex = src->lpDT ? src->lpDT->lpTexture : nullptr;
  if (!d || !tex || d->Empty() || tex->Empty() || w <= 0 || h <= 0 || msw == 0 || msh == 0) return;
  const double radians = angle * kRotateDegToRad;
  const float s = static_cast<float>(std::sin(radians)), c = static_cast<float>(std::cos(radians));
  auto vx = [&](int px, int py) {
    return static_cast<float>(x - 0.5 + (cx - (w >> 1)) + c * (px - cx) - s * (py - cy));
  };
  auto vy = [&](int px, int py) {
    return static_cast<float>(y - 0.5 + (cy - (h >> 1)) + s * (px - cx) + c * (py - cy));
  };
  const double ox = vx(0, 0), oy = vy(0, 0);
  const double exX = vx(w, 0) - ox, exY = vy(w, 0) - oy;  // along the rectangle's width
  const double eyX = vx(0, h) - ox, eyY = vy(0, h) - oy;  // along its height
  const double det = exX * eyY - exY * eyX;
  if (det == 0) return;
  double minX = ox, maxX = ox, minY = oy, maxY = oy;
  for (const auto& [px, py] : {std::pair{w, 0}, std::pair{0, h}, std::pair{w, h}}) {
    minX = std::min<double>(minX, vx(px, py));
    maxX = std::max<double>(maxX, vx(px, py));
    minY = std::min<double>(minY, vy(px, py));
    maxY = std::max<double>(maxY, vy(px, py));
  }
  const long long dw = std::min(dst->nWidth, d->width), dh = std::min(dst->nHeight, d->height);
  const long long X0 = std::max(0LL, static_cast<long long>(std::ceil(minX)));
  const long long X1 = std::min(dw - 1, static_cast<long long>(std::floor(maxX)));
  const long long Y0 = std::max(0LL, static_cast<long long>(std::ceil(minY)));
  const long long Y1 = std::min(dh - 1, static_cast<long long>(std::floor(maxY)));
  const QUADSTATE state{lpDTCon->dwDrawColor, lpDTCon->dwColorOp, lpDTCon->dwAlphaOp};
  const bool plain = PlainState(state);
  const PixelFormat sf = tex->format, df = d->format;
  const bool asIs = sf == df || (sf == PixelFormat::A8R8G8B8 && df == PixelFormat::X8R8G8B8);
  for (long long Y = Y0; Y <= Y1; ++Y) {
    for (long long X = X0; X <= X1; ++X) {
      const double dx = X - ox, dy = Y - oy;
      const double a = (dx * eyY - dy * eyX) / det;
      const double b = (exX * dy - exY * dx) / det;
      if (!(a >= 0 && a < 1 && b >= 0 && b < 1)) continue;
      const long long tx = Wrap(static_cast<long long>(std::floor(msx + a * msw)), tex->width);
      const long long ty = Wrap(static_cast<long long>(std::floor(msy + b * msh)), tex->height);
      const uint32_t texel = Load(*tex, tx, ty);
      const uint32_t alpha = DecodePixel(sf, texel).a;
      if (plain && alpha == 0) continue;
      if (plain && alpha == 255) {
        Store(*d, X, Y, asIs ? texel : EncodePixel(df, DecodePixel(sf, texel)));
        continue;
      }
      // Blending and stage operations exactly as every other textured draw.
      DDDrawTexturedQuad(dst, static_cast<int>(X), static_cast<int>(Y), 1, 1, src, static_cast<int>(tx),
                         static_cast<int>(ty), 1, 1, state);
    }
  }
}

}  // namespace

bool DDRotateBlt(DDSURFACEDATA* dst, int x, int y, int w, int h, int cx, int cy, int angle, DDSURFACEDATA* src,
                 int sx, int sy, int key) {
  if (lpDTCon) {
    if (!dst || !src) return true;
    int msx = sx, msy = sy, msw = w, msh = h;
    DDMirrorRect(src, &msx, &msy, &msw, &msh);
    if (DDResolveForQuad(&dst, &src)) {
      if (!DDBeginTarget(dst)) return true;
      RotatedQuad(dst, x, y, w, h, cx, cy, angle, src, msx, msy, msw, msh);
      DDEndTarget();
      return true;
    }
  }
  return LockedPath(dst, x, y, w, h, cx, cy, angle, src, sx, sy, key);
}
