// The headless window placement: a virtual window on a virtual desktop that
// remembers what it is given, as a real window would.
#include <gtest/gtest.h>

#include "platform/video.h"
#include "platform/video_window.h"

namespace {

HWND const kWnd = reinterpret_cast<HWND>(0x4712);

TEST(WindowPlacement, HeadlessPlacementRemembersPositionSizeAndState) {
  const bool wasHeadless = plat::IsHeadless();
  plat::SetHeadless(true);
  plat::detail::ResetVirtualPlacement(640, 480);

  int dw = 0, dh = 0, x = -1, y = -1, w = 0, h = 0;
  plat::GetDesktopSize(&dw, &dh);
  EXPECT_EQ(dw, 1920);
  EXPECT_EQ(dh, 1080);
  // A new window is centred.
  ASSERT_TRUE(plat::GetWindowPos(kWnd, &x, &y));
  ASSERT_TRUE(plat::GetClientSize(kWnd, &w, &h));
  EXPECT_EQ(x, (1920 - 640) / 2);
  EXPECT_EQ(y, (1080 - 480) / 2);
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);
  EXPECT_FALSE(plat::IsZoomed(kWnd));
  EXPECT_FALSE(plat::IsIconic(kWnd));

  plat::SetWindowPos(kWnd, -20, 1000);  // partly off screen is the caller's choice
  plat::SetClientSize(kWnd, 800, 600);
  plat::SetClientSize(kWnd, 0, 600);    // no size at all is refused
  plat::GetWindowPos(kWnd, &x, &y);
  plat::GetClientSize(kWnd, &w, &h);
  EXPECT_EQ(x, -20);
  EXPECT_EQ(y, 1000);
  EXPECT_EQ(w, 800);
  EXPECT_EQ(h, 600);

  // Maximised: the desktop's size; a size set meanwhile is kept for later.
  plat::MaximizeWindow(kWnd);
  plat::SetClientSize(kWnd, 700, 500);
  plat::GetClientSize(kWnd, &w, &h);
  EXPECT_TRUE(plat::IsZoomed(kWnd));
  EXPECT_EQ(w, 1920);
  EXPECT_EQ(h, 1080);

  plat::MinimizeWindow(kWnd);
  EXPECT_TRUE(plat::IsIconic(kWnd));
  plat::detail::VirtualWindowShown();
  EXPECT_FALSE(plat::IsIconic(kWnd));

  plat::detail::ResetVirtualPlacement(640, 480);
  plat::SetHeadless(wasHeadless);
}

}  // namespace
