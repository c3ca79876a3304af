// Window placement. A real window asks SDL; a headless run keeps a virtual
// placement on a virtual desktop, so that saving and restoring it behaves
// the same and can be tested.
//
// Positions are those of the client area's top-left. The frame around it
// belongs to the window manager and its size is often unknown until the
// window is shown, so a position read at close and set at the next start
// round-trips exactly only when both sides ignore the frame.
#include <SDL.h>

#include <algorithm>
#include <mutex>

#include "platform/video.h"
#include "platform/video_window.h"

namespace plat {
namespace {

constexpr int kVirtualDesktopW = 1920;
constexpr int kVirtualDesktopH = 1080;

struct VirtualPlacement {
  std::mutex lock;
  int x = (kVirtualDesktopW - 640) / 2, y = (kVirtualDesktopH - 480) / 2;
  int width = 640, height = 480;
  // The client size before maximising, given back when the window is restored.
  int normalW = 640, normalH = 480;
  bool maximized = false;
  bool minimized = false;
  bool resizable = false;
} g_virtual;

// The real window, or null when the virtual placement answers.
SDL_Window* Real() { return IsHeadless() ? nullptr : detail::SdlWindow(); }

}  // namespace

namespace detail {
void ResetVirtualPlacement(int clientWidth, int clientHeight) {
  std::lock_guard<std::mutex> g(g_virtual.lock);
  g_virtual.width = g_virtual.normalW = clientWidth;
  g_virtual.height = g_virtual.normalH = clientHeight;
  g_virtual.x = (kVirtualDesktopW - clientWidth) / 2;
  g_virtual.y = (kVirtualDesktopH - clientHeight) / 2;
  g_virtual.maximized = g_virtual.minimized = g_virtual.resizable = false;
}
void VirtualWindowShown() {
  std::lock_guard<std::mutex> g(g_virtual.lock);
  g_virtual.minimized = false;
}
}  // namespace detail

void GetDesktopSize(int* width, int* height) {
  *width = kVirtualDesktopW;
  *height = kVirtualDesktopH;
  if (IsHeadless()) return;
  SDL_Rect r;
  SDL_Window* w = detail::SdlWindow();
  int display = w ? SDL_GetWindowDisplayIndex(w) : 0;
  if (display < 0) display = 0;
  if (SDL_GetDisplayUsableBounds(display, &r) == 0 && r.w > 0 && r.h > 0) {
    *width = r.w;
    *height = r.h;
  }
}

bool GetWindowPos(HWND, int* x, int* y) {
  if (SDL_Window* w = Real()) {
    SDL_GetWindowPosition(w, x, y);
    return true;
  }
  if (!IsHeadless()) {
    *x = *y = 0;
    return false;
  }
  std::lock_guard<std::mutex> g(g_virtual.lock);
  *x = g_virtual.x;
  *y = g_virtual.y;
  return true;
}

void SetWindowPos(HWND, int x, int y) {
  if (SDL_Window* w = Real()) {
    SDL_SetWindowPosition(w, x, y);
    return;
  }
  std::lock_guard<std::mutex> g(g_virtual.lock);
  g_virtual.x = x;
  g_virtual.y = y;
}

bool GetClientSize(HWND, int* width, int* height) {
  if (SDL_Window* w = Real()) {
    SDL_GetWindowSize(w, width, height);
    return true;
  }
  if (!IsHeadless()) {
    *width = 640;
    *height = 480;
    return false;
  }
  std::lock_guard<std::mutex> g(g_virtual.lock);
  *width = g_virtual.width;
  *height = g_virtual.height;
  return true;
}

void SetClientSize(HWND, int width, int height) {
  if (width <= 0 || height <= 0) return;
  if (SDL_Window* w = Real()) {
    SDL_SetWindowSize(w, width, height);
    return;
  }
  std::lock_guard<std::mutex> g(g_virtual.lock);
  if (g_virtual.maximized) {
    // As a real window does: the size is the one it gets back when restored.
    g_virtual.normalW = width;
    g_virtual.normalH = height;
    return;
  }
  g_virtual.width = width;
  g_virtual.height = height;
}

void SetResizable(HWND, bool resizable) {
  if (SDL_Window* w = Real()) {
    SDL_SetWindowResizable(w, resizable ? SDL_TRUE : SDL_FALSE);
    return;
  }
  std::lock_guard<std::mutex> g(g_virtual.lock);
  g_virtual.resizable = resizable;
}

void MaximizeWindow(HWND) {
  if (SDL_Window* w = Real()) {
    SDL_MaximizeWindow(w);
    return;
  }
  std::lock_guard<std::mutex> g(g_virtual.lock);
  if (g_virtual.maximized) return;
  g_virtual.normalW = g_virtual.width;
  g_virtual.normalH = g_virtual.height;
  g_virtual.maximized = true;
  g_virtual.minimized = false;
  g_virtual.width = kVirtualDesktopW;
  g_virtual.height = kVirtualDesktopH;
}

void MinimizeWindow(HWND) {
  if (SDL_Window* w = Real()) {
    SDL_MinimizeWindow(w);
    return;
  }
  std::lock_guard<std::mutex> g(g_virtual.lock);
  g_virtual.minimized = true;
}

bool IsZoomed(HWND) {
  if (SDL_Window* w = Real()) return (SDL_GetWindowFlags(w) & SDL_WINDOW_MAXIMIZED) != 0;
  std::lock_guard<std::mutex> g(g_virtual.lock);
  return IsHeadless() && g_virtual.maximized;
}

bool IsIconic(HWND) {
  if (SDL_Window* w = Real()) return (SDL_GetWindowFlags(w) & SDL_WINDOW_MINIMIZED) != 0;
  std::lock_guard<std::mutex> g(g_virtual.lock);
  return IsHeadless() && g_virtual.minimized;
}

}  // namespace plat
