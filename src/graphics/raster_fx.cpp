#include "graphics/raster_fx.h"

#include <algorithm>
#include <cmath>

#include "graphics/batch.h"
#include "graphics/blit.h"
#include "graphics/display.h"
#include "platform/numeric.h"

namespace {

constexpr double kDegToRad = 0.017453292519943295;

// A displaced coordinate. Displacements come from effect parameters of the
// game's data; far beyond any surface they are held there rather than
// overflowing, which draws nothing either way.
int Displaced(int base, long long delta) {
  constexpr long long kFar = 1LL << 30;
  return static_cast<int>(std::clamp(static_cast<long long>(base) + delta, -kFar, kFar));
}

// Neighbouring lines of one displacement may go as one rectangle: a
// same-size copy treats each pixel on its own, so the rectangle draws what
// the lines drew, unless a line reads what an earlier one wrote (one buffer
// on both sides) or the source is a mirrored alias (whose mirroring depends
// on the rectangle's size). Joined, a wave of narrow columns costs a few
// wide blits instead of one per column.
bool CanJoinLines(DDSURFACEDATA* dst, DDSURFACEDATA* src) {
  if (!dst || !src) return false;
  if (lpDTCon && (src->lpBaseSD || lpDTCon->bVirCopy)) return false;
  DDResolveBaseSD(&dst);
  DDResolveBaseSD(&src);
  DDRedirectBackBuffer(&dst);
  DDRedirectBackBuffer(&src);
  const PixelBuffer* d = dst->Pixels();
  const PixelBuffer* s = src->Pixels();
  // A record larger than its buffer makes the blit refuse the rectangle as a
  // whole, which joined lines would change.
  return d && s && d != s && dst->nWidth <= d->width && dst->nHeight <= d->height && src->nWidth <= s->width &&
         src->nHeight <= s->height;
}

}  // namespace

void DDWaveBlt(DDSURFACEDATA* dst, int x, int y, int w, int h, int waves, double amplitude, int phase, int band,
               DDSURFACEDATA* src, int sx, int sy, int key, int horizontal) {
  if (band <= 0) return;
  const int count = horizontal ? w : h;
  DDBeginSpriteBatch(0);
  if (count > 0) {
    const double step = 360.0 / count * band;
    // A running sum, not (i + 1) x step: the accumulated rounding decides
    // where a line lands exactly on a truncation boundary.
    double sum = 0.0;
    const bool join = CanJoinLines(dst, src);
    int runStart = 0, runLen = 0, runOffset = 0;
    auto flush = [&] {
      if (runLen <= 0) return;
      if (horizontal)
        DDBlt(dst, x + runStart, Displaced(y, runOffset), runLen, h, src, sx + runStart, sy, key);
      else
        DDBlt(dst, Displaced(x, runOffset), y + runStart, w, runLen, src, sx, sy + runStart, key);
      runLen = 0;
    };
    for (long long start = 0; start < count; start += band) {
      sum += step;
      const int offset = plat::TruncToInt(amplitude * std::sin((phase + sum) * waves * kDegToRad));
      const int len = static_cast<int>(std::min<long long>(band, count - start));
      const int at = static_cast<int>(start);
      if (join && runLen > 0 && offset == runOffset) {
        runLen += len;
        continue;
      }
      flush();
      runStart = at;
      runLen = len;
      runOffset = offset;
    }
    flush();
  }
  DDEndSpriteBatch();
}

int DDSplitBlt(DDSURFACEDATA* dst, int x, int y, int w, int h, int stripe, int shift, DDSURFACEDATA* src, int sx,
               int sy, int key, int horizontal) {
  if (stripe == 0) return DDBlt(dst, x, y, w, h, src, sx, sy, key);
  const int count = horizontal ? w : h;
  DDBeginSpriteBatch(0);
  if (stripe > 0 && count > 0) {
    // Whole stripes only: the length mod stripe lines at the far end are
    // left undrawn.
    const long long n = count / stripe;
    auto draw = [&](long long k, long long delta) {
      const int at = static_cast<int>(k * stripe);
      const int len = stripe;
      if (horizontal)
        DDBlt(dst, x + at, Displaced(y, delta), len, h, src, sx + at, sy, key);
      else
        DDBlt(dst, Displaced(x, delta), y + at, w, len, src, sx, sy + at, key);
    };
    for (long long k = 1; k < n; k += 2) draw(k, -static_cast<long long>(shift));
    for (long long k = 0; k < n; k += 2) draw(k, shift);
  }
  DDEndSpriteBatch();
  return 1;
}

int DDTurnBlt(DDSURFACEDATA* dst, int x, int y, int w, int h, DDSURFACEDATA* src1, int sx1, int sy1,
              DDSURFACEDATA* src2, int sx2, int sy2, int sw, int sh, int key, int counter, int axis) {
  if (axis != 0 && axis != 1) return 0;
  const int length = axis == 0 ? w : h;
  // Below 2 the half length is 0, which the triangle wave divides by.
  if (length < 2) return 0;
  const int half = length >> 1;
  const long long c = counter;
  const long long within = c % half;
  const long long inset = (c / half) % 2 == 0 ? within : half - within - 1;
  const bool second = ((c + half) / length) % 2 != 0;
  DDSURFACEDATA* src = second ? src2 : src1;
  const int sx = second ? sx2 : sx1, sy = second ? sy2 : sy1;
  const int in = static_cast<int>(inset);
  if (axis == 0) return DDStretchBlt(dst, x + in, y, w - 2 * in, h, src, sx, sy, sw, sh, key);
  return DDStretchBlt(dst, x, y + in, w, h - 2 * in, src, sx, sy, sw, sh, key);
}

void DDQuarterBlt(DDSURFACEDATA* dst, int x, int y, int w, int h, DDSURFACEDATA* src, int sx, int sy, int gap,
                  int key) {
  const int hw = w >> 1, hh = h >> 1;
  const long long g = gap;
  DDBeginSpriteBatch(0);
  DDBlt(dst, Displaced(x, -g), Displaced(y, -g), hw, hh, src, sx, sy, key);
  DDBlt(dst, Displaced(x, hw + g), Displaced(y, -g), hw, hh, src, sx + hw, sy, key);
  DDBlt(dst, Displaced(x, -g), Displaced(y, hh + g), hw, hh, src, sx, sy + hh, key);
  DDBlt(dst, Displaced(x, hw + g), Displaced(y, hh + g), hw, hh, src, sx + hw, sy + hh, key);
  DDEndSpriteBatch();
}
