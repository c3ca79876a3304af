// The lens and the rotated blit at full-screen and sprite size, each beside
// a plain loop that does the same pixel by pixel the obvious way (every
// point of the square or turned box visited and tested, a square root and
// two divisions per lens pixel). After the run a table gives each pair's time
// ratio (ours / plain; below 1.00 means ours is faster).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "graphics/circle_lens.h"
#include "graphics/color.h"
#include "graphics/display.h"
#include "graphics/rotate_blit.h"
#include "platform/numeric.h"
#include "platform/video.h"
#include "services/log.h"

#include "ratio_reporter.h"

namespace {

struct Mode {
  const char* name;
  int bpp;
};
const Mode kModes[] = {{"DD16", 16}, {"DD32", 32}};

constexpr int kW = 640, kH = 480;

struct Shape {
  const char* name;
  int w, h;  // the picture
  int radius, depth;  // lens
};
// Full screen: the radial screen effect's lens reaching every corner from
// the middle (320 x sqrt 2); sprite: a 64-pixel chara's lens.
const Shape kShapes[] = {{"screen", kW, kH, 452, 120}, {"sprite", 64, 64, 45, 12}};

template <typename T>
T& At(PixelBuffer& b, long long x, long long y) {
  return reinterpret_cast<T*>(b.Row(static_cast<int>(y)))[x];
}

// The lens as written down: the whole square, each point tested.
template <typename T>
void PlainLens(PixelBuffer& d, const PixelBuffer& s, int cx, int cy, int r, int v, int scx, int scy, T key) {
  const long long R = plat::TruncToInt(std::sqrt(static_cast<double>(r * r + v * v)));
  for (int j = -r; j <= r; ++j)
    for (int i = -r; i <= r; ++i) {
      if (i * i + j * j > r * r) continue;
      const long long x = cx + i, y = cy + j;
      if (x < 0 || y < 0 || x >= d.width || y >= d.height) continue;
      const double z = std::sqrt(static_cast<double>(R * R - i * i - j * j));
      long long col = i, row = j;
      if (z != 0) {
        col = plat::TruncToInt(static_cast<double>(i) * v / z + 0.5);
        row = plat::TruncToInt(static_cast<double>(j) * v / z + 0.5);
      }
      const long long sx = scx + col, sy = scy + row;
      if (sx < 0 || sy < 0 || sx >= s.width || sy >= s.height) continue;
      const T p = At<T>(const_cast<PixelBuffer&>(s), sx, sy);
      if (p != key) At<T>(d, x, y) = p;
    }
}

// The fixed-point turn as written down: every point of the widened box
// mapped back and tested.
template <typename T>
void PlainTurn(PixelBuffer& d, const PixelBuffer& s, int x, int y, int w, int h, int cx, int cy, int angle) {
  const double k = kRotateDegToRad;
  const int S = plat::TruncToInt(std::sin(angle * k) * 1024), C = plat::TruncToInt(std::cos(angle * k) * 1024);
  const int Si = plat::TruncToInt(std::sin(-angle * k) * 1024);
  int c0 = 1 << 30, c1 = -(1 << 30), r0 = 1 << 30, r1 = -(1 << 30);
  for (int px : {0, w - 1})
    for (int py : {0, h - 1}) {
      const int col = cx + ((C * (px - cx) - S * (py - cy)) >> 10), row = cy + ((S * (px - cx) + C * (py - cy)) >> 10);
      c0 = std::min(c0, col);
      c1 = std::max(c1, col);
      r0 = std::min(r0, row);
      r1 = std::max(r1, row);
    }
  for (int r = r0 - 2; r < r1 + 2; ++r)
    for (int q = c0 - 2; q < c1 + 2; ++q) {
      const int X = x + q - cx, Y = y + r - cy;
      if (X < 0 || Y < 0 || X >= d.width || Y >= d.height) continue;
      const int sc = cx + ((C * (q - cx) - Si * (r - cy)) >> 10), sr = cy + ((Si * (q - cx) + C * (r - cy)) >> 10);
      if (sc < 0 || sc >= w || sr < 0 || sr >= h || sc >= s.width || sr >= s.height) continue;
      At<T>(d, X, Y) = At<T>(const_cast<PixelBuffer&>(s), sc, sr);
    }
}

class Scene {
 public:
  explicit Scene(const Mode& m) {
    plat::SetHeadless(true);
    ok_ = DDInit(0, nullptr, kW, kH, m.bpp, 0, 0, 1, 60, 0, nullptr, nullptr, 0, 0) &&
          DDCreateSurface(&picture_, kW, kH, 0, 1, 0, nullptr, 0);
    if (!ok_) return;
    PixelBuffer& p = *picture_.Pixels();
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        const uint32_t rgb = (static_cast<uint32_t>(y * kW + x) * 2654435761u) & 0xFFFFFF;
        const uint32_t v = EncodePixel(p.format, Rgba8{rgb >> 16, rgb >> 8 & 0xFF, (rgb & 0xFF) | 8, 255});
        if (m.bpp == 16)
          At<uint16_t>(p, x, y) = static_cast<uint16_t>(v);
        else
          At<uint32_t>(p, x, y) = v;
      }
    g_dwTransmit = 0;
  }
  ~Scene() {
    DDReleaseSurface(&picture_);
    DDRelease();
  }
  bool ok() const { return ok_; }
  DDSURFACEDATA picture_;

 private:
  bool ok_ = false;
};

enum class Op { Lens, Rotate };

void RunOurs(benchmark::State& state, const Mode& m, const Shape& sh, Op op) {
  Scene sc(m);
  if (!sc.ok()) {
    state.SkipWithError("display set-up failed");
    return;
  }
  const int cx = kW / 2, cy = kH / 2;
  for (auto _ : state) {
    if (op == Op::Lens)
      DDLensBlt(&BackBuffer, cx, cy, sh.radius, sh.depth, &sc.picture_, cx, cy, 0, 0);
    else
      DDRotateBlt(&BackBuffer, cx, cy, sh.w, sh.h, sh.w / 2, sh.h / 2, 30, &sc.picture_, 0, 0, 0);
    benchmark::DoNotOptimize(BackBuffer.Pixels()->Bits());
    benchmark::ClobberMemory();
  }
}

void RunPlain(benchmark::State& state, const Mode& m, const Shape& sh, Op op) {
  Scene sc(m);
  if (!sc.ok()) {
    state.SkipWithError("display set-up failed");
    return;
  }
  PixelBuffer& d = *BackBuffer.Pixels();
  const PixelBuffer& s = *sc.picture_.Pixels();
  const int cx = kW / 2, cy = kH / 2;
  for (auto _ : state) {
    if (op == Op::Lens) {
      if (m.bpp == 16)
        PlainLens<uint16_t>(d, s, cx, cy, sh.radius, sh.depth, cx, cy, 0);
      else
        PlainLens<uint32_t>(d, s, cx, cy, sh.radius, sh.depth, cx, cy, 0);
    } else {
      if (m.bpp == 16)
        PlainTurn<uint16_t>(d, s, cx, cy, sh.w, sh.h, sh.w / 2, sh.h / 2, 30);
      else
        PlainTurn<uint32_t>(d, s, cx, cy, sh.w, sh.h, sh.w / 2, sh.h / 2, 30);
    }
    benchmark::DoNotOptimize(d.Bits());
    benchmark::ClobberMemory();
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::string report = (std::filesystem::temp_directory_path() / "t4_lens_bench_report.txt").string();
  InitReportLog(report.c_str());
  std::vector<std::string> pairs;
  for (Op op : {Op::Lens, Op::Rotate})
    for (const Shape& sh : kShapes)
      for (const Mode& m : kModes) {
        const std::string base = std::string(op == Op::Lens ? "lens/" : "rotate30/") + sh.name + "/" + m.name;
        benchmark::RegisterBenchmark((base + "/ours").c_str(),
                                     [&m, &sh, op](benchmark::State& s) { RunOurs(s, m, sh, op); });
        benchmark::RegisterBenchmark((base + "/plain").c_str(),
                                     [&m, &sh, op](benchmark::State& s) { RunPlain(s, m, sh, op); });
        pairs.push_back(base);
      }
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\n%-28s %12s %12s %11s\n", "pair", "ours", "plain", "ours/plain");
  for (const std::string& p : pairs) {
    auto a = reporter.times.find(p + "/ours"), b = reporter.times.find(p + "/plain");
    if (a == reporter.times.end() || b == reporter.times.end()) continue;
    std::printf("%-28s %12.0f %12.0f %11.2f\n", p.c_str(), a->second, b->second, a->second / b->second);
  }
  benchmark::Shutdown();
  std::remove(report.c_str());
  return 0;
}
