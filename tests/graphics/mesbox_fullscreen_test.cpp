// The player in full screen on a virtual X display, with the box a missing
// Ogg library raises at start-up drawn in its picture: the box is answered
// with Escape or a click on its button, and the game goes on to its last
// frame instead of closing. Key and button events are sent to the player's
// window through the X server, as a window manager would pass them on.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/background_player.h"
#include "support/headless_runner.h"
#include "support/project_writer.h"
#include "support/virtual_display.h"
#include "support/x_client.h"

#include <X11/keysym.h>

namespace {

using namespace std::chrono_literals;
using t4test::XPicture;
using t4test::XWindowId;

constexpr uint32_t kBoxBack = 0x102050;
constexpr uint32_t kBoxMarked = 0x3050A0;  // caption bar and the marked button
constexpr int kFrames = 40;

class FullScreenBox : public ::testing::Test {
 protected:
  void SetUp() override {
    if (access("/usr/bin/Xvfb", X_OK) != 0) GTEST_SKIP() << "Xvfb is not installed";
    if (!x_.Load()) GTEST_SKIP() << "libX11 is not installed";
    ASSERT_TRUE(WriteProject(dir_.path()));
  }

  // A server of that screen (no window manager) and the player's settings
  // for it: full screen in the drawing mode given, and an Ogg library that
  // is not there, whose error box comes up once the display is.
  void Begin(const std::string& screen, int direct3D) {
    x_.Close();
    display_.Stop();
    ASSERT_TRUE(display_.Start(screen)) << "Xvfb did not start";
    ASSERT_TRUE(x_.Open(display_.Name()));
    std::ofstream(dir_ / "System.ini", std::ios::binary | std::ios::trunc)
        << "Direct3D=" << direct3D << "\r\nWindowMode=0\r\nBpp=32\r\nExit\r\n";
  }

  std::unique_ptr<t4test::BackgroundPlayer> Start() {
    return std::make_unique<t4test::BackgroundPlayer>(
        std::vector<std::string>{"--frames", std::to_string(kFrames), "--frame-hashes", "h.txt"}, dir_.path(),
        std::vector<std::string>{"DISPLAY=" + display_.Name(), "SDL_AUDIODRIVER=dummy",
                                 "T4_VOX_LIBRARY=" + (dir_ / "no-such-library.so"),
                                 // Other players of other tests may run at the same time.
                                 "T4_INSTANCE_LOCK=" + (dir_ / "instance.lock"),
                                 // The X libraries SDL loads and unloads keep allocations the
                                 // leak checker can no longer attribute; they are not ours.
                                 "ASAN_OPTIONS=detect_leaks=0"},
        dir_ / "stderr.txt");
  }

  // Waits until the player's window shows the box, the same in two pictures
  // in a row (a picture taken while a frame is being put up can hold part of
  // it); its picture then.
  bool WaitForBox(XWindowId* w, XPicture* p) {
    XPicture last;
    return t4test::WaitUntil(
        [&] {
          std::this_thread::sleep_for(50ms);
          *w = x_.LargestWindow();
          if (!*w || !x_.Grab(*w, p)) return false;
          const bool same = p->rgb == last.rgb;
          last = *p;
          // The box is centred on the screen, across its middle row.
          bool shown = false;
          for (int x = 0; x < p->width && !shown; ++x) shown = p->At(x, p->height / 2) == kBoxBack;
          return shown && same;
        },
        30s);
  }

  // The run went on to its last frame and closed in order.
  void ExpectTheGameRanToItsEnd(t4test::BackgroundPlayer& player) {
    EXPECT_EQ(player.Wait(60s), 0) << t4test::ReadFile(dir_ / "stderr.txt");
    EXPECT_EQ(t4test::ReadLines(dir_ / "h.txt").size(), static_cast<size_t>(kFrames));
  }

  // The server outlives the connection to it.
  t4test::VirtualDisplay display_;
  t4test::XClient x_;
  TempFolder dir_;
};

TEST_F(FullScreenBox, EscapeAnswersTheBoxAndTheGameGoesOn) {
  Begin("640x480x24", 1);
  auto player = Start();
  XWindowId w = 0;
  XPicture p;
  ASSERT_TRUE(WaitForBox(&w, &p)) << t4test::ReadFile(dir_ / "stderr.txt");
  x_.SendKey(w, XK_Escape);
  ExpectTheGameRanToItsEnd(*player);
}

TEST_F(FullScreenBox, AClickOnTheButtonAnswersTheBox) {
  Begin("640x480x24", 1);
  auto player = Start();
  XWindowId w = 0;
  XPicture p;
  ASSERT_TRUE(WaitForBox(&w, &p)) << t4test::ReadFile(dir_ / "stderr.txt");
  // The lowest marked pixel lies inside the box's only button, below its
  // label.
  int bx = -1, by = -1;
  for (int y = p.height - 1; y >= 0 && by < 0; --y)
    for (int x = 0; x < p.width; ++x)
      if (p.At(x, y) == kBoxMarked) {
        bx = x + 2;
        by = y;
        break;
      }
  ASSERT_GT(by, p.height / 2) << "no button below the middle of the box";
  x_.Click(w, bx, by);
  ExpectTheGameRanToItsEnd(*player);
}

// The box's bounds in a picture: the pixels of its face colour.
struct Bounds {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
};
Bounds BoxBounds(const XPicture& p) {
  Bounds b;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x)
      if (p.At(x, y) == kBoxBack) {
        b.left = std::min(b.left, x);
        b.top = std::min(b.top, y);
        b.right = std::max(b.right, x + 1);
        b.bottom = std::max(b.bottom, y + 1);
      }
  return b;
}

// Without a window manager nobody carries out the request for full screen:
// the player's window itself covers the screen, and the whole picture fills
// it at 4:3, in both drawing modes. The box drawn in the middle of the
// picture shows where the picture's parts land: on a screen of the game's
// size, and on a larger one scaled by 1024 / 640 = 768 / 480 = 1.6.
TEST_F(FullScreenBox, WithoutAWindowManagerThePictureFillsTheScreen) {
  for (int direct3D : {1, 0}) {
    SCOPED_TRACE(direct3D ? "Direct3D" : "DirectDraw");
    Bounds at[2];
    const char* screens[2] = {"640x480x24", "1024x768x24"};
    for (int s = 0; s < 2; ++s) {
      SCOPED_TRACE(screens[s]);
      Begin(screens[s], direct3D);
      auto player = Start();
      XWindowId w = 0;
      XPicture p;
      ASSERT_TRUE(WaitForBox(&w, &p)) << t4test::ReadFile(dir_ / "stderr.txt");
      int x = -1, y = -1, width = 0, height = 0;
      ASSERT_TRUE(x_.Geometry(w, &x, &y, &width, &height));
      EXPECT_EQ(x, 0);
      EXPECT_EQ(y, 0);
      EXPECT_EQ(width, s == 0 ? 640 : 1024);
      EXPECT_EQ(height, s == 0 ? 480 : 768);
      at[s] = BoxBounds(p);
      x_.SendKey(w, XK_Escape);
      ExpectTheGameRanToItsEnd(*player);
    }
    ASSERT_GT(at[0].right, at[0].left);
    // Scaled by 8 / 5, give or take the pixel a nearest-neighbour scaling
    // rounds an edge to.
    EXPECT_NEAR(at[1].left, at[0].left * 8 / 5, 2);
    EXPECT_NEAR(at[1].top, at[0].top * 8 / 5, 2);
    EXPECT_NEAR(at[1].right, at[0].right * 8 / 5, 2);
    EXPECT_NEAR(at[1].bottom, at[0].bottom * 8 / 5, 2);
  }
}

}  // namespace
