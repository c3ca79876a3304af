#include "graphics/pixel_buffer.h"

#include <new>

int BytesPerPixel(PixelFormat format) {
  switch (format) {
    case PixelFormat::Index8: return 1;
    case PixelFormat::R5G6B5:
    case PixelFormat::A1R5G5B5: return 2;
    case PixelFormat::X8R8G8B8:
    case PixelFormat::A8R8G8B8: return 4;
    case PixelFormat::None: break;
  }
  return 0;
}

int BitsPerPixel(PixelFormat format) { return BytesPerPixel(format) * 8; }

const char* PixelFormatName(PixelFormat format) {
  switch (format) {
    case PixelFormat::Index8: return "P8";
    case PixelFormat::R5G6B5: return "R5G6B5";
    case PixelFormat::A1R5G5B5: return "A1R5G5B5";
    case PixelFormat::X8R8G8B8: return "X8R8G8B8";
    case PixelFormat::A8R8G8B8: return "A8R8G8B8";
    case PixelFormat::None: break;
  }
  return "UNKNOWN";
}

COLORBITS ColorBitsOfFormat(PixelFormat format) {
  switch (format) {
    case PixelFormat::R5G6B5: return {11, 5, 0, 16, 31, 63, 31, 0};
    case PixelFormat::A1R5G5B5: return {10, 5, 0, 15, 31, 31, 31, 1};
    case PixelFormat::X8R8G8B8: return {16, 8, 0, 24, 255, 255, 255, 0};
    case PixelFormat::A8R8G8B8: return {16, 8, 0, 24, 255, 255, 255, 255};
    default: break;
  }
  return {};
}

void DDPALETTE::SetEntries(int first, int count, const PALETTEENTRY* src) {
  for (int i = 0; i < count && first + i < 256; ++i)
    if (first + i >= 0) entries[first + i] = src[i];
}

void DDPALETTE::GetEntries(int first, int count, PALETTEENTRY* dst) const {
  for (int i = 0; i < count && first + i < 256; ++i)
    if (first + i >= 0) dst[i] = entries[first + i];
}

bool PixelBuffer::Allocate(PixelFormat fmt, int w, int h) {
  int bytes = BytesPerPixel(fmt);
  if (bytes == 0 || w <= 0 || h <= 0 || w > kMaxSurfaceSide || h > kMaxSurfaceSide) return false;
  int rowBytes = (w * bytes + 3) & ~3;
  try {
    storage.assign(static_cast<size_t>(rowBytes / 4) * h, 0u);
  } catch (const std::bad_alloc&) {
    Free();
    return false;
  }
  format = fmt;
  width = w;
  height = h;
  pitch = rowBytes;
  lost = false;
  return true;
}

void PixelBuffer::Free() {
  std::vector<uint32_t>().swap(storage);
  format = PixelFormat::None;
  width = height = pitch = 0;
}
