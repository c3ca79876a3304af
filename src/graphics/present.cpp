// The frame end of both backends: the finished frame is converted to
// ARGB8888 and handed to the platform, the only way frames leave graphics.
#include <cstring>
#include <utility>

#include "graphics/color.h"
#include "graphics/display.h"
#include "platform/messages.h"
#include "platform/video.h"
#include "services/log.h"
#include "services/timing.h"

namespace {

// Reused frame after frame: presenting allocates only when the size grows.
std::vector<uint32_t> g_frame;

inline uint32_t Expand5(uint32_t v) { return (v << 3) | (v >> 2); }
inline uint32_t Expand6(uint32_t v) { return (v << 2) | (v >> 4); }

// A 16-bit pixel widened to ARGB8888 is the OR of a part that depends only
// on its high byte and a part that depends only on its low byte (the field
// split across the bytes widens bit by bit), so two 256-entry tables give
// the exact conversion with two lookups per pixel.
struct Split16 {
  uint32_t hi[256];
  uint32_t lo[256];
};

template <PixelFormat F>
uint32_t Widen16(uint32_t p) {
  if constexpr (F == PixelFormat::R5G6B5)
    return 0xFF000000u | (Expand5(p >> 11) << 16) | (Expand6((p >> 5) & 63) << 8) | Expand5(p & 31);
  else
    return 0xFF000000u | (Expand5((p >> 10) & 31) << 16) | (Expand5((p >> 5) & 31) << 8) | Expand5(p & 31);
}

template <PixelFormat F>
const Split16& SplitTable() {
  static const Split16 table = [] {
    Split16 t{};
    for (uint32_t b = 0; b < 256; ++b) {
      t.hi[b] = Widen16<F>(b << 8);
      t.lo[b] = Widen16<F>(b) & 0x00FFFFFFu;
    }
    return t;
  }();
  return table;
}

template <PixelFormat F>
void ConvertRows(const PixelBuffer& src, const DDPALETTE* palette, uint32_t* out) {
  uint32_t lut[256];
  const Split16* split = nullptr;
  if constexpr (F == PixelFormat::Index8) {
    for (int i = 0; i < 256; ++i) {
      const PALETTEENTRY e = palette ? palette->entries[i] : PALETTEENTRY{BYTE(i), BYTE(i), BYTE(i), 0};
      lut[i] = 0xFF000000u | (uint32_t{e.peRed} << 16) | (uint32_t{e.peGreen} << 8) | e.peBlue;
    }
  } else if constexpr (F == PixelFormat::R5G6B5 || F == PixelFormat::A1R5G5B5) {
    split = &SplitTable<F>();
  }
  const int w = src.width;
  for (int y = 0; y < src.height; ++y) {
    const uint8_t* row = src.Row(y);
    uint32_t* __restrict dst = out + static_cast<size_t>(y) * w;
    if constexpr (F == PixelFormat::Index8) {
      int x = 0;
      for (; x + 8 <= w; x += 8) {
        uint64_t eight;
        std::memcpy(&eight, row + x, 8);
        for (int k = 0; k < 8; ++k) dst[x + k] = lut[(eight >> (8 * k)) & 0xFF];
      }
      for (; x < w; ++x) dst[x] = lut[row[x]];
    } else if constexpr (F == PixelFormat::R5G6B5 || F == PixelFormat::A1R5G5B5) {
      const uint32_t* hi = split->hi;
      const uint32_t* lo = split->lo;
      for (int x = 0; x < w; ++x) dst[x] = hi[row[2 * x + 1]] | lo[row[2 * x]];
    } else {
      const uint32_t* s = reinterpret_cast<const uint32_t*>(row);
      for (int x = 0; x < w; ++x) dst[x] = 0xFF000000u | s[x];
    }
  }
}

void ShowBuffer(const PixelBuffer& buffer, const DDPALETTE* palette) {
  if (buffer.Empty()) return;
  if (!plat::NextFrameSeen()) {
    // A headless player's frame nobody looks at is not converted.
    plat::PresentFrame(nullptr, buffer.width, buffer.height, buffer.width);
    return;
  }
  size_t need = static_cast<size_t>(buffer.width) * buffer.height;
  if (g_frame.size() != need) g_frame.resize(need);
  ConvertToArgb(buffer, palette, g_frame.data());
  plat::PresentFrame(g_frame.data(), buffer.width, buffer.height, buffer.width);
}

// An opaque copy between two buffers of the same size class, repacking
// 16-bit pixels when the formats differ.
void CopyPixels(PixelBuffer& dst, const PixelBuffer& src, int w, int h) {
  w = std::min({w, dst.width, src.width});
  h = std::min({h, dst.height, src.height});
  if (w <= 0 || h <= 0 || BytesPerPixel(dst.format) != BytesPerPixel(src.format)) return;
  const bool repack = src.format == PixelFormat::A1R5G5B5 && dst.format == PixelFormat::R5G6B5;
  int rowBytes = w * BytesPerPixel(src.format);
  for (int y = 0; y < h; ++y) {
    if (repack)
      Repack565Row(reinterpret_cast<uint16_t*>(dst.Row(y)), reinterpret_cast<const uint16_t*>(src.Row(y)), w);
    else
      std::memcpy(dst.Row(y), src.Row(y), rowBytes);
  }
}

}  // namespace

void ConvertToArgb(const PixelBuffer& src, const DDPALETTE* palette, uint32_t* argb) {
  switch (src.format) {
    case PixelFormat::Index8: ConvertRows<PixelFormat::Index8>(src, palette, argb); break;
    case PixelFormat::R5G6B5: ConvertRows<PixelFormat::R5G6B5>(src, palette, argb); break;
    case PixelFormat::A1R5G5B5: ConvertRows<PixelFormat::A1R5G5B5>(src, palette, argb); break;
    case PixelFormat::X8R8G8B8:
    case PixelFormat::A8R8G8B8: ConvertRows<PixelFormat::X8R8G8B8>(src, palette, argb); break;
    case PixelFormat::None: break;
  }
}

const std::vector<uint32_t>& DDLastPresentedFrame() { return g_frame; }

void DDCopyVirtualBackBuffer(DDSURFACEDATA* dst, DDSURFACEDATA* src) {
  if (!lpDTCon || !dst || !src) return;
  lpDTCon->bVirCopy = 1;
  DDSetAlphaOp(D3DTOP_DISABLE);
  // With the alpha stage off the copy is opaque: the source's colours
  // replace the destination's, repacked into the back buffer's format.
  PixelBuffer* d = dst->Pixels();
  PixelBuffer* s = src->Pixels();
  if (d && s) CopyPixels(*d, *s, src->nWidth, src->nHeight);
  DDResetAlphaOp();
  lpDTCon->bVirCopy = 0;
}

int DDPresent(int fps, int show, DDSURFACEDATA* sheet) {
  if (!lpDTCon) return 1;
  if (lpDTCon->bVirBackBuffer) DDCopyVirtualBackBuffer(&BackBuffer, &VirBackBuffer);
  // With vertical sync the display's refresh paces the frames; without it
  // the frame clock does.
  const bool vsync = lpDTCon->d3dpp.PresentationInterval == PRESENT_INTERVAL_DEFAULT;
  if (!vsync) {
    while (!FrameSync(fps, show, sheet)) {
      if (plat::QuitRequested()) break;
      plat::Sleep(1);
    }
  }
  lpDTCon->bInScene = 0;
  if (DDGetDeviceStateForTest() != DeviceState::Ok) {
    // A lost device shows nothing until it is restored.
    return 0;
  }
  if (vsync) plat::WaitForVerticalBlank();
  ShowBuffer(lpDTCon->backBuffer, nullptr);
  return 1;
}

void DDWaitForVerticalBlank() {
  if (DDFlipChain()) plat::WaitForVerticalBlank();
}

bool DDBltToPrimary() {
  PixelBuffer* primary = g_PrimarySD.Pixels();
  PixelBuffer* back = BackBuffer.Pixels();
  if (!primary || !back || primary->lost || back->lost) return false;
  CopyPixels(*primary, *back, g_rcWindow.right - g_rcWindow.left, g_rcWindow.bottom - g_rcWindow.top);
  ShowBuffer(*primary, primary->palette);
  return true;
}

bool DDCopyBackToPrimary() {
  PixelBuffer* primary = g_PrimarySD.Pixels();
  PixelBuffer* back = BackBuffer.Pixels();
  if (!primary || !back || primary->lost || back->lost) return false;
  CopyPixels(*primary, *back, 640, 480);
  ShowBuffer(*primary, primary->palette);
  return true;
}

bool DDFlip() {
  std::vector<PixelBuffer*>* chain = DDFlipChain();
  if (!chain || chain->size() < 2) return false;
  for (PixelBuffer* b : *chain)
    if (b->lost) return false;
  // The flip happens at the display's next refresh.
  plat::WaitForVerticalBlank();
  // The surfaces keep their places in the chain; their pixels rotate, so
  // the back surface's frame becomes the front and the front goes last.
  for (size_t i = 0; i + 1 < chain->size(); ++i) std::swap((*chain)[i]->storage, (*chain)[i + 1]->storage);
  PixelBuffer* front = (*chain)[0];
  ShowBuffer(*front, front->palette);
  return true;
}

bool DDIsSurfaceLost(const DDSURFACEDATA* lpSD) {
  if (!lpSD || !lpSD->lpDD || !lpSD->lpDD->lpDDS) return false;
  return lpSD->lpDD->lpDDS->lost;
}

void DDRestoreSurfacePart(DDSURFACEDATA* lpSD) {
  if (lpSD && lpSD->lpDD && lpSD->lpDD->lpDDS) lpSD->lpDD->lpDDS->lost = false;
}
