// Frames in step with the display: the frame step on a virtual display whose
// refreshes follow the virtual clock, in every drawing mode; the pointer
// after set-up; the Direct3D virtual back buffer's copy against an ordinary
// blit.
#include <vector>

#include "display_fixture.h"
#include "graphics/blit.h"
#include "platform/video.h"
#include "records/start_option.h"
#include "records/stage_data.h"
#include "stage/scene_manager.h"

namespace {

// The virtual clock's time at each update, for the order of pacing and
// update.
std::vector<uint32_t> g_updateTimes;

class TimedScene : public cScene {
 public:
  void Update() override { g_updateTimes.push_back(plat::timeGetTime()); }
};

cScene* MakeTimedScene(int) { return new TimedScene; }

class DisplayPacing : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    savedStageFps_ = g_Stage.m_nFps;
    savedBlitPresent_ = g_bBlitPresent;
    savedShowFps_ = g_StartOption.ShowFps;
    g_StartOption.ShowFps = 0;
    plat::SetVirtualDisplayRate(60);
    SetSceneFactoryForTest(MakeTimedScene);
    g_updateTimes.clear();
  }
  void TearDown() override {
    g_SceneManager.DeleteScenes();
    g_SceneManager.m_nScene = 0;
    g_SceneManager.m_nFps = 60;
    SetSceneFactoryForTest(nullptr);
    g_Stage.m_nFps = savedStageFps_;
    g_bBlitPresent = savedBlitPresent_;
    g_StartOption.ShowFps = savedShowFps_;
    plat::SetVirtualDisplayRate(0);
    DisplayTest::TearDown();
  }
  bool InitVSync(const DisplayMode& m, int vsync = 1) {
    DDRelease();
    return DDInit(m.bD3D, nullptr, 640, 480, m.bpp, vsync, m.windowMode, 1, 60, vsync, surfaces_, defs_, 4, 0);
  }
  // Runs n frames of the scene of `type` at `fps`; the display's refreshes
  // they took.
  uint64_t RunFrames(int n, int type, int fps) {
    g_SceneManager.DeleteScenes();
    g_SceneManager.m_nScene = type;
    g_SceneManager.m_nFps = fps;
    ResetTimingForTest();
    g_updateTimes.clear();
    const uint64_t refreshes = plat::VirtualDisplayRefreshes();
    const uint64_t presented = plat::PresentedFrameCount();
    for (int i = 0; i < n; ++i) EXPECT_EQ(g_SceneManager.Frame(), 1);
    EXPECT_EQ(plat::PresentedFrameCount(), presented + static_cast<uint64_t>(n));
    return plat::VirtualDisplayRefreshes() - refreshes;
  }
  int savedStageFps_ = 0, savedBlitPresent_ = 0, savedShowFps_ = 0;
};

TEST_F(DisplayPacing, SixHundredFramesTakeTenSecondsOfA60HzDisplayInEveryModeWithVSync) {
  // DirectDraw full screen flips, as start-up chooses with vertical sync on
  // a display of at least 60 Hz.
  g_bBlitPresent = 0;
  for (const DisplayMode& m : kDisplayModes) {
    SCOPED_TRACE(m.name);
    ASSERT_TRUE(InitVSync(m));
    const uint64_t refreshes = RunFrames(600, SCENE_TITLE, 60);
    EXPECT_EQ(refreshes, 600u);  // 600 / 60 Hz = 10 s
    // Every update comes after the pacing of its frame: a frame period of
    // the frame clock at least lies between two updates.
    ASSERT_EQ(g_updateTimes.size(), 600u);
    for (size_t i = 1; i < g_updateTimes.size(); ++i)
      ASSERT_GE(plat::TimeDiff(g_updateTimes[i], g_updateTimes[i - 1]), 1000 / 60) << i;
  }
}

TEST_F(DisplayPacing, DirectDrawPacesBeforeTheUpdate) {
  // The copying full-screen present waits for nothing: only the frame
  // clock paces. The second frame's update already sees its frame's time.
  g_bBlitPresent = 1;
  ASSERT_TRUE(InitVSync(kDisplayModes[2], 0));
  RunFrames(3, SCENE_TITLE, 30);
  ASSERT_EQ(g_updateTimes.size(), 3u);
  EXPECT_EQ(plat::TimeDiff(g_updateTimes[1], g_updateTimes[0]), 1000 / 30);
  EXPECT_EQ(plat::TimeDiff(g_updateTimes[2], g_updateTimes[0]), 2 * (1000 / 30));
}

TEST_F(DisplayPacing, AFastStageKeepsItsRateInDirectDraw) {
  // 120 frames a second: the frame clock's 8 ms per frame. The stage-play
  // scene of a stage above 60 neither waits for the display in a window nor
  // flips in full screen; any other scene waits at each present.
  struct Case {
    int mode;  // index into kDisplayModes
    int scene;
    int stageFps;
    bool waits;
  } cases[] = {
      {3, SCENE_GAME, 120, false}, {3, SCENE_GAME, 60, true}, {3, SCENE_TITLE, 120, true},
      {1, SCENE_GAME, 120, false}, {1, SCENE_TITLE, 120, true},
  };
  g_bBlitPresent = 0;
  const int frames = 120, fps = 120;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << kDisplayModes[c.mode].name << " scene " << c.scene << " stage " << c.stageFps);
    ASSERT_TRUE(InitVSync(kDisplayModes[c.mode]));
    g_Stage.m_nFps = c.stageFps;
    const uint64_t refreshes = RunFrames(frames, c.scene, fps);
    if (c.waits) {
      EXPECT_EQ(refreshes, static_cast<uint64_t>(frames));  // one refresh a frame
    } else {
      // The frame clock's time between the first and the last frame, in
      // refreshes (the first refresh may fall either side of the start).
      const double paced = (frames - 1) * (1000 / fps) * 60 / 1000.0;
      EXPECT_NEAR(static_cast<double>(refreshes), paced, 1.0);
    }
  }
}

TEST_F(DisplayPacing, Direct3DWithoutA60HzDisplayGivesUpVSyncAndPacesByTheFrameClock) {
  plat::SetVirtualDisplayRate(75);
  for (const DisplayMode& m : {kDisplayModes[5], kDisplayModes[6]}) {
    SCOPED_TRACE(m.name);
    ASSERT_TRUE(InitReportLog(reportPath_.c_str()));
    ASSERT_TRUE(InitVSync(m));
    const std::string r = Report();
    EXPECT_NE(r.find("RefreshRate : 75\n"), std::string::npos) << r;
    EXPECT_EQ(g_bVSync, 0);
    EXPECT_EQ(lpDTCon->d3dpp.PresentationInterval, PRESENT_INTERVAL_IMMEDIATE);
    // 600 frames at 60 a second: about 10 s, about 750 refreshes of the
    // 75 Hz display (the frame clock keeps 60 frames to each of its
    // seconds), not one refresh a frame.
    EXPECT_NEAR(static_cast<double>(RunFrames(600, SCENE_TITLE, 60)), 750.0, 15.0);
  }
  // With vertical sync off from the start nothing is reported.
  ASSERT_TRUE(InitReportLog(reportPath_.c_str()));
  ASSERT_TRUE(InitVSync(kDisplayModes[6], 0));
  EXPECT_EQ(Report().find("RefreshRate"), std::string::npos);
}

TEST_F(DisplayTest, ThePointerIsHiddenInFullScreenAndShownInAWindow) {
  for (const DisplayMode& m : kDisplayModes) {
    SCOPED_TRACE(m.name);
    // Whatever was asked before, the set-up decides.
    plat::ShowPointer(m.windowMode == 0);
    ASSERT_TRUE(Init(m));
    EXPECT_EQ(plat::PointerShown(), m.windowMode != 0);
    DDRelease();
  }
  plat::ShowPointer(true);
}

TEST_F(DisplayTest, VirtualBackBufferCopyConvertsEveryColourAsABlitDoes) {
  ASSERT_TRUE(Init(kDisplayModes[4]));  // Direct3D 16 full screen: A1R5G5B5 textures, R5G6B5 back buffer
  // Every colour of the texture packing, opaque, in a 256 x 128 texture.
  DDSURFACEDATA texture;
  ASSERT_TRUE(DDCreateSurface(&texture, 256, 128, 0, 0, 0, nullptr, 0));
  auto colour = [](int x, int y) { return static_cast<uint16_t>(0x8000 | (y * 256 + x)); };
  for (int y = 0; y < 128; ++y)
    for (int x = 0; x < 256; ++x) reinterpret_cast<uint16_t*>(texture.Pixels()->Row(y))[x] = colour(x, y);
  ASSERT_EQ(DDBlt(&BackBuffer, 0, 0, 256, 128, &texture, 0, 0, 0), 1);
  std::vector<uint16_t> blitted;
  for (int y = 0; y < 128; ++y)
    for (int x = 0; x < 256; ++x) blitted.push_back(reinterpret_cast<uint16_t*>(BackBuffer.Pixels()->Row(y))[x]);

  DDSetVirtualBackBuffer(1);
  for (int y = 0; y < 128; ++y)
    for (int x = 0; x < 256; ++x) {
      reinterpret_cast<uint16_t*>(VirBackBuffer.Pixels()->Row(y))[x] = colour(x, y);
      reinterpret_cast<uint16_t*>(BackBuffer.Pixels()->Row(y))[x] = 0;
    }
  DDSetVirtualBackBuffer(0);
  for (int y = 0; y < 128; ++y)
    for (int x = 0; x < 256; ++x)
      ASSERT_EQ(reinterpret_cast<uint16_t*>(BackBuffer.Pixels()->Row(y))[x], blitted[y * 256 + x]) << x << "," << y;
  // White stays white: each field widened to 8 bits and cut to its own width.
  EXPECT_EQ(blitted[0x7FFF], 0xFFFF);
  EXPECT_EQ(blitted[0x001F << 5], 0x3F << 5);
  DDReleaseSurface(&texture);
}

}  // namespace
