// The software renderer's hot paths side by side with SDL's own blitter on
// the same pixels: keyed 32 x 32 sprites, a full-screen opaque copy, a
// stretch, a fill, and the present conversion of 8- and 16-bit frames.
// After the run a table gives each pair's time ratio (ours / SDL; 1.00 or
// less means ours is at least as fast).
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "graphics/blit.h"
#include "graphics/color.h"
#include "graphics/colorkey.h"
#include "graphics/display.h"
#include "graphics/fill.h"
#include "platform/video.h"
#include "services/log.h"

#include "ratio_reporter.h"

namespace {

struct Mode {
  const char* name;
  int bD3D;
  int bpp;
  int windowMode;
};

const Mode kModes[] = {
    {"DD16", 0, 16, 0},        {"DD32", 0, 32, 0},  {"D3D16Full", 1, 16, 0},
    {"D3D16Window", 1, 16, 1}, {"D3D32", 1, 32, 0},
};

constexpr int kW = 640, kH = 480;
constexpr int kSprites = 64;  // keyed blits per iteration

Uint32 SdlFormat(PixelFormat f) {
  switch (f) {
    case PixelFormat::R5G6B5: return SDL_PIXELFORMAT_RGB565;
    case PixelFormat::A1R5G5B5: return SDL_PIXELFORMAT_ARGB1555;
    case PixelFormat::X8R8G8B8: return SDL_PIXELFORMAT_RGB888;
    case PixelFormat::A8R8G8B8: return SDL_PIXELFORMAT_ARGB8888;
    case PixelFormat::Index8: return SDL_PIXELFORMAT_INDEX8;
    case PixelFormat::None: break;
  }
  return SDL_PIXELFORMAT_UNKNOWN;
}

void PutPixel(PixelBuffer& b, int x, int y, uint32_t v) {
  if (BytesPerPixel(b.format) == 2)
    reinterpret_cast<uint16_t*>(b.Row(y))[x] = static_cast<uint16_t>(v);
  else
    reinterpret_cast<uint32_t*>(b.Row(y))[x] = v;
}

// An opaque pixel of the buffer's format from a running number.
uint32_t Opaque(PixelFormat f, uint32_t n) {
  const uint32_t rgb = (n * 2654435761u) & 0xFFFFFF;
  const Rgba8 c{rgb >> 16 & 0xF8, rgb >> 8 & 0xF8, (rgb & 0xF8) | 8, 255};
  return EncodePixel(f, c);
}

// An SDL surface holding a copy of a buffer's pixels in the same format.
SDL_Surface* SdlCopy(const PixelBuffer& b) {
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, b.width, b.height, BitsPerPixel(b.format), SdlFormat(b.format));
  if (!s) return nullptr;
  const int rowBytes = b.width * BytesPerPixel(b.format);
  for (int y = 0; y < b.height; ++y)
    std::memcpy(static_cast<uint8_t*>(s->pixels) + static_cast<size_t>(y) * s->pitch, b.Row(y), rowBytes);
  SDL_SetSurfaceBlendMode(s, SDL_BLENDMODE_NONE);
  return s;
}

// One display mode set up with a sprite sheet, a full-screen picture, and
// SDL copies of all three buffers.
class Scene {
 public:
  explicit Scene(const Mode& m) {
    plat::SetHeadless(true);
    ok_ = DDInit(m.bD3D, nullptr, kW, kH, m.bpp, 0, m.windowMode, 1, 60, 0, nullptr, nullptr, 0, 0);
    if (!ok_) return;
    DDSetTransmit(255, 0, 255);
    ok_ = DDCreateSurface(&sprite_, 32, 32, 1, 0, 0, nullptr, 0) &&
          DDCreateSurface(&picture_, kW, kH, 0, 0, 0, nullptr, 0);
    if (!ok_) return;
    PixelBuffer& sp = *sprite_.Pixels();
    // The key: DirectDraw's colour key; on a Direct3D texture transparent black.
    key_ = lpDTCon ? 0u : sp.colorKey;
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) {
        const int dx = x - 16, dy = y - 16;
        const bool inside = dx * dx + dy * dy < 15 * 15 && (x + y) % 7 != 0;
        PutPixel(sp, x, y, inside ? Opaque(sp.format, y * 32 + x) : key_);
      }
    PixelBuffer& pic = *picture_.Pixels();
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) PutPixel(pic, x, y, Opaque(pic.format, y * kW + x));
    sdlSprite_ = SdlCopy(sp);
    sdlPicture_ = SdlCopy(pic);
    sdlBack_ = SdlCopy(*BackBuffer.Pixels());
    ok_ = sdlSprite_ && sdlPicture_ && sdlBack_;
    if (ok_) SDL_SetColorKey(sdlSprite_, SDL_TRUE, key_);
  }
  ~Scene() {
    SDL_FreeSurface(sdlSprite_);
    SDL_FreeSurface(sdlPicture_);
    SDL_FreeSurface(sdlBack_);
    DDReleaseSurface(&sprite_);
    DDReleaseSurface(&picture_);
    DDRelease();
  }
  bool ok() const { return ok_; }

  DDSURFACEDATA sprite_, picture_;
  SDL_Surface* sdlSprite_ = nullptr;
  SDL_Surface* sdlPicture_ = nullptr;
  SDL_Surface* sdlBack_ = nullptr;
  uint32_t key_ = 0;

 private:
  bool ok_ = false;
};

// Sprite positions spread over the screen, a few sticking out at the edges.
int SpriteX(int i) { return (i * 97) % (kW + 16) - 16; }
int SpriteY(int i) { return (i * 61) % (kH + 16) - 16; }

enum class Op { Keyed, Copy, Stretch, Fill };

void RunOurs(benchmark::State& state, const Mode& m, Op op) {
  Scene sc(m);
  if (!sc.ok()) {
    state.SkipWithError("display set-up failed");
    return;
  }
  // Fill colour: a device colour (ARGB in Direct3D, a pixel in DirectDraw).
  const DWORD fillColour = lpDTCon ? 0xFF336699u : Opaque(BackBuffer.Pixels()->format, 12345);
  for (auto _ : state) {
    switch (op) {
      case Op::Keyed:
        for (int i = 0; i < kSprites; ++i) DDBlt(&BackBuffer, SpriteX(i), SpriteY(i), 32, 32, &sc.sprite_, 0, 0, 1);
        break;
      case Op::Copy: DDBlt(&BackBuffer, 0, 0, kW, kH, &sc.picture_, 0, 0, 0); break;
      case Op::Stretch: DDStretchBlt(&BackBuffer, 0, 0, kW, kH, &sc.picture_, 0, 0, kW / 2, kH / 2, 0); break;
      case Op::Fill: DDFillRectColor(&BackBuffer, 0, 0, kW, kH, fillColour); break;
    }
    benchmark::DoNotOptimize(BackBuffer.Pixels()->Bits());
    benchmark::ClobberMemory();
  }
}

void RunSdl(benchmark::State& state, const Mode& m, Op op) {
  Scene sc(m);
  if (!sc.ok()) {
    state.SkipWithError("display set-up failed");
    return;
  }
  const Uint32 fillColour = lpDTCon ? EncodePixel(BackBuffer.Pixels()->format, DecodePixel(PixelFormat::A8R8G8B8, 0xFF336699u))
                                    : Opaque(BackBuffer.Pixels()->format, 12345);
  SDL_Rect half{0, 0, kW / 2, kH / 2};
  for (auto _ : state) {
    switch (op) {
      case Op::Keyed:
        for (int i = 0; i < kSprites; ++i) {
          SDL_Rect d{SpriteX(i), SpriteY(i), 32, 32};
          SDL_BlitSurface(sc.sdlSprite_, nullptr, sc.sdlBack_, &d);
        }
        break;
      case Op::Copy: SDL_BlitSurface(sc.sdlPicture_, nullptr, sc.sdlBack_, nullptr); break;
      case Op::Stretch: SDL_BlitScaled(sc.sdlPicture_, &half, sc.sdlBack_, nullptr); break;
      case Op::Fill: SDL_FillRect(sc.sdlBack_, nullptr, fillColour); break;
    }
    benchmark::DoNotOptimize(sc.sdlBack_->pixels);
    benchmark::ClobberMemory();
  }
}

// The present conversion of a full frame of 8 bits (through a palette) or
// 16 bits to ARGB8888.
struct Frame {
  PixelBuffer buffer;
  DDPALETTE palette;
  std::vector<uint32_t> argb;
  SDL_Surface* sdlSrc = nullptr;
  SDL_Surface* sdlDst = nullptr;
  explicit Frame(PixelFormat f) {
    buffer.Allocate(f, kW, kH);
    for (int i = 0; i < 256; ++i)
      palette.entries[i] = {static_cast<BYTE>(i), static_cast<BYTE>(255 - i), static_cast<BYTE>(i * 7), 0};
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        if (f == PixelFormat::Index8)
          buffer.Row(y)[x] = static_cast<uint8_t>(x * 3 + y);
        else
          PutPixel(buffer, x, y, Opaque(f, y * kW + x));
      }
    argb.resize(static_cast<size_t>(kW) * kH);
    sdlSrc = SdlCopy(buffer);
    if (sdlSrc && f == PixelFormat::Index8) {
      SDL_Color colours[256];
      for (int i = 0; i < 256; ++i)
        colours[i] = {palette.entries[i].peRed, palette.entries[i].peGreen, palette.entries[i].peBlue, 255};
      SDL_SetPaletteColors(sdlSrc->format->palette, colours, 0, 256);
    }
    sdlDst = SDL_CreateRGBSurfaceWithFormat(0, kW, kH, 32, SDL_PIXELFORMAT_ARGB8888);
  }
  ~Frame() {
    SDL_FreeSurface(sdlSrc);
    SDL_FreeSurface(sdlDst);
  }
};

void PresentOurs(benchmark::State& state, PixelFormat f) {
  Frame fr(f);
  for (auto _ : state) {
    ConvertToArgb(fr.buffer, &fr.palette, fr.argb.data());
    benchmark::DoNotOptimize(fr.argb.data());
    benchmark::ClobberMemory();
  }
}

void PresentSdl(benchmark::State& state, PixelFormat f) {
  Frame fr(f);
  if (!fr.sdlSrc || !fr.sdlDst) {
    state.SkipWithError("SDL surfaces");
    return;
  }
  for (auto _ : state) {
    SDL_BlitSurface(fr.sdlSrc, nullptr, fr.sdlDst, nullptr);
    benchmark::DoNotOptimize(fr.sdlDst->pixels);
    benchmark::ClobberMemory();
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::string report = (std::filesystem::temp_directory_path() / "t4_bench_report.txt").string();
  InitReportLog(report.c_str());

  struct OpName {
    Op op;
    const char* name;
  };
  const OpName ops[] = {{Op::Keyed, "keyed32x32x64"}, {Op::Copy, "copy640x480"}, {Op::Stretch, "stretch2x"},
                        {Op::Fill, "fill640x480"}};
  std::vector<std::string> pairs;
  for (const OpName& o : ops)
    for (const Mode& m : kModes) {
      const std::string base = std::string(o.name) + "/" + m.name;
      benchmark::RegisterBenchmark((base + "/ours").c_str(), [&m, op = o.op](benchmark::State& s) { RunOurs(s, m, op); });
      benchmark::RegisterBenchmark((base + "/sdl").c_str(), [&m, op = o.op](benchmark::State& s) { RunSdl(s, m, op); });
      pairs.push_back(base);
    }
  for (PixelFormat f : {PixelFormat::Index8, PixelFormat::R5G6B5}) {
    const std::string base = std::string("present/") + (f == PixelFormat::Index8 ? "8bit" : "16bit");
    benchmark::RegisterBenchmark((base + "/ours").c_str(), [f](benchmark::State& s) { PresentOurs(s, f); });
    benchmark::RegisterBenchmark((base + "/sdl").c_str(), [f](benchmark::State& s) { PresentSdl(s, f); });
    pairs.push_back(base);
  }

  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  std::printf("\n%-32s %12s %12s %8s\n", "pair", "ours", "SDL", "ours/SDL");
  for (const std::string& p : pairs) {
    auto a = reporter.times.find(p + "/ours"), b = reporter.times.find(p + "/sdl");
    if (a == reporter.times.end() || b == reporter.times.end()) continue;
    std::printf("%-32s %12.0f %12.0f %8.2f%s\n", p.c_str(), a->second, b->second, a->second / b->second,
                a->second <= b->second ? "" : "  slower");
  }
  benchmark::Shutdown();
  std::remove(report.c_str());
  return 0;
}
