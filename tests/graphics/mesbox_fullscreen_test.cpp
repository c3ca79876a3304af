// The player in full screen on a virtual X display, with the box a missing
// Ogg library raises at start-up drawn in its picture: the box is answered
// with Escape or a click on its button, and the game goes on to its last
// frame instead of closing. Key and button events are sent to the player's
// window through the X server, as a window manager would pass them on.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "support/background_player.h"
#include "support/headless_runner.h"
#include "support/project_writer.h"
#include "support/virtual_display.h"

// Last: Xlib's macros (None, Status, Bool) must not meet our headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

namespace {

using namespace std::chrono_literals;

constexpr uint32_t kBoxBack = 0x102050;
constexpr uint32_t kBoxMarked = 0x3050A0;  // caption bar and the marked button
constexpr int kFrames = 40;

// The few Xlib calls the test needs, taken from the library SDL itself loads.
struct Xlib {
  void* lib = nullptr;
  Display* (*OpenDisplay)(const char*) = nullptr;
  int (*CloseDisplay)(Display*) = nullptr;
  Window (*RootOf)(Display*) = nullptr;
  Status (*QueryTree)(Display*, Window, Window*, Window*, Window**, unsigned*) = nullptr;
  Status (*GetWindowAttributes)(Display*, Window, XWindowAttributes*) = nullptr;
  XImage* (*GetImage)(Display*, Drawable, int, int, unsigned, unsigned, unsigned long, int) = nullptr;
  KeyCode (*KeysymToKeycode)(Display*, KeySym) = nullptr;
  Status (*SendEvent)(Display*, Window, Bool, long, XEvent*) = nullptr;
  int (*WarpPointer)(Display*, Window, Window, int, int, unsigned, unsigned, int, int) = nullptr;
  int (*Sync)(Display*, Bool) = nullptr;
  int (*Free)(void*) = nullptr;
  XErrorHandler (*SetErrorHandler)(XErrorHandler) = nullptr;

  bool Load() {
    lib = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
    if (!lib) return false;
    auto get = [this](auto& fn, const char* name) {
      fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(lib, name));
      return fn != nullptr;
    };
    return get(OpenDisplay, "XOpenDisplay") && get(CloseDisplay, "XCloseDisplay") &&
           get(RootOf, "XDefaultRootWindow") && get(QueryTree, "XQueryTree") &&
           get(GetWindowAttributes, "XGetWindowAttributes") && get(GetImage, "XGetImage") &&
           get(KeysymToKeycode, "XKeysymToKeycode") && get(SendEvent, "XSendEvent") &&
           get(WarpPointer, "XWarpPointer") && get(Sync, "XSync") && get(Free, "XFree") &&
           get(SetErrorHandler, "XSetErrorHandler");
  }
  ~Xlib() {
    if (lib) dlclose(lib);
  }
};

struct Picture {
  int width = 0, height = 0;
  std::vector<uint32_t> rgb;
  uint32_t At(int x, int y) const { return rgb[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)]; }
};

class FullScreenBox : public ::testing::Test {
 protected:
  void SetUp() override {
    if (access("/usr/bin/Xvfb", X_OK) != 0) GTEST_SKIP() << "Xvfb is not installed";
    if (!x_.Load()) GTEST_SKIP() << "libX11 is not installed";
    // The screen is the game's size: with no window manager to put the
    // full-screen window over a larger screen, the window and the picture
    // would not line up.
    ASSERT_TRUE(display_.Start("640x480x24")) << "Xvfb did not start";
    // A window that goes away between listing and looking at it is no
    // reason to end the test process, as Xlib's own handler would.
    x_.SetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    dpy_ = x_.OpenDisplay(display_.Name().c_str());
    ASSERT_NE(dpy_, nullptr);
    ASSERT_TRUE(WriteProject(dir_.path()));
    // Full screen, and an Ogg library that is not there: its error box comes
    // up once the display is.
    std::ofstream(dir_ / "System.ini", std::ios::binary | std::ios::trunc)
        << "Direct3D=1\r\nWindowMode=0\r\nBpp=32\r\nExit\r\n";
  }
  void TearDown() override {
    if (dpy_) x_.CloseDisplay(dpy_);
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

  // The largest window on the screen: the player's.
  Window PlayerWindow() {
    Window root = x_.RootOf(dpy_), parent = 0, *children = nullptr, best = 0;
    unsigned count = 0;
    long bestArea = 0;
    if (!x_.QueryTree(dpy_, root, &root, &parent, &children, &count)) return 0;
    for (unsigned i = 0; i < count; ++i) {
      XWindowAttributes a{};
      if (!x_.GetWindowAttributes(dpy_, children[i], &a) || a.map_state != IsViewable) continue;
      if (long{a.width} * a.height > bestArea) {
        bestArea = long{a.width} * a.height;
        best = children[i];
      }
    }
    if (children) x_.Free(children);
    return best;
  }

  bool Grab(Window w, Picture* p) {
    XWindowAttributes a{};
    if (!x_.GetWindowAttributes(dpy_, w, &a)) return false;
    XImage* img = x_.GetImage(dpy_, w, 0, 0, static_cast<unsigned>(a.width), static_cast<unsigned>(a.height), AllPlanes,
                              ZPixmap);
    if (!img) return false;
    p->width = a.width;
    p->height = a.height;
    p->rgb.resize(static_cast<size_t>(a.width) * static_cast<size_t>(a.height));
    for (int y = 0; y < a.height; ++y)
      for (int x = 0; x < a.width; ++x)
        p->rgb[static_cast<size_t>(y) * static_cast<size_t>(a.width) + static_cast<size_t>(x)] =
            static_cast<uint32_t>(XGetPixel(img, x, y) & 0xFFFFFF);
    XDestroyImage(img);
    return true;
  }

  // Waits until the player's window shows the box, the same in two pictures
  // in a row (a picture taken while a frame is being put up can hold part of
  // it); its picture then.
  bool WaitForBox(Window* w, Picture* p) {
    Picture last;
    return t4test::WaitUntil(
        [&] {
          std::this_thread::sleep_for(50ms);
          *w = PlayerWindow();
          if (!*w || !Grab(*w, p)) return false;
          const bool same = p->rgb == last.rgb;
          last = *p;
          // The box is centred on the screen, across its middle row.
          bool shown = false;
          for (int x = 0; x < p->width && !shown; ++x) shown = p->At(x, p->height / 2) == kBoxBack;
          return shown && same;
        },
        30s);
  }

  void SendKey(Window w, KeySym sym) {
    for (int type : {KeyPress, KeyRelease}) {
      XEvent e{};
      e.xkey.type = type;
      e.xkey.display = dpy_;
      e.xkey.window = w;
      e.xkey.root = x_.RootOf(dpy_);
      e.xkey.time = CurrentTime;
      e.xkey.same_screen = True;
      e.xkey.keycode = x_.KeysymToKeycode(dpy_, sym);
      x_.SendEvent(dpy_, w, True, type == KeyPress ? KeyPressMask : KeyReleaseMask, &e);
      x_.Sync(dpy_, False);
      std::this_thread::sleep_for(30ms);
    }
  }

  void Click(Window w, int x, int y) {
    // The pointer really moves there (the server tells the window), then the
    // button goes down and up on it.
    x_.WarpPointer(dpy_, None, w, 0, 0, 0, 0, x, y);
    x_.Sync(dpy_, False);
    std::this_thread::sleep_for(100ms);
    for (int type : {ButtonPress, ButtonRelease}) {
      XEvent e{};
      e.xbutton.type = type;
      e.xbutton.display = dpy_;
      e.xbutton.window = w;
      e.xbutton.root = x_.RootOf(dpy_);
      e.xbutton.time = CurrentTime;
      e.xbutton.x = x;
      e.xbutton.y = y;
      e.xbutton.button = Button1;
      e.xbutton.state = type == ButtonRelease ? Button1Mask : 0;
      e.xbutton.same_screen = True;
      x_.SendEvent(dpy_, w, True, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask, &e);
      x_.Sync(dpy_, False);
      std::this_thread::sleep_for(30ms);
    }
  }

  // The run went on to its last frame and closed in order.
  void ExpectTheGameRanToItsEnd(t4test::BackgroundPlayer& player) {
    EXPECT_EQ(player.Wait(60s), 0) << t4test::ReadFile(dir_ / "stderr.txt");
    EXPECT_EQ(t4test::ReadLines(dir_ / "h.txt").size(), static_cast<size_t>(kFrames));
  }

  Xlib x_;
  t4test::VirtualDisplay display_;
  Display* dpy_ = nullptr;
  TempFolder dir_;
};

TEST_F(FullScreenBox, EscapeAnswersTheBoxAndTheGameGoesOn) {
  auto player = Start();
  Window w = 0;
  Picture p;
  ASSERT_TRUE(WaitForBox(&w, &p)) << t4test::ReadFile(dir_ / "stderr.txt");
  SendKey(w, XK_Escape);
  ExpectTheGameRanToItsEnd(*player);
}

TEST_F(FullScreenBox, AClickOnTheButtonAnswersTheBox) {
  auto player = Start();
  Window w = 0;
  Picture p;
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
  Click(w, bx, by);
  ExpectTheGameRanToItsEnd(*player);
}

}  // namespace
