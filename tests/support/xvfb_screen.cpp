#include "support/xvfb_screen.h"

#include <cstdio>
#include <cstring>

#include "support/headless_runner.h"

namespace t4test {

namespace {

// XWD writes its header fields most significant byte first.
uint32_t Be32(const std::string& b, size_t field) {
  const size_t i = field * 4;
  return (static_cast<uint32_t>(static_cast<uint8_t>(b[i])) << 24) |
         (static_cast<uint32_t>(static_cast<uint8_t>(b[i + 1])) << 16) |
         (static_cast<uint32_t>(static_cast<uint8_t>(b[i + 2])) << 8) | static_cast<uint8_t>(b[i + 3]);
}

int Shift(uint32_t mask) {
  int s = 0;
  while (mask && !(mask & 1)) mask >>= 1, ++s;
  return s;
}

int Bits(uint32_t mask) {
  int n = 0;
  for (; mask; mask >>= 1) n += mask & 1;
  return n;
}

}  // namespace

bool ReadXvfbScreen(const std::string& framebufferDir, XvfbScreen* out) {
  const std::string b = ReadFile(framebufferDir + "/Xvfb_screen0");
  if (b.size() < 100) return false;
  enum { kHeaderSize = 0, kVersion = 1, kDepth = 3, kWidth = 4, kHeight = 5, kByteOrder = 7, kBitsPerPixel = 11,
         kBytesPerLine = 12, kVisualClass = 13, kRedMask = 14, kGreenMask = 15, kBlueMask = 16, kColours = 19 };
  if (Be32(b, kVersion) != 7 || Be32(b, kVisualClass) != 4 /* TrueColor */) return false;
  const uint32_t bpp = Be32(b, kBitsPerPixel);
  if (bpp != 16 && bpp != 32) return false;
  const size_t w = Be32(b, kWidth), h = Be32(b, kHeight), pitch = Be32(b, kBytesPerLine);
  const size_t start = Be32(b, kHeaderSize) + size_t{Be32(b, kColours)} * 12;
  if (w == 0 || h == 0 || w > 8192 || h > 8192 || pitch < w * bpp / 8 || b.size() < start + pitch * h) return false;
  const bool msbFirst = Be32(b, kByteOrder) == 1;
  const uint32_t masks[3] = {Be32(b, kRedMask), Be32(b, kGreenMask), Be32(b, kBlueMask)};
  out->width = static_cast<int>(w);
  out->height = static_cast<int>(h);
  out->depth = static_cast<int>(Be32(b, kDepth));
  out->rgb.assign(w * h, 0);
  for (size_t y = 0; y < h; ++y)
    for (size_t x = 0; x < w; ++x) {
      const size_t at = start + y * pitch + x * (bpp / 8);
      uint32_t v = 0;
      for (uint32_t k = 0; k < bpp / 8; ++k) {
        const uint32_t byte = static_cast<uint8_t>(b[at + k]);
        v |= msbFirst ? byte << (8 * (bpp / 8 - 1 - k)) : byte << (8 * k);
      }
      uint32_t rgb = 0;
      for (int c = 0; c < 3; ++c) {
        uint32_t ch = (v & masks[c]) >> Shift(masks[c]);
        ch <<= 8 - Bits(masks[c]);
        rgb |= (ch & 0xFF) << (16 - 8 * c);
      }
      out->rgb[y * w + x] = rgb;
    }
  return true;
}

uint32_t AsShownAtDepth(uint32_t argb, int depth) {
  if (depth != 16) return argb & 0xFFFFFF;
  return argb & 0xF8FCF8;
}

}  // namespace t4test
