// Colour conversions between 8-bit channels and the packed formats of the
// surfaces. Each one is the exact arithmetic of one path of the program: the
// same colour can pack differently depending on who converts it (the
// program's own x * mask / 255, GDI's truncation of a bitmap, the device's
// conversion of a texture, the software copy's doubled green).
#pragma once
#include <emmintrin.h>

#include <cstdint>

#include "graphics/pixel_buffer.h"

// An 8-bit channel scaled into a field whose maximum is `mask`: c x mask / 255.
constexpr uint32_t ScaleToField(uint32_t c8, int mask) { return c8 * static_cast<uint32_t>(mask) / 255u; }
// A field scaled back to 0..255: v x 255 / mask (0 for an empty field).
constexpr uint32_t FieldTo255(uint32_t v, int mask) {
  return mask ? v * 255u / static_cast<uint32_t>(mask) : 0u;
}
// The field of `pixel` described by shift and mask.
constexpr uint32_t FieldOf(uint32_t pixel, int shift, int mask) {
  return (pixel >> shift) & static_cast<uint32_t>(mask);
}

// The program's packing of an 8-bit colour: each channel x mask / 255,
// shifted into place; the ARGB form scales alpha into the alpha field too.
uint32_t PackScaled(const COLORBITS& bits, uint32_t r, uint32_t g, uint32_t b);
uint32_t PackScaledArgb(const COLORBITS& bits, uint32_t argb);
// Components already at field width, masked and shifted (no scaling).
uint32_t PackFields(const COLORBITS& bits, uint32_t r, uint32_t g, uint32_t b);
// A packed pixel back to 0x00RRGGBB with each field x 255 / mask.
uint32_t UnpackToRgb(const COLORBITS& bits, uint32_t pixel);

// A packed opaque pixel that came out equal to the colour key has its blue
// field moved one step (down when blue is at its maximum, else up), so that
// no opaque pixel of a loaded sheet turns transparent.
uint32_t NudgeOffKey(const COLORBITS& bits, uint32_t packed, uint32_t key);

// GDI's copy of a bitmap onto a 16-bit surface: each channel keeps its top
// bits (c >> (8 - field width)).
uint32_t GdiPack16(const COLORBITS& bits, uint32_t rgb);
// GDI's copy of a true-colour bitmap onto an 8-bit surface: the palette entry
// nearest in red, green and blue (squared distance; the lowest index wins).
uint8_t NearestPaletteIndex(const PALETTEENTRY* palette, int count, uint32_t rgb);

// A texture pixel (A1R5G5B5 packing in `from`) written into the full-screen
// R5G6B5 back buffer (`to`) by the software copy: fields moved, green x 2.
uint32_t RepackGreenDoubled(const COLORBITS& from, const COLORBITS& to, uint32_t pixel);

// The device's conversion of an A1R5G5B5 texel into the R5G6B5 back buffer,
// one table per field (the fields convert independently; white stays white).
// Every textured blit and the present use it, so all agree.
struct Repack565 {
  uint16_t r[32], g[32], b[32];
};
const Repack565& Repack565Table();

// Repack565Table applied to eight texels at once (their alpha bits are
// ignored): red and blue keep their fields, and green's v x 255 / 31 >> 2 is
// 2v, plus one from v = 18 on (7v / 124 stays below 2 up to 31).
inline __m128i Repack565x8(__m128i p) {
  const __m128i red = _mm_and_si128(_mm_slli_epi16(p, 1), _mm_set1_epi16(static_cast<short>(0xF800)));
  const __m128i blue = _mm_and_si128(p, _mm_set1_epi16(0x1F));
  const __m128i g5 = _mm_and_si128(_mm_srli_epi16(p, 5), _mm_set1_epi16(0x1F));
  // cmpgt gives -1 where v > 17: subtracting it adds the one.
  const __m128i g6 = _mm_sub_epi16(_mm_add_epi16(g5, g5), _mm_cmpgt_epi16(g5, _mm_set1_epi16(17)));
  return _mm_or_si128(_mm_or_si128(red, blue), _mm_slli_epi16(g6, 5));
}

// n opaque texels repacked as the device does (Repack565Table's result).
void Repack565Row(uint16_t* dst, const uint16_t* src, int n);

// The device's view of a texel or render-target pixel as 8-bit channels, and
// its conversion back (the top bits of each channel, as a device clear does):
// DecodePixel and EncodePixel below.
struct Rgba8 {
  uint32_t r, g, b, a;
};

// Number of bits set in a field's mask (its width).
int FieldWidth(int mask);

// Inline: the blit kernels call these once per pixel. Encoding keeps the
// top bits of each channel; with FieldTo255 every field value round-trips.
inline Rgba8 DecodePixel(PixelFormat format, uint32_t p) {
  switch (format) {
    case PixelFormat::A8R8G8B8: return {p >> 16 & 0xFF, p >> 8 & 0xFF, p & 0xFF, p >> 24};
    case PixelFormat::X8R8G8B8: return {p >> 16 & 0xFF, p >> 8 & 0xFF, p & 0xFF, 255};
    case PixelFormat::R5G6B5:
      return {FieldTo255(p >> 11 & 31, 31), FieldTo255(p >> 5 & 63, 63), FieldTo255(p & 31, 31), 255};
    case PixelFormat::A1R5G5B5:
      return {FieldTo255(p >> 10 & 31, 31), FieldTo255(p >> 5 & 31, 31), FieldTo255(p & 31, 31),
              (p & 0x8000) ? 255u : 0u};
    default: return {0, 0, 0, 255};
  }
}

inline uint32_t EncodePixel(PixelFormat format, const Rgba8& c) {
  switch (format) {
    case PixelFormat::A8R8G8B8: return c.a << 24 | c.r << 16 | c.g << 8 | c.b;
    case PixelFormat::X8R8G8B8: return 0xFF000000u | c.r << 16 | c.g << 8 | c.b;
    case PixelFormat::R5G6B5: return (c.r >> 3) << 11 | (c.g >> 2) << 5 | (c.b >> 3);
    case PixelFormat::A1R5G5B5:
      return (c.a >= 128 ? 0x8000u : 0u) | (c.r >> 3) << 10 | (c.g >> 3) << 5 | (c.b >> 3);
    default: return 0;
  }
}
