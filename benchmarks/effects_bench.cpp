// The lock-based pixel effects (blur, mosaic, tinted and translucent blits)
// at full screen and on 64 keyed 32 x 32 sprites, each against a plain loop
// of the same effect written the obvious way (the per-pixel formulas, one
// pixel at a time), and the translucent blit against SDL's alpha-modulated
// blit on the same pixels. Before timing, each plain loop is checked to give
// exactly our pixels. After the run a table gives the time ratios (ours /
// other; below 1.00 means ours is faster).
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "graphics/blend.h"
#include "graphics/blit.h"
#include "graphics/blur_mosaic.h"
#include "graphics/color.h"
#include "graphics/colorkey.h"
#include "graphics/display.h"
#include "graphics/tint_blit.h"
#include "platform/numeric.h"
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

const Mode kModes[] = {{"DD16", 0, 16, 0}, {"DD32", 0, 32, 0}, {"D3D16Full", 1, 16, 0}, {"D3D32", 1, 32, 0}};

constexpr int kW = 640, kH = 480;
constexpr int kSprites = 64;
constexpr int kBlurRadius = 3, kSpriteBlurRadius = 2;
constexpr int kMosaic = 8, kSpriteMosaic = 4;
constexpr int kTintStrength = 2;
constexpr BYTE kTintColour = 31;

enum class Effect { Blur, Mosaic, Tint, Blend };
enum class Size { Screen, Sprites };

int SpriteX(int i) { return (i * 97) % (kW + 16) - 16; }
int SpriteY(int i) { return (i * 61) % (kH + 16) - 16; }

// ---- pixels the obvious way ----------------------------------------------------

uint32_t GetPx(const PixelBuffer& b, int x, int y) {
  switch (BytesPerPixel(b.format)) {
    case 1: return b.Row(y)[x];
    case 2: return reinterpret_cast<const uint16_t*>(b.Row(y))[x];
    default: return reinterpret_cast<const uint32_t*>(b.Row(y))[x];
  }
}

void SetPx(PixelBuffer& b, int x, int y, uint32_t v) {
  switch (BytesPerPixel(b.format)) {
    case 1: b.Row(y)[x] = static_cast<uint8_t>(v); break;
    case 2: reinterpret_cast<uint16_t*>(b.Row(y))[x] = static_cast<uint16_t>(v); break;
    default: reinterpret_cast<uint32_t*>(b.Row(y))[x] = v; break;
  }
}

bool Inside(const PixelBuffer& b, int x, int y) { return x >= 0 && y >= 0 && x < b.width && y < b.height; }

bool Transparent(uint32_t p) {
  if (lpDTCon) return g_nBpp == 16 ? (p & 0xA000) == 0 : (p >> 24) == 0;
  return p == g_dwTransmit;
}

void Split(uint32_t p, uint32_t* r, uint32_t* g, uint32_t* b) {
  if (g_nBpp == 32) {
    *r = p >> 16 & 255, *g = p >> 8 & 255, *b = p & 255;
  } else {
    *r = FieldOf(p, g_ColorBits.nShiftR, g_ColorBits.nMaskR);
    *g = FieldOf(p, g_ColorBits.nShiftG, g_ColorBits.nMaskG);
    *b = FieldOf(p, g_ColorBits.nShiftB, g_ColorBits.nMaskB);
  }
}

uint32_t PackAverage(uint32_t r, uint32_t g, uint32_t b, uint32_t old, bool fullBack) {
  if (lpDTCon) {
    if (g_nBpp == 32) return 0xFF000000u | r << 16 | g << 8 | b;
    if (fullBack) return r << 11 | (g * 2) << 5 | b;
    return PackFields(g_ColorBits, r, g, b) | 0x8000u;
  }
  if (g_nBpp == 32) return (old & 0xFF000000u) | r << 16 | g << 8 | b;
  return PackFields(g_ColorBits, r, g, b);
}

void PlainBlur(PixelBuffer& d, int dx, int dy, int w, int h, int rx, int ry, const PixelBuffer& s, int key,
               bool fullBack) {
  for (int j = 0; j < h; ++j)
    for (int k = 0; k < w; ++k) {
      if (!Inside(d, dx + k, dy + j) || !Inside(s, k, j)) continue;
      if (key == 1 && Transparent(GetPx(s, k, j))) continue;
      uint32_t r = 0, g = 0, b = 0, n = 0;
      for (int y = j - ry; y <= j + ry - 1; ++y)
        for (int x = k - rx; x <= k + rx - 1; ++x) {
          if (x < 0 || y < 0 || x >= w || y >= h || !Inside(s, x, y)) continue;
          const uint32_t p = GetPx(s, x, y);
          if (key == 1 && Transparent(p)) continue;
          uint32_t pr, pg, pb;
          Split(p, &pr, &pg, &pb);
          r += pr, g += pg, b += pb, ++n;
        }
      if (n) SetPx(d, dx + k, dy + j, PackAverage(r / n, g / n, b / n, GetPx(d, dx + k, dy + j), fullBack));
    }
}

void PlainMosaic(PixelBuffer& d, int dx, int dy, int w, int h, int n, const PixelBuffer& s, int key, bool fullBack) {
  for (int by = 0; by < h; by += n)
    for (int bx = 0; bx < w; bx += n) {
      const int bw = std::min(n, w - bx), bh = std::min(n, h - by);
      uint32_t colour;
      bool keepTop = false;
      if (lpDTCon) {
        if (!Inside(s, bx, by)) continue;
        colour = GetPx(s, bx, by);
        if (key == 1 && Transparent(colour)) continue;
        if (g_nBpp == 32) colour |= 0xFF000000u;
        if (g_nBpp == 16 && fullBack) colour = RepackGreenDoubled(g_ColorBits, g_BackBufferColorBits, colour);
      } else {
        uint32_t r = 0, g = 0, b = 0, count = 0;
        for (int y = by; y < by + bh; ++y)
          for (int x = bx; x < bx + bw; ++x) {
            if (!Inside(s, x, y)) continue;
            const uint32_t p = GetPx(s, x, y);
            if (key == 1 && p == g_dwTransmit) continue;
            uint32_t pr, pg, pb;
            Split(p, &pr, &pg, &pb);
            if (g_nBpp == 16) {
              pr = pr * 255 / g_ColorBits.nMaskR, pg = pg * 255 / g_ColorBits.nMaskG, pb = pb * 255 / g_ColorBits.nMaskB;
            }
            r += pr, g += pg, b += pb, ++count;
          }
        if (!count) continue;
        r /= count, g /= count, b /= count;
        if (g_nBpp == 16) {
          colour = PackFields(g_ColorBits, r * g_ColorBits.nMaskR / 255, g * g_ColorBits.nMaskG / 255,
                              b * g_ColorBits.nMaskB / 255);
        } else {
          colour = r << 16 | g << 8 | b;
          keepTop = true;
        }
        if (key == 1 && colour == g_dwTransmit) continue;
      }
      for (int y = by; y < by + bh; ++y)
        for (int x = bx; x < bx + bw; ++x) {
          if (!Inside(d, dx + x, dy + y)) continue;
          const uint32_t old = GetPx(d, dx + x, dy + y);
          SetPx(d, dx + x, dy + y, keepTop ? (old & 0xFF000000u) | colour : colour);
        }
    }
}

// The device's source-alpha blend of one colour onto a pixel.
uint32_t DeviceBlend(PixelFormat df, uint32_t old, Rgba8 c) {
  if (c.a != 255) {
    const Rgba8 o = DecodePixel(df, old);
    const uint32_t a = c.a, ia = 255 - c.a;
    c = {(c.r * a + o.r * ia + 127) / 255, (c.g * a + o.g * ia + 127) / 255, (c.b * a + o.b * ia + 127) / 255,
         (c.a * a + o.a * ia + 127) / 255};
  }
  return EncodePixel(df, c);
}

void PlainTint(PixelBuffer& d, int dx, int dy, int w, int h, const PixelBuffer& s, int key, const PALETTEENTRY& tint,
               int strength) {
  for (int j = 0; j < h; ++j)
    for (int i = 0; i < w; ++i) {
      if (!Inside(d, dx + i, dy + j) || !Inside(s, i, j)) continue;
      const uint32_t p = GetPx(s, i, j);
      if (lpDTCon) {
        // The textured quad with the texture factor.
        const uint32_t k = strength == 1 ? 128 : strength == 2 ? 80 : strength == 3 ? 48 : strength == 4 ? 16 : 0;
        const Rgba8 t = DecodePixel(s.format, p);
        if (t.a == 0) continue;
        const Rgba8 c{(t.r * k + tint.peRed * (255 - k) + 127) / 255, (t.g * k + tint.peGreen * (255 - k) + 127) / 255,
                      (t.b * k + tint.peBlue * (255 - k) + 127) / 255, t.a};
        SetPx(d, dx + i, dy + j, DeviceBlend(d.format, GetPx(d, dx + i, dy + j), c));
        continue;
      }
      if (key == 1 && p == g_dwTransmit) continue;
      uint32_t c[3];
      Split(p, &c[0], &c[1], &c[2]);
      const uint32_t t8[3] = {tint.peRed, tint.peGreen, tint.peBlue};
      const int masks[3] = {g_ColorBits.nMaskR, g_ColorBits.nMaskG, g_ColorBits.nMaskB};
      for (int ch = 0; ch < 3; ++ch) {
        uint32_t v = g_nBpp == 16 ? c[ch] * 255 / masks[ch] : c[ch];
        const uint32_t t = g_nBpp == 16 ? t8[ch] * 255 / masks[ch] : t8[ch];
        for (int n = 0; n < strength; ++n) v = (v + t) >> 1;
        c[ch] = g_nBpp == 16 ? v * masks[ch] / 255 : v;
      }
      if (g_nBpp == 16)
        SetPx(d, dx + i, dy + j, PackFields(g_ColorBits, c[0], c[1], c[2]));
      else
        SetPx(d, dx + i, dy + j, (GetPx(d, dx + i, dy + j) & 0xFF000000u) | c[0] << 16 | c[1] << 8 | c[2]);
    }
}

void PlainHalfBlend(PixelBuffer& d, int dx, int dy, int w, int h, const PixelBuffer& s, int key) {
  for (int j = 0; j < h; ++j)
    for (int i = 0; i < w; ++i) {
      if (!Inside(d, dx + i, dy + j) || !Inside(s, i, j)) continue;
      const uint32_t p = GetPx(s, i, j), q = GetPx(d, dx + i, dy + j);
      if (lpDTCon) {
        // The textured quad: texel alpha x vertex alpha 127.
        Rgba8 t = DecodePixel(s.format, p);
        if (t.a == 0) continue;
        t.a = (t.a * 127 + 127) / 255;
        SetPx(d, dx + i, dy + j, DeviceBlend(d.format, q, t));
        continue;
      }
      if (key == 1 && p == g_dwTransmit) continue;
      if (q == g_dwTransmit) {
        SetPx(d, dx + i, dy + j, g_nBpp == 32 ? (q & 0xFF000000u) | (p & 0xFFFFFFu) : p);
        continue;
      }
      uint32_t a[3], b[3];
      Split(p, &a[0], &a[1], &a[2]);
      Split(q, &b[0], &b[1], &b[2]);
      const int masks[3] = {g_ColorBits.nMaskR, g_ColorBits.nMaskG, g_ColorBits.nMaskB};
      for (int ch = 0; ch < 3; ++ch) {
        if (g_nBpp == 16)
          a[ch] = ((a[ch] * 255 / masks[ch] + b[ch] * 255 / masks[ch]) >> 1) * masks[ch] / 255;
        else
          a[ch] = (a[ch] + b[ch]) >> 1;
      }
      SetPx(d, dx + i, dy + j,
            g_nBpp == 16 ? PackFields(g_ColorBits, a[0], a[1], a[2]) : (q & 0xFF000000u) | a[0] << 16 | a[1] << 8 | a[2]);
    }
}

// ---- the scene -----------------------------------------------------------------------

Uint32 SdlFormat(PixelFormat f) {
  switch (f) {
    case PixelFormat::R5G6B5: return SDL_PIXELFORMAT_RGB565;
    case PixelFormat::A1R5G5B5: return SDL_PIXELFORMAT_ARGB1555;
    case PixelFormat::X8R8G8B8: return SDL_PIXELFORMAT_RGB888;
    case PixelFormat::A8R8G8B8: return SDL_PIXELFORMAT_ARGB8888;
    default: return SDL_PIXELFORMAT_UNKNOWN;
  }
}

SDL_Surface* SdlCopy(const PixelBuffer& b, int w, int h) {
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, BitsPerPixel(b.format), SdlFormat(b.format));
  if (!s) return nullptr;
  for (int y = 0; y < h; ++y)
    std::memcpy(static_cast<uint8_t*>(s->pixels) + static_cast<size_t>(y) * s->pitch, b.Row(y),
                static_cast<size_t>(w) * BytesPerPixel(b.format));
  return s;
}

uint32_t Opaque(PixelFormat f, uint32_t n) {
  const uint32_t rgb = (n * 2654435761u) & 0xFFFFFF;
  return EncodePixel(f, Rgba8{rgb >> 16 & 0xF8, rgb >> 8 & 0xF8, (rgb & 0xF8) | 8, 255});
}

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
    const uint32_t key = lpDTCon ? 0u : sp.colorKey;
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) {
        const int dx = x - 16, dy = y - 16;
        SetPx(sp, x, y, dx * dx + dy * dy < 15 * 15 && (x + y) % 7 != 0 ? Opaque(sp.format, y * 32 + x) : key);
      }
    PixelBuffer& pic = *picture_.Pixels();
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) SetPx(pic, x, y, Opaque(pic.format, y * kW + x));
    for (int i = 0; i < 256; ++i)
      palette_[i] = {static_cast<BYTE>(i), static_cast<BYTE>(255 - i), static_cast<BYTE>(i * 7), 0};
    if (g_nBpp == 16 && !lpDTCon) palette_[kTintColour] = {20, 50, 9, 0};  // display channels at 16 bits
    ResetBack();
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
  void ResetBack() {
    PixelBuffer& back = *BackBuffer.Pixels();
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) SetPx(back, x, y, Opaque(back.format, x * 7 + y * 3 + 11));
  }
  bool MakeSdl() {
    sdlSprite_ = SdlCopy(*sprite_.Pixels(), 32, 32);
    sdlPicture_ = SdlCopy(*picture_.Pixels(), kW, kH);
    sdlBack_ = SdlCopy(*BackBuffer.Pixels(), kW, kH);
    if (!sdlSprite_ || !sdlPicture_ || !sdlBack_) return false;
    if (!lpDTCon) SDL_SetColorKey(sdlSprite_, SDL_TRUE, sprite_.Pixels()->colorKey);
    for (SDL_Surface* s : {sdlSprite_, sdlPicture_}) {
      SDL_SetSurfaceBlendMode(s, SDL_BLENDMODE_BLEND);
      SDL_SetSurfaceAlphaMod(s, 128);
    }
    return true;
  }

  DDSURFACEDATA sprite_, picture_;
  PALETTEENTRY palette_[256] = {};
  SDL_Surface* sdlSprite_ = nullptr;
  SDL_Surface* sdlPicture_ = nullptr;
  SDL_Surface* sdlBack_ = nullptr;

 private:
  bool ok_ = false;
};

void RunOurs(Scene& sc, Effect e, Size z) {
  const bool screen = z == Size::Screen;
  const int count = screen ? 1 : kSprites;
  DDSURFACEDATA* src = screen ? &sc.picture_ : &sc.sprite_;
  const int w = screen ? kW : 32, h = screen ? kH : 32, key = screen ? 0 : 1;
  for (int i = 0; i < count; ++i) {
    const int x = screen ? 0 : SpriteX(i), y = screen ? 0 : SpriteY(i);
    switch (e) {
      case Effect::Blur: {
        const int r = screen ? kBlurRadius : kSpriteBlurRadius;
        DDBlurBlt(&BackBuffer, x, y, w, h, r, r, src, 0, 0, key);
        break;
      }
      case Effect::Mosaic: DDMosaicBlt(&BackBuffer, x, y, w, h, screen ? kMosaic : kSpriteMosaic, src, 0, 0, key); break;
      case Effect::Tint:
        DDTintBlt(&BackBuffer, x, y, w, h, src, 0, 0, key, sc.palette_, g_BlendTable, kTintColour, kTintStrength);
        break;
      case Effect::Blend: DDHalfBlendBlt(&BackBuffer, x, y, w, h, src, 0, 0, key, g_BlendTable); break;
    }
  }
}

void RunPlain(Scene& sc, Effect e, Size z, PixelBuffer& back) {
  const bool screen = z == Size::Screen;
  const int count = screen ? 1 : kSprites;
  const PixelBuffer& src = screen ? *sc.picture_.Pixels() : *sc.sprite_.Pixels();
  const int w = screen ? kW : 32, h = screen ? kH : 32, key = screen ? 0 : 1;
  const bool fullBack = DDIsFullScreenBack(&BackBuffer);
  for (int i = 0; i < count; ++i) {
    const int x = screen ? 0 : SpriteX(i), y = screen ? 0 : SpriteY(i);
    switch (e) {
      case Effect::Blur: {
        const int r = screen ? kBlurRadius : kSpriteBlurRadius;
        PlainBlur(back, x, y, w, h, r, r, src, key, fullBack);
        break;
      }
      case Effect::Mosaic: PlainMosaic(back, x, y, w, h, screen ? kMosaic : kSpriteMosaic, src, key, fullBack); break;
      case Effect::Tint: PlainTint(back, x, y, w, h, src, key, sc.palette_[kTintColour], kTintStrength); break;
      case Effect::Blend: PlainHalfBlend(back, x, y, w, h, src, key); break;
    }
  }
}

void RunSdl(Scene& sc, Size z) {
  if (z == Size::Screen) {
    SDL_BlitSurface(sc.sdlPicture_, nullptr, sc.sdlBack_, nullptr);
    return;
  }
  for (int i = 0; i < kSprites; ++i) {
    SDL_Rect d{SpriteX(i), SpriteY(i), 32, 32};
    SDL_BlitSurface(sc.sdlSprite_, nullptr, sc.sdlBack_, &d);
  }
}

enum class Rival { Ours, Plain, Sdl };

void Bench(benchmark::State& state, const Mode& m, Effect e, Size z, Rival rival) {
  Scene sc(m);
  if (!sc.ok()) {
    state.SkipWithError("display set-up failed");
    return;
  }
  // The plain loop must draw exactly our pixels.
  PixelBuffer plain = *BackBuffer.Pixels();
  RunOurs(sc, e, z);
  RunPlain(sc, e, z, plain);
  if (plain.storage != BackBuffer.Pixels()->storage) {
    state.SkipWithError("the plain loop draws other pixels");
    return;
  }
  sc.ResetBack();
  plain = *BackBuffer.Pixels();
  if (rival == Rival::Sdl && !sc.MakeSdl()) {
    state.SkipWithError("SDL surfaces");
    return;
  }
  for (auto _ : state) {
    switch (rival) {
      case Rival::Ours: RunOurs(sc, e, z); break;
      case Rival::Plain: RunPlain(sc, e, z, plain); break;
      case Rival::Sdl: RunSdl(sc, z); break;
    }
    benchmark::ClobberMemory();
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::string report = (std::filesystem::temp_directory_path() / "t4_effects_bench_report.txt").string();
  InitReportLog(report.c_str());

  struct EffectName {
    Effect e;
    const char* name;
  };
  const EffectName effects[] = {
      {Effect::Blur, "blur"}, {Effect::Mosaic, "mosaic"}, {Effect::Tint, "tint"}, {Effect::Blend, "halfblend"}};
  struct SizeName {
    Size z;
    const char* name;
  };
  const SizeName sizes[] = {{Size::Screen, "640x480"}, {Size::Sprites, "32x32x64"}};
  std::vector<std::string> pairs;
  for (const EffectName& e : effects)
    for (const SizeName& z : sizes)
      for (const Mode& m : kModes) {
        const std::string base = std::string(e.name) + "/" + z.name + "/" + m.name;
        benchmark::RegisterBenchmark((base + "/ours").c_str(),
                                     [&m, e = e.e, z = z.z](benchmark::State& s) { Bench(s, m, e, z, Rival::Ours); });
        benchmark::RegisterBenchmark((base + "/plain").c_str(),
                                     [&m, e = e.e, z = z.z](benchmark::State& s) { Bench(s, m, e, z, Rival::Plain); });
        if (e.e == Effect::Blend)
          benchmark::RegisterBenchmark((base + "/sdl").c_str(),
                                       [&m, e = e.e, z = z.z](benchmark::State& s) { Bench(s, m, e, z, Rival::Sdl); });
        pairs.push_back(base);
      }

  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  std::printf("\n%-34s %12s %12s %10s %12s %9s\n", "effect", "ours", "plain", "ours/plain", "SDL", "ours/SDL");
  for (const std::string& p : pairs) {
    auto a = reporter.times.find(p + "/ours"), b = reporter.times.find(p + "/plain"), c = reporter.times.find(p + "/sdl");
    if (a == reporter.times.end() || b == reporter.times.end()) continue;
    std::printf("%-34s %12.0f %12.0f %10.2f", p.c_str(), a->second, b->second, a->second / b->second);
    if (c != reporter.times.end()) std::printf(" %12.0f %9.2f", c->second, a->second / c->second);
    std::printf("\n");
  }
  benchmark::Shutdown();
  std::remove(report.c_str());
  return 0;
}
