#include "platform/video_x11.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <dlfcn.h>

#include <cstring>
#include <type_traits>

namespace plat::detail {

namespace {

// The few Xlib calls, from the library SDL itself loaded (the program does
// not link it).
struct Xlib {
  void* handle = nullptr;
  Atom (*InternAtom)(Display*, const char*, Bool) = nullptr;
  int (*GetWindowProperty)(Display*, Window, Atom, long, long, Bool, Atom, Atom*, int*, unsigned long*,
                           unsigned long*, unsigned char**) = nullptr;
  int (*Free)(void*) = nullptr;
  Window (*RootOf)(Display*) = nullptr;

  bool Load() {
    if (handle) return true;
    handle = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
    if (!handle) return false;
    auto get = [this](auto& fn, const char* name) {
      fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(handle, name));
      return fn != nullptr;
    };
    return get(InternAtom, "XInternAtom") && get(GetWindowProperty, "XGetWindowProperty") && get(Free, "XFree") &&
           get(RootOf, "XDefaultRootWindow");
  }
};

Xlib g_xlib;  // window thread only; kept loaded for the run

}  // namespace

bool WithoutWindowManager(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
  if (!g_xlib.Load()) return false;
  Display* d = info.info.x11.display;
  // A window manager that follows the desktop conventions names its check
  // window on the root window.
  const Atom check = g_xlib.InternAtom(d, "_NET_SUPPORTING_WM_CHECK", True);
  if (check == 0) return true;
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  const int status = g_xlib.GetWindowProperty(d, g_xlib.RootOf(d), check, 0, 1, False, AnyPropertyType, &type,
                                              &format, &count, &after, &data);
  const bool named = status == Success && data && count == 1;
  if (data) g_xlib.Free(data);
  return !named;
}

}  // namespace plat::detail
