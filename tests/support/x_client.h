// A test's own connection to an X server (a VirtualDisplay): it finds the
// player's windows, reads their pictures and sends them keys and clicks,
// as a window manager would pass them on. The few Xlib calls are taken from
// the library SDL itself loads, so the tests need no X development files.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace t4test {

struct XPicture {
  int width = 0, height = 0;
  std::vector<uint32_t> rgb;  // 0x00RRGGBB
  uint32_t At(int x, int y) const {
    return rgb[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
  }
};

// An X window id (0: none).
using XWindowId = unsigned long;

class XClient {
 public:
  XClient();
  ~XClient();
  XClient(const XClient&) = delete;
  XClient& operator=(const XClient&) = delete;

  // False when libX11 is not installed.
  bool Load();
  // Connects to the server (":N"), leaving the one opened before.
  bool Open(const std::string& display);
  // Leaves the server; before it stops, or Xlib ends the process.
  void Close();

  // The viewable top-level windows, in stacking order (bottom first).
  std::vector<XWindowId> TopWindows();
  // The viewable top-level window of the largest area, or 0.
  XWindowId LargestWindow();
  // Where the window lies on the screen and its size.
  bool Geometry(XWindowId w, int* x, int* y, int* width, int* height);
  bool Grab(XWindowId w, XPicture* p);
  // A key (an X keysym) pressed and released in the window.
  void SendKey(XWindowId w, unsigned long keysym);
  // The pointer moved to (x, y) of the window, the left button pressed and
  // released there.
  void Click(XWindowId w, int x, int y);

 private:
  // Sends the event (an XEvent) to the window and waits for the server.
  void Deliver(XWindowId w, long mask, void* event);

  struct Lib;
  Lib* lib_;
  void* dpy_ = nullptr;
};

}  // namespace t4test
