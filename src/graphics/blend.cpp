#include "graphics/blend.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "graphics/blit.h"
#include "graphics/blur_mosaic.h"
#include "graphics/color.h"
#include "graphics/display.h"
#include "platform/paths.h"
#include "services/log.h"

BYTE g_BlendTable[kBlendTableSize];

bool DDLoadBlendTable(BYTE* table, const char* fileName) {
  if (g_bD3D || lpDTCon) return true;
  if (!table || !fileName) return false;
  std::FILE* f = std::fopen(plat::ResolvePath(fileName).c_str(), "rb");
  if (!f) return false;
  const size_t got = std::fread(table, 1, kBlendTableSize, f);
  std::fclose(f);
  if (got < static_cast<size_t>(kBlendTableSize)) {
    ReportError("%s が短すぎます（%d / %d バイト）", fileName, static_cast<int>(got), kBlendTableSize);
    for (size_t i = got; i < static_cast<size_t>(kBlendTableSize); ++i) table[i] = static_cast<BYTE>(i & 0xFF);
  }
  return true;
}

namespace {

// The 16-bit DirectDraw mix of one field pair: both fields on the 0..255
// scale (x 255 / mask), averaged, scaled back (x mask / 255). One table per
// channel indexed by source field x (mask + 1) + destination field, built
// once per pixel format and kept.
struct MixTables {
  COLORBITS cb{};
  std::vector<uint8_t> r, g, b;

  static std::vector<uint8_t> Build(int mask) {
    const uint32_t n = static_cast<uint32_t>(mask) + 1;
    std::vector<uint8_t> t(static_cast<size_t>(n) * n);
    for (uint32_t s = 0; s < n; ++s)
      for (uint32_t d = 0; d < n; ++d)
        t[s * n + d] = static_cast<uint8_t>(ScaleToField((FieldTo255(s, mask) + FieldTo255(d, mask)) >> 1, mask));
    return t;
  }
  static const MixTables& For(const COLORBITS& bits) {
    thread_local MixTables tables;
    if (tables.r.empty() || std::memcmp(&tables.cb, &bits, sizeof bits) != 0) {
      tables.cb = bits;
      tables.r = Build(bits.nMaskR);
      tables.g = Build(bits.nMaskG);
      tables.b = Build(bits.nMaskB);
    }
    return tables;
  }
  bool Is565() const {
    return cb.nShiftR == 11 && cb.nShiftG == 5 && cb.nShiftB == 0 && cb.nMaskR == 31 && cb.nMaskG == 63 &&
           cb.nMaskB == 31;
  }
  // The usual R5G6B5 layout with its shifts known to the compiler.
  uint32_t Mix565(uint32_t p, uint32_t q) const {
    return uint32_t{r[(p >> 6 & 0x3E0) | (q >> 11 & 31)]} << 11 | uint32_t{g[(p & 0x7E0) << 1 | (q >> 5 & 63)]} << 5 |
           uint32_t{b[(p & 31) << 5 | (q & 31)]};
  }
  uint32_t Mix(uint32_t p, uint32_t q) const {
    auto one = [](const std::vector<uint8_t>& t, uint32_t p, uint32_t q, int shift, int mask) {
      const uint32_t m = static_cast<uint32_t>(mask);
      return uint32_t{t[(p >> shift & m) * (m + 1) + (q >> shift & m)]} << shift;
    };
    return one(r, p, q, cb.nShiftR, cb.nMaskR) | one(g, p, q, cb.nShiftG, cb.nMaskG) |
           one(b, p, q, cb.nShiftB, cb.nMaskB);
  }
};

// Per-byte floor((a + b) / 2) of two 32-bit pixels.
inline uint32_t ByteAverage(uint32_t a, uint32_t b) { return (a & b) + (((a ^ b) & 0xFEFEFEFEu) >> 1); }

// The half-and-half mix of the locked paths, row by row.
struct BlendRows {
  bool keyed;
  uint32_t key;
  const BYTE* table;
  COLORBITS cb, bb;
  uint32_t alphaBit;
  const MixTables* mix = nullptr;  // 16-bit DirectDraw

  void D3D16(uint16_t* d, const uint16_t* s, int n, bool fullBack) const {
    for (int i = 0; i < n; ++i) {
      const uint32_t p = s[i];
      if (keyed && (p & 0xA000u) == 0) continue;
      const uint32_t q = d[i];
      const uint32_t sr = FieldOf(p, cb.nShiftR, cb.nMaskR), sg = FieldOf(p, cb.nShiftG, cb.nMaskG),
                     sb = FieldOf(p, cb.nShiftB, cb.nMaskB);
      if (fullBack) {
        // The back buffer's own fields; the texture's green is doubled to
        // its 6 bits before the sum.
        const uint32_t r = (sr + FieldOf(q, bb.nShiftR, bb.nMaskR)) >> 1;
        const uint32_t g = (sg * 2 + FieldOf(q, bb.nShiftG, bb.nMaskG)) >> 1;
        const uint32_t b = (sb + FieldOf(q, bb.nShiftB, bb.nMaskB)) >> 1;
        d[i] = static_cast<uint16_t>(r << bb.nShiftR | g << bb.nShiftG | b << bb.nShiftB);
      } else {
        const uint32_t r = (sr + FieldOf(q, cb.nShiftR, cb.nMaskR)) >> 1;
        const uint32_t g = (sg + FieldOf(q, cb.nShiftG, cb.nMaskG)) >> 1;
        const uint32_t b = (sb + FieldOf(q, cb.nShiftB, cb.nMaskB)) >> 1;
        d[i] = static_cast<uint16_t>(PackFields(cb, r, g, b) | alphaBit);
      }
    }
  }
  void D3D32(uint32_t* d, const uint32_t* s, int n) const {
    for (int i = 0; i < n; ++i) {
      const uint32_t p = s[i];
      if (keyed && (p >> 24) == 0) continue;
      d[i] = ByteAverage(p, d[i]) | 0xFF000000u;
    }
  }
  void DD8(uint8_t* d, const uint8_t* s, int n) const {
    // Index 0 is the transparent colour here whatever the key is.
    for (int i = 0; i < n; ++i) {
      const uint8_t p = s[i];
      if (keyed && p == 0) continue;
      d[i] = d[i] == 0 ? p : table[d[i] * 256 + p];
    }
  }
  template <bool Is565>
  void DD16(uint16_t* d, const uint16_t* s, int n) const {
    for (int i = 0; i < n; ++i) {
      const uint32_t p = s[i];
      if (keyed && p == key) continue;
      const uint32_t q = d[i];
      if (q == key) {
        d[i] = static_cast<uint16_t>(p);
        continue;
      }
      d[i] = static_cast<uint16_t>(Is565 ? mix->Mix565(p, q) : mix->Mix(p, q));
    }
  }
  void DD32(uint32_t* d, const uint32_t* s, int n) const {
    for (int i = 0; i < n; ++i) {
      const uint32_t p = s[i];
      if (keyed && p == key) continue;
      const uint32_t q = d[i];
      const uint32_t rgb = q == key ? p : ByteAverage(p, q);
      d[i] = (q & 0xFF000000u) | (rgb & 0x00FFFFFFu);
    }
  }
};

void BlendLocked(DDSURFACEDATA* dst, int dx, int dy, int w, int h, DDSURFACEDATA* src, int sx, int sy, int key,
                 const BYTE* table, bool mirrorX, bool mirrorY) {
  cEffectLocks lk;
  if (!lk.Lock(dst, src)) return;
  const EffectPath path = lk.Path();
  if (path == EffectPath::None || (path == EffectPath::DD8 && !table)) return;
  BlendRows rows{};
  rows.keyed = key == 1;
  rows.key = g_dwTransmit;
  rows.table = table;
  rows.cb = g_ColorBits;
  rows.bb = g_BackBufferColorBits;
  rows.alphaBit = (static_cast<uint32_t>(g_ColorBits.nMaskA) & 1u) << g_ColorBits.nShiftA;
  if (path == EffectPath::DD16) rows.mix = &MixTables::For(g_ColorBits);
  switch (path) {
    case EffectPath::D3D16: {
      const bool fullBack = lk.DstIsFullScreenBack();
      ForEachEffectRow<uint16_t>(lk, dx, dy, w, h, sx, sy, mirrorX, mirrorY,
                                 [&](uint16_t* d, const uint16_t* s, int n) { rows.D3D16(d, s, n, fullBack); });
      break;
    }
    case EffectPath::D3D32:
      ForEachEffectRow<uint32_t>(lk, dx, dy, w, h, sx, sy, mirrorX, mirrorY,
                                 [&](uint32_t* d, const uint32_t* s, int n) { rows.D3D32(d, s, n); });
      break;
    case EffectPath::DD8:
      ForEachEffectRow<uint8_t>(lk, dx, dy, w, h, sx, sy, false, false,
                                [&](uint8_t* d, const uint8_t* s, int n) { rows.DD8(d, s, n); });
      break;
    case EffectPath::DD16:
      if (rows.mix->Is565())
        ForEachEffectRow<uint16_t>(lk, dx, dy, w, h, sx, sy, false, false,
                                   [&](uint16_t* d, const uint16_t* s, int n) { rows.DD16<true>(d, s, n); });
      else
        ForEachEffectRow<uint16_t>(lk, dx, dy, w, h, sx, sy, false, false,
                                   [&](uint16_t* d, const uint16_t* s, int n) { rows.DD16<false>(d, s, n); });
      break;
    case EffectPath::DD32:
      ForEachEffectRow<uint32_t>(lk, dx, dy, w, h, sx, sy, false, false,
                                 [&](uint32_t* d, const uint32_t* s, int n) { rows.DD32(d, s, n); });
      break;
    default: break;
  }
}

}  // namespace

bool DDBlendBlt(DDSURFACEDATA* dst, int dx, int dy, int w, int h, DDSURFACEDATA* src, int sx, int sy, int key,
                const BYTE* table, int alpha) {
  if (!lpDTCon) {
    BlendLocked(dst, dx, dy, w, h, src, sx, sy, key, table, false, false);
    return true;
  }
  if (!dst || !src) return true;
  int sw = w, sh = h;
  DDMirrorRect(src, &sx, &sy, &sw, &sh);
  if (DDResolveForQuad(&dst, &src)) {
    if (!DDBeginTarget(dst)) return true;
    // The key flag plays no part: transparent texels have alpha 0.
    const D3DCOLOR diffuse = (255u - (static_cast<uint32_t>(alpha) & 255u)) << 24 | 0x00FFFFFFu;
    DDDrawTexturedQuad(dst, dx, dy, w, h, src, sx, sy, sw, sh, QUADSTATE{diffuse, D3DTOP_MODULATE, D3DTOP_MODULATE});
    DDEndTarget();
    return true;
  }
  // A mirrored alias is read backwards, as the quad would show it.
  BlendLocked(dst, dx, dy, w, h, src, sx, sy, key, table, sw < 0, sh < 0);
  return true;
}

bool DDHalfBlendBlt(DDSURFACEDATA* dst, int dx, int dy, int w, int h, DDSURFACEDATA* src, int sx, int sy, int key,
                    const BYTE* table) {
  return DDBlendBlt(dst, dx, dy, w, h, src, sx, sy, key, table, 128);
}
