// The pixel buffers every surface is made of: one block of pixels in the
// surface's native format, rows of `pitch` bytes. Nothing here converts a
// pixel on its own; the drawing code works on the raw bits of each format.
#pragma once
#include <cstdint>
#include <algorithm>
#include <cstring>
#include <vector>

using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using BOOL = int;
using D3DCOLOR = uint32_t;

struct RECT {
  int left, top, right, bottom;
};

// The formats a surface can have. The numbers are those the display and
// texture formats are known by in the logs and reports.
enum class PixelFormat : uint32_t {
  None = 0,
  A8R8G8B8 = 21,
  X8R8G8B8 = 22,
  R5G6B5 = 23,
  A1R5G5B5 = 25,
  Index8 = 41,
};

int BytesPerPixel(PixelFormat format);
// 8, 16 or 32; 0 for None.
int BitsPerPixel(PixelFormat format);
const char* PixelFormatName(PixelFormat format);

// Shifts then masks (the field's maximum after shifting down) of red, green,
// blue and alpha.
struct COLORBITS {
  int nShiftR, nShiftG, nShiftB, nShiftA;
  int nMaskR, nMaskG, nMaskB, nMaskA;
};
// The packing of a 16- or 32-bit format; all zero for 8 bits and None.
COLORBITS ColorBitsOfFormat(PixelFormat format);

// One palette entry: red, green, blue, flags.
struct PALETTEENTRY {
  BYTE peRed, peGreen, peBlue, peFlags;
};
enum : BYTE { PC_RESERVED = 0x01, PC_EXPLICIT = 0x02 };

// A hardware palette: the table an 8-bit screen is shown through.
struct DDPALETTE {
  PALETTEENTRY entries[256] = {};
  void SetEntries(int first, int count, const PALETTEENTRY* src);
  void GetEntries(int first, int count, PALETTEENTRY* dst) const;
};

struct PixelBuffer {
  PixelFormat format = PixelFormat::None;
  int width = 0;
  int height = 0;
  int pitch = 0;  // bytes per row, a multiple of 4
  std::vector<uint32_t> storage;  // 32-bit words keep every row aligned
  // DirectDraw side: where the surface lives, whether its contents were
  // lost (only under the loss test hook), its source colour key.
  bool videoMemory = false;
  bool lost = false;
  bool hasColorKey = false;
  DWORD colorKey = 0;
  // Part of a flip chain: owned by the chain, not by a surface record.
  bool attached = false;
  // The palette an 8-bit primary is shown through.
  DDPALETTE* palette = nullptr;

  // Allocates width x height pixels, all bits zero. False for a bad size.
  bool Allocate(PixelFormat fmt, int w, int h);
  void Free();
  bool Empty() const { return storage.empty(); }
  uint8_t* Bits() { return reinterpret_cast<uint8_t*>(storage.data()); }
  const uint8_t* Bits() const { return reinterpret_cast<const uint8_t*>(storage.data()); }
  uint8_t* Row(int y) { return Bits() + static_cast<size_t>(y) * pitch; }
  const uint8_t* Row(int y) const { return Bits() + static_cast<size_t>(y) * pitch; }
  void Clear() { std::fill(storage.begin(), storage.end(), 0u); }
};

// Largest side a buffer may have; larger requests fail instead of
// allocating without bound.
constexpr int kMaxSurfaceSide = 16384;
