#include "graphics/color.h"

uint32_t PackScaled(const COLORBITS& bits, uint32_t r, uint32_t g, uint32_t b) {
  return ScaleToField(r, bits.nMaskR) << bits.nShiftR | ScaleToField(g, bits.nMaskG) << bits.nShiftG |
         ScaleToField(b, bits.nMaskB) << bits.nShiftB;
}

uint32_t PackScaledArgb(const COLORBITS& bits, uint32_t argb) {
  return PackScaled(bits, argb >> 16 & 0xFF, argb >> 8 & 0xFF, argb & 0xFF) |
         ScaleToField(argb >> 24, bits.nMaskA) << bits.nShiftA;
}

uint32_t PackFields(const COLORBITS& bits, uint32_t r, uint32_t g, uint32_t b) {
  return (r & static_cast<uint32_t>(bits.nMaskR)) << bits.nShiftR |
         (g & static_cast<uint32_t>(bits.nMaskG)) << bits.nShiftG |
         (b & static_cast<uint32_t>(bits.nMaskB)) << bits.nShiftB;
}

uint32_t UnpackToRgb(const COLORBITS& bits, uint32_t pixel) {
  return FieldTo255(FieldOf(pixel, bits.nShiftR, bits.nMaskR), bits.nMaskR) << 16 |
         FieldTo255(FieldOf(pixel, bits.nShiftG, bits.nMaskG), bits.nMaskG) << 8 |
         FieldTo255(FieldOf(pixel, bits.nShiftB, bits.nMaskB), bits.nMaskB);
}

uint32_t NudgeOffKey(const COLORBITS& bits, uint32_t packed, uint32_t key) {
  if (packed != key || bits.nMaskB == 0) return packed;
  uint32_t blue = FieldOf(packed, bits.nShiftB, bits.nMaskB);
  uint32_t moved = blue == static_cast<uint32_t>(bits.nMaskB) ? blue - 1 : blue + 1;
  return (packed & ~(static_cast<uint32_t>(bits.nMaskB) << bits.nShiftB)) | moved << bits.nShiftB;
}

int FieldWidth(int mask) {
  int n = 0;
  for (uint32_t m = static_cast<uint32_t>(mask); m; m >>= 1) n += static_cast<int>(m & 1);
  return n;
}

uint32_t GdiPack16(const COLORBITS& bits, uint32_t rgb) {
  auto top = [](uint32_t c, int mask) { return c >> (8 - FieldWidth(mask)); };
  return top(rgb >> 16 & 0xFF, bits.nMaskR) << bits.nShiftR | top(rgb >> 8 & 0xFF, bits.nMaskG) << bits.nShiftG |
         top(rgb & 0xFF, bits.nMaskB) << bits.nShiftB;
}

uint8_t NearestPaletteIndex(const PALETTEENTRY* palette, int count, uint32_t rgb) {
  const int r = static_cast<int>(rgb >> 16 & 0xFF), g = static_cast<int>(rgb >> 8 & 0xFF),
            b = static_cast<int>(rgb & 0xFF);
  int best = 0;
  long bestDistance = -1;
  for (int i = 0; i < count && i < 256; ++i) {
    const long dr = r - palette[i].peRed, dg = g - palette[i].peGreen, db = b - palette[i].peBlue;
    const long d = dr * dr + dg * dg + db * db;
    if (bestDistance < 0 || d < bestDistance) {
      bestDistance = d;
      best = i;
      if (d == 0) break;
    }
  }
  return static_cast<uint8_t>(best);
}

uint32_t RepackGreenDoubled(const COLORBITS& from, const COLORBITS& to, uint32_t pixel) {
  return FieldOf(pixel, from.nShiftR, from.nMaskR) << to.nShiftR |
         (FieldOf(pixel, from.nShiftG, from.nMaskG) * 2) << to.nShiftG |
         FieldOf(pixel, from.nShiftB, from.nMaskB) << to.nShiftB;
}

const Repack565& Repack565Table() {
  static const Repack565 table = [] {
    Repack565 t{};
    for (uint32_t v = 0; v < 32; ++v) {
      t.r[v] = static_cast<uint16_t>(EncodePixel(PixelFormat::R5G6B5, DecodePixel(PixelFormat::A1R5G5B5, 0x8000 | v << 10)));
      t.g[v] = static_cast<uint16_t>(EncodePixel(PixelFormat::R5G6B5, DecodePixel(PixelFormat::A1R5G5B5, 0x8000 | v << 5)));
      t.b[v] = static_cast<uint16_t>(EncodePixel(PixelFormat::R5G6B5, DecodePixel(PixelFormat::A1R5G5B5, 0x8000 | v)));
    }
    return t;
  }();
  return table;
}

void Repack565Row(uint16_t* dst, const uint16_t* src, int n) {
  int i = 0;
  for (; i + 8 <= n; i += 8)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i),
                     Repack565x8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i))));
  const Repack565& t = Repack565Table();
  for (; i < n; ++i) dst[i] = static_cast<uint16_t>(t.r[(src[i] >> 10) & 31] | t.g[(src[i] >> 5) & 31] | t.b[src[i] & 31]);
}
