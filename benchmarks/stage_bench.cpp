// Stage play as the player runs it, headless and in process: a stress stage
// (a block in every cell, eight background layers, 200 charas running
// flows, about 300 shots, effects and messages) stepped and drawn in each
// drawing mode, with the time per frame split into the update and the
// drawing; and the speed of watching a replay of the default project's
// stage, in frames per second.
//
//   stage_frame/<mode>   frame_ms = update + draw + present of one play
//                        frame; draw_ms = a drawn frame without the update
//                        (the frozen draw) and its present; update_ms the
//                        rest.
//   replay_playback      fps of a watched replay, every frame drawn (as
//                        headless runs do); x_realtime = fps / 60.
//
// After the runs a table gives, per mode, the update and drawing times of a
// frame and their share of the 16.7 ms a frame has at 60 frames a second
// (with --benchmark_repetitions, the median of the repetitions), in wall
// time and in the thread's processor time (which other work on a busy
// machine inflates less).
#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "app/init_game.h"
#include "app/main_window.h"
#include "objects/chara.h"
#include "objects/shot.h"
#include "platform/messages.h"
#include "platform/video.h"
#include "records/progress_data.h"
#include "records/stage_data.h"
#include "services/game_threads.h"
#include "services/input.h"
#include "services/log.h"
#include "stage/game_scene.h"
#include "stage/replay_data.h"
#include "stage/scene_manager.h"
#include "support/busy_stage.h"
#include "support/project_writer.h"
#include "support/stage_writer.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

struct Mode {
  const char* name;
  const char* ini;  // System.ini of the run
};

// Full screen: 8 and 16 bits are not offered in a window on a 32-bit desktop.
const Mode kModes[] = {
    {"D3D32", "Direct3D=1\r\nWindowMode=0\r\nBpp=32\r\nExit\r\n"},
    {"D3D16", "Direct3D=1\r\nWindowMode=0\r\nBpp=16\r\nExit\r\n"},
    {"DD32", "Direct3D=0\r\nWindowMode=0\r\nBpp=32\r\nExit\r\n"},
    {"DD16", "Direct3D=0\r\nWindowMode=0\r\nBpp=16\r\nExit\r\n"},
    {"DD8", "Direct3D=0\r\nWindowMode=0\r\nBpp=8\r\nExit\r\n"},
};

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// A frame's time at 60 frames a second.
constexpr double kFrameBudgetMs = 1000.0 / 60.0;

// This thread's processor time in milliseconds.
double ThreadCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Each run's update and drawing time per frame, by mode, for the table.
struct FrameSplit {
  double update, draw, cpuUpdate, cpuDraw;
};
std::map<std::string, std::vector<FrameSplit>> g_splits;
std::vector<double> g_replaySpeeds;  // times real time, one per run

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void PrintFrameTable() {
  if (g_splits.empty() && g_replaySpeeds.empty()) return;
  std::printf("\nper frame, ms and %% of the %.1f ms frame (median of the runs)\n", kFrameBudgetMs);
  std::printf("%-6s %8s %8s %8s %7s | %8s %8s %8s %7s\n", "mode", "update", "draw", "frame", "share", "cpu upd",
              "cpu draw", "cpu frm", "share");
  auto row = [](const char* name, double u, double d, double cu, double cd) {
    std::printf("%-6s %8.3f %8.3f %8.3f %6.1f%% | %8.3f %8.3f %8.3f %6.1f%%\n", name, u, d, u + d,
                100 * (u + d) / kFrameBudgetMs, cu, cd, cu + cd, 100 * (cu + cd) / kFrameBudgetMs);
  };
  for (const Mode& m : kModes) {
    auto it = g_splits.find(m.name);
    if (it == g_splits.end()) continue;
    std::vector<double> update, draw, cpuUpdate, cpuDraw;
    for (const FrameSplit& f : it->second) {
      update.push_back(f.update);
      draw.push_back(f.draw);
      cpuUpdate.push_back(f.cpuUpdate);
      cpuDraw.push_back(f.cpuDraw);
    }
    row(m.name, Median(update), Median(draw), Median(cpuUpdate), Median(cpuDraw));
  }
  if (!g_replaySpeeds.empty()) std::printf("replay watched at %.0fx real time\n", Median(g_replaySpeeds));
}

std::string TempDir(const char* tag) {
  std::string dir = (fs::temp_directory_path() / (std::string("t4bench-") + tag + "-XXXXXX")).string();
  if (!::mkdtemp(dir.data())) std::abort();
  return dir;
}

// The projects made for this run, removed at the end.
std::string g_stressDir, g_defaultDir;

// The stress stage in a test project.
const std::string& StressProject() {
  static const std::string dir = [] {
    std::string d = TempDir("stress");
    if (!WriteProject(d) || !t4test::WriteBusyEffect(d)) std::abort();
    t4test::BusyStageSpec spec;
    spec.width = 20;  // one screen: every chara is active
    spec.height = 15;
    spec.fullBlockMap = true;
    spec.backgrounds = 8;
    spec.walkers = 120;
    spec.flyers = 44;
    spec.shooters = 26;
    spec.shotsPerVolley = 1;
    spec.effectCharas = 6;
    spec.messageCharas = 4;
    cStageData stage = t4test::MakeBusyStage(spec, "Stress");
    if (!WriteStage(d + "/data/stg4/Stress.stg4_778", stage)) std::abort();
    g_stressDir = d;
    return d;
  }();
  return dir;
}

// The default project that tools/mkproject writes, with its default\ copied
// to data\ as the first start would.
const std::string& DefaultProject() {
  static const std::string dir = [] {
    std::string d = TempDir("default");
    fs::remove(d);
    const std::string cmd = std::string(T4_MKPROJECT_PATH) + " " + d + " >/dev/null";
    if (std::system(cmd.c_str()) != 0) std::abort();
    fs::copy(d + "/default", d + "/data", fs::copy_options::recursive);
    g_defaultDir = d;
    return d;
  }();
  return dir;
}

// The player brought up in this process as its start-up does, headless;
// the caller steps the frames on this (the window) thread.
class Session {
 public:
  Session(const std::string& project, const char* ini, const char* stage) {
    fs::current_path(project);
    std::ofstream("System.ini", std::ios::binary | std::ios::trunc) << ini;
    plat::RegisterMainThread();
    plat::SetHeadless(true);
    plat::UseVirtualClock(0);
    InitReportLog((project + "/Report_Game.txt").c_str());
    plat::VideoSettings video;
    video.headless = true;
    std::string error;
    if (!plat::InitVideo(video, &error)) return;
    HWND hwnd = plat::CreateMainWindow("", 640, 480, WndProc);
    g_MainWindow.m_hWnd = hwnd;
    ok_ = InitGame(stage, 1);
    g_bRunning = 1;
    g_bActive = 1;
  }
  ~Session() {
    g_bRunning = 0;
    UnInitGame();
    plat::ShutdownVideo();
    plat::ResetRuntimeForTest();
  }
  bool ok() const { return ok_; }
  cGameScene* Scene() const { return dynamic_cast<cGameScene*>(g_SceneManager.Scene(SCENE_GAME)); }
  // Frames until stage play runs its play state.
  bool RunToPlay(int limit) {
    for (int i = 0; i < limit; ++i) {
      g_SceneManager.Frame();
      if (g_SceneManager.m_nScene == SCENE_GAME && Scene() && Scene()->m_nState == 2) return true;
    }
    return false;
  }

 private:
  bool ok_ = false;
};

void StageFrame(benchmark::State& state, const Mode& mode) {
  Session s(StressProject(), mode.ini, "data\\stg4\\Stress.stg4");
  if (!s.ok() || !s.RunToPlay(600)) {
    state.SkipWithError("the stress stage did not start");
    return;
  }
  cGameScene* scene = s.Scene();
  // Until the shots are up to strength.
  for (int i = 0; i < 300; ++i) g_SceneManager.Frame();
  double frame = 0, draw = 0, cpuFrame = 0, cpuDraw = 0;
  long shots = 0, charas = 0, frames = 0;
  for (auto _ : state) {
    const double c0 = ThreadCpuMs();
    const auto t0 = Clock::now();
    scene->Update();
    g_SceneManager.Present();
    const auto t1 = Clock::now();
    const double c1 = ThreadCpuMs();
    scene->Draw(0, 1, 0, 1);
    g_SceneManager.Present();
    const auto t2 = Clock::now();
    const double c2 = ThreadCpuMs();
    frame += Ms(t1 - t0);
    draw += Ms(t2 - t1);
    cpuFrame += c1 - c0;
    cpuDraw += c2 - c1;
    ++frames;
    for (const cShot& sh : scene->m_lstShot) shots += sh.m_bRemoved ? 0 : 1;
    for (const cChara& c : g_lstChara) charas += c.m_bRemoved ? 0 : 1;
    state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
  }
  if (!frames) return;
  state.counters["frame_ms"] = frame / frames;
  state.counters["draw_ms"] = draw / frames;
  state.counters["update_ms"] = (frame - draw) / frames;
  state.counters["frame_pct"] = 100 * frame / frames / kFrameBudgetMs;
  g_splits[mode.name].push_back(
      {(frame - draw) / frames, draw / frames, (cpuFrame - cpuDraw) / frames, cpuDraw / frames});
  state.counters["shots"] = static_cast<double>(shots) / frames;
  state.counters["charas"] = static_cast<double>(charas) / frames;
}

// A minute of input on the default project's first stage, saved as a
// replay by the program's own writer, then watched.
void ReplayPlayback(benchmark::State& state) {
  const std::string& project = DefaultProject();
  Session s(project, "Direct3D=1\r\nWindowMode=0\r\nBpp=32\r\nExit\r\n", "");
  // As the headless player watches: without frame hashes or screenshots
  // nobody looks at the frames' pixels.
  plat::SetUnseenHeadlessFrames(true);
  if (!s.ok()) {
    state.SkipWithError("the default project did not start");
    return;
  }
  cStageData stage;
  if (!stage.LoadFromFile("data\\stg4\\Stage1.stg4_778")) {
    state.SkipWithError("no Stage1");
    return;
  }
  cStageData start;
  start.CopySettingsFrom(stage);
  cReplayData replay;
  constexpr int kFrames = 3600;
  for (int f = 0; f < kFrames; ++f) {
    cInput in;
    in.m_wDir = static_cast<uint16_t>((f / 90) % 3 == 0 ? 2 : (f / 90) % 3 == 1 ? 1 : 0);
    in.m_wButton = static_cast<uint16_t>(f % 50 < 5 ? 1 : 0);
    replay.RecordFrame(in);
  }
  replay.m_nSeed = 12345;
  cProgressData progress;
  progress.SetStageFile("data\\stg4\\Stage1.stg4_778", 0, 0, 0);
  progress.m_nStartLives = progress.m_nLives = kUnlimitedLives;
  if (!replay.SaveFile("user_data\\rpl4\\bench.rpl4_778", stage, start, progress) ||
      !LoadReplayForPlay("user_data\\rpl4\\bench.rpl4_778")) {
    state.SkipWithError("the replay could not be saved or loaded");
    return;
  }
  g_SceneManager.m_nGameMode = 3;
  g_SceneManager.m_nTitleChoice = 4;
  g_SceneManager.m_nNextScene = SCENE_GAME;
  g_SceneManager.m_nScene = SCENE_GAME;
  if (!s.RunToPlay(600)) {
    state.SkipWithError("the replay did not start");
    return;
  }
  long frames = 0;
  double seconds = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    g_SceneManager.Frame();
    seconds += std::chrono::duration<double>(Clock::now() - t0).count();
    ++frames;
  }
  if (seconds <= 0) return;
  state.counters["fps"] = frames / seconds;
  state.counters["x_realtime"] = frames / seconds / 60.0;
  g_replaySpeeds.push_back(frames / seconds / 60.0);
}

void RegisterAll() {
  for (const Mode& m : kModes)
    benchmark::RegisterBenchmark((std::string("stage_frame/") + m.name).c_str(),
                                 [&m](benchmark::State& st) { StageFrame(st, m); })
        ->Iterations(600)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("replay_playback", ReplayPlayback)->Iterations(3000)->Unit(benchmark::kMicrosecond);
}

}  // namespace

int main(int argc, char** argv) {
  RegisterAll();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  PrintFrameTable();
  std::error_code ec;
  fs::current_path("/", ec);
  if (!g_stressDir.empty()) fs::remove_all(g_stressDir, ec);
  if (!g_defaultDir.empty()) fs::remove_all(g_defaultDir, ec);
  return 0;
}
