// The wave and split screen effects over the whole 640 x 480 screen, each
// beside a plain loop that does the same pixel by pixel the obvious way
// (every pixel of every line placed and bounds-tested on its own). After the
// run a table gives each pair's time ratio (ours / plain; below 1.00 means
// ours is faster).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "graphics/color.h"
#include "graphics/display.h"
#include "graphics/raster_fx.h"
#include "platform/numeric.h"
#include "platform/video.h"
#include "services/log.h"

#include "ratio_reporter.h"

namespace {

struct Mode {
  const char* name;
  int bD3D;
  int bpp;
};
const Mode kModes[] = {{"DD8", 0, 8}, {"DD16", 0, 16}, {"DD32", 0, 32}, {"D3D32", 1, 32}};

constexpr int kW = 640, kH = 480;

enum class Effect { WaveColumns, WaveRows, SplitColumns, SplitRows };
struct EffectName {
  Effect effect;
  const char* name;
};
// The screen-effect handlers' shapes: a wave of 2 periods, 12 pixels high,
// one line per band; stripes of 8 pixels shifted by 16.
const EffectName kEffects[] = {{Effect::WaveColumns, "wave_columns"},
                               {Effect::WaveRows, "wave_rows"},
                               {Effect::SplitColumns, "split_columns"},
                               {Effect::SplitRows, "split_rows"}};
constexpr int kWaves = 2, kPhase = 30, kStripe = 8, kShift = 16;
constexpr double kAmplitude = 12.0;

class Screen {
 public:
  explicit Screen(const Mode& m) {
    plat::SetHeadless(true);
    ok_ = DDInit(m.bD3D, nullptr, kW, kH, m.bpp, 0, 0, 1, 60, 0, nullptr, nullptr, 0, 0);
    if (!ok_) return;
    ok_ = DDCreateSurface(&src_, kW, kH, 0, 0, 0, nullptr, 0) && DDCreateSurface(&dst_, kW, kH, 0, 0, 0, nullptr, 0);
    if (!ok_) return;
    PixelBuffer* s = src_.Pixels();
    const int bytes = BytesPerPixel(s->format);
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        const uint32_t v = static_cast<uint32_t>(x * 31 + y * 17) * 2654435761u;
        if (bytes == 1)
          s->Row(y)[x] = static_cast<uint8_t>(v >> 24);
        else if (bytes == 2)
          reinterpret_cast<uint16_t*>(s->Row(y))[x] = static_cast<uint16_t>(v >> 16);
        else
          reinterpret_cast<uint32_t*>(s->Row(y))[x] = v | 0xFF000000u;
      }
  }
  ~Screen() {
    DDReleaseSurface(&src_);
    DDReleaseSurface(&dst_);
    DDRelease();
  }
  bool ok() const { return ok_; }
  DDSURFACEDATA src_, dst_;

 private:
  bool ok_ = false;
};

void RunOurs(benchmark::State& state, const Mode& m, Effect e) {
  Screen screen(m);
  if (!screen.ok()) {
    state.SkipWithError("display set-up failed");
    return;
  }
  DDSURFACEDATA* d = &screen.dst_;
  DDSURFACEDATA* s = &screen.src_;
  for (auto _ : state) {
    switch (e) {
      case Effect::WaveColumns: DDWaveBlt(d, 0, 0, kW, kH, kWaves, kAmplitude, kPhase, 1, s, 0, 0, 0, 1); break;
      case Effect::WaveRows: DDWaveBlt(d, 0, 0, kW, kH, kWaves, kAmplitude, kPhase, 1, s, 0, 0, 0, 0); break;
      case Effect::SplitColumns: DDSplitBlt(d, 0, 0, kW, kH, kStripe, kShift, s, 0, 0, 0, 1); break;
      case Effect::SplitRows: DDSplitBlt(d, 0, 0, kW, kH, kStripe, kShift, s, 0, 0, 0, 0); break;
    }
    benchmark::ClobberMemory();
  }
}

// The effect written down directly: each line's displacement, then every
// pixel of the line copied where it lands inside the screen.
template <typename T>
void PlainEffect(PixelBuffer& d, const PixelBuffer& s, Effect e) {
  auto put = [&](long long x, long long y, int sx, int sy) {
    if (x < 0 || y < 0 || x >= d.width || y >= d.height) return;
    reinterpret_cast<T*>(d.Row(static_cast<int>(y)))[x] = reinterpret_cast<const T*>(s.Row(sy))[sx];
  };
  const bool columns = e == Effect::WaveColumns || e == Effect::SplitColumns;
  const int count = columns ? kW : kH;
  for (int i = 0; i < count; ++i) {
    long long offset;
    if (e == Effect::WaveColumns || e == Effect::WaveRows) {
      const double sum = (i + 1) * (360.0 / count);
      offset = plat::TruncToInt(kAmplitude * std::sin((kPhase + sum) * kWaves * 0.017453292519943295));
    } else {
      offset = (i / kStripe) % 2 ? -kShift : kShift;
    }
    if (columns)
      for (int j = 0; j < kH; ++j) put(i, j + offset, i, j);
    else
      for (int j = 0; j < kW; ++j) put(j + offset, i, j, i);
  }
}

void RunPlain(benchmark::State& state, const Mode& m, Effect e) {
  Screen screen(m);
  if (!screen.ok()) {
    state.SkipWithError("display set-up failed");
    return;
  }
  PixelBuffer& d = *screen.dst_.Pixels();
  const PixelBuffer& s = *screen.src_.Pixels();
  for (auto _ : state) {
    switch (BytesPerPixel(d.format)) {
      case 1: PlainEffect<uint8_t>(d, s, e); break;
      case 2: PlainEffect<uint16_t>(d, s, e); break;
      default: PlainEffect<uint32_t>(d, s, e); break;
    }
    benchmark::ClobberMemory();
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::string report = (std::filesystem::temp_directory_path() / "t4_raster_bench_report.txt").string();
  InitReportLog(report.c_str());
  std::vector<std::string> pairs;
  for (const EffectName& e : kEffects)
    for (const Mode& m : kModes) {
      const std::string base = std::string(e.name) + "/" + m.name;
      benchmark::RegisterBenchmark((base + "/ours").c_str(),
                                   [&m, effect = e.effect](benchmark::State& s) { RunOurs(s, m, effect); });
      // The plain loop works on pixel buffers; Direct3D's pieces are quads.
      if (!m.bD3D)
        benchmark::RegisterBenchmark((base + "/plain").c_str(),
                                     [&m, effect = e.effect](benchmark::State& s) { RunPlain(s, m, effect); });
      pairs.push_back(base);
    }

  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  std::printf("\n%-32s %12s %12s %8s\n", "pair", "ours", "plain", "ours/plain");
  for (const std::string& p : pairs) {
    auto a = reporter.times.find(p + "/ours"), b = reporter.times.find(p + "/plain");
    if (a == reporter.times.end()) continue;
    if (b == reporter.times.end()) {
      std::printf("%-32s %12.0f %12s\n", p.c_str(), a->second, "-");
      continue;
    }
    std::printf("%-32s %12.0f %12.0f %8.2f%s\n", p.c_str(), a->second, b->second, a->second / b->second,
                a->second <= b->second ? "" : "  slower");
  }
  benchmark::Shutdown();
  std::remove(report.c_str());
  return 0;
}
