#include "support/x_client.h"

#include <dlfcn.h>

#include <chrono>
#include <thread>
#include <type_traits>

// Last: Xlib's macros (None, Status, Bool) must not meet other headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace t4test {

using namespace std::chrono_literals;

struct XClient::Lib {
  void* handle = nullptr;
  Display* (*OpenDisplay)(const char*) = nullptr;
  int (*CloseDisplay)(Display*) = nullptr;
  Window (*RootOf)(Display*) = nullptr;
  Status (*QueryTree)(Display*, Window, Window*, Window*, Window**, unsigned*) = nullptr;
  Status (*GetWindowAttributes)(Display*, Window, XWindowAttributes*) = nullptr;
  Bool (*TranslateCoordinates)(Display*, Window, Window, int, int, int*, int*, Window*) = nullptr;
  XImage* (*GetImage)(Display*, Drawable, int, int, unsigned, unsigned, unsigned long, int) = nullptr;
  KeyCode (*KeysymToKeycode)(Display*, KeySym) = nullptr;
  Status (*SendEvent)(Display*, Window, Bool, long, XEvent*) = nullptr;
  int (*WarpPointer)(Display*, Window, Window, int, int, unsigned, unsigned, int, int) = nullptr;
  int (*Sync)(Display*, Bool) = nullptr;
  int (*Free)(void*) = nullptr;
  XErrorHandler (*SetErrorHandler)(XErrorHandler) = nullptr;
};

XClient::XClient() : lib_(new Lib) {}

XClient::~XClient() {
  Close();
  if (lib_->handle) dlclose(lib_->handle);
  delete lib_;
}

bool XClient::Load() {
  Lib& x = *lib_;
  if (!x.handle) x.handle = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
  if (!x.handle) return false;
  auto get = [&x](auto& fn, const char* name) {
    fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(x.handle, name));
    return fn != nullptr;
  };
  return get(x.OpenDisplay, "XOpenDisplay") && get(x.CloseDisplay, "XCloseDisplay") &&
         get(x.RootOf, "XDefaultRootWindow") && get(x.QueryTree, "XQueryTree") &&
         get(x.GetWindowAttributes, "XGetWindowAttributes") &&
         get(x.TranslateCoordinates, "XTranslateCoordinates") && get(x.GetImage, "XGetImage") &&
         get(x.KeysymToKeycode, "XKeysymToKeycode") && get(x.SendEvent, "XSendEvent") &&
         get(x.WarpPointer, "XWarpPointer") && get(x.Sync, "XSync") && get(x.Free, "XFree") &&
         get(x.SetErrorHandler, "XSetErrorHandler");
}

bool XClient::Open(const std::string& display) {
  // A window that goes away between listing and looking at it is no reason
  // to end the test process, as Xlib's own handler would.
  lib_->SetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  Close();
  dpy_ = lib_->OpenDisplay(display.c_str());
  return dpy_ != nullptr;
}

void XClient::Close() {
  if (dpy_) lib_->CloseDisplay(static_cast<Display*>(dpy_));
  dpy_ = nullptr;
}

std::vector<XWindowId> XClient::TopWindows() {
  std::vector<XWindowId> out;
  Display* d = static_cast<Display*>(dpy_);
  Window root = lib_->RootOf(d), parent = 0, *children = nullptr;
  unsigned count = 0;
  if (!lib_->QueryTree(d, root, &root, &parent, &children, &count)) return out;
  for (unsigned i = 0; i < count; ++i) {
    XWindowAttributes a{};
    if (lib_->GetWindowAttributes(d, children[i], &a) && a.map_state == IsViewable) out.push_back(children[i]);
  }
  if (children) lib_->Free(children);
  return out;
}

XWindowId XClient::LargestWindow() {
  XWindowId best = 0;
  long bestArea = 0;
  for (XWindowId w : TopWindows()) {
    int x = 0, y = 0, width = 0, height = 0;
    if (Geometry(w, &x, &y, &width, &height) && long{width} * height > bestArea) {
      bestArea = long{width} * height;
      best = w;
    }
  }
  return best;
}

bool XClient::Geometry(XWindowId w, int* x, int* y, int* width, int* height) {
  Display* d = static_cast<Display*>(dpy_);
  XWindowAttributes a{};
  if (!lib_->GetWindowAttributes(d, w, &a)) return false;
  Window child = 0;
  if (!lib_->TranslateCoordinates(d, w, lib_->RootOf(d), 0, 0, x, y, &child)) return false;
  *width = a.width;
  *height = a.height;
  return true;
}

bool XClient::Grab(XWindowId w, XPicture* p) {
  Display* d = static_cast<Display*>(dpy_);
  XWindowAttributes a{};
  if (!lib_->GetWindowAttributes(d, w, &a)) return false;
  XImage* img = lib_->GetImage(d, w, 0, 0, static_cast<unsigned>(a.width), static_cast<unsigned>(a.height),
                               AllPlanes, ZPixmap);
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

namespace {

// A key or button event of the window, as the server would send it.
template <class Event>
void Address(Event& e, int type, Display* d, Window w, Window root) {
  e.type = type, e.display = d, e.window = w;
  e.root = root, e.time = CurrentTime, e.same_screen = True;
}

}  // namespace

void XClient::Deliver(XWindowId w, long mask, void* event) {
  Display* d = static_cast<Display*>(dpy_);
  lib_->SendEvent(d, w, True, mask, static_cast<XEvent*>(event));
  lib_->Sync(d, False);
  std::this_thread::sleep_for(30ms);
}

void XClient::SendKey(XWindowId w, unsigned long keysym) {
  Display* d = static_cast<Display*>(dpy_);
  for (int type : {KeyPress, KeyRelease}) {
    XEvent e{};
    Address(e.xkey, type, d, w, lib_->RootOf(d));
    e.xkey.keycode = lib_->KeysymToKeycode(d, keysym);
    Deliver(w, type == KeyPress ? KeyPressMask : KeyReleaseMask, &e);
  }
}

void XClient::Click(XWindowId w, int x, int y) {
  Display* d = static_cast<Display*>(dpy_);
  // The pointer really moves there (the server tells the window), then the
  // button goes down and up on it.
  lib_->WarpPointer(d, None, w, 0, 0, 0, 0, x, y);
  lib_->Sync(d, False);
  std::this_thread::sleep_for(100ms);
  for (int type : {ButtonPress, ButtonRelease}) {
    XEvent e{};
    Address(e.xbutton, type, d, w, lib_->RootOf(d));
    e.xbutton.x = x;
    e.xbutton.y = y;
    e.xbutton.button = Button1;
    e.xbutton.state = type == ButtonRelease ? Button1Mask : 0;
    Deliver(w, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask, &e);
  }
}

}  // namespace t4test
