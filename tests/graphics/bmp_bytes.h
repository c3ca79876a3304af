// Bitmap files built byte by byte, independently of the reader under test.
#pragma once
#include <cstdint>
#include <vector>

namespace bmptest {

inline void Put16(std::vector<uint8_t>& v, uint32_t x) {
  v.push_back(static_cast<uint8_t>(x));
  v.push_back(static_cast<uint8_t>(x >> 8));
}
inline void Put32(std::vector<uint8_t>& v, uint32_t x) {
  Put16(v, x & 0xFFFF);
  Put16(v, x >> 16);
}

struct Spec {
  int width = 0;
  int height = 0;           // negative: top-down
  int bitCount = 8;
  uint32_t compression = 0;
  uint32_t clrUsed = 0;
  std::vector<uint32_t> palette;  // 0x00RRGGBB
  std::vector<uint32_t> masks;    // written after the header when given
  // Rows as they appear on screen, top first: indices for paletted files,
  // 0x00RRGGBB for 24 and 32 bits, raw words for 16 bits.
  std::vector<std::vector<uint32_t>> rows;
  // When given, written as the pixel data instead of `rows` (compressed data).
  std::vector<uint8_t> raw;
};

inline std::vector<uint8_t> Build(const Spec& s) {
  std::vector<uint8_t> pix = s.raw;
  const int h = s.raw.empty() ? (s.height < 0 ? -s.height : s.height) : 0;
  const int stride = ((s.width * s.bitCount + 31) / 32) * 4;
  for (int i = 0; i < h; ++i) {
    const std::vector<uint32_t>& row = s.rows[s.height < 0 ? i : h - 1 - i];
    std::vector<uint8_t> line(static_cast<size_t>(stride), 0);
    for (int x = 0; x < s.width; ++x) {
      uint32_t p = row[static_cast<size_t>(x)];
      switch (s.bitCount) {
        case 1: line[x / 8] |= static_cast<uint8_t>((p & 1) << (7 - x % 8)); break;
        case 4: line[x / 2] |= static_cast<uint8_t>((p & 15) << (x % 2 ? 0 : 4)); break;
        case 8: line[x] = static_cast<uint8_t>(p); break;
        case 16: line[x * 2] = static_cast<uint8_t>(p); line[x * 2 + 1] = static_cast<uint8_t>(p >> 8); break;
        case 24:
          line[x * 3] = static_cast<uint8_t>(p);
          line[x * 3 + 1] = static_cast<uint8_t>(p >> 8);
          line[x * 3 + 2] = static_cast<uint8_t>(p >> 16);
          break;
        case 32:
          for (int k = 0; k < 4; ++k) line[x * 4 + k] = static_cast<uint8_t>(p >> (8 * k));
          break;
      }
    }
    pix.insert(pix.end(), line.begin(), line.end());
  }
  const uint32_t off = 14 + 40 + static_cast<uint32_t>(s.masks.size() * 4 + s.palette.size() * 4);
  std::vector<uint8_t> v;
  v.push_back('B');
  v.push_back('M');
  Put32(v, off + static_cast<uint32_t>(pix.size()));
  Put32(v, 0);
  Put32(v, off);
  Put32(v, 40);
  Put32(v, static_cast<uint32_t>(s.width));
  Put32(v, static_cast<uint32_t>(s.height));
  Put16(v, 1);
  Put16(v, static_cast<uint32_t>(s.bitCount));
  Put32(v, s.compression);
  Put32(v, static_cast<uint32_t>(pix.size()));
  Put32(v, 2835);
  Put32(v, 2835);
  Put32(v, s.clrUsed);
  Put32(v, 0);
  for (uint32_t m : s.masks) Put32(v, m);
  for (uint32_t c : s.palette) Put32(v, c & 0xFFFFFF);  // blue, green, red, 0
  v.insert(v.end(), pix.begin(), pix.end());
  return v;
}

}  // namespace bmptest
