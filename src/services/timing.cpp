#include "services/timing.h"

#include <cmath>

#include "platform/messages.h"
#include "services/log.h"

namespace {

struct TimingState {
  uint32_t frameStart = 0, frameElapsed = 0;
  int frameCounter = 0;
  bool fpsStarted = false;
  uint32_t fpsWindowStart = 0, fpsLast = 0, fpsResult = 0;
  int fpsFrames = 0;
  bool limitStarted = false;
  uint32_t limitNext = 0, limitLast = 0;
  bool syncStarted = false;
  uint32_t dwTime_OneSec = 0;
  int nFrameCt_OneSec = 0;
  bool overlay = true;
  uint32_t procRing[16] = {}, fpsRing[16] = {};
  int procIndex = 0, fpsIndex = 0;
  uint32_t procAverage = 0, fpsAverage = 0;
  FrameSyncHooks hooks;
};
TimingState g_t;

void PushSample(uint32_t* ring, int* index, uint32_t* average, uint32_t value) {
  ring[*index] = value;
  if (++*index >= 16) {
    *index = 0;
    uint32_t sum = 0;
    for (int i = 0; i < 16; ++i) sum += ring[i];
    *average = sum >> 4;
  }
}

}  // namespace

void SetFrameSyncHooks(const FrameSyncHooks& hooks) { g_t.hooks = hooks; }

void ResetTimingForTest() {
  FrameSyncHooks hooks = g_t.hooks;
  g_t = TimingState{};
  g_t.hooks = hooks;
}

uint32_t TimerStart() {
  g_t.frameStart = plat::timeGetTime();
  return g_t.frameStart;
}

uint32_t TimerElapsed(int measure) {
  if (measure) g_t.frameElapsed = plat::timeGetTime() - g_t.frameStart;
  return g_t.frameElapsed;
}

int CountFrames(int mode, int n) {
  if (mode == 0) {
    g_t.frameCounter = 0;
    return 0;
  }
  if (mode == 2) return g_t.frameCounter == 0 ? 1 : 0;
  if (++g_t.frameCounter >= n) {
    g_t.frameCounter = 0;
    return 1;
  }
  return 0;
}

uint32_t GetFPS(int count) {
  if (!g_t.fpsStarted) {
    g_t.fpsStarted = true;
    g_t.fpsWindowStart = plat::timeGetTime();
  }
  if (!count) return g_t.fpsResult;
  uint32_t now = plat::timeGetTime();
  g_t.fpsLast = now;
  if (plat::TimeDiff(now, g_t.fpsWindowStart) > 999) {
    g_t.fpsResult = static_cast<uint32_t>(g_t.fpsFrames);
    g_t.fpsWindowStart = now;
    g_t.fpsFrames = 0;
    return g_t.fpsResult;
  }
  ++g_t.fpsFrames;
  return g_t.fpsResult;
}

bool FrameLimit(int fps) {
  if (!g_t.limitStarted) {
    g_t.limitStarted = true;
    g_t.limitNext = plat::timeGetTime();
  }
  uint32_t now = plat::timeGetTime();
  g_t.limitLast = now;
  if (fps == 0) return true;
  if (plat::TimeDiff(now, g_t.limitNext) < 0) {
    // Headless runs move their clock to the frame's time instead of waiting.
    if (!plat::AdvanceVirtualClockTo(g_t.limitNext)) return false;
    now = g_t.limitNext;
  }
  g_t.limitNext = now + static_cast<uint32_t>(1000 / fps);
  return true;
}

bool FrameSync(int fps, int show, DDSURFACEDATA* sheet) {
  if (fps == 0 || !g_t.hooks.isDirect3D || !g_t.hooks.isDirect3D()) return true;
  if (!g_t.syncStarted) {
    g_t.syncStarted = true;
    g_t.dwTime_OneSec = plat::timeGetTime();
  }
  bool overlay = show && sheet && g_t.hooks.drawOverlay;
  if (overlay && g_t.overlay) {
    g_t.overlay = false;
    PushSample(g_t.procRing, &g_t.procIndex, &g_t.procAverage, TimerElapsed(0));
    PushSample(g_t.fpsRing, &g_t.fpsIndex, &g_t.fpsAverage, GetFPS(0));
  }
  uint32_t now = plat::timeGetTime();
  double offset = (1000.0 / fps) * g_t.nFrameCt_OneSec;
  double elapsed = static_cast<double>(plat::TimeDiff(now, g_t.dwTime_OneSec));
  if (offset > elapsed) {
    uint32_t due = g_t.dwTime_OneSec + static_cast<uint32_t>(std::ceil(offset));
    if (!plat::AdvanceVirtualClockTo(due)) return false;
    now = due;
  }
  if (++g_t.nFrameCt_OneSec >= fps) {
    g_t.nFrameCt_OneSec = 0;
    g_t.dwTime_OneSec = now;
  }
  if (overlay) {
    std::string text = Format("FPS-Ave %u(%u)\ndwTime_OneSec %u\nnFrameCt_OneSec %u", g_t.fpsAverage,
                              g_t.procAverage, g_t.dwTime_OneSec, static_cast<unsigned>(g_t.nFrameCt_OneSec));
    g_t.hooks.drawOverlay(sheet, text.c_str());
    g_t.overlay = true;
  }
  return true;
}
