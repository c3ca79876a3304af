// The screen-mode check of the start-up: which window mode, vertical sync
// and depth each combination of options gives, and which it refuses.
#include <gtest/gtest.h>

#include "app/screen_mode.h"

namespace {

struct Case {
  const char* what;
  ScreenModeRequest in;
  int windowMode, vsync, depth;
  const char* error;
};

// direct3D, windowMode, bpp, vsync, paletteMode, d3dDepth, ddDepth, desktopBpp, osAtLeast60
const Case kCases[] = {
    {"Direct3D window at the desktop depth", {1, 1, 0, 2, 0, 0, 0, 32, true}, 1, 1, 32, nullptr},
    {"Direct3D full screen, automatic 16", {1, 0, 0, 1, 0, 1, 0, 32, true}, 0, 1, 16, nullptr},
    {"Direct3D full screen, choice 2 is 32", {1, 0, 0, 0, 0, 2, 2, 32, true}, 0, 0, 32, nullptr},
    {"Direct3D never 8", {1, 0, 8, 0, 0, 0, 0, 32, true}, 0, 0, 8, kScreenModeGeneralText},
    {"resizable window counts as a window", {1, 2, 32, 0, 0, 0, 0, 32, true}, 1, 0, 32, nullptr},
    {"DirectDraw 8 full screen with a palette", {0, 0, 8, 1, 0, 0, 0, 32, true}, 0, 1, 8, nullptr},
    {"DirectDraw automatic 8 with a palette", {0, 0, 0, 0, 0, 0, 2, 32, true}, 0, 0, 8, nullptr},
    {"DirectDraw automatic choice 2 without a palette", {0, 0, 0, 0, 1, 0, 2, 32, true}, 0, 0, 32, nullptr},
    {"DirectDraw 8 without a palette", {0, 0, 8, 0, 1, 0, 0, 32, true}, 0, 0, 8, kScreenModeGeneralText},
    {"DirectDraw 8 in a window", {0, 1, 8, 0, 0, 0, 0, 32, true}, 1, 0, 8, kScreenModeGeneralText},
    {"DirectDraw 8 in a window on an 8-bit desktop", {0, 1, 8, 0, 0, 0, 0, 8, true}, 1, 0, 8,
     kScreenModeGeneralText},
    {"16-bit window on a 32-bit desktop", {0, 1, 16, 0, 0, 0, 0, 32, true}, 1, 0, 16, kScreenModeWindowText},
    {"Direct3D 32-bit window on a 16-bit desktop", {1, 1, 32, 0, 0, 0, 0, 16, true}, 1, 0, 32,
     kScreenModeWindowText},
    {"automatic window on a 24-bit desktop", {0, 1, 0, 0, 0, 0, 0, 24, true}, 1, 0, 24, kScreenModeGeneralText},
    {"automatic window on a 16-bit desktop", {0, 1, 0, 1, 0, 0, 0, 16, true}, 1, 0, 16, nullptr},
    {"DirectDraw window: vsync off", {0, 1, 32, 1, 0, 0, 0, 32, true}, 1, 0, 32, nullptr},
    {"DirectDraw full screen, automatic vsync, new system", {0, 0, 32, 2, 0, 0, 0, 32, true}, 0, 0, 32, nullptr},
    {"DirectDraw full screen, automatic vsync, old system", {0, 0, 32, 2, 0, 0, 0, 32, false}, 0, 1, 32, nullptr},
    {"the desktop is not asked in full screen", {0, 0, 16, 1, 0, 0, 0, 0, true}, 0, 1, 16, nullptr},
    {"an odd depth", {0, 0, 24, 0, 0, 0, 0, 32, true}, 0, 0, 24, kScreenModeGeneralText},
};

}  // namespace

TEST(ScreenMode, EachCombinationGivesItsModeOrItsMessage) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    const ScreenMode m = CheckScreenMode(c.in);
    EXPECT_EQ(m.windowMode, c.windowMode);
    EXPECT_EQ(m.vsync, c.vsync);
    EXPECT_EQ(m.depth, c.depth);
    EXPECT_EQ(m.error, c.error);
  }
}
