#include "graphics/tint_blit.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "graphics/blend.h"
#include "graphics/blit.h"
#include "graphics/blur_mosaic.h"
#include "graphics/color.h"
#include "graphics/display.h"
#include "platform/numeric.h"

namespace {

// Source weight (of 255) of the Direct3D texture-factor blend by strength.
uint32_t QuadWeight(int strength) {
  switch (strength) {
    case 1: return 128;
    case 2: return 80;
    case 3: return 48;
    case 4: return 16;
    default: return 0;
  }
}

// Source weight (of 255) of the Direct3D locked path for strengths above 1.
int LockedWeight(int strength) {
  switch (strength) {
    case 2: return 64;
    case 3: return 32;
    case 4: return 16;
    default: return 0;
  }
}

int WrapCoord(long long v, int n) {
  if (n <= 0) return 0;
  v %= n;
  return static_cast<int>(v < 0 ? v + n : v);
}

template <PixelFormat F>
using PixelT = std::conditional_t<F == PixelFormat::R5G6B5 || F == PixelFormat::A1R5G5B5, uint16_t, uint32_t>;

// The quad of the Direct3D path: point-sampled texels at the pixel centres
// (one texel per pixel, read backwards on a mirrored axis, the texture
// wrapping), colour = texel x k/255 + tint x (1 - k/255) by the lookup
// tables, alpha the texel's, blended onto the target by that alpha.
template <PixelFormat S, PixelFormat D>
void TintQuad(PixelBuffer& d, int dx, int dy, int w, int h, const PixelBuffer& s, int sx, int sy, bool mirrorX,
              bool mirrorY, const std::array<uint8_t, 256>* mix) {
  using ST = PixelT<S>;
  using DT = PixelT<D>;
  const int i0 = static_cast<int>(std::max(0LL, -static_cast<long long>(dx)));
  const int i1 = static_cast<int>(std::min<long long>(w, static_cast<long long>(d.width) - dx));
  const int j0 = static_cast<int>(std::max(0LL, -static_cast<long long>(dy)));
  const int j1 = static_cast<int>(std::min<long long>(h, static_cast<long long>(d.height) - dy));
  if (i0 >= i1 || j0 >= j1 || s.width <= 0 || s.height <= 0) return;
  // The mixed 8-bit channel of every texel field value (the device's decode
  // of the field, then the tint).
  std::array<uint8_t, 256> byField[3];
  constexpr bool fields16 = sizeof(ST) == 2;
  constexpr int masks[3] = {fields16 ? 31 : 255, S == PixelFormat::R5G6B5 ? 63 : fields16 ? 31 : 255,
                            fields16 ? 31 : 255};
  constexpr int shifts[3] = {S == PixelFormat::R5G6B5 ? 11 : fields16 ? 10 : 16, fields16 ? 5 : 8, 0};
  for (int ch = 0; ch < 3; ++ch)
    for (uint32_t v = 0; v <= static_cast<uint32_t>(std::min(masks[ch], 255)); ++v)
      byField[ch][v] = mix[ch][fields16 ? FieldTo255(v, masks[ch]) : v];
  const int step = mirrorX ? -1 : 1;
  const int tx0 = WrapCoord(mirrorX ? 0LL + sx - 1 - i0 : 0LL + sx + i0, s.width);
  for (int j = j0; j < j1; ++j) {
    const int ty = WrapCoord(mirrorY ? 0LL + sy - 1 - j : 0LL + sy + j, s.height);
    const ST* srow = reinterpret_cast<const ST*>(s.Row(ty));
    DT* drow = reinterpret_cast<DT*>(d.Row(dy + j));
    int tx = tx0;
    for (int i = i0; i < i1; ++i) {
      const uint32_t p = srow[tx];
      tx += step;
      if (tx == s.width)
        tx = 0;
      else if (tx < 0)
        tx = s.width - 1;
      uint32_t a = 255;
      if constexpr (S == PixelFormat::A8R8G8B8) a = p >> 24;
      if constexpr (S == PixelFormat::A1R5G5B5) a = (p & 0x8000) ? 255 : 0;
      if (a == 0) continue;
      Rgba8 c{byField[0][p >> shifts[0] & masks[0]], byField[1][p >> shifts[1] & masks[1]],
              byField[2][p >> shifts[2] & masks[2]], a};
      if (a != 255) {
        const Rgba8 o = DecodePixel(D, drow[dx + i]);
        const uint32_t ia = 255 - a;
        c = {(c.r * a + o.r * ia + 127) / 255, (c.g * a + o.g * ia + 127) / 255, (c.b * a + o.b * ia + 127) / 255,
             (c.a * a + o.a * ia + 127) / 255};
      }
      drow[dx + i] = static_cast<DT>(EncodePixel(D, c));
    }
  }
}

template <PixelFormat S>
void TintQuadTo(PixelBuffer& d, int dx, int dy, int w, int h, const PixelBuffer& s, int sx, int sy, bool mx, bool my,
                const std::array<uint8_t, 256>* mix) {
  switch (d.format) {
    case PixelFormat::A8R8G8B8: TintQuad<S, PixelFormat::A8R8G8B8>(d, dx, dy, w, h, s, sx, sy, mx, my, mix); break;
    case PixelFormat::X8R8G8B8: TintQuad<S, PixelFormat::X8R8G8B8>(d, dx, dy, w, h, s, sx, sy, mx, my, mix); break;
    case PixelFormat::R5G6B5: TintQuad<S, PixelFormat::R5G6B5>(d, dx, dy, w, h, s, sx, sy, mx, my, mix); break;
    case PixelFormat::A1R5G5B5: TintQuad<S, PixelFormat::A1R5G5B5>(d, dx, dy, w, h, s, sx, sy, mx, my, mix); break;
    default: break;
  }
}

void DrawTintQuad(DDSURFACEDATA* dst, int dx, int dy, int w, int h, DDSURFACEDATA* src, int sx, int sy, int sw, int sh,
                  const PALETTEENTRY& tint, uint32_t k) {
  PixelBuffer* d = dst->Pixels();
  PixelBuffer* s = src->lpDT ? src->lpDT->lpTexture : nullptr;
  if (!d || !s || d->Empty() || s->Empty() || w <= 0 || h <= 0) return;
  std::array<uint8_t, 256> mix[3];
  const uint32_t tints[3] = {tint.peRed, tint.peGreen, tint.peBlue};
  for (int ch = 0; ch < 3; ++ch)
    for (uint32_t v = 0; v < 256; ++v) mix[ch][v] = static_cast<uint8_t>((v * k + tints[ch] * (255 - k) + 127) / 255);
  const bool mx = sw < 0, my = sh < 0;
  switch (s->format) {
    case PixelFormat::A8R8G8B8: TintQuadTo<PixelFormat::A8R8G8B8>(*d, dx, dy, w, h, *s, sx, sy, mx, my, mix); break;
    case PixelFormat::X8R8G8B8: TintQuadTo<PixelFormat::X8R8G8B8>(*d, dx, dy, w, h, *s, sx, sy, mx, my, mix); break;
    case PixelFormat::A1R5G5B5: TintQuadTo<PixelFormat::A1R5G5B5>(*d, dx, dy, w, h, *s, sx, sy, mx, my, mix); break;
    case PixelFormat::R5G6B5: TintQuadTo<PixelFormat::R5G6B5>(*d, dx, dy, w, h, *s, sx, sy, mx, my, mix); break;
    default: break;
  }
}

// c = (c + t) >> 1, `times` times. The value settles within a dozen steps,
// after which further steps change nothing.
uint32_t HalveToward(uint32_t c, uint32_t t, int times) {
  for (int i = 0; i < times; ++i) {
    const uint32_t next = (c + t) >> 1;
    if (next == c) break;
    c = next;
  }
  return c;
}

// The tinted value of each channel value, already shifted into place, so a
// pixel is three lookups ORed with `extra`.
struct TintTables {
  std::array<uint32_t, 256> r{}, g{}, b{};
  uint32_t extra = 0;
  uint32_t Apply(uint32_t p, const COLORBITS& cb) const {
    return r[FieldOf(p, cb.nShiftR, cb.nMaskR) & 0xFF] | g[FieldOf(p, cb.nShiftG, cb.nMaskG) & 0xFF] |
           b[FieldOf(p, cb.nShiftB, cb.nMaskB) & 0xFF] | extra;
  }
  // The bytes 2, 1, 0 of a 32-bit pixel.
  uint32_t Apply32(uint32_t p) const { return r[p >> 16 & 0xFF] | g[p >> 8 & 0xFF] | b[p & 0xFF] | extra; }
};

// Direct3D locked path: tint channels t = palette byte x mask / 255;
// strength 1 halves, the others weigh the source by k/255 in single
// precision.
TintTables D3DTables(const PALETTEENTRY& tint, int strength, bool fullBack, bool bits32) {
  const COLORBITS& cb = g_ColorBits;
  const COLORBITS& bb = g_BackBufferColorBits;
  TintTables tt;
  const int masks[3] = {cb.nMaskR, cb.nMaskG, cb.nMaskB};
  const int shifts[3] = {fullBack ? bb.nShiftR : cb.nShiftR, fullBack ? bb.nShiftG : cb.nShiftG,
                         fullBack ? bb.nShiftB : cb.nShiftB};
  const uint32_t bytes[3] = {tint.peRed, tint.peGreen, tint.peBlue};
  std::array<uint32_t, 256>* out[3] = {&tt.r, &tt.g, &tt.b};
  const float f = static_cast<float>(LockedWeight(strength)) * (1.0f / 255.0f);
  for (int ch = 0; ch < 3; ++ch) {
    const uint32_t mask = static_cast<uint32_t>(masks[ch]);
    const uint32_t t = ScaleToField(bytes[ch], masks[ch]);
    for (uint32_t v = 0; v <= std::min(mask, 255u); ++v) {
      uint32_t res;
      if (strength == 1) {
        res = (v + t) / 2;
      } else {
        const float mixed = f * static_cast<float>(v) + (1.0f - f) * static_cast<float>(t);
        res = static_cast<uint32_t>(plat::TruncToInt(static_cast<double>(mixed)));
      }
      if (fullBack) {
        // Green goes from the texture's 5 bits to the back buffer's 6.
        if (ch == 1) res = strength == 1 ? v + t : res * 2;
        (*out[ch])[v] = res << shifts[ch];
      } else {
        (*out[ch])[v] = (res & mask) << shifts[ch];
      }
    }
  }
  if (bits32)
    tt.extra = 0xFF000000u;
  else if (!fullBack)
    tt.extra = (static_cast<uint32_t>(cb.nMaskA) & 1u) << cb.nShiftA;
  return tt;
}

// DirectDraw 16 and 32 bits: channels on the 0..255 scale (16-bit fields and
// palette values scaled up by x 255 / mask, and back down afterwards),
// halved toward the tint `strength` times.
TintTables DirectDrawTables(const PALETTEENTRY& tint, int strength, bool bits32) {
  const COLORBITS& cb = g_ColorBits;
  TintTables tt;
  const int masks[3] = {bits32 ? 0xFF : cb.nMaskR, bits32 ? 0xFF : cb.nMaskG, bits32 ? 0xFF : cb.nMaskB};
  const int shifts[3] = {bits32 ? 16 : cb.nShiftR, bits32 ? 8 : cb.nShiftG, bits32 ? 0 : cb.nShiftB};
  const uint32_t bytes[3] = {tint.peRed, tint.peGreen, tint.peBlue};
  std::array<uint32_t, 256>* out[3] = {&tt.r, &tt.g, &tt.b};
  for (int ch = 0; ch < 3; ++ch) {
    const uint32_t mask = static_cast<uint32_t>(masks[ch]);
    const uint32_t t = bits32 ? bytes[ch] : FieldTo255(bytes[ch], masks[ch]);
    for (uint32_t v = 0; v <= std::min(mask, 255u); ++v) {
      const uint32_t c = HalveToward(bits32 ? v : FieldTo255(v, masks[ch]), t, strength);
      const uint32_t res = bits32 ? c : ScaleToField(c, masks[ch]);
      (*out[ch])[v] = (res & mask) << shifts[ch];
    }
  }
  return tt;
}

// The tables of the last tint drawn, kept: a flashing chara is drawn in
// the same tint piece after piece.
enum class TintKind { D3D16, D3D16FullBack, D3D32, DD16, DD32 };
const TintTables& TablesFor(const PALETTEENTRY& tint, int strength, TintKind kind) {
  struct Key {
    COLORBITS cb, bb;
    BYTE r, g, b;
    int strength;
    TintKind kind;
    bool operator==(const Key& o) const {
      return std::memcmp(&cb, &o.cb, sizeof cb) == 0 && std::memcmp(&bb, &o.bb, sizeof bb) == 0 && r == o.r &&
             g == o.g && b == o.b && strength == o.strength && kind == o.kind;
    }
  };
  thread_local bool valid = false;
  thread_local Key last{};
  thread_local TintTables tables;
  const Key key{g_ColorBits, g_BackBufferColorBits, tint.peRed, tint.peGreen, tint.peBlue, strength, kind};
  if (valid && key == last) return tables;
  switch (kind) {
    case TintKind::D3D16: tables = D3DTables(tint, strength, false, false); break;
    case TintKind::D3D16FullBack: tables = D3DTables(tint, strength, true, false); break;
    case TintKind::D3D32: tables = D3DTables(tint, strength, false, true); break;
    case TintKind::DD16: tables = DirectDrawTables(tint, strength, false); break;
    case TintKind::DD32: tables = DirectDrawTables(tint, strength, true); break;
  }
  last = key;
  valid = true;
  return tables;
}

// s -> table[s x 256 + colour] applied `times` times, as one map built by
// repeated squaring (every power of the step commutes with the others).
std::array<uint8_t, 256> BlendSteps(const BYTE* table, BYTE colorIndex, int times) {
  std::array<uint8_t, 256> result{}, step{};
  for (int s = 0; s < 256; ++s) {
    result[s] = static_cast<uint8_t>(s);
    step[s] = table[s * 256 + colorIndex];
  }
  for (unsigned e = times > 0 ? static_cast<unsigned>(times) : 0u; e; e >>= 1) {
    if (e & 1)
      for (auto& v : result) v = step[v];
    std::array<uint8_t, 256> squared;
    for (int s = 0; s < 256; ++s) squared[s] = step[step[s]];
    step = squared;
  }
  return result;
}

void TintLocked(DDSURFACEDATA* dst, int dx, int dy, int w, int h, DDSURFACEDATA* src, int sx, int sy, int key,
                const PALETTEENTRY& tint, BYTE colorIndex, int strength, bool mirrorX, bool mirrorY) {
  cEffectLocks lk;
  if (!lk.Lock(dst, src)) return;
  const bool keyed = key == 1;
  const uint32_t k = g_dwTransmit;
  const COLORBITS cb = g_ColorBits;
  switch (lk.Path()) {
    case EffectPath::D3D16: {
      const TintTables& tt =
          TablesFor(tint, strength, lk.DstIsFullScreenBack() ? TintKind::D3D16FullBack : TintKind::D3D16);
      ForEachEffectRow<uint16_t>(lk, dx, dy, w, h, sx, sy, mirrorX, mirrorY, [&](uint16_t* d, const uint16_t* s, int n) {
        for (int i = 0; i < n; ++i)
          if (!keyed || (s[i] & 0xA000u) != 0) d[i] = static_cast<uint16_t>(tt.Apply(s[i], cb));
      });
      break;
    }
    case EffectPath::D3D32: {
      const TintTables& tt = TablesFor(tint, strength, TintKind::D3D32);
      ForEachEffectRow<uint32_t>(lk, dx, dy, w, h, sx, sy, mirrorX, mirrorY, [&](uint32_t* d, const uint32_t* s, int n) {
        for (int i = 0; i < n; ++i)
          if (!keyed || (s[i] >> 24) != 0) d[i] = tt.Apply32(s[i]);
      });
      break;
    }
    case EffectPath::DD8: {
      const std::array<uint8_t, 256> map = BlendSteps(g_BlendTable, colorIndex, strength);
      ForEachEffectRow<uint8_t>(lk, dx, dy, w, h, sx, sy, false, false, [&](uint8_t* d, const uint8_t* s, int n) {
        for (int i = 0; i < n; ++i)
          if (!keyed || s[i] != k) d[i] = map[s[i]];
      });
      break;
    }
    case EffectPath::DD16: {
      const TintTables& tt = TablesFor(tint, strength, TintKind::DD16);
      ForEachEffectRow<uint16_t>(lk, dx, dy, w, h, sx, sy, false, false, [&](uint16_t* d, const uint16_t* s, int n) {
        for (int i = 0; i < n; ++i)
          if (!keyed || s[i] != k) d[i] = static_cast<uint16_t>(tt.Apply(s[i], cb));
      });
      break;
    }
    case EffectPath::DD32: {
      const TintTables& tt = TablesFor(tint, strength, TintKind::DD32);
      ForEachEffectRow<uint32_t>(lk, dx, dy, w, h, sx, sy, false, false, [&](uint32_t* d, const uint32_t* s, int n) {
        for (int i = 0; i < n; ++i)
          if (!keyed || s[i] != k) d[i] = (d[i] & 0xFF000000u) | tt.Apply32(s[i]);
      });
      break;
    }
    default: break;
  }
}

}  // namespace

bool DDTintBlt(DDSURFACEDATA* dst, int dx, int dy, int w, int h, DDSURFACEDATA* src, int sx, int sy, int key,
               const PALETTEENTRY* palette, const BYTE* table, BYTE colorIndex, int strength) {
  (void)table;
  if (!palette) return true;
  const PALETTEENTRY& tint = palette[colorIndex];
  if (!lpDTCon) {
    TintLocked(dst, dx, dy, w, h, src, sx, sy, key, tint, colorIndex, strength, false, false);
    return true;
  }
  if (strength <= 0 || !dst || !src) return true;
  int sw = w, sh = h;
  DDMirrorRect(src, &sx, &sy, &sw, &sh);
  if (DDResolveForQuad(&dst, &src)) {
    if (!DDBeginTarget(dst)) return true;
    DrawTintQuad(dst, dx, dy, w, h, src, sx, sy, sw, sh, tint, QuadWeight(strength));
    DDEndTarget();
    return true;
  }
  TintLocked(dst, dx, dy, w, h, src, sx, sy, key, tint, colorIndex, strength, sw < 0, sh < 0);
  return true;
}
