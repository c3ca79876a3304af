// Frame timing: the frame stopwatch, frame counters and the two pacers.
// All times are 32-bit milliseconds compared by signed difference, so the
// clock's wrap after 49.7 days changes nothing.
#pragma once
#include <cstdint>

struct DDSURFACEDATA;

uint32_t TimerStart();
uint32_t TimerElapsed(int measure);
int CountFrames(int mode, int n);
uint32_t GetFPS(int count);
// Paces the DirectDraw loop: false while the next frame's time has not come.
bool FrameLimit(int fps);
// Paces the Direct3D loop against a one-second window.
bool FrameSync(int fps, int show, DDSURFACEDATA* sheet);

// The drawing side tells the pacer which backend runs and draws its overlay.
struct FrameSyncHooks {
  bool (*isDirect3D)() = nullptr;
  void (*drawOverlay)(DDSURFACEDATA* sheet, const char* text) = nullptr;
};
void SetFrameSyncHooks(const FrameSyncHooks& hooks);
// Forget every lazily started timer (tests start each case afresh).
void ResetTimingForTest();
