#include <gtest/gtest.h>

#include <cmath>

#include "platform/messages.h"
#include "services/timing.h"

namespace {
class Timing : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetTimingForTest();
    SetFrameSyncHooks(FrameSyncHooks{});
  }
  void TearDown() override { SetFrameSyncHooks(FrameSyncHooks{}); }
};
}  // namespace

TEST_F(Timing, FrameLimitSpacesFramesBy16MsAcrossTheClockWrap) {
  plat::UseVirtualClock(0xFFFFFF80u);
  ASSERT_TRUE(FrameLimit(60));
  uint32_t last = plat::timeGetTime();
  for (int i = 0; i < 20; ++i) {
    ASSERT_TRUE(FrameLimit(60));
    uint32_t now = plat::timeGetTime();
    EXPECT_EQ(now - last, 16u) << "frame " << i;
    last = now;
  }
  EXPECT_LT(last, 0x1000u);  // the clock wrapped and frames went on
}

TEST_F(Timing, FrameLimitDoesNotFreezeWhenTheClockWrapsPastTheNextFrameTime) {
  plat::UseVirtualClock(0xFFFFFFF0u);
  ASSERT_TRUE(FrameLimit(60));  // next frame at 0x00000000
  plat::AdvanceVirtualClockTo(0x00000020u);
  uint32_t before = plat::timeGetTime();
  EXPECT_TRUE(FrameLimit(60));
  EXPECT_EQ(plat::timeGetTime(), before);  // due already: no wait
}

TEST_F(Timing, NoLimitMeansNoWait) {
  plat::UseVirtualClock(1000);
  for (int i = 0; i < 5; ++i) {
    EXPECT_TRUE(FrameLimit(0));
    EXPECT_TRUE(FrameSync(0, 0, nullptr));
  }
  EXPECT_EQ(plat::timeGetTime(), 1000u);
}

TEST_F(Timing, FrameSyncReleasesFrameKAtItsShareOfTheSecond) {
  SetFrameSyncHooks(FrameSyncHooks{[] { return true; }, nullptr});
  plat::UseVirtualClock(5000);
  for (int k = 0; k < 60; ++k) {
    ASSERT_TRUE(FrameSync(60, 0, nullptr));
    EXPECT_EQ(plat::timeGetTime(), 5000u + static_cast<uint32_t>(std::ceil(k * (1000.0 / 60)))) << "frame " << k;
  }
  // The window restarts after frame 60: the next frame is due at once.
  uint32_t restart = plat::timeGetTime();
  ASSERT_TRUE(FrameSync(60, 0, nullptr));
  EXPECT_EQ(plat::timeGetTime(), restart);
  ASSERT_TRUE(FrameSync(60, 0, nullptr));
  EXPECT_EQ(plat::timeGetTime(), restart + 17);
}

TEST_F(Timing, FrameSyncDoesNotPaceOutsideDirect3D) {
  plat::UseVirtualClock(0);
  SetFrameSyncHooks(FrameSyncHooks{[] { return false; }, nullptr});
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(FrameSync(60, 0, nullptr));
  EXPECT_EQ(plat::timeGetTime(), 0u);
}

TEST_F(Timing, CountFramesModes) {
  struct Step {
    int mode, n, expect;
  } steps[] = {
      {1, 1, 1}, {1, 1, 1}, {1, 1, 1},             // every call with n = 1
      {0, 3, 0}, {2, 3, 1},                         // reset, then "at zero"
      {1, 3, 0}, {2, 3, 0}, {1, 3, 0}, {1, 3, 1},  // every third call
      {2, 3, 1},
  };
  for (size_t i = 0; i < std::size(steps); ++i)
    EXPECT_EQ(CountFrames(steps[i].mode, steps[i].n), steps[i].expect) << "step " << i;
}

TEST_F(Timing, GetFPSCountsFramesOfTheLastClosedSecond) {
  plat::UseVirtualClock(100);
  EXPECT_EQ(GetFPS(1), 0u);  // starts the window and counts itself
  for (int i = 0; i < 59; ++i) {
    plat::AdvanceVirtualClockTo(100 + static_cast<uint32_t>(i + 1) * 16);
    EXPECT_EQ(GetFPS(1), 0u);
  }
  plat::AdvanceVirtualClockTo(1100);
  EXPECT_EQ(GetFPS(1), 60u);
  EXPECT_EQ(GetFPS(0), 60u);
}

TEST_F(Timing, StopwatchMeasuresAndKeeps) {
  plat::UseVirtualClock(400);
  EXPECT_EQ(TimerStart(), 400u);
  plat::AdvanceVirtualClockTo(412);
  EXPECT_EQ(TimerElapsed(0), 0u);
  EXPECT_EQ(TimerElapsed(1), 12u);
  plat::AdvanceVirtualClockTo(500);
  EXPECT_EQ(TimerElapsed(0), 12u);
}
