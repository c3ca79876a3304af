// Headless display set-up for the graphics tests: one of the five drawing
// modes on a 640 x 480 display, no window, the virtual clock, and a report
// log of the test's own. The headless switch is given back as it was: the
// tests after these show their boxes through the message-box handler.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "graphics/display.h"
#include "platform/messages.h"
#include "platform/video.h"
#include "services/log.h"
#include "services/timing.h"

// The logs are UTF-8; literals in the program are CP932.
inline std::string U8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

struct DisplayMode {
  const char* name;
  int bD3D;
  int bpp;
  int windowMode;  // 0 full screen, 1 window
};

// The five backends and depths, full screen and window where both exist.
inline const DisplayMode kDisplayModes[] = {
    {"DD8Full", 0, 8, 0},   {"DD16Full", 0, 16, 0}, {"DD32Full", 0, 32, 0},  {"DD32Window", 0, 32, 1},
    {"D3D16Full", 1, 16, 0}, {"D3D16Window", 1, 16, 1}, {"D3D32Full", 1, 32, 0}, {"D3D32Window", 1, 32, 1},
};

// The mode of that name; the first one for a name not in the list.
inline const DisplayMode& DisplayModeNamed(const char* name) {
  for (const DisplayMode& m : kDisplayModes)
    if (std::string(m.name) == name) return m;
  return kDisplayModes[0];
}

class DisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wasHeadless_ = plat::IsHeadless();
    plat::SetHeadless(true);
    plat::UseVirtualClock(0);
    ResetTimingForTest();
    reportPath_ = ::testing::TempDir() + "t4_display_report_" + std::to_string(::getpid()) + ".txt";
    ASSERT_EQ(InitReportLog(reportPath_.c_str()), 1);
  }
  void TearDown() override {
    DDRelease();
    DDSetDesktopBppForTest(0);
    DDSetDeviceStateForTest(DeviceState::Ok);
    std::remove(reportPath_.c_str());
    plat::SetHeadless(wasHeadless_);
  }
  bool Init(const DisplayMode& m, int backBufferMode = 1) {
    return DDInit(m.bD3D, nullptr, 640, 480, m.bpp, 0, m.windowMode, backBufferMode, 60, 0, surfaces_, defs_, 4, 0);
  }
  std::string Report() const {
    std::ifstream in(reportPath_);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  DDSURFACEDATA surfaces_[4];
  DDSURFACEDEF defs_[4] = {};
  std::string reportPath_;
  bool wasHeadless_ = false;
};
